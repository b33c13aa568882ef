// The wall of the last session comes back after a restart: the real viewer
// opens four cameras, ends, and the next start reopens the same four in the
// same panes without being asked.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "XvfbSession.h"
#include "tests/sim/SimProcess.h"

using namespace viewertest;

namespace {

std::set<std::string> StartedStreams(simtest::SimProcess& sim, size_t from, size_t count, int timeoutMs) {
    std::set<std::string> keys;
    for (size_t i = 0; i < count; ++i) {
        std::string line;
        if (!sim.WaitLine("stream start", timeoutMs, from, &line)) break;
        for (size_t k = from; k < sim.Lines().size(); ++k)
            if (sim.Lines()[k] == line) {
                from = k + 1;
                break;
            }
        keys.insert(line.substr(line.rfind(' ') + 1));
    }
    return keys;
}

}  // namespace

TEST(ViewRestoreE2E, LastWallReopensAfterRestart) {
    if (std::system("command -v Xvfb >/dev/null") != 0) GTEST_SKIP() << "Xvfb missing";
    const std::string build = Env("KELVO_BUILD_DIR", "."), source = Env("KELVO_SOURCE_DIR", ".");
    char tmpl[] = "/tmp/kelvo-restore-e2e-XXXXXX";
    const std::string tmp = mkdtemp(tmpl);
    simtest::SimProcess sim({"--scenario", source + "/tests/e2e/data/four.json", "--port", "0", "--cache-dir", tmp});
    ASSERT_TRUE(sim.WaitReady(60000));
    const std::string config = build + "/bin/Config.dat", views = build + "/bin/Views.xml";
    ASSERT_FALSE(Exists(config)) << "a Config.dat is in the way: " << config;
    unlink(views.c_str());  // other runs of the program leave their last wall
    WriteDemoConfig(config, sim.central, "<videoCol>3</videoCol><videoRow>3</videoRow>");
    XDisplay x;
    ASSERT_TRUE(x.Ok());
    const std::vector<std::string> env = {"DISPLAY=" + x.Name(), "SDL_VIDEODRIVER=x11", "XDG_RUNTIME_DIR=" + tmp,
                                          "ASAN_OPTIONS=halt_on_error=1:detect_leaks=0"};
    std::vector<std::string> firstEnv = env;
    firstEnv.push_back("KELVO_AUTOPLAY=4");
    size_t mark = sim.Mark();
    pid_t viewer = Spawn({build + "/bin/KelvoView"}, firstEnv);
    ASSERT_GT(viewer, 0);
    const std::set<std::string> first = StartedStreams(sim, mark, 4, 30000);
    EXPECT_EQ(first.size(), 4u);
    kill(viewer, SIGTERM);
    EXPECT_EQ(WaitExit(viewer, 15000), 0);
    ASSERT_TRUE(Exists(views)) << "no views file written at exit";

    mark = sim.Mark();
    viewer = Spawn({build + "/bin/KelvoView"}, env);
    ASSERT_GT(viewer, 0);
    ASSERT_TRUE(sim.WaitLine("login demo ok", 30000, mark));
    const std::set<std::string> second = StartedStreams(sim, mark, 4, 30000);
    EXPECT_EQ(second, first) << "the same cameras come back";
    kill(viewer, SIGTERM);
    EXPECT_EQ(WaitExit(viewer, 15000), 0);

    // The panes are kept too: the file names each camera's pane.
    std::ifstream f(views);
    const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<last"), std::string::npos);
    EXPECT_NE(text.find("columns=\"3\""), std::string::npos) << text;
    EXPECT_NE(text.find("index=\"3\""), std::string::npos) << text;
    unlink(config.c_str());
    unlink(views.c_str());
    EXPECT_EQ(std::system(("rm -rf '" + tmp + "'").c_str()), 0);
}
