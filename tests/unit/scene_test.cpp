// The scene's start, frames and town, checked call by call against the
// worked examples of the scene's geometry and motion.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes.h"
#include "scene_rig.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {
namespace {

using testing::CallLog;
using testing::FakePictures;
using testing::Scene;

std::string splashAt(int x, int y) {
    return "BitBlt(form, " + std::to_string(x) + ", " + std::to_string(y) + ", 272, 181, splashpic, 0, 0, SRCCOPY)";
}

TEST(SceneStart, GeometryForTheWorkedScreenSizes) {
    struct Case {
        int w, h;
        int sceneWidth, sceneLeft, sceneLift, splashX, splashY;
    };
    const Case cases[] = {
        {1024, 768, 1024, 0, 0, 376, 294},   {800, 600, 800, 0, 50, 264, 185},
        {1280, 1024, 1024, 128, -82, 504, 463}, {1024, 1020, 1024, 0, 0, 376, 420},
        {1024, 1021, 1024, 0, -80, 376, 460}, {640, 400, 640, 0, 400, 184, -90},
        {640, 401, 640, 0, 100, 184, 60},     {640, 500, 640, 0, 100, 184, 110},
        {640, 501, 640, 0, 50, 184, 136},     {1024, 601, 1024, 0, 0, 376, 210},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        Scene scene(c.w, c.h);
        scene.form->Form_Load();
        EXPECT_EQ(scene.s().sceneWidth, c.sceneWidth);
        EXPECT_EQ(scene.s().sceneLeft, c.sceneLeft);
        EXPECT_EQ(scene.s().sceneLift, c.sceneLift);
        const CallLog splashes = scene.only("BitBlt(form");
        EXPECT_EQ(splashes, (CallLog{splashAt(c.splashX, c.splashY), splashAt(c.splashX, c.splashY)}));
    }
}

TEST(SceneStart, StepsInOrderByDay) {
    Scene scene(1024, 768);
    scene.fake.clock.now = 3600.25f;
    scene.form->Form_Load();
    CallLog calls;
    for (const auto& e : scene.fake.log)
        if (e.rfind("GetSetting", 0) != 0 && e.rfind("Reg", 0) != 0) calls.push_back(e);
    EXPECT_EQ(calls, (CallLog{
                         "Timer1.Interval = 90",
                         "SystemParametersInfoA(97, 1, &0, 0)",
                         "ShowCursor(FALSE)",
                         "Timer1.Interval = 51",
                         "form.WindowState = 2",
                         splashAt(376, 294),
                         "form.Show",
                         "form.Refresh",
                         "mciSendStringA(stop all, 128, 0)",
                         "mciSendStringA(close all, 128, 0)",
                         "sndPlaySoundA(image, 13)",
                         splashAt(376, 294),
                     }));
    const SceneState& s = scene.s();
    EXPECT_EQ(s.startTime, 3600.25f);
    EXPECT_FALSE(s.usePassword);
    EXPECT_EQ(s.skyHeight, 410);
    EXPECT_EQ(s.skyWidth, 1820);
    EXPECT_EQ(s.waterWidth, 1024);
    EXPECT_EQ(s.layerSpeed, (std::array<float, 11>{1.0f, 1.0f, 1.2f, 1.8f, 2.9f, 4.0f, 6.5f, 11.0f, 17.0f, 25.0f, 33.0f}));
    EXPECT_EQ(s.bandTop, (std::array<float, 12>{0, 410, 417, 422, 430, 450, 484, 523, 562, 614, 676, 760}));
    EXPECT_FALSE(scene.form->Label1.visible);
    EXPECT_EQ(scene.form->Label1.caption, "Debug Label");
}

TEST(SceneStart, PasswordOptionAndBalloonAndMusic) {
    Scene scene(800, 600);
    scene.fake.registry.value = std::string("\x01\0\0\0", 4);
    scene.fake.registry.valueType = kRegDword;
    scene.set("BALLOON", "True").set("MUSIC", "True").set("SPEED", "150");
    scene.form->Form_Load();
    EXPECT_TRUE(scene.s().usePassword);
    EXPECT_EQ(scene.timer.Interval(), 1);
    const Sprite& b = scene.module.balloon;
    EXPECT_EQ((std::array<int, 6>{b.x, b.y, b.height, b.width, b.srcX, b.srcY}),
              (std::array<int, 6>{0, -50, 86, 66, 0, 0}));
    // The sea sound first: starting it closes every media device.
    const auto sound = std::find(scene.fake.log.begin(), scene.fake.log.end(), "sndPlaySoundA(image, 13)");
    ASSERT_NE(sound, scene.fake.log.end());
    EXPECT_EQ(*(sound + 1), "MMControl1.Notify = False");
}

TEST(SceneStart, NoSoundDeviceSilencesSoundAndMusic) {
    Scene scene(1024, 768);
    scene.fake.audio.devices = 0;
    scene.set("MUSIC", "True").set("SOUND", "True");
    scene.form->Form_Load();
    EXPECT_TRUE(scene.only("sndPlaySoundA").empty());
    EXPECT_TRUE(scene.only("mciSendStringA").empty());
    EXPECT_TRUE(scene.only("MMControl1").empty());
    EXPECT_FALSE(scene.module.cfg.cfgSound);
    EXPECT_FALSE(scene.module.cfg.cfgMusic);
}

TEST(SceneStart, NightSkyStarsMoonAndDarkSea) {
    for (const auto& [width, moonColumn] : {std::pair{1024, 824}, std::pair{800, 600}}) {
        Scene scene(width, 600);
        scene.set("NIGHTMODE", "True").set("CIVILIZATION", "True").set("BALLOON", "True");
        scene.fake.gdi.logLines = true;
        scene.fake.random.values = {0.5f, 0.25f, 0.75f};  // the first star; the rest draw 0
        scene.form->Form_Load();
        EXPECT_FALSE(scene.module.cfg.cfgCivilization) << "the town never grows at night";
        EXPECT_EQ(scene.module.balloon.height, 86) << "the balloon record is still set";
        EXPECT_EQ(scene.s().layerSpeed[0], 0.01f);
        const CallLog lines = scene.only("Line(");
        ASSERT_EQ(lines.size(), 1000u);
        // Grey first, then x, then y: int(0.5 * 255) + 1, int(0.25 * 1820) + 1, int(0.75 * 410) + 1.
        EXPECT_EQ(lines[0], "Line(skypicsource, 456, 308, 457, 309, " + std::to_string(rgb(128, 128, 128)) + ")");
        EXPECT_EQ(lines[1], "Line(skypicsource, 1, 1, 2, 2, " + std::to_string(rgb(1, 1, 1)) + ")");
        const CallLog log = scene.fake.log;
        const auto clear = std::find(log.begin(), log.end(), "ClearPicture(skypicsource)");
        ASSERT_NE(clear, log.end());
        EXPECT_EQ(*(clear + 1), "Randomize");
        EXPECT_EQ(*(clear + 2), "Rnd");
        const auto moon = std::find(log.begin(), log.end(),
                                    "BitBlt(skypicsource, " + std::to_string(moonColumn) +
                                        ", 10, 65, 66, picMoon, 0, 0, SRCCOPY)");
        ASSERT_NE(moon, log.end());
        EXPECT_EQ(*(moon + 1), "RefreshPicture(skypicsource)");
        EXPECT_EQ(*(moon + 2), "BitBlt(waterpicsource, 0, 0, 1024, 491, picDarkWater, 0, 0, SRCCOPY)");
        EXPECT_EQ(*(moon + 3), "form.Refresh");
        // The sky is black but for stars and moon; the sea is the dark sea.
        EXPECT_EQ(scene.form->skypicsource.pixel(0, 0), 0u);
        EXPECT_EQ(scene.form->skypicsource.pixel(456, 308), rgb(128, 128, 128));
        EXPECT_EQ(scene.form->skypicsource.pixel(moonColumn + 3, 12), FakePictures::code("picMoon", 3, 2));
        EXPECT_EQ(scene.form->waterpicsource.pixel(5, 7), FakePictures::code("picDarkWater", 5, 7));
    }
}

TEST(SceneStart, AFailureAmongTheStarsSkipsSoundMusicAndTheSecondSplash) {
    Scene scene(1024, 768);
    scene.set("NIGHTMODE", "True").set("MUSIC", "True");
    scene.fake.random.values = std::vector<float>(3000, 0.3f);
    scene.fake.gdi.failAfterLines = 400;
    scene.form->Form_Load();
    ASSERT_EQ(scene.fake.ui.shown.size(), 1u);
    EXPECT_EQ(scene.fake.ui.shown[0].title, "Error in form_load");
    EXPECT_EQ(scene.fake.ui.shown[0].text, "7-Out of memory");
    EXPECT_TRUE(scene.only("sndPlaySoundA").empty());
    EXPECT_TRUE(scene.only("MMControl1").empty());
    EXPECT_EQ(scene.only("BitBlt(form").size(), 1u) << "only the first splash";
    EXPECT_EQ(scene.form->skypicsource.pixel(int(0.3f * 1820) + 1, int(0.3f * 410) + 1), rgb(77, 77, 77))
        << "the stars drawn so far stay";
    EXPECT_EQ(scene.form->waterpicsource.pixel(5, 7), FakePictures::code("waterpicsource", 5, 7)) << "the day sea stays";
    EXPECT_EQ(scene.s().layerSpeed[0], 1.0f);
}

TEST(SceneFrames, FirstFrameByDay) {
    Scene scene(1024, 768);
    scene.load();
    const CallLog calls = scene.frame();
    EXPECT_EQ(calls[0], "BitBlt(form, 0, 0, 1024, 410, skypicsource, 2, 0, SRCCOPY)");
    EXPECT_EQ(calls[1], "BitBlt(form, 1024, 0, 0, 410, skypicsource, 0, 0, SRCCOPY)");
    EXPECT_EQ(calls[2], "BitBlt(form, 0, 410, 1023, 7, waterpicsource, 1, 0, SRCCOPY)");
    EXPECT_EQ(calls[3], "BitBlt(form, 1023, 410, 1, 7, waterpicsource, 0, 0, SRCCOPY)");
    EXPECT_EQ(calls[20], "BitBlt(form, 0, 676, 991, 84, waterpicsource, 33, 266, SRCCOPY)");
    EXPECT_EQ(calls[21], "BitBlt(form, 991, 676, 33, 84, waterpicsource, 0, 266, SRCCOPY)");
    EXPECT_EQ(calls[22], splashAt(376, 294));
    EXPECT_EQ(calls[23], "form.Refresh");
    EXPECT_EQ(calls.size(), 24u);
}

TEST(SceneFrames, SkyLoopPointAndTheTown) {
    Scene scene(1024, 768);
    scene.load();
    scene.s().scrollX[0] = 1819;
    CallLog calls = scene.frame();
    EXPECT_EQ(calls[0], "BitBlt(form, 0, 0, 1, 410, skypicsource, 1821, 0, SRCCOPY)");
    EXPECT_EQ(calls[1], "BitBlt(form, 1, 0, 1023, 410, skypicsource, 0, 0, SRCCOPY)");
    EXPECT_EQ(scene.s().scrollX[0], 1820.0f);
    // Column 0 of the form kept what it had: the first piece read outside the sky.
    calls = scene.frame();
    EXPECT_EQ(calls[0], "BitBlt(skypicsource, 948, 402, 102, 8, piccivilsource, 0, 119, SRCCOPY)");
    EXPECT_EQ(calls[1], "BitBlt(form, 0, 0, 0, 410, skypicsource, 1, 0, SRCCOPY)");
    EXPECT_EQ(calls[2], "BitBlt(form, 0, 0, 1024, 410, skypicsource, 0, 0, SRCCOPY)");
    EXPECT_EQ(scene.s().scrollX[0], 0.0f);
    EXPECT_EQ(scene.s().townStage, 1);
}

TEST(SceneFrames, NoTownWithoutCivilization) {
    Scene scene(1024, 768);
    scene.set("CIVILIZATION", "False");
    scene.load();
    scene.s().scrollX[0] = 1820;
    const CallLog calls = scene.frame();
    EXPECT_EQ(calls[0], "BitBlt(form, 0, 0, 0, 410, skypicsource, 1, 0, SRCCOPY)");
    EXPECT_EQ(scene.s().townStage, 0);
}

TEST(SceneFrames, SkyPositionsRunThroughOneLoopIn1821Frames) {
    Scene scene(1024, 768);
    scene.load();
    for (int i = 0; i < 1820; ++i) scene.frame();
    EXPECT_EQ(scene.s().scrollX[0], 1820.0f);
    EXPECT_EQ(scene.s().townStage, 0);
    scene.frame();
    EXPECT_EQ(scene.s().scrollX[0], 0.0f);
    EXPECT_EQ(scene.s().townStage, 1);
}

TEST(SceneFrames, BandLandingExactlyOnTheWrapIsNotWrapped) {
    Scene scene(1024, 768);
    scene.load();
    scene.s().scrollX[1] = 1023;
    const CallLog calls = scene.frame();
    EXPECT_EQ(scene.s().scrollX[1], 1024.0f);
    EXPECT_EQ(calls[2], "BitBlt(form, 0, 410, 0, 7, waterpicsource, 1024, 0, SRCCOPY)");
    EXPECT_EQ(calls[3], "BitBlt(form, 0, 410, 1024, 7, waterpicsource, 0, 0, SRCCOPY)");
}

TEST(SceneFrames, HalfColumnsRoundToEvenAndThePiecesMeet) {
    Scene scene(1024, 768);
    scene.load();
    CallLog calls = scene.frame();  // band 6: 0 -> 6.5
    EXPECT_EQ(calls[12], "BitBlt(form, 0, 484, 1018, 39, waterpicsource, 6, 74, SRCCOPY)");
    EXPECT_EQ(calls[13], "BitBlt(form, 1018, 484, 6, 39, waterpicsource, 0, 74, SRCCOPY)");
    scene.s().scrollX[6] = 13.0f;  // -> 19.5
    calls = scene.frame();
    EXPECT_EQ(calls[12], "BitBlt(form, 0, 484, 1004, 39, waterpicsource, 20, 74, SRCCOPY)");
    EXPECT_EQ(calls[13], "BitBlt(form, 1004, 484, 20, 39, waterpicsource, 0, 74, SRCCOPY)");
}

TEST(SceneFrames, BandWrapKeepsTheFraction) {
    Scene scene(1024, 768);
    scene.load();
    scene.s().scrollX[10] = 1000.5f;
    scene.frame();
    EXPECT_EQ(scene.s().scrollX[10], 9.5f);
}

TEST(SceneFrames, SplashOnTheFirstThirtyFramesOnly) {
    Scene scene(1024, 768);
    scene.load();
    int splashes = 0;
    for (int frame = 1; frame <= 40; ++frame) {
        const CallLog calls = scene.frame();
        const bool drawn = std::find(calls.begin(), calls.end(), splashAt(376, 294)) != calls.end();
        EXPECT_EQ(drawn, frame <= 30) << "frame " << frame;
        splashes += drawn;
    }
    EXPECT_EQ(splashes, 30);
    EXPECT_EQ(scene.s().splashFrames, 30);
}

// Every band, at every position reached by repeated advances, shows its
// picture rows continuously: column d of the strip shows picture column
// (start + d) mod 1024, with no gap and no overlap between the two pieces.
TEST(SceneFrames, BandPiecesAlwaysJoinExactly) {
    for (int width : {1024, 800}) {
        Scene scene(width, 768);
        scene.load();
        const std::uint32_t sea = FakePictures::code("waterpicsource", 0, 0);
        for (int frame = 1; frame <= 2500; ++frame) {
            scene.form->Timer1_Timer();
            if (frame <= 30) continue;  // the splash covers part of the sea
            const Surface& image = scene.window.Image();
            for (int i = 1; i <= 10; ++i) {
                const int y = static_cast<int>(scene.s().bandTop[i]);
                const std::uint32_t first = image.pixel(0, y);
                const int start = static_cast<int>((first >> 9) & 0x7FF);
                for (int d = 0; d < width; ++d) {
                    const std::uint32_t want =
                        sea | (static_cast<std::uint32_t>((start + d) % 1024) << 9) | (first & 0x1FF);
                    if (image.pixel(d, y) != want) {
                        FAIL() << "width " << width << " frame " << frame << " band " << i << " column " << d;
                    }
                }
            }
            scene.fake.log.clear();
        }
    }
}

TEST(SceneBalloon, StartsAtTheStripCornerAndSinksToTheTop) {
    Scene tall(1024, 768);
    tall.set("BALLOON", "True");
    tall.load();
    const CallLog calls = tall.frame();
    EXPECT_EQ(calls[23], "BitBlt(form, 0, 0, 66, 86, picBalloon, 0, 86, SRCAND)");
    EXPECT_EQ(calls[24], "BitBlt(form, 0, 0, 66, 86, picBalloon, 0, 0, SRCPAINT)");
    EXPECT_EQ(calls[25], "form.Refresh");

    Scene low(800, 600);  // lift 50: the balloon starts above the screen
    low.set("BALLOON", "True");
    low.load();
    for (int i = 0; i < 49; ++i) low.frame();
    EXPECT_EQ(low.module.balloon.y, -1);
    low.frame();
    EXPECT_EQ(low.module.balloon.y, 0);
    low.frame();
    EXPECT_EQ(low.module.balloon.y, 0);
    EXPECT_EQ(low.module.balloon.x, 0);
}

TEST(SceneBalloon, SteersTwoLeftOneRight) {
    Scene scene(1024, 768);
    scene.set("BALLOON", "True");
    scene.load();
    scene.module.balloon.x = 100;
    scene.s().mouseX = 99;
    scene.frame();
    EXPECT_EQ(scene.module.balloon.x, 98) << "two to the left, one past the mouse";
    scene.frame();
    EXPECT_EQ(scene.module.balloon.x, 99);
    scene.frame();
    EXPECT_EQ(scene.module.balloon.x, 99) << "rests at the mouse";
}

TEST(SceneBalloon, EdgesOfItsRange) {
    Scene scene(1280, 1024);  // strip from x 128 to 1151, top at y 82
    scene.set("BALLOON", "True");
    scene.load();
    Sprite& b = scene.module.balloon;
    EXPECT_EQ(b.x, 128);
    EXPECT_EQ(b.y, 82);
    b.x = 129;
    scene.s().mouseX = 0;
    scene.s().mouseY = 0;
    scene.frame();
    EXPECT_EQ(b.x, 127) << "one pixel left of the strip";
    EXPECT_EQ(b.y, 82) << "never above the strip's top";
    scene.frame();
    EXPECT_EQ(b.x, 127);
    // Right: no further than the strip's right edge less the picture width.
    b.x = 1084;
    scene.s().mouseX = 1270;
    scene.s().mouseY = 1000;
    scene.frame();
    EXPECT_EQ(b.x, 1085);
    scene.frame();
    EXPECT_EQ(b.x, 1086);
    scene.frame();
    EXPECT_EQ(b.x, 1086);
    // Down: no lower than 90 above the horizon (row 410 + 82 on screen).
    b.y = 400;
    scene.frame();
    EXPECT_EQ(b.y, 401);
    scene.frame();
    EXPECT_EQ(b.y, 402);
    scene.frame();
    EXPECT_EQ(b.y, 402);
}

TEST(SceneBalloon, NeitherMovedNorDrawnAtNight) {
    Scene scene(1024, 768);
    scene.set("BALLOON", "True").set("NIGHTMODE", "True");
    scene.load();
    scene.s().mouseX = 500;
    const CallLog calls = scene.frame();
    for (const auto& call : calls) EXPECT_EQ(call.find("picBalloon"), std::string::npos) << call;
    EXPECT_EQ(scene.module.balloon.x, 0);
}

TEST(SceneBalloon, OffMeansTheRecordStaysZero) {
    Scene scene(1024, 768);
    scene.load();
    for (int i = 0; i < 5; ++i) {
        for (const auto& call : scene.frame()) EXPECT_EQ(call.find("picBalloon"), std::string::npos);
    }
    const Sprite& b = scene.module.balloon;
    EXPECT_EQ((std::array<int, 6>{b.x, b.y, b.height, b.width, b.srcX, b.srcY}), (std::array<int, 6>{}));
}

TEST(Civilize, PiecesInOrderThenOnlyTheCounter) {
    Scene scene(1024, 768);
    scene.load();
    scene.form->civilize();
    EXPECT_EQ(scene.fake.log.back(), "BitBlt(skypicsource, 948, 402, 102, 8, piccivilsource, 0, 119, SRCCOPY)");
    // The town sheet lands one to one on the sky's shore.
    EXPECT_EQ(scene.form->skypicsource.pixel(948, 409), FakePictures::code("piccivilsource", 0, 126));
    for (int stage = 2; stage <= 17; ++stage) scene.form->civilize();
    EXPECT_EQ(scene.fake.log.back(), "BitBlt(skypicsource, 1270, 371, 31, 16, piccivilsource, 322, 88, SRCCOPY)");
    const Pixels skyAfterTown = scene.form->skypicsource.pixels();
    for (int stage = 18; stage <= 51; ++stage) {
        scene.fake.log.clear();
        scene.form->civilize();
        EXPECT_EQ(scene.fake.log, (CallLog{"BitBlt(skypicsource, 948, 283, 0, 0, piccivilsource, 0, 0, SRCCOPY)"}));
    }
    EXPECT_EQ(scene.form->skypicsource.pixels(), skyAfterTown);
    EXPECT_EQ(scene.s().townStage, 51);
    scene.fake.log.clear();
    scene.form->civilize();
    EXPECT_TRUE(scene.fake.log.empty());
    EXPECT_EQ(scene.s().townStage, 51);
}

TEST(Civilize, AFailedCopyIsTrappedAndTheStageStaysAdvanced) {
    Scene scene(1024, 768);
    scene.load();
    scene.fake.gdi.failOnBlitTo = "skypicsource";
    scene.form->civilize();
    ASSERT_EQ(scene.fake.ui.shown.size(), 1u);
    EXPECT_EQ(scene.fake.ui.shown[0].title, "Error in civilize");
    EXPECT_EQ(scene.s().townStage, 1);
}

TEST(SceneFrames, AFailureAbandonsTheRestOfTheFrame) {
    Scene scene(1024, 768);
    scene.load();
    scene.fake.gdi.failOnBlitTo = "form";
    scene.fake.gdi.blitsBeforeFailure = 4;  // the sky and band 1, then band 2 fails
    const CallLog calls = scene.frame();
    ASSERT_EQ(scene.fake.ui.shown.size(), 1u);
    EXPECT_EQ(scene.fake.ui.shown[0].title, "Error in timer routine");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "form.Refresh"), 0);
    EXPECT_EQ(scene.s().scrollX[2], 1.2f) << "the band advanced before the failure";
    EXPECT_EQ(scene.s().scrollX[3], 0.0f) << "later bands did not";
}

// A frame the screen would not show is skipped but for the few columns the
// next frames read back; whatever is shown afterwards is, pixel for pixel,
// what drawing every frame gives: the splash's last frames, the town
// growing at the sky's loop point, the balloon over the sky's seam, night.
TEST(SceneFrames, SkippedFramesLeaveThePictureDrawingEveryFrameGives) {
    struct Case {
        const char* name;
        int width, height;
        bool night;
        float skyStart;  // where the sky starts: 1790 runs into the loop point
        int perWake;     // ticks run together at each wake-up
        int shownEvery;  // of the wake-ups' last ticks, one in this many is wanted
        int frames;
    };
    const Case cases[] = {
        {"splash, 3 ticks per refresh", 1024, 768, false, 0, 1, 3, 45},
        {"town and balloon at the loop point, 16 ticks per wake-up", 1024, 768, false, 1790, 16, 1, 80},
        {"balloon at the seam, every other wake-up shown", 1920, 1080, false, 1800, 3, 2, 60},
        {"night, the seam on screen, 7 ticks per wake-up", 1280, 1024, true, 1000, 7, 1, 150},
    };
    for (const Case& c : cases) {
        Scene every(c.width, c.height), sparse(c.width, c.height);
        int tick = 0;
        sparse.window.frameWanted = [&] { return (tick / c.perWake) % c.shownEvery == 0 || tick % 11 == 5; };
        for (Scene* scene : {&every, &sparse}) {
            scene->set("BALLOON", "True").set("NIGHTMODE", c.night ? "True" : "False");
            scene->load();
            scene->s().scrollX[0] = c.skyStart;
            scene->s().mouseX = 40;  // the balloon stays near the sky's seam
            scene->s().mouseY = 60;
        }
        for (tick = 1; tick <= c.frames; ++tick) {
            every.frame();
            sparse.form->laterTicks = (c.perWake - tick % c.perWake) % c.perWake;
            const CallLog calls = sparse.frame();
            if (std::count(calls.begin(), calls.end(), "form.Refresh") == 0) continue;
            ASSERT_TRUE(every.window.Image().pixels() == sparse.window.Image().pixels()) << c.name << ", tick " << tick;
        }
        EXPECT_TRUE(every.form->skypicsource.pixels() == sparse.form->skypicsource.pixels()) << c.name;
        EXPECT_EQ(every.s().townStage, sparse.s().townStage) << c.name;
    }
}

}  // namespace
}  // namespace lumaris
