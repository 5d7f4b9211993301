// The program's command line beyond the settings it stores: the help text,
// the mode letter of the screensaver protocol, and the scale the user asks
// for in the environment.
#pragma once

#include <string>
#include <vector>

namespace lumaris {

// What --help prints.
extern const char* const kUsage;

// The mode letter of the arguments joined by blanks (the second character
// of the trimmed text; the first is never examined), upper case; 0 for none.
char modeLetter(const std::vector<std::string>& arguments);

// Whether the mode needs windows of the X11 display system: the preview and
// the password change live in X11 windows only.
bool needsX11(char mode);

// LUMARIS_SCALE: the user's scale for /s and /p; automatic (0) where it is
// not set, and, with a line on standard error, where it is not a scale.
int scaleChoiceFromEnvironment();

// Whether the environment entry `variable` is set and not empty.
bool environmentNames(const char* variable);

}  // namespace lumaris
