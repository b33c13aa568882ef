// A stream's sound: decoding the camera's audio packets to the speaker and,
// during talk, coding the microphone for the device.
//
// Thread contract: Open, Close, PlayPacket and PlayPcm on the stream's
// connection thread or its owner (never two at once: the stream serialises
// them with m_lock); the capture handler runs on the audio engine's thread
// and only reads state that Close tears down after the engine has stopped
// calling it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "IAudioCodec.h"
#include "IAudioEngine.h"

class StreamAudio {
public:
    static constexpr int kRawPcmCodec = 26;
    // Sends one talk payload (already coded, or raw PCM) to the device.
    using TalkSender = std::function<void(const uint8_t* data, int bytes)>;

    StreamAudio(kelvo::IAudioEngine& engine, TalkSender sender);
    ~StreamAudio();

    // Opens for the packet codec and the stream codec (both 16..25), or the
    // raw default channel for stream codec 26. Closes first.
    bool Open(int packetCodec, int streamCodec);
    void Close();
    bool IsOpen();
    // Decodes one audio payload and plays it.
    void PlayPacket(const uint8_t* coded, int bytes);
    // Plays raw PCM (talk data from a codec-26 device).
    void PlayPcm(const uint8_t* pcm, int bytes);
    void SetTalking(bool talking) { m_talking = talking; }

private:
    static void OnCapture(int kind, int unused, const uint8_t* data, int bytes, void* user);

    kelvo::IAudioEngine& m_engine;
    TalkSender m_sender;
    std::atomic<bool> m_talking{false};

    std::mutex m_lock;  // guards everything below
    int m_channel = -1;
    int m_streamCodec = 0;
    std::unique_ptr<kelvo::IAudioDecoder> m_decoder;
    std::unique_ptr<kelvo::IAudioEncoder> m_encoder;
    std::vector<uint8_t> m_pcm;      // decode output, Q×P×2 bytes
    std::vector<uint8_t> m_coded;    // encode output, capture thread only
};
