#include "app/scene_ticks.h"

#include <algorithm>

namespace lumaris {

SceneTicks::SceneTicks(EventLoop& loop, FormSurface& window, std::function<void(int later)> tick)
    : loop_(loop), window_(window), tick_(std::move(tick)), timer_(loop.CreateTimer([this] { wake(); })) {}

std::int32_t SceneTicks::wakeInterval() const {
    if (interval_ <= 0) return interval_;
    const auto period = static_cast<std::int32_t>(window_.FramePeriodUs() / 1000);
    return std::max(interval_, period);
}

void SceneTicks::SetInterval(std::int32_t milliseconds) {
    interval_ = milliseconds;
    next_ = loop_.NowMs() + static_cast<std::uint64_t>(std::max(milliseconds, 0));
    wakeInterval_ = wakeInterval();
    timer_->SetInterval(wakeInterval_);
}

void SceneTicks::SetEnabled(bool enabled) {
    // Ticks start again an interval after the timer comes back on.
    if (enabled) next_ = loop_.NowMs() + static_cast<std::uint64_t>(std::max(interval_, 0));
    timer_->SetEnabled(enabled);
}

void SceneTicks::wake() {
    if (interval_ <= 0) return;
    const std::uint64_t now = loop_.NowMs();
    const auto interval = static_cast<std::uint64_t>(interval_);
    // A wake-up a little early (the timers round) still runs the tick due.
    const std::uint64_t slack = std::min<std::uint64_t>(interval / 2, 2);
    std::uint64_t due = now + slack >= next_ ? (now + slack - next_) / interval + 1 : 0;
    const std::uint64_t most = static_cast<std::uint64_t>(std::max(wakeInterval_, 1)) / interval + 2;
    if (due > most) {
        due = 1;
        next_ = now + interval;
    } else {
        next_ += due * interval;
    }
    // The window's refresh may have changed (another monitor, a new mode).
    if (const std::int32_t wanted = wakeInterval(); wanted != wakeInterval_) {
        wakeInterval_ = wanted;
        timer_->SetInterval(wanted);
    }
    for (std::uint64_t i = 1; i <= due; ++i) tick_(static_cast<int>(due - i));
}

}  // namespace lumaris
