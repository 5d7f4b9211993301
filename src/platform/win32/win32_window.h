// Form windows on Windows: a borderless WS_POPUP window whose back image is
// a DIB section; each refresh is one BitBlt of the part that changed to the
// window. The form works in logical pixels at a whole-number scale k: the
// scene's for a top-level window (the primary monitor's), the preview
// picture's for a window embedded in a host (the host's size). At k > 1 the
// changed part of the image is enlarged into a second DIB of the window's
// size, and that is shown. Geometry in twips of logical pixels, the
// maximised state as the primary monitor, the window's messages as the
// form's input with positions in logical pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "platform/win32/win32_graphics.h"
#include "platform/win32/win32_handles.h"
#include "runtime/compose.h"
#include "runtime/frame_pacer.h"
#include "runtime/scale.h"

namespace lumaris::win32_backend {

class Win32FormWindow : public FormSurface {
public:
    // topMost: above every other window (the full-screen scene).
    Win32FormWindow(const std::string& name, Win32Gdi& gdi, bool topMost);
    ~Win32FormWindow() override;
    Win32FormWindow(const Win32FormWindow&) = delete;
    Win32FormWindow& operator=(const Win32FormWindow&) = delete;

    void SetCaption(const std::string& caption) override;
    void Show() override;
    void SetWindowState(std::int32_t state) override;
    void SetTop(float twips) override;
    void SetLeft(float twips) override;
    void SetWidth(float twips) override;
    void SetHeight(float twips) override;
    Hwnd hWnd() override { return fromHwnd(window_); }
    Surface& Image() override { return image_; }
    void Refresh() override;
    // Once per refresh of the monitor.
    bool FrameWanted() override { return pacer_.wanted(); }
    std::int64_t FramePeriodUs() override { return pacer_.periodUs(); }
    void AddLabel(const Label& label) override { labels_.push_back(&label); }
    int LabelHeight(const Label& label) override { return labelHeight(label, &text_); }
    void OnResize(std::function<void()> handler) override { onResize_ = std::move(handler); }
    void ResizeTo(int width, int height) override;
    void KeepInput(bool keep) override;
    void SetInput(FormInput* input) override { input_ = input; }

    HWND window() const { return window_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    int pixels(float twips) const;
    void applyGeometry();
    // The scale for a window of this size.
    int scaleFor(int width, int height) const;
    // A window position in logical pixels.
    float logical(int position) const { return static_cast<float>(floorDiv(position, magnifier_.scale())); }
    // A back image for a window of this size, keeping what was drawn.
    void resizeImage(int width, int height);
    void present(HDC target, bool whole);

    Win32Gdi& gdi_;
    HPOWERNOTIFY powerNotice_ = nullptr;
    HWND window_ = nullptr;
    Surface image_;
    std::unique_ptr<DibImage> dib_;
    Magnifier magnifier_;
    std::unique_ptr<DibImage> shownDib_;  // the enlarged picture, at k > 1
    RECT geometry_{0, 0, 0, 0};
    std::vector<const Label*> labels_;
    GdiText text_;
    FormComposer composer_;
    std::function<void()> onResize_;
    FormInput* input_ = nullptr;
    FramePacer pacer_;
    bool fineTimers_ = false;
};

}  // namespace lumaris::win32_backend
