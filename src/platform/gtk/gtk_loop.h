// GTK's main loop, for as long as a GTK window (the settings dialog) runs
// the user-interface thread in place of the host's own loop. The end
// signals (SIGTERM, SIGINT, SIGHUP, SIGQUIT) reach it through a pipe, GLib's
// own signal sources taking no SIGQUIT.
#pragma once

#include <functional>

namespace lumaris::gtk {

// From now on the end signals call `quit` on GTK's loop (once per signal).
void endMainLoopOnSignals(std::function<void()> quit);
// GTK's loop, until quitMainLoop.
void runMainLoop();
// Ends runMainLoop; nothing when it does not run.
void quitMainLoop();

}  // namespace lumaris::gtk
