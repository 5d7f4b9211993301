// The built-in pictures and sound, as compiled into the program: the file
// headers the program and its libraries rely on, the seamless wraps, the
// balloon's mask, the town pieces and the sound's loop.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sdl/sdl_pictures.h"
#include "runtime/resources.h"

namespace lumaris {
namespace {

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::string tag(std::span<const std::uint8_t> b, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

// A picture decoded by SDL, as colours.
struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Picture decode(const char* name) {
    const auto bytes = findResource(kPictureType, name);
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* raw = IMG_Load_RW(rw, 1);
    EXPECT_NE(raw, nullptr) << name << ": " << SDL_GetError();
    Picture p;
    if (raw == nullptr) return p;
    SDL_Surface* s = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(raw);
    p.width = s->w;
    p.height = s->h;
    for (int y = 0; y < s->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(s->pixels) +
                                                                 y * s->pitch);
        for (int x = 0; x < s->w; ++x) p.pixels.push_back({int(row[x] >> 16 & 255), int(row[x] >> 8 & 255), int(row[x] & 255)});
    }
    SDL_FreeSurface(s);
    return p;
}

int difference(const Rgb& a, const Rgb& b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

TEST(Assets, BitmapHeaders) {
    struct Expected {
        const char* name;
        int width, height, bits, colors;
    };
    const Expected pictures[] = {
        {"skypicsource", 1820, 410, 8, 256}, {"waterpicsource", 1024, 491, 8, 256}, {"picDarkWater", 1024, 491, 4, 16},
        {"picMoon", 65, 66, 8, 128},         {"piccivilsource", 591, 127, 8, 128},  {"splashpic", 272, 173, 8, 128},
        {"picBalloon", 66, 172, 8, 256},
    };
    for (const Expected& e : pictures) {
        SCOPED_TRACE(e.name);
        const auto b = findResource(kPictureType, e.name);
        ASSERT_GT(b.size(), 54u);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(le32(b, 2), b.size());
        EXPECT_EQ(le32(b, 14), 40u);                              // the plain info header
        EXPECT_EQ(static_cast<std::int32_t>(le32(b, 18)), e.width);
        EXPECT_EQ(static_cast<std::int32_t>(le32(b, 22)), e.height);  // positive: bottom-up
        EXPECT_EQ(le16(b, 26), 1);
        EXPECT_EQ(le16(b, 28), e.bits);
        EXPECT_EQ(le32(b, 30), 0u);  // uncompressed
        EXPECT_EQ(le32(b, 46), static_cast<std::uint32_t>(e.colors));
        const std::uint32_t stride = ((e.width * e.bits + 31) / 32) * 4;
        EXPECT_EQ(le32(b, 10), 54u + 4u * e.colors);
        EXPECT_EQ(b.size(), 54u + 4u * e.colors + stride * e.height);
        const Picture p = decode(e.name);
        EXPECT_EQ(p.width, e.width);
        EXPECT_EQ(p.height, e.height);
    }
}

TEST(Assets, PreviewIsASingleFrameGif) {
    const auto b = findResource(kPictureType, "PREVIEW");
    ASSERT_GT(b.size(), 13u + 768u + 10u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 6), "GIF89a");
    EXPECT_EQ(le16(b, 6), 160);
    EXPECT_EQ(le16(b, 8), 120);
    EXPECT_EQ(b[10] & 0x80, 0x80);  // a global colour table ...
    EXPECT_EQ(b[10] & 0x07, 7);     // ... of 256 entries
    const std::size_t descriptor = 13 + 768;
    EXPECT_EQ(b[descriptor], 0x2C);
    EXPECT_EQ(b[descriptor + 9] & 0x40, 0);  // not interlaced
    EXPECT_EQ(b[b.size() - 1], 0x3B);
    // Exactly one image descriptor: walk the data sub-blocks to the trailer.
    std::size_t at = descriptor + 10 + 1;
    while (b[at] != 0) at += b[at] + 1u;
    EXPECT_EQ(at + 2, b.size());
    const Picture p = decode("preview");
    EXPECT_EQ(p.width, 160);
    EXPECT_EQ(p.height, 120);
    // A sunset: the sky above the horizon is warm, the sun brightest.
    EXPECT_GT(p.at(80, 60).r, 240);
    EXPECT_GT(p.at(80, 60).r, p.at(80, 60).b);
}

TEST(Assets, SoundImageHasEveryRiffField) {
    const auto b = findResource(kWaveType, "tidemar");  // any letter case
    ASSERT_EQ(b.size(), 97440u);
    EXPECT_EQ(tag(b, 0), "RIFF");
    EXPECT_EQ(le32(b, 4), 97430u);
    EXPECT_EQ(tag(b, 8), "WAVE");
    EXPECT_EQ(tag(b, 12), "fmt ");
    EXPECT_EQ(le32(b, 16), 16u);
    EXPECT_EQ(le16(b, 20), 1);
    EXPECT_EQ(le16(b, 22), 1);
    EXPECT_EQ(le32(b, 24), 16000u);
    EXPECT_EQ(le32(b, 28), 32000u);
    EXPECT_EQ(le16(b, 32), 2);
    EXPECT_EQ(le16(b, 34), 16);
    EXPECT_EQ(tag(b, 36), "data");
    EXPECT_EQ(le32(b, 40), 97394u);
}

TEST(Assets, SoundLoopsWithoutAClickWellBelowClipping) {
    const auto b = findResource(kWaveType, "TIDEMAR");
    std::vector<int> s;
    for (std::size_t i = 44; i + 1 < 44 + 97394; i += 2) s.push_back(static_cast<std::int16_t>(le16(b, i)));
    ASSERT_EQ(s.size(), 48697u);
    double stepSquares = 0, levelSquares = 0;
    int peak = 0, largestStep = 0;
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        const int step = std::abs(s[i + 1] - s[i]);
        largestStep = std::max(largestStep, step);
        stepSquares += double(step) * step;
        levelSquares += double(s[i]) * s[i];
        peak = std::max(peak, std::abs(s[i]));
    }
    const double rmsStep = std::sqrt(stepSquares / (s.size() - 1));
    const double rms = std::sqrt(levelSquares / s.size());
    const int seam = std::abs(s.front() - s.back());
    EXPECT_LE(seam, 3 * rmsStep) << "the loop point is no louder a step than the sound itself";
    EXPECT_LT(peak, 32767 * 0.6);
    EXPECT_GT(rms, 32767 * 0.03) << "audible";
}

// The step across a picture's wrap is no larger than the steps between
// neighbouring columns inside it.
void expectSeamless(const char* name, int rows) {
    SCOPED_TRACE(name);
    const Picture p = decode(name);
    std::vector<double> steps;
    for (int x = 0; x + 1 < p.width; ++x) {
        double sum = 0;
        for (int y = 0; y < rows; ++y) sum += difference(p.at(x, y), p.at(x + 1, y));
        steps.push_back(sum / rows);
    }
    double seam = 0;
    for (int y = 0; y < rows; ++y) seam += difference(p.at(p.width - 1, y), p.at(0, y));
    seam /= rows;
    std::sort(steps.begin(), steps.end());
    const double typical = steps[steps.size() * 9 / 10];
    EXPECT_LE(seam, typical) << "median step " << steps[steps.size() / 2];
}

// The program looks palette pictures up itself; every pixel must be the
// colour SDL's own conversion gives.
TEST(Assets, PicturesLoadAsTheirDecodedColours) {
    for (const char* name : {"skypicsource", "waterpicsource", "picDarkWater", "picMoon", "piccivilsource", "splashpic",
                             "picBalloon", "PREVIEW"}) {
        SCOPED_TRACE(name);
        const Picture expected = decode(name);
        const Surface loaded = sdl::SdlPictures().Load(name, 0);
        Picture got{loaded.width(), loaded.height(), {}};
        for (int y = 0; y < loaded.height(); ++y) {
            for (int x = 0; x < loaded.width(); ++x) {
                const std::uint32_t c = loaded.pixel(x, y);
                got.pixels.push_back({int(c >> 16 & 255), int(c >> 8 & 255), int(c & 255)});
            }
        }
        EXPECT_TRUE(got.width == expected.width && got.height == expected.height && got.pixels == expected.pixels);
    }
}

TEST(Assets, ScrollingPicturesWrapWithoutASeam) {
    expectSeamless("skypicsource", 410);
    expectSeamless("waterpicsource", 350);
    expectSeamless("picDarkWater", 350);
}

TEST(Assets, SeaIsFineFarAwayAndCoarseNear) {
    // Far rows hold more, narrower ripples than near rows: count the turns
    // of brightness along each row.
    const Picture p = decode("waterpicsource");
    auto turnsPerRow = [&](int y0, int y1) {
        long turns = 0;
        for (int y = y0; y < y1; ++y) {
            int previous = 0;
            for (int x = 0; x + 1 < p.width; ++x) {
                const Rgb a = p.at(x, y), b = p.at(x + 1, y);
                const int step = (b.r + b.g + b.b) - (a.r + a.g + a.b);
                if (std::abs(step) < 24) continue;  // not the dither
                const int sign = step > 0 ? 1 : -1;
                if (previous != 0 && sign != previous) ++turns;
                previous = sign;
            }
        }
        return static_cast<double>(turns) / (y1 - y0);
    };
    EXPECT_GT(turnsPerRow(10, 40), 1.5 * turnsPerRow(300, 350));
}

TEST(Assets, BalloonMaskFitsItsImage) {
    const Picture p = decode("picBalloon");
    const Rgb black{0, 0, 0}, white{255, 255, 255};
    const std::array<Rgb, 5> backgrounds = {{{0, 0, 0}, {255, 255, 255}, {90, 150, 220}, {127, 127, 127}, {200, 60, 30}}};
    int inside = 0;
    for (int y = 0; y < 86; ++y)
        for (int x = 0; x < 66; ++x) {
            const Rgb image = p.at(x, y), mask = p.at(x, y + 86);
            ASSERT_EQ(image == black, mask == white) << "at " << x << "," << y;
            ASSERT_TRUE(mask.r == mask.g && mask.g == mask.b) << "the mask is grey";
            if (mask == black) ++inside;
            if (mask != black && mask != white) {
                // Grey only on the rim: next to the outside.
                bool rim = x == 0 || y == 0 || x == 65 || y == 85;
                for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, -1}, {1, 1}, {-1, 1}, {1, -1}}) {
                    if (x + dx >= 0 && x + dx < 66 && y + dy >= 0 && y + dy < 86 && p.at(x + dx, y + dy) == black) {
                        rim = true;
                    }
                }
                EXPECT_TRUE(rim) << "grey mask inside the balloon at " << x << "," << y;
            }
            for (const Rgb& bg : backgrounds) {
                const Rgb out{(bg.r & mask.r) | image.r, (bg.g & mask.g) | image.g, (bg.b & mask.b) | image.b};
                // No hole: where the balloon covers, its own colour shows.
                if (mask == black) {
                    ASSERT_EQ(out, image);
                }
                // No dark fringe: nothing is darker than both the scene and the balloon.
                ASSERT_GE(out.r, std::min(bg.r, image.r));
                ASSERT_GE(out.g, std::min(bg.g, image.g));
                ASSERT_GE(out.b, std::min(bg.b, image.b));
            }
        }
    EXPECT_GT(inside, 66 * 86 / 4) << "a balloon of some size";
}

TEST(Assets, MoonSitsOnPureBlack) {
    const Picture p = decode("picMoon");
    for (auto [x, y] : {std::pair{0, 0}, {64, 0}, {0, 65}, {64, 65}}) EXPECT_EQ(p.at(x, y), (Rgb{0, 0, 0}));
    EXPECT_GT(p.at(32, 33).r, 120) << "a lit disc in the middle";
}

TEST(Assets, TownPiecesCarryTheSkyTheyArePastedOn) {
    const Picture sky = decode("skypicsource"), town = decode("piccivilsource");
    const int pieces[17][4] = {{0, 119, 102, 8},  {103, 102, 24, 25}, {493, 53, 33, 74}, {521, 112, 69, 14},
                               {172, 109, 20, 13}, {304, 87, 18, 15},  {261, 82, 41, 21}, {149, 59, 30, 19},
                               {240, 44, 46, 26}, {405, 96, 87, 31},  {408, 4, 31, 50},  {379, 105, 26, 22},
                               {296, 105, 83, 22}, {247, 104, 49, 23}, {168, 79, 18, 18}, {200, 100, 45, 25},
                               {322, 88, 31, 16}};
    int changed = 0, border = 0, same = 0;
    for (const auto& piece : pieces) {
        const int x0 = piece[0], y0 = piece[1], w = piece[2], h = piece[3];
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                const bool onBorder = y == y0 || x == x0 || x == x0 + w - 1;
                const bool equal = town.at(x, y) == sky.at(x + 948, y + 283);
                if (onBorder) {
                    ++border;
                    same += equal;
                }
                changed += !equal;
            }
    }
    // The rectangles' edges blend into the sky; a building may touch them
    // (the quay fills its piece), but a sheet out of place would match nowhere.
    EXPECT_GE(same * 10, border * 6) << same << " of " << border;
    EXPECT_GT(changed, 3000) << "the pieces hold buildings";
}

TEST(Resources, NamesMatchWithoutRegardToCase) {
    EXPECT_EQ(findResource("wave", "tidemar").size(), 97440u);
    EXPECT_EQ(findResource("WAVE", "TiDeMaR").data(), findResource("WAVE", "TIDEMAR").data());
    EXPECT_TRUE(findResource("WAVE", "surf").empty());
    EXPECT_TRUE(findResource("PICTURE", "TIDEMAR").empty());
    const auto readme = findResource(kTextType, "lumzreadme.txt");
    const std::string text(reinterpret_cast<const char*>(readme.data()), readme.size());
    for (const char* key : {"B ", "M ", "S ", "T "}) EXPECT_NE(text.find(std::string("\n  ") + key), std::string::npos);
}

}  // namespace
}  // namespace lumaris
