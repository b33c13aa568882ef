#pragma once
#include "AudioCodecTable.h"
#include "IAudioCodec.h"

#include <memory>
#include <vector>

struct g711_state_s;
struct g726_state_s;

namespace kelvo {

// G.711 and G.726 encoding with spandsp. G.726 runs as one continuous
// stream: code-word bits that do not fill a byte wait for the next call.
// Thread: one thread at a time per object.
class TelephonyEncoder final : public IAudioEncoder {
public:
    static std::unique_ptr<TelephonyEncoder> Create(const AudioCodecInfo& info);
    ~TelephonyEncoder() override;
    TelephonyEncoder(const TelephonyEncoder&) = delete;
    TelephonyEncoder& operator=(const TelephonyEncoder&) = delete;

    bool Encode(const uint8_t* pcm, int bytes, uint8_t* out, int* inOutLen) override;

private:
    TelephonyEncoder() = default;
    g711_state_s* m_g711 = nullptr;  // owned
    g726_state_s* m_g726 = nullptr;  // owned
    int m_bitsPerSample = 8;
    std::vector<int16_t> m_samples;
};

}  // namespace kelvo
