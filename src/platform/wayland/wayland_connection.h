// The connection of the Wayland host: the display (a connection handed over
// in WAYLAND_SOCKET, else WAYLAND_DISPLAY), the globals the compositor
// offers, and its outputs: each one's current mode in physical pixels, its
// whole-number scale and its logical place and size (xdg-output where
// offered, else the mode divided by the scale). Outputs may come and go
// while the program runs; the owner hears of both. Every global but the
// compositor and shared memory may be missing (a screen locker offers only
// those, the layer shell and the outputs).
//
// Not here: input (the seat's devices belong to the surfaces that take it).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_output;
struct wl_seat;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;
struct ext_session_lock_manager_v1;
struct zwlr_input_inhibit_manager_v1;

namespace lumaris::wayland {

struct Output {
    std::uint32_t id = 0;  // the registry's name for it
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    std::string name;
    int modeWidth = 0, modeHeight = 0;  // physical pixels
    int scale = 1;
    int refreshMhz = 0;  // the mode's refresh rate in mHz, 0 where not told
    int x = 0, y = 0;                            // the logical place
    int logicalWidth = 0, logicalHeight = 0;     // 0 until xdg-output tells
    bool ready = false;                          // its first description is complete
    // Runs when a description after the first changes something.
    std::function<void()> changed;

    // The size in logical pixels (xdg-output's, else the mode over the scale).
    int width() const { return logicalWidth > 0 ? logicalWidth : modeWidth / scale; }
    int height() const { return logicalHeight > 0 ? logicalHeight : modeHeight / scale; }
};

class WaylandConnection {
public:
    // A Failure (one line) when there is no Wayland display, or it offers no
    // compositor or shared memory.
    WaylandConnection();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_; }
    int fd() const;

    wl_compositor* compositor() const { return compositor_; }
    wl_shm* shm() const { return shm_; }
    zwlr_layer_shell_v1* layerShell() const { return layerShell_; }
    xdg_wm_base* wmBase() const { return wmBase_; }
    wp_viewporter* viewporter() const { return viewporter_; }
    wp_fractional_scale_manager_v1* fractionalScale() const { return fractionalScale_; }
    wl_seat* seat() const { return seat_; }
    // What a screen locker takes: the session lock, or on compositors that
    // have none, the input inhibitor.
    ext_session_lock_manager_v1* sessionLock() const { return sessionLock_; }
    zwlr_input_inhibit_manager_v1* inputInhibitor() const { return inputInhibitor_; }

    // The outputs whose description is complete, in the order they came.
    std::vector<Output*> outputs() const;
    // `added` runs for each output once its description is complete (for
    // those there already, right away); `removed` just before one goes.
    void watchOutputs(std::function<void(Output&)> added, std::function<void(Output&)> removed);

    // Reads and handles what arrived and sends what is queued, without
    // waiting; false once the connection is gone.
    bool drain();
    bool closed() const { return closed_; }

private:
    static void global(void* data, wl_registry* registry, std::uint32_t id, const char* interface,
                       std::uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, std::uint32_t id);
    void addOutput(std::uint32_t id, std::uint32_t version);
    void describeLogically(Output& output);
    void outputDone(Output& output);
    bool lost();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    xdg_wm_base* wmBase_ = nullptr;
    zxdg_output_manager_v1* xdgOutputs_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_session_lock_manager_v1* sessionLock_ = nullptr;
    zwlr_input_inhibit_manager_v1* inputInhibitor_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::function<void(Output&)> added_, removed_;
    bool closed_ = false;

    friend struct OutputEvents;
};

}  // namespace lumaris::wayland
