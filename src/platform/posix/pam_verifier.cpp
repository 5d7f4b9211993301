#include "platform/posix/pam_verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <security/pam_appl.h>
#include <shadow.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace lumaris::posix {

namespace {

// Answers PAM's password questions with the password; other questions get
// an empty answer, messages are ignored.
int conversation(int count, const struct pam_message** messages, struct pam_response** responses, void* data) {
    const char* password = static_cast<const char*>(data);
    auto* answers = static_cast<pam_response*>(std::calloc(static_cast<std::size_t>(count), sizeof(pam_response)));
    if (answers == nullptr) return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        const int style = messages[i]->msg_style;
        if (style == PAM_PROMPT_ECHO_OFF || style == PAM_PROMPT_ECHO_ON) {
            answers[i].resp = strdup(style == PAM_PROMPT_ECHO_OFF ? password : "");
            if (answers[i].resp == nullptr) {
                for (int k = 0; k < i; ++k) {
                    if (answers[k].resp != nullptr) {
                        explicit_bzero(answers[k].resp, std::strlen(answers[k].resp));
                        std::free(answers[k].resp);
                    }
                }
                std::free(answers);
                return PAM_BUF_ERR;
            }
        }
    }
    *responses = answers;
    return PAM_SUCCESS;
}

}  // namespace

std::string currentUser() {
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_name != nullptr) return entry->pw_name;
    const char* name = std::getenv("USER");
    return name != nullptr ? name : "";
}

namespace {
// Answers nothing: the probe asks no questions.
int noAnswers(int, const struct pam_message**, struct pam_response**, void*) { return PAM_CONV_ERR; }
}  // namespace

std::string pamUnusableReason(const std::string& service, const std::string& user, const std::string& confdir) {
    pam_conv conv{&noAnswers, nullptr};
    pam_handle_t* handle = nullptr;
    const int started = confdir.empty()
                            ? pam_start(service.c_str(), user.c_str(), &conv, &handle)
                            : pam_start_confdir(service.c_str(), user.c_str(), &conv, confdir.c_str(), &handle);
    if (started != PAM_SUCCESS) {
        const std::string reason = std::string("the PAM service ") + service + " does not start (" +
                                   (handle != nullptr ? pam_strerror(handle, started) : "no handle") + ")";
        if (handle != nullptr) pam_end(handle, started);
        return reason;
    }
    // The account stack checks the account without a password: no login
    // attempt, nothing for failed-login counters.
    const int status = pam_acct_mgmt(handle, PAM_SILENT);
    std::string reason;
    if (status != PAM_SUCCESS && status != PAM_NEW_AUTHTOK_REQD) {
        reason = "PAM cannot check the account " + user + " (" + pam_strerror(handle, status) + ")";
    }
    pam_end(handle, status);
    return reason;
}

PasswordState passwordFieldState(const std::string& field) {
    if (field.empty()) return PasswordState::Empty;
    if (field[0] == '!' || field[0] == '*') return PasswordState::Locked;
    return PasswordState::Usable;
}

PasswordState passwdStatusState(const std::string& line) {
    std::istringstream words(line);
    std::string name, status;
    if (!(words >> name >> status)) return PasswordState::Unknown;
    if (status == "P" || status == "PS") return PasswordState::Usable;
    if (status == "L" || status == "LK") return PasswordState::Locked;
    if (status == "NP") return PasswordState::Empty;
    return PasswordState::Unknown;
}

namespace {
// The first line `passwd -S` writes for the caller's own account, or empty.
std::string ownPasswdStatus() {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::string line;
    for (const char* tool : {"/usr/bin/passwd", "/bin/passwd"}) {
        char* argv[] = {const_cast<char*>("passwd"), const_cast<char*>("-S"), nullptr};
        char* envp[] = {const_cast<char*>("LC_ALL=C"), const_cast<char*>("PATH=/usr/bin:/bin"), nullptr};
        pid_t child = -1;
        if (posix_spawn(&child, tool, &actions, nullptr, argv, envp) != 0) continue;
        close(out[1]);
        out[1] = -1;
        // A bounded read with a bounded wait: the tool answers at once.
        char buffer[512];
        std::size_t used = 0;
        pollfd waiting{out[0], POLLIN, 0};
        while (used < sizeof buffer && poll(&waiting, 1, 2000) > 0) {
            const ssize_t n = read(out[0], buffer + used, sizeof buffer - used);
            if (n <= 0) break;
            used += static_cast<std::size_t>(n);
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == 0) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) line.assign(buffer, used);
        break;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (out[1] >= 0) close(out[1]);
    close(out[0]);
    return line.substr(0, line.find('\n'));
}
}  // namespace

PasswordState accountPasswordState(const std::string& user) {
    const passwd* entry = getpwnam(user.c_str());
    if (entry == nullptr || entry->pw_passwd == nullptr) return PasswordState::Unknown;
    // A password kept in the passwd file itself.
    if (std::strcmp(entry->pw_passwd, "x") != 0) return passwordFieldState(entry->pw_passwd);
    if (geteuid() == 0) {
        const spwd* shadow = getspnam(user.c_str());
        return shadow != nullptr && shadow->sp_pwdp != nullptr ? passwordFieldState(shadow->sp_pwdp)
                                                               : PasswordState::Unknown;
    }
    // Only the caller's own account can be asked about without privileges.
    if (entry->pw_uid != getuid()) return PasswordState::Unknown;
    return passwdStatusState(ownPasswdStatus());
}

std::string passwordUnusableReason(const std::string& user) {
    switch (accountPasswordState(user)) {
        case PasswordState::Locked: return "the password of " + user + " is locked, so no password could be right";
        case PasswordState::Empty: return "the account " + user + " has no password";
        case PasswordState::Usable:
        case PasswordState::Unknown: break;
    }
    return pamUnusableReason(kPamService, user);
}

PamResult pamAuthenticate(const std::string& service, const std::string& user, const char* password,
                          const std::string& confdir) {
    pam_conv conv{&conversation, const_cast<char*>(password)};
    pam_handle_t* handle = nullptr;
    const int started = confdir.empty()
                            ? pam_start(service.c_str(), user.c_str(), &conv, &handle)
                            : pam_start_confdir(service.c_str(), user.c_str(), &conv, confdir.c_str(), &handle);
    if (started != PAM_SUCCESS) {
        if (handle != nullptr) pam_end(handle, started);
        return PamResult::Unavailable;
    }
    // Only the password is checked: an account that needs a new password
    // still unlocks its own session.
    const int status = pam_authenticate(handle, 0);
    pam_end(handle, status);
    switch (status) {
        case PAM_SUCCESS:
            return PamResult::Verified;
        case PAM_AUTH_ERR:
        case PAM_USER_UNKNOWN:
        case PAM_MAXTRIES:
        case PAM_CRED_INSUFFICIENT:
        case PAM_PERM_DENIED:
            return PamResult::Refused;
        default:
            return PamResult::Unavailable;
    }
}

PamResult checkPassword(const std::string& user, const char* password) {
    return pamAuthenticate(kPamService, user, password);
}

}  // namespace lumaris::posix
