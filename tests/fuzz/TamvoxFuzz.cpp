// The G.726 decoder on arbitrary code bytes, at the rate the first byte picks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Tamvox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    void* codec = Tamvox_Create(data[0] & 3);
    if (!codec) return 0;
    std::vector<unsigned char> out((size - 1) * 16 + 16);
    int outLen = 0;
    Tamvox_Decode(codec, data + 1, static_cast<int>(size - 1), out.data(), &outLen);
    if (outLen < 0 || static_cast<size_t>(outLen) > out.size()) __builtin_trap();
    Tamvox_Destroy(codec);
    return 0;
}
