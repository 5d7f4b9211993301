// The wildcard file search.
#pragma once

#include <string>

namespace lumaris {

// Dir starts a search for a pattern (a folder, a separator and a wildcard
// name such as "*.mp3") and returns the first match; DirNext returns the
// next one. Names come without their folder; the empty text means no more.
// Only plain files match: no folders, no hidden or system files. Letter
// case does not matter.
class Files {
public:
    virtual ~Files() = default;
    virtual std::string Dir(const std::string& pattern) = 0;
    virtual std::string DirNext() = 0;
};

}  // namespace lumaris
