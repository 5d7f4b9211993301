// The per-user settings store on Linux: one INI-style file per application
// under $XDG_CONFIG_HOME (default ~/.config), named "<application>.ini".
//
// Keys and section names are matched without regard to letter case. Values
// keep every byte: line breaks, control bytes, '%' and blanks at either end
// are written as %XX and read back. Lines the store does not understand are
// kept when it saves. A save replaces the file atomically: the new text goes
// to a temporary file in the same folder, is flushed to disk and renamed over
// the old one, so the old file stays whole until the new one is complete.
#pragma once

#include <functional>
#include <string>

#include "platform/store.h"

namespace lumaris::linux_backend {

// The value of a key in a settings file's text (decoded), or defaultText.
std::string iniGet(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& defaultText);
// The text with the key set to `text` (null oldText: a new file); every other
// line is kept.
std::string iniSet(const std::string* oldText, const std::string& section, const std::string& key,
                   const std::string& text);

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

    // Runs after the new file is complete and before it replaces the old one.
    // Tests use it to stand for a crash at that moment.
    std::function<void()> beforeReplace;

private:
    std::string folder_;
};

// The value codec of the file, exposed for tests.
std::string encodeIniValue(const std::string& value);
std::string decodeIniValue(const std::string& text);

}  // namespace lumaris::linux_backend
