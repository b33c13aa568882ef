// The digest the service compares instead of the password: MD5 of the salted
// password as 32 upper-case hex digits.
#pragma once

#include <string>

namespace sim {

class PasswordDigest {
public:
    static std::string Of(const std::string& password);
};

}  // namespace sim
