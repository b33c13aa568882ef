// Destination and source rectangles of the three fit modes.
#include "PictureFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

using kelvo::PictureFit;

std::string Str(const SDL_Rect& r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

struct Case {
    PictureFit::Mode mode;
    SDL_Rect pane;
    int picW, picH;
    SDL_Rect src, dst;
};

TEST(PictureFitTest, ModesPlacePicturesAsDocumented)
{
    const Case cases[] = {
        // Keep aspect: D1 in a wide pane is pillar-boxed, centred.
        {PictureFit::KEEP_ASPECT, {100, 50, 800, 400}, 704, 576, {0, 0, 704, 576}, {256, 50, 488, 400}},
        // ... and in a tall pane letter-boxed.
        {PictureFit::KEEP_ASPECT, {0, 0, 352, 600}, 704, 576, {0, 0, 704, 576}, {0, 156, 352, 288}},
        // Same shape: the whole pane.
        {PictureFit::KEEP_ASPECT, {3, 4, 704, 576}, 352, 288, {0, 0, 352, 288}, {3, 4, 704, 576}},
        // Fill: always the pane, whatever the shape.
        {PictureFit::FILL, {10, 20, 300, 100}, 704, 576, {0, 0, 704, 576}, {10, 20, 300, 100}},
        // True size, smaller picture: centred, not scaled.
        {PictureFit::TRUE_SIZE, {0, 0, 800, 600}, 352, 288, {0, 0, 352, 288}, {224, 156, 352, 288}},
        // True size, larger picture: cropped evenly from both sides.
        {PictureFit::TRUE_SIZE, {50, 60, 400, 300}, 704, 576, {152, 138, 400, 300}, {50, 60, 400, 300}},
        // True size, wider but shorter: crop across, centre down.
        {PictureFit::TRUE_SIZE, {0, 0, 300, 600}, 704, 288, {202, 0, 300, 288}, {0, 156, 300, 288}},
    };
    for (const Case& c : cases) {
        SDL_Rect src{}, dst{};
        ASSERT_TRUE(PictureFit::Compute(c.mode, c.pane, c.picW, c.picH, &src, &dst));
        EXPECT_TRUE(SDL_RectEquals(&src, &c.src)) << "mode " << c.mode << " src " << Str(src);
        EXPECT_TRUE(SDL_RectEquals(&dst, &c.dst)) << "mode " << c.mode << " dst " << Str(dst);
        // Never outside the pane, never outside the picture.
        SDL_Rect clip{};
        EXPECT_TRUE(SDL_IntersectRect(&dst, &c.pane, &clip) && SDL_RectEquals(&clip, &dst));
        EXPECT_LE(src.x + src.w, c.picW);
        EXPECT_LE(src.y + src.h, c.picH);
    }
}

TEST(PictureFitTest, KeepAspectPreservesShapeForManySizes)
{
    for (int pw = 17; pw < 1000; pw += 97)
        for (int ph = 13; ph < 800; ph += 89) {
            const SDL_Rect pane{0, 0, pw, ph};
            SDL_Rect src{}, dst{};
            ASSERT_TRUE(PictureFit::Compute(PictureFit::KEEP_ASPECT, pane, 704, 576, &src, &dst));
            // One side fills the pane, the other is within a pixel of the shape.
            EXPECT_TRUE(dst.w == pw || dst.h == ph);
            EXPECT_NEAR(double(dst.w) / dst.h, 704.0 / 576.0, 1.0 / std::min(dst.w, dst.h) * 2 + 1e-9);
            EXPECT_LE(std::abs((pw - dst.w) - 2 * (dst.x - pane.x)), 1);
            EXPECT_LE(std::abs((ph - dst.h) - 2 * (dst.y - pane.y)), 1);
        }
}

TEST(PictureFitTest, NothingToShowIsReported)
{
    SDL_Rect src{}, dst{};
    EXPECT_FALSE(PictureFit::Compute(PictureFit::FILL, {0, 0, 0, 10}, 704, 576, &src, &dst));
    EXPECT_FALSE(PictureFit::Compute(PictureFit::KEEP_ASPECT, {0, 0, 10, 10}, 0, 576, &src, &dst));
    // A sliver of a pane cannot hold a scaled 4000x2 picture.
    EXPECT_FALSE(PictureFit::Compute(PictureFit::KEEP_ASPECT, {0, 0, 10, 10}, 4000, 2, &src, &dst));
}

}  // namespace
