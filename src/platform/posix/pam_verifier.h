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

// What the system keeps of an account's password: one that a typed answer
// can match, a locked one ("!" or "*" in the shadow file: no answer is
// ever right), none at all, or not known here (a network account).
enum class PasswordState { Usable, Locked, Empty, Unknown };

// The state of a password field of the shadow or passwd file.
PasswordState passwordFieldState(const std::string& field);
// The state in a line of `passwd -S`: "name L|NP|P date ...".
PasswordState passwdStatusState(const std::string& line);
// The user's own account, read without a login attempt: the shadow entry
// where the program may read it (as root), else `passwd -S`.
PasswordState accountPasswordState(const std::string& user);

// Empty when a password typed for the user can be checked; otherwise why
// not: the account's password is locked or empty, or PAM cannot check it.
std::string passwordUnusableReason(const std::string& user);

// The name of the user who runs the program.
std::string currentUser();

}  // namespace lumaris::posix
