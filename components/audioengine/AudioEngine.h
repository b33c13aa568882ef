#pragma once
#include "IAudioEngine.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace kelvo {

class AudioChannel;

// IAudioEngine over SDL2 audio: one playback and one capture device per
// channel, 16-bit mono at the talk codec's rate. Capture handlers run on
// SDL's audio threads. Works headless (SDL_AUDIODRIVER=dummy): playback
// accepts data, and a channel without a microphone reports it through
// CaptureAvailable/LastError instead of failing.
// Thread: any; lifecycle calls are serialised, channel calls lock briefly.
class AudioEngine final : public IAudioEngine {
public:
    // The process-wide engine (never destroyed before exit).
    static AudioEngine& Instance();

    void SetCaptureHandler(int channel, AudioCaptureHandler handler, void* user) override;
    bool Initialise() override;
    void Shutdown() override;
    int OpenDefaultChannel() override;
    int OpenChannel(int playFrames, int playSamples, int talkFrames, int talkSamples,
                    int talkRate) override;
    void CloseChannel(int channel) override;
    bool StartChannel(int channel) override;
    bool Play(int unused, int channel, const uint8_t* pcm, int bytes) override;

    void SetEchoCancellation(int on) override { m_echoCancel = on; }
    void SetCaptureDevice(int index) override { m_captureDevice = index; }
    void SetNoiseSuppression(int on) override { m_noiseSuppress = on; }
    void SetPlaybackVolume(int volume, int flags) override {
        m_volume = volume;
        m_volumeFlags = flags;
    }

    // --- diagnostics
    bool IsInitialised() const { return m_users > 0; }
    bool CaptureAvailable(int channel);
    uint32_t QueuedBytes(int channel);
    int OpenChannels();
    std::string LastError();
    int EchoCancellation() const { return m_echoCancel; }
    int CaptureDevice() const { return m_captureDevice; }
    int NoiseSuppression() const { return m_noiseSuppress; }
    int PlaybackVolume() const { return m_volume; }
    int PlaybackVolumeFlags() const { return m_volumeFlags; }

private:
    AudioEngine() = default;
    std::shared_ptr<AudioChannel> Find(int channel);
    void SetError(const std::string& text);

    std::mutex m_lifeMutex;  // serialises Initialise, Shutdown and opens
    std::atomic<int> m_users{0};

    std::mutex m_mutex;      // guards the members below
    std::map<int, std::shared_ptr<AudioChannel>> m_channels;
    int m_nextChannel = 0;   // never reused within a process
    std::string m_lastError;

    std::atomic<int> m_echoCancel{0}, m_captureDevice{0}, m_noiseSuppress{0};
    std::atomic<int> m_volume{-1}, m_volumeFlags{0};
};

}  // namespace kelvo
