// The timers of the user-interface thread as deadlines, for event loops that
// keep their own clock.
//
// A tick that comes late is delivered once, never queued twice: the next
// deadline is counted from the moment the tick is delivered. Intervals below
// 1 ms run as 1 ms. A timer may be removed, or another added, from inside a
// tick: a removed timer is never called again, an added one waits for its
// first deadline.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace lumaris {

class TimerQueue {
public:
    using Id = std::uint64_t;

    // A new timer, enabled, with interval 0 until set; `now` in milliseconds.
    Id add(std::function<void()> onTick, std::uint64_t now);
    void remove(Id id);
    void setInterval(Id id, std::int32_t milliseconds, std::uint64_t now);
    void setEnabled(Id id, bool enabled, std::uint64_t now);

    // Milliseconds until the nearest deadline, at most `longest`.
    std::uint64_t wait(std::uint64_t now, std::uint64_t longest) const;
    // Ticks every timer whose deadline has come; `clock` gives the present
    // time, read again after each tick. Returns how many ticked.
    int runDue(const std::function<std::uint64_t()>& clock, const std::function<bool()>& keepGoing = {});

private:
    struct Entry {
        Id id;
        std::function<void()> onTick;
        std::int32_t interval = 0;
        bool enabled = true;
        std::uint64_t deadline = 0;
    };
    Entry* find(Id id);
    static std::uint64_t period(const Entry& e) { return static_cast<std::uint64_t>(e.interval < 1 ? 1 : e.interval); }
    std::vector<Entry> entries_;
    std::vector<Id> due_;
    bool running_ = false;
    Id next_ = 1;
};

// A timer of a TimerQueue whose loop keeps the time with `clock`
// (milliseconds); it leaves the queue when it goes, so it is never called
// after that.
class QueueTimer {
public:
    QueueTimer(TimerQueue& queue, std::function<std::uint64_t()> clock, std::function<void()> onTick);
    ~QueueTimer();
    QueueTimer(const QueueTimer&) = delete;
    QueueTimer& operator=(const QueueTimer&) = delete;
    void setInterval(std::int32_t milliseconds);
    std::int32_t interval() const { return interval_; }
    void setEnabled(bool enabled);

private:
    TimerQueue& queue_;
    std::function<std::uint64_t()> clock_;
    TimerQueue::Id id_;
    std::int32_t interval_ = 0;
};

}  // namespace lumaris
