// A baseline for the whole-program benchmark: a bare Xlib program that shows
// a new prepared frame with the shared-memory extension every INTERVAL ms
// until SIGTERM, the whole window or (with "strip") only a 1024 x 760
// rectangle, or (with "big") a 2048 x 1520 one: the strip doubled. With
// "render2x" it puts the 1024 x 760 strip into a pixmap and has the server
// double it onto the window (RENDER's picture transform, nearest filter).
// Each tick copies the next of two prepared frames into the shared image
// (the least a program showing changing frames can do) and puts it.
// Prints the frames it put.
// Usage: bare_xshm_presenter [INTERVAL] [strip|big|render2x]
// With "host" it only makes a 565 x 317 window, prints its id and waits: a
// host for the preview.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrender.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
volatile sig_atomic_t stopped = 0;
void stop(int) { stopped = 1; }
long long nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}
}  // namespace

int main(int argc, char** argv) {
    const int interval = argc > 1 ? std::atoi(argv[1]) : 51;
    const char* mode = argc > 2 ? argv[2] : "";
    const bool strip = std::strcmp(mode, "strip") == 0 || std::strcmp(mode, "render2x") == 0;
    const bool big = std::strcmp(mode, "big") == 0;
    const bool render = std::strcmp(mode, "render2x") == 0;
    const bool host = argc > 2 && std::strcmp(argv[2], "host") == 0;
    signal(SIGTERM, stop);
    signal(SIGINT, stop);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || !XShmQueryExtension(display)) return 1;
    const int screen = DefaultScreen(display);
    const int w = DisplayWidth(display, screen), h = DisplayHeight(display, screen);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, host ? 565 : w, host ? 317 : h,
                                        0, 0, 0);
    XMapWindow(display, window);
    if (host) {
        XSync(display, False);
        std::printf("%lu\n", window);
        std::fflush(stdout);
        while (!stopped) pause();
        return 0;
    }
    GC gc = XCreateGC(display, window, 0, nullptr);
    XShmSegmentInfo info{};
    XImage* image = XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap,
                                    nullptr, &info, w, h);
    info.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * h, IPC_CREAT | 0600);
    info.shmaddr = image->data = static_cast<char*>(shmat(info.shmid, nullptr, 0));
    info.readOnly = False;
    XShmAttach(display, &info);
    XSync(display, False);
    shmctl(info.shmid, IPC_RMID, nullptr);
    const int pw = strip ? std::min(w, 1024) : big ? std::min(w, 2048) : w;
    const int ph = strip ? std::min(h, 760) : big ? std::min(h, 1520) : h;
    // The server's side of "render2x": the strip in a pixmap, shown doubled.
    Pixmap pixmap = 0;
    Picture source = 0, target = 0;
    if (render) {
        int event = 0, error = 0;
        if (!XRenderQueryExtension(display, &event, &error)) return 1;
        XRenderPictFormat* format = XRenderFindVisualFormat(display, DefaultVisual(display, screen));
        pixmap = XCreatePixmap(display, window, pw, ph, DefaultDepth(display, screen));
        source = XRenderCreatePicture(display, pixmap, format, 0, nullptr);
        target = XRenderCreatePicture(display, window, format, 0, nullptr);
        XTransform half{{{XDoubleToFixed(0.5), 0, 0}, {0, XDoubleToFixed(0.5), 0}, {0, 0, XDoubleToFixed(1)}}};
        XRenderSetPictureTransform(display, source, &half);
        XRenderSetPictureFilter(display, source, FilterNearest, nullptr, 0);
    }
    const size_t row = static_cast<size_t>(pw) * 4, pitch = static_cast<size_t>(image->bytes_per_line);
    std::vector<unsigned> prepared[2];
    for (int k = 0; k < 2; ++k) {
        prepared[k].resize(static_cast<size_t>(pw) * ph);
        for (size_t i = 0; i < prepared[k].size(); ++i) prepared[k][i] = static_cast<unsigned>(i + k) * 2654435761u;
    }
    long frames = 0;
    long long next = nowMs();
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    while (!stopped) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
        const long long wait = next - nowMs();
        if (wait > 0) {
            poll(&fd, 1, static_cast<int>(wait));
            continue;
        }
        next = nowMs() + interval;
        const char* from = reinterpret_cast<const char*>(prepared[frames & 1].data());
        for (int y = 0; y < ph; ++y) std::memcpy(image->data + y * pitch, from + y * row, row);
        if (render) {
            XShmPutImage(display, pixmap, gc, image, 0, 0, 0, 0, pw, ph, False);
            XRenderComposite(display, PictOpSrc, source, 0, target, 0, 0, 0, 0, 0, 0, pw * 2, ph * 2);
        } else {
            XShmPutImage(display, window, gc, image, 0, 0, 0, 0, pw, ph, False);
        }
        XSync(display, False);
        ++frames;
    }
    std::fprintf(stderr, "frames %ld\n", frames);
    return 0;
}
