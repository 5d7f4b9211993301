#include "platform/x11/screen_saver_idle.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <cstdlib>

namespace lumaris::x11 {

namespace {

class ScreenSaverIdle : public posix::IdleSource {
public:
    ScreenSaverIdle(posix::PollLoop& loop, Display* display, int seconds, posix::IdleHooks hooks)
        : display_(display), seconds_(seconds), hooks_(std::move(hooks)) {
        info_ = XScreenSaverAllocInfo();
        timer_ = loop.CreateTimer([this] { check(); });
        // The connection's end is the session's.
        loop.watch(ConnectionNumber(display_), [this] {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
            }
        });
        check();
    }
    ~ScreenSaverIdle() override {
        timer_.reset();
        if (info_ != nullptr) XFree(info_);
        XCloseDisplay(display_);
    }

    bool idle() override { return idle_; }
    void rearm() override { check(); }

private:
    // The delay in ms; 0 where the server's timeout is off.
    long delayMs() {
        if (seconds_ > 0) return seconds_ * 1000L;
        int timeout = 0, interval = 0, blanking = 0, exposures = 0;
        XGetScreenSaver(display_, &timeout, &interval, &blanking, &exposures);
        return std::max(timeout, 0) * 1000L;
    }

    void check() {
        const long delay = delayMs();
        long idleMs = 0;
        if (info_ != nullptr && XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_)) {
            idleMs = static_cast<long>(info_->idle);
        }
        const bool idle = delay > 0 && idleMs >= delay;
        // Idle: looked at each second, to see the session in use again;
        // else when the delay can next be over (a minute at most, so that a
        // changed server timeout is seen).
        const long next = idle ? 1000 : delay > 0 ? std::clamp(delay - idleMs + 20, 20L, 60'000L) : 60'000L;
        timer_->SetInterval(static_cast<std::int32_t>(next));
        if (idle == idle_) return;
        idle_ = idle;
        if (hooks_.changed) hooks_.changed();
    }

    Display* display_;
    int seconds_;
    posix::IdleHooks hooks_;
    XScreenSaverInfo* info_ = nullptr;
    std::unique_ptr<Timer> timer_;
    bool idle_ = false;
};

// A lost connection is the session's end: the scene this process started
// goes with it, status 0.
int onIoError(Display*) {
    posix::endIdleSceneNow();
    std::_Exit(0);
}

}  // namespace

std::unique_ptr<posix::IdleSource> screenSaverIdle(posix::PollLoop& loop, int seconds, posix::IdleHooks hooks) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    int event = 0, error = 0;
    if (!XScreenSaverQueryExtension(display, &event, &error)) {
        XCloseDisplay(display);
        return nullptr;
    }
    XSetIOErrorHandler(&onIoError);
    return std::make_unique<ScreenSaverIdle>(loop, display, seconds, std::move(hooks));
}

}  // namespace lumaris::x11
