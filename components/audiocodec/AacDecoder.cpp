#include "AacDecoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kelvo {

void AacDecoder::CodecDeleter::operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
void AacDecoder::FrameDeleter::operator()(AVFrame* f) const { av_frame_free(&f); }
void AacDecoder::PacketDeleter::operator()(AVPacket* p) const { av_packet_free(&p); }
void AacDecoder::SwrDeleter::operator()(SwrContext* s) const { swr_free(&s); }

std::unique_ptr<AacDecoder> AacDecoder::Create(const AudioCodecInfo& info) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    if (!codec) return nullptr;
    std::unique_ptr<AacDecoder> d(new AacDecoder());
    d->m_outRate = info.sampleRate;
    d->m_codec.reset(avcodec_alloc_context3(codec));
    d->m_frame.reset(av_frame_alloc());
    d->m_packet.reset(av_packet_alloc());
    if (!d->m_codec || !d->m_frame || !d->m_packet) return nullptr;
    d->m_codec->thread_count = 1;
    if (avcodec_open2(d->m_codec.get(), codec, nullptr) < 0) return nullptr;
    return d;
}

AacDecoder::~AacDecoder() = default;

bool AacDecoder::PrepareResampler(const AVFrame* f) {
    if (m_swr && f->sample_rate == m_inRate && f->ch_layout.nb_channels == m_inChannels &&
        f->format == m_inFormat)
        return true;
    AVChannelLayout mono;
    av_channel_layout_default(&mono, 1);
    SwrContext* swr = nullptr;
    AVChannelLayout in{};
    if (av_channel_layout_copy(&in, &f->ch_layout) < 0) return false;
    const int set = swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_S16, m_outRate, &in,
                                        AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    if (set < 0)
        return false;
    m_swr.reset(swr);
    if (swr_init(swr) < 0) {
        m_swr.reset();
        return false;
    }
    m_inRate = f->sample_rate;
    m_inChannels = f->ch_layout.nb_channels;
    m_inFormat = f->format;
    return true;
}

int AacDecoder::Convert(const AVFrame* f, uint8_t* out, int capacitySamples) {
    if (!PrepareResampler(f)) return -1;
    uint8_t* dst[1] = {out};
    // Whatever does not fit stays in the resampler and leads the next packet.
    return swr_convert(m_swr.get(), dst, capacitySamples,
                       const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
}

bool AacDecoder::Decode(const uint8_t* coded, int bytes, uint8_t* out, int* inOutLen) {
    if (!inOutLen) return false;
    const int capacity = *inOutLen;
    *inOutLen = 0;
    if (!coded || !out || bytes <= 0 || capacity < 2) return false;
    if (av_new_packet(m_packet.get(), bytes) < 0) return false;
    std::memcpy(m_packet->data, coded, size_t(bytes));
    const int sent = avcodec_send_packet(m_codec.get(), m_packet.get());
    av_packet_unref(m_packet.get());
    if (sent < 0) return false;
    int written = 0;
    while (avcodec_receive_frame(m_codec.get(), m_frame.get()) == 0) {
        const int n = Convert(m_frame.get(), out + written, (capacity - written) / 2);
        av_frame_unref(m_frame.get());
        if (n > 0) written += n * 2;
    }
    *inOutLen = written;
    return written > 0;
}

}  // namespace kelvo
