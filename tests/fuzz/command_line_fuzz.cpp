// The command line: the window handle's text of /p, /l and /a, and the
// display mode's options, on any bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "app/display_mode.h"
#include "runtime/failure.h"
#include "startup/lumz_submain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        lumaris::getcmdhwnd(text);
    } catch (const lumaris::Failure&) {
    }
    std::vector<std::string> arguments;
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            arguments.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    arguments.push_back(word);
    lumaris::DisplayOptions options;
    std::string error;
    const auto result = lumaris::parseDisplayMode(arguments, options, error);
    if ((result == lumaris::DisplayParse::Bad) == error.empty()) __builtin_trap();
    std::uint64_t id = 0;
    lumaris::parseWindowId(text, id);
    return 0;
}
