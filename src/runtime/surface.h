// Persistent 32-bit pictures and the raster operations on them.
//
// A Surface holds 0x00RRGGBB pixels, row by row. Copies follow one rule on
// every platform: a copy never reads outside its source picture (that part
// of the destination keeps its pixels), drawing outside the destination is
// clipped, and a copy with a width or height of 0 or less copies nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace lumaris {

// The raster operations of a copy, by the system's numbers.
namespace Rop {
inline constexpr std::uint32_t SrcCopy = 0x00CC0020;   // SRCCOPY
inline constexpr std::uint32_t SrcAnd = 0x008800C6;    // SRCAND
inline constexpr std::uint32_t SrcPaint = 0x00EE0086;  // SRCPAINT
}  // namespace Rop

// Pixel memory that comes zeroed from the system: value-initialising an
// element writes nothing, so the pages of a large picture that are never
// drawn on (the black margins of a big screen) are never committed.
template <class T>
struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <class U>
    ZeroedAllocator(const ZeroedAllocator<U>&) {}
    T* allocate(std::size_t n) {
        void* p = std::calloc(n, sizeof(T));
        if (p == nullptr) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) { std::free(p); }
    template <class U>
    void construct(U*) noexcept {}
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U>
    bool operator==(const ZeroedAllocator<U>&) const {
        return true;
    }
};

using Pixels = std::vector<std::uint32_t, ZeroedAllocator<std::uint32_t>>;

// A rectangle of pixels: left and top included, right and bottom not.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    // The smallest rectangle holding both.
    void add(const PixelRect& other);
    PixelRect clippedTo(int width, int height) const;
    // The part both hold; empty when they do not meet.
    PixelRect intersectedWith(const PixelRect& other) const;
    bool operator==(const PixelRect&) const = default;
};

// What a copy from another picture last left in a part of a picture.
struct KnownCopy {
    const void* source = nullptr;  // none: the entry is free
    std::uint64_t sourceVersion = 0;
    PixelRect to;           // where, in the picture copied into
    int sx = 0, sy = 0;     // from where, in the source
    PixelRect drawnOver;    // the part of `to` changed since the copy
};

inline constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (r << 16) | (g << 8) | b;
}

class Surface {
public:
    Surface() = default;
    Surface(std::string name, int width, int height, std::uint32_t background = 0);
    // A copy owns its pixels, also when the original draws into memory of
    // someone else's.
    Surface(const Surface& other);
    Surface& operator=(const Surface& other);
    Surface(Surface&& other) noexcept;
    Surface& operator=(Surface&& other) noexcept;

    const std::string& name() const { return name_; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t background() const { return background_; }

    // The part of the picture that has memory: all of it, unless the
    // picture keeps only what is drawn on it.
    const PixelRect& stored() const { return stored_; }
    bool holds(int x, int y) const {
        return x >= stored_.left && x < stored_.right && y >= stored_.top && y < stored_.bottom;
    }
    // The pixel (x, y) in memory; (x, y) must lie in the stored part, or
    // just right of it for the end of a run.
    std::uint32_t* at(int x, int y) { return base_ + offsetOf(x, y); }
    const std::uint32_t* at(int x, int y) const { return base_ + offsetOf(x, y); }
    // The first pixel of a row of a picture that stores all of itself.
    std::uint32_t* row(int y) { return at(0, y); }
    const std::uint32_t* row(int y) const { return at(0, y); }
    std::uint32_t pixel(int x, int y) const { return holds(x, y) ? *at(x, y) : background_; }
    void setPixel(int x, int y, std::uint32_t color) {
        reserve(PixelRect{x, y, x + 1, y + 1});
        *at(x, y) = color;
        changed();
    }
    // `count` pixels of row y from column `left` (all inside the picture),
    // the background where nothing is stored.
    void readRow(int y, int left, int count, std::uint32_t* out) const;
    // The pixels the picture owns; empty while it is attached. Taking them
    // to write counts as a change.
    Pixels& pixels() {
        changed();
        return pixels_;
    }
    const Pixels& pixels() const { return pixels_; }

    // Clears the picture, and from now on gives it memory only for the
    // smallest rectangle holding everything drawn on it; the rest shows the
    // background. A
    // screen's image then costs memory, and copying, only for the scene on
    // it, however large the screen is.
    void keepOnlyDrawn();
    bool keepsOnlyDrawn() const { return sparse_; }
    // Gives the rectangle (inside the picture) memory before it is written.
    void reserve(const PixelRect& rect) {
        if (rect.left < stored_.left || rect.top < stored_.top || rect.right > stored_.right ||
            rect.bottom > stored_.bottom) {
            grow(rect);
        }
    }

    // From now on the stored part lives in `memory` (its width x height
    // pixels, row after row: a window's framebuffer), so that drawing is
    // showing. What was drawn is copied over, except rows that hold only
    // zeros where the memory is known to start zeroed. Resizing, or the
    // stored part growing, takes it back into memory of its own, and so
    // does detach.
    void attach(std::uint32_t* memory, bool memoryIsZeroed);
    void detach();
    bool attached() const { return attached_; }

    // Fills the whole picture with its background colour.
    void clear();
    // Clears the picture; one that keeps only what is drawn on it also gives
    // back the memory it had for that (a new layout is drawn afresh).
    void discardDrawing() {
        if (sparse_) {
            keepOnlyDrawn();
        } else {
            clear();
        }
    }
    // Changes the size, keeping what was drawn where it still fits; new
    // parts show the background colour.
    void resize(int width, int height);

    // What was drawn since the damage was last taken: the copies and lines
    // into this picture mark it, and so do clear and resize (the whole).
    // A screen that shows the picture need send only this part again.
    // Whatever writes pixels through row() marks what it changed.
    void markDamaged(const PixelRect& rect) { markChanged(rect, nullptr); }
    void markAllDamaged();

    // Changes with every change of the pixels; never the same for two
    // pictures, so that a picture and its version name one content.
    std::uint64_t version() const { return version_; }

    // The copies from other pictures whose pixels this one still holds, but
    // for what was drawn over them since: a copy that would write the same
    // pixels again need only put back that part. The frame copies the same
    // sky and many of the same sea pieces frame after frame.
    KnownCopy* knownCopy(const Surface& source, const PixelRect& to, int sx, int sy);
    // A known copy of the same rows of the source that holds part of what a
    // copy to `to` wants a few columns along (a scrolled layer); the one that
    // holds most, or none.
    const KnownCopy* shiftedCopy(const Surface& source, const PixelRect& to, int sx, int sy) const;
    void rememberCopy(const Surface& source, const PixelRect& to, int sx, int sy);
    // Off: copies into the picture are made in full and not remembered
    // (what they draw over is still marked in the copies remembered).
    void rememberCopies(bool on) { remembers_ = on; }
    bool remembersCopies() const { return remembers_; }
    // Marks `rect` changed for the damage and for every known copy but `except`.
    void markChanged(const PixelRect& rect, const KnownCopy* except);
    PixelRect takeDamage() {
        const PixelRect d = damage_;
        damage_ = PixelRect{};
        return d;
    }
    const PixelRect& damage() const { return damage_; }

private:
    std::string name_;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t background_ = 0;
    Pixels pixels_;
    std::uint32_t* base_ = nullptr;  // the owned pixels, or the attached memory
    PixelRect stored_;
    bool sparse_ = false;
    bool attached_ = false;
    PixelRect damage_;
    std::uint64_t version_ = freshVersion();
    std::array<KnownCopy, 24> known_{};
    std::size_t knownNext_ = 0;
    bool remembers_ = true;

    static std::uint64_t freshVersion();
    std::ptrdiff_t offsetOf(int x, int y) const {
        return static_cast<std::ptrdiff_t>(y - stored_.top) * stored_.width() + (x - stored_.left);
    }
    void grow(const PixelRect& rect);
    // Moves the stored part to `to`, keeping what both hold.
    void moveStorage(const PixelRect& to);
    void changed();
    void forgetCopies();
};

// The part of a copy that takes place after clipping: w x h pixels from
// (sx, sy) of the source to (x, y) of the destination.
struct CopyArea {
    int x = 0, y = 0, width = 0, height = 0, sx = 0, sy = 0;
};
// Clips a copy by the rules above; false when nothing is copied.
bool clipCopy(const Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, CopyArea& area);

// Copies the rectangle (sx, sy, w, h) of src to (x, y) of dst with the
// raster operation rop (SRCCOPY, SRCAND or SRCPAINT). Returns non-zero when
// the operation is known.
std::int32_t blit(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, std::uint32_t rop);

// A one-pixel-wide line from (x1, y1) to (x2, y2), both ends included,
// clipped to the picture.
void drawLine(Surface& dst, int x1, int y1, int x2, int y2, std::uint32_t color);

}  // namespace lumaris
