#include "settings/settings.h"

#include "platform/platform.h"
#include "runtime/convert.h"
#include "runtime/failure.h"

namespace lumaris {

std::string settingsApplication(const std::string& appTitle) { return kSettingsPublisher + appTitle; }

void loadconfig(Settings& cfg, const std::string& appTitle, Platform& platform) {
    trap(platform.ui, "Error in main sub loadconfig", [&] {
        auto read = [&](const char* key, const char* defaultText) {
            return platform.store.GetSetting(settingsApplication(appTitle), kSettingsSection, key, defaultText);
        };
        cfg.cfgSpeed = textToInt16(read("SPEED", "100"));
        cfg.cfgSound = textToBool(read("SOUND", "True"));
        cfg.cfgMusic = textToBool(read("MUSIC", "false"));
        cfg.cfgCivilization = textToBool(read("CIVILIZATION", "True"));
        cfg.cfgMusicDir = read("MUSICDIR", "c:\\");
        cfg.cfgMouse = textToBool(read("MOUSE", "False"));
        cfg.cfgNightMode = textToBool(read("NIGHTMODE", "False"));
        cfg.cfgBalloon = textToBool(read("balloon", "False"));
    });
}

void saveconfig(const Settings& cfg, const std::string& appTitle, Platform& platform) {
    trap(platform.ui, "Error in main sub saveconfig", [&] {
        auto write = [&](const char* key, const std::string& text) {
            platform.store.SaveSetting(settingsApplication(appTitle), kSettingsSection, key, text);
        };
        platform.store.BeginSave();
        write("SPEED", std::to_string(cfg.cfgSpeed));
        write("SOUND", boolText(cfg.cfgSound));
        write("MUSIC", boolText(cfg.cfgMusic));
        write("CIVILIZATION", boolText(cfg.cfgCivilization));
        write("MUSICDIR", cfg.cfgMusicDir);
        write("MOUSE", boolText(cfg.cfgMouse));
        write("NIGHTMODE", boolText(cfg.cfgNightMode));
        write("BALLOON", boolText(cfg.cfgBalloon));
        platform.store.EndSave();
    });
}

}  // namespace lumaris
