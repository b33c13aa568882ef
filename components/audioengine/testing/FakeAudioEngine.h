#pragma once
#include "IAudioEngine.h"

#include <map>
#include <mutex>
#include <vector>

namespace kelvo::testing {

// Engine stand-in: keeps channels in memory, records played PCM, refuses
// opens on demand, and lets a test play the microphone (Capture).
// Thread: any; one mutex guards everything and is released around handler calls.
class FakeAudioEngine : public IAudioEngine {
public:
    struct Channel {
        int playFrames = 0, playSamples = 0, talkFrames = 0, talkSamples = 0, talkRate = 0;
        bool started = false;
        AudioCaptureHandler handler = nullptr;
        void* user = nullptr;
        std::vector<uint8_t> played;
    };

    void RefuseOpen(bool refuse) { std::lock_guard<std::mutex> l(m_mutex); m_refuse = refuse; }

    void SetCaptureHandler(int channel, AudioCaptureHandler handler, void* user) override {
        std::lock_guard<std::mutex> l(m_mutex);
        auto it = m_channels.find(channel);
        if (it == m_channels.end()) return;
        it->second.handler = handler;
        it->second.user = user;
    }
    bool Initialise() override { std::lock_guard<std::mutex> l(m_mutex); ++m_inits; return true; }
    void Shutdown() override { std::lock_guard<std::mutex> l(m_mutex); ++m_shutdowns; m_channels.clear(); }
    int OpenDefaultChannel() override { return OpenChannel(8, 320, 8, 320, 8000); }
    int OpenChannel(int q, int p, int tq, int tp, int tr) override {
        std::lock_guard<std::mutex> l(m_mutex);
        if (m_refuse) return -1;
        Channel c;
        c.playFrames = q; c.playSamples = p; c.talkFrames = tq; c.talkSamples = tp; c.talkRate = tr;
        m_channels[m_next] = c;
        return m_next++;
    }
    void CloseChannel(int channel) override { std::lock_guard<std::mutex> l(m_mutex); m_channels.erase(channel); }
    bool StartChannel(int channel) override {
        std::lock_guard<std::mutex> l(m_mutex);
        auto it = m_channels.find(channel);
        if (it == m_channels.end()) return false;
        it->second.started = true;
        return true;
    }
    bool Play(int, int channel, const uint8_t* pcm, int bytes) override {
        std::lock_guard<std::mutex> l(m_mutex);
        auto it = m_channels.find(channel);
        if (it == m_channels.end() || !pcm || bytes <= 0) return false;
        it->second.played.insert(it->second.played.end(), pcm, pcm + bytes);
        return true;
    }
    void SetEchoCancellation(int on) override { std::lock_guard<std::mutex> l(m_mutex); m_options[22] = on; }
    void SetCaptureDevice(int index) override { std::lock_guard<std::mutex> l(m_mutex); m_options[23] = index; }
    void SetNoiseSuppression(int on) override { std::lock_guard<std::mutex> l(m_mutex); m_options[24] = on; }
    void SetPlaybackVolume(int volume, int) override { std::lock_guard<std::mutex> l(m_mutex); m_options[25] = volume; }

    // Delivers one captured block to the channel's handler, as the audio
    // thread would. False when the channel has no handler or is not started.
    bool Capture(int channel, const uint8_t* pcm, int bytes) {
        AudioCaptureHandler handler;
        void* user;
        {
            std::lock_guard<std::mutex> l(m_mutex);
            auto it = m_channels.find(channel);
            if (it == m_channels.end() || !it->second.started || !it->second.handler) return false;
            handler = it->second.handler;
            user = it->second.user;
        }
        handler(kAudioCapturedPcm, 0, pcm, bytes, user);
        return true;
    }

    bool HasChannel(int channel) { std::lock_guard<std::mutex> l(m_mutex); return m_channels.count(channel) > 0; }
    Channel Get(int channel) { std::lock_guard<std::mutex> l(m_mutex); return m_channels[channel]; }
    int Inits() { std::lock_guard<std::mutex> l(m_mutex); return m_inits; }
    int Shutdowns() { std::lock_guard<std::mutex> l(m_mutex); return m_shutdowns; }
    int Option(int slot) { std::lock_guard<std::mutex> l(m_mutex); return m_options[slot]; }

private:
    std::mutex m_mutex;
    std::map<int, Channel> m_channels;
    std::map<int, int> m_options;
    int m_next = 0;
    int m_inits = 0;
    int m_shutdowns = 0;
    bool m_refuse = false;
};

}  // namespace kelvo::testing
