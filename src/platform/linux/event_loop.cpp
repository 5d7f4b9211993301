#include "platform/linux/event_loop.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "platform/linux/end_signals.h"

namespace lumaris::linux_backend {

SdlEventLoop::SdlEventLoop() { wakeEvent_ = SDL_RegisterEvents(1); }

namespace {
void pushQuit(int) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}
}  // namespace

void SdlEventLoop::quitOnEndSignals() {
    // SDL's own handlers do the same for SIGINT and SIGTERM once its
    // events start; they stand aside for a handler already there.
    struct sigaction action {};
    action.sa_handler = &pushQuit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kEndSignals) sigaction(signal, &action, nullptr);
}

namespace {
// The end signals reach GTK's loop through a pipe (GLib's own signal
// sources take no SIGQUIT).
int g_gtkWake[2] = {-1, -1};
void wakeGtk(int) {
    const char byte = 'q';
    [[maybe_unused]] const ssize_t n = write(g_gtkWake[1], &byte, 1);
}
}  // namespace

void SdlEventLoop::useGtk() {
    gtk_ = true;
    // GTK's loop reads no SDL events: the dialog ends on the signals itself.
    if (g_gtkWake[0] < 0 && pipe2(g_gtkWake, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = &wakeGtk;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kEndSignals) sigaction(signal, &action, nullptr);
    g_unix_fd_add(
        g_gtkWake[0], G_IO_IN,
        +[](gint fd, GIOCondition, gpointer loop) -> gboolean {
            char bytes[16];
            while (read(fd, bytes, sizeof bytes) > 0) {
            }
            static_cast<SdlEventLoop*>(loop)->Quit();
            return G_SOURCE_CONTINUE;
        },
        this);
}

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

std::unique_ptr<Timer> SdlEventLoop::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<LoopTimer>(*this, std::move(onTick));
}

void SdlEventLoop::RunModal(const std::function<bool()>& done) {
    while (!quit_ && !done()) step(done);
}

}  // namespace lumaris::linux_backend
