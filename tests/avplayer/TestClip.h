#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace avtest {

// Picture of the test clips: the left half red, the right half blue, and a
// grey band over the top rows whose level tells the frame's index.
constexpr int kBandRows = 16;
inline int BandLevel(int index) { return 20 + 7 * index; }  // index 0..29
// The index whose band level is nearest to `level`.
int IndexFromBand(double level);
// Mean luma of the band of an I420 picture.
double BandMean(const std::vector<uint8_t>& i420, int width);

struct ClipSpec {
    int width = 160, height = 120, fps = 10, frames = 30, gop = 10;
    bool fastStart = false;  // index at the front, for streaming over a plain socket
    bool audio = false;      // a 440 Hz AAC tone, mono 44.1 kHz, as long as the video
};

// Writes an H.264 MP4 (libx264 through libavcodec, no B-frames, a key frame
// exactly every `gop` frames). Empty string on success, else the reason.
std::string WriteClip(const std::string& path, const ClipSpec& spec);

}  // namespace avtest
