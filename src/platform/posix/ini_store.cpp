#include "platform/posix/ini_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/posix/file_read.h"
#include "platform/posix/paths.h"
#include "runtime/convert.h"
#include "runtime/failure.h"

namespace lumaris::posix {

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

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
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

std::string_view trimView(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A line without the CR of a CRLF line end.
std::string_view content(std::string_view line) {
    return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line;
}

std::optional<std::string_view> sectionName(std::string_view raw) {
    const std::string_view t = trimView(content(raw));
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') return trimView(t.substr(1, t.size() - 2));
    return std::nullopt;
}

bool isComment(std::string_view line) {
    const std::string_view t = trimView(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// The key of a "key=value" line, or nothing for any other line.
std::optional<std::string_view> keyOf(std::string_view raw) {
    const std::string_view line = content(raw);
    if (isComment(line)) return std::nullopt;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return trimView(line.substr(0, equals));
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
    const std::string_view all = text;
    std::size_t start = 0;
    while (start < all.size()) {
        auto end = all.find('\n', start);
        if (end == std::string_view::npos) end = all.size();
        const std::string_view line = all.substr(start, end - start);
        start = end + 1;
        // Most lines are looked at no further than their first character:
        // only a section line or one that starts as the key can matter.
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) continue;
        if (line[first] == '[') {
            if (const auto name = sectionName(line)) {
                inSection = equalsIgnoreCase(*name, section);
                continue;
            }
        }
        if (!inSection) continue;
        if (!key.empty() && (line.size() - first <= key.size() || std::tolower(static_cast<unsigned char>(line[first])) !=
                                                                       std::tolower(static_cast<unsigned char>(key[0])))) {
            continue;
        }
        const auto lineKey = keyOf(line);
        if (lineKey && equalsIgnoreCase(*lineKey, key)) {
            const std::string_view value = content(line);
            return decodeIniValue(std::string(trimView(value.substr(value.find('=') + 1))));
        }
    }
    return defaultText;
}

std::string iniSetAll(const std::string* oldText, const std::string& section, const std::vector<IniEntry>& entries) {
    std::vector<std::string_view> lines;
    const std::string header = "; Lumaris settings. %XX in a value stands for the byte XX (line breaks, '%').";
    if (oldText != nullptr) {
        lines = splitLines(*oldText);
    } else {
        lines.push_back(header);
    }
    std::vector<std::string> written;
    written.reserve(entries.size());
    for (const IniEntry& e : entries) written.push_back(e.key + "=" + encodeIniValue(e.text));
    std::vector<bool> replaced(entries.size(), false);
    auto entryFor = [&](std::string_view key) -> std::optional<std::size_t> {
        // The last value given for a key is the one that counts.
        for (std::size_t i = entries.size(); i-- > 0;) {
            if (equalsIgnoreCase(entries[i].key, key)) return i;
        }
        return std::nullopt;
    };

    // Replace each key where it stands (dropping any second spelling of it);
    // the others go at the end of the section's first appearance, or in a
    // new section at the end. One pass, whatever the file's size.
    std::optional<std::size_t> sectionEnd;  // one past the section's last entry
    bool inSection = false;
    std::vector<std::string_view> out;
    out.reserve(lines.size() + entries.size() + 2);
    for (const std::string_view line : lines) {
        if (const auto name = sectionName(line)) {
            inSection = equalsIgnoreCase(*name, section);
            out.push_back(line);
            if (inSection && !sectionEnd) sectionEnd = out.size();
            continue;
        }
        if (inSection) {
            const auto lineKey = keyOf(line);
            if (lineKey) {
                if (const auto i = entryFor(*lineKey)) {
                    const std::size_t first = *entryFor(entries[*i].key);
                    if (!replaced[first]) out.push_back(written[first]);
                    replaced[first] = true;
                    continue;
                }
            }
            if (!trimView(content(line)).empty()) {
                out.push_back(line);
                sectionEnd = out.size();
                continue;
            }
        }
        out.push_back(line);
    }
    std::vector<std::string_view> added;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!replaced[i] && *entryFor(entries[i].key) == i) added.push_back(written[i]);
    }
    const std::string sectionLine = "[" + section + "]";
    if (!added.empty()) {
        if (sectionEnd) {
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), added.begin(), added.end());
        } else {
            if (!out.empty() && !trimView(content(out.back())).empty()) out.push_back("");
            out.push_back(sectionLine);
            out.insert(out.end(), added.begin(), added.end());
        }
    }
    std::size_t size = 0;
    for (const std::string_view line : out) size += line.size() + 1;
    std::string newText;
    newText.reserve(size);
    for (const std::string_view line : out) {
        newText += line;
        newText += '\n';
    }
    return newText;
}

std::string iniSet(const std::string* oldText, const std::string& section, const std::string& key,
                   const std::string& text) {
    return iniSetAll(oldText, section, {IniEntry{key, text}});
}

std::string IniFileStore::GetSetting(const std::string& application, const std::string& section,
                                     const std::string& key, const std::string& defaultText) {
    // The settings are read key by key: the file is read once, and again
    // only when it changed.
    const std::string path = pathFor(application);
    struct stat info {};
    const bool there = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    const bool same = there && cache_.valid && cache_.path == path && cache_.device == info.st_dev &&
                      cache_.inode == info.st_ino && cache_.size == info.st_size &&
                      cache_.changed.tv_sec == info.st_mtim.tv_sec && cache_.changed.tv_nsec == info.st_mtim.tv_nsec;
    if (!same) {
        cache_.valid = false;
        auto text = readFile(path);
        if (!text) return defaultText;
        cache_.text = std::move(*text);
        cache_.path = path;
        cache_.device = info.st_dev;
        cache_.inode = info.st_ino;
        cache_.size = info.st_size;
        cache_.changed = info.st_mtim;
        cache_.valid = there;
    }
    return iniGet(cache_.text, section, key, defaultText);
}

void IniFileStore::BeginSave() {
    batching_ = true;
    pending_.clear();
}

void IniFileStore::EndSave() {
    batching_ = false;
    std::vector<Pending> pending;
    pending.swap(pending_);
    // In the order given, one file (and one section) at a time.
    while (!pending.empty()) {
        const Pending first = pending.front();
        std::vector<IniEntry> entries;
        std::vector<Pending> rest;
        for (const Pending& p : pending) {
            if (p.application == first.application && p.section == first.section) {
                entries.push_back(IniEntry{p.key, p.text});
            } else {
                rest.push_back(p);
            }
        }
        commit(first.application, first.section, entries);
        pending.swap(rest);
    }
}

void IniFileStore::SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                               const std::string& text) {
    if (batching_) {
        pending_.push_back(Pending{application, section, key, text});
        return;
    }
    commit(application, section, {IniEntry{key, text}});
}

namespace {

// Where a settings file that is a symbolic link (a dotfile manager's) really
// is: the file is written there, and the link stays.
std::string linkTarget(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return at;
        target.resize(static_cast<std::size_t>(n));
        at = target.front() == '/' ? target : at.substr(0, at.rfind('/') + 1) + target;
    }
    throw fileFailure(ELOOP, "writing " + path);
}

// An advisory lock on the folder that holds the settings file, held while a
// save reads and replaces it: two saves at once each write a whole version,
// one after the other. A folder lock, since the file itself is replaced.
class FolderLock {
public:
    FolderLock(const std::string& folder, const std::string& path) {
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) return;  // the save itself says what is wrong
        // A few seconds at most: a save holds it for milliseconds.
        for (int tries = 0; ::flock(fd_, LOCK_EX | LOCK_NB) != 0; ++tries) {
            const int error = errno;
            if (error == EINTR) continue;
            if (error != EWOULDBLOCK || tries == 500) {
                ::close(fd_);
                throw fileFailure(error == EWOULDBLOCK ? EBUSY : error, "locking " + path);
            }
            ::usleep(10000);
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

}  // namespace

void IniFileStore::commit(const std::string& application, const std::string& section,
                          const std::vector<IniEntry>& entries) {
    const std::string named = pathFor(application);
    makeFolders(folder_);
    const std::string path = linkTarget(named);
    const std::string folder = path.substr(0, path.rfind('/'));
    const FolderLock lock(folder, named);

    // A file its owner made read-only stays as it is.
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && S_ISREG(info.st_mode) &&
        ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0)) {
        throw fileFailure(EACCES, "writing " + named + ": the file is read-only");
    }
    const auto old = readFile(path);
    const std::string newText = iniSetAll(old ? &*old : nullptr, section, entries);

    std::string temp = path + ".XXXXXX";
    temp.insert(temp.rfind('/') + 1, ".");
    removeStaleTemporaries(temp);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int error = errno;
        throw fileFailure(error, "writing " + named);
    }
    try {
        // The new file keeps the old one's permissions.
        if (exists && ::fchmod(fd, info.st_mode & 07777) != 0) {
            const int error = errno;
            throw fileFailure(error, "writing " + named);
        }
        writeAll(fd, newText, named);
        if (::fsync(fd) != 0) {
            const int error = errno;
            throw fileFailure(error, "writing " + named);
        }
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw fileFailure(error, "writing " + named);
    }
    if (beforeReplace) beforeReplace();
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw fileFailure(error, "replacing " + named);
    }
    if (lock.fd() >= 0) ::fsync(lock.fd());
    cache_.valid = false;
}

}  // namespace lumaris::posix
