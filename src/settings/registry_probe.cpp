#include "settings/registry_probe.h"

#include <array>

#include "platform/platform.h"
#include "runtime/convert.h"
#include "runtime/failure.h"

namespace lumaris {

std::string getregstring(Hkey root, const std::string& keyPath, const std::string& valueName, Platform& platform) {
    std::string result;
    trap(platform.ui, "Error reading registry", [&] {
        Hkey handle = 0;
        platform.registry.RegOpenKeyA(root, keyPath.c_str(), handle);

        constexpr std::uint32_t kBufferSize = 2048;
        std::array<unsigned char, kBufferSize> buffer;
        buffer.fill(' ');
        std::uint32_t size = kBufferSize;
        std::int32_t type = 0;
        const std::int32_t status =
            platform.registry.RegQueryValueExA(handle, valueName.c_str(), 0, type, buffer.data(), size);

        if (status == kErrorSuccess) {
            std::string text(reinterpret_cast<const char*>(buffer.data()), buffer.size());
            if (type == kRegDword) {
                const double value = static_cast<double>(buffer[0]) + 256.0 * buffer[1] + 65536.0 * buffer[2] +
                                     16777216.0 * buffer[3];
                text = formatAtLeast3(value);
            }
            // The value's byte count less one: a string loses its closing
            // zero, a number keeps three digits. A count of zero cannot be cut.
            if (size == 0) throw failures::invalidCall();
            result = text.substr(0, size - 1);
        } else {
            result = "Not Found";
        }
        platform.registry.RegCloseKey(handle);
    });
    return result;
}

}  // namespace lumaris
