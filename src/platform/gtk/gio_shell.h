// The shell on Linux: the GTK folder chooser, and opening files and
// addresses through GIO's default handlers (never through a shell command
// line).
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/shell.h"

namespace lumaris::gtk {

class GtkShell : public Shell {
public:
    ItemIdList SHBrowseForFolderA(const BrowseInfo& info) override;
    std::int32_t SHGetPathFromIDListA(ItemIdList item, char* path, std::size_t capacity) override;
    void CoTaskMemFree(ItemIdList item) override;
    std::intptr_t ShellExecuteA(Hwnd window, const char* operation, const char* file, const char* parameters,
                                const char* directory, std::int32_t show) override;

private:
    std::map<std::uintptr_t, std::string> items_;
    std::uintptr_t next_ = 1;
};

}  // namespace lumaris::gtk
