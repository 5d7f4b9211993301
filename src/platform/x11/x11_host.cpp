#include "platform/x11/x11_host.h"

#include <SDL.h>

#include <utility>

#include "platform/posix/pam_verifier.h"

namespace lumaris::x11 {

X11Host::X11Host(int scaleChoice) {
    // Before SDL starts: nothing above calls it.
    prepareSdlVideo();
    windows_.setScaleChoice(scaleChoice);
    loop_.quitOnEndSignals();
}

Toolkit& X11Host::start(sdl::SdlMixer& mixer, posix::LinuxPasswords& passwords, posix::LinuxApp& app,
                        X11Toolkit::DialogMaker dialogs) {
    toolkit_ = std::make_unique<X11Toolkit>(loop_, windows_, mixer, std::move(dialogs));
    lock_ = std::make_unique<ScreenLock>(
        loop_, [this](Hwnd handle) { return toolkit_->windowFor(handle); }, posix::checkPassword);
    passwords.setVerifier([this](Hwnd window) { return lock_->verify(window); });
    // Ending the program: the windows gone before the sound and the exit.
    app.atEnd([] { SDL_Quit(); });
    return *toolkit_;
}

}  // namespace lumaris::x11
