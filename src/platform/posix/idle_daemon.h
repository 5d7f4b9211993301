// `lumaris --idle`: a quiet process of the user's session that starts the
// full-screen scene once the session has been idle for a while, waits for it
// to end, and watches again. The session says when it is idle (an
// IdleSource: the desktop's idle monitor, a Wayland protocol, the X server's
// screen-saver extension); nothing here looks at input devices or keeps the
// machine awake.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/posix/poll_loop.h"

namespace lumaris::posix {

// What tells the session's idleness: `changed` runs on the loop's thread
// when the session becomes idle for the delay (and may when it is active
// again); `gone` when the session ends (its bus or display connection
// closed).
class IdleSource {
public:
    virtual ~IdleSource() = default;
    // Idle for the delay now.
    virtual bool idle() = 0;
    // The scene ended: the source looks afresh (the user's key reset the
    // session's idle time).
    virtual void rearm() {}
    // The desktop locks the screen itself at its own delay (GNOME): its
    // lock is the lock, and the scene asks for no password of its own.
    virtual bool desktopLocks() const { return false; }
};

struct IdleHooks {
    std::function<void()> changed;
    std::function<void()> gone;
};

// Makes a source where the session offers it, else null. `seconds` is the
// delay; 0 leaves it to the source (the X server's own timeout).
using IdleSourceMaker = std::function<std::unique_ptr<IdleSource>(PollLoop& loop, int seconds, IdleHooks hooks)>;

struct IdleOptions {
    int seconds = 300;         // 0: the source's own delay
    std::string sessionName;  // one --idle per session: the lock's name
    std::string program;      // the scene's program, started with "/s"
};

// Runs until an end signal or the session's end; the exit status: 0, or 1
// where no source is offered (with a line on standard error).
int runIdle(PollLoop& loop, const std::vector<IdleSourceMaker>& sources, const IdleOptions& options);

// The session is gone under a library that cannot return (Xlib's lost
// connection): the scene this process started is ended now (async-signal
// safe).
void endIdleSceneNow();

// The delay from the command line's words after --idle: minutes, or the
// seconds of LUMARIS_IDLE_SECONDS where set; 0 where none is given (the X
// server's own timeout, elsewhere 5 minutes); -1 for bad words, with a line
// on standard error.
int idleDelaySeconds(const std::vector<std::string>& words);

}  // namespace lumaris::posix
