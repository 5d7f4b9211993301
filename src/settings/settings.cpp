#include "settings/settings.h"

#include <optional>

#include "platform/platform.h"
#include "runtime/convert.h"
#include "runtime/failure.h"

namespace lumaris {

std::string settingsApplication(const std::string& appTitle) { return kSettingsPublisher + appTitle; }

void loadconfig(Settings& cfg, const std::string& appTitle, Platform& platform) {
    cfg.unread = 0;
    std::optional<Failure> first;
    // One setting: its stored text, or where that cannot be read or taken,
    // its default (and the failure, the first of which is shown).
    auto load = [&](auto& value, std::uint8_t bit, const char* key, const char* defaultText, auto convert) {
        try {
            value = convert(platform.store.GetSetting(settingsApplication(appTitle), kSettingsSection, key, defaultText));
            return;
        } catch (const Failure& failure) {
            if (!first) first = failure;
        }
        cfg.unread |= bit;
        value = convert(defaultText);
    };
    const auto asInt16 = [](const std::string& text) { return textToInt16(text); };
    const auto asBool = [](const std::string& text) { return textToBool(text); };
    const auto asText = [](const std::string& text) { return text; };
    trap(platform.ui, "Error in main sub loadconfig", [&] {
        load(cfg.cfgSpeed, setting::kSpeed, "SPEED", "100", asInt16);
        load(cfg.cfgSound, setting::kSound, "SOUND", "True", asBool);
        load(cfg.cfgMusic, setting::kMusic, "MUSIC", "false", asBool);
        load(cfg.cfgCivilization, setting::kCivilization, "CIVILIZATION", "True", asBool);
        load(cfg.cfgMusicDir, setting::kMusicDir, "MUSICDIR", "c:\\", asText);
        load(cfg.cfgMouse, setting::kMouse, "MOUSE", "False", asBool);
        load(cfg.cfgNightMode, setting::kNightMode, "NIGHTMODE", "False", asBool);
        load(cfg.cfgBalloon, setting::kBalloon, "balloon", "False", asBool);
        if (first) throw *first;
    });
}

void saveconfig(const Settings& cfg, const std::string& appTitle, Platform& platform) {
    trap(platform.ui, "Error in main sub saveconfig", [&] {
        auto write = [&](std::uint8_t bit, const char* key, const std::string& text) {
            if ((cfg.unread & bit) != 0) return;
            platform.store.SaveSetting(settingsApplication(appTitle), kSettingsSection, key, text);
        };
        platform.store.BeginSave();
        write(setting::kSpeed, "SPEED", std::to_string(cfg.cfgSpeed));
        write(setting::kSound, "SOUND", boolText(cfg.cfgSound));
        write(setting::kMusic, "MUSIC", boolText(cfg.cfgMusic));
        write(setting::kCivilization, "CIVILIZATION", boolText(cfg.cfgCivilization));
        write(setting::kMusicDir, "MUSICDIR", cfg.cfgMusicDir);
        write(setting::kMouse, "MOUSE", boolText(cfg.cfgMouse));
        write(setting::kNightMode, "NIGHTMODE", boolText(cfg.cfgNightMode));
        write(setting::kBalloon, "BALLOON", boolText(cfg.cfgBalloon));
        platform.store.EndSave();
    });
}

}  // namespace lumaris
