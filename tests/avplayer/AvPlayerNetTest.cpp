// The player over HTTP: recordings served by the real simulator, its 404,
// and servers that stall before or during the transfer.
#include "AvPlayer.h"
#include "SimProcess.h"
#include "StallServer.h"
#include "TestClip.h"
#include "WaitFor.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <iterator>
#include <memory>

using avtest::MsSince;
using avtest::WaitFor;
using kelvo::AvPlayer;
using Clock = std::chrono::steady_clock;

namespace {

class AvPlayerSimTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_cache = std::make_unique<kelvo::testsupport::TempDir>();
        s_sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--scenario", AVPLAYER_SIM_SCENARIO, "--port", "0", "--cache-dir", s_cache->Path()});
        s_ready = s_sim->WaitReady();
    }
    static void TearDownTestSuite() {
        s_sim.reset();
        s_cache.reset();
    }
    void SetUp() override { ASSERT_TRUE(s_ready) << s_sim->Stderr(); }
    static std::string Url(const std::string& path) {
        return "http://127.0.0.1:" + std::to_string(s_sim->http) + path;
    }

    static std::unique_ptr<kelvo::testsupport::TempDir> s_cache;
    static std::unique_ptr<simtest::SimProcess> s_sim;
    static bool s_ready;
};
std::unique_ptr<kelvo::testsupport::TempDir> AvPlayerSimTest::s_cache;
std::unique_ptr<simtest::SimProcess> AvPlayerSimTest::s_sim;
bool AvPlayerSimTest::s_ready = false;

TEST_F(AvPlayerSimTest, PlaysARecordingToItsEnd) {
    auto player = AvPlayer::Create(nullptr, nullptr);
    size_t mark = s_sim->Mark();
    ASSERT_TRUE(player->Open(Url("/rec/T2/1700000000_1700000600.mp4")));
    EXPECT_TRUE(s_sim->WaitLine("http get /rec/T2/1700000000_1700000600.mp4", 2000, mark));
    EXPECT_NEAR(player->GetDuration(), 1.0, 0.11);  // clipSeconds of the scenario
    ASSERT_TRUE(player->Play());
    Clock::time_point t0 = Clock::now();
    bool ended = false;
    while (!ended && MsSince(t0) < 5000) ended = player->WaitCompletion(300);
    ASSERT_TRUE(ended);
    EXPECT_FALSE(player->PlaybackFailed());
    EXPECT_EQ(player->PictureCount(), 10u);  // 1 s at 10 frames per second
    kelvo::PlayerPicture last;
    ASSERT_TRUE(player->CopyPicture(&last));
    EXPECT_EQ(last.width, 352);
    EXPECT_EQ(last.height, 288);
    EXPECT_NEAR(player->GetCurrentDuration(), 0.9, 0.01);
}

TEST_F(AvPlayerSimTest, MissingRecordingIsReportedAtOnce) {
    auto player = AvPlayer::Create(nullptr, nullptr);
    size_t mark = s_sim->Mark();
    Clock::time_point t0 = Clock::now();
    // T1 keeps no recordings: the server answers 404.
    EXPECT_FALSE(player->Open(Url("/rec/T1/1700000000_1700000600.mp4")));
    EXPECT_LT(MsSince(t0), 1000);
    EXPECT_TRUE(s_sim->WaitLine("http 404 /rec/T1/1700000000_1700000600.mp4", 2000, mark));
    EXPECT_FALSE(player->Play());
    EXPECT_TRUE(player->WaitCompletion(300));
}

TEST(AvPlayerStallTest, SilentServerTimesOutOpen) {
    avtest::StallServer server;
    ASSERT_NE(server.Port(), 0);
    auto player = AvPlayer::Create(nullptr, nullptr);
    Clock::time_point t0 = Clock::now();
    EXPECT_FALSE(player->Open("http://127.0.0.1:" + std::to_string(server.Port()) + "/rec/x.mp4"));
    int64_t ms = MsSince(t0);
    EXPECT_EQ(server.Accepted(), 1) << "the time-out, not a refused connection, ended the open";
    EXPECT_GE(ms, AvPlayer::kIoTimeoutMs - 100);
    EXPECT_LT(ms, AvPlayer::kIoTimeoutMs + 1000);
}

TEST(AvPlayerStallTest, StopAbortsAStalledOpen) {
    avtest::StallServer server;
    auto player = AvPlayer::Create(nullptr, nullptr);
    std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/rec/x.mp4";
    auto opening = std::async(std::launch::async, [&] { return player->Open(url); });
    ASSERT_TRUE(WaitFor([&] { return server.Accepted() >= 1; }, 2000));
    Clock::time_point t0 = Clock::now();
    player->Stop();
    ASSERT_EQ(opening.wait_for(std::chrono::milliseconds(1000)), std::future_status::ready);
    EXPECT_FALSE(opening.get());
    EXPECT_LT(MsSince(t0), 500);
    EXPECT_TRUE(player->WaitCompletion(300));
    player->Close();
}

TEST(AvPlayerStallTest, RedirectToALocalFileIsRefused) {
    kelvo::testsupport::TempDir dir;
    ASSERT_EQ(avtest::WriteClip(dir.File("clip.mp4"), avtest::ClipSpec{}), "");
    avtest::StallServer server("HTTP/1.1 302 Found\r\nLocation: file://" + dir.File("clip.mp4") +
                               "\r\nContent-Length: 0\r\n\r\n");
    auto player = AvPlayer::Create(nullptr, nullptr);
    ASSERT_TRUE(player->Open("file://" + dir.File("clip.mp4")));
    Clock::time_point t0 = Clock::now();
    EXPECT_FALSE(player->Open("http://127.0.0.1:" + std::to_string(server.Port()) + "/clip.mp4"));
    EXPECT_LT(MsSince(t0), AvPlayer::kIoTimeoutMs + 500);
}

TEST(AvPlayerStallTest, ServerStallingMidFileEndsPlaybackAsFailed) {
    kelvo::testsupport::TempDir dir;
    avtest::ClipSpec spec;
    spec.fastStart = true;
    ASSERT_EQ(avtest::WriteClip(dir.File("clip.mp4"), spec), "");
    std::ifstream in(dir.File("clip.mp4"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 1000u);
    // Headers for the whole file, then only its first half.
    avtest::StallServer server("HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nContent-Length: " +
                               std::to_string(bytes.size()) + "\r\n\r\n" + bytes.substr(0, bytes.size() / 2));
    auto player = AvPlayer::Create(nullptr, nullptr);
    ASSERT_TRUE(player->Open("http://127.0.0.1:" + std::to_string(server.Port()) + "/clip.mp4"));
    ASSERT_TRUE(player->Play());
    Clock::time_point t0 = Clock::now();
    bool ended = false;
    while (!ended && MsSince(t0) < 8000) ended = player->WaitCompletion(300);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(player->PlaybackFailed());
    EXPECT_GT(player->PictureCount(), 0u);
    EXPECT_LT(player->PictureCount(), 30u);
    // Ended by the read time-out, not by a premature end of the stream.
    EXPECT_GE(MsSince(t0), AvPlayer::kIoTimeoutMs - 100);
    EXPECT_LT(MsSince(t0), 3000 + AvPlayer::kIoTimeoutMs + 1000);
}

}  // namespace
