// Windows, the screen and the desktop on Linux (X11).
//
// Implements: window handles as X11 window ids; GetClientRect from the
// window's size; SetParent as a reparent; SetWindowPos as move, resize and
// map; FindWindowA over the top-level windows and the frames a window manager
// puts around them, matching the title exactly; GetSystemMetrics for the
// monitor count and the virtual desktop from the X server's own monitors
// (x11Monitors); the screen object from the primary monitor at 15 twips per
// pixel. Both in the scene's logical pixels: on a large primary monitor
// each is a k x k block of the screen's (runtime/scale.h). The pointer's
// display counter, hiding SDL's pointer while it is below 0.
// Not implemented: window styles have no X11 meaning, so Get/SetWindowLongA
// keep them in a table of ours; z-order flags are ignored.
// A bad window handle never ends the program: X errors are caught and the
// call reports failure (0).
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "platform/user32.h"

struct _XDisplay;
union SDL_Event;

namespace lumaris::x11 {

struct Monitor {
    int x = 0, y = 0, width = 0, height = 0;
};

// The monitors as the X server describes them, the primary first: RandR's
// monitor list (1.5 and later) or Xinerama's heads, whichever knows more
// monitors (a server of several screens joined may give RandR only the
// first), else the whole screen.
std::vector<Monitor> x11Monitors(_XDisplay* display);

// The scale the desktop declares for its programs: GDK_SCALE, else Xft.dpi
// of the display's resources in whole multiples of 96; at least 1.
int desktopScale(_XDisplay* display);
// Xft.dpi of the display's resources; 0 when it has none.
double xftDpi(_XDisplay* display);

class X11Windows : public User32 {
public:
    X11Windows();
    ~X11Windows() override;
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    std::int32_t GetSystemMetrics(std::int32_t index) override;
    std::int32_t GetClientRect(Hwnd window, Rect& rect) override;
    std::int32_t GetWindowLongA(Hwnd window, std::int32_t index) override;
    std::int32_t SetWindowLongA(Hwnd window, std::int32_t index, std::int32_t value) override;
    Hwnd SetParent(Hwnd child, Hwnd parent) override;
    std::int32_t SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                              std::int32_t cy, std::uint32_t flags) override;
    Hwnd FindWindowA(const char* className, const char* windowName) override;
    std::int32_t ShowCursor(bool show) override;
    std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                                       std::uint32_t winIni) override;
    // What the program last told the system through SPI_SETSCREENSAVERRUNNING.
    bool screensaverRunning() const { return screensaverRunning_; }
    // A window made to be embedded: unmapped until shown, and never managed
    // by a window manager (no frame, no decoration) should it be shown while
    // it has no host; 0 without a display.
    Hwnd createHiddenWindow(int width, int height);
    // The window the program last made the parent of `window`: 0 for none
    // or the root window, also when the system refused.
    Hwnd hostOf(Hwnd window) const;
    // Whether the window exists (a bad handle is no failure).
    bool exists(Hwnd window);
    // The window's parent, or 0.
    Hwnd parentOf(Hwnd window);
    bool isRoot(Hwnd window);
    // From now on an X error of another connection (the drawing library's,
    // whose window went away with its host) ends the process quietly.
    void endQuietlyOnOtherErrors();
    // The display's monitors (x11Monitors); none without a display. Asked
    // of the server once, and again after SDL reports a change of displays:
    // the splash reads the screen's size each frame.
    const std::vector<Monitor>& monitors();
    // The user's choice of scale (0: automatic), and the scale of the
    // screen: of the primary monitor's size.
    void setScaleChoice(int choice) { scaleChoice_ = choice; }
    int scaleChoice() const { return scaleChoice_; }
    int scale();

private:
    _XDisplay* display();
    _XDisplay* display_ = nullptr;
    bool opened_ = false;
    std::map<std::pair<Hwnd, std::int32_t>, std::int32_t> longs_;
    std::map<Hwnd, Hwnd> hosts_;
    static int watchDisplays(void* self, ::SDL_Event* event);
    std::vector<Monitor> monitors_;
    bool monitorsKnown_ = false;
    int scaleChoice_ = 0;
    bool watching_ = false;
    std::int32_t cursorCount_ = 0;
    bool screensaverRunning_ = false;
};

// The primary monitor, in logical pixels.
class SdlScreen : public Screen {
public:
    explicit SdlScreen(X11Windows& windows) : windows_(windows) {}
    float Width() override;
    float Height() override;
    float TwipsPerPixelX() override { return 15.0f; }
    float TwipsPerPixelY() override { return 15.0f; }

private:
    X11Windows& windows_;
};

// Starts SDL's video subsystem once; false when there is no display.
bool sdlVideoAvailable();

}  // namespace lumaris::x11
