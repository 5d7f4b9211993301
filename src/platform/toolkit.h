// What a host makes for the forms: their windows, timers, the media control,
// the settings dialog's window, and the one event loop that drives them.
// Each host (its own windows on Linux, a window handed over by a screensaver
// daemon, Win32) implements this once; the wiring of forms to it is the
// program's own (app/).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/audio.h"
#include "platform/config_view.h"
#include "platform/graphics.h"
#include "platform/user32.h"
#include "runtime/timer_queue.h"

namespace lumaris {

// The user-interface thread's event loop.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    // Delivers window events, timer ticks and posted work until Quit.
    virtual void Run() = 0;
    // Makes Run (and any modal run) return after the present event.
    virtual void Quit() = 0;
    // Runs work on the loop's thread soon; safe to call from any thread.
    virtual void Post(std::function<void()> work) = 0;
    // A nested run for a modal prompt: everything Run delivers keeps being
    // delivered until done() is true (checked after each event) or Quit.
    virtual void RunModal(const std::function<bool()>& done) = 0;
    // A repeating timer that calls onTick on the loop's thread; enabled, with
    // interval 0, until set.
    virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) = 0;
    // The clock the timers keep, in milliseconds.
    virtual std::uint64_t NowMs() = 0;
};

// A timer of a loop that keeps its deadlines in a TimerQueue, on the
// loop's clock (milliseconds).
class QueuedTimer : public Timer {
public:
    QueuedTimer(TimerQueue& queue, std::function<std::uint64_t()> clock, std::function<void()> onTick)
        : timer_(queue, std::move(clock), std::move(onTick)) {}
    void SetInterval(std::int32_t milliseconds) override { timer_.setInterval(milliseconds); }
    std::int32_t Interval() const override { return timer_.interval(); }
    void SetEnabled(bool enabled) override { timer_.setEnabled(enabled); }

private:
    QueueTimer timer_;
};

// How a form's window is made.
enum class SurfaceKind {
    // A top-level window of the given size, hidden until shown.
    TopLevel,
    // A window that stays unmapped until the start-up embeds it in a host
    // window (SetParent, SetWindowPos); it follows the host's size.
    Embedded,
    // The window the host was handed (a screensaver daemon's), at the size
    // it has: never moved, raised, resized or given input by the program;
    // width and height are ignored. Its size changes arrive through
    // OnResize.
    Given,
};

class Toolkit {
public:
    explicit Toolkit(EventLoop& loop) : loop_(loop) {}
    virtual ~Toolkit() = default;
    // The one loop that drives everything the toolkit makes.
    EventLoop& Loop() { return loop_; }
    // A form's window with its persistent image; a failure when the host has
    // no display for it.
    virtual std::unique_ptr<FormSurface> CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                                       int height) = 0;
    // The multimedia control for music files; its Done event arrives through
    // the loop.
    virtual std::unique_ptr<MediaControl> CreateMediaControl() = 0;
    // The settings dialog's window with every control of the dialog's layout.
    virtual std::unique_ptr<ConfigWindow> CreateConfigWindow() = 0;
    // The client area of the live window that now holds the embedded
    // `window`; false when it is not inside a host window (any more).
    virtual bool HostClientRect(Hwnd window, Rect& rect) = 0;

private:
    EventLoop& loop_;
};

}  // namespace lumaris
