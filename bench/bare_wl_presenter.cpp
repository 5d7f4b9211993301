// The Wayland baseline of bench/wayland_bench.sh: a layer-shell overlay on
// the first output that, every INTERVAL ms, copies a prepared frame's
// 1024 x 760 strip, k times as large on a large output (a new column
// offset each time, as the scene scrolls)
// into a free shared-memory buffer and commits it with only that rectangle
// damaged, no faster than the compositor's frame callbacks. What any
// Wayland client showing the scene must do at least. Prints "frames N" on
// standard error when SIGTERM ends it.
// Usage: bare_wl_presenter INTERVAL_MS
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client.h"
#undef namespace

namespace {

volatile sig_atomic_t g_stop = 0;
wl_compositor* g_compositor = nullptr;
wl_shm* g_shm = nullptr;
zwlr_layer_shell_v1* g_layers = nullptr;
wl_output* g_output = nullptr;
int g_width = 0, g_height = 0;
bool g_configured = false, g_pending = false;

struct Buffer {
    wl_buffer* buffer = nullptr;
    std::uint32_t* pixels = nullptr;
    bool busy = false;
};

void global(void*, wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t) {
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        g_compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, id, &wl_compositor_interface, 4));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        g_shm = static_cast<wl_shm*>(wl_registry_bind(registry, id, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        g_layers = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(registry, id, &zwlr_layer_shell_v1_interface, 1));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && g_output == nullptr) {
        g_output = static_cast<wl_output*>(wl_registry_bind(registry, id, &wl_output_interface, 2));
    }
}
void globalRemove(void*, wl_registry*, std::uint32_t) {}

void configure(void*, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t w, std::uint32_t h) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    g_width = static_cast<int>(w);
    g_height = static_cast<int>(h);
    g_configured = true;
}
void closed(void*, zwlr_layer_surface_v1*) { g_stop = 1; }
void release(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }
void frameDone(void*, wl_callback* callback, std::uint32_t) {
    wl_callback_destroy(callback);
    g_pending = false;
}

std::uint64_t nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000 + static_cast<std::uint64_t>(t.tv_nsec) / 1000000;
}

}  // namespace

int main(int argc, char** argv) {
    const int interval = argc > 1 ? std::atoi(argv[1]) : 51;
    signal(SIGTERM, [](int) { g_stop = 1; });
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return 1;
    wl_registry* registry = wl_display_get_registry(display);
    static const wl_registry_listener registryListener = {global, globalRemove};
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (g_compositor == nullptr || g_shm == nullptr || g_layers == nullptr || g_output == nullptr) return 1;
    wl_surface* surface = wl_compositor_create_surface(g_compositor);
    zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(g_layers, surface, g_output,
                                                                         ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "bench");
    static const zwlr_layer_surface_v1_listener layerListener = {configure, closed};
    zwlr_layer_surface_v1_add_listener(layer, &layerListener, nullptr);
    zwlr_layer_surface_v1_set_anchor(layer, 15);
    wl_surface_commit(surface);
    while (!g_configured && wl_display_dispatch(display) >= 0) {
    }
    const int w = g_width, h = g_height, stride = w * 4;
    const std::size_t bytes = static_cast<std::size_t>(stride) * h;
    // The prepared frame: twice the strip's width, so that any offset reads
    // a whole strip; the strip as large as the scene shows it on this
    // output (doubled on a 3840 x 2160 one).
    const int k = std::max(1, std::min(w / 1024, h / 768));
    const int stripW = std::min(w, 1024 * k), stripH = std::min(h, 760 * k);
    std::vector<std::uint32_t> source(static_cast<std::size_t>(stripW) * 2 * stripH);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    Buffer buffers[2];
    static const wl_buffer_listener bufferListener = {release};
    for (Buffer& b : buffers) {
        const int fd = memfd_create("bench", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(bytes)) != 0) return 1;
        b.pixels = static_cast<std::uint32_t*>(mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        wl_shm_pool* pool = wl_shm_create_pool(g_shm, fd, static_cast<std::int32_t>(bytes));
        b.buffer = wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_XRGB8888);
        wl_shm_pool_destroy(pool);
        close(fd);
        wl_buffer_add_listener(b.buffer, &bufferListener, &b);
    }
    static const wl_callback_listener frameListener = {frameDone};
    unsigned long frames = 0;
    const int left = (w - stripW) / 2;
    std::uint64_t next = nowMs();
    while (!g_stop) {
        const std::uint64_t now = nowMs();
        if (now >= next) {
            next = now + static_cast<std::uint64_t>(interval);
            Buffer* free = nullptr;
            for (Buffer& b : buffers) {
                if (!b.busy) free = &b;
            }
            if (free != nullptr && !g_pending) {
                const int offset = static_cast<int>(frames % static_cast<unsigned long>(stripW));
                for (int y = 0; y < stripH; ++y) {
                    std::memcpy(free->pixels + static_cast<std::size_t>(y) * w + left,
                                source.data() + static_cast<std::size_t>(y) * stripW * 2 + offset,
                                static_cast<std::size_t>(stripW) * 4);
                }
                wl_surface_attach(surface, free->buffer, 0, 0);
                wl_surface_damage_buffer(surface, left, 0, stripW, stripH);
                wl_callback_add_listener(wl_surface_frame(surface), &frameListener, nullptr);
                wl_surface_commit(surface);
                free->busy = true;
                g_pending = true;
                ++frames;
            }
        }
        wl_display_flush(display);
        pollfd p{wl_display_get_fd(display), POLLIN, 0};
        const int wait = static_cast<int>(next > nowMs() ? next - nowMs() : 0);
        if (poll(&p, 1, wait) > 0) {
            if (wl_display_dispatch(display) < 0) break;
        } else {
            wl_display_dispatch_pending(display);
        }
    }
    std::fprintf(stderr, "frames %lu\n", frames);
    return 0;
}
