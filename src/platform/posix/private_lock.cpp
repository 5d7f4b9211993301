#include "platform/posix/private_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace lumaris::posix {

namespace {

// A real folder (not a link), the user's, that no one else can write to.
bool ownFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::string privateFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && ownFolder(runtime)) return runtime;
    const std::string folder = "/tmp/lumaris-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return ownFolder(folder) ? folder : std::string();
}

PrivateLock::PrivateLock(const std::string& name) {
    const std::string folder = privateFolder();
    if (folder.empty()) return;
    const std::string path = folder + "/" + name;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
    struct stat info {};
    if (fd_ >= 0 && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid())) {
        ::close(fd_);
        fd_ = -1;
    }
}

PrivateLock::~PrivateLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool PrivateLock::tryTake() {
    if (fd_ < 0) return false;
    if (!held_) held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    return held_;
}

bool PrivateLock::take(int ms) {
    for (int waited = 0; !tryTake() && fd_ >= 0 && waited < ms; waited += 10) ::usleep(10000);
    return held_;
}

void PrivateLock::release() {
    if (held_) ::flock(fd_, LOCK_UN);
    held_ = false;
}

bool claimSound(PrivateLock& lock) { return !lock.usable() || lock.tryTake(); }

std::string displaySoundLockName(const std::string& displayName) {
    std::string display;
    for (char c : displayName) display += (std::isalnum(static_cast<unsigned char>(c)) || c == '.') ? c : '_';
    return "sound-" + display + ".lock";
}

}  // namespace lumaris::posix
