#include "platform/wayland/session_guard.h"

#include <wayland-client.h>

#include <cstdio>

#include "ext-session-lock-v1-client.h"
#include "wlr-input-inhibitor-unstable-v1-client.h"

namespace lumaris::wayland {

namespace {
constexpr const char* kUnguarded =
    "lumaris: this compositor cannot keep its own key bindings from ending the scene (it offers neither the "
    "session lock nor the input inhibitor)\n";
}  // namespace

struct SessionGuard::Events {
    static void locked(void* data, ext_session_lock_v1*) { static_cast<SessionGuard*>(data)->locked_ = true; }
    static void finished(void* data, ext_session_lock_v1*) {
        static_cast<SessionGuard*>(data)->fallBack();
    }
};

namespace {
const ext_session_lock_v1_listener kLockListener = {SessionGuard::Events::locked, SessionGuard::Events::finished};
}  // namespace

SessionGuard::SessionGuard(WaylandConnection& connection, std::function<void()> finished)
    : connection_(connection), finished_(std::move(finished)) {
    if (connection_.sessionLock() != nullptr) {
        lock_ = ext_session_lock_manager_v1_lock(connection_.sessionLock());
        ext_session_lock_v1_add_listener(lock_, &kLockListener, this);
        kind_ = Kind::SessionLock;
    } else if (connection_.inputInhibitor() != nullptr) {
        inhibitor_ = zwlr_input_inhibit_manager_v1_get_inhibitor(connection_.inputInhibitor());
        kind_ = Kind::InputInhibitor;
    } else {
        std::fputs(kUnguarded, stderr);
    }
    wl_display_flush(connection_.display());
}

SessionGuard::~SessionGuard() {
    if (inhibitor_ != nullptr) zwlr_input_inhibitor_v1_destroy(inhibitor_);
    if (lock_ != nullptr) {
        if (locked_) {
            // Locked and not unlocked: the session stays locked; only this
            // side's record of the lock goes.
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(lock_));
        } else {
            ext_session_lock_v1_destroy(lock_);
        }
    }
    wl_display_flush(connection_.display());
}

void SessionGuard::letGo() {
    if (lock_ == nullptr) return;
    // Once locked, only unlocking ends the lock object.
    if (locked_) {
        ext_session_lock_v1_unlock_and_destroy(lock_);
    } else {
        ext_session_lock_v1_destroy(lock_);
    }
    lock_ = nullptr;
    locked_ = false;
}

void SessionGuard::unlock() {
    if (lock_ == nullptr) return;
    letGo();
    // The program may end right after: the compositor must have seen it.
    wl_display_roundtrip(connection_.display());
}

void SessionGuard::fallBack() {
    letGo();
    kind_ = Kind::None;
    std::fputs("lumaris: the compositor refused the session lock or ended it (another program may hold it): its key "
               "bindings can end the scene\n",
               stderr);
    if (finished_) finished_();
}

}  // namespace lumaris::wayland
