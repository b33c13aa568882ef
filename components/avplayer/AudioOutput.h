#pragma once
#include "LibavPtr.h"

extern "C" {
#include <libswresample/swresample.h>
}

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace kelvo {

// The sound of one opened file: decodes its audio stream, converts it to
// 16-bit interleaved PCM and queues it on an SDL audio device of its own.
// Without a device (no audio driver) the sound is decoded and dropped.
//
// Thread contract: Open, Decode and Clear on the session's threads, one at a
// time (Clear resets the decoder); SetPaused from any thread (SDL locks the
// device).
class AudioOutput {
public:
    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // False when the stream cannot be decoded; playback then goes on silent.
    bool Open(const AVStream* stream);
    // Decodes one packet (null drains) and queues what it gives; frames that
    // end before `dropBefore` seconds are dropped (decoding up to a seek).
    void Decode(const AVPacket* packet, double dropBefore);
    void SetPaused(bool paused);
    // Forgets queued sound and decoder state (after a seek).
    void Clear();
    bool HasDevice() const { return m_device != 0; }
    // Bytes waiting on the device. Thread: any.
    uint32_t QueuedBytes() const;

private:
    struct SwrDeleter {
        void operator()(SwrContext* s) const { swr_free(&s); }
    };
    void Queue(const AVFrame* frame);

    CodecContextPtr m_codec;
    std::unique_ptr<SwrContext, SwrDeleter> m_swr;
    FramePtr m_frame;
    AVRational m_timeBase{1, 1};
    int64_t m_startPts = 0;
    int m_channels = 0;
    int m_rate = 0;
    bool m_sdlAudio = false;
    SDL_AudioDeviceID m_device = 0;
    std::vector<uint8_t> m_pcm;
};

}  // namespace kelvo
