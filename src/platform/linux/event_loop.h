// The user-interface thread's event loop on Linux: SDL events and timers.
//
// Timers are deadlines kept by the loop, not threads. A tick that comes late
// is delivered once, never queued twice: the next deadline is counted from
// the moment the tick is delivered. Intervals below 1 ms run as 1 ms.
// Other threads hand work to this thread with post().
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/graphics.h"

namespace lumaris::linux_backend {

class EventLoop;

class LoopTimer : public Timer {
public:
    LoopTimer(EventLoop& loop, std::function<void()> onTick);
    ~LoopTimer() override;
    LoopTimer(const LoopTimer&) = delete;
    LoopTimer& operator=(const LoopTimer&) = delete;
    void SetInterval(std::int32_t milliseconds) override;
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;

private:
    friend class EventLoop;
    EventLoop& loop_;
    std::function<void()> onTick_;
    std::int32_t interval_ = 0;
    bool enabled_ = true;
    std::uint64_t deadline_ = 0;  // in SDL performance-counter milliseconds
};

class EventLoop {
public:
    using EventHandler = std::function<void(const SDL_Event&)>;
    EventLoop();

    // A timer that calls onTick on this thread; enabled with interval 0
    // until set.
    std::unique_ptr<LoopTimer> makeTimer(std::function<void()> onTick);
    // Called for every SDL event.
    void setEventHandler(EventHandler handler) { handler_ = std::move(handler); }
    // Runs work on the loop's thread; safe to call from any thread.
    void post(std::function<void()> work);
    // Runs until quit() is called.
    void run();
    void quit() { running_ = false; }
    bool running() const { return running_; }

    static std::uint64_t nowMs();

private:
    friend class LoopTimer;
    void runPosted();
    std::vector<LoopTimer*> timers_;
    EventHandler handler_;
    bool running_ = false;
    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;
    std::uint32_t wakeEvent_ = 0;
};

}  // namespace lumaris::linux_backend
