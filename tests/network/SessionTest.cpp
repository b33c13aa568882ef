#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "network/PasswordDigest.h"
#include "network/SessionChannel.h"
#include "tests/network/FakeCentral.h"

using namespace testing_support;

namespace {

struct Event {
    int event, v1, v2;
};

class Recorder {
public:
    static void Callback(int e, int v1, int v2, void* user) {
        auto* self = static_cast<Recorder*>(user);
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_events.push_back({e, v1, v2});
    }
    std::vector<Event> Events() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    int Count(int e, int v1 = -1) {
        int n = 0;
        for (const Event& ev : Events())
            if (ev.event == e && (v1 == -1 || ev.v1 == v1)) ++n;
        return n;
    }
    bool Wait(int e, int v1 = -1, int timeoutMs = 5000) {
        return WaitFor([&] { return Count(e, v1) > 0; }, timeoutMs);
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.clear();
    }

private:
    std::mutex m_mutex;
    std::vector<Event> m_events;
};

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        session.SetCallBack(&Recorder::Callback, &events);
        session.SetRetryDelayMs(20);
    }
    // Logs in against `server` and answers the login request.
    std::unique_ptr<PeerConnection> LogIn(const std::string& rights = AllRights(),
                                          uint32_t clientId = 77, uint32_t expiry = 0) {
        EXPECT_EQ(session.Login("127.0.0.1", server.Port(), "demo", "demo", 0), 0);
        auto peer = server.Accept();
        if (!peer) return nullptr;
        Bytes req;
        EXPECT_TRUE(peer->ReadCommand(0x9002, &req));
        EXPECT_TRUE(peer->Send(LoginReply(0, clientId, expiry, rights)));
        EXPECT_TRUE(events.Wait(KELVO_SESSION_LOGGED_IN));
        return peer;
    }

    LoopbackServer server;
    Recorder events;
    ManualClock clock;  // outlives the session's thread
    SessionChannel session;
};

}  // namespace

TEST_F(SessionTest, LoginRequestCarriesUserAndDigest) {
    ASSERT_EQ(session.Login("127.0.0.1", server.Port(), "demo", "secret", 0), 0);
    auto peer = server.Accept();
    ASSERT_TRUE(peer);
    Bytes req;
    ASSERT_TRUE(peer->ReadCommand(0x9002, &req));
    ASSERT_EQ(req.size(), 96u);
    EXPECT_EQ(GetLe32(req, 8), 0x02000000u);
    EXPECT_EQ(GetLe32(req, 12), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&req[16])), "demo");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&req[52])), digest::PasswordDigest("secret"));
    EXPECT_EQ(req[52 + 32], 0);
    for (size_t i = 88; i < 96; ++i) EXPECT_EQ(req[i], 0);
    EXPECT_TRUE(events.Wait(KELVO_SESSION_CONNECTED));

    ASSERT_TRUE(peer->Send(LoginReply(0, 5, 0, AllRights())));
    EXPECT_TRUE(events.Wait(KELVO_SESSION_LOGGED_IN));
    Bytes pkt;
    EXPECT_TRUE(peer->ReadCommand(0x4002, &pkt));  // the directory follows
    EXPECT_EQ(pkt.size(), 44u);
}

TEST_F(SessionTest, RefusalsReportTheServerCodeAndKeepTheConnection) {
    for (uint16_t code : {3, 7, 9, 18, 21, 23, 99}) {
        events.Clear();
        ASSERT_EQ(session.Login("127.0.0.1", server.Port(), "demo", "bad", 0), 0);
        auto peer = server.Accept();
        ASSERT_TRUE(peer);
        Bytes req;
        ASSERT_TRUE(peer->ReadCommand(0x9002, &req));
        ASSERT_TRUE(peer->Send(LoginReply(code)));
        ASSERT_TRUE(events.Wait(KELVO_SESSION_FAILED, KELVO_FAIL_REFUSED)) << code;
        EXPECT_EQ(events.Events().back().v2, code);
        EXPECT_EQ(events.Count(KELVO_SESSION_LOGGED_IN), 0);
        EXPECT_FALSE(peer->WaitClosed(100));
        session.Logout();
    }
}

TEST_F(SessionTest, ConnectFailureBeforeLoginIsUnreachableAtOnce) {
    ASSERT_EQ(session.Login("127.0.0.1", UnusedPort(), "demo", "demo", 0), 0);
    ASSERT_TRUE(events.Wait(KELVO_SESSION_FAILED, KELVO_FAIL_UNREACHABLE));
    EXPECT_EQ(events.Count(KELVO_SESSION_RECONNECTING), 0);
    // The ended thread keeps its handle: Login fails until Logout.
    ASSERT_TRUE(WaitFor([&] { return !session.IsRunning(); }));
    EXPECT_EQ(session.Login("127.0.0.1", UnusedPort(), "demo", "demo", 0), -1);
    session.Logout();
    // A new login reports its failure again, though it equals the last one.
    events.Clear();
    ASSERT_EQ(session.Login("127.0.0.1", UnusedPort(), "demo", "demo", 0), 0);
    EXPECT_TRUE(events.Wait(KELVO_SESSION_FAILED, KELVO_FAIL_UNREACHABLE));
}

TEST_F(SessionTest, LostConnectionReconnectsTwiceThenGivesUp) {
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    server.Close();
    peer->Close();
    ASSERT_TRUE(events.Wait(KELVO_SESSION_FAILED, KELVO_FAIL_UNREACHABLE));
    std::vector<int> seen;
    for (const Event& e : events.Events())
        if (e.event == KELVO_SESSION_RECONNECTING) seen.push_back(e.v1);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST_F(SessionTest, ReconnectsAndLogsInAgainAfterALoss) {
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    peer->Close();
    auto again = server.Accept();
    ASSERT_TRUE(again);
    Bytes req;
    EXPECT_TRUE(again->ReadCommand(0x9002, &req));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&req[16])), "demo");
}

TEST_F(SessionTest, HeartbeatCadenceAndSilenceTimeout) {
    session.SetClock(&clock);
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    Bytes pkt;
    // Until the first reply a heartbeat goes out on every pass.
    ASSERT_TRUE(peer->ReadCommand(0x102C, &pkt));
    ASSERT_TRUE(peer->ReadCommand(0x102C, &pkt));
    ASSERT_TRUE(peer->Send(HeartbeatReply(1700000000)));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Drain what was sent before the reply arrived, then expect silence.
    while (peer->ReadPacket(&pkt, 50)) {
    }
    clock.Advance(30);
    EXPECT_FALSE(peer->ReadCommand(0x102C, &pkt, 150));
    clock.Advance(1);
    EXPECT_TRUE(peer->ReadCommand(0x102C, &pkt, 1000));
    // 90 s without a reply: the session drops and reconnects.
    clock.Advance(60);
    EXPECT_TRUE(peer->WaitClosed(2000));
    EXPECT_TRUE(server.Accept() != nullptr);
}

TEST_F(SessionTest, AccessCheckRunsWhenServerTimeMovesMoreThan240s) {
    const uint32_t t0 = 1700000000;
    auto peer = LogIn(AllRights(), 77, t0 + 100);
    ASSERT_TRUE(peer);
    ASSERT_TRUE(peer->Send(HeartbeatReply(t0)));  // first reply: checked, not expired
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(peer->Send(HeartbeatReply(t0 + 240)));  // expired, but not re-checked
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(events.Count(KELVO_SESSION_FAILED, KELVO_FAIL_EXPIRED), 0);
    ASSERT_TRUE(peer->Send(HeartbeatReply(t0 + 241)));
    EXPECT_TRUE(events.Wait(KELVO_SESSION_FAILED, KELVO_FAIL_EXPIRED));
}

TEST_F(SessionTest, ShortPacketsAreSkipped) {
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    // A heartbeat reply without the time field, a 5-byte packet, a login
    // reply too short to read: none may crash or change the state.
    Bytes shortBeat = Packet(16, 0x102C);
    Bytes tiny = Le32(5);
    tiny.push_back(1);
    Bytes shortLogin = Packet(12, 0x9004);
    ASSERT_TRUE(peer->Send(shortBeat));
    ASSERT_TRUE(peer->Send(tiny));
    ASSERT_TRUE(peer->Send(shortLogin));
    ASSERT_TRUE(peer->Send(HeartbeatReply(1700000000)));
    EXPECT_FALSE(peer->WaitClosed(200));
    EXPECT_EQ(events.Count(KELVO_SESSION_FAILED), 0);
}

TEST_F(SessionTest, RightsFromTheLoginReply) {
    auto peer = LogIn("<r><right ptz=\"2\" talk=\"0\" screen=\"abc\" video=\"1\" videonum=\"9\"/></r>");
    ASSERT_TRUE(peer);
    EXPECT_EQ(session.GetRightMask(), RIGHT_PTZ | RIGHT_VIDEO);
    EXPECT_EQ(session.GetMaxStream(), 9);
}

TEST_F(SessionTest, RightsTextLongerThanThePacketIsIgnored) {
    ASSERT_EQ(session.Login("127.0.0.1", server.Port(), "demo", "demo", 0), 0);
    auto peer = server.Accept();
    ASSERT_TRUE(peer);
    Bytes req;
    ASSERT_TRUE(peer->ReadCommand(0x9002, &req));
    Bytes reply = LoginReply(0, 1, 0, AllRights());
    PutLe32(reply, 24, 0xFFFFFFF0u);  // must not wrap around
    ASSERT_TRUE(peer->Send(reply));
    ASSERT_TRUE(events.Wait(KELVO_SESSION_LOGGED_IN));
    EXPECT_EQ(session.GetRightMask(), 0);
}

TEST_F(SessionTest, TwoCameraRepliesInOneSecondRaiseDirectoryReadyOnce) {
    session.SetClock(&clock);
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    ASSERT_TRUE(peer->Send(NodeReply({{"n1", "Site", ""}})));
    Bytes pkt;
    ASSERT_TRUE(peer->ReadCommand(0x4006, &pkt));
    EXPECT_EQ(pkt.size(), 44u);
    Bytes cams = CameraReply({{"c1", "Cam", "n1"}});
    ASSERT_TRUE(peer->Send(cams));
    ASSERT_TRUE(peer->Send(CameraReply({{"c2", "Cam2", "n1"}})));
    ASSERT_TRUE(WaitFor([&] { return session.GetCameraCount("n1") == 2; }));
    EXPECT_EQ(events.Count(KELVO_SESSION_DIRECTORY_READY), 1);
    clock.Advance(1);
    ASSERT_TRUE(peer->Send(CameraReply({{"c3", "Cam3", "n1"}})));
    EXPECT_TRUE(WaitFor([&] { return events.Count(KELVO_SESSION_DIRECTORY_READY) == 2; }));
    EXPECT_EQ(session.GetCameraCount("n1"), 3);  // each reply adds to the tree
}

TEST_F(SessionTest, BadNodeListLetsRefreshAskAgain) {
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    Bytes pkt;
    ASSERT_TRUE(peer->ReadCommand(0x4002, &pkt));
    Bytes bad = NodeReply({{"n1", "Site", ""}});
    bad.push_back(0);
    PutLe32(bad, 0, static_cast<uint32_t>(bad.size()));
    ASSERT_TRUE(peer->Send(bad));
    EXPECT_FALSE(peer->ReadCommand(0x4006, &pkt, 200));  // no camera request
    session.Refresh();
    EXPECT_TRUE(peer->ReadCommand(0x4002, &pkt));
}

TEST_F(SessionTest, DeviceMessagesCarryTheClientIdAndOnlyWhileConnected) {
    const uint8_t payload[] = {8, 0, 0x34, 0x12, 1, 2, 3, 4};
    session.PostDeviceMessage(1, 9, "cam", 1, payload, sizeof payload);  // dropped: not connected
    auto peer = LogIn(AllRights(), 0xABCD);
    ASSERT_TRUE(peer);
    session.PostDeviceMessage(1, 9, "cam", 1, payload, sizeof payload);
    Bytes msg;
    ASSERT_TRUE(peer->ReadCommand(0x400E, &msg));
    ASSERT_EQ(msg.size(), 64u + sizeof payload);
    EXPECT_EQ(GetLe32(msg, 8), 1u);
    EXPECT_EQ(GetLe32(msg, 12), 0xABCDu);
    EXPECT_EQ(GetLe32(msg, 16), 9u);
    EXPECT_EQ(GetLe32(msg, 20), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&msg[24])), "cam");
    EXPECT_EQ(GetLe32(msg, 60), sizeof payload);
    EXPECT_EQ(Bytes(msg.begin() + 64, msg.end()), Bytes(payload, payload + sizeof payload));
    EXPECT_FALSE(peer->ReadCommand(0x400E, &msg, 100));  // the early one never went
}

TEST_F(SessionTest, StreamRequestLayout) {
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    session.PostStreamRequest("camera-key", true);
    Bytes msg;
    ASSERT_TRUE(peer->ReadCommand(0x400A, &msg));
    ASSERT_EQ(msg.size(), 56u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&msg[8])), "camera-key");
    EXPECT_EQ(GetLe32(msg, 44), 0u);
    EXPECT_EQ(GetLe16(msg, 48), 1u);
}

namespace {

class FakeStream : public SessionStream {
public:
    explicit FakeStream(std::string key) : m_key(std::move(key)) {}
    std::string CameraKey() const override { return m_key; }
    void EndTalk() override { ++ended; }
    void OnTalkOpenReply(uint32_t, uint32_t, const uint8_t*, uint32_t) override { ++opens; }
    void OnTalkData(uint32_t, uint32_t, const uint8_t*, uint32_t n) override { dataBytes += n; }
    void OnTalkClosed(uint32_t, uint32_t, const uint8_t*, uint32_t) override { ++closes; }
    std::atomic<int> ended{0}, opens{0}, closes{0}, dataBytes{0};

private:
    std::string m_key;
};

Bytes TalkPayload(uint16_t inner, uint16_t result) {
    Bytes p(8, 0);
    PutLe16(p, 0, 8);
    PutLe16(p, 2, inner);
    PutLe16(p, 4, result);
    return p;
}

}  // namespace

TEST_F(SessionTest, TalkRepliesReachTheStreamInTheTalkMap) {
    FakeStream stream("cam-7");
    session.AddStream(&stream);
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    {
        platform::ScopedLock lock(session.Lock());
        session.TalkMap()[700] = "cam-7";
    }
    ASSERT_TRUE(peer->Send(DeviceMessageFromCamera(2, 999, 77, TalkPayload(0x4004, 0))));  // unknown
    ASSERT_TRUE(peer->Send(DeviceMessageFromCamera(2, 700, 77, TalkPayload(0x4006, 0))));
    ASSERT_TRUE(peer->Send(DeviceMessageFromCamera(2, 700, 77, TalkPayload(0x4004, 5))));
    ASSERT_TRUE(WaitFor([&] { return stream.opens == 1; }));
    EXPECT_EQ(stream.dataBytes, 8);
    {
        platform::ScopedLock lock(session.Lock());
        EXPECT_EQ(session.TalkMap().count(700), 0u);  // refused open removes the entry
    }
    session.RemoveStream(&stream);
}

TEST_F(SessionTest, LookupFindsTheLoginServer) {
    LoopbackUdp udp;
    session.SetLookupWaitMs(200);
    ASSERT_EQ(session.Login("127.0.0.1", udp.Port(), "demo", "demo", 0x100 | 1), 0);
    EXPECT_TRUE(events.Wait(KELVO_SESSION_CONNECTING));
    Bytes req;
    ASSERT_EQ(udp.Receive(&req, 2000), 80);
    EXPECT_EQ(GetLe32(req, 0), 80u);
    EXPECT_EQ(GetLe32(req, 4), 0x3002u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&req[8])), "demo");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&req[44])), digest::PasswordDigest("demo"));
    // An empty host keeps the configured one and takes the reply's port.
    Bytes reply(52, 0);
    PutLe16(reply, 48, server.Port());
    ASSERT_TRUE(udp.Reply(reply));
    EXPECT_TRUE(server.Accept() != nullptr);
}

TEST_F(SessionTest, LookupGivesUpAfterTenResendsIgnoringWrongSizes) {
    LoopbackUdp udp;
    session.SetLookupWaitMs(30);
    ASSERT_EQ(session.Login("127.0.0.1", udp.Port(), "demo", "demo", 1), 0);
    int sends = 0;
    Bytes req;
    while (udp.Receive(&req, 500) == 80) {
        ++sends;
        if (sends == 1) {
            ASSERT_TRUE(udp.Reply(Bytes(51, 0)));
        }
        if (sends == 2) {
            ASSERT_TRUE(udp.Reply(Bytes(53, 0)));
        }
    }
    EXPECT_EQ(sends, 11);
    EXPECT_TRUE(events.Wait(KELVO_SESSION_FAILED, KELVO_FAIL_UNREACHABLE));
    EXPECT_EQ(events.Count(KELVO_SESSION_FAILED), 1);
}

TEST_F(SessionTest, LookupRefusalCarriesTheCode) {
    LoopbackUdp udp;
    session.SetLookupWaitMs(200);
    ASSERT_EQ(session.Login("127.0.0.1", udp.Port(), "demo", "demo", 1), 0);
    Bytes req;
    ASSERT_EQ(udp.Receive(&req, 2000), 80);
    Bytes reply(52, 0);
    PutLe16(reply, 8, 7);
    ASSERT_TRUE(udp.Reply(reply));
    ASSERT_TRUE(events.Wait(KELVO_SESSION_FAILED, KELVO_FAIL_REFUSED));
    EXPECT_EQ(events.Events().back().v2, 7);
}

TEST(SessionLookupFlag, OnlyTheLowByteCounts) {
    LoopbackServer server;
    Recorder events;
    SessionChannel session;
    session.SetCallBack(&Recorder::Callback, &events);
    ASSERT_EQ(session.Login("127.0.0.1", server.Port(), "demo", "demo", 0x100), 0);
    EXPECT_TRUE(server.Accept() != nullptr);  // straight to TCP, no lookup
    EXPECT_EQ(events.Count(KELVO_SESSION_CONNECTING), 0);
}

TEST_F(SessionTest, RecordServerAddressFitsThirtyTwoBytes) {
    auto peer = LogIn();
    ASSERT_TRUE(peer);
    ASSERT_TRUE(peer->Send(NodeReply({{"n", "Site", ""}})));
    CameraSpec wide{"wide", "Wide", "n"};
    wide.relay = std::string(32, 'r');
    wide.basePort = 65535;
    CameraSpec plain{"plain", "Plain", "n"};
    plain.basePort = 8000;
    ASSERT_TRUE(peer->Send(CameraReply({wide, plain})));
    ASSERT_TRUE(events.Wait(KELVO_SESSION_DIRECTORY_READY));

    char address[40];
    std::memset(address, 0x7E, sizeof address);
    unsigned short port = 0;
    ASSERT_EQ(session.GetRecordServer("wide", address, &port), 1);
    EXPECT_EQ(std::string(address), std::string(31, 'r'));
    EXPECT_EQ(address[32], 0x7E);  // nothing written past 32 bytes
    EXPECT_EQ(port, 1);
    ASSERT_EQ(session.GetRecordServer("plain", address, nullptr), 1);
    EXPECT_STREQ(address, "127.0.0.1");  // empty relay: the central host
    EXPECT_EQ(session.GetRecordServer("nope", address, &port), 0);
    EXPECT_EQ(session.GetRecordServer(nullptr, address, &port), 0);
}
