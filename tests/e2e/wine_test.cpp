// Lumaris.scr, the Windows program, under Wine on Xvfb: the scene shows the
// very frames the Linux program's snapshot draws, ending, the settings from
// the registry, the sea sound, the music, the password library, the
// message for unknown arguments and the single instance; the settings
// dialog's controls and what it saves; the preview in a host window of
// another process; the password change.
//
// LUMARIS_BINARY starts the Windows program (tests/win32/run-scr.sh),
// LUMARIS_SCR is the program, LUMARIS_LINUX_BINARY the Linux one for the
// snapshots, LUMARIS_PASSWORD_CPL the stand-in password library,
// LUMARIS_WINTOOL the program that looks at windows from inside Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "dialog/layout.h"
#include "e2e_support.h"
#include "runtime/resources.h"

namespace lumaris::e2e {
namespace {

const char* kSettingsKey = "HKCU\\Software\\QN Vesmire Lumaris\\Settings";
const char* kDesktopKey = "HKCU\\Control Panel\\Desktop";

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The eight settings the dialog saves when nothing was changed, as the
// registry tool lists them.
const char* const kSavedDefaults[] = {
    "SPEED    REG_SZ    100",     "SOUND    REG_SZ    True",   "MUSIC    REG_SZ    False",
    "CIVILIZATION    REG_SZ    True", "MUSICDIR    REG_SZ    c:\\", "MOUSE    REG_SZ    False",
    "NIGHTMODE    REG_SZ    False", "BALLOON    REG_SZ    False"};

int shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// Gives a window the keyboard focus and does `action` (xdotool's words):
// Wine names its windows before it maps them, so this waits for the map.
bool focusAnd(unsigned long window, const std::string& action) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (shell("xdotool windowfocus --sync " + std::to_string(window) + " " + action) == 0) return true;
        sleepFor(0.1);
    }
    return false;
}

// A command's standard output.
std::string output(const std::string& command) {
    std::string text;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
    // Windows programs end their lines with CR LF.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

void reg(const std::string& args) { shell("/usr/lib/wine/wine64 reg " + args); }

// The registry as a test wants it: only these settings, and the password
// option as given.
void useSettings(const std::vector<std::pair<std::string, std::string>>& values, bool password = false) {
    reg(std::string("delete \"") + kSettingsKey + "\" /f");
    for (const auto& [name, value] : values) {
        reg(std::string("add \"") + kSettingsKey + "\" /v " + name + " /d \"" + value + "\" /f");
    }
    if (password) {
        reg(std::string("add \"") + kDesktopKey + "\" /v ScreenSaveUsePassword /d 1 /f");
    } else {
        reg(std::string("delete \"") + kDesktopKey + "\" /v ScreenSaveUsePassword /f");
    }
}

// The Windows name of a Linux path (Wine's drive Z: is the root).
std::string windowsPath(const std::string& path) {
    std::string text = "Z:" + path;
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    return text;
}

// The Linux program's picture after `frames` frames at this screen size,
// with the stored settings of an empty folder (the defaults).
Screenshot linuxFrame(long frames, int width, int height) {
    const std::string folder = settingsFolder({});
    const std::string file = folder + "/frame.png";
    const std::string command = "XDG_CONFIG_HOME='" + folder + "' HOME='" + folder + "' '" +
                                env("LUMARIS_LINUX_BINARY") + "' --snapshot '" + file + "' --frames " +
                                std::to_string(frames) + " --size " + std::to_string(width) + "x" +
                                std::to_string(height);
    if (shell(command) != 0) throw std::runtime_error("snapshot failed: " + command);
    return readPicture(file);
}

int mismatches(const Screenshot& a, const Screenshot& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
    return n;
}

struct Strip {
    int left, top;
};
// Where the scene's strip starts on a screen of this size: centred, and
// lifted as the scene lifts it for the screen's height.
Strip stripOf(const Screenshot& shot) {
    const int h = shot.height;
    const int lift = h > 1020 ? 430 - h / 2 : h > 600 ? 0 : h > 500 ? 50 : h > 400 ? 100 : h;
    return {std::max(shot.width - 1024, 0) / 2, -lift};
}

class Wine : public ::testing::Test {
protected:
    void SetUp() override {
        home = settingsFolder({});
        // One sound device: ALSA's file plugin, written to home/capture.wav.
        std::ofstream(home + "/.asoundrc") << "pcm.!default {\n type file\n slave.pcm \"null\"\n file \"" << home
                                           << "/capture.wav\"\n format \"wav\"\n}\n";
    }
    void TearDown() override {
        if (HasFailure()) {
            const std::string path = "/tmp/lumaris-wine-" +
                                     std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                                     ".png";
            save(capture(), path);
            std::printf("screenshot saved as %s\n", path.c_str());
        }
        stop(pid);
    }
    void startScene(const std::vector<std::string>& extra = {}) {
        pid = start({"/s"}, home, extra);
        window = waitForWindow("QNVesmire Saver Running", 30);
        ASSERT_NE(window, 0u) << "exit status " << waitExit(pid, 0);
    }
    void focusAnd(const std::string& action) { ASSERT_TRUE(e2e::focusAnd(window, action)) << action; }
    bool running(double seconds) { return waitExit(pid, seconds) == -1; }
    std::string home;
    pid_t pid = -1;
    unsigned long window = 0;
};

// The frame count whose Linux snapshot this screenshot shows: found from the
// sky's offset, which moves on by a fixed step each frame.
long frameOf(const Screenshot& shot, int tries, Screenshot& linux) {
    const Strip s = stripOf(shot);
    const Picture sky = picture("skypicsource");
    const int width = std::min(shot.width, 1024);
    auto skyOffset = [&](const Screenshot& picture) { return loopOffset(picture, s.left, s.top + 200, width, sky, 200); };
    const int seen = skyOffset(shot);
    if (seen < 0) return -1;
    const int at100 = skyOffset(linuxFrame(100, shot.width, shot.height));
    const int at300 = skyOffset(linuxFrame(300, shot.width, shot.height));
    const double step = ((at300 - at100 + 1024) % 1024) / 200.0;
    if (step <= 0) return -1;
    const long guess = 100 + std::lround(((seen - at100 + 1024 + 512) % 1024 - 512) / step);
    for (int d = 0; d <= tries; ++d) {
        for (const long n : {guess - d, guess + d}) {
            if (n < 1) continue;
            linux = linuxFrame(n, shot.width, shot.height);
            if (mismatches(shot, linux) == 0) return n;
        }
    }
    return -1;
}

TEST_F(Wine, TheSceneShowsTheFramesOfTheLinuxSnapshotSplashIncluded) {
    useSettings({});
    startScene();
    // Early (the window may show before its first frame): the splash over
    // the scene, in one of the first 30 frames.
    Screenshot linux;
    long early = -1;
    for (int attempt = 0; attempt < 10 && early < 0; ++attempt) {
        early = frameOf(capture(), 3, linux);
        if (early < 0) sleepFor(0.1);
    }
    EXPECT_GT(early, 0) << "no Linux frame matches the screen while the splash shows";
    EXPECT_LE(early, 30) << "the splash shows for the first 30 frames";
    // Later: the scene alone.
    sleepFor(2.5);
    EXPECT_GT(frameOf(capture(), 3, linux), 30);
}

TEST_F(Wine, AKeyAfterTheGracePeriodEndsWithSuccessASmallMoveDoesNot) {
    useSettings({});
    shell("xdotool mousemove 500 400");
    startScene();
    sleepFor(1.0);
    focusAnd("mousemove 505 400");
    EXPECT_TRUE(running(1.5));
    focusAnd("key x");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
}

TEST_F(Wine, NightModeFromTheRegistryShowsTheMoon) {
    useSettings({{"NIGHTMODE", "True"}, {"SOUND", "False"}});
    startScene();
    sleepFor(2.5);
    const Screenshot shot = capture();
    const Strip s = stripOf(shot);
    const Picture moon = picture("picMoon");
    int wrong = 0;
    for (int y = 0; y < moon.height; ++y)
        for (int x = 0; x < moon.width; ++x) wrong += shot.at(s.left + 823 + x, s.top + 10 + y) != moon.at(x, y);
    EXPECT_EQ(wrong, 0);
}

TEST_F(Wine, TheSeaSoundIsTheRecording) {
    useSettings({});
    startScene();
    sleepFor(3.0);
    std::ifstream file(home + "/capture.wav", std::ios::binary);
    const std::string heard((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto sound = findResource(kWaveType, "TIDEMAR");
    ASSERT_GT(sound.size(), 8000u);
    // A stretch from the middle of the recording, sample for sample.
    const std::string stretch(reinterpret_cast<const char*>(sound.data()) + 4000, 4000);
    EXPECT_NE(heard.find(stretch), std::string::npos) << heard.size() << " bytes heard";
}

// The processor time of the Windows program's process in microseconds, from
// the scheduler's counts of all its threads.
long long cpuOfScr() {
    long long total = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (!std::getline(comm, name) || name != "Lumaris.scr") continue;
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator(entry.path() / "task", error)) {
            std::ifstream stat(task.path() / "schedstat");
            long long ns = 0;
            stat >> ns;
            total += ns / 1000;
        }
    }
    return total;
}

// While the monitors are off the scene draws nothing and plays nothing; when
// they come back both go on.
TEST_F(Wine, WhileTheDisplayIsDarkTheSceneRestsAndGoesOnAfter) {
    useSettings({});
    startScene();
    sleepFor(2.0);
    auto power = [](const char* state) {
        return output("/usr/lib/wine/wine64 '" + env("LUMARIS_WINTOOL") + "' monitorpower 'QNVesmire Saver Running' " +
                      state);
    };
    const std::string sound = home + "/capture.wav";
    auto sample = [&] {
        std::error_code error;
        return std::pair{cpuOfScr(), static_cast<long long>(std::filesystem::file_size(sound, error))};
    };
    ASSERT_EQ(power("2"), "sent 2\n");
    sleepFor(0.5);
    const auto darkFrom = sample();
    sleepFor(2.0);
    const auto darkTo = sample();
    ASSERT_EQ(power("-1"), "sent -1\n");
    sleepFor(0.5);
    const auto litFrom = sample();
    sleepFor(2.0);
    const auto litTo = sample();
    EXPECT_EQ(darkTo.second, darkFrom.second) << "sound written while dark";
    EXPECT_GT(litTo.second, litFrom.second) << "no sound after";
    EXPECT_GT(litTo.first - litFrom.first, 0);
    EXPECT_LT(darkTo.first - darkFrom.first, (litTo.first - litFrom.first) / 10)
        << "microseconds of processor time while dark, and while lit";
    EXPECT_TRUE(running(0.1));
}

void makeTone(const std::string& path, double frequency) {
    const std::string wav = path + ".wav";
    std::ofstream out(wav, std::ios::binary);
    const int n = 8000 * 4 / 10;  // 0.4 s at 8 kHz
    auto put = [&](std::uint32_t v, int bytes) { out.write(reinterpret_cast<const char*>(&v), bytes); };
    out.write("RIFF", 4);
    put(36 + n * 2, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4), put(1, 2), put(1, 2), put(8000, 4), put(16000, 4), put(2, 2), put(16, 2);
    out.write("data", 4);
    put(n * 2, 4);
    for (int i = 0; i < n; ++i) {
        put(static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * std::sin(6.283185 * frequency * i / 8000))), 2);
    }
    out.close();
    ASSERT_EQ(shell("lame --quiet -b 32 '" + wav + "' '" + path + "'"), 0);
    std::remove(wav.c_str());
}

TEST_F(Wine, MusicFilesPlayOneAfterAnother) {
    const std::string music = home + "/music";
    shell("mkdir -p '" + music + "'");
    for (const auto& [name, frequency] : {std::pair{"a", 440.0}, {"b", 550.0}, {"c", 660.0}}) {
        makeTone(music + "/" + name + ".mp3", frequency);
    }
    useSettings({{"SOUND", "False"}, {"MUSIC", "True"}, {"MUSICDIR", windowsPath(music)}});
    startScene();
    sleepFor(0.8);
    focusAnd("key m");  // the label shows the file that plays
    // The white text of the label, as seen every quarter second: a new file
    // shows a new path.
    std::set<std::vector<int>> paths;
    for (int i = 0; i < 24; ++i) {
        sleepFor(0.25);
        const Screenshot shot = capture();
        std::vector<int> white;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 500; ++x)
                if (shot.at(x, y) == 0xFFFFFF) white.push_back(y * 500 + x);
        if (!white.empty()) paths.insert(white);
    }
    EXPECT_GE(paths.size(), 2u) << "a second file started after the first";
}

TEST_F(Wine, WithThePasswordOptionTheLibraryDecidesWithoutItAKeyEnds) {
    // No password library (the system checks it itself): a key ends.
    useSettings({}, true);
    startScene();
    sleepFor(1.0);
    focusAnd("key x");
    EXPECT_EQ(waitExit(pid, 10), 0);

    // With one beside the program: its refusal keeps the scene, its consent
    // ends it.
    const std::string folder = home + "/program";
    shell("mkdir -p '" + folder + "' && cp '" + env("LUMARIS_SCR") + "' '" + env("LUMARIS_PASSWORD_CPL") + "' '" +
          folder + "'");
    const std::string answer = home + "/answer", log = home + "/asked.log";
    std::ofstream(answer) << "wrong";
    startScene({"LUMARIS_SCR=" + folder + "/Lumaris.scr", "LUMARIS_TEST_PASSWORD=" + windowsPath(answer),
                "LUMARIS_TEST_PASSWORD_LOG=" + windowsPath(log)});
    sleepFor(1.0);
    focusAnd("key x");
    EXPECT_TRUE(running(2.0));
    std::ofstream(answer) << "right";
    sleepFor(0.6);  // the grace period starts again after a refusal
    focusAnd("key x");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
    std::ifstream asked(log);
    const std::string calls((std::istreambuf_iterator<char>(asked)), std::istreambuf_iterator<char>());
    EXPECT_EQ(calls, "asked\nasked\n");
}

TEST_F(Wine, UnknownArgumentsShowTheirMessageASecondSaverEndsAtOnce) {
    useSettings({});
    pid = start({"/q"}, home);
    const unsigned long box = waitForWindow("Lumaris", 30);
    ASSERT_NE(box, 0u) << "exit status " << waitExit(pid, 0);
    ASSERT_TRUE(e2e::focusAnd(box, "key Return"));
    EXPECT_GE(waitExit(pid, 10), 0);

    startScene();
    const pid_t second = start({"/s"}, home);
    EXPECT_EQ(waitExit(second, 10), 0);
    EXPECT_TRUE(running(0.5));
    focusAnd("key x");
    EXPECT_EQ(waitExit(pid, 10), 0);

    // Two started at the same moment: one runs.
    pid = start({"/s"}, home);
    const pid_t other = start({"/s"}, home);
    ASSERT_NE(waitForWindow("QNVesmire Saver Running", 30), 0u);
    // The second waits for the first's caption (three seconds at most).
    sleepFor(4.0);
    const bool first = waitExit(pid, 0.1) == -1, next = waitExit(other, 0.1) == -1;
    EXPECT_NE(first, next) << "exactly one of the two runs";
    stop(other);
}

// A window's controls as the Windows program that made it sees them.
struct ControlSeen {
    std::string className, text;
    int left, top, width, height;
    bool visible;
};
std::vector<ControlSeen> controlsOf(const std::string& title, int& width, int& height) {
    std::vector<ControlSeen> found;
    // Right after a fresh Wine server starts, the tool may end before it has
    // looked: it is asked again.
    std::string text;
    for (int attempt = 0; attempt < 10 && text.find("client ") == std::string::npos; ++attempt) {
        if (attempt > 0) sleepFor(0.5);
        text = output("/usr/lib/wine/wine64 '" + env("LUMARIS_WINTOOL") + "' controls '" + title + "'");
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("client ", 0) == 0) std::sscanf(line.c_str(), "client %d %d", &width, &height);
        if (line.rfind("control ", 0) != 0) continue;
        std::vector<std::string> f;
        std::istringstream fields(line.substr(8));
        for (std::string field; std::getline(fields, field, '|');) f.push_back(field);
        if (f.size() == 7) {
            found.push_back({f[0], f[1], std::stoi(f[2]), std::stoi(f[3]), std::stoi(f[4]), std::stoi(f[5]), f[6] == "1"});
        }
    }
    return found;
}

const ControlSeen* seen(const std::vector<ControlSeen>& controls, const std::string& text) {
    for (const ControlSeen& c : controls) {
        if (c.text == text) return &c;
    }
    return nullptr;
}

TEST_F(Wine, TheSettingsDialogHasTheTablesControlsAtTheirPlaces) {
    useSettings({});
    pid = start({"/c"}, home);
    window = waitForWindow(kConfigCaption, 30);
    ASSERT_NE(window, 0u) << "exit status " << waitExit(pid, 0);
    int width = 0, height = 0;
    const auto controls = controlsOf(kConfigCaption, width, height);
    EXPECT_EQ(width, 341);
    EXPECT_EQ(height, 369);
    for (const DialogControl& c : dialogLayout()) {
        if (c.kind == ControlKind::HScrollBar) continue;  // no caption: found by its class below
        const ControlSeen* control = seen(controls, c.caption);
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(control->className, c.kind == ControlKind::Label ? "Static" : "Button") << c.name;
        EXPECT_EQ(control->left, c.left / 15) << c.name;
        EXPECT_EQ(control->top, c.top / 15) << c.name;
        if (!c.sizedToText) {
            EXPECT_EQ(control->width, c.width / 15) << c.name;
            EXPECT_EQ(control->height, c.height / 15) << c.name;
        }
    }
    const auto bar = std::find_if(controls.begin(), controls.end(), [](auto& c) { return c.className == "ScrollBar"; });
    ASSERT_NE(bar, controls.end());
    EXPECT_EQ(bar->left, 81);
    EXPECT_EQ(bar->width, 105);

    // Music on shows the folder and its button; off hides them and the
    // no-mp3 label. Music is fourth in the focus order, OK first.
    focusAnd("key Tab Tab Tab space");
    sleepFor(0.3);
    auto shown = controlsOf(kConfigCaption, width, height);
    EXPECT_TRUE(seen(shown, "Directory")->visible);
    EXPECT_TRUE(seen(shown, "c:\\")->visible);
    EXPECT_TRUE(seen(shown, "(No mp3's in this directory)")->visible);
    focusAnd("key space");
    sleepFor(0.3);
    shown = controlsOf(kConfigCaption, width, height);
    EXPECT_FALSE(seen(shown, "Directory")->visible);
    EXPECT_FALSE(seen(shown, "c:\\")->visible);
    EXPECT_FALSE(seen(shown, "(No mp3's in this directory)")->visible);
    focusAnd("key Escape");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
}

// The user's pixel density (150% and 200%): the dialog and every control
// of it 1.5 and 2 times its size at 100%, text sized to fit aside; the
// scene on a 3840x2160 screen at 200% every pixel doubled, a frame of the
// Linux program's 1920x1080 scene.
TEST_F(Wine, AtEveryDensityTheDialogGrowsAndTheSceneIsDoubledOnA4KScreen) {
    useSettings({});
    for (const int dpi : {144, 192}) {
        SCOPED_TRACE(dpi);
        reg(std::string("add \"") + kDesktopKey + "\" /v LogPixels /t REG_DWORD /d " + std::to_string(dpi) + " /f");
        pid = start({"/c"}, home);
        window = waitForWindow(kConfigCaption, 30);
        ASSERT_NE(window, 0u) << "exit status " << waitExit(pid, 0);
        int width = 0, height = 0;
        const auto controls = controlsOf(kConfigCaption, width, height);
        const double f = dpi / 96.0;
        EXPECT_NEAR(width, 341 * f, 0.5);
        EXPECT_NEAR(height, 369 * f, 0.5);
        for (const DialogControl& c : dialogLayout()) {
            if (c.kind == ControlKind::HScrollBar || c.sizedToText) continue;
            const ControlSeen* seenAs = seen(controls, c.caption);
            ASSERT_NE(seenAs, nullptr) << c.name;
            const double at100[] = {c.left / 15.0, c.top / 15.0, c.width / 15.0, c.height / 15.0};
            const int shown[] = {seenAs->left, seenAs->top, seenAs->width, seenAs->height};
            for (int i = 0; i < 4; ++i) EXPECT_NEAR(shown[i], at100[i] * f, 0.5) << c.name << " " << i;
        }
        focusAnd("key Escape");
        EXPECT_EQ(waitExit(pid, 10), 0);
        pid = -1;
        if (dpi != 192 || env("LUMARIS_SCREEN") != "3840x2160") continue;
        startScene();
        sleepFor(3.0);
        const Screenshot half = shrunk(capture(), 2);
        ASSERT_EQ(half.width, 1920) << "every pixel doubled";
        Screenshot linux;
        EXPECT_GT(frameOf(half, 3, linux), 0) << "no frame of the Linux scene";
    }
    reg(std::string("delete \"") + kDesktopKey + "\" /v LogPixels /f");
}

// Two monitors, the primary one right of the other (a virtual desktop that
// starts left of the primary's origin): one window covers both, and the
// scene, laid out for the primary's 800x600, lies at the window's top
// left, on the other monitor; the primary shows black.
TEST_F(Wine, OneWindowCoversBothMonitorsFromLeftOfThePrimary) {
    useSettings({});
    const std::string driver = "\"HKCU\\Software\\Wine\\X11 Driver\"";
    reg("add " + driver + " /v PrimaryMonitor /d 1 /f");
    // Wine reads its monitors when its desktop starts: a new one reads this.
    shell("/usr/lib/wine/wineserver -k");
    startScene();
    sleepFor(3.0);
    const Screenshot shot = capture();
    reg("delete " + driver + " /v PrimaryMonitor /f");
    ASSERT_EQ(shot.width, 1824);
    Screenshot left;
    left.width = 800;
    left.height = 600;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) left.pixels.push_back(shot.at(x, y));
    Screenshot linux;
    EXPECT_GT(frameOf(left, 3, linux), 0) << "no frame of the Linux scene at 800x600";
    int shown = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 1024; x < 1824; ++x) shown += shot.at(x, y) != 0;
    EXPECT_EQ(shown, 0) << "pixels of the primary monitor that are not black";
}

// The 32-bit program a user downloads, in a virtual machine with 32-bit
// Wine (tests/win32/run-vm.sh, LUMARIS_VM): its box for unknown arguments,
// the scene (a frame of the Linux program's, pixel for pixel; a key ends
// it with status 0), the dialog's eight defaults saved with Enter, and the
// 32-bit installer and uninstaller. LUMARIS_SCR32 and LUMARIS_INSTALLER32
// name the files.
TEST_F(Wine, TheShipped32BitProgramInAVirtualMachine) {
    const std::string share = settingsFolder({}) + "/share", out = share + "/out";
    std::filesystem::create_directories(share);
    std::filesystem::copy_file(env("LUMARIS_SCR32"), share + "/Lumaris.scr");
    std::filesystem::copy_file(env("LUMARIS_INSTALLER32"), share + "/Lumaris-2.01-setup.exe");
    std::filesystem::copy_file(env("LUMARIS_VM_JOB"), share + "/job");
    ASSERT_EQ(shell(env("LUMARIS_VM_RUN") + " '" + share + "'"), 0) << "the machine did not run";
    auto read = [&](const std::string& name) {
        std::ifstream file(out + "/" + name);
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    };
    ASSERT_EQ(read("done"), "done\n") << read("../job.log");
    EXPECT_NE(read("x.window"), "\n") << "no box for /x";
    EXPECT_EQ(read("x.status"), "0\n");
    EXPECT_NE(read("s.window"), "\n") << "no scene for /s";
    EXPECT_EQ(read("s.status"), "0\n") << "a key ends the scene with status 0";
    ASSERT_EQ(shell("convert 'xwd:" + out + "/s.xwd' '" + out + "/s.png'"), 0);
    Screenshot linux;
    EXPECT_GT(frameOf(readPicture(out + "/s.png"), 3, linux), 0) << "no frame of the Linux scene";
    EXPECT_EQ(read("c.status"), "0\n");
    const std::string saved = read("settings.txt");
    for (const char* value : kSavedDefaults) EXPECT_NE(saved.find(value), std::string::npos) << value << " in\n" << saved;
    EXPECT_EQ(read("setup.status"), "0\n");
    EXPECT_EQ(read("installed.txt"), "Lumaris.scr\nUninstall Lumaris.exe\nlumzreadme.txt\n");
    EXPECT_NE(read("scrnsave.txt").find("\\Programs\\Lumaris\\Lumaris.scr"), std::string::npos);
    EXPECT_NE(read("installed-s.window"), "\n") << "the installed program shows the scene";
    EXPECT_EQ(read("uninstalled.txt"), "gone\n");
    EXPECT_NE(read("scrnsave-after.txt").find("C:\\windows\\system32\\before.scr"), std::string::npos);
}

// From a folder whose name the ANSI code page cannot spell (a user name in
// another script), the ReadMe button still opens the read-me beside the
// program: by the folder's short name.
TEST_F(Wine, TheReadMeIsFoundBesideTheProgramInAFolderOfAnyName) {
    useSettings({});
    // Under Wine a short name is a hash of the long one: the folders above
    // the program's have names that are short names already, since among
    // the many like-named folders a test run leaves in /tmp two may share
    // a hash, and a short path through them leads nowhere.
    char parent[] = "/tmp/lzXXXXXX";
    ASSERT_NE(mkdtemp(parent), nullptr);
    const std::string folder = std::string(parent) + "/Progr\xC3\xA1m \xE6\x97\xA5\xE6\x9C\xAC";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(env("LUMARIS_SCR"), folder + "/Lumaris.scr");
    std::ofstream(folder + "/lumzreadme.txt") << "read me\n";
    const std::string trace = home + "/trace.txt";
    // Started as the system starts a screensaver: from the system folder.
    const std::string pidFile = home + "/dialog.pid";
    shell("cd \"$WINEPREFIX/drive_c/windows/system32\" && { HOME='" + home +
          "' WINEDEBUG=trace+exec /usr/lib/wine/wine64 '" + folder + "/Lumaris.scr' /c 2>'" + trace +
          "' & echo $! >'" + pidFile + "'; }");
    pid_t dialogPid = -1;
    std::ifstream(pidFile) >> dialogPid;
    ASSERT_GT(dialogPid, 0);
    const unsigned long dialog = waitForWindow("Configuration", 30);
    ASSERT_NE(dialog, 0u);
    // The ReadMe button: (3240, 600) twips, 57 x 25 pixels.
    ASSERT_TRUE(e2e::focusAnd(dialog, "mousemove --window " + std::to_string(dialog) + " 244 52 click 1"));
    std::string opened;
    for (int attempt = 0; attempt < 50 && opened.empty(); ++attempt) {
        sleepFor(0.1);
        std::ifstream in(trace);
        for (std::string line; std::getline(in, line);) {
            const auto at = line.find("ShellExecuteA");
            const auto from = line.find('"', at), to = line.find('"', from + 1);
            if (at != std::string::npos && from != std::string::npos && to != std::string::npos) {
                opened = line.substr(from + 1, to - from - 1);
            }
        }
    }
    // The dialog, and whatever the system showed for the read-me, go.
    kill(dialogPid, SIGKILL);
    for (int attempt = 0; attempt < 50 && shell("xdotool search --name '^Configuration$'") == 0; ++attempt) {
        sleepFor(0.1);
    }
    ASSERT_FALSE(opened.empty()) << "the ReadMe button opened nothing";
    std::string windows;  // the trace doubles each backslash
    for (std::size_t i = 0; i < opened.size(); ++i) {
        windows += opened[i];
        if (opened[i] == '\\' && i + 1 < opened.size() && opened[i + 1] == '\\') ++i;
    }
    std::string unix = output("/usr/lib/wine/wine64 winepath -u '" + windows + "'");
    while (!unix.empty() && unix.back() == '\n') unix.pop_back();
    EXPECT_TRUE(std::filesystem::exists(unix)) << windows << " is " << unix;
    EXPECT_EQ(std::filesystem::path(unix).filename(), "lumzreadme.txt");
    std::filesystem::remove_all(parent);
}

// The installer, silent: the program and its read-me in the user's
// programs folder, chosen as the screensaver, an entry in Installed apps;
// the installed program runs; the uninstaller takes it all away and puts
// the screensaver before it back.
TEST_F(Wine, TheInstallerAndItsUninstallerForTheCurrentUser) {
    const std::string desktop = std::string("\"") + kDesktopKey + "\"";
    const std::string entry = "\"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumaris\"";
    auto query = [](const std::string& key, const std::string& value) {
        const std::string text = output("/usr/lib/wine/wine64 reg query " + key + " /v " + value);
        const auto at = text.find("REG_SZ");
        if (at == std::string::npos) return std::string();
        std::string v = text.substr(text.find_first_not_of(' ', at + 6));
        return v.substr(0, v.find('\n'));
    };
    reg("add " + desktop + " /v SCRNSAVE.EXE /d \"C:\\windows\\system32\\before.scr\" /f");
    ASSERT_EQ(shell("/usr/lib/wine/wine64 '" + env("LUMARIS_INSTALLER") + "' /S"), 0);
    const std::string local = output("/usr/lib/wine/wine64 cmd /c echo %LOCALAPPDATA%");
    const std::string folder = local.substr(0, local.find('\n')) + "\\Programs\\Lumaris";
    std::string unix = output("/usr/lib/wine/wine64 winepath -u '" + folder + "'");
    unix = unix.substr(0, unix.find('\n'));
    for (const char* file : {"Lumaris.scr", "lumzreadme.txt", "Uninstall Lumaris.exe"}) {
        EXPECT_TRUE(std::filesystem::exists(unix + "/" + file)) << file << " in " << unix;
    }
    EXPECT_EQ(query(desktop, "SCRNSAVE.EXE"), folder + "\\Lumaris.scr");
    EXPECT_EQ(query(desktop, "ScreenSaveActive"), "1");
    EXPECT_EQ(query(entry, "DisplayName"), "Lumaris");
    EXPECT_EQ(query(entry, "UninstallString"), "\"" + folder + "\\Uninstall Lumaris.exe\"");

    useSettings({});
    pid = start({"/s"}, home, {"LUMARIS_SCR=" + unix + "/Lumaris.scr"});
    EXPECT_NE(waitForWindow("QNVesmire Saver Running", 30), 0u) << "the installed program shows the scene";
    stop(pid);
    pid = -1;

    ASSERT_EQ(shell("/usr/lib/wine/wine64 '" + unix + "/Uninstall Lumaris.exe' /S"), 0);
    // The uninstaller finishes from a copy of itself.
    for (int attempt = 0; attempt < 100 && std::filesystem::exists(unix); ++attempt) sleepFor(0.1);
    EXPECT_FALSE(std::filesystem::exists(unix)) << "the program's folder is gone";
    EXPECT_EQ(query(desktop, "SCRNSAVE.EXE"), "C:\\windows\\system32\\before.scr");
    EXPECT_EQ(query(entry, "DisplayName"), "");
    reg("delete " + desktop + " /v SCRNSAVE.EXE /f");
}

TEST_F(Wine, TheSettingsDialogSavesOnEnterAndNotOnEscape) {
    const std::string query = "/usr/lib/wine/wine64 reg query \"" + std::string(kSettingsKey) + "\"";
    useSettings({});
    // The dialog, given the keys; it ends with status 0.
    auto dialogWith = [&](const std::string& keys) {
        pid = start({"/c"}, home);
        window = waitForWindow(kConfigCaption, 30);
        ASSERT_NE(window, 0u);
        focusAnd("key " + keys);
        EXPECT_EQ(waitExit(pid, 10), 0);
        pid = -1;
    };
    ASSERT_NO_FATAL_FAILURE(dialogWith("Escape"));
    EXPECT_EQ(output(query).find("SPEED"), std::string::npos) << "Esc saves nothing";

    ASSERT_NO_FATAL_FAILURE(dialogWith("Return"));
    const std::string saved = output(query);
    for (const char* value : kSavedDefaults) {
        EXPECT_NE(saved.find(value), std::string::npos) << value << " in\n" << saved;
    }

    // Tab reaches the speed bar after OK; its keys move it: 100, +10, +50
    // (to the end, 150), -50, -10.
    ASSERT_NO_FATAL_FAILURE(dialogWith("Tab Right Next Prior Left Return"));
    EXPECT_NE(output(query).find("SPEED    REG_SZ    90"), std::string::npos) << output(query);
}

TEST_F(Wine, TheSettingsDialogsMessages) {
    // A speed the bar cannot take.
    useSettings({{"SPEED", "70"}});
    pid = start({"/c"}, home);
    unsigned long box = waitForWindow("Error loading config form", 30);
    EXPECT_NE(box, 0u);
    stop(pid);
    // No sound device (no ALSA configuration in this home).
    const std::string silent = settingsFolder({});
    useSettings({});
    pid = start({"/c"}, silent);
    box = waitForWindow("Sound Problem", 30);
    EXPECT_NE(box, 0u);
}

TEST_F(Wine, ThePreviewLivesInItsHostAndEndsWithIt) {
    useSettings({});
    std::istringstream report(output("/usr/lib/wine/wine64 '" + env("LUMARIS_WINTOOL") + "' host '" +
                                     windowsPath(env("LUMARIS_SCR")) + "'"));
    std::map<std::string, std::string> seenOf;
    for (std::string line; std::getline(report, line);) {
        const auto blank = line.find(' ');
        if (blank != std::string::npos) seenOf[line.substr(0, blank)] = line.substr(blank + 1);
    }
    EXPECT_EQ(seenOf["child"], "1");
    EXPECT_EQ(seenOf["caption"], "Preview QNVesmire Saver");
    EXPECT_EQ(seenOf["rect"], "0 0 " + seenOf["host"]);
    EXPECT_EQ(seenOf["ended"], "1") << "the preview ends within a second of its host";

    // A handle that is no window: the preview ends quietly.
    pid = start({"/p", "12345"}, home);
    EXPECT_EQ(waitExit(pid, 15), 0);
    pid = -1;
}

TEST_F(Wine, ThePasswordChangeEndsWithoutAWindowOfOurs) {
    pid = start({"/a", "1234"}, home);
    EXPECT_EQ(waitExit(pid, 15), 0);
    pid = -1;
    EXPECT_EQ(waitForWindow("Lumaris", 0.5), 0u);
}

}  // namespace
}  // namespace lumaris::e2e
