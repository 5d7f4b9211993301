// The display mode on Wayland (`lumaris --root` with WAYLAND_DISPLAY or
// WAYLAND_SOCKET and no X window named): one overlay surface per output,
// each with a scene of its own laid out for that output's size, outputs
// that come later included; an output that goes takes its scene with it.
// No input, no password, no messages but standard error. Works with the
// few globals a screen locker offers (compositor, shared memory, layer
// shell, outputs). One process plays the session's sound (its lock, as on
// X11); within the process, the scene of one output. Ends with status 0 on
// the end signals and when the connection closes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/display_mode.h"
#include "platform/posix/poll_loop.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/platform.h"
#include "platform/toolkit.h"
#include "platform/wayland/wayland_connection.h"

namespace lumaris::wayland {

// Whether the display mode goes to Wayland: a Wayland display is named and
// no X window is.
bool waylandDisplayMode(const DisplayOptions& options);

// The Wayland display's name for the session's sound lock: a connection
// handed over belongs to the session of WAYLAND_DISPLAY's default name.
std::string sessionDisplayName();

class WaylandDisplayModeToolkit : public Toolkit {
public:
    // media: the host's media control, for the process that plays.
    WaylandDisplayModeToolkit(posix::PollLoop& loop, WaylandConnection& connection,
                              std::function<std::unique_ptr<MediaControl>()> media, int scaleChoice);
    // The next surface made (SurfaceKind::Given) is on this output.
    void surfaceOn(Output& output) { next_ = &output; }
    std::unique_ptr<FormSurface> CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                               int height) override;
    std::unique_ptr<MediaControl> CreateMediaControl() override { return media_(); }
    std::unique_ptr<ConfigWindow> CreateConfigWindow() override;
    bool HostClientRect(Hwnd, Rect&) override { return false; }

private:
    WaylandConnection& connection_;
    std::function<std::unique_ptr<MediaControl>()> media_;
    int scaleChoice_;
    Output* next_ = nullptr;
};

// Runs the scenes until the loop ends (a signal, the connection closed);
// `claimSound` asks the session's lock. The exit status.
// The display mode on the session's compositor, on the services of `host`
// (music through `mixer`); the exit status. A Failure when no compositor
// answers.
int runWaylandDisplayMode(Platform& host, posix::PollLoop& loop, sdl::SdlMixer& mixer, const DisplayOptions& options);

int runWaylandDisplayMode(Platform& host, WaylandDisplayModeToolkit& toolkit, WaylandConnection& connection,
                          const DisplayOptions& options, std::function<bool()> claimSound);

}  // namespace lumaris::wayland
