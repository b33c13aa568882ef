// The player against local files written by the fixture (file:// URLs):
// playback, seeking, pause, stop, protocol refusal and drawing.
#include "AvPlayer.h"
#include "TestClip.h"
#include "WaitFor.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>
#include <memory>

using avtest::MsSince;
using avtest::WaitFor;
using kelvo::AvPlayer;
using kelvo::PlayerPicture;
using Clock = std::chrono::steady_clock;

namespace {

class AvPlayerFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<kelvo::testsupport::TempDir>();
        s_path = s_dir->File("clip.mp4");
        s_error = avtest::WriteClip(s_path, avtest::ClipSpec{});
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    void SetUp() override {
        ASSERT_EQ(s_error, "");
        m_player = AvPlayer::Create(nullptr, nullptr);
        ASSERT_TRUE(m_player);
    }
    std::string Url() const { return "file://" + s_path; }
    PlayerPicture Latest() const {
        PlayerPicture p;
        m_player->CopyPicture(&p);
        return p;
    }

    static std::unique_ptr<kelvo::testsupport::TempDir> s_dir;
    static std::string s_path, s_error;
    std::shared_ptr<AvPlayer> m_player;
};
std::unique_ptr<kelvo::testsupport::TempDir> AvPlayerFileTest::s_dir;
std::string AvPlayerFileTest::s_path, AvPlayerFileTest::s_error;

TEST_F(AvPlayerFileTest, PlaysEveryFrameToTheEndAndReportsIt) {
    int status = -1;
    auto player = AvPlayer::Create(nullptr, &status);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(m_player->Open(Url()));
    EXPECT_NEAR(m_player->GetDuration(), 3.0, 0.11);
    EXPECT_EQ(m_player->PictureCount(), 0u) << "nothing is decoded before Play";
    ASSERT_TRUE(m_player->Play());
    Clock::time_point t0 = Clock::now();
    EXPECT_FALSE(m_player->WaitCompletion(300)) << "a 3 s clip cannot end within 300 ms";
    bool ended = false;
    while (!ended && MsSince(t0) < 8000) ended = m_player->WaitCompletion(300);
    ASSERT_TRUE(ended);
    // Paced at the file's rate, not as fast as it decodes.
    EXPECT_GE(MsSince(t0), 2500);
    EXPECT_EQ(m_player->PictureCount(), 30u);
    EXPECT_FALSE(m_player->PlaybackFailed());
    EXPECT_NEAR(m_player->GetCurrentDuration(), 2.9, 0.01);
    PlayerPicture last = Latest();
    EXPECT_EQ(last.width, 160);
    EXPECT_EQ(last.height, 120);
    EXPECT_EQ(avtest::IndexFromBand(avtest::BandMean(last.bytes, last.width)), 29);
    // The end stays reported.
    EXPECT_TRUE(m_player->WaitCompletion(0));
}

TEST_F(AvPlayerFileTest, SeekWhilePausedShowsExactlyTheTargetPicture) {
    ASSERT_TRUE(m_player->Open(Url()));
    ASSERT_TRUE(m_player->Play());
    ASSERT_TRUE(WaitFor([&] { return m_player->PictureCount() >= 2; }, 3000));
    m_player->Pause();
    uint64_t before = m_player->PictureCount();
    // 1.5 s lies half-way into the second GOP: the key frame is at 1.0 s,
    // so a seek that stopped at the key frame would show index 10.
    m_player->Seek(0.5);
    EXPECT_NEAR(m_player->GetCurrentDuration(), 1.5, 0.001);
    ASSERT_TRUE(WaitFor([&] { return Latest().position > 1.2; }, 3000));
    PlayerPicture shown = Latest();
    EXPECT_NEAR(shown.position, 1.5, 0.01);
    EXPECT_EQ(avtest::IndexFromBand(avtest::BandMean(shown.bytes, shown.width)), 15);
    EXPECT_LE(m_player->PictureCount(), before + 2) << "pictures before the target must not be shown";
    EXPECT_NEAR(m_player->GetCurrentDuration(), 1.5, 0.01);

    m_player->Resume();
    ASSERT_TRUE(WaitFor([&] { return m_player->GetCurrentDuration() >= 1.8; }, 3000));
    PlayerPicture later = Latest();
    EXPECT_EQ(avtest::IndexFromBand(avtest::BandMean(later.bytes, later.width)),
              static_cast<int>(std::lround(later.position * 10)));
}

TEST_F(AvPlayerFileTest, SeekWhilePlayingLandsWithinOneGop) {
    ASSERT_TRUE(m_player->Open(Url()));
    ASSERT_TRUE(m_player->Play());
    ASSERT_TRUE(WaitFor([&] { return m_player->PictureCount() >= 2; }, 3000));
    Clock::time_point t0 = Clock::now();
    m_player->Seek(0.7);  // 2.1 s
    ASSERT_TRUE(WaitFor([&] { return Latest().position >= 2.0; }, 3000));
    EXPECT_LT(MsSince(t0), 1000);
    PlayerPicture shown = Latest();
    EXPECT_GE(shown.position, 2.1 - 0.01);
    EXPECT_LT(shown.position, 2.1 + 1.0);
    EXPECT_EQ(avtest::IndexFromBand(avtest::BandMean(shown.bytes, shown.width)),
              static_cast<int>(std::lround(shown.position * 10)));
    // Seeking after the end plays again from the target.
    bool ended = false;
    while (!ended && MsSince(t0) < 5000) ended = m_player->WaitCompletion(300);
    ASSERT_TRUE(ended);
    m_player->Seek(0.0);
    EXPECT_FALSE(m_player->WaitCompletion(300));
    EXPECT_LT(m_player->GetCurrentDuration(), 0.5);
}

TEST_F(AvPlayerFileTest, PauseKeepsPositionAndPicture) {
    ASSERT_TRUE(m_player->Open(Url()));
    ASSERT_TRUE(m_player->Play());
    ASSERT_TRUE(WaitFor([&] { return m_player->GetCurrentDuration() >= 0.5; }, 3000));
    m_player->Pause();
    double paused = m_player->GetCurrentDuration();
    uint64_t count = m_player->PictureCount();
    // Nothing to wait on here: we check that nothing happens.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_DOUBLE_EQ(m_player->GetCurrentDuration(), paused);
    EXPECT_EQ(m_player->PictureCount(), count);
    EXPECT_FALSE(m_player->WaitCompletion(50));
    m_player->Resume();
    ASSERT_TRUE(WaitFor([&] { return m_player->GetCurrentDuration() >= paused + 0.3; }, 2000));
    // The clock restarts at the paused position: no burst of late pictures.
    EXPECT_LE(m_player->PictureCount(), count + 6);
}

TEST_F(AvPlayerFileTest, StopEndsAPendingWaitAndHoldsUntilClose) {
    ASSERT_TRUE(m_player->Open(Url()));
    ASSERT_TRUE(m_player->Play());
    auto waiting = std::async(std::launch::async, [&] { return m_player->WaitCompletion(5000); });
    ASSERT_EQ(waiting.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    Clock::time_point t0 = Clock::now();
    m_player->Stop();
    ASSERT_EQ(waiting.wait_for(std::chrono::milliseconds(500)), std::future_status::ready);
    EXPECT_TRUE(waiting.get());
    EXPECT_LT(MsSince(t0), 500);
    EXPECT_TRUE(m_player->WaitCompletion(300));
    EXPECT_FALSE(m_player->Open(Url())) << "a stopped player opens nothing until Close";
    EXPECT_FALSE(m_player->Play());
    m_player->Close();
    m_player->Close();  // harmless twice
    ASSERT_TRUE(m_player->Open(Url()));
    EXPECT_TRUE(m_player->Play());
    EXPECT_FALSE(m_player->WaitCompletion(300));
}

// The record window's use: its worker walks a list (Close, Open, Play, then
// WaitCompletion(300) and the position until the end) while the UI thread
// pauses, resumes, seeks and at last stops the same player.
TEST_F(AvPlayerFileTest, WorkerLoopLeavesPromptlyWhenTheUiStops) {
    std::atomic<bool> stopRequest{false};
    std::atomic<int> opened{0};
    auto worker = std::async(std::launch::async, [&] {
        for (int i = 0; i < 3 && !stopRequest; ++i) {
            m_player->Close();
            if (!m_player->Open(Url())) break;
            ++opened;
            if (!m_player->Play()) continue;
            while (!m_player->WaitCompletion(300)) (void)m_player->GetCurrentDuration();
        }
    });
    ASSERT_TRUE(WaitFor([&] { return opened >= 1 && m_player->PictureCount() >= 3; }, 3000));
    m_player->Pause();
    m_player->Seek(0.4);
    m_player->Resume();
    m_player->Seek(0.9);  // the first file ends soon after: the worker opens the second
    ASSERT_TRUE(WaitFor([&] { return opened >= 2; }, 3000));
    Clock::time_point t0 = Clock::now();
    stopRequest = true;
    m_player->Stop();
    ASSERT_EQ(worker.wait_for(std::chrono::milliseconds(1000)), std::future_status::ready);
    EXPECT_LT(MsSince(t0), 500);
    EXPECT_LT(opened.load(), 3) << "no file is opened after the stop";
    m_player->Close();
    EXPECT_TRUE(m_player->Open(Url()));
}

TEST_F(AvPlayerFileTest, RefusesForbiddenProtocolsAndMissingFiles) {
    Clock::time_point t0 = Clock::now();
    EXPECT_FALSE(m_player->Open("concat:" + s_path + "|" + s_path));
    EXPECT_FALSE(m_player->Open("subfile:,,start,0,end,0,:" + s_path));
    EXPECT_FALSE(m_player->Open("pipe:0"));
    EXPECT_FALSE(m_player->Open("udp://127.0.0.1:9"));
    EXPECT_FALSE(m_player->Open("file://" + s_dir->File("missing.mp4")));
    EXPECT_FALSE(m_player->Open(""));
    EXPECT_LT(MsSince(t0), 1000);
    EXPECT_FALSE(m_player->Play());
    EXPECT_TRUE(m_player->WaitCompletion(300)) << "a failed open reports the end at once";
    // The same file through allowed protocols.
    EXPECT_TRUE(m_player->Open(s_path));
    EXPECT_TRUE(m_player->Open(Url()));
}

TEST_F(AvPlayerFileTest, DestoryWhilePlayingReturnsAndRefusesLaterCalls) {
    ASSERT_TRUE(m_player->Open(Url()));
    ASSERT_TRUE(m_player->Play());
    ASSERT_TRUE(WaitFor([&] { return m_player->PictureCount() >= 1; }, 3000));
    Clock::time_point t0 = Clock::now();
    m_player->Destory();
    EXPECT_LT(MsSince(t0), 500);
    EXPECT_FALSE(m_player->Open(Url()));
    EXPECT_TRUE(m_player->WaitCompletion(1000));
    EXPECT_EQ(m_player->GetCurrentDuration(), 0.0);
}

struct SurfaceRenderer {
    SurfaceRenderer(int w, int h)
        : surface(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888)),
          renderer(surface ? SDL_CreateSoftwareRenderer(surface) : nullptr) {}
    ~SurfaceRenderer() {
        if (renderer) SDL_DestroyRenderer(renderer);
        if (surface) SDL_FreeSurface(surface);
    }
    SDL_Color At(int x, int y) const {
        Uint32 px = static_cast<const Uint32*>(surface->pixels)[y * surface->pitch / 4 + x];
        SDL_Color c;
        SDL_GetRGB(px, surface->format, &c.r, &c.g, &c.b);
        return c;
    }
    SDL_Surface* surface;
    SDL_Renderer* renderer;
};

TEST_F(AvPlayerFileTest, DrawsThePictureWithItsAspectRatio) {
    SurfaceRenderer out(400, 200);
    ASSERT_TRUE(out.renderer) << SDL_GetError();
    SDL_SetRenderDrawColor(out.renderer, 255, 255, 255, 255);
    SDL_RenderClear(out.renderer);
    // A 4:3 picture in a 320x120 area at (40, 40): 160x120 centred at x 120.
    const SDL_Rect area{40, 40, 320, 120};
    EXPECT_FALSE(m_player->Draw(out.renderer, area)) << "no picture yet";
    ASSERT_TRUE(m_player->Open(Url()));
    ASSERT_TRUE(m_player->Play());
    ASSERT_TRUE(WaitFor([&] { return m_player->PictureCount() >= 1; }, 3000));
    m_player->Pause();
    ASSERT_TRUE(m_player->Draw(out.renderer, area));
    SDL_RenderPresent(out.renderer);

    SDL_Color outside = out.At(10, 10), bar = out.At(60, 100), red = out.At(160, 120), blue = out.At(240, 120);
    SDL_Color rightBar = out.At(340, 100);
    EXPECT_EQ(outside.r + outside.g + outside.b, 3 * 255) << "nothing drawn outside the area";
    EXPECT_LT(bar.r + bar.g + bar.b, 10) << "black beside the picture";
    EXPECT_LT(rightBar.r + rightBar.g + rightBar.b, 10);
    EXPECT_GT(red.r, 200);
    EXPECT_LT(red.g, 60);
    EXPECT_LT(red.b, 60);
    EXPECT_LT(blue.r, 60);
    EXPECT_LT(blue.g, 60);
    EXPECT_GT(blue.b, 200);
    // The band at the top of the picture is grey, not part of the bars.
    SDL_Color band = out.At(160, 45);
    EXPECT_NEAR(band.r, band.b, 12);

    // A new renderer gets the same picture again.
    SurfaceRenderer other(160, 120);
    ASSERT_TRUE(m_player->Draw(other.renderer, SDL_Rect{0, 0, 160, 120}));
    SDL_Color again = other.At(40, 80);
    EXPECT_GT(again.r, 200);
    m_player->ReleaseTexture();
}

}  // namespace

namespace {

// A clip with a sound track: the tone goes to SDL's (dummy) audio device
// while the pictures keep their pace.
TEST(AvPlayerAudioTest, PlaysTheSoundBesideThePictures) {
    kelvo::testsupport::TempDir dir;
    avtest::ClipSpec spec;
    spec.audio = true;
    ASSERT_EQ(avtest::WriteClip(dir.File("tone.mp4"), spec), "");
    auto player = AvPlayer::Create(nullptr, nullptr);
    ASSERT_TRUE(player->Open("file://" + dir.File("tone.mp4")));
    ASSERT_TRUE(player->HasAudio()) << SDL_GetError();
    ASSERT_TRUE(player->Play());
    uint32_t most = 0;
    Clock::time_point t0 = Clock::now();
    bool ended = false;
    while (!ended && MsSince(t0) < 8000) {
        most = std::max(most, player->QueuedAudioBytes());
        ended = player->WaitCompletion(20);
    }
    ASSERT_TRUE(ended);
    EXPECT_FALSE(player->PlaybackFailed());
    EXPECT_EQ(player->PictureCount(), 30u);
    EXPECT_GE(MsSince(t0), 2500);
    EXPECT_GT(most, 0u) << "sound was queued";
    // Queued sound stays well below a second: it is read at the pictures' pace.
    EXPECT_LT(most, 44100u * 2);
    // The device plays what is left in real time.
    EXPECT_TRUE(WaitFor([&] { return player->QueuedAudioBytes() == 0; }, 2000));
    player->Close();
    EXPECT_FALSE(player->HasAudio());
}

}  // namespace

namespace {

// Speed and single steps: the clock runs `speed` times as fast, every picture is still shown,
// a step shows exactly the next one, and the sound is dropped off 1x.
class AvPlayerSpeedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<kelvo::testsupport::TempDir>();
        avtest::ClipSpec two;
        two.frames = 20;  // 2 s at 10 fps
        s_error = avtest::WriteClip(s_dir->File("two.mp4"), two);
        avtest::ClipSpec tone;
        tone.audio = true;
        if (s_error.empty()) s_error = avtest::WriteClip(s_dir->File("tone.mp4"), tone);
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    void SetUp() override {
        ASSERT_EQ(s_error, "");
        m_player = AvPlayer::Create(nullptr, nullptr);
    }
    static std::string Url(const char* name) { return "file://" + s_dir->File(name); }
    int ShownIndex() const {
        PlayerPicture p;
        if (!m_player->CopyPicture(&p)) return -1;
        return avtest::IndexFromBand(avtest::BandMean(p.bytes, p.width));
    }
    // Milliseconds from Play to the reported end, or -1 after `limitMs`.
    int64_t PlayToEnd(int limitMs) {
        Clock::time_point t0 = Clock::now();
        if (!m_player->Play()) return -1;
        while (MsSince(t0) < limitMs)
            if (m_player->WaitCompletion(10)) return MsSince(t0);
        return -1;
    }

    static std::unique_ptr<kelvo::testsupport::TempDir> s_dir;
    static std::string s_error;
    std::shared_ptr<AvPlayer> m_player;
};
std::unique_ptr<kelvo::testsupport::TempDir> AvPlayerSpeedTest::s_dir;
std::string AvPlayerSpeedTest::s_error;

TEST_F(AvPlayerSpeedTest, FourTimesPlaysATwoSecondFileInHalfASecondShowingEveryPicture) {
    EXPECT_DOUBLE_EQ(1.0, m_player->GetSpeed());
    m_player->SetSpeed(4);  // before the open: kept for the file
    ASSERT_TRUE(m_player->Open(Url("two.mp4")));
    const int64_t ms = PlayToEnd(5000);
    ASSERT_GE(ms, 0);
    EXPECT_GE(ms, 400);
    EXPECT_LT(ms, 1100) << "at 1x the file takes 2 s";
    EXPECT_EQ(m_player->PictureCount(), 20u);
    EXPECT_EQ(ShownIndex(), 19);

    // Sixteen times: the pace is still the file's, only faster.
    m_player->SetSpeed(16);
    ASSERT_TRUE(m_player->Open(Url("two.mp4")));
    const int64_t fast = PlayToEnd(5000);
    ASSERT_GE(fast, 0);
    EXPECT_GE(fast, 80);
    EXPECT_LT(fast, 600);
    EXPECT_EQ(m_player->PictureCount(), 40u);

    // Out-of-range factors are clamped.
    m_player->SetSpeed(100);
    EXPECT_DOUBLE_EQ(16.0, m_player->GetSpeed());
    m_player->SetSpeed(0);
    EXPECT_DOUBLE_EQ(0.5, m_player->GetSpeed());
}

TEST_F(AvPlayerSpeedTest, HalfSpeedSetWhilePlayingSlowsTheClockFromThere) {
    ASSERT_TRUE(m_player->Open(Url("two.mp4")));
    ASSERT_TRUE(m_player->Play());
    ASSERT_TRUE(WaitFor([&] { return m_player->GetCurrentDuration() >= 0.3; }, 3000));
    m_player->SetSpeed(0.5);
    const double from = m_player->GetCurrentDuration();
    Clock::time_point t0 = Clock::now();
    // Half a second of the file now takes a second.
    ASSERT_TRUE(WaitFor([&] { return m_player->GetCurrentDuration() >= from + 0.5; }, 4000));
    // The next picture shows at once (the clock restarts there), the four after it take 200 ms each.
    EXPECT_GE(MsSince(t0), 700);
    m_player->SetSpeed(1);
    t0 = Clock::now();
    const double back = m_player->GetCurrentDuration();
    ASSERT_TRUE(WaitFor([&] { return m_player->GetCurrentDuration() >= back + 0.5; }, 4000));
    EXPECT_LT(MsSince(t0), 700);
}

TEST_F(AvPlayerSpeedTest, AStepShowsExactlyTheNextPictureAndStaysPaused) {
    ASSERT_TRUE(m_player->Open(Url("two.mp4")));
    ASSERT_TRUE(m_player->Play());
    ASSERT_TRUE(WaitFor([&] { return m_player->PictureCount() >= 3; }, 3000));
    m_player->Pause();
    uint64_t count = m_player->PictureCount();
    int index = ShownIndex();
    for (int step = 1; step <= 3; ++step) {
        m_player->StepFrame();
        ASSERT_TRUE(WaitFor([&] { return m_player->PictureCount() > count; }, 2000)) << step;
        EXPECT_EQ(count + 1, m_player->PictureCount());
        EXPECT_EQ(index + 1, ShownIndex());
        EXPECT_NEAR(m_player->GetCurrentDuration(), (index + 1) / 10.0, 0.01);
        count = m_player->PictureCount();
        index = ShownIndex();
    }
    // Nothing to wait on here: we check that no further picture comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(count, m_player->PictureCount());
    EXPECT_FALSE(m_player->WaitCompletion(0));

    // A step while playing pauses there; resuming plays on from the stepped picture.
    m_player->Resume();
    ASSERT_TRUE(WaitFor([&] { return m_player->PictureCount() >= count + 2; }, 2000));
    m_player->StepFrame();
    const uint64_t stepped = m_player->PictureCount() + 1;
    ASSERT_TRUE(WaitFor([&] { return m_player->PictureCount() >= stepped; }, 2000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(stepped, m_player->PictureCount());
    m_player->Resume();
    EXPECT_TRUE(PlayToEnd(4000) >= 0);
    EXPECT_EQ(ShownIndex(), 19);
}

TEST_F(AvPlayerSpeedTest, TheSoundIsDroppedOffNormalSpeed) {
    ASSERT_TRUE(m_player->Open(Url("tone.mp4")));
    ASSERT_TRUE(m_player->HasAudio()) << SDL_GetError();
    m_player->SetSpeed(2);
    ASSERT_TRUE(m_player->Play());
    uint32_t most = 0;
    Clock::time_point t0 = Clock::now();
    bool ended = false;
    while (!ended && MsSince(t0) < 5000) {
        most = std::max(most, m_player->QueuedAudioBytes());
        ended = m_player->WaitCompletion(20);
    }
    ASSERT_TRUE(ended);
    EXPECT_LT(MsSince(t0), 2500) << "3 s at 2x";
    EXPECT_EQ(most, 0u) << "no sound queued at 2x";
    EXPECT_EQ(m_player->PictureCount(), 30u);

    // Back at 1x the sound plays again (the same player opening a second file with sound).
    m_player->SetSpeed(1);
    ASSERT_TRUE(m_player->Open(Url("tone.mp4")));
    ASSERT_TRUE(m_player->HasAudio()) << SDL_GetError();
    ASSERT_TRUE(m_player->Play());
    EXPECT_TRUE(WaitFor([&] { return m_player->QueuedAudioBytes() > 0; }, 3000));
}

}  // namespace
