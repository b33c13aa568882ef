#include "AacEncoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace kelvo {
namespace {

int AdtsRateIndex(int rate) {
    static const int kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                 22050, 16000, 12000, 11025, 8000, 7350};
    for (int i = 0; i < 13; ++i)
        if (kRates[i] == rate) return i;
    return -1;
}

void WriteAdtsHeader(uint8_t* h, int rateIndex, int frameBytes) {
    const int len = frameBytes + 7;
    const int profile = 1;  // AAC-LC (object type 2) minus 1
    const int channels = 1;
    h[0] = 0xFF;
    h[1] = 0xF1;  // MPEG-4, no CRC
    h[2] = uint8_t((profile << 6) | (rateIndex << 2) | (channels >> 2));
    h[3] = uint8_t(((channels & 3) << 6) | (len >> 11));
    h[4] = uint8_t((len >> 3) & 0xFF);
    h[5] = uint8_t(((len & 7) << 5) | 0x1F);
    h[6] = 0xFC;
}

}  // namespace

void AacEncoder::CodecDeleter::operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
void AacEncoder::FrameDeleter::operator()(AVFrame* f) const { av_frame_free(&f); }
void AacEncoder::PacketDeleter::operator()(AVPacket* p) const { av_packet_free(&p); }

std::unique_ptr<AacEncoder> AacEncoder::Create(const AudioCodecInfo& info) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    const int rateIndex = AdtsRateIndex(info.sampleRate);
    if (!codec || rateIndex < 0) return nullptr;
    std::unique_ptr<AacEncoder> e(new AacEncoder());
    e->m_rateIndex = rateIndex;
    e->m_codec.reset(avcodec_alloc_context3(codec));
    e->m_frame.reset(av_frame_alloc());
    e->m_packet.reset(av_packet_alloc());
    if (!e->m_codec || !e->m_frame || !e->m_packet) return nullptr;
    AVCodecContext* c = e->m_codec.get();
    c->sample_rate = info.sampleRate;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&c->ch_layout, 1);
    c->bit_rate = info.bitRate;
    c->time_base = AVRational{1, info.sampleRate};
    c->thread_count = 1;
    if (avcodec_open2(c, codec, nullptr) < 0 || c->frame_size != info.frameSamples) return nullptr;
    AVFrame* f = e->m_frame.get();
    f->nb_samples = c->frame_size;
    f->format = AV_SAMPLE_FMT_FLTP;
    f->sample_rate = info.sampleRate;
    av_channel_layout_default(&f->ch_layout, 1);
    if (av_frame_get_buffer(f, 0) < 0) return nullptr;
    e->m_pending.reserve(size_t(c->frame_size) * 2);
    return e;
}

AacEncoder::~AacEncoder() = default;

bool AacEncoder::SendFrame(const int16_t* samples) {
    AVFrame* f = m_frame.get();
    if (av_frame_make_writable(f) < 0) return false;
    float* dst = reinterpret_cast<float*>(f->data[0]);
    for (int i = 0; i < f->nb_samples; ++i) dst[i] = float(samples[i]) / 32768.0f;
    f->pts = m_pts;
    m_pts += f->nb_samples;
    return avcodec_send_frame(m_codec.get(), f) == 0;
}

int AacEncoder::DrainInto(uint8_t* out, int capacity) {
    int written = 0;
    while (avcodec_receive_packet(m_codec.get(), m_packet.get()) == 0) {
        const int size = m_packet->size;
        if (written + size + 7 <= capacity) {
            WriteAdtsHeader(out + written, m_rateIndex, size);
            std::memcpy(out + written + 7, m_packet->data, size_t(size));
            written += size + 7;
        }
        av_packet_unref(m_packet.get());
    }
    return written;
}

bool AacEncoder::Encode(const uint8_t* pcm, int bytes, uint8_t* out, int* inOutLen) {
    if (!inOutLen) return false;
    const int capacity = *inOutLen;
    *inOutLen = 0;
    const int samples = bytes / 2;
    if (!pcm || !out || samples <= 0) return false;
    const int frameSize = m_codec->frame_size;
    const int frames = int((m_pending.size() + size_t(samples)) / size_t(frameSize));
    // Refuse up front rather than lose coded frames that would not fit.
    if (long(capacity) < long(frames) * kMaxFrameBytes) return false;

    const size_t old = m_pending.size();
    m_pending.resize(old + size_t(samples));
    std::memcpy(m_pending.data() + old, pcm, size_t(samples) * 2);  // little-endian host
    size_t used = 0;
    int written = 0;
    while (m_pending.size() - used >= size_t(frameSize)) {
        if (!SendFrame(m_pending.data() + used)) break;
        used += size_t(frameSize);
        written += DrainInto(out + written, capacity - written);
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + long(used));
    *inOutLen = written;
    return written > 0;
}

}  // namespace kelvo
