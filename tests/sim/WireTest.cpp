// Pure pieces: packet cutting, the password digest, recording names and
// the PTZ model.
#include <gtest/gtest.h>

#include <vector>

#include "common/WireFormat.h"
#include "sim/PacketCutter.h"
#include "sim/PasswordDigest.h"
#include "sim/PtzState.h"
#include "sim/RecordingCatalog.h"

namespace {

std::vector<uint8_t> Pkt(uint32_t cmd, uint32_t len) {
    std::vector<uint8_t> b(len, 0xAB);
    wire::PutU32(b.data(), len);
    if (len >= 8) wire::PutU32(b.data() + 4, cmd);
    return b;
}

TEST(PacketCutter, DispatchesEachPacketOnceWhateverTheSplit) {
    std::vector<uint8_t> stream = Pkt(0x9002, 96);
    auto second = Pkt(0x102C, 24);
    stream.insert(stream.end(), second.begin(), second.end());
    for (size_t split = 0; split <= stream.size(); ++split) {
        std::vector<uint32_t> seen;
        std::vector<uint8_t> buf(stream.begin(), stream.begin() + split);
        auto sink = [&](uint32_t cmd, const uint8_t*, size_t) { seen.push_back(cmd); };
        auto r = sim::PacketCutter::Cut(buf.data(), buf.size(), sink);
        ASSERT_FALSE(r.framingError);
        buf.erase(buf.begin(), buf.begin() + r.consumed);
        buf.insert(buf.end(), stream.begin() + split, stream.end());
        r = sim::PacketCutter::Cut(buf.data(), buf.size(), sink);
        ASSERT_FALSE(r.framingError);
        EXPECT_EQ(r.consumed, buf.size());
        ASSERT_EQ(seen, (std::vector<uint32_t>{0x9002, 0x102C})) << "split at " << split;
    }
}

TEST(PacketCutter, RefusesLengthsOutsideTheLimitsAndWaitsForMore) {
    auto none = [](uint32_t, const uint8_t*, size_t) { FAIL() << "nothing may be dispatched"; };
    for (uint32_t bad : {0u, 3u, 204801u, 0xFFFFFFFFu}) {
        uint8_t b[8] = {};
        wire::PutU32(b, bad);
        EXPECT_TRUE(sim::PacketCutter::Cut(b, sizeof b, none).framingError) << bad;
    }
    auto big = Pkt(1, 204800);
    auto r = sim::PacketCutter::Cut(big.data(), big.size() - 1, none);
    EXPECT_FALSE(r.framingError);
    EXPECT_EQ(r.consumed, 0u);
    int count = 0;
    r = sim::PacketCutter::Cut(big.data(), big.size(), [&](uint32_t, const uint8_t*, size_t n) {
        EXPECT_EQ(n, 204800u);
        ++count;
    });
    EXPECT_EQ(count, 1);
    auto four = Pkt(0, 4);  // header-less packet: dispatched with command 0
    count = 0;
    r = sim::PacketCutter::Cut(four.data(), four.size(), [&](uint32_t c, const uint8_t*, size_t) { count += c == 0; });
    EXPECT_EQ(count, 1);
}

TEST(PasswordDigest, MatchesSaltedMd5InUpperCaseHex) {
    EXPECT_EQ(sim::PasswordDigest::Of("demo"), "3496B337E9B7C84D4A58880769C130C0");
    EXPECT_EQ(sim::PasswordDigest::Of(""), "318517A88D802346FB61782EF9BAA1E4");
    EXPECT_EQ(sim::PasswordDigest::Of(std::string(36, 'x')).size(), 32u);
}

TEST(RecordingCatalog, ListsSegmentsInsideTheRangeWithParsableNames) {
    sim::Camera cam;
    cam.hasRecordings = true;
    cam.recordings = {2, 60, 10};
    const int64_t now = 1700000000;  // 22:13:20 UTC
    auto files = sim::RecordingCatalog::Query(cam, now - 86400, now, now);
    ASSERT_EQ(files.size(), 24u);
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].begin % 3600, 0);
        EXPECT_EQ(files[i].end - files[i].begin, 600);
        EXPECT_LE(files[i].end, now);
        EXPECT_GE(files[i].end, now - 86400);
        if (i) {
            EXPECT_GT(files[i].begin, files[i - 1].begin);
        }
        sim::RecordingCatalog::File back{};
        ASSERT_TRUE(sim::RecordingCatalog::ParseName(files[i].Name(), &back));
        EXPECT_EQ(back.begin, files[i].begin);
        EXPECT_EQ(back.end, files[i].end);
        EXPECT_EQ(files[i].Name().substr(files[i].Name().size() - 4), ".mp4");
    }
    // Nothing older than the kept days, nothing for a camera without recordings.
    EXPECT_TRUE(sim::RecordingCatalog::Query(cam, now - 5 * 86400, now - 3 * 86400, now).empty());
    cam.hasRecordings = false;
    EXPECT_TRUE(sim::RecordingCatalog::Query(cam, now - 86400, now, now).empty());
    sim::RecordingCatalog::File f{};
    for (const char* bad : {"abc", "1_2.mp", "_5.mp4", "5_.mp4", "9_1.mp4", "1_2x.mp4", "12.mp4"})
        EXPECT_FALSE(sim::RecordingCatalog::ParseName(bad, &f)) << bad;
}

TEST(PtzState, MovesWhileCommandedAndRecallsPresets) {
    sim::PtzState s;
    ASSERT_TRUE(s.Apply(3, 50, 1000));  // pan right, 30 deg/s
    ASSERT_TRUE(s.Apply(4, 50, 2000));
    EXPECT_NEAR(s.At(5000).pan, 30.0, 0.01);
    ASSERT_TRUE(s.Apply(5, 100, 5000));  // tilt up, 60 deg/s, stops at 90
    EXPECT_NEAR(s.At(7000).tilt, 90.0, 0.01);
    ASSERT_TRUE(s.Apply(6, 0, 7000));
    ASSERT_TRUE(s.Apply(34, 2, 7000));   // preset 2 here
    ASSERT_TRUE(s.Apply(18, 100, 7000)); // zoom in
    ASSERT_TRUE(s.Apply(19, 0, 8000));
    EXPECT_GT(s.At(8000).zoom, 2.0);
    ASSERT_TRUE(s.Apply(9, 50, 8000));   // reset
    EXPECT_EQ(s.At(8000).pan, 0.0);
    ASSERT_TRUE(s.Apply(35, 2, 9000));   // call preset 2
    EXPECT_NEAR(s.At(9000).pan, 30.0, 0.01);
    EXPECT_NEAR(s.At(9000).tilt, 90.0, 0.01);
    EXPECT_EQ(s.At(9000).zoom, 1.0);
    ASSERT_TRUE(s.Apply(37, 0, 9000));
    ASSERT_TRUE(s.Apply(9, 0, 9000));
    ASSERT_TRUE(s.Apply(35, 2, 9000));   // deleted: stays put
    EXPECT_EQ(s.At(9000).pan, 0.0);
    EXPECT_FALSE(s.Apply(99, 0, 9000));
    ASSERT_TRUE(s.Apply(1, 100, 9000));  // pan wraps past -180
    EXPECT_GE(s.At(13000).pan, -180.0);
    EXPECT_LE(s.At(13000).pan, 180.0);
}

}  // namespace
