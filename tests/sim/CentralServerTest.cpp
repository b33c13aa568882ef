// The central server seen from a client: login and every refusal, rights,
// heartbeats, directory replies, stream requests, PTZ and talk, the UDP
// lookup, and the central fault switches.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "SimFixture.h"
#include "SimTestClient.h"

using namespace simtest;

namespace {

constexpr uint32_t kLoginResp = 0x9004, kHeartbeat = 0x102C, kNodeReq = 0x4002, kNodeResp = 0x4004,
                   kCamReq = 0x4006, kCamResp = 0x4008, kStreamReq = 0x400A, kDevice = 0x400E;

// Logs in and returns the login reply.
Bytes Login(SimTestClient& c, SimFixture& f, const std::string& user, const std::string& pw,
            uint32_t version = 0x02000000) {
    EXPECT_TRUE(c.Connect(f.Sim().CentralPort()));
    EXPECT_TRUE(c.Send(LoginRequest(user, pw, version)));
    auto r = c.ReadCommand(kLoginResp);
    EXPECT_TRUE(r.has_value());
    return r.value_or(Bytes(28, 0xFF));
}

TEST(CentralServer, AcceptedLoginCarriesIdentifierRightsAndServesTheDirectory) {
    SimFixture f;
    SimTestClient c;
    Bytes r = Login(c, f, "demo", "demo");
    ASSERT_GE(r.size(), 28u);
    EXPECT_EQ(U16(r, 8), 0);
    EXPECT_NE(U32(r, 12), 0u);
    EXPECT_EQ(U32(r, 20), 0u);
    uint32_t n = U32(r, 24);
    ASSERT_EQ(r.size(), 28u + n);
    TiXmlDocument doc;
    doc.Parse(std::string(r.begin() + 28, r.end()).c_str());
    ASSERT_FALSE(doc.Error());
    EXPECT_STREQ(doc.RootElement()->FirstChildElement("right")->Attribute("videonum"), "9");
    EXPECT_TRUE(f.WaitLine("login demo ok"));

    ASSERT_TRUE(c.Send(Heartbeat()));
    auto hb = c.ReadCommand(kHeartbeat);
    ASSERT_TRUE(hb);
    ASSERT_EQ(hb->size(), 24u);
    EXPECT_NEAR(static_cast<double>(U32(*hb, 16)), static_cast<double>(time(nullptr)), 5.0);

    ASSERT_TRUE(c.Send(ListRequest(kNodeReq)));
    auto nodes = c.ReadCommand(kNodeResp);
    ASSERT_TRUE(nodes);
    ASSERT_EQ(U32(*nodes, 8), 2u);
    ASSERT_EQ(nodes->size(), 12u + 144u * 2);
    EXPECT_EQ(Text(*nodes, 12 + 4, 36), "S1");
    EXPECT_EQ(Text(*nodes, 12 + 144 + 76, 36), "S1");  // S11's parent
    EXPECT_EQ(Text(*nodes, 12 + 40, 36), std::string("\xB2\xE2\xCA\xD4\xD5\xBE\xB5\xE3"));  // 测试站点 in GBK

    // Three cameras at two per reply: two replies, each exactly sized.
    ASSERT_TRUE(c.Send(ListRequest(kCamReq)));
    std::vector<Bytes> cams;
    for (int i = 0; i < 2; ++i) {
        auto p = c.ReadCommand(kCamResp);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->size(), 12u + 196u * U32(*p, 8));
        for (uint32_t k = 0; k < U32(*p, 8); ++k) cams.emplace_back(p->begin() + 12 + 196 * k, p->begin() + 12 + 196 * (k + 1));
    }
    ASSERT_EQ(cams.size(), 3u);
    EXPECT_EQ(Text(cams[0], 12, 36), "T1");
    EXPECT_EQ(U32(cams[0], 4), 1u);
    EXPECT_EQ(U32(cams[0], 8), 11u);
    EXPECT_EQ(Text(cams[0], 84, 36), "S11");
    EXPECT_EQ(Text(cams[0], 156, 32), "127.0.0.1");
    EXPECT_EQ(U16(cams[0], 188) + 2, f.Sim().RecordPort(0));
    EXPECT_EQ(U16(cams[0], 192), f.Sim().RelayPort(0));
    EXPECT_NE(U32(cams[2], 4), 1u);  // T3 is offline
}

TEST(CentralServer, RefusesWithEveryResultCode) {
    SimFixture f;
    struct Case { std::string user, pw; uint32_t version; int code; } cases[] = {
        {"demo", "wrong", 0x02000000, 7}, {"nobody", "demo", 0x02000000, 7},
        {"busy", "busy", 0x02000000, 9},  {"demo", "demo", 0x01000000, 21},
    };
    for (const auto& k : cases) {
        SimTestClient c;
        Bytes r = Login(c, f, k.user, k.pw, k.version);
        EXPECT_EQ(U16(r, 8), k.code) << k.user;
        EXPECT_EQ(r.size(), 28u);
        // A refused session is not served.
        ASSERT_TRUE(c.Send(ListRequest(kNodeReq)));
        EXPECT_FALSE(c.ReadCommand(kNodeResp, 300)) << k.user;
    }
    // The expiry is the client's to judge: the login passes and names it.
    SimTestClient e;
    Bytes r = Login(e, f, "expired", "expired");
    EXPECT_EQ(U16(r, 8), 0);
    EXPECT_EQ(U32(r, 20), 1000u);
    // One login at a time for "single"; freed when the first one leaves.
    SimTestClient s1, s2, s3;
    EXPECT_EQ(U16(Login(s1, f, "single", "single"), 8), 0);
    EXPECT_EQ(U16(Login(s2, f, "single", "single"), 8), 23);
    size_t mark = f.Mark();
    s1.Close();
    ASSERT_TRUE(f.WaitLine("logout single", 3000, mark));
    EXPECT_EQ(U16(Login(s3, f, "single", "single"), 8), 0);
}

TEST(CentralServer, RelayHostAsTheScenarioGivesIt) {
    SimFixture f([](sim::Scenario& sc) {
        sc.relays[0].host = "";  // the client is to fill in the central server's host
        sc.relays[0].hostSet = true;
    });
    SimTestClient c;
    Bytes r = Login(c, f, "demo", "demo");
    ASSERT_TRUE(c.Send(ListRequest(kCamReq)));
    auto p = c.ReadCommand(kCamResp);
    ASSERT_TRUE(p);
    EXPECT_EQ(Text(*p, 12 + 156, 32), "");
    EXPECT_EQ(U16(*p, 12 + 192), f.Sim().RelayPort(0));
}

TEST(CentralServer, ForcedRefusalFault) {
    SimFixture f([](sim::Scenario& sc) { sc.faults.refuseLogins = 24; });
    SimTestClient c;
    EXPECT_EQ(U16(Login(c, f, "demo", "demo"), 8), 24);
}

TEST(CentralServer, StreamRequestsAndPtzMoveTheCamera) {
    SimFixture f;
    SimTestClient c;
    Bytes r = Login(c, f, "demo", "demo");
    uint32_t id = U32(r, 12);
    ASSERT_TRUE(c.Send(StreamRequest("T1", 1)));
    ASSERT_TRUE(c.ReadCommand(kStreamReq));
    EXPECT_TRUE(f.WaitLine("stream start T1"));
    EXPECT_TRUE(f.Sim().State().StreamRequested("T1"));

    Bytes right = {12, 0, 3, 0, 100, 0, 0, 0, 0, 0, 0, 0};  // pan right at full speed
    ASSERT_TRUE(c.Send(DeviceMessage(1, id, 11, "T1", right)));
    auto reply = c.ReadCommand(kDevice);
    ASSERT_TRUE(reply);
    EXPECT_EQ(U32(*reply, 8), 1u);
    EXPECT_EQ(U32(*reply, 12), 11u);  // from the device
    EXPECT_EQ(U32(*reply, 16), id);
    std::string line;
    ASSERT_TRUE(f.WaitLine("ptz T1 cmd=3 param=100", 3000, 0, &line));
    EXPECT_NE(line.find("pan="), std::string::npos);
    // Moving: the position grows until the stop command.
    double before = f.Sim().State().PtzAt("T1").pan;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (f.Sim().State().PtzAt("T1").pan <= before && std::chrono::steady_clock::now() < deadline) {}
    EXPECT_GT(f.Sim().State().PtzAt("T1").pan, before);
    Bytes stop = {12, 0, 4, 0, 100, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(c.Send(DeviceMessage(1, id, 11, "T1", stop)));
    ASSERT_TRUE(f.WaitLine("ptz T1 cmd=4"));
    EXPECT_GT(f.Sim().State().PtzAt("T1").pan, 0.0);
    // A camera without PTZ says so.
    ASSERT_TRUE(c.Send(DeviceMessage(1, id, 12, "T2", right)));
    EXPECT_TRUE(f.WaitLine("ptz T2 cmd=3 param=100 unsupported"));
    ASSERT_TRUE(c.Send(StreamRequest("T1", 0)));
    EXPECT_TRUE(f.WaitLine("stream stop T1"));
}

TEST(CentralServer, TalkIsAnsweredEchoedAndExclusivePerDevice) {
    SimFixture f;
    SimTestClient a, b;
    uint32_t idA = U32(Login(a, f, "demo", "demo"), 12);
    uint32_t idB = U32(Login(b, f, "demo", "demo"), 12);
    Bytes open = {12, 0, 0x02, 0x40, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(a.Send(DeviceMessage(2, idA, 12, "T2", open)));
    auto r = a.ReadCommand(kDevice);
    ASSERT_TRUE(r);
    EXPECT_EQ(U32(*r, 8), 2u);
    EXPECT_EQ(U32(*r, 12), 12u);
    EXPECT_EQ(Text(*r, 24, 36), "T2");
    ASSERT_GE(U32(*r, 60), 6u);
    EXPECT_EQ(U16(*r, 64 + 2), 0x4004);
    EXPECT_EQ(U16(*r, 64 + 4), 0);
    // The device already talks with A.
    ASSERT_TRUE(b.Send(DeviceMessage(2, idB, 12, "T2", open)));
    r = b.ReadCommand(kDevice);
    ASSERT_TRUE(r);
    EXPECT_NE(U16(*r, 64 + 4), 0);

    Bytes data = {8, 0, 0x06, 0x40, 1, 2, 3, 4};
    ASSERT_TRUE(b.Send(DeviceMessage(2, idB, 12, "T2", data)));  // B holds no talk
    EXPECT_TRUE(f.WaitLine("talk data T2 ignored"));
    ASSERT_TRUE(a.Send(DeviceMessage(2, idA, 12, "T2", data)));
    r = a.ReadCommand(kDevice);
    ASSERT_TRUE(r);
    EXPECT_EQ(Bytes(r->begin() + 64, r->end()), data);

    Bytes close = {4, 0, 0x08, 0x40};
    ASSERT_TRUE(a.Send(DeviceMessage(2, idA, 12, "T2", close)));
    r = a.ReadCommand(kDevice);
    ASSERT_TRUE(r);
    EXPECT_EQ(U16(*r, 64 + 2), 0x4008);
    ASSERT_TRUE(b.Send(DeviceMessage(2, idB, 12, "T2", open)));
    r = b.ReadCommand(kDevice);
    ASSERT_TRUE(r);
    EXPECT_EQ(U16(*r, 64 + 4), 0);
    // A device message whose payload length runs past the packet is dropped.
    Bytes bad = DeviceMessage(2, idA, 12, "T2", open);
    bad[60] = 200;
    ASSERT_TRUE(a.Send(bad));
    EXPECT_TRUE(f.WaitLine("device message malformed"));
}

int Udp(uint16_t port, const Bytes& req, Bytes* reply, int timeoutMs) {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, req.data(), req.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    pollfd p{fd, POLLIN, 0};
    int n = -1;
    if (::poll(&p, 1, timeoutMs) > 0) {
        reply->resize(512);
        n = static_cast<int>(::recv(fd, reply->data(), reply->size(), 0));
        reply->resize(n > 0 ? n : 0);
    }
    ::close(fd);
    return n;
}

TEST(CentralServer, UdpLookupAnswersOnTheSamePort) {
    SimFixture f;
    Bytes reply;
    ASSERT_EQ(Udp(f.Sim().CentralPort(), LookupRequest("demo", "demo"), &reply, 3000), 52);
    EXPECT_EQ(U16(reply, 8), 0);
    EXPECT_EQ(U16(reply, 48), f.Sim().CentralPort());
    ASSERT_EQ(Udp(f.Sim().CentralPort(), LookupRequest("demo", "nope"), &reply, 3000), 52);
    EXPECT_EQ(U16(reply, 8), 7);
    Bytes shortReq = LookupRequest("demo", "demo");
    shortReq.pop_back();
    EXPECT_EQ(Udp(f.Sim().CentralPort(), shortReq, &reply, 300), -1);
}

TEST(CentralFaults, SilencedHeartbeatsMalformedPacketsAndDroppedConnections) {
    {
        SimFixture f([](sim::Scenario& sc) { sc.faults.stopHeartbeats = true; sc.faults.malformed = "central-short"; });
        SimTestClient c;
        ASSERT_TRUE(c.Connect(f.Sim().CentralPort()));
        ASSERT_TRUE(c.Send(LoginRequest("demo", "demo")));
        ASSERT_TRUE(c.ReadCommand(kLoginResp));
        ASSERT_TRUE(c.Send(Heartbeat()));
        auto next = c.Read(500);
        EXPECT_FALSE(next);  // the length-3 packet reads as nothing; no heartbeat came
        ASSERT_TRUE(f.WaitLine("fault central-short sent to demo"));
    }
    {
        SimFixture f([](sim::Scenario& sc) { sc.faults.dropAfterSeconds = 1; sc.faults.malformed = "central-badlist"; });
        SimTestClient c;
        ASSERT_TRUE(c.Connect(f.Sim().CentralPort()));
        ASSERT_TRUE(c.Send(LoginRequest("demo", "demo")));
        ASSERT_TRUE(c.ReadCommand(kLoginResp));
        ASSERT_TRUE(c.Send(ListRequest(kCamReq)));
        auto p = c.ReadCommand(kCamResp);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->size(), 12u + 196u * U32(*p, 8) + 1);
        EXPECT_TRUE(c.WaitClosed(4000));
    }
    {
        SimFixture f([](sim::Scenario& sc) { sc.faults.malformed = "central-emptynode"; });
        SimTestClient c;
        ASSERT_TRUE(c.Connect(f.Sim().CentralPort()));
        ASSERT_TRUE(c.Send(LoginRequest("demo", "demo")));
        ASSERT_TRUE(c.ReadCommand(kLoginResp));
        ASSERT_TRUE(c.Send(ListRequest(kNodeReq)));
        auto p = c.ReadCommand(kNodeResp);
        ASSERT_TRUE(p);
        ASSERT_EQ(U32(*p, 8), 3u);
        ASSERT_EQ(p->size(), 12u + 144u * 3);
        EXPECT_EQ(Text(*p, 12 + 2 * 144 + 4, 36), "");
    }
}

}  // namespace
