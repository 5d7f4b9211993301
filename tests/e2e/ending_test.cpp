// Ending the real program's scene under Xvfb: keys, mouse moves, SIGTERM,
// the grace period, "Disable mouseovers" and the password prompt.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e_support.h"

namespace lumaris::e2e {
namespace {

void xdo(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()), 0) << args; }

// Another client asks the window to close, as a window manager's close
// button does.
void askToClose(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
}

// The prompt's frame: its gold top-left corner, centred on the screen.
bool promptShown() {
    const Screenshot shot = capture();
    return shot.at((shot.width - 460) / 2, (shot.height - 170) / 2) == 0xD6B460;
}

class Ending : public ::testing::Test {
protected:
    void startScene(const std::vector<std::string>& settings, const std::vector<std::string>& extra = {}) {
        config = settingsFolder(settings);
        pid = start({"/s"}, config, extra);
        ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u) << "exit status " << waitExit(pid, 0);
    }
    // The scene with the desktop's lock option on (the lock line of
    // ~/.xscreensaver; home is the settings folder), past its grace period.
    void startLocked() {
        config = settingsFolder({});
        std::ofstream(config + "/.xscreensaver") << "lock:\tTrue\n";
        pid = start({"/s"}, config);
        window = waitForWindow("QNVesmire Saver Running", 20);
        ASSERT_NE(window, 0u);
        sleepFor(1.0);
    }
    void openPrompt() {
        xdo("key x");
        sleepFor(0.5);
        ASSERT_TRUE(promptShown());
    }
    bool running(double seconds) { return waitExit(pid, seconds) == -1; }
    void TearDown() override { stop(pid); }
    std::string config;
    pid_t pid = -1;
    unsigned long window = 0;
};

TEST_F(Ending, AKeyAfterTheGracePeriodEndsWithSuccess) {
    startScene({});
    sleepFor(1.0);
    xdo("key x");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
}

TEST_F(Ending, ManyStartsAndEndsAllEndWithSuccess) {
    for (int run = 0; run < 15; ++run) {
        startScene({});
        sleepFor(0.7);
        xdo("key x");
        ASSERT_EQ(waitExit(pid, 10), 0) << "run " << run;
        pid = -1;
    }
}

TEST_F(Ending, SigtermEndsWithSuccess) {
    startScene({});
    sleepFor(0.3);
    kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
}

TEST_F(Ending, AKeyWithinTheFirstHalfSecondDoesNot) {
    startScene({});
    xdo("key x");
    EXPECT_TRUE(running(1.5));
}

TEST_F(Ending, SmallMovesDoNotEndLargeOnesDo) {
    // The pointer rests where the scene opens: the first move event it sees
    // only records that place.
    xdo("mousemove 500 400");
    startScene({});
    sleepFor(1.0);
    xdo("mousemove 505 400");
    EXPECT_TRUE(running(1.0));
    xdo("mousemove 555 400");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
}

TEST_F(Ending, DisableMouseoversKeepsMovesFromEndingButNotKeys) {
    startScene({"MOUSE=True"});
    sleepFor(1.0);
    for (int x : {100, 600, 50, 900}) xdo("mousemove " + std::to_string(x) + " 300");
    EXPECT_TRUE(running(1.0));
    xdo("key space");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
}

TEST_F(Ending, WithThePasswordOptionAKeyAsksEscReturnsAWrongPasswordKeepsItRunning) {
    ASSERT_NO_FATAL_FAILURE(startLocked());
    EXPECT_FALSE(promptShown());
    ASSERT_NO_FATAL_FAILURE(openPrompt());
    xdo("key Escape");
    sleepFor(0.5);
    EXPECT_FALSE(promptShown()) << "back to the scene";
    EXPECT_TRUE(running(0.1));
    sleepFor(0.6);  // a new grace period after the cancel
    ASSERT_NO_FATAL_FAILURE(openPrompt());
    xdo("type --delay 20 not-the-password");
    xdo("key Return");
    EXPECT_TRUE(running(4.0)) << "a wrong password keeps the saver";
    EXPECT_TRUE(promptShown()) << "the prompt stays for another try";
}

// Long, non-ASCII and corrected answers: the prompt takes them, shows when
// an answer is cut, and a wrong one never ends the saver.
TEST_F(Ending, ThePromptTakesLongAndNonAsciiAnswersAndAWrongOneKeepsTheSaver) {
    ASSERT_NO_FATAL_FAILURE(startLocked());
    ASSERT_NO_FATAL_FAILURE(openPrompt());
    xdo("type --delay 0 '" + std::string(4200, 'p') + "'");  // past the 4095 bytes the prompt keeps
    xdo("type --delay 20 'éü€'");
    xdo("key BackSpace BackSpace");
    xdo("key Return");
    EXPECT_TRUE(running(4.0)) << "a wrong answer keeps the saver";
    EXPECT_TRUE(promptShown()) << "the prompt stays for another try";
}

TEST_F(Ending, FiftyWrongAnswersTypedAtOnceNeitherEndNorStopThePrompt) {
    ASSERT_NO_FATAL_FAILURE(startLocked());
    ASSERT_NO_FATAL_FAILURE(openPrompt());
    std::string answers;
    for (int i = 0; i < 50; ++i) answers += "wrong" + std::to_string(i) + "\n";
    xdo("type --delay 2 '" + answers + "'");
    EXPECT_TRUE(running(2.0)) << "a wrong answer never ends the saver";
    EXPECT_TRUE(promptShown()) << "the prompt stays for another try";
}

// PAM waits about two seconds after a wrong answer: the scene moves on
// meanwhile (the sky above the prompt changes), and the right password
// then ends the saver with success.
TEST_F(Ending, TheSceneMovesDuringACheckAndTheRightPasswordEnds) {
    const char* password = std::getenv("LUMARIS_TEST_PASSWORD");
    if (password == nullptr) GTEST_SKIP() << "needs the test user's password (as-test-user.sh as root)";
    ASSERT_NO_FATAL_FAILURE(startLocked());
    ASSERT_NO_FATAL_FAILURE(openPrompt());
    xdo("type --delay 20 not-the-password");
    xdo("key Return");
    sleepFor(0.3);
    const Screenshot before = capture();
    sleepFor(1.0);
    const Screenshot after = capture();
    int changed = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < before.width; ++x) changed += before.at(x, y) != after.at(x, y);
    EXPECT_GT(changed, 1000) << "the scene stood still during the check";
    EXPECT_TRUE(running(2.5));
    xdo(std::string("type --delay 20 '") + password + "'");
    xdo("key Return");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
}

// The desktop's lock option as the user set it: GNOME's key (read through
// dconf, as a desktop keeps it) counts where the user set it or the session
// is GNOME's; elsewhere the lock line of ~/.xscreensaver; else off.
TEST_F(Ending, GnomesLockKeyCountsOnlyWhereItWasChosen) {
    const struct {
        const char* key;  // the user's value, or none
        const char* desktop;
        const char* xscreensaver;
        bool asks;
    } cases[] = {
        {nullptr, "XFCE", "lock: False\n", false},
        {nullptr, "XFCE", nullptr, false},
        {"true", "XFCE", "lock: False\n", true},
        {nullptr, "ubuntu:GNOME", nullptr, true},  // GNOME's built-in default is on
        {nullptr, "XFCE", "lock: True\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key ? c.key : "-") + " " + c.desktop);
        config = settingsFolder({});
        if (c.xscreensaver != nullptr) std::ofstream(config + "/.xscreensaver") << c.xscreensaver;
        if (c.key != nullptr) {
            std::filesystem::create_directories(config + "/keys");
            std::filesystem::create_directories(config + "/dconf");
            std::ofstream(config + "/keys/user") << "[org/gnome/desktop/screensaver]\nlock-enabled=" << c.key << "\n";
            ASSERT_EQ(std::system(("dconf compile '" + config + "/dconf/user' '" + config + "/keys'").c_str()), 0);
        }
        pid = start({"/s"}, config, {"GSETTINGS_BACKEND=dconf", std::string("XDG_CURRENT_DESKTOP=") + c.desktop});
        ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u);
        sleepFor(1.0);
        xdo("key x");
        if (c.asks) {
            sleepFor(0.5);
            EXPECT_TRUE(promptShown());
            EXPECT_TRUE(running(0.1));
            stop(pid);
        } else {
            EXPECT_EQ(waitExit(pid, 5), 0) << "asked for a password nobody chose";
        }
        pid = -1;
    }
}

// A close request is an end request like a key: with the password option
// it asks for the password. Signals of the user's own processes end it.
TEST_F(Ending, ACloseRequestAsksForThePasswordASignalEnds) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_NO_FATAL_FAILURE(startLocked());
        askToClose(window);
        sleepFor(0.5);
        EXPECT_TRUE(running(0.5)) << "closed without the password";
        EXPECT_TRUE(promptShown());
        kill(pid, signal);
        EXPECT_EQ(waitExit(pid, 5), 0) << "signal " << signal;
        pid = -1;
    }
}

}  // namespace
}  // namespace lumaris::e2e
