// Two copies of the real viewer on one display and runtime folder: the
// second one says so, exits, and the first one's main window comes to the
// front over whatever covered it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "XvfbSession.h"
#include "tests/sim/SimProcess.h"

using namespace viewertest;

namespace {

std::string Capture(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// Names of the top-level windows, top first (as xwininfo lists them).
std::vector<std::string> Stacking(const std::string& display) {
    std::vector<std::string> names;
    std::istringstream in(Capture("DISPLAY=" + display + " xwininfo -root -children 2>/dev/null"));
    std::string line;
    while (std::getline(in, line)) {
        const size_t q = line.find('"');
        if (q == std::string::npos || line.find("0x") == std::string::npos) continue;
        const size_t end = line.find('"', q + 1);
        if (end != std::string::npos) names.push_back(line.substr(q + 1, end - q - 1));
    }
    return names;
}

// Stacking height: larger is nearer the top; -1 when absent.
int Height(const std::vector<std::string>& names, const std::string& name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(names.size() - i);
    return -1;
}

}  // namespace

TEST(SingleInstanceE2E, SecondCopyExitsAndRaisesTheFirst) {
    if (std::system("command -v Xvfb >/dev/null && command -v xwininfo >/dev/null && command -v xmessage >/dev/null") != 0)
        GTEST_SKIP() << "Xvfb or x11-utils missing";
    const std::string build = Env("KELVO_BUILD_DIR", "."), source = Env("KELVO_SOURCE_DIR", ".");
    char tmpl[] = "/tmp/kelvo-single-e2e-XXXXXX";
    const std::string tmp = mkdtemp(tmpl);
    simtest::SimProcess sim({"--scenario", source + "/tests/e2e/data/four.json", "--port", "0", "--cache-dir", tmp});
    ASSERT_TRUE(sim.WaitReady(60000));
    const std::string config = build + "/bin/Config.dat";
    ASSERT_FALSE(Exists(config)) << "a Config.dat is in the way: " << config;
    WriteDemoConfig(config, sim.central);
    XDisplay x;
    ASSERT_TRUE(x.Ok());
    const std::vector<std::string> env = {"DISPLAY=" + x.Name(), "SDL_VIDEODRIVER=x11", "XDG_RUNTIME_DIR=" + tmp,
                                          "ASAN_OPTIONS=halt_on_error=1:detect_leaks=0"};
    pid_t first = Spawn({build + "/bin/KelvoView"}, env);
    ASSERT_GT(first, 0);
    ASSERT_TRUE(sim.WaitLine("login demo ok", 30000));
    // The main window comes to the front by itself once the tree is in.
    ASSERT_TRUE(sim.WaitLine("cameras demo", 30000));
    sleep(2);

    // Cover the main window with another one.
    pid_t cover = Spawn({"/usr/bin/xmessage", "-geometry", "1600x900+0+0", "-name", "cover", "cover"},
                        {"DISPLAY=" + x.Name()});
    ASSERT_GT(cover, 0);
    bool covered = false;
    for (int i = 0; i < 100 && !covered; ++i, usleep(50 * 1000)) {
        const auto names = Stacking(x.Name());
        const int main = Height(names, "MainForm"), over = Height(names, "cover");
        covered = main >= 0 && over > main;
    }
    ASSERT_TRUE(covered) << "the cover window did not go over the viewer";

    std::string cmd;
    for (const std::string& e : env) cmd += e + " ";
    cmd += build + "/bin/KelvoView 2>&1 >/dev/null; echo \"exit=$?\"";
    const std::string second = Capture(cmd);
    EXPECT_NE(second.find("程序已经在内存中运行!"), std::string::npos) << second;
    EXPECT_NE(second.find("exit=255"), std::string::npos) << second;

    bool raised = false;
    for (int i = 0; i < 100 && !raised; ++i, usleep(50 * 1000)) {
        const auto names = Stacking(x.Name());
        raised = Height(names, "MainForm") > Height(names, "cover");
    }
    EXPECT_TRUE(raised) << "the first copy did not come to the front";
    EXPECT_TRUE(sim.WaitLine("login demo ok", 100)) << "the first copy is still logged in";

    kill(cover, SIGTERM);
    WaitExit(cover, 5000);
    const size_t mark = sim.Mark();
    kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first, 15000), 0);
    EXPECT_TRUE(sim.WaitLine("logout demo", 5000, mark));
    unlink(config.c_str());
    unlink((build + "/bin/Views.xml").c_str());
    EXPECT_EQ(std::system(("rm -rf '" + tmp + "'").c_str()), 0);
}
