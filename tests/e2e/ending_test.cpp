// Ending the real program's scene under Xvfb: keys, mouse moves, SIGTERM,
// the grace period, "Disable mouseovers" and the password prompt.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "e2e_support.h"

namespace lumaris::e2e {
namespace {

void xdo(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()), 0) << args; }

class Ending : public ::testing::Test {
protected:
    void startScene(const std::vector<std::string>& settings, const std::vector<std::string>& extra = {}) {
        config = settingsFolder(settings);
        pid = start({"/s"}, config, extra);
        ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u) << "exit status " << waitExit(pid, 0);
    }
    bool running(double seconds) { return waitExit(pid, seconds) == -1; }
    void TearDown() override { stop(pid); }
    std::string config;
    pid_t pid = -1;
};

TEST_F(Ending, AKeyAfterTheGracePeriodEndsWithSuccess) {
    startScene({});
    sleepFor(1.0);
    xdo("key x");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
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

// The prompt's frame: its gold top-left corner, centred on the screen.
bool promptShown() {
    const Screenshot shot = capture();
    return shot.at((shot.width - 460) / 2, (shot.height - 170) / 2) == 0xD6B460;
}

TEST_F(Ending, WithThePasswordOptionAKeyAsksEscReturnsAWrongPasswordKeepsItRunning) {
    // The desktop's lock option: the lock line of ~/.xscreensaver (home is
    // the settings folder).
    config = settingsFolder({});
    std::ofstream(config + "/.xscreensaver") << "lock:\tTrue\n";
    pid = start({"/s"}, config);
    ASSERT_NE(waitForWindow("QNVesmire Saver Running", 20), 0u);
    sleepFor(1.0);
    EXPECT_FALSE(promptShown());
    xdo("key x");
    sleepFor(0.5);
    EXPECT_TRUE(promptShown());
    xdo("key Escape");
    sleepFor(0.5);
    EXPECT_FALSE(promptShown()) << "back to the scene";
    EXPECT_TRUE(running(0.1));
    sleepFor(0.6);  // a new grace period after the cancel
    xdo("key x");
    sleepFor(0.5);
    ASSERT_TRUE(promptShown());
    xdo("type --delay 20 not-the-password");
    xdo("key Return");
    EXPECT_TRUE(running(4.0)) << "a wrong password keeps the saver";
    EXPECT_TRUE(promptShown()) << "the prompt stays for another try";
}

}  // namespace
}  // namespace lumaris::e2e
