// The wildcard file search on Linux: one directory scan per search, names
// matched without regard to case, plain files only (no folders, no
// dot-files, no devices, sockets or pipes). A folder that cannot be read
// gives no names, like an empty one.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"

namespace lumaris::posix {

class LinuxFiles : public Files {
public:
    explicit LinuxFiles(std::string musicFolder) : musicFolder_(std::move(musicFolder)) {}
    std::string Dir(const std::string& pattern) override;
    std::string DirNext() override;

private:
    std::string musicFolder_;
    std::vector<std::string> names_;
    std::size_t next_ = 0;
};

}  // namespace lumaris::posix
