// Counts for the benchmarks: how many ticks the scene's timer gave.
#pragma once

#include <cstdint>

namespace lumaris {

inline std::uint64_t& sceneTickCount() {
    static std::uint64_t count = 0;
    return count;
}
inline void countSceneTick() { ++sceneTickCount(); }

}  // namespace lumaris
