// Form windows on Windows: a borderless WS_POPUP window whose back image is
// a DIB section; each refresh is one BitBlt of the part that changed to the
// window. Geometry in twips at the screen's twips per pixel, the maximised
// state as the primary monitor, the window's messages as the form's input.
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

namespace lumaris::win32_backend {

class Win32FormWindow : public FormSurface {
public:
    // topMost: above every other window (the full-screen scene).
    Win32FormWindow(const std::string& name, Win32Gdi& gdi, float twipsPerPixel, bool topMost);
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
    // A back image of the present size, keeping what was drawn.
    void resizeImage(int width, int height);
    void present(HDC target, bool whole);

    Win32Gdi& gdi_;
    float twipsPerPixel_;
    HPOWERNOTIFY powerNotice_ = nullptr;
    HWND window_ = nullptr;
    Surface image_;
    std::unique_ptr<DibImage> dib_;
    RECT geometry_{0, 0, 0, 0};
    std::vector<const Label*> labels_;
    GdiText text_;
    FormComposer composer_;
    std::function<void()> onResize_;
    FormInput* input_ = nullptr;
};

}  // namespace lumaris::win32_backend
