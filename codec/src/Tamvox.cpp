// The six exported functions: plain C wrappers that never throw and check
// what a caller can get wrong cheaply (null pointers, negative counts).
#include "Tamvox.h"

#include <memory>

#include "TamvoxCodec.h"

using tamvox::TamvoxCodec;

namespace {

int Report(int written, int* outLen) {
    if (outLen) *outLen = written;
    return written;
}

}  // namespace

extern "C" {

TAMVOX_API void* Tamvox_Create(int type) noexcept {
    return TamvoxCodec::Create(type).release();  // the caller owns it until Tamvox_Destroy
}

TAMVOX_API void* Tamvox_Open(int type) noexcept {
    return Tamvox_Create(type);
}

TAMVOX_API int Tamvox_Encode(void* codec, const unsigned char* pcm, int bytes,
                             unsigned char* out, int* outLen) noexcept {
    if (!codec || !pcm || !out || bytes <= 0) return Report(0, outLen);
    return Report(static_cast<TamvoxCodec*>(codec)->Encode(pcm, bytes, out), outLen);
}

TAMVOX_API int Tamvox_Decode(void* codec, const unsigned char* code, int bytes,
                             unsigned char* out, int* outLen) noexcept {
    if (!codec || !code || !out || bytes <= 0) return Report(0, outLen);
    return Report(static_cast<TamvoxCodec*>(codec)->Decode(code, bytes, out), outLen);
}

TAMVOX_API void Tamvox_Destroy(void* codec) noexcept {
    std::unique_ptr<TamvoxCodec> owned(static_cast<TamvoxCodec*>(codec));
}

TAMVOX_API void Tamvox_Close(void* codec) noexcept {
    Tamvox_Destroy(codec);
}

}  // extern "C"
