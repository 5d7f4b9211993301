// `lumaris --idle` on the X server's screen-saver timeout (`xset s`): the
// scene comes after the idle time, a key ends it, it comes again; the end
// signal ends both; a failing scene is started again only after a pause; a
// session without an idle source and a second --idle are told so.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "e2e_support.h"

namespace lumaris::e2e {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The processes `pid` started and still runs.
std::string childrenOf(pid_t pid) {
    return slurp("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
}

double cpuMs(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    in >> ns;
    return ns / 1e6;
}

class Idle : public ::testing::Test {
protected:
    void SetUp() override {
        home = settingsFolder({"SOUND=False", "MUSIC=False"});
        ASSERT_EQ(std::system("xset s 2"), 0);
    }
    void TearDown() override {
        for (pid_t pid : pids) stop(pid);
        std::system("xset s default");
    }
    // --idle with its standard error in the settings folder; no session bus
    // and no Wayland display: the X server is the idle source.
    pid_t startIdle(std::vector<std::string> extra = {}, const std::string& err = "err") {
        extra.insert(extra.end(), {"HOME=" + home, "XDG_CONFIG_HOME=" + home, "XDG_RUNTIME_DIR=" + home,
                                   "SDL_AUDIODRIVER=dummy", "GSETTINGS_BACKEND=memory", "WAYLAND_DISPLAY=",
                                   "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"});
        const pid_t pid = spawn({"sh", "-c", "exec \"$0\" --idle 2>\"$1\"", binary(), home + "/" + err}, extra);
        pids.push_back(pid);
        return pid;
    }
    std::string home;
    std::vector<pid_t> pids;
};

TEST_F(Idle, TheSceneComesAfterTheServersTimeoutTwiceAndGoesWithTheEndSignal) {
    const pid_t idle = startIdle();
    for (int cycle = 0; cycle < 2; ++cycle) {
        ASSERT_NE(waitForWindow("QNVesmire Saver Running", 8), 0u) << "cycle " << cycle;
        sleepFor(1.0);  // past the grace period
        EXPECT_EQ(std::system("xdotool key space"), 0);
        for (int i = 0; i < 50 && !childrenOf(idle).empty(); ++i) sleepFor(0.1);
        EXPECT_EQ(childrenOf(idle), "") << "the scene ended on the key, cycle " << cycle;
    }
    ASSERT_NE(waitForWindow("QNVesmire Saver Running", 8), 0u);
    const pid_t scene = std::atoi(childrenOf(idle).c_str());
    ASSERT_GT(scene, 0);
    kill(idle, SIGTERM);
    EXPECT_EQ(waitExit(idle, 5), 0);
    EXPECT_NE(kill(scene, 0), 0) << "the scene is left behind";
    EXPECT_EQ(slurp(home + "/err"), "") << "every scene ended with status 0";
}

TEST_F(Idle, AFailingSceneIsStartedAgainOnlyAfterAPause) {
    const std::string scene = home + "/bad-scene.sh";
    std::ofstream(scene) << "#!/bin/sh\nDISPLAY=:199 exec \"" << binary() << "\" \"$@\"\n";
    ASSERT_EQ(std::system(("chmod +x '" + scene + "'").c_str()), 0);
    const pid_t idle = startIdle({"LUMARIS_IDLE_SCENE=" + scene});
    sleepFor(1.0);
    const double before = cpuMs(idle);
    sleepFor(10.0);
    EXPECT_LT(cpuMs(idle) - before, 100.0) << "CPU ms in 10 s";
    const std::string said = slurp(home + "/err");
    EXPECT_NE(said.find("the next starts no sooner than in 10 s"), std::string::npos) << said;
    EXPECT_EQ(waitExit(idle, 0), -1) << "--idle goes on";
}

TEST_F(Idle, ASecondIdleInTheSessionSaysSoAndEnds) {
    startIdle();
    sleepFor(0.5);
    const pid_t second = startIdle({}, "err2");
    EXPECT_EQ(waitExit(second, 5), 0);
    EXPECT_NE(slurp(home + "/err2").find("--idle already runs in this session"), std::string::npos);
}

TEST_F(Idle, WithoutAnIdleSourceItSaysSoAndEndsWithStatus1) {
    const std::string display = ":" + std::to_string(200 + getpid() % 50);
    const pid_t server = spawn({"Xvfb", display, "-screen", "0", "800x600x24", "-extension", "MIT-SCREEN-SAVER",
                                "-noreset", "-nolisten", "tcp"});
    pids.push_back(server);
    for (int i = 0; i < 50 && std::system(("xdpyinfo -display " + display + " >/dev/null 2>&1").c_str()) != 0; ++i) {
        sleepFor(0.1);
    }
    const pid_t idle = startIdle({"DISPLAY=" + display});
    EXPECT_EQ(waitExit(idle, 5), 1);
    EXPECT_NE(slurp(home + "/err").find("tells no program when it is idle"), std::string::npos) << slurp(home + "/err");
}

}  // namespace
}  // namespace lumaris::e2e
