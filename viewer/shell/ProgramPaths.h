// Where the program and its per-user files live.
#pragma once

#include <string>

namespace kelvo {

// Folder of the running program (UTF-8 on disk) with a trailing '/'.
std::string ProgramFolder();
// Full path of the running program (UTF-8 on disk).
std::string ProgramFile();
// $XDG_CONFIG_HOME when absolute, else $HOME/.config; empty when neither is usable.
std::string UserConfigHome();
// Writes data to path through a temporary file in the same folder: synced, renamed, mode 0600.
bool WriteFileAtomic(const std::string& path, const std::string& data, unsigned mode = 0600);
// Creates a folder and its parents (mode 0700 for new ones).
bool MakeDirs(const std::string& path);

}  // namespace kelvo
