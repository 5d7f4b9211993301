#include "platform/x11/event_loop.h"

#include <X11/Xlib.h>
#include <poll.h>

#include <utility>

namespace lumaris::x11 {

SdlEventLoop::SdlEventLoop() {
    // SDL's queue is looked at before each wait, whether or not the display
    // has said anything: events SDL makes itself (and those pushed on this
    // thread) are there too.
    core_.watch(-1, [this] { pumpEvents(); });
    core_.setLongestWait(100);
    core_.onEndSignal([this] {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        dispatch(quit);
    });
}

void SdlEventLoop::quitOnEndSignals() { core_.quitOnEndSignals(); }

void SdlEventLoop::watchDisplay(_XDisplay* display) {
    if (display == nullptr || display == display_) return;
    display_ = display;
    core_.setLongestWait(1000);
    core_.watch(ConnectionNumber(display), [this] { pumpEvents(); });
}

void SdlEventLoop::pumpEvents() {
    // With ticks a millisecond apart, pumping SDL's events before each wait
    // would cost more than the ticks: while neither the connection nor
    // Xlib's and SDL's queues hold anything, it is done every 10 ms at most.
    const std::uint64_t now = nowMs();
    if (display_ != nullptr && now - lastPump_ < 10 && XEventsQueued(display_, QueuedAlready) == 0 &&
        SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_FALSE) {
        pollfd readable{ConnectionNumber(display_), POLLIN, 0};
        if (poll(&readable, 1, 0) <= 0) return;
    }
    lastPump_ = now;
    // Polling (never waiting) reads everything the connection has, so the
    // next wait in poll() sees whatever comes after.
    SDL_Event event;
    while (!core_.finishing() && SDL_PollEvent(&event) != 0) dispatch(event);
}

void SdlEventLoop::handOver(std::function<void()> run, std::function<void()> quit) {
    foreignRun_ = std::move(run);
    foreignQuit_ = std::move(quit);
}

void SdlEventLoop::dispatch(const SDL_Event& event) {
    if (interceptor_ && interceptor_(event)) return;
    if (handler_) handler_(event);
}

void SdlEventLoop::Run() {
    if (foreignRun_) {
        foreignRun_();
        return;
    }
    core_.Run();
}

void SdlEventLoop::Quit() {
    core_.Quit();
    if (foreignQuit_) foreignQuit_();
}

}  // namespace lumaris::x11
