#include "AviWriter.h"
#include "support/H264Clip.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

using kelvo::AviBitmapInfo;
using kelvo::AviResult;
using kelvo::AviStreamInfo;
using kelvo::AviWriter;
using kelvo::testsupport::EncodedFrame;
using kelvo::testsupport::TempDir;

namespace {

struct ReadBack {
    bool opened = false;
    uint32_t codecTag = 0;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0, height = 0;
    AVRational frameRate{0, 1};
    std::vector<std::vector<uint8_t>> packets;
    std::vector<bool> keys;
};

ReadBack ReadAvi(const std::string& path) {
    ReadBack rb;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return rb;
    avformat_find_stream_info(fmt, nullptr);
    rb.opened = fmt->nb_streams == 1;
    if (rb.opened) {
        const AVStream* st = fmt->streams[0];
        rb.codecTag = st->codecpar->codec_tag;
        rb.codec = st->codecpar->codec_id;
        rb.width = st->codecpar->width;
        rb.height = st->codecpar->height;
        rb.frameRate = st->r_frame_rate;
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(fmt, pkt) >= 0) {
            if (pkt->size > 0) {
                rb.packets.emplace_back(pkt->data, pkt->data + pkt->size);
                rb.keys.push_back((pkt->flags & AV_PKT_FLAG_KEY) != 0);
            }
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
    }
    avformat_close_input(&fmt);
    return rb;
}

AviStreamInfo StreamInfo(int w, int h, uint32_t rate) {
    AviStreamInfo info;
    info.rate = rate;
    info.right = w;
    info.bottom = h;
    return info;
}

AviBitmapInfo Format(int w, int h) {
    AviBitmapInfo f;
    f.width = w;
    f.height = h;
    f.sizeImage = uint32_t(w * h);
    return f;
}

class AviWriterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string err;
        s_clip = new std::vector<EncodedFrame>(kelvo::testsupport::EncodeH264Clip(320, 240, 40, 10, &err));
        ASSERT_EQ(s_clip->size(), 40u) << err;
    }
    static void TearDownTestSuite() { delete s_clip; }

    // The recorder's call sequence; frames start at position 1.
    static AviResult Start(AviWriter& w, const std::string& path, uint32_t rate = 25) {
        AviWriter::Init();
        AviResult r = w.Open(path);
        if (r == AviResult::OK) r = w.CreateStream(StreamInfo(320, 240, rate));
        if (r == AviResult::OK) r = w.SetFormat(Format(320, 240));
        return r;
    }
    static std::vector<EncodedFrame>* s_clip;
    TempDir m_dir;
};
std::vector<EncodedFrame>* AviWriterTest::s_clip = nullptr;

TEST_F(AviWriterTest, ReadsBackAsH264WithEveryFrameFromTheFirstKeyFrame) {
    AviWriter w;
    const std::string path = m_dir.File("rec.avi");
    ASSERT_EQ(Start(w, path, 15), AviResult::OK);
    int64_t position = 1;
    for (const auto& f : *s_clip)
        ASSERT_EQ(w.Write(position++, f.bytes.data(), int(f.bytes.size()), f.key), AviResult::OK);
    w.ReleaseStream();
    ASSERT_EQ(w.ReleaseFile(), AviResult::OK);

    const ReadBack rb = ReadAvi(path);
    ASSERT_TRUE(rb.opened);
    EXPECT_EQ(rb.codecTag, kelvo::kFourCcH264);
    EXPECT_EQ(rb.codec, AV_CODEC_ID_H264);
    EXPECT_EQ(rb.width, 320);
    EXPECT_EQ(rb.height, 240);
    EXPECT_EQ(rb.frameRate.num, 15);
    EXPECT_EQ(rb.frameRate.den, 1);
    ASSERT_EQ(rb.packets.size(), s_clip->size());
    EXPECT_TRUE(rb.keys[0]);
    for (size_t i = 0; i < rb.packets.size(); ++i) {
        EXPECT_EQ(rb.packets[i], (*s_clip)[i].bytes) << "frame " << i;
        EXPECT_EQ(rb.keys[i], (*s_clip)[i].key) << "frame " << i;
    }
}

TEST_F(AviWriterTest, DeltaFramesBeforeTheFirstKeyFrameAreRefused) {
    AviWriter w;
    const std::string path = m_dir.File("late.avi");
    ASSERT_EQ(Start(w, path), AviResult::OK);
    int64_t position = 1;
    for (size_t i = 5; i < 10; ++i) {
        const auto& f = (*s_clip)[i];
        EXPECT_EQ(w.Write(position, f.bytes.data(), int(f.bytes.size()), false), AviResult::NEED_KEY_FRAME);
    }
    for (size_t i = 10; i < 20; ++i) {
        const auto& f = (*s_clip)[i];
        ASSERT_EQ(w.Write(position++, f.bytes.data(), int(f.bytes.size()), f.key), AviResult::OK);
    }
    const auto& f = (*s_clip)[20];
    EXPECT_EQ(w.Write(position - 1, f.bytes.data(), int(f.bytes.size()), f.key), AviResult::BAD_POSITION);
    ASSERT_EQ(w.ReleaseFile(), AviResult::OK);
    const ReadBack rb = ReadAvi(path);
    ASSERT_EQ(rb.packets.size(), 10u);
    EXPECT_TRUE(rb.keys[0]);
    EXPECT_EQ(rb.packets[0], (*s_clip)[10].bytes);
}

TEST_F(AviWriterTest, OpenFailuresAreReportedAndNothingIsReplaced) {
    const std::string existing = m_dir.File("20240102030405.avi");
    { std::ofstream(existing) << "older recording"; }
    AviWriter w;
    EXPECT_EQ(w.Open(existing), AviResult::OPEN_FAILED);
    EXPECT_EQ(w.Open(m_dir.File("missing/x.avi")), AviResult::OPEN_FAILED);
    EXPECT_EQ(w.Open("/proc/kelvo.avi"), AviResult::OPEN_FAILED);
    EXPECT_EQ(w.CreateStream(StreamInfo(320, 240, 25)), AviResult::BAD_STATE);
    EXPECT_EQ(std::filesystem::file_size(existing), 15u);
    // The numbered variant takes the clash.
    std::string chosen;
    ASSERT_EQ(w.OpenUnique(existing, &chosen), AviResult::OK);
    EXPECT_EQ(chosen, m_dir.File("20240102030405_1.avi"));
    EXPECT_EQ(w.ReleaseFile(), AviResult::OK);
}

TEST_F(AviWriterTest, CallsOutOfOrderAndForeignFormatsAreRefused) {
    AviWriter w;
    const uint8_t byte = 0;
    EXPECT_EQ(w.Write(1, &byte, 1, true), AviResult::BAD_STATE);
    ASSERT_EQ(w.Open(m_dir.File("a.avi")), AviResult::OK);
    EXPECT_EQ(w.SetFormat(Format(320, 240)), AviResult::BAD_STATE);
    AviStreamInfo mjpg = StreamInfo(320, 240, 25);
    mjpg.handler = kelvo::MakeFourCc('M', 'J', 'P', 'G');
    EXPECT_EQ(w.CreateStream(mjpg), AviResult::BAD_FORMAT);
    ASSERT_EQ(w.CreateStream(StreamInfo(320, 240, 25)), AviResult::OK);
    EXPECT_EQ(w.Write(1, &byte, 1, true), AviResult::BAD_STATE);  // no format yet
    ASSERT_EQ(w.SetFormat(Format(320, 240)), AviResult::OK);
    EXPECT_EQ(w.Write(1, nullptr, 10, true), AviResult::BAD_ARGUMENT);
    w.ReleaseStream();
    EXPECT_EQ(w.Write(1, &byte, 1, true), AviResult::BAD_STATE);
    EXPECT_EQ(w.ReleaseFile(), AviResult::OK);
    EXPECT_EQ(w.ReleaseFile(), AviResult::OK);  // twice is harmless
}

TEST_F(AviWriterTest, RecordingBeforeTheSizeIsKnownTakesItFromTheKeyFrame) {
    AviWriter w;
    const std::string path = m_dir.File("norate.avi");
    AviWriter::Init();
    ASSERT_EQ(w.Open(path), AviResult::OK);
    ASSERT_EQ(w.CreateStream(StreamInfo(0, 0, 0)), AviResult::OK);
    ASSERT_EQ(w.SetFormat(Format(0, 0)), AviResult::OK);
    const uint8_t junk[16] = {0, 0, 0, 1, 0x65, 1, 2, 3};
    EXPECT_EQ(w.Write(1, junk, sizeof junk, true), AviResult::NEED_KEY_FRAME);  // no SPS
    for (int i = 0; i < 3; ++i) {
        const auto& f = (*s_clip)[size_t(i)];
        ASSERT_EQ(w.Write(i + 2, f.bytes.data(), int(f.bytes.size()), f.key), AviResult::OK);
    }
    ASSERT_EQ(w.ReleaseFile(), AviResult::OK);
    const ReadBack rb = ReadAvi(path);
    EXPECT_EQ(rb.packets.size(), 3u);
    EXPECT_EQ(rb.width, 320);
    EXPECT_EQ(rb.height, 240);
    EXPECT_EQ(rb.frameRate.num, 25);
}

TEST_F(AviWriterTest, FullDiskIsReportedAndKeepsTheFramesBeforeIt) {
    AviWriter w;
    const std::string path = m_dir.File("full.avi");
    ASSERT_EQ(Start(w, path), AviResult::OK);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 60 * 1024;  // stands in for a full disk
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    AviResult r = AviResult::OK;
    int64_t position = 1;
    for (int round = 0; round < 10 && r == AviResult::OK; ++round)
        for (const auto& f : *s_clip) {
            r = w.Write(position++, f.bytes.data(), int(f.bytes.size()), f.key);
            if (r != AviResult::OK) break;
        }
    const int64_t written = w.FramesWritten();
    const int err = w.WriteErrno();
    const auto& f = (*s_clip)[0];
    const AviResult again = w.Write(position, f.bytes.data(), int(f.bytes.size()), true);
    const AviResult released = w.ReleaseFile();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(r, AviResult::WRITE_FAILED);
    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(again, AviResult::WRITE_FAILED);
    EXPECT_EQ(released, AviResult::WRITE_FAILED);
    ASSERT_GT(written, 5);
    const ReadBack rb = ReadAvi(path);
    ASSERT_TRUE(rb.opened);
    EXPECT_GE(int64_t(rb.packets.size()), written - 1);
    EXPECT_EQ(rb.packets[0], (*s_clip)[0].bytes);
}

TEST_F(AviWriterTest, KilledWriterLeavesEveryWholeFrameReadable) {
    const std::string path = m_dir.File("killed.avi");
    const int frames = 25;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AviWriter w;
        if (Start(w, path) != AviResult::OK) _exit(2);
        for (int i = 0; i < frames; ++i) {
            const auto& f = (*s_clip)[size_t(i)];
            if (w.Write(i + 1, f.bytes.data(), int(f.bytes.size()), f.key) != AviResult::OK) _exit(3);
        }
        raise(SIGKILL);
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child exit " << WEXITSTATUS(status);
    const ReadBack rb = ReadAvi(path);
    ASSERT_TRUE(rb.opened);
    EXPECT_EQ(rb.codecTag, kelvo::kFourCcH264);
    ASSERT_EQ(rb.packets.size(), size_t(frames));
    for (int i = 0; i < frames; ++i) EXPECT_EQ(rb.packets[size_t(i)], (*s_clip)[size_t(i)].bytes) << i;
}

}  // namespace
