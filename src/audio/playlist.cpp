#include "audio/playlist.h"

#include <cmath>
#include <vector>

#include "platform/platform.h"
#include "runtime/failure.h"
#include "startup/lumz_submain.h"

namespace lumaris {

std::string getrndfile(const std::string& folder, const std::string& extension, LumzSubMain& module,
                       Platform& platform) {
    std::string result;
    trap(platform.ui, "Error in function tidemarmain.getrndfile", [&] {
        if (!module.seeded) {
            platform.random.Randomize();
            module.seeded = true;
        }
        std::vector<std::string> names;
        for (std::string name = platform.files.Dir(folder + "\\*." + extension); !name.empty();
             name = platform.files.DirNext()) {
            names.push_back(std::move(name));
        }
        // The draw happens even when there is nothing to choose from.
        const float r = platform.random.Rnd();
        const auto index = static_cast<std::size_t>(std::floor(static_cast<double>(r) * names.size()));
        if (!names.empty()) result = names[std::min(index, names.size() - 1)];
    });
    return result;
}

}  // namespace lumaris
