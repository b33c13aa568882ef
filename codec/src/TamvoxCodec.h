// One G.726 codec object: the coding loops of its rate, its ADPCM state and
// the bit packer that carries a partial byte from call to call. Samples
// outside are 16-bit little-endian linear PCM; G.726 itself works on 14-bit
// values.
//
// One object serves one direction of one stream; using it for both mixes the
// two directions' states.
//
// Thread: none of its own; calls on one object must not overlap.
#pragma once

#include <cstdint>
#include <memory>

#include "BitPacker.h"
#include "G726State.h"

namespace tamvox {

class TamvoxCodec {
public:
    // Rate types: 0 = 16, 1 = 24, 2 = 32, 3 = 40 kbit/s. Returns null for any
    // other type or when memory is short.
    static std::unique_ptr<TamvoxCodec> Create(int type) noexcept;

    // Encodes bytes / 2 samples of `pcm` (an odd last byte is ignored) into
    // `out`. Returns the bytes written: at most
    // (samples * code width + pending bits) / 8.
    int Encode(const uint8_t* pcm, int bytes, uint8_t* out);

    // Decodes the code words of `bytes` bytes of `code` into `out`. Returns
    // the PCM bytes written: 2 per code word, at most
    // 2 * (bytes * 8 + pending bits) / code width.
    int Decode(const uint8_t* code, int bytes, uint8_t* out);

private:
    using EncodeLoop = int (*)(G726State&, BitPacker&, const uint8_t*, int, uint8_t*);
    using DecodeLoop = int (*)(G726State&, BitPacker&, const uint8_t*, int, uint8_t*);

    TamvoxCodec(EncodeLoop encode, DecodeLoop decode) : m_encode(encode), m_decode(decode) {}

    // A codec for one rate's constants (G726Rates.h); null when memory is short.
    template <class Rate>
    static TamvoxCodec* New() noexcept;

    const EncodeLoop m_encode;
    const DecodeLoop m_decode;
    G726State m_state;
    BitPacker m_packer;
};

}  // namespace tamvox
