// Digital zoom of a picture in its pane: the shown part of the picture for
// every fit mode, the point under the cursor staying put, the clamps.
#include "PictureZoom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using kelvo::PictureFit;
using kelvo::PictureZoom;

const PictureFit::Mode kModes[] = {PictureFit::KEEP_ASPECT, PictureFit::FILL, PictureFit::TRUE_SIZE};

PictureZoom::Placement Place(PictureFit::Mode mode, SDL_Rect pane, int w, int h)
{
    PictureZoom::Placement p;
    EXPECT_TRUE(PictureZoom::Place(mode, pane, w, h, &p));
    return p;
}

::testing::AssertionResult Inside(const SDL_Rect& r, int w, int h)
{
    if (r.x >= 0 && r.y >= 0 && r.w >= 1 && r.h >= 1 && r.x + r.w <= w && r.y + r.h <= h)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "source " << r.x << "," << r.y << " " << r.w << "x" << r.h << " leaves " << w << "x" << h;
}

bool Equal(const SDL_Rect& a, const SDL_Rect& b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

struct Case {
    SDL_Rect pane;
    int w, h;
};
// Shapes that exercise letterboxing both ways, cropping and odd sizes.
const Case kCases[] = {
    {{10, 20, 400, 300}, 352, 288}, {{0, 0, 199, 301}, 353, 287}, {{5, 5, 640, 120}, 704, 576},
    {{0, 0, 300, 200}, 1921, 1081}, {{3, 7, 101, 99}, 7, 5},
};

}  // namespace

TEST(PictureZoom, AtOneTimesTheSourceIsWhatTheFitModeShows)
{
    PictureZoom z;
    EXPECT_FALSE(z.Zoomed());
    EXPECT_EQ(z.Label(), "1.0\xC3\x97");
    for (const Case& c : kCases) {
        for (PictureFit::Mode mode : kModes) {
            const PictureZoom::Placement p = Place(mode, c.pane, c.w, c.h);
            EXPECT_TRUE(Equal(z.Source(p), p.fitSrc)) << mode;
            // Nothing pans at 1x, and zooming out from 1x changes nothing.
            EXPECT_FALSE(z.PanBy(p, 30, -20));
            EXPECT_FALSE(z.ZoomAt(p, c.pane.x + 5, c.pane.y + 5, -3));
            EXPECT_TRUE(Equal(z.Source(p), p.fitSrc));
        }
    }
}

TEST(PictureZoom, FactorGoesByQuarterDoublingsUpToSixteenTimes)
{
    const PictureZoom::Placement p = Place(PictureFit::FILL, SDL_Rect{0, 0, 352, 288}, 352, 288);
    PictureZoom z;
    ASSERT_TRUE(z.ZoomAt(p, 176, 144, 4));
    EXPECT_DOUBLE_EQ(z.Factor(), 2.0);
    EXPECT_EQ(z.Label(), "2.0\xC3\x97");
    const SDL_Rect s = z.Source(p);
    EXPECT_EQ(s.w, 176);
    EXPECT_EQ(s.h, 144);
    EXPECT_TRUE(z.ZoomAt(p, 176, 144, 100));
    EXPECT_EQ(z.Steps(), PictureZoom::kMaxSteps);
    EXPECT_EQ(z.Label(), "16.0\xC3\x97");
    EXPECT_FALSE(z.ZoomAt(p, 176, 144, 1)) << "already at the limit";
    EXPECT_EQ(z.Source(p).w, 22);
    // Far enough out is 1x again, centred as before any zoom.
    EXPECT_TRUE(z.ZoomAt(p, 0, 0, -100));
    EXPECT_FALSE(z.Zoomed());
    EXPECT_TRUE(Equal(z.Source(p), p.fitSrc));
}

TEST(PictureZoom, ThePictureUnderTheCursorStaysUnderIt)
{
    for (const Case& c : kCases) {
        for (PictureFit::Mode mode : kModes) {
            const PictureZoom::Placement p = Place(mode, c.pane, c.w, c.h);
            const SDL_Rect& d = p.dst;
            const std::vector<SDL_Point> cursors = {
                {d.x, d.y}, {d.x + d.w - 1, d.y + d.h - 1}, {d.x + d.w / 3, d.y + d.h * 2 / 3}, {d.x + d.w / 2, d.y + 1}};
            for (const SDL_Point& at : cursors) {
                PictureZoom z;
                for (int notches : {1, 3, 4, 8}) {
                    double bx = 0, by = 0, ax = 0, ay = 0;
                    ASSERT_TRUE(z.PictureAt(p, at.x + 0.5, at.y + 0.5, &bx, &by));
                    ASSERT_TRUE(z.ZoomAt(p, at.x, at.y, notches));
                    ASSERT_TRUE(z.PictureAt(p, at.x + 0.5, at.y + 0.5, &ax, &ay));
                    const SDL_Rect s = z.Source(p);
                    ASSERT_TRUE(Inside(s, c.w, c.h)) << "mode " << mode;
                    // Whole source pixels: the point may move by the rounding of both edges.
                    EXPECT_NEAR(ax, bx, 1.0) << "mode " << mode << " at " << at.x << "," << at.y << " steps " << z.Steps();
                    EXPECT_NEAR(ay, by, 1.0) << "mode " << mode << " at " << at.x << "," << at.y << " steps " << z.Steps();
                    // The shown part is the fitted part shrunk by the factor (keeps its shape).
                    EXPECT_NEAR(s.w, std::max(1.0, p.fitSrc.w / z.Factor()), 1.0);
                    EXPECT_NEAR(s.h, std::max(1.0, p.fitSrc.h / z.Factor()), 1.0);
                }
            }
        }
    }
}

TEST(PictureZoom, ZoomingOutAwayFromTheEdgesKeepsThePointToo)
{
    const PictureZoom::Placement p = Place(PictureFit::KEEP_ASPECT, SDL_Rect{0, 0, 800, 600}, 1600, 1200);
    PictureZoom z;
    ASSERT_TRUE(z.ZoomAt(p, 400, 300, 12));  // 8x around the middle
    double bx = 0, by = 0, ax = 0, ay = 0;
    ASSERT_TRUE(z.PictureAt(p, 500.5, 350.5, &bx, &by));
    ASSERT_TRUE(z.ZoomAt(p, 500, 350, -4));
    ASSERT_TRUE(z.PictureAt(p, 500.5, 350.5, &ax, &ay));
    EXPECT_NEAR(ax, bx, 1.0);
    EXPECT_NEAR(ay, by, 1.0);
}

TEST(PictureZoom, PanningFollowsTheDragAndStopsAtThePictureEdges)
{
    const PictureZoom::Placement p = Place(PictureFit::FILL, SDL_Rect{100, 50, 704, 576}, 352, 288);
    PictureZoom z;
    ASSERT_TRUE(z.ZoomAt(p, 100 + 352, 50 + 288, 4));  // 2x around the middle
    const SDL_Rect before = z.Source(p);
    EXPECT_EQ(before.x, 88);
    EXPECT_EQ(before.y, 72);
    // Dragging right by 40 screen pixels shows what lay 40 / (704 / 176) = 10 picture pixels left.
    ASSERT_TRUE(z.PanBy(p, 40, 0));
    EXPECT_EQ(z.Source(p).x, 78);
    EXPECT_EQ(z.Source(p).y, 72);
    // Far past the top-left corner: the source stops there, at its size.
    z.PanBy(p, 5000, 5000);
    SDL_Rect s = z.Source(p);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, 0);
    EXPECT_EQ(s.w, 176);
    EXPECT_EQ(s.h, 144);
    EXPECT_FALSE(z.PanBy(p, 10, 10)) << "nothing left to show that way";
    // And the bottom-right one; coming back needs no "unwinding".
    z.PanBy(p, -5000, -5000);
    s = z.Source(p);
    EXPECT_EQ(s.x + s.w, 352);
    EXPECT_EQ(s.y + s.h, 288);
    ASSERT_TRUE(z.PanBy(p, 4, 0));
    EXPECT_EQ(z.Source(p).x, 175);

    z.Reset();
    EXPECT_FALSE(z.Zoomed());
    EXPECT_TRUE(Equal(z.Source(p), p.fitSrc));
}

TEST(PictureZoom, TrueSizeCropsCanBePannedToThePartsOutsideThePane)
{
    // A 704x576 picture at one pixel per pixel in a 200x100 pane: the pane
    // shows the middle; zoomed, the whole picture can be reached.
    const PictureZoom::Placement p = Place(PictureFit::TRUE_SIZE, SDL_Rect{0, 0, 200, 100}, 704, 576);
    ASSERT_EQ(p.fitSrc.w, 200);
    PictureZoom z;
    ASSERT_TRUE(z.ZoomAt(p, 100, 50, 4));
    EXPECT_EQ(z.Source(p).w, 100);
    EXPECT_EQ(z.Source(p).h, 50);
    z.PanBy(p, 100000, 100000);
    EXPECT_EQ(z.Source(p).x, 0);
    EXPECT_EQ(z.Source(p).y, 0);
}

TEST(PictureZoom, ANewPictureSizeOrPaneKeepsTheZoomedPlace)
{
    PictureZoom z;
    const PictureZoom::Placement small = Place(PictureFit::KEEP_ASPECT, SDL_Rect{0, 0, 352, 288}, 352, 288);
    ASSERT_TRUE(z.ZoomAt(small, 300, 250, 8));  // 4x near the bottom-right
    const SDL_Rect a = z.Source(small);
    // The camera now sends twice the size: the same part of the scene.
    const PictureZoom::Placement big = Place(PictureFit::KEEP_ASPECT, SDL_Rect{0, 0, 352, 288}, 704, 576);
    const SDL_Rect b = z.Source(big);
    ASSERT_TRUE(Inside(b, 704, 576));
    EXPECT_NEAR(b.x, 2 * a.x, 2);
    EXPECT_NEAR(b.y, 2 * a.y, 2);
    EXPECT_NEAR(b.w, 2 * a.w, 2);
    // A smaller picture, another shape, another pane and mode: still inside.
    for (PictureFit::Mode mode : kModes) {
        const PictureZoom::Placement odd = Place(mode, SDL_Rect{0, 0, 123, 457}, 31, 17);
        EXPECT_TRUE(Inside(z.Source(odd), 31, 17)) << mode;
    }
    // A one-pixel picture has nothing to zoom into but stays drawable.
    const PictureZoom::Placement dot = Place(PictureFit::FILL, SDL_Rect{0, 0, 50, 50}, 1, 1);
    EXPECT_TRUE(Inside(z.Source(dot), 1, 1));
}

TEST(PictureZoom, NothingHappensWithoutAPicture)
{
    PictureZoom z;
    PictureZoom::Placement none;
    EXPECT_FALSE(PictureZoom::Place(PictureFit::KEEP_ASPECT, SDL_Rect{0, 0, 0, 10}, 352, 288, &none));
    EXPECT_FALSE(z.ZoomAt(none, 0, 0, 2));
    EXPECT_FALSE(z.Zoomed());
    double x = 0, y = 0;
    EXPECT_FALSE(z.PictureAt(none, 0, 0, &x, &y));
}
