#include "TamvoxCodec.h"

#include <new>

#include "common/WireFormat.h"

namespace tamvox {
namespace {

// The loops work on local copies of the state and the packer: the output
// bytes could alias any object the loop reaches through a pointer, which
// would force every state variable back to memory after each byte.
template <class Rate>
int EncodeLoopFor(G726State& objectState, BitPacker& objectPacker, const uint8_t* pcm, int samples,
                  uint8_t* out) {
    G726State state = objectState;
    BitPacker packer = objectPacker;
    int written = 0;
    for (int k = 0; k < samples; ++k) {
        const int sample = static_cast<int16_t>(wire::GetU16(pcm + 2 * k));
        const int code = state.Encode<Rate>(sample >> 2);  // 14-bit input
        if (packer.Put(static_cast<unsigned>(code), Rate::kBits, out + written)) ++written;
    }
    objectState = state;
    objectPacker = packer;
    return written;
}

template <class Rate>
int DecodeLoopFor(G726State& objectState, BitPacker& objectPacker, const uint8_t* code, int bytes,
                  uint8_t* out) {
    G726State state = objectState;
    BitPacker packer = objectPacker;
    int used = 0;
    int written = 0;
    for (;;) {
        if (packer.Needs(Rate::kBits)) {
            if (used == bytes) break;
            packer.Feed(code[used++]);
        }
        int sr = state.Decode<Rate>(static_cast<int>(packer.Take(Rate::kBits)));
        // The output is 14-bit linear: a loud reconstruction is limited here
        // rather than wrapping round when widened to 16 bits.
        sr = sr < -8192 ? -8192 : (sr > 8191 ? 8191 : sr);
        wire::PutU16(out + written, static_cast<uint16_t>(sr * 4));
        written += 2;
    }
    objectState = state;
    objectPacker = packer;
    return written;
}

}  // namespace

std::unique_ptr<TamvoxCodec> TamvoxCodec::Create(int type) noexcept {
    TamvoxCodec* codec = nullptr;
    switch (type) {
        case 0:
            codec = new (std::nothrow) TamvoxCodec(16000, G726Rate16::kBits,
                                                   EncodeLoopFor<G726Rate16>,
                                                   DecodeLoopFor<G726Rate16>);
            break;
        case 1:
            codec = new (std::nothrow) TamvoxCodec(24000, G726Rate24::kBits,
                                                   EncodeLoopFor<G726Rate24>,
                                                   DecodeLoopFor<G726Rate24>);
            break;
        case 2:
            codec = new (std::nothrow) TamvoxCodec(32000, G726Rate32::kBits,
                                                   EncodeLoopFor<G726Rate32>,
                                                   DecodeLoopFor<G726Rate32>);
            break;
        case 3:
            codec = new (std::nothrow) TamvoxCodec(40000, G726Rate40::kBits,
                                                   EncodeLoopFor<G726Rate40>,
                                                   DecodeLoopFor<G726Rate40>);
            break;
        default:
            break;
    }
    return std::unique_ptr<TamvoxCodec>(codec);
}

int TamvoxCodec::Encode(const uint8_t* pcm, int bytes, uint8_t* out) {
    return m_encode(m_state, m_packer, pcm, bytes / 2, out);
}

int TamvoxCodec::Decode(const uint8_t* code, int bytes, uint8_t* out) {
    return m_decode(m_state, m_packer, code, bytes, out);
}

}  // namespace tamvox
