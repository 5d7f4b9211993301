// The display mode of the real program: in a window the test makes and
// resizes, under the real screensaver daemon on one and on two monitors,
// its end, its one sound, and the X screensaver timer that keeps running
// while any mode shows the scene. The daemon refuses to run display modes
// as root: this program runs as an unprivileged user (as-test-user.sh).
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>
// clang-format on
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "e2e_support.h"

extern char** environ;

namespace lumaris::e2e {
namespace {

namespace fs = std::filesystem;

int runCommand(const std::vector<std::string>& words, const std::vector<std::string>& extra = {}) {
    const pid_t pid = spawn(words, extra);
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An X server of the test's own, started with `words` (which write the
// display's number to descriptor 3); its name, or "" when it did not start.
std::string startServer(const std::vector<std::string>& words, pid_t& pid) {
    int ready[2];
    if (pipe(ready) != 0) return "";
    pid = spawn(words, {}, ready[1]);
    close(ready[1]);
    char number[16] = {};
    const ssize_t n = read(ready[0], number, sizeof number - 1);
    close(ready[0]);
    if (n <= 0) return "";
    return ":" + std::string(number, std::strcspn(number, "\n"));
}

// An X server of the test's own, ended with it.
struct OwnServer {
    explicit OwnServer(const std::vector<std::string>& words) : name(startServer(words, pid)) {}
    ~OwnServer() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    OwnServer(const OwnServer&) = delete;
    OwnServer& operator=(const OwnServer&) = delete;
    // Its screen.
    Screenshot capture() const {
        const std::string before = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
        setenv("DISPLAY", name.c_str(), 1);
        Screenshot shot = e2e::capture();
        setenv("DISPLAY", before.c_str(), 1);
        return shot;
    }
    pid_t pid = -1;
    std::string name;
};

// The running processes of the program under test.
std::set<pid_t> modeProcesses() {
    const fs::path program = fs::canonical(binary());
    std::set<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == program) found.insert(std::stoi(name));
    }
    return found;
}

std::set<pid_t> waitForModes(std::size_t count, double seconds) {
    for (double waited = 0; waited < seconds; waited += 0.1) {
        const auto found = modeProcesses();
        if (found.size() >= count) return found;
        sleepFor(0.1);
    }
    return modeProcesses();
}

std::string parentName(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    int ppid = 0;
    std::sscanf(text.c_str() + text.rfind(')') + 2, "%*c %d", &ppid);
    std::ifstream comm("/proc/" + std::to_string(ppid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// Whether the process has `path` open.
bool holdsOpen(pid_t pid, const std::string& path) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        if (fs::read_symlink(fd.path(), error) == path) return true;
    }
    return false;
}

// The window the daemon handed the process, or 0.
Window givenWindow(pid_t pid) {
    std::ifstream environment("/proc/" + std::to_string(pid) + "/environ");
    std::string entry;
    while (std::getline(environment, entry, '\0')) {
        if (entry.rfind("XSCREENSAVER_WINDOW=", 0) == 0) return std::stoul(entry.substr(20), nullptr, 0);
    }
    return 0;
}

// Top-level windows whose owner says it is `pid`, other than the one it was
// handed.
int windowsOf(Display* display, pid_t pid) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    const Atom wmPid = XInternAtom(display, "_NET_WM_PID", False);
    int owned = 0;
    for (unsigned i = 0; i < count; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                               &data) == Success &&
            data != nullptr) {
            if (items == 1 && static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid &&
                children[i] != givenWindow(pid)) {
                ++owned;
            }
            XFree(data);
        }
    }
    if (children != nullptr) XFree(children);
    return owned;
}

// Rows of the screen region that do not show the scene's strip at `lift`.
std::vector<int> rowsOffTheScene(const Screenshot& shot, int x0, int width, int height, int lift) {
    std::vector<int> off;
    for (int y = 0; y < height && y + lift < 760; y += 23) {
        if (!showsStripRow(shot, x0, y, width, lift)) off.push_back(y);
    }
    return off;
}

class DisplayMode : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        home = settingsFolder({});
    }
    void TearDown() override {
        for (pid_t pid : pids) stop(pid);
        XCloseDisplay(display);
    }
    Window makeWindow(int x, int y, int w, int h) {
        const Window window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, w, h, 0, 0, WhitePixel(display, 0));
        XMapWindow(display, window);
        XSync(display, False);
        return window;
    }
    pid_t startMode(const std::vector<std::string>& args, const std::vector<std::string>& extra = {}) {
        const pid_t pid = start(args, home, extra);
        pids.push_back(pid);
        return pid;
    }
    static std::string hex(Window w) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%lx", w);
        return text;
    }
    Display* display = nullptr;
    std::string home;
    std::vector<pid_t> pids;
};

TEST_F(DisplayMode, LaidOutForItsWindowAgainAfterAResizeAndGoneWithTheWindow) {
    const Window window = makeWindow(0, 0, 565, 317);
    const pid_t pid = startMode({"--window-id", hex(window)});
    sleepFor(2.5);  // the splash is over
    EXPECT_EQ(rowsOffTheScene(capture(), 0, 565, 317, 317), std::vector<int>{});
    EXPECT_EQ(windowsOf(display, pid), 0) << "no window of its own";

    XResizeWindow(display, window, 612, 343);
    XSync(display, False);
    sleepFor(0.5);
    EXPECT_EQ(rowsOffTheScene(capture(), 0, 612, 343, 343), std::vector<int>{}) << "the full new width";

    XDestroyWindow(display, window);
    XSync(display, False);
    EXPECT_EQ(waitExit(pid, 0.5), 0);
}

// A window that grows shows the new layout and black, never the old picture
// beside it; a huge one costs memory only for what is drawn. On a server of
// 1920x1080 of its own.
TEST_F(DisplayMode, AGrownWindowShowsOnlyItsNewLayoutAndAHugeOneCostsNoMemory) {
    const OwnServer server({"Xvfb", "-displayfd", "3", "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"});
    const std::string& big = server.name;
    ASSERT_FALSE(big.empty()) << "the server starts";
    Display* on = XOpenDisplay(big.c_str());
    ASSERT_NE(on, nullptr);
    const Window window = XCreateSimpleWindow(on, DefaultRootWindow(on), 0, 0, 800, 600, 0, 0, WhitePixel(on, 0));
    XMapWindow(on, window);
    XSync(on, False);
    // At scale 1: the window's size alone decides what it costs (a larger
    // scale costs the scene's strip k x k times, whatever the window).
    const pid_t pid = startMode({"--window-id", hex(window), "--scale", "1"}, {"DISPLAY=" + big});
    sleepFor(2.5);
    for (const auto& [w, h] : {std::pair{1920, 1080}, {640, 480}, {1920, 1080}}) {
        XResizeWindow(on, window, w, h);
        XSync(on, False);
        sleepFor(0.7);
        if (w != 1920) continue;
        // The strip is 1024 x 760 in the middle: 448..1471 across, 110..869 down.
        const Screenshot shot = server.capture();
        int stale = 0;
        for (int y = 0; y < 1080; ++y) {
            for (int x = 0; x < 1920; ++x) {
                const bool strip = x >= 448 && x < 1472 && y >= 110 && y < 870;
                stale += !strip && shot.at(x, y) != 0;
            }
        }
        EXPECT_EQ(stale, 0) << "pixels off the new layout that are not black";
        for (int y = 110; y < 870; y += 37) EXPECT_TRUE(showsStripRow(shot, 448, y, 1024, -110)) << "row " << y;
    }
    XResizeWindow(on, window, 32767, 32767);
    XSync(on, False);
    sleepFor(2.0);
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    long peakKb = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) peakKb = std::stol(line.substr(6));
    }
    EXPECT_LT(peakKb, 150 * 1024) << "peak memory after growing to 32767x32767";
    kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 2), 0);
    XCloseDisplay(on);
}

// A window's pixels as 8-bit channels, read through its visual's masks
// (the top 8 bits of each channel); `alpha` gets the bits no colour has.
Screenshot windowPixels(Display* on, Window window, int width, int height, std::vector<std::uint32_t>* alpha) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(on, window, &attributes);
    const Visual* v = attributes.visual;
    XImage* image = XGetImage(on, window, 0, 0, width, height, AllPlanes, ZPixmap);
    auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0, bits = 0;
        while (((mask >> shift) & 1u) == 0) ++shift;
        while (((mask >> (shift + bits)) & 1u) != 0) ++bits;
        const unsigned long value = (pixel & mask) >> shift;
        return static_cast<std::uint32_t>(bits >= 8 ? value >> (bits - 8) : value << (8 - bits));
    };
    Screenshot shot;
    shot.width = width;
    shot.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            shot.pixels.push_back(channel(p, v->red_mask) << 16 | channel(p, v->green_mask) << 8 | channel(p, v->blue_mask));
            if (alpha != nullptr) alpha->push_back(static_cast<std::uint32_t>(p & ~(v->red_mask | v->green_mask | v->blue_mask)));
        }
    }
    XDestroyImage(image);
    return shot;
}

// Displays of other colour depths: the scene on every true-colour visual of
// 15 to 32 bits (a 32-bit window opaque), and a message and status 1 on
// anything else, never a flat screen.
TEST_F(DisplayMode, EveryTrueColourDepthShowsTheSceneAndOthersSaySo) {
    for (const int depth : {16, 30, 8, 32}) {
        SCOPED_TRACE(depth);
        const std::string screen = "640x480x" + std::to_string(depth == 32 ? 24 : depth);
        const OwnServer server({"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"});
        const std::string& on = server.name;
        ASSERT_FALSE(on.empty());
        Display* d = XOpenDisplay(on.c_str());
        Window window = DefaultRootWindow(d);
        std::vector<std::string> args = {"--root"};
        if (depth == 32) {
            // A window with an alpha channel, as a compositing desktop gives.
            XVisualInfo info{};
            ASSERT_TRUE(XMatchVisualInfo(d, DefaultScreen(d), 32, TrueColor, &info));
            XSetWindowAttributes a{};
            a.colormap = XCreateColormap(d, window, info.visual, AllocNone);
            window = XCreateWindow(d, window, 0, 0, 640, 480, 0, 32, InputOutput, info.visual,
                                   CWColormap | CWBorderPixel | CWBackPixel, &a);
            XMapWindow(d, window);
            XSync(d, False);
            args = {"--window-id", hex(window)};
        }
        const std::string err = home + "/err";
        std::vector<std::string> words = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>'" + err + "'", binary()};
        words.insert(words.end(), args.begin(), args.end());
        const pid_t pid = spawn(words, {"DISPLAY=" + on, "HOME=" + home, "XDG_CONFIG_HOME=" + home,
                                        "SDL_AUDIODRIVER=dummy", "GSETTINGS_BACKEND=memory"});
        if (depth == 8) {
            EXPECT_EQ(waitExit(pid, 5), 1);
            std::ifstream in(err);
            std::string said((std::istreambuf_iterator<char>(in)), {});
            EXPECT_NE(said.find("cannot be drawn in (depth 8"), std::string::npos) << said;
        } else {
            sleepFor(2.5);
            std::vector<std::uint32_t> alpha;
            const Screenshot shot = windowPixels(d, window, 640, 480, &alpha);
            if (depth == 16) {
                std::set<std::uint32_t> colours(shot.pixels.begin(), shot.pixels.end());
                EXPECT_GT(colours.size(), 100u) << "a picture, not a flat screen";
            } else {
                // 30 bits give the pictures' colours back exactly; 640x480 lifts
                // the strip by 100.
                EXPECT_EQ(rowsOffTheScene(shot, 0, 640, 480, 100), std::vector<int>{});
            }
            if (depth == 32) {
                EXPECT_EQ(std::set<std::uint32_t>(alpha.begin(), alpha.end()), std::set<std::uint32_t>{0xFF000000u});
            }
            kill(pid, SIGTERM);
            EXPECT_EQ(waitExit(pid, 2), 0);
        }
        XCloseDisplay(d);
    }
}

// The full-screen scene on two monitors (two screens joined, where RandR
// knows only the first, and without RandR): it covers both, the scene laid
// out for the first and black on the second; nothing of the desktop shows.
TEST_F(DisplayMode, TheFullScreenSceneCoversEveryMonitor) {
    for (const char* randr : {"+extension", "-extension"}) {
        SCOPED_TRACE(randr);
        const OwnServer server({"Xephyr", "-displayfd", "3", "+xinerama", "-screen", "1024x768", "-origin", "1024,0",
                                "-screen", "800x600", randr, "RANDR", "-noreset", "-nolisten", "tcp"});
        const std::string& on = server.name;
        ASSERT_FALSE(on.empty());
        // A white desktop, which must not show anywhere.
        Display* d = XOpenDisplay(on.c_str());
        ASSERT_NE(d, nullptr);
        XSetWindowBackground(d, DefaultRootWindow(d), WhitePixel(d, 0));
        XClearWindow(d, DefaultRootWindow(d));
        XSync(d, False);
        const pid_t pid = startMode({"/s"}, {"DISPLAY=" + on});
        sleepFor(3.0);
        const Screenshot shot = server.capture();
        ASSERT_EQ(shot.width, 1824);
        EXPECT_EQ(rowsOffTheScene(shot, 0, 1024, 760, 0), std::vector<int>{}) << "the first monitor";
        int shown = 0;
        for (int y = 0; y < 768; ++y)
            for (int x = 1024; x < 1824; ++x) shown += shot.at(x, y) != 0;
        EXPECT_EQ(shown, 0) << "pixels of the second monitor that are not black";
        kill(pid, SIGTERM);
        EXPECT_EQ(waitExit(pid, 3), 0);
        XCloseDisplay(d);
    }
}

// A 3840x2160 screen: the full-screen scene and the display mode each show
// a frame of the 1920x1080 scene with every pixel doubled, exactly.
TEST_F(DisplayMode, OnA4KScreenBothShowTheHalfSizeSnapshotDoubled) {
    const OwnServer server({"Xvfb", "-displayfd", "3", "-screen", "0", "3840x2160x24", "-nolisten", "tcp", "-noreset"});
    ASSERT_FALSE(server.name.empty());
    const Picture sky = picture("skypicsource");
    for (const char* mode : {"/s", "--root"}) {
        SCOPED_TRACE(mode);
        const pid_t pid = startMode({mode}, {"DISPLAY=" + server.name});
        sleepFor(3.0);
        const Screenshot shot = server.capture();
        kill(pid, SIGTERM);
        EXPECT_EQ(waitExit(pid, 3), 0);
        const Screenshot half = shrunk(shot, 2);
        ASSERT_EQ(half.width, 1920) << "every pixel doubled";
        // The strip's top-left corner at 1920x1080 is (448, 110); the sky's
        // offset tells the frame, give or take the frames of one capture.
        const int offset = loopOffset(half, 448, 110 + 200, 1024, sky, 200);
        ASSERT_GT(offset, 0);
        bool same = false;
        for (int frames = std::max(offset - 3, 0); frames <= offset + 3 && !same; ++frames) {
            const std::string out = home + "/half.png";
            ASSERT_EQ(waitExit(start({"--snapshot", out, "--frames", std::to_string(frames), "--size", "1920x1080"}, home), 20), 0);
            same = readPicture(out).pixels == half.pixels;
        }
        EXPECT_TRUE(same) << "no frame of the 1920x1080 scene near frame " << offset;
    }
}

TEST_F(DisplayMode, EndsWithStatusZeroOnEachEndSignal) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t pid = startMode({"--window-id", hex(makeWindow(0, 0, 320, 200)), "--music"});
        sleepFor(1.0);
        kill(pid, signal);
        EXPECT_EQ(waitExit(pid, 0.5), 0) << "signal " << signal;
    }
}

// One sound between two processes; when the one that plays ends, the other
// takes the sound over within a few seconds.
TEST_F(DisplayMode, TwoProcessesOnOneDisplayMakeOneSoundAndTheOtherTakesItOver) {
    std::vector<std::string> files;
    for (int i = 0; i < 2; ++i) {
        files.push_back(home + "/sound" + std::to_string(i) + ".raw");
        startMode({"--window-id", hex(makeWindow(400 * i, 0, 320, 200)), "--sound"},
                  {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + files.back()});
    }
    sleepFor(1.5);
    auto size = [](const std::string& f) { return fs::exists(f) ? fs::file_size(f) : 0; };
    int player = -1;
    for (int i = 0; i < 2; ++i) {
        if (size(files[i]) > 0) player = player == -1 ? i : 2;
    }
    ASSERT_TRUE(player == 0 || player == 1) << "one sound";
    kill(pids[player], SIGTERM);
    EXPECT_EQ(waitExit(pids[player], 2), 0);
    sleepFor(3.0);
    const auto before = size(files[1 - player]);
    sleepFor(0.5);
    EXPECT_GT(size(files[1 - player]), before) << "the other plays now";
}

TEST_F(DisplayMode, BadOptionsEndWithStatusTwo) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--root", "--speed", "200"}, {"--window-id", "xyz"}, {"--root", "--unknown"}}) {
        EXPECT_EQ(waitExit(startMode(args), 5), 2) << args.back();
    }
    EXPECT_EQ(waitExit(startMode({"--window-id", "0x1fffff0"}), 5), 1) << "no such window";
}

// The idle timer of the X server fires while the scene runs, so that the
// monitors power off and idle tools still see the idle time.
TEST_F(DisplayMode, TheXScreensaverTimerFiresWhileTheSceneRuns) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"/s"}, {"--root"}}) {
        XSetScreenSaver(display, 2, 0, DontPreferBlanking, AllowExposures);
        XResetScreenSaver(display);
        XSync(display, False);
        const pid_t pid = startMode(args);
        sleepFor(4.0);
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        XScreenSaverQueryInfo(display, DefaultRootWindow(display), info);
        EXPECT_EQ(info->state, ScreenSaverOn) << args[0];
        XFree(info);
        stop(pid);
        XSetScreenSaver(display, 0, 0, DontPreferBlanking, AllowExposures);
        XForceScreenSaver(display, ScreenSaverReset);
        XSync(display, False);
    }
}

// The real daemon, with a private configuration whose only program is the
// one under test.
class Daemon : public DisplayMode {
protected:
    void SetUp() override {
        if (getuid() == 0) GTEST_SKIP() << "the daemon runs no display modes for root";
        DisplayMode::SetUp();
        std::ofstream(home + "/.xscreensaver") << "mode: one\nselected: 0\ntimeout: 1:00:00\nlock: False\n"
                                                  "fade: False\nunfade: False\nsplash: False\ndpmsEnabled: False\n"
                                                  "programs: "
                                               << binary() << " --root \\n\n";
        sound = home + "/sound.raw";
    }
    void TearDown() override {
        if (daemon > 0) {
            kill(daemon, SIGTERM);
            waitpid(daemon, nullptr, 0);
        }
        if (nested > 0) {
            kill(nested, SIGKILL);
            waitpid(nested, nullptr, 0);
        }
        if (display != nullptr) DisplayMode::TearDown();
    }
    std::vector<std::string> environment(const std::string& on) const {
        return {"DISPLAY=" + on, "HOME=" + home, "XDG_CONFIG_HOME=" + home, "GSETTINGS_BACKEND=memory",
                "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + sound};
    }
    // The daemon on display `on`, up and blanking the screen.
    void activate(const std::string& on) {
        daemon = spawn({"xscreensaver", "-no-splash"}, environment(on));
        ASSERT_GT(daemon, 0);
        bool up = false;
        for (int i = 0; i < 50 && !up; ++i) {
            up = runCommand({"sh", "-c", "xscreensaver-command -version >/dev/null 2>&1"}, environment(on)) == 0;
            if (!up) sleepFor(0.2);
        }
        ASSERT_TRUE(up) << "the daemon answers";
        ASSERT_EQ(runCommand({"sh", "-c", "xscreensaver-command -activate >/dev/null"}, environment(on)), 0);
    }
    void deactivate(const std::string& on) {
        EXPECT_EQ(runCommand({"sh", "-c", "xscreensaver-command -deactivate >/dev/null"}, environment(on)), 0);
    }
    pid_t daemon = -1;
    pid_t nested = -1;  // a nested X server
    std::string sound;
};

TEST_F(Daemon, RunsTheModeAsItsChildShowsTheSceneAndEndsItOnDeactivation) {
    const std::string on = DisplayString(display);
    activate(on);
    const auto modes = waitForModes(1, 10);
    ASSERT_EQ(modes.size(), 1u);
    const pid_t mode = *modes.begin();
    EXPECT_EQ(parentName(mode).rfind("xscreensaver", 0), 0u) << parentName(mode);
    sleepFor(2.5);
    const Screenshot shot = capture();
    EXPECT_EQ(rowsOffTheScene(shot, 0, 1024, 760, 0), std::vector<int>{}) << "sky above, sea below";
    EXPECT_EQ(windowsOf(display, mode), 0);
    EXPECT_TRUE(holdsOpen(mode, sound)) << "the sea sound plays";

    deactivate(on);
    for (int i = 0; i < 20 && !modeProcesses().empty(); ++i) sleepFor(0.1);
    EXPECT_TRUE(modeProcesses().empty()) << "gone within 2 s";
}

// Two monitors (one display of two screens joined): a process for each,
// each drawing its own monitor's scene, one sound between them, and their
// end when the display goes away.
TEST_F(Daemon, TwoMonitorsTwoProcessesEachDrawingItsOwnOneSoundAndTheEndWithTheDisplay) {
    const std::string on = startServer({"Xephyr", "-displayfd", "3", "+xinerama", "-screen", "1024x768", "-origin",
                                        "1024,0", "-screen", "800x600", "-noreset", "-nolisten", "tcp"},
                                       nested);
    ASSERT_FALSE(on.empty()) << "the nested server starts";
    activate(on);
    const auto modes = waitForModes(2, 10);
    EXPECT_EQ(modes.size(), 2u);
    sleepFor(2.5);
    setenv("DISPLAY", on.c_str(), 1);
    const Screenshot shot = capture();
    setenv("DISPLAY", DisplayString(display), 1);
    EXPECT_EQ(rowsOffTheScene(shot, 0, 1024, 760, 0), std::vector<int>{}) << "the first monitor";
    EXPECT_EQ(rowsOffTheScene(shot, 1024, 800, 600, 50), std::vector<int>{}) << "the second, laid out for 800x600";
    int sounding = 0;
    for (pid_t mode : modes) sounding += holdsOpen(mode, sound);
    EXPECT_EQ(sounding, 1);
    // The display goes away under them: both end by themselves.
    kill(nested, SIGKILL);
    waitpid(nested, nullptr, 0);
    nested = -1;
    for (int i = 0; i < 10 && !modeProcesses().empty(); ++i) sleepFor(0.1);
    EXPECT_TRUE(modeProcesses().empty()) << "gone within 1 s of the display";
}

}  // namespace
}  // namespace lumaris::e2e
