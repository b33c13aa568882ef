// The simulator survives any client: abrupt disconnects in every state,
// garbage and random packets on every port, and a burst of 1000 connects.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "SimFixture.h"
#include "SimTestClient.h"

using namespace simtest;

namespace {

// Closes with a reset instead of an orderly shutdown.
void Abort(SimTestClient& c) {
    linger l{1, 0};
    setsockopt(c.Fd(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
    c.Close();
}

bool WaitNoConnections(SimFixture& f, int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t mark = 0;
    while (f.Sim().ConnectionCount() > 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        // Each closed connection logs a line: wait for the next one.
        mark = f.Mark();
        f.WaitLine(" close ", 200, mark);
    }
    return true;
}

// A full, well-behaved session still works.
void ExpectHealthy(SimFixture& f) {
    SimTestClient c;
    ASSERT_TRUE(c.Connect(f.Sim().CentralPort()));
    ASSERT_TRUE(c.Send(LoginRequest("demo", "demo")));
    auto r = c.ReadCommand(0x9004);
    ASSERT_TRUE(r);
    EXPECT_EQ(U16(*r, 8), 0);
    SimTestClient relay;
    ASSERT_TRUE(relay.Connect(f.Sim().RelayPort(0)));
    ASSERT_TRUE(relay.Send(RelayLogin("demo", "demo")));
    ASSERT_TRUE(relay.Send(RelayDownload("T1")));
    EXPECT_TRUE(relay.ReadCommand(0x1005, 5000));
}

TEST(Reliability, AbruptDisconnectsInEveryState) {
    SimFixture f;
    for (int round = 0; round < 3; ++round) {
        std::vector<std::unique_ptr<SimTestClient>> clients;
        auto add = [&](uint16_t port, std::vector<Bytes> sends, bool readOne) {
            auto c = std::make_unique<SimTestClient>();
            ASSERT_TRUE(c->Connect(port));
            for (auto& b : sends) c->Send(b);
            if (readOne) c->Read(2000);
            clients.push_back(std::move(c));
        };
        Bytes half = LoginRequest("demo", "demo");
        half.resize(50);
        add(f.Sim().CentralPort(), {}, false);
        add(f.Sim().CentralPort(), {half}, false);
        add(f.Sim().CentralPort(), {LoginRequest("demo", "demo"), StreamRequest("T1", 1), ListRequest(0x4006)}, true);
        add(f.Sim().CentralPort(), {LoginRequest("demo", "demo"),
                                    DeviceMessage(2, 0, 12, "T2", Bytes{12, 0, 2, 0x40, 0, 0, 0, 0, 0, 0, 0, 0})}, true);
        add(f.Sim().RelayPort(0), {RelayLogin("demo", "demo"), RelayDownload("T2"), RelayAudioCtrl(true)}, true);
        add(f.Sim().RelayPort(0), {RelayLogin("demo", "demo"), RelayDownload("T1")}, true);
        add(f.Sim().RecordPort(0), {RecordLogin("kqwz", "kqwz"), RecordQuery("T2", 0, 0xFFFFFFFF)}, true);
        for (size_t i = 0; i < clients.size(); ++i)
            if (i % 2) Abort(*clients[i]); else clients[i]->Close();
    }
    EXPECT_TRUE(WaitNoConnections(f));
    ExpectHealthy(f);
    // Talk held by a vanished client is free again.
    SimTestClient c;
    ASSERT_TRUE(c.Connect(f.Sim().CentralPort()));
    ASSERT_TRUE(c.Send(LoginRequest("demo", "demo")));
    uint32_t id = U32(c.ReadCommand(0x9004).value_or(Bytes(28)), 12);
    ASSERT_TRUE(c.Send(DeviceMessage(2, id, 12, "T2", Bytes{12, 0, 2, 0x40, 0, 0, 0, 0, 0, 0, 0, 0})));
    auto r = c.ReadCommand(0x400E);
    ASSERT_TRUE(r);
    EXPECT_EQ(U16(*r, 68), 0);
}

TEST(Reliability, GarbageAndRandomPacketsOnEveryPort) {
    SimFixture f;
    std::mt19937 rng(7);
    const uint32_t commands[] = {0x102C, 0x9002, 0x4002, 0x4006, 0x400A, 0x400E, 0x1001,
                                 0x1009, 0x1012, 0x1002, 0x1016, 0x1005, 0x3002};
    for (uint16_t port : {f.Sim().CentralPort(), f.Sim().RelayPort(0), f.Sim().RecordPort(0)}) {
        // Pure noise: the length field is nonsense and the server hangs up.
        for (int i = 0; i < 20; ++i) {
            SimTestClient c;
            ASSERT_TRUE(c.Connect(port));
            Bytes noise(1 + rng() % 600);
            for (auto& b : noise) b = static_cast<uint8_t>(rng());
            noise[3] = 0x80;  // length far beyond the limit
            c.Send(noise);
            EXPECT_TRUE(c.WaitClosed(3000));
        }
        // Well-framed packets of known commands with random bodies and sizes,
        // after a real login so that every handler is reached.
        for (int i = 0; i < 30; ++i) {
            SimTestClient c;
            ASSERT_TRUE(c.Connect(port));
            if (port == f.Sim().CentralPort()) c.Send(LoginRequest("demo", "demo"));
            if (port == f.Sim().RelayPort(0)) c.Send(RelayLogin("demo", "demo"));
            if (port == f.Sim().RecordPort(0)) c.Send(RecordLogin("kqwz", "kqwz"));
            for (int k = 0; k < 20; ++k) {
                uint32_t len = 4 + rng() % 300;
                Bytes p(len);
                for (auto& b : p) b = static_cast<uint8_t>(rng());
                p[0] = static_cast<uint8_t>(len);
                p[1] = static_cast<uint8_t>(len >> 8);
                p[2] = p[3] = 0;
                if (len >= 8) {
                    uint32_t cmd = commands[rng() % (sizeof commands / sizeof commands[0])];
                    for (int b = 0; b < 4; ++b) p[4 + b] = static_cast<uint8_t>(cmd >> (8 * b));
                }
                c.Send(p);
            }
            c.Read(20);
        }
    }
    EXPECT_TRUE(WaitNoConnections(f));
    ExpectHealthy(f);
}

TEST(Reliability, ThousandConnectsInABurst) {
    SimFixture f;
    auto t0 = std::chrono::steady_clock::now();
    int ok = 0;
    for (int i = 0; i < 1000; ++i) {
        SimTestClient c;
        if (!c.Connect(f.Sim().CentralPort())) continue;
        if (i % 10 == 0) c.Send(Heartbeat());
        ++ok;
        if (i % 2) Abort(c);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(ok, 1000);
    std::printf("1000 connects in %.2f s (%.0f/s)\n", seconds, 1000 / seconds);
    EXPECT_TRUE(WaitNoConnections(f, 15000));
    ExpectHealthy(f);
}

}  // namespace
