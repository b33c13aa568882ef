#pragma once
#include <cstdint>
#include <memory>

namespace kelvo {

// One H.264 stream to planar I420 pictures of a fixed size.
// Thread: one thread at a time per object (the stream's render thread).
class IVideoDecoder {
public:
    virtual ~IVideoDecoder() = default;

    // Decodes one encoded frame (borrowed for the call). On success writes a
    // whole picture into `out` (Y plane width*height, then U, then V, each
    // ChromaWidth*ChromaHeight) and returns the bytes written (> 0). Returns 0
    // when the frame gave no picture (needs more data, corrupt, too small an
    // output) and never writes past `outCapacity`.
    virtual int Decode(const uint8_t* frame, int bytes, uint8_t* out, int outCapacity) = 0;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

// How a stream makes its decoder; tests hand in one that makes fakes.
// Null when no decoder can be made for the size.
using VideoDecoderFactory = std::unique_ptr<IVideoDecoder> (*)(int width, int height);

// Bytes of an I420 picture of width x height: chroma planes round up, so for
// even sizes this is width*height*3/2.
inline int I420PictureBytes(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    const int64_t cw = (width + 1) / 2;
    const int64_t ch = (height + 1) / 2;
    const int64_t total = int64_t(width) * height + 2 * cw * ch;
    return total > INT32_MAX ? 0 : int(total);
}

}  // namespace kelvo
