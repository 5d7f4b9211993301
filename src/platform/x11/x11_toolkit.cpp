#include "platform/x11/x11_toolkit.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/posix/paths.h"
#include "platform/x11/monitor_power.h"
#include "platform/x11/sdl_input.h"
#include "runtime/failure.h"

namespace lumaris::x11 {

namespace {

// A window that leaves the toolkit's list when it goes.
class ToolkitWindow : public SdlFormWindow {
public:
    template <class... Args>
    ToolkitWindow(X11Toolkit& toolkit, Args&&... args)
        : SdlFormWindow(std::forward<Args>(args)...), toolkit_(toolkit) {}
    ~ToolkitWindow() override { toolkit_.forget(this); }

    // The scene's window also tells its input when the monitors go dark.
    void SetInput(FormInput* input) override {
        power_.reset();
        SdlFormWindow::SetInput(input);
        if (input != nullptr) {
            power_ = std::make_unique<MonitorPower>(toolkit_.Loop(), [input](bool on) { input->DisplayPower(on); });
        }
    }

private:
    X11Toolkit& toolkit_;
    std::unique_ptr<MonitorPower> power_;
};

}  // namespace

void prepareSdlVideo() {
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (std::getenv("SDL_VIDEODRIVER") == nullptr) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

X11Toolkit::X11Toolkit(SdlEventLoop& loop, X11Windows& windows, sdl::SdlMixer& mixer, DialogMaker dialogs)
    : Toolkit(loop), loop_(loop), windows_(windows), mixer_(mixer), dialogs_(std::move(dialogs)) {
    loop_.setEventHandler([this](const SDL_Event& event) { handle(event); });
}

X11Toolkit::~X11Toolkit() { loop_.setEventHandler({}); }

std::unique_ptr<FormSurface> X11Toolkit::CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                                         int height) {
    std::unique_ptr<ToolkitWindow> window;
    if (kind == SurfaceKind::Embedded) {
        // Our own X11 window, unmapped until the start-up shows it inside
        // the host; SDL draws into it.
        const Hwnd own = windows_.createHiddenWindow(width, height);
        if (own == 0) throw Failure(failures::kCannotCreate, "No display for the preview");
        window = std::make_unique<ToolkitWindow>(*this, name, static_cast<unsigned long>(own), windows_.scaleChoice());
    } else {
        window = std::make_unique<ToolkitWindow>(*this, name, windows_.scale());
    }
    surfaces_.push_back(window.get());
    loop_.watchDisplay(window->displayConnection());
    return window;
}

void X11Toolkit::forget(SdlFormWindow* window) { std::erase(surfaces_, window); }

SdlFormWindow* X11Toolkit::windowFor(Hwnd handle) {
    for (SdlFormWindow* w : surfaces_) {
        if (w->hWnd() == handle) return w;
    }
    return nullptr;
}

std::unique_ptr<MediaControl> X11Toolkit::CreateMediaControl() {
    return std::make_unique<sdl::SdlMediaControl>(mixer_, posix::musicFolder());
}

std::unique_ptr<ConfigWindow> X11Toolkit::CreateConfigWindow() {
    if (!dialogs_) throw Failure(failures::kCannotCreate, "This build of the program has no settings dialog");
    return dialogs_(loop_);
}

bool X11Toolkit::HostClientRect(Hwnd window, Rect& rect) {
    if (!watchingHost_) {
        // Once embedded, an X error on the drawing library's connection means
        // the host went away under it.
        windows_.endQuietlyOnOtherErrors();
        watchingHost_ = true;
    }
    // The host is the window the preview was put into, and only while the
    // preview is still its child: a window manager's frame, put around a
    // preview that ended up on its own, is no host.
    const Hwnd host = windows_.hostOf(window);
    if (host == 0 || windows_.parentOf(window) != host || windows_.isRoot(host) || !windows_.exists(host)) {
        return false;
    }
    if (windows_.GetClientRect(host, rect) == 0) {
        SdlFormWindow* own = windowFor(window);
        rect = Rect{0, 0, own != nullptr ? own->Image().width() : 0, own != nullptr ? own->Image().height() : 0};
    }
    return true;
}

void X11Toolkit::handle(const SDL_Event& event) {
    if (event.type == SDL_QUIT) {
        bool taken = false;
        for (SdlFormWindow* w : surfaces_) {
            if (w->input() != nullptr) {
                taken = true;
                w->input()->Terminate();
            }
        }
        if (!taken) loop_.Quit();
        return;
    }
    std::uint32_t id = 0;
    switch (event.type) {
        case SDL_WINDOWEVENT: id = event.window.windowID; break;
        case SDL_KEYDOWN: id = event.key.windowID; break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: id = event.button.windowID; break;
        case SDL_MOUSEMOTION: id = event.motion.windowID; break;
        default: return;
    }
    for (SdlFormWindow* w : surfaces_) {
        if (w->input() != nullptr && (w->windowId() == id || id == 0)) {
            deliver(event, *w->input(), w->scale());
            return;
        }
    }
}

}  // namespace lumaris::x11
