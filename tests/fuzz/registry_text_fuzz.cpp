// The registry probe's text result for any value the registry may hold:
// any type, any size, any bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/null/null_platform.h"
#include "platform/platform.h"
#include "settings/registry_probe.h"

namespace {

class FuzzedRegistry : public lumaris::Registry {
public:
    FuzzedRegistry(const std::uint8_t* data, std::size_t size) : bytes(data, data + size) {}
    std::int32_t RegOpenKeyA(lumaris::Hkey, const char*, lumaris::Hkey& handle) override {
        handle = 7;
        return lumaris::kErrorSuccess;
    }
    std::int32_t RegQueryValueExA(lumaris::Hkey, const char*, std::uint32_t, std::int32_t& type,
                                  unsigned char* data, std::uint32_t& size) override {
        type = bytes.empty() ? lumaris::kRegSz : bytes[0] % 8;
        const std::size_t n = bytes.size() > 1 ? bytes.size() - 1 : 0;
        if (data == nullptr || size < n) {
            size = static_cast<std::uint32_t>(n);
            return lumaris::kErrorMoreData;
        }
        if (n > 0) std::memcpy(data, bytes.data() + 1, n);
        size = static_cast<std::uint32_t>(n);
        return lumaris::kErrorSuccess;
    }
    std::int32_t RegCloseKey(lumaris::Hkey) override { return lumaris::kErrorSuccess; }
    std::vector<std::uint8_t> bytes;
};

class NoPictures : public lumaris::Pictures {
public:
    lumaris::Surface Load(const std::string& name, std::uint32_t) override { return lumaris::Surface(name, 1, 1); }
    bool SavePng(const lumaris::Surface&, const std::string&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NoPictures pictures;
    lumaris::null_backend::HeadlessPlatform host(pictures);
    FuzzedRegistry registry(data, size);
    lumaris::Platform platform = host.platform;
    lumaris::Platform fuzzed{platform.ui,   platform.app,   platform.clock,  platform.random, platform.user32,
                             platform.screen, platform.store, registry,        platform.passwords, platform.gdi,
                             platform.pictures, platform.audio, platform.files, platform.shell};
    lumaris::getregstring(lumaris::kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword", fuzzed);
    return 0;
}
