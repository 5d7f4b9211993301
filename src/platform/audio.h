// Sound output.
#pragma once

#include <cstdint>

namespace lumaris {

class Audio {
public:
    virtual ~Audio() = default;
    // The number of sound output devices.
    virtual std::uint32_t waveOutGetNumDevs() = 0;
};

}  // namespace lumaris
