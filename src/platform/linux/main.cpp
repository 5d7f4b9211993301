// The Linux entry point: builds the platform, runs Main, then runs the event
// loop while one of the program's windows is open. Also the snapshot option,
// which runs the scene off-screen and writes a picture of it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/linux/desktop_registry.h"
#include "platform/linux/event_loop.h"
#include "platform/linux/ini_store.h"
#include "platform/linux/message_box.h"
#include "platform/linux/password_change.h"
#include "platform/linux/process.h"
#include "platform/linux/sdl_window.h"
#include "platform/linux/x11_windows.h"
#include "platform/platform.h"
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

// The sea sound and music start through the audio back end, which this build
// does not have yet: the scene stays silent.
class SilentSceneAudio : public SceneAudio {
public:
    void PlayResWave(const std::string&) override {}
    void mediaplay() override {}
};

// The windows of this build.
class LinuxForms : public Forms {
public:
    LinuxForms(LumzSubMain& module, Platform& platform, EventLoop& loop)
        : module_(module), platform_(platform), loop_(loop) {}

    FormWindow& LoadConfig() override { throw missing("settings"); }
    FormWindow& LoadPreview() override { throw missing("preview"); }

    FormWindow& LoadScene() override {
        sceneWindow_ = std::make_unique<SdlFormWindow>("form");
        sceneTimer_ = loop_.makeTimer([this] {
            if (scene_) scene_->Timer1_Timer();
        });
        scene_ = std::make_unique<FrmTidemarMain>(module_, platform_, *sceneWindow_, *sceneTimer_, sceneAudio_);
        scene_->Form_Load();
        return *scene_;
    }

    bool anyWindowOpen() const { return scene_ != nullptr; }

private:
    static Failure missing(const std::string& what) {
        return Failure(failures::kCannotCreate, "The " + what + " window is not part of this build");
    }
    LumzSubMain& module_;
    Platform& platform_;
    EventLoop& loop_;
    SilentSceneAudio sceneAudio_;
    std::unique_ptr<SdlFormWindow> sceneWindow_;
    std::unique_ptr<LoopTimer> sceneTimer_;
    std::unique_ptr<FrmTidemarMain> scene_;
};

// The screen of a snapshot: a fixed size at 15 twips per pixel.
class FixedScreen : public Screen {
public:
    FixedScreen(int w, int h) : w_(w), h_(h) {}
    float Width() override { return static_cast<float>(w_) * 15.0f; }
    float Height() override { return static_cast<float>(h_) * 15.0f; }
    float TwipsPerPixelX() override { return 15.0f; }
    float TwipsPerPixelY() override { return 15.0f; }

private:
    int w_, h_;
};

// Window calls of a snapshot: there is no window and no pointer to hide.
class NoWindows : public User32 {
public:
    std::int32_t GetSystemMetrics(std::int32_t) override { return 0; }
    std::int32_t GetClientRect(Hwnd, Rect& rect) override {
        rect = Rect{};
        return 0;
    }
    std::int32_t GetWindowLongA(Hwnd, std::int32_t) override { return 0; }
    std::int32_t SetWindowLongA(Hwnd, std::int32_t, std::int32_t) override { return 0; }
    Hwnd SetParent(Hwnd, Hwnd) override { return 0; }
    std::int32_t SetWindowPos(Hwnd, Hwnd, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                              std::uint32_t) override {
        return 0;
    }
    Hwnd FindWindowA(const char*, const char*) override { return 0; }
    std::int32_t ShowCursor(bool) override { return 0; }
    std::int32_t SystemParametersInfoA(std::uint32_t, std::uint32_t, void*, std::uint32_t) override { return 1; }
};

class ManualTimer : public Timer {
public:
    void SetInterval(std::int32_t milliseconds) override { interval_ = milliseconds; }
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool) override {}

private:
    std::int32_t interval_ = 0;
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
    Platform platform{ui, app, clock, random, user32, screen, store, registry, passwords, gdi, pictures, audio};

    LumzSubMain module;
    module.AppTitle = kAppTitle;
    module.PreviewMode = false;
    random.Randomize();
    OffscreenFormSurface window(options.width, options.height);
    ManualTimer timer;
    SilentSceneAudio sceneAudio;
    try {
        FrmTidemarMain scene(module, platform, window, timer, sceneAudio);
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
    SdlAudio audio;
    Platform platform{ui, app, clock, random, user32, screen, store, registry, passwords, gdi, pictures, audio};

    LumzSubMain module;
    EventLoop loop;
    LinuxForms forms(module, platform, loop);
    loop.setEventHandler([&](const SDL_Event& event) {
        if (event.type == SDL_QUIT) loop.quit();
    });
    Main(module, platform, forms);
    if (forms.anyWindowOpen()) loop.run();

    // A message that no one could see means the run did not do its job.
    return ui.unseenMessages() > 0 ? EXIT_FAILURE : EXIT_SUCCESS;
}

}  // namespace
}  // namespace lumaris::linux_backend

int main(int argc, char** argv) { return lumaris::linux_backend::run(argc, argv); }
