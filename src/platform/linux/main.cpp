// The Linux composition root: builds the Linux services and toolkit, then
// runs the program (app/forms.h). Also the snapshot option, which runs the
// scene off-screen (app/snapshot.h).
#include <SDL.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/display_mode.h"
#include "app/forms.h"
#include "app/snapshot.h"
#include "platform/linux/desktop_registry.h"
#include "platform/linux/dir_search.h"
#include "platform/linux/gio_shell.h"
#include "platform/linux/ini_store.h"
#include "platform/linux/linux_toolkit.h"
#include "platform/linux/message_box.h"
#include "platform/linux/password_change.h"
#include "platform/linux/paths.h"
#include "platform/linux/private_lock.h"
#include "platform/linux/process.h"
#include "platform/linux/screen_lock.h"
#include "platform/linux/sdl_audio.h"
#include "platform/linux/poll_loop.h"
#include "platform/linux/sdl_window.h"
#include "platform/linux/x11_display.h"
#include "platform/linux/x11_windows.h"
#include "platform/null/null_platform.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_display_mode.h"
#include "runtime/failure.h"
#include "runtime/scale.h"
#include "startup/lumz_submain.h"

namespace lumaris::linux_backend {
namespace {

const char* kHelp =
    "Usage: lumaris [ARGUMENT]\n"
    "A sea-view screensaver.\n"
    "\n"
    "  (none), /c      the settings dialog\n"
    "  /s              the screensaver, full screen\n"
    "  /p ID, /l ID    the preview inside the X11 window ID (decimal)\n"
    "  /a [ID]         change the password that unlocks the screensaver\n"
    "\n"
    "  --snapshot FILE.png --frames N [--size WxH] [--scale N|auto]\n"
    "                  run the scene off-screen with the stored settings for N\n"
    "                  frames and write the picture (default size 1024x768);\n"
    "                  no window, no sound\n"
    "\n"
    "  --root          the display mode for a screensaver daemon: the scene in\n"
    "                  the window XSCREENSAVER_WINDOW names, else the root window\n"
    "  --window-id ID  the display mode in the X11 window ID (0x... or decimal)\n"
    "                  The display mode takes the stored settings; these replace\n"
    "                  them: --speed N (80..150), --sound, --no-sound, --music,\n"
    "                  --no-music, --music-dir FOLDER, --town, --no-town,\n"
    "                  --night, --day, --balloon, --no-balloon, --scale N|auto\n"
    "\n"
    "  Scale: on a large screen every pixel of the scene is shown as a block of\n"
    "  N x N pixels, N the largest whole number that leaves at least 1024x768\n"
    "  (160x120 for the preview); --scale 1 to 8 fixes it. For /s and /p the\n"
    "  environment entry LUMARIS_SCALE (auto, 1 to 8) does the same.\n"
    "  --help          this text\n";

// LUMARIS_STATS: what the benchmarks read, on standard error at the end.
void printStats() {
    if (std::getenv("LUMARIS_STATS") != nullptr) {
        std::fprintf(stderr, "frames %llu\nfirst-frame-ms %.1f\n", static_cast<unsigned long long>(framesPresented()),
                     firstFrameMs());
    }
}

// The Wayland display's name for the session's sound lock: a connection
// handed over belongs to the session of WAYLAND_DISPLAY's default name.
std::string waylandDisplayName() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return name != nullptr && *name != '\0' ? name : "wayland-0";
}

// The display mode: no window of its own, no input, no messages but on
// standard error; it ends with status 0 on SIGTERM, SIGINT, SIGHUP and SIGQUIT.
int displayMode(int argc, char** argv, const DisplayOptions& given) {
    DisplayOptions options = given;
    if (options.window == 0) {
        const char* named = std::getenv("XSCREENSAVER_WINDOW");
        if (named != nullptr && named[0] != '\0' && !parseWindowId(named, options.window)) {
            std::fprintf(stderr, "lumaris: XSCREENSAVER_WINDOW is not a window id: %s\n", named);
            return 1;
        }
    }
    // The loop handles the end signals; SDL (sound only here) must not.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    PollLoop loop;
    loop.quitOnEndSignals();
    try {
        const bool wayland = wayland_backend::waylandDisplayMode(options);
        std::unique_ptr<X11Target> target;
        std::unique_ptr<wayland_backend::WaylandConnection> connection;
        if (wayland) {
            connection = std::make_unique<wayland_backend::WaylandConnection>();
        } else {
            target = std::make_unique<X11Target>(options.window);
        }
        LinuxApp app(argc, argv);
        LinuxClock clock;
        LinuxRandom random;
        IniFileStore store(IniFileStore::defaultFolder());
        null_backend::NoRegistry registry;
        RasterGdi gdi;
        SdlPictures pictures;
        SdlMixer mixer([&loop](std::function<void()> work) { loop.Post(std::move(work)); });
        SdlAudio audio(mixer);
        LinuxFiles files(musicFolder());
        StderrUi ui;
        null_backend::NoWindows user32;
        null_backend::FixedScreen screen;
        null_backend::NoPasswords passwords;
        null_backend::NoShell shell;
        Platform host{ui,  app,      clock, random, user32, screen, store, registry, passwords,
                      gdi, pictures, audio, files,  shell};
        app.atEnd([&mixer] { mixer.close(); });
        // Without a lock file to agree on, every process plays: better twice
        // than never.
        PrivateLock sound(displaySoundLockName(wayland ? waylandDisplayName() : target->name()));
        auto claimSound = [&sound] { return !sound.usable() || sound.tryTake(); };
        int status = 0;
        if (wayland) {
            wayland_backend::WaylandDisplayModeToolkit toolkit(
                loop, *connection, [&mixer] { return std::make_unique<SdlMediaControl>(mixer, musicFolder()); },
                options.scale);
            status = wayland_backend::runWaylandDisplayMode(host, toolkit, *connection, options, claimSound);
        } else {
            DisplayModeToolkit toolkit(loop, *target, mixer, options.scale);
            status = runDisplayMode(host, toolkit, options, claimSound);
        }
        mixer.close();
        printStats();
        return status;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "lumaris: %s\n", failure.message().c_str());
        return 1;
    }
}

// The mode letter of the command line (the second character; the first is
// never examined), upper case; 0 for none.
char modeLetter(int argc, char** argv) {
    if (argc < 2) return 0;
    std::string arguments;
    for (int i = 1; i < argc; ++i) arguments += std::string(i > 1 ? " " : "") + argv[i];
    const std::size_t first = arguments.find_first_not_of(" \t");
    if (first == std::string::npos || first + 1 >= arguments.size()) return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(arguments[first + 1])));
}

bool named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// LUMARIS_SCALE: the user's scale for /s and /p; automatic (0) where it is
// not set, and, with a line on standard error, where it is not a scale.
int scaleChoiceFromEnvironment() {
    const char* scale = std::getenv("LUMARIS_SCALE");
    int choice = 0;
    if (scale == nullptr || *scale == '\0') return 0;
    if (parseScale(scale, choice)) return choice;
    std::fprintf(stderr,
                 "lumaris: LUMARIS_SCALE must be auto or a whole number from 1 to 8, not %s; "
                 "automatic is used\n",
                 scale);
    return 0;
}

// The services of the whole program on every Linux desktop: all but the
// windows and the screen, which are the display system's.
struct ProgramServices {
    ProgramServices(int argc, char** argv, EventLoop& loop)
        : app(argc, argv), mixer([&loop](std::function<void()> work) { loop.Post(std::move(work)); }) {}
    Platform platform(User32& user32, Screen& screen) {
        return Platform{ui,  app,      clock, random, user32, screen, store, registry, passwords,
                        gdi, pictures, audio, files,  shell};
    }
    static std::string searchPath() {
        const char* path = std::getenv("PATH");
        return path != nullptr ? path : "/usr/bin:/bin";
    }
    LinuxUi ui;
    LinuxApp app;
    LinuxClock clock;
    LinuxRandom random;
    IniFileStore store{IniFileStore::defaultFolder()};
    DesktopRegistry registry = DesktopRegistry::forCurrentUser();
    LinuxPasswords passwords{ui, searchPath()};
    RasterGdi gdi;
    SdlPictures pictures;
    SdlMixer mixer;
    SdlAudio audio{mixer};
    LinuxFiles files{musicFolder()};
    GtkShell shell;
};

// The full-screen scene as a Wayland client: an overlay on every output.
int waylandScreensaver(int argc, char** argv) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    PollLoop loop;
    try {
        wayland_backend::WaylandConnection connection;
        ProgramServices services(argc, argv, loop);
        wayland_backend::WaylandDesktop desktop(connection, scaleChoiceFromEnvironment());
        Platform platform = services.platform(desktop, desktop);
        SdlMixer& mixer = services.mixer;
        LinuxApp& app = services.app;
        wayland_backend::WaylandToolkit toolkit(loop, connection, desktop, mixer);
        services.passwords.setVerifier([&toolkit](Hwnd) {
            return toolkit.askPassword([](const std::string& user, const char* password) {
                return pamAuthenticate(kPamService, user, password);
            });
        });
        // An end signal is a request to end, as the session's quit is on X11.
        loop.onEndSignal([&toolkit] { toolkit.terminate(); });
        loop.quitOnEndSignals();
        app.atEnd(printStats);
        app.atEnd([&mixer] { mixer.close(); });
        loop.Post([&app] { app.releaseStartLock(); });
        LumzSubMain module;
        runProgram(module, platform, toolkit);
        mixer.close();
        printStats();
        return services.ui.unseenMessages() > 0 ? EXIT_FAILURE : EXIT_SUCCESS;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "lumaris: %s\n", failure.message().c_str());
        return 1;
    }
}

int snapshot(int argc, char** argv) {
    SnapshotOptions options;
    if (!parseSnapshot(std::vector<std::string>(argv + 1, argv + argc), options)) {
        std::fprintf(stderr, "lumaris: %s\n", kSnapshotUsage);
        return 2;
    }
    LinuxUi ui;
    LinuxClock clock;
    LinuxRandom random;
    IniFileStore store(IniFileStore::defaultFolder());
    DesktopRegistry registry = DesktopRegistry::forCurrentUser();
    SdlPictures pictures;
    TextRenderer text;
    null_backend::HeadlessPlatform host(pictures);
    Platform platform{ui,         host.app,        clock,   random,     host.user32, host.screen, store, registry,
                      host.passwords, host.gdi, pictures, host.audio, host.files, host.shell};
    return runSnapshot(options, platform, &text);
}

int run(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--snapshot") == 0) return snapshot(argc, argv);
    DisplayOptions display;
    std::string error;
    switch (parseDisplayMode(std::vector<std::string>(argv + 1, argv + argc), display, error)) {
        case DisplayParse::Ok: return displayMode(argc, argv, display);
        case DisplayParse::Bad: std::fprintf(stderr, "lumaris: %s\n", error.c_str()); return 2;
        case DisplayParse::NotDisplayMode: break;
    }
    // In a Wayland session the scene is a Wayland client of its own; the
    // preview and the password change live in X11 windows only.
    const char mode = modeLetter(argc, argv);
    if (named("WAYLAND_DISPLAY") && mode == 'S') return waylandScreensaver(argc, argv);
    if (named("WAYLAND_DISPLAY") && !named("DISPLAY") && (mode == 'P' || mode == 'L' || mode == 'A')) {
        std::fprintf(stderr, "lumaris: /%c needs an X11 display; this session has only Wayland\n",
                     static_cast<char>(std::tolower(static_cast<unsigned char>(mode))));
        return 1;
    }
    // The X screensaver timer and the monitors' power saving keep running
    // while the scene shows: the monitors still sleep on their own schedule.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Closing the scene's window is an end request (password included),
    // never a quit of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Only a real display: without one, SDL's off-screen drivers would run
    // the scene where no one sees it.
    if (std::getenv("SDL_VIDEODRIVER") == nullptr) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    // The loop handles the end signals from here on; SDL must not (its
    // handlers would push events from inside a signal handler).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SdlEventLoop loop;
    loop.quitOnEndSignals();

    ProgramServices services(argc, argv, loop);
    X11Windows user32;
    user32.setScaleChoice(scaleChoiceFromEnvironment());
    SdlScreen screen(user32);
    Platform platform = services.platform(user32, screen);
    SdlMixer& mixer = services.mixer;
    LinuxApp& app = services.app;
    LinuxUi& ui = services.ui;
    LinuxPasswords& passwords = services.passwords;

    LinuxToolkit toolkit(loop, user32, mixer);
    ScreenLock lock(
        loop, [&toolkit](Hwnd handle) { return toolkit.windowFor(handle); },
        [](const std::string& user, const char* password) { return pamAuthenticate(kPamService, user, password); });
    passwords.setVerifier([&lock](Hwnd window) { return lock.verify(window); });
    // Ending the program: sound off and the windows gone before the exit.
    app.atEnd([] { SDL_Quit(); });
    app.atEnd(printStats);
    app.atEnd([&mixer] { mixer.close(); });

    // By the loop's first step the scene's caption is set.
    loop.Post([&app] { app.releaseStartLock(); });
    LumzSubMain module;
    runProgram(module, platform, toolkit);
    printStats();
    // A message that no one could see means the run did not do its job.
    return ui.unseenMessages() > 0 ? EXIT_FAILURE : EXIT_SUCCESS;
}

}  // namespace
}  // namespace lumaris::linux_backend

int main(int argc, char** argv) { return lumaris::linux_backend::run(argc, argv); }
