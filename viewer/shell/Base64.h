// Standard Base64 (RFC 4648 alphabet, '=' padding).
#pragma once

#include <string>

namespace kelvo {

std::string Base64Encode(const std::string& bytes);
// False for a length not a multiple of 4, under 4 characters, a foreign character or bad padding.
bool Base64Decode(const std::string& text, std::string& bytes);

}  // namespace kelvo
