#include "platform/posix/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace lumaris::posix {

FileText readBoundedFile(const std::string& path, std::size_t limit) {
    FileText out;
    // Non-blocking: opening a FIFO for reading does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        out.error = errno;
        out.result = out.error == ENOENT ? ReadResult::Missing : ReadResult::Failed;
        return out;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        out.error = errno;
        out.result = ReadResult::Failed;
        ::close(fd);
        return out;
    }
    if (!S_ISREG(info.st_mode)) {
        out.error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        out.result = ReadResult::NotAFile;
        ::close(fd);
        return out;
    }
    char buffer[8192];
    out.result = ReadResult::Read;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            const int error = errno;
            if (error == EINTR) continue;
            out.error = error;
            out.result = ReadResult::Failed;
            break;
        }
        if (n == 0) break;
        const std::size_t room = limit - out.text.size();
        out.text.append(buffer, std::min(room, static_cast<std::size_t>(n)));
        if (static_cast<std::size_t>(n) > room) {
            out.result = ReadResult::TooLarge;
            break;
        }
    }
    ::close(fd);
    return out;
}

}  // namespace lumaris::posix
