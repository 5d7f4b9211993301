#include "platform/posix/paths.h"

#include <glib.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace lumaris::posix {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') return entry->pw_dir;
    return "/";
}

std::string musicFolder() {
    const gchar* music = g_get_user_special_dir(G_USER_DIRECTORY_MUSIC);
    if (music != nullptr && music[0] != '\0') return music;
    return homeFolder() + "/Music";
}

std::string linuxPath(const std::string& text, const std::string& musicFolder) {
    std::string path = text;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
    if (drive) {
        // The system drive's root is the music folder; other drives stand
        // for the root of the file system.
        const bool systemDrive = path[0] == 'c' || path[0] == 'C';
        path = (systemDrive ? musicFolder : std::string()) + "/" + path.substr(2);
    }
    // Doubled separators ("c:\" + "\" + name) read as one.
    std::string collapsed;
    for (char c : path) {
        if (c == '/' && !collapsed.empty() && collapsed.back() == '/') continue;
        collapsed += c;
    }
    if (collapsed.size() > 1 && collapsed.back() == '/') collapsed.pop_back();
    return collapsed;
}

}  // namespace lumaris::posix
