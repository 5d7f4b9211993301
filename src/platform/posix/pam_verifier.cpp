#include "platform/posix/pam_verifier.h"

#include <pwd.h>
#include <security/pam_appl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

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
