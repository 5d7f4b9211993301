// The Wayland host against a compositor of the test's own that offers what
// a screen locker offers its saver: a compositor, shared memory, one output
// and the layer shell; no seat, no xdg shell, no viewporter. The locker
// sends a configure of size 0 and takes the size of the buffer. Also one
// with only the xdg shell (as weston), one that prefers a fractional scale,
// and one with no shell at all.
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
#include "fractional-scale-v1-server.h"
#include "viewporter-server.h"
#include "xdg-shell-server.h"

namespace lumaris::wayland {
namespace {

enum class Shell { Layer, Xdg, LayerAt150, None };

struct Locker {
    explicit Locker(Shell shell) {
        setenv("XDG_RUNTIME_DIR", runtime.path.c_str(), 1);
        display = wl_display_create();
        wl_display_init_shm(display);
        socket = wl_display_add_socket_auto(display);
        wl_global_create(display, &wl_compositor_interface, 4, this, bindCompositor);
        wl_global_create(display, &wl_output_interface, 2, this, bindOutput);
        if (shell == Shell::Layer || shell == Shell::LayerAt150) {
            wl_global_create(display, &zwlr_layer_shell_v1_interface, 4, this, bindLayers);
        }
        if (shell == Shell::LayerAt150) {
            wl_global_create(display, &wp_viewporter_interface, 1, this, bindViewporter);
            wl_global_create(display, &wp_fractional_scale_manager_v1_interface, 1, this, bindFractional);
        }
        if (shell == Shell::Xdg) wl_global_create(display, &xdg_wm_base_interface, 2, this, bindXdg);
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
        if (self->toplevel != nullptr && !self->configured) {
            wl_array states;
            wl_array_init(&states);
            xdg_toplevel_send_configure(self->toplevel, 0, 0, &states);
            wl_array_release(&states);
            xdg_surface_send_configure(self->xdgSurface, 1);
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

    // Fractional scale 1.5 (180/120) for every surface; the viewport's
    // destination is recorded.
    static void bindViewporter(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        static const struct wp_viewporter_interface viewporter = {
            destroy, [](wl_client* c, wl_resource* from, std::uint32_t viewportId, wl_resource*) {
                static const struct wp_viewport_interface viewport = {
                    destroy, [](wl_client*, wl_resource*, wl_fixed_t, wl_fixed_t, wl_fixed_t, wl_fixed_t) {},
                    [](wl_client*, wl_resource* r, std::int32_t w, std::int32_t h) {
                        auto* self = static_cast<Locker*>(wl_resource_get_user_data(r));
                        self->destinationWidth = w;
                        self->destinationHeight = h;
                    }};
                wl_resource* r = wl_resource_create(c, &wp_viewport_interface, wl_resource_get_version(from), viewportId);
                wl_resource_set_implementation(r, &viewport, wl_resource_get_user_data(from), nullptr);
            }};
        wl_resource* r = wl_resource_create(client, &wp_viewporter_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, &viewporter, data, nullptr);
    }
    static void bindFractional(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        static const struct wp_fractional_scale_manager_v1_interface manager = {
            destroy, [](wl_client* c, wl_resource* from, std::uint32_t scaleId, wl_resource*) {
                static const struct wp_fractional_scale_v1_interface scale = {destroy};
                wl_resource* r =
                    wl_resource_create(c, &wp_fractional_scale_v1_interface, wl_resource_get_version(from), scaleId);
                wl_resource_set_implementation(r, &scale, nullptr, nullptr);
                wp_fractional_scale_v1_send_preferred_scale(r, 180);
            }};
        wl_resource* r = wl_resource_create(client, &wp_fractional_scale_manager_v1_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, &manager, data, nullptr);
    }

    static void bindXdg(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        static const struct xdg_wm_base_interface base = {
            destroy, [](wl_client*, wl_resource*, std::uint32_t) {}, getXdgSurface,
            [](wl_client*, wl_resource*, std::uint32_t) {}};
        wl_resource* r = wl_resource_create(client, &xdg_wm_base_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, &base, data, nullptr);
    }
    static void getXdgSurface(wl_client* client, wl_resource* base, std::uint32_t id, wl_resource*) {
        static const struct xdg_surface_interface surface = {
            destroy, getToplevel, [](wl_client*, wl_resource*, std::uint32_t, wl_resource*, wl_resource*) {},
            [](wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {},
            [](wl_client*, wl_resource*, std::uint32_t) {}};
        auto* self = static_cast<Locker*>(wl_resource_get_user_data(base));
        self->xdgSurface = wl_resource_create(client, &xdg_surface_interface, wl_resource_get_version(base), id);
        wl_resource_set_implementation(self->xdgSurface, &surface, self, nullptr);
    }
    static void getToplevel(wl_client* client, wl_resource* surface, std::uint32_t id) {
        using R = wl_resource*;
        using C = wl_client*;
        static const struct xdg_toplevel_interface toplevel = {
            destroy,
            [](C, R, R) {},
            [](C, R, const char*) {},
            [](C, R, const char*) {},
            [](C, R, R, std::uint32_t, std::int32_t, std::int32_t) {},
            [](C, R, R, std::uint32_t) {},
            [](C, R, R, std::uint32_t, std::uint32_t) {},
            [](C, R, std::int32_t, std::int32_t) {},
            [](C, R, std::int32_t, std::int32_t) {},
            [](C, R) {},
            [](C, R) {},
            [](C, R toplevel, R output) {
                static_cast<Locker*>(wl_resource_get_user_data(toplevel))->fullscreen = output != nullptr;
            },
            [](C, R) {},
            [](C, R) {}};
        auto* self = static_cast<Locker*>(wl_resource_get_user_data(surface));
        self->toplevel = wl_resource_create(client, &xdg_toplevel_interface, wl_resource_get_version(surface), id);
        wl_resource_set_implementation(self->toplevel, &toplevel, self, nullptr);
    }

    testing::TempDir runtime;
    wl_display* display = nullptr;
    const char* socket = nullptr;
    std::thread thread;
    std::atomic<bool> stop{false};
    wl_resource* attached = nullptr;
    wl_resource* layer = nullptr;
    wl_resource* xdgSurface = nullptr;
    wl_resource* toplevel = nullptr;
    std::atomic<bool> fullscreen{false};
    bool configured = false;
    std::atomic<int> width{0}, height{0};
    std::atomic<int> destinationWidth{0}, destinationHeight{0};
};

// Only a compositor, shared memory, an output and the layer shell (or only
// the xdg shell, where the surface is a toplevel made fullscreen on the
// output): the surface takes the output's size and shows a buffer of it.
// Where the compositor prefers the fractional scale 1.5, the buffer is the
// output's physical 1200x900, shown on its 800x600 through the viewport.
TEST(WaylandHost, ALockersFewGlobalsSufficeAndASizeOfZeroIsTheOutputs) {
    for (const Shell shell : {Shell::Layer, Shell::Xdg, Shell::LayerAt150}) {
        SCOPED_TRACE(static_cast<int>(shell));
        Locker locker(shell);
        WaylandConnection connection;
        EXPECT_EQ(connection.seat(), nullptr);
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
        const int physical = shell == Shell::LayerAt150 ? 3 : 2;  // halves of the logical size
        EXPECT_EQ(locker.width, 400 * physical);
        EXPECT_EQ(locker.height, 300 * physical);
        EXPECT_EQ(surface.Image().width(), 400 * physical);
        if (shell == Shell::LayerAt150) {
            EXPECT_EQ(locker.destinationWidth, 800);
            EXPECT_EQ(locker.destinationHeight, 600);
        }
        if (shell == Shell::Xdg) {
            EXPECT_TRUE(locker.fullscreen) << "fullscreen on the output";
        }
    }
}

// Neither a layer shell nor an xdg shell: a clear failure, no crash.
TEST(WaylandHost, WithoutAShellASurfaceIsAFailure) {
    Locker locker(Shell::None);
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
}  // namespace lumaris::wayland
