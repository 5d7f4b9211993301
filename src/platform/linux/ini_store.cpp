#include "platform/linux/ini_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include "platform/linux/file_read.h"
#include "platform/linux/paths.h"
#include "runtime/convert.h"
#include "runtime/failure.h"

namespace lumaris::linux_backend {

namespace {

// A settings file holds a few hundred bytes; anything beyond this is not one.
constexpr std::size_t kMaxSettingsBytes = 16u * 1024 * 1024;

Failure fileFailure(int error, const std::string& what) {
    std::string reason;
    std::int32_t number = failures::kPathAccess;
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            number = failures::kDiskFull;
            reason = "Disk full";
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            number = failures::kPermissionDenied;
            reason = "Permission denied";
            break;
        default:
            reason = "Path/File access error";
            break;
    }
    return Failure(number, reason + " (" + what + ": " + std::strerror(error) + ")");
}

std::string trimSpace(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The file's text, or nothing when it does not exist. Any other problem
// (a folder in its place, no permission) is a failure.
std::optional<std::string> readFile(const std::string& path) {
    FileText file = readBoundedFile(path, kMaxSettingsBytes);
    switch (file.result) {
        case ReadResult::Read: return std::move(file.text);
        case ReadResult::Missing: return std::nullopt;
        case ReadResult::TooLarge:
            throw Failure(failures::kPathAccess, "Path/File access error (reading " + path + ": larger than " +
                                                     std::to_string(kMaxSettingsBytes / (1024 * 1024)) + " MB)");
        case ReadResult::NotAFile:
        case ReadResult::Failed: break;
    }
    throw fileFailure(file.error == 0 ? EINVAL : file.error, "reading " + path);
}

// Temporary files of this settings file that a save killed half-way left
// behind (the pattern with its six X's), once they are a minute old: a save
// of another process still running is never disturbed.
void removeStaleTemporaries(const std::string& pattern) {
    const auto slash = pattern.rfind('/');
    const std::string folder = pattern.substr(0, slash);
    const std::string prefix = pattern.substr(slash + 1, pattern.size() - slash - 1 - 6);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid() &&
            now - info.st_mtime > 60) {
            ::unlink(path.c_str());
        }
    }
    ::closedir(dir);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        // Kept byte for byte (a CR of a CRLF line included), so that a line
        // written back is the line that was read.
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// A line without the CR of a CRLF line end.
std::string content(const std::string& line) {
    return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line;
}

std::optional<std::string> sectionName(const std::string& raw) {
    const std::string t = trimSpace(content(raw));
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') return trimSpace(t.substr(1, t.size() - 2));
    return std::nullopt;
}

bool isComment(const std::string& line) {
    const std::string t = trimSpace(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// The key of a "key=value" line, or nothing for any other line.
std::optional<std::string> keyOf(const std::string& raw) {
    const std::string line = content(raw);
    if (isComment(line)) return std::nullopt;
    const auto equals = line.find('=');
    if (equals == std::string::npos) return std::nullopt;
    return trimSpace(line.substr(0, equals));
}

void makeFolders(const std::string& folder) {
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        partial = folder.substr(0, pos);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0700) != 0) {
            // errno is taken before anything else can run and change it.
            const int error = errno;
            if (error != EEXIST) throw fileFailure(error, "creating " + partial);
        }
    }
}

void writeAll(int fd, const std::string& text, const std::string& path) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            const int error = errno;
            if (error == EINTR) continue;
            throw fileFailure(error, "writing " + path);
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::string encodeIniValue(const std::string& value) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    const auto firstNonBlank = value.find_first_not_of(" \t");
    const auto lastNonBlank = value.find_last_not_of(" \t");
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        const bool edgeBlank = (byte == ' ') && (firstNonBlank == std::string::npos || i < firstNonBlank ||
                                                 i > lastNonBlank);
        if (byte < 0x20 || byte == 0x7F || byte == '%' || edgeBlank) {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string decodeIniValue(const std::string& text) {
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

IniFileStore::IniFileStore(std::string folder) : folder_(std::move(folder)) {}

std::string IniFileStore::defaultFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    return homeFolder() + "/.config";
}

std::string IniFileStore::pathFor(const std::string& application) const {
    std::string name = application;
    for (char& c : name) {
        if (c == '/' || c == '\0') c = '_';
    }
    return folder_ + "/" + name + ".ini";
}

std::string iniGet(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& defaultText) {
    bool inSection = false;
    for (const std::string& line : splitLines(text)) {
        if (const auto name = sectionName(line)) {
            inSection = equalsIgnoreCase(*name, section);
            continue;
        }
        if (!inSection) continue;
        const auto lineKey = keyOf(line);
        if (lineKey && equalsIgnoreCase(*lineKey, key)) {
            const std::string text = content(line);
            return decodeIniValue(trimSpace(text.substr(text.find('=') + 1)));
        }
    }
    return defaultText;
}

std::string IniFileStore::GetSetting(const std::string& application, const std::string& section,
                                     const std::string& key, const std::string& defaultText) {
    const auto text = readFile(pathFor(application));
    return text ? iniGet(*text, section, key, defaultText) : defaultText;
}

std::string iniSet(const std::string* oldText, const std::string& section, const std::string& key,
                   const std::string& text) {
    std::vector<std::string> lines;
    if (oldText != nullptr) {
        lines = splitLines(*oldText);
    } else {
        lines.push_back("; Lumaris settings. %XX in a value stands for the byte XX (line breaks, '%').");
    }
    const std::string entry = key + "=" + encodeIniValue(text);

    // Replace the key where it stands (dropping any second spelling of it);
    // otherwise add it at the end of its section, or add the section.
    std::optional<std::size_t> sectionEnd;  // one past the section's last entry
    bool inSection = false;
    bool replaced = false;
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (const auto name = sectionName(line)) {
            inSection = equalsIgnoreCase(*name, section);
            out.push_back(line);
            if (inSection && !sectionEnd) sectionEnd = out.size();
            continue;
        }
        if (inSection) {
            const auto lineKey = keyOf(line);
            if (lineKey && equalsIgnoreCase(*lineKey, key)) {
                if (!replaced) out.push_back(entry);
                replaced = true;
                continue;
            }
            if (!trimSpace(content(line)).empty()) {
                out.push_back(line);
                sectionEnd = out.size();
                continue;
            }
        }
        out.push_back(line);
    }
    if (!replaced) {
        if (sectionEnd) {
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), entry);
        } else {
            if (!out.empty() && !trimSpace(content(out.back())).empty()) out.push_back("");
            out.push_back("[" + section + "]");
            out.push_back(entry);
        }
    }
    std::string newText;
    for (const std::string& line : out) newText += line + "\n";
    return newText;
}

void IniFileStore::SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                               const std::string& text) {
    const std::string path = pathFor(application);
    const auto old = readFile(path);
    const std::string newText = iniSet(old ? &*old : nullptr, section, key, text);

    makeFolders(folder_);
    std::string temp = path + ".XXXXXX";
    const auto slash = temp.rfind('/');
    temp.insert(slash + 1, ".");
    removeStaleTemporaries(temp);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int error = errno;
        throw fileFailure(error, "writing " + path);
    }
    try {
        writeAll(fd, newText, path);
        if (::fsync(fd) != 0) {
            const int error = errno;
            throw fileFailure(error, "writing " + path);
        }
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw fileFailure(error, "writing " + path);
    }
    if (beforeReplace) beforeReplace();
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw fileFailure(error, "replacing " + path);
    }
    const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace lumaris::linux_backend
