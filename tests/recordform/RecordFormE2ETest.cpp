// The record window on a real X display (Xvfb) against the simulator program: the record
// server comes from the session's directory, today's recordings are queried and played, a
// click on the slider jumps, and screenshots show moving video in the player area.
#include "RecordFormSupport.h"
#include "tests/viewer/XvfbSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using namespace DuiLib;

namespace {

using viewertest::Pixel;
using viewertest::Shot;

void OnSession(int event, int, int, void* user) {
    if (event == KELVO_SESSION_DIRECTORY_READY) static_cast<std::atomic<bool>*>(user)->store(true);
}

TEST(RecordFormE2E, QueriesTodayPlaysSeeksAndShowsMovingVideo) {
    if (std::system("command -v Xvfb >/dev/null && command -v import >/dev/null") != 0)
        GTEST_SKIP() << "Xvfb or ImageMagick missing";
    time_t now = std::time(nullptr);
    TDateTime from = recordtest::LocalTime(now - 600), to = recordtest::LocalTime(now - 1);
    if (from.day != to.day) GTEST_SKIP() << "range crosses midnight";

    std::unique_ptr<simtest::SimProcess> sim(recordtest::MakeSim());
    ASSERT_NE(nullptr, sim);
    ASSERT_TRUE(sim->WaitLine("media ready", 60000));

    // The camera's record server, as the main window finds it.
    std::atomic<bool> ready{false};
    void* session = KelvoSession_Create();
    KelvoSession_SetCallBack(session, &OnSession, &ready);
    ASSERT_EQ(0, KelvoSession_Login(session, "127.0.0.1", sim->central, "demo", "demo", 0));
    auto t0 = std::chrono::steady_clock::now();
    while (!ready && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) sim->WaitLine("\x01", 20);
    ASSERT_TRUE(ready.load());
    char host[32] = {};
    unsigned short port = 0;
    ASSERT_NE(0, KelvoSession_GetRecordServer(session, "T2", host, &port));
    KelvoSession_SetCallBack(session, nullptr, nullptr);
    KelvoSession_Destory(session);
    ASSERT_EQ(sim->records[0], port);

    viewertest::XDisplay x;
    ASSERT_TRUE(x.Ok());
    const std::string display = x.Name();
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));

    {
        recordtest::TestForm form;
        ASSERT_NE(nullptr, form.Create(nullptr, "RecordQueryForm", UI_WNDSTYLE_DIALOG, 0));
        form.CenterWindow();
        form.SetRecordServer(host, port, "T2");
        form.SetCameraName("带声音");
        form.ShowWindow(true, true);
        CPaintManagerUI& pm = form.GetPaintManager();
        ASSERT_TRUE(uitest::PumpUntil([&] { return pm.PaintCount() > 0; }));
        pm.FindControlAs<CDateTimeUI>("queryDate")->SetValue(from);
        pm.FindControlAs<CDateTimeUI>("queryStartTime")->SetValue(from);
        pm.FindControlAs<CDateTimeUI>("queryEndTime")->SetValue(to);
        uitest::ClickControl(form.GetHWND(), pm.FindControl("btnQuery"));
        ASSERT_TRUE(uitest::PumpUntil([&] { return !form.IsQuerying(); }, 10000));
        ASSERT_TRUE(form.alerts.empty()) << form.alerts[0].first;
        kelvo::VideoPlayerUI* player = form.Player();
        ASSERT_TRUE(player->IsPlaying());
        ASSERT_TRUE(uitest::PumpUntil([&] { return player->Player()->PictureCount() > 0; }, 10000));

        // A click at 60% of the slider jumps there.
        auto* slider = pm.FindControlAs<CSliderUI>("sliderVol");
        const RECT sr = slider->GetPos();
        const int x = sr.left + sr.Width() * 6 / 10, y = (sr.top + sr.bottom) / 2;
        uitest::PushMove(form.GetHWND(), x, y);
        uitest::PushMouse(form.GetHWND(), x, y, true);
        uitest::PushMouse(form.GetHWND(), x, y, false);
        const int target = slider->GetMaxValue() * 6 / 10;
        // Progress then reports from the recording jumped into (every recording is 60 s long).
        EXPECT_TRUE(uitest::PumpUntil([&] {
            return !form.IsHolding() && slider->GetValue() >= target - 60 && slider->GetValue() < target + 90;
        }, 5000));

        // Two screenshots half a second apart: the player area is not black and changes.
        // New pictures must have been drawn (painted) before each shot.
        auto drawnAfter = [&](int paints) {
            return uitest::PumpUntil([&] { return pm.PaintCount() >= paints; }, 5000);
        };
        ASSERT_TRUE(drawnAfter(pm.PaintCount() + 3));
        RECT win;
        ASSERT_TRUE(GetWindowRect(form.GetHWND(), win));
        const RECT pr = player->GetPos();
        SDL_Surface* a = Shot(display, "/tmp/kelvo-record-e2e-a.png");
        ASSERT_TRUE(drawnAfter(pm.PaintCount() + 5));
        SDL_Surface* b = Shot(display, "/tmp/kelvo-record-e2e-b.png");
        ASSERT_TRUE(a && b);
        int samples = 0, coloured = 0, changed = 0;
        for (int py = pr.top + 20; py < pr.bottom - 20; py += 7)
            for (int px = pr.left + 20; px < pr.right - 20; px += 7) {
                const int sx = win.left + px, sy = win.top + py;
                if (sx < 0 || sy < 0 || sx >= a->w || sy >= a->h) continue;
                const uint8_t* p = Pixel(a, sx, sy);
                const uint8_t* q = Pixel(b, sx, sy);
                ++samples;
                if (p[0] + p[1] + p[2] > 90) ++coloured;
                if (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 30) ++changed;
            }
        SDL_FreeSurface(a);
        SDL_FreeSurface(b);
        ASSERT_GT(samples, 100);
        EXPECT_GT(coloured, samples / 4) << "the player area carries a picture";
        EXPECT_GE(changed, 5) << "the picture moves";

        HWND h = form.GetHWND();
        form.Close(0);
        EXPECT_TRUE(uitest::PumpUntil([&] { return !IsWindow(h); }, 10000));
    }
    CPaintManagerUI::Term();
    if (!HasFailure()) {
        unlink("/tmp/kelvo-record-e2e-a.png");
        unlink("/tmp/kelvo-record-e2e-b.png");
    }
}

}  // namespace
