#include "sim/PasswordDigest.h"

#include <openssl/evp.h>

#include <cstdio>
#include <stdexcept>

namespace sim {

std::string PasswordDigest::Of(const std::string& password) {
    std::string salted = "QWMbaN:" + password;
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(salted.data(), salted.size(), md, &len, EVP_md5(), nullptr) != 1 || len != 16)
        throw std::runtime_error("MD5 unavailable");
    char hex[33];
    for (unsigned i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02X", md[i]);
    return std::string(hex, 32);
}

}  // namespace sim
