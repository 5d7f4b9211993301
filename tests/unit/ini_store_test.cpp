// The settings file on real files: byte-exact values, keys without regard to
// case, atomic replacement and failures that lose nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <functional>
#include <chrono>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes.h"
#include "platform/posix/ini_store.h"
#include "settings/settings.h"

namespace lumaris {
namespace {

namespace fs = std::filesystem;
using posix::IniFileStore;

const std::string kApp = "QN Vesmire Lumaris";

class IniStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lumaris-store-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        folder = root + "/config";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(root, fs::perms::owner_all, ignored);
        fs::remove_all(root, ignored);
    }
    std::string read(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void writeRaw(const std::string& text) {
        fs::create_directories(folder);
        std::ofstream(store().pathFor(kApp), std::ios::binary) << text;
    }
    IniFileStore store() const { return IniFileStore(folder); }

    std::string root;
    std::string folder;
};

TEST_F(IniStoreTest, MissingFileReadsAsDefaults) {
    IniFileStore s = store();
    EXPECT_EQ(s.GetSetting(kApp, "Settings", "SPEED", "100"), "100");
    EXPECT_FALSE(fs::exists(folder)) << "reading creates nothing";
}

TEST_F(IniStoreTest, FileIsNamedFromTheApplicationUnderTheConfigFolder) {
    IniFileStore s = store();
    s.SaveSetting(kApp, "Settings", "SPEED", "120");
    EXPECT_TRUE(fs::is_regular_file(folder + "/QN Vesmire Lumaris.ini"));
    EXPECT_NE(read(folder + "/QN Vesmire Lumaris.ini").find("[Settings]\nSPEED=120\n"), std::string::npos);
}

TEST_F(IniStoreTest, KeysAndSectionsMatchWithoutRegardToCase) {
    IniFileStore s = store();
    s.SaveSetting(kApp, "Settings", "BALLOON", "True");
    EXPECT_EQ(s.GetSetting(kApp, "settings", "balloon", "False"), "True");
    s.SaveSetting(kApp, "SETTINGS", "balloon", "False");
    const std::string text = read(s.pathFor(kApp));
    EXPECT_EQ(text.find("BALLOON="), std::string::npos) << "the key was replaced, not added twice:\n" << text;
    EXPECT_EQ(text.find("[SETTINGS]"), std::string::npos) << text;
    EXPECT_EQ(s.GetSetting(kApp, "Settings", "BALLOON", "x"), "False");
}

TEST_F(IniStoreTest, HandEditedSpellingsAreReplacedAndForeignLinesKept) {
    writeRaw("# my notes\n[Other]\nSPEED=1\n[Settings]\n  balloon = True\nSTRANGE LINE\nBalloon=again\n\n[Tail]\nx=y\n");
    IniFileStore s = store();
    s.SaveSetting(kApp, "Settings", "BALLOON", "False");
    s.SaveSetting(kApp, "Settings", "SPEED", "90");
    EXPECT_EQ(read(s.pathFor(kApp)),
              "# my notes\n[Other]\nSPEED=1\n[Settings]\nBALLOON=False\nSTRANGE LINE\nSPEED=90\n\n[Tail]\nx=y\n");
    EXPECT_EQ(s.GetSetting(kApp, "Other", "SPEED", ""), "1");
    EXPECT_EQ(s.GetSetting(kApp, "Settings", "speed", ""), "90");
}

TEST_F(IniStoreTest, EveryByteValueSurvivesASaveAndALoad) {
    std::string value;
    for (int b = 1; b <= 255; ++b) value += static_cast<char>(b);
    IniFileStore s = store();
    for (const std::string& v : {value, std::string(" leading and trailing "), std::string("c:\\"),
                                 std::string("a=b;c[d]#e"), std::string("100%"), std::string("\n"),
                                 std::string()}) {
        s.SaveSetting(kApp, "Settings", "MUSICDIR", v);
        s.SaveSetting(kApp, "Settings", "SPEED", "100");
        EXPECT_EQ(s.GetSetting(kApp, "Settings", "MUSICDIR", "default"), v);
        EXPECT_EQ(s.GetSetting(kApp, "Settings", "SPEED", ""), "100") << "a value never spills into the next line";
    }
}

TEST_F(IniStoreTest, ALiteralPercentWrittenByHandIsKept) {
    writeRaw("[Settings]\nMUSICDIR=/music/100%/x%zz\n");
    EXPECT_EQ(store().GetSetting(kApp, "Settings", "MUSICDIR", ""), "/music/100%/x%zz");
}

TEST_F(IniStoreTest, ACrashBeforeTheRenameLeavesTheOldFileWhole) {
    IniFileStore s = store();
    s.SaveSetting(kApp, "Settings", "SPEED", "120");
    const std::string before = read(s.pathFor(kApp));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        IniFileStore crashing(folder);
        crashing.beforeReplace = [] { std::_Exit(3); };  // the power goes out here
        crashing.SaveSetting(kApp, "Settings", "SPEED", "80");
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(read(s.pathFor(kApp)), before);
    EXPECT_EQ(s.GetSetting(kApp, "Settings", "SPEED", ""), "120");
}

// Saves killed at random moments: the file is always one whole version.
TEST_F(IniStoreTest, SavesKilledAtRandomMomentsLeaveOneWholeVersion) {
    IniFileStore s = store();
    s.SaveSetting(kApp, "Settings", "SPEED", "100");
    std::srand(7);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            IniFileStore saving(folder);
            for (int i = 0;; ++i) saving.SaveSetting(kApp, "Settings", "SPEED", i % 2 == 0 ? "80" : "100");
        }
        ::usleep(static_cast<useconds_t>(std::rand() % 3000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string speed = s.GetSetting(kApp, "Settings", "SPEED", "missing");
        ASSERT_TRUE(speed == "80" || speed == "100") << "round " << round << ": " << speed;
    }
}

TEST_F(IniStoreTest, AFolderInPlaceOfTheFileIsAFailureThatLosesNothing) {
    fs::create_directories(store().pathFor(kApp));
    fs::create_directories(store().pathFor(kApp) + "/keep");
    IniFileStore s = store();
    testing::FakePlatform fake;
    Platform platform = fake.with(s);
    Settings cfg;
    loadconfig(cfg, " Lumaris", platform);
    saveconfig(cfg, " Lumaris", platform);  // nothing was read: nothing to save
    ASSERT_EQ(fake.ui.shown.size(), 1u);
    EXPECT_EQ(fake.ui.shown[0].title, "Error in main sub loadconfig");
    EXPECT_EQ(fake.ui.shown[0].text.rfind("75-Path/File access error", 0), 0u) << fake.ui.shown[0].text;
    EXPECT_TRUE(fs::is_directory(s.pathFor(kApp) + "/keep"));
}

// What may stand in place of the settings file: never a hang, never an
// endless read, a titled message, and the thing itself left as it was.
TEST_F(IniStoreTest, AFifoADeviceAHugeFileOrADanglingLinkInPlaceOfTheFile) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        bool message;
    } cases[] = {
        {"fifo", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }, true},
        {"link to /dev/zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }, true},
        {"20 MB file", [](const std::string& p) { std::ofstream(p) << std::string(20 << 20, 'x'); }, true},
        {"dangling link", [](const std::string& p) { fs::create_symlink("/nonexistent/x", p); }, false},
    };
    for (const auto& c : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        const std::string path = store().pathFor(kApp);
        c.make(path);
        IniFileStore s = store();
        testing::FakePlatform fake;
        Platform platform = fake.with(s);
        Settings cfg;
        loadconfig(cfg, " Lumaris", platform);
        EXPECT_EQ(fake.ui.shown.size(), c.message ? 1u : 0u) << c.what;
        EXPECT_TRUE(fs::is_symlink(path) || fs::is_fifo(path) || fs::file_size(path) == (20u << 20)) << c.what;
    }
}

TEST_F(IniStoreTest, ASaveRemovesTheTemporaryFilesOfAKilledSave) {
    fs::create_directories(folder);
    const std::string stale = folder + "/.QN Vesmire Lumaris.ini.Ab12Cd", fresh = folder + "/.QN Vesmire Lumaris.ini.Ef34Gh";
    std::ofstream(stale) << "half";
    std::ofstream(fresh) << "another save, now";
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::minutes(5));
    store().SaveSetting(kApp, "Settings", "SPEED", "90");
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));
}

// Permissions do not stop root, so the unreadable and read-only cases run in
// a child process as an ordinary user when the tests run as root.
int asOrdinaryUser(const std::function<bool()>& check) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(2);
        std::_Exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST_F(IniStoreTest, UnreadableFileOrReadOnlyFolderGiveTheTitledMessageAndLoseNothing) {
    IniFileStore s = store();
    s.SaveSetting(kApp, "Settings", "SPEED", "130");
    const std::string before = read(s.pathFor(kApp));
    fs::permissions(root, fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec |
                                fs::perms::group_read | fs::perms::group_exec);

    // Read-only folder: the save fails with a clear message.
    fs::permissions(s.pathFor(kApp), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read |
                                         fs::perms::group_read);
    EXPECT_EQ(asOrdinaryUser([&] {
                  IniFileStore other(folder);
                  testing::FakePlatform fake;
                  Platform platform = fake.with(other);
                  Settings cfg;
                  loadconfig(cfg, " Lumaris", platform);
                  if (cfg.cfgSpeed != 130 || !fake.ui.shown.empty()) return false;
                  saveconfig(cfg, " Lumaris", platform);
                  return fake.ui.shown.size() == 1 && fake.ui.shown[0].title == "Error in main sub saveconfig" &&
                         fake.ui.shown[0].text.rfind("70-Permission denied", 0) == 0;
              }),
              0);

    // Unreadable file: the load fails with a clear message.
    fs::permissions(s.pathFor(kApp), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(asOrdinaryUser([&] {
                  IniFileStore other(folder);
                  testing::FakePlatform fake;
                  Platform platform = fake.with(other);
                  Settings cfg;
                  loadconfig(cfg, " Lumaris", platform);
                  return fake.ui.shown.size() == 1 && fake.ui.shown[0].title == "Error in main sub loadconfig" &&
                         cfg.unread == 0xFF;
              }),
              0);
    EXPECT_EQ(read(s.pathFor(kApp)), before);
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().filename().string(), "QN Vesmire Lumaris.ini") << "no temporary file is left";
    }
}

// Two dialogs saving at once, on a file with many lines of other programs:
// whoever reads it in between sees one whole save, never keys of both.
TEST_F(IniStoreTest, SavesAtOnceLeaveOneWholeSaveAtEveryMoment) {
    std::string foreign;
    for (int i = 0; i < 100000; ++i) foreign += "other" + std::to_string(i) + "=x\n";
    writeRaw("[Settings]\n" + foreign);
    auto save = [&](bool on) {
        IniFileStore s = store();
        testing::FakePlatform fake;
        Platform platform = fake.with(s);
        Settings cfg;
        cfg.cfgSpeed = on ? 150 : 80;
        cfg.cfgSound = cfg.cfgMusic = cfg.cfgCivilization = cfg.cfgMouse = cfg.cfgNightMode = cfg.cfgBalloon = on;
        cfg.cfgMusicDir = on ? "on" : "off";
        for (int i = 0; i < 6; ++i) saveconfig(cfg, " Lumaris", platform);
    };
    save(false);
    std::atomic<bool> saving{true};
    std::thread reader([&] {
        while (saving) {
            const std::string text = read(store().pathFor(kApp));
            const bool on = text.find("SPEED=150") != std::string::npos;
            const char* mixed = on ? "=False" : "=True";
            if (text.find("MUSICDIR=" + std::string(on ? "on" : "off")) == std::string::npos ||
                text.find(mixed) != std::string::npos || text.find("other99999=x") == std::string::npos) {
                ADD_FAILURE() << "a mixed or partial file";
                return;
            }
        }
    });
    std::thread a(save, true), b(save, false);
    a.join();
    b.join();
    saving = false;
    reader.join();
}

// What the owner set on the file stays: its permissions, read-only
// included, and a link to where the file really is.
TEST_F(IniStoreTest, ProtectionsAndLinksOfTheFileAreKept) {
    IniFileStore s = store();
    s.SaveSetting(kApp, "Settings", "SPEED", "130");
    const std::string path = s.pathFor(kApp);
    const std::string target = root + "/dotfiles/lumaris.ini";
    fs::create_directories(root + "/dotfiles");
    fs::rename(path, target);
    fs::create_symlink("../dotfiles/lumaris.ini", path);
    const struct {
        fs::perms mode;
        bool refused;
    } cases[] = {{fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, false},
                 {fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, true}};
    for (const auto& c : cases) {
        fs::permissions(target, c.mode);
        const std::string before = read(target);
        testing::FakePlatform fake;
        Platform platform = fake.with(s);
        Settings cfg;
        loadconfig(cfg, " Lumaris", platform);
        cfg.cfgSpeed = 90;
        saveconfig(cfg, " Lumaris", platform);
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(fs::status(target).permissions(), c.mode);
        if (c.refused) {
            ASSERT_EQ(fake.ui.shown.size(), 1u);
            EXPECT_EQ(fake.ui.shown[0].title, "Error in main sub saveconfig");
            EXPECT_EQ(fake.ui.shown[0].text.rfind("70-Permission denied", 0), 0u) << fake.ui.shown[0].text;
            EXPECT_EQ(read(target), before);
        } else {
            EXPECT_TRUE(fake.ui.shown.empty());
            EXPECT_EQ(s.GetSetting(kApp, "Settings", "speed", ""), "90");
        }
    }
}

TEST(IniValueCodec, EncodesOnlyWhatTheFileCannotHold) {
    EXPECT_EQ(posix::encodeIniValue("c:\\My Music"), "c:\\My Music");
    EXPECT_EQ(posix::encodeIniValue(" a b "), "%20a b%20");
    EXPECT_EQ(posix::encodeIniValue("x\ny%"), "x%0Ay%25");
    EXPECT_EQ(posix::decodeIniValue("x%0Ay%25"), "x\ny%");
}

}  // namespace
}  // namespace lumaris
