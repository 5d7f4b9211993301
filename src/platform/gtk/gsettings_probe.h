// The desktop's "lock when the screensaver runs" option as GSettings keeps
// it (org.gnome.desktop.screensaver lock-enabled): the first source of the
// registry view (posix/desktop_registry.h).
#pragma once

#include <optional>

namespace lumaris::gtk {

// The option, when the schema and key are installed and a settings service
// keeps the user's choices; nothing otherwise.
std::optional<bool> gsettingsLockEnabled();

}  // namespace lumaris::gtk
