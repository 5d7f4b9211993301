#include "platform/gtk/gio_shell.h"

#include <gtk/gtk.h>

#include <cstring>

#include "platform/gtk/message_box.h"
#include "platform/posix/paths.h"

namespace lumaris::gtk {

ItemIdList GtkShell::SHBrowseForFolderA(const BrowseInfo& info) {
    if (!gtkAvailable()) return nullptr;
    GtkWidget* chooser = gtk_file_chooser_dialog_new(info.title.c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                                     "_Cancel", GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT,
                                                     nullptr);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
    ItemIdList item = nullptr;
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        gchar* folder = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
        const std::uintptr_t id = next_++;
        items_[id] = folder != nullptr ? folder : "";  // no path: not a file-system folder
        g_free(folder);
        item = reinterpret_cast<ItemIdList>(id);
    }
    gtk_widget_destroy(chooser);
    while (gtk_events_pending()) gtk_main_iteration();
    return item;
}

std::int32_t GtkShell::SHGetPathFromIDListA(ItemIdList item, char* path, std::size_t capacity) {
    const auto found = items_.find(reinterpret_cast<std::uintptr_t>(item));
    if (item == nullptr || found == items_.end() || found->second.empty()) return 0;
    if (found->second.size() + 1 > capacity) return 0;
    std::memcpy(path, found->second.c_str(), found->second.size() + 1);
    return 1;
}

void GtkShell::CoTaskMemFree(ItemIdList item) { items_.erase(reinterpret_cast<std::uintptr_t>(item)); }

std::intptr_t GtkShell::ShellExecuteA(Hwnd, const char*, const char* file, const char*, const char*, std::int32_t) {
    if (file == nullptr) return 2;
    std::string uri;
    const std::string text = file;
    if (text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0) {
        uri = text;
    } else {
        gchar* fileUri = g_filename_to_uri(posix::linuxPath(text, posix::musicFolder()).c_str(), nullptr, nullptr);
        if (fileUri == nullptr) return 2;
        uri = fileUri;
        g_free(fileUri);
    }
    GError* error = nullptr;
    const gboolean ok = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return ok != FALSE ? 42 : 2;  // 2: the file or its program was not found
}

}  // namespace lumaris::gtk
