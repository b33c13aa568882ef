#include "AudioCodec.h"
#include "AudioEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using kelvo::AudioEngine;

namespace {

// Polls `done` until it holds or `limit` passes.
template <class Pred>
bool WaitFor(Pred done, std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class AudioEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_engine.Initialise()) << m_engine.LastError(); }
    void TearDown() override { m_engine.Shutdown(); }

    // Channel for G.711 both ways, as a stream opens it.
    int OpenG711() {
        int p = 0, q = 0, r = 0;
        kelvo::AudioCodec::Describe(0, &p, &q, &r);
        return m_engine.OpenChannel(q, p, q, p, r);
    }
    AudioEngine& m_engine = AudioEngine::Instance();
};

TEST_F(AudioEngineTest, IsOneObjectCountingItsUsers) {
    EXPECT_EQ(&AudioEngine::Instance(), &m_engine);
    ASSERT_TRUE(m_engine.Initialise());  // a second session
    m_engine.Shutdown();
    EXPECT_TRUE(m_engine.IsInitialised());
    const int ch = OpenG711();
    EXPECT_GE(ch, 0);
    m_engine.Shutdown();  // last user: every channel goes
    EXPECT_FALSE(m_engine.IsInitialised());
    EXPECT_EQ(m_engine.OpenChannels(), 0);
    EXPECT_LT(m_engine.OpenDefaultChannel(), 0);
    const uint8_t pcm[4] = {};
    EXPECT_FALSE(m_engine.Play(0, ch, pcm, 4));
    ASSERT_TRUE(m_engine.Initialise());  // for TearDown
}

TEST_F(AudioEngineTest, PlaybackAcceptsDataHeadlessAndDrainsOnceStarted) {
    const int ch = OpenG711();
    ASSERT_GE(ch, 0) << m_engine.LastError();
    std::vector<uint8_t> pcm(640, 0x10);
    ASSERT_TRUE(m_engine.Play(0, ch, pcm.data(), int(pcm.size())));
    ASSERT_TRUE(m_engine.Play(0, ch, pcm.data(), int(pcm.size())));
    EXPECT_EQ(m_engine.QueuedBytes(ch), 1280u);  // paused until started
    ASSERT_TRUE(m_engine.StartChannel(ch));
    EXPECT_TRUE(WaitFor([&] { return m_engine.QueuedBytes(ch) < 1280u; }));
    m_engine.CloseChannel(ch);
    EXPECT_FALSE(m_engine.Play(0, ch, pcm.data(), int(pcm.size())));
    EXPECT_FALSE(m_engine.StartChannel(ch));
}

TEST_F(AudioEngineTest, QueueIsBoundedWhenTheDeviceDoesNotDrain) {
    const int ch = OpenG711();
    ASSERT_GE(ch, 0);
    std::vector<uint8_t> pcm(5120, 0);
    int accepted = 0;
    for (int i = 0; i < 100; ++i)
        if (m_engine.Play(0, ch, pcm.data(), int(pcm.size()))) ++accepted;
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 100);
    EXPECT_LE(m_engine.QueuedBytes(ch), 16000u);
    m_engine.CloseChannel(ch);
}

TEST_F(AudioEngineTest, RefusesBadFormatsAndUnknownChannels) {
    EXPECT_LT(m_engine.OpenChannel(0, 320, 8, 320, 8000), 0);
    EXPECT_LT(m_engine.OpenChannel(8, 320, 8, 0, 8000), 0);
    EXPECT_LT(m_engine.OpenChannel(8, 320, 8, 320, 0), 0);
    EXPECT_FALSE(m_engine.LastError().empty());
    const uint8_t pcm[2] = {};
    EXPECT_FALSE(m_engine.Play(0, 12345, pcm, 2));
    m_engine.CloseChannel(12345);
    m_engine.SetCaptureHandler(12345, nullptr, nullptr);
    const int a = OpenG711();
    m_engine.CloseChannel(a);
    const int b = OpenG711();
    EXPECT_NE(a, b);  // a stale number never reaches a newer channel
    m_engine.CloseChannel(b);
}

TEST_F(AudioEngineTest, OptionsAreStored) {
    m_engine.SetCaptureDevice(0);
    m_engine.SetEchoCancellation(1);
    m_engine.SetNoiseSuppression(1);
    m_engine.SetPlaybackVolume(-1, 0);
    EXPECT_EQ(m_engine.EchoCancellation(), 1);
    EXPECT_EQ(m_engine.NoiseSuppression(), 1);
    EXPECT_EQ(m_engine.CaptureDevice(), 0);
    EXPECT_EQ(m_engine.PlaybackVolume(), -1);
}

TEST_F(AudioEngineTest, PlayingWhileAnotherThreadClosesIsSafe) {
    std::atomic<int> channel{OpenG711()};
    ASSERT_GE(channel.load(), 0);
    m_engine.StartChannel(channel);
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::atomic<int> attempts{0};
    std::thread player([&] {
        std::vector<uint8_t> pcm(640, 1);
        while (!stop) {
            if (m_engine.Play(0, channel, pcm.data(), int(pcm.size()))) ++accepted;
            ++attempts;
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 8; ++i) {
        const int seen = attempts;
        if (!WaitFor([&] { return attempts > seen + 2; })) {  // let the player in
            ADD_FAILURE() << "player thread made no progress";
            break;
        }
        const int old = channel;
        channel = OpenG711();
        m_engine.StartChannel(channel);
        m_engine.CloseChannel(old);
    }
    stop = true;
    player.join();
    m_engine.CloseChannel(channel);
    EXPECT_GT(accepted.load(), 0);
    EXPECT_EQ(m_engine.OpenChannels(), 0);
}

struct CaptureLog {
    std::mutex mutex;
    std::vector<int> sizes;
    std::vector<int> kinds;
};

void RecordCapture(int kind, int, const uint8_t*, int bytes, void* user) {
    auto* log = static_cast<CaptureLog*>(user);
    std::lock_guard<std::mutex> lock(log->mutex);
    log->sizes.push_back(bytes);
    log->kinds.push_back(kind);
}

TEST_F(AudioEngineTest, CaptureDeliversTalkBlocksOrReportsItsAbsence) {
    const int ch = m_engine.OpenChannel(8, 320, 2, 1024, 8000);  // AAC talk blocks
    ASSERT_GE(ch, 0);
    CaptureLog log;
    m_engine.SetCaptureHandler(ch, &RecordCapture, &log);
    ASSERT_TRUE(m_engine.StartChannel(ch));
    if (!m_engine.CaptureAvailable(ch)) {
        // Headless without a microphone: reported, and playback still works.
        EXPECT_NE(m_engine.LastError().find("capture"), std::string::npos);
        const uint8_t pcm[64] = {};
        EXPECT_TRUE(m_engine.Play(0, ch, pcm, 64));
    } else {
        EXPECT_TRUE(WaitFor([&] {
            std::lock_guard<std::mutex> lock(log.mutex);
            return log.sizes.size() >= 2;
        }));
    }
    m_engine.CloseChannel(ch);
    std::lock_guard<std::mutex> lock(log.mutex);
    for (size_t i = 0; i < log.sizes.size(); ++i) {
        EXPECT_EQ(log.sizes[i], 2048);
        EXPECT_EQ(log.kinds[i], kelvo::kAudioCapturedPcm);
    }
}

}  // namespace
