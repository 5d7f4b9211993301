// Checking a user's password through PAM.
#pragma once

#include <string>

namespace lumaris::posix {

enum class PamResult {
    Verified,
    Refused,      // wrong password, unknown user, too many tries
    Unavailable,  // PAM could not check at all (no service, broken module)
};

// The service file installed for the program.
inline constexpr const char* kPamService = "lumaris";

// Authenticates user with password through the service. confdir, when not
// empty, is a folder of service files used instead of the system's.
PamResult pamAuthenticate(const std::string& service, const std::string& user, const char* password,
                          const std::string& confdir = {});

// The user's password checked by the program's own service.
PamResult checkPassword(const std::string& user, const char* password);

// Whether PAM can check this user's password at all, found out without a
// login attempt (a probe must not count as a failed login): the service
// starts and its account modules load and accept the account. Empty when it
// can; otherwise why not, in a few words.
std::string pamUnusableReason(const std::string& service, const std::string& user, const std::string& confdir = {});

// The name of the user who runs the program.
std::string currentUser();

}  // namespace lumaris::posix
