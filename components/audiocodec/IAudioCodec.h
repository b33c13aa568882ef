#pragma once
#include <cstdint>
#include <memory>

namespace kelvo {

// Encodes 16-bit little-endian PCM to one coded packet per call.
// Thread: one thread at a time per object.
class IAudioEncoder {
public:
    virtual ~IAudioEncoder() = default;
    // `*inOutLen` is the capacity of `out` on entry and the coded length on
    // return. False (with *inOutLen = 0) on failure, when `out` is too small
    // (nothing is consumed then), or when the call gave nothing to send yet.
    virtual bool Encode(const uint8_t* pcm, int bytes, uint8_t* out, int* inOutLen) = 0;
};

// Decodes one coded packet per call to 16-bit little-endian PCM.
// Thread: one thread at a time per object.
class IAudioDecoder {
public:
    virtual ~IAudioDecoder() = default;
    // `*inOutLen` is the capacity of `out` on entry and the PCM length on
    // return. False (with *inOutLen = 0) on corrupt input, when the PCM would
    // not fit (nothing is written past the capacity) or nothing came out.
    virtual bool Decode(const uint8_t* coded, int bytes, uint8_t* out, int* inOutLen) = 0;
};

// How a stream makes its coders (index = codec number - 16); tests hand in
// ones that make fakes. Null when the index has no coder.
using AudioEncoderFactory = std::unique_ptr<IAudioEncoder> (*)(int index);
using AudioDecoderFactory = std::unique_ptr<IAudioDecoder> (*)(int index);

}  // namespace kelvo
