// Screensaver passwords on Linux. Changing: The saver is unlocked with the
// user's login password, so the desktop's own tool for changing that password
// is started directly (no shell), and this call waits until it has finished.
// Where no such tool is installed, a message box titled "Lumaris" tells the
// user how to change the password instead.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/passwords.h"
#include "platform/ui.h"

namespace lumaris::posix {

class LinuxPasswords : public Passwords {
public:
    // searchPath: the folders to look in, as in $PATH.
    LinuxPasswords(Ui& ui, std::string searchPath);
    // Looking in the folders of this process's PATH (/usr/bin:/bin without).
    explicit LinuxPasswords(Ui& ui);
    std::int32_t PwdChangePasswordA(const char* registryKey, Hwnd parent, std::int32_t reserved1,
                                    std::int32_t reserved2) override;
    // Asks through the verifier set with setVerifier; without one, nothing
    // is verified.
    std::int32_t VerifyScreenSavePwd(Hwnd window) override { return verifier_ ? verifier_(window) : 0; }
    void setVerifier(std::function<std::int32_t(Hwnd)> verifier) { verifier_ = std::move(verifier); }

    // The tools tried, in order: program name, then its arguments.
    static const std::vector<std::vector<std::string>>& tools();
    // The full path of the first installed tool's program, and its index.
    std::pair<std::string, std::size_t> findTool() const;

private:
    Ui& ui_;
    std::string searchPath_;
    std::function<std::int32_t(Hwnd)> verifier_;
};

inline constexpr const char* kPasswordHelpText =
    "The screensaver is unlocked with your login password.\n\n"
    "To change it, open a terminal and run: passwd";

}  // namespace lumaris::posix
