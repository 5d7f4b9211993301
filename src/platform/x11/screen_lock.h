// The password prompt of the full-screen scene on Linux.
//
// The prompt (password_prompt.h) is drawn over the scene in its own window:
// the user's name, a masked field and a line for messages. The prompt
// runs inside the program's event loop (a modal run): timers, the music's
// completion and other posted work go on while it is open, but it takes
// every input event, so nothing reaches the scene.
// When PAM cannot check passwords at all, the answer is "verified": a saver
// that nobody can unlock would lock the user out of the session.
#pragma once

#include <functional>
#include <string>

#include "platform/posix/pam_verifier.h"
#include "platform/posix/password_prompt.h"
#include "platform/user32.h"

namespace lumaris::x11 {

class SdlFormWindow;
class SdlEventLoop;

class ScreenLock {
public:
    using WindowFinder = std::function<SdlFormWindow*(Hwnd)>;
    using Checker = std::function<posix::PamResult(const std::string& user, const char* password)>;
    ScreenLock(SdlEventLoop& loop, WindowFinder findWindow, Checker check);

    // Non-zero when the password was verified.
    std::int32_t verify(Hwnd window);

private:
    SdlEventLoop& loop_;
    WindowFinder findWindow_;
    Checker check_;
};

}  // namespace lumaris::x11
