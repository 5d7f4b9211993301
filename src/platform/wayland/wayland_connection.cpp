#include "platform/wayland/wayland_connection.h"

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ext-session-lock-v1-client.h"
#include "fractional-scale-v1-client.h"
#include "runtime/failure.h"
#include "viewporter-client.h"
#include "platform/wayland/layer_shell.h"
#include "wlr-input-inhibitor-unstable-v1-client.h"
#include "xdg-output-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace lumaris::wayland {

// The events of an output and of its xdg-output; a description is complete
// at wl_output's done (which, from xdg-output version 3 on, also ends the
// xdg-output's part).
struct OutputEvents {
    static WaylandConnection* connection(void* data) { return static_cast<WaylandConnection*>(data); }
    static Output* find(WaylandConnection* c, wl_output* o) {
        for (auto& output : c->outputs_) {
            if (output->output == o) return output.get();
        }
        return nullptr;
    }
    static Output* findXdg(WaylandConnection* c, zxdg_output_v1* o) {
        for (auto& output : c->outputs_) {
            if (output->xdgOutput == o) return output.get();
        }
        return nullptr;
    }

    static void geometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         const char*, const char*, std::int32_t) {}
    static void mode(void* data, wl_output* o, std::uint32_t flags, std::int32_t width, std::int32_t height,
                     std::int32_t refresh) {
        Output* output = find(connection(data), o);
        if (output == nullptr || (flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
        output->modeWidth = width;
        output->modeHeight = height;
        output->refreshMhz = refresh;
    }
    static void done(void* data, wl_output* o) {
        if (Output* output = find(connection(data), o)) connection(data)->outputDone(*output);
    }
    static void scale(void* data, wl_output* o, std::int32_t factor) {
        if (Output* output = find(connection(data), o)) output->scale = std::max(factor, 1);
    }
    static void name(void* data, wl_output* o, const char* text) {
        if (Output* output = find(connection(data), o)) output->name = text != nullptr ? text : "";
    }
    static void description(void*, wl_output*, const char*) {}

    static void logicalPosition(void* data, zxdg_output_v1* o, std::int32_t x, std::int32_t y) {
        if (Output* output = findXdg(connection(data), o)) {
            output->x = x;
            output->y = y;
        }
    }
    static void logicalSize(void* data, zxdg_output_v1* o, std::int32_t width, std::int32_t height) {
        if (Output* output = findXdg(connection(data), o)) {
            output->logicalWidth = width;
            output->logicalHeight = height;
        }
    }
    static void xdgDone(void*, zxdg_output_v1*) {}
    static void xdgName(void*, zxdg_output_v1*, const char*) {}
    static void xdgDescription(void*, zxdg_output_v1*, const char*) {}

    static void ping(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }
};

namespace {

const wl_output_listener kOutputListener = {OutputEvents::geometry, OutputEvents::mode,  OutputEvents::done,
                                            OutputEvents::scale,    OutputEvents::name, OutputEvents::description};
const zxdg_output_v1_listener kXdgOutputListener = {OutputEvents::logicalPosition, OutputEvents::logicalSize,
                                                    OutputEvents::xdgDone, OutputEvents::xdgName,
                                                    OutputEvents::xdgDescription};
const xdg_wm_base_listener kWmBaseListener = {OutputEvents::ping};

template <typename T>
T* bind(wl_registry* registry, std::uint32_t id, const wl_interface* interface, std::uint32_t offered,
        std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, id, interface, std::min(offered, wanted)));
}

}  // namespace

WaylandConnection::WaylandConnection() {
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) throw Failure(failures::kCannotCreate, "No Wayland display: cannot connect");
    registry_ = wl_display_get_registry(display_);
    static const wl_registry_listener listener = {&WaylandConnection::global, &WaylandConnection::globalRemove};
    wl_registry_add_listener(registry_, &listener, this);
    // The globals, then what the outputs say of themselves.
    if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
        throw Failure(failures::kCannotCreate, "No Wayland display: the connection failed");
    }
    if (compositor_ == nullptr || shm_ == nullptr) {
        throw Failure(failures::kCannotCreate, "The Wayland display offers no compositor or shared memory");
    }
}

WaylandConnection::~WaylandConnection() {
    for (auto& output : outputs_) {
        if (output->xdgOutput != nullptr) zxdg_output_v1_destroy(output->xdgOutput);
        if (output->output != nullptr) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(output->output));
    }
    auto destroy = [](void* proxy) {
        if (proxy != nullptr) wl_proxy_destroy(static_cast<wl_proxy*>(proxy));
    };
    destroy(xdgOutputs_);
    destroy(layerShell_);
    destroy(wmBase_);
    destroy(viewporter_);
    destroy(fractionalScale_);
    destroy(seat_);
    destroy(sessionLock_);
    destroy(inputInhibitor_);
    destroy(shm_);
    destroy(compositor_);
    destroy(registry_);
    wl_display_disconnect(display_);
}

int WaylandConnection::fd() const { return wl_display_get_fd(display_); }

void WaylandConnection::global(void* data, wl_registry* registry, std::uint32_t id, const char* interface,
                               std::uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    const std::string name = interface;
    if (name == wl_compositor_interface.name) {
        self->compositor_ = bind<wl_compositor>(registry, id, &wl_compositor_interface, version, 4);
    } else if (name == wl_shm_interface.name) {
        self->shm_ = bind<wl_shm>(registry, id, &wl_shm_interface, version, 1);
    } else if (name == zwlr_layer_shell_v1_interface.name) {
        self->layerShell_ = bind<zwlr_layer_shell_v1>(registry, id, &zwlr_layer_shell_v1_interface, version, 4);
    } else if (name == xdg_wm_base_interface.name) {
        self->wmBase_ = bind<xdg_wm_base>(registry, id, &xdg_wm_base_interface, version, 2);
        xdg_wm_base_add_listener(self->wmBase_, &kWmBaseListener, self);
    } else if (name == zxdg_output_manager_v1_interface.name) {
        self->xdgOutputs_ = bind<zxdg_output_manager_v1>(registry, id, &zxdg_output_manager_v1_interface, version, 3);
        for (auto& output : self->outputs_) self->describeLogically(*output);
    } else if (name == wp_viewporter_interface.name) {
        self->viewporter_ = bind<wp_viewporter>(registry, id, &wp_viewporter_interface, version, 1);
    } else if (name == wp_fractional_scale_manager_v1_interface.name) {
        self->fractionalScale_ = bind<wp_fractional_scale_manager_v1>(
            registry, id, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (name == ext_session_lock_manager_v1_interface.name) {
        self->sessionLock_ =
            bind<ext_session_lock_manager_v1>(registry, id, &ext_session_lock_manager_v1_interface, version, 1);
    } else if (name == zwlr_input_inhibit_manager_v1_interface.name) {
        self->inputInhibitor_ =
            bind<zwlr_input_inhibit_manager_v1>(registry, id, &zwlr_input_inhibit_manager_v1_interface, version, 1);
    } else if (name == wl_seat_interface.name && self->seat_ == nullptr) {
        self->seat_ = bind<wl_seat>(registry, id, &wl_seat_interface, version, 5);
    } else if (name == wl_output_interface.name) {
        self->addOutput(id, version);
    }
}

void WaylandConnection::addOutput(std::uint32_t id, std::uint32_t version) {
    auto output = std::make_unique<Output>();
    output->id = id;
    // Version 2 at least: done and scale.
    if (version < 2) return;
    output->output = bind<wl_output>(registry_, id, &wl_output_interface, version, 4);
    wl_output_add_listener(output->output, &kOutputListener, this);
    describeLogically(*output);
    outputs_.push_back(std::move(output));
}

void WaylandConnection::describeLogically(Output& output) {
    if (xdgOutputs_ == nullptr || output.xdgOutput != nullptr || output.output == nullptr) return;
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutputListener, this);
}

void WaylandConnection::outputDone(Output& output) {
    if (output.modeWidth <= 0 || output.modeHeight <= 0) return;
    if (output.ready) {
        if (output.changed) output.changed();
        return;
    }
    output.ready = true;
    if (added_) added_(output);
}

void WaylandConnection::globalRemove(void* data, wl_registry*, std::uint32_t id) {
    auto* self = static_cast<WaylandConnection*>(data);
    auto& all = self->outputs_;
    const auto it = std::find_if(all.begin(), all.end(), [id](const auto& o) { return o->id == id; });
    if (it == all.end()) return;
    std::unique_ptr<Output> output = std::move(*it);
    all.erase(it);
    if (output->ready && self->removed_) self->removed_(*output);
    if (output->xdgOutput != nullptr) zxdg_output_v1_destroy(output->xdgOutput);
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(output->output)) >= 3) {
        wl_output_release(output->output);
    } else {
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(output->output));
    }
}

std::vector<Output*> WaylandConnection::outputs() const {
    std::vector<Output*> ready;
    for (const auto& output : outputs_) {
        if (output->ready) ready.push_back(output.get());
    }
    return ready;
}

void WaylandConnection::watchOutputs(std::function<void(Output&)> added, std::function<void(Output&)> removed) {
    added_ = std::move(added);
    removed_ = std::move(removed);
    if (!added_) return;
    for (Output* output : outputs()) added_(*output);
}

bool WaylandConnection::lost() {
    closed_ = true;
    return false;
}

bool WaylandConnection::drain() {
    if (closed_) return false;
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) return lost();
    }
    pollfd ready{fd(), POLLIN, 0};
    if (poll(&ready, 1, 0) > 0 && (ready.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        if (wl_display_read_events(display_) < 0) return lost();
    } else {
        wl_display_cancel_read(display_);
    }
    if (wl_display_dispatch_pending(display_) < 0) return lost();
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) return lost();
    return true;
}

}  // namespace lumaris::wayland
