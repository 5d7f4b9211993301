// The eight user settings and their way to and from the settings store.
#pragma once

#include <cstdint>
#include <string>

namespace lumaris {

struct Platform;

// The settings variables. All start at 0, False and the empty text; loadconfig
// fills them from the store.
struct Settings {
    std::int16_t cfgSpeed = 0;
    bool cfgSound = false;
    bool cfgMusic = false;
    bool cfgCivilization = false;
    std::string cfgMusicDir;
    bool cfgMouse = false;
    bool cfgNightMode = false;
    bool cfgBalloon = false;
};

inline constexpr const char* kSettingsPublisher = "QN Vesmire";
inline constexpr const char* kSettingsSection = "Settings";

// The store's application name: the publisher words followed directly by
// appTitle, whose leading blank separates the two.
std::string settingsApplication(const std::string& appTitle);

// Reads the eight settings, in order. A failure shows "Error in main sub
// loadconfig" and leaves this and the later settings as they were.
void loadconfig(Settings& cfg, const std::string& appTitle, Platform& platform);

// Writes the eight settings, in order. A failure shows "Error in main sub
// saveconfig"; the later keys keep their stored texts.
void saveconfig(const Settings& cfg, const std::string& appTitle, Platform& platform);

}  // namespace lumaris
