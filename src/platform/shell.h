// The shell: the folder browser and opening files and addresses with the
// programs the user chose for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/user32.h"

namespace lumaris {

inline constexpr std::uint32_t kBifReturnOnlyFsDirs = 0x0001;  // BIF_RETURNONLYFSDIRS
inline constexpr std::int32_t kSwShowNormal = 1;  // SW_SHOWNORMAL

// What the folder browser is asked to show.
struct BrowseInfo {
    Hwnd owner = 0;
    const void* root = nullptr;   // none: the desktop
    char* displayName = nullptr;  // none
    std::string title;
    std::uint32_t flags = 0;
    const void* callback = nullptr;
    std::intptr_t callbackParameter = 0;
    std::int32_t image = 0;
};

// An item list: the chosen folder, owned by the shell until freed.
using ItemIdList = void*;

class Shell {
public:
    virtual ~Shell() = default;
    // Lets the user choose a folder; null when the user cancelled.
    virtual ItemIdList SHBrowseForFolderA(const BrowseInfo& info) = 0;
    // Writes the item's file-system path, ending in a zero character, into
    // path (capacity characters at most); non-zero on success, 0 for none or
    // for an item without a file-system path.
    virtual std::int32_t SHGetPathFromIDListA(ItemIdList item, char* path, std::size_t capacity) = 0;
    virtual void CoTaskMemFree(ItemIdList item) = 0;
    // Opens a file or address with its associated program (operation null:
    // the default verb). The result is a number above 32 on success.
    virtual std::intptr_t ShellExecuteA(Hwnd window, const char* operation, const char* file,
                                        const char* parameters, const char* directory, std::int32_t show) = 0;
};

}  // namespace lumaris
