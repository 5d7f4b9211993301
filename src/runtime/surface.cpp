#include "runtime/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace lumaris {

void PixelRect::add(const PixelRect& other) {
    if (other.empty()) return;
    if (empty()) {
        *this = other;
        return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

PixelRect PixelRect::intersectedWith(const PixelRect& other) const {
    const PixelRect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                      std::min(bottom, other.bottom)};
    return r.empty() ? PixelRect{} : r;
}

PixelRect PixelRect::clippedTo(int width, int height) const {
    PixelRect r{std::max(left, 0), std::max(top, 0), std::min(right, width), std::min(bottom, height)};
    return r.empty() ? PixelRect{} : r;
}

// One count for all pictures: a picture made where another was freed never
// takes up the other's version.
std::uint64_t Surface::freshVersion() {
    static std::uint64_t last = 0;
    return ++last;
}

void Surface::changed() { version_ = freshVersion(); }

void Surface::forgetCopies() {
    known_.fill(KnownCopy{});
    knownNext_ = 0;
}

void Surface::markAllDamaged() {
    damage_ = PixelRect{0, 0, width_, height_};
    changed();
    forgetCopies();
}

void Surface::markChanged(const PixelRect& rect, const KnownCopy* except) {
    const PixelRect r = rect.clippedTo(width_, height_);
    damage_.add(r);
    changed();
    if (r.empty()) return;
    for (KnownCopy& k : known_) {
        if (k.source == nullptr || &k == except) continue;
        k.drawnOver.add(k.to.intersectedWith(r));
    }
}

KnownCopy* Surface::knownCopy(const Surface& source, const PixelRect& to, int sx, int sy) {
    for (KnownCopy& k : known_) {
        if (k.source == &source && k.sourceVersion == source.version_ && k.to == to && k.sx == sx && k.sy == sy) {
            return &k;
        }
    }
    return nullptr;
}

namespace {
// The columns of a copy to `to` from column sx whose wanted pixel `known`
// holds `shift` columns along, and that shift.
struct Overlap {
    int left = 0, right = 0, shift = 0;
};
Overlap overlapOf(const KnownCopy& known, const PixelRect& to, int sx) {
    const int shift = (sx - to.left) - (known.sx - known.to.left);
    return Overlap{std::max(to.left, known.to.left - shift), std::min(to.right, known.to.right - shift), shift};
}
}  // namespace

const KnownCopy* Surface::shiftedCopy(const Surface& source, const PixelRect& to, int sx, int sy) const {
    const KnownCopy* best = nullptr;
    int most = 0;
    for (const KnownCopy& k : known_) {
        if (k.source != &source || k.sourceVersion != source.version_ || k.to.top != to.top ||
            k.to.bottom != to.bottom || k.sy != sy) {
            continue;
        }
        const Overlap o = overlapOf(k, to, sx);
        if (o.right - o.left > most) {
            most = o.right - o.left;
            best = &k;
        }
    }
    return best;
}

void Surface::rememberCopy(const Surface& source, const PixelRect& to, int sx, int sy) {
    KnownCopy* slot = nullptr;
    for (KnownCopy& k : known_) {
        if (k.source != nullptr && k.to == to) slot = &k;
    }
    if (slot == nullptr) {
        slot = &known_[knownNext_];
        knownNext_ = (knownNext_ + 1) % known_.size();
    }
    *slot = KnownCopy{&source, source.version_, to, sx, sy, PixelRect{}};
}

Surface::Surface(std::string name, int width, int height, std::uint32_t background)
    : name_(std::move(name)),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      background_(background),
      pixels_(static_cast<std::size_t>(width_) * height_) {
    base_ = pixels_.data();
    stored_ = PixelRect{0, 0, width_, height_};
    // The memory comes zeroed; only another background is written.
    if (background_ != 0) std::fill(pixels_.begin(), pixels_.end(), background_);
    markAllDamaged();
}

Surface::Surface(const Surface& other)
    : name_(other.name_),
      width_(other.width_),
      height_(other.height_),
      background_(other.background_),
      pixels_(static_cast<std::size_t>(other.stored_.width()) * other.stored_.height()),
      stored_(other.stored_),
      sparse_(other.sparse_),
      damage_(other.damage_) {
    base_ = pixels_.data();
    if (!pixels_.empty()) std::memcpy(base_, other.base_, pixels_.size() * sizeof(std::uint32_t));
}

Surface& Surface::operator=(const Surface& other) {
    if (this != &other) *this = Surface(other);
    return *this;
}

Surface::Surface(Surface&& other) noexcept
    : name_(std::move(other.name_)),
      width_(other.width_),
      height_(other.height_),
      background_(other.background_),
      pixels_(std::move(other.pixels_)),
      base_(other.base_),
      stored_(other.stored_),
      sparse_(other.sparse_),
      attached_(other.attached_),
      damage_(other.damage_) {
    other.width_ = other.height_ = 0;
    other.base_ = nullptr;
    other.stored_ = PixelRect{};
    other.attached_ = false;
    other.changed();
    other.forgetCopies();
}

Surface& Surface::operator=(Surface&& other) noexcept {
    if (this == &other) return *this;
    name_ = std::move(other.name_);
    width_ = other.width_;
    height_ = other.height_;
    background_ = other.background_;
    pixels_ = std::move(other.pixels_);
    base_ = other.base_;
    stored_ = other.stored_;
    sparse_ = other.sparse_;
    attached_ = other.attached_;
    damage_ = other.damage_;
    changed();
    forgetCopies();
    other.width_ = other.height_ = 0;
    other.base_ = nullptr;
    other.stored_ = PixelRect{};
    other.attached_ = false;
    other.changed();
    other.forgetCopies();
    return *this;
}

void Surface::clear() {
    const std::size_t n = static_cast<std::size_t>(stored_.width()) * stored_.height();
    std::fill(base_, base_ + n, background_);
    markAllDamaged();
}

void Surface::readRow(int y, int left, int count, std::uint32_t* out) const {
    const int right = left + count;
    if (y < stored_.top || y >= stored_.bottom || right <= stored_.left || left >= stored_.right) {
        std::fill(out, out + count, background_);
        return;
    }
    const int from = std::max(left, stored_.left), to = std::min(right, stored_.right);
    std::fill(out, out + (from - left), background_);
    std::memcpy(out + (from - left), at(from, y), static_cast<std::size_t>(to - from) * sizeof(std::uint32_t));
    std::fill(out + (to - left), out + count, background_);
}

void Surface::moveStorage(const PixelRect& to) {
    Pixels moved(static_cast<std::size_t>(to.width()) * to.height());
    if (background_ != 0) std::fill(moved.begin(), moved.end(), background_);
    const PixelRect both = stored_.intersectedWith(to);
    for (int y = both.top; y < both.bottom; ++y) {
        std::memcpy(moved.data() + static_cast<std::size_t>(y - to.top) * to.width() + (both.left - to.left),
                    at(both.left, y), static_cast<std::size_t>(both.width()) * sizeof(std::uint32_t));
    }
    pixels_.swap(moved);
    base_ = pixels_.data();
    stored_ = to.empty() ? PixelRect{} : to;
    attached_ = false;
}

void Surface::keepOnlyDrawn() {
    sparse_ = true;
    moveStorage(PixelRect{});
    markAllDamaged();
}

void Surface::grow(const PixelRect& rect) {
    const PixelRect r = rect.clippedTo(width_, height_);
    if (!sparse_ || r.empty()) return;
    PixelRect to = stored_;
    to.add(r);
    moveStorage(to);
}

void Surface::attach(std::uint32_t* memory, bool memoryIsZeroed) {
    const int w = stored_.width();
    if (stored_.empty() || memory == base_) return;
    for (int y = stored_.top; y < stored_.bottom; ++y) {
        const std::uint32_t* from = at(stored_.left, y);
        // A row never drawn on reads as zeros without committing memory, and
        // zeros are there already.
        if (memoryIsZeroed && std::all_of(from, from + w, [](std::uint32_t p) { return p == 0; })) continue;
        std::memcpy(memory + static_cast<std::size_t>(y - stored_.top) * w, from, sizeof(std::uint32_t) * w);
    }
    base_ = memory;
    attached_ = true;
    Pixels().swap(pixels_);
}

void Surface::detach() {
    if (attached_) moveStorage(stored_);
}

void Surface::resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    const PixelRect whole{0, 0, width, height};
    moveStorage(sparse_ ? stored_.intersectedWith(whole) : whole);
    width_ = width;
    height_ = height;
    markAllDamaged();
}

bool clipCopy(const Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, CopyArea& area) {
    if (w <= 0 || h <= 0) return false;
    // Work in 64 bits: positions and sizes come from callers as 32-bit values.
    long long dx0 = x, dy0 = y, sx0 = sx, sy0 = sy, cw = w, ch = h;
    // Clip to the source picture; the destination moves along.
    if (sx0 < 0) { dx0 -= sx0; cw += sx0; sx0 = 0; }
    if (sy0 < 0) { dy0 -= sy0; ch += sy0; sy0 = 0; }
    cw = std::min<long long>(cw, src.width() - sx0);
    ch = std::min<long long>(ch, src.height() - sy0);
    // Clip to the destination; the source moves along.
    if (dx0 < 0) { sx0 -= dx0; cw += dx0; dx0 = 0; }
    if (dy0 < 0) { sy0 -= dy0; ch += dy0; dy0 = 0; }
    cw = std::min<long long>(cw, dst.width() - dx0);
    ch = std::min<long long>(ch, dst.height() - dy0);
    if (cw <= 0 || ch <= 0) return false;
    area = CopyArea{static_cast<int>(dx0), static_cast<int>(dy0), static_cast<int>(cw), static_cast<int>(ch),
                    static_cast<int>(sx0), static_cast<int>(sy0)};
    return true;
}

namespace {
// A copy into a picture that holds what it wants `held.shift` columns along
// (the layer scrolled since): row by row, those pixels move within the row,
// and only the rest (the columns scrolled in, and what was drawn over since)
// comes from the source. Parts are taken in the order that never overwrites
// a pixel still to be moved.
void copyScrolled(Surface& dst, const Surface& src, const CopyArea& area, const KnownCopy& held) {
    const PixelRect to{area.x, area.y, area.x + area.width, area.y + area.height};
    const Overlap moved = overlapOf(held, to, area.sx);
    const int d = moved.shift;
    for (int r = 0; r < area.height; ++r) {
        const int y = area.y + r;
        const int sy = area.sy + r, shiftToSource = area.sx - area.x;
        int gapLeft = moved.right, gapRight = moved.right;  // moved columns drawn over since
        if (y >= held.drawnOver.top && y < held.drawnOver.bottom) {
            gapLeft = std::max(moved.left, held.drawnOver.left - d);
            gapRight = std::min(moved.right, held.drawnOver.right - d);
            if (gapLeft >= gapRight) gapLeft = gapRight = moved.right;
        }
        struct Part {
            int left, right;
            bool fromRow;
        } parts[] = {{to.left, moved.left, false},
                     {moved.left, gapLeft, true},
                     {gapLeft, gapRight, false},
                     {gapRight, moved.right, true},
                     {moved.right, to.right, false}};
        auto copyPart = [&](const Part& p) {
            if (p.right <= p.left || (p.fromRow && d == 0)) return;
            const std::size_t bytes = static_cast<std::size_t>(p.right - p.left) * sizeof(std::uint32_t);
            if (p.fromRow) {
                std::memmove(dst.at(p.left, y), dst.at(p.left + d, y), bytes);
            } else {
                std::memcpy(dst.at(p.left, y), src.at(p.left + shiftToSource, sy), bytes);
            }
        };
        if (d > 0) {
            for (const Part& p : parts) copyPart(p);
        } else {
            for (int i = 4; i >= 0; --i) copyPart(parts[i]);
        }
    }
}

// A copy from a picture that stores only part of itself; rare (a screen's
// image is never copied from), so it goes pixel by pixel, in the order that
// reads every pixel before the copy overwrites it.
void copyPixelByPixel(Surface& dst, const Surface& src, const CopyArea& area, std::uint32_t rop) {
    dst.markDamaged(PixelRect{area.x, area.y, area.x + area.width, area.y + area.height});
    const bool backwards = &src == &dst && (area.sy < area.y || (area.sy == area.y && area.sx < area.x));
    for (int i = 0; i < area.width * area.height; ++i) {
        const int k = backwards ? area.width * area.height - 1 - i : i;
        const int c = k % area.width, r = k / area.width;
        const std::uint32_t p = src.pixel(area.sx + c, area.sy + r);
        std::uint32_t& q = *dst.at(area.x + c, area.y + r);
        q = rop == Rop::SrcCopy ? p : rop == Rop::SrcAnd ? (q & p) : (q | p);
    }
}
}  // namespace

std::int32_t blit(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, std::uint32_t rop) {
    if (rop != Rop::SrcCopy && rop != Rop::SrcAnd && rop != Rop::SrcPaint) return 0;
    CopyArea area;
    if (!clipCopy(dst, x, y, w, h, src, sx, sy, area)) return 1;
    const PixelRect to{area.x, area.y, area.x + area.width, area.y + area.height};
    dst.reserve(to);
    const PixelRect from{area.sx, area.sy, area.sx + area.width, area.sy + area.height};
    if (from.intersectedWith(src.stored()) != from) {
        // Part of the source has no memory and shows its background.
        copyPixelByPixel(dst, src, area, rop);
        return 1;
    }
    if (rop == Rop::SrcCopy && &src != &dst && dst.remembersCopies()) {
        if (KnownCopy* known = dst.knownCopy(src, to, area.sx, area.sy)) {
            // The destination holds these pixels already, but for what was
            // drawn over them since: only that part is copied again.
            const PixelRect again = known->drawnOver;
            known->drawnOver = PixelRect{};
            if (again.empty()) return 1;
            dst.markChanged(again, known);
            area = CopyArea{again.left, again.top, again.width(), again.height(), area.sx + again.left - to.left,
                            area.sy + again.top - to.top};
        } else if (const KnownCopy* scrolled = dst.shiftedCopy(src, to, area.sx, area.sy)) {
            const KnownCopy held = *scrolled;  // as it was before this copy
            dst.markDamaged(to);
            dst.rememberCopy(src, to, area.sx, area.sy);
            copyScrolled(dst, src, area, held);
            return 1;
        } else {
            dst.markDamaged(to);
            dst.rememberCopy(src, to, area.sx, area.sy);
        }
    } else {
        dst.markDamaged(to);
    }
    const long long dx0 = area.x, dy0 = area.y, sx0 = area.sx, sy0 = area.sy, ch = area.height;
    const long long cw = area.width;

    const auto count = static_cast<std::size_t>(cw);
    for (long long r = 0; r < ch; ++r) {
        const std::uint32_t* from = src.at(static_cast<int>(sx0), static_cast<int>(sy0 + r));
        std::uint32_t* to = dst.at(static_cast<int>(dx0), static_cast<int>(dy0 + r));
        if (rop == Rop::SrcCopy) {
            std::memmove(to, from, count * sizeof(std::uint32_t));
        } else if (rop == Rop::SrcAnd) {
            for (std::size_t i = 0; i < count; ++i) to[i] &= from[i];
        } else {
            for (std::size_t i = 0; i < count; ++i) to[i] |= from[i];
        }
    }
    return 1;
}

void drawLine(Surface& dst, int x1, int y1, int x2, int y2, std::uint32_t color) {
    dst.markDamaged(PixelRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1});
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int stepX = x1 < x2 ? 1 : -1, stepY = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        if (x1 >= 0 && y1 >= 0 && x1 < dst.width() && y1 < dst.height()) dst.setPixel(x1, y1, color);
        if (x1 == x2 && y1 == y2) break;
        const int e2 = 2 * error;
        if (e2 >= dy) { error += dy; x1 += stepX; }
        if (e2 <= dx) { error += dx; y1 += stepY; }
    }
}

}  // namespace lumaris
