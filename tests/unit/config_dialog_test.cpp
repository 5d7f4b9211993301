// The settings dialog's logic through a fake view: the load, the Music rule,
// the folder button, OK, Cancel, the web label and the read-me button.
#include <gtest/gtest.h>

#include <map>

#include "dialog/frm_config.h"
#include "fakes.h"
#include "startup/lumz_submain.h"

namespace lumaris {
namespace {

using testing::CallLog;

// The controls in memory, with their initial states from the layout table.
// Out of range, the logic itself must refuse a speed: the view takes any.
using FakeView = null_backend::MemoryConfigWindow;

struct Dialog {
    testing::FakePlatform fake;
    FakeView view;
    LumzSubMain module;
    FrmConfig form{module, fake.platform, view};
    Dialog() {
        module.AppTitle = " Lumaris";
        view.Connect([this](ConfigEvent event) { form.Raise(event); });
    }
    Dialog& set(const std::string& key, const std::string& value) {
        fake.store.set(key, value);
        return *this;
    }
    void musicFiles(std::vector<std::string> names) { fake.files.names = std::move(names); }
    bool saved() const { return fake.store.get("SPEED").has_value(); }
};

TEST(ConfigLoad, MusicOnWithoutMp3sShowsTheWarningAndOkStillSaves) {
    Dialog d;
    d.set("MUSIC", "True").set("MUSICDIR", "d:\\empty");
    d.form.Form_Load();
    EXPECT_TRUE(d.view.visible[Control::lblMp3Check]);
    EXPECT_TRUE(d.view.visible[Control::lblPathName]);
    EXPECT_EQ(d.view.path, "d:\\empty");
    EXPECT_EQ(d.fake.without("GetSetting").front(), "Dir(d:\\empty\\*.mp3)");
    d.form.cmdOk_Click();
    EXPECT_TRUE(d.view.closed);
    EXPECT_EQ(d.fake.store.get("MUSIC"), "True");
    EXPECT_EQ(d.fake.store.get("MUSICDIR"), "d:\\empty");
}

TEST(ConfigLoad, MusicOffHidesItsThreeControlsAndKeepsTheFolder) {
    Dialog d;
    d.set("MUSICDIR", "c:\\tunes\\");
    d.musicFiles({"a.mp3"});
    d.form.Form_Load();
    EXPECT_FALSE(d.view.visible[Control::lblPathName]);
    EXPECT_FALSE(d.view.visible[Control::cmdDirPath]);
    EXPECT_FALSE(d.view.visible[Control::lblMp3Check]);
    d.form.cmdOk_Click();
    EXPECT_EQ(d.fake.store.get("MUSIC"), "False");
    EXPECT_EQ(d.fake.store.get("MUSICDIR"), "c:\\tunes\\");
}

TEST(ConfigLoad, TheDefaultFolderGetsADoubledSeparator) {
    Dialog d;
    d.form.Form_Load();
    EXPECT_EQ(d.fake.without("GetSetting").front(), "Dir(c:\\\\*.mp3)");
}

TEST(MusicRule, CheckingShowsTheFolderAndChecksItUncheckingHidesAll) {
    Dialog d;
    d.set("MUSICDIR", "e:\\songs");
    d.form.Form_Load();
    d.fake.log.clear();
    d.view.SetChecked(Check::chkMusic, true);
    EXPECT_TRUE(d.module.cfg.cfgMusic);
    EXPECT_EQ(d.view.path, "e:\\songs");
    EXPECT_TRUE(d.view.visible[Control::lblPathName]);
    EXPECT_TRUE(d.view.visible[Control::cmdDirPath]);
    EXPECT_TRUE(d.view.visible[Control::lblMp3Check]);
    EXPECT_EQ(d.fake.log, (CallLog{"Dir(e:\\songs\\*.mp3)"}));
    d.view.SetChecked(Check::chkMusic, false);
    EXPECT_FALSE(d.module.cfg.cfgMusic);
    EXPECT_FALSE(d.view.visible[Control::lblPathName]);
    EXPECT_FALSE(d.view.visible[Control::cmdDirPath]);
    EXPECT_FALSE(d.view.visible[Control::lblMp3Check]);
}

TEST(DirectoryButton, ANewFolderShowsAtOnceAndCancelSavesNothing) {
    Dialog d;
    d.set("MUSIC", "True");
    d.form.Form_Load();
    d.fake.shell.chosen = "/home/me/My \"Songs\"; été";
    d.musicFiles({"x.MP3"});
    d.form.cmdDirPath_Click();
    EXPECT_EQ(d.module.cfg.cfgMusicDir, "/home/me/My \"Songs\"; été");
    EXPECT_EQ(d.view.path, "/home/me/My \"Songs\"; été");
    EXPECT_FALSE(d.view.visible[Control::lblMp3Check]);
    EXPECT_EQ(d.fake.shell.outstanding, 0) << "the item list is freed";
    d.form.cmdCancel_Click();
    EXPECT_TRUE(d.view.closed);
    EXPECT_FALSE(d.saved());
}

TEST(DirectoryButton, ACancelledOrPathlessChoiceChangesNothing) {
    Dialog d;
    d.set("MUSIC", "True").set("MUSICDIR", "f:\\keep");
    d.form.Form_Load();
    d.form.cmdDirPath_Click();  // cancelled
    d.fake.shell.chosen = "";    // a place without a file-system path
    d.form.cmdDirPath_Click();
    EXPECT_EQ(d.module.cfg.cfgMusicDir, "f:\\keep");
    EXPECT_EQ(d.view.path, "f:\\keep");
    EXPECT_EQ(d.fake.shell.outstanding, 0);
}

TEST(Browsefolder, AsksWithItsTitleAndFlagAndA512CharacterBuffer) {
    testing::FakePlatform fake;
    fake.shell.chosen = "/music";
    EXPECT_EQ(browsefolder(0, fake.platform), "/music");
    EXPECT_EQ(fake.log, (CallLog{"SHBrowseForFolderA(0, Browse for folder, 1)", "SHGetPathFromIDListA(item, 512)",
                                 "CoTaskMemFree"}));
    fake.shell.chosen = std::string(600, 'a');
    EXPECT_EQ(browsefolder(0, fake.platform), "") << "a path longer than the buffer is no path";
}

TEST(ConfigLoad, NoSoundDeviceOneMessageBothHiddenAndSavedOff) {
    Dialog d;
    d.set("MUSIC", "True").set("SOUND", "True");
    d.fake.audio.devices = 0;
    d.form.Form_Load();
    ASSERT_EQ(d.fake.ui.shown.size(), 1u);
    EXPECT_EQ(d.fake.ui.shown[0].text, "Your system sound is not set up.");
    EXPECT_EQ(d.fake.ui.shown[0].style, kMbIconInformation);
    EXPECT_EQ(d.fake.ui.shown[0].title, "Sound Problem");
    EXPECT_FALSE(d.view.visible[Control::chkMusic]);
    EXPECT_FALSE(d.view.visible[Control::chkSound]);
    EXPECT_FALSE(d.view.visible[Control::lblPathName]);
    d.form.cmdOk_Click();
    EXPECT_EQ(d.fake.store.get("MUSIC"), "False");
    EXPECT_EQ(d.fake.store.get("SOUND"), "False");
}

TEST(ConfigOk, NightAndBalloonBothSavedAndTheMouseFollowsItsBox) {
    Dialog d;
    d.form.Form_Load();
    d.view.SetChecked(Check::chkNightMode, true);
    d.view.SetChecked(Check::chkBalloon, true);
    d.view.SetChecked(Check::chkMouseEvent, true);
    d.view.speed = 140;
    d.form.cmdOk_Click();
    EXPECT_EQ(d.fake.store.get("NIGHTMODE"), "True");
    EXPECT_EQ(d.fake.store.get("BALLOON"), "True");
    EXPECT_EQ(d.fake.store.get("MOUSE"), "True");
    EXPECT_EQ(d.fake.store.get("SPEED"), "140");
}

// A stored speed outside the bar: the box, then every other control shows
// its setting; OK saves what the user sees and keeps the speed as stored
// until the user moves the bar.
TEST(ConfigLoad, ASpeedOutsideTheBarCostsOnlyItself) {
    for (const bool moved : {false, true}) {
        Dialog d;
        d.set("SPEED", "200").set("MOUSE", "True").set("NIGHTMODE", "True").set("MUSIC", "True");
        d.set("MUSICDIR", "Z:\\songs");
        d.form.Form_Load();
        ASSERT_EQ(d.fake.ui.shown.size(), 1u);
        EXPECT_EQ(d.fake.ui.shown[0].title, "Error loading config form");
        EXPECT_EQ(d.fake.ui.shown[0].text, "380-Invalid property value");
        EXPECT_TRUE(d.view.checked[Check::chkMouseEvent] && d.view.checked[Check::chkNightMode]);
        EXPECT_EQ(d.view.path, "Z:\\songs");
        if (moved) d.view.speed = 120;
        d.form.cmdOk_Click();
        EXPECT_EQ(d.fake.store.get("SPEED"), moved ? "120" : "200");
        EXPECT_EQ(d.fake.store.get("MOUSE"), "True");
        EXPECT_EQ(d.fake.store.get("NIGHTMODE"), "True");
        EXPECT_EQ(d.fake.store.get("MUSICDIR"), "Z:\\songs");
    }
}

TEST(ConfigOk, AFailingStepIsPassedOverAndTheDialogStillCloses) {
    Dialog d;
    d.form.Form_Load();
    d.fake.files.fails = true;  // the music check fails
    d.fake.store.failOnKey = "SOUND";
    d.form.cmdOk_Click();
    EXPECT_TRUE(d.view.closed);
    EXPECT_EQ(d.fake.store.get("SPEED"), "100");
    ASSERT_EQ(d.fake.ui.shown.size(), 1u) << "saveconfig reports its own failure";
    EXPECT_EQ(d.fake.ui.shown[0].title, "Error in main sub saveconfig");
}

TEST(ConfigLinks, WebAddressAndReadMeThroughTheShell) {
    Dialog d;
    d.form.lblURL_Click();
    d.form.Command1_Click();
    EXPECT_EQ(d.fake.log, (CallLog{"ShellExecuteA(0, NULL, https://qnvesmire.example, NULL, NULL, 1)",
                                   "ShellExecuteA(0, NULL, /opt/lumaris\\lumzreadme.txt, NULL, NULL, 1)"}));
    EXPECT_TRUE(d.fake.ui.shown.empty());
}

}  // namespace
}  // namespace lumaris
