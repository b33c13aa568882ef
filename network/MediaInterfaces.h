// What a stream needs of the outside media components, behind small
// interfaces so tests can put fakes in their place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// Decodes one encoded frame into a planar I420 picture of the size the
// decoder was made for. Result > 0: a whole picture was written.
// Thread: the stream's render thread only.
class FrameDecoder {
public:
    virtual ~FrameDecoder() = default;
    virtual int Decode(const uint8_t* frame, int bytes, uint8_t* out, int capacity) = 0;
    // A static name for the figures overlay.
    virtual const char* CodecName() const { return "video"; }
};

using FrameDecoderFactory = std::function<std::unique_ptr<FrameDecoder>(int width, int height)>;

// The decoder the library uses unless a test installs another.
FrameDecoderFactory DefaultDecoderFactory();
