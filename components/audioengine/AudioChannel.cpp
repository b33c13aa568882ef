#include "AudioChannel.h"

#include <algorithm>
#include <cstring>

namespace kelvo {
namespace {

Uint16 DeviceSamples(int wanted) {
    // SDL wants a power of two; stay near one talk block, within 40..130 ms at 8 kHz.
    Uint16 s = 256;
    while (s < 1024 && int(s) < wanted) s = Uint16(s * 2);
    return s;
}

}  // namespace

std::unique_ptr<AudioChannel> AudioChannel::Open(const Format& format, int captureIndex,
                                                 std::string* error) {
    if (format.playSamples <= 0 || format.playFrames <= 0 || format.talkSamples <= 0 ||
        format.rate < 4000 || format.rate > 192000 || format.talkSamples > format.rate * 4) {
        *error = "bad channel format";
        return nullptr;
    }
    std::unique_ptr<AudioChannel> ch(new AudioChannel());
    SDL_AudioSpec want{};
    want.freq = format.rate;
    want.format = AUDIO_S16LSB;
    want.channels = 1;
    want.samples = DeviceSamples(format.playSamples);
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the device runs at.
    ch->m_playback = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (ch->m_playback == 0) {
        *error = std::string("playback: ") + SDL_GetError();
        return nullptr;
    }
    // Bound the delay: at most one second, or two whole packets if larger.
    const long samples = std::max<long>(format.rate, 2L * format.playFrames * format.playSamples);
    ch->m_queueLimit = uint32_t(samples * 2);

    ch->m_block.assign(size_t(format.talkSamples) * 2, 0);
    SDL_AudioSpec cwant{};
    cwant.freq = format.rate;
    cwant.format = AUDIO_S16LSB;
    cwant.channels = 1;
    cwant.samples = DeviceSamples(format.talkSamples);
    cwant.callback = &AudioChannel::OnCapture;
    cwant.userdata = ch.get();
    const char* name = captureIndex > 0 ? SDL_GetAudioDeviceName(captureIndex - 1, 1) : nullptr;
    ch->m_capture = SDL_OpenAudioDevice(name, 1, &cwant, &have, 0);
    if (ch->m_capture == 0) ch->m_captureError = std::string("capture: ") + SDL_GetError();
    return ch;
}

AudioChannel::~AudioChannel() { Close(); }

void AudioChannel::SetHandler(AudioCaptureHandler handler, void* user) {
    std::lock_guard<std::mutex> lock(m_handlerMutex);
    m_handler = handler;
    m_user = user;
}

bool AudioChannel::Start() {
    std::lock_guard<std::mutex> lock(m_deviceMutex);
    if (m_closed) return false;
    SDL_PauseAudioDevice(m_playback, 0);
    if (m_capture) SDL_PauseAudioDevice(m_capture, 0);
    return true;
}

bool AudioChannel::Play(const uint8_t* pcm, int bytes) {
    bytes &= ~1;  // whole samples only
    if (!pcm || bytes <= 0) return false;
    std::lock_guard<std::mutex> lock(m_deviceMutex);
    if (m_closed) return false;
    // A stalled device must not grow the delay without bound: drop instead.
    if (SDL_GetQueuedAudioSize(m_playback) + uint32_t(bytes) > m_queueLimit) return false;
    return SDL_QueueAudio(m_playback, pcm, Uint32(bytes)) == 0;
}

uint32_t AudioChannel::QueuedBytes() {
    std::lock_guard<std::mutex> lock(m_deviceMutex);
    return m_closed ? 0 : SDL_GetQueuedAudioSize(m_playback);
}

void AudioChannel::Close() {
    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        if (m_closed) return;
        m_closed = true;
        SDL_CloseAudioDevice(m_playback);
        m_playback = 0;
    }
    // Waits for a capture callback in progress; none runs after this.
    if (m_capture) SDL_CloseAudioDevice(m_capture);
}

void SDLCALL AudioChannel::OnCapture(void* self, Uint8* stream, int len) {
    static_cast<AudioChannel*>(self)->Deliver(stream, len);
}

void AudioChannel::Deliver(const Uint8* data, int len) {
    size_t at = 0;
    while (at < size_t(len)) {
        const size_t take = std::min(m_block.size() - m_blockFill, size_t(len) - at);
        std::memcpy(m_block.data() + m_blockFill, data + at, take);
        m_blockFill += take;
        at += take;
        if (m_blockFill < m_block.size()) break;
        m_blockFill = 0;
        AudioCaptureHandler handler;
        void* user;
        {
            std::lock_guard<std::mutex> lock(m_handlerMutex);
            handler = m_handler;
            user = m_user;
        }
        // Called unlocked so the handler may change the handler.
        if (handler) handler(kAudioCapturedPcm, 0, m_block.data(), int(m_block.size()), user);
    }
}

}  // namespace kelvo
