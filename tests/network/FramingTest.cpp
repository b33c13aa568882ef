#include <gtest/gtest.h>

#include <vector>

#include "network/PacketFramer.h"
#include "tests/support/TestSupport.h"

using namespace testing_support;

namespace {

struct Cut {
    bool ok;
    size_t consumed;
    std::vector<Bytes> packets;
};

Cut CutAll(const Bytes& data) {
    Cut c{};
    c.ok = framing::CutPackets(data.data(), data.size(), &c.consumed,
                               [&](const uint8_t* p, size_t n) { c.packets.emplace_back(p, p + n); });
    return c;
}

// Feeds `stream` in two calls split at `at`, keeping unconsumed bytes, the
// way the connection loop does.
std::vector<Bytes> FeedSplit(const Bytes& stream, size_t at) {
    std::vector<Bytes> out;
    Bytes held;
    for (const Bytes& chunk : {Bytes(stream.begin(), stream.begin() + at), Bytes(stream.begin() + at, stream.end())}) {
        held.insert(held.end(), chunk.begin(), chunk.end());
        Cut c = CutAll(held);
        EXPECT_TRUE(c.ok);
        out.insert(out.end(), c.packets.begin(), c.packets.end());
        held.erase(held.begin(), held.begin() + c.consumed);
    }
    EXPECT_TRUE(held.empty());
    return out;
}

}  // namespace

TEST(Framing, EveryPacketOnceWhateverTheSplit) {
    Bytes a = Packet(24, 0x102C);
    Bytes b = Packet(9, 0x4004);
    b[8] = 0x7F;
    Bytes c = Packet(4, 0);  // header-only length: still a packet
    Bytes stream = a;
    stream.insert(stream.end(), b.begin(), b.end());
    stream.insert(stream.end(), c.begin(), c.end());
    stream.insert(stream.end(), a.begin(), a.end());
    for (size_t at = 0; at <= stream.size(); ++at) {
        std::vector<Bytes> got = FeedSplit(stream, at);
        ASSERT_EQ(got.size(), 4u) << "split at " << at;
        EXPECT_EQ(got[0], a);
        EXPECT_EQ(got[1], b);
        EXPECT_EQ(got[2], c);
        EXPECT_EQ(got[3], a);
    }
}

TEST(Framing, WaitsForMoreThanFourBytes) {
    // A lone 4-byte length is not cut, even when it announces 4 bytes.
    Cut c = CutAll(Le32(4));
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.consumed, 0u);
    EXPECT_TRUE(c.packets.empty());

    Bytes partial = Packet(100, 1);
    partial.resize(99);
    c = CutAll(partial);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.consumed, 0u);
}

TEST(Framing, RejectsLengthsOutsideTheLimits) {
    for (uint32_t bad : {0u, 3u, 204801u, 0xFFFFFFFFu}) {
        Bytes data = Le32(bad);
        data.push_back(0);
        Cut c = CutAll(data);
        EXPECT_FALSE(c.ok) << bad;
        EXPECT_TRUE(c.packets.empty());
    }
    // The largest legal packet is accepted.
    Cut big = CutAll(Packet(204800, 1));
    EXPECT_TRUE(big.ok);
    EXPECT_EQ(big.packets.size(), 1u);
}

TEST(Framing, ErrorAfterGoodPacketsStillDeliversThem) {
    Bytes stream = Packet(8, 1);
    Bytes bad = Le32(3);
    stream.insert(stream.end(), bad.begin(), bad.end());
    stream.push_back(0);
    Cut c = CutAll(stream);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.packets.size(), 1u);
}
