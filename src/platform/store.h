// The per-user settings store and the system registry.
#pragma once

#include <cstdint>
#include <string>

namespace lumaris {

// Text values addressed by application name, section and key; keys are
// matched without regard to letter case. A failing store throws a Failure.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultText when the application, section or key
    // does not exist.
    virtual std::string GetSetting(const std::string& application, const std::string& section,
                                   const std::string& key, const std::string& defaultText) = 0;
    // Stores the text, creating the application and section as needed.
    virtual void SaveSetting(const std::string& application, const std::string& section,
                             const std::string& key, const std::string& text) = 0;
    // Around the keys of one save: a store that writes a file may keep them
    // and write them at EndSave, as one, so that the file always holds one
    // whole save. EndSave throws what writing them throws.
    virtual void BeginSave() {}
    virtual void EndSave() {}
};

using Hkey = std::uint32_t;
inline constexpr Hkey kHkeyCurrentUser = 0x80000001u;  // HKEY_CURRENT_USER
inline constexpr std::int32_t kRegSz = 1;  // REG_SZ
inline constexpr std::int32_t kRegDword = 4;  // REG_DWORD
inline constexpr std::int32_t kErrorSuccess = 0;  // ERROR_SUCCESS
inline constexpr std::int32_t kErrorFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
inline constexpr std::int32_t kErrorInvalidHandle = 6;  // ERROR_INVALID_HANDLE
inline constexpr std::int32_t kErrorMoreData = 234;  // ERROR_MORE_DATA

// A read-only view of the system registry.
class Registry {
public:
    virtual ~Registry() = default;
    // Opens root\subKey; handle is 0 when the key cannot be opened.
    virtual std::int32_t RegOpenKeyA(Hkey root, const char* subKey, Hkey& handle) = 0;
    // Reads a value into data (size bytes available). On return size holds
    // the value's byte count; a value larger than the buffer gives
    // ERROR_MORE_DATA and leaves data alone.
    virtual std::int32_t RegQueryValueExA(Hkey handle, const char* valueName, std::uint32_t reserved,
                                          std::int32_t& type, unsigned char* data, std::uint32_t& size) = 0;
    virtual std::int32_t RegCloseKey(Hkey handle) = 0;
};

}  // namespace lumaris
