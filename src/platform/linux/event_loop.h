// The user-interface thread's event loop on Linux: SDL events, timers as
// deadlines (runtime/timer_queue.h), work posted from other threads, and the
// nested run of a modal prompt. While the settings dialog (GTK) is open the
// loop is GTK's own.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/graphics.h"
#include "platform/toolkit.h"
#include "runtime/timer_queue.h"

namespace lumaris::linux_backend {

class SdlEventLoop : public EventLoop {
public:
    using EventHandler = std::function<void(const SDL_Event&)>;
    // Returns true when it took the event.
    using Interceptor = std::function<bool(const SDL_Event&)>;
    SdlEventLoop();

    void Run() override;
    void Quit() override;
    void Post(std::function<void()> work) override;
    void RunModal(const std::function<bool()>& done) override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;

    // Every SDL event that is not posted work goes here.
    void setEventHandler(EventHandler handler) { handler_ = std::move(handler); }
    // While set, events go to the interceptor first (a modal prompt).
    void setInterceptor(Interceptor interceptor) { interceptor_ = std::move(interceptor); }
    // From now on Run is GTK's main loop; the end signals end it.
    void useGtk();
    // SIGTERM, SIGINT, SIGHUP and SIGQUIT end the program the way the session's end
    // does (an SDL_QUIT event), also where SDL does not catch them.
    static void quitOnEndSignals();
    TimerQueue& timers() { return timers_; }

    static std::uint64_t nowMs();

private:
    void step(const std::function<bool()>& done);
    void dispatch(const SDL_Event& event);
    void runPosted();
    TimerQueue timers_;
    EventHandler handler_;
    Interceptor interceptor_;
    bool quit_ = false;
    bool gtk_ = false;
    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;
    std::uint32_t wakeEvent_ = 0;
};

class LoopTimer : public QueuedTimer {
public:
    LoopTimer(SdlEventLoop& loop, std::function<void()> onTick)
        : QueuedTimer(loop.timers(), &SdlEventLoop::nowMs, std::move(onTick)) {}
};

}  // namespace lumaris::linux_backend
