// The display mode's host on X11: the window a screensaver daemon hands over
// (or the root window), drawn into with the shared-memory extension where
// the display is local (plain image requests elsewhere), only the part of
// each frame that changed. The window's size changes lay the scene out
// again; its destruction, and the end signals, end the run; a lost display
// connection ends the process at once (status 0: nothing is left to do).
// The window is never moved, mapped, raised, given a cursor or asked for
// input. A large window shows the scene at a whole-number scale
// (runtime/scale.h): automatic for its size, or the one the user chose.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/display_mode.h"
#include "platform/graphics.h"
#include "platform/platform.h"
#include "platform/posix/poll_loop.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_text.h"
#include "platform/x11/x11_image.h"
#include "platform/toolkit.h"
#include "runtime/compose.h"
#include "runtime/frame_pacer.h"
#include "runtime/scale.h"

struct _XDisplay;

namespace lumaris::x11 {

// The connection and the window to draw on.
class X11Target {
public:
    // window 0: the root window. A Failure (one line of text) when there is
    // no display or the window cannot be drawn on.
    explicit X11Target(std::uint64_t window);
    ~X11Target();
    X11Target(const X11Target&) = delete;
    X11Target& operator=(const X11Target&) = delete;

    _XDisplay* display() const { return display_; }
    unsigned long window() const { return window_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The display's name, as DISPLAY spells it.
    std::string name() const;
    // Whether an X error said the window is gone.
    bool gone() const;
    // The refresh rate of the monitor the window's middle is on, from
    // RandR; 0 where it gives none.
    double refreshRate() const;

private:
    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    int width_ = 0, height_ = 0;
    friend class GivenWindowSurface;
    void* visual_ = nullptr;
    int depth_ = 0;
};

class GivenWindowSurface : public FormSurface {
public:
    // scaleChoice: 0 for automatic, else a fixed scale.
    GivenWindowSurface(X11Target& target, const std::string& name, int scaleChoice);
    ~GivenWindowSurface() override;
    GivenWindowSurface(const GivenWindowSurface&) = delete;
    GivenWindowSurface& operator=(const GivenWindowSurface&) = delete;

    void SetCaption(const std::string&) override {}
    void Show() override {}
    void SetWindowState(std::int32_t) override {}
    void SetTop(float) override {}
    void SetLeft(float) override {}
    void SetWidth(float) override {}
    void SetHeight(float) override {}
    Hwnd hWnd() override { return static_cast<Hwnd>(target_.window()); }
    Surface& Image() override { return image_; }
    void Refresh() override;
    // Once per refresh of the monitor the window is on.
    bool FrameWanted() override { return pacer_.wanted(); }
    std::int64_t FramePeriodUs() override { return pacer_.periodUs(); }
    void AddLabel(const Label& label) override { labels_.push_back(&label); }
    int LabelHeight(const Label& label) override { return labelHeight(label, &text_); }
    void OnResize(std::function<void()> handler) override { onResize_ = std::move(handler); }
    // In the window's pixels; the image takes the logical size.
    void ResizeTo(int width, int height) override;
    void KeepInput(bool) override {}
    void SetInput(FormInput*) override {}

    // The window was uncovered: the next frame goes whole.
    void exposed() { composer_.invalidate(); }

private:
    X11Target& target_;
    Surface image_;
    int scaleChoice_;
    Magnifier magnifier_;
    X11Image screen_;
    std::vector<const Label*> labels_;
    sdl::TextRenderer text_;
    FormComposer composer_;
    std::function<void()> onResize_;
    FramePacer pacer_;
};

class DisplayModeToolkit : public Toolkit {
public:
    DisplayModeToolkit(posix::PollLoop& loop, X11Target& target, sdl::SdlMixer& mixer, int scaleChoice = 0);
    // Only the handed-over window (SurfaceKind::Given).
    std::unique_ptr<FormSurface> CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                               int height) override;
    std::unique_ptr<MediaControl> CreateMediaControl() override;
    std::unique_ptr<ConfigWindow> CreateConfigWindow() override;
    bool HostClientRect(Hwnd, Rect&) override { return false; }

private:
    void drain();
    posix::PollLoop& loop_;
    X11Target& target_;
    sdl::SdlMixer& mixer_;
    int scaleChoice_;
    GivenWindowSurface* surface_ = nullptr;
};

// The display mode on X11, on the services of `host` (music through
// `mixer`), in the window `options` names (0: the root window), until the
// window goes or the loop ends; the exit status. A Failure when the display
// or the window cannot be drawn on.
int runX11DisplayMode(Platform& host, posix::PollLoop& loop, sdl::SdlMixer& mixer, const DisplayOptions& options);

// The window of the display mode: `window` where given, else the one
// XSCREENSAVER_WINDOW names (0, the root window, where none does); false,
// with a line on standard error, when that entry names no window.
bool chooseGivenWindow(std::uint64_t& window);

}  // namespace lumaris::x11
