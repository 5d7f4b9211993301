// The eight user settings and their way to and from the settings store.
#pragma once

#include <cstdint>
#include <string>

namespace lumaris {

struct Platform;

// Each setting's bit in Settings::unread.
namespace setting {
inline constexpr std::uint8_t kSpeed = 1, kSound = 2, kMusic = 4, kCivilization = 8, kMusicDir = 16, kMouse = 32,
                              kNightMode = 64, kBalloon = 128;
}

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
    // The settings whose stored text could not be read (their defaults
    // stand in): saving leaves their stored texts alone.
    std::uint8_t unread = 0;
};

inline constexpr const char* kSettingsPublisher = "QN Vesmire";
inline constexpr const char* kSettingsSection = "Settings";

// The store's application name: the publisher words followed directly by
// appTitle, whose leading blank separates the two.
std::string settingsApplication(const std::string& appTitle);

// Reads the eight settings, in order. A bad stored text costs only its own
// setting: that one takes its default and is marked unread, the others are
// read all the same; the first failure shows "Error in main sub loadconfig".
void loadconfig(Settings& cfg, const std::string& appTitle, Platform& platform);

// Writes the eight settings, in order, but for those marked unread (their
// stored texts stay). A failure shows "Error in main sub saveconfig"; the
// later keys keep their stored texts.
void saveconfig(const Settings& cfg, const std::string& appTitle, Platform& platform);

}  // namespace lumaris
