// Windows, the screen and the desktop.
//
// The calls keep the shape and the constants of the system calls they stand
// for, so that callers can be checked call by call.
#pragma once

#include <cstdint>

namespace lumaris {

// A window handle. On X11 it is the window id.
using Hwnd = std::int32_t;

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

inline constexpr std::int32_t kSmXVirtualScreen = 76;  // SM_XVIRTUALSCREEN
inline constexpr std::int32_t kSmYVirtualScreen = 77;  // SM_YVIRTUALSCREEN
inline constexpr std::int32_t kSmCxVirtualScreen = 78;  // SM_CXVIRTUALSCREEN
inline constexpr std::int32_t kSmCyVirtualScreen = 79;  // SM_CYVIRTUALSCREEN
inline constexpr std::int32_t kSmCMonitors = 80;  // SM_CMONITORS

inline constexpr std::int32_t kGwlStyle = -16;  // GWL_STYLE
inline constexpr std::int32_t kGwlHwndParent = -8;  // GWL_HWNDPARENT
inline constexpr std::int32_t kWsChild = 0x40000000;  // WS_CHILD

inline constexpr std::uint32_t kSpiSetScreenSaverRunning = 97;  // SPI_SETSCREENSAVERRUNNING

inline constexpr std::uint32_t kSwpNoZOrder = 0x0004;  // SWP_NOZORDER
inline constexpr std::uint32_t kSwpNoActivate = 0x0010;  // SWP_NOACTIVATE
inline constexpr std::uint32_t kSwpShowWindow = 0x0040;  // SWP_SHOWWINDOW

class User32 {
public:
    virtual ~User32() = default;
    virtual std::int32_t GetSystemMetrics(std::int32_t index) = 0;
    // Fills rect with the client area (left and top 0); non-zero on success.
    virtual std::int32_t GetClientRect(Hwnd window, Rect& rect) = 0;
    virtual std::int32_t GetWindowLongA(Hwnd window, std::int32_t index) = 0;
    // Returns the previous value.
    virtual std::int32_t SetWindowLongA(Hwnd window, std::int32_t index, std::int32_t value) = 0;
    // Returns the previous parent, 0 on failure.
    virtual Hwnd SetParent(Hwnd child, Hwnd parent) = 0;
    virtual std::int32_t SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y,
                                      std::int32_t cx, std::int32_t cy, std::uint32_t flags) = 0;
    // A top-level window whose caption is exactly windowName (className null:
    // any class), or 0.
    virtual Hwnd FindWindowA(const char* className, const char* windowName) = 0;
    // Moves the pointer's display counter up (show) or down (hide); the
    // pointer shows while the counter is 0 or more. Returns the counter.
    virtual std::int32_t ShowCursor(bool show) = 0;
    virtual std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                                               std::uint32_t winIni) = 0;
};

// The screen object: the primary screen's size in twips and the twips per
// pixel on each axis.
class Screen {
public:
    virtual ~Screen() = default;
    virtual float Width() = 0;
    virtual float Height() = 0;
    virtual float TwipsPerPixelX() = 0;
    virtual float TwipsPerPixelY() = 0;
};

}  // namespace lumaris
