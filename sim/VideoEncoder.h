// H.264 encoder over libx264 for the synthetic cameras: Annex B access
// units, SPS and PPS repeated in front of every key frame, a key frame
// every two seconds, and a VBV bound that keeps every frame far below the
// 204800-byte packet limit. Thread: one user at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

struct EncodedFrame {
    std::vector<uint8_t> data;
    bool key = false;
};

class VideoEncoder {
public:
    // kbps 0 picks a rate from the picture size. Throws std::runtime_error.
    VideoEncoder(int width, int height, int fps, int kbps);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Encodes one I420 picture; false when the encoder gave no frame.
    bool Encode(const std::vector<uint8_t>& i420, EncodedFrame* out, bool forceKey = false);
    // SPS and PPS, Annex B (for containers).
    std::vector<uint8_t> Headers();
    static int DefaultKbps(int width, int height);
    // Largest frame the VBV bound allows, in bytes.
    size_t MaxFrameBytes() const { return m_maxFrame; }

private:
    void* m_enc = nullptr;  // x264_t*
    int m_width, m_height;
    int64_t m_pts = 0;
    size_t m_maxFrame = 0;
};

}  // namespace sim
