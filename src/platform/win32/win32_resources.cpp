// The built-in pictures, sound and read-me are the executable's resources
// (lumaris.rc): found by type and name, names without regard to case.
#include <windows.h>

#include <string>

#include "runtime/resources.h"

namespace lumaris {

std::span<const std::uint8_t> findResource(std::string_view type, std::string_view name) {
    const HMODULE module = GetModuleHandleA(nullptr);
    const std::string typeText(type), nameText(name);
    const HRSRC found = FindResourceA(module, nameText.c_str(), typeText.c_str());
    if (found == nullptr) return {};
    const HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    if (bytes == nullptr) return {};
    return {bytes, static_cast<std::size_t>(SizeofResource(module, found))};
}

}  // namespace lumaris
