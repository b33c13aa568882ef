// Title paths ("site\group\camera") in GBK: split by characters, never by
// bytes (the second byte of a GBK character may be 0x5C, the backslash).
#pragma once

#include <string>
#include <vector>

namespace kelvo {

std::vector<std::string> SplitTitlePath(const std::string& gbk);
// The part after the last separator (the whole text when there is none).
std::string LastTitleComponent(const std::string& gbk);

}  // namespace kelvo
