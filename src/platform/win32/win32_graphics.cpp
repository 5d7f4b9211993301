#include "platform/win32/win32_graphics.h"

#include <olectl.h>

#include <algorithm>
#include <cstring>

#include "runtime/failure.h"
#include "runtime/resources.h"

namespace lumaris::win32_backend {

DibImage::DibImage(int width, int height) : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    if (width_ == 0 || height_ == 0) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down, as the program's pictures
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    if (bitmap_ == nullptr || dc_ == nullptr) return;
    previous_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<std::uint32_t*>(bits);
}

DibImage::~DibImage() {
    if (dc_ != nullptr) {
        if (previous_ != nullptr) SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

void Win32Gdi::know(const Surface& surface, const DibImage& image) {
    if (image.valid()) images_[surface.row(0)] = &image;
}

void Win32Gdi::forget(const DibImage& image) {
    for (auto it = images_.begin(); it != images_.end();) {
        it = it->second == &image ? images_.erase(it) : std::next(it);
    }
}

HDC Win32Gdi::dcOf(const Surface& surface) const {
    if (!surface.attached()) return nullptr;
    const auto found = images_.find(surface.row(0));
    if (found == images_.end()) return nullptr;
    const DibImage& image = *found->second;
    // The surface must still have the image's size (a resize leaves it).
    return image.width() == surface.width() && image.height() == surface.height() ? image.dc() : nullptr;
}

std::int32_t Win32Gdi::BitBlt(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                              const Surface& src, std::int32_t sx, std::int32_t sy, std::uint32_t rop) {
    const HDC to = dcOf(dst), from = dcOf(src);
    if (to == nullptr || from == nullptr) {
        GdiFlush();  // the raster code touches the pixels GDI may still owe
        return blit(dst, x, y, w, h, src, sx, sy, rop);
    }
    if (rop != Rop::SrcCopy && rop != Rop::SrcAnd && rop != Rop::SrcPaint) return 0;
    CopyArea area;
    if (!clipCopy(dst, x, y, w, h, src, sx, sy, area)) return 1;
    dst.markDamaged(PixelRect{area.x, area.y, area.x + area.width, area.y + area.height});
    return ::BitBlt(to, area.x, area.y, area.width, area.height, from, area.sx, area.sy, rop) != 0 ? 1 : 0;
}

void Win32Gdi::Line(Surface& dst, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                    std::uint32_t color) {
    const HDC dc = dcOf(dst);
    if (dc == nullptr) {
        GdiFlush();
        drawLine(dst, x1, y1, x2, y2, color);
        return;
    }
    dst.markDamaged(PixelRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1});
    const COLORREF ref = colorRef(color);
    if (pen_ == nullptr || penColor_ != ref) {
        if (pen_ != nullptr) DeleteObject(pen_);
        pen_ = CreatePen(PS_SOLID, 1, ref);
        penColor_ = ref;
    }
    const HGDIOBJ previous = SelectObject(dc, pen_);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    // A pen leaves out the last point; the line has both ends.
    SetPixelV(dc, x2, y2, ref);
    SelectObject(dc, previous);
}

void Win32Gdi::ClearPicture(Surface& surface) {
    GdiFlush();
    surface.clear();
}

namespace {

// A picture of another format (the preview's GIF) decoded by the system's
// picture loader, as a bitmap of the caller's (null when it cannot be read).
HBITMAP decodePicture(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return nullptr;
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (memory == nullptr) return nullptr;
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(memory, TRUE, &stream) != S_OK) {
        GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    const HRESULT loaded = OleLoadPicture(stream, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                          reinterpret_cast<void**>(&picture));
    stream->Release();
    if (loaded != S_OK || picture == nullptr) return nullptr;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    HBITMAP copy = nullptr;
    if (picture->get_Type(&type) == S_OK && type == PICTYPE_BITMAP && picture->get_Handle(&handle) == S_OK) {
        // The picture owns its bitmap: keep a copy past its release.
        copy = static_cast<HBITMAP>(CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP,
                                              0, 0, LR_CREATEDIBSECTION));
    }
    picture->Release();
    return copy;
}

}  // namespace

Surface Win32Pictures::Load(const std::string& name, std::uint32_t background) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    auto* loaded = static_cast<HBITMAP>(LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (loaded == nullptr) loaded = decodePicture(findResource(kPictureType, name));
    if (loaded == nullptr) throw Failure(failures::kFileNotFound, "Picture '" + name + "' not found");
    BITMAP size{};
    GetObjectA(loaded, sizeof(size), &size);
    auto image = std::make_unique<DibImage>(size.bmWidth, size.bmHeight);
    if (!image->valid()) {
        DeleteObject(loaded);
        throw Failure(failures::kOutOfMemory, "Out of memory");
    }
    Surface picture(name, size.bmWidth, size.bmHeight, background);
    picture.attach(image->bits(), true);
    // GDI converts the stored colours (8-bit with a palette) to 32 bits.
    const HDC source = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(source, loaded);
    ::BitBlt(image->dc(), 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(loaded);
    GdiFlush();
    picture.takeDamage();
    gdi_.know(picture, *image);
    images_.push_back(std::move(image));
    return picture;
}

GdiText::GdiText() : dc_(CreateCompatibleDC(nullptr)) {}

GdiText::~GdiText() {
    for (const Font& f : fonts_) DeleteObject(f.handle);
    if (dc_ != nullptr) DeleteDC(dc_);
}

HFONT GdiText::font(int size, bool bold) {
    for (const Font& f : fonts_) {
        if (f.size == size && f.bold == bold) return f.handle;
    }
    const HFONT handle = CreateFontA(-size, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                     DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
    fonts_.push_back(Font{size, bold, handle});
    return handle;
}

const Surface* GdiText::Render(const std::string& text, std::uint32_t color, int size, bool bold, int wrapWidth,
                               bool centred) {
    if (const Surface* kept = cache_.find(text, color, size, bold, wrapWidth, centred)) return kept;
    std::string line;
    for (char c : text) {
        if (c != '\r') line += c;
    }
    if (line.empty()) return nullptr;
    const HGDIOBJ previousFont = SelectObject(dc_, font(size, bold));
    UINT format = DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE) | (centred ? DT_CENTER : DT_LEFT);
    RECT bounds{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    DrawTextA(dc_, line.c_str(), static_cast<int>(line.size()), &bounds, format | DT_CALCRECT);
    if (wrapWidth > 0) bounds.right = wrapWidth;
    DibImage canvas(bounds.right, bounds.bottom);
    Surface pixels("text", canvas.width(), canvas.height());
    if (canvas.valid()) {
        const HGDIOBJ canvasFont = SelectObject(canvas.dc(), font(size, bold));
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), RGB(255, 255, 255));
        DrawTextA(canvas.dc(), line.c_str(), static_cast<int>(line.size()), &bounds, format);
        SelectObject(canvas.dc(), canvasFont);
        GdiFlush();
        // White on black: the brightness of a pixel is how much the text
        // covers it.
        for (int y = 0; y < canvas.height(); ++y) {
            const std::uint32_t* from = canvas.bits() + static_cast<std::size_t>(y) * canvas.width();
            std::uint32_t* to = pixels.row(y);
            for (int x = 0; x < canvas.width(); ++x) {
                const std::uint32_t p = from[x];
                const std::uint32_t coverage = std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF});
                to[x] = (coverage << 24) | (color & 0xFFFFFF);
            }
        }
    }
    SelectObject(dc_, previousFont);
    return cache_.keep(TextCache::Key{text, color, size, bold, wrapWidth, centred}, std::move(pixels));
}

}  // namespace lumaris::win32_backend
