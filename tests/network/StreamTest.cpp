#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "common/Protocol.h"
#include "network/RelayPackets.h"
#include "network/StreamChannel.h"
#include "tests/network/FakeCentral.h"
#include "tests/network/FakeRelay.h"
#include "tests/network/StreamFixture.h"

using namespace testing_support;

TEST_F(StreamTest, RequestsLoginAndDownloadBytes) {
    stream->StartStream();
    Bytes req;
    ASSERT_TRUE(peer->ReadCommand(0x400A, &req));
    ASSERT_EQ(req.size(), 56u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&req[8])), "cam-1");
    EXPECT_EQ(GetLe16(req, 48), 1);

    auto relay = relayServer.Accept();
    ASSERT_TRUE(relay);
    Bytes login;
    ASSERT_TRUE(relay->ReadPacket(&login));  // the very first message
    ASSERT_EQ(login.size(), 84u);
    EXPECT_EQ(GetLe32(login, 4), 0x1001u);
    EXPECT_EQ(GetLe32(login, 8), 0x2001u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&login[12])), "demo");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&login[48])), "pw");
    EXPECT_EQ(login[47], 0);
    EXPECT_EQ(login[83], 0);
    ASSERT_TRUE(relay->Send(RelayLoginReply(0)));
    Bytes down;
    ASSERT_TRUE(relay->ReadCommand(0x1009, &down));
    ASSERT_EQ(down.size(), 136u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&down[8])), "cam-1");
    for (size_t i = 8 + 5; i < 136; ++i) ASSERT_EQ(down[i], 0);

    ASSERT_TRUE(relay->Send(DownloadReply(0, 352, 288, 25)));
    Bytes ctrl;
    ASSERT_TRUE(relay->ReadCommand(0x1012, &ctrl));  // audio off at each description
    ASSERT_EQ(ctrl.size(), 16u);
    EXPECT_EQ(GetLe32(ctrl, 8), 1u);
    EXPECT_EQ(GetLe32(ctrl, 12), 0u);
    stream->SetAudioEnable(true);
    bool on = false;  // the description also stops talk, which sends "off" once more
    for (int i = 0; i < 3 && !on; ++i) {
        ASSERT_TRUE(relay->ReadCommand(0x1012, &ctrl));
        on = GetLe32(ctrl, 12) == 1u;
    }
    EXPECT_TRUE(on);

    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_DESCRIBED) == 1; }));
    std::vector<int> seq;
    for (auto& s : States()) seq.push_back(s.state);
    EXPECT_EQ(seq, (std::vector<int>{KELVO_STREAM_STARTING, KELVO_STREAM_CONNECTED,
                                     KELVO_STREAM_REQUESTING, KELVO_STREAM_DESCRIBED}));
    EXPECT_EQ(States().back().v1, 352);
    EXPECT_EQ(States().back().v2, 288);

    stream->Stop();
    ASSERT_TRUE(peer->ReadCommand(0x400A, &req));
    EXPECT_EQ(GetLe16(req, 48), 0);
}

TEST_F(StreamTest, FirstConnectFailureIsFinal) {
    relayServer.Close();
    stream->StartStream();
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_FAILED, 0x201) == 1; }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsRunning(); }));
    EXPECT_EQ(CountState(KELVO_STREAM_RECONNECTING), 0);
}

TEST_F(StreamTest, RefusedLoginReportsOnceAndNeverRetries) {
    stream->StartStream();
    auto relay = relayServer.Accept();
    ASSERT_TRUE(relay);
    Bytes pkt;
    ASSERT_TRUE(relay->ReadCommand(0x1001, &pkt));
    ASSERT_TRUE(relay->Send(RelayLoginReply(5)));
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_FAILED, 0x202) == 1; }));
    relay->Close();  // and hangs up
    EXPECT_EQ(relayServer.Accept(300), nullptr);
    EXPECT_EQ(CountState(KELVO_STREAM_FAILED), 1);
    EXPECT_EQ(CountState(KELVO_STREAM_DISCONNECTED), 0);
}

TEST_F(StreamTest, RefusedStreamBacksOffAndAsksAgain) {
    stream->StartStream();
    auto relay = relayServer.Accept();
    ASSERT_TRUE(relay);
    Bytes pkt;
    ASSERT_TRUE(relay->ReadCommand(0x1001, &pkt));
    ASSERT_TRUE(relay->Send(RelayLoginReply(0)));
    std::vector<std::chrono::steady_clock::time_point> asked;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(relay->ReadCommand(0x1009, &pkt));
        asked.push_back(std::chrono::steady_clock::now());
        if (i < 3) {
            ASSERT_TRUE(relay->Send(DownloadReply(1, 0, 0, 0)));
        }
    }
    std::vector<int> counters;
    for (auto& s : States())
        if (s.state == KELVO_STREAM_REQUESTING) counters.push_back(s.v1);
    EXPECT_EQ(counters, (std::vector<int>{0, 1, 2, 3}));
    // Waits of 1, 2 and 3 steps (20 ms here) between the requests.
    for (int i = 1; i < 4; ++i) {
        auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(asked[i] - asked[i - 1]).count();
        EXPECT_GE(gap, 20 * i - 2) << i;
        EXPECT_LT(gap, 20 * i + 150) << i;
    }
    // Each refusal asks the session to push the camera again.
    int requests = 0;
    while (peer->ReadCommand(0x400A, &pkt, 100)) ++requests;
    EXPECT_EQ(requests, 4);
}

TEST_F(StreamTest, LossWhilePlayingReconnectsAndRetries) {
    auto relay = StartDescribed();
    ASSERT_TRUE(relay);
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{1, 2, 3})));
    ASSERT_TRUE(WaitFor([&] { return stream->IsPlay(); }));
    relay->Close();
    auto again = relayServer.Accept();
    ASSERT_TRUE(again);
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_RECONNECTING, 0) == 1; }));
    auto seq = States();
    int disconnected = -1, reconnecting = -1;
    for (size_t i = 0; i < seq.size(); ++i) {
        if (seq[i].state == KELVO_STREAM_DISCONNECTED && disconnected < 0) disconnected = static_cast<int>(i);
        if (seq[i].state == KELVO_STREAM_RECONNECTING) reconnecting = static_cast<int>(i);
    }
    EXPECT_GE(disconnected, 0);
    EXPECT_GT(reconnecting, disconnected);
    Bytes login;
    EXPECT_TRUE(again->ReadPacket(&login));
    EXPECT_EQ(GetLe32(login, 4), 0x1001u);

    // A brief outage: the relay is gone for a moment; the stream retries
    // instead of ending.
    again->Close();
    relayServer.Close();
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_RECONNECTING, 1) >= 1; }));
    EXPECT_EQ(CountState(KELVO_STREAM_FAILED), 0);
    EXPECT_TRUE(stream->IsRunning());
}

TEST_F(StreamTest, DecodedPicturesReachTheCallback) {
    stream->SetDataType(0);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    auto relay = StartDescribed(64, 48);
    ASSERT_TRUE(relay);
    for (uint8_t i = 1; i <= 5; ++i) ASSERT_TRUE(relay->Send(MediaPacket(1000 + 40 * i, 1, i == 1 ? 1 : 0, Bytes{i})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 5; }));
    auto got = Frames();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(got[i].type, 0);
        EXPECT_EQ(got[i].length, 64 * 48 * 3 / 2);
        EXPECT_EQ(got[i].data[0], i + 1);
        EXPECT_EQ(got[i].delta, i == 0 ? 0 : 1);
        EXPECT_EQ(got[i].alarm, 0);
    }
    EXPECT_EQ(got[0].timestamp, 0);  // the previous delivered frame's stamp
    EXPECT_EQ(got[1].timestamp, 1040);
}

TEST_F(StreamTest, RawFramesPassUnchangedAndNoCallbackMeansNoDecode) {
    auto relay = StartDescribed();
    ASSERT_TRUE(relay);
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{9, 9})));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(decodeCalls, 0);  // nobody listens: nothing decoded, pool not stuck
    stream->SetDataCallBack(&StreamTest::OnData, this);  // raw is the default type
    Bytes payload{0x00, 0x00, 0x00, 0x01, 0x67, 0x42};
    ASSERT_TRUE(relay->Send(MediaPacket(41, 1, 0, payload)));
    ASSERT_TRUE(WaitFor([&] { return !Frames().empty(); }));
    EXPECT_EQ(Frames()[0].type, 1);
    EXPECT_EQ(Frames()[0].data, payload);
    EXPECT_EQ(Frames()[0].delta, 1);
    EXPECT_EQ(decodeCalls, 0);
}

TEST_F(StreamTest, DecodingResumesAtTheNextKeyFrameAfterRawFrames) {
    // A hidden view asks for raw frames (alarms still reported, nothing
    // decoded); shown again, delta frames before the next key frame would
    // decode against missing references.
    stream->SetDataType(1);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    auto relay = StartDescribed(32, 16);
    ASSERT_TRUE(relay);
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{1})));
    ASSERT_TRUE(relay->Send(MediaPacket(80, 1, 0, Bytes{2})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 2; }));
    EXPECT_EQ(decodeCalls, 0);
    stream->SetDataType(0);
    ASSERT_TRUE(relay->Send(MediaPacket(120, 1, 0, Bytes{3})));
    ASSERT_TRUE(relay->Send(MediaPacket(160, 1, 0, Bytes{4})));
    ASSERT_TRUE(relay->Send(MediaPacket(200, 1, 1, Bytes{5})));
    ASSERT_TRUE(relay->Send(MediaPacket(240, 1, 0, Bytes{6})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 4; }, 5000));
    auto got = Frames();
    EXPECT_EQ(got[2].type, 0);
    EXPECT_EQ(got[2].data[0], 5) << "the first picture after raw frames is the key frame";
    EXPECT_EQ(got[3].data[0], 6);
    EXPECT_EQ(decodeCalls, 2);
}

TEST_F(StreamTest, FailedDecodesNeverExhaustThePool) {
    stream->SetDataType(0);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    auto relay = StartDescribed();
    ASSERT_TRUE(relay);
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(relay->Send(MediaPacket(i ? 100 + i : 0, 1, 0, Bytes{0xEE})));
    ASSERT_TRUE(relay->Send(MediaPacket(200, 1, 1, Bytes{7})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 1; }, 5000));
    EXPECT_EQ(Frames()[0].data[0], 7);
    EXPECT_GE(decodeCalls, 41);
}

TEST_F(StreamTest, NewDescriptionRebuildsAtTheNewSize) {
    stream->SetDataType(0);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    auto relay = StartDescribed(32, 16);
    ASSERT_TRUE(relay);
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{1})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 1; }));
    ASSERT_TRUE(relay->Send(DownloadReply(0, 96, 64, 25)));
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_DESCRIBED) == 2; }));
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{2})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 2; }));
    EXPECT_EQ(Frames()[0].length, 32 * 16 * 3 / 2);
    EXPECT_EQ(Frames()[1].length, 96 * 64 * 3 / 2);
}

TEST_F(StreamTest, InsaneDescriptionsBuildNoPipeline) {
    stream->SetDataType(0);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    stream->StartStream();
    auto relay = relayServer.Accept();
    ASSERT_TRUE(relay);
    Bytes pkt;
    ASSERT_TRUE(relay->ReadCommand(0x1001, &pkt));
    ASSERT_TRUE(relay->Send(RelayLoginReply(0)));
    ASSERT_TRUE(relay->ReadCommand(0x1009, &pkt));
    ASSERT_TRUE(relay->Send(DownloadReply(0, 0, 480, 25)));
    ASSERT_TRUE(relay->Send(DownloadReply(0, 65535, 65535, 25)));
    // Blocks longer than 128 bytes and cut short by the packet end.
    Bytes longBlock(300, 0xAB);
    ASSERT_TRUE(relay->Send(DownloadReply(0, 16, 16, 25, 16, longBlock, Bytes(10, 1))));
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_DESCRIBED) == 1; }));
    EXPECT_EQ(stream->Description().blockA.size(), 128u);
    EXPECT_EQ(stream->Description().blockB.size(), 10u);
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{3})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 1; }));
    EXPECT_EQ(Frames()[0].length, 16 * 16 * 3 / 2);
}

// Found by fuzzing: a described size alone reserved ten pool buffers of w×h×2
// (1.3 GB at 8192×8192) for frames that can never exceed one packet.
TEST_F(StreamTest, HugeDescriptionsReserveNoMoreThanAPacketPerBuffer) {
    const uint32_t largest = proto::kMaxPacket - relay::kMediaHead;
    EXPECT_EQ(StreamChannel::PoolBufferCapacity(8192, 8192), largest);
    EXPECT_EQ(StreamChannel::PoolBufferCapacity(320, 320), largest);
    EXPECT_EQ(StreamChannel::PoolBufferCapacity(32, 16), 32u * 16 * 2);
    EXPECT_EQ(StreamChannel::PoolBufferCapacity(-4, 16), 0u);
    // The largest frame still passes whole through buffers of that size.
    stream->SetDataCallBack(&StreamTest::OnData, this);
    keepWhole = true;
    auto relay = StartDescribed(8192, 8192);
    ASSERT_TRUE(relay);
    Bytes payload(largest, 0x5C);
    payload[largest - 1] = 0x01;
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, payload)));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 1; }, 5000));
    EXPECT_EQ(Frames()[0].data, payload);
}

TEST_F(StreamTest, PacingHoldsFramesToTheirTimestampsButNotAcrossJumps) {
    stream->SetDataCallBack(&StreamTest::OnData, this);
    auto relay = StartDescribed();
    ASSERT_TRUE(relay);
    auto t0 = std::chrono::steady_clock::now();
    Bytes batch;
    for (uint32_t ts : {1000u, 1100u, 1200u, 1300u}) {
        Bytes p = MediaPacket(ts, 1, 1, Bytes{1});
        batch.insert(batch.end(), p.begin(), p.end());
    }
    ASSERT_TRUE(relay->Send(batch));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 4; }));
    auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::milliseconds(900));

    // A leap of an hour and a step back go out without waiting.
    t0 = std::chrono::steady_clock::now();
    Bytes jumps;
    for (uint32_t ts : {3601300u, 5u, 10u}) {
        Bytes p = MediaPacket(ts, 1, 1, Bytes{1});
        jumps.insert(jumps.end(), p.begin(), p.end());
    }
    ASSERT_TRUE(relay->Send(jumps));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 7; }, 2000));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(400));
}

TEST_F(StreamTest, AlarmsOutlinePicturesAndExpireEvenWhenDisabled) {
    stream->SetDataType(0);
    stream->SetDataCallBack(&StreamTest::OnData, this);
    stream->SetAlarmTime(0);
    auto relay = StartDescribed(64, 48);
    ASSERT_TRUE(relay);
    ASSERT_TRUE(relay->Send(AlarmPacket(1, 0, 0, 10, 10)));
    ASSERT_TRUE(WaitFor([&] { return stream->AlarmCount() == 1; }));
    ASSERT_TRUE(relay->Send(MediaPacket(40, 1, 1, Bytes{5})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 1; }));
    EXPECT_EQ(Frames()[0].alarm, 1);
    EXPECT_EQ(Frames()[0].data[1], AlarmMap::kY);  // the top edge is drawn

    // Alarms off: records still collect, the flag rises, and they expire.
    stream->EnableAlarm(false);
    ASSERT_TRUE(relay->Send(AlarmPacket(2, 0, 0, 4, 4)));
    ASSERT_TRUE(WaitFor([&] { return stream->AlarmCount() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    ASSERT_TRUE(relay->Send(MediaPacket(80, 1, 1, Bytes{6})));
    ASSERT_TRUE(WaitFor([&] { return Frames().size() == 2; }));
    EXPECT_EQ(Frames()[1].alarm, 0);
    EXPECT_EQ(Frames()[1].data[1], 16);  // not drawn
    EXPECT_EQ(stream->AlarmCount(), 0u);

    // A PTZ command clears the regions and goes out with the device number.
    ASSERT_TRUE(relay->Send(AlarmPacket(3, 0, 0, 4, 4)));
    ASSERT_TRUE(WaitFor([&] { return stream->AlarmCount() == 1; }));
    stream->Ptz(0x10003, 0x20005);
    EXPECT_EQ(stream->AlarmCount(), 0u);
    Bytes msg;
    ASSERT_TRUE(peer->ReadCommand(0x400E, &msg));
    EXPECT_EQ(GetLe32(msg, 8), 1u);
    EXPECT_EQ(GetLe32(msg, 12), 42u);
    EXPECT_EQ(GetLe32(msg, 16), 501u);
    EXPECT_EQ(GetLe32(msg, 60), 12u);
    EXPECT_EQ(GetLe16(msg, 64), 12);
    EXPECT_EQ(GetLe16(msg, 66), 3);
    EXPECT_EQ(GetLe16(msg, 68), 5);
}

TEST_F(StreamTest, TalkIsOnePerDevice) {
    auto other = std::make_unique<StreamChannel>(&session, DefaultDecoderFactory(), &engine);
    other->Open(501, "127.0.0.1", relayServer.Port(), "demo", "pw", "cam-2");
    std::vector<int> otherStates;
    other->SetCallBack([](int s, int v1, int, void* u) {
        if (s == KELVO_STREAM_TALK) static_cast<std::vector<int>*>(u)->push_back(v1);
    }, &otherStates);
    session.AddStream(other.get());
    stream->StartTalk();
    Bytes msg;
    ASSERT_TRUE(peer->ReadCommand(0x400E, &msg));
    EXPECT_EQ(GetLe32(msg, 8), 2u);
    EXPECT_EQ(GetLe16(msg, 66), 0x4002);
    EXPECT_TRUE(stream->IsTalk());  // pending
    other->StartTalk();
    EXPECT_EQ(otherStates, (std::vector<int>{0x204}));
    ASSERT_TRUE(peer->Send(DeviceMessageFromCamera(2, 501, 42, Bytes{6, 0, 0x04, 0x40, 0, 0})));
    ASSERT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_TALK, 1) == 1; }));
    EXPECT_TRUE(stream->IsAudioEnable());
    stream->StopTalk();
    EXPECT_FALSE(stream->IsTalk());
    ASSERT_TRUE(peer->ReadCommand(0x400E, &msg));
    EXPECT_EQ(GetLe16(msg, 66), 0x4008);
    session.RemoveStream(other.get());
    other->Stop();
}

TEST(AlarmOverlay, ClipsAndBlinksByFrameRate) {
    const int w = 16, h = 8;
    std::vector<uint8_t> pic(w * h * 3 / 2, 0);
    relay::AlarmRecord r;
    r.x = 10;
    r.y = 4;
    r.width = 20;  // reaches past the right and bottom edges
    r.height = 20;
    AlarmMap::DrawOutline(pic.data(), w, h, r);
    EXPECT_EQ(pic[4 * w + 10], AlarmMap::kY);
    EXPECT_EQ(pic[4 * w + 15], AlarmMap::kY);
    EXPECT_EQ(pic[7 * w + 10], AlarmMap::kY);
    EXPECT_EQ(pic[7 * w + 11], 0);
    const size_t u = w * h, v = u + (w / 2) * (h / 2);
    EXPECT_EQ(pic[u + 2 * (w / 2) + 5], AlarmMap::kU);
    EXPECT_EQ(pic[v + 2 * (w / 2) + 5], AlarmMap::kV);

    AlarmMap map;
    relay::AlarmRecord small;
    small.width = 2;
    small.height = 2;
    map.Add(small, 100);
    std::vector<int> shown;
    for (int frame = 0; frame < 8; ++frame) {
        std::vector<uint8_t> p(w * h * 3 / 2, 0);
        map.Draw(p.data(), w, h, 2);
        shown.push_back(p[0] == AlarmMap::kY);
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 1, 0, 0, 1, 1, 0, 0}));
    std::vector<uint8_t> p(w * h * 3 / 2, 0);
    map.Draw(p.data(), w, h, 0);  // a rate of 0 must not divide by zero
    map.Add(small, 500);           // already shown: keeps its first time
    map.Expire(110, 10);
    EXPECT_EQ(map.Size(), 1u);
    map.Expire(111, 10);
    EXPECT_EQ(map.Size(), 0u);
}
