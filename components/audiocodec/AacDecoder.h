#pragma once
#include "AudioCodecTable.h"
#include "IAudioCodec.h"

#include <memory>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace kelvo {

// AAC (ADTS) with libavcodec; whatever rate and channels the camera codes,
// the PCM comes out mono at the table's rate (libswresample).
// Thread: one thread at a time per object.
class AacDecoder final : public IAudioDecoder {
public:
    static std::unique_ptr<AacDecoder> Create(const AudioCodecInfo& info);
    ~AacDecoder() override;
    AacDecoder(const AacDecoder&) = delete;
    AacDecoder& operator=(const AacDecoder&) = delete;

    bool Decode(const uint8_t* coded, int bytes, uint8_t* out, int* inOutLen) override;

private:
    AacDecoder() = default;
    bool PrepareResampler(const AVFrame* f);
    int Convert(const AVFrame* f, uint8_t* out, int capacitySamples);

    struct CodecDeleter { void operator()(AVCodecContext* c) const; };
    struct FrameDeleter { void operator()(AVFrame* f) const; };
    struct PacketDeleter { void operator()(AVPacket* p) const; };
    struct SwrDeleter { void operator()(SwrContext* s) const; };
    std::unique_ptr<AVCodecContext, CodecDeleter> m_codec;
    std::unique_ptr<AVFrame, FrameDeleter> m_frame;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    std::unique_ptr<SwrContext, SwrDeleter> m_swr;
    int m_outRate = 8000;
    int m_inRate = 0;
    int m_inChannels = 0;
    int m_inFormat = -1;
};

}  // namespace kelvo
