#include "ExclusiveFile.h"
#include "SnapshotWriter.h"
#include "support/H264Clip.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include <jpeglib.h>

using kelvo::ExclusiveFile;
using kelvo::SnapshotWriter;
using kelvo::testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

struct Rgb { int r, g, b; };

struct DecodedJpeg {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    Rgb At(int x, int y) const {
        const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

struct ReadError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void ReadFail(j_common_ptr c) { std::longjmp(reinterpret_cast<ReadError*>(c->err)->jump, 1); }

bool ReadJpegInto(FILE* f, DecodedJpeg* out) {
    jpeg_decompress_struct cinfo;
    ReadError err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = ReadFail;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out->width = int(cinfo.output_width);
    out->height = int(cinfo.output_height);
    out->rgb.resize(size_t(out->width) * out->height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out->rgb[size_t(cinfo.output_scanline) * out->width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

DecodedJpeg ReadJpeg(const std::string& path) {
    DecodedJpeg d;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return d;
    if (!ReadJpegInto(f, &d)) d = DecodedJpeg{};
    std::fclose(f);
    return d;
}

// Flat picture of one BT.601 studio-range colour in each half (left/right).
std::vector<uint8_t> TwoColourPicture(int w, int h, uint8_t yl, uint8_t ul, uint8_t vl,
                                      uint8_t yr, uint8_t ur, uint8_t vr) {
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    std::vector<uint8_t> pic(size_t(w) * h + 2 * size_t(cw) * ch);
    uint8_t* u = pic.data() + size_t(w) * h;
    uint8_t* v = u + size_t(cw) * ch;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) pic[size_t(r) * w + c] = c < w / 2 ? yl : yr;
    for (int r = 0; r < ch; ++r)
        for (int c = 0; c < cw; ++c) {
            u[size_t(r) * cw + c] = c < cw / 2 ? ul : ur;
            v[size_t(r) * cw + c] = c < cw / 2 ? vl : vr;
        }
    return pic;
}

// Pure red and pure blue in BT.601 studio range.
constexpr uint8_t kRedY = 81, kRedU = 90, kRedV = 240;
constexpr uint8_t kBlueY = 41, kBlueU = 240, kBlueV = 110;

TEST(SnapshotWriterTest, RedStaysRedAndBlueStaysBlue) {
    TempDir dir;
    const int w = 64, h = 48;
    const auto pic = TwoColourPicture(w, h, kRedY, kRedU, kRedV, kBlueY, kBlueU, kBlueV);
    const std::string path = dir.File("colours.jpg");
    ASSERT_TRUE(SnapshotWriter::WriteJpeg(pic.data(), pic.size(), w, h, path));
    const DecodedJpeg img = ReadJpeg(path);
    ASSERT_EQ(img.width, w);
    ASSERT_EQ(img.height, h);
    for (int y : {0, h / 2, h - 1}) {
        const Rgb left = img.At(8, y), right = img.At(w - 8, y);
        EXPECT_GT(left.r, 220) << "row " << y;
        EXPECT_LT(left.g, 40);
        EXPECT_LT(left.b, 40);
        EXPECT_LT(right.r, 40);
        EXPECT_LT(right.g, 40);
        EXPECT_GT(right.b, 220);
    }
}

TEST(SnapshotWriterTest, QualityHundredKeepsTheConvertedPicture) {
    TempDir dir;
    const int w = 320, h = 240;
    const auto pic = kelvo::testsupport::MakeI420Picture(w, h, 5);
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    ASSERT_TRUE(SnapshotWriter::ConvertToRgb(pic.data(), pic.size(), w, h, rgb.data()));
    ASSERT_TRUE(SnapshotWriter::WriteJpeg(pic.data(), pic.size(), w, h, dir.File("q.jpg")));
    const DecodedJpeg img = ReadJpeg(dir.File("q.jpg"));
    ASSERT_EQ(img.rgb.size(), rgb.size());
    double sum = 0;
    for (size_t i = 0; i < rgb.size(); ++i) sum += std::abs(int(rgb[i]) - int(img.rgb[i]));
    EXPECT_LT(sum / double(rgb.size()), 2.0);
}

TEST(SnapshotWriterTest, OddSizesAndPartialStripsStayInsideThePicture) {
    TempDir dir;
    // 37 rows: two whole strips and a partial odd one; the vector is exact,
    // so any read past the chroma planes trips the sanitizer.
    for (auto [w, h] : {std::pair<int, int>{33, 37}, {2, 1}, {1, 2}}) {
        const auto pic = TwoColourPicture(w, h, kRedY, kRedU, kRedV, kRedY, kRedU, kRedV);
        const std::string path = dir.File(std::to_string(w) + "x" + std::to_string(h) + ".jpg");
        ASSERT_TRUE(SnapshotWriter::WriteJpeg(pic.data(), pic.size(), w, h, path));
        const DecodedJpeg img = ReadJpeg(path);
        ASSERT_EQ(img.width, w);
        ASSERT_EQ(img.height, h);
        EXPECT_GT(img.At(w - 1, h - 1).r, 200);
    }
}

TEST(SnapshotWriterTest, NeverReplacesAnExistingFile) {
    TempDir dir;
    const std::string path = dir.File("20240102030405.jpg");
    { std::ofstream(path) << "keep me"; }
    const auto pic = kelvo::testsupport::MakeI420Picture(32, 32, 0);
    EXPECT_FALSE(SnapshotWriter::WriteJpeg(pic.data(), pic.size(), 32, 32, path));
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "keep me");
}

TEST(SnapshotWriterTest, ClashingNamesGetNumberedVariants) {
    TempDir dir;
    const auto pic = kelvo::testsupport::MakeI420Picture(32, 32, 0);
    const std::string path = dir.File("20240102030405.jpg");
    std::string a, b, c;
    ASSERT_TRUE(SnapshotWriter::WriteJpegUnique(pic.data(), pic.size(), 32, 32, path, &a));
    ASSERT_TRUE(SnapshotWriter::WriteJpegUnique(pic.data(), pic.size(), 32, 32, path, &b));
    ASSERT_TRUE(SnapshotWriter::WriteJpegUnique(pic.data(), pic.size(), 32, 32, path, &c));
    EXPECT_EQ(a, path);
    EXPECT_EQ(b, dir.File("20240102030405_1.jpg"));
    EXPECT_EQ(c, dir.File("20240102030405_2.jpg"));
    EXPECT_EQ(ReadJpeg(c).width, 32);
}

TEST(SnapshotWriterTest, NumberedNameOnlyTouchesTheLastComponent) {
    EXPECT_EQ(ExclusiveFile::NumberedName("/a.b/rec.avi", 3), "/a.b/rec_3.avi");
    EXPECT_EQ(ExclusiveFile::NumberedName("/a.b/rec", 1), "/a.b/rec_1");
    EXPECT_EQ(ExclusiveFile::NumberedName("/a/.jpg", 1), "/a/.jpg_1");
    EXPECT_EQ(ExclusiveFile::NumberedName("x.tar.gz", 2), "x.tar_2.gz");
}

TEST(SnapshotWriterTest, FailuresReturnFalseAndLeaveNoFile) {
    TempDir dir;
    const auto pic = kelvo::testsupport::MakeI420Picture(32, 32, 0);
    EXPECT_FALSE(SnapshotWriter::WriteJpeg(pic.data(), pic.size(), 32, 32, dir.File("missing/x.jpg")));
    EXPECT_FALSE(SnapshotWriter::WriteJpeg(pic.data(), pic.size(), 32, 32, "/proc/kelvo-snap.jpg"));
    EXPECT_FALSE(SnapshotWriter::WriteJpeg(pic.data(), pic.size(), 32, 32, ""));
    std::string unused;
    EXPECT_FALSE(SnapshotWriter::WriteJpegUnique(pic.data(), pic.size(), 32, 32, dir.File("missing/x.jpg"), &unused));
    // A buffer shorter than the picture, or no picture at all.
    EXPECT_FALSE(SnapshotWriter::WriteJpeg(pic.data(), pic.size() - 1, 32, 32, dir.File("short.jpg")));
    EXPECT_FALSE(SnapshotWriter::WriteJpeg(pic.data(), pic.size(), 0, 32, dir.File("zero.jpg")));
    EXPECT_FALSE(SnapshotWriter::WriteJpeg(nullptr, pic.size(), 32, 32, dir.File("null.jpg")));
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(SnapshotWriterTest, FullDiskRemovesThePartialFile) {
    TempDir dir;
    const auto pic = kelvo::testsupport::MakeI420Picture(640, 480, 1);
    // A 16 KiB file size limit stands in for a full disk: writes fail with EFBIG.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = SnapshotWriter::WriteJpeg(pic.data(), pic.size(), 640, 480, dir.File("full.jpg"));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(fs::exists(dir.File("full.jpg")));
}

}  // namespace
