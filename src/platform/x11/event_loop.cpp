#include "platform/x11/event_loop.h"

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

void SdlEventLoop::watchDisplay(int fd) {
    if (fd < 0 || fd == displayFd_) return;
    displayFd_ = fd;
    core_.setLongestWait(1000);
    core_.watch(fd, [this] { pumpEvents(); });
}

void SdlEventLoop::pumpEvents() {
    // With ticks a millisecond apart, looking at SDL's queue before each
    // wait would cost more than the ticks: while the display connection has
    // nothing to read, it is looked at every 10 ms at most (events the
    // connection's library read ahead, and SDL's own, wait that long).
    const std::uint64_t now = nowMs();
    if (displayFd_ >= 0 && now - lastPump_ < 10) {
        pollfd display{displayFd_, POLLIN, 0};
        if (poll(&display, 1, 0) <= 0) {
            core_.setLongestWait(10);
            return;
        }
    }
    lastPump_ = now;
    core_.setLongestWait(displayFd_ >= 0 ? 1000 : 100);
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
