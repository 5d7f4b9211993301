#include "platform/x11/x11_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/paths.h"
#include "platform/posix/private_lock.h"
#include "platform/posix/process.h"
#include "platform/x11/monitor_power.h"
#include "runtime/failure.h"

namespace lumaris::x11 {

namespace {

// What the error handler saw; Xlib reports errors to a plain function.
Window g_target = 0;
bool g_targetGone = false;
int g_errors = 0;

int onXError(Display*, XErrorEvent* error) {
    ++g_errors;
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) && error->resourceid == g_target) {
        g_targetGone = true;
    }
    return 0;
}

// The connection is gone and Xlib cannot go on: nothing is left to draw on,
// and the process's end silences its sound.
int onXIoError(Display*) {
    static const char line[] = "lumaris: the display connection was lost\n";
    [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, line, sizeof line - 1);
    _exit(0);
}

std::string hex(unsigned long id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

}  // namespace

X11Target::X11Target(std::uint64_t window) {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) throw Failure(failures::kCannotCreate, "cannot open the display");
    XSetErrorHandler(&onXError);
    XSetIOErrorHandler(&onXIoError);
    window_ = window != 0 ? static_cast<Window>(window) : DefaultRootWindow(display_);
    g_target = window_;
    XWindowAttributes attributes{};
    const int errorsBefore = g_errors;
    const Status found = XGetWindowAttributes(display_, window_, &attributes);
    XSync(display_, False);
    if (found == 0 || g_errors != errorsBefore) {
        XCloseDisplay(display_);
        display_ = nullptr;
        throw Failure(failures::kCannotCreate, "no window " + hex(window_) + " on the display");
    }
    Visual* visual = attributes.visual;
    if (attributes.c_class != InputOutput || !X11Image::suits(visual, attributes.depth)) {
        const std::string colours = X11Image::describe(visual, attributes.depth);
        XCloseDisplay(display_);
        display_ = nullptr;
        throw Failure(failures::kCannotCreate, "window " + hex(window_) + " has colours the scene cannot be drawn in (" +
                                                   colours + "); it needs true colour of 15 to 32 bits");
    }
    visual_ = visual;
    depth_ = attributes.depth;
    width_ = attributes.width;
    height_ = attributes.height;
    // Size changes and the window's end; nothing else of the window's.
    XSelectInput(display_, window_, StructureNotifyMask | ExposureMask);
    XFlush(display_);
}

X11Target::~X11Target() {
    if (display_ != nullptr) XCloseDisplay(display_);
}

std::string X11Target::name() const { return DisplayString(display_); }

bool X11Target::gone() const { return g_targetGone; }

double X11Target::refreshRate() const {
    int event = 0, error = 0;
    if (!XRRQueryExtension(display_, &event, &error)) return 0;
    const Window root = DefaultRootWindow(display_);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window_, root, width_ / 2, height_ / 2, &x, &y, &child);
    XRRScreenResources* screen = XRRGetScreenResourcesCurrent(display_, root);
    if (screen == nullptr) return 0;
    double rate = 0;
    for (int c = 0; c < screen->ncrtc && rate == 0; ++c) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, screen, screen->crtcs[c]);
        if (crtc == nullptr) continue;
        const bool here = crtc->mode != None && x >= crtc->x && y >= crtc->y &&
                          x < crtc->x + static_cast<int>(crtc->width) && y < crtc->y + static_cast<int>(crtc->height);
        for (int m = 0; here && m < screen->nmode; ++m) {
            const XRRModeInfo& mode = screen->modes[m];
            if (mode.id == crtc->mode && mode.hTotal > 0 && mode.vTotal > 0) {
                rate = static_cast<double>(mode.dotClock) / (static_cast<double>(mode.hTotal) * mode.vTotal);
            }
        }
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(screen);
    return rate;
}

GivenWindowSurface::GivenWindowSurface(X11Target& target, const std::string& name, int scaleChoice)
    : target_(target),
      image_(name, 0, 0),
      scaleChoice_(scaleChoice),
      screen_(target.display(), target.window(), target.visual_, target.depth_) {
    image_.keepOnlyDrawn();
    ResizeTo(target_.width(), target_.height());
    pacer_.setRate(target_.refreshRate());
}

// The image goes with its shared memory; attached, it frees nothing.
GivenWindowSurface::~GivenWindowSurface() = default;

void GivenWindowSurface::ResizeTo(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int k = chooseScale(scaleChoice_, width, height, kSceneDesignWidth, kSceneDesignHeight);
    if (k == magnifier_.scale() && width == magnifier_.width() && height == magnifier_.height()) return;
    magnifier_.fit(k, width, height, true);
    composer_.setScale(k);
    image_.resize(magnifier_.imageWidth(), magnifier_.imageHeight());
    // Whatever was drawn belongs to the old layout, at the old places.
    image_.discardDrawing();
    composer_.invalidate();
    if (onResize_) onResize_();
}

void GivenWindowSurface::Refresh() {
    if (target_.gone() || image_.width() == 0 || image_.height() == 0) return;
    posix::countFramePresented();
    pacer_.shown();
    Surface& shown = magnifier_.update(image_);
    const auto frame = composer_.composeInPlace(shown, labels_, nullptr, &text_);
    // Into shared memory again when the scene or the labels stored more.
    screen_.follow(shown);
    screen_.put(shown, frame.changed);
    composer_.restore(shown);
}

namespace {

// The handed-over window, which the toolkit stops looking after when it goes.
class ToolkitSurface : public GivenWindowSurface {
public:
    ToolkitSurface(X11Target& target, const std::string& name, int scaleChoice, GivenWindowSurface*& slot,
                   EventLoop& loop)
        : GivenWindowSurface(target, name, scaleChoice), slot_(slot), loop_(loop) {
        slot_ = this;
    }
    ~ToolkitSurface() override { slot_ = nullptr; }

    // The display mode hears when the monitors go dark.
    void SetInput(FormInput* input) override {
        power_.reset();
        if (input != nullptr) {
            power_ = std::make_unique<MonitorPower>(loop_, [input](bool on) { input->DisplayPower(on); });
        }
    }

private:
    GivenWindowSurface*& slot_;
    EventLoop& loop_;
    std::unique_ptr<MonitorPower> power_;
};

}  // namespace

DisplayModeToolkit::DisplayModeToolkit(posix::PollLoop& loop, X11Target& target, sdl::SdlMixer& mixer, int scaleChoice)
    : Toolkit(loop), loop_(loop), target_(target), mixer_(mixer), scaleChoice_(scaleChoice) {
    loop_.watch(ConnectionNumber(target_.display()), [this] { drain(); });
}

std::unique_ptr<FormSurface> DisplayModeToolkit::CreateSurface(const std::string& name, SurfaceKind kind, int,
                                                               int) {
    if (kind != SurfaceKind::Given || surface_ != nullptr) {
        throw Failure(failures::kCannotCreate, "the display mode draws on the window it was given only");
    }
    return std::make_unique<ToolkitSurface>(target_, name, scaleChoice_, surface_, loop_);
}

std::unique_ptr<MediaControl> DisplayModeToolkit::CreateMediaControl() {
    return std::make_unique<sdl::SdlMediaControl>(mixer_, posix::musicFolder());
}

std::unique_ptr<ConfigWindow> DisplayModeToolkit::CreateConfigWindow() {
    throw Failure(failures::kCannotCreate, "the display mode has no settings dialog");
}

void DisplayModeToolkit::drain() {
    Display* display = target_.display();
    const auto window = static_cast<Window>(target_.window());
    // Only the last size of a burst of changes matters.
    int width = -1, height = -1;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window != window) continue;
        switch (event.type) {
            case ConfigureNotify:
                width = event.xconfigure.width;
                height = event.xconfigure.height;
                break;
            case Expose:
                if (surface_ != nullptr) surface_->exposed();
                break;
            case DestroyNotify:
                loop_.Quit();
                return;
            default:
                break;
        }
    }
    if (target_.gone()) {
        loop_.Quit();
        return;
    }
    if (width >= 0 && surface_ != nullptr) surface_->ResizeTo(width, height);
}

int runX11DisplayMode(Platform& host, posix::PollLoop& loop, sdl::SdlMixer& mixer, const DisplayOptions& options) {
    X11Target target(options.window);
    DisplayModeToolkit toolkit(loop, target, mixer, options.scale);
    posix::PrivateLock sound(posix::displaySoundLockName(target.name()));
    return runDisplayMode(host, toolkit, options, [&sound] { return posix::claimSound(sound); });
}

bool chooseGivenWindow(std::uint64_t& window) {
    if (window != 0) return true;
    const char* named = std::getenv("XSCREENSAVER_WINDOW");
    if (named == nullptr || named[0] == '\0' || parseWindowId(named, window)) return true;
    std::fprintf(stderr, "lumaris: XSCREENSAVER_WINDOW is not a window id: %s\n", named);
    return false;
}

}  // namespace lumaris::x11
