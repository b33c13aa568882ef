// A few seconds of speech-like sound coded once with libavcodec in one
// camera audio codec, cut into 40 ms packets that viewers replay.
// Thread: built once, read-only afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class AudioLoop {
public:
    static constexpr int kSampleRate = 8000;
    static constexpr int kPacketMs = 40;

    // `encoder` is "name[:bitrate]" (e.g. "pcm_alaw", "g726:32000").
    // Throws std::runtime_error when libavcodec cannot code it.
    AudioLoop(int codecNumber, const std::string& encoder, int seconds = 2);

    int CodecNumber() const { return m_codec; }
    const std::vector<uint8_t>& Packet(uint64_t index) const { return m_packets[index % m_packets.size()]; }
    size_t Length() const { return m_packets.size(); }
    // The signal before coding (tests compare decoded sound with it).
    static std::vector<int16_t> Signal(int samples);

private:
    int m_codec;
    std::vector<std::vector<uint8_t>> m_packets;
};

}  // namespace sim
