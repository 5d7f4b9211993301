#include "app/usage.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "runtime/scale.h"

namespace lumaris {

const char* const kUsage =
    "Usage: lumaris [ARGUMENT]\n"
    "A sea-view screensaver.\n"
    "\n"
    "  (none), /c      the settings dialog\n"
    "  /s              the screensaver, full screen\n"
    "  /p ID, /l ID    the preview inside the X11 window ID (decimal)\n"
    "  /a [ID]         change the password that unlocks the screensaver\n"
    "\n"
    "  --snapshot FILE.png --frames N [--size WxH] [--scale N|auto]\n"
    "                  run the scene off-screen with the stored settings for N\n"
    "                  frames and write the picture (default size 1024x768);\n"
    "                  no window, no sound\n"
    "\n"
    "  --idle [MINUTES]\n"
    "                  stay in the session and start /s whenever it has been\n"
    "                  idle for MINUTES (default 5; on X11 without MINUTES the\n"
    "                  X server's own timeout, xset s); GNOME's idle monitor,\n"
    "                  the Wayland compositor or the X server tells\n"
    "\n"
    "  --root          the display mode for a screensaver daemon: the scene in\n"
    "                  the window XSCREENSAVER_WINDOW names, else the root window\n"
    "  --window-id ID  the display mode in the X11 window ID (0x... or decimal)\n"
    "                  The display mode takes the stored settings; these replace\n"
    "                  them: --speed N (80..150), --sound, --no-sound, --music,\n"
    "                  --no-music, --music-dir FOLDER, --town, --no-town,\n"
    "                  --night, --day, --balloon, --no-balloon, --scale N|auto\n"
    "\n"
    "  Scale: on a large screen every pixel of the scene is shown as a block of\n"
    "  N x N pixels, N the largest whole number that leaves at least 1024x768\n"
    "  (160x120 for the preview); --scale 1 to 8 fixes it. For /s and /p the\n"
    "  environment entry LUMARIS_SCALE (auto, 1 to 8) does the same.\n"
    "  --help          this text\n";

char modeLetter(const std::vector<std::string>& arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) text += (i > 0 ? " " : "") + arguments[i];
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || first + 1 >= text.size()) return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(text[first + 1])));
}

bool needsX11(char mode) { return mode == 'P' || mode == 'L' || mode == 'A'; }

int scaleChoiceFromEnvironment() {
    const char* scale = std::getenv("LUMARIS_SCALE");
    int choice = 0;
    if (scale == nullptr || *scale == '\0') return 0;
    if (parseScale(scale, choice)) return choice;
    std::fprintf(stderr,
                 "lumaris: LUMARIS_SCALE must be auto or a whole number from 1 to 8, not %s; "
                 "automatic is used\n",
                 scale);
    return 0;
}

bool environmentNames(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace lumaris
