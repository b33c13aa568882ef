// What Draw puts on the screen: read back from an SDL software renderer.
#include "VideoRenderer.h"

#include "Canvas.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using kelvo::MouseAction;
using kelvo::VideoRenderer;
using rendertest::Canvas;
using rendertest::Same;
using rendertest::SolidI420;

const SDL_Color kMagenta{255, 0, 255, 255};
const SDL_Color kBlack{0, 0, 0, 255};
const SDL_Color kGap{0x15, 0x19, 0x1E, 255};
const SDL_Color kSelected{0x4C, 0x9B, 0xE8, 255};
const SDL_Color kHover{0x45, 0x77, 0xA0, 255};
const char kFont[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

struct Yuv {
    uint8_t y, u, v;
};
const Yuv kRed{81, 90, 240};
const Yuv kGreen{145, 54, 34};
const Yuv kBlue{41, 240, 110};

class RendererDrawTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(canvas.Ok()); }

    // The colour SDL makes of a solid picture, for comparisons.
    SDL_Color Reference(Yuv c)
    {
        Canvas probe(64, 48);
        VideoRenderer ref;
        ref.SetFontPath("/nonexistent");
        ref.Start(0, 0, 64, 48, probe.Renderer());
        ref.SetLayout(1, 1, 1, 1);
        const int v = ref.CreateView(32, 24, 1);
        const auto pic = SolidI420(32, 24, c.y, c.u, c.v);
        ref.ShowPicture(v, pic.data(), 32, 24);
        ref.SetFitMode(1);
        ref.Draw();
        return probe.At(32, 24);
    }
    // True when every sampled pixel of the rectangle has colour c.
    bool Uniform(const SDL_Rect& r, SDL_Color c, int tol = 2)
    {
        for (int y = r.y; y < r.y + r.h; y += std::max(1, r.h / 16))
            for (int x = r.x; x < r.x + r.w; x += std::max(1, r.w / 16))
                if (!Same(canvas.At(x, y), c, tol))
                    return false;
        return Same(canvas.At(r.x + r.w - 1, r.y + r.h - 1), c, tol);
    }

    Canvas canvas{420, 320};
    VideoRenderer r;
};

TEST_F(RendererDrawTest, RegionGetsGapsAndBlackPanesAndNothingElse)
{
    r.SetFontPath("/nonexistent");  // no state texts in the way
    ASSERT_TRUE(r.Start(10, 10, 402, 302, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(2, 2, 1, 1));
    canvas.Clear(kMagenta);
    r.Draw();
    EXPECT_TRUE(Same(canvas.At(5, 5), kMagenta)) << "outside the region";
    EXPECT_TRUE(Same(canvas.At(415, 315), kMagenta));
    EXPECT_TRUE(Same(canvas.At(210, 50), kGap));  // vertical gap 210..211
    EXPECT_TRUE(Same(canvas.At(211, 50), kGap));
    EXPECT_TRUE(Same(canvas.At(50, 161), kGap));  // horizontal gap 160..161
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Uniform(r.Layout().PaneRect(i), kBlack)) << "pane " << i;
    EXPECT_EQ(SDL_RenderIsClipEnabled(canvas.Renderer()), SDL_FALSE) << "clip state restored";
}

TEST_F(RendererDrawTest, FitModesPlaceThePicture)
{
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    const int v = r.CreateView(320, 120, 1);
    const auto pic = SolidI420(320, 120, kGreen.y, kGreen.u, kGreen.v);
    const SDL_Color green = Reference(kGreen);
    ASSERT_GT(green.g, green.r + 50);

    struct Expect {
        int mode;
        SDL_Rect dst;
    } cases[] = {{0, {0, 75, 400, 150}}, {1, {0, 0, 400, 300}}, {2, {40, 90, 320, 120}}};
    for (const Expect& e : cases) {
        SCOPED_TRACE(e.mode);
        ASSERT_TRUE(r.SetFitMode(e.mode));
        ASSERT_TRUE(r.ShowPicture(v, pic.data(), 320, 120));
        canvas.Clear(kMagenta);
        r.Draw();
        EXPECT_TRUE(Uniform(e.dst, green));
        const SDL_Rect& d = e.dst;
        if (d.y > 0) {
            EXPECT_TRUE(Same(canvas.At(d.x + 5, d.y - 1), kBlack));
            EXPECT_TRUE(Same(canvas.At(d.x + 5, d.y + d.h), kBlack));
        }
        if (d.x > 0) {
            EXPECT_TRUE(Same(canvas.At(d.x - 1, d.y + 5), kBlack));
            EXPECT_TRUE(Same(canvas.At(d.x + d.w, d.y + 5), kBlack));
        }
    }
}

TEST_F(RendererDrawTest, TrueSizeCropsTheCentreOfALargePicture)
{
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    ASSERT_TRUE(r.SetFitMode(2));
    // 800x300: red | green | blue in bands of 200, 400, 200 columns.
    const int w = 800, h = 300;
    auto pic = SolidI420(w, h, 0, 0, 0);
    uint8_t* y = pic.data();
    uint8_t* u = y + w * h;
    uint8_t* vv = u + (w / 2) * (h / 2);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const Yuv c = col < 200 ? kRed : col < 600 ? kGreen : kBlue;
            y[row * w + col] = c.y;
            if (row % 2 == 0 && col % 2 == 0) {
                u[(row / 2) * (w / 2) + col / 2] = c.u;
                vv[(row / 2) * (w / 2) + col / 2] = c.v;
            }
        }
    const int v = r.CreateView(w, h, 1);
    ASSERT_TRUE(r.ShowPicture(v, pic.data(), w, h));
    r.Draw();
    EXPECT_TRUE(Uniform(SDL_Rect{0, 0, 400, 300}, Reference(kGreen), 3)) << "only the middle band shows";
}

TEST_F(RendererDrawTest, SelectionAndHoverFrames)
{
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 402, 302, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(2, 2, 1, 1));
    r.HandleMouse(300, 50, MouseAction::LEFT_DOWN, 0);  // pane 1: x 202..401, y 0..149
    r.HandleMouse(50, 250, MouseAction::MOVE, 0);       // hover pane 2
    r.Draw();
    for (int x : {202, 203, 400, 401})
        EXPECT_TRUE(Same(canvas.At(x, 70), kSelected)) << x;
    for (int y : {0, 1, 148, 149})
        EXPECT_TRUE(Same(canvas.At(300, y), kSelected)) << y;
    EXPECT_TRUE(Same(canvas.At(204, 70), kBlack)) << "the frame is 2 px";
    EXPECT_TRUE(Same(canvas.At(300, 2), kBlack));
    EXPECT_TRUE(Same(canvas.At(0, 152), kHover));
    EXPECT_TRUE(Same(canvas.At(1, 200), kBlack)) << "hover is 1 px";
    EXPECT_TRUE(Same(canvas.At(0, 70), kBlack)) << "pane 0 has no frame";

    r.HandleMouse(50, 50, MouseAction::LEFT_DOWN, 0);
    r.Draw();
    EXPECT_TRUE(Same(canvas.At(202, 70), kBlack)) << "the old frame goes";
    EXPECT_TRUE(Same(canvas.At(0, 70), kSelected));
}

TEST_F(RendererDrawTest, TitlesDrawOnADarkenedStrip)
{
    if (SDL_RWops* f = SDL_RWFromFile(kFont, "rb"))
        SDL_RWclose(f);
    else
        GTEST_SKIP() << "no CJK font installed";
    ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    ASSERT_TRUE(r.SetFitMode(1));
    const int v = r.CreateView(64, 48, 1);
    const auto white = SolidI420(64, 48, 235, 128, 128);
    ASSERT_TRUE(r.SetTitle(v, "大门 Gate 1"));

    auto countBright = [&](int threshold) {
        int n = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 120; ++x)
                n += canvas.At(x, y).r > threshold;
        return n;
    };
    // On black, only the text lights the strip.
    r.Draw();
    EXPECT_GT(countBright(100), 20);
    r.SetTitlesVisible(false);
    r.Draw();
    EXPECT_EQ(countBright(100), 0);

    // On a white picture the strip is 60 % black; below it stays white.
    r.SetTitlesVisible(true);
    ASSERT_TRUE(r.ShowPicture(v, white.data(), 64, 48));
    r.Draw();
    const SDL_Color strip = canvas.At(390, 3);
    EXPECT_NEAR(strip.r, 255 * 0.4, 12);
    EXPECT_GT(canvas.At(390, 40).r, 240);
    // A new title replaces the cached one.
    ASSERT_TRUE(r.SetTitle(v, ""));
    r.Draw();
    EXPECT_GT(canvas.At(390, 3).r, 240) << "no strip without a title";
}

// Empty, connecting and reconnecting panes each show a centred text.
TEST_F(RendererDrawTest, StateTextsMarkPanesWithoutPictures)
{
    if (SDL_RWops* f = SDL_RWFromFile(kFont, "rb"))
        SDL_RWclose(f);
    else
        GTEST_SKIP() << "no CJK font installed";
    ASSERT_TRUE(r.Start(0, 0, 402, 100, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(3, 1, 1, 1));
    r.CreateView(64, 48, 1);
    r.SetReconnecting(r.CreateView(64, 48, 1), 0);
    r.Draw();
    std::vector<std::vector<bool>> masks;
    for (int i : {2, 0, 1}) {  // empty, connecting, reconnecting
        const SDL_Rect p = r.Layout().PaneRect(i);
        std::vector<bool> mask;
        int lit = 0;
        for (int y = p.y + 30; y < p.y + 70; ++y)
            for (int x = p.x + 20; x < p.x + 112; ++x) {
                mask.push_back(!Same(canvas.At(x, y), kBlack));
                lit += mask.back();
            }
        EXPECT_GT(lit, 10) << "pane " << i;
        EXPECT_TRUE(Same(canvas.At(p.x + 3, p.y + 3), kBlack)) << "text is centred";
        masks.push_back(mask);
    }
    EXPECT_NE(masks[0], masks[1]);
    EXPECT_NE(masks[1], masks[2]);
}

TEST_F(RendererDrawTest, MissingFontOnlyHidesTexts)
{
    r.SetFontPath("/nonexistent/font.ttc");
    ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(2, 1, 1, 1));
    const int v = r.CreateView(64, 48, 1);
    ASSERT_TRUE(r.SetTitle(v, "Gate"));
    r.SetReconnecting(v, 0);
    r.Draw();
    EXPECT_TRUE(Uniform(r.Layout().PaneRect(0), kBlack));
    EXPECT_TRUE(Uniform(r.Layout().PaneRect(1), kBlack));
}

TEST_F(RendererDrawTest, ReconnectingReplacesThePictureUntilTheNextOne)
{
    ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    ASSERT_TRUE(r.SetFitMode(1));
    const int v = r.CreateView(64, 48, 1);
    const auto pic = SolidI420(64, 48, kGreen.y, kGreen.u, kGreen.v);
    const SDL_Color green = Reference(kGreen);
    ASSERT_TRUE(r.ShowPicture(v, pic.data(), 64, 48));
    r.Draw();
    EXPECT_TRUE(Same(canvas.At(20, 280), green, 2));
    ASSERT_TRUE(r.SetReconnecting(v, 0));
    r.Draw();
    EXPECT_TRUE(Same(canvas.At(20, 280), kBlack)) << "a stale picture is not shown while reconnecting";
    ASSERT_TRUE(r.ShowPicture(v, pic.data(), 64, 48));
    r.Draw();
    EXPECT_TRUE(Same(canvas.At(20, 280), green, 2));
}

TEST_F(RendererDrawTest, LatestPictureWinsAndSizeChangesAreFollowed)
{
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    ASSERT_TRUE(r.SetFitMode(1));
    const int v = r.CreateView(64, 48, 1);
    const auto red = SolidI420(64, 48, kRed.y, kRed.u, kRed.v);
    const auto blue = SolidI420(33, 17, kBlue.y, kBlue.u, kBlue.v);  // odd size, new texture
    ASSERT_TRUE(r.ShowPicture(v, red.data(), 64, 48));
    ASSERT_TRUE(r.ShowPicture(v, blue.data(), 33, 17));
    r.Draw();
    EXPECT_TRUE(Uniform(SDL_Rect{0, 0, 400, 300}, Reference(kBlue)));
    ASSERT_TRUE(r.ShowPicture(v, red.data(), 64, 48));
    r.Draw();
    EXPECT_TRUE(Uniform(SDL_Rect{0, 0, 400, 300}, Reference(kRed)));
}

TEST_F(RendererDrawTest, RetargetingRebuildsViewsOnTheNewRenderer)
{
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    ASSERT_TRUE(r.SetFitMode(1));
    const int v = r.CreateView(64, 48, 1);
    const auto pic = SolidI420(64, 48, kRed.y, kRed.u, kRed.v);
    ASSERT_TRUE(r.ShowPicture(v, pic.data(), 64, 48));
    r.Draw();
    const SDL_Color red = Reference(kRed);
    ASSERT_TRUE(Same(canvas.At(200, 150), red, 2));

    // Full screen: another window, another renderer, no new picture yet.
    {
        Canvas full(640, 360);
        ASSERT_TRUE(full.Ok());
        ASSERT_TRUE(r.Start(0, 0, 640, 360, full.Renderer()));
        EXPECT_EQ(r.SurfaceHandle(), full.Renderer());
        canvas.Clear(kMagenta);
        r.Draw();
        EXPECT_TRUE(Same(full.At(600, 340), red, 2));
        EXPECT_TRUE(Same(canvas.At(200, 150), kMagenta)) << "the old surface is left alone";
        // Back before the full-screen renderer goes.
        ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    }
    r.Draw();
    EXPECT_TRUE(Same(canvas.At(200, 150), red, 2));
    r.Stop();
    canvas.Clear(kMagenta);
    r.Draw();
    EXPECT_TRUE(Same(canvas.At(200, 150), kMagenta));
    EXPECT_EQ(r.SurfaceHandle(), nullptr);
}

// Stream threads push solid pictures while the UI thread draws: every pane
// must always show one whole picture, and the last one in the end.
TEST_F(RendererDrawTest, PicturesFromManyThreadsNeverTear)
{
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 402, 302, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(2, 2, 1, 1));
    ASSERT_TRUE(r.SetFitMode(1));
    const SDL_Color red = Reference(kRed);
    const SDL_Color blue = Reference(kBlue);
    const auto redPic = SolidI420(176, 144, kRed.y, kRed.u, kRed.v);
    const auto bluePic = SolidI420(176, 144, kBlue.y, kBlue.u, kBlue.v);
    std::vector<int> views;
    for (int i = 0; i < 4; ++i)
        views.push_back(r.CreateView(176, 144, 1));

    // Writers alternate colours until the UI thread has drawn often enough
    // to have met them mid-stream, then end on blue.
    constexpr int kDraws = 40;
    std::atomic<int> draws{0};
    std::atomic<int> running{4};
    std::vector<uint64_t> pushed(4, 0);
    std::vector<std::thread> writers;
    for (int i = 0; i < 4; ++i)
        writers.emplace_back([&, i] {
            const int view = views[size_t(i)];
            for (uint64_t n = 0; draws.load() < kDraws; ++n) {
                r.ShowPicture(view, (n % 2 ? redPic : bluePic).data(), 176, 144);
                ++pushed[size_t(i)];
            }
            r.ShowPicture(view, bluePic.data(), 176, 144);
            ++pushed[size_t(i)];
            running.fetch_sub(1);
        });

    int torn = 0;
    while (running.load() > 0 || draws.load() < kDraws) {
        r.Draw();
        draws.fetch_add(1);
        for (int i = 0; i < 4; ++i) {
            const SDL_Rect p = r.Layout().PaneRect(i);
            const SDL_Color c = canvas.At(p.x, p.y);
            if (!Same(c, kBlack) && !((Same(c, red, 2) && Uniform(p, red)) || (Same(c, blue, 2) && Uniform(p, blue))))
                ++torn;
        }
    }
    for (auto& t : writers)
        t.join();
    r.Draw();
    EXPECT_EQ(torn, 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Uniform(r.Layout().PaneRect(i), blue)) << "pane " << i;
        EXPECT_EQ(r.PicturesReceived(views[size_t(i)]), pushed[size_t(i)]);
    }
}

// The wall removes a view while its stream thread may still deliver a last
// picture: the late picture is refused, nothing is touched after removal.
TEST_F(RendererDrawTest, RemovingAViewWhileItsStreamStillPushesIsSafe)
{
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 400, 300, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    const auto pic = SolidI420(176, 144, kRed.y, kRed.u, kRed.v);
    for (int round = 0; round < 20; ++round) {
        const int v = r.CreateView(176, 144, 1);
        ASSERT_NE(v, 0);
        std::atomic<bool> accepted{false};
        std::atomic<bool> refused{false};
        std::thread stream([&] {
            while (!refused.load()) {
                if (r.ShowPicture(v, pic.data(), 176, 144))
                    accepted.store(true);
                else
                    refused.store(true);
            }
        });
        while (!accepted.load())
            std::this_thread::yield();
        r.Draw();
        ASSERT_TRUE(r.RemoveView(v));
        r.Draw();
        stream.join();
        EXPECT_TRUE(Uniform(SDL_Rect{0, 0, 400, 300}, kBlack));
    }
}

}  // namespace

TEST_F(RendererDrawTest, StatusBadgesNoticesAndFiguresDrawOverTheirPanes)
{
    if (SDL_RWops* f = SDL_RWFromFile(kFont, "rb"))
        SDL_RWclose(f);
    else
        GTEST_SKIP() << "no CJK font installed";
    ASSERT_TRUE(r.Start(0, 0, 402, 302, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(2, 2, 1, 1));
    ASSERT_TRUE(r.SetFitMode(1));
    const int live = r.CreateView(64, 48, 1);
    const int failed = r.CreateView(64, 48, 1);
    const auto pic = SolidI420(64, 48, kGreen.y, kGreen.u, kGreen.v);
    const SDL_Color green = Reference(kGreen);
    ASSERT_TRUE(r.ShowPicture(live, pic.data(), 64, 48));
    r.Draw();
    const SDL_Rect p0 = r.Layout().PaneRect(0), p1 = r.Layout().PaneRect(1), p2 = r.Layout().PaneRect(2);
    const int cx = p0.x + p0.w / 2, cy = p0.y + p0.h / 2;
    ASSERT_TRUE(Same(canvas.At(cx, cy), green, 2));

    // Over a live picture the badge darkens the centre and leaves the rest.
    ASSERT_TRUE(r.SetStatus(live, {"无信号 5 秒", kelvo::PaneIcon::WARNING}));
    r.Draw();
    int darkened = 0, amber = 0;
    for (int y = cy - 8; y <= cy + 8; ++y)
        for (int x = p0.x + 20; x < p0.x + p0.w - 20; ++x) {
            const SDL_Color c = canvas.At(x, y);
            darkened += c.g < green.g - 40 && c.r < 200;
            amber += c.r > 200 && c.g > 140 && c.b < 90;
        }
    EXPECT_GT(darkened, 50);
    EXPECT_GT(amber, 10) << "the warning icon";
    EXPECT_TRUE(Same(canvas.At(p0.x + 5, p0.y + p0.h - 5), green, 2));

    // A failed view shows its words instead of the plain failure text: the
    // error icon is red; with the status cleared the plain text is back.
    r.SetFailed(failed);
    ASSERT_TRUE(r.SetStatus(failed, {"服务器拒绝了视频请求", kelvo::PaneIcon::ERROR}));
    r.Draw();
    auto redIn = [&](const SDL_Rect& p) {
        int red = 0;
        for (int y = p.y; y < p.y + p.h; ++y)
            for (int x = p.x; x < p.x + p.w; ++x) {
                const SDL_Color c = canvas.At(x, y);
                red += c.r > 200 && c.g < 100 && c.b < 100;
            }
        return red;
    };
    EXPECT_GT(redIn(p1), 10);
    ASSERT_TRUE(r.SetStatus(failed, {}));
    r.Draw();
    EXPECT_EQ(redIn(p1), 0);

    // An empty pane shows its notice, and "no video" again once cleared.
    r.SetPaneNotice(2, {"已达到视频路数上限", kelvo::PaneIcon::ERROR});
    r.Draw();
    EXPECT_GT(redIn(p2), 10);
    r.ClearPaneNotices();
    r.Draw();
    EXPECT_EQ(redIn(p2), 0);

    // Figures sit at the top left below the title strip; the picture's
    // bottom right corner stays untouched.
    ASSERT_TRUE(r.SetStatus(live, {}));
    ASSERT_TRUE(r.SetTitle(live, "Gate"));
    ASSERT_TRUE(r.SetFigures(live, {"H.264 64x48", "25.0 fps"}));
    r.Draw();
    const int titleBottom = p0.y + 20;
    int figureText = 0;
    for (int y = titleBottom; y < titleBottom + 24; ++y)
        for (int x = p0.x; x < p0.x + 80; ++x)
            figureText += !Same(canvas.At(x, y), green, 40);
    EXPECT_GT(figureText, 100);
    EXPECT_TRUE(Same(canvas.At(p0.x + p0.w - 5, p0.y + p0.h - 5), green, 2));
    // The wait in the slot is measured from the picture's arrival there
    // (not from the start of the clock).
    while (SDL_GetTicks() < 1500)
        SDL_Delay(20);
    ASSERT_TRUE(r.ShowPicture(live, pic.data(), 64, 48));
    r.Draw();
    EXPECT_LT(r.LastSlotDelayMs(live), 500);
    EXPECT_GE(r.LastSlotDelayMs(live), 0);
    EXPECT_FALSE(r.SetStatus(999, {"x", kelvo::PaneIcon::NONE}));
    EXPECT_FALSE(r.SetFigures(999, {"x"}));
}
