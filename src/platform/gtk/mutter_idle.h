// GNOME's idle monitor (org.gnome.Mutter.IdleMonitor on the session bus)
// as an idle source: a watch for the idle delay, and while idle a watch for
// the user's return. GNOME counts what asks it not to go idle (a video
// playing) itself. The bus is served on a thread of its own; its news goes
// to the loop's thread.
#pragma once

#include <memory>

#include "platform/posix/idle_daemon.h"

namespace lumaris::gtk {

// Null where the session bus has no idle monitor.
std::unique_ptr<posix::IdleSource> mutterIdle(posix::PollLoop& loop, int seconds, posix::IdleHooks hooks);

}  // namespace lumaris::gtk
