#pragma once
#include <cstdint>

namespace kelvo {

// Called with kind 0 and one block of captured microphone PCM (16-bit
// little-endian mono, P samples of the talk codec). `data` is valid only
// during the call. Runs on the audio back-end's capture thread.
using AudioCaptureHandler = void (*)(int kind, int unused, const uint8_t* data, int bytes, void* user);

constexpr int kAudioCapturedPcm = 0;

// The sound device: playback of decoded camera sound and microphone capture
// for talk, per channel. Thread: every method may be called from any thread.
class IAudioEngine {
public:
    virtual ~IAudioEngine() = default;

    // Handler for the channel's captured blocks (null stops delivery). A
    // block already being delivered may still reach the previous handler;
    // after CloseChannel returns, none will.
    virtual void SetCaptureHandler(int channel, AudioCaptureHandler handler, void* user) = 0;
    // Counted: each Initialise is matched by one Shutdown; the last Shutdown
    // closes every channel.
    virtual bool Initialise() = 0;
    virtual void Shutdown() = 0;
    // Raw 8 kHz PCM both ways (cameras without an audio codec). Negative on failure.
    virtual int OpenDefaultChannel() = 0;
    // Playback of the stream codec's PCM (Q, P) and capture for the talk
    // codec (Q, P, R); see AudioCodecTable for P, Q, R. Negative on failure.
    // A channel whose microphone cannot be opened still plays.
    virtual int OpenChannel(int playFrames, int playSamples, int talkFrames, int talkSamples,
                            int talkRate) = 0;
    // Blocks until SDL's device threads end (about one device buffer, up to
    // ~130 ms) and while a capture handler call of the channel is in progress:
    // never call it (nor Open*, Initialise, Shutdown) from a capture handler,
    // nor while holding a lock the handler takes.
    virtual void CloseChannel(int channel) = 0;
    // Starts playback and capture.
    virtual bool StartChannel(int channel) = 0;
    // Queues PCM (copied before return) for the speaker. False when the
    // channel is unknown or its queue is full (the data is dropped then).
    virtual bool Play(int unused, int channel, const uint8_t* pcm, int bytes) = 0;

    // Options set when a session starts; stored and reported, SDL offers no
    // such processing. 22: echo cancellation on/off; 23: capture device
    // index (0 = system default); 24: noise suppression on/off; 25: playback
    // volume (-1 = system level) and a flags word.
    virtual void SetEchoCancellation(int on) = 0;       // slot 22
    virtual void SetCaptureDevice(int index) = 0;       // slot 23
    virtual void SetNoiseSuppression(int on) = 0;       // slot 24
    virtual void SetPlaybackVolume(int volume, int flags) = 0;  // slot 25
};

}  // namespace kelvo
