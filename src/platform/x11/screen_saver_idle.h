// The X server's idle time (the MIT-SCREEN-SAVER extension) as an idle
// source: idle once no input came for the delay, or where none is given for
// the server's own screen-saver timeout (`xset s`). The server is asked when
// the delay can next be over, and once a second while the session is idle.
#pragma once

#include <memory>

#include "platform/posix/idle_daemon.h"

namespace lumaris::x11 {

std::unique_ptr<posix::IdleSource> screenSaverIdle(posix::PollLoop& loop, int seconds, posix::IdleHooks hooks);

}  // namespace lumaris::x11
