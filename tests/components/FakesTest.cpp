// The fakes other tests inject must fail exactly where asked and otherwise
// honour the contracts of the real components.
#include "AviWriter.h"
#include "VideoDecoder.h"
#include "testing/FakeAudioCodec.h"
#include "testing/FakeAudioEngine.h"
#include "testing/FakeAviWriter.h"
#include "testing/FakeVideoDecoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(FakesTest, DecoderFailsOnlyOnTheChosenFrameAndKeepsTheContract) {
    kelvo::testing::FakeVideoDecoder dec(64, 48);
    dec.FailOnCall(3);
    std::vector<uint8_t> out(64 * 48 * 2);
    const uint8_t frame[4] = {0, 0, 0, 1};
    std::vector<int> results;
    for (int i = 0; i < 5; ++i) results.push_back(dec.Decode(frame, 4, out.data(), int(out.size())));
    EXPECT_EQ(results, (std::vector<int>{4608, 4608, 0, 4608, 4608}));
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(dec.Decode(frame, 4, out.data(), 100), 0);  // too small, as the real one
    kelvo::VideoDecoderFactory real = &kelvo::VideoDecoder::CreateDecoder;
    EXPECT_NE(real(64, 48), nullptr);
}

TEST(FakesTest, AviWriterRefusesOpenAndFailsFromTheChosenWrite) {
    kelvo::testing::FakeAviWriter w;
    w.FailOpen(true);
    EXPECT_EQ(w.Open("x.avi"), kelvo::AviResult::OPEN_FAILED);
    w.FailOpen(false);
    ASSERT_EQ(w.Open("x.avi"), kelvo::AviResult::OK);
    w.FailFromWrite(3);
    const uint8_t b = 1;
    EXPECT_EQ(w.Write(1, &b, 1, false), kelvo::AviResult::NEED_KEY_FRAME);
    EXPECT_EQ(w.Write(1, &b, 1, true), kelvo::AviResult::OK);
    EXPECT_EQ(w.Write(2, &b, 1, false), kelvo::AviResult::WRITE_FAILED);
    EXPECT_EQ(w.Write(3, &b, 1, true), kelvo::AviResult::WRITE_FAILED);
    EXPECT_EQ(w.Frames().size(), 1u);
    kelvo::AviWriterFactory real = &kelvo::AviWriter::CreateWriter;
    EXPECT_NE(real(), nullptr);
}

struct Sink {
    std::vector<uint8_t> got;
};

void Collect(int kind, int, const uint8_t* data, int bytes, void* user) {
    if (kind == kelvo::kAudioCapturedPcm) static_cast<Sink*>(user)->got.assign(data, data + bytes);
}

TEST(FakesTest, EngineRoutesCaptureOnlyToStartedChannelsAndRefusesOnDemand) {
    kelvo::testing::FakeAudioEngine engine;
    const int ch = engine.OpenChannel(8, 320, 8, 320, 8000);
    ASSERT_GE(ch, 0);
    Sink sink;
    engine.SetCaptureHandler(ch, &Collect, &sink);
    const uint8_t pcm[4] = {1, 2, 3, 4};
    EXPECT_FALSE(engine.Capture(ch, pcm, 4));  // not started
    engine.StartChannel(ch);
    EXPECT_TRUE(engine.Capture(ch, pcm, 4));
    EXPECT_EQ(sink.got.size(), 4u);
    EXPECT_TRUE(engine.Play(0, ch, pcm, 4));
    EXPECT_EQ(engine.Get(ch).played.size(), 4u);
    engine.RefuseOpen(true);
    EXPECT_LT(engine.OpenDefaultChannel(), 0);
}

TEST(FakesTest, CoderPassesThroughAndFailsOnTheChosenCall) {
    kelvo::testing::FakeAudioCoder coder;
    coder.FailOnCall(2);
    const uint8_t in[6] = {1, 2, 3, 4, 5, 6};
    uint8_t out[6];
    int len = 6;
    EXPECT_TRUE(coder.Decode(in, 6, out, &len));
    EXPECT_EQ(len, 6);
    len = 6;
    EXPECT_FALSE(coder.Encode(in, 6, out, &len));
    EXPECT_EQ(len, 0);
    len = 5;
    EXPECT_FALSE(coder.Decode(in, 6, out, &len));  // does not fit
}

}  // namespace
