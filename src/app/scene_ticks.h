// The scene's timer. The scene ticks at the interval it sets, counted on the
// loop's clock, but the loop is woken at most once per refresh of the
// scene's window: ticks that fall within one refresh period run together
// when it ends, and only the last of them may draw a frame (the others'
// frames would never be seen). Each tick still advances the scene by one
// step, so the motion per second is the interval's on every host, however
// coarse its timers. Ticks that a stalled loop missed beyond one wake-up
// are not made up: a late tick comes once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/graphics.h"
#include "platform/toolkit.h"

namespace lumaris {

class SceneTicks : public Timer {
public:
    // tick(later): one tick, with how many more of the same wake-up follow.
    SceneTicks(EventLoop& loop, FormSurface& window, std::function<void(int later)> tick);

    void SetInterval(std::int32_t milliseconds) override;
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;

private:
    void wake();
    // The loop timer's interval: the scene's, or the window's refresh
    // period where that is longer.
    std::int32_t wakeInterval() const;

    EventLoop& loop_;
    FormSurface& window_;
    std::function<void(int)> tick_;
    std::unique_ptr<Timer> timer_;
    std::int32_t interval_ = 0;
    std::int32_t wakeInterval_ = 0;
    std::uint64_t next_ = 0;  // when the next tick is due, on the loop's clock
};

}  // namespace lumaris
