#pragma once

namespace kelvo {

enum class AudioFormat {
    NONE,
    G711_ULAW,
    G711_ALAW,
    G726_MSB_FIRST,  // code words packed from the most significant bit
    G726_LSB_FIRST,  // RFC 3551 packing (libavcodec "g726le")
    AAC_ADTS,        // AAC-LC, one ADTS frame per packet
};

// One coded format behind an audio codec number.
struct AudioCodecInfo {
    AudioFormat format;
    const char* name;
    int bitRate;          // bit/s of the coded stream
    int sampleRate;       // R
    int frameSamples;     // P
    int framesPerPacket;  // Q
};

// Audio codec numbers 16..25 (index = number - 16) and what they stand for.
// All formats run at 8000 Hz mono, 16-bit signed little-endian PCM.
//
// P = samples in one frame: the block the engine captures for talk and the
//     encoder takes per call (AAC needs exactly 1024).
// Q = the most frames one received packet may decode to; the caller's decode
//     buffer of Q*P*2 bytes therefore holds any accepted packet.
// R = sample rate in Hz.
// Thread: any (constant data).
class AudioCodecTable {
public:
    static constexpr int kFirstNumber = 16;
    static constexpr int kCount = 10;

    // Null for an index outside 0..9 or a number left unassigned.
    static const AudioCodecInfo* Find(int index);
};

}  // namespace kelvo
