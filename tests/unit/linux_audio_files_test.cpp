// The Linux back end for music and passwords on real files: the folder
// search, folder texts, the playlist's fairness, PAM through a test
// configuration, and the media control with files that cannot play.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "audio/playlist.h"
#include "fakes.h"
#include "temp_dir.h"
#include "platform/posix/dir_search.h"
#include "platform/posix/pam_verifier.h"
#include "platform/posix/paths.h"
#include "platform/posix/process.h"
#include "platform/sdl/sdl_audio.h"
#include "startup/lumz_submain.h"

namespace lumaris {
namespace {

namespace fs = std::filesystem;
using namespace posix;
using namespace sdl;

using testing::TempDir;

std::vector<std::string> allNames(Files& files, const std::string& pattern) {
    std::vector<std::string> names;
    for (std::string n = files.Dir(pattern); !n.empty(); n = files.DirNext()) names.push_back(n);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(LinuxFiles, OnlyPlainVisibleMatchingFilesInAnyCase) {
    TempDir dir;
    dir.file("a.mp3");
    dir.file("B.MP3");
    dir.file(".hidden.mp3");
    dir.file("notes.txt");
    dir.file("song.mp3.txt");
    fs::create_directory(dir.path + "/folder.mp3");
    fs::create_symlink(dir.path + "/a.mp3", dir.path + "/link.mp3");
    fs::create_symlink(dir.path + "/missing", dir.path + "/dangling.mp3");
    ::mkfifo((dir.path + "/pipe.mp3").c_str(), 0600);
    fs::create_symlink(dir.path + "/loop.mp3", dir.path + "/loop.mp3");
    // Names that a shell would read as commands are only names.
    for (const char* name : {"q\"u'o.mp3", "$(touch pwned).mp3", "new\nline.mp3"}) dir.file(name);
    LinuxFiles files("/nonexistent");
    EXPECT_EQ(allNames(files, dir.path + "\\*.mp3"),
              (std::vector<std::string>{"$(touch pwned).mp3", "B.MP3", "a.mp3", "link.mp3", "new\nline.mp3",
                                        "q\"u'o.mp3"}));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlMixer mixer([](std::function<void()>) {});
    SdlMediaControl control(mixer, dir.path);
    control.SetDeviceType("MPEGVideo");
    control.SetFileName(dir.path + "\\$(touch pwned).mp3");
    control.SetCommand("Open");
    EXPECT_FALSE(fs::exists("pwned") || fs::exists(dir.path + "/pwned"));
    mixer.close();
    EXPECT_EQ(allNames(files, dir.path + "/*.MP3").size(), 6u);
}

TEST(LinuxFiles, MissingOrUnreadableFoldersGiveNoNames) {
    LinuxFiles files("/nonexistent");
    EXPECT_TRUE(allNames(files, "/nonexistent/folder\\*.mp3").empty());
    EXPECT_TRUE(allNames(files, "z:\\\\*.mp3").empty());
}

TEST(LinuxPaths, BackslashesDrivesAndTheMusicFolder) {
    const std::string music = "/home/me/Music";
    EXPECT_EQ(linuxPath("c:\\", music), music);
    EXPECT_EQ(linuxPath("c:\\\\a.mp3", music), music + "/a.mp3");
    EXPECT_EQ(linuxPath("C:\\jazz\\*.mp3", music), music + "/jazz/*.mp3");
    EXPECT_EQ(linuxPath("d:\\songs\\b.mp3", music), "/songs/b.mp3");
    EXPECT_EQ(linuxPath("/srv/music\\c.mp3", music), "/srv/music/c.mp3");
    EXPECT_EQ(linuxPath("/srv/music/", music), "/srv/music");
}

TEST(Playlist, ThreeFilesEachAboutAThird) {
    TempDir dir;
    for (const char* name : {"one.mp3", "two.mp3", "three.mp3"}) dir.file(name);
    testing::FakePlatform fake;
    LinuxFiles files("/nonexistent");
    LinuxRandom random;
    random.seed(20261208);
    Platform platform = fake.with(files, random);
    LumzSubMain module;
    module.seeded = true;
    std::map<std::string, int> counts;
    constexpr int kDraws = 3000;
    for (int i = 0; i < kDraws; ++i) ++counts[getrndfile(dir.path, "mp3", module, platform)];
    ASSERT_EQ(counts.size(), 3u);
    for (const auto& [name, count] : counts) {
        // A fixed seed makes this exact; the bounds are over six standard deviations wide.
        EXPECT_GT(count, 850) << name;
        EXPECT_LT(count, 1150) << name;
    }
}

TEST(Pam, VerifiedRefusedAndUnavailableThroughATestConfiguration) {
    TempDir conf;
    conf.file("lumaris-permit", "auth required pam_permit.so\n");
    conf.file("lumaris-deny", "auth required pam_deny.so\n");
    conf.file("lumaris-broken", "auth required pam_no_such_module_here.so\n");
    const std::string user = currentUser();
    EXPECT_EQ(pamAuthenticate("lumaris-permit", user, "anything", conf.path), PamResult::Verified);
    EXPECT_EQ(pamAuthenticate("lumaris-deny", user, "anything", conf.path), PamResult::Refused);
    EXPECT_EQ(pamAuthenticate("lumaris-broken", user, "anything", conf.path), PamResult::Unavailable);
}

// The start's probe: whether this user can be checked at all, without a
// login attempt.
TEST(Pam, TheProbeTellsAtTheStartWhetherAPasswordCanBeChecked) {
    TempDir conf;
    const struct {
        const char* service;
        const char* file;
        bool usable;
    } cases[] = {
        {"ok", "auth required pam_permit.so\naccount required pam_permit.so\n", true},
        {"refusing", "auth required pam_deny.so\naccount required pam_permit.so\n", true},
        {"missing-module", "auth required pam_nowhere.so\naccount required pam_nowhere.so\n", false},
        {"no-account", "auth required pam_permit.so\naccount required pam_deny.so\n", false},
    };
    for (const auto& c : cases) conf.file(c.service, c.file);
    for (const auto& c : cases) {
        EXPECT_EQ(pamUnusableReason(c.service, currentUser(), conf.path).empty(), c.usable) << c.service;
    }
}

// Accounts whose password no answer can match are told apart from the
// shadow field or `passwd -S`, never by a login attempt.
TEST(Pam, LockedAndEmptyPasswordsAreToldApartWithoutALogin) {
    const struct {
        const char* text;
        PasswordState field, status;
    } cases[] = {
        {"", PasswordState::Empty, PasswordState::Unknown},
        {"*", PasswordState::Locked, PasswordState::Unknown},
        {"!$y$j9T$salt$hash", PasswordState::Locked, PasswordState::Unknown},
        {"$y$j9T$salt$hash", PasswordState::Usable, PasswordState::Unknown},
        {"anna P 2026-01-02 0 99999 7 -1", PasswordState::Usable, PasswordState::Usable},
        {"root L 2025-05-20 0 99999 7 -1", PasswordState::Usable, PasswordState::Locked},
        {"guest NP 2025-05-20 0 99999 7 -1", PasswordState::Usable, PasswordState::Empty},
        {"anna ? odd", PasswordState::Usable, PasswordState::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(passwordFieldState(c.text), c.field) << c.text;
        EXPECT_EQ(passwdStatusState(c.text), c.status) << c.text;
    }
}

class MediaControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

TEST_F(MediaControlTest, FilesThatCannotPlayGiveNoCompletion) {
    TempDir dir;
    dir.file("corrupt.mp3", std::string(4000, '\x55'));
    dir.file("empty.mp3", "");
    ::mkfifo((dir.path + "/pipe.mp3").c_str(), 0600);  // opening it for reading would wait for a writer
    std::vector<std::function<void()>> posted;
    SdlMixer mixer([&](std::function<void()> work) { posted.push_back(std::move(work)); });
    SdlMediaControl control(mixer, dir.path);
    int done = 0;
    control.OnDone([&](std::int32_t) { ++done; });
    for (const std::string& file : {dir.path + "\\corrupt.mp3", dir.path + "\\empty.mp3", dir.path + "\\pipe.mp3",
                                    dir.path + "\\", dir.path + "\\gone.mp3"}) {
        control.SetDeviceType("MPEGVideo");
        control.SetFileName(file);
        control.SetCommand("Open");
        control.SetCommand("play");
        EXPECT_FALSE(control.lastError().empty()) << file;
    }
    SDL_Delay(200);
    for (auto& work : posted) work();
    EXPECT_EQ(done, 0);
    control.SetCommand("close");
    mixer.close();
}

}  // namespace
}  // namespace lumaris
