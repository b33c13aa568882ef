// The relay seen from a stream client: login, description, H.264 media
// that decodes (SPS/PPS before key frames, millisecond stamps), PTZ moving
// the live picture, audio under audio control, alarm records, refusals and
// the relay fault switches. Also the encoder's frame-size bound.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>

#include <sys/socket.h>

#include "SimFixture.h"
#include "SimTestClient.h"
#include "sim/AudioLoop.h"
#include "sim/VideoEncoder.h"

using namespace simtest;

namespace {

constexpr uint32_t kLoginResp = 0x1002, kDownloadResp = 0x100A, kMedia = 0x1005;

// Logs in and asks for `key`; returns the download reply.
Bytes Open(SimTestClient& c, SimFixture& f, const std::string& key) {
    EXPECT_TRUE(c.Connect(f.Sim().RelayPort(0)));
    EXPECT_TRUE(c.Send(RelayLogin("demo", "demo")));
    auto l = c.ReadCommand(kLoginResp);
    EXPECT_TRUE(l);
    EXPECT_EQ(U16BE(l.value_or(Bytes(14)), 8), 0);
    EXPECT_TRUE(c.Send(RelayDownload(key)));
    return c.ReadCommand(kDownloadResp).value_or(Bytes());
}

std::optional<Bytes> NextMedia(SimTestClient& c, uint8_t kind, int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        auto p = c.ReadCommand(kMedia, timeoutMs);
        if (!p) return std::nullopt;
        if (p->size() >= 14 && (*p)[12] == kind) return p;
    }
    return std::nullopt;
}

// NAL unit types of an Annex B access unit, in order.
std::vector<int> NalTypes(const uint8_t* d, size_t n) {
    std::vector<int> types;
    for (size_t i = 0; i + 3 < n; ++i)
        if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1) {
            types.push_back(d[i + 3] & 0x1F);
            i += 3;
        }
    return types;
}

class Decoder {
public:
    Decoder() {
        ctx = avcodec_alloc_context3(avcodec_find_decoder(AV_CODEC_ID_H264));
        avcodec_open2(ctx, avcodec_find_decoder(AV_CODEC_ID_H264), nullptr);
        frame = av_frame_alloc();
        pkt = av_packet_alloc();
    }
    ~Decoder() {
        av_packet_free(&pkt);
        av_frame_free(&frame);
        avcodec_free_context(&ctx);
    }
    // True when the frame decoded to a picture.
    bool Decode(const uint8_t* d, size_t n) {
        av_new_packet(pkt, static_cast<int>(n));
        std::copy(d, d + n, pkt->data);
        int rc = avcodec_send_packet(ctx, pkt);
        av_packet_unref(pkt);
        return rc == 0 && avcodec_receive_frame(ctx, frame) == 0;
    }
    AVCodecContext* ctx;
    AVFrame* frame;
    AVPacket* pkt;
};

TEST(Relay, DescribesAndStreamsDecodableH264) {
    SimFixture f;
    ASSERT_TRUE(f.WaitMediaReady());
    SimTestClient bad;
    ASSERT_TRUE(bad.Connect(f.Sim().RelayPort(0)));
    ASSERT_TRUE(bad.Send(RelayLogin("demo", "wrong")));
    auto refused = bad.ReadCommand(kLoginResp);
    ASSERT_TRUE(refused);
    EXPECT_NE(U16BE(*refused, 8), 0);

    SimTestClient c;
    Bytes d = Open(c, f, "T2");
    ASSERT_GE(d.size(), 30u);
    EXPECT_EQ(U16BE(d, 8), 0);
    EXPECT_EQ(U16(d, 12), 176);
    EXPECT_EQ(U16(d, 14), 144);
    EXPECT_EQ(U16(d, 16), 10);
    EXPECT_EQ(U16(d, 20), 16);
    EXPECT_EQ(d.size(), 30u + U16(d, 26) + U16(d, 28));

    Decoder dec;
    uint32_t firstStamp = 0, lastStamp = 0;
    int frames = 0;
    for (; frames < 15; ++frames) {
        auto m = NextMedia(c, 1);
        ASSERT_TRUE(m) << frames;
        uint32_t ts = U32(*m, 8);
        std::vector<int> nals = NalTypes(m->data() + 14, m->size() - 14);
        if (frames == 0) {
            EXPECT_EQ((*m)[13], 1) << "a stream opens with a key frame";
            EXPECT_NE(ts, 0u);
            firstStamp = ts;
        } else {
            EXPECT_GE(ts, lastStamp);
        }
        if ((*m)[13] == 1) {
            // SPS and PPS come in front of the IDR slice.
            auto sps = std::find(nals.begin(), nals.end(), 7), pps = std::find(nals.begin(), nals.end(), 8),
                 idr = std::find(nals.begin(), nals.end(), 5);
            ASSERT_NE(idr, nals.end());
            EXPECT_LT(sps, idr);
            EXPECT_LT(pps, idr);
        } else {
            EXPECT_EQ(std::find(nals.begin(), nals.end(), 5), nals.end());
        }
        lastStamp = ts;
        ASSERT_TRUE(dec.Decode(m->data() + 14, m->size() - 14)) << frames;
        EXPECT_EQ(dec.frame->width, 176);
        EXPECT_EQ(dec.frame->height, 144);
    }
    // 10 frames per second: 14 intervals of 100 ms.
    EXPECT_NEAR(static_cast<double>(lastStamp - firstStamp), 1400.0, 250.0);
}

TEST(Relay, AudioFollowsAudioControlInTheCameraCodec) {
    SimFixture f;
    ASSERT_TRUE(f.WaitMediaReady());
    SimTestClient c;
    Open(c, f, "T2");
    // No sound until the client switches it on.
    for (int i = 0; i < 5; ++i) {
        auto m = c.ReadCommand(kMedia);
        ASSERT_TRUE(m);
        EXPECT_NE((*m)[12], 0);
    }
    ASSERT_TRUE(c.Send(RelayAudioCtrl(true)));
    const AVCodec* ulaw = avcodec_find_decoder(AV_CODEC_ID_PCM_MULAW);
    AVCodecContext* ctx = avcodec_alloc_context3(ulaw);
    ctx->sample_rate = 8000;
    av_channel_layout_default(&ctx->ch_layout, 1);
    ASSERT_EQ(avcodec_open2(ctx, ulaw, nullptr), 0);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<int16_t> pcm;
    for (int i = 0; i < 10; ++i) {
        auto a = NextMedia(c, 0);
        ASSERT_TRUE(a);
        EXPECT_EQ((*a)[13], 16);
        EXPECT_EQ(a->size() - 14, 320u);  // 40 ms of 8 kHz G.711
        av_new_packet(pkt, static_cast<int>(a->size() - 14));
        std::copy(a->begin() + 14, a->end(), pkt->data);
        ASSERT_EQ(avcodec_send_packet(ctx, pkt), 0);
        av_packet_unref(pkt);
        while (avcodec_receive_frame(ctx, frame) == 0) {
            const int16_t* s = reinterpret_cast<const int16_t*>(frame->data[0]);
            pcm.insert(pcm.end(), s, s + frame->nb_samples);
        }
    }
    // The decoded sound is the loop's signal, from its start.
    std::vector<int16_t> want = sim::AudioLoop::Signal(static_cast<int>(pcm.size()));
    double err = 0, energy = 0;
    for (size_t i = 0; i < pcm.size(); ++i) {
        err += std::pow(pcm[i] - want[i], 2);
        energy += std::pow(want[i], 2);
    }
    EXPECT_LT(err / energy, 0.01);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);

    size_t mark = f.Mark();
    ASSERT_TRUE(c.Send(RelayAudioCtrl(false)));
    ASSERT_TRUE(f.WaitLine("audio off", 3000, mark));
    int audio = 0;
    for (int i = 0; i < 20; ++i) {  // let what was in flight drain, then none
        auto m = c.ReadCommand(kMedia);
        ASSERT_TRUE(m);
        if (i >= 10) audio += (*m)[12] == 0;
    }
    EXPECT_EQ(audio, 0);
}

TEST(Relay, AlarmRecordsArriveAtTheCameraPeriod) {
    SimFixture f;
    ASSERT_TRUE(f.WaitMediaReady());
    SimTestClient c;
    Open(c, f, "T2");
    auto a = NextMedia(c, 2, 4000);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->size(), 30u);
    EXPECT_EQ(U16(*a, 14 + 2), 3);
    EXPECT_EQ(U16(*a, 14 + 4), 10);
    EXPECT_EQ(U16(*a, 14 + 6), 20);
    EXPECT_EQ(U16(*a, 14 + 8), 30);
    EXPECT_EQ(U16(*a, 14 + 10), 40);
    auto b = NextMedia(c, 2, 4000);
    ASSERT_TRUE(b);
    EXPECT_NEAR(static_cast<double>(U32(*b, 8) - U32(*a, 8)), 1000.0, 200.0);
}

// Mean luma difference over a band below the text lines and above the
// moving bar, where only the scene (and so the PTZ position) shows.
double CentreDifference(const AVFrame* a, const std::vector<uint8_t>& b) {
    double sum = 0;
    int n = 0;
    for (int y = a->height * 5 / 8; y < a->height * 3 / 4 - 2; ++y)
        for (int x = a->width / 4; x < a->width * 3 / 4; ++x, ++n)
            sum += std::abs(a->data[0][y * a->linesize[0] + x] - b[static_cast<size_t>(y) * a->width + x]);
    return sum / n;
}

std::vector<uint8_t> Luma(const AVFrame* f) {
    std::vector<uint8_t> out(static_cast<size_t>(f->width) * f->height);
    for (int y = 0; y < f->height; ++y)
        std::copy(f->data[0] + y * f->linesize[0], f->data[0] + y * f->linesize[0] + f->width, out.begin() + y * f->width);
    return out;
}

TEST(Relay, PtzMovesTheLivePicture) {
    SimFixture f;
    SimTestClient relay, central;
    Open(relay, f, "T1");
    Decoder dec;
    std::vector<uint8_t> still1, still2;
    for (int i = 0; i < 6; ++i) {
        auto m = NextMedia(relay, 1);
        ASSERT_TRUE(m);
        ASSERT_TRUE(dec.Decode(m->data() + 14, m->size() - 14));
        (i == 4 ? still1 : still2) = Luma(dec.frame);
    }
    // Without a move the scene stands still.
    EXPECT_LT(CentreDifference(dec.frame, still1), 3.0);
    ASSERT_TRUE(central.Connect(f.Sim().CentralPort()));
    ASSERT_TRUE(central.Send(LoginRequest("demo", "demo")));
    auto login = central.ReadCommand(0x9004);
    ASSERT_TRUE(login);
    Bytes right = {12, 0, 3, 0, 100, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(central.Send(DeviceMessage(1, U32(*login, 12), 11, "T1", right)));
    ASSERT_TRUE(f.WaitLine("ptz T1 cmd=3"));
    // Frames already encoded before the command may still come: look ahead.
    double moved = 0;
    for (int i = 0; i < 10 && moved < 10.0; ++i) {
        auto m = NextMedia(relay, 1);
        ASSERT_TRUE(m);
        ASSERT_TRUE(dec.Decode(m->data() + 14, m->size() - 14));
        moved = CentreDifference(dec.frame, still1);
    }
    EXPECT_GE(moved, 10.0);
}

TEST(Relay, RefusesOfflineUnknownMisplacedAndFaultedStreams) {
    SimFixture f([](sim::Scenario& sc) {
        sc.faults.refuseStreams = 2;
        sc.relays.push_back({"relay2", 0, ""});
        sc.cameras.push_back(sc.cameras[0]);
        sc.cameras.back().key = "ELSEWHERE";
        sc.cameras.back().relay = "relay2";
    });
    SimTestClient other;
    EXPECT_EQ(U16BE(Open(other, f, "ELSEWHERE"), 8), 4);  // not served by relay1
    for (const char* key : {"T3", "NOPE"}) {
        SimTestClient c;
        Bytes d = Open(c, f, key);
        ASSERT_GE(d.size(), 10u);
        EXPECT_NE(U16BE(d, 8), 0) << key;
    }
    SimTestClient c;
    EXPECT_NE(U16BE(Open(c, f, "T1"), 8), 0);
    ASSERT_TRUE(c.Send(RelayDownload("T1")));
    EXPECT_NE(U16BE(c.ReadCommand(kDownloadResp).value_or(Bytes(10)), 8), 0);
    ASSERT_TRUE(c.Send(RelayDownload("T1")));
    EXPECT_EQ(U16BE(c.ReadCommand(kDownloadResp).value_or(Bytes(10)), 8), 0);
    EXPECT_TRUE(NextMedia(c, 1));
}

TEST(Relay, SlowRelayCapsTheRateAndMalformedPacketsArrive) {
    {
        SimFixture f([](sim::Scenario& sc) { sc.faults.relayKbps = 80; });
        ASSERT_TRUE(f.WaitMediaReady());
        SimTestClient c;
        Open(c, f, "T2");
        auto t0 = std::chrono::steady_clock::now();
        size_t bytes = 0;
        while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(1500)) {
            auto m = c.ReadCommand(kMedia, 200);
            if (m) bytes += m->size();
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_LT(bytes, 80 * 1000 / 8 * seconds + 20000);
        EXPECT_GT(bytes, 0u);
    }
    {
        SimFixture f([](sim::Scenario& sc) { sc.faults.malformed = "relay-oversized"; });
        SimTestClient c;
        Open(c, f, "T1");
        ASSERT_TRUE(f.WaitLine("fault relay-oversized"));
        auto p = c.Read(1000);
        // The test client cuts nothing out of a 204801-byte length; nothing whole arrives.
        EXPECT_FALSE(p && U32(*p, 0) <= 204800 && U32(*p, 4) == kMedia && p->size() > 14);
    }
    {
        SimFixture f([](sim::Scenario& sc) { sc.faults.malformed = "relay-bigblock"; });
        SimTestClient c;
        Bytes d = Open(c, f, "T1");
        EXPECT_EQ(U16(d, 26), 200);
        EXPECT_EQ(d.size(), 30u + 200u);
        EXPECT_TRUE(NextMedia(c, 1));  // the stream goes on as usual
    }
}

TEST(VideoEncoder, KeepsEveryFrameFarBelowThePacketLimit) {
    // Noise is the worst case for the encoder; 1080p at a rate that would
    // give ~250 KB key frames without the VBV bound.
    sim::VideoEncoder enc(1920, 1080, 25, 8000);
    std::vector<uint8_t> img(1920 * 1080 * 3 / 2);
    uint32_t seed = 1;
    size_t largest = 0;
    for (int i = 0; i < 6; ++i) {
        for (auto& p : img) p = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
        sim::EncodedFrame fr;
        if (enc.Encode(img, &fr, i == 3)) largest = std::max(largest, fr.data.size());
    }
    EXPECT_GT(largest, 0u);
    EXPECT_LT(largest, 204800u - 14u);
}

}  // namespace

namespace {

// A reader that stops for a while holds the relay back instead of growing
// its memory or losing frames: afterwards the stream still decodes.
TEST(Relay, StalledReaderResumesWithADecodableStream) {
    SimFixture f;
    ASSERT_TRUE(f.WaitMediaReady());
    SimTestClient c;
    Open(c, f, "T2");
    int small = 4096;
    setsockopt(c.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    ASSERT_TRUE(NextMedia(c, 1));
    // Stall: nothing read for three seconds (30 frames at 10 fps).
    std::this_thread::sleep_for(std::chrono::seconds(3));
    Decoder dec;
    int decoded = 0, keys = 0;
    for (int i = 0; i < 40; ++i) {
        auto m = NextMedia(c, 1);
        ASSERT_TRUE(m) << i;
        keys += (*m)[13] == 1;
        if (keys > 0) decoded += dec.Decode(m->data() + 14, m->size() - 14);
    }
    EXPECT_GE(keys, 1);
    EXPECT_GE(decoded, 30);
    EXPECT_EQ(f.Sim().ConnectionCount(), 1u);
}

}  // namespace
