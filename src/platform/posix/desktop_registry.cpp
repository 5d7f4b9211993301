#include "platform/posix/desktop_registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <utility>

#include "platform/posix/file_read.h"
#include "platform/posix/pam_verifier.h"
#include "platform/posix/paths.h"
#include "runtime/convert.h"
#include "settings/registry_probe.h"

namespace lumaris::posix {

namespace {
constexpr Hkey kDesktopHandle = 1;

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}
}  // namespace

std::optional<bool> xscreensaverLock(const std::string& path) {
    // The daemon's own file: read without blocking and within a bound.
    const FileText file = readBoundedFile(path, 1024 * 1024);
    std::istringstream lines(file.text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string t = trim(line);
        if (t.rfind("lock:", 0) != 0) continue;
        const std::string value = upperCase(trim(t.substr(5)));
        if (value == "TRUE" || value == "YES" || value == "ON") return true;
        if (value == "FALSE" || value == "NO" || value == "OFF") return false;
        return std::nullopt;
    }
    return std::nullopt;
}

DesktopRegistry::DesktopRegistry(OptionSource first, OptionSource second, GateCheck gate)
    : first_(std::move(first)), second_(std::move(second)), gate_(std::move(gate)) {}

DesktopRegistry DesktopRegistry::forCurrentUser(OptionSource desktop) {
    // The desktop locks the screen itself (GNOME, where `lumaris --idle`
    // started the scene): its lock is the lock.
    if (const char* locks = std::getenv("LUMARIS_DESKTOP_LOCKS"); locks != nullptr && *locks != '\0') {
        return DesktopRegistry([] { return std::optional<bool>(false); }, nullptr, nullptr);
    }
    const std::string path = homeFolder() + "/.xscreensaver";
    return DesktopRegistry(std::move(desktop), [path] { return xscreensaverLock(path); },
                           [] { return passwordUnusableReason(currentUser()); });
}

std::int32_t DesktopRegistry::RegOpenKeyA(Hkey root, const char* subKey, Hkey& handle) {
    handle = 0;
    if (root != kHkeyCurrentUser || subKey == nullptr || !equalsIgnoreCase(subKey, kDesktopKey)) {
        return kErrorFileNotFound;
    }
    handle = kDesktopHandle;
    return kErrorSuccess;
}

std::int32_t DesktopRegistry::RegQueryValueExA(Hkey handle, const char* valueName, std::uint32_t /*reserved*/,
                                               std::int32_t& type, unsigned char* data, std::uint32_t& size) {
    if (handle != kDesktopHandle) return kErrorInvalidHandle;
    if (valueName == nullptr || !equalsIgnoreCase(valueName, kScreenSaveUsePassword)) return kErrorFileNotFound;
    std::optional<bool> option = first_ ? first_() : std::nullopt;
    if (!option && second_) option = second_();
    if (!option) return kErrorFileNotFound;
    if (*option && gate_) {
        if (!gateUsable_) {
            const std::string reason = gate_();
            gateUsable_ = reason.empty();
            if (!reason.empty()) std::fprintf(stderr, "lumaris: no password for this run: %s\n", reason.c_str());
        }
        if (!*gateUsable_) option = false;
    }
    type = kRegDword;
    if (size < 4 || data == nullptr) {
        size = 4;
        return kErrorMoreData;
    }
    data[0] = *option ? 1 : 0;
    data[1] = data[2] = data[3] = 0;
    size = 4;
    return kErrorSuccess;
}

std::int32_t DesktopRegistry::RegCloseKey(Hkey handle) {
    return handle == kDesktopHandle ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace lumaris::posix
