// SDL's "disk" driver reads the microphone from a file and writes the
// speaker to another, so capture and playback can be checked byte by byte.
#include "AudioEngine.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

using kelvo::AudioEngine;

namespace {

struct Captured {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<uint8_t> bytes;
    std::vector<int> sizes;
    bool detachAfterFirst = false;
    int channel = -1;
};

void OnCapture(int, int, const uint8_t* data, int bytes, void* user) {
    auto* c = static_cast<Captured*>(user);
    {
        std::lock_guard<std::mutex> lock(c->mutex);
        c->bytes.insert(c->bytes.end(), data, data + bytes);
        c->sizes.push_back(bytes);
    }
    // Changing the handler from inside it must not deadlock.
    if (c->detachAfterFirst) AudioEngine::Instance().SetCaptureHandler(c->channel, nullptr, nullptr);
    c->cv.notify_all();
}

class AudioEngineDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_in = m_dir.File("mic.raw");
        m_out = m_dir.File("speaker.raw");
        std::ofstream in(m_in, std::ios::binary);
        for (int i = 0; i < 8000; ++i) {  // one second of a 16-bit ramp
            const int16_t s = int16_t(i * 7);
            in.write(reinterpret_cast<const char*>(&s), 2);
        }
        in.close();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILEIN", m_in.c_str(), 1);
        setenv("SDL_DISKAUDIOFILE", m_out.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "1", 1);
        ASSERT_TRUE(AudioEngine::Instance().Initialise()) << AudioEngine::Instance().LastError();
    }
    void TearDown() override { AudioEngine::Instance().Shutdown(); }

    kelvo::testsupport::TempDir m_dir;
    std::string m_in, m_out;
};

TEST_F(AudioEngineDiskTest, CapturedBlocksAreTheMicrophoneBytesInTalkFrames) {
    auto& engine = AudioEngine::Instance();
    const int ch = engine.OpenChannel(8, 320, 8, 320, 8000);
    ASSERT_GE(ch, 0) << engine.LastError();
    ASSERT_TRUE(engine.CaptureAvailable(ch)) << engine.LastError();
    Captured cap;
    engine.SetCaptureHandler(ch, &OnCapture, &cap);
    ASSERT_TRUE(engine.StartChannel(ch));
    {
        std::unique_lock<std::mutex> lock(cap.mutex);
        ASSERT_TRUE(cap.cv.wait_for(lock, std::chrono::seconds(5), [&] { return cap.bytes.size() >= 3200; }));
    }
    engine.CloseChannel(ch);
    std::lock_guard<std::mutex> lock(cap.mutex);
    for (int s : cap.sizes) EXPECT_EQ(s, 640);
    std::ifstream in(m_in, std::ios::binary);
    std::vector<uint8_t> mic((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The file first, then silence once it is used up.
    const size_t common = std::min(cap.bytes.size(), mic.size());
    EXPECT_TRUE(std::equal(mic.begin(), mic.begin() + long(common), cap.bytes.begin()));
    for (size_t i = common; i < cap.bytes.size(); ++i) ASSERT_EQ(cap.bytes[i], 0) << i;
}

TEST_F(AudioEngineDiskTest, HandlerMayDetachItselfAndCloseStopsDelivery) {
    auto& engine = AudioEngine::Instance();
    const int ch = engine.OpenChannel(8, 320, 8, 320, 8000);
    ASSERT_GE(ch, 0);
    Captured cap;
    cap.detachAfterFirst = true;
    cap.channel = ch;
    engine.SetCaptureHandler(ch, &OnCapture, &cap);
    ASSERT_TRUE(engine.StartChannel(ch));
    {
        std::unique_lock<std::mutex> lock(cap.mutex);
        ASSERT_TRUE(cap.cv.wait_for(lock, std::chrono::seconds(5), [&] { return !cap.sizes.empty(); }));
    }
    engine.CloseChannel(ch);
    std::lock_guard<std::mutex> lock(cap.mutex);
    EXPECT_EQ(cap.sizes.size(), 1u);
}

TEST_F(AudioEngineDiskTest, PlayedPcmReachesTheSpeakerUnchanged) {
    auto& engine = AudioEngine::Instance();
    const int ch = engine.OpenDefaultChannel();
    ASSERT_GE(ch, 0) << engine.LastError();
    std::vector<uint8_t> pcm(3200);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = uint8_t(i * 13 + 1);
    ASSERT_TRUE(engine.Play(0, ch, pcm.data(), int(pcm.size())));
    ASSERT_TRUE(engine.StartChannel(ch));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (engine.QueuedBytes(ch) > 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    engine.CloseChannel(ch);
    std::ifstream out(m_out, std::ios::binary);
    std::vector<uint8_t> speaker((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    ASSERT_GE(speaker.size(), pcm.size());
    // The device may play silence before the queue starts; find our bytes.
    auto it = std::search(speaker.begin(), speaker.end(), pcm.begin(), pcm.end());
    EXPECT_NE(it, speaker.end());
}

}  // namespace
