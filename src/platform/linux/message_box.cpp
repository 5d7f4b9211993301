#include "platform/linux/message_box.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "runtime/failure.h"

namespace lumaris::linux_backend {

bool gtkAvailable() {
    static const bool available = [] {
        if (g_getenv("DISPLAY") == nullptr && g_getenv("WAYLAND_DISPLAY") == nullptr) return false;
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
    return available;
}

std::int32_t LinuxUi::MsgBox(const std::string& text, std::int32_t style, const std::string& title) {
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
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    // Let the dialog's window really go away before the caller goes on.
    while (gtk_events_pending()) gtk_main_iteration();
    return kIdOk;
}

}  // namespace lumaris::linux_backend
