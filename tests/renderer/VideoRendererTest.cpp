// View bookkeeping of the renderer: numbering, panes, selection, the view to
// give up, layout changes and callbacks. No pixels here.
#include "VideoRenderer.h"

#include "Canvas.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using kelvo::MouseAction;
using kelvo::VideoRenderer;

class RecordingCallback : public kelvo::IRenderManagerCallBack {
public:
    void OnViewSelected(int unused, int view) override
    {
        selections.push_back(view);
        unusedArgs.insert(unused);
    }
    void OnSurfaceChanged() override { ++surfaceChanged; }

    std::vector<int> selections;
    std::set<int> unusedArgs;
    int surfaceChanged = 0;
};

class VideoRendererTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(canvas.Ok());
        r.SetCallback(&cb);
        ASSERT_TRUE(r.Start(0, 0, 402, 302, canvas.Renderer()));
        ASSERT_TRUE(r.SetLayout(2, 2, 1, 1));
    }
    int PaneOf(int view)
    {
        for (int i = 0; i < r.ViewCount(); ++i)
            if (r.ViewAt(i) == view)
                return i;
        return -1;
    }
    void Click(int pane)
    {
        const SDL_Rect p = r.Layout().PaneRect(pane);
        r.HandleMouse(p.x + p.w / 2, p.y + p.h / 2, MouseAction::LEFT_DOWN, 0);
    }

    rendertest::Canvas canvas{402, 302};
    RecordingCallback cb;
    VideoRenderer r;
};

TEST_F(VideoRendererTest, ViewNumbersAreStableNonZeroAndNotReused)
{
    std::set<int> seen;
    std::vector<int> views;
    for (int i = 0; i < 4; ++i) {
        const int v = r.CreateView(352, 288, 1);
        ASSERT_NE(v, 0);
        EXPECT_TRUE(seen.insert(v).second);
        EXPECT_EQ(r.ViewAt(i), v) << "views fill panes in order";
        views.push_back(v);
    }
    EXPECT_EQ(r.CreateView(352, 288, 1), 0) << "all four panes are taken";

    // Removing frees the pane; the next view goes there with a new number.
    ASSERT_TRUE(r.RemoveView(views[1]));
    EXPECT_FALSE(r.RemoveView(views[1]));
    EXPECT_EQ(r.ViewAt(1), 0);
    const int v5 = r.CreateView(704, 576, 1);
    EXPECT_TRUE(seen.insert(v5).second) << "number " << v5 << " reused";
    EXPECT_EQ(r.ViewAt(1), v5);
    EXPECT_EQ(r.ViewAt(0), views[0]) << "other views keep their panes";

    EXPECT_EQ(r.CreateView(0, 288, 1), 0);
    EXPECT_EQ(r.CreateView(352, -1, 1), 0);
    EXPECT_EQ(r.ViewAt(-1), 0);
    EXPECT_EQ(r.ViewAt(99), 0);
}

TEST_F(VideoRendererTest, RecordsAttachAndFreeState)
{
    const int v = r.CreateView(352, 288, 1);
    int record = 7;
    EXPECT_TRUE(r.IsViewFree(v));
    ASSERT_TRUE(r.Attach(v, &record));
    EXPECT_EQ(r.AttachedRecord(v), &record);
    EXPECT_FALSE(r.IsViewFree(v));
    EXPECT_TRUE(r.IsViewFree(0));
    EXPECT_TRUE(r.IsViewFree(v + 100));
    EXPECT_EQ(r.AttachedRecord(v + 100), nullptr);
    EXPECT_FALSE(r.Attach(v + 100, &record));
    r.RemoveView(v);
    EXPECT_EQ(r.AttachedRecord(v), nullptr);
    EXPECT_TRUE(r.IsViewFree(v));
}

TEST_F(VideoRendererTest, ClicksSelectPanesAndReportViews)
{
    const int a = r.CreateView(352, 288, 1);
    const int b = r.CreateView(352, 288, 1);
    EXPECT_EQ(r.SelectedView(), 0);

    Click(1);
    EXPECT_EQ(r.SelectedView(), b);
    Click(0);
    EXPECT_EQ(r.SelectedView(), a);
    Click(3);  // empty pane: selected, but holds no view
    EXPECT_EQ(r.SelectedView(), 0);
    EXPECT_EQ(cb.selections, (std::vector<int>{b, a, -1}));
    EXPECT_EQ(cb.unusedArgs, std::set<int>{0});

    // Moves, wheels and clicks into a gap or outside select nothing.
    r.HandleMouse(10, 10, MouseAction::MOVE, 0);
    r.HandleMouse(10, 10, MouseAction::WHEEL, 1);
    EXPECT_EQ(r.HandleMouse(200, 10, MouseAction::LEFT_DOWN, 0), -1);  // the vertical gap
    EXPECT_EQ(r.HandleMouse(500, 10, MouseAction::RIGHT_DOWN, 0), -1);
    EXPECT_EQ(cb.selections.size(), 3u);

    EXPECT_EQ(r.HandleMouse(300, 250, MouseAction::MOVE, 0), 3);
    EXPECT_EQ(r.HoveredPane(), 3);
    r.HandleMouse(0, 0, MouseAction::LEAVE, 0);
    EXPECT_EQ(r.HoveredPane(), -1);

    // A right click selects too (the context menu acts on the selection).
    r.HandleMouse(300, 10, MouseAction::RIGHT_DOWN, 0);
    EXPECT_EQ(r.SelectedView(), b);
}

TEST_F(VideoRendererTest, ViewRectsFollowTheLayoutInWindowCoordinates)
{
    ASSERT_TRUE(r.Start(30, 40, 402, 302, canvas.Renderer()));
    const int a = r.CreateView(352, 288, 1);
    const int b = r.CreateView(352, 288, 1);
    SDL_Rect ra = r.ViewRect(b);
    const SDL_Rect expect{30 + 202, 40, 200, 150};
    EXPECT_TRUE(SDL_RectEquals(&ra, &expect));
    EXPECT_EQ(r.ViewRect(b + 50).w, 0);

    // A single-view layout hides b but keeps it at its index.
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    EXPECT_EQ(r.ViewCount(), 1);
    EXPECT_EQ(r.ViewAt(1), b);
    EXPECT_EQ(r.ViewRect(b).w, 0);
    ra = r.ViewRect(a);
    const SDL_Rect whole{30, 40, 402, 302};
    EXPECT_TRUE(SDL_RectEquals(&ra, &whole));
    ASSERT_TRUE(r.SetLayout(2, 2, 1, 1));
    EXPECT_EQ(r.ViewRect(b).x, 232) << "shown again when the layout grows back";
}

TEST_F(VideoRendererTest, LayoutChangeKeepsTheSelectedViewAndShrinkingLeavesHiddenViews)
{
    ASSERT_TRUE(r.SetLayout(3, 3, 1, 1));
    std::vector<int> v;
    for (int i = 0; i < 9; ++i)
        v.push_back(r.CreateView(352, 288, 1));
    Click(5);
    ASSERT_EQ(r.SelectedView(), v[5]);

    // As the wall does it: move the selected view first, then change.
    r.BeginLayoutChange(v[5], 0);
    r.EndLayoutChange(0);
    ASSERT_TRUE(r.SetLayout(2, 2, 2, 2));  // one large pane
    r.EndLayoutChange(0);
    EXPECT_EQ(r.ViewCount(), 1);
    EXPECT_EQ(r.ViewAt(0), v[5]);
    EXPECT_EQ(r.SelectedView(), v[5]) << "the selection follows the view";
    EXPECT_EQ(r.ViewAt(5), v[0]) << "the view it swapped with took its index";

    // The wall then closes the views past the new count, by index.
    for (int i = r.ViewCount(); i < 9; ++i) {
        ASSERT_NE(r.ViewAt(i), 0) << i;
        r.RemoveView(r.ViewAt(i));
    }
    ASSERT_TRUE(r.SetLayout(2, 2, 1, 1));
    EXPECT_EQ(r.ViewAt(0), v[5]);
    EXPECT_EQ(r.ViewAt(1), 0);
    EXPECT_NE(r.CreateView(352, 288, 1), 0);

    int cols = 0, rows = 0, sa = 0, sd = 0;
    r.GetLayout(&cols, &rows, &sa, &sd);
    EXPECT_EQ(cols * 1000 + rows * 100 + sa * 10 + sd, 2211);
    EXPECT_FALSE(r.SetLayout(0, 3, 1, 1));
    EXPECT_FALSE(r.SetLayout(3, 12, 1, 1));
    r.GetLayout(&cols, nullptr, nullptr, nullptr);
    EXPECT_EQ(cols, 2);
}

TEST_F(VideoRendererTest, ShrinkingPastTheSelectionClearsIt)
{
    for (int i = 0; i < 4; ++i)
        r.CreateView(352, 288, 1);
    Click(3);
    ASSERT_NE(r.SelectedView(), 0);
    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    EXPECT_EQ(r.SelectedView(), 0);
}

TEST_F(VideoRendererTest, GiveUpPrefersReconnectingThenSilentThenOldestAndSparesTheSelection)
{
    std::vector<int> v;
    for (int i = 0; i < 4; ++i)
        v.push_back(r.CreateView(16, 16, 1));
    const auto pic = rendertest::SolidI420(16, 16, 128, 128, 128);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(r.ShowPicture(v[size_t(i)], pic.data(), 16, 16));
    EXPECT_EQ(r.ViewToGiveUp(), v[0]) << "oldest";

    Click(0);
    EXPECT_EQ(r.ViewToGiveUp(), v[1]) << "not the selected one";

    r.RemoveView(v[2]);
    const int silent = r.CreateView(16, 16, 1);
    EXPECT_EQ(r.ViewToGiveUp(), silent) << "a view that never showed a picture";

    ASSERT_TRUE(r.SetReconnecting(v[3], 0));
    EXPECT_EQ(r.ViewToGiveUp(), v[3]) << "a reconnecting view first";
    ASSERT_TRUE(r.ShowPicture(v[3], pic.data(), 16, 16));
    EXPECT_EQ(r.ViewToGiveUp(), silent) << "a picture ends reconnecting";

    ASSERT_TRUE(r.SetLayout(1, 1, 1, 1));
    EXPECT_EQ(r.ViewToGiveUp(), v[0]) << "the only shown view, even selected";
    r.RemoveView(v[0]);
    EXPECT_EQ(r.ViewToGiveUp(), 0);
}

TEST_F(VideoRendererTest, SurfaceChangesAreCoalescedUntilTheNextDraw)
{
    const int v = r.CreateView(16, 16, 1);
    r.Draw();
    cb.surfaceChanged = 0;
    const auto pic = rendertest::SolidI420(16, 16, 128, 128, 128);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(r.ShowPicture(v, pic.data(), 16, 16));
    EXPECT_EQ(cb.surfaceChanged, 1);
    r.Draw();
    ASSERT_TRUE(r.ShowPicture(v, pic.data(), 16, 16));
    EXPECT_EQ(cb.surfaceChanged, 2);
    EXPECT_EQ(r.PicturesReceived(v), 6u);
}

TEST_F(VideoRendererTest, BadPicturesAndSettingsAreRefused)
{
    const int v = r.CreateView(16, 16, 1);
    const auto pic = rendertest::SolidI420(16, 16, 1, 2, 3);
    EXPECT_FALSE(r.ShowPicture(v + 1, pic.data(), 16, 16));
    EXPECT_FALSE(r.ShowPicture(v, nullptr, 16, 16));
    EXPECT_FALSE(r.ShowPicture(v, pic.data(), 0, 16));
    EXPECT_FALSE(r.ShowPicture(v, pic.data(), 16, 100000));
    EXPECT_FALSE(r.SetReconnecting(v + 1, 0));
    EXPECT_FALSE(r.SetTitle(v + 1, "x"));
    EXPECT_FALSE(r.ResizeView(v, 0, 0, 1));
    EXPECT_TRUE(r.ResizeView(v, 704, 576, 1));
    EXPECT_EQ(r.PicturesReceived(v), 0u);

    EXPECT_EQ(r.FitMode(), 0);
    EXPECT_TRUE(r.SetFitMode(2));
    EXPECT_FALSE(r.SetFitMode(3));
    EXPECT_FALSE(r.SetFitMode(-1));
    EXPECT_EQ(r.FitMode(), 2);
    EXPECT_FALSE(r.Start(0, 0, 10, 10, nullptr));
    EXPECT_EQ(r.SurfaceHandle(), canvas.Renderer());
}

// Callbacks may call straight back in: the wall reads the selection and the
// view's rectangle from OnViewSelected, and a stream may push again from
// OnSurfaceChanged. Neither may deadlock.
TEST_F(VideoRendererTest, CallbacksMayCallBackIn)
{
    struct Reentrant : kelvo::IRenderManagerCallBack {
        VideoRenderer* r = nullptr;
        int view = 0;
        int selected = 0;
        SDL_Rect rect{};
        int pushes = 0;
        std::vector<uint8_t> pic = rendertest::SolidI420(16, 16, 1, 2, 3);
        void OnViewSelected(int, int v) override
        {
            selected = r->SelectedView();
            rect = r->ViewRect(v);
        }
        void OnSurfaceChanged() override
        {
            if (view != 0 && pushes++ < 3) {
                r->ShowPicture(view, pic.data(), 16, 16);
                r->SetReconnecting(view, 0);
            }
        }
    } cb2;
    cb2.r = &r;
    r.SetCallback(&cb2);
    const int v = r.CreateView(16, 16, 1);
    cb2.view = v;
    r.Draw();
    ASSERT_TRUE(r.ShowPicture(v, cb2.pic.data(), 16, 16));
    EXPECT_EQ(cb2.pushes, 1) << "the nested push is coalesced into the pending repaint";
    Click(0);
    EXPECT_EQ(cb2.selected, v);
    EXPECT_EQ(cb2.rect.w, 200);
    r.SetCallback(nullptr);
}

}  // namespace
