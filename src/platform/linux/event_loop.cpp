#include "platform/linux/event_loop.h"

#include <gtk/gtk.h>

namespace lumaris::linux_backend {

LoopTimer::LoopTimer(SdlEventLoop& loop, std::function<void()> onTick)
    : loop_(loop), id_(loop.timers().add(std::move(onTick), SdlEventLoop::nowMs())) {}

// A timer that goes away leaves the loop, so the loop never calls it.
LoopTimer::~LoopTimer() { loop_.timers().remove(id_); }

void LoopTimer::SetInterval(std::int32_t milliseconds) {
    interval_ = milliseconds;
    loop_.timers().setInterval(id_, milliseconds, SdlEventLoop::nowMs());
}

void LoopTimer::SetEnabled(bool enabled) { loop_.timers().setEnabled(id_, enabled, SdlEventLoop::nowMs()); }

SdlEventLoop::SdlEventLoop() { wakeEvent_ = SDL_RegisterEvents(1); }

std::uint64_t SdlEventLoop::nowMs() { return SDL_GetTicks64(); }

void SdlEventLoop::Post(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        posted_.push_back(std::move(work));
    }
    SDL_Event wake{};
    wake.type = wakeEvent_;
    SDL_PushEvent(&wake);
}

void SdlEventLoop::runPosted() {
    // Work is posted once per song at most: a list of its own for each run
    // keeps a job that runs a nested loop safe.
    std::vector<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        work.swap(posted_);
    }
    for (auto& job : work) job();
}

void SdlEventLoop::dispatch(const SDL_Event& event) {
    if (event.type == wakeEvent_) {
        runPosted();
    } else if (interceptor_ && interceptor_(event)) {
        return;
    } else if (handler_) {
        handler_(event);
    }
}

void SdlEventLoop::step(const std::function<bool()>& done) {
    auto finished = [&] { return quit_ || (done && done()); };
    // Sleep until the next event or the nearest deadline.
    SDL_Event event;
    const std::uint64_t wait = timers_.wait(nowMs(), 100);
    if (SDL_WaitEventTimeout(&event, static_cast<int>(wait)) != 0) {
        do {
            dispatch(event);
            if (finished()) return;
        } while (SDL_PollEvent(&event) != 0);
    }
    timers_.runDue(&SdlEventLoop::nowMs, [&] { return !finished(); });
}

void SdlEventLoop::Run() {
    quit_ = false;
    if (gtk_) {
        gtk_main();
        return;
    }
    while (!quit_) step({});
}

void SdlEventLoop::Quit() {
    quit_ = true;
    if (gtk_ && gtk_main_level() > 0) gtk_main_quit();
}

void SdlEventLoop::RunModal(const std::function<bool()>& done) {
    while (!quit_ && !done()) step(done);
}

}  // namespace lumaris::linux_backend
