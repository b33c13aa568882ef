#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace kelvo {

constexpr uint32_t MakeFourCc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kFourCcVids = MakeFourCc('v', 'i', 'd', 's');
constexpr uint32_t kFourCcH264 = MakeFourCc('H', '2', '6', '4');

// The stream header fields a recording sets; the rest are 0.
struct AviStreamInfo {
    uint32_t type = kFourCcVids;
    uint32_t handler = kFourCcH264;
    uint32_t scale = 1;
    uint32_t rate = 0;      // frames per second when scale is 1
    int32_t quality = -1;
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // frame rectangle
};

// BITMAPINFOHEADER fields of the video format.
struct AviBitmapInfo {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = kFourCcH264;
    uint32_t sizeImage = 0;
};

enum class AviResult {
    OK = 0,
    BAD_ARGUMENT,
    OPEN_FAILED,     // the file could not be created (exists, no folder, no rights)
    BAD_STATE,       // call out of order
    BAD_FORMAT,      // not H.264 video, or the muxer refused the header
    NEED_KEY_FRAME,  // a recording starts with a key frame
    BAD_POSITION,    // positions must grow
    WRITE_FAILED,    // the disk refused data; the file holds what came before
};

const char* AviResultText(AviResult r);

// An AVIFile-style writer of one H.264 video stream, stored as received.
// Calls go in the order Open, CreateStream, SetFormat, Write..., ReleaseStream,
// ReleaseFile. Thread: one thread at a time (callers hold their record lock).
class IAviWriter {
public:
    virtual ~IAviWriter() = default;
    // Creates the file; never replaces an existing one.
    virtual AviResult Open(const std::string& path) = 0;
    virtual AviResult CreateStream(const AviStreamInfo& info) = 0;
    virtual AviResult SetFormat(const AviBitmapInfo& format) = 0;
    // One encoded frame (borrowed for the call) at `position`. The first
    // accepted frame must be a key frame and becomes the file's first sample,
    // whatever its position; later positions must grow (gaps become empty
    // samples, keeping time).
    virtual AviResult Write(int64_t position, const uint8_t* data, int bytes, bool keyFrame) = 0;
    virtual void ReleaseStream() = 0;
    // Finishes the index and closes the file; safe to call in any state.
    virtual AviResult ReleaseFile() = 0;
};

// How a stream makes its writer; tests hand in one that makes fakes.
using AviWriterFactory = std::unique_ptr<IAviWriter> (*)();

}  // namespace kelvo
