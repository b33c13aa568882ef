// The real KelvoView program under Xvfb against the simulator program: it
// logs in by itself, opens four cameras, shows moving pictures in all four
// views, and ends cleanly on SIGTERM.
#include <gtest/gtest.h>

#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "XvfbSession.h"
#include "tests/sim/SimProcess.h"

using namespace viewertest;

TEST(ViewerE2E, LogsInOpensFourCamerasShowsMovingPicturesAndEndsCleanly) {
    if (std::system("command -v Xvfb >/dev/null && command -v import >/dev/null") != 0)
        GTEST_SKIP() << "Xvfb or ImageMagick missing";
    const std::string build = Env("KELVO_BUILD_DIR", "."), source = Env("KELVO_SOURCE_DIR", ".");
    char tmpl[] = "/tmp/kelvo-viewer-e2e-XXXXXX";
    const std::string tmp = mkdtemp(tmpl);

    simtest::SimProcess sim({"--scenario", source + "/tests/e2e/data/four.json", "--port", "0", "--cache-dir", tmp});
    ASSERT_TRUE(sim.WaitReady(60000));
    ASSERT_TRUE(sim.WaitLine("media ready", 60000));

    // The program reads Config.dat beside itself.
    const std::string config = build + "/bin/Config.dat";
    ASSERT_FALSE(Exists(config)) << "a Config.dat is in the way: " << config;
    WriteDemoConfig(config, sim.central, "<videoCol>2</videoCol><videoRow>2</videoRow>");

    XDisplay x;
    ASSERT_TRUE(x.Ok());
    const std::string display = x.Name();

    pid_t viewer = Spawn({build + "/bin/KelvoView"},
                         {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "KELVO_AUTOPLAY=4", "XDG_RUNTIME_DIR=" + tmp,
                          "ASAN_OPTIONS=halt_on_error=1:detect_leaks=0"});
    ASSERT_GT(viewer, 0);
    bool four = sim.WaitLine("login demo ok", 30000);
    size_t from = 0;
    int started = 0;
    for (int i = 0; i < 4 && four; ++i) {
        std::string line;
        four = sim.WaitLine("stream start", 30000, from, &line);
        // Next search after this line.
        for (size_t k = from; k < sim.Lines().size(); ++k)
            if (sim.Lines()[k] == line) {
                from = k + 1;
                break;
            }
        if (four) ++started;
    }
    EXPECT_EQ(started, 4);

    // Pictures take a moment to arrive and be drawn.
    sleep(4);
    SDL_Surface* a = Shot(display, tmp + "/a.png");
    sleep(1);
    SDL_Surface* b = Shot(display, tmp + "/b.png");
    ASSERT_TRUE(a && b);
    // The four views of the 2×2 wall: sample each quadrant of the wall's
    // region (between the device tree and the PTZ panel).
    int lively = 0, moving = 0;
    const int x0 = 430, x1 = 1180, y0 = 100, y1 = 840;
    for (int q = 0; q < 4; ++q) {
        const int qx0 = x0 + (q % 2) * (x1 - x0) / 2, qy0 = y0 + (q / 2) * (y1 - y0) / 2;
        int coloured = 0, changed = 0, samples = 0;
        for (int y = qy0 + 40; y < qy0 + (y1 - y0) / 2 - 20; y += 9)
            for (int x = qx0 + 20; x < qx0 + (x1 - x0) / 2 - 20; x += 9) {
                const uint8_t* p = Pixel(a, x, y);
                const uint8_t* r = Pixel(b, x, y);
                ++samples;
                if (p[0] + p[1] + p[2] > 90) ++coloured;  // not black, not the window background
                if (std::abs(p[0] - r[0]) + std::abs(p[1] - r[1]) + std::abs(p[2] - r[2]) > 30) ++changed;
            }
        if (coloured > samples / 2) ++lively;
        if (changed >= 3) ++moving;  // the moving square and the clock text
    }
    SDL_FreeSurface(a);
    SDL_FreeSurface(b);
    EXPECT_EQ(lively, 4) << "views carrying video";
    EXPECT_GE(moving, 4) << "views whose picture changed within a second";

    const size_t mark = sim.Mark();
    kill(viewer, SIGTERM);
    EXPECT_EQ(WaitExit(viewer, 15000), 0);
    EXPECT_TRUE(sim.WaitLine("logout demo", 5000, mark));
    unlink(config.c_str());
    unlink((build + "/bin/Views.xml").c_str());
    std::string rm = "rm -rf '" + tmp + "'";
    EXPECT_EQ(std::system(rm.c_str()), 0);
}
