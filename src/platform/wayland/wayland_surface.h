// One surface of the Wayland host on one output: an overlay of the layer
// shell above everything (an xdg toplevel made fullscreen on the output
// where the compositor has no layer shell), drawn in shared-memory buffers.
//
// - The form's image is the output's size in physical pixels over the
//   scene's whole-number scale (runtime/scale.h); the buffers are the
//   output's physical size: the integer buffer scale, or the preferred
//   fractional scale with a viewport where the compositor offers both.
// - Each refresh goes into a free buffer (two at first, more while the
//   compositor holds them, at most four); with none free the frame is
//   skipped, its changes kept for the next. Only the changed rectangle is
//   copied and damaged; a buffer that missed frames catches up with what
//   changed meanwhile.
// - No faster than the compositor shows frames: while a frame callback is
//   pending a refresh waits for it, and the form draws no frame. A callback
//   that stays away for a second means the output is off.
// - Input: keyboard exclusively where asked (the full-screen scene), none
//   for the display mode.
// - Under a session lock the surface is one of the lock's, which the
//   compositor sizes to the output and gives the keyboard.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "platform/sdl/sdl_text.h"
#include "platform/wayland/wayland_connection.h"
#include "runtime/compose.h"
#include "runtime/scale.h"

struct wl_surface;
struct wl_buffer;
struct wl_callback;
struct zwlr_layer_surface_v1;
struct xdg_surface;
struct xdg_toplevel;
struct wp_viewport;
struct wp_fractional_scale_v1;
struct ext_session_lock_v1;
struct ext_session_lock_surface_v1;

namespace lumaris::wayland {

enum class Keyboard { None, Exclusive };

class OutputSurface : public FormSurface {
public:
    // scaleChoice: 0 for automatic, else a fixed scale.
    // With `lock`, a lock surface of that session lock.
    OutputSurface(WaylandConnection& connection, Output& output, const std::string& name, int scaleChoice,
                  Keyboard keyboard, ext_session_lock_v1* lock = nullptr);
    ~OutputSurface() override;
    OutputSurface(const OutputSurface&) = delete;
    OutputSurface& operator=(const OutputSurface&) = delete;

    void SetCaption(const std::string&) override {}
    void Show() override {}
    void SetWindowState(std::int32_t) override {}
    void SetTop(float) override {}
    void SetLeft(float) override {}
    void SetWidth(float) override {}
    void SetHeight(float) override {}
    Hwnd hWnd() override { return static_cast<Hwnd>(output_.id); }
    Surface& Image() override { return image_; }
    void Refresh() override;
    void AddLabel(const Label& label) override { labels_.push_back(&label); }
    int LabelHeight(const Label& label) override { return labelHeight(label, &text_); }
    void OnResize(std::function<void()> handler) override { onResize_ = std::move(handler); }
    // The size comes from the compositor.
    void ResizeTo(int, int) override {}
    void KeepInput(bool) override {}
    // Hears only when the output goes dark and lights again.
    void SetInput(FormInput* input) override;
    // While a frame callback is pending the compositor still has a frame to
    // show: a new one would only replace it.
    bool FrameWanted() override;
    // The output's refresh period (60 Hz where it tells none).
    std::int64_t FramePeriodUs() override {
        return output_.refreshMhz > 0 ? 1'000'000'000 / output_.refreshMhz : 16'666;
    }

    // A frame the compositor has not asked for in a second: the output is
    // off (powered down, or showing something else), until it asks again.
    bool dark() const { return dark_; }
    void followPower(std::function<void(bool on)> handler) { power_ = std::move(handler); }

    Output& output() const { return output_; }
    wl_surface* surface() const { return surface_; }
    // Shows another picture of the image's size instead of the image (a
    // window over one output shows its own image there); null: the image.
    void show(Surface* picture) { shows_ = picture; }
    // A picture drawn over the middle of the surface (the password prompt),
    // in the buffers' pixels; null for none. The caller keeps it.
    void setOverlay(const Surface* overlay) { overlay_ = overlay; }
    // How many buffer pixels an overlay's pixel takes to be read at the
    // size the user reads text at on this output.
    int promptScale() const;
    // The surface's size in the compositor's logical pixels.
    int logicalWidth() const { return logicalWidth_; }
    int logicalHeight() const { return logicalHeight_; }

    // The compositor's events for it.
    struct Events;

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        std::uint32_t* pixels = nullptr;
        std::size_t bytes = 0;
        int width = 0, height = 0;
        bool busy = false;
        PixelRect owed;  // changed since this buffer was last shown
        Surface view{"buffer", 0, 0};  // its pixels as a picture
    };

    // The surface's size (logical) from the compositor, or the output's.
    void configured(int width, int height);
    // Sizes the buffers and the image for the present logical size and
    // scale, and lays the form out again when they change.
    void fit();
    Buffer* freeBuffer();
    bool labelsShown() const;
    // Enlarges the image k times into a part of the buffer.
    void enlargeInto(Buffer& buffer, const Surface& source, const PixelRect& part, int k);
    void dropBuffers();
    void present();

    WaylandConnection& connection_;
    Output& output_;
    int scaleChoice_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    ext_session_lock_surface_v1* lockSurface_ = nullptr;
    xdg_surface* xdgSurface_ = nullptr;
    xdg_toplevel* toplevel_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    wp_fractional_scale_v1* fractional_ = nullptr;
    wl_callback* frame_ = nullptr;
    bool configured_ = false;
    bool shownOnce_ = false;
    bool direct_ = false;  // the last frame was enlarged straight into a buffer
    bool waiting_ = false;  // a refresh came while a frame was pending
    bool dark_ = false;
    std::int64_t frameAskedUs_ = 0;
    std::function<void(bool)> power_;
    int pendingWidth_ = 0, pendingHeight_ = 0;  // a toplevel's size, until its surface's configure
    int logicalWidth_ = 0, logicalHeight_ = 0;
    int scale120_ = 0;  // the preferred fractional scale x 120, 0 for none
    int bufferWidth_ = 0, bufferHeight_ = 0;
    std::vector<std::unique_ptr<Buffer>> buffers_;
    Surface image_;
    Surface* shows_ = nullptr;
    const Surface* overlay_ = nullptr;
    Magnifier magnifier_;
    std::vector<const Label*> labels_;
    sdl::TextRenderer text_;
    FormComposer composer_;
    std::function<void()> onResize_;
};

}  // namespace lumaris::wayland
