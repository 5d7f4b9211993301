// The settings dialog's window on Linux, made with GTK 3.
//
// Implements: every control of the dialog at its place and size (twips / 15
// = pixels) in a window titled "Configuration" with a client area of
// 341 x 369 pixels, captions, tooltips, colours, the system's sans-serif in
// the dialog's sizes, the keyboard focus order, Enter for OK and Esc for
// Cancel, Alt+O and Alt+C, the speed bar from 80 to 150 with steps of 10
// and 50, and a hand pointer over the web address; the controls come from
// the dialog's layout table (dialog/layout.h).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>
#include <memory>
#include <string>

#include "dialog/frm_config.h"
#include "platform/config_view.h"
#include "runtime/form.h"

namespace lumaris::gtk {

// The settings dialog, `quit` run when it closes and on the end signals
// while GTK's loop runs (gtk_loop.h).
std::unique_ptr<ConfigWindow> openSettingsDialog(const std::function<void()>& quit);

class GtkConfigDialog : public ConfigWindow {
public:
    // onClose runs once the window has closed.
    explicit GtkConfigDialog(std::function<void()> onClose);
    ~GtkConfigDialog() override;
    GtkConfigDialog(const GtkConfigDialog&) = delete;
    GtkConfigDialog& operator=(const GtkConfigDialog&) = delete;

    // Routes the controls' events to the dialog's logic.
    void Connect(ConfigEvents events) override;
    bool IsOpen() const override { return window_ != nullptr; }

    // ConfigView
    void SetSpeedRange(std::int16_t min, std::int16_t max) override;
    void SetSpeed(std::int16_t position) override;
    std::int16_t Speed() override;
    void SetChecked(Check box, bool checked) override;
    bool Checked(Check box) override;
    void SetVisible(Control control, bool visible) override;
    void SetPathCaption(const std::string& caption) override;
    void Close() override;

    // FormWindow
    void SetCaption(const std::string& caption) override;
    void Show() override;
    void SetWindowState(std::int32_t) override {}
    void SetTop(float) override {}
    void SetLeft(float) override {}
    void SetWidth(float) override {}
    void SetHeight(float) override {}
    Hwnd hWnd() override;

private:
    GtkWidget* check(Check box) const { return checks_.at(box); }
    GtkWidget* window_ = nullptr;
    GtkAdjustment* speed_ = nullptr;
    std::map<Check, GtkWidget*> checks_;
    std::map<Control, GtkWidget*> controls_;
    std::map<GtkWidget*, bool> shown_;
    // The dialog's style, and the controls whose text must fit their width.
    GtkCssProvider* css_ = nullptr;
    std::vector<std::pair<GtkWidget*, int>> fitted_;
    GtkWidget* ok_ = nullptr;
    GtkWidget* cancel_ = nullptr;
    GtkWidget* pathLabel_ = nullptr;
    ConfigEvents events_;
    std::function<void()> onClose_;
};

}  // namespace lumaris::gtk
