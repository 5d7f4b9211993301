#include <gtest/gtest.h>

#include "fakes.h"
#include "settings/settings.h"

namespace lumaris {
namespace {

using testing::CallLog;
using testing::FakePlatform;

const std::string kTitle = " Lumaris";

TEST(Loadconfig, EmptyStoreGivesTheDefaults) {
    FakePlatform fake;
    Settings cfg;
    loadconfig(cfg, kTitle, fake.platform);
    EXPECT_EQ(cfg.cfgSpeed, 100);
    EXPECT_TRUE(cfg.cfgSound);
    EXPECT_FALSE(cfg.cfgMusic);
    EXPECT_TRUE(cfg.cfgCivilization);
    EXPECT_EQ(cfg.cfgMusicDir, "c:\\");
    EXPECT_FALSE(cfg.cfgMouse);
    EXPECT_FALSE(cfg.cfgNightMode);
    EXPECT_FALSE(cfg.cfgBalloon);
    EXPECT_TRUE(fake.ui.shown.empty());
}

TEST(Loadconfig, ReadsInTableOrderWithItsKeysAndDefaults) {
    FakePlatform fake;
    Settings cfg;
    loadconfig(cfg, kTitle, fake.platform);
    const std::string prefix = "GetSetting(QN Vesmire Lumaris, Settings, ";
    EXPECT_EQ(fake.log, (CallLog{
                            prefix + "SPEED, 100)",
                            prefix + "SOUND, True)",
                            prefix + "MUSIC, false)",
                            prefix + "CIVILIZATION, True)",
                            prefix + "MUSICDIR, c:\\)",
                            prefix + "MOUSE, False)",
                            prefix + "NIGHTMODE, False)",
                            prefix + "balloon, False)",
                        }));
}

TEST(Loadconfig, BooleanTextsInAnyForm) {
    FakePlatform fake;
    fake.store.set("SOUND", "false");
    fake.store.set("MUSIC", "TRUE");
    fake.store.set("CIVILIZATION", "0");
    fake.store.set("MOUSE", "-1");
    fake.store.set("NIGHTMODE", "7");
    fake.store.set("BALLOON", "true");
    Settings cfg;
    loadconfig(cfg, kTitle, fake.platform);
    EXPECT_FALSE(cfg.cfgSound);
    EXPECT_TRUE(cfg.cfgMusic);
    EXPECT_FALSE(cfg.cfgCivilization);
    EXPECT_TRUE(cfg.cfgMouse);
    EXPECT_TRUE(cfg.cfgNightMode);
    EXPECT_TRUE(cfg.cfgBalloon);  // written as "BALLOON", read as "balloon"
}

TEST(Loadconfig, FractionalSpeedRoundsHalfToEven) {
    FakePlatform fake;
    fake.store.set("SPEED", "120.5");
    Settings cfg;
    loadconfig(cfg, kTitle, fake.platform);
    EXPECT_EQ(cfg.cfgSpeed, 120);
}

// A bad stored text costs only its own setting: it takes its default and is
// marked unread, the box tells the first failure, every other row is read,
// and saving leaves the bad text as it is stored.
TEST(Loadconfig, ABadTextCostsOnlyItsOwnSettingAndSavingKeepsIt) {
    struct Case {
        const char* key;
        const char* text;
        const char* message;
        std::uint8_t bit;
    };
    for (const Case& c : {Case{"SPEED", "abc", "13-Type mismatch", setting::kSpeed},
                          Case{"SPEED", "70000", "6-Overflow", setting::kSpeed},
                          Case{"MOUSE", "maybe", "13-Type mismatch", setting::kMouse}}) {
        FakePlatform fake;
        fake.store.set(c.key, c.text);
        fake.store.set("SOUND", "False");
        fake.store.set("NIGHTMODE", "True");
        fake.store.set("balloon", "True");
        Settings cfg;
        loadconfig(cfg, kTitle, fake.platform);
        ASSERT_EQ(fake.ui.shown.size(), 1u) << c.text;
        EXPECT_EQ(fake.ui.shown[0].text, c.message);
        EXPECT_EQ(fake.ui.shown[0].title, "Error in main sub loadconfig");
        EXPECT_EQ(cfg.unread, c.bit);
        EXPECT_EQ(cfg.cfgSpeed, c.bit == setting::kSpeed ? 100 : cfg.cfgSpeed) << "the default";
        EXPECT_FALSE(cfg.cfgSound) << "the rows after it are read";
        EXPECT_TRUE(cfg.cfgNightMode && cfg.cfgBalloon);
        saveconfig(cfg, kTitle, fake.platform);
        EXPECT_EQ(fake.store.get(c.key), c.text) << "the stored text stays";
        EXPECT_EQ(fake.store.get("NIGHTMODE"), "True");
    }
}

TEST(Saveconfig, WritesEveryRowInOrderWithItsTextForm) {
    FakePlatform fake;
    Settings cfg;
    cfg.cfgSpeed = -5;
    cfg.cfgSound = true;
    cfg.cfgMusicDir = "d:\\music\\";
    cfg.cfgBalloon = true;
    saveconfig(cfg, kTitle, fake.platform);
    const std::string prefix = "SaveSetting(QN Vesmire Lumaris, Settings, ";
    EXPECT_EQ(fake.log, (CallLog{
                            prefix + "SPEED, -5)",
                            prefix + "SOUND, True)",
                            prefix + "MUSIC, False)",
                            prefix + "CIVILIZATION, False)",
                            prefix + "MUSICDIR, d:\\music\\)",
                            prefix + "MOUSE, False)",
                            prefix + "NIGHTMODE, False)",
                            prefix + "BALLOON, True)",
                        }));
}

TEST(Saveconfig, AStoreFailureStopsAndLeavesLaterKeysAlone) {
    FakePlatform fake;
    fake.store.set("NIGHTMODE", "True");
    fake.store.failOnKey = "MOUSE";
    Settings cfg;
    cfg.cfgSpeed = 140;
    saveconfig(cfg, kTitle, fake.platform);
    EXPECT_EQ(fake.store.get("SPEED"), "140");
    EXPECT_EQ(fake.store.get("NIGHTMODE"), "True");
    EXPECT_FALSE(fake.store.get("BALLOON").has_value());
    ASSERT_EQ(fake.ui.shown.size(), 1u);
    EXPECT_EQ(fake.ui.shown[0].title, "Error in main sub saveconfig");
    EXPECT_EQ(fake.ui.shown[0].text, "70-Permission denied");
}

TEST(SettingsRoundTrip, SaveThenLoadGivesBackEveryValue) {
    FakePlatform fake;
    Settings saved;
    saved.cfgSpeed = 150;
    saved.cfgSound = false;
    saved.cfgMusic = true;
    saved.cfgCivilization = false;
    saved.cfgMusicDir = "c:\\My Music\\=;[x]\n\xff";
    saved.cfgMouse = true;
    saved.cfgNightMode = true;
    saved.cfgBalloon = true;
    saveconfig(saved, kTitle, fake.platform);
    Settings loaded;
    loadconfig(loaded, kTitle, fake.platform);
    EXPECT_EQ(loaded.cfgSpeed, saved.cfgSpeed);
    EXPECT_EQ(loaded.cfgSound, saved.cfgSound);
    EXPECT_EQ(loaded.cfgMusic, saved.cfgMusic);
    EXPECT_EQ(loaded.cfgCivilization, saved.cfgCivilization);
    EXPECT_EQ(loaded.cfgMusicDir, saved.cfgMusicDir);
    EXPECT_EQ(loaded.cfgMouse, saved.cfgMouse);
    EXPECT_EQ(loaded.cfgNightMode, saved.cfgNightMode);
    EXPECT_EQ(loaded.cfgBalloon, saved.cfgBalloon);
}

}  // namespace
}  // namespace lumaris
