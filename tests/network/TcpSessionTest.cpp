#include <gtest/gtest.h>

#include <mutex>

#include "network/PacketFramer.h"
#include "network/TcpSession.h"
#include "tests/support/TestSupport.h"

using namespace testing_support;

namespace {

class TestSession : public TcpSession {
public:
    ~TestSession() override { Stop(); }

    std::atomic<int> connects{0}, failures{0}, closes{0}, timers{0};
    std::function<bool(int failure)> retry = [](int) { return false; };

    std::vector<Bytes> Packets() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_packets;
    }
    bool ReconnectAllowed() const { return m_reconnectAllowed; }

protected:
    bool OnConnect(bool ok) override {
        if (ok) {
            ++connects;
            return true;
        }
        return retry(++failures);
    }
    bool OnReceive(const uint8_t* data, size_t size, size_t* consumed) override {
        return framing::CutPackets(data, size, consumed, [this](const uint8_t* p, size_t n) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_packets.emplace_back(p, p + n);
        });
    }
    void OnTimer() override { ++timers; }
    void OnClose() override { ++closes; }

private:
    std::mutex m_mutex;
    std::vector<Bytes> m_packets;
};

Bytes Numbered(uint32_t length, uint32_t command) {
    Bytes p = Packet(length, command);
    for (size_t i = 8; i < p.size(); ++i) p[i] = static_cast<uint8_t>(i * 7 + command);
    return p;
}

}  // namespace

TEST(TcpSession, CutsPacketsSplitAcrossReadsAndCoalesced) {
    LoopbackServer server;
    TestSession s;
    s.SetServer("127.0.0.1", server.Port());
    ASSERT_TRUE(s.Start());
    auto peer = server.Accept();
    ASSERT_TRUE(peer);

    Bytes a = Numbered(5000, 1), b = Numbered(8, 2), c = Numbered(70000, 3);
    ASSERT_TRUE(peer->Send(Bytes(a.begin(), a.begin() + 3)));  // not even a whole length
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(peer->Send(Bytes(a.begin() + 3, a.end())));
    Bytes rest = b;
    rest.insert(rest.end(), c.begin(), c.end());
    ASSERT_TRUE(peer->Send(rest));

    ASSERT_TRUE(WaitFor([&] { return s.Packets().size() == 3; }));
    EXPECT_EQ(s.Packets()[0], a);
    EXPECT_EQ(s.Packets()[1], b);
    EXPECT_EQ(s.Packets()[2], c);
    EXPECT_EQ(s.connects, 1);
    EXPECT_GT(s.timers, 0);
}

TEST(TcpSession, BadLengthClosesAndForbidsReconnect) {
    for (uint32_t bad : {3u, 204801u}) {
        LoopbackServer server;
        TestSession s;
        s.SetServer("127.0.0.1", server.Port());
        ASSERT_TRUE(s.Start());
        auto peer = server.Accept();
        ASSERT_TRUE(peer);
        Bytes data = Le32(bad);
        data.resize(16, 0);
        ASSERT_TRUE(peer->Send(data));
        EXPECT_TRUE(peer->WaitClosed()) << bad;
        EXPECT_TRUE(WaitFor([&] { return s.closes >= 1; }));
        EXPECT_FALSE(s.ReconnectAllowed());
        // The loop still connects again; the subclass decides from there.
        EXPECT_TRUE(server.Accept() != nullptr);
    }
}

TEST(TcpSession, PacketsPostedBeforeConnectGoOutWholeAndInOrder) {
    LoopbackServer server;
    TestSession s;
    s.SetServer("127.0.0.1", server.Port());
    Bytes small = Numbered(24, 7), big = Numbered(300 * 1024, 8), last = Numbered(100, 9);
    s.PostPacket(small.data(), small.size());
    s.PostPacket(big.data(), big.size());
    s.PostPacket(last.data(), last.size());
    ASSERT_TRUE(s.Start());
    auto peer = server.Accept();
    ASSERT_TRUE(peer);
    Bytes got;
    ASSERT_TRUE(peer->ReadPacket(&got));
    EXPECT_EQ(got, small);
    ASSERT_TRUE(peer->ReadPacket(&got));
    EXPECT_EQ(got, big);
    ASSERT_TRUE(peer->ReadPacket(&got));
    EXPECT_EQ(got, last);
}

TEST(TcpSession, TailLargerThanSendBufferCloses) {
    LoopbackServer server;
    TestSession s;
    s.SetServer("127.0.0.1", server.Port());
    ASSERT_TRUE(s.Start());
    auto peer = server.Accept();  // never reads
    ASSERT_TRUE(peer);
    Bytes huge = Numbered(1024 * 1024, 1);
    for (int i = 0; i < 24; ++i) s.PostPacket(huge.data(), huge.size());
    EXPECT_TRUE(WaitFor([&] { return s.closes >= 1; }, 10000));
}

TEST(TcpSession, StalledSendClosesAfterSixtySeconds) {
    LoopbackServer server;
    ManualClock clock;
    TestSession s;
    s.SetClock(&clock);
    s.SetServer("127.0.0.1", server.Port());
    ASSERT_TRUE(s.Start());
    auto peer = server.Accept();  // never reads
    ASSERT_TRUE(peer);
    Bytes chunk = Numbered(100 * 1024, 1);
    for (int i = 0; i < 250; ++i) s.PostPacket(chunk.data(), chunk.size());
    // Wait until the socket is full and the queue stops moving.
    size_t last = s.OutgoingCount();
    for (int stable = 0; stable < 10;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        size_t now = s.OutgoingCount();
        stable = now == last ? stable + 1 : 0;
        last = now;
    }
    ASSERT_GT(last, 0u);
    clock.Advance(59);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(s.closes, 0);
    clock.Advance(2);
    EXPECT_TRUE(WaitFor([&] { return s.closes >= 1; }));
}

TEST(TcpSession, ConnectFailureFollowsOnConnect) {
    TestSession s;
    s.SetRetryDelayMs(10);
    s.retry = [](int failure) { return failure < 3; };
    s.SetServer("127.0.0.1", UnusedPort());
    ASSERT_TRUE(s.Start());
    ASSERT_TRUE(WaitFor([&] { return !s.IsRunning(); }));
    EXPECT_EQ(s.failures, 3);
    EXPECT_EQ(s.connects, 0);
    EXPECT_EQ(s.State(), ConnectionState::Disconnected);
    // The ended thread keeps its handle until Stop.
    EXPECT_FALSE(s.Start());
    s.Stop();
    EXPECT_TRUE(s.Start());
}

TEST(TcpSession, UnresolvableHostCountsAsConnectFailure) {
    TestSession s;
    s.SetServer("no-such-host.invalid", 1);
    ASSERT_TRUE(s.Start());
    ASSERT_TRUE(WaitFor([&] { return !s.IsRunning(); }, 10000));
    EXPECT_EQ(s.failures, 1);
}

TEST(TcpSession, PeerCloseReconnects) {
    LoopbackServer server;
    TestSession s;
    s.SetServer("127.0.0.1", server.Port());
    ASSERT_TRUE(s.Start());
    auto first = server.Accept();
    ASSERT_TRUE(first);
    first->Close();
    auto second = server.Accept();
    ASSERT_TRUE(second);
    EXPECT_GE(s.closes, 1);
    EXPECT_TRUE(WaitFor([&] { return s.connects == 2; }));
    // Still working on the new connection.
    Bytes p = Numbered(40, 5);
    ASSERT_TRUE(second->Send(p));
    EXPECT_TRUE(WaitFor([&] { return !s.Packets().empty() && s.Packets().back() == p; }));
}

TEST(TcpSession, StopBeforeStartOnlyCloses) {
    TestSession s;
    Bytes p = Numbered(30, 1);
    s.PostPacket(p.data(), p.size());
    s.Stop();
    EXPECT_EQ(s.closes, 1);
    EXPECT_EQ(s.State(), ConnectionState::Disconnected);
    EXPECT_EQ(s.OutgoingCount(), 0u);
}

TEST(TcpSession, StopInterruptsTheRetryPause) {
    TestSession s;
    s.SetRetryDelayMs(60000);
    s.retry = [](int) { return true; };
    s.SetServer("127.0.0.1", UnusedPort());
    ASSERT_TRUE(s.Start());
    ASSERT_TRUE(WaitFor([&] { return s.failures >= 1; }));
    auto t0 = std::chrono::steady_clock::now();
    s.Stop();  // interrupts the 60 s retry pause
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_FALSE(s.IsRunning());
}
