// What a stream does with its media: real H.264 through the decoder,
// snapshots, AVI recordings, sound and talk through the audio engine.
#include <gtest/gtest.h>

#include <dirent.h>
#include <jpeglib.h>
#include <sys/stat.h>

#include <cstdio>

extern "C" {
#include <libavformat/avformat.h>
}

#include "support/H264Clip.h"
#include "testing/FakeAviWriter.h"
#include "tests/network/StreamFixture.h"

using namespace testing_support;

namespace {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/kelvo-media-XXXXXX";
        m_path = mkdtemp(tmpl) ? tmpl : "/tmp";
    }
    ~TempDir() {
        std::string rm = "rm -rf '" + m_path + "'";
        if (std::system(rm.c_str()) != 0) {
        }
    }
    std::string Prefix() const { return m_path + "/"; }
    std::vector<std::string> Files(const std::string& ext) const {
        std::vector<std::string> out;
        if (DIR* d = opendir(m_path.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                if (n.size() > ext.size() && n.compare(n.size() - ext.size(), ext.size(), ext) == 0)
                    out.push_back(Prefix() + n);
            }
            closedir(d);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::string m_path;
};

// RGB pixels of a JPEG file, decoded with libjpeg.
std::vector<uint8_t> ReadJpeg(const std::string& path, int* w, int* h) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *w = static_cast<int>(cinfo.output_width);
    *h = static_cast<int>(cinfo.output_height);
    std::vector<uint8_t> rgb(static_cast<size_t>(*w) * *h * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t* row = rgb.data() + static_cast<size_t>(cinfo.output_scanline) * *w * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return rgb;
}

// A 64×48 picture: left half pure red, right half pure blue (studio range).
class SplitDecoder : public FrameDecoder {
public:
    int Decode(const uint8_t*, int, uint8_t* out, int capacity) override {
        const int w = 64, h = 48;
        if (capacity < w * h * 3 / 2) return 0;
        uint8_t* u = out + w * h;
        uint8_t* v = u + (w / 2) * (h / 2);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) out[y * w + x] = x < w / 2 ? 81 : 41;
        for (int y = 0; y < h / 2; ++y)
            for (int x = 0; x < w / 2; ++x) {
                u[y * (w / 2) + x] = x < w / 4 ? 90 : 240;
                v[y * (w / 2) + x] = x < w / 4 ? 240 : 110;
            }
        return w * h * 3 / 2;
    }
};

class RealDecoderStream : public StreamTest {
protected:
    FrameDecoderFactory Decoders() override { return DefaultDecoderFactory(); }
};

class SplitPictureStream : public StreamTest {
protected:
    FrameDecoderFactory Decoders() override {
        return [](int, int) { return std::unique_ptr<FrameDecoder>(new SplitDecoder); };
    }
};

kelvo::testing::FakeAviWriter* g_lastFake = nullptr;
std::unique_ptr<kelvo::IAviWriter> FullDiskWriter() {
    auto w = std::make_unique<kelvo::testing::FakeAviWriter>();
    w->FailFromWrite(3);
    g_lastFake = w.get();
    return w;
}

class FullDiskStream : public StreamTest {
protected:
    StreamRecorder::WriterFactory Writers() override { return &FullDiskWriter; }
};

std::vector<kelvo::testsupport::EncodedFrame> Clip(int w, int h, int count, int gop) {
    std::string error;
    auto clip = kelvo::testsupport::EncodeH264Clip(w, h, count, gop, &error);
    EXPECT_FALSE(clip.empty()) << error;
    return clip;
}

}  // namespace

TEST_F(RealDecoderStream, PicturesEqualAReferenceDecodeOfTheSameClip) {
    keepWhole = true;
    stream->SetDataType(0);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    auto relay = StartDescribed(96, 64);
    ASSERT_TRUE(relay);
    auto clip = Clip(96, 64, 12, 6);
    auto reference = kelvo::testsupport::ReferenceDecode(clip);
    ASSERT_EQ(reference.size(), clip.size());
    for (size_t i = 0; i < clip.size(); ++i)
        ASSERT_TRUE(relay->Send(MediaPacket(40, 1, clip[i].key ? 1 : 0, clip[i].bytes)));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() >= clip.size() - 2; }, 10000));
    auto got = Frames();
    for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].length, 96 * 64 * 3 / 2);
        EXPECT_EQ(got[i].data, reference[i]) << "picture " << i;
    }
}

TEST_F(SplitPictureStream, SnapshotsKeepRedRedAndNeverReplaceAFile) {
    keepWhole = true;
    stream->SetDataType(0);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    TempDir dir;
    EXPECT_FALSE(stream->Snappic(dir.Prefix()));  // no picture yet
    auto relay = StartDescribed(64, 48);
    ASSERT_TRUE(relay);
    ASSERT_TRUE(relay->Send(AlarmPacket(1, 40, 10, 20, 20)));
    ASSERT_TRUE(WaitFor([&] { return stream->AlarmCount() == 1; }));
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{1})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 1; }));

    ASSERT_TRUE(stream->Snappic(dir.Prefix()));
    ASSERT_TRUE(stream->Snappic(dir.Prefix()));
    ASSERT_TRUE(stream->SnappicEx(dir.Prefix() + "chosen.jpg"));
    auto files = dir.Files(".jpg");
    ASSERT_EQ(files.size(), 3u);
    int w = 0, h = 0;
    auto rgb = ReadJpeg(dir.Prefix() + "chosen.jpg", &w, &h);
    ASSERT_EQ(w, 64);
    ASSERT_EQ(h, 48);
    auto px = [&](int x, int y) { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; };
    EXPECT_GT(px(8, 24)[0], 200);  // red half: red first
    EXPECT_LT(px(8, 24)[2], 60);
    EXPECT_GT(px(56, 40)[2], 200);  // blue half
    EXPECT_LT(px(56, 40)[0], 60);
    // The alarm outline (red) runs over the blue half at row 10.
    EXPECT_GT(px(50, 10)[0], 150);
    EXPECT_LT(px(50, 20)[0], 80);

    EXPECT_FALSE(stream->Snappic("/nonexistent-folder/"));
    EXPECT_FALSE(stream->SnappicEx("/proc/forbidden.jpg"));
}

TEST_F(RealDecoderStream, RecordingStartsAtAKeyFrameAndRestartsOnANewDescription) {
    TempDir dir;
    auto relay = StartDescribed(96, 64, 10);
    ASSERT_TRUE(relay);
    ASSERT_TRUE(stream->StartRecord(dir.Prefix()));
    EXPECT_FALSE(stream->StartRecord(dir.Prefix()));  // the running one is left alone
    auto clip = Clip(96, 64, 10, 5);
    // Two delta frames first: not written.
    ASSERT_TRUE(relay->Send(MediaPacket(10, 1, 0, clip[1].bytes)));
    ASSERT_TRUE(relay->Send(MediaPacket(20, 1, 0, clip[2].bytes)));
    for (size_t i = 0; i < clip.size(); ++i)
        ASSERT_TRUE(relay->Send(MediaPacket(100 + 10 * static_cast<uint32_t>(i), 1, clip[i].key ? 1 : 0,
                                            clip[i].bytes)));
    // A new description mid-recording begins a second file.
    ASSERT_TRUE(relay->Send(DownloadReply(0, 96, 64, 10)));
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_DESCRIBED) == 2; }));
    for (size_t i = 0; i < 5; ++i)
        ASSERT_TRUE(relay->Send(MediaPacket(500 + 10 * static_cast<uint32_t>(i), 1, clip[i].key ? 1 : 0,
                                            clip[i].bytes)));
    // Packets are handled in order: once this marker is in, every frame
    // before it has reached the recorder.
    ASSERT_TRUE(relay->Send(AlarmPacket(9, 0, 0, 1, 1)));
    ASSERT_TRUE(WaitFor([&] { return stream->AlarmCount() == 1; }));
    EXPECT_TRUE(stream->IsRecord());
    stream->StopRecord();
    EXPECT_FALSE(stream->IsRecord());

    auto files = dir.Files(".avi");
    ASSERT_EQ(files.size(), 2u);
    std::vector<int64_t> counts;
    for (const auto& f : files) {
        AVFormatContext* ctx = nullptr;
        ASSERT_EQ(avformat_open_input(&ctx, f.c_str(), nullptr, nullptr), 0) << f;
        ASSERT_GE(avformat_find_stream_info(ctx, nullptr), 0);
        EXPECT_EQ(ctx->streams[0]->codecpar->codec_id, AV_CODEC_ID_H264);
        EXPECT_EQ(ctx->streams[0]->codecpar->codec_tag, MKTAG('H', '2', '6', '4'));
        EXPECT_EQ(ctx->streams[0]->codecpar->width, 96);
        EXPECT_EQ(av_q2d(ctx->streams[0]->avg_frame_rate), 10.0);
        AVPacket* pkt = av_packet_alloc();
        ASSERT_GE(av_read_frame(ctx, pkt), 0);
        EXPECT_TRUE(pkt->flags & AV_PKT_FLAG_KEY);
        av_packet_free(&pkt);
        counts.push_back(ctx->streams[0]->nb_frames);
        avformat_close_input(&ctx);
    }
    std::sort(counts.begin(), counts.end());
    EXPECT_EQ(counts, (std::vector<int64_t>{5, 10}));
}

TEST_F(FullDiskStream, AWriteErrorEndsTheRecording) {
    auto relay = StartDescribed(64, 48);
    ASSERT_TRUE(relay);
    ASSERT_TRUE(stream->StartRecord("/tmp/"));
    ASSERT_TRUE(stream->IsRecord());
    for (uint32_t i = 0; i < 5; ++i) ASSERT_TRUE(relay->Send(MediaPacket(40 * i + 40, 1, 1, Bytes{1, 2})));
    EXPECT_TRUE(WaitFor([&] { return !stream->IsRecord(); }));
}

TEST_F(StreamTest, SoundIsDecodedAndPlayedOnlyWhenEnabled) {
    auto relay = StartDescribed(64, 48, 25, 16);
    ASSERT_TRUE(relay);
    Bytes ulaw(160, 0xFF);  // μ-law silence
    ASSERT_TRUE(relay->Send(MediaPacket(40, 0, 16, ulaw)));
    // Playing comes once for the first packet and once for the new codec.
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_PLAYING) == 2; }));
    ASSERT_TRUE(WaitFor([&] { return engine.HasChannel(0); }));
    auto ch = engine.Get(0);
    EXPECT_EQ(ch.playSamples, 320);
    EXPECT_EQ(ch.talkRate, 8000);
    EXPECT_TRUE(ch.started);
    EXPECT_TRUE(ch.played.empty());  // audio is off until enabled

    stream->SetAudioEnable(true);
    ASSERT_TRUE(relay->Send(MediaPacket(80, 0, 16, ulaw)));
    ASSERT_TRUE(WaitFor([&] { return engine.Get(0).played.size() == 320; }));
    // A codec change reopens and reports again; codec 0 closes.
    ASSERT_TRUE(relay->Send(MediaPacket(120, 0, 17, Bytes(160, 0xD5))));
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_PLAYING) == 3; }));
    ASSERT_TRUE(relay->Send(MediaPacket(160, 0, 0, Bytes{})));
    EXPECT_TRUE(WaitFor([&] { return !engine.HasChannel(1); }));
}

TEST_F(StreamTest, RawPcmTalkSendsTheMicrophoneAndPlaysTheDevice) {
    auto relay = StartDescribed(64, 48, 25, 26);
    ASSERT_TRUE(relay);
    EXPECT_FALSE(stream->HasAudio());
    stream->StartTalk();
    Bytes msg;
    ASSERT_TRUE(peer->ReadCommand(0x400E, &msg));
    EXPECT_EQ(GetLe16(msg, 66), 0x4002);
    ASSERT_TRUE(engine.HasChannel(0));  // opened for raw PCM before the request
    ASSERT_TRUE(peer->Send(DeviceMessageFromCamera(2, 501, 42, Bytes{6, 0, 0x04, 0x40, 0, 0})));
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_TALK, 1) == 1; }));
    EXPECT_TRUE(stream->HasAudio());

    Bytes pcm(640, 0x11);
    ASSERT_TRUE(engine.Capture(0, pcm.data(), static_cast<int>(pcm.size())));
    ASSERT_TRUE(peer->ReadCommand(0x400E, &msg));
    EXPECT_EQ(GetLe16(msg, 64), 644);
    EXPECT_EQ(GetLe16(msg, 66), 0x4006);
    EXPECT_EQ(Bytes(msg.begin() + 68, msg.end()), pcm);

    Bytes talk(4 + 320, 0x22);
    PutLe16(talk, 0, 324);
    PutLe16(talk, 2, 0x4006);
    ASSERT_TRUE(peer->Send(DeviceMessageFromCamera(2, 501, 42, talk)));
    ASSERT_TRUE(WaitFor([&] { return engine.Get(0).played.size() == 320; }));

    ASSERT_TRUE(peer->Send(DeviceMessageFromCamera(2, 501, 42, Bytes{4, 0, 0x08, 0x40})));
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_TALK, 0) == 1; }));
    EXPECT_FALSE(engine.HasChannel(0));
}

TEST_F(StreamTest, RefusedRawTalkClosesWhatItOpened) {
    auto relay = StartDescribed(64, 48, 25, 26);
    ASSERT_TRUE(relay);
    {
        platform::ScopedLock lock(session.Lock());
        session.TalkMap()[501] = "someone-else";
    }
    stream->StartTalk();
    EXPECT_EQ(CountState(KELVO_STREAM_TALK, 0x204), 1);
    EXPECT_FALSE(engine.HasChannel(0));
}
