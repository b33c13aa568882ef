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

template <class Rate>
TamvoxCodec* TamvoxCodec::New() noexcept {
    return new (std::nothrow) TamvoxCodec(EncodeLoopFor<Rate>, DecodeLoopFor<Rate>);
}

std::unique_ptr<TamvoxCodec> TamvoxCodec::Create(int type) noexcept {
    switch (type) {
        case 0: return std::unique_ptr<TamvoxCodec>(New<G726Rate16>());
        case 1: return std::unique_ptr<TamvoxCodec>(New<G726Rate24>());
        case 2: return std::unique_ptr<TamvoxCodec>(New<G726Rate32>());
        case 3: return std::unique_ptr<TamvoxCodec>(New<G726Rate40>());
        default: return nullptr;
    }
}

int TamvoxCodec::Encode(const uint8_t* pcm, int bytes, uint8_t* out) {
    return m_encode(m_state, m_packer, pcm, bytes / 2, out);
}

int TamvoxCodec::Decode(const uint8_t* code, int bytes, uint8_t* out) {
    return m_decode(m_state, m_packer, code, bytes, out);
}

}  // namespace tamvox
