#include "platform/linux/event_loop.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "platform/linux/end_signals.h"

namespace lumaris::linux_backend {

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

namespace {
// The end signals reach GTK's loop through a pipe (GLib's own signal
// sources take no SIGQUIT).
int g_gtkWake[2] = {-1, -1};
void wakeGtk(int) {
    endWithinASecond();
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

void SdlEventLoop::dispatch(const SDL_Event& event) {
    if (interceptor_ && interceptor_(event)) return;
    if (handler_) handler_(event);
}

void SdlEventLoop::Run() {
    if (gtk_) {
        gtk_main();
        return;
    }
    core_.Run();
}

void SdlEventLoop::Quit() {
    core_.Quit();
    if (gtk_ && gtk_main_level() > 0) gtk_main_quit();
}

}  // namespace lumaris::linux_backend
