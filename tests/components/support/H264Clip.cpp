#include "H264Clip.h"

#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace kelvo::testsupport {
namespace {

struct CodecFree { void operator()(AVCodecContext* c) const { avcodec_free_context(&c); } };
struct FrameFree { void operator()(AVFrame* f) const { av_frame_free(&f); } };
struct PacketFree { void operator()(AVPacket* p) const { av_packet_free(&p); } };
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

void Drain(AVCodecContext* enc, AVPacket* pkt, std::vector<EncodedFrame>* out) {
    while (avcodec_receive_packet(enc, pkt) == 0) {
        EncodedFrame f;
        f.bytes.assign(pkt->data, pkt->data + pkt->size);
        f.key = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
        out->push_back(std::move(f));
        av_packet_unref(pkt);
    }
}

}  // namespace

std::vector<uint8_t> MakeI420Picture(int width, int height, int index) {
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    std::vector<uint8_t> pic(size_t(width) * height + 2 * size_t(cw) * ch);
    uint8_t* y = pic.data();
    uint8_t* u = y + size_t(width) * height;
    uint8_t* v = u + size_t(cw) * ch;
    const int bx = (index * 7) % (width > 32 ? width - 32 : 1);
    const int by = (index * 3) % (height > 32 ? height - 32 : 1);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const bool block = c >= bx && c < bx + 32 && r >= by && r < by + 32;
            y[size_t(r) * width + c] = block ? 235 : uint8_t(16 + (c + r + index) % 200);
        }
    for (int r = 0; r < ch; ++r)
        for (int c = 0; c < cw; ++c) {
            u[size_t(r) * cw + c] = uint8_t(64 + (c * 2 + index) % 128);
            v[size_t(r) * cw + c] = uint8_t(64 + (r * 2) % 128);
        }
    return pic;
}

std::vector<EncodedFrame> EncodeH264Clip(int width, int height, int count, int gop,
                                         std::string* error) {
    std::vector<EncodedFrame> out;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) { *error = "libavcodec has no libx264 encoder"; return {}; }
    CodecPtr enc(avcodec_alloc_context3(codec));
    enc->width = width;
    enc->height = height;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = AVRational{1, 25};
    enc->framerate = AVRational{25, 1};
    enc->gop_size = gop;
    enc->max_b_frames = 0;
    enc->thread_count = 1;
    enc->bit_rate = int64_t(width) * height * 2;
    av_opt_set(enc->priv_data, "preset", "ultrafast", 0);
    av_opt_set(enc->priv_data, "tune", "zerolatency", 0);
    // Cameras repeat SPS/PPS before every IDR; keep them in-band.
    av_opt_set(enc->priv_data, "x264-params", "repeat-headers=1:scenecut=0", 0);
    if (avcodec_open2(enc.get(), codec, nullptr) < 0) { *error = "cannot open libx264"; return {}; }
    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_YUV420P;
    if (av_frame_get_buffer(frame.get(), 0) < 0) { *error = "frame buffer"; return {}; }
    for (int i = 0; i < count; ++i) {
        av_frame_make_writable(frame.get());
        const std::vector<uint8_t> pic = MakeI420Picture(width, height, i);
        const int cw = (width + 1) / 2, ch = (height + 1) / 2;
        av_image_copy_plane(frame->data[0], frame->linesize[0], pic.data(), width, width, height);
        av_image_copy_plane(frame->data[1], frame->linesize[1], pic.data() + size_t(width) * height,
                            cw, cw, ch);
        av_image_copy_plane(frame->data[2], frame->linesize[2],
                            pic.data() + size_t(width) * height + size_t(cw) * ch, cw, cw, ch);
        frame->pts = i;
        if (avcodec_send_frame(enc.get(), frame.get()) < 0) { *error = "encode"; return {}; }
        Drain(enc.get(), pkt.get(), &out);
    }
    avcodec_send_frame(enc.get(), nullptr);
    Drain(enc.get(), pkt.get(), &out);
    if (int(out.size()) != count) *error = "encoder gave " + std::to_string(out.size()) + " packets";
    return out;
}

std::vector<std::vector<uint8_t>> ReferenceDecode(const std::vector<EncodedFrame>& clip) {
    std::vector<std::vector<uint8_t>> pictures;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    CodecPtr dec(avcodec_alloc_context3(codec));
    dec->thread_count = 1;
    avcodec_open2(dec.get(), codec, nullptr);
    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    for (const EncodedFrame& f : clip) {
        av_new_packet(pkt.get(), int(f.bytes.size()));
        std::memcpy(pkt->data, f.bytes.data(), f.bytes.size());
        avcodec_send_packet(dec.get(), pkt.get());
        av_packet_unref(pkt.get());
        std::vector<uint8_t> pic;
        while (avcodec_receive_frame(dec.get(), frame.get()) == 0) {
            const int w = frame->width, h = frame->height;
            const int cw = (w + 1) / 2, ch = (h + 1) / 2;
            pic.assign(size_t(w) * h + 2 * size_t(cw) * ch, 0);
            av_image_copy_plane(pic.data(), w, frame->data[0], frame->linesize[0], w, h);
            av_image_copy_plane(pic.data() + size_t(w) * h, cw, frame->data[1], frame->linesize[1], cw, ch);
            av_image_copy_plane(pic.data() + size_t(w) * h + size_t(cw) * ch, cw, frame->data[2],
                                frame->linesize[2], cw, ch);
            av_frame_unref(frame.get());
        }
        pictures.push_back(std::move(pic));
    }
    return pictures;
}

}  // namespace kelvo::testsupport
