#include "sim/AudioLoop.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace sim {

std::vector<int16_t> AudioLoop::Signal(int samples) {
    // A 300 Hz voice with harmonics, syllables of 250 ms.
    std::vector<int16_t> out(static_cast<size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double env = 0.5 - 0.5 * std::cos(2 * M_PI * 4 * t);
        double s = std::sin(2 * M_PI * 300 * t) + 0.5 * std::sin(2 * M_PI * 600 * t) + 0.25 * std::sin(2 * M_PI * 900 * t);
        out[i] = static_cast<int16_t>(env * s * 9000);
    }
    return out;
}

AudioLoop::AudioLoop(int codecNumber, const std::string& encoder, int seconds) : m_codec(codecNumber) {
    std::string name = encoder;
    int64_t bitrate = 0;
    size_t colon = encoder.find(':');
    if (colon != std::string::npos) {
        name = encoder.substr(0, colon);
        bitrate = std::stoll(encoder.substr(colon + 1));
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec) throw std::runtime_error("audio codec " + std::to_string(codecNumber) + ": no encoder \"" + name + "\"");
    auto freeCtx = [](AVCodecContext* c) { avcodec_free_context(&c); };
    std::unique_ptr<AVCodecContext, decltype(freeCtx)> ctx(avcodec_alloc_context3(codec), freeCtx);
    ctx->sample_rate = kSampleRate;
    ctx->sample_fmt = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&ctx->ch_layout, 1);
    ctx->bit_rate = bitrate;
    ctx->time_base = AVRational{1, kSampleRate};
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        throw std::runtime_error("audio codec " + std::to_string(codecNumber) + ": \"" + encoder + "\" refuses 8 kHz mono");
    const int perPacket = kSampleRate * kPacketMs / 1000;
    const int frameSize = ctx->frame_size > 0 ? ctx->frame_size : perPacket;
    std::vector<int16_t> pcm = Signal(kSampleRate * seconds);
    auto freeFrame = [](AVFrame* f) { av_frame_free(&f); };
    auto freePkt = [](AVPacket* p) { av_packet_free(&p); };
    std::unique_ptr<AVFrame, decltype(freeFrame)> frame(av_frame_alloc(), freeFrame);
    std::unique_ptr<AVPacket, decltype(freePkt)> pkt(av_packet_alloc(), freePkt);
    std::vector<uint8_t> coded;
    auto drain = [&] {
        while (avcodec_receive_packet(ctx.get(), pkt.get()) == 0) {
            coded.insert(coded.end(), pkt->data, pkt->data + pkt->size);
            av_packet_unref(pkt.get());
        }
    };
    // Coded bytes per 40 ms follow from the rate; cut the coded stream so.
    for (size_t off = 0; off + frameSize <= pcm.size(); off += frameSize) {
        frame->nb_samples = frameSize;
        frame->format = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&frame->ch_layout, 1);
        frame->sample_rate = kSampleRate;
        if (av_frame_get_buffer(frame.get(), 0) < 0) throw std::runtime_error("audio: out of memory");
        std::memcpy(frame->data[0], pcm.data() + off, frameSize * sizeof(int16_t));
        frame->pts = static_cast<int64_t>(off);
        if (avcodec_send_frame(ctx.get(), frame.get()) < 0) throw std::runtime_error("audio: encode failed");
        av_frame_unref(frame.get());
        drain();
    }
    avcodec_send_frame(ctx.get(), nullptr);
    drain();
    size_t bytesPerPacket = coded.size() * perPacket / pcm.size();
    if (bytesPerPacket == 0) throw std::runtime_error("audio: \"" + encoder + "\" produced nothing");
    for (size_t off = 0; off + bytesPerPacket <= coded.size(); off += bytesPerPacket)
        m_packets.emplace_back(coded.begin() + static_cast<std::ptrdiff_t>(off),
                               coded.begin() + static_cast<std::ptrdiff_t>(off + bytesPerPacket));
}

}  // namespace sim
