// The Linux back end's pieces that need no display: the desktop's lock
// option as a registry value, the password-change tool, the previous-instance
// sign and the command line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <thread>

#include "fakes.h"
#include "temp_dir.h"
#include "platform/posix/desktop_registry.h"
#include "platform/posix/password_change.h"
#include "platform/posix/password_prompt.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/private_lock.h"
#include "platform/posix/process.h"
#include "platform/platform.h"
#include "settings/registry_probe.h"

namespace lumaris {
namespace {

namespace fs = std::filesystem;
using namespace posix;

using testing::TempDir;

std::string probeWith(DesktopRegistry& registry) {
    testing::FakePlatform fake;
    Platform platform = fake.with(registry);
    return getregstring(kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword", platform);
}

TEST(DesktopRegistry, AnswersTheLockOptionAsAThirtyTwoBitNumber) {
    DesktopRegistry on([] { return std::optional<bool>(true); }, nullptr);
    DesktopRegistry off([] { return std::optional<bool>(false); }, nullptr);
    EXPECT_EQ(probeWith(on), "001");
    EXPECT_EQ(probeWith(off), "000");
}

TEST(DesktopRegistry, TheLockIsOffForARunWhosePasswordsCannotBeChecked) {
    int probes = 0;
    DesktopRegistry unusable([] { return std::optional<bool>(true); }, nullptr, [&probes] {
        ++probes;
        return std::string("no PAM here");
    });
    EXPECT_EQ(probeWith(unusable), "000");
    EXPECT_EQ(probeWith(unusable), "000");
    EXPECT_EQ(probes, 1) << "decided once, at the start";
    DesktopRegistry usable([] { return std::optional<bool>(true); }, nullptr, [] { return std::string(); });
    EXPECT_EQ(probeWith(usable), "001");
}

TEST(DesktopRegistry, FallsBackToTheSecondSourceThenNotFound) {
    DesktopRegistry second([] { return std::optional<bool>(); }, [] { return std::optional<bool>(true); });
    DesktopRegistry none([] { return std::optional<bool>(); }, [] { return std::optional<bool>(); });
    EXPECT_EQ(probeWith(second), "001");
    EXPECT_EQ(probeWith(none), "Not Found");
}

TEST(DesktopRegistry, KnowsNoOtherKeyOrValue) {
    DesktopRegistry on([] { return std::optional<bool>(true); }, nullptr);
    Hkey handle = 99;
    EXPECT_NE(on.RegOpenKeyA(kHkeyCurrentUser, "Software\\Other", handle), kErrorSuccess);
    EXPECT_EQ(handle, 0u);
    ASSERT_EQ(on.RegOpenKeyA(kHkeyCurrentUser, "control panel\\DESKTOP", handle), kErrorSuccess);
    unsigned char data[8] = {};
    std::uint32_t size = sizeof data;
    std::int32_t type = 0;
    EXPECT_EQ(on.RegQueryValueExA(handle, "Wallpaper", 0, type, data, size), kErrorFileNotFound);
    std::uint32_t small = 2;
    EXPECT_EQ(on.RegQueryValueExA(handle, "ScreenSaveUsePassword", 0, type, data, small), kErrorMoreData);
    EXPECT_EQ(on.RegQueryValueExA(0, "ScreenSaveUsePassword", 0, type, data, size), kErrorInvalidHandle);
}

TEST(XscreensaverLock, ReadsTheLockLine) {
    TempDir dir;
    const std::string path = dir.path + "/.xscreensaver";
    std::ofstream(path) << "timeout:\t0:10:00\nlockTimeout:\t0:00:00\nlock:\t\tTrue\n";
    EXPECT_EQ(xscreensaverLock(path), true);
    std::ofstream(path) << "# comment\n  lock:  False  \n";
    EXPECT_EQ(xscreensaverLock(path), false);
    std::ofstream(path) << "timeout:\t0:10:00\n";
    EXPECT_EQ(xscreensaverLock(path), std::nullopt);
    EXPECT_EQ(xscreensaverLock(dir.path + "/missing"), std::nullopt);
}

TEST(PasswordChange, StartsTheFirstInstalledToolWithoutAShellAndWaits) {
    TempDir dir;
    const std::string marker = dir.path + "/ran";
    const std::string tool = dir.path + "/gnome-control-center";
    std::ofstream(tool) << "#!/bin/sh\nsleep 0.2\nprintf '%s|' \"$@\" > '" << marker << "'\n";
    fs::permissions(tool, fs::perms::owner_all);
    testing::CallLog log;
    testing::FakeUi ui(log);
    LinuxPasswords passwords(ui, "/nonexistent:" + dir.path);
    passwords.PwdChangePasswordA("SCRSAVE", 0, 0, 0);
    std::ifstream in(marker);
    std::stringstream args;
    args << in.rdbuf();
    EXPECT_EQ(args.str(), "user-accounts|") << "the call returns after the tool has finished";
    EXPECT_TRUE(ui.shown.empty());
}

TEST(PasswordChange, WithoutAToolAMessageSaysHowToChangeThePassword) {
    TempDir dir;
    testing::CallLog log;
    testing::FakeUi ui(log);
    LinuxPasswords passwords(ui, dir.path);
    passwords.PwdChangePasswordA("SCRSAVE", 0, 0, 0);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, "Lumaris");
    EXPECT_NE(ui.shown[0].text.find("passwd"), std::string::npos);
}

TEST(PreviousInstance, SameExecutableSameUserOtherProcess) {
    TempDir proc;
    const auto addProcess = [&](const std::string& pid, const std::string& exe) {
        fs::create_directories(proc.path + "/" + pid);
        fs::create_symlink(exe, proc.path + "/" + pid + "/exe");
    };
    addProcess("100", "/usr/bin/lumaris");
    addProcess("200", "/usr/bin/other");
    fs::create_directories(proc.path + "/self");
    const unsigned me = ::getuid();
    EXPECT_FALSE(otherInstanceRunning(proc.path, "/usr/bin/lumaris", me, 100)) << "this process itself";
    EXPECT_TRUE(otherInstanceRunning(proc.path, "/usr/bin/lumaris", me, 1));
    EXPECT_FALSE(otherInstanceRunning(proc.path, "/usr/bin/lumaris", me + 1, 1)) << "another user's";
    EXPECT_FALSE(otherInstanceRunning(proc.path, "/opt/lumaris", me, 1));
}

TEST(ProgramFolder, BesideTheProgramOrWhereThePackagePutsTheReadme) {
    TempDir root;
    for (const char* folder : {"/build", "/usr/bin", "/usr/libexec/xscreensaver", "/usr/share/doc/lumaris"})
        std::filesystem::create_directories(root.path + folder);
    root.file("build/lumzreadme.txt");
    root.file("usr/share/doc/lumaris/lumzreadme.txt");
    EXPECT_EQ(programFolder(root.path + "/build/lumaris"), root.path + "/build");
    EXPECT_EQ(programFolder(root.path + "/usr/bin/lumaris"), root.path + "/usr/bin/../share/doc/lumaris");
    EXPECT_EQ(programFolder(root.path + "/usr/libexec/xscreensaver/lumaris"),
              root.path + "/usr/libexec/xscreensaver/../../share/doc/lumaris");
    EXPECT_EQ(programFolder(root.path + "/elsewhere/lumaris"), root.path + "/elsewhere");
}

// The display mode's loop: work posted from another thread, timers, and an
// end signal that makes the run return with the process still there.
TEST(PollLoop, RunsPostedWorkAndTimersAndEndsOnTheEndSignals) {
    PollLoop loop;
    loop.quitOnEndSignals();
    int ticks = 0;
    bool posted = false;
    auto timer = loop.CreateTimer([&] {
        if (++ticks == 3) ::kill(::getpid(), SIGTERM);
    });
    timer->SetInterval(5);
    std::thread([&loop, &posted] { loop.Post([&posted] { posted = true; }); }).join();
    loop.Run();
    ::alarm(0);  // the program's deadline after an end signal: not for the tests that follow
    EXPECT_TRUE(posted);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(loop.endSignal(), SIGTERM);
}

// The scene's loop: an end signal is handed over once, as an end request on
// the loop's thread, and the run goes on until the request is answered.
TEST(PollLoop, WithAHandlerAnEndSignalIsARequestTakenOnce) {
    PollLoop loop;
    loop.quitOnEndSignals();
    int requests = 0, ticks = 0;
    loop.onEndSignal([&] { ++requests; });
    auto timer = loop.CreateTimer([&] {
        if (++ticks == 2) ::kill(::getpid(), SIGTERM);
        if (ticks == 6) loop.Quit();
    });
    timer->SetInterval(5);
    loop.Run();
    ::alarm(0);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(ticks, 6);
}

// A check that takes a while (PAM's delay after a wrong answer) never stops
// the loop: the scene's timer goes on ticking, keys typed meanwhile are no
// part of any answer, and only a verified password ends the prompt.
TEST(PasswordPrompt, TheCheckRunsBesideTheLoopAndOnlyAVerifiedAnswerEndsIt) {
    for (const PamResult result : {PamResult::Verified, PamResult::Refused}) {
        PollLoop loop;
        std::string checked;
        PasswordPrompt prompt(
            "anna",
            [&](const std::string&, const char* password) {
                checked = password;
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                return result;
            },
            loop, {}, PollLoop::nowMs());
        int ticks = 0, ticksWhileChecking = 0;
        auto timer = loop.CreateTimer([&] {
            ++ticks;
            ticksWhileChecking += prompt.checking();
            if (ticks == 1) {
                prompt.type("sea", 3, PollLoop::nowMs());
                prompt.press(PasswordPrompt::Key::Enter, PollLoop::nowMs());
                prompt.type("typed meanwhile", 15, PollLoop::nowMs());
                prompt.press(PasswordPrompt::Key::Enter, PollLoop::nowMs());
            }
        });
        timer->SetInterval(10);
        prompt.run(PollLoop::nowMs, [&] { return ticks > 60 && !prompt.checking(); });
        EXPECT_EQ(checked, "sea");
        EXPECT_GT(ticksWhileChecking, 10) << "the loop waited for the check";
        EXPECT_EQ(prompt.answer(), result == PamResult::Verified ? 1 : 0);
        EXPECT_EQ(ticks > 60, result == PamResult::Refused) << "a refused answer keeps the prompt";
    }
}

// Locks only the user's own processes can take: a runtime folder others may
// write to is not used, a lock file that is a link is no lock, and a held
// lock is the holder's until it lets go.
TEST(PrivateLock, OnlyTheUsersOwnFilesInAFolderOnlyTheUserWrites) {
    TempDir open;
    ::chmod(open.path.c_str(), 0777);
    ::setenv("XDG_RUNTIME_DIR", open.path.c_str(), 1);
    EXPECT_NE(privateFolder(), open.path) << "a folder others can write to";
    TempDir own;
    ::chmod(own.path.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", own.path.c_str(), 1);
    EXPECT_EQ(privateFolder(), own.path);
    std::filesystem::create_symlink("/tmp/elsewhere", own.path + "/linked.lock");
    EXPECT_FALSE(PrivateLock("linked.lock").usable());

    PrivateLock first("sound.lock"), second("sound.lock");
    EXPECT_TRUE(first.tryTake());
    EXPECT_FALSE(second.tryTake());
    first.release();
    EXPECT_TRUE(second.tryTake());
    ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(CommandLine, ArgumentsJoinedBySingleBlanks) {
    char program[] = "lumaris", a[] = "/p", b[] = "1234";
    char* argv[] = {program, a, b, nullptr};
    EXPECT_EQ(joinArguments(3, argv), "/p 1234");
    EXPECT_EQ(joinArguments(1, argv), "");
}

TEST(Random, DrawsStayInTheHalfOpenUnitInterval) {
    LinuxRandom random;
    random.Randomize();
    float low = 1, high = 0;
    for (int i = 0; i < 100000; ++i) {
        const float r = random.Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        low = std::min(low, r);
        high = std::max(high, r);
    }
    EXPECT_LT(low, 0.01f);
    EXPECT_GT(high, 0.99f);
}

}  // namespace
}  // namespace lumaris
