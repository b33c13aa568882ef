#include "AudioEngine.h"

#include "AudioChannel.h"

#include <SDL.h>

#include <vector>

namespace kelvo {
namespace {

// Raw PCM of cameras without a codec: 8 kHz, 40 ms blocks, packets up to 320 ms.
constexpr int kDefaultRate = 8000;
constexpr int kDefaultSamples = 320;
constexpr int kDefaultFrames = 8;

}  // namespace

AudioEngine& AudioEngine::Instance() {
    // Leaked on purpose: streams may outlive static destruction order.
    static AudioEngine* engine = new AudioEngine();
    return *engine;
}

bool AudioEngine::Initialise() {
    std::lock_guard<std::mutex> life(m_lifeMutex);
    if (m_users == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SetError(std::string("init: ") + SDL_GetError());
        return false;
    }
    ++m_users;
    return true;
}

void AudioEngine::Shutdown() {
    std::lock_guard<std::mutex> life(m_lifeMutex);
    if (m_users == 0 || --m_users > 0) return;
    std::map<int, std::shared_ptr<AudioChannel>> channels;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        channels.swap(m_channels);
    }
    for (auto& entry : channels) entry.second->Close();
    channels.clear();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int AudioEngine::OpenDefaultChannel() {
    return OpenChannel(kDefaultFrames, kDefaultSamples, kDefaultFrames, kDefaultSamples, kDefaultRate);
}

int AudioEngine::OpenChannel(int playFrames, int playSamples, int talkFrames, int talkSamples,
                             int talkRate) {
    (void)talkFrames;  // capture is always mono, block by block
    std::lock_guard<std::mutex> life(m_lifeMutex);
    if (m_users == 0) {
        SetError("not initialised");
        return -1;
    }
    std::string error;
    std::shared_ptr<AudioChannel> ch = AudioChannel::Open(
        AudioChannel::Format{playSamples, playFrames, talkSamples, talkRate}, m_captureDevice, &error);
    if (!ch) {
        SetError(error);
        return -1;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!ch->CaptureAvailable()) m_lastError = ch->CaptureError();
    const int id = m_nextChannel++;
    if (m_nextChannel < 0) m_nextChannel = 0;
    m_channels[id] = std::move(ch);
    return id;
}

void AudioEngine::CloseChannel(int channel) {
    // SDL 2 does not guard opening and closing devices against each other.
    std::lock_guard<std::mutex> life(m_lifeMutex);
    std::shared_ptr<AudioChannel> ch;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_channels.find(channel);
        if (it == m_channels.end()) return;
        ch = std::move(it->second);
        m_channels.erase(it);
    }
    ch->Close();  // outside m_mutex: it waits for the capture thread
}

bool AudioEngine::StartChannel(int channel) {
    auto ch = Find(channel);
    return ch && ch->Start();
}

void AudioEngine::SetCaptureHandler(int channel, AudioCaptureHandler handler, void* user) {
    if (auto ch = Find(channel)) ch->SetHandler(handler, user);
}

bool AudioEngine::Play(int, int channel, const uint8_t* pcm, int bytes) {
    auto ch = Find(channel);
    return ch && ch->Play(pcm, bytes);
}

bool AudioEngine::CaptureAvailable(int channel) {
    auto ch = Find(channel);
    return ch && ch->CaptureAvailable();
}

uint32_t AudioEngine::QueuedBytes(int channel) {
    auto ch = Find(channel);
    return ch ? ch->QueuedBytes() : 0;
}

int AudioEngine::OpenChannels() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_channels.size());
}

std::string AudioEngine::LastError() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastError;
}

std::shared_ptr<AudioChannel> AudioEngine::Find(int channel) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_channels.find(channel);
    return it == m_channels.end() ? nullptr : it->second;
}

void AudioEngine::SetError(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastError = text;
}

}  // namespace kelvo
