#pragma once
#include "IAudioEngine.h"

#include <SDL.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kelvo {

// One playback device (SDL's queue) and, when the system has one, one
// capture device whose blocks are cut to the talk codec's frame size.
// Thread: Play/Start/QueuedBytes/SetHandler from any thread; the capture
// callback runs on SDL's capture thread; Close from any thread but that one.
class AudioChannel {
public:
    struct Format {
        int playSamples;    // P of the stream codec
        int playFrames;     // Q of the stream codec
        int talkSamples;    // P of the talk codec: one captured block
        int rate;           // R of the talk codec; the device rate both ways
    };

    // Null (with *error set) when no playback device opens. `captureIndex`
    // picks the microphone (0 = default).
    static std::unique_ptr<AudioChannel> Open(const Format& format, int captureIndex, std::string* error);
    ~AudioChannel();
    AudioChannel(const AudioChannel&) = delete;
    AudioChannel& operator=(const AudioChannel&) = delete;

    void SetHandler(AudioCaptureHandler handler, void* user);
    bool Start();
    bool Play(const uint8_t* pcm, int bytes);
    void Close();

    bool CaptureAvailable() const { return m_capture != 0; }
    const std::string& CaptureError() const { return m_captureError; }
    uint32_t QueuedBytes();
    uint32_t QueueLimitBytes() const { return m_queueLimit; }

private:
    AudioChannel() = default;
    static void SDLCALL OnCapture(void* self, Uint8* stream, int len);
    void Deliver(const Uint8* data, int len);

    uint32_t m_queueLimit = 0;

    std::mutex m_deviceMutex;            // guards m_playback and m_closed
    SDL_AudioDeviceID m_playback = 0;
    bool m_closed = false;

    SDL_AudioDeviceID m_capture = 0;     // set before Start, read-only after
    std::string m_captureError;

    std::mutex m_handlerMutex;           // guards m_handler and m_user
    AudioCaptureHandler m_handler = nullptr;
    void* m_user = nullptr;

    // --- capture thread only
    std::vector<uint8_t> m_block;
    size_t m_blockFill = 0;
};

}  // namespace kelvo
