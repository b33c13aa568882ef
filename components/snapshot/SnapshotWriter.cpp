#include "SnapshotWriter.h"

#include "ExclusiveFile.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>
#include <unistd.h>

#include <jpeglib.h>
#include <libyuv/convert_argb.h>

namespace kelvo {
namespace {

struct JpegError {
    jpeg_error_mgr base;  // first member: libjpeg hands us this pointer
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr) {}  // failures surface as the result

// Rows converted at a time: small enough to stay in cache, even so the
// chroma rows line up.
constexpr int kStripRows = 16;

struct Picture {
    const uint8_t* y;
    const uint8_t* u;
    const uint8_t* v;
    int width;
    int height;
    int chromaWidth;
};

bool ConvertRows(const Picture& p, int row, int rows, uint8_t* rgb) {
    const size_t chromaRow = size_t(row / 2) * size_t(p.chromaWidth);
    return libyuv::I420ToRAW(p.y + size_t(row) * size_t(p.width), p.width, p.u + chromaRow,
                             p.chromaWidth, p.v + chromaRow, p.chromaWidth, rgb, p.width * 3,
                             p.width, rows) == 0;
}

// Only trivially destructible locals here: a longjmp skips destructors.
bool Compress(FILE* file, const Picture& pic, uint8_t* strip) {
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnJpegError;
    err.base.output_message = OnJpegMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(pic.width);
    cinfo.image_height = JDIMENSION(pic.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = size_t(pic.width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int row = int(cinfo.next_scanline);
        const int rows = pic.height - row < kStripRows ? pic.height - row : kStripRows;
        if (!ConvertRows(pic, row, rows, strip)) {
            jpeg_destroy_compress(&cinfo);
            return false;
        }
        for (int i = 0; i < rows; ++i) {
            JSAMPROW line = strip + stride * size_t(i);
            jpeg_write_scanlines(&cinfo, &line, 1);
        }
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

Picture Planes(const uint8_t* i420, int width, int height) {
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    const uint8_t* y = i420;
    const uint8_t* u = y + size_t(width) * size_t(height);
    return Picture{y, u, u + size_t(cw) * size_t(ch), width, height, cw};
}

bool SizeOk(size_t bytes, int width, int height) {
    if (width <= 0 || height <= 0 || width > 65500 || height > 65500) return false;
    const size_t cw = size_t(width + 1) / 2, ch = size_t(height + 1) / 2;
    return bytes >= size_t(width) * size_t(height) + 2 * cw * ch;
}

}  // namespace

bool SnapshotWriter::ConvertToRgb(const uint8_t* i420, size_t bytes, int width, int height,
                                  uint8_t* rgb) {
    if (!i420 || !rgb || !SizeOk(bytes, width, height)) return false;
    // libyuv's "RAW" is R, G, B in memory, which is what JCS_RGB wants.
    return ConvertRows(Planes(i420, width, height), 0, height, rgb);
}

bool SnapshotWriter::WriteOpened(int fd, const uint8_t* i420, size_t bytes, int width, int height,
                                 const std::string& path) {
    std::unique_ptr<uint8_t[]> strip(new (std::nothrow) uint8_t[size_t(width) * 3 * kStripRows]);
    FILE* file = strip && SizeOk(bytes, width, height) ? fdopen(fd, "wb") : nullptr;
    if (!file) {
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    bool ok = Compress(file, Planes(i420, width, height), strip.get());
    if (std::fclose(file) != 0) ok = false;
    if (!ok) ::unlink(path.c_str());
    return ok;
}

bool SnapshotWriter::WriteJpeg(const uint8_t* i420, size_t bytes, int width, int height,
                               const std::string& path) {
    if (!i420 || !SizeOk(bytes, width, height)) return false;
    const int fd = ExclusiveFile::Create(path);
    if (fd < 0) return false;
    return WriteOpened(fd, i420, bytes, width, height, path);
}

bool SnapshotWriter::WriteJpegUnique(const uint8_t* i420, size_t bytes, int width, int height,
                                     const std::string& path, std::string* written) {
    if (!i420 || !SizeOk(bytes, width, height)) return false;
    std::string chosen;
    const int fd = ExclusiveFile::CreateUnique(path, &chosen);
    if (fd < 0) return false;
    if (!WriteOpened(fd, i420, bytes, width, height, chosen)) return false;
    if (written) *written = chosen;
    return true;
}

}  // namespace kelvo
