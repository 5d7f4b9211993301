// The toolkit of the Windows host: form windows (win32_window.h), the
// loop's SetTimer timers, and the media control as MCI command strings, all
// on the one Win32Loop.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "platform/toolkit.h"
#include "platform/win32/win32_config.h"
#include "platform/win32/win32_graphics.h"
#include "platform/win32/win32_loop.h"
#include "platform/win32/win32_window.h"

namespace lumaris::win32_backend {

// The multimedia control: "Open" opens the file with the device type set
// last under an alias of the control's own ("wait" when Wait is set),
// "play" plays it with notify to the control's own message-only window,
// "close" closes it. The device's MM_MCINOTIFY of a playback that finished
// is the Done event.
class MciMediaControl : public MediaControl {
public:
    MciMediaControl();
    ~MciMediaControl() override;
    MciMediaControl(const MciMediaControl&) = delete;
    MciMediaControl& operator=(const MciMediaControl&) = delete;
    // A play always reports its end: that is what starts the next file.
    void SetNotify(bool) override {}
    void SetWait(bool wait) override { wait_ = wait; }
    void SetShareable(bool shareable) override { shareable_ = shareable; }
    void SetDeviceType(const std::string& type) override { deviceType_ = type; }
    void SetFileName(const std::string& file) override { file_ = file; }
    void SetCommand(const std::string& command) override;
    void OnDone(std::function<void(std::int32_t)> handler) override { done_ = std::move(handler); }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void notice(WPARAM code);
    MCIERROR send(const std::string& command);
    // Where the device's notices arrive: a window of this control's alone
    // (the device number in a notice is not the same on every system).
    HWND window_ = nullptr;
    std::string alias_;
    std::string deviceType_;
    std::string file_;
    bool wait_ = false, shareable_ = false;
    bool open_ = false;
    std::function<void(std::int32_t)> done_;
};

class Win32Toolkit : public Toolkit {
public:
    Win32Toolkit(Win32Loop& loop, Win32Gdi& gdi);
    ~Win32Toolkit() override;

    std::unique_ptr<FormSurface> CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                               int height) override;
    std::unique_ptr<MediaControl> CreateMediaControl() override;
    std::unique_ptr<ConfigWindow> CreateConfigWindow() override;
    bool HostClientRect(Hwnd window, Rect& rect) override;

    // The open settings dialog, which takes its keyboard messages first.
    void setDialog(Win32ConfigWindow* dialog) { dialog_ = dialog; }

private:
    Win32Loop& loop_;
    Win32Gdi& gdi_;
    Win32ConfigWindow* dialog_ = nullptr;
};

}  // namespace lumaris::win32_backend
