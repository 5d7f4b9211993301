// Stand-ins for a run without a display: the snapshot option and the
// benchmarks run the scene off-screen with these.
#pragma once

#include "platform/graphics.h"
#include "platform/user32.h"

namespace lumaris::linux_backend {

// A screen of a fixed size at 15 twips per pixel.
class FixedScreen : public Screen {
public:
    FixedScreen(int w, int h) : w_(w), h_(h) {}
    float Width() override { return static_cast<float>(w_) * 15.0f; }
    float Height() override { return static_cast<float>(h_) * 15.0f; }
    float TwipsPerPixelX() override { return 15.0f; }
    float TwipsPerPixelY() override { return 15.0f; }

private:
    int w_, h_;
};

// Window calls without a display: no window, no pointer to hide.
class NoWindows : public User32 {
public:
    std::int32_t GetSystemMetrics(std::int32_t) override { return 0; }
    std::int32_t GetClientRect(Hwnd, Rect& rect) override {
        rect = Rect{};
        return 0;
    }
    std::int32_t GetWindowLongA(Hwnd, std::int32_t) override { return 0; }
    std::int32_t SetWindowLongA(Hwnd, std::int32_t, std::int32_t) override { return 0; }
    Hwnd SetParent(Hwnd, Hwnd) override { return 0; }
    std::int32_t SetWindowPos(Hwnd, Hwnd, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                              std::uint32_t) override {
        return 0;
    }
    Hwnd FindWindowA(const char*, const char*) override { return 0; }
    std::int32_t ShowCursor(bool) override { return 0; }
    std::int32_t SystemParametersInfoA(std::uint32_t, std::uint32_t, void*, std::uint32_t) override { return 1; }
};

// A timer whose ticks the caller makes.
class ManualTimer : public Timer {
public:
    void SetInterval(std::int32_t milliseconds) override { interval_ = milliseconds; }
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool) override {}

private:
    std::int32_t interval_ = 0;
};

}  // namespace lumaris::linux_backend
