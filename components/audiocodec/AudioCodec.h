#pragma once
#include "IAudioCodec.h"

#include <memory>

namespace kelvo {

// Entry points of the audio codec library; `index` = audio codec number - 16
// (see AudioCodecTable for the formats and the meaning of P, Q and R).
// Thread: any; each coder object is then used by one thread at a time.
class AudioCodec {
public:
    // Fills P, Q and R; all three 0 and false for an unknown index.
    static bool Describe(int index, int* p, int* q, int* r);
    // Null when the index is unknown or the coder cannot be built.
    static std::unique_ptr<IAudioEncoder> CreateEncoder(int index);
    static std::unique_ptr<IAudioDecoder> CreateDecoder(int index);
};

}  // namespace kelvo
