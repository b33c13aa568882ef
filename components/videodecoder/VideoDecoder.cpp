#include "VideoDecoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace kelvo {

void VideoDecoder::CodecDeleter::operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
void VideoDecoder::FrameDeleter::operator()(AVFrame* f) const { av_frame_free(&f); }
void VideoDecoder::PacketDeleter::operator()(AVPacket* p) const { av_packet_free(&p); }
void VideoDecoder::BufferDeleter::operator()(AVBufferRef* b) const { av_buffer_unref(&b); }
void VideoDecoder::SwsDeleter::operator()(SwsContext* s) const { sws_freeContext(s); }

std::unique_ptr<VideoDecoder> VideoDecoder::Create(int width, int height) {
    if (I420PictureBytes(width, height) <= 0) return nullptr;
    std::unique_ptr<VideoDecoder> d(new VideoDecoder(width, height));
    if (!d->Open()) return nullptr;
    return d;
}

VideoDecoder::VideoDecoder(int width, int height) : m_width(width), m_height(height) {}

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::Open() {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (!codec) return false;
    m_codec.reset(avcodec_alloc_context3(codec));
    m_frame.reset(av_frame_alloc());
    m_scratch.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_codec || !m_frame || !m_scratch || !m_packet) return false;
    // One decoder per camera, many cameras per process: one thread each.
    m_codec->thread_count = 1;
    m_codec->thread_type = 0;
    m_codec->width = m_width;
    m_codec->height = m_height;
    return avcodec_open2(m_codec.get(), codec, nullptr) == 0;
}

bool VideoDecoder::FillPacket(const uint8_t* frame, int bytes) {
    const int need = bytes + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!m_input || m_input->size < size_t(need) || !av_buffer_is_writable(m_input.get())) {
        m_input.reset(av_buffer_alloc(size_t(need) + size_t(need) / 4));
        if (!m_input) return false;
    }
    std::memcpy(m_input->data, frame, size_t(bytes));
    std::memset(m_input->data + bytes, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    av_packet_unref(m_packet.get());
    m_packet->buf = av_buffer_ref(m_input.get());
    if (!m_packet->buf) return false;
    m_packet->data = m_input->data;
    m_packet->size = bytes;
    return true;
}

int VideoDecoder::Decode(const uint8_t* frame, int bytes, uint8_t* out, int outCapacity) {
    if (!frame || bytes <= 0 || !out) return 0;
    if (!FillPacket(frame, bytes)) return 0;
    const int sent = avcodec_send_packet(m_codec.get(), m_packet.get());
    av_packet_unref(m_packet.get());
    if (sent < 0 && sent != AVERROR(EAGAIN)) return 0;

    // Keep only the newest picture this packet released.
    bool have = false;
    while (avcodec_receive_frame(m_codec.get(), m_scratch.get()) == 0) {
        av_frame_unref(m_frame.get());
        av_frame_move_ref(m_frame.get(), m_scratch.get());
        have = true;
    }
    if (!have) return 0;
    const int written = WritePicture(out, outCapacity);
    av_frame_unref(m_frame.get());
    return written;
}

int VideoDecoder::WritePicture(uint8_t* out, int outCapacity) {
    const int need = I420PictureBytes(m_width, m_height);
    if (outCapacity < need) return 0;
    const AVFrame* f = m_frame.get();
    if (f->width <= 0 || f->height <= 0) return 0;
    const int cw = (m_width + 1) / 2;
    const int ch = (m_height + 1) / 2;
    uint8_t* dst[4] = {out, out + size_t(m_width) * m_height,
                       out + size_t(m_width) * m_height + size_t(cw) * ch, nullptr};
    int dstStride[4] = {m_width, cw, cw, 0};

    const bool plainI420 = f->format == AV_PIX_FMT_YUV420P || f->format == AV_PIX_FMT_YUVJ420P;
    if (plainI420 && f->width == m_width && f->height == m_height) {
        av_image_copy_plane(dst[0], dstStride[0], f->data[0], f->linesize[0], m_width, m_height);
        av_image_copy_plane(dst[1], dstStride[1], f->data[1], f->linesize[1], cw, ch);
        av_image_copy_plane(dst[2], dstStride[2], f->data[2], f->linesize[2], cw, ch);
        return need;
    }
    m_sws.reset(sws_getCachedContext(m_sws.release(), f->width, f->height, AVPixelFormat(f->format),
                                     m_width, m_height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                     nullptr, nullptr));
    if (!m_sws) return 0;
    const int rows = sws_scale(m_sws.get(), f->data, f->linesize, 0, f->height, dst, dstStride);
    return rows == m_height ? need : 0;
}

}  // namespace kelvo
