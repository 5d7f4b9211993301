// The full-screen scene on Wayland (`lumaris /s` with WAYLAND_DISPLAY set):
// one overlay surface per output, together the virtual desktop, the
// outputs placed where xdg-output puts them.
//
// - Geometry: the scene works in pixels of its own, each a k x k block of
//   the primary (first) output's physical pixels, k the whole-number scale
//   for that output; the desktop is the rectangle around every output in
//   those pixels. The window's image covers it; each output shows its part,
//   enlarged to the output's physical pixels.
// - Outputs plugged in while the scene runs are covered too.
// - Input: the seat's keyboard (exclusive on the overlays) and pointer go to
//   the form's input, positions in the scene's pixels; the pointer is hidden
//   over the scene while the form hides it.
// - No idle inhibitor: the compositor's later idle steps still come.
// - A running scene holds a lock that another start sees (the system has no
//   window list to find it by).
//
// - The password prompt: drawn over the primary output (the first that is
//   left when one goes), every key its own while open.
// - With the password option on (KeepInput), the session guard
//   (session_guard.h): under the session lock every part is a lock surface,
//   and the session is unlocked only after a verified password.
//
// Not here: the preview and the password change (X11 only), the settings
// dialog (GTK, on its own).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/password_prompt.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/private_lock.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/null/null_platform.h"
#include "platform/system.h"
#include "platform/toolkit.h"
#include "platform/user32.h"
#include "platform/wayland/session_guard.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_surface.h"

struct wl_pointer;
struct wl_keyboard;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace lumaris::wayland {

// The outputs as the scene sees them; no other window is reachable.
class WaylandDesktop : public null_backend::NoWindows, public Screen {
public:
    // scaleChoice: 0 for automatic, else a fixed scale.
    WaylandDesktop(WaylandConnection& connection, int scaleChoice)
        : connection_(connection), scaleChoice_(scaleChoice) {}

    // The primary output's scale k, its buffer scale, and the desktop's
    // rectangle in the scene's pixels.
    int scale() const;
    int primaryBufferScale() const;
    PixelRect desktop() const;
    // An output's rectangle in the scene's pixels.
    PixelRect place(const Output& output) const;
    // The name of the lock a running scene holds.
    std::string runningLockName() const;

    std::int32_t GetSystemMetrics(std::int32_t index) override;
    // Only the running scene's caption is found: by its lock.
    Hwnd FindWindowA(const char* className, const char* windowName) override;
    bool cursorShown() const { return cursorCount >= 0; }

    float Width() override;
    float Height() override;
    float TwipsPerPixelX() override { return kTwipsPerPixel; }
    float TwipsPerPixelY() override { return kTwipsPerPixel; }

private:
    WaylandConnection& connection_;
    int scaleChoice_;
};

class DesktopSurface;

// The seat's keyboard and pointer, for the scene's window.
class SeatInput {
public:
    SeatInput(WaylandConnection& connection, WaylandDesktop& desktop);
    ~SeatInput();
    SeatInput(const SeatInput&) = delete;
    SeatInput& operator=(const SeatInput&) = delete;
    void attach(DesktopSurface* surface) { surface_ = surface; }
    DesktopSurface* surface() const { return surface_; }
    // While set, every key press goes here (its keysym and its text, which
    // the receiver must not keep) and the pointer reaches nothing.
    using KeyTaker = std::function<void(std::uint32_t keysym, const char* text, std::size_t length)>;
    void takeKeys(KeyTaker taker) { taker_ = std::move(taker); }
    struct Events;

private:
    void keymap(int fd, std::uint32_t size);
    void pointerAt(wl_surface* surface, double x, double y);
    void hidePointer();
    WaylandConnection& connection_;
    WaylandDesktop& desktop_;
    DesktopSurface* surface_ = nullptr;
    KeyTaker taker_;
    wl_pointer* pointer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    xkb_context* xkb_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    std::uint32_t enterSerial_ = 0;
    wl_surface* over_ = nullptr;  // the surface the pointer is over
    std::int16_t buttons_ = 0;
    float x_ = 0, y_ = 0;
};

class DesktopSurface : public FormSurface {
public:
    DesktopSurface(WaylandConnection& connection, WaylandDesktop& desktop, const std::string& name);
    ~DesktopSurface() override;

    void SetCaption(const std::string& caption) override;
    void Show() override;
    void SetWindowState(std::int32_t state) override;
    void SetTop(float twips) override;
    void SetLeft(float twips) override;
    void SetWidth(float twips) override;
    void SetHeight(float twips) override;
    Hwnd hWnd() override { return 1; }
    Surface& Image() override { return image_; }
    void Refresh() override;
    void AddLabel(const Label& label) override { labels_.push_back(&label); }
    int LabelHeight(const Label& label) override;
    void OnResize(std::function<void()> handler) override { onResize_ = std::move(handler); }
    void ResizeTo(int, int) override {}
    // With the password option on: the strongest guard the compositor
    // offers, taken once.
    void KeepInput(bool keep) override;
    void SetInput(FormInput* input) override { input_ = input; }
    // A frame is wanted while any output still shows frames of its own.
    bool FrameWanted() override;
    // The fastest output's.
    std::int64_t FramePeriodUs() override;

    FormInput* input() const { return input_; }
    // After a verified password: a session lock is let go.
    void unlockSession();
    // The password prompt over the middle of the primary output; null: none.
    void setOverlay(const Surface* overlay);
    int promptScale() const;
    // Where a surface of this window lies in the scene's pixels; false for
    // another surface.
    bool placeOf(wl_surface* surface, PixelRect& place) const;

private:
    struct Part {
        std::uint32_t output;
        PixelRect place;  // in the window's image
        std::unique_ptr<OutputSurface> surface;
    };
    void applyGeometry();
    void addPart(Output& output);
    void removePart(Output& output);
    void placeParts();
    // Every output's part made afresh (as lock surfaces, or again as
    // overlays when the lock is gone).
    void rebuildParts();
    // An output's rectangle in the window's image.
    PixelRect placeOn(const Output& output) const;
    int pixels(float twips) const;
    // The display is dark while every output is.
    void followPower();

    WaylandConnection& connection_;
    WaylandDesktop& desktop_;
    Surface image_;
    PixelRect geometry_;
    bool shown_ = false;
    bool labelled_ = false;
    const Surface* overlay_ = nullptr;
    // Declared before the parts: lock surfaces go before the lock.
    std::unique_ptr<SessionGuard> guard_;
    std::vector<Part> parts_;
    std::vector<const Label*> labels_;
    std::function<void()> onResize_;
    FormInput* input_ = nullptr;
    bool lit_ = true;
    std::unique_ptr<posix::PrivateLock> running_;
};

// The toolkit of the full-screen scene on Wayland.
class WaylandToolkit : public Toolkit {
public:
    WaylandToolkit(posix::PollLoop& loop, WaylandConnection& connection, WaylandDesktop& desktop,
                   sdl::SdlMixer& mixer);
    ~WaylandToolkit() override;
    std::unique_ptr<FormSurface> CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                               int height) override;
    std::unique_ptr<MediaControl> CreateMediaControl() override;
    std::unique_ptr<ConfigWindow> CreateConfigWindow() override;
    bool HostClientRect(Hwnd, Rect&) override { return false; }
    // The session asks the program to end: a request to the scene, or the
    // end of the run without one. While the password prompt is open it
    // closes the prompt first.
    void terminate();
    // The password prompt over the scene, until the password is verified
    // (non-zero), or Esc, the idle time or an end request cancels it (0).
    std::int32_t askPassword(const posix::PasswordPrompt::Checker& check);

private:
    posix::PollLoop& loop_;
    WaylandConnection& connection_;
    WaylandDesktop& desktop_;
    sdl::SdlMixer& mixer_;
    SeatInput seat_;
    bool prompting_ = false;
    bool endRequested_ = false;  // while the prompt was open
};

}  // namespace lumaris::wayland
