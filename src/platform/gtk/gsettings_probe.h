// The desktop's "lock when the screensaver runs" option as GSettings keeps
// it (org.gnome.desktop.screensaver lock-enabled): the first source of the
// registry view (posix/desktop_registry.h).
//
// The key's built-in default is on, and the schema comes with GTK's
// dependencies on nearly every desktop: a value nobody chose must not make
// the scene ask for the password. So the key counts only where somebody
// chose it: the user set it, an administrator gave it a default of their
// own or locked it, or the session is GNOME's, whose own lock follows it.
#pragma once

#include <optional>

namespace lumaris::gtk {

// The option where it counts (see above), when the schema and key are
// installed and a settings service keeps the user's choices; nothing
// otherwise.
std::optional<bool> gsettingsLockEnabled();

// Whether a colon-separated XDG_CURRENT_DESKTOP names GNOME's session.
bool isGnomeSession(const char* currentDesktop);

}  // namespace lumaris::gtk
