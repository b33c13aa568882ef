#pragma once
#include "IVideoDecoder.h"

#include <memory>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVBufferRef;
struct SwsContext;

namespace kelvo {

// libavcodec's H.264 decoder, single-threaded (no frame threading, so one
// packet in gives its picture out without a thread pipeline's delay).
// Pictures whose decoded size or pixel format differ from the size given at
// creation are converted with libswscale into that size.
// Thread: one thread at a time per object; distinct objects are independent.
class VideoDecoder final : public IVideoDecoder {
public:
    // Null when the size is not positive or libavcodec has no H.264 decoder.
    static std::unique_ptr<VideoDecoder> Create(int width, int height);
    // Create, as a VideoDecoderFactory.
    static std::unique_ptr<IVideoDecoder> CreateDecoder(int width, int height) { return Create(width, height); }
    ~VideoDecoder() override;

    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    int Decode(const uint8_t* frame, int bytes, uint8_t* out, int outCapacity) override;
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }

private:
    VideoDecoder(int width, int height);
    bool Open();
    bool FillPacket(const uint8_t* frame, int bytes);
    int WritePicture(uint8_t* out, int outCapacity);

    struct CodecDeleter { void operator()(AVCodecContext* c) const; };
    struct FrameDeleter { void operator()(AVFrame* f) const; };
    struct PacketDeleter { void operator()(AVPacket* p) const; };
    struct BufferDeleter { void operator()(AVBufferRef* b) const; };
    struct SwsDeleter { void operator()(SwsContext* s) const; };

    const int m_width;
    const int m_height;
    std::unique_ptr<AVCodecContext, CodecDeleter> m_codec;
    std::unique_ptr<AVFrame, FrameDeleter> m_frame;    // newest picture
    std::unique_ptr<AVFrame, FrameDeleter> m_scratch;  // receive target
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    // Padded input copy, reused while the decoder holds no reference to it.
    std::unique_ptr<AVBufferRef, BufferDeleter> m_input;
    std::unique_ptr<SwsContext, SwsDeleter> m_sws;
};

}  // namespace kelvo
