// The settings dialog on Windows: a fixed-size window with the controls of
// the dialog's layout table as system controls (STATIC, BUTTON, SCROLLBAR),
// their tooltips, the table's focus order and the dialog keys of
// IsDialogMessage. The table's twips are laid out at the pixel density of
// the monitor the dialog is on (twips x dpi / 1440), fonts likewise, and
// again when it moves to a monitor of another density.
#pragma once

#include <windows.h>

#include <functional>
#include <map>

#include "dialog/layout.h"
#include "dialog/frm_config.h"
#include "platform/config_view.h"

namespace lumaris::win32_backend {

class Win32ConfigWindow : public ConfigWindow {
public:
    // onClose runs once the window is gone.
    explicit Win32ConfigWindow(std::function<void()> onClose);
    ~Win32ConfigWindow() override;
    Win32ConfigWindow(const Win32ConfigWindow&) = delete;
    Win32ConfigWindow& operator=(const Win32ConfigWindow&) = delete;

    void Connect(ConfigEvents events) override { events_ = std::move(events); }
    bool IsOpen() const override { return window_ != nullptr; }
    void SetSpeedRange(std::int16_t min, std::int16_t max) override;
    void SetSpeed(std::int16_t position) override;
    std::int16_t Speed() override;
    void SetChecked(Check box, bool checked) override;
    bool Checked(Check box) override;
    void SetVisible(Control control, bool visible) override;
    void SetPathCaption(const std::string& caption) override;
    void Close() override;
    void SetCaption(const std::string& caption) override;
    void Show() override;
    void SetWindowState(std::int32_t) override {}
    void SetTop(float twips) override;
    void SetLeft(float twips) override;
    void SetWidth(float) override {}
    void SetHeight(float) override {}
    Hwnd hWnd() override;

    // The dialog's keyboard handling (Tab, Enter, Esc, access keys) for a
    // message of the thread's queue; true when it was taken.
    bool dialogMessage(MSG& message);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void raise(ConfigEvent event);
    void scroll(WPARAM request);
    HWND control(ControlRole role) const { return controls_.at(role); }
    HWND check(Check box) const;
    int pixels(float twips) const;
    HFONT font(ControlLook look) const;
    // Places and sizes every control, and gives each its font, at a density.
    void layOut(int dpi);

    int dpi_ = 96;
    std::function<void()> onClose_;
    ConfigEvents events_;
    HWND window_ = nullptr;
    HWND tooltips_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the focus last
    std::map<ControlRole, HWND> controls_;
    std::map<HWND, ControlLook> looks_;
    HFONT plain_ = nullptr, bold_ = nullptr, title_ = nullptr, link_ = nullptr;
    HBRUSH face_ = nullptr;
    int speedMin_ = 0, speedMax_ = 0;
};

}  // namespace lumaris::win32_backend
