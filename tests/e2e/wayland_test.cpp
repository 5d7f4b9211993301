// The real program on a real Wayland compositor: headless sway with two
// outputs, 1024x768 at scale 1 and 2560x1440 at scale 2 (a 1280x720
// logical output), screenshots by grim. Sway refuses to run as root: this
// program runs as an unprivileged user (as-test-user.sh). Each test has a
// compositor of its own. Also weston, whose only shell is the xdg shell.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace lumaris::e2e {
namespace {

namespace fs = std::filesystem;

// Rows of an output's picture that do not show the scene's strip where the
// scene lays it out for a screen of that size.
std::vector<int> rowsOffTheScene(const Screenshot& shot) {
    const int h = shot.height;
    const int lift = h > 1020 ? 430 - h / 2 : h > 600 ? 0 : h > 500 ? 50 : h > 400 ? 100 : h;
    const int x0 = std::max(shot.width - 1024, 0) / 2, width = std::min(shot.width, 1024);
    std::vector<int> off;
    for (int y = std::max(0, -lift); y < h && y + lift < 760; y += 23) {
        if (!showsStripRow(shot, x0, y, width, lift)) off.push_back(y);
    }
    return off;
}

bool allBlack(const Screenshot& shot) {
    return std::all_of(shot.pixels.begin(), shot.pixels.end(), [](std::uint32_t p) { return p == 0; });
}

class Wayland : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/lumaris-sway.XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        runtime = folder;
        home = settingsFolder({});
        std::ofstream(runtime + "/config") << "output HEADLESS-1 resolution 1024x768 position 0 0 scale 1\n"
                                           << "output HEADLESS-2 resolution 2560x1440 position 1024 0 scale 2\n"
                                           << "output HEADLESS-3 resolution 3840x2160 position 0 768 scale 2\n"
                                           // Bindings a user may have: one that ends the scene, one
                                           // that runs anything, one meant for a locked session.
                                           << "bindsym Mod4+k exec kill $(cat " << folder << "/pid)\n"
                                           << "bindsym Mod4+t exec touch " << folder << "/pwned\n"
                                           << "bindsym --locked Mod4+l exec touch " << folder << "/locked\n";
        sway = spawn({"sh", "-c", "exec sway -c \"$0\" >\"$1\" 2>&1", runtime + "/config", runtime + "/sway.log"},
                     {"XDG_RUNTIME_DIR=" + runtime, "WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                      "WLR_LIBINPUT_NO_DEVICES=1", "WLR_HEADLESS_OUTPUTS=2", "DISPLAY=", "WAYLAND_DISPLAY="});
        ASSERT_GT(sway, 0);
        for (int attempt = 0; attempt < 100 && (display.empty() || ipc.empty()); ++attempt) {
            sleepFor(0.05);
            for (const auto& entry : fs::directory_iterator(runtime)) {
                const std::string name = entry.path().filename();
                if (name.rfind("wayland-", 0) == 0 && name.find(".lock") == std::string::npos) display = name;
                if (name.rfind("sway-ipc.", 0) == 0) ipc = entry.path();
            }
        }
        ASSERT_FALSE(display.empty()) << "sway did not start";
        for (int attempt = 0; attempt < 100 && run("swaymsg -t get_outputs") != 0; ++attempt) sleepFor(0.05);
    }
    void TearDown() override {
        for (pid_t pid : pids) stop(pid);
        stop(sway);
        fs::remove_all(runtime);
    }
    // The compositor's session for programs started by the test.
    std::vector<std::string> session() const {
        return {"XDG_RUNTIME_DIR=" + runtime, "WAYLAND_DISPLAY=" + display, "SWAYSOCK=" + ipc, "DISPLAY="};
    }
    int run(const std::string& command) const {
        std::string env;
        for (const std::string& entry : session()) env += "'" + entry + "' ";
        return std::system(("env " + env + command + " >/dev/null 2>&1").c_str());
    }
    Screenshot grab(const std::string& output) const {
        const std::string file = runtime + "/" + output + ".png";
        fs::remove(file);
        if (run("grim -o " + output + " '" + file + "'") != 0) return Screenshot{};
        return readPicture(file);
    }
    // `extra` wins over the session's entries.
    // The rows of an output off the scene, once the splash is over (its
    // first frames; on a busy machine a few seconds). The output's picture
    // is taken in blocks of k x k; {-1} where it is not `width` wide.
    std::vector<int> settled(const std::string& output, int k, int width) const {
        std::vector<int> off;
        for (int attempt = 0; attempt < 20; ++attempt) {
            sleepFor(0.5);
            const Screenshot shot = k > 1 ? shrunk(grab(output), k) : grab(output);
            if (shot.width != width) {
                off = {-1};
                continue;
            }
            off = rowsOffTheScene(shot);
            if (off.empty()) break;
        }
        return off;
    }
    // A key of the test's keyboard, which comes into being with the tool:
    // the key waits half a second, until the program has the keyboard.
    void typeKey() const { run("wtype -s 500 x"); }
    pid_t startProgram(const std::vector<std::string>& args, std::vector<std::string> extra = {}) {
        for (const std::string& entry : session()) {
            const std::string key = entry.substr(0, entry.find('=') + 1);
            if (std::none_of(extra.begin(), extra.end(), [&](const std::string& e) { return e.rfind(key, 0) == 0; })) {
                extra.push_back(entry);
            }
        }
        const pid_t pid = start(args, home, extra);
        pids.push_back(pid);
        return pid;
    }
    std::string runtime, home, display, ipc;
    pid_t sway = -1;
    std::vector<pid_t> pids;
};

// The display mode: each output shows the scene laid out for its own size
// in physical pixels, an output added later too (3840x2160: doubled); the
// mode ends with status 0 when the compositor goes.
TEST_F(Wayland, TheDisplayModeCoversEachOutputForItsSizeAndEndsWithTheCompositor) {
    const pid_t pid = startProgram({"--root"});
    EXPECT_EQ(settled("HEADLESS-1", 1, 1024), std::vector<int>{});
    EXPECT_EQ(settled("HEADLESS-2", 1, 2560), std::vector<int>{}) << "the second output in physical pixels";

    // Added while it runs, 3840x2160: the scene of 1920x1080, every pixel
    // doubled.
    ASSERT_EQ(run("swaymsg create_output"), 0);
    EXPECT_EQ(settled("HEADLESS-3", 2, 1920), std::vector<int>{});

    run("swaymsg exit");
    EXPECT_EQ(waitExit(pid, 5), 0);
}

// A locker's way: the connection handed over in WAYLAND_SOCKET, no
// WAYLAND_DISPLAY. The first frame shows within a second; SIGTERM ends it.
TEST_F(Wayland, AConnectionHandedOverDrawsWithinASecond) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = runtime + "/" + display;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const pid_t pid = startProgram({"--root"}, {"WAYLAND_SOCKET=" + std::to_string(fd), "WAYLAND_DISPLAY="});
    close(fd);
    sleepFor(1.0);
    EXPECT_FALSE(allBlack(grab("HEADLESS-1"))) << "nothing drawn within a second";
    kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 3), 0);
}

// The full-screen scene: native overlays on both outputs and on one plugged
// in later, the scene where the start puts it (laid out for the first
// output, black on the others);
// a key after the grace period ends it with status 0, and so does SIGTERM.
TEST_F(Wayland, TheFullScreenSceneCoversBothOutputsAndEndsOnAKeyOrSignal) {
    pid_t pid = startProgram({"/s"});
    EXPECT_EQ(settled("HEADLESS-1", 1, 1024), std::vector<int>{});
    const Screenshot second = grab("HEADLESS-2");
    ASSERT_EQ(second.width, 2560);
    EXPECT_TRUE(allBlack(second)) << "the second output shows the desktop";
    ASSERT_EQ(run("swaymsg create_output"), 0);
    sleepFor(1.0);
    const Screenshot added = grab("HEADLESS-3");
    ASSERT_EQ(added.width, 3840);
    EXPECT_TRUE(allBlack(added)) << "an output plugged in later shows the desktop";
    typeKey();
    EXPECT_EQ(waitExit(pid, 5), 0);

    pid = startProgram({"/s"});
    sleepFor(3.0);
    EXPECT_FALSE(allBlack(grab("HEADLESS-1"))) << "started again";
    kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 5), 0);
}

// With the desktop's lock option, the scene guards the desktop (sway 1.7:
// the input inhibitor): the compositor's bindings do nothing while the
// scene runs and while its prompt is open, but a --locked one runs. A key
// after the grace period opens the prompt in the middle of the first
// output; a wrong password keeps the scene and the prompt, though a 1000 Hz
// pointer moves during its check; Esc closes the prompt; SIGTERM while it
// is open ends with status 0. Without the option the bindings run.
TEST_F(Wayland, WithTheLockOptionTheDesktopsBindingsDoNotEndTheScene) {
    auto promptShown = [&] {
        const Screenshot shot = grab("HEADLESS-1");
        return shot.width == 1024 && shot.at((1024 - 460) / 2, (768 - 170) / 2) == 0xD6B460;
    };
    auto chords = [&] {
        run("wtype -M logo -k t -m logo");
        run("wtype -M logo -k k -m logo");
        sleepFor(0.5);
    };
    const char* tool = std::getenv("LUMARIS_WL_POINTER");
    ASSERT_NE(tool, nullptr);
    for (const bool lock : {true, false}) {
        SCOPED_TRACE(lock ? "lock on" : "lock off");
        fs::remove(runtime + "/pwned");
        std::ofstream(home + "/.xscreensaver") << (lock ? "lock:\tTrue\n" : "lock:\tFalse\n");
        const pid_t pid = startProgram({"/s"});
        std::ofstream(runtime + "/pid") << pid << "\n";
        ASSERT_EQ(settled("HEADLESS-1", 1, 1024), std::vector<int>{});
        chords();
        if (!lock) {
            EXPECT_TRUE(fs::exists(runtime + "/pwned")) << "the desktop's binding did not run";
            EXPECT_EQ(waitExit(pid, 5), 0) << "the kill binding";
            continue;
        }
        EXPECT_FALSE(fs::exists(runtime + "/pwned")) << "a binding ran while the scene runs";
        EXPECT_EQ(waitExit(pid, 0.1), -1) << "the kill binding ended the scene";
        if (!promptShown()) typeKey();
        sleepFor(0.5);
        ASSERT_TRUE(promptShown());
        chords();
        EXPECT_FALSE(fs::exists(runtime + "/pwned")) << "a binding ran while the prompt is open";
        EXPECT_EQ(waitExit(pid, 0.1), -1) << "the kill binding ended the scene";
        EXPECT_TRUE(promptShown());
        run("wtype -M logo -k l -m logo");
        for (int i = 0; i < 20 && !fs::exists(runtime + "/locked"); ++i) sleepFor(0.1);
        EXPECT_TRUE(fs::exists(runtime + "/locked")) << "a --locked binding still runs";

        for (int attempt = 0; attempt < 5; ++attempt) {
            run("wtype -s 300 not-the-password -k Return");
            run("'" + std::string(tool) + "' 2304 768 500 400 shake 1000 2500");
            EXPECT_EQ(waitExit(pid, 0.5), -1) << "attempt " << attempt << ": the scene went during the check";
            EXPECT_TRUE(promptShown()) << "attempt " << attempt << ": the prompt stays for another try";
        }
        run("wtype -s 500 -k Escape");
        sleepFor(0.5);
        EXPECT_FALSE(promptShown()) << "Esc goes back to the scene";
        EXPECT_EQ(waitExit(pid, 0.1), -1);
        typeKey();
        sleepFor(0.5);
        ASSERT_TRUE(promptShown());
        kill(pid, SIGTERM);
        EXPECT_EQ(waitExit(pid, 5), 0);
    }
}

// The pointer (a virtual one of the test's own, over the first output): no
// cursor drawn over the scene; moving 5 pixels leaves the scene running,
// moving 50 ends it with status 0.
TEST_F(Wayland, ThePointerIsHiddenAndEndsTheSceneOnlyWhenItMovesFar) {
    const pid_t pid = startProgram({"/s"});
    ASSERT_EQ(settled("HEADLESS-1", 1, 1024), std::vector<int>{});
    // The layout: 1024 + 1280 logical pixels wide, 768 high.
    const char* tool = std::getenv("LUMARIS_WL_POINTER");
    ASSERT_NE(tool, nullptr);
    const std::string pointer = "'" + std::string(tool) + "' 2304 768 500 400 ";
    // While the pointer is over the scene, no cursor is drawn: no dark
    // pixel where it points (the sky there has none).
    {
        std::string still;
        for (int i = 0; i < 12; ++i) still += " 0 0";
        const pid_t resting = spawn({"sh", "-c", pointer + still}, session());
        sleepFor(1.5);
        const std::string file = runtime + "/cursor.png";
        run("grim -c -o HEADLESS-1 '" + file + "'");
        const Screenshot shot = readPicture(file);
        int dark = 0;
        for (int y = 395; y < 425 && y < shot.height; ++y)
            for (int x = 495; x < 525 && x < shot.width; ++x) dark += (shot.at(x, y) & 0xC0C0C0) == 0;
        EXPECT_EQ(dark, 0) << "a cursor over the scene";
        waitExit(resting, 5);
    }
    ASSERT_EQ(run(pointer + "5 0 0 5"), 0);
    EXPECT_EQ(waitExit(pid, 1.0), -1) << "a 5-pixel move ends the scene";
    ASSERT_EQ(run(pointer + "50 0"), 0);
    EXPECT_EQ(waitExit(pid, 5), 0);
}

// The settings dialog is a window of the compositor's own (GTK on Wayland,
// no X server anywhere); the preview says it needs X11.
TEST_F(Wayland, TheDialogOpensNativelyThePreviewNeedsX11) {
    const pid_t dialog = startProgram({"/c"});
    bool shown = false;
    for (int waited = 0; waited < 50 && !shown; ++waited) {
        sleepFor(0.1);
        shown = run("swaymsg -t get_tree | grep -q '\"name\": \"Configuration\"'") == 0;
    }
    EXPECT_TRUE(shown) << "no settings dialog among sway's windows";
    kill(dialog, SIGTERM);
    EXPECT_EQ(waitExit(dialog, 5), 0);
    EXPECT_EQ(waitExit(startProgram({"/p", "123"}), 5), 1);
}

// The idle tool starts the scene; once a key has ended it, the next idle
// timeout starts it again.
TEST_F(Wayland, TheIdleToolStartsTheSceneAgainAfterAKeyEndedIt) {
    std::vector<std::string> env = session();
    for (const char* entry : {"SDL_AUDIODRIVER=dummy", "GSETTINGS_BACKEND=memory"}) env.push_back(entry);
    env.push_back("HOME=" + home);
    env.push_back("XDG_CONFIG_HOME=" + home);
    const std::string count = runtime + "/starts";
    const pid_t idle = spawn({"swayidle", "-w", "timeout", "1", "echo >>'" + count + "'; exec '" + binary() + "' /s"}, env);
    pids.push_back(idle);
    auto starts = [&] {
        std::ifstream file(count);
        return static_cast<int>(std::count(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(), '\n'));
    };
    for (int waited = 0; waited < 50 && starts() < 1; ++waited) sleepFor(0.1);
    ASSERT_EQ(starts(), 1) << "the first idle timeout starts it";
    sleepFor(3.0);
    EXPECT_FALSE(allBlack(grab("HEADLESS-1")));
    typeKey();
    for (int waited = 0; waited < 60 && starts() < 2; ++waited) sleepFor(0.1);
    EXPECT_EQ(starts(), 2) << "the next idle timeout starts it again";
}

// `lumaris --idle` on sway 1.7's idle protocol (org_kde_kwin_idle): the
// scene after the idle time, ended by a key, then again; the end signal
// ends both, status 0.
TEST_F(Wayland, IdleModeStartsTheSceneOnTheCompositorsWordTwice) {
    const pid_t idle = startProgram({"--idle"}, {"LUMARIS_IDLE_SECONDS=2", "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"});
    const std::string children = "/proc/" + std::to_string(idle) + "/task/" + std::to_string(idle) + "/children";
    auto scene = [&] {
        std::ifstream file(children);
        pid_t pid = 0;
        file >> pid;
        return pid;
    };
    for (int cycle = 0; cycle < 2; ++cycle) {
        for (int waited = 0; waited < 60 && scene() == 0; ++waited) sleepFor(0.1);
        ASSERT_NE(scene(), 0) << "cycle " << cycle;
        sleepFor(2.0);
        EXPECT_FALSE(allBlack(grab("HEADLESS-1"))) << "cycle " << cycle;
        typeKey();
        for (int waited = 0; waited < 50 && scene() != 0; ++waited) sleepFor(0.1);
        EXPECT_EQ(scene(), 0) << "a key ends the scene, cycle " << cycle;
    }
    for (int waited = 0; waited < 60 && scene() == 0; ++waited) sleepFor(0.1);
    const pid_t last = scene();
    ASSERT_NE(last, 0);
    kill(idle, SIGTERM);
    EXPECT_EQ(waitExit(idle, 5), 0);
    EXPECT_NE(kill(last, 0), 0) << "the scene is left behind";
}

// weston (headless, only the xdg shell): the display mode and the
// full-screen scene are each a fullscreen toplevel that covers the output
// with an opaque buffer, as weston's scene graph tells; SIGTERM ends each
// with status 0.
TEST(Weston, TheFullscreenToplevelCoversTheOutput) {
    char folder[] = "/tmp/lumaris-weston.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string runtime = folder;
    const std::vector<std::string> session = {"XDG_RUNTIME_DIR=" + runtime, "WAYLAND_DISPLAY=wl-lumaris", "DISPLAY="};
    const pid_t weston = spawn({"sh", "-c",
                                "exec weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 "
                                "--debug --socket=wl-lumaris >\"$0\" 2>&1",
                                runtime + "/weston.log"},
                               session);
    for (int i = 0; i < 100 && !fs::exists(runtime + "/wl-lumaris"); ++i) sleepFor(0.05);
    ASSERT_TRUE(fs::exists(runtime + "/wl-lumaris")) << "weston did not start";
    const std::string home = settingsFolder({});
    // The view of the program's toplevel in the scene graph, up to the
    // next view.
    auto view = [&] {
        std::string env;
        for (const std::string& entry : session) env += "'" + entry + "' ";
        const std::string file = runtime + "/scene.txt";
        std::system(("env " + env + "weston-debug scene-graph >'" + file + "' 2>/dev/null").c_str());
        std::ifstream in(file);
        const std::string graph((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t at = graph.find("top-level window 'Lumaris'");
        return at == std::string::npos ? std::string() : graph.substr(at, graph.find("View", at) - at);
    };
    for (const char* mode : {"--root", "/s"}) {
        SCOPED_TRACE(mode);
        const pid_t pid = start({mode}, home, session);
        std::string seen;
        for (int i = 0; i < 50 && seen.find("SHM buffer") == std::string::npos; ++i) {
            sleepFor(0.1);
            seen = view();
        }
        EXPECT_NE(seen.find("position: (0, 0) -> (1024, 768)"), std::string::npos) << seen;
        EXPECT_NE(seen.find("[fully opaque]"), std::string::npos) << seen;
        EXPECT_NE(seen.find("SHM buffer"), std::string::npos) << seen;
        kill(pid, SIGTERM);
        EXPECT_EQ(waitExit(pid, 5), 0);
    }
    stop(weston);
    fs::remove_all(runtime);
}

}  // namespace
}  // namespace lumaris::e2e
