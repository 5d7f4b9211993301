#include "platform/gtk/gtk_loop.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <utility>

#include "platform/posix/end_signals.h"

namespace lumaris::gtk {

namespace {
int g_wake[2] = {-1, -1};
std::function<void()> g_quit;

void wake(int) {
    posix::endWithinASecond();
    const char byte = 'q';
    [[maybe_unused]] const ssize_t n = write(g_wake[1], &byte, 1);
}
}  // namespace

void endMainLoopOnSignals(std::function<void()> quit) {
    g_quit = std::move(quit);
    if (g_wake[0] >= 0) return;
    if (pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = &wake;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : posix::kEndSignals) sigaction(signal, &action, nullptr);
    g_unix_fd_add(
        g_wake[0], G_IO_IN,
        +[](gint fd, GIOCondition, gpointer) -> gboolean {
            char bytes[16];
            while (read(fd, bytes, sizeof bytes) > 0) {
            }
            if (g_quit) g_quit();
            return G_SOURCE_CONTINUE;
        },
        nullptr);
}

void runMainLoop() { gtk_main(); }

void quitMainLoop() {
    if (gtk_main_level() > 0) gtk_main_quit();
}

}  // namespace lumaris::gtk
