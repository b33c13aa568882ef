#include "network/PasswordDigest.h"

#include <openssl/evp.h>

namespace digest {

namespace {
constexpr char kPrefix[] = "QWMbaN:";
}

std::string PasswordDigest(const std::string& password) {
    std::string input = kPrefix;
    input += password;
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int mdLength = 0;
    if (EVP_Digest(input.data(), input.size(), md, &mdLength, EVP_md5(), nullptr) != 1 ||
        mdLength != 16) {
        return std::string();
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(32);
    for (unsigned i = 0; i < mdLength; ++i) {
        out += kHex[md[i] >> 4];
        out += kHex[md[i] & 0xF];
    }
    return out;
}

}  // namespace digest
