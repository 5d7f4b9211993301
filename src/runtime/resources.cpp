#include "runtime/resources.h"

#include "runtime/convert.h"

namespace lumaris {

std::span<const std::uint8_t> findResource(std::string_view type, std::string_view name) {
    for (std::size_t i = 0; i < kResourceCount; ++i) {
        if (equalsIgnoreCase(kResources[i].type, type) && equalsIgnoreCase(kResources[i].name, name)) {
            return {kResources[i].data, kResources[i].size};
        }
    }
    return {};
}

}  // namespace lumaris
