// Title paths ("site\group\camera") in GBK: split by characters, never by
// bytes (the second byte of a GBK character may be 0x5C, the backslash).
#pragma once

#include <string>
#include <vector>

namespace kelvo {

std::vector<std::string> SplitTitlePath(const std::string& gbk);
// The part after the last separator (the whole text when there is none).
std::string LastTitleComponent(const std::string& gbk);
// Whether `needle` occurs in `haystack` at a character boundary, Latin
// letters compared without case (a GBK trail byte never matches a letter).
// An empty needle matches everything.
bool ContainsGbk(const std::string& haystack, const std::string& needle);

}  // namespace kelvo
