// The compositor's word on the session's idleness as an idle source:
// ext_idle_notifier_v1 where the compositor offers it, else the older
// org_kde_kwin_idle (sway 1.7, KDE Plasma 5.27), on a connection of its own.
// Either tells when the seat has had no input for the delay, and when input
// comes again; programs that ask the desktop not to go idle (a video
// playing) hold it back, as the compositor decides.
#pragma once

#include <memory>

#include "platform/posix/idle_daemon.h"

namespace lumaris::wayland {

// Null where there is no Wayland display, or it offers neither protocol.
std::unique_ptr<posix::IdleSource> compositorIdle(posix::PollLoop& loop, int seconds, posix::IdleHooks hooks);

}  // namespace lumaris::wayland
