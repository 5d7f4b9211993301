// The Linux composition root: builds the Linux services and toolkit, then
// runs the program (app/forms.h). Also the snapshot option, which runs the
// scene off-screen (app/snapshot.h).
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
#include "platform/linux/process.h"
#include "platform/linux/screen_lock.h"
#include "platform/linux/sdl_audio.h"
#include "platform/linux/sdl_window.h"
#include "platform/linux/x11_windows.h"
#include "platform/null/null_platform.h"
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
    "  --snapshot FILE.png --frames N [--size WxH]\n"
    "                  run the scene off-screen with the stored settings for N\n"
    "                  frames and write the picture (default size 1024x768);\n"
    "                  no window, no sound\n"
    "  --help          this text\n";

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

    LinuxUi ui;
    LinuxApp app(argc, argv);
    LinuxClock clock;
    LinuxRandom random;
    X11Windows user32;
    SdlScreen screen;
    IniFileStore store(IniFileStore::defaultFolder());
    DesktopRegistry registry = DesktopRegistry::forCurrentUser();
    const char* path = std::getenv("PATH");
    LinuxPasswords passwords(ui, path != nullptr ? path : "/usr/bin:/bin");
    RasterGdi gdi;
    SdlPictures pictures;
    SdlEventLoop loop;
    SdlMixer mixer([&loop](std::function<void()> work) { loop.Post(std::move(work)); });
    SdlAudio audio(mixer);
    LinuxFiles files(musicFolder());
    GtkShell shell;
    Platform platform{ui,  app,      clock, random, user32, screen, store, registry, passwords,
                      gdi, pictures, audio, files,  shell};

    LinuxToolkit toolkit(loop, user32, mixer);
    ScreenLock lock(
        loop, [&toolkit](Hwnd handle) { return toolkit.windowFor(handle); },
        [](const std::string& user, const char* password) { return pamAuthenticate(kPamService, user, password); });
    passwords.setVerifier([&lock](Hwnd window) { return lock.verify(window); });
    // LUMARIS_STATS: what the benchmarks read, on standard error at the end.
    auto stats = [] {
        if (std::getenv("LUMARIS_STATS") != nullptr) {
            std::fprintf(stderr, "frames %llu\nfirst-frame-ms %.1f\n",
                         static_cast<unsigned long long>(SdlFormWindow::framesPresented()),
                         SdlFormWindow::firstFrameMs());
        }
    };
    // Ending the program: sound off and the windows gone before the exit.
    app.atEnd([] { SDL_Quit(); });
    app.atEnd(stats);
    app.atEnd([&mixer] { mixer.close(); });

    LumzSubMain module;
    runProgram(module, platform, toolkit);
    stats();
    // A message that no one could see means the run did not do its job.
    return ui.unseenMessages() > 0 ? EXIT_FAILURE : EXIT_SUCCESS;
}

}  // namespace
}  // namespace lumaris::linux_backend

int main(int argc, char** argv) { return lumaris::linux_backend::run(argc, argv); }
