// The sea sound and the music playlist through the fakes.
#include <gtest/gtest.h>

#include "audio/background_sound.h"
#include "audio/playlist.h"
#include "runtime/resources.h"
#include "scene_rig.h"

namespace lumaris {
namespace {

using testing::CallLog;
using testing::Scene;

TEST(SeaSound, StartsAfterClosingEveryMediaDeviceFromTheModulesBuffer) {
    Scene scene(1024, 768);
    scene.form->Form_Load();
    EXPECT_EQ(scene.only("mciSendStringA").size(), 2u);
    ASSERT_EQ(scene.module.soundBuffer.size(), 97440u);
    const auto resource = findResource(kWaveType, "TIDEMAR");
    EXPECT_TRUE(std::equal(resource.begin(), resource.end(), scene.module.soundBuffer.begin()));
    EXPECT_EQ(scene.fake.audio.playing, scene.module.soundBuffer.data()) << "played from the kept copy";
}

TEST(SeaSound, OffMeansNoResourceAndNoMediaCommands) {
    Scene scene(1024, 768);
    scene.set("SOUND", "False");
    scene.form->Form_Load();
    EXPECT_TRUE(scene.only("mciSendStringA").empty());
    EXPECT_TRUE(scene.only("sndPlaySoundA").empty());
    EXPECT_TRUE(scene.module.soundBuffer.empty());
}

TEST(SeaSound, ARefusingPlayerIsToldAndTheSceneGoesOn) {
    Scene scene(1024, 768);
    scene.fake.audio.refuse = true;
    scene.form->Form_Load();
    ASSERT_EQ(scene.fake.ui.shown.size(), 1u);
    EXPECT_EQ(scene.fake.ui.shown[0].text, "PlayWaveAdv Error!");
    EXPECT_EQ(scene.fake.ui.shown[0].style, 0);
    EXPECT_EQ(scene.fake.ui.shown[0].title, "Lumaris");
    EXPECT_EQ(scene.fake.log.back(), "BitBlt(form, 376, 294, 272, 181, splashpic, 0, 0, SRCCOPY)");
}

TEST(SeaSound, AMissingResourceReachesTheCallersTrap) {
    testing::FakePlatform fake;
    LumzSubMain module;
    EXPECT_THROW(PlayResWave("surf", module, fake.platform), Failure);
    EXPECT_TRUE(fake.log.empty()) << "nothing stopped, nothing played";
}

TEST(Mediaplay, StepsInOrderWithTheDoubledSeparator) {
    Scene scene(1024, 768);
    scene.set("MUSIC", "True");
    scene.fake.files.names = {"a.mp3"};
    scene.form->Form_Load();
    CallLog media;
    for (const auto& e : scene.fake.log) {
        if (e.rfind("MMControl1", 0) == 0 || e.rfind("Dir(", 0) == 0 || e == "Randomize" || e == "Rnd") {
            media.push_back(e);
        }
    }
    EXPECT_EQ(media, (CallLog{"MMControl1.Notify = False", "MMControl1.Wait = True", "MMControl1.Shareable = False",
                              "MMControl1.DeviceType = MPEGVideo", "Randomize", "Dir(c:\\\\*.mp3)", "Rnd",
                              "MMControl1.FileName = c:\\\\a.mp3", "MMControl1.Wait = True",
                              "MMControl1.Command = Open", "MMControl1.Wait = False", "MMControl1.Command = play"}));
    EXPECT_EQ(scene.form->Label1.caption, "c:\\\\a.mp3");
}

TEST(Mediaplay, AnEmptyFolderNamesTheFolderItself) {
    Scene scene(1024, 768);
    scene.set("MUSIC", "True").set("MUSICDIR", "/home/me/Music");
    scene.form->Form_Load();
    EXPECT_EQ(scene.form->Label1.caption, "/home/me/Music\\");
    EXPECT_EQ(scene.only("Rnd").size(), 1u) << "the draw still takes place";
}

TEST(Mediaplay, EachDonePicksTheNextFileSeedingOnlyOnce) {
    Scene scene(1024, 768);
    scene.set("MUSIC", "True").set("MUSICDIR", "m");
    scene.fake.files.names = {"one.mp3", "two.mp3", "three.mp3"};
    scene.fake.random.values = {0.0f, 0.5f, 0.99f};
    scene.form->Form_Load();
    EXPECT_EQ(scene.form->Label1.caption, "m\\one.mp3");
    scene.media.done(0);
    EXPECT_EQ(scene.form->Label1.caption, "m\\two.mp3");
    scene.media.done(12345);  // whatever the notify code
    EXPECT_EQ(scene.form->Label1.caption, "m\\three.mp3");
    EXPECT_EQ(scene.only("Randomize").size(), 1u);
}

TEST(Mediaplay, MusicOffNeverTouchesTheControl) {
    Scene scene(1024, 768);
    scene.form->Form_Load();
    EXPECT_TRUE(scene.only("MMControl1").empty());
    EXPECT_TRUE(scene.only("Dir(").empty());
}

TEST(Getrndfile, AFailingSearchIsTrappedAndGivesTheEmptyName) {
    Scene scene(1024, 768);
    scene.set("MUSIC", "True").set("MUSICDIR", "z:\\gone");
    scene.fake.files.fails = true;
    scene.form->Form_Load();
    ASSERT_EQ(scene.fake.ui.shown.size(), 1u);
    EXPECT_EQ(scene.fake.ui.shown[0].title, "Error in function tidemarmain.getrndfile");
    EXPECT_EQ(scene.fake.ui.shown[0].text, "76-Path not found");
    EXPECT_EQ(scene.form->Label1.caption, "z:\\gone\\") << "mediaplay goes on with the folder";
}

TEST(Getrndfile, TheDrawPicksByPosition) {
    testing::FakePlatform fake;
    LumzSubMain module;
    module.seeded = true;
    fake.files.names = {"a", "b", "c"};
    std::string picked;
    for (float r : {0.0f, 0.3333f, 0.3334f, 0.6667f, 0.99999994f}) {
        fake.random.values = {r};
        picked += getrndfile("f", "mp3", module, fake.platform);
    }
    EXPECT_EQ(picked, "aabcc");
}

}  // namespace
}  // namespace lumaris
