// Building blocks of the asset generator: a seeded random source, math that
// gives the same bits on every machine, RGB images, palette reduction and
// the file writers (BMP, GIF, WAVE, PNG).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// splitmix64: small, fast and fully determined by its seed.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    double uniform();                  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return static_cast<int>(uniform() * n); }

private:
    std::uint64_t state_;
};

// sin, cos and exp from basic arithmetic only, so that the output does not
// depend on which libm code path a processor selects.
double dsin(double x);
double dcos(double x);
double dexp(double x);
double clamp01(double v);
double smoothstep(double e0, double e1, double x);
double mix(double a, double b, double t);

struct Rgb {
    double r = 0, g = 0, b = 0;
};
Rgb mix(const Rgb& a, const Rgb& b, double t);
Rgb rgb255(int r, int g, int b);

struct Color8 {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Color8&) const = default;
};
using Palette = std::vector<Color8>;

struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
    Rgb& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

struct Indexed {
    int width = 0, height = 0;
    std::vector<std::uint8_t> index;
    Palette palette;
    Indexed(int w, int h) : width(w), height(h), index(static_cast<std::size_t>(w) * h) {}
    std::uint8_t& at(int x, int y) { return index[static_cast<std::size_t>(y) * width + x]; }
    Color8 color(int x, int y) const { return palette[index[static_cast<std::size_t>(y) * width + x]]; }
};

Color8 to8(const Rgb& c);

// Periodic value noise: the lattice wraps after periodX cells across and
// periodY cells down, so an image that spans exactly one period tiles.
double periodicNoise(double x, double y, int periodX, int periodY, std::uint32_t seed);

// A palette of at most `count` colours for the sample colours (median cut).
Palette medianCut(const std::vector<Color8>& samples, int count);
// The nearest palette entry among entries [first, last).
int nearestIndex(const Palette& palette, const Rgb& c, int first = 0, int last = -1);
// A 4x4 ordered-dither offset in -0.5..0.5 for pixel (x, y); widths that are
// multiples of 4 keep it seamless across the wrap.
double bayer(int x, int y);

// File writers.
std::vector<std::uint8_t> bmp8(const Indexed& image, int paletteSize);
std::vector<std::uint8_t> bmp4(const Indexed& image);
std::vector<std::uint8_t> gif(const Indexed& image);
std::vector<std::uint8_t> wave(const std::vector<std::int16_t>& samples, int rate, int trailingBytes);
std::vector<std::uint8_t> png(const Image& image);  // needs zlib
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace assetgen
