#include "platform/x11/x11_image.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <vector>

namespace lumaris::x11 {

namespace {

// Errors of the shared-memory requests while a segment is attached; every
// other error goes to the handler that was there before.
int g_shmMajor = 0;
bool g_shmRefused = false;
XErrorHandler g_previous = nullptr;

int onAttachError(Display* display, XErrorEvent* error) {
    if (error->request_code == g_shmMajor) {
        g_shmRefused = true;
        return 0;
    }
    return g_previous != nullptr ? g_previous(display, error) : 0;
}

// A colour mask's lowest bit and its number of bits; 0 bits for a mask that
// is not one run of bits.
struct Channel {
    int shift = 0;
    int bits = 0;
};

Channel channelOf(unsigned long mask) {
    Channel c;
    if (mask == 0) return c;
    while ((mask & 1u) == 0) {
        mask >>= 1;
        ++c.shift;
    }
    while ((mask & 1u) != 0) {
        mask >>= 1;
        ++c.bits;
    }
    if (mask != 0) c.bits = 0;
    return c;
}

// An 8-bit channel value at `bits` bits: fewer drop the low bits, more repeat
// the high ones (0xFF is all ones at any width).
std::uint32_t widen(std::uint32_t value, int bits) {
    if (bits <= 8) return value >> (8 - bits);
    std::uint32_t out = 0;
    for (int filled = 0; filled < bits; filled += 8) out = (out << 8) | value;
    return out >> ((bits + 7) / 8 * 8 - bits);
}

XRectangle xRect(int left, int top, int right, int bottom) {
    return XRectangle{static_cast<short>(left), static_cast<short>(top), static_cast<unsigned short>(right - left),
                      static_cast<unsigned short>(bottom - top)};
}

}  // namespace

struct X11Image::Segment {
    XShmSegmentInfo info{};
    XImage* image = nullptr;
    PixelRect size;  // the stored part it was made for
};

struct X11Image::Conversion {
    std::uint32_t red[256], green[256], blue[256];
    std::uint32_t opaque = 0;  // the bits of the pixel no colour has (alpha): all set
    XImage* image = nullptr;
    std::vector<char> memory;
};

bool X11Image::suits(const void* visual, int depth) {
    const auto* v = static_cast<const Visual*>(visual);
    // A direct-colour visual (SDL's windows have one, for gamma ramps) takes
    // the same pixels.
    return v != nullptr && (v->c_class == TrueColor || v->c_class == DirectColor) &&
           (depth == 15 || depth == 16 || depth == 24 || depth == 30 || depth == 32) &&
           channelOf(v->red_mask).bits > 0 && channelOf(v->green_mask).bits > 0 && channelOf(v->blue_mask).bits > 0;
}

std::string X11Image::describe(const void* visual, int depth) {
    const auto* v = static_cast<const Visual*>(visual);
    static const char* const classes[] = {"StaticGray", "GrayScale", "StaticColor", "PseudoColor", "TrueColor", "DirectColor"};
    const int c = v != nullptr ? v->c_class : -1;
    return std::string("depth ") + std::to_string(depth) + ", " + (c >= 0 && c < 6 ? classes[c] : "no visual");
}

X11Image::X11Image(Display* display, unsigned long window, void* visual, int depth)
    : display_(display), window_(window), visual_(visual), depth_(depth) {
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    int event = 0, error = 0;
    shareable_ = XShmQueryExtension(display_) && XQueryExtension(display_, "MIT-SHM", &g_shmMajor, &event, &error);
    const auto* v = static_cast<const Visual*>(visual);
    // Pixels as the pictures hold them (0x00RRGGBB) only on a 24-bit window
    // of 8-bit channels; any other window (15, 16 and 30 bits, or 32 with an
    // alpha channel that must be opaque) gets a converted copy of what changed.
    if (depth == 24 && v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 && v->blue_mask == 0xFF) return;
    conversion_ = std::make_unique<Conversion>();
    const Channel red = channelOf(v->red_mask), green = channelOf(v->green_mask), blue = channelOf(v->blue_mask);
    for (std::uint32_t i = 0; i < 256; ++i) {
        conversion_->red[i] = widen(i, red.bits) << red.shift;
        conversion_->green[i] = widen(i, green.bits) << green.shift;
        conversion_->blue[i] = widen(i, blue.bits) << blue.shift;
    }
    const std::uint32_t all = depth >= 32 ? 0xFFFFFFFFu : (1u << depth) - 1u;
    conversion_->opaque = all & ~static_cast<std::uint32_t>(v->red_mask | v->green_mask | v->blue_mask);
}

std::uint32_t X11Image::pixelValue(std::uint32_t colour) const {
    if (conversion_ == nullptr) return colour;
    return conversion_->red[(colour >> 16) & 0xFF] | conversion_->green[(colour >> 8) & 0xFF] |
           conversion_->blue[colour & 0xFF] | conversion_->opaque;
}

// The changed part, converted into an image of the stored part's size.
void X11Image::putConverted(const Surface& picture, const PixelRect& in) {
    Conversion& c = *conversion_;
    const PixelRect& stored = picture.stored();
    if (c.image == nullptr || c.image->width != stored.width() || c.image->height != stored.height()) {
        if (c.image != nullptr) {
            c.image->data = nullptr;
            XDestroyImage(c.image);
        }
        c.image = XCreateImage(display_, static_cast<Visual*>(visual_), static_cast<unsigned>(depth_), ZPixmap, 0,
                               nullptr, static_cast<unsigned>(stored.width()), static_cast<unsigned>(stored.height()),
                               32, 0);
        if (c.image == nullptr) return;
        c.memory.assign(static_cast<std::size_t>(c.image->bytes_per_line) * stored.height(), 0);
        c.image->data = c.memory.data();
        // The pixels are written in this machine's order; Xlib turns them
        // round for a server of the other order.
        c.image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        if (c.image->bits_per_pixel != 16 && c.image->bits_per_pixel != 32) {
            c.image->data = nullptr;
            XDestroyImage(c.image);
            c.image = nullptr;
            return;
        }
    }
    const int sx = in.left - stored.left, sy = in.top - stored.top;
    for (int y = 0; y < in.height(); ++y) {
        const std::uint32_t* from = picture.at(in.left, in.top + y);
        char* row = c.image->data + static_cast<std::size_t>(sy + y) * c.image->bytes_per_line;
        if (c.image->bits_per_pixel == 32) {
            auto* to = reinterpret_cast<std::uint32_t*>(row) + sx;
            for (int x = 0; x < in.width(); ++x) to[x] = pixelValue(from[x]);
        } else {
            auto* to = reinterpret_cast<std::uint16_t*>(row) + sx;
            for (int x = 0; x < in.width(); ++x) to[x] = static_cast<std::uint16_t>(pixelValue(from[x]));
        }
    }
    XPutImage(display_, window_, static_cast<GC>(gc_), c.image, sx, sy, in.left, in.top,
              static_cast<unsigned>(in.width()), static_cast<unsigned>(in.height()));
}

X11Image::~X11Image() {
    freeSegment(nullptr);
    if (conversion_ != nullptr && conversion_->image != nullptr) {
        conversion_->image->data = nullptr;
        XDestroyImage(conversion_->image);
    }
    if (plain_ != nullptr) {
        plain_->data = nullptr;
        XDestroyImage(plain_);
    }
    XFreeGC(display_, static_cast<GC>(gc_));
}

void X11Image::freeSegment(Surface* picture) {
    if (segment_ == nullptr) return;
    if (picture != nullptr && showing(*picture)) picture->detach();
    XShmDetach(display_, &segment_->info);
    segment_->image->data = nullptr;
    XDestroyImage(segment_->image);
    XSync(display_, False);
    shmdt(segment_->info.shmaddr);
    segment_.reset();
}

bool X11Image::showing(const Surface& picture) const {
    return segment_ != nullptr && picture.attached() && !picture.stored().empty() &&
           picture.at(picture.stored().left, picture.stored().top) ==
               reinterpret_cast<const std::uint32_t*>(segment_->info.shmaddr);
}

void X11Image::follow(Surface& picture) {
    const PixelRect& stored = picture.stored();
    if (conversion_ != nullptr || !shareable_ || showing(picture)) return;
    if (segment_ != nullptr && segment_->size.width() == stored.width() &&
        segment_->size.height() == stored.height()) {
        segment_->size = stored;
        picture.attach(reinterpret_cast<std::uint32_t*>(segment_->info.shmaddr), false);
        return;
    }
    freeSegment(&picture);
    if (stored.empty()) return;
    auto segment = std::make_unique<Segment>();
    XShmSegmentInfo& info = segment->info;
    const auto w = static_cast<unsigned>(stored.width()), h = static_cast<unsigned>(stored.height());
    XImage* image = XShmCreateImage(display_, static_cast<Visual*>(visual_), static_cast<unsigned>(depth_), ZPixmap,
                                    nullptr, &info, w, h);
    if (image == nullptr || image->bits_per_pixel != 32 || image->bytes_per_line != stored.width() * 4) {
        if (image != nullptr) XDestroyImage(image);
        shareable_ = false;
        return;
    }
    info.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(w) * h * 4, IPC_CREAT | 0600);
    void* address = info.shmid >= 0 ? shmat(info.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
    if (address == reinterpret_cast<void*>(-1)) {
        if (info.shmid >= 0) shmctl(info.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        shareable_ = false;
        return;
    }
    info.shmaddr = image->data = static_cast<char*>(address);
    info.readOnly = False;
    g_shmRefused = false;
    g_previous = XSetErrorHandler(&onAttachError);
    XShmAttach(display_, &info);
    XSync(display_, False);
    XSetErrorHandler(g_previous);
    // Marked for removal now: the segment goes when both sides let go of
    // it, however the process ends.
    shmctl(info.shmid, IPC_RMID, nullptr);
    if (g_shmRefused) {
        // A display on another machine: each frame goes in the request.
        image->data = nullptr;
        XDestroyImage(image);
        shmdt(address);
        shareable_ = false;
        return;
    }
    segment->image = image;
    segment->size = stored;
    segment_ = std::move(segment);
    picture.attach(static_cast<std::uint32_t*>(address), true);
}

void X11Image::put(const Surface& picture, const PixelRect& changed) {
    auto* gc = static_cast<GC>(gc_);
    const PixelRect& stored = picture.stored();
    const PixelRect in = changed.intersectedWith(stored);
    // The rest of what changed shows the background.
    XRectangle outside[4];
    int n = 0;
    if (in.empty()) {
        if (!changed.empty()) outside[n++] = xRect(changed.left, changed.top, changed.right, changed.bottom);
    } else {
        if (changed.top < in.top) outside[n++] = xRect(changed.left, changed.top, changed.right, in.top);
        if (in.bottom < changed.bottom) outside[n++] = xRect(changed.left, in.bottom, changed.right, changed.bottom);
        if (changed.left < in.left) outside[n++] = xRect(changed.left, in.top, in.left, in.bottom);
        if (in.right < changed.right) outside[n++] = xRect(in.right, in.top, changed.right, in.bottom);
    }
    if (n > 0) {
        XSetForeground(display_, gc, pixelValue(picture.background()));
        XFillRectangles(display_, window_, gc, outside, n);
    }
    if (!in.empty() && conversion_ != nullptr) {
        putConverted(picture, in);
    } else if (!in.empty()) {
        const int sx = in.left - stored.left, sy = in.top - stored.top;
        const auto w = static_cast<unsigned>(in.width()), h = static_cast<unsigned>(in.height());
        if (showing(picture)) {
            XShmPutImage(display_, window_, gc, segment_->image, sx, sy, in.left, in.top, w, h, False);
        } else {
            if (plain_ == nullptr || plain_->width != stored.width() || plain_->height != stored.height()) {
                if (plain_ != nullptr) XDestroyImage(plain_);
                plain_ = XCreateImage(display_, static_cast<Visual*>(visual_), static_cast<unsigned>(depth_), ZPixmap,
                                      0, nullptr, static_cast<unsigned>(stored.width()),
                                      static_cast<unsigned>(stored.height()), 32, stored.width() * 4);
            }
            if (plain_ != nullptr) {
                plain_->data = reinterpret_cast<char*>(const_cast<std::uint32_t*>(picture.at(stored.left, stored.top)));
                XPutImage(display_, window_, gc, plain_, sx, sy, in.left, in.top, w, h);
                plain_->data = nullptr;
            }
        }
    }
    // The server has read the memory before the form draws again.
    XSync(display_, False);
}

}  // namespace lumaris::x11
