// Pane geometry: every grid and span must tile the region with exact 2 px
// gaps, and hit testing must agree with the rectangles.
#include "WallLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

using kelvo::WallLayout;

struct Grid {
    int cols, rows, span;
};

// The layout chooser's custom layouts and the four plain grids.
const Grid kChooserLayouts[] = {
    {3, 3, 2}, {4, 4, 3}, {5, 5, 4}, {4, 3, 2}, {6, 6, 5}, {4, 3, 1}, {8, 8, 7}, {5, 5, 3},
    {5, 4, 2}, {5, 4, 1}, {5, 5, 1}, {6, 5, 1}, {7, 7, 4}, {7, 6, 3}, {6, 6, 1}, {7, 6, 1},
    {8, 7, 4}, {7, 7, 1}, {8, 8, 4}, {8, 7, 1}, {9, 7, 1}, {8, 8, 1},
    {1, 1, 1}, {2, 2, 1}, {3, 3, 1}, {4, 4, 1},
};

// Checks tiling on a coverage map of the region; reports through gtest.
void CheckTiling(const WallLayout& l)
{
    SCOPED_TRACE(testing::Message() << l.Columns() << "x" << l.Rows() << " span " << l.SpanAcross()
                                    << "x" << l.SpanDown() << " in " << l.Region().w << "x"
                                    << l.Region().h);
    const SDL_Rect reg = l.Region();
    const int n = l.PaneCount();
    ASSERT_EQ(n, l.Columns() * l.Rows() - l.SpanAcross() * l.SpanDown() + 1);

    std::vector<int> owner(size_t(reg.w) * size_t(reg.h), -1);
    auto at = [&](int x, int y) -> int& { return owner[size_t(y - reg.y) * size_t(reg.w) + size_t(x - reg.x)]; };
    auto inside = [&](int x, int y) { return x >= reg.x && y >= reg.y && x < reg.x + reg.w && y < reg.y + reg.h; };
    long covered = 0;
    for (int i = 0; i < n; ++i) {
        const SDL_Rect r = l.PaneRect(i);
        ASSERT_GT(r.w, 0) << "pane " << i;
        ASSERT_GT(r.h, 0) << "pane " << i;
        ASSERT_TRUE(inside(r.x, r.y) && inside(r.x + r.w - 1, r.y + r.h - 1)) << "pane " << i;
        int overlapped = -1;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x) {
                if (at(x, y) != -1)
                    overlapped = at(x, y);
                at(x, y) = i;
            }
        ASSERT_EQ(overlapped, -1) << "panes " << overlapped << " and " << i << " overlap";
        covered += long(r.w) * r.h;
    }

    // Gaps: each pane is followed by exactly 2 free pixels, then a pane,
    // unless it touches the far edge.
    for (int i = 0; i < n; ++i) {
        const SDL_Rect r = l.PaneRect(i);
        const int right = r.x + r.w;
        const int bottom = r.y + r.h;
        if (right < reg.x + reg.w) {
            ASSERT_LE(right + 2, reg.x + reg.w - 1);
            for (int y : {r.y, bottom - 1}) {
                EXPECT_EQ(at(right, y), -1);
                EXPECT_EQ(at(right + 1, y), -1);
                EXPECT_GE(at(right + 2, y), 0) << "pane " << i << " right gap wider than 2";
            }
        }
        if (bottom < reg.y + reg.h) {
            ASSERT_LE(bottom + 2, reg.y + reg.h - 1);
            for (int x : {r.x, right - 1}) {
                EXPECT_EQ(at(x, bottom), -1);
                EXPECT_EQ(at(x, bottom + 1), -1);
                EXPECT_GE(at(x, bottom + 2), 0) << "pane " << i << " bottom gap wider than 2";
            }
        }
        if (r.x > reg.x) {
            EXPECT_TRUE(at(r.x - 3, r.y) >= 0 && at(r.x - 1, r.y) == -1 && at(r.x - 2, r.y) == -1) << i;
        }
        if (r.y > reg.y) {
            EXPECT_TRUE(at(r.x, r.y - 3) >= 0 && at(r.x, r.y - 1) == -1 && at(r.x, r.y - 2) == -1) << i;
        }
    }

    // Free area is exactly the grid's gaps minus those the large pane covers.
    const SDL_Rect big = l.PaneRect(0);
    const long gridGaps = long(l.Columns() - 1) * 2 * reg.h + long(l.Rows() - 1) * 2 * reg.w -
                          long(l.Columns() - 1) * (l.Rows() - 1) * 4;
    const long bigGaps = long(l.SpanAcross() - 1) * 2 * big.h + long(l.SpanDown() - 1) * 2 * big.w -
                         long(l.SpanAcross() - 1) * (l.SpanDown() - 1) * 4;
    EXPECT_EQ(long(reg.w) * reg.h - covered, gridGaps - bigGaps);

    // Cells share the space evenly (one pixel of rounding at most).
    std::set<int> widths, heights;
    for (int i = 1; i < n; ++i) {
        widths.insert(l.PaneRect(i).w);
        heights.insert(l.PaneRect(i).h);
    }
    if (!widths.empty()) {
        EXPECT_LE(*widths.rbegin() - *widths.begin(), 1);
        EXPECT_LE(*heights.rbegin() - *heights.begin(), 1);
    }

    // The large pane sits at the top-left; pane 1 follows it in row order.
    EXPECT_EQ(big.x, reg.x);
    EXPECT_EQ(big.y, reg.y);
    if (n > 1) {
        const SDL_Rect p1 = l.PaneRect(1);
        if (l.SpanAcross() < l.Columns()) {
            EXPECT_EQ(p1.x, big.x + big.w + 2);
            EXPECT_EQ(p1.y, reg.y);
        } else {
            EXPECT_EQ(p1.x, reg.x);
            EXPECT_EQ(p1.y, big.y + big.h + 2);
        }
    }

    // Hit testing agrees with the coverage map at corners, centres and gaps.
    for (int i = 0; i < n; ++i) {
        const SDL_Rect r = l.PaneRect(i);
        EXPECT_EQ(l.HitTest(r.x, r.y), i);
        EXPECT_EQ(l.HitTest(r.x + r.w - 1, r.y + r.h - 1), i);
        EXPECT_EQ(l.HitTest(r.x + r.w / 2, r.y + r.h / 2), i);
        if (r.x + r.w < reg.x + reg.w) {
            EXPECT_EQ(l.HitTest(r.x + r.w, r.y), -1);
        }
    }
    EXPECT_EQ(l.HitTest(reg.x - 1, reg.y), -1);
    EXPECT_EQ(l.HitTest(reg.x + reg.w, reg.y), -1);
    EXPECT_EQ(l.HitTest(reg.x, reg.y + reg.h), -1);
}

TEST(WallLayoutTest, ChooserLayoutsTileFullHdAndOddRegions)
{
    for (const Grid& g : kChooserLayouts) {
        for (const SDL_Rect& reg : {SDL_Rect{0, 0, 1920, 1080}, SDL_Rect{37, 19, 641, 359}}) {
            WallLayout l;
            ASSERT_TRUE(l.Set(g.cols, g.rows, g.span, g.span));
            l.SetRegion(reg);
            CheckTiling(l);
            if (testing::Test::HasFatalFailure())
                return;
        }
    }
}

TEST(WallLayoutTest, EveryGridAndSpanTiles)
{
    for (int cols = 1; cols <= WallLayout::kMaxSide; ++cols)
        for (int rows = 1; rows <= WallLayout::kMaxSide; ++rows)
            for (int sa = 1; sa <= cols; ++sa)
                for (int sd = 1; sd <= rows; ++sd) {
                    WallLayout l;
                    ASSERT_TRUE(l.Set(cols, rows, sa, sd));
                    l.SetRegion(SDL_Rect{5, 3, 157, 121});
                    CheckTiling(l);
                    if (testing::Test::HasFatalFailure())
                        return;
                }
}

TEST(WallLayoutTest, KnownRectanglesOfQuadAndSpan)
{
    WallLayout l;
    ASSERT_TRUE(l.Set(2, 2, 1, 1));
    l.SetRegion(SDL_Rect{10, 20, 402, 302});
    const SDL_Rect expect[4] = {{10, 20, 200, 150}, {212, 20, 200, 150}, {10, 172, 200, 150}, {212, 172, 200, 150}};
    for (int i = 0; i < 4; ++i) {
        const SDL_Rect r = l.PaneRect(i);
        EXPECT_TRUE(SDL_RectEquals(&r, &expect[i])) << i << ": " << r.x << "," << r.y << " " << r.w << "x" << r.h;
    }
    // 3x3 with a 2x2 first pane on 302x302: cells of 99 px (298 / 3 rounded down).
    ASSERT_TRUE(l.Set(3, 3, 2, 2));
    l.SetRegion(SDL_Rect{0, 0, 302, 302});
    ASSERT_EQ(l.PaneCount(), 6);
    const SDL_Rect big = l.PaneRect(0);
    EXPECT_EQ(big.w, 200);  // 2 cells + 1 gap: 198 + 2
    EXPECT_EQ(big.h, 200);
    const SDL_Rect last = l.PaneRect(5);
    EXPECT_EQ(last.x + last.w, 302);
    EXPECT_EQ(last.y + last.h, 302);
    EXPECT_EQ(l.PaneRect(6).w, 0);
    EXPECT_EQ(l.PaneRect(-1).w, 0);
}

TEST(WallLayoutTest, RejectsBadGridsAndClampsSpans)
{
    WallLayout l;
    ASSERT_TRUE(l.Set(4, 4, 1, 1));
    for (const Grid& bad : {Grid{0, 2, 1}, Grid{2, 0, 1}, Grid{10, 2, 1}, Grid{2, 10, 1}, Grid{-3, 2, 1}}) {
        EXPECT_FALSE(l.Set(bad.cols, bad.rows, bad.span, bad.span));
        EXPECT_EQ(l.Columns(), 4);
        EXPECT_EQ(l.Rows(), 4);
    }
    // Settings files may carry 0 or too large a span.
    ASSERT_TRUE(l.Set(3, 2, 0, 7));
    EXPECT_EQ(l.SpanAcross(), 1);
    EXPECT_EQ(l.SpanDown(), 2);
    EXPECT_EQ(l.PaneCount(), 5);
}

TEST(WallLayoutTest, TinyAndEmptyRegionsStaySane)
{
    WallLayout l;
    ASSERT_TRUE(l.Set(8, 8, 1, 1));
    l.SetRegion(SDL_Rect{0, 0, 10, 10});  // less than the gaps
    for (int i = 0; i < l.PaneCount(); ++i) {
        const SDL_Rect r = l.PaneRect(i);
        EXPECT_GE(r.w, 0);
        EXPECT_GE(r.h, 0);
    }
    l.SetRegion(SDL_Rect{0, 0, -5, -5});
    EXPECT_EQ(l.Region().w, 0);
    EXPECT_EQ(l.HitTest(0, 0), -1);
}

}  // namespace
