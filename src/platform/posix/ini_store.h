// The per-user settings store on Linux: one INI-style file per application
// under $XDG_CONFIG_HOME (default ~/.config), named "<application>.ini".
//
// Keys and section names are matched without regard to letter case. Values
// keep every byte: line breaks, control bytes, '%' and blanks at either end
// are written as %XX and read back. Lines the store does not understand are
// kept when it saves. A save replaces the file atomically: the new text goes
// to a temporary file in the same folder, is flushed to disk and renamed over
// the old one, so the old file stays whole until the new one is complete. The
// new file keeps the old one's permissions; a read-only file is refused, and
// a file that is a symbolic link is written where the link points.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/store.h"

namespace lumaris::posix {

// The value of a key in a settings file's text (decoded), or defaultText.
std::string iniGet(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& defaultText);
// The text with the key set to `text` (null oldText: a new file); every other
// line is kept.
std::string iniSet(const std::string* oldText, const std::string& section, const std::string& key,
                   const std::string& text);
struct IniEntry {
    std::string key;
    std::string text;
};
// The same for several keys of one section, in one pass over the text.
std::string iniSetAll(const std::string* oldText, const std::string& section, const std::vector<IniEntry>& entries);

class IniFileStore : public SettingsStore {
public:
    explicit IniFileStore(std::string folder);

    // $XDG_CONFIG_HOME when set and absolute, else $HOME/.config.
    static std::string defaultFolder();
    std::string pathFor(const std::string& application) const;

    std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& defaultText) override;
    void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& text) override;
    // The keys saved in between are written as one: the file is read once
    // and replaced once, under an advisory lock on its folder, so it always
    // holds one whole save.
    void BeginSave() override;
    void EndSave() override;

    // Runs after the new file is complete and before it replaces the old one.
    // Tests use it to stand for a crash at that moment.
    std::function<void()> beforeReplace;

private:
    void commit(const std::string& application, const std::string& section, const std::vector<IniEntry>& entries);
    struct Pending {
        std::string application, section, key, text;
    };
    std::string folder_;
    bool batching_ = false;
    std::vector<Pending> pending_;
    // The file last read, while it has not changed.
    struct Cache {
        bool valid = false;
        std::string path;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec changed{};
        std::string text;
    } cache_;
};

// The value codec of the file, exposed for tests.
std::string encodeIniValue(const std::string& value);
std::string decodeIniValue(const std::string& text);

}  // namespace lumaris::posix
