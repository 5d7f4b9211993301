// A read-only registry view on Linux. It knows one value: the current user's
// Control Panel\Desktop\ScreenSaveUsePassword, a 32-bit 1 or 0 answered from
// the desktop's own "lock when the screensaver runs" option. The option is
// read from the desktop's settings where the host can read them (GSettings,
// gtk/gsettings_probe.h), otherwise from the lock: line of ~/.xscreensaver
// where that file has one. Every other key and value is not found.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/store.h"

namespace lumaris::posix {

class DesktopRegistry : public Registry {
public:
    using OptionSource = std::function<std::optional<bool>()>;
    // Empty when a password can be checked for this user, else why not.
    using GateCheck = std::function<std::string()>;
    // The sources are asked in order; the first that knows the option
    // answers. When the option is on but the gate check gives a reason, the
    // option reads as off and the reason goes to standard error once: a
    // screen that no password could open would lock the user out.
    DesktopRegistry(OptionSource first, OptionSource second, GateCheck gate = {});
    // `desktop` (none where the host has no desktop settings), then
    // $HOME/.xscreensaver; the gate is the account's password state and PAM.
    static DesktopRegistry forCurrentUser(OptionSource desktop);

    std::int32_t RegOpenKeyA(Hkey root, const char* subKey, Hkey& handle) override;
    std::int32_t RegQueryValueExA(Hkey handle, const char* valueName, std::uint32_t reserved, std::int32_t& type,
                                  unsigned char* data, std::uint32_t& size) override;
    std::int32_t RegCloseKey(Hkey handle) override;

private:
    OptionSource first_;
    OptionSource second_;
    GateCheck gate_;
    std::optional<bool> gateUsable_;
};

// The lock: line of an ~/.xscreensaver file, when it has one.
std::optional<bool> xscreensaverLock(const std::string& path);

}  // namespace lumaris::posix
