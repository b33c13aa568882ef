#pragma once
#include "AudioCodecTable.h"
#include "IAudioCodec.h"

#include <memory>
#include <vector>

struct g711_state_s;
struct g726_state_s;

namespace kelvo {

// G.711 and G.726 decoding with spandsp; consecutive packets form one stream.
// Thread: one thread at a time per object.
class TelephonyDecoder final : public IAudioDecoder {
public:
    static std::unique_ptr<TelephonyDecoder> Create(const AudioCodecInfo& info);
    ~TelephonyDecoder() override;
    TelephonyDecoder(const TelephonyDecoder&) = delete;
    TelephonyDecoder& operator=(const TelephonyDecoder&) = delete;

    bool Decode(const uint8_t* coded, int bytes, uint8_t* out, int* inOutLen) override;

private:
    TelephonyDecoder() = default;
    g711_state_s* m_g711 = nullptr;  // owned
    g726_state_s* m_g726 = nullptr;  // owned
    int m_bitsPerSample = 8;
    std::vector<int16_t> m_samples;
};

}  // namespace kelvo
