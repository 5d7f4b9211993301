// The X11 host of the program's own windows (the scene, the dialog, the
// preview, the password change): SDL's video prepared for X11, the one
// event loop, the windows and the screen; once the services are built, the
// toolkit on them and the password check of the full-screen scene, PAM's
// answer to a prompt drawn over the scene.
#pragma once

#include <memory>

#include "platform/posix/password_change.h"
#include "platform/posix/process.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/x11/event_loop.h"
#include "platform/x11/screen_lock.h"
#include "platform/x11/x11_toolkit.h"
#include "platform/x11/x11_windows.h"

namespace lumaris::x11 {

class X11Host {
public:
    // scaleChoice: 0 for automatic, else a fixed scale (runtime/scale.h).
    explicit X11Host(int scaleChoice);
    SdlEventLoop& loop() { return loop_; }
    User32& user32() { return windows_; }
    Screen& screen() { return screen_; }
    // The toolkit, music through `mixer`, the settings dialog from
    // `dialogs`; `passwords` verifies through the scene's prompt, and the
    // end of `app` takes the windows away first.
    Toolkit& start(sdl::SdlMixer& mixer, posix::LinuxPasswords& passwords, posix::LinuxApp& app,
                   X11Toolkit::DialogMaker dialogs);

private:
    SdlEventLoop loop_;
    X11Windows windows_;
    SdlScreen screen_{windows_};
    std::unique_ptr<X11Toolkit> toolkit_;
    std::unique_ptr<ScreenLock> lock_;
};

}  // namespace lumaris::x11
