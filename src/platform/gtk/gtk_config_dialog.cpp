#include "platform/gtk/gtk_config_dialog.h"

#include <gdk/gdkx.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dialog/layout.h"
#include "platform/gtk/gtk_loop.h"
#include "platform/gtk/message_box.h"
#include "platform/posix/paths.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "runtime/product.h"

namespace lumaris::gtk {

namespace {

constexpr int kTwipsPerPixel = static_cast<int>(lumaris::kTwipsPerPixel);

// The dialog's style; %s is the font size in points.
const char* kCss =
    "* { font-family: Sans; font-size: %spt; }"
    "button { padding: 0 2px; min-height: 0; min-width: 0; }"
    "checkbutton { padding: 0; min-height: 0; }"
    "checkbutton check { min-width: 11px; min-height: 11px; margin: 0 3px 0 0; }"
    "scrollbar { min-height: 0; }"
    "#title { font-size: 12pt; font-weight: bold; color: #0000ff; }"
    "#bold { font-weight: bold; }"
    "#url { color: #0000ff; }"
    "label { color: #000000; }"
    "#title, #url { }";

// The size the dialog was laid out for, and the smallest it takes to fit
// the system's font into the layout.
constexpr double kLayoutFontSize = 8.25;
constexpr double kSmallestFontSize = 6.0;

void useFontSize(GtkCssProvider* css, double points) {
    char size[16];
    g_ascii_formatd(size, sizeof(size), "%.2f", points);
    gchar* text = g_strdup_printf(kCss, size);
    gtk_css_provider_load_from_data(css, text, -1, nullptr);
    g_free(text);
}

// How much the check boxes' and buttons' text must shrink to fit the
// widths their controls have in the layout (1: it fits), with the style
// as it is now.
double shrinkToFit(const std::vector<std::pair<GtkWidget*, int>>& controls) {
    double factor = 1.0;
    for (const auto& [widget, width] : controls) {
        GtkWidget* text = gtk_bin_get_child(GTK_BIN(widget));
        if (text == nullptr) continue;
        int whole = 0, textWidth = 0;
        gtk_widget_get_preferred_width(widget, nullptr, &whole);
        gtk_widget_get_preferred_width(text, nullptr, &textWidth);
        const int room = width - (whole - textWidth);
        if (whole > width && textWidth > 0 && room > 0) factor = std::min(factor, static_cast<double>(room) / textWidth);
    }
    return factor;
}

// The font size at which the text of every control fits the layout: the
// layout's own size, or smaller where the system's font is wider than the
// one the dialog was laid out with. The rectangles stay as they are. Sizes
// do not scale exactly (hinting): a quarter point less than the measure.
void fitFont(GtkCssProvider* css, const std::vector<std::pair<GtkWidget*, int>>& controls) {
    const double factor = shrinkToFit(controls);
    if (factor >= 1.0) return;
    useFontSize(css, std::max(kSmallestFontSize, std::floor(kLayoutFontSize * factor * 4.0) / 4.0 - 0.25));
}

// Places a widget at a control's rectangle, given in twips.
void place(GtkWidget* fixed, GtkWidget* widget, int left, int top, int width, int height) {
    gtk_widget_set_size_request(widget, width / kTwipsPerPixel, height / kTwipsPerPixel);
    gtk_fixed_put(GTK_FIXED(fixed), widget, left / kTwipsPerPixel, top / kTwipsPerPixel);
}

// Places a label that is as large as its text, at a control's place.
void placeSized(GtkWidget* fixed, GtkWidget* widget, int left, int top) {
    gtk_fixed_put(GTK_FIXED(fixed), widget, left / kTwipsPerPixel, top / kTwipsPerPixel);
}

GtkWidget* label(const char* text, const char* style = nullptr, bool centred = false) {
    GtkWidget* l = gtk_label_new(text);
    if (style != nullptr) gtk_widget_set_name(l, style);
    gtk_label_set_xalign(GTK_LABEL(l), centred ? 0.5f : 0.0f);
    gtk_label_set_yalign(GTK_LABEL(l), 0.0f);
    return l;
}

GtkWidget* checkBox(const char* caption, const char* tooltip, bool checked) {
    GtkWidget* c = gtk_check_button_new_with_label(caption);
    if (tooltip != nullptr) gtk_widget_set_tooltip_text(c, tooltip);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c), checked ? TRUE : FALSE);
    return c;
}

const char* styleName(ControlLook look) {
    switch (look) {
        case ControlLook::Title: return "title";
        case ControlLook::Bold: return "bold";
        case ControlLook::Link: return "url";
        default: return nullptr;
    }
}

// "&Ok" as GTK writes an access key: "_Ok".
std::string mnemonic(const std::string& caption) {
    std::string out = caption;
    for (char& ch : out) {
        if (ch == '&') ch = '_';
    }
    return out;
}

// Text a label can show: folder names need not be valid UTF-8.
std::string displayable(const std::string& text) {
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string out = valid;
    g_free(valid);
    return out;
}

// The speed bar's keys: the arrows move it by the small step, Page Up and
// Page Down by the large one, Home and End to its ends.
gboolean moveSpeed(GtkWidget*, GdkEventKey* key, gpointer data) {
    auto* speed = static_cast<GtkAdjustment*>(data);
    const double value = gtk_adjustment_get_value(speed);
    double to = value;
    switch (key->keyval) {
        case GDK_KEY_Left: case GDK_KEY_KP_Left: case GDK_KEY_Up: case GDK_KEY_KP_Up: to -= kSpeedSmallStep; break;
        case GDK_KEY_Right: case GDK_KEY_KP_Right: case GDK_KEY_Down: case GDK_KEY_KP_Down: to += kSpeedSmallStep; break;
        case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: to -= kSpeedLargeStep; break;
        case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: to += kSpeedLargeStep; break;
        case GDK_KEY_Home: case GDK_KEY_KP_Home: to = gtk_adjustment_get_lower(speed); break;
        case GDK_KEY_End: case GDK_KEY_KP_End: to = gtk_adjustment_get_upper(speed); break;
        default: return FALSE;
    }
    gtk_adjustment_set_value(speed, std::clamp(to, gtk_adjustment_get_lower(speed), gtk_adjustment_get_upper(speed)));
    return TRUE;
}

}  // namespace

GtkConfigDialog::GtkConfigDialog(std::function<void()> onClose) : onClose_(std::move(onClose)) {
    if (!gtkAvailable()) throw Failure(failures::kCannotCreate, "No display for the settings dialog");
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), kConfigCaption);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    gtk_widget_set_size_request(window_, kConfigWidthTwips / kTwipsPerPixel, kConfigHeightTwips / kTwipsPerPixel);

    GtkCssProvider* css = gtk_css_provider_new();
    useFontSize(css, kLayoutFontSize);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window_), fixed);

    std::map<ControlRole, GtkWidget*> widgets;
    std::vector<std::pair<int, GtkWidget*>> focusOrder;
    for (const DialogControl& c : dialogLayout()) {
        GtkWidget* widget = nullptr;
        GtkWidget* placed = nullptr;
        switch (c.kind) {
            case ControlKind::Label: {
                widget = label(c.caption.c_str(), styleName(c.look), c.centred);
                if (c.wraps) {
                    gtk_label_set_line_wrap(GTK_LABEL(widget), TRUE);
                    gtk_label_set_justify(GTK_LABEL(widget), GTK_JUSTIFY_CENTER);
                }
                if (c.look == ControlLook::Link) {
                    gchar* markup = g_markup_printf_escaped("<u>%s</u>", c.caption.c_str());
                    gtk_label_set_markup(GTK_LABEL(widget), markup);
                    g_free(markup);
                    // A label takes no clicks: an event box around it does.
                    placed = gtk_event_box_new();
                    gtk_container_add(GTK_CONTAINER(placed), widget);
                }
                break;
            }
            case ControlKind::PushButton:
                widget = accessKey(c.caption) != 0 ? gtk_button_new_with_mnemonic(mnemonic(c.caption).c_str())
                                                   : gtk_button_new_with_label(c.caption.c_str());
                break;
            case ControlKind::CheckBox:
                widget = checkBox(c.caption.c_str(), c.tooltip, c.checked);
                break;
            case ControlKind::HScrollBar:
                speed_ = gtk_adjustment_new(kSpeedMin, kSpeedMin, kSpeedMax, kSpeedSmallStep, kSpeedLargeStep, 0);
                widget = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, speed_);
                // Reached with Tab and moved with the keys, as a scroll bar
                // of a dialog is.
                gtk_widget_set_can_focus(widget, TRUE);
                g_signal_connect(widget, "key-press-event", G_CALLBACK(moveSpeed), speed_);
                break;
        }
        if (placed == nullptr) placed = widget;
        // A button keeps the table's rectangle, never grows to its text:
        // with a wider font than the dialog was laid out for, the text ends
        // in "…".
        if (c.kind == ControlKind::PushButton) {
            GtkWidget* text = gtk_bin_get_child(GTK_BIN(widget));
            if (text != nullptr && GTK_IS_LABEL(text)) gtk_label_set_ellipsize(GTK_LABEL(text), PANGO_ELLIPSIZE_END);
        }
        if (c.sizedToText && !c.centred) {
            placeSized(fixed, placed, c.left, c.top);
        } else {
            place(fixed, placed, c.left, c.top, c.width, c.height);
        }
        if (!c.visible) {
            shown_[widget] = false;
            gtk_widget_set_no_show_all(widget, TRUE);
        }
        if (c.kind != ControlKind::Label) focusOrder.emplace_back(c.tabIndex, widget);
        if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::PushButton) {
            fitted_.emplace_back(widget, c.width / kTwipsPerPixel);
        }
        widgets[c.role] = c.look == ControlLook::Link ? placed : widget;
    }
    gtk_label_set_ellipsize(GTK_LABEL(widgets[ControlRole::PathName]), PANGO_ELLIPSIZE_MIDDLE);
    css_ = css;
    checks_[Check::chkBalloon] = widgets[ControlRole::Balloon];
    checks_[Check::chkCivilization] = widgets[ControlRole::Civilization];
    checks_[Check::chkNightMode] = widgets[ControlRole::NightMode];
    checks_[Check::chkSound] = widgets[ControlRole::Sound];
    checks_[Check::chkMouseEvent] = widgets[ControlRole::MouseEvent];
    checks_[Check::chkMusic] = widgets[ControlRole::Music];
    ok_ = widgets[ControlRole::Ok];
    cancel_ = widgets[ControlRole::Cancel];
    pathLabel_ = widgets[ControlRole::PathName];
    GtkWidget* dirPath = widgets[ControlRole::DirPath];
    GtkWidget* readme = widgets[ControlRole::ReadMe];
    GtkWidget* urlBox = widgets[ControlRole::Url];
    gtk_widget_set_can_default(ok_, TRUE);
    gtk_window_set_default(GTK_WINDOW(window_), ok_);

    controls_[Control::chkSound] = check(Check::chkSound);
    controls_[Control::chkMusic] = check(Check::chkMusic);
    controls_[Control::lblPathName] = pathLabel_;
    controls_[Control::lblMp3Check] = widgets[ControlRole::Mp3Check];
    controls_[Control::cmdDirPath] = dirPath;

    // The keyboard focus order of the dialog.
    std::sort(focusOrder.begin(), focusOrder.end());
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GList* chain = nullptr;
    for (const auto& [index, w] : focusOrder) chain = g_list_append(chain, w);
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), chain);
    g_list_free(chain);
    G_GNUC_END_IGNORE_DEPRECATIONS

    // Signals; the logic is connected later.
    g_signal_connect_swapped(ok_, "clicked", G_CALLBACK(+[](GtkConfigDialog* d) { d->events_(ConfigEvent::cmdOk_Click); }), this);
    g_signal_connect_swapped(cancel_, "clicked", G_CALLBACK(+[](GtkConfigDialog* d) { d->events_(ConfigEvent::cmdCancel_Click); }),
                             this);
    g_signal_connect_swapped(dirPath, "clicked", G_CALLBACK(+[](GtkConfigDialog* d) { d->events_(ConfigEvent::cmdDirPath_Click); }),
                             this);
    g_signal_connect_swapped(readme, "clicked", G_CALLBACK(+[](GtkConfigDialog* d) { d->events_(ConfigEvent::Command1_Click); }),
                             this);
    g_signal_connect_swapped(check(Check::chkMusic), "toggled",
                             G_CALLBACK(+[](GtkConfigDialog* d) {
                                 if (d->events_) d->events_(ConfigEvent::chkMusic_Click);
                             }),
                             this);
    g_signal_connect_swapped(check(Check::chkMouseEvent), "toggled",
                             G_CALLBACK(+[](GtkConfigDialog* d) {
                                 if (d->events_) d->events_(ConfigEvent::chkMouseEvent_Click);
                             }),
                             this);
    g_signal_connect_swapped(urlBox, "button-release-event",
                             G_CALLBACK(+[](GtkConfigDialog* d, GdkEvent*) -> gboolean {
                                 d->events_(ConfigEvent::lblURL_Click);
                                 return TRUE;
                             }),
                             this);
    g_signal_connect(urlBox, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                         GdkCursor* hand = gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer");
                         gdk_window_set_cursor(gtk_widget_get_window(w), hand);
                         if (hand != nullptr) g_object_unref(hand);
                     }),
                     nullptr);
    // Enter presses OK (a focused button presses itself), Esc presses Cancel.
    g_signal_connect_swapped(window_, "key-press-event", G_CALLBACK(+[](GtkConfigDialog* d, GdkEventKey* key) -> gboolean {
                                 if (key->keyval == GDK_KEY_Escape) {
                                     d->events_(ConfigEvent::cmdCancel_Click);
                                     return TRUE;
                                 }
                                 if (key->keyval == GDK_KEY_Return || key->keyval == GDK_KEY_KP_Enter) {
                                     GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(d->window_));
                                     if (focus != nullptr && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) {
                                         return FALSE;
                                     }
                                     d->events_(ConfigEvent::cmdOk_Click);
                                     return TRUE;
                                 }
                                 return FALSE;
                             }),
                             this);
    // The close box closes without saving.
    g_signal_connect_swapped(window_, "delete-event", G_CALLBACK(+[](GtkConfigDialog* d, GdkEvent*) -> gboolean {
                                 d->Close();
                                 return TRUE;
                             }),
                             this);
}

GtkConfigDialog::~GtkConfigDialog() {
    if (window_ != nullptr) gtk_widget_destroy(window_);
    if (css_ != nullptr) g_object_unref(css_);
}

void GtkConfigDialog::Connect(ConfigEvents events) { events_ = std::move(events); }

void GtkConfigDialog::SetSpeedRange(std::int16_t min, std::int16_t max) {
    gtk_adjustment_set_lower(speed_, min);
    gtk_adjustment_set_upper(speed_, max);
}

void GtkConfigDialog::SetSpeed(std::int16_t position) { gtk_adjustment_set_value(speed_, position); }

std::int16_t GtkConfigDialog::Speed() { return toInt16(gtk_adjustment_get_value(speed_)); }

void GtkConfigDialog::SetChecked(Check box, bool checked) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check(box)), checked ? TRUE : FALSE);
}

bool GtkConfigDialog::Checked(Check box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check(box))) != FALSE; }

void GtkConfigDialog::SetVisible(Control control, bool visible) {
    GtkWidget* w = controls_.at(control);
    shown_[w] = visible;
    // Before the first showing, a hidden control stays out of show_all.
    gtk_widget_set_no_show_all(w, visible ? FALSE : TRUE);
    gtk_widget_set_visible(w, visible ? TRUE : FALSE);
}

void GtkConfigDialog::SetPathCaption(const std::string& caption) {
    gtk_label_set_text(GTK_LABEL(pathLabel_), displayable(caption).c_str());
}

void GtkConfigDialog::Close() {
    if (window_ == nullptr) return;
    gtk_widget_destroy(window_);
    window_ = nullptr;
    if (onClose_) onClose_();
}

void GtkConfigDialog::SetCaption(const std::string& caption) {
    gtk_window_set_title(GTK_WINDOW(window_), caption.c_str());
}

void GtkConfigDialog::Show() {
    gtk_widget_show_all(window_);
    // Only shown controls tell their size.
    fitFont(css_, fitted_);
    gtk_widget_grab_focus(ok_);
    gtk_window_present(GTK_WINDOW(window_));
}

Hwnd GtkConfigDialog::hWnd() {
    GdkWindow* w = gtk_widget_get_window(window_);
    return w != nullptr && GDK_IS_X11_WINDOW(w) ? static_cast<Hwnd>(gdk_x11_window_get_xid(w)) : 0;
}

std::unique_ptr<ConfigWindow> openSettingsDialog(const std::function<void()>& quit) {
    auto dialog = std::make_unique<GtkConfigDialog>(quit);
    endMainLoopOnSignals(quit);
    return dialog;
}

}  // namespace lumaris::gtk
