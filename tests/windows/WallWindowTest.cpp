// The video wall inside a window, headless: where its toolbar appears and
// when it hides, what the toolbar reports, and full screen there and back
// with the views kept.
#include "WallHost.h"

#include "FullScreenWnd.h"
#include "RepaintPacer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <vector>

using namespace DuiLib;
using kelvo::KelvoPlayer;
using kelvo::PlayToolBar;

namespace {

class WallWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
        ASSERT_TRUE(host.Open());
        v1 = Wall().Renderer().CreateView(352, 288, 1);
        v2 = Wall().Renderer().CreateView(352, 288, 1);
        ASSERT_NE(0, v1);
        ASSERT_NE(0, v2);
        Show(v1, 200);
        Show(v2, 120);
        uitest::Pump();
    }
    void TearDown() override { WindowRegistry::Instance().ResetQuit(); }

    KelvoPlayer& Wall() { return host.Wall(); }
    PlayToolBar* Bar() { return Wall().ToolBar(); }
    bool BarShown() { return Bar() && Bar()->IsShown(); }

    // A flat grey picture of the given luma.
    void Show(int view, uint8_t luma) {
        std::vector<uint8_t> pic(352 * 288 * 3 / 2, 128);
        std::fill(pic.begin(), pic.begin() + 352 * 288, luma);
        ASSERT_TRUE(Wall().Renderer().ShowPicture(view, pic.data(), 352, 288));
    }
    POINT Centre(int view) {
        const SDL_Rect r = Wall().Renderer().ViewRect(view);
        return POINT{r.x + r.w / 2, r.y + r.h / 2};
    }
    void ClickView(HWND window, int view) {
        const POINT c = Centre(view);
        uitest::Click(window, c.x, c.y);
        uitest::Pump();
    }
    // Red of a grey picture drawn on screen (studio-range luma, within rounding).
    static ::testing::AssertionResult Grey(int luma, Uint32 argb) {
        const int red = static_cast<int>((argb >> 16) & 0xFF);
        const int want = static_cast<int>(1.164 * (luma - 16) + 0.5);
        if (std::abs(red - want) <= 2) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "red " << red << ", want " << want;
    }

    wintest::WallHost host;
    int v1 = 0, v2 = 0;
};

}  // namespace

TEST_F(WallWindowTest, FirstSelectionShowsNoToolbarLaterOnesPlaceItOverTheBottomOfTheView) {
    ClickView(host.GetHWND(), v1);
    ASSERT_NE(nullptr, Bar());
    EXPECT_TRUE(IsWindow(Bar()->GetHWND()));
    EXPECT_FALSE(BarShown()) << "the first selection after start shows no toolbar";

    ClickView(host.GetHWND(), v2);
    ASSERT_TRUE(BarShown());
    RECT hostRc, bar;
    ASSERT_TRUE(GetWindowRect(host.GetHWND(), hostRc));
    ASSERT_TRUE(GetWindowRect(Bar()->GetHWND(), bar));
    const SDL_Rect view = Wall().Renderer().ViewRect(v2);
    EXPECT_EQ(hostRc.left + view.x + 1, bar.left);
    EXPECT_EQ(hostRc.top + view.y + view.h - 26, bar.top);
    EXPECT_EQ(view.w - 2, bar.Width());
    EXPECT_EQ(25, bar.Height());
    // No camera in the view: nothing to act on.
    for (const char* name : {"btn_play_stop", "btn_play_snappic", "btn_play_localrec", "btn_play_audio", "btn_play_call"})
        EXPECT_FALSE(Bar()->GetPaintManager().FindControl(name)->IsEnabled()) << name;
    EXPECT_FALSE(Bar()->GetPaintManager().FindControl("btn_play_stoprec")->IsVisible());

    // Moving the window moves the bar with the next refresh.
    MoveWindow(host.GetHWND(), hostRc.left + 15, hostRc.top + 7, 0, 0);
    Wall().UpdateToolBar(0);
    ASSERT_TRUE(GetWindowRect(Bar()->GetHWND(), bar));
    EXPECT_EQ(hostRc.left + 15 + view.x + 1, bar.left);
    EXPECT_EQ(hostRc.top + 7 + view.y + view.h - 26, bar.top);
}

TEST_F(WallWindowTest, ToolbarHidesOnEscapeUpdateAnEmptyPaneAndALostView) {
    ClickView(host.GetHWND(), v1);
    ClickView(host.GetHWND(), v1);
    ASSERT_TRUE(BarShown());
    Wall().UpdateToolBar(1);  // Escape in the main window
    EXPECT_FALSE(BarShown());

    ClickView(host.GetHWND(), v2);
    ASSERT_TRUE(BarShown());
    Wall().UpdateToolBar(0);  // a refresh keeps it
    EXPECT_TRUE(BarShown());
    // An empty pane hides it.
    const int free = Wall().Renderer().CreateView(352, 288, 1);
    ASSERT_NE(0, free);
    const POINT c = Centre(free);
    ASSERT_TRUE(Wall().Renderer().RemoveView(free));
    uitest::Click(host.GetHWND(), c.x, c.y);
    uitest::Pump();
    EXPECT_FALSE(BarShown());

    ClickView(host.GetHWND(), v2);
    ASSERT_TRUE(BarShown());
    ASSERT_TRUE(Wall().Renderer().RemoveView(v2));  // its camera closed
    Wall().UpdateToolBar(0);
    EXPECT_FALSE(BarShown());

    ClickView(host.GetHWND(), v1);
    ASSERT_TRUE(BarShown());
    host.player->SetVisible(false);  // the control goes: the bar with it
    EXPECT_FALSE(BarShown());
}

TEST_F(WallWindowTest, ClicksReachTheCallbackWithTheOptionStateFromBeforeTheClick) {
    PlayToolBar bar;
    ASSERT_TRUE(bar.CreateBar(host.GetHWND()));
    bar.SetCallBack(&host);
    kelvo::StreamFacts live;
    live.camera = live.playing = live.hasAudio = true;
    bar.Apply(kelvo::ToolBarButtonsFor(live));
    bar.Place(MakeRect(100, 100, 400, 125));
    bar.ShowBar();
    uitest::Pump();
    CPaintManagerUI& pm = bar.GetPaintManager();
    uitest::ClickControl(bar.GetHWND(), pm.FindControl("btn_play_snappic"));
    uitest::ClickControl(bar.GetHWND(), pm.FindControl("btn_play_call"));
    uitest::ClickControl(bar.GetHWND(), pm.FindControl("btn_play_call"));
    uitest::ClickControl(bar.GetHWND(), pm.FindControl("btn_play_localrec"));
    ASSERT_EQ(4u, host.clicks.size());
    EXPECT_EQ("btn_play_snappic", host.clicks[0].name);
    EXPECT_EQ(&bar, host.clicks[0].toolbar);
    EXPECT_EQ("btn_play_call", host.clicks[1].name);
    EXPECT_FALSE(host.clicks[1].selectedBefore);
    EXPECT_TRUE(host.clicks[2].selectedBefore);
    EXPECT_EQ("btn_play_localrec", host.clicks[3].name);
    // A disabled button reports nothing.
    live.playing = false;
    bar.Apply(kelvo::ToolBarButtonsFor(live));
    uitest::ClickControl(bar.GetHWND(), pm.FindControl("btn_play_snappic"));
    EXPECT_EQ(4u, host.clicks.size());
}

TEST_F(WallWindowTest, EscapeAndAltF4HideTheToolbarWithoutClosingIt) {
    ClickView(host.GetHWND(), v1);
    ClickView(host.GetHWND(), v1);
    ASSERT_TRUE(BarShown());
    uitest::Key(Bar()->GetHWND(), SDLK_ESCAPE);
    EXPECT_FALSE(BarShown());
    ClickView(host.GetHWND(), v1);
    ASSERT_TRUE(BarShown());
    uitest::Key(Bar()->GetHWND(), SDLK_F4, KMOD_LALT);
    uitest::Pump();
    EXPECT_FALSE(BarShown());
    EXPECT_TRUE(IsWindow(Bar()->GetHWND())) << "Alt+F4 hides the bar, it does not close it";
    ClickView(host.GetHWND(), v1);
    EXPECT_TRUE(BarShown());
}

TEST_F(WallWindowTest, FullScreenAndBackKeepsTheViewsAndDrawsThemWhereTheyAreShown) {
    ClickView(host.GetHWND(), v1);
    ClickView(host.GetHWND(), v1);
    ASSERT_TRUE(BarShown());
    const int panes = Wall().Renderer().ViewCount();

    Wall().ToggleFullScreen();
    ASSERT_TRUE(Wall().IsFullScreen());
    EXPECT_FALSE(BarShown());
    HWND full = Wall().SurfaceWindow();
    ASSERT_NE(host.GetHWND(), full);
    RECT fr;
    ASSERT_TRUE(GetWindowRect(full, fr));
    SDL_Rect display;
    ASSERT_EQ(0, SDL_GetDisplayBounds(0, &display));
    EXPECT_EQ(display.w, fr.Width());
    EXPECT_EQ(display.h, fr.Height());
    auto* fullWnd = dynamic_cast<kelvo::FullScreenWnd*>(WindowRegistry::Instance().Lookup(full));
    ASSERT_NE(nullptr, fullWnd);
    ASSERT_TRUE(uitest::PumpUntil([&] { return fullWnd->GetPaintManager().PaintCount() > 0; }));
    EXPECT_EQ(panes, Wall().Renderer().ViewCount());
    EXPECT_EQ(v1, Wall().Renderer().ViewAt(0));
    EXPECT_EQ(v2, Wall().Renderer().ViewAt(1));
    POINT c = Centre(v1);
    EXPECT_TRUE(Grey(200, uitest::PixelAt(fullWnd->GetPaintManager(), c.x, c.y)));
    c = Centre(v2);
    EXPECT_TRUE(Grey(120, uitest::PixelAt(fullWnd->GetPaintManager(), c.x, c.y)));

    // Escape in the full-screen window comes back.
    uitest::Key(full, SDLK_ESCAPE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !Wall().IsFullScreen(); }));
    EXPECT_FALSE(IsWindow(full));
    Show(v1, 90);
    const int before = host.GetPaintManager().PaintCount();
    ASSERT_TRUE(uitest::PumpUntil([&] { return host.GetPaintManager().PaintCount() > before; }));
    c = Centre(v1);
    EXPECT_TRUE(Grey(90, uitest::PixelAt(host.GetPaintManager(), c.x, c.y)));
    EXPECT_EQ(v1, Wall().Renderer().SelectedView());

    // A double click toggles both ways.
    c = Centre(v2);
    uitest::PushMouse(host.GetHWND(), c.x, c.y, true, SDL_BUTTON_LEFT, 1);
    uitest::PushMouse(host.GetHWND(), c.x, c.y, false, SDL_BUTTON_LEFT, 1);
    uitest::PushMouse(host.GetHWND(), c.x, c.y, true, SDL_BUTTON_LEFT, 2);
    uitest::PushMouse(host.GetHWND(), c.x, c.y, false, SDL_BUTTON_LEFT, 2);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Wall().IsFullScreen(); }));
    full = Wall().SurfaceWindow();
    c = Centre(v2);
    uitest::PushMouse(full, c.x, c.y, true, SDL_BUTTON_LEFT, 2);
    uitest::PushMouse(full, c.x, c.y, false, SDL_BUTTON_LEFT, 2);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !Wall().IsFullScreen(); }));
    EXPECT_FALSE(IsWindow(full));
    EXPECT_EQ(v2, Wall().Renderer().SelectedView());
}

TEST_F(WallWindowTest, WheelZoomsCtrlDoubleClickResetsAndAPlainDoubleClickStillGoesFullScreen) {
    kelvo::VideoRenderer& r = Wall().Renderer();
    const POINT c = Centre(v1);
    auto wheel = [&](int notches) {
        uitest::PushMove(host.GetHWND(), c.x, c.y);
        SDL_Event ev;
        SDL_zero(ev);
        ev.type = SDL_MOUSEWHEEL;
        ev.wheel.windowID = uitest::SdlId(host.GetHWND());
        ev.wheel.y = notches;
        SDL_PushEvent(&ev);
        uitest::Pump();
    };
    auto doubleClick = [&](HWND window, Uint16 mod) {
        const POINT c = Centre(v1);  // where the view is shown now
        SDL_SetModState(static_cast<SDL_Keymod>(mod));
        uitest::PushMouse(window, c.x, c.y, true, SDL_BUTTON_LEFT, 1);
        uitest::PushMouse(window, c.x, c.y, false, SDL_BUTTON_LEFT, 1);
        uitest::PushMouse(window, c.x, c.y, true, SDL_BUTTON_LEFT, 2);
        uitest::PushMouse(window, c.x, c.y, false, SDL_BUTTON_LEFT, 2);
        uitest::Pump();
        SDL_SetModState(KMOD_NONE);
    };

    wheel(1);
    wheel(1);
    EXPECT_GT(r.ZoomFactor(v1), 1.0);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(v2), 1.0);
    wheel(-1);
    EXPECT_GT(r.ZoomFactor(v1), 1.0);
    wheel(1);
    const double zoomed = r.ZoomFactor(v1);

    // Ctrl+double-click: back to the whole picture, no full screen, still selected.
    doubleClick(host.GetHWND(), KMOD_LCTRL);
    uitest::Pump();
    EXPECT_FALSE(Wall().IsFullScreen());
    EXPECT_DOUBLE_EQ(r.ZoomFactor(v1), 1.0);
    EXPECT_EQ(v1, r.SelectedView());

    // Without Ctrl the double click goes full screen as always, and the zoom stays.
    wheel(1);
    ASSERT_GT(r.ZoomFactor(v1), 1.0);
    EXPECT_LT(r.ZoomFactor(v1), zoomed);
    doubleClick(host.GetHWND(), KMOD_NONE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Wall().IsFullScreen(); }));
    EXPECT_GT(r.ZoomFactor(v1), 1.0);
    HWND full = Wall().SurfaceWindow();
    doubleClick(full, KMOD_LCTRL);
    uitest::Pump();
    EXPECT_TRUE(Wall().IsFullScreen()) << "Ctrl+double-click left full screen";
    EXPECT_DOUBLE_EQ(r.ZoomFactor(v1), 1.0);
    doubleClick(full, KMOD_NONE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !Wall().IsFullScreen(); }));

    // Switched off: the wheel zooms nothing and Ctrl+double-click is a double click.
    r.SetZoomEnabled(false);
    wheel(1);
    EXPECT_DOUBLE_EQ(r.ZoomFactor(v1), 1.0);
    doubleClick(host.GetHWND(), KMOD_LCTRL);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Wall().IsFullScreen(); }));
    Wall().ToggleFullScreen();
    EXPECT_FALSE(Wall().IsFullScreen());
}

TEST_F(WallWindowTest, WindowResizeRebuildsItsSurfaceAndTheWallKeepsDrawing) {
    // The window's drawing context is remade at a new size; the wall's
    // textures went with the old one and must not be touched again.
    for (int size : {500, 700, 600}) {
        host.ResizeClient(size, size * 3 / 4);
        Show(v1, static_cast<uint8_t>(size / 4));
        const int before = host.GetPaintManager().PaintCount();
        ASSERT_TRUE(uitest::PumpUntil([&] { return host.GetPaintManager().PaintCount() > before; }));
        const POINT c = Centre(v1);
        EXPECT_TRUE(Grey(size / 4, uitest::PixelAt(host.GetPaintManager(), c.x, c.y))) << size;
    }
}

TEST_F(WallWindowTest, DestroyingTheWindowWhileFullScreenEndsCleanlyAndAsksToQuit) {
    Wall().ToggleFullScreen();
    ASSERT_TRUE(Wall().IsFullScreen());
    HWND full = Wall().SurfaceWindow();
    uitest::Pump();
    DestroyWindow(host.GetHWND());
    WindowRegistry::Instance().FlushDeferred();
    EXPECT_FALSE(IsWindow(full));
    EXPECT_TRUE(WindowRegistry::Instance().QuitRequested());
    EXPECT_EQ(0, WindowRegistry::Instance().QuitCode());
}

TEST(RepaintPacer, HoldsRequestsToOnePerPeriodAndAlwaysFiresTheLastOne) {
    ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
    int fired = 0;
    kelvo::RepaintPacer pacer([&] { ++fired; }, 40);
    pacer.Request();
    EXPECT_EQ(1, fired) << "the first request is not held";
    for (int i = 0; i < 10; ++i) pacer.Request();
    EXPECT_EQ(1, fired);
    ASSERT_TRUE(uitest::PumpUntil([&] { return fired == 2; }, 1000)) << "a held request is fired later";
    // A stream of requests over 400 ms: about one repaint per period, never one per request.
    const auto start = std::chrono::steady_clock::now();
    int requests = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(400)) {
        pacer.Request();
        ++requests;
        WindowRegistry::Instance().PumpOnce(2);
    }
    const int settled = fired;
    uitest::PumpUntil([&] { return fired > settled; }, 200);
    EXPECT_GT(requests, 50);
    EXPECT_GE(fired - 2, 5);
    EXPECT_LE(fired - 2, 400 / 40 + 3);
}
