// A view whose stream gave up, and a surface destroyed under the renderer.
#include "VideoRenderer.h"

#include "Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using kelvo::VideoRenderer;
using rendertest::Canvas;
using rendertest::Same;
using rendertest::SolidI420;

const SDL_Color kBlack{0, 0, 0, 255};
const char kFont[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

std::vector<bool> TextMask(Canvas& canvas, const SDL_Rect& p) {
    std::vector<bool> mask;
    for (int y = p.y + 30; y < p.y + 70; ++y)
        for (int x = p.x + 20; x < p.x + 112; ++x) mask.push_back(!Same(canvas.At(x, y), kBlack));
    return mask;
}

}  // namespace

TEST(ViewState, FailedViewShowsItsOwnTextUntilAPictureAndIsGivenUpFirst) {
    if (SDL_RWops* f = SDL_RWFromFile(kFont, "rb"))
        SDL_RWclose(f);
    else
        GTEST_SKIP() << "no CJK font installed";
    Canvas canvas(402, 100);
    VideoRenderer r;
    ASSERT_TRUE(r.Start(0, 0, 402, 100, canvas.Renderer()));
    ASSERT_TRUE(r.SetLayout(3, 1, 1, 1));
    const int connecting = r.CreateView(64, 48, 1);
    const int reconnecting = r.CreateView(64, 48, 1);
    const int failed = r.CreateView(64, 48, 1);
    r.SetReconnecting(reconnecting, 0);
    ASSERT_TRUE(r.SetFailed(failed));
    EXPECT_FALSE(r.SetFailed(999));
    r.Draw();
    const auto a = TextMask(canvas, r.Layout().PaneRect(0));
    const auto b = TextMask(canvas, r.Layout().PaneRect(1));
    const auto c = TextMask(canvas, r.Layout().PaneRect(2));
    EXPECT_NE(c, a);
    EXPECT_NE(c, b);
    EXPECT_NE(std::count(c.begin(), c.end(), true), 0);
    // Given up before a view that is still connecting; the lower number breaks the tie.
    EXPECT_EQ(reconnecting, r.ViewToGiveUp());
    r.ShowPicture(reconnecting, SolidI420(64, 48, 200, 128, 128).data(), 64, 48);
    EXPECT_EQ(failed, r.ViewToGiveUp());

    const auto pic = SolidI420(64, 48, 200, 128, 128);
    ASSERT_TRUE(r.ShowPicture(failed, pic.data(), 64, 48));
    r.Draw();
    const SDL_Rect p = r.Layout().PaneRect(2);
    EXPECT_FALSE(Same(canvas.At(p.x + p.w / 2, p.y + p.h / 2), kBlack)) << "the picture replaces the text";
    EXPECT_EQ(connecting, r.ViewToGiveUp());
    // Reconnecting after a failure shows the reconnecting state, not both.
    r.SetFailed(failed);
    r.SetReconnecting(failed, 0);
    r.Draw();
    EXPECT_EQ(b, TextMask(canvas, r.Layout().PaneRect(2)));
}

TEST(ViewState, AbandonedSurfaceIsRebuiltFromTheKeptPictureOnTheNext) {
    auto first = std::make_unique<Canvas>(200, 150);
    VideoRenderer r;
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 200, 150, first->Renderer()));
    r.SetFitMode(1);
    const int v = r.CreateView(64, 48, 1);
    const auto pic = SolidI420(64, 48, 200, 128, 128);
    ASSERT_TRUE(r.ShowPicture(v, pic.data(), 64, 48));
    r.Draw();
    const SDL_Color grey = first->At(100, 75);
    ASSERT_FALSE(Same(grey, kBlack));
    // The surface's owner destroys it, textures and all.
    r.AbandonSurface();
    EXPECT_EQ(nullptr, r.SurfaceHandle());
    first.reset();
    Canvas second(200, 150);
    ASSERT_TRUE(r.Start(0, 0, 200, 150, second.Renderer()));
    r.Draw();
    EXPECT_TRUE(Same(second.At(100, 75), grey, 1));
}
