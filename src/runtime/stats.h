// Counts for the benchmarks: how many ticks the scene's timer gave, and how
// many a second between the first and the last.
#pragma once

#include <chrono>
#include <cstdint>

namespace lumaris {

struct SceneTickStats {
    std::uint64_t count = 0;
    std::int64_t firstUs = 0, lastUs = 0;
    double perSecond() const {
        return count > 1 && lastUs > firstUs ? static_cast<double>(count - 1) * 1e6 / static_cast<double>(lastUs - firstUs)
                                             : 0.0;
    }
};

inline SceneTickStats& sceneTicks() {
    static SceneTickStats stats;
    return stats;
}

inline void countSceneTick() {
    SceneTickStats& s = sceneTicks();
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    if (s.count++ == 0) s.firstUs = now;
    s.lastUs = now;
}

}  // namespace lumaris
