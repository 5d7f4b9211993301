// The display mode's command line and its scene on the headless host: the
// options over the stored settings, the layout for the window's size and
// again after a resize, and one sound per display.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/display_mode.h"
#include "fakes.h"

namespace lumaris::testing {
namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;

TEST(DisplayModeOptions, ReadAsTheDaemonAndTheSettingsProgramPassThem) {
    struct Case {
        std::vector<std::string> args;
        DisplayParse result;
        std::uint64_t window;
        Settings settings;
    };
    const Case cases[] = {
        {{"/s"}, DisplayParse::NotDisplayMode, 0, {}},
        {{}, DisplayParse::NotDisplayMode, 0, {}},
        {{"--root"}, DisplayParse::Ok, 0, {}},
        {{"-root"}, DisplayParse::Ok, 0, {}},
        {{"--window-id", "0x40000a"}, DisplayParse::Ok, 0x40000a, {}},
        {{"-window-id", "4194314"}, DisplayParse::Ok, 4194314, {}},
        {{"--root", "--speed", "150", "--no-sound", "--music", "--music-dir", "/m p3", "--no-town", "--night",
          "--balloon"},
         DisplayParse::Ok,
         0,
         {{"SPEED", "150"},
          {"SOUND", "False"},
          {"MUSIC", "True"},
          {"MUSICDIR", "/m p3"},
          {"CIVILIZATION", "False"},
          {"NIGHTMODE", "True"},
          {"balloon", "True"}}},
        {{"--root", "--day", "--sound", "--no-music", "--town", "--no-balloon", "--speed", "80"},
         DisplayParse::Ok,
         0,
         {{"NIGHTMODE", "False"},
          {"SOUND", "True"},
          {"MUSIC", "False"},
          {"CIVILIZATION", "True"},
          {"balloon", "False"},
          {"SPEED", "80"}}},
        {{"--root", "--speed", "79"}, DisplayParse::Bad, 0, {}},
        {{"--root", "--speed", "151"}, DisplayParse::Bad, 0, {}},
        {{"--root", "--speed", "1e2"}, DisplayParse::Bad, 0, {}},
        {{"--root", "--speed"}, DisplayParse::Bad, 0, {}},
        {{"--root", "--speed", " 100"}, DisplayParse::Ok, 0, {{"SPEED", "100"}}},
        {{"--root", "--speed", "100 "}, DisplayParse::Ok, 0, {{"SPEED", "100"}}},
        {{"--root", "--speed", "+100"}, DisplayParse::Ok, 0, {{"SPEED", "100"}}},
        {{"--root", "--speed", "\n100"}, DisplayParse::Bad, 0, {}},
        {{"--root", "--fps"}, DisplayParse::Bad, 0, {}},
        {{"--root", "--scale", "auto", "--scale", "3"}, DisplayParse::Ok, 0, {}},
        {{"--root", "--scale", "9"}, DisplayParse::Bad, 0, {}},
        {{"--root", "--scale"}, DisplayParse::Bad, 0, {}},
        {{"--window-id", "0x"}, DisplayParse::Bad, 0, {}},
        {{"--window-id", "12abc"}, DisplayParse::Bad, 0, {}},
        {{"--window-id", "0"}, DisplayParse::Bad, 0, {}},
        {{"--window-id", "0xFFFFFFFFFF"}, DisplayParse::Bad, 0, {}},
        {{"--window-id"}, DisplayParse::Bad, 0, {}},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        DisplayOptions options;
        std::string error;
        const DisplayParse result = parseDisplayMode(c.args, options, error);
        EXPECT_EQ(result, c.result) << joined;
        EXPECT_EQ(result == DisplayParse::Bad, !error.empty()) << joined;
        if (result != DisplayParse::Ok) continue;
        EXPECT_EQ(options.window, c.window) << joined;
        EXPECT_EQ(options.settings, c.settings) << joined;
    }
}

struct Rig {
    explicit Rig(int width, int height) : host(pictures, static_cast<float>(width), static_cast<float>(height)) {
        host.audio.devices = 1;
        host.store.set("SPEED", "90");
        host.store.set("SOUND", "True");
    }
    FakePictures pictures;
    null_backend::HeadlessPlatform host;
    null_backend::HeadlessToolkit toolkit{host.screen};
};

TEST(DisplayMode, TheSceneTakesTheWindowsSizeAndAgainWhenItChanges) {
    Rig rig(565, 317);
    DisplayMode mode(rig.host.platform, rig.toolkit, DisplayOptions{}, true);
    mode.start();
    const SceneState& s = mode.scene().state;
    auto geometry = [&s] { return std::vector<int>{s.sceneWidth, s.sceneLeft, s.sceneLift}; };
    EXPECT_EQ(geometry(), (std::vector<int>{565, 0, 317}));
    rig.toolkit.lastSurface->ResizeTo(1280, 1024);
    EXPECT_EQ(geometry(), (std::vector<int>{1024, 128, -82}));
    rig.toolkit.loop.advance(61);
    EXPECT_EQ(rig.toolkit.lastSurface->refreshes, 2) << "the start, then one frame at speed 90";
}

TEST(DisplayMode, OptionsOverTheStoreAndOneSoundPerDisplay) {
    for (const bool playsSound : {true, false}) {
        Rig rig(1024, 768);
        DisplayOptions options;
        options.settings = {{"SPEED", "150"}};
        DisplayMode mode(rig.host.platform, rig.toolkit, options, playsSound);
        mode.start();
        EXPECT_EQ(mode.scene().Timer1.Interval(), 1);
        const auto& asked = rig.host.audio.asked;
        EXPECT_EQ(std::count(asked.begin(), asked.end(), "sound"), playsSound ? 1 : 0);
        mode.stop();
        EXPECT_EQ(asked.empty() ? "" : asked.back(), playsSound ? "purge" : "") << "the sound stops with the mode";
    }
}

// The process that played ends: another one of the display takes the sound
// over within the two seconds of its next claim.
TEST(DisplayMode, TheSoundIsTakenOverWhenItsPlayerEnds) {
    Rig rig(1024, 768);
    bool playerGone = false;
    DisplayMode mode(rig.host.platform, rig.toolkit, DisplayOptions{}, std::function<bool()>([&] { return playerGone; }));
    mode.start();
    const auto& asked = rig.host.audio.asked;
    rig.toolkit.loop.advance(2000);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "sound"), 0);
    playerGone = true;
    rig.toolkit.loop.advance(2000);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "sound"), 1);
    rig.toolkit.loop.advance(4000);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "sound"), 1) << "taken once";
}

}  // namespace
}  // namespace lumaris::testing
