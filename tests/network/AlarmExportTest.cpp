// KelvoStream_GetAlarms over a stream fed by a fake relay: the export is
// compiled into this test so it can be handed the fixture's stream.
#include <gtest/gtest.h>

#include "KelvoNetwork.h"
#include "tests/network/StreamFixture.h"

using namespace testing_support;

namespace {

std::vector<KelvoAlarmInfo> ReadAll(void* stream) {
    int n = KelvoStream_GetAlarms(stream, nullptr, nullptr);
    std::vector<KelvoAlarmInfo> out(static_cast<size_t>(std::max(n, 0)));
    int count = n;
    const int written = KelvoStream_GetAlarms(stream, out.data(), &count);
    EXPECT_EQ(written, count);
    out.resize(static_cast<size_t>(std::max(written, 0)));
    return out;
}

}  // namespace

TEST_F(StreamTest, GetAlarmsCopiesRegionsInRegionOrder) {
    auto relay = StartDescribed(64, 48);
    ASSERT_TRUE(relay);
    void* handle = stream.get();
    EXPECT_EQ(KelvoStream_GetAlarms(handle, nullptr, nullptr), 0);

    const auto before = static_cast<long long>(time(nullptr));
    ASSERT_TRUE(relay->Send(AlarmPacket(7, 10, 20, 30, 40, /*type=*/3)));
    ASSERT_TRUE(relay->Send(AlarmPacket(2, 1, 2, 3, 4, /*type=*/9)));
    ASSERT_TRUE(WaitFor([&] { return KelvoStream_GetAlarms(handle, nullptr, nullptr) == 2; }));

    auto all = ReadAll(handle);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].region, 2);
    EXPECT_EQ(all[0].type, 9);
    EXPECT_EQ(all[1].region, 7);
    EXPECT_EQ(all[1].type, 3);
    EXPECT_EQ(all[1].x, 10);
    EXPECT_EQ(all[1].y, 20);
    EXPECT_EQ(all[1].width, 30);
    EXPECT_EQ(all[1].height, 40);
    EXPECT_GE(all[1].arrival, before);
    EXPECT_LE(all[1].arrival, static_cast<long long>(time(nullptr)));

    // A short buffer gets the first regions only; nothing is written past it.
    KelvoAlarmInfo one[2];
    one[1].region = -77;
    int count = 1;
    EXPECT_EQ(KelvoStream_GetAlarms(handle, one, &count), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(one[0].region, 2);
    EXPECT_EQ(one[1].region, -77);

    // A larger buffer reports what was really written.
    KelvoAlarmInfo many[5];
    count = 5;
    EXPECT_EQ(KelvoStream_GetAlarms(handle, many, &count), 2);
    EXPECT_EQ(count, 2);

    count = -3;
    EXPECT_EQ(KelvoStream_GetAlarms(handle, many, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(KelvoStream_GetAlarms(handle, many, nullptr), 0);

    KelvoStream_ClearAlarm(handle);
    EXPECT_EQ(KelvoStream_GetAlarms(handle, nullptr, nullptr), 0);
}

TEST_F(StreamTest, StatsCountFramesBytesAndDrops) {
    void* handle = stream.get();
    KelvoStreamStats stats{};
    EXPECT_EQ(KelvoStream_GetStats(handle, nullptr), 0);
    EXPECT_EQ(KelvoStream_GetStats(nullptr, &stats), 0);
    ASSERT_EQ(KelvoStream_GetStats(handle, &stats), 1);
    EXPECT_EQ(stats.framesReceived, 0u);
    EXPECT_STREQ(stats.codec, "");

    stream->SetDataType(0);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    auto relay = StartDescribed(64, 48);
    ASSERT_TRUE(relay);
    // A delta frame before any key frame is fine to decode (nothing went by
    // undecoded); one that fails to decode is a drop.
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{1, 1, 1})));
    ASSERT_TRUE(relay->Send(MediaPacket(80, 1, 0, Bytes{0xEE})));
    ASSERT_TRUE(relay->Send(MediaPacket(120, 1, 0, Bytes{2, 2})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 2; }));
    ASSERT_TRUE(WaitFor([&] {
        KelvoStream_GetStats(handle, &stats);
        return stats.framesDropped == 1;
    }));
    EXPECT_EQ(stats.framesReceived, 3u);
    EXPECT_EQ(stats.bytesReceived, 6u);
    EXPECT_EQ(stats.framesDecoded, 2u);
    EXPECT_EQ(stats.width, 64);
    EXPECT_EQ(stats.height, 48);
    EXPECT_STREQ(stats.codec, "video");  // the fake decoder's name
    EXPECT_GE(stats.latencyMs, 0);
    EXPECT_LT(stats.latencyMs, 5000);

    // Frames waiting for a key frame after raw delivery count as dropped.
    stream->SetDataType(1);
    ASSERT_TRUE(relay->Send(MediaPacket(160, 1, 0, Bytes{3})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 3; }));
    stream->SetDataType(0);
    ASSERT_TRUE(relay->Send(MediaPacket(200, 1, 0, Bytes{4})));
    ASSERT_TRUE(relay->Send(MediaPacket(240, 1, 1, Bytes{5})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 4; }));
    KelvoStream_GetStats(handle, &stats);
    EXPECT_EQ(stats.framesReceived, 6u);
    EXPECT_EQ(stats.framesDecoded, 3u);
    EXPECT_EQ(stats.framesDropped, 2u);
}
