#include "platform/gtk/message_box.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/posix/end_signals.h"
#include "runtime/failure.h"
#include "runtime/scale.h"

namespace lumaris::gtk {

namespace {
// GTK follows GDK_SCALE and the desktop's settings service by itself; a
// desktop that declares its scale only through Xft.dpi (192 and more) gets
// the dialog and the boxes at that scale too: GTK would only enlarge their
// text, which then no longer fits the controls. The text keeps its size
// relative to the controls.
void followDesktopScale() {
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gdk_display_get_default();
    if (g_getenv("GDK_SCALE") != nullptr || display == nullptr || !GDK_IS_X11_DISPLAY(display)) return;
    Display* x = gdk_x11_display_get_xdisplay(display);
    const double dpi = xftDpiIn(XResourceManagerString(x));
    const int scale = desktopScaleFor(dpi);
    GdkMonitor* primary = gdk_display_get_primary_monitor(display);
    if (primary == nullptr) primary = gdk_display_get_monitor(display, 0);
    const int has = primary != nullptr ? gdk_monitor_get_scale_factor(primary) : 1;
    if (scale <= has) return;
    gdk_x11_display_set_window_scale(display, scale);
    g_object_set(gtk_settings_get_default(), "gtk-xft-dpi", static_cast<gint>(dpi / scale * 1024), nullptr);
#endif
}
}  // namespace

bool gtkAvailable() {
    static const bool available = [] {
        if (g_getenv("DISPLAY") == nullptr && g_getenv("WAYLAND_DISPLAY") == nullptr) return false;
        if (gtk_init_check(nullptr, nullptr) == FALSE) return false;
        followDesktopScale();
        return true;
    }();
    return available;
}

namespace {

volatile sig_atomic_t g_endSignal = 0;
void onEndSignal(int signal) {
    g_endSignal = signal;
    posix::endWithinASecond();
}

// What fits a box on any screen: valid UTF-8, at most this many characters.
constexpr long kShownCharacters = 2000;

std::string shownText(const std::string& text, bool& cut) {
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string shown = valid;
    g_free(valid);
    cut = g_utf8_strlen(shown.c_str(), -1) > kShownCharacters;
    if (cut) {
        const gchar* end = g_utf8_offset_to_pointer(shown.c_str(), kShownCharacters);
        shown = std::string(shown.c_str(), end) + "\u2026";
    }
    return shown;
}

}  // namespace

std::int32_t GtkUi::MsgBox(const std::string& text, std::int32_t style, const std::string& title) {
    if (!gtkAvailable()) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        std::fflush(stderr);
        ++unseen_;
        return kIdOk;
    }
    GtkMessageType type = GTK_MESSAGE_OTHER;
    switch (style & 0xF0) {
        case kMbIconError: type = GTK_MESSAGE_ERROR; break;
        case kMbIconExclamation: type = GTK_MESSAGE_WARNING; break;
        case kMbIconInformation: type = GTK_MESSAGE_INFO; break;
        default: break;
    }
    bool cut = false;
    const std::string shown = shownText(text, cut);
    // A text too long for a box is shown cut, and whole on standard error.
    if (cut) std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    bool titleCut = false;
    const std::string shownTitle = shownText(title.substr(0, 4 * 200), titleCut);
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", shown.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), shownTitle.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    // The end signals end the program also while a box waits for its OK:
    // caught here and looked for ten times a second, the handlers before
    // them given back afterwards.
    constexpr std::size_t kCount = std::size(posix::kEndSignals);
    struct sigaction ours {}, before[kCount];
    ours.sa_handler = &onEndSignal;
    sigemptyset(&ours.sa_mask);
    for (std::size_t i = 0; i < kCount; ++i) sigaction(posix::kEndSignals[i], &ours, &before[i]);
    const guint watch = g_timeout_add(
        100,
        +[](gpointer box) -> gboolean {
            if (g_endSignal != 0) gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_DELETE_EVENT);
            return G_SOURCE_CONTINUE;
        },
        dialog);
    gtk_dialog_run(GTK_DIALOG(dialog));
    g_source_remove(watch);
    for (std::size_t i = 0; i < kCount; ++i) sigaction(posix::kEndSignals[i], &before[i], nullptr);
    gtk_widget_destroy(dialog);
    // Let the dialog's window really go away before the caller goes on.
    while (gtk_events_pending()) gtk_main_iteration();
    if (g_endSignal != 0) posix::endNow();
    return kIdOk;
}

}  // namespace lumaris::gtk
