#include "VideoDecoder.h"
#include "support/H264Clip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using kelvo::I420PictureBytes;
using kelvo::VideoDecoder;
using kelvo::testsupport::EncodedFrame;

namespace {

constexpr uint8_t kCanary = 0xA5;

class VideoDecoderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string err;
        s_clip = new std::vector<EncodedFrame>(kelvo::testsupport::EncodeH264Clip(320, 240, 30, 10, &err));
        ASSERT_EQ(s_clip->size(), 30u) << err;
        s_reference = new std::vector<std::vector<uint8_t>>(kelvo::testsupport::ReferenceDecode(*s_clip));
    }
    static void TearDownTestSuite() {
        delete s_clip;
        delete s_reference;
    }
    // The caller's buffer is width*height*2; canaries behind it catch overruns.
    static std::vector<uint8_t> OutputBuffer(int w, int h) {
        return std::vector<uint8_t>(size_t(w) * h * 2 + 64, kCanary);
    }
    static bool CanaryIntact(const std::vector<uint8_t>& buf, size_t from) {
        for (size_t i = from; i < buf.size(); ++i)
            if (buf[i] != kCanary) return false;
        return true;
    }
    static std::vector<EncodedFrame>* s_clip;
    static std::vector<std::vector<uint8_t>>* s_reference;
};
std::vector<EncodedFrame>* VideoDecoderTest::s_clip = nullptr;
std::vector<std::vector<uint8_t>>* VideoDecoderTest::s_reference = nullptr;

TEST_F(VideoDecoderTest, RejectsEmptySizes) {
    EXPECT_EQ(VideoDecoder::Create(0, 240), nullptr);
    EXPECT_EQ(VideoDecoder::Create(320, -1), nullptr);
}

TEST_F(VideoDecoderTest, OutputMatchesBareLibavcodecFrameByFrame) {
    auto dec = VideoDecoder::Create(320, 240);
    ASSERT_NE(dec, nullptr);
    const int capacity = 320 * 240 * 2;
    std::vector<uint8_t> out = OutputBuffer(320, 240);
    const size_t pictureBytes = size_t(I420PictureBytes(320, 240));
    ASSERT_EQ(pictureBytes, 320u * 240 * 3 / 2);
    for (size_t i = 0; i < s_clip->size(); ++i) {
        const auto& f = (*s_clip)[i];
        const int r = dec->Decode(f.bytes.data(), int(f.bytes.size()), out.data(), capacity);
        ASSERT_EQ(r, int(pictureBytes)) << "frame " << i;
        ASSERT_EQ((*s_reference)[i].size(), pictureBytes) << "reference frame " << i;
        ASSERT_EQ(0, std::memcmp(out.data(), (*s_reference)[i].data(), pictureBytes)) << "frame " << i;
    }
    EXPECT_TRUE(CanaryIntact(out, size_t(capacity)));
}

TEST_F(VideoDecoderTest, DeltaFramesBeforeAnyKeyFrameGiveNoPicture) {
    auto dec = VideoDecoder::Create(320, 240);
    std::vector<uint8_t> out = OutputBuffer(320, 240);
    // Start in the middle of the first group: only delta frames until frame 10.
    int pictures = 0;
    for (size_t i = 3; i < 10; ++i) {
        const auto& f = (*s_clip)[i];
        ASSERT_FALSE(f.key);
        if (dec->Decode(f.bytes.data(), int(f.bytes.size()), out.data(), 320 * 240 * 2) > 0) ++pictures;
    }
    EXPECT_EQ(pictures, 0);
    const auto& key = (*s_clip)[10];
    ASSERT_TRUE(key.key);
    ASSERT_GT(dec->Decode(key.bytes.data(), int(key.bytes.size()), out.data(), 320 * 240 * 2), 0);
    EXPECT_EQ(0, std::memcmp(out.data(), (*s_reference)[10].data(), (*s_reference)[10].size()));
}

TEST_F(VideoDecoderTest, SurvivesCorruptFramesAndRecoversAtNextKeyFrame) {
    auto dec = VideoDecoder::Create(320, 240);
    const int capacity = 320 * 240 * 2;
    std::vector<uint8_t> out = OutputBuffer(320, 240);
    std::mt19937 rng(7);
    for (size_t i = 0; i < 10; ++i) {
        const auto& f = (*s_clip)[i];
        dec->Decode(f.bytes.data(), int(f.bytes.size()), out.data(), capacity);
    }
    // Garbage, truncated and bit-flipped frames of all sizes.
    for (int n = 0; n < 40; ++n) {
        std::vector<uint8_t> junk((*s_clip)[10 + n % 10].bytes);
        if (n % 3 == 0) {
            for (auto& b : junk) b = uint8_t(rng());
        } else if (n % 3 == 1) {
            junk.resize(junk.size() / (2 + n % 5));
        } else {
            for (int k = 0; k < 20; ++k) junk[rng() % junk.size()] ^= uint8_t(1u << (rng() % 8));
        }
        const int r = dec->Decode(junk.data(), int(junk.size()), out.data(), capacity);
        ASSERT_TRUE(r == 0 || r == I420PictureBytes(320, 240));
        ASSERT_TRUE(CanaryIntact(out, size_t(capacity)));
    }
    const uint8_t one = 0;
    EXPECT_EQ(dec->Decode(&one, 1, out.data(), capacity), 0);
    EXPECT_EQ(dec->Decode(nullptr, 10, out.data(), capacity), 0);
    // From the next key frame on the pictures are the clip again.
    for (size_t i = 20; i < 30; ++i) {
        const auto& f = (*s_clip)[i];
        ASSERT_GT(dec->Decode(f.bytes.data(), int(f.bytes.size()), out.data(), capacity), 0) << i;
        // Concealment leftovers may differ by a few samples; the picture is back.
        const auto& ref = (*s_reference)[i];
        long diff = 0;
        for (size_t q = 0; q < ref.size(); ++q) diff += std::abs(int(out[q]) - int(ref[q]));
        EXPECT_LT(double(diff) / double(ref.size()), 0.1) << "frame " << i;
    }
}

TEST_F(VideoDecoderTest, LargerStreamIsScaledIntoTheDescribedSize) {
    std::string err;
    const auto big = kelvo::testsupport::EncodeH264Clip(640, 480, 3, 10, &err);
    ASSERT_EQ(big.size(), 3u) << err;
    // The description says 320x240 but the camera sends 640x480.
    auto dec = VideoDecoder::Create(320, 240);
    const int capacity = 320 * 240 * 2;
    std::vector<uint8_t> out = OutputBuffer(320, 240);
    for (const auto& f : big) {
        ASSERT_EQ(dec->Decode(f.bytes.data(), int(f.bytes.size()), out.data(), capacity),
                  I420PictureBytes(320, 240));
        ASSERT_TRUE(CanaryIntact(out, size_t(capacity)));
    }
    // The scaled picture resembles the source: compare luma at a few spots.
    const std::vector<uint8_t> src = kelvo::testsupport::MakeI420Picture(640, 480, 2);
    int bad = 0;
    for (int y = 10; y < 240; y += 37)
        for (int x = 10; x < 320; x += 41)
            if (std::abs(int(out[size_t(y) * 320 + x]) - int(src[size_t(2 * y) * 640 + 2 * x])) > 24) ++bad;
    EXPECT_LE(bad, 3);
}

TEST_F(VideoDecoderTest, SmallerStreamIsScaledUpAndOddSizesStayInBounds) {
    // Described 333x251 (odd), stream 320x240: chroma rounds up and fits.
    auto dec = VideoDecoder::Create(333, 251);
    ASSERT_NE(dec, nullptr);
    const int capacity = 333 * 251 * 2;
    std::vector<uint8_t> out = OutputBuffer(333, 251);
    const auto& key = (*s_clip)[0];
    EXPECT_EQ(dec->Decode(key.bytes.data(), int(key.bytes.size()), out.data(), capacity),
              I420PictureBytes(333, 251));
    EXPECT_TRUE(CanaryIntact(out, size_t(capacity)));
}

TEST_F(VideoDecoderTest, TooSmallOutputGivesNoPictureAndNoWrite) {
    auto dec = VideoDecoder::Create(320, 240);
    std::vector<uint8_t> out(320 * 240, kCanary);
    const auto& key = (*s_clip)[0];
    EXPECT_EQ(dec->Decode(key.bytes.data(), int(key.bytes.size()), out.data(), int(out.size())), 0);
    EXPECT_TRUE(CanaryIntact(out, 0));
}

}  // namespace
