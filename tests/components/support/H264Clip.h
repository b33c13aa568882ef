#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::testsupport {

struct EncodedFrame {
    std::vector<uint8_t> bytes;  // Annex B, SPS/PPS in front of every key frame
    bool key = false;
};

// A synthetic moving I420 picture (gradient plus a moving block), seeded by
// the frame index so every run gives the same pixels.
std::vector<uint8_t> MakeI420Picture(int width, int height, int index);

// Encodes `count` synthetic pictures with libx264 (no B-frames, one key frame
// every `gop` frames). Empty on failure, with the reason in *error.
std::vector<EncodedFrame> EncodeH264Clip(int width, int height, int count, int gop,
                                         std::string* error);

// Decodes a clip with a bare libavcodec loop; each entry is the I420 picture
// the decoder returned for that frame (empty when it returned none).
std::vector<std::vector<uint8_t>> ReferenceDecode(const std::vector<EncodedFrame>& clip);

}  // namespace kelvo::testsupport
