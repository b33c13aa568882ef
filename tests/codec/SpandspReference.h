// spandsp's G.726 as the reference for Tamvox: 16-bit linear samples,
// code words packed most significant bit first.
#pragma once

#include <cstdint>
#include <vector>

struct g726_state_s;

namespace tamvox_test {

// Rate type of the library (0..3) to bit/s and bits per code word.
int RateOf(int type);
int BitsOf(int type);

// One continuous spandsp stream fed chunk by chunk, like a Tamvox object.
class SpandspReference {
public:
    explicit SpandspReference(int type);
    ~SpandspReference();
    SpandspReference(const SpandspReference&) = delete;
    SpandspReference& operator=(const SpandspReference&) = delete;

    // Code bytes for the samples, left-packed with partial bits kept.
    std::vector<uint8_t> Encode(const std::vector<int16_t>& samples);

    // Decoded samples for the code bytes (unpacked most significant bit
    // first, partial bits kept), with the decoder's output limited to 14 bits
    // before the shift to 16 bits. spandsp shifts its reconstructed signal
    // left by 2 without limiting it, so loud passages wrap round; the limit
    // is recovered from the sign and exponent of the reconstructed value that
    // spandsp keeps in its state.
    std::vector<int16_t> DecodeLimited(const std::vector<uint8_t>& code);

    // Decoded samples exactly as spandsp's left-packed decoder returns them.
    std::vector<int16_t> DecodeRaw(const std::vector<uint8_t>& code);

private:
    ::g726_state_s* m_encoder;
    ::g726_state_s* m_decoder;      // one code word per byte
    ::g726_state_s* m_rawDecoder;   // left-packed
    int m_bits;
    uint32_t m_inBuffer = 0;
    int m_inCount = 0;
};

}  // namespace tamvox_test
