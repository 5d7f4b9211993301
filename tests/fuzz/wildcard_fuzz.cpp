// The music folder's search on any pattern text: the folder part, the
// wildcard and the path forms ("c:\", "\", drive letters), against a folder
// of a few files.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/posix/dir_search.h"

namespace {
std::string folder() {
    static const std::string made = [] {
        char pattern[] = "/tmp/lumaris-fuzz-XXXXXX";
        const std::string f = ::mkdtemp(pattern);
        for (const char* name : {"a.mp3", "B.MP3", "c d.mp3", ".hidden.mp3", "x.txt"}) std::ofstream(f + "/" + name) << "x";
        return f;
    }();
    return made;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string pattern(reinterpret_cast<const char*>(data), size);
    if (pattern.find('\0') != std::string::npos) return 0;
    lumaris::posix::LinuxFiles files(folder());
    int found = 0;
    for (std::string name = files.Dir("c:\\" + pattern); !name.empty() && found < 10; name = files.DirNext()) ++found;
    return 0;
}
