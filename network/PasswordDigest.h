// The digest that travels in place of the password: MD5 over a fixed
// prefix and the password, as 32 upper-case hexadecimal characters.
#pragma once

#include <string>

namespace digest {

std::string PasswordDigest(const std::string& password);

}  // namespace digest
