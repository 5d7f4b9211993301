#include "runtime/scale.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/convert.h"

namespace lumaris {

double xftDpiIn(const char* resources) {
    double dpi = 0;
    for (const char* line = resources; line != nullptr && *line != '\0';) {
        if (std::strncmp(line, "Xft.dpi:", 8) == 0) dpi = std::atof(line + 8);
        line = std::strchr(line, '\n');
        if (line != nullptr) ++line;
    }
    return dpi;
}

int desktopScaleFor(double xftDpi) {
    if (const char* given = std::getenv("GDK_SCALE"); given != nullptr && *given != '\0') {
        const int scale = std::atoi(given);
        if (scale >= 1) return std::min(scale, kLargestScale);
    }
    return std::clamp(static_cast<int>(xftDpi / 96), 1, kLargestScale);
}

int wholeScale(int width, int height, int designWidth, int designHeight) {
    if (designWidth <= 0 || designHeight <= 0) return 1;
    return std::clamp(std::min(width / designWidth, height / designHeight), 1, kLargestScale);
}

bool parseScale(const std::string& text, int& choice) {
    const std::string t = trimBlanks(text);
    if (t == "auto") {
        choice = 0;
        return true;
    }
    if (t.size() != 1 || t[0] < '1' || t[0] > '0' + kLargestScale) return false;
    choice = t[0] - '0';
    return true;
}

int chooseScale(int choice, int width, int height, int designWidth, int designHeight) {
    if (choice <= 0) return wholeScale(width, height, designWidth, designHeight);
    return std::max(1, std::min({choice, width, height}));
}

namespace {
PixelRect times(const PixelRect& r, int k) { return PixelRect{r.left * k, r.top * k, r.right * k, r.bottom * k}; }

// Scale 2, the common one (a 4K monitor): each source row written to both
// rows of the picture at once, two pixels at a time where the processor has
// 128-bit registers. Plain stores: the display server reads the picture
// right after, from the cache it shares with this processor.
void doubleRow(const std::uint32_t* src, int width, std::uint32_t* row0, std::uint32_t* row1) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 2 <= width; x += 2) {
        const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + x));
        const __m128i doubled = _mm_unpacklo_epi32(pair, pair);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row0 + 2 * x), doubled);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row1 + 2 * x), doubled);
    }
#endif
    for (; x < width; ++x) row0[2 * x] = row0[2 * x + 1] = row1[2 * x] = row1[2 * x + 1] = src[x];
}
}  // namespace

void magnify(const Surface& from, const PixelRect& r, int k, Surface& to) {
    const PixelRect in = r.intersectedWith(from.stored());
    if (in.empty()) return;
    const std::size_t rowBytes = static_cast<std::size_t>(in.width()) * k * sizeof(std::uint32_t);
    for (int y = in.top; y < in.bottom; ++y) {
        const std::uint32_t* src = from.at(in.left, y);
        std::uint32_t* first = to.at(in.left * k, y * k);
        if (k == 2) {
            doubleRow(src, in.width(), first, to.at(in.left * 2, y * 2 + 1));
            continue;
        }
        std::uint32_t* d = first;
        for (int x = 0; x < in.width(); ++x, d += k) std::fill_n(d, k, src[x]);
        for (int i = 1; i < k; ++i) std::memcpy(to.at(in.left * k, y * k + i), first, rowBytes);
    }
}

void Magnifier::fit(int scale, int width, int height, bool sparse) {
    scale = std::max(scale, 1);
    if (scale == k_ && width == width_ && height == height_ && big_.width() == (scale > 1 ? width : 0) &&
        big_.keepsOnlyDrawn() == (sparse && scale > 1)) {
        return;
    }
    k_ = scale;
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (k_ == 1) {
        big_ = Surface();  // the image is shown as it is
        return;
    }
    big_ = Surface("screen", width_, height_);
    if (sparse) big_.keepOnlyDrawn();
    big_.markAllDamaged();
}

Surface& Magnifier::update(Surface& image) {
    if (k_ == 1) return image;
    PixelRect changed = image.takeDamage();
    // A picture that keeps only what is drawn follows what the image stores;
    // a whole one (with its leftover columns and rows) stays whole, and may
    // be the screen's own memory.
    const PixelRect wanted = times(image.stored(), k_).clippedTo(big_.width(), big_.height());
    if (big_.keepsOnlyDrawn() && big_.stored() != wanted) {
        const PixelRect& had = big_.stored();
        const bool grows = had.empty() || (wanted.left <= had.left && wanted.top <= had.top &&
                                           wanted.right >= had.right && wanted.bottom >= had.bottom);
        if (!grows) {
            // What the image no longer stores shows its background again.
            big_.keepOnlyDrawn();
            changed = PixelRect{0, 0, image.width(), image.height()};
        }
        big_.reserve(wanted);
    }
    if (changed.empty()) return big_;
    magnify(image, changed, k_, big_);
    PixelRect shown = times(changed, k_);
    // The columns and rows past k times the image belong to its edge.
    if (changed.right >= image.width()) shown.right = big_.width();
    if (changed.bottom >= image.height()) shown.bottom = big_.height();
    big_.markDamaged(shown);
    return big_;
}

}  // namespace lumaris
