#include "AudioOutput.h"

namespace kelvo {

AudioOutput::~AudioOutput() {
    if (m_device) SDL_CloseAudioDevice(m_device);
    if (m_sdlAudio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioOutput::Open(const AVStream* stream) {
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) return false;
    CodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0) return false;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return false;
    m_rate = codec->sample_rate;
    m_channels = codec->ch_layout.nb_channels >= 2 ? 2 : 1;
    if (m_rate <= 0 || m_channels <= 0) return false;
    AVChannelLayout out;
    av_channel_layout_default(&out, m_channels);
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, m_rate, &codec->ch_layout, codec->sample_fmt,
                            m_rate, 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
        swr_free(&swr);
        return false;
    }
    m_swr.reset(swr);
    m_frame.reset(av_frame_alloc());
    m_codec = std::move(codec);
    m_timeBase = stream->time_base;
    m_startPts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;

    m_sdlAudio = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (m_sdlAudio) {
        SDL_AudioSpec want{};
        want.freq = m_rate;
        want.format = AUDIO_S16SYS;
        want.channels = static_cast<Uint8>(m_channels);
        want.samples = 1024;
        SDL_AudioSpec have{};
        m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);  // SDL converts to the device
        if (m_device) SDL_PauseAudioDevice(m_device, 0);
    }
    return m_frame != nullptr;
}

void AudioOutput::Decode(const AVPacket* packet, double dropBefore) {
    if (!m_codec) return;
    if (avcodec_send_packet(m_codec.get(), packet) < 0) return;
    while (avcodec_receive_frame(m_codec.get(), m_frame.get()) == 0) {
        double end = 0;
        if (m_frame->pts != AV_NOPTS_VALUE)
            end = (m_frame->pts - m_startPts) * av_q2d(m_timeBase) + double(m_frame->nb_samples) / m_rate;
        if (m_frame->pts == AV_NOPTS_VALUE || end >= dropBefore) Queue(m_frame.get());
        av_frame_unref(m_frame.get());
    }
}

void AudioOutput::Queue(const AVFrame* frame) {
    int capacity = swr_get_out_samples(m_swr.get(), frame->nb_samples);
    if (capacity <= 0) return;
    m_pcm.resize(static_cast<size_t>(capacity) * m_channels * 2);
    uint8_t* out[1] = {m_pcm.data()};
    int got = swr_convert(m_swr.get(), out, capacity, const_cast<const uint8_t**>(frame->extended_data),
                          frame->nb_samples);
    if (got > 0 && m_device) SDL_QueueAudio(m_device, m_pcm.data(), static_cast<Uint32>(got) * m_channels * 2);
}

void AudioOutput::SetPaused(bool paused) {
    if (m_device) SDL_PauseAudioDevice(m_device, paused ? 1 : 0);
}

void AudioOutput::Clear() {
    if (m_device) SDL_ClearQueuedAudio(m_device);
    if (m_codec) avcodec_flush_buffers(m_codec.get());
}

uint32_t AudioOutput::QueuedBytes() const { return m_device ? SDL_GetQueuedAudioSize(m_device) : 0; }

}  // namespace kelvo
