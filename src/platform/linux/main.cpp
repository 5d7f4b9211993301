// The Linux entry point: builds the platform, runs Main, then runs the event
// loop while one of the program's windows is open. Also the snapshot option,
// which runs the scene off-screen and writes a picture of it.
#include <SDL.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/linux/desktop_registry.h"
#include "platform/linux/dir_search.h"
#include "dialog/frm_config.h"
#include "platform/linux/event_loop.h"
#include "platform/linux/gtk_config_dialog.h"
#include "platform/linux/headless.h"
#include "platform/linux/ini_store.h"
#include "platform/linux/message_box.h"
#include "platform/linux/password_change.h"
#include "platform/linux/paths.h"
#include "platform/linux/process.h"
#include "platform/linux/screen_lock.h"
#include "platform/linux/sdl_audio.h"
#include "platform/linux/sdl_window.h"
#include "platform/linux/x11_windows.h"
#include "platform/platform.h"
#include "preview/frm_preview.h"
#include "runtime/failure.h"
#include "runtime/form.h"
#include "scene/frm_tidemar_main.h"
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

// The key code a form's key handler receives: letters and digits as their
// upper-case characters, a few named keys with their usual codes, 0 for
// the rest (which every handler treats as "any other key").
std::int16_t keyCode(SDL_Keycode key) {
    if (key >= 'a' && key <= 'z') return static_cast<std::int16_t>(key - 'a' + 'A');
    if (key >= '0' && key <= '9') return static_cast<std::int16_t>(key);
    switch (key) {
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_RETURN: return 13;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return 16;
        case SDLK_LCTRL: case SDLK_RCTRL: return 17;
        case SDLK_LALT: case SDLK_RALT: return 18;
        case SDLK_ESCAPE: return 27;
        case SDLK_SPACE: return 32;
        case SDLK_LEFT: return 37;
        case SDLK_UP: return 38;
        case SDLK_RIGHT: return 39;
        case SDLK_DOWN: return 40;
        default: return 0;
    }
}

std::int16_t shiftState(Uint16 mod) {
    return static_cast<std::int16_t>(((mod & KMOD_SHIFT) != 0 ? 1 : 0) | ((mod & KMOD_CTRL) != 0 ? 2 : 0) |
                                     ((mod & KMOD_ALT) != 0 ? 4 : 0));
}

// The windows of this build.
class LinuxForms : public Forms {
public:
    LinuxForms(LumzSubMain& module, Platform& platform, EventLoop& loop, SdlMixer& mixer, X11Windows& windows)
        : module_(module), platform_(platform), loop_(loop), mixer_(mixer), windows_(windows) {}

    FormWindow& LoadConfig() override {
        configDialog_ = std::make_unique<GtkConfigDialog>();
        config_ = std::make_unique<FrmConfig>(module_, platform_, *configDialog_);
        configDialog_->connect(*config_);
        config_->Form_Load();
        return *configDialog_;
    }
    FormWindow& LoadPreview() override {
        // Our own window, unmapped until the embedding shows it inside the host.
        const Hwnd own = windows_.createHiddenWindow(kPreviewDesignedWidth, kPreviewDesignedHeight);
        if (own == 0) throw Failure(failures::kCannotCreate, "No display for the preview");
        previewWindow_ = std::make_unique<SdlFormWindow>("form", static_cast<unsigned long>(own));
        previewTimer_ = loop_.makeTimer([this] {
            if (preview_) preview_->Timer1_Timer();
        });
        preview_ = std::make_unique<FrmPreview>(platform_, *previewWindow_, *previewTimer_);
        preview_->Form_Load();
        previewHandle_ = own;
        return *previewWindow_;
    }

    bool previewOpen() const { return preview_ != nullptr; }

    // The preview lives only inside its host: once embedded, it follows the
    // host's size and ends quietly when the host is gone (or never was).
    void watchHost() {
        windows_.endQuietlyOnOtherErrors();
        hostWatch_ = loop_.makeTimer([this] {
            const Hwnd host = windows_.parentOf(previewHandle_);
            if (host == 0 || windows_.isRoot(host) || !windows_.exists(host)) endQuietly();
            Rect rect;
            if (windows_.GetClientRect(host, rect) != 0) previewWindow_->resizeTo(rect.right, rect.bottom);
        });
        hostWatch_->SetInterval(100);
    }
    [[noreturn]] static void endQuietly() {
        std::fflush(nullptr);
        std::_Exit(0);
    }

    FormWindow& LoadScene() override {
        sceneWindow_ = std::make_unique<SdlFormWindow>("form");
        sceneTimer_ = loop_.makeTimer([this] {
            if (scene_) scene_->Timer1_Timer();
        });
        sceneMedia_ = std::make_unique<SdlMediaControl>(mixer_, musicFolder());
        scene_ = std::make_unique<FrmTidemarMain>(module_, platform_, *sceneWindow_, *sceneTimer_, *sceneMedia_);
        scene_->Form_Load();
        // With the password option on, no other window may take the input.
        if (scene_->state.usePassword) sceneWindow_->grabInput(true);
        return *sceneWindow_;
    }

    bool sceneOpen() const { return scene_ != nullptr; }
    bool dialogOpen() const { return configDialog_ != nullptr && configDialog_->open(); }
    SdlFormWindow* windowFor(Hwnd handle) {
        return sceneWindow_ && sceneWindow_->hWnd() == handle ? sceneWindow_.get() : nullptr;
    }

    // The scene's input and its closing.
    void handle(const SDL_Event& event) {
        if (!scene_) {
            // The preview ignores input.
            if (event.type == SDL_QUIT) loop_.quit();
            return;
        }
        FrmTidemarMain& scene = *scene_;
        switch (event.type) {
            case SDL_QUIT:  // the window manager, SIGTERM or SIGINT
                scene.Unload();
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) scene.Unload();
                if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) scene.Form_LostFocus();
                break;
            case SDL_KEYDOWN:
                scene.Form_KeyDown(keyCode(event.key.keysym.sym), shiftState(event.key.keysym.mod));
                break;
            case SDL_MOUSEBUTTONDOWN:
                scene.Form_MouseDown(event.button.button, shiftState(SDL_GetModState()),
                                     static_cast<float>(event.button.x), static_cast<float>(event.button.y));
                break;
            case SDL_MOUSEBUTTONUP:
                scene.Form_Click();
                break;
            case SDL_MOUSEMOTION:
                scene.Form_MouseMove(static_cast<std::int16_t>(event.motion.state), shiftState(SDL_GetModState()),
                                     static_cast<float>(event.motion.x), static_cast<float>(event.motion.y));
                break;
            default:
                break;
        }
    }

private:
    LumzSubMain& module_;
    Platform& platform_;
    EventLoop& loop_;
    SdlMixer& mixer_;
    std::unique_ptr<SdlFormWindow> sceneWindow_;
    std::unique_ptr<LoopTimer> sceneTimer_;
    std::unique_ptr<SdlMediaControl> sceneMedia_;
    std::unique_ptr<FrmTidemarMain> scene_;
    std::unique_ptr<GtkConfigDialog> configDialog_;
    std::unique_ptr<FrmConfig> config_;
    X11Windows& windows_;
    std::unique_ptr<SdlFormWindow> previewWindow_;
    std::unique_ptr<LoopTimer> previewTimer_;
    std::unique_ptr<FrmPreview> preview_;
    std::unique_ptr<LoopTimer> hostWatch_;
    Hwnd previewHandle_ = 0;
};

struct SnapshotOptions {
    std::string file;
    long frames = -1;
    int width = 1024, height = 768;
};

bool parseSnapshot(int argc, char** argv, SnapshotOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        char* end = nullptr;
        if (arg == "--snapshot") {
            options.file = value;
        } else if (arg == "--frames") {
            options.frames = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || options.frames < 0 || options.frames > 100000000) return false;
        } else if (arg == "--size") {
            if (std::sscanf(value.c_str(), "%dx%d", &options.width, &options.height) != 2 || options.width < 1 ||
                options.height < 1 || options.width > 16384 || options.height > 16384) {
                return false;
            }
        } else {
            return false;
        }
    }
    return !options.file.empty() && options.frames >= 0;
}

int snapshot(int argc, char** argv) {
    SnapshotOptions options;
    if (!parseSnapshot(argc, argv, options)) {
        std::fputs("lumaris: --snapshot FILE.png --frames N [--size WxH]\n", stderr);
        return 2;
    }
    LinuxUi ui;
    LinuxApp app(argc, argv);
    LinuxClock clock;
    LinuxRandom random;
    NoWindows user32;
    FixedScreen screen(options.width, options.height);
    IniFileStore store(IniFileStore::defaultFolder());
    DesktopRegistry registry = DesktopRegistry::forCurrentUser();
    LinuxPasswords passwords(ui, "");
    RasterGdi gdi;
    SdlPictures pictures;
    SilentAudio audio;
    LinuxFiles files(musicFolder());
    GtkShell shell;
    Platform platform{ui,    app,      clock, random, user32, screen, store, registry, passwords,
                      gdi,   pictures, audio, files,  shell};

    LumzSubMain module;
    module.AppTitle = kAppTitle;
    random.Randomize();
    OffscreenFormSurface window(options.width, options.height);
    ManualTimer timer;
    SilentMediaControl media;
    try {
        FrmTidemarMain scene(module, platform, window, timer, media);
        scene.Form_Load();
        for (long frame = 0; frame < options.frames; ++frame) scene.Timer1_Timer();
        if (!savePng(window.composed(), options.file)) {
            std::fprintf(stderr, "lumaris: cannot write %s\n", options.file.c_str());
            return 1;
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "lumaris: %s\n", failure.message().c_str());
        return 1;
    }
    return ui.unseenMessages() > 0 ? 1 : 0;
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
    EventLoop loop;
    SdlMixer mixer([&loop](std::function<void()> work) { loop.post(std::move(work)); });
    SdlAudio audio(mixer);
    LinuxFiles files(musicFolder());
    GtkShell shell;
    Platform platform{ui,    app,      clock, random, user32, screen, store, registry, passwords,
                      gdi,   pictures, audio, files,  shell};

    LumzSubMain module;
    LinuxForms forms(module, platform, loop, mixer, user32);
    ScreenLock lock([&forms](Hwnd handle) { return forms.windowFor(handle); },
                    [](const std::string& user, const char* password) {
                        return pamAuthenticate(kPamService, user, password);
                    });
    passwords.setVerifier([&lock](Hwnd window) { return lock.verify(window); });
    // Ending the program: sound off and the windows gone before the exit.
    app.atEnd([] { SDL_Quit(); });
    app.atEnd([&mixer] { mixer.close(); });
    loop.setEventHandler([&forms](const SDL_Event& event) { forms.handle(event); });

    Main(module, platform, forms);
    if (forms.dialogOpen()) gtk_main();
    if (forms.sceneOpen()) loop.run();
    if (forms.previewOpen()) {
        forms.watchHost();
        loop.run();
    }

    // A message that no one could see means the run did not do its job.
    return ui.unseenMessages() > 0 ? EXIT_FAILURE : EXIT_SUCCESS;
}

}  // namespace
}  // namespace lumaris::linux_backend

int main(int argc, char** argv) { return lumaris::linux_backend::run(argc, argv); }
