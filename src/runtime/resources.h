// The pictures, the sound and the read-me built into the executable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace lumaris {

struct Resource {
    const char* type;
    const char* name;
    const std::uint8_t* data;
    std::size_t size;
};

extern const Resource kResources[];
extern const std::size_t kResourceCount;

// The bytes of the resource with this type and name, both matched without
// regard to letter case ("tidemar" finds "TIDEMAR"); empty when there is none.
std::span<const std::uint8_t> findResource(std::string_view type, std::string_view name);

inline constexpr const char* kPictureType = "PICTURE";
inline constexpr const char* kWaveType = "WAVE";
inline constexpr const char* kTextType = "TEXT";

}  // namespace lumaris
