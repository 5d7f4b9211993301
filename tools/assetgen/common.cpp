#include "common.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>

namespace assetgen {

std::uint64_t Rng::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

namespace {
constexpr double kPi = 3.14159265358979323846;
}

double dsin(double x) {
    // Reduce to [-pi, pi], then to [-pi/2, pi/2], then a Taylor series.
    const double twoPi = 2 * kPi;
    double k = x / twoPi;
    k = static_cast<double>(static_cast<long long>(k >= 0 ? k + 0.5 : k - 0.5));
    x -= k * twoPi;
    if (x > kPi / 2) x = kPi - x;
    if (x < -kPi / 2) x = -kPi - x;
    const double x2 = x * x;
    double term = x, sum = x;
    for (int n = 1; n < 12; ++n) {
        term *= -x2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double dcos(double x) { return dsin(x + kPi / 2); }

double dexp(double x) {
    // e^x = (e^(x/1024))^1024 with a short series for the small argument.
    if (x < -40) return 0;
    const double y = x / 1024.0;
    double term = 1, sum = 1;
    for (int n = 1; n < 10; ++n) {
        term *= y / n;
        sum += term;
    }
    for (int i = 0; i < 10; ++i) sum *= sum;
    return sum;
}

double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
double smoothstep(double e0, double e1, double x) {
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
double mix(double a, double b, double t) { return a + (b - a) * t; }
Rgb mix(const Rgb& a, const Rgb& b, double t) { return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)}; }
Rgb rgb255(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

Color8 to8(const Rgb& c) {
    auto q = [](double v) { return static_cast<std::uint8_t>(clamp01(v) * 255.0 + 0.5); };
    return {q(c.r), q(c.g), q(c.b)};
}

namespace {
double latticeValue(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777215.0;
}
int wrap(int v, int period) { return ((v % period) + period) % period; }
}  // namespace

double periodicNoise(double x, double y, int periodX, int periodY, std::uint32_t seed) {
    const double fx = x < 0 ? static_cast<double>(static_cast<long long>(x) - 1) : static_cast<double>(static_cast<long long>(x));
    const double fy = y < 0 ? static_cast<double>(static_cast<long long>(y) - 1) : static_cast<double>(static_cast<long long>(y));
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto v = [&](int ix, int iy) { return latticeValue(wrap(ix, periodX), wrap(iy, periodY), seed); };
    const double a = mix(v(x0, y0), v(x0 + 1, y0), tx);
    const double b = mix(v(x0, y0 + 1), v(x0 + 1, y0 + 1), tx);
    return mix(a, b, ty);
}

Palette medianCut(const std::vector<Color8>& samples, int count) {
    // Work on the distinct colours with their counts, in a fixed order.
    std::map<std::uint32_t, std::uint64_t> histogram;
    for (const Color8& c : samples) ++histogram[(c.r << 16) | (c.g << 8) | c.b];
    struct Entry {
        std::uint8_t c[3];
        std::uint64_t n;
    };
    std::vector<Entry> colors;
    for (const auto& [key, n] : histogram) {
        colors.push_back({{static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 8),
                           static_cast<std::uint8_t>(key)},
                          n});
    }
    struct Box {
        std::size_t begin, end;
    };
    std::vector<Box> boxes{{0, colors.size()}};
    auto spread = [&](const Box& b, int& axis) {
        int best = -1;
        for (int a = 0; a < 3; ++a) {
            int lo = 255, hi = 0;
            for (std::size_t i = b.begin; i < b.end; ++i) {
                lo = std::min<int>(lo, colors[i].c[a]);
                hi = std::max<int>(hi, colors[i].c[a]);
            }
            if (hi - lo > best) {
                best = hi - lo;
                axis = a;
            }
        }
        return best;
    };
    while (static_cast<int>(boxes.size()) < count) {
        // Split the box with the largest spread weighted by its pixel count.
        std::size_t chosen = boxes.size();
        double bestScore = 0;
        int chosenAxis = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2) continue;
            int axis = 0;
            const int s = spread(boxes[i], axis);
            std::uint64_t n = 0;
            for (std::size_t k = boxes[i].begin; k < boxes[i].end; ++k) n += colors[k].n;
            const double score = static_cast<double>(s) * (1.0 + static_cast<double>(n) / 1000.0);
            if (s > 0 && score > bestScore) {
                bestScore = score;
                chosen = i;
                chosenAxis = axis;
            }
        }
        if (chosen == boxes.size()) break;
        Box box = boxes[chosen];
        std::stable_sort(colors.begin() + static_cast<std::ptrdiff_t>(box.begin),
                         colors.begin() + static_cast<std::ptrdiff_t>(box.end),
                         [&](const Entry& a, const Entry& b) { return a.c[chosenAxis] < b.c[chosenAxis]; });
        std::uint64_t total = 0;
        for (std::size_t k = box.begin; k < box.end; ++k) total += colors[k].n;
        std::uint64_t running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t k = box.begin; k < box.end - 1; ++k) {
            running += colors[k].n;
            split = k + 1;
            if (running * 2 >= total) break;
        }
        boxes[chosen] = {box.begin, split};
        boxes.push_back({split, box.end});
    }
    Palette palette;
    for (const Box& b : boxes) {
        double sum[3] = {0, 0, 0};
        double n = 0;
        for (std::size_t k = b.begin; k < b.end; ++k) {
            for (int a = 0; a < 3; ++a) sum[a] += static_cast<double>(colors[k].c[a]) * colors[k].n;
            n += static_cast<double>(colors[k].n);
        }
        if (n == 0) continue;
        palette.push_back({static_cast<std::uint8_t>(sum[0] / n + 0.5), static_cast<std::uint8_t>(sum[1] / n + 0.5),
                           static_cast<std::uint8_t>(sum[2] / n + 0.5)});
    }
    return palette;
}

int nearestIndex(const Palette& palette, const Rgb& c, int first, int last) {
    if (last < 0) last = static_cast<int>(palette.size());
    const Color8 t = to8(c);
    int best = first;
    long bestDistance = -1;
    for (int i = first; i < last; ++i) {
        const long dr = palette[i].r - t.r, dg = palette[i].g - t.g, db = palette[i].b - t.b;
        const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

double bayer(int x, int y) {
    static const int m[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (m[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
}

namespace {
void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void putTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

std::vector<std::uint8_t> bmp(const Indexed& image, int bits, int paletteSize) {
    const int rowBits = image.width * bits;
    const int stride = ((rowBits + 31) / 32) * 4;
    const std::uint32_t pixelOffset = 14 + 40 + 4 * paletteSize;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(stride) * image.height;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + imageSize);
    put32(out, 0);
    put32(out, pixelOffset);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(image.width));
    put32(out, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bits));
    put32(out, 0);  // BI_RGB, uncompressed
    put32(out, imageSize);
    put32(out, 3780);  // 96 dots per inch
    put32(out, 3780);
    put32(out, static_cast<std::uint32_t>(paletteSize));
    put32(out, 0);
    for (int i = 0; i < paletteSize; ++i) {
        const Color8 c = i < static_cast<int>(image.palette.size()) ? image.palette[i] : Color8{};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(stride), 0);
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t v = image.index[static_cast<std::size_t>(y) * image.width + x];
            if (bits == 8) {
                row[x] = v;
            } else {
                row[x / 2] |= (x % 2 == 0) ? static_cast<std::uint8_t>(v << 4) : v;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}
}  // namespace

std::vector<std::uint8_t> bmp8(const Indexed& image, int paletteSize) { return bmp(image, 8, paletteSize); }
std::vector<std::uint8_t> bmp4(const Indexed& image) { return bmp(image, 4, 16); }

std::vector<std::uint8_t> gif(const Indexed& image) {
    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    put16(out, static_cast<std::uint32_t>(image.width));
    put16(out, static_cast<std::uint32_t>(image.height));
    out.push_back(0xF7);  // global colour table, 8 bits per primary, 256 entries
    out.push_back(0);     // background colour
    out.push_back(0);     // no aspect ratio
    for (int i = 0; i < 256; ++i) {
        const Color8 c = i < static_cast<int>(image.palette.size()) ? image.palette[i] : Color8{};
        out.push_back(c.r);
        out.push_back(c.g);
        out.push_back(c.b);
    }
    out.push_back(0x2C);  // image descriptor
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<std::uint32_t>(image.width));
    put16(out, static_cast<std::uint32_t>(image.height));
    out.push_back(0);  // no local table, not interlaced
    out.push_back(8);  // LZW minimum code size

    // LZW with variable code width; the table is reset when it fills up.
    std::vector<std::uint8_t> packed;
    std::uint32_t bitBuffer = 0;
    int bitCount = 0;
    auto emit = [&](int code, int width) {
        bitBuffer |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            packed.push_back(bitBuffer & 0xFF);
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    const int clear = 256, end = 257;
    std::map<std::pair<int, int>, int> table;
    int nextCode = 258, width = 9;
    emit(clear, width);
    int prefix = -1;
    for (std::uint8_t v : image.index) {
        if (prefix < 0) {
            prefix = v;
            continue;
        }
        const auto found = table.find({prefix, v});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix, width);
        table[{prefix, v}] = nextCode++;
        if (nextCode == 4096) {
            // The table is full: start afresh.
            emit(clear, width);
            table.clear();
            nextCode = 258;
            width = 9;
        } else if (nextCode > (1 << width)) {
            ++width;
        }
        prefix = v;
    }
    if (prefix >= 0) emit(prefix, width);
    emit(end, width);
    if (bitCount > 0) packed.push_back(bitBuffer & 0xFF);
    for (std::size_t i = 0; i < packed.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(i),
                   packed.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    out.push_back(0);     // end of image data
    out.push_back(0x3B);  // trailer
    return out;
}

std::vector<std::uint8_t> wave(const std::vector<std::int16_t>& samples, int rate, int trailingBytes) {
    std::vector<std::uint8_t> out;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    putTag(out, "RIFF");
    put32(out, 4 + 8 + 16 + 8 + dataSize);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, static_cast<std::uint32_t>(rate));
    put32(out, static_cast<std::uint32_t>(rate * 2));
    put16(out, 2);
    put16(out, 16);
    putTag(out, "data");
    put32(out, dataSize);
    for (std::int16_t s : samples) put16(out, static_cast<std::uint16_t>(s));
    for (int i = 0; i < trailingBytes; ++i) out.push_back(0);
    return out;
}

std::vector<std::uint8_t> png(const Image& image) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const Color8 c = to8(image.at(x, y));
            raw.push_back(c.r);
            raw.push_back(c.g);
            raw.push_back(c.b);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) {
        throw std::runtime_error("compression failed");
    }
    packed.resize(packedSize);
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* tag, const std::vector<std::uint8_t>& data) {
        const std::uint32_t n = static_cast<std::uint32_t>(data.size());
        for (int s = 24; s >= 0; s -= 8) out.push_back((n >> s) & 0xFF);
        std::vector<std::uint8_t> body(tag, tag + 4);
        body.insert(body.end(), data.begin(), data.end());
        out.insert(out.end(), body.begin(), body.end());
        const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size())));
        for (int s = 24; s >= 0; s -= 8) out.push_back((crc >> s) & 0xFF);
    };
    std::vector<std::uint8_t> header;
    for (std::uint32_t v : {static_cast<std::uint32_t>(image.width), static_cast<std::uint32_t>(image.height)}) {
        for (int s = 24; s >= 0; s -= 8) header.push_back((v >> s) & 0xFF);
    }
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return out;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace assetgen
