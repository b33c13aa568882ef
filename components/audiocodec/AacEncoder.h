#pragma once
#include "AudioCodecTable.h"
#include "IAudioCodec.h"

#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace kelvo {

// AAC-LC with libavcodec, one ADTS frame per 1024 input samples. Samples that
// do not fill a frame wait for the next call; the encoder's start-up delay
// means the first call or two give nothing to send.
// Thread: one thread at a time per object.
class AacEncoder final : public IAudioEncoder {
public:
    static std::unique_ptr<AacEncoder> Create(const AudioCodecInfo& info);
    ~AacEncoder() override;
    AacEncoder(const AacEncoder&) = delete;
    AacEncoder& operator=(const AacEncoder&) = delete;

    bool Encode(const uint8_t* pcm, int bytes, uint8_t* out, int* inOutLen) override;

    // Largest ADTS frame one 1024-sample frame can become (mono).
    static constexpr int kMaxFrameBytes = 768 + 7;

private:
    AacEncoder() = default;
    bool SendFrame(const int16_t* samples);
    int DrainInto(uint8_t* out, int capacity);

    struct CodecDeleter { void operator()(AVCodecContext* c) const; };
    struct FrameDeleter { void operator()(AVFrame* f) const; };
    struct PacketDeleter { void operator()(AVPacket* p) const; };
    std::unique_ptr<AVCodecContext, CodecDeleter> m_codec;
    std::unique_ptr<AVFrame, FrameDeleter> m_frame;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    std::vector<int16_t> m_pending;  // samples short of a whole frame
    int64_t m_pts = 0;
    int m_rateIndex = 11;
};

}  // namespace kelvo
