// Reading one value of the system registry as text.
#pragma once

#include <string>

#include "platform/store.h"

namespace lumaris {

struct Platform;

inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";
inline constexpr const char* kScreenSaveUsePassword = "ScreenSaveUsePassword";

// The value as text: a string without its terminating zero, a 32-bit number
// as its first three decimal digits ("001" for 1), "Not Found" when the key or
// value is missing or does not fit 2048 bytes. A failure shows "Error reading
// registry" and gives the empty text.
std::string getregstring(Hkey root, const std::string& keyPath, const std::string& valueName, Platform& platform);

}  // namespace lumaris
