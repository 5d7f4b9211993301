#include "platform/x11/x11_windows.h"

#include <SDL.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/end_signals.h"
#include "runtime/scale.h"

namespace lumaris::x11 {

namespace {

// X reports errors asynchronously through one handler per process. Ours
// remembers that an error happened on our connection and hands errors of
// other connections (GTK's, SDL's) to the handler that was there before.
Display* g_trappedDisplay = nullptr;
bool g_xError = false;
bool g_quietOnOtherErrors = false;
XErrorHandler g_previousHandler = nullptr;

int onXError(Display* display, XErrorEvent* event) {
    if (display == g_trappedDisplay) {
        g_xError = true;
        return 0;
    }
    if (g_quietOnOtherErrors) posix::endNow();
    return g_previousHandler != nullptr ? g_previousHandler(display, event) : 0;
}

// Runs one or more requests and tells whether X refused any of them.
class XErrorScope {
public:
    explicit XErrorScope(Display* display) : display_(display) {
        XSync(display_, False);
        g_trappedDisplay = display_;
        g_xError = false;
    }
    bool failed() {
        XSync(display_, False);
        return g_xError;
    }
    ~XErrorScope() {
        XSync(display_, False);
        g_trappedDisplay = nullptr;
    }

private:
    Display* display_;
};

std::string windowTitle(Display* display, Window window) {
    static Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    static Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && format == 8) {
        title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    if (!title.empty()) return title;
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

bool classMatches(Display* display, Window window, const char* className) {
    if (className == nullptr) return true;
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint) == 0) return false;
    const bool match = hint.res_class != nullptr && std::strcmp(hint.res_class, className) == 0;
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    return match;
}

// Top-level windows are the children of the root; with a window manager the
// program's window sits one or two levels further down inside its frame.
Window findByTitle(Display* display, Window parent, const char* className, const char* title, int depth) {
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &parentOut, &children, &count) == 0) return 0;
    Window found = 0;
    for (unsigned int i = count; i-- > 0 && found == 0;) {
        if (windowTitle(display, children[i]) == title && classMatches(display, children[i], className)) {
            found = children[i];
        } else if (depth > 1) {
            found = findByTitle(display, children[i], className, title, depth - 1);
        }
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

bool sdlVideoAvailable() {
    static const bool available = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return available;
}

X11Windows::X11Windows() = default;

X11Windows::~X11Windows() {
    if (watching_) SDL_DelEventWatch(&X11Windows::watchDisplays, this);
    if (display_ != nullptr) XCloseDisplay(display_);
}

Display* X11Windows::display() {
    if (!opened_) {
        opened_ = true;
        display_ = XOpenDisplay(nullptr);
        if (display_ != nullptr) {
            XErrorHandler previous = XSetErrorHandler(onXError);
            if (previous != onXError) g_previousHandler = previous;
        }
    }
    return display_;
}

std::vector<Monitor> x11Monitors(Display* d) {
    std::vector<Monitor> randr, xinerama;
    const Window root = DefaultRootWindow(d);
    int event = 0, error = 0, major = 0, minor = 0;
    if (XRRQueryExtension(d, &event, &error) && XRRQueryVersion(d, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int n = 0;
        if (XRRMonitorInfo* list = XRRGetMonitors(d, root, True, &n)) {
            for (int i = 0; i < n; ++i) {
                const Monitor m{list[i].x, list[i].y, list[i].width, list[i].height};
                if (m.width <= 0 || m.height <= 0) continue;
                if (list[i].primary) {
                    randr.insert(randr.begin(), m);
                } else {
                    randr.push_back(m);
                }
            }
            XRRFreeMonitors(list);
        }
    }
    if (XineramaQueryExtension(d, &event, &error) && XineramaIsActive(d)) {
        int n = 0;
        if (XineramaScreenInfo* heads = XineramaQueryScreens(d, &n)) {
            for (int i = 0; i < n; ++i) {
                if (heads[i].width > 0 && heads[i].height > 0) {
                    xinerama.push_back(Monitor{heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height});
                }
            }
            XFree(heads);
        }
    }
    if (!randr.empty() && randr.size() >= xinerama.size()) return randr;
    if (!xinerama.empty()) return xinerama;
    XWindowAttributes attributes{};
    XGetWindowAttributes(d, root, &attributes);
    return {Monitor{0, 0, attributes.width, attributes.height}};
}

int X11Windows::watchDisplays(void* self, SDL_Event* event) {
    if (event->type == SDL_DISPLAYEVENT) static_cast<X11Windows*>(self)->monitorsKnown_ = false;
    return 0;
}

const std::vector<Monitor>& X11Windows::monitors() {
    if (!watching_ && sdlVideoAvailable()) {
        SDL_AddEventWatch(&X11Windows::watchDisplays, this);
        watching_ = true;
    }
    if (!monitorsKnown_) {
        Display* d = display();
        monitors_ = d != nullptr ? x11Monitors(d) : std::vector<Monitor>{};
        monitorsKnown_ = d != nullptr;
    }
    return monitors_;
}

double xftDpi(Display* display) {
    return xftDpiIn(display != nullptr ? XResourceManagerString(display) : nullptr);
}

int desktopScale(Display* display) { return desktopScaleFor(xftDpi(display)); }

int X11Windows::scale() {
    const std::vector<Monitor>& all = monitors();
    if (all.empty()) return 1;
    return chooseScale(scaleChoice_, all[0].width, all[0].height, kSceneDesignWidth, kSceneDesignHeight);
}

std::int32_t X11Windows::GetSystemMetrics(std::int32_t index) {
    const std::vector<Monitor>& all = monitors();
    if (index == kSmCMonitors) return static_cast<std::int32_t>(all.size());
    if (all.empty()) return 0;
    const int k = scale();
    // The virtual desktop: the rectangle around every monitor.
    int left = all[0].x, top = all[0].y, right = left + all[0].width, bottom = top + all[0].height;
    for (const Monitor& m : all) {
        left = std::min(left, m.x);
        top = std::min(top, m.y);
        right = std::max(right, m.x + m.width);
        bottom = std::max(bottom, m.y + m.height);
    }
    // In logical pixels, rounded outwards: a window of that size covers
    // every monitor.
    switch (index) {
        case kSmXVirtualScreen: return floorDiv(left, k);
        case kSmYVirtualScreen: return floorDiv(top, k);
        case kSmCxVirtualScreen: return ceilDiv(right, k) - floorDiv(left, k);
        case kSmCyVirtualScreen: return ceilDiv(bottom, k) - floorDiv(top, k);
        default: return 0;
    }
}

std::int32_t X11Windows::GetClientRect(Hwnd window, Rect& rect) {
    rect = Rect{};
    Display* d = display();
    if (d == nullptr || window == 0) return 0;
    XErrorScope scope(d);
    XWindowAttributes attributes{};
    const Status ok = XGetWindowAttributes(d, static_cast<Window>(window), &attributes);
    if (scope.failed() || ok == 0) return 0;
    rect.right = attributes.width;
    rect.bottom = attributes.height;
    return 1;
}

std::int32_t X11Windows::GetWindowLongA(Hwnd window, std::int32_t index) {
    const auto found = longs_.find({window, index});
    return found == longs_.end() ? 0 : found->second;
}

std::int32_t X11Windows::SetWindowLongA(Hwnd window, std::int32_t index, std::int32_t value) {
    const std::int32_t previous = GetWindowLongA(window, index);
    longs_[{window, index}] = value;
    return previous;
}

Hwnd X11Windows::SetParent(Hwnd child, Hwnd parent) {
    Display* d = display();
    if (d == nullptr || child == 0) return 0;
    const Hwnd oldParent = parentOf(child);
    if (oldParent == 0) return 0;
    XErrorScope scope(d);
    const Window newParent = parent == 0 ? DefaultRootWindow(d) : static_cast<Window>(parent);
    XReparentWindow(d, static_cast<Window>(child), newParent, 0, 0);
    const bool failed = scope.failed();
    hosts_[child] = failed || newParent == DefaultRootWindow(d) ? 0 : parent;
    return failed ? 0 : oldParent;
}

std::int32_t X11Windows::SetWindowPos(Hwnd window, Hwnd /*insertAfter*/, std::int32_t x, std::int32_t y,
                                      std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
    Display* d = display();
    if (d == nullptr || window == 0) return 0;
    XErrorScope scope(d);
    // X has no empty windows: a zero size keeps one pixel.
    XMoveResizeWindow(d, static_cast<Window>(window), x, y, static_cast<unsigned>(std::max(cx, 1)),
                      static_cast<unsigned>(std::max(cy, 1)));
    if ((flags & kSwpShowWindow) != 0) XMapWindow(d, static_cast<Window>(window));
    return scope.failed() ? 0 : 1;
}

Hwnd X11Windows::FindWindowA(const char* className, const char* windowName) {
    Display* d = display();
    if (d == nullptr || windowName == nullptr) return 0;
    XErrorScope scope(d);  // windows may vanish while we look at them
    const Window found = findByTitle(d, DefaultRootWindow(d), className, windowName, 3);
    return static_cast<Hwnd>(found);
}

Hwnd X11Windows::createHiddenWindow(int width, int height) {
    Display* d = display();
    if (d == nullptr) return 0;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(d, DefaultScreen(d));
    const Window w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                   CWOverrideRedirect | CWBackPixel, &attributes);
    XSync(d, False);
    return static_cast<Hwnd>(w);
}

Hwnd X11Windows::hostOf(Hwnd window) const {
    const auto found = hosts_.find(window);
    return found == hosts_.end() ? 0 : found->second;
}

bool X11Windows::exists(Hwnd window) {
    Display* d = display();
    if (d == nullptr || window == 0) return false;
    XErrorScope scope(d);
    XWindowAttributes attributes{};
    const Status ok = XGetWindowAttributes(d, static_cast<Window>(window), &attributes);
    return !scope.failed() && ok != 0;
}

Hwnd X11Windows::parentOf(Hwnd window) {
    Display* d = display();
    if (d == nullptr || window == 0) return 0;
    XErrorScope scope(d);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    const Status ok = XQueryTree(d, static_cast<Window>(window), &root, &parent, &children, &count);
    if (children != nullptr) XFree(children);
    return (scope.failed() || ok == 0) ? 0 : static_cast<Hwnd>(parent);
}

void X11Windows::endQuietlyOnOtherErrors() {
    if (display() == nullptr) return;
    g_quietOnOtherErrors = true;
    XErrorHandler previous = XSetErrorHandler(onXError);
    if (previous != onXError) g_previousHandler = previous;
}

bool X11Windows::isRoot(Hwnd window) {
    Display* d = display();
    return d != nullptr && static_cast<Window>(window) == DefaultRootWindow(d);
}

std::int32_t X11Windows::ShowCursor(bool show) {
    cursorCount_ += show ? 1 : -1;
    if (sdlVideoAvailable()) SDL_ShowCursor(cursorCount_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorCount_;
}

std::int32_t X11Windows::SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* /*value*/,
                                               std::uint32_t /*winIni*/) {
    // While our window is up SDL keeps the desktop's own screensaver from
    // starting; here the program's word is only remembered.
    if (action != kSpiSetScreenSaverRunning) return 0;
    screensaverRunning_ = param != 0;
    return 1;
}

float SdlScreen::Width() {
    const std::vector<Monitor>& all = windows_.monitors();
    return static_cast<float>(all.empty() ? 0 : all[0].width / windows_.scale()) * TwipsPerPixelX();
}

float SdlScreen::Height() {
    const std::vector<Monitor>& all = windows_.monitors();
    return static_cast<float>(all.empty() ? 0 : all[0].height / windows_.scale()) * TwipsPerPixelY();
}

}  // namespace lumaris::x11
