// A small stroke font for the splash title: each glyph is a few polylines
// in a box one unit high (0 at the top of capitals, 1 on the baseline).
#pragma once

#include <string>
#include <vector>

#include "common.h"

namespace assetgen {

struct Point {
    double x, y;
};
struct Glyph {
    double width;
    std::vector<std::vector<Point>> strokes;
};

const Glyph& glyph(char c);
// Draws text with its top-left corner at (x, y), `size` pixels high, strokes
// `thickness` pixels wide, anti-aliased; returns the text's width in pixels.
double drawText(Image& image, const std::string& text, double x, double y, double size, double thickness,
                const Rgb& color);
double textWidth(const std::string& text, double size);

}  // namespace assetgen
