// Persistent 32-bit pictures and the raster operations on them.
//
// A Surface holds 0x00RRGGBB pixels, row by row. Copies follow one rule on
// every platform: a copy never reads outside its source picture (that part
// of the destination keeps its pixels), drawing outside the destination is
// clipped, and a copy with a width or height of 0 or less copies nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumaris {

// The raster operations of a copy, by the system's numbers.
namespace Rop {
inline constexpr std::uint32_t SrcCopy = 0x00CC0020;   // SRCCOPY
inline constexpr std::uint32_t SrcAnd = 0x008800C6;    // SRCAND
inline constexpr std::uint32_t SrcPaint = 0x00EE0086;  // SRCPAINT
}  // namespace Rop

inline constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (r << 16) | (g << 8) | b;
}

class Surface {
public:
    Surface() = default;
    Surface(std::string name, int width, int height, std::uint32_t background = 0);

    const std::string& name() const { return name_; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t background() const { return background_; }
    std::uint32_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const std::uint32_t* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    std::uint32_t pixel(int x, int y) const { return row(y)[x]; }
    void setPixel(int x, int y, std::uint32_t color) { row(y)[x] = color; }
    std::vector<std::uint32_t>& pixels() { return pixels_; }
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }

    // Fills the whole picture with its background colour.
    void clear();
    // Changes the size, keeping what was drawn where it still fits; new
    // parts show the background colour.
    void resize(int width, int height);

private:
    std::string name_;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t background_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// Copies the rectangle (sx, sy, w, h) of src to (x, y) of dst with the
// raster operation rop (SRCCOPY, SRCAND or SRCPAINT). Returns non-zero when
// the operation is known.
std::int32_t blit(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, std::uint32_t rop);

// A one-pixel-wide line from (x1, y1) to (x2, y2), both ends included,
// clipped to the picture.
void drawLine(Surface& dst, int x1, int y1, int x2, int y2, std::uint32_t color);

}  // namespace lumaris
