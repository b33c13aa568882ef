// Alarms from the simulator reach the alarm centre of the real viewer: the
// toolbar counts them, the centre lists them, and "play from here" opens the
// record window of that camera.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "XvfbSession.h"
#include "tests/sim/SimProcess.h"

using namespace viewertest;

TEST(AlarmCenterE2E, AlarmIsCountedListedAndPlayedFromItsTime) {
    if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
        GTEST_SKIP() << "Xvfb or xdotool missing";
    const std::string build = Env("KELVO_BUILD_DIR", "."), source = Env("KELVO_SOURCE_DIR", ".");
    char tmpl[] = "/tmp/kelvo-alarm-e2e-XXXXXX";
    const std::string tmp = mkdtemp(tmpl), layouts = tmp + "/layout";
    ASSERT_EQ(mkdir(layouts.c_str(), 0700), 0);
    simtest::SimProcess sim({"--scenario", source + "/tests/sim/data/tiny.json", "--port", "0", "--cache-dir", tmp});
    ASSERT_TRUE(sim.WaitReady(60000));
    const std::string config = build + "/bin/Config.dat";
    ASSERT_FALSE(Exists(config)) << "a Config.dat is in the way: " << config;
    WriteDemoConfig(config, sim.central, "<enableAlarm>1</enableAlarm><restoreLastView>0</restoreLastView>");
    XDisplay x;
    ASSERT_TRUE(x.Ok());
    pid_t viewer = Spawn({build + "/bin/KelvoView"},
                         {"DISPLAY=" + x.Name(), "SDL_VIDEODRIVER=x11", "XDG_RUNTIME_DIR=" + tmp, "KELVO_AUTOPLAY=2",
                          "KELVO_LAYOUT_DIR=" + layouts, "ASAN_OPTIONS=halt_on_error=1:detect_leaks=0"});
    ASSERT_GT(viewer, 0);
    ASSERT_TRUE(sim.WaitLine("stream start T2", 30000));

    // The camera with alarms raises one every second: the toolbar counts it.
    EXPECT_TRUE(WaitLayout(layouts, "KelvoMainForm", 20000, [](const std::map<std::string, ControlBox>& l) {
        auto it = l.find("btn_alarms");
        return it != l.end() && !it->second.text.empty() && std::atoi(it->second.text.c_str()) > 0;
    })) << "no alarm counted";
    const auto main = ReadLayout(layouts, "KelvoMainForm");
    x.Click(main.at("btn_alarms").cx(), main.at("btn_alarms").cy());
    ASSERT_TRUE(WaitLayout(layouts, "AlarmCenter", 5000, [](const std::map<std::string, ControlBox>& l) {
        auto it = l.find("labelCount");
        return it != l.end() && it->second.visible && it->second.text.find("未确认报警") != std::string::npos &&
               it->second.text != "未确认报警：0";
    })) << "the centre does not list the alarm";

    // Pick the newest row and play from its time.
    const auto centre = ReadLayout(layouts, "AlarmCenter");
    const ControlBox list = centre.at("listAlarms");
    x.Click(list.left + 80, list.top + 14);
    usleep(300 * 1000);
    x.Click(centre.at("btnPlayback").cx(), centre.at("btnPlayback").cy());
    EXPECT_TRUE(WaitLayout(layouts, "RecordQuery", 10000, [](const std::map<std::string, ControlBox>& l) {
        auto it = l.find("cameraName");
        return it != l.end() && it->second.visible && it->second.text == "带声音";
    })) << "play from here did not open the camera's recordings";

    const size_t mark = sim.Mark();
    kill(viewer, SIGTERM);
    EXPECT_EQ(WaitExit(viewer, 15000), 0);
    EXPECT_TRUE(sim.WaitLine("logout demo", 5000, mark));
    unlink(config.c_str());
    unlink((build + "/bin/Views.xml").c_str());
    EXPECT_EQ(std::system(("rm -rf '" + tmp + "'").c_str()), 0);
}
