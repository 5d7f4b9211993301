// At most one frame per refresh of the display: a tick may draw a frame
// only once the refresh period that the last shown frame fell in is over.
// The periods lie on one grid, so frames keep an even pace whatever the
// ticks' interval; after a long pause the grid starts again.
#pragma once

#include <chrono>
#include <cstdint>

namespace lumaris {

class FramePacer {
public:
    // The display's refresh rate; 0 or less (unknown, or a virtual display
    // that reports a 0 Hz mode) counts as 60 Hz.
    explicit FramePacer(double hz = 0) { setRate(hz); }
    void setRate(double hz) { periodUs_ = static_cast<std::int64_t>(1e6 / (hz > 0 ? hz : 60.0)); }
    std::int64_t periodUs() const { return periodUs_; }

    bool wanted() const { return wantedAt(nowUs()); }
    void shown() { shownAt(nowUs()); }

    // A quarter of a period early still counts: the timers that ask keep
    // whole milliseconds.
    bool wantedAt(std::int64_t now) const { return now + periodUs_ / 4 >= due_; }
    void shownAt(std::int64_t now) {
        due_ = wantedAt(now) && now < due_ + periodUs_ ? due_ + periodUs_ : now + periodUs_;
    }

    static std::int64_t nowUs() {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

private:
    std::int64_t periodUs_ = 16666;
    std::int64_t due_ = 0;
};

}  // namespace lumaris
