// The program's module state and its entry procedure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/user32.h"
#include "settings/settings.h"

namespace lumaris {

struct Platform;
class Forms;

// The balloon sprite: screen position, size and place inside its picture.
struct Sprite {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t srcX = 0;
    std::int32_t srcY = 0;
};

// State shared by the forms. One object per run, created by the program and
// passed by reference.
struct LumzSubMain {
    std::string AppTitle;
    bool PreviewMode = false;
    Settings cfg;
    Sprite balloon;
    // The sound image handed to the player; it stays while the sound may play.
    std::vector<std::uint8_t> soundBuffer;
    // Whether the music choice has seeded the random generator in this run.
    bool seeded = false;
};

inline constexpr const char* kAppTitle = " Lumaris";
// The application's title as message boxes show it.
inline constexpr const char* kProductName = "Lumaris";
inline constexpr const char* kRunningCaption = "QNVesmire Saver Running";
inline constexpr const char* kPreviewCaption = "Preview QNVesmire Saver";
inline constexpr const char* kPasswordRegistryKey = "SCRSAVE";

// The entry procedure: reads the command line and starts one mode.
void Main(LumzSubMain& module, Platform& platform, Forms& forms);

// The trailing run of decimal digits of text, as a window handle. No digits:
// type mismatch; beyond the signed 32-bit range: overflow.
Hwnd getcmdhwnd(const std::string& text);

// Ends the process at once when another instance already shows the running
// scene; otherwise returns.
void checkprevinstance(Platform& platform);

}  // namespace lumaris
