// The record server and its HTTP file server seen from the record client:
// fixed-account login, keep-alives, query replies, and serving the clip
// with Range requests.
#include <gtest/gtest.h>
#include <httplib.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <ctime>
#include <fstream>
#include <iterator>

#include "SimFixture.h"
#include "SimTestClient.h"

using namespace simtest;

namespace {

constexpr uint32_t kLoginResp = 0x1004, kQueryResp = 0x1014, kKeepAlive = 0x1016;

struct QueryReply {
    uint16_t status = 0xFFFF;
    std::string base;
    std::vector<std::string> names;
};

QueryReply Query(SimTestClient& c, const std::string& key, uint32_t begin, uint32_t end) {
    QueryReply q;
    EXPECT_TRUE(c.Send(RecordQuery(key, begin, end)));
    auto r = c.ReadCommand(kQueryResp);
    if (!r || r->size() < 304) {
        ADD_FAILURE() << "no query reply";
        return q;
    }
    q.status = U16(*r, 8);
    q.base = Text(*r, 48, 256);
    size_t off = 304;
    for (int i = 0; i < U16(*r, 10); ++i) {
        std::string name(reinterpret_cast<const char*>(r->data() + off));
        EXPECT_LT(off + name.size(), r->size());
        q.names.push_back(name);
        off += name.size() + 1;
    }
    EXPECT_EQ(off, r->size()) << "the names fill the reply exactly";
    return q;
}

TEST(RecordServer, FixedAccountLoginKeepAliveAndQueries) {
    SimFixture f;
    SimTestClient bad;
    ASSERT_TRUE(bad.Connect(f.Sim().RecordPort(0)));
    ASSERT_TRUE(bad.Send(RecordLogin("demo", "demo")));
    auto r = bad.ReadCommand(kLoginResp);
    ASSERT_TRUE(r);
    EXPECT_NE(U16(*r, 8), 0);

    SimTestClient c;
    ASSERT_TRUE(c.Connect(f.Sim().RecordPort(0)));
    ASSERT_TRUE(c.Send(RecordLogin("kqwz", "kqwz")));
    r = c.ReadCommand(kLoginResp);
    ASSERT_TRUE(r);
    EXPECT_EQ(U16(*r, 8), 0);
    EXPECT_TRUE(c.ReadCommand(kKeepAlive, 2500));  // every second in this scenario

    uint32_t now = static_cast<uint32_t>(time(nullptr));
    QueryReply q = Query(c, "T2", now - 86400, now);
    EXPECT_EQ(q.status, 0);
    ASSERT_GE(q.names.size(), 23u);
    std::string prefix = "http://reclocalhost:" + std::to_string(f.Sim().HttpPort()) + "/rec/T2/";
    EXPECT_EQ(q.base, prefix);
    long long lastBegin = 0;
    for (const std::string& n : q.names) {
        // "<begin>_<end>.ext": the client strips 4 characters after the "_".
        size_t us = n.rfind('_');
        ASSERT_NE(us, std::string::npos) << n;
        ASSERT_EQ(n.size() - n.rfind('.'), 4u) << n;
        long long b = std::stoll(n.substr(0, us));
        long long e = std::stoll(n.substr(us + 1, n.size() - us - 5));
        EXPECT_EQ(e - b, 600);
        EXPECT_GT(b, lastBegin);
        EXPECT_LE(e, now + 5);
        lastBegin = b;
    }
    QueryReply none = Query(c, "T1", now - 86400, now);
    EXPECT_EQ(none.status, 0);
    EXPECT_TRUE(none.names.empty());
    EXPECT_NE(Query(c, "NOPE", now - 86400, now).status, 0);
    EXPECT_TRUE(f.WaitLine("rec1 query T2"));
}

TEST(RecordServer, BadNameFaultAddsANameWithoutUnderscore) {
    SimFixture f([](sim::Scenario& sc) { sc.faults.malformed = "record-badname"; });
    SimTestClient c;
    ASSERT_TRUE(c.Connect(f.Sim().RecordPort(0)));
    ASSERT_TRUE(c.Send(RecordLogin("kqwz", "kqwz")));
    ASSERT_TRUE(c.ReadCommand(kLoginResp));
    uint32_t now = static_cast<uint32_t>(time(nullptr));
    QueryReply q = Query(c, "T2", now - 7200, now);
    ASSERT_GE(q.names.size(), 2u);
    EXPECT_EQ(q.names.front(), "badname.mp4");
}

TEST(RecordServer, HttpServesTheClipWithRanges) {
    SimFixture f;
    SimTestClient c;
    ASSERT_TRUE(c.Connect(f.Sim().RecordPort(0)));
    ASSERT_TRUE(c.Send(RecordLogin("kqwz", "kqwz")));
    ASSERT_TRUE(c.ReadCommand(kLoginResp));
    uint32_t now = static_cast<uint32_t>(time(nullptr));
    QueryReply q = Query(c, "T2", now - 7200, now);
    ASSERT_FALSE(q.names.empty());
    std::string path = "/rec/T2/" + q.names.front();

    httplib::Client http("127.0.0.1", f.Sim().HttpPort());
    auto whole = http.Get(path.c_str());
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->status, 200);
    ASSERT_GT(whole->body.size(), 1000u);
    auto part = http.Get(path.c_str(), {{"Range", "bytes=100-199"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, whole->body.substr(100, 100));
    auto missing = http.Get("/rec/T1/1_2.mp4");  // T1 keeps no recordings
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
    auto badName = http.Get("/rec/T2/notafile.mp4");
    ASSERT_TRUE(badName);
    EXPECT_EQ(badName->status, 404);

    // What was served is a playable H.264 MP4 of the scenario's clip length.
    std::string file = "/tmp/kelvosim-http-test-" + std::to_string(getpid()) + ".mp4";
    std::ofstream(file, std::ios::binary) << whole->body;
    AVFormatContext* fmt = nullptr;
    ASSERT_EQ(avformat_open_input(&fmt, file.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(fmt, nullptr), 0);
    ASSERT_EQ(fmt->nb_streams, 1u);
    EXPECT_EQ(fmt->streams[0]->codecpar->codec_id, AV_CODEC_ID_H264);
    EXPECT_EQ(fmt->streams[0]->codecpar->width, 352);
    EXPECT_NEAR(fmt->duration / 1e6, f.Sim().Config().clipSeconds, 0.3);
    avformat_close_input(&fmt);
    std::remove(file.c_str());
}

uint16_t LoginResult(SimFixture& f) {
    SimTestClient c;
    EXPECT_TRUE(c.Connect(f.Sim().CentralPort()));
    EXPECT_TRUE(c.Send(LoginRequest("demo", "demo")));
    auto r = c.ReadCommand(0x9004);
    return r ? U16(*r, 8) : 0xFFFF;
}

TEST(ControlPath, StateFaultsAndDrops) {
    SimFixture f;
    httplib::Client http("127.0.0.1", f.Sim().HttpPort());
    auto r = http.Get("/sim/state");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_NE(r->body.find("\"ptz\""), std::string::npos);
    EXPECT_NE(r->body.find("\"demo\":0"), std::string::npos);

    r = http.Post("/sim/fault?set=refuseLogins%3D9", "", "text/plain");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(LoginResult(f), 9);
    r = http.Post("/sim/fault?refuseLogins=0", "", "text/plain");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(LoginResult(f), 0);
    r = http.Post("/sim/fault?set=malformed%3Dnever", "", "text/plain");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 400);

    SimTestClient central, record;
    ASSERT_TRUE(central.Connect(f.Sim().CentralPort()));
    ASSERT_TRUE(record.Connect(f.Sim().RecordPort(0)));
    ASSERT_TRUE(central.Send(LoginRequest("demo", "demo")));
    ASSERT_TRUE(central.ReadCommand(0x9004));
    r = http.Post("/sim/drop?server=central", "", "text/plain");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_TRUE(central.WaitClosed(3000));
    EXPECT_FALSE(record.WaitClosed(300));
    r = http.Post("/sim/drop?server=everything", "", "text/plain");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 400);
}

}  // namespace
