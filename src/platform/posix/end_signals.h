#pragma once
// The signals that end the program the way the session's end does: windows
// closed, pointer and sound given back, status 0. SIGQUIT is one of them, so
// that it never leaves a core file with what was typed into the prompt, and
// it is caught even where the starting shell had it ignored.
#include <signal.h>

namespace lumaris::posix {

inline constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// For the end signals' handlers (async-signal-safe): should the program
// still be running a second later, held in a call by a display server that
// stopped answering, it ends then with status 0, whatever it is doing.
void endWithinASecond();

// Ends the process at once with status 0, without running destructors (the
// toolkits' own may block on a display that is gone): output is flushed
// first, and a build with LeakSanitizer makes its check first.
[[noreturn]] void endNow();

}  // namespace lumaris::posix
