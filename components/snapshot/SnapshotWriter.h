#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvo {

// I420 picture to a JPEG file (RGB, quality 100, baseline tables).
// Thread: any; no shared state.
class SnapshotWriter {
public:
    // Writes the picture (planar I420: Y, then U and V of (width+1)/2 x
    // (height+1)/2; `bytes` must cover them) to `path`, which must not exist
    // yet. On any failure returns false and leaves no file behind.
    static bool WriteJpeg(const uint8_t* i420, size_t bytes, int width, int height,
                          const std::string& path);

    // As WriteJpeg, into `path` or, when taken, its first free numbered
    // variant (see ExclusiveFile); the name used goes to *written.
    static bool WriteJpegUnique(const uint8_t* i420, size_t bytes, int width, int height,
                                const std::string& path, std::string* written);

    // The RGB conversion alone: 3 bytes per pixel, red first, rows from the
    // top. `rgb` holds width*height*3 bytes.
    static bool ConvertToRgb(const uint8_t* i420, size_t bytes, int width, int height, uint8_t* rgb);

private:
    static bool WriteOpened(int fd, const uint8_t* i420, size_t bytes, int width, int height,
                            const std::string& path);
};

}  // namespace kelvo
