#include "platform/wayland/wayland_host.h"

#include <SDL.h>

#include "platform/posix/pam_verifier.h"

namespace lumaris::wayland {

WaylandHost::WaylandHost(int scaleChoice) : desktop_(connection_, scaleChoice) {
    // The loop handles the end signals; SDL (sound only here) must not.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

Toolkit& WaylandHost::start(sdl::SdlMixer& mixer, posix::LinuxPasswords& passwords) {
    toolkit_ = std::make_unique<WaylandToolkit>(loop_, connection_, desktop_, mixer);
    passwords.setVerifier([this](Hwnd) { return toolkit_->askPassword(posix::checkPassword); });
    // An end signal is a request to end, as the session's quit is on X11.
    loop_.onEndSignal([this] { toolkit_->terminate(); });
    loop_.quitOnEndSignals();
    return *toolkit_;
}

}  // namespace lumaris::wayland
