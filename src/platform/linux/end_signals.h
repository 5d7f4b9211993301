#pragma once
// The signals that end the program the way the session's end does: windows
// closed, pointer and sound given back, status 0. SIGQUIT is one of them, so
// that it never leaves a core file with what was typed into the prompt, and
// it is caught even where the starting shell had it ignored.
#include <signal.h>

namespace lumaris::linux_backend {

inline constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

}  // namespace lumaris::linux_backend
