#include "platform/x11/event_loop.h"

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
