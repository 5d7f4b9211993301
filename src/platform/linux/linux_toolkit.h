// The toolkit of the Linux host: SDL windows (top-level, or an X11 window
// made to be embedded in a host window), loop timers, the SDL2_mixer media
// control and the GTK settings dialog, all on the one SdlEventLoop. SDL's
// events reach the input of the window they belong to; a session's quit
// request (SIGTERM, SIGINT) reaches every window that takes input, and ends
// the loop when none does.
#pragma once

#include <vector>

#include "platform/linux/event_loop.h"
#include "platform/linux/sdl_audio.h"
#include "platform/linux/sdl_window.h"
#include "platform/linux/x11_windows.h"
#include "platform/toolkit.h"

namespace lumaris::linux_backend {

class LinuxToolkit : public Toolkit {
public:
    LinuxToolkit(SdlEventLoop& loop, X11Windows& windows, SdlMixer& mixer);
    ~LinuxToolkit() override;

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
    SdlMixer& mixer_;
    std::vector<SdlFormWindow*> surfaces_;
    bool watchingHost_ = false;
};

}  // namespace lumaris::linux_backend
