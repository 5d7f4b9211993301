// Pictures and drawing on Windows: every picture a 32-bit DIB section held
// by a memory DC, so that the forms' copies are GDI's own BitBlt between
// those DCs and the lines are drawn with a pen; the built-in pictures are
// the executable's bitmap resources; labels are drawn with GDI's text
// output.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "runtime/compose.h"

namespace lumaris::win32_backend {

// A 32-bit top-down DIB section selected into a memory DC of its own:
// pixels as 0x00RRGGBB, row after row, zeroed when made.
class DibImage {
public:
    DibImage(int width, int height);
    ~DibImage();
    DibImage(const DibImage&) = delete;
    DibImage& operator=(const DibImage&) = delete;
    bool valid() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    std::uint32_t* bits() const { return bits_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0, height_ = 0;
};

// The forms' drawing calls. A picture that lives in a DIB section known to
// this Gdi is drawn by GDI; any other (a copy the program made) by the
// shared raster code, with the same clipping either way.
class Win32Gdi : public Gdi {
public:
    // From now on `surface`, attached to the image's pixels, is drawn on
    // through the image's DC; until forget.
    void know(const Surface& surface, const DibImage& image);
    void forget(const DibImage& image);

    std::int32_t BitBlt(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                        const Surface& src, std::int32_t sx, std::int32_t sy, std::uint32_t rop) override;
    void Line(Surface& dst, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              std::uint32_t color) override;
    void ClearPicture(Surface& surface) override;
    void RefreshPicture(Surface&) override {}

private:
    // The DC that draws into this surface's pixels, or null.
    HDC dcOf(const Surface& surface) const;
    std::map<const std::uint32_t*, const DibImage*> images_;
    HPEN pen_ = nullptr;
    COLORREF penColor_ = 0;
};

// The built-in pictures: the executable's bitmap resources by name.
class Win32Pictures : public Pictures {
public:
    explicit Win32Pictures(Win32Gdi& gdi) : gdi_(gdi) {}
    Surface Load(const std::string& name, std::uint32_t background) override;
    // Not on Windows: the off-screen snapshot is the Linux program's.
    bool SavePng(const Surface&, const std::string&) override { return false; }

private:
    Win32Gdi& gdi_;
    // The pictures' memory lives as long as the program.
    std::vector<std::unique_ptr<DibImage>> images_;
};

// Label text drawn by GDI in the forms' font, as pictures with the
// coverage in the top byte. Keeps what it drew.
class GdiText : public TextRasterizer {
public:
    GdiText();
    ~GdiText() override;
    GdiText(const GdiText&) = delete;
    GdiText& operator=(const GdiText&) = delete;
    const Surface* Render(const std::string& text, std::uint32_t color, int size, bool bold, int wrapWidth,
                          bool centred) override;

private:
    HFONT font(int size, bool bold);
    struct Font {
        int size;
        bool bold;
        HFONT handle;
    };
    HDC dc_ = nullptr;
    std::vector<Font> fonts_;
    TextCache cache_;
};

// A colour of the program (0x00RRGGBB) as GDI takes it.
inline COLORREF colorRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace lumaris::win32_backend
