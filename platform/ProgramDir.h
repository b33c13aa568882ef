// Where the running program lives, from /proc/self/exe; fixed names are
// joined to it with "/".
// Thread: any.
#pragma once

#include <string>

namespace platform {

std::string ProgramDir();
// True when the folder exists and this process may create files in it.
bool IsWritableDir(const std::string& dir);

}  // namespace platform
