#include "platform/linux/x11_image.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>

namespace lumaris::linux_backend {

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

PixelRect intersection(const PixelRect& a, const PixelRect& b) {
    const PixelRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                      std::min(a.bottom, b.bottom)};
    return r.empty() ? PixelRect{} : r;
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

bool X11Image::suits(const void* visual, int depth) {
    const auto* v = static_cast<const Visual*>(visual);
    // A direct-colour visual (SDL's windows have one, for gamma ramps) takes
    // the same pixels.
    return v != nullptr && (v->c_class == TrueColor || v->c_class == DirectColor) && v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 &&
           v->blue_mask == 0xFF && (depth == 24 || depth == 32);
}

X11Image::X11Image(Display* display, unsigned long window, void* visual, int depth)
    : display_(display), window_(window), visual_(visual), depth_(depth) {
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    int event = 0, error = 0;
    shareable_ = XShmQueryExtension(display_) && XQueryExtension(display_, "MIT-SHM", &g_shmMajor, &event, &error);
}

X11Image::~X11Image() {
    freeSegment(nullptr);
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
    if (!shareable_ || showing(picture)) return;
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
    const PixelRect in = intersection(changed, stored);
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
        XSetForeground(display_, gc, picture.background());
        XFillRectangles(display_, window_, gc, outside, n);
    }
    if (!in.empty()) {
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

}  // namespace lumaris::linux_backend
