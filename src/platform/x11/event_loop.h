// The user-interface thread's event loop on Linux: SDL events, timers as
// deadlines (runtime/timer_queue.h), work posted from other threads, the end
// signals, and the nested run of a modal prompt. While the settings dialog
// is open the loop is its toolkit's own (handOver).
//
// The loop never sleeps inside SDL: it waits in poll() on the X connection
// and a pipe of its own (PollLoop). Other threads and the end signals wake it
// through the pipe, never through the display, so nothing that wakes the loop
// can reach a window that is being destroyed on the way out.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/posix/poll_loop.h"
#include "platform/toolkit.h"

struct _XDisplay;

namespace lumaris::x11 {

class SdlEventLoop : public EventLoop {
public:
    using EventHandler = std::function<void(const SDL_Event&)>;
    // Returns true when it took the event.
    using Interceptor = std::function<bool(const SDL_Event&)>;
    SdlEventLoop();

    void Run() override;
    void Quit() override;
    void Post(std::function<void()> work) override { core_.Post(std::move(work)); }
    void RunModal(const std::function<bool()>& done) override { core_.RunModal(done); }
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override { return core_.CreateTimer(std::move(onTick)); }
    std::uint64_t NowMs() override { return nowMs(); }

    // Every SDL event goes here.
    void setEventHandler(EventHandler handler) { handler_ = std::move(handler); }
    // While set, events go to the interceptor first (a modal prompt).
    void setInterceptor(Interceptor interceptor) { interceptor_ = std::move(interceptor); }
    // The loop also wakes when the display connection has input (the
    // connection of SDL's windows; without one it looks for SDL's events at
    // each timer deadline, at least ten times a second).
    void watchDisplay(_XDisplay* display);
    // From now on Run is `run` (another library's main loop, which ends
    // the end signals itself), and Quit calls `quit` too.
    void handOver(std::function<void()> run, std::function<void()> quit);
    // SIGTERM, SIGINT, SIGHUP and SIGQUIT end the program the way the session's
    // end does: an SDL_QUIT event on the loop's thread.
    void quitOnEndSignals();

    static std::uint64_t nowMs() { return posix::PollLoop::nowMs(); }

private:
    void pumpEvents();
    void dispatch(const SDL_Event& event);
    posix::PollLoop core_;
    EventHandler handler_;
    Interceptor interceptor_;
    _XDisplay* display_ = nullptr;
    std::uint64_t lastPump_ = 0;
    std::function<void()> foreignRun_;
    std::function<void()> foreignQuit_;
};

}  // namespace lumaris::x11
