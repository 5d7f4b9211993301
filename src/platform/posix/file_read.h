// Reading a file the user controls without trusting it: never blocking (a
// FIFO in its place), only regular files, and never more than a bound (a
// link to /dev/zero).
#pragma once

#include <cstddef>
#include <string>

namespace lumaris::posix {

enum class ReadResult { Read, Missing, TooLarge, NotAFile, Failed };

struct FileText {
    ReadResult result = ReadResult::Failed;
    std::string text;
    int error = 0;  // errno of a Failed or NotAFile read
};

// At most `limit` bytes: a longer file gives TooLarge (its text cut at the
// limit).
FileText readBoundedFile(const std::string& path, std::size_t limit);

}  // namespace lumaris::posix
