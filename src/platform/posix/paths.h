// Folder texts in the program's own form ("c:\music\") on Linux.
//
// The stored text stays as the user sees it; only where a file is opened or
// a folder is read is it turned into a Linux path: "\" is "/", the default
// folder "c:\" is the user's music folder, and any other drive letter
// ("d:\songs") stands for the root of the file system ("/songs").
#pragma once

#include <string>

namespace lumaris::posix {

// The user's home folder: HOME where it is an absolute path, else the
// password database's entry for the user, else "/".
std::string homeFolder();
// The user's music folder: XDG_MUSIC_DIR where set, else ~/Music.
std::string musicFolder();
std::string linuxPath(const std::string& text, const std::string& musicFolder);

}  // namespace lumaris::posix
