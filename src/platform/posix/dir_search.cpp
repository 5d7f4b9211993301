#include "platform/posix/dir_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include "platform/posix/paths.h"

namespace lumaris::posix {

std::string LinuxFiles::Dir(const std::string& pattern) {
    names_.clear();
    next_ = 0;
    const std::string path = linuxPath(pattern, musicFolder_);
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string wildcard = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return {};
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;  // hidden
        if (::fnmatch(wildcard.c_str(), entry->d_name, FNM_CASEFOLD) != 0) continue;
        bool plain = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Only here is a stat needed: a link counts when it leads to a file.
            struct stat info {};
            plain = ::fstatat(dirFd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (plain) names_.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return DirNext();
}

std::string LinuxFiles::DirNext() { return next_ < names_.size() ? names_[next_++] : std::string(); }

}  // namespace lumaris::posix
