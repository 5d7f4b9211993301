// What keeps the desktop from the keyboard while the scene asks for the
// password, as strongly as the compositor allows:
//
// - the session lock (ext-session-lock-v1): the compositor shows nothing
//   but the lock's surfaces, runs only the key bindings meant for a locked
//   session, and stays locked if the program dies; it is let go only after
//   a verified password;
// - else the input inhibitor (wlr-input-inhibitor, the locker protocol of
//   older wlroots compositors): every key and the pointer go to this
//   program alone, and the compositor's bindings but the locked ones do
//   not run; it ends with the program;
// - else nothing: the compositor's own bindings still run, and one line on
//   standard error says so.
#pragma once

#include <functional>

#include "platform/wayland/wayland_connection.h"

struct ext_session_lock_v1;
struct zwlr_input_inhibitor_v1;

namespace lumaris::wayland {

class SessionGuard {
public:
    enum class Kind { None, SessionLock, InputInhibitor };

    // Takes the strongest guard the compositor offers. `finished` runs when
    // the compositor refuses the session lock or ends it (another program
    // holds it): the guard is then none, and one line on standard error says
    // so.
    SessionGuard(WaylandConnection& connection, std::function<void()> finished);
    // An end without a verified password leaves a session lock in place.
    ~SessionGuard();
    SessionGuard(const SessionGuard&) = delete;
    SessionGuard& operator=(const SessionGuard&) = delete;

    Kind kind() const { return kind_; }
    // The lock surfaces are made from this; null unless the kind is the
    // session lock.
    ext_session_lock_v1* lock() const { return kind_ == Kind::SessionLock ? lock_ : nullptr; }
    bool locked() const { return locked_; }
    // After a verified password: the session is unlocked, and the compositor
    // has seen it by the time this returns.
    void unlock();

    struct Events;

private:
    void fallBack();
    // Ends the lock object the way its state allows.
    void letGo();
    WaylandConnection& connection_;
    std::function<void()> finished_;
    Kind kind_ = Kind::None;
    ext_session_lock_v1* lock_ = nullptr;
    zwlr_input_inhibitor_v1* inhibitor_ = nullptr;
    bool locked_ = false;
};

}  // namespace lumaris::wayland
