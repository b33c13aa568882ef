#include "TelephonyEncoder.h"

#include <cstring>

#include <spandsp/telephony.h>
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>
#include <spandsp/g726.h>

namespace kelvo {

std::unique_ptr<TelephonyEncoder> TelephonyEncoder::Create(const AudioCodecInfo& info) {
    std::unique_ptr<TelephonyEncoder> e(new TelephonyEncoder());
    switch (info.format) {
    case AudioFormat::G711_ULAW:
    case AudioFormat::G711_ALAW:
        e->m_g711 = g711_init(nullptr, info.format == AudioFormat::G711_ULAW ? G711_ULAW : G711_ALAW);
        return e->m_g711 ? std::move(e) : nullptr;
    case AudioFormat::G726_MSB_FIRST:
    case AudioFormat::G726_LSB_FIRST:
        e->m_bitsPerSample = info.bitRate / 8000;
        e->m_g726 = g726_init(nullptr, info.bitRate, G726_ENCODING_LINEAR,
                              info.format == AudioFormat::G726_MSB_FIRST ? G726_PACKING_LEFT
                                                                         : G726_PACKING_RIGHT);
        return e->m_g726 ? std::move(e) : nullptr;
    default:
        return nullptr;
    }
}

TelephonyEncoder::~TelephonyEncoder() {
    if (m_g711) g711_free(m_g711);
    if (m_g726) g726_free(m_g726);
}

bool TelephonyEncoder::Encode(const uint8_t* pcm, int bytes, uint8_t* out, int* inOutLen) {
    if (!inOutLen) return false;
    const int capacity = *inOutLen;
    *inOutLen = 0;
    const int samples = bytes / 2;  // a trailing odd byte is not a sample
    if (!pcm || !out || samples <= 0) return false;
    // Upper bound, counting the up to 7 bits left over from the last call.
    const long need = (long(samples) * m_bitsPerSample + 7) / 8 + 1;
    if (capacity < need && !(m_g711 && capacity >= samples)) return false;
    m_samples.resize(size_t(samples));
    std::memcpy(m_samples.data(), pcm, size_t(samples) * 2);  // little-endian host
    const int written = m_g711 ? g711_encode(m_g711, out, m_samples.data(), samples)
                               : g726_encode(m_g726, out, m_samples.data(), samples);
    *inOutLen = written;
    return written > 0;
}

}  // namespace kelvo
