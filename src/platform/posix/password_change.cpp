#include "platform/posix/password_change.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "runtime/failure.h"
#include "startup/lumz_submain.h"

extern char** environ;

namespace lumaris::posix {

namespace {
std::string processSearchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "/usr/bin:/bin";
}
}  // namespace

LinuxPasswords::LinuxPasswords(Ui& ui) : LinuxPasswords(ui, processSearchPath()) {}

LinuxPasswords::LinuxPasswords(Ui& ui, std::string searchPath) : ui_(ui), searchPath_(std::move(searchPath)) {}

const std::vector<std::vector<std::string>>& LinuxPasswords::tools() {
    static const std::vector<std::vector<std::string>> list = {
        {"userpasswd"},                               // a password dialog of its own
        {"gnome-control-center", "user-accounts"},    // the desktop's account settings
        {"kcmshell6", "kcm_users"},
        {"kcmshell5", "kcm_users"},
        {"mate-about-me"},
    };
    return list;
}

std::pair<std::string, std::size_t> LinuxPasswords::findTool() const {
    for (std::size_t i = 0; i < tools().size(); ++i) {
        std::size_t start = 0;
        while (start <= searchPath_.size()) {
            auto end = searchPath_.find(':', start);
            if (end == std::string::npos) end = searchPath_.size();
            const std::string folder = searchPath_.substr(start, end - start);
            if (!folder.empty()) {
                const std::string candidate = folder + "/" + tools()[i][0];
                if (::access(candidate.c_str(), X_OK) == 0) return {candidate, i};
            }
            start = end + 1;
        }
    }
    return {std::string(), 0};
}

std::int32_t LinuxPasswords::PwdChangePasswordA(const char* /*registryKey*/, Hwnd /*parent*/,
                                                std::int32_t /*reserved1*/, std::int32_t /*reserved2*/) {
    const auto [program, index] = findTool();
    if (program.empty()) {
        ui_.MsgBox(kPasswordHelpText, kMbIconInformation, kProductName);
        return 0;
    }
    std::vector<std::string> words = tools()[index];
    words[0] = program;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        ui_.MsgBox(kPasswordHelpText, kMbIconInformation, kProductName);
        return 0;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
}

}  // namespace lumaris::posix
