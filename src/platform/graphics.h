// Drawing, pictures, form windows and timers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/user32.h"
#include "runtime/compose.h"
#include "runtime/form.h"
#include "runtime/surface.h"

namespace lumaris {

// The drawing calls the forms make. The real implementation is the raster
// code of runtime/surface.h on every platform; tests record the calls.
class Gdi {
public:
    virtual ~Gdi() = default;
    virtual std::int32_t BitBlt(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                                const Surface& src, std::int32_t sx, std::int32_t sy, std::uint32_t rop) = 0;
    // A one-pixel line in a colour, both ends drawn.
    virtual void Line(Surface& dst, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                      std::uint32_t color) = 0;
    // Removes a picture: the surface shows its background colour.
    virtual void ClearPicture(Surface& surface) = 0;
    // Refreshes a picture that is not on screen: nothing to show.
    virtual void RefreshPicture(Surface& surface) = 0;
};

class RasterGdi : public Gdi {
public:
    std::int32_t BitBlt(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Surface& src,
                        std::int32_t sx, std::int32_t sy, std::uint32_t rop) override {
        return blit(dst, x, y, w, h, src, sx, sy, rop);
    }
    void Line(Surface& dst, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              std::uint32_t color) override {
        drawLine(dst, x1, y1, x2, y2, color);
    }
    void ClearPicture(Surface& surface) override { surface.clear(); }
    void RefreshPicture(Surface&) override {}
};

// The pictures built into the program, decoded.
class Pictures {
public:
    virtual ~Pictures() = default;
    // The picture `name` (matched without regard to case) as a surface of its
    // own size with the given background colour. A missing or undecodable
    // picture is a failure.
    virtual Surface Load(const std::string& name, std::uint32_t background) = 0;
    // Writes a picture to a PNG file; false when it could not be written
    // whole (the file is then not there).
    virtual bool SavePng(const Surface& picture, const std::string& path) = 0;
};

// A form's window: caption and place (FormWindow; Show also gives it the
// keyboard focus), and a persistent back image that the screen shows after
// each refresh.
class FormSurface : public FormWindow {
public:
    // The persistent image, as large as the window's inner area.
    virtual Surface& Image() = 0;
    // Shows the image, with the labels drawn over it.
    virtual void Refresh() = 0;
    // Whether a frame drawn now would reach the screen: false while the
    // screen still has a frame to show from this refresh period, or shows
    // none at all. Asked once per tick, just before it draws.
    virtual bool FrameWanted() { return true; }
    // How long the screen shows each frame, in microseconds; 0 where that
    // is not known.
    virtual std::int64_t FramePeriodUs() { return 0; }
    // A label to draw over the image; it must outlive the window.
    virtual void AddLabel(const Label& label) = 0;
    // The label's height in pixels with its present caption.
    virtual int LabelHeight(const Label& label) = 0;
    // Called after the window changed its size, before it is shown again.
    virtual void OnResize(std::function<void()> handler) = 0;
    // Takes on a size given from outside (the host window's), in pixels.
    virtual void ResizeTo(int width, int height) = 0;
    // Keeps keyboard and pointer input to this window, so that no other
    // window can take it (a screen that only a password opens).
    virtual void KeepInput(bool keep) = 0;
    // Where the window's input goes; null: input is ignored.
    virtual void SetInput(FormInput* input) = 0;
};

// A repeating timer of the user-interface thread.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetInterval(std::int32_t milliseconds) = 0;
    virtual std::int32_t Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

}  // namespace lumaris
