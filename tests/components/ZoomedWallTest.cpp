// Digital zoom on the video wall: the wheel, drags, the reset and the
// switch, read back from what Draw puts on an SDL software renderer.
#include "VideoRenderer.h"

#include "../renderer/Canvas.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

namespace {

using kelvo::MouseAction;
using kelvo::VideoRenderer;

constexpr int kW = 352;
constexpr int kH = 288;

class Selections : public kelvo::IRenderManagerCallBack {
public:
    void OnViewSelected(int, int view) override { views.push_back(view); }
    void OnSurfaceChanged() override {}
    std::vector<int> views;
};

// Grey picture: the left half dark, the right half light.
std::vector<uint8_t> HalfAndHalf()
{
    std::vector<uint8_t> pic = rendertest::SolidI420(kW, kH, 40, 128, 128);
    for (int y = 0; y < kH; ++y)
        std::fill(pic.begin() + y * kW + kW / 2, pic.begin() + (y + 1) * kW, uint8_t(200));
    return pic;
}

class ZoomedWallTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(canvas.Ok());
        r.SetCallback(&selections);
        r.SetFontPath("/nonexistent");  // no state texts in the way
        ASSERT_TRUE(r.Start(0, 0, 402, 302, canvas.Renderer()));
        ASSERT_TRUE(r.SetLayout(2, 2, 1, 1));
        ASSERT_TRUE(r.SetFitMode(kelvo::PictureFit::FILL));
        a = r.CreateView(kW, kH, 1);
        b = r.CreateView(kW, kH, 1);
        const std::vector<uint8_t> pic = HalfAndHalf();
        ASSERT_TRUE(r.ShowPicture(a, pic.data(), kW, kH));
        ASSERT_TRUE(r.ShowPicture(b, pic.data(), kW, kH));
        r.Draw();
        pane = r.Layout().PaneRect(0);
        midY = pane.y + pane.h / 2;
    }
    bool Dark(int x, int y) { return canvas.At(x, y).r < 100; }
    // Where the dark half of the picture ends on screen, along the middle row of a pane.
    int Boundary(const SDL_Rect& p)
    {
        r.Draw();
        for (int x = p.x + 2; x < p.x + p.w - 2; ++x)
            if (!Dark(x, p.y + p.h / 2))
                return x;
        return -1;
    }
    // Positive notches zoom in; four make 2x.
    void Wheel(int x, int y, int notches) { r.HandleMouse(x, y, MouseAction::WHEEL, notches); }

    rendertest::Canvas canvas{402, 302};
    Selections selections;
    VideoRenderer r;
    int a = 0, b = 0;
    SDL_Rect pane{};
    int midY = 0;
};

}  // namespace

TEST_F(ZoomedWallTest, TheWheelZoomsTheViewUnderTheCursorAroundTheCursor)
{
    ASSERT_NEAR(Boundary(pane), pane.x + pane.w / 2, 1);
    // 2x with the cursor three quarters across: the picture's middle, half
    // a pane left of the cursor, lands a quarter across.
    Wheel(pane.x + pane.w * 3 / 4, midY, 4);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(a), 2.0);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(b), 1.0);
    EXPECT_NEAR(Boundary(pane), pane.x + pane.w / 4, 2);
    const SDL_Rect other = r.Layout().PaneRect(1);
    EXPECT_NEAR(Boundary(other), other.x + other.w / 2, 1) << "the neighbour stays whole";
    EXPECT_TRUE(selections.views.empty()) << "the wheel selects nothing";

    // Back out, and past 1x: the whole picture again.
    Wheel(pane.x + 10, midY, -20);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(a), 1.0);
    EXPECT_NEAR(Boundary(pane), pane.x + pane.w / 2, 1);

    // Wheels over gaps and empty panes do nothing.
    Wheel(201, midY, 4);
    Wheel(300, 250, 4);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(a), 1.0);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(b), 1.0);
}

TEST_F(ZoomedWallTest, AClickStillOnlySelectsADragPansTheZoomedView)
{
    Wheel(pane.x + pane.w * 3 / 4, midY, 4);
    const int quarter = Boundary(pane);
    const int cx = pane.x + pane.w / 2;

    r.HandleMouse(cx, midY, MouseAction::LEFT_DOWN, 0);
    r.HandleMouse(cx, midY, MouseAction::LEFT_UP, 0);
    EXPECT_EQ(selections.views, std::vector<int>{a});
    EXPECT_EQ(Boundary(pane), quarter);

    // A press that wobbles a pixel or two is still a click.
    r.HandleMouse(cx, midY, MouseAction::LEFT_DOWN, 0);
    r.HandleMouse(cx + 2, midY + 1, MouseAction::MOVE, 0);
    EXPECT_EQ(Boundary(pane), quarter);
    // Past that the picture follows the mouse.
    r.HandleMouse(cx + 20, midY + 1, MouseAction::MOVE, 0);
    EXPECT_NEAR(Boundary(pane), quarter + 20, 2);
    r.HandleMouse(cx + 30, midY + 1, MouseAction::MOVE, 0);
    EXPECT_NEAR(Boundary(pane), quarter + 30, 2);
    r.HandleMouse(cx + 30, midY + 1, MouseAction::LEFT_UP, 0);
    // Moves after the release pan nothing.
    r.HandleMouse(cx + 60, midY, MouseAction::MOVE, 0);
    EXPECT_NEAR(Boundary(pane), quarter + 30, 2);
    EXPECT_EQ(selections.views, (std::vector<int>{a, a}));

    // A drag of an unzoomed view moves nothing.
    const SDL_Rect other = r.Layout().PaneRect(1);
    r.HandleMouse(other.x + 50, midY, MouseAction::LEFT_DOWN, 0);
    r.HandleMouse(other.x + 120, midY, MouseAction::MOVE, 0);
    r.HandleMouse(other.x + 120, midY, MouseAction::LEFT_UP, 0);
    EXPECT_NEAR(Boundary(other), other.x + other.w / 2, 1);
}

TEST_F(ZoomedWallTest, ResetAndTheSwitchBringEveryPictureBackWhole)
{
    Wheel(pane.x + 30, midY, 4);
    EXPECT_FALSE(r.ResetZoomAt(300, 50)) << "the neighbour was not zoomed";
    EXPECT_TRUE(r.ResetZoomAt(pane.x + 5, pane.y + 5));
    EXPECT_DOUBLE_EQ(r.ZoomFactor(a), 1.0);
    EXPECT_NEAR(Boundary(pane), pane.x + pane.w / 2, 1);

    // The zoom travels with its view when the view changes pane.
    Wheel(pane.x + 30, midY, 8);
    ASSERT_TRUE(r.PlaceView(a, 3));
    EXPECT_DOUBLE_EQ(r.ZoomFactor(a), 4.0);

    const SDL_Rect other = r.Layout().PaneRect(1);
    Wheel(other.x + 30, midY, 4);
    r.SetZoomEnabled(false);
    EXPECT_FALSE(r.ZoomEnabled());
    EXPECT_DOUBLE_EQ(r.ZoomFactor(a), 1.0);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(b), 1.0);
    Wheel(other.x + 30, midY, 4);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(b), 1.0) << "switched off, the wheel only hovers";
    EXPECT_EQ(r.HoveredPane(), 1);
    r.SetZoomEnabled(true);
    Wheel(other.x + 30, midY, 4);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(b), 2.0);
}

TEST_F(ZoomedWallTest, AZoomedViewShowsItsFactorInTheTopRightCorner)
{
    const char kFont[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
    if (access(kFont, R_OK) != 0)
        GTEST_SKIP() << "no font";
    r.SetFontPath(kFont);
    const SDL_Rect other = r.Layout().PaneRect(1);  // the light half lies on the right
    auto darkInCorner = [&] {
        r.Draw();
        int dark = 0;
        for (int y = other.y + 4; y < other.y + 50; ++y)
            for (int x = other.x + other.w - 60; x < other.x + other.w - 4; ++x)
                dark += Dark(x, y) ? 1 : 0;
        return dark;
    };
    EXPECT_EQ(darkInCorner(), 0);
    Wheel(other.x + other.w - 10, other.y + other.h / 2, 4);
    EXPECT_GT(darkInCorner(), 100) << "no badge";
    r.ResetZoomAt(other.x + 10, other.y + 10);
    EXPECT_EQ(darkInCorner(), 0);
}
