// The folders snapshots and recordings go to: the configured base folder
// and one level per component of the camera's title path. Server names
// never escape the base: each component is made safe for the file system.
#pragma once

#include <string>

namespace kelvo {

// One title-path component (GBK) as a folder name on disk (UTF-8): control
// bytes, "/" and "\" become "_", an empty or dots-only name becomes "_", and
// the result is cut to 255 bytes at a character boundary.
std::string SafeFolderName(const std::string& gbkComponent);

// Makes base (GBK, absolute) + the title path's folders and returns the
// on-disk path with a trailing "/", or "" when a level cannot be made (or
// an existing one is not a folder).
std::string MakeTitleFolder(const std::string& gbkBase, const std::string& gbkTitlePath);

}  // namespace kelvo
