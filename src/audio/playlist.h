// Random music from the user's folder.
#pragma once

#include <string>

namespace lumaris {

struct LumzSubMain;
struct Platform;

// A random plain file of the folder whose name ends in "." + extension, or
// the empty text. A failure shows "Error in function
// tidemarmain.getrndfile" and gives the empty text.
std::string getrndfile(const std::string& folder, const std::string& extension, LumzSubMain& module,
                       Platform& platform);

}  // namespace lumaris
