#include "runtime/timer_queue.h"

#include <algorithm>

namespace lumaris {

TimerQueue::Id TimerQueue::add(std::function<void()> onTick, std::uint64_t now) {
    Entry e{next_++, std::move(onTick)};
    e.deadline = now + period(e);
    entries_.push_back(std::move(e));
    return entries_.back().id;
}

TimerQueue::Entry* TimerQueue::find(Id id) {
    for (Entry& e : entries_) {
        if (e.id == id) return &e;
    }
    return nullptr;
}

void TimerQueue::remove(Id id) {
    std::erase_if(entries_, [id](const Entry& e) { return e.id == id; });
}

void TimerQueue::setInterval(Id id, std::int32_t milliseconds, std::uint64_t now) {
    if (Entry* e = find(id)) {
        e->interval = milliseconds;
        e->deadline = now + period(*e);
    }
}

void TimerQueue::setEnabled(Id id, bool enabled, std::uint64_t now) {
    if (Entry* e = find(id)) {
        if (enabled && !e->enabled) e->deadline = now + period(*e);
        e->enabled = enabled;
    }
}

std::uint64_t TimerQueue::wait(std::uint64_t now, std::uint64_t longest) const {
    std::uint64_t wait = longest;
    for (const Entry& e : entries_) {
        if (e.enabled) wait = std::min<std::uint64_t>(wait, e.deadline > now ? e.deadline - now : 0);
    }
    return wait;
}

int TimerQueue::runDue(const std::function<std::uint64_t()>& clock, const std::function<bool()>& keepGoing) {
    // Ticks may add and remove timers: go by id over the timers that were
    // there at the start, looking each one up again before its tick.
    // The list is kept between calls, so a tick allocates nothing once it
    // has grown to the number of timers.
    // A nested run (a modal loop inside a tick) takes a list of its own.
    std::vector<Id> nested;
    std::vector<Id>& due = running_ ? nested : due_;
    const bool outer = !running_;
    running_ = true;
    due.clear();
    for (const Entry& e : entries_) due.push_back(e.id);
    int ticked = 0;
    for (std::size_t i = 0; i < due.size(); ++i) {
        const Id id = due[i];
        if (keepGoing && !keepGoing()) break;
        Entry* e = find(id);
        const std::uint64_t now = clock();
        if (e == nullptr || !e->enabled || e->deadline > now) continue;
        e->deadline = now + period(*e);
        // The handler is copied: the tick may remove its own timer.
        const std::function<void()> tick = e->onTick;
        try {
            tick();
        } catch (...) {
            if (outer) running_ = false;
            throw;
        }
        ++ticked;
    }
    if (outer) running_ = false;
    return ticked;
}

QueueTimer::QueueTimer(TimerQueue& queue, std::function<std::uint64_t()> clock, std::function<void()> onTick)
    : queue_(queue), clock_(std::move(clock)), id_(queue.add(std::move(onTick), clock_())) {}

QueueTimer::~QueueTimer() { queue_.remove(id_); }

void QueueTimer::setInterval(std::int32_t milliseconds) {
    interval_ = milliseconds;
    queue_.setInterval(id_, milliseconds, clock_());
}

void QueueTimer::setEnabled(bool enabled) { queue_.setEnabled(id_, enabled, clock_()); }

}  // namespace lumaris
