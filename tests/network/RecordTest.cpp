#include <gtest/gtest.h>

#include <cstring>

#include "network/CloudRecord.h"
#include "tests/network/FakeCentral.h"

using namespace testing_support;

namespace {

Bytes QueryReply(uint16_t status, const std::string& base, const std::vector<std::string>& names) {
    std::string tail;
    for (const auto& n : names) tail += n + std::string(1, '\0');
    Bytes b = Packet(static_cast<uint32_t>(304 + tail.size()), 0x1014);
    PutLe16(b, 8, status);
    PutLe16(b, 10, static_cast<uint16_t>(names.size()));
    PutStr(b, 48, base.substr(0, 256));
    PutStr(b, 304, tail);
    return b;
}

struct States {
    static void Callback(int state, int value, int, void* user) {
        auto* self = static_cast<States*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->seen.emplace_back(state, value);
    }
    bool Has(int state, int value) {
        std::lock_guard<std::mutex> lock(mutex);
        for (auto& p : seen)
            if (p.first == state && p.second == value) return true;
        return false;
    }
    std::mutex mutex;
    std::vector<std::pair<int, int>> seen;
};

}  // namespace

TEST(RecordUrl, ReclocalhostIsReplacedByTheLoginHost) {
    EXPECT_EQ(CloudRecord::RewriteBaseUrl("http://reclocalhost:8080/rec/", "10.1.2.3"),
              "http://10.1.2.3:8080/rec/");
    EXPECT_EQ(CloudRecord::RewriteBaseUrl("http://RecLocalHost/rec/", "h"), "http://h/rec/");
    EXPECT_EQ(CloudRecord::RewriteBaseUrl("http://reclocalhost", "h"), "http://h");
    // A ":" in the path is not a port.
    EXPECT_EQ(CloudRecord::RewriteBaseUrl("http://reclocalhost/a:b/", "h"), "http://h/a:b/");
    EXPECT_EQ(CloudRecord::RewriteBaseUrl("http://other:80/x/", "h"), "http://other:80/x/");
    EXPECT_EQ(CloudRecord::RewriteBaseUrl("reclocalhost/x", "h"), "reclocalhost/x");
}

TEST(RecordReply, ParsesSortsAndBoundsItems) {
    Bytes reply = QueryReply(0, "http://reclocalhost:9/r/",
                             {"300_360.mp4", "100_160.avi", "noseparator.mp4", "200_260.mp4",
                              "100_130.mp4"});
    uint16_t status = 1;
    std::vector<RecordFile> files;
    ASSERT_TRUE(CloudRecord::ParseQueryReply(reply.data(), reply.size(), "host", &status, &files));
    EXPECT_EQ(status, 0);
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0].begin, 100);
    EXPECT_EQ(files[0].end, 160);  // equal begins keep the server's order
    EXPECT_EQ(files[1].end, 130);
    EXPECT_EQ(files[2].begin, 200);
    EXPECT_EQ(files[3].begin, 300);
    EXPECT_EQ(files[0].url, "http://host:9/r/100_160.avi");
}

TEST(RecordReply, NamesNeverReadPastThePacket) {
    // The count claims more names than there are, and the last one has
    // no NUL: parsing stops at the packet's end.
    Bytes reply = QueryReply(0, "http://x/", {"1_2.mp4"});
    PutLe16(reply, 10, 50);
    reply.push_back('9');
    reply.push_back('_');
    PutLe32(reply, 0, static_cast<uint32_t>(reply.size()));
    uint16_t status;
    std::vector<RecordFile> files;
    ASSERT_TRUE(CloudRecord::ParseQueryReply(reply.data(), reply.size(), "h", &status, &files));
    EXPECT_EQ(files.size(), 2u);
    EXPECT_FALSE(CloudRecord::ParseQueryReply(reply.data(), 300, "h", &status, &files));
}

TEST(RecordReply, LongUrlIsCutToItsStore) {
    Bytes reply = QueryReply(0, "http://x/" + std::string(240, 'p') + "/", {"1000_2000.mp4"});
    uint16_t status;
    std::vector<RecordFile> files;
    ASSERT_TRUE(CloudRecord::ParseQueryReply(reply.data(), reply.size(), "h", &status, &files));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].url.size(), 263u);
}

TEST(CloudRecordClient, LoginQueryItemsAgainstAFakeServer) {
    LoopbackServer server;
    States states;
    CloudRecord client;
    client.SetCallBack(&States::Callback, &states);
    ASSERT_TRUE(client.Login("127.0.0.1", server.Port(), "recuser", "recpass"));
    EXPECT_FALSE(client.Login("127.0.0.1", server.Port(), "recuser", "recpass"));
    auto peer = server.Accept();
    ASSERT_TRUE(peer);
    Bytes login;
    ASSERT_TRUE(peer->ReadCommand(0x1002, &login));
    ASSERT_EQ(login.size(), 116u);
    EXPECT_EQ(GetLe32(login, 8), 0x2001u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&login[12])), "recuser");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&login[48])), "recpass");
    ASSERT_TRUE(WaitFor([&] { return states.Has(0x101, 1); }));

    Bytes ok = Packet(12, 0x1004);
    ASSERT_TRUE(peer->Send(ok));
    ASSERT_TRUE(WaitFor([&] { return states.Has(0x102, 0); }));

    EXPECT_EQ(client.Query("cam-1", 1000, 5000), 1);
    Bytes query;
    ASSERT_TRUE(peer->ReadCommand(0x1012, &query));
    ASSERT_EQ(query.size(), 52u);
    EXPECT_EQ(GetLe32(query, 8), 1000u);
    EXPECT_EQ(GetLe32(query, 12), 5000u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&query[16])), "cam-1");

    ASSERT_TRUE(peer->Send(QueryReply(0, "http://reclocalhost:81/v/",
                                      {"3000_3600.mp4", "1000_1600.mp4", "2000_2600.mp4",
                                       "4000_4600.mp4", "5000_5600.mp4"})));
    ASSERT_TRUE(WaitFor([&] { return states.Has(0x103, 1); }));
    EXPECT_EQ(client.GetItemsCount(), 5);
    RecordItem items[2];
    int count = 2;
    EXPECT_EQ(client.GetItems(items, &count), 2);
    EXPECT_EQ(items[0].begin, 1000);
    EXPECT_EQ(items[0].duration, 600);
    EXPECT_STREQ(items[1].url, "http://127.0.0.1:81/v/2000_2600.mp4");
    EXPECT_EQ(client.GetItems(nullptr, &count), 0);
    EXPECT_EQ(client.GetItems(items, nullptr), 0);

    // A failed status still replaces the list, and reports 0.
    ASSERT_TRUE(peer->Send(QueryReply(3, "http://x/", {"7_8.mp4"})));
    ASSERT_TRUE(WaitFor([&] { return states.Has(0x103, 0); }));
    EXPECT_EQ(client.GetItemsCount(), 1);

    client.Logout();
    EXPECT_EQ(client.GetItemsCount(), 0);
}

TEST(CloudRecordClient, ConnectFailureEndsWithoutRetry) {
    States states;
    CloudRecord client;
    client.SetCallBack(&States::Callback, &states);
    ASSERT_TRUE(client.Login("127.0.0.1", UnusedPort(), "u", "p"));
    ASSERT_TRUE(WaitFor([&] { return states.Has(0x101, 0); }));
    ASSERT_TRUE(WaitFor([&] { return !client.IsRunning(); }));
    EXPECT_FALSE(client.Login("127.0.0.1", UnusedPort(), "u", "p"));
    client.Logout();
    EXPECT_TRUE(client.Login("127.0.0.1", UnusedPort(), "u", "p"));
}

TEST(CloudRecordClient, SilentServerIsDroppedAfterNinetySeconds) {
    LoopbackServer server;
    ManualClock clock;
    CloudRecord client;
    client.SetClock(&clock);
    ASSERT_TRUE(client.Login("127.0.0.1", server.Port(), "u", "p"));
    auto peer = server.Accept();
    ASSERT_TRUE(peer);
    ASSERT_TRUE(peer->Send(Packet(8, 0x1016)));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    clock.Advance(90);
    EXPECT_FALSE(peer->WaitClosed(150));
    clock.Advance(1);
    EXPECT_TRUE(peer->WaitClosed(2000));
    auto again = server.Accept();  // it connects and logs in again
    ASSERT_TRUE(again);
    Bytes login;
    EXPECT_TRUE(again->ReadCommand(0x1002, &login));
}
