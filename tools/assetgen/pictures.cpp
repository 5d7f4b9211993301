#include "pictures.h"

#include <cmath>

#include "font.h"

namespace assetgen {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Quantises an image to a palette made for it, with a light ordered dither.
Indexed quantize(const Image& image, int colors, double dither) {
    std::vector<Color8> samples;
    samples.reserve(image.pixels.size());
    for (const Rgb& c : image.pixels) samples.push_back(to8(c));
    Indexed out(image.width, image.height);
    out.palette = medianCut(samples, colors);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            Rgb c = image.at(x, y);
            const double d = bayer(x, y) * dither;
            c = {c.r + d, c.g + d, c.b + d};
            out.at(x, y) = static_cast<std::uint8_t>(nearestIndex(out.palette, c));
        }
    }
    return out;
}

// --- Sky and town -------------------------------------------------------

constexpr int kSkyW = 1820, kSkyH = 410, kTownW = 591, kTownH = 127;

// The hill behind the shore: its surface row in town-sheet coordinates.
double hillSurface(double sx) {
    static const double points[][2] = {
        {-70, 127}, {0, 119}, {80, 117}, {118, 108}, {138, 88}, {150, 76}, {165, 72}, {182, 74}, {200, 84},
        {220, 76},  {240, 68}, {262, 64}, {286, 67}, {300, 80}, {320, 92}, {340, 95}, {356, 92}, {380, 72},
        {405, 53},  {423, 48}, {440, 52}, {460, 66}, {480, 86}, {492, 104}, {505, 114}, {530, 118}, {590, 119},
        {660, 127}};
    const int n = sizeof points / sizeof points[0];
    if (sx <= points[0][0] || sx >= points[n - 1][0]) return 200;  // no land
    for (int i = 0; i + 1 < n; ++i) {
        if (sx <= points[i + 1][0]) {
            const double t = (sx - points[i][0]) / (points[i + 1][0] - points[i][0]);
            const double s = 0.5 - 0.5 * dcos(t * kPi);
            return mix(points[i][1], points[i + 1][1], s);
        }
    }
    return 200;
}

Rgb skyColor(int x, int y) {
    const double t = y / static_cast<double>(kSkyH - 1);
    const Rgb top = rgb255(58, 116, 196), middle = rgb255(118, 168, 222), horizon = rgb255(214, 228, 238);
    Rgb c = t < 0.55 ? mix(top, middle, t / 0.55) : mix(middle, horizon, smoothstep(0.55, 1.0, t));

    // Soft clouds: periodic noise that wraps after 1820 columns, flattened.
    auto density = [&](double yy) {
        double n = 0, amplitude = 0.5;
        for (int octave = 0; octave < 5; ++octave) {
            const int cells = 6 << octave;
            const double scale = cells / static_cast<double>(kSkyW);
            n += amplitude * periodicNoise(x * scale, yy * scale * 2.6 + octave * 17.0, cells, 1 << 20, 11 + octave);
            amplitude *= 0.5;
        }
        const double band = smoothstep(20, 110, yy) * (1 - smoothstep(250, 360, yy));
        return smoothstep(0.50, 0.78, n) * band;
    };
    const double d = density(y);
    if (d > 0) {
        const double above = density(y - 7);
        const Rgb lit = rgb255(250, 251, 253), shade = rgb255(178, 190, 212);
        const Rgb cloud = mix(lit, shade, clamp01(above * 1.3 - d * 0.3));
        c = mix(c, cloud, clamp01(d * 1.4));
    }

    // The empty shore: land below the hill's surface.
    const double sx = x - kTownX, sy = y - kTownY;
    const double surface = hillSurface(sx);
    if (sy >= surface) {
        const double grass = periodicNoise(x * 0.15, y * 0.3, 1 << 20, 1 << 20, 31);
        const double depth = clamp01((sy - surface) / 40.0);
        Rgb land = mix(rgb255(122, 146, 108), rgb255(92, 118, 88), depth * 0.6 + grass * 0.3);
        if (sy >= surface && sy < surface + 1.5) land = mix(land, rgb255(150, 168, 128), 0.5);  // lit ridge
        if (sy >= 123 && sx < 495) land = mix(rgb255(212, 200, 164), rgb255(190, 178, 144), grass);  // beach
        if (sx >= 488 && sy >= 114) land = mix(rgb255(128, 122, 112), rgb255(96, 92, 86), grass);  // rocks
        c = mix(land, horizon, 0.22);  // distance haze
    }
    return c;
}

void fillRect(Image& img, int x0, int y0, int x1, int y1, const Rgb& c) {
    for (int y = std::max(0, y0); y <= std::min(img.height - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(img.width - 1, x1); ++x) img.at(x, y) = c;
}

Rgb shadeOf(const Rgb& c, double f) { return {c.r * f, c.g * f, c.b * f}; }

// A house: walls from `bottom` up `wallH` rows, a gable roof `roofH` rows.
void house(Image& img, int x0, int x1, int bottom, int wallH, int roofH, const Rgb& wall, const Rgb& roof,
           bool door = true) {
    const int wallTop = bottom - wallH + 1;
    fillRect(img, x0, wallTop, x1, bottom, wall);
    fillRect(img, x1 - 1, wallTop, x1, bottom, shadeOf(wall, 0.82));  // shaded side
    const double cx = (x0 + x1) / 2.0;
    for (int r = 0; r < roofH; ++r) {
        const double half = (x1 - x0) / 2.0 + 1 - (roofH - 1 - r) * ((x1 - x0) / 2.0 + 1) / roofH * 0.55;
        const int y = wallTop - roofH + r;
        const int a = static_cast<int>(std::floor(cx - half)), b = static_cast<int>(std::ceil(cx + half));
        fillRect(img, a, y, b, y, r == roofH - 1 ? shadeOf(roof, 0.75) : roof);
        fillRect(img, b - 1, y, b, y, shadeOf(roof, 0.8));
    }
    const Rgb window = rgb255(58, 66, 84);
    for (int wx = x0 + 2; wx + 1 <= x1 - 2; wx += 4) {
        for (int wy = wallTop + 2; wy + 1 <= bottom - 3; wy += 5) fillRect(img, wx, wy, wx + 1, wy + 1, window);
    }
    if (door && x1 - x0 >= 6) fillRect(img, static_cast<int>(cx), bottom - 3, static_cast<int>(cx) + 1, bottom,
                                         rgb255(104, 72, 50));
}

void tree(Image& img, int cx, int bottom, int radius, std::uint32_t seed) {
    fillRect(img, cx, bottom - radius, cx + 1, bottom, rgb255(92, 70, 48));
    const int cy = bottom - radius - radius / 2;
    for (int y = cy - radius; y <= cy + radius; ++y) {
        for (int x = cx - radius; x <= cx + radius + 1; ++x) {
            const double dx = x - cx - 0.5, dy = y - cy;
            if (dx * dx + dy * dy > radius * radius) continue;
            const double n = periodicNoise(x * 0.8, y * 0.8, 1 << 20, 1 << 20, seed);
            const double light = clamp01(0.5 - (dx + dy) / (2.5 * radius) + (n - 0.5) * 0.5);
            img.at(x, y) = mix(rgb255(44, 78, 44), rgb255(96, 138, 72), light);
        }
    }
}

void buildTown(Image& t) {
    const Rgb white = rgb255(236, 232, 218), cream = rgb255(230, 212, 172), pink = rgb255(222, 182, 166),
              yellow = rgb255(232, 212, 140), blue = rgb255(182, 202, 216);
    const Rgb terracotta = rgb255(176, 82, 56), darkRed = rgb255(140, 62, 50), slate = rgb255(92, 98, 114);

    // 1: the quay along the water.
    for (int y = 119; y <= 126; ++y) {
        for (int x = 0; x <= 101; ++x) {
            Rgb stone = rgb255(158, 152, 140);
            if (y == 119) stone = rgb255(190, 186, 176);
            if (y >= 125) stone = rgb255(104, 104, 98);
            const bool joint = (y == 122) || ((x + (y > 122 ? 3 : 0)) % 7 == 0 && y > 119 && y < 125);
            t.at(x, y) = joint ? shadeOf(stone, 0.78) : stone;
        }
    }
    for (int x = 8; x < 100; x += 22) fillRect(t, x, 117, x + 1, 118, rgb255(60, 60, 64));  // bollards
    fillRect(t, 8, 117, 101, 118, t.at(8, 117));

    // 2: a fisherman's house on the shore.
    house(t, 104, 125, 126, 15, 9, white, terracotta);
    // 3: the lighthouse on its rocks.
    for (int y = 115; y <= 126; ++y)
        for (int x = 493; x <= 525; ++x) {
            const double n = periodicNoise(x * 0.5, y * 0.5, 1 << 20, 1 << 20, 77);
            const double edge = std::abs(x - 509) / 17.0;
            if (y >= 115 + edge * 6) t.at(x, y) = mix(rgb255(88, 84, 80), rgb255(140, 132, 122), n);
        }
    for (int y = 64; y <= 116; ++y) {
        const double half = 6.5 - (116 - y) * 2.5 / 52.0;
        const bool red = ((y - 64) / 9) % 2 == 0;
        for (int x = static_cast<int>(509 - half); x <= static_cast<int>(509 + half); ++x) {
            const double side = (x - (509 - half)) / (2 * half);
            const Rgb base = red ? rgb255(196, 58, 52) : rgb255(240, 238, 232);
            t.at(x, y) = shadeOf(base, 1.0 - 0.3 * smoothstep(0.4, 1.0, side));
        }
    }
    fillRect(t, 502, 61, 516, 63, rgb255(60, 60, 66));   // gallery
    fillRect(t, 505, 55, 513, 60, rgb255(255, 240, 168)); // lantern
    fillRect(t, 505, 57, 505, 60, rgb255(70, 70, 76));
    fillRect(t, 513, 57, 513, 60, rgb255(70, 70, 76));
    fillRect(t, 506, 53, 512, 54, rgb255(150, 44, 40));  // roof
    fillRect(t, 508, 52, 510, 52, rgb255(150, 44, 40));
    // 4: the jetty with a boat alongside.
    fillRect(t, 526, 115, 589, 116, rgb255(146, 114, 82));
    fillRect(t, 526, 117, 589, 117, rgb255(104, 82, 60));
    for (int x = 528; x <= 588; x += 8) fillRect(t, x, 118, x + 1, 125, rgb255(84, 66, 48));
    fillRect(t, 560, 120, 580, 122, rgb255(40, 78, 140));
    fillRect(t, 562, 123, 578, 124, rgb255(30, 58, 104));
    fillRect(t, 560, 119, 580, 119, rgb255(236, 234, 226));
    fillRect(t, 570, 112, 570, 118, rgb255(120, 96, 70));  // mast
    // 5: a sailing boat drawn up on the beach.
    fillRect(t, 174, 118, 190, 119, rgb255(44, 84, 150));
    fillRect(t, 176, 120, 188, 121, rgb255(34, 64, 112));
    fillRect(t, 174, 117, 190, 117, rgb255(236, 234, 226));
    fillRect(t, 181, 109, 181, 116, rgb255(110, 86, 62));
    for (int y = 110; y <= 115; ++y) fillRect(t, 182, y, 182 + (y - 109), y, rgb255(244, 242, 232));
    // 6: a small house on the slope.
    house(t, 305, 320, 101, 9, 5, yellow, darkRed);
    // 7: the inn.
    house(t, 262, 300, 102, 13, 7, cream, slate);
    // 8: trees on the knoll.
    tree(t, 156, 77, 5, 41);
    tree(t, 170, 77, 6, 42);
    // 9: the chapel on the hill.
    house(t, 250, 284, 69, 9, 6, white, slate, false);
    fillRect(t, 241, 52, 249, 69, rgb255(226, 220, 204));
    fillRect(t, 248, 52, 249, 69, rgb255(190, 184, 170));
    fillRect(t, 244, 56, 245, 59, rgb255(58, 66, 84));
    for (int y = 44; y <= 51; ++y) {
        const int half = (y - 44) / 2 + 1;
        fillRect(t, 245 - half, y, 245 + half, y, rgb255(84, 90, 104));
    }
    // 10: the harbour row.
    const Rgb rowWalls[] = {pink, white, yellow, blue, cream};
    const Rgb rowRoofs[] = {terracotta, slate, darkRed, terracotta, slate};
    const int rowEdges[] = {406, 423, 440, 457, 474, 490};
    const int rowHeights[] = {20, 16, 22, 18, 14};
    for (int i = 0; i < 5; ++i) {
        house(t, rowEdges[i], rowEdges[i + 1] - 1, 126, rowHeights[i], 8, rowWalls[i], rowRoofs[i]);
    }
    // 11: the bell tower on the summit.
    fillRect(t, 411, 47, 435, 53, rgb255(176, 168, 150));
    fillRect(t, 416, 18, 430, 53, rgb255(214, 206, 186));
    fillRect(t, 428, 18, 430, 53, rgb255(176, 168, 150));
    fillRect(t, 419, 22, 421, 28, rgb255(50, 52, 64));
    fillRect(t, 425, 22, 427, 28, rgb255(50, 52, 64));
    fillRect(t, 421, 36, 424, 38, rgb255(240, 236, 220));  // clock face
    fillRect(t, 415, 16, 431, 17, rgb255(150, 142, 126));
    for (int y = 4; y <= 15; ++y) {
        const int half = (y - 4) * 8 / 12;
        fillRect(t, 423 - half, y, 423 + half, y, y % 3 == 0 ? rgb255(70, 76, 90) : rgb255(88, 94, 110));
    }
    // 12 to 17: more houses.
    house(t, 380, 403, 126, 14, 7, blue, terracotta);
    house(t, 297, 316, 126, 13, 7, cream, darkRed);
    house(t, 317, 336, 126, 11, 8, white, terracotta);
    house(t, 337, 357, 126, 14, 6, pink, slate);
    house(t, 358, 377, 126, 12, 8, yellow, terracotta);
    house(t, 248, 270, 126, 14, 8, white, darkRed);
    house(t, 271, 294, 126, 12, 9, blue, slate);
    house(t, 169, 184, 96, 10, 6, pink, terracotta);
    house(t, 201, 226, 124, 14, 8, yellow, slate);
    tree(t, 236, 124, 6, 43);
    house(t, 323, 351, 103, 10, 5, white, terracotta);
}

}  // namespace

const std::array<Piece, 17>& townPieces() {
    static const std::array<Piece, 17> pieces = {{{0, 119, 102, 8},
                                                  {103, 102, 24, 25},
                                                  {493, 53, 33, 74},
                                                  {521, 112, 69, 14},
                                                  {172, 109, 20, 13},
                                                  {304, 87, 18, 15},
                                                  {261, 82, 41, 21},
                                                  {149, 59, 30, 19},
                                                  {240, 44, 46, 26},
                                                  {405, 96, 87, 31},
                                                  {408, 4, 31, 50},
                                                  {379, 105, 26, 22},
                                                  {296, 105, 83, 22},
                                                  {247, 104, 49, 23},
                                                  {168, 79, 18, 18},
                                                  {200, 100, 45, 25},
                                                  {322, 88, 31, 16}}};
    return pieces;
}

Image toImage(const Indexed& picture) {
    Image image(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const Color8 c = picture.color(x, y);
            image.at(x, y) = rgb255(c.r, c.g, c.b);
        }
    return image;
}

SkyAndTown makeSkyAndTown() {
    Image sky(kSkyW, kSkyH);
    for (int y = 0; y < kSkyH; ++y)
        for (int x = 0; x < kSkyW; ++x) sky.at(x, y) = skyColor(x, y);

    // The town sheet starts as the sky under it, so that every piece carries
    // exactly the background it is pasted on.
    Image town(kTownW, kTownH);
    for (int y = 0; y < kTownH; ++y)
        for (int x = 0; x < kTownW; ++x) town.at(x, y) = sky.at(x + kTownX, y + kTownY);
    buildTown(town);

    // One 128-colour palette serves the town sheet and the sky under it;
    // the sky's other 128 colours serve the rest of the sky.
    std::vector<Color8> townSamples, restSamples;
    for (const Rgb& c : town.pixels) townSamples.push_back(to8(c));
    for (int y = 0; y < kSkyH; ++y)
        for (int x = 0; x < kSkyW; ++x) {
            const bool inTown = x >= kTownX && x < kTownX + kTownW && y >= kTownY;
            (inTown ? townSamples : restSamples).push_back(to8(sky.at(x, y)));
        }
    Palette townPalette = medianCut(townSamples, 128);
    townPalette.resize(128);
    Palette restPalette = medianCut(restSamples, 128);
    restPalette.resize(128);

    constexpr double kDither = 3.0 / 255.0;
    SkyAndTown out{Indexed(kSkyW, kSkyH), Indexed(kTownW, kTownH)};
    out.town.palette = townPalette;
    for (int y = 0; y < kTownH; ++y)
        for (int x = 0; x < kTownW; ++x) {
            Rgb c = town.at(x, y);
            const double d = bayer(x + kTownX, y + kTownY) * kDither;
            out.town.at(x, y) = static_cast<std::uint8_t>(nearestIndex(townPalette, {c.r + d, c.g + d, c.b + d}));
        }
    out.sky.palette = townPalette;
    out.sky.palette.insert(out.sky.palette.end(), restPalette.begin(), restPalette.end());
    for (int y = 0; y < kSkyH; ++y)
        for (int x = 0; x < kSkyW; ++x) {
            const bool inTown = x >= kTownX && x < kTownX + kTownW && y >= kTownY;
            Rgb c = sky.at(x, y);
            const double d = bayer(x, y) * kDither;
            c = {c.r + d, c.g + d, c.b + d};
            out.sky.at(x, y) = static_cast<std::uint8_t>(inTown ? nearestIndex(out.sky.palette, c, 0, 128)
                                                                : nearestIndex(out.sky.palette, c));
        }
    return out;
}

// --- Sea -----------------------------------------------------------------

namespace {

struct Wave {
    int k;         // cycles across the 1024 columns
    double m;      // cycles per unit of depth
    double phase;
    double amplitude;
};

struct SeaField {
    std::vector<Wave> waves;
    std::vector<double> depth;  // depth coordinate of each row
    std::vector<double> scale;  // how near each row is, 0..1
};

SeaField seaField() {
    SeaField f;
    Rng rng(20261208);
    for (int i = 0; i < 56; ++i) {
        Wave w;
        const double lk = rng.range(1.0, 5.9);  // natural log of the cycle count
        w.k = std::max(2, static_cast<int>(dexp(lk)));
        w.m = w.k / 1024.0 * rng.range(0.4, 4.5) * (rng.uniform() < 0.5 ? -1 : 1);
        w.phase = rng.range(0, 2 * kPi);
        w.amplitude = rng.range(0.6, 1.0);
        f.waves.push_back(w);
    }
    double d = 0;
    for (int y = 0; y < 491; ++y) {
        const double p = (std::min(y, 349) + 14.0) / 363.0;
        f.scale.push_back(p);
        f.depth.push_back(d);
        d += 1.0 / p;
    }
    return f;
}

// Which wave lengths show at a row: fine ripples far away, long waves near.
double waveWeight(const Wave& w, double p) {
    const double target = 9.0 / p;  // cycles across the width that look right at this distance
    const double ratio = w.k / target;
    const double r = ratio > 1 ? ratio : 1 / ratio;
    return dexp(-(r - 1) * (r - 1) * 0.35);
}

std::vector<double> seaHeights(const SeaField& f) {
    std::vector<double> h(1024 * 491, 0.0);
    for (int y = 0; y < 491; ++y) {
        for (const Wave& w : f.waves) {
            // Waves that would change faster than every few rows only make noise.
            const double rowsPerCycle = f.scale[y] / std::abs(w.m);
            const double weight = waveWeight(w, f.scale[y]) * w.amplitude * smoothstep(1.6, 4.0, rowsPerCycle);
            if (weight < 0.01) continue;
            const double rowPhase = w.phase + 2 * kPi * w.m * f.depth[y];
            for (int x = 0; x < 1024; ++x) {
                h[static_cast<std::size_t>(y) * 1024 + x] += weight * dsin(2 * kPi * w.k * x / 1024.0 + rowPhase);
            }
        }
    }
    return h;
}

Image seaImage(bool night) {
    const SeaField f = seaField();
    const std::vector<double> h = seaHeights(f);
    Image img(1024, 491);
    auto at = [&](int x, int y) {
        return h[static_cast<std::size_t>(std::min(y, 490)) * 1024 + ((x % 1024) + 1024) % 1024];
    };
    for (int y = 0; y < 491; ++y) {
        const double p = f.scale[y];
        const double t = std::min(y, 349) / 349.0;
        Rgb far = night ? rgb255(24, 32, 54) : rgb255(168, 192, 208);
        Rgb near = night ? rgb255(2, 6, 16) : rgb255(22, 78, 112);
        Rgb base = mix(far, near, smoothstep(0.0, 1.0, t * 0.85 + 0.15 * t * t));
        Rgb lit = night ? rgb255(46, 66, 104) : rgb255(178, 208, 226);
        Rgb dark = night ? rgb255(0, 2, 8) : rgb255(12, 52, 84);
        Rgb foam = night ? rgb255(120, 140, 178) : rgb255(236, 244, 248);
        for (int x = 0; x < 1024; ++x) {
            const double slope = (at(x, y + 1) - at(x, y)) * 0.9 + (at(x + 1, y) - at(x, y)) * 0.25;
            double light = clamp01(0.5 - slope * (0.3 + 0.8 * p));
            Rgb c = light > 0.5 ? mix(base, lit, (light - 0.5) * 1.6) : mix(base, dark, (0.5 - light) * 1.4);
            const double crest = smoothstep(night ? 2.9 : 2.4, night ? 3.6 : 3.3, at(x, y)) * smoothstep(0.25, 0.9, p);
            c = mix(c, foam, crest * (night ? 0.5 : 0.85));
            img.at(x, y) = c;
        }
    }
    return img;
}

}  // namespace

Indexed makeSea() { return quantize(seaImage(false), 256, 3.0 / 255.0); }

Indexed makeNightSea() { return quantize(seaImage(true), 16, 6.0 / 255.0); }

// --- Moon ------------------------------------------------------------------

Indexed makeMoon() {
    Image img(65, 66);
    Rng rng(1969);
    struct Crater {
        double x, y, r;
    };
    std::vector<Crater> craters;
    for (int i = 0; i < 14; ++i) craters.push_back({rng.range(10, 55), rng.range(10, 56), rng.range(1.5, 6.5)});
    const double cx = 32.5, cy = 33, radius = 29;
    for (int y = 0; y < 66; ++y)
        for (int x = 0; x < 65; ++x) {
            double cover = 0;
            Rgb sum;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
                    const double dx = (px - cx) / radius, dy = (py - cy) / radius;
                    if (dx * dx + dy * dy > 1) continue;
                    cover += 1.0 / 16;
                    const double nz = std::sqrt(1 - dx * dx - dy * dy);
                    double light = 0.55 + 0.45 * (0.45 * dx - 0.35 * dy + 0.82 * nz);
                    const double maria = periodicNoise(px * 0.09, py * 0.09, 1 << 20, 1 << 20, 5);
                    light *= 1 - 0.22 * smoothstep(0.45, 0.7, maria);
                    for (const Crater& c : craters) {
                        const double d = std::sqrt((px - c.x) * (px - c.x) + (py - c.y) * (py - c.y)) / c.r;
                        if (d < 1) light *= 0.86 + 0.1 * d * d;
                        else if (d < 1.3) light *= 1.05;
                    }
                    const Rgb tone = rgb255(236, 232, 214);
                    sum = {sum.r + tone.r * light / 16, sum.g + tone.g * light / 16, sum.b + tone.b * light / 16};
                }
            img.at(x, y) = cover > 0 ? sum : Rgb{};
        }
    Indexed out = quantize(img, 127, 0);
    // Pure black is entry 0, and everything outside the disc is exactly that.
    out.palette.insert(out.palette.begin(), Color8{0, 0, 0});
    for (int y = 0; y < 66; ++y)
        for (int x = 0; x < 65; ++x) {
            const Rgb c = img.at(x, y);
            out.at(x, y) = (c.r == 0 && c.g == 0 && c.b == 0) ? 0
                                                             : static_cast<std::uint8_t>(nearestIndex(out.palette, c, 1));
        }
    return out;
}

// --- Splash ----------------------------------------------------------------

Indexed makeSplash() {
    Image img(272, 173);
    for (int y = 0; y < 173; ++y)
        for (int x = 0; x < 272; ++x) {
            const double t = y / 172.0;
            Rgb c = mix(rgb255(16, 28, 62), rgb255(34, 76, 126), t);
            // A calm swell along the bottom of the panel.
            const double wave = 138 + 6 * dsin(x * 2 * kPi / 68.0) + 3 * dsin(x * 2 * kPi / 29.0 + 1);
            if (y > wave) c = mix(c, rgb255(20, 96, 140), clamp01((y - wave) / 6.0) * 0.8);
            img.at(x, y) = c;
        }
    // Frame: an outer gold line, a dark gap and a thin inner line.
    const Rgb gold = rgb255(214, 180, 96), goldDark = rgb255(150, 116, 52);
    for (int y = 0; y < 173; ++y)
        for (int x = 0; x < 272; ++x) {
            const int edge = std::min(std::min(x, 271 - x), std::min(y, 172 - y));
            if (edge <= 2) img.at(x, y) = edge == 1 ? gold : goldDark;
            if (edge == 5) img.at(x, y) = gold;
        }
    const double size = 58, thick = 6.5;
    const double width = textWidth("Lumaris", size);
    const double left = (272 - width) / 2;
    drawText(img, "Lumaris", left + 2, 34 + 2, size, thick, rgb255(6, 12, 30));  // shadow
    drawText(img, "Lumaris", left, 34, size, thick, rgb255(248, 228, 168));
    const double vSize = 20;
    const double vWidth = textWidth("2.01", vSize);
    drawText(img, "2.01", (272 - vWidth) / 2, 112, vSize, 2.6, rgb255(226, 232, 240));
    return quantize(img, 128, 2.0 / 255.0);
}

// --- Balloon ---------------------------------------------------------------

Indexed makeBalloon() {
    constexpr int W = 66, H = 86;
    Image color(W, H);
    std::vector<double> cover(W * H, 0.0);
    const Rgb gores[] = {rgb255(214, 44, 52), rgb255(246, 200, 48), rgb255(38, 98, 204), rgb255(246, 200, 48),
                         rgb255(214, 44, 52), rgb255(246, 246, 240), rgb255(38, 160, 92), rgb255(246, 246, 240)};
    auto halfWidth = [](double y) {
        if (y < 2) return -1.0;
        if (y <= 30) return std::sqrt(std::max(0.0, 28.0 * 28.0 - (30 - y) * (30 - y)));
        if (y <= 60) return 9 + 19 * dcos((y - 30) / 30.0 * kPi / 2);
        return -1.0;
    };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            double c = 0;
            Rgb sum;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
                    Rgb sample;
                    bool inside = false;
                    const double hw = halfWidth(py);
                    if (hw > 0 && std::abs(px - 33) <= hw) {
                        inside = true;
                        const double u = (px - 33) / hw;
                        const double v = (py - 31) / 30.0;
                        const int gore = std::min(7, static_cast<int>((u + 1) / 2 * 8));
                        const double nz = std::sqrt(std::max(0.0, 1 - u * u));
                        const double light = 0.45 + 0.55 * clamp01(-0.5 * u - 0.4 * v + 0.75 * nz);
                        sample = shadeOf(gores[gore], light);
                    }
                    // Ropes from the mouth to the basket, and the basket.
                    for (int side : {-1, 1}) {
                        const double ropeX = 33 + side * (9 - (py - 60) * 3.0 / 10.0);
                        if (py >= 60 && py < 70 && std::abs(px - ropeX) < 0.5) {
                            inside = true;
                            sample = rgb255(120, 96, 66);
                        }
                    }
                    if (px >= 27 && px < 39 && py >= 70 && py < 82) {
                        inside = true;
                        const bool band = static_cast<int>(py) % 3 == 0;
                        sample = band ? rgb255(120, 80, 44) : rgb255(168, 120, 70);
                        if (px >= 36) sample = shadeOf(sample, 0.8);
                    }
                    if (inside) {
                        c += 1.0 / 16;
                        sum = {sum.r + sample.r, sum.g + sample.g, sum.b + sample.b};
                    }
                }
            cover[y * W + x] = c;
            if (c > 0) {
                const double n = c * 16;
                color.at(x, y) = {sum.r / n, sum.g / n, sum.b / n};
            }
        }
    // Palette: black, white and two greys for the mask, then the balloon's
    // own colours, none of which is black.
    Indexed out(W, 2 * H);
    std::vector<Color8> samples;
    for (int i = 0; i < W * H; ++i)
        if (cover[i] > 0) samples.push_back(to8(color.pixels[i]));
    Palette own = medianCut(samples, 252);
    out.palette = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {192, 192, 192}};
    for (Color8 c : own) {
        if (c.r + c.g + c.b < 24) c = {8, 8, 8};
        out.palette.push_back(c);
    }
    out.palette.resize(256);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double c = cover[y * W + x];
            std::uint8_t image = 0, mask = 1;
            if (c > 0) {
                image = static_cast<std::uint8_t>(nearestIndex(out.palette, color.at(x, y), 4));
                // Full coverage: the mask clears the scene. Along the rim the
                // mask keeps part of the scene, so no dark fringe appears.
                mask = c >= 0.999 ? 0 : (c >= 0.5 ? 2 : 3);
            }
            out.at(x, y) = image;
            out.at(x, y + H) = mask;
        }
    return out;
}

// --- Preview ----------------------------------------------------------------

Indexed makePreview() {
    constexpr int W = 160, H = 120, horizon = 70;
    Image img(W, H);
    const double sunX = 80, sunY = 67, sunR = 12;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            Rgb c;
            if (y < horizon) {
                const double t = y / static_cast<double>(horizon - 1);
                c = t < 0.6 ? mix(rgb255(54, 42, 96), rgb255(196, 92, 84), t / 0.6)
                            : mix(rgb255(196, 92, 84), rgb255(252, 182, 96), (t - 0.6) / 0.4);
                const double dx = x - sunX, dy = y - sunY;
                const double d = std::sqrt(dx * dx + dy * dy);
                c = mix(c, rgb255(255, 214, 130), clamp01(1 - (d - sunR) / 40) * 0.55);
                if (d < sunR) c = mix(rgb255(255, 244, 190), rgb255(255, 214, 120), d / sunR);
                // Clouds: dark bands, lit from below by the low sun.
                double n = 0, a = 0.5;
                for (int o = 0; o < 4; ++o) {
                    const int cells = 4 << o;
                    n += a * periodicNoise(x * cells / 160.0, y * cells / 160.0 * 3.2 + o * 9, cells, 1 << 20, 61 + o);
                    a *= 0.5;
                }
                const double band = smoothstep(6, 18, y) * (1 - smoothstep(44, 58, y));
                const double cloud = smoothstep(0.5, 0.7, n) * band;
                const Rgb cloudColor = mix(rgb255(70, 46, 84), rgb255(236, 128, 86), smoothstep(0.5, 0.9, n));
                c = mix(c, cloudColor, cloud);
            } else {
                const double t = (y - horizon) / static_cast<double>(H - horizon);
                c = mix(rgb255(96, 56, 80), rgb255(22, 16, 40), smoothstep(0, 1, t));
                // The sun's path on the water: broken streaks widening towards us.
                const double width = 8 + t * 34;
                const double ripple = 0.5 + 0.5 * dsin(x * 0.9 + y * 2.3) * dsin(x * 0.37 - y * 1.1 + 2);
                const double path = clamp01(1 - std::abs(x - sunX) / width) * ripple;
                c = mix(c, rgb255(255, 196, 112), path * (1 - t * 0.5));
                if (y == horizon) c = mix(c, rgb255(255, 200, 120), 0.35);
            }
            img.at(x, y) = c;
        }
    return quantize(img, 256, 2.0 / 255.0);
}

// --- Sea sound ---------------------------------------------------------------

std::vector<std::int16_t> makeSeaSound() {
    constexpr int N = 48697;
    Rng rng(1624);
    std::vector<double> white(N);
    for (double& w : white) w = rng.uniform() * 2 - 1;
    // One-pole low-pass run round the loop twice, so that the filtered sound
    // is itself periodic and the end runs into the start without a click.
    auto lowpass = [&](const std::vector<double>& in, double alpha) {
        std::vector<double> out(N);
        double state = 0;
        for (int pass = 0; pass < 3; ++pass)
            for (int i = 0; i < N; ++i) {
                state += alpha * (in[i] - state);
                out[i] = state;
            }
        return out;
    };
    const std::vector<double> rumble = lowpass(lowpass(white, 0.02), 0.04);
    const std::vector<double> wash1 = lowpass(white, 0.18);
    const std::vector<double> wash2 = lowpass(white, 0.04);
    std::vector<double> s(N);
    double peak = 0;
    for (int i = 0; i < N; ++i) {
        const double phase = static_cast<double>(i) / N;
        // One breaking wave per loop, and a smaller one after it.
        const double swell = 0.5 - 0.5 * dcos(2 * kPi * phase);
        const double second = 0.5 - 0.5 * dcos(2 * kPi * (2 * phase + 0.3));
        const double surf = 0.25 + 0.75 * swell * swell + 0.2 * second;
        const double wash = wash1[i] - wash2[i];
        s[i] = rumble[i] * 5.0 * (0.6 + 0.4 * swell) + wash * 1.6 * surf;
        peak = std::max(peak, std::abs(s[i]));
    }
    std::vector<std::int16_t> samples(N);
    for (int i = 0; i < N; ++i) {
        const double v = s[i] / peak * 0.42 * 32767.0;
        samples[i] = static_cast<std::int16_t>(v >= 0 ? v + 0.5 : v - 0.5);
    }
    return samples;
}

}  // namespace assetgen
