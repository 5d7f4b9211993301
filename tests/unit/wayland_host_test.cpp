// The Wayland host against a compositor of the test's own that offers what
// a screen locker offers its saver: a compositor, shared memory, one output
// and the layer shell; no seat, no xdg shell, no viewporter. The locker
// sends a configure of size 0 and takes the size of the buffer. Also one
// with only the xdg shell (as weston), one that prefers a fractional scale,
// one with no shell at all, and one that offers the session lock.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <wayland-server.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_surface.h"
#include "runtime/failure.h"
#include "temp_dir.h"
// The generated code names a parameter `namespace`, a C++ keyword.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-server.h"
#undef namespace
#include "ext-session-lock-v1-server.h"
#include "fractional-scale-v1-server.h"
#include "viewporter-server.h"
#include "xdg-shell-server.h"

namespace lumaris::wayland {
namespace {

// Lock: the layer shell, the session lock and two outputs (a third on
// request); LockRefused answers the lock with `finished`.
enum class Shell { Layer, Xdg, LayerAt150, None, Lock, LockRefused };

struct Locker {
    explicit Locker(Shell shell) {
        setenv("XDG_RUNTIME_DIR", runtime.path.c_str(), 1);
        display = wl_display_create();
        wl_display_init_shm(display);
        socket = wl_display_add_socket_auto(display);
        wl_global_create(display, &wl_compositor_interface, 4, this, bindCompositor);
        outputs.push_back(wl_global_create(display, &wl_output_interface, 2, this, bindOutput));
        const bool locking = shell == Shell::Lock || shell == Shell::LockRefused;
        refuse = shell == Shell::LockRefused;
        if (locking) {
            outputs.push_back(wl_global_create(display, &wl_output_interface, 2, this, bindOutput));
            wl_global_create(display, &ext_session_lock_manager_v1_interface, 1, this, bindLockManager);
        }
        if (shell == Shell::Layer || shell == Shell::LayerAt150 || locking) {
            wl_global_create(display, &zwlr_layer_shell_v1_interface, 4, this, bindLayers);
        }
        if (shell == Shell::LayerAt150) {
            wl_global_create(display, &wp_viewporter_interface, 1, this, bindViewporter);
            wl_global_create(display, &wp_fractional_scale_manager_v1_interface, 1, this, bindFractional);
        }
        if (shell == Shell::Xdg) wl_global_create(display, &xdg_wm_base_interface, 2, this, bindXdg);
        thread = std::thread([this] {
            while (!stop) {
                if (plugOutput.exchange(false)) wl_global_create(display, &wl_output_interface, 2, this, bindOutput);
                if (unplugFirst.exchange(false)) wl_global_destroy(outputs.front());
                if (!holdFrames) {
                    for (wl_resource* callback : heldFrames) {
                        wl_callback_send_done(callback, 0);
                        wl_resource_destroy(callback);
                    }
                    heldFrames.clear();
                }
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
        auto* self = static_cast<Locker*>(wl_resource_get_user_data(surface));
        if (self->holdFrames) {
            self->heldFrames.push_back(callback);  // an output that is off asks for no frames
            return;
        }
        wl_callback_send_done(callback, 0);
        wl_resource_destroy(callback);
    }
    static void commit(wl_client*, wl_resource* surface) {
        auto* self = static_cast<Locker*>(wl_resource_get_user_data(surface));
        if (self->attached != nullptr) {
            std::lock_guard<std::mutex> hold(self->mutex);
            ++self->framesShown;
            const auto lock = self->lockSurfaces.find(surface);
            wl_shm_buffer* shm = wl_shm_buffer_get(self->attached);
            if (lock != self->lockSurfaces.end() && shm != nullptr) {
                lock->second.shown = lock->second.width == wl_shm_buffer_get_width(shm) &&
                                     lock->second.height == wl_shm_buffer_get_height(shm);
                const auto* pixels = static_cast<const std::uint32_t*>(wl_shm_buffer_get_data(shm));
                const int count = wl_shm_buffer_get_width(shm) * wl_shm_buffer_get_height(shm);
                wl_shm_buffer_begin_access(shm);
                lock->second.gold = std::any_of(pixels, pixels + count, [](std::uint32_t p) { return (p & 0xFFFFFF) == 0xD6B460; });
                wl_shm_buffer_end_access(shm);
                if (!self->lockedSent && self->lockRequest != nullptr) {
                    ext_session_lock_v1_send_locked(self->lockRequest);
                    self->lockedSent = true;
                }
            }
        }
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

    // The session lock: lock surfaces configured to sizes of their own
    // (the n-th 600+100n x 400+50n), `locked` once one shows a buffer.
    static void bindLockManager(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        static const struct ext_session_lock_manager_v1_interface manager = {destroy, lockSession};
        wl_resource* r = wl_resource_create(client, &ext_session_lock_manager_v1_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, &manager, data, nullptr);
    }
    static void lockSession(wl_client* client, wl_resource* manager, std::uint32_t id) {
        using R = wl_resource*;
        using C = wl_client*;
        static const struct ext_session_lock_v1_interface lock = {
            [](C, R r) {
                static_cast<Locker*>(wl_resource_get_user_data(r))->lockDestroyed = true;
                wl_resource_destroy(r);
            },
            getLockSurface,
            [](C, R r) {
                static_cast<Locker*>(wl_resource_get_user_data(r))->unlocked = true;
                wl_resource_destroy(r);
            }};
        auto* self = static_cast<Locker*>(wl_resource_get_user_data(manager));
        std::lock_guard<std::mutex> hold(self->mutex);
        self->framesBeforeLock = self->framesShown;
        self->lockRequest = wl_resource_create(client, &ext_session_lock_v1_interface, wl_resource_get_version(manager), id);
        wl_resource_set_implementation(self->lockRequest, &lock, self, [](R r) {
            static_cast<Locker*>(wl_resource_get_user_data(r))->lockRequest = nullptr;
        });
        if (self->refuse) ext_session_lock_v1_send_finished(self->lockRequest);
    }
    static void getLockSurface(wl_client* client, wl_resource* lock, std::uint32_t id, wl_resource* surface, wl_resource*) {
        static const struct ext_session_lock_surface_v1_interface lockSurface = {
            destroy, [](wl_client*, wl_resource*, std::uint32_t) {}};
        auto* self = static_cast<Locker*>(wl_resource_get_user_data(lock));
        wl_resource* r = wl_resource_create(client, &ext_session_lock_surface_v1_interface, 1, id);
        wl_resource_set_implementation(r, &lockSurface, self, nullptr);
        std::lock_guard<std::mutex> hold(self->mutex);
        const int n = static_cast<int>(self->lockSurfaces.size());
        self->lockSurfaces[surface] = LockSurface{600 + 100 * n, 400 + 50 * n, false, false};
        ext_session_lock_surface_v1_send_configure(r, 1, static_cast<std::uint32_t>(600 + 100 * n),
                                                   static_cast<std::uint32_t>(400 + 50 * n));
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
        self->configured = false;  // the newest layer surface is configured at its first commit
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
    std::atomic<bool> plugOutput{false};

    struct LockSurface {
        int width, height;
        bool shown;  // a buffer of the configured size
        bool gold;   // the prompt's frame colour in its last buffer
    };
    std::vector<wl_global*> outputs;
    std::atomic<bool> unplugFirst{false};
    std::atomic<bool> holdFrames{false};
    std::vector<wl_resource*> heldFrames;  // the server's thread only
    // The lock surfaces whose last buffer shows the prompt's frame colour.
    int lockSurfacesWithGold() {
        std::lock_guard<std::mutex> hold(mutex);
        int shown = 0;
        for (const auto& [surface, lock] : lockSurfaces) shown += lock.gold;
        return shown;
    }
    std::mutex mutex;
    bool refuse = false;
    int framesShown = 0, framesBeforeLock = -1;
    wl_resource* lockRequest = nullptr;
    bool lockedSent = false;
    std::atomic<bool> unlocked{false}, lockDestroyed{false};
    std::map<wl_resource*, LockSurface> lockSurfaces;
    // Lock surfaces that show a buffer of the size they were given.
    int lockSurfacesShown() {
        std::lock_guard<std::mutex> hold(mutex);
        int shown = 0;
        for (const auto& [surface, lock] : lockSurfaces) shown += lock.shown;
        return shown;
    }
};

// Runs the client's side until `done`, refreshing the window as frames go.
template <typename Done>
void pump(WaylandConnection& connection, FormSurface& window, Done done) {
    for (int i = 0; i < 300 && !done(); ++i) {
        connection.drain();
        pollfd ready{connection.fd(), POLLIN, 0};
        poll(&ready, 1, 10);
        window.Image().markAllDamaged();
        window.Refresh();
    }
}

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

// With the password option, the session lock where the compositor offers
// it: asked for before the scene's first frame, a lock surface on every
// output (one plugged in later too) showing a buffer of the size its
// configure gave; let go only through unlockSession (a verified password),
// never when the window just goes (an end signal, a cancelled prompt).
TEST(WaylandHost, TheSessionLockCoversEveryOutputAndIsLetGoOnlyWhenUnlocked) {
    for (const bool verified : {false, true}) {
        Locker locker(Shell::Lock);
        WaylandConnection connection;
        ASSERT_EQ(connection.outputs().size(), 2u);
        WaylandDesktop desktop(connection, 0);
        {
            DesktopSurface window(connection, desktop, "form");
            window.Show();
            window.Refresh();
            window.KeepInput(true);
            pump(connection, window, [&] { return locker.lockSurfacesShown() == 2; });
            EXPECT_EQ(locker.framesBeforeLock, 0) << "a frame shown before the lock";
            EXPECT_EQ(locker.lockSurfacesShown(), 2);
            locker.plugOutput = true;
            pump(connection, window, [&] { return locker.lockSurfacesShown() == 3; });
            EXPECT_EQ(locker.lockSurfacesShown(), 3) << "an output plugged in later";
            if (verified) window.unlockSession();
        }
        connection.drain();
        pollfd ready{connection.fd(), POLLIN, 0};
        poll(&ready, 1, 50);
        EXPECT_EQ(locker.unlocked, verified);
        EXPECT_FALSE(locker.lockDestroyed) << "destroyed after it was locked";
    }
}

// The prompt over the first output moves to the one left when the first
// is unplugged.
TEST(WaylandHost, ThePromptMovesToTheOutputLeftWhenTheFirstIsUnplugged) {
    Locker locker(Shell::Lock);
    WaylandConnection connection;
    WaylandDesktop desktop(connection, 0);
    DesktopSurface window(connection, desktop, "form");
    window.Show();
    window.KeepInput(true);
    Surface prompt("prompt", 40, 20, 0xFFD6B460);
    prompt.clear();
    window.setOverlay(&prompt);
    pump(connection, window, [&] { return locker.lockSurfacesWithGold() == 1 && locker.lockSurfacesShown() == 2; });
    ASSERT_EQ(locker.lockSurfacesWithGold(), 1) << "the prompt on the first output only";
    locker.unplugFirst = true;
    pump(connection, window, [&] { return connection.outputs().size() == 1 && locker.lockSurfacesWithGold() == 2; });
    EXPECT_EQ(connection.outputs().size(), 1u);
    EXPECT_EQ(locker.lockSurfacesWithGold(), 2) << "the output left does not show the prompt";
}

// A compositor that refuses the lock (another program holds it): one line
// says the desktop's bindings can end the scene, and the scene shows on
// overlays as where there is no lock.
TEST(WaylandHost, ARefusedSessionLockFallsBackToOverlays) {
    Locker locker(Shell::LockRefused);
    WaylandConnection connection;
    WaylandDesktop desktop(connection, 0);
    DesktopSurface window(connection, desktop, "form");
    window.Show();
    ::testing::internal::CaptureStderr();
    window.KeepInput(true);
    pump(connection, window, [&] { return locker.lockDestroyed && locker.width > 0; });
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("refused the session lock"), std::string::npos) << said;
    EXPECT_TRUE(locker.lockDestroyed);
    EXPECT_GT(locker.width, 0) << "no overlay shown";
    EXPECT_EQ(locker.lockSurfacesShown(), 0);
}

// An output that stops asking for frames is off: no frame is drawn for it,
// and after a second the scene hears that the display is dark; it lights
// again with the next frame the compositor asks for.
TEST(WaylandHost, AnOutputThatAsksForNoFramesIsDark) {
    struct Power : PowerInput {
        void DisplayPower(bool on) override { heard.push_back(on); }
        std::vector<bool> heard;
    } power;
    Locker locker(Shell::Layer);
    WaylandConnection connection;
    WaylandDesktop desktop(connection, 0);
    DesktopSurface window(connection, desktop, "form");
    window.SetInput(&power);
    window.Show();
    int drawn = 0;
    auto run = [&](double seconds) {
        for (int i = 0; i < seconds * 100; ++i) {
            connection.drain();
            pollfd ready{connection.fd(), POLLIN, 0};
            poll(&ready, 1, 10);
            if (!window.FrameWanted()) continue;
            ++drawn;
            window.Image().markAllDamaged();
            window.Refresh();
        }
    };
    run(0.5);
    locker.holdFrames = true;
    run(0.3);
    const int before = drawn;
    run(1.2);
    EXPECT_LE(drawn - before, 1) << "frames drawn for an output that asks for none";
    EXPECT_EQ(power.heard, std::vector<bool>{false});
    locker.holdFrames = false;
    run(0.3);
    EXPECT_EQ(power.heard, (std::vector<bool>{false, true}));
    EXPECT_GT(drawn - before, 5) << "frames again";
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
