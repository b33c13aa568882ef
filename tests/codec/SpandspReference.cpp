#include "SpandspReference.h"

#include <stdexcept>

// Only the public G.726 interface and the state layout it documents.
#include <spandsp/telephony.h>
#include <spandsp/bitstream.h>
#include <spandsp/g726.h>
#include <spandsp/private/bitstream.h>
#include <spandsp/private/g726.h>

namespace tamvox_test {

int RateOf(int type) { return 16000 + 8000 * type; }
int BitsOf(int type) { return 2 + type; }

SpandspReference::SpandspReference(int type)
    : m_encoder(g726_init(nullptr, RateOf(type), G726_ENCODING_LINEAR, G726_PACKING_LEFT)),
      m_decoder(g726_init(nullptr, RateOf(type), G726_ENCODING_LINEAR, G726_PACKING_NONE)),
      m_rawDecoder(g726_init(nullptr, RateOf(type), G726_ENCODING_LINEAR, G726_PACKING_LEFT)),
      m_bits(BitsOf(type)) {
    if (!m_encoder || !m_decoder || !m_rawDecoder) throw std::runtime_error("g726_init failed");
}

SpandspReference::~SpandspReference() {
    g726_free(m_encoder);
    g726_free(m_decoder);
    g726_free(m_rawDecoder);
}

std::vector<uint8_t> SpandspReference::Encode(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out(samples.size() + 1);
    const int n = g726_encode(m_encoder, out.data(), samples.data(), static_cast<int>(samples.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

std::vector<int16_t> SpandspReference::DecodeLimited(const std::vector<uint8_t>& code) {
    std::vector<int16_t> out;
    for (uint8_t byte : code) {
        m_inBuffer = (m_inBuffer << 8) | byte;
        m_inCount += 8;
        while (m_inCount >= m_bits) {
            m_inCount -= m_bits;
            const uint8_t word = static_cast<uint8_t>((m_inBuffer >> m_inCount) & ((1u << m_bits) - 1));
            int16_t wrapped = 0;
            if (g726_decode(m_decoder, &wrapped, &word, 1) != 1) throw std::runtime_error("g726_decode");
            // sr[0] holds SR in the floating format: sign, 4-bit exponent
            // (bit length of |SR|) and mantissa. A bit length of 14 or more
            // means |SR| >= 8192, outside the 14-bit range.
            const int fl = m_decoder->sr[0];
            const bool negative = fl < 0;
            const int exponent = (fl >> 6) & 15;
            int16_t limited = wrapped;
            if (fl == static_cast<int16_t>(0xFC20)) {
                limited = -32768;  // SR = -32768 has no magnitude bits
            } else if (exponent >= 14) {
                limited = negative ? -32768 : 32764;
            }
            out.push_back(limited);
        }
    }
    return out;
}

std::vector<int16_t> SpandspReference::DecodeRaw(const std::vector<uint8_t>& code) {
    std::vector<int16_t> out(code.size() * 8 / static_cast<size_t>(m_bits) + 8);
    const int n = g726_decode(m_rawDecoder, out.data(), code.data(), static_cast<int>(code.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

}  // namespace tamvox_test
