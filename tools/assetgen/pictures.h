// The scene's pictures, the preview picture and the sea sound.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common.h"

namespace assetgen {

// The town pieces: rectangles of the town sheet (x, y, width, height),
// in the order the town is built. The sheet lands on the sky at (948, 283).
struct Piece {
    int x, y, w, h;
};
const std::array<Piece, 17>& townPieces();
inline constexpr int kTownX = 948;
inline constexpr int kTownY = 283;

struct SkyAndTown {
    Indexed sky;   // 1820 x 410, 256 colours, the empty shore
    Indexed town;  // 591 x 127, 128 colours
};
SkyAndTown makeSkyAndTown();
Indexed makeSea();       // 1024 x 491, 256 colours
Indexed makeNightSea();  // 1024 x 491, 16 colours
Indexed makeMoon();      // 65 x 66, 128 colours
Indexed makeSplash();    // 272 x 173, 128 colours
Indexed makeBalloon();   // 66 x 172, 256 colours: image above mask
Indexed makePreview();   // 160 x 120, 256 colours
std::vector<std::int16_t> makeSeaSound();  // 48,697 samples at 16 kHz

Image toImage(const Indexed& picture);

}  // namespace assetgen
