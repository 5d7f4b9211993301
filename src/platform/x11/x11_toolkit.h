// The toolkit of the X11 host: SDL windows (top-level, or an X11 window
// made to be embedded in a host window), loop timers, the SDL2_mixer media
// control and the settings dialog of the dialog maker it is given, all on
// the one SdlEventLoop. SDL's
// events reach the input of the window they belong to; a session's quit
// request (SIGTERM, SIGINT) reaches every window that takes input, and ends
// the loop when none does.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/x11/event_loop.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/x11/sdl_window.h"
#include "platform/x11/x11_windows.h"
#include "platform/toolkit.h"

namespace lumaris::x11 {

// SDL's video as the X11 host needs it, before the first window: on a real
// X display only (SDL's off-screen drivers would run the scene where no one
// sees it), the X server's screensaver timer and the monitors' power saving
// left running, a closed window an end request rather than a quit, and the
// end signals the loop's (SDL's handlers would push events from inside a
// signal handler).
void prepareSdlVideo();

class X11Toolkit : public Toolkit {
public:
    // The settings dialog's window; it may hand the loop over to its own
    // toolkit's (SdlEventLoop::handOver). Without one, the dialog cannot
    // open: a Failure for the error trap.
    using DialogMaker = std::function<std::unique_ptr<ConfigWindow>(SdlEventLoop& loop)>;
    X11Toolkit(SdlEventLoop& loop, X11Windows& windows, sdl::SdlMixer& mixer, DialogMaker dialogs);
    ~X11Toolkit() override;

    std::unique_ptr<FormSurface> CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                               int height) override;
    std::unique_ptr<MediaControl> CreateMediaControl() override;
    std::unique_ptr<ConfigWindow> CreateConfigWindow() override;
    bool HostClientRect(Hwnd window, Rect& rect) override;

    // The program's window with this handle, or null.
    SdlFormWindow* windowFor(Hwnd handle);
    void forget(SdlFormWindow* window);

private:
    void handle(const SDL_Event& event);
    SdlEventLoop& loop_;
    X11Windows& windows_;
    sdl::SdlMixer& mixer_;
    DialogMaker dialogs_;
    std::vector<SdlFormWindow*> surfaces_;
    bool watchingHost_ = false;
};

}  // namespace lumaris::x11
