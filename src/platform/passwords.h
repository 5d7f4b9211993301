// Screensaver password services.
#pragma once

#include <cstdint>

#include "platform/user32.h"

namespace lumaris {

class Passwords {
public:
    virtual ~Passwords() = default;
    // The system's dialog for changing the screensaver password, owned by
    // parent. Returns when the dialog is done.
    virtual std::int32_t PwdChangePasswordA(const char* registryKey, Hwnd parent, std::int32_t reserved1,
                                            std::int32_t reserved2) = 0;
    // Asks the user for the password that ends the screensaver running in
    // window; non-zero when it was verified.
    virtual std::int32_t VerifyScreenSavePwd(Hwnd window) = 0;
};

}  // namespace lumaris
