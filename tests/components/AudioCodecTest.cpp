#include "AudioCodec.h"
#include "AudioCodecTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

using kelvo::AudioCodec;
using kelvo::AudioCodecTable;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Speech-band test signal: three tones under a slow envelope.
std::vector<int16_t> TestSignal(int samples, int rate = 8000) {
    std::vector<int16_t> s(size_t(samples), 0);
    for (int i = 0; i < samples; ++i) {
        const double t = double(i) / rate;
        const double env = 0.6 + 0.4 * std::sin(2 * kPi * 2.0 * t);
        const double v = 0.5 * std::sin(2 * kPi * 300 * t) + 0.3 * std::sin(2 * kPi * 1100 * t) +
                         0.15 * std::sin(2 * kPi * 2300 * t);
        s[size_t(i)] = int16_t(std::lround(v * env * 12000));
    }
    return s;
}

double SnrDb(const std::vector<int16_t>& ref, const std::vector<int16_t>& got, size_t skip) {
    double sig = 0, noise = 0;
    for (size_t i = skip; i < ref.size() && i < got.size(); ++i) {
        sig += double(ref[i]) * ref[i];
        const double d = double(ref[i]) - got[i];
        noise += d * d;
    }
    return 10 * std::log10(sig / std::max(noise, 1.0));
}

const uint8_t* Bytes(const std::vector<int16_t>& v, size_t at = 0) {
    return reinterpret_cast<const uint8_t*>(v.data() + at);
}

// Encodes in frames of P samples and decodes each packet into a Q*P*2 buffer,
// as the stream does.
std::vector<int16_t> RoundTrip(int index, const std::vector<int16_t>& pcm, size_t* codedBytes) {
    int p = 0, q = 0, r = 0;
    EXPECT_TRUE(AudioCodec::Describe(index, &p, &q, &r));
    auto enc = AudioCodec::CreateEncoder(index);
    auto dec = AudioCodec::CreateDecoder(index);
    EXPECT_TRUE(enc && dec);
    std::vector<int16_t> out;
    if (!enc || !dec) return out;
    std::vector<uint8_t> coded(size_t(p) * 2);
    std::vector<uint8_t> decoded(size_t(q) * p * 2);
    *codedBytes = 0;
    for (size_t at = 0; at + size_t(p) <= pcm.size(); at += size_t(p)) {
        int len = int(coded.size());
        if (!enc->Encode(Bytes(pcm, at), p * 2, coded.data(), &len)) {
            EXPECT_EQ(len, 0);
            continue;
        }
        *codedBytes += size_t(len);
        int pcmLen = int(decoded.size());
        EXPECT_TRUE(dec->Decode(coded.data(), len, decoded.data(), &pcmLen)) << "at " << at;
        const size_t old = out.size();
        out.resize(old + size_t(pcmLen) / 2);
        std::memcpy(out.data() + old, decoded.data(), size_t(pcmLen));
    }
    return out;
}

TEST(AudioCodecTest, TableDescribesKnownNumbersAndRejectsOthers) {
    for (int index = 0; index < 8; ++index) {
        int p = -1, q = -1, r = -1;
        ASSERT_TRUE(AudioCodec::Describe(index, &p, &q, &r)) << index;
        EXPECT_EQ(r, 8000);
        EXPECT_GE(p, 160);
        EXPECT_GE(q, 1);
        EXPECT_NE(AudioCodec::CreateEncoder(index), nullptr) << index;
        EXPECT_NE(AudioCodec::CreateDecoder(index), nullptr) << index;
    }
    for (int index : {-1, 8, 9, 10, 26 - 16}) {
        int p = -1, q = -1, r = -1;
        EXPECT_FALSE(AudioCodec::Describe(index, &p, &q, &r)) << index;
        EXPECT_EQ(p | q | r, 0);
        EXPECT_EQ(AudioCodec::CreateEncoder(index), nullptr);
        EXPECT_EQ(AudioCodec::CreateDecoder(index), nullptr);
    }
}

struct TelephonyCase {
    int index;
    double minSnrDb;
    double codedBytesPerSample;
};

class TelephonyRoundTrip : public ::testing::TestWithParam<TelephonyCase> {};

TEST_P(TelephonyRoundTrip, KeepsTheSignalAtTheCodedRate) {
    const TelephonyCase c = GetParam();
    const auto pcm = TestSignal(8000);
    size_t coded = 0;
    const auto out = RoundTrip(c.index, pcm, &coded);
    ASSERT_EQ(out.size(), pcm.size());
    EXPECT_DOUBLE_EQ(double(coded), c.codedBytesPerSample * double(pcm.size()));
    EXPECT_GE(SnrDb(pcm, out, 200), c.minSnrDb);
}

INSTANTIATE_TEST_SUITE_P(AllTelephonyCodecs, TelephonyRoundTrip,
                         ::testing::Values(TelephonyCase{0, 30, 1.0}, TelephonyCase{1, 30, 1.0},
                                           TelephonyCase{2, 6, 0.25}, TelephonyCase{3, 12, 0.375},
                                           TelephonyCase{4, 18, 0.5}, TelephonyCase{5, 22, 0.625},
                                           TelephonyCase{6, 18, 0.5}));

TEST(AudioCodecTest, G726CarriesPartialBytesAcrossCalls) {
    auto enc = AudioCodec::CreateEncoder(18 - 16);  // 2 bits a sample
    const auto pcm = TestSignal(4);
    uint8_t out[8];
    std::vector<int> lengths;
    for (int i = 0; i < 4; ++i) {
        int len = sizeof out;
        enc->Encode(Bytes(pcm, size_t(i)), 2, out, &len);
        lengths.push_back(len);
    }
    EXPECT_EQ(lengths, (std::vector<int>{0, 0, 0, 1}));
    // 24 kbit/s: 3 samples give one byte and keep a bit back.
    auto enc24 = AudioCodec::CreateEncoder(19 - 16);
    int len = sizeof out;
    EXPECT_TRUE(enc24->Encode(Bytes(pcm), 6, out, &len));
    EXPECT_EQ(len, 1);
}

// The G.726 packets must be readable by libavcodec's decoder of the matching
// packing, the format other tools of the trade expect.
std::vector<int16_t> DecodeWithLibavcodec(const char* name, const std::vector<uint8_t>& coded, int bitRate) {
    const AVCodec* codec = avcodec_find_decoder_by_name(name);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->sample_rate = 8000;
    av_channel_layout_default(&c->ch_layout, 1);
    c->bits_per_coded_sample = bitRate / 8000;
    c->bit_rate = bitRate;
    std::vector<int16_t> out;
    if (avcodec_open2(c, codec, nullptr) == 0) {
        AVPacket* pkt = av_packet_alloc();
        AVFrame* f = av_frame_alloc();
        av_new_packet(pkt, int(coded.size()));
        std::memcpy(pkt->data, coded.data(), coded.size());
        avcodec_send_packet(c, pkt);
        while (avcodec_receive_frame(c, f) == 0) {
            const int16_t* s = reinterpret_cast<const int16_t*>(f->data[0]);
            out.insert(out.end(), s, s + f->nb_samples);
        }
        av_frame_free(&f);
        av_packet_free(&pkt);
    }
    avcodec_free_context(&c);
    return out;
}

TEST(AudioCodecTest, G726PackingMatchesLibavcodec) {
    const auto pcm = TestSignal(3200);
    for (auto [index, name] : {std::pair<int, const char*>{20 - 16, "g726"}, {22 - 16, "g726le"}}) {
        auto enc = AudioCodec::CreateEncoder(index);
        std::vector<uint8_t> coded(pcm.size());
        int len = int(coded.size());
        ASSERT_TRUE(enc->Encode(Bytes(pcm), int(pcm.size() * 2), coded.data(), &len));
        coded.resize(size_t(len));
        const auto theirs = DecodeWithLibavcodec(name, coded, 32000);
        ASSERT_GE(theirs.size(), pcm.size() - 8) << name;
        EXPECT_GE(SnrDb(pcm, theirs, 200), 18) << name;
    }
}

TEST(AudioCodecTest, TooSmallBuffersFailWithoutWritingPastThem) {
    const auto pcm = TestSignal(320);
    auto enc = AudioCodec::CreateEncoder(0);
    std::vector<uint8_t> coded(400, 0xEE);
    int len = 100;  // 320 samples need 320 bytes
    EXPECT_FALSE(enc->Encode(Bytes(pcm), 640, coded.data(), &len));
    EXPECT_EQ(len, 0);
    EXPECT_EQ(coded[0], 0xEE);
    len = 400;
    ASSERT_TRUE(enc->Encode(Bytes(pcm), 640, coded.data(), &len));
    ASSERT_EQ(len, 320);
    auto dec = AudioCodec::CreateDecoder(0);
    std::vector<uint8_t> decoded(700, 0xEE);
    int pcmLen = 639;
    EXPECT_FALSE(dec->Decode(coded.data(), 320, decoded.data(), &pcmLen));
    EXPECT_EQ(pcmLen, 0);
    EXPECT_EQ(decoded[0], 0xEE);
    int noLen = 10;
    EXPECT_FALSE(dec->Decode(nullptr, 320, decoded.data(), &noLen));
    EXPECT_FALSE(dec->Decode(coded.data(), 320, decoded.data(), nullptr));
}

double ToneLevelAt(const std::vector<int16_t>& s, size_t from, double freq) {
    // Goertzel-like correlation: amplitude of `freq` in the tail of s.
    double re = 0, im = 0;
    const size_t n = s.size() - from;
    for (size_t i = from; i < s.size(); ++i) {
        re += s[i] * std::cos(2 * kPi * freq * double(i) / 8000);
        im += s[i] * std::sin(2 * kPi * freq * double(i) / 8000);
    }
    return 2 * std::sqrt(re * re + im * im) / double(n);
}

TEST(AudioCodecTest, AacRoundTripKeepsAToneAndFramesAsAdts) {
    const int index = 23 - 16;
    int p = 0, q = 0, r = 0;
    ASSERT_TRUE(AudioCodec::Describe(index, &p, &q, &r));
    ASSERT_EQ(p, 1024);
    std::vector<int16_t> pcm(8000 * 2);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = int16_t(8000 * std::sin(2 * kPi * 440 * double(i) / 8000));
    auto enc = AudioCodec::CreateEncoder(index);
    auto dec = AudioCodec::CreateDecoder(index);
    std::vector<uint8_t> coded(size_t(p) * 2);
    std::vector<uint8_t> decoded(size_t(q) * p * 2);
    std::vector<int16_t> out;
    int packets = 0;
    for (size_t at = 0; at + size_t(p) <= pcm.size(); at += size_t(p)) {
        int len = int(coded.size());
        if (!enc->Encode(Bytes(pcm, at), p * 2, coded.data(), &len)) continue;
        ++packets;
        ASSERT_GE(len, 7);
        EXPECT_EQ(coded[0], 0xFF);
        EXPECT_EQ(coded[1] & 0xF6, 0xF0);
        EXPECT_EQ(((coded[3] & 3) << 11) | (coded[4] << 3) | (coded[5] >> 5), len);  // ADTS length
        int pcmLen = int(decoded.size());
        ASSERT_TRUE(dec->Decode(coded.data(), len, decoded.data(), &pcmLen));
        const auto* s = reinterpret_cast<const int16_t*>(decoded.data());
        out.insert(out.end(), s, s + pcmLen / 2);
    }
    EXPECT_GE(packets, 13);
    ASSERT_GE(out.size(), 8000u);
    EXPECT_NEAR(ToneLevelAt(out, 4000, 440), 8000, 1600);
    EXPECT_LT(ToneLevelAt(out, 4000, 1000), 400);
}

// ADTS frames of a 16 kHz stereo 440 Hz tone, coded by libavcodec directly.
std::vector<std::vector<uint8_t>> AacStereo16k(int seconds) {
    std::vector<std::vector<uint8_t>> frames;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->sample_rate = 16000;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&c->ch_layout, 2);
    c->bit_rate = 64000;
    if (avcodec_open2(c, codec, nullptr) == 0) {
        AVFrame* f = av_frame_alloc();
        f->nb_samples = c->frame_size;
        f->format = AV_SAMPLE_FMT_FLTP;
        f->sample_rate = 16000;
        av_channel_layout_default(&f->ch_layout, 2);
        av_frame_get_buffer(f, 0);
        AVPacket* pkt = av_packet_alloc();
        int64_t t = 0;
        for (int n = 0; n * c->frame_size < seconds * 16000; ++n) {
            av_frame_make_writable(f);
            for (int i = 0; i < f->nb_samples; ++i, ++t)
                for (int ch = 0; ch < 2; ++ch)
                    reinterpret_cast<float*>(f->data[ch])[i] = 0.25f * float(std::sin(2 * kPi * 440 * double(t) / 16000));
            f->pts = t;
            avcodec_send_frame(c, f);
            while (avcodec_receive_packet(c, pkt) == 0) {
                const int len = pkt->size + 7;
                std::vector<uint8_t> adts = {0xFF, 0xF1, uint8_t((1 << 6) | (8 << 2)), uint8_t((2 << 6) | (len >> 11)),
                                             uint8_t(len >> 3), uint8_t(((len & 7) << 5) | 0x1F), 0xFC};
                adts.insert(adts.end(), pkt->data, pkt->data + pkt->size);
                frames.push_back(std::move(adts));
                av_packet_unref(pkt);
            }
        }
        av_packet_free(&pkt);
        av_frame_free(&f);
    }
    avcodec_free_context(&c);
    return frames;
}

TEST(AudioCodecTest, AacFromOtherRatesAndChannelsComesOutMono8k) {
    const auto frames = AacStereo16k(2);
    ASSERT_GT(frames.size(), 20u);
    int p = 0, q = 0, r = 0;
    AudioCodec::Describe(23 - 16, &p, &q, &r);
    auto dec = AudioCodec::CreateDecoder(23 - 16);
    std::vector<uint8_t> buf(size_t(q) * p * 2);
    std::vector<int16_t> out;
    for (const auto& f : frames) {
        int len = int(buf.size());
        if (!dec->Decode(f.data(), int(f.size()), buf.data(), &len)) continue;
        ASSERT_LE(len, int(buf.size()));
        const auto* s = reinterpret_cast<const int16_t*>(buf.data());
        out.insert(out.end(), s, s + len / 2);
    }
    // Half the samples of one 16 kHz channel, and the tone still at 440 Hz.
    EXPECT_NEAR(double(out.size()), double(frames.size()) * 1024 / 2, 1024);
    ASSERT_GT(out.size(), 6000u);
    EXPECT_GT(ToneLevelAt(out, 2000, 440), 4000);
    EXPECT_LT(ToneLevelAt(out, 2000, 880), 400);
}

TEST(AudioCodecTest, CorruptAacPacketsFailQuietly) {
    auto dec = AudioCodec::CreateDecoder(23 - 16);
    std::vector<uint8_t> out(4096);
    std::vector<uint8_t> junk(300);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i * 37 + 11);
    junk[0] = 0xFF;
    junk[1] = 0xF1;
    for (int n = 1; n < int(junk.size()); n += 23) {
        int len = int(out.size());
        dec->Decode(junk.data(), n, out.data(), &len);
        EXPECT_LE(len, int(out.size()));
    }
}

}  // namespace
