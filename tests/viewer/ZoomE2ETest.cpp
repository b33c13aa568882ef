// Digital zoom in the real viewer under Xvfb, driven by X input: the wheel
// over a camera's view enlarges the camera's squares around the cursor,
// Ctrl+double-click brings the whole picture back without going full
// screen, and a plain double-click still goes full screen. Ctrl+Shift+A
// shows and hides the view's figures.
#include <gtest/gtest.h>

#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "ProgramFixture.h"
#include "XvfbSession.h"
#include "tests/sim/SimProcess.h"

using namespace viewertest;

namespace {

// Where the camera's dark and light squares meet along one screen row.
struct Row {
    std::vector<int> edges;
    double Spacing() const {
        return edges.size() < 2 ? 0 : double(edges.back() - edges.front()) / double(edges.size() - 1);
    }
};

class ZoomE2E : public ProgramFixture {
protected:
    void SetUp() override {
        Prepare("zoom", "command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v import >/dev/null");
    }
    bool FullScreenShown() { return Exists(layouts + "/KelvoPlayer.layout"); }

    // The row of the picture through its squares (clear of the camera's text
    // and moving bar) in a 352x288 picture kept to its shape in the pane.
    void Aim(const ControlBox& pane) {
        const int w = pane.right - pane.left, h = pane.bottom - pane.top;
        const int dw = std::min(w, h * 352 / 288), dh = std::min(h, w * 288 / 352);
        x0 = pane.left + (w - dw) / 2 + 8;
        x1 = pane.left + (w + dw) / 2 - 8;
        y = pane.top + (h - dh) / 2 + dh * 166 / 288;
        cx = (pane.left + pane.right) / 2;
        cy = (pane.top + pane.bottom) / 2;
    }
    Row Measure(const XDisplay& x) {
        Row row;
        SDL_Surface* s = Shot(x.Name(), tmp + "/shot.png");
        if (!s) return row;
        bool light = false;
        for (int px = x0; px < x1; ++px) {
            const uint8_t* p = Pixel(s, px, y);
            const bool now = 0.257 * p[0] + 0.504 * p[1] + 0.098 * p[2] + 16 > 135;
            if (px > x0 && now != light) row.edges.push_back(px);
            light = now;
        }
        SDL_FreeSurface(s);
        return row;
    }
    // Screenshots until `pred` holds for the row (pictures and repaints take a moment).
    bool WaitRow(const XDisplay& x, const std::function<bool(const Row&)>& pred, Row* out, int timeoutMs = 10000) {
        for (int waited = 0; waited <= timeoutMs; waited += 250) {
            *out = Measure(x);
            if (pred(*out)) return true;
            usleep(250 * 1000);
        }
        return false;
    }

    // Mean brightness of a patch the figures block covers (its 60 % black
    // strip darkens the picture; the thin text adds little).
    double FiguresPatch(const XDisplay& x, const ControlBox& pane) {
        SDL_Surface* s = Shot(x.Name(), tmp + "/figures.png");
        if (!s) return -1;
        double sum = 0;
        int n = 0;
        for (int py = pane.top + 24; py < pane.top + 76; ++py)
            for (int px = pane.left + 4; px < pane.left + 120; ++px, ++n) {
                const uint8_t* p = Pixel(s, px, py);
                sum += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
            }
        SDL_FreeSurface(s);
        return n ? sum / n : -1;
    }
    bool WaitPatch(const XDisplay& x, const ControlBox& pane, const std::function<bool(double)>& pred, double* last) {
        for (int waited = 0; waited <= 8000; waited += 250) {
            *last = FiguresPatch(x, pane);
            if (*last >= 0 && pred(*last)) return true;
            usleep(250 * 1000);
        }
        return false;
    }

    int x0 = 0, x1 = 0, y = 0, cx = 0, cy = 0;
};

}  // namespace

TEST_F(ZoomE2E, WheelEnlargesCtrlDoubleClickRestoresDoubleClickStillGoesFullScreen) {
    const std::string source = Env("KELVO_SOURCE_DIR", ".");
    simtest::SimProcess sim({"--scenario", source + "/tests/e2e/data/four.json", "--port", "0", "--cache-dir", tmp});
    ASSERT_TRUE(sim.WaitReady(60000));
    ASSERT_TRUE(sim.WaitLine("media ready", 60000));
    ASSERT_FALSE(Exists(config)) << "a Config.dat is in the way: " << config;
    unlink((build + "/bin/Views.xml").c_str());  // no wall of an earlier run
    WriteDemoConfig(config, sim.central, "<videoCol>1</videoCol><videoRow>1</videoRow>");
    XDisplay x;
    ASSERT_TRUE(x.Ok());
    ASSERT_TRUE(StartViewer(x));
    ASSERT_TRUE(sim.WaitLine("login demo ok", 30000));
    ASSERT_TRUE(WaitLayout(layouts, "KelvoMainForm", 20000, Shown("cameraItem_C4")));

    // C4 sends 352x288 with eight squares across.
    const ControlBox item = Main()["cameraItem_C4"];
    x.Click(item.cx(), item.cy());
    ASSERT_TRUE(sim.WaitLine("stream start C4", 15000));
    const ControlBox pane = Main()["player"];
    ASSERT_GT(pane.right - pane.left, 200);
    Aim(pane);
    Row whole;
    ASSERT_TRUE(WaitRow(x, [](const Row& r) { return r.edges.size() >= 5; }, &whole, 20000))
        << "no squares on screen: " << whole.edges.size() << " edges";
    x.Click(cx, cy);  // selects the view and gives the window the keyboard

    // Four notches up: 2x around the cursor, squares twice as wide.
    x.Xdo("mousemove " + std::to_string(cx) + " " + std::to_string(cy) + " click --repeat 4 --delay 60 4");
    Row zoomed;
    EXPECT_TRUE(WaitRow(x, [&](const Row& r) {
        return r.edges.size() >= 2 && r.Spacing() > 1.6 * whole.Spacing() && r.Spacing() < 2.4 * whole.Spacing();
    }, &zoomed)) << "spacing " << zoomed.Spacing() << " (" << zoomed.edges.size() << " edges) against "
                 << whole.Spacing() << " (" << whole.edges.size() << ")";

    // Ctrl+double-click: the whole picture again, and no full screen.
    x.Xdo("mousemove " + std::to_string(cx) + " " + std::to_string(cy) +
          " keydown ctrl click --repeat 2 --delay 120 1 keyup ctrl");
    Row back;
    EXPECT_TRUE(WaitRow(x, [&](const Row& r) {
        return r.edges.size() == whole.edges.size() && std::abs(r.Spacing() - whole.Spacing()) < 0.15 * whole.Spacing();
    }, &back)) << "spacing " << back.Spacing() << " (" << back.edges.size() << " edges) against " << whole.Spacing();
    usleep(500 * 1000);
    EXPECT_FALSE(FullScreenShown()) << "Ctrl+double-click went full screen";

    // Ctrl+Shift+A shows the view's figures over its top left corner, and hides them again.
    const double plain = FiguresPatch(x, pane);
    ASSERT_GT(plain, 40) << "the picture is too dark to see the figures' strip on";
    // Without a window manager SDL gives the keyboard to every window it
    // shows, the view's toolbar included: hand it back to the main window.
    x.Xdo("search --name '^MainForm$' windowfocus %1");
    x.Xdo("key ctrl+shift+a");
    double patch = 0;
    EXPECT_TRUE(WaitPatch(x, pane, [&](double v) { return v < 0.7 * plain; }, &patch))
        << "brightness " << patch << " against " << plain << " without figures";
    x.Xdo("key ctrl+shift+a");
    EXPECT_TRUE(WaitPatch(x, pane, [&](double v) { return v > 0.85 * plain; }, &patch))
        << "brightness " << patch << " against " << plain << " after hiding";

    // A plain double-click still goes full screen; Escape comes back.
    x.Xdo("mousemove " + std::to_string(cx) + " " + std::to_string(cy) + " click --repeat 2 --delay 120 1");
    for (int i = 0; i < 50 && !FullScreenShown(); ++i) usleep(100 * 1000);
    EXPECT_TRUE(FullScreenShown()) << "the double click did not go full screen";
    x.Xdo("key Escape");

    const size_t mark = sim.Mark();
    kill(viewer, SIGTERM);
    EXPECT_EQ(WaitExit(viewer, 15000), 0);
    viewer = -1;
    EXPECT_TRUE(sim.WaitLine("logout demo", 5000, mark));
}
