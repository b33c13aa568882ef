// A logged-in session against a fake central server and a stream against
// a fake relay, with injectable media components.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "network/StreamChannel.h"
#include "testing/FakeAudioEngine.h"
#include "tests/network/FakeCentral.h"
#include "tests/network/FakeRelay.h"

namespace testing_support {

struct State {
    int state, v1, v2;
    std::chrono::steady_clock::time_point at;
};

struct Frame {
    int type, length, timestamp, delta, alarm;
    Bytes data;
};

// Writes a picture whose first byte is the frame's first payload byte;
// fails on frames whose first byte is 0xEE.
class FakeDecoder : public FrameDecoder {
public:
    FakeDecoder(int w, int h, std::atomic<int>* calls) : m_w(w), m_h(h), m_calls(calls) {}
    int Decode(const uint8_t* frame, int bytes, uint8_t* out, int capacity) override {
        ++*m_calls;
        if (bytes < 1 || frame[0] == 0xEE) return 0;
        const int size = m_w * m_h * 3 / 2;
        if (capacity < size) return 0;
        std::memset(out, 16, static_cast<size_t>(size));
        out[0] = frame[0];
        return size;
    }

private:
    int m_w, m_h;
    std::atomic<int>* m_calls;
};

class StreamTest : public ::testing::Test {
protected:
    // What the stream is built with; tests may override.
    virtual FrameDecoderFactory Decoders() {
        return [this](int w, int h) {
            return std::unique_ptr<FrameDecoder>(new FakeDecoder(w, h, &decodeCalls));
        };
    }
    virtual StreamRecorder::WriterFactory Writers() { return nullptr; }

    void SetUp() override {
        ASSERT_EQ(session.Login("127.0.0.1", central.Port(), "demo", "pw", 0), 0);
        peer = central.Accept();
        ASSERT_TRUE(peer);
        Bytes pkt;
        ASSERT_TRUE(peer->ReadCommand(0x9002, &pkt));
        ASSERT_TRUE(peer->Send(LoginReply(0, 42, 0, AllRights())));
        ASSERT_TRUE(peer->ReadCommand(0x4002, &pkt));
        ASSERT_TRUE(peer->Send(NodeReply({{"n", "Site", ""}})));
        CameraSpec cam{"cam-1", "Camera", "n"};
        cam.device = 501;
        cam.relay = "127.0.0.1";
        cam.streamPort = relayServer.Port();
        ASSERT_TRUE(peer->Send(CameraReply({cam})));
        ASSERT_TRUE(WaitFor([&] { return session.GetCameraCount("n") == 1; }));

        stream = std::make_unique<StreamChannel>(&session, Decoders(), &engine, Writers());
        stream->Open(501, "127.0.0.1", relayServer.Port(), "demo", "pw", "cam-1");
        stream->SetRetryDelayMs(20);
        stream->SetBackoff(20, 200);
        stream->SetCallBack(&StreamTest::OnState, this);
        session.AddStream(stream.get());
    }
    void TearDown() override {
        if (stream) {
            session.RemoveStream(stream.get());
            stream->Stop();
        }
    }

    static void OnState(int s, int v1, int v2, void* user) {
        auto* self = static_cast<StreamTest*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->states.push_back({s, v1, v2, std::chrono::steady_clock::now()});
    }
    static void OnData(int type, unsigned char* data, int length, int ts, int delta, int alarm,
                       void* user) {
        auto* self = static_cast<StreamTest*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->frames.push_back({type, length, ts, delta, alarm,
                                Bytes(data, data + (self->keepWhole ? length : std::min(length, 64)))});
    }
    std::vector<State> States() {
        std::lock_guard<std::mutex> lock(mutex);
        return states;
    }
    std::vector<Frame> Frames() {
        std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }
    int CountState(int s, int v1 = -1) {
        int n = 0;
        for (auto& st : States())
            if (st.state == s && (v1 == -1 || st.v1 == v1)) ++n;
        return n;
    }
    // Starts the stream and plays the relay up to the description.
    std::unique_ptr<PeerConnection> StartDescribed(uint16_t w = 64, uint16_t h = 48, uint16_t fps = 25,
                                                   uint16_t audioCodec = 16) {
        stream->StartStream();
        auto relay = relayServer.Accept();
        if (!relay) return nullptr;
        Bytes pkt;
        EXPECT_TRUE(relay->ReadCommand(0x1001, &pkt));
        EXPECT_TRUE(relay->Send(RelayLoginReply(0)));
        EXPECT_TRUE(relay->ReadCommand(0x1009, &pkt));
        EXPECT_TRUE(relay->Send(DownloadReply(0, w, h, fps, audioCodec)));
        EXPECT_TRUE(WaitFor([&] { return CountState(KELVO_STREAM_DESCRIBED) > 0; }));
        return relay;
    }

    bool keepWhole = false;  // keep whole pictures, not just their heads
    kelvo::testing::FakeAudioEngine engine;
    LoopbackServer central, relayServer;
    SessionChannel session{&engine};
    std::unique_ptr<PeerConnection> peer;
    std::unique_ptr<StreamChannel> stream;
    std::atomic<int> decodeCalls{0};
    std::mutex mutex;
    std::vector<State> states;
    std::vector<Frame> frames;
};


}  // namespace testing_support
