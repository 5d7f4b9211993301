// The Wayland host against a compositor of the test's own that offers what
// a screen locker offers its saver: a compositor, shared memory, one output
// and (or not) the layer shell; no seat, no xdg shell, no viewporter. The
// locker sends a configure of size 0 and takes the size of the buffer.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <wayland-server.h>

#include <atomic>
#include <thread>

#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_surface.h"
#include "runtime/failure.h"
#include "temp_dir.h"
// The generated code names a parameter `namespace`, a C++ keyword.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-server.h"
#undef namespace

namespace lumaris::wayland_backend {
namespace {

struct Locker {
    explicit Locker(bool layerShell) {
        setenv("XDG_RUNTIME_DIR", runtime.path.c_str(), 1);
        display = wl_display_create();
        wl_display_init_shm(display);
        socket = wl_display_add_socket_auto(display);
        wl_global_create(display, &wl_compositor_interface, 4, this, bindCompositor);
        wl_global_create(display, &wl_output_interface, 2, this, bindOutput);
        if (layerShell) wl_global_create(display, &zwlr_layer_shell_v1_interface, 4, this, bindLayers);
        thread = std::thread([this] {
            while (!stop) {
                wl_event_loop_dispatch(wl_display_get_event_loop(display), 10);
                wl_display_flush_clients(display);
            }
        });
        setenv("WAYLAND_DISPLAY", socket, 1);
        unsetenv("WAYLAND_SOCKET");
    }
    ~Locker() {
        stop = true;
        thread.join();
        wl_display_destroy_clients(display);
        wl_display_destroy(display);
    }

    static void bindCompositor(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        static const struct wl_compositor_interface compositor = {createSurface, createRegion};
        wl_resource* r = wl_resource_create(client, &wl_compositor_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, &compositor, data, nullptr);
    }
    static void createRegion(wl_client* client, wl_resource* from, std::uint32_t id) {
        static const struct wl_region_interface region = {destroy, noRect, noRect};
        wl_resource* r = wl_resource_create(client, &wl_region_interface, wl_resource_get_version(from), id);
        wl_resource_set_implementation(r, &region, nullptr, nullptr);
    }
    static void createSurface(wl_client* client, wl_resource* from, std::uint32_t id) {
        static const struct wl_surface_interface surface = {
            destroy, attach, noRect, frame, noRegion, noRegion, commit, noInt, noInt, noRect, noOffset};
        wl_resource* r = wl_resource_create(client, &wl_surface_interface, wl_resource_get_version(from), id);
        wl_resource_set_implementation(r, &surface, wl_resource_get_user_data(from), nullptr);
    }
    static void destroy(wl_client*, wl_resource* r) { wl_resource_destroy(r); }
    static void noRect(wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
    static void noRegion(wl_client*, wl_resource*, wl_resource*) {}
    static void noInt(wl_client*, wl_resource*, std::int32_t) {}
    static void noOffset(wl_client*, wl_resource*, std::int32_t, std::int32_t) {}
    static void attach(wl_client*, wl_resource* surface, wl_resource* buffer, std::int32_t, std::int32_t) {
        static_cast<Locker*>(wl_resource_get_user_data(surface))->attached = buffer;
    }
    static void frame(wl_client* client, wl_resource* surface, std::uint32_t id) {
        wl_resource* callback = wl_resource_create(client, &wl_callback_interface, 1, id);
        wl_callback_send_done(callback, 0);
        wl_resource_destroy(callback);
        (void)surface;
    }
    static void commit(wl_client*, wl_resource* surface) {
        auto* self = static_cast<Locker*>(wl_resource_get_user_data(surface));
        if (self->layer != nullptr && !self->configured) {
            // As a locker does: no size of its own.
            zwlr_layer_surface_v1_send_configure(self->layer, 1, 0, 0);
            self->configured = true;
        }
        if (wl_shm_buffer* shm = self->attached != nullptr ? wl_shm_buffer_get(self->attached) : nullptr) {
            self->width = wl_shm_buffer_get_width(shm);
            self->height = wl_shm_buffer_get_height(shm);
            wl_buffer_send_release(self->attached);
        }
    }

    static void bindOutput(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
        wl_resource* r = wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, nullptr, nullptr, nullptr);
        wl_output_send_geometry(r, 0, 0, 0, 0, 0, "test", "test", 0);
        wl_output_send_mode(r, WL_OUTPUT_MODE_CURRENT, 800, 600, 60000);
        wl_output_send_scale(r, 1);
        wl_output_send_done(r);
    }

    static void bindLayers(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        static const struct zwlr_layer_shell_v1_interface layers = {getLayerSurface, destroy};
        wl_resource* r = wl_resource_create(client, &zwlr_layer_shell_v1_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, &layers, data, nullptr);
    }
    static void getLayerSurface(wl_client* client, wl_resource* shell, std::uint32_t id, wl_resource*, wl_resource*,
                                std::uint32_t, const char*) {
        static const struct zwlr_layer_surface_v1_interface layer = {
            [](wl_client*, wl_resource*, std::uint32_t, std::uint32_t) {},
            [](wl_client*, wl_resource*, std::uint32_t) {},
            [](wl_client*, wl_resource*, std::int32_t) {},
            [](wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {},
            [](wl_client*, wl_resource*, std::uint32_t) {},
            [](wl_client*, wl_resource*, wl_resource*) {},
            [](wl_client*, wl_resource*, std::uint32_t) {},
            destroy,
            [](wl_client*, wl_resource*, std::uint32_t) {}};
        auto* self = static_cast<Locker*>(wl_resource_get_user_data(shell));
        self->layer = wl_resource_create(client, &zwlr_layer_surface_v1_interface, wl_resource_get_version(shell), id);
        wl_resource_set_implementation(self->layer, &layer, self, nullptr);
    }

    testing::TempDir runtime;
    wl_display* display = nullptr;
    const char* socket = nullptr;
    std::thread thread;
    std::atomic<bool> stop{false};
    wl_resource* attached = nullptr;
    wl_resource* layer = nullptr;
    bool configured = false;
    std::atomic<int> width{0}, height{0};
};

// Only a compositor, shared memory, an output and the layer shell: the
// surface takes the output's size and shows a buffer of it.
TEST(WaylandHost, ALockersFewGlobalsSufficeAndASizeOfZeroIsTheOutputs) {
    Locker locker(true);
    WaylandConnection connection;
    EXPECT_EQ(connection.seat(), nullptr);
    EXPECT_EQ(connection.wmBase(), nullptr);
    EXPECT_EQ(connection.viewporter(), nullptr);
    ASSERT_EQ(connection.outputs().size(), 1u);
    Output& output = *connection.outputs().front();
    EXPECT_EQ(output.width(), 800);
    OutputSurface surface(connection, output, "form", 0, Keyboard::None);
    for (int i = 0; i < 200 && locker.width == 0; ++i) {
        connection.drain();
        pollfd ready{connection.fd(), POLLIN, 0};
        poll(&ready, 1, 10);
        surface.Refresh();
    }
    EXPECT_EQ(locker.width, 800);
    EXPECT_EQ(locker.height, 600);
    EXPECT_EQ(surface.Image().width(), 800);
}

// Neither a layer shell nor an xdg shell: a clear failure, no crash.
TEST(WaylandHost, WithoutAShellASurfaceIsAFailure) {
    Locker locker(false);
    WaylandConnection connection;
    ASSERT_EQ(connection.outputs().size(), 1u);
    try {
        OutputSurface surface(connection, *connection.outputs().front(), "form", 0, Keyboard::None);
        FAIL() << "a surface without a shell";
    } catch (const Failure& failure) {
        EXPECT_NE(failure.message().find("neither a layer shell nor an xdg shell"), std::string::npos)
            << failure.message();
    }
}

}  // namespace
}  // namespace lumaris::wayland_backend
