#include "TelephonyDecoder.h"

#include <cstring>

#include <spandsp/telephony.h>
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>
#include <spandsp/g726.h>

namespace kelvo {

std::unique_ptr<TelephonyDecoder> TelephonyDecoder::Create(const AudioCodecInfo& info) {
    std::unique_ptr<TelephonyDecoder> d(new TelephonyDecoder());
    switch (info.format) {
    case AudioFormat::G711_ULAW:
    case AudioFormat::G711_ALAW:
        d->m_g711 = g711_init(nullptr, info.format == AudioFormat::G711_ULAW ? G711_ULAW : G711_ALAW);
        return d->m_g711 ? std::move(d) : nullptr;
    case AudioFormat::G726_MSB_FIRST:
    case AudioFormat::G726_LSB_FIRST:
        d->m_bitsPerSample = info.bitRate / 8000;
        d->m_g726 = g726_init(nullptr, info.bitRate, G726_ENCODING_LINEAR,
                              info.format == AudioFormat::G726_MSB_FIRST ? G726_PACKING_LEFT
                                                                         : G726_PACKING_RIGHT);
        return d->m_g726 ? std::move(d) : nullptr;
    default:
        return nullptr;
    }
}

TelephonyDecoder::~TelephonyDecoder() {
    if (m_g711) g711_free(m_g711);
    if (m_g726) g726_free(m_g726);
}

bool TelephonyDecoder::Decode(const uint8_t* coded, int bytes, uint8_t* out, int* inOutLen) {
    if (!inOutLen) return false;
    const int capacity = *inOutLen;
    *inOutLen = 0;
    if (!coded || !out || bytes <= 0) return false;
    // Most samples this packet can give, with bits left over from the last.
    const long maxSamples = (long(bytes) * 8 + m_bitsPerSample - 1) / m_bitsPerSample;
    if (long(capacity) < maxSamples * 2) return false;
    m_samples.resize(size_t(maxSamples));
    const int samples = m_g711 ? g711_decode(m_g711, m_samples.data(), coded, bytes)
                               : g726_decode(m_g726, m_samples.data(), coded, bytes);
    if (samples <= 0) return false;
    std::memcpy(out, m_samples.data(), size_t(samples) * 2);  // little-endian host
    *inOutLen = samples * 2;
    return true;
}

}  // namespace kelvo
