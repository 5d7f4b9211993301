#include "platform/wayland/idle_notify.h"

#include <poll.h>
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ext-idle-notify-v1-client.h"
#include "idle-client.h"

namespace lumaris::wayland {

namespace {

class CompositorIdle : public posix::IdleSource {
public:
    CompositorIdle(wl_display* display, posix::IdleHooks hooks) : display_(display), hooks_(std::move(hooks)) {}
    ~CompositorIdle() override {
        if (notification_ != nullptr) ext_idle_notification_v1_destroy(notification_);
        if (timeout_ != nullptr) org_kde_kwin_idle_timeout_release(timeout_);
        if (notifier_ != nullptr) ext_idle_notifier_v1_destroy(notifier_);
        if (kde_ != nullptr) org_kde_kwin_idle_destroy(kde_);
        if (seat_ != nullptr) wl_seat_destroy(seat_);
        if (registry_ != nullptr) wl_registry_destroy(registry_);
        wl_display_disconnect(display_);
    }

    // Finds the globals; false where neither protocol or no seat is offered.
    bool bind(int seconds) {
        registry_ = wl_display_get_registry(display_);
        static const wl_registry_listener listener = {&CompositorIdle::global, &CompositorIdle::globalRemove};
        wl_registry_add_listener(registry_, &listener, this);
        if (wl_display_roundtrip(display_) < 0 || seat_ == nullptr || (notifier_ == nullptr && kde_ == nullptr)) {
            return false;
        }
        const auto ms = static_cast<std::uint32_t>(seconds) * 1000u;
        if (notifier_ != nullptr) {
            notification_ = ext_idle_notifier_v1_get_idle_notification(notifier_, ms, seat_);
            static const ext_idle_notification_v1_listener events = {
                [](void* self, ext_idle_notification_v1*) { static_cast<CompositorIdle*>(self)->set(true); },
                [](void* self, ext_idle_notification_v1*) { static_cast<CompositorIdle*>(self)->set(false); }};
            ext_idle_notification_v1_add_listener(notification_, &events, this);
        } else {
            timeout_ = org_kde_kwin_idle_get_idle_timeout(kde_, seat_, ms);
            static const org_kde_kwin_idle_timeout_listener events = {
                [](void* self, org_kde_kwin_idle_timeout*) { static_cast<CompositorIdle*>(self)->set(true); },
                [](void* self, org_kde_kwin_idle_timeout*) { static_cast<CompositorIdle*>(self)->set(false); }};
            org_kde_kwin_idle_timeout_add_listener(timeout_, &events, this);
        }
        return wl_display_roundtrip(display_) >= 0;
    }

    void watch(posix::PollLoop& loop) {
        loop.watch(wl_display_get_fd(display_), [this] { drain(); });
    }

    bool idle() override { return idle_; }

private:
    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* self = static_cast<CompositorIdle*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat_ == nullptr) {
            self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
            self->notifier_ =
                static_cast<ext_idle_notifier_v1*>(wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
            self->kde_ = static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
        }
        (void)version;
    }
    static void globalRemove(void*, wl_registry*, std::uint32_t) {}

    void set(bool idle) {
        if (idle == idle_) return;
        idle_ = idle;
        if (hooks_.changed) hooks_.changed();
    }

    // Reads what came without blocking; a closed connection is the end of
    // the session.
    void drain() {
        while (wl_display_prepare_read(display_) != 0) wl_display_dispatch_pending(display_);
        wl_display_flush(display_);
        pollfd ready{wl_display_get_fd(display_), POLLIN, 0};
        if (poll(&ready, 1, 0) > 0) {
            if ((ready.revents & (POLLHUP | POLLERR)) != 0 && (ready.revents & POLLIN) == 0) {
                wl_display_cancel_read(display_);
                gone();
                return;
            }
            if (wl_display_read_events(display_) < 0) {
                gone();
                return;
            }
        } else {
            wl_display_cancel_read(display_);
        }
        if (wl_display_dispatch_pending(display_) < 0) gone();
    }
    void gone() {
        if (ended_) return;
        ended_ = true;
        if (hooks_.gone) hooks_.gone();
    }

    wl_display* display_;
    posix::IdleHooks hooks_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* notifier_ = nullptr;
    org_kde_kwin_idle* kde_ = nullptr;
    ext_idle_notification_v1* notification_ = nullptr;
    org_kde_kwin_idle_timeout* timeout_ = nullptr;
    bool idle_ = false;
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<posix::IdleSource> compositorIdle(posix::PollLoop& loop, int seconds, posix::IdleHooks hooks) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    const char* socket = std::getenv("WAYLAND_SOCKET");
    if ((name == nullptr || *name == '\0') && (socket == nullptr || *socket == '\0')) return nullptr;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return nullptr;
    auto source = std::make_unique<CompositorIdle>(display, std::move(hooks));
    if (!source->bind(seconds > 0 ? seconds : 300)) return nullptr;
    source->watch(loop);
    return source;
}

}  // namespace lumaris::wayland
