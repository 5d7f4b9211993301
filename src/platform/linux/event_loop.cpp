#include "platform/linux/event_loop.h"

#include <algorithm>

namespace lumaris::linux_backend {

LoopTimer::LoopTimer(EventLoop& loop, std::function<void()> onTick) : loop_(loop), onTick_(std::move(onTick)) {}

// A timer that goes away leaves the loop's list, so the loop never calls it.
LoopTimer::~LoopTimer() { std::erase(loop_.timers_, this); }

void LoopTimer::SetInterval(std::int32_t milliseconds) {
    interval_ = milliseconds;
    deadline_ = EventLoop::nowMs() + static_cast<std::uint64_t>(std::max(interval_, 1));
}

void LoopTimer::SetEnabled(bool enabled) {
    if (enabled && !enabled_) deadline_ = EventLoop::nowMs() + static_cast<std::uint64_t>(std::max(interval_, 1));
    enabled_ = enabled;
}

EventLoop::EventLoop() { wakeEvent_ = SDL_RegisterEvents(1); }

std::uint64_t EventLoop::nowMs() { return SDL_GetTicks64(); }

std::unique_ptr<LoopTimer> EventLoop::makeTimer(std::function<void()> onTick) {
    auto timer = std::make_unique<LoopTimer>(*this, std::move(onTick));
    timers_.push_back(timer.get());
    return timer;
}

void EventLoop::post(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        posted_.push_back(std::move(work));
    }
    SDL_Event wake{};
    wake.type = wakeEvent_;
    SDL_PushEvent(&wake);
}

void EventLoop::runPosted() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        work.swap(posted_);
    }
    for (auto& job : work) job();
}

void EventLoop::run() {
    running_ = true;
    while (running_) {
        // Sleep until the next event or the nearest deadline.
        std::uint64_t now = nowMs();
        std::uint64_t wait = 100;
        for (const LoopTimer* t : timers_) {
            if (!t->enabled_) continue;
            wait = std::min<std::uint64_t>(wait, t->deadline_ > now ? t->deadline_ - now : 0);
        }
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, static_cast<int>(wait)) != 0) {
            do {
                if (event.type == wakeEvent_) {
                    runPosted();
                } else if (handler_) {
                    handler_(event);
                }
                if (!running_) return;
            } while (SDL_PollEvent(&event) != 0);
        }
        now = nowMs();
        for (LoopTimer* t : timers_) {
            if (!running_) return;
            if (!t->enabled_ || t->deadline_ > now) continue;
            t->deadline_ = now + static_cast<std::uint64_t>(std::max(t->interval_, 1));
            t->onTick_();
        }
    }
}

}  // namespace lumaris::linux_backend
