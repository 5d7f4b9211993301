// The built-in pictures decoded by SDL (BMP) and SDL2_image (GIF), and
// pictures written as PNG (the snapshot), on every Linux display system.
#pragma once

#include <cstdint>
#include <string>

#include "platform/graphics.h"

namespace lumaris::sdl {

class SdlPictures : public Pictures {
public:
    Surface Load(const std::string& name, std::uint32_t background) override;
    // Written beside the target and renamed over it: never a cut picture.
    bool SavePng(const Surface& picture, const std::string& path) override;
};

}  // namespace lumaris::sdl
