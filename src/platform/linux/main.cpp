// The Linux program's composition root: picks the host for the mode and the
// session (X11, Wayland, headless for snapshots), builds its services from
// the folders beside this one and runs the program (app/forms.h), the
// display mode (app/display_mode.h) or a snapshot (app/snapshot.h).
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/display_mode.h"
#include "app/forms.h"
#include "app/snapshot.h"
#include "app/usage.h"
#include "platform/null/null_platform.h"
#include "platform/posix/desktop_registry.h"
#include "platform/posix/dir_search.h"
#include "platform/posix/idle_daemon.h"
#include "platform/posix/ini_store.h"
#include "platform/posix/password_change.h"
#include "platform/posix/paths.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/process.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_pictures.h"
#include "platform/sdl/sdl_text.h"
#include "platform/x11/x11_display.h"
#include "platform/x11/x11_host.h"
#include "platform/x11/screen_saver_idle.h"
#include "runtime/failure.h"
#include "startup/lumz_submain.h"
#ifdef LUMARIS_HAVE_GTK
#include "platform/gtk/gio_shell.h"
#include "platform/gtk/gsettings_probe.h"
#include "platform/gtk/gtk_config_dialog.h"
#include "platform/gtk/gtk_loop.h"
#include "platform/gtk/message_box.h"
#include "platform/gtk/mutter_idle.h"
#endif
#ifdef LUMARIS_HAVE_WAYLAND
#include "platform/wayland/wayland_display_mode.h"
#include "platform/wayland/wayland_host.h"
#include "platform/wayland/idle_notify.h"
#endif

namespace lumaris {
namespace {

// The desktop's own pieces: GTK's boxes, shell, settings and dialog; in a
// build without GTK, standard error, no shell, no desktop settings, no dialog.
#ifdef LUMARIS_HAVE_GTK
using DesktopUi = gtk::GtkUi;
using DesktopShell = gtk::GtkShell;
std::optional<bool> desktopLockOption() { return gtk::gsettingsLockEnabled(); }
x11::X11Toolkit::DialogMaker settingsDialog() {
    return [](x11::SdlEventLoop& loop) {
        loop.handOver(gtk::runMainLoop, gtk::quitMainLoop);
        return gtk::openSettingsDialog([&loop] { loop.Quit(); });
    };
}
#else
using DesktopUi = null_backend::StderrUi;
using DesktopShell = null_backend::NoShell;
std::optional<bool> desktopLockOption() { return std::nullopt; }
x11::X11Toolkit::DialogMaker settingsDialog() { return {}; }
#endif

// The program's services on every Linux desktop but the windows and the
// screen, which are the display system's. The display mode puts stand-ins
// of its own over the windows, screen, boxes, registry, passwords and shell.
struct Services {
    Services(int argc, char** argv, EventLoop& loop)
        : app(argc, argv), mixer([&loop](std::function<void()> work) { loop.Post(std::move(work)); }) {}
    Platform platform(User32& user32, Screen& screen) {
        return Platform{ui,  app,      clock, random, user32, screen, store, registry, passwords,
                        gdi, pictures, audio, files,  shell};
    }
    Platform windowless() { return platform(noWindows, noScreen); }
    DesktopUi ui;
    posix::LinuxApp app;
    posix::LinuxClock clock;
    posix::LinuxRandom random;
    posix::IniFileStore store{posix::IniFileStore::defaultFolder()};
    posix::DesktopRegistry registry = posix::DesktopRegistry::forCurrentUser(desktopLockOption);
    posix::LinuxPasswords passwords{ui};
    RasterGdi gdi;
    sdl::SdlPictures pictures;
    sdl::SdlMixer mixer;
    sdl::SdlAudio audio{mixer};
    posix::LinuxFiles files{posix::musicFolder()};
    DesktopShell shell;
    null_backend::NoWindows noWindows;
    null_backend::FixedScreen noScreen;
};

// A failure before the program could show it: one line on standard error.
int reported(const Failure& failure) {
    std::fprintf(stderr, "lumaris: %s\n", failure.message().c_str());
    return 1;
}

// The display mode: no window of its own, no input, no messages but on
// standard error; it ends with status 0 on SIGTERM, SIGINT, SIGHUP and SIGQUIT.
int displayMode(int argc, char** argv, DisplayOptions options) {
    if (!x11::chooseGivenWindow(options.window)) return 1;
    // The loop handles the end signals; SDL (sound only here) must not.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    posix::PollLoop loop;
    loop.quitOnEndSignals();
    try {
        Services services(argc, argv, loop);
        sdl::SdlMixer& mixer = services.mixer;
        services.app.atEnd([&mixer] { mixer.close(); });
        Platform host = services.windowless();
#ifdef LUMARIS_HAVE_WAYLAND
        const int status = wayland::waylandDisplayMode(options)
                               ? wayland::runWaylandDisplayMode(host, loop, mixer, options)
                               : x11::runX11DisplayMode(host, loop, mixer, options);
#else
        const int status = x11::runX11DisplayMode(host, loop, mixer, options);
#endif
        mixer.close();
        posix::printStatsWhenAsked();
        return status;
    } catch (const Failure& failure) { return reported(failure); }
}

// Runs the program on a host's windows, screen and toolkit; the exit status.
int runOn(Services& services, User32& user32, Screen& screen, Toolkit& toolkit) {
    Platform platform = services.platform(user32, screen);
    services.app.atEnd(posix::printStatsWhenAsked);
    services.app.atEnd([&services] { services.mixer.close(); });
    // By the loop's first step the scene's caption is set.
    toolkit.Loop().Post([&services] { services.app.releaseStartLock(); });
    LumzSubMain module;
    runProgram(module, platform, toolkit);
    services.mixer.close();
    posix::printStatsWhenAsked();
    // A message that no one could see means the run did not do its job.
    return services.ui.unseenMessages() > 0 ? EXIT_FAILURE : EXIT_SUCCESS;
}

#ifdef LUMARIS_HAVE_WAYLAND
// The full-screen scene as a Wayland client: an overlay on every output.
int waylandScreensaver(int argc, char** argv) {
    try {
        wayland::WaylandHost wayland(scaleChoiceFromEnvironment());
        Services services(argc, argv, wayland.loop());
        return runOn(services, wayland.user32(), wayland.screen(), wayland.start(services.mixer, services.passwords));
    } catch (const Failure& failure) { return reported(failure); }
}
#endif

// The program in windows of its own on X11: the scene, the dialog, the
// preview and the password change.
int x11Program(int argc, char** argv) {
    x11::X11Host x11(scaleChoiceFromEnvironment());
    Services services(argc, argv, x11.loop());
    Toolkit& toolkit = x11.start(services.mixer, services.passwords, services.app, settingsDialog());
    return runOn(services, x11.user32(), x11.screen(), toolkit);
}

// The scene off-screen: the headless host with the stored settings, the
// desktop's lock option, and the pictures and the text of the screen.
int snapshot(int argc, char** argv, const std::vector<std::string>& arguments) {
    null_backend::ManualLoop loop;
    Services services(argc, argv, loop);
    Platform host = services.windowless();
    sdl::TextRenderer text;
    return runSnapshot(arguments, host, &text);
}

// `lumaris --idle [MINUTES]`: the scene after the session's idle time.
int idleMode(const std::vector<std::string>& arguments) {
    const int seconds = posix::idleDelaySeconds({arguments.begin() + 1, arguments.end()});
    if (seconds < 0) return 2;
    posix::IdleOptions options;
    options.seconds = seconds;
    for (const char* name : {"XDG_SESSION_ID", "WAYLAND_DISPLAY", "DISPLAY"}) {
        if (environmentNames(name)) {
            options.sessionName = std::string(name) + "-" + std::getenv(name);
            break;
        }
    }
    // The scene is this program, unless a test names another.
    const char* scene = std::getenv("LUMARIS_IDLE_SCENE");
    options.program = scene != nullptr && *scene != '\0' ? scene : posix::ownExecutable();
    std::vector<posix::IdleSourceMaker> sources;
#ifdef LUMARIS_HAVE_GTK
    sources.push_back(gtk::mutterIdle);
#endif
#ifdef LUMARIS_HAVE_WAYLAND
    sources.push_back(wayland::compositorIdle);
#endif
    sources.push_back(x11::screenSaverIdle);
    posix::PollLoop loop;
    return posix::runIdle(loop, sources, options);
}

int run(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 1 && arguments[0] == "--help") return std::fputs(kUsage, stdout) == EOF ? 1 : 0;
    if (!arguments.empty() && arguments[0] == "--idle") return idleMode(arguments);
    if (!arguments.empty() && arguments[0] == "--snapshot") return snapshot(argc, argv, arguments);
    DisplayOptions display;
    std::string error;
    switch (parseDisplayMode(arguments, display, error)) {
        case DisplayParse::Ok: return displayMode(argc, argv, display);
        case DisplayParse::Bad: std::fprintf(stderr, "lumaris: %s\n", error.c_str()); return 2;
        case DisplayParse::NotDisplayMode: break;
    }
    // In a Wayland session the scene is a Wayland client of its own.
    const char mode = modeLetter(arguments);
#ifdef LUMARIS_HAVE_WAYLAND
    if (environmentNames("WAYLAND_DISPLAY") && mode == 'S') return waylandScreensaver(argc, argv);
#endif
    if (environmentNames("WAYLAND_DISPLAY") && !environmentNames("DISPLAY") && needsX11(mode)) {
        std::fprintf(stderr, "lumaris: /%c needs an X11 display; this session has only Wayland\n", mode + 'a' - 'A');
        return 1;
    }
    return x11Program(argc, argv);
}

}  // namespace
}  // namespace lumaris

int main(int argc, char** argv) { return lumaris::run(argc, argv); }
