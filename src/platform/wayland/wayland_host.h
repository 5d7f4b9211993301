// The Wayland host of the full-screen scene: the poll loop, the
// compositor's connection and the desktop of its outputs; once the services
// are built, the toolkit on them, the end signals as end requests and the
// password check, PAM's answer to a prompt drawn over the first output.
#pragma once

#include <memory>

#include "platform/posix/password_change.h"
#include "platform/posix/poll_loop.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_desktop.h"

namespace lumaris::wayland {

class WaylandHost {
public:
    // scaleChoice: 0 for automatic, else a fixed scale (runtime/scale.h). A
    // Failure when no compositor answers.
    explicit WaylandHost(int scaleChoice);
    posix::PollLoop& loop() { return loop_; }
    User32& user32() { return desktop_; }
    Screen& screen() { return desktop_; }
    // The toolkit, music through `mixer`; `passwords` verifies through the
    // scene's prompt.
    Toolkit& start(sdl::SdlMixer& mixer, posix::LinuxPasswords& passwords);

private:
    posix::PollLoop loop_;
    WaylandConnection connection_;
    WaylandDesktop desktop_;
    std::unique_ptr<WaylandToolkit> toolkit_;
};

}  // namespace lumaris::wayland
