// The real viewer driven through X input against the simulator: a camera
// opened from its context menu, PTZ from the panel and the keyboard, a
// snapshot and a short recording written under the configured folders,
// the desktop lock refusing work until the right password unlocks it, and
// the camera search box.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "ProgramFixture.h"
#include "XvfbSession.h"
#include "tests/sim/SimProcess.h"

using namespace viewertest;

namespace {

// Files below `dir` (recursively) whose names end with `suffix`, with their sizes.
void FindFiles(const std::string& dir, const std::string& suffix, std::map<std::string, off_t>* out) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = dir + "/" + name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            FindFiles(path, suffix, out);
        else if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            (*out)[path] = st.st_size;
    }
    closedir(d);
}

class ViewerCommandsE2E : public ProgramFixture {
protected:
    void SetUp() override { Prepare("commands", "command -v Xvfb >/dev/null && command -v xdotool >/dev/null"); }
    void Click(const XDisplay& x, const ControlBox& b, int button = 1) { x.Click(b.cx(), b.cy(), button); }
};

TEST_F(ViewerCommandsE2E, MenuOpenPtzSnapshotRecordingAndLock) {
    const std::string source = Env("KELVO_SOURCE_DIR", ".");
    simtest::SimProcess sim({"--scenario", source + "/tests/e2e/data/four.json", "--port", "0", "--cache-dir", tmp});
    ASSERT_TRUE(sim.WaitReady(60000));
    ASSERT_TRUE(sim.WaitLine("media ready", 60000));
    ASSERT_FALSE(Exists(config)) << "a Config.dat is in the way: " << config;
    const std::string pics = tmp + "/pics", records = tmp + "/records";
    WriteDemoConfig(config, sim.central, "<videoCol>2</videoCol><videoRow>2</videoRow><picDirectory>" + pics + "</picDirectory><recordDirectory>" + records + "</recordDirectory>");
    XDisplay x;
    ASSERT_TRUE(x.Ok());
    ASSERT_TRUE(StartViewer(x));
    ASSERT_TRUE(sim.WaitLine("login demo ok", 30000));
    ASSERT_TRUE(WaitLayout(layouts, "KelvoMainForm", 20000, Shown("cameraItem_C1")));

    // Open the PTZ camera from its context menu.
    Forget("MenuWnd");
    Click(x, Main()["cameraItem_C1"], 3);
    ASSERT_TRUE(WaitLayout(layouts, "MenuWnd", 10000, Shown("menuCameraVideo")));
    Click(x, ReadLayout(layouts, "MenuWnd")["menuCameraVideo"]);
    ASSERT_TRUE(sim.WaitLine("stream start C1", 15000));

    // Select its view (the first pane of the 2×2 wall) and pan right from the panel.
    const ControlBox wall = Main()["player"];
    ASSERT_GT(wall.right - wall.left, 100);
    ControlBox firstPane = wall;
    firstPane.right = (wall.left + wall.right) / 2;
    firstPane.bottom = (wall.top + wall.bottom) / 2;
    Click(x, firstPane);
    ASSERT_TRUE(WaitLayout(layouts, "KelvoMainForm", 5000, Shown("btnPtzRight")));
    const ControlBox right = Main()["btnPtzRight"];
    size_t mark = sim.Mark();
    x.Xdo("mousemove " + std::to_string(right.cx()) + " " + std::to_string(right.cy()) + " mousedown 1 sleep 1 mouseup 1");
    std::string line;
    ASSERT_TRUE(sim.WaitLine("ptz C1 cmd=3", 5000, mark));
    ASSERT_TRUE(sim.WaitLine("ptz C1 cmd=4", 5000, mark, &line));
    EXPECT_EQ(line.find("pan=0.0 "), std::string::npos) << "the camera did not move: " << line;

    // The same from the keyboard: a held arrow key starts once and stops on release.
    mark = sim.Mark();
    x.Xdo("keydown Left sleep 0.5 keyup Left");
    EXPECT_TRUE(sim.WaitLine("ptz C1 cmd=1", 5000, mark));
    EXPECT_TRUE(sim.WaitLine("ptz C1 cmd=2", 5000, mark));

    // A snapshot and a short recording under the camera's title-path folders.
    x.Xdo("key ctrl+s");
    std::map<std::string, off_t> jpgs;
    for (int i = 0; i < 100 && jpgs.empty(); ++i, usleep(100 * 1000)) FindFiles(pics, ".jpg", &jpgs);
    ASSERT_EQ(jpgs.size(), 1u);
    EXPECT_NE(jpgs.begin()->first.find("/一组/云台相机/"), std::string::npos) << jpgs.begin()->first;
    EXPECT_GT(jpgs.begin()->second, 1000);
    x.Xdo("key ctrl+r");
    sleep(5);
    x.Xdo("key ctrl+r");
    std::map<std::string, off_t> avis;
    for (int i = 0; i < 50; ++i, usleep(100 * 1000)) {
        avis.clear();
        FindFiles(records, ".avi", &avis);
        if (!avis.empty() && avis.begin()->second > 10000) break;
    }
    ASSERT_EQ(avis.size(), 1u);
    EXPECT_NE(avis.begin()->first.find("/云台相机/"), std::string::npos);
    EXPECT_GT(avis.begin()->second, 10000) << "five seconds of video";

    // Lock: the tree refuses; a wrong password and a cancel keep it locked.
    Click(x, Main()["btn_lock"]);
    ASSERT_TRUE(WaitLayout(layouts, "KelvoMainForm", 5000, Shown("btn_unlock")));
    mark = sim.Mark();
    Forget("msgForm");
    Click(x, Main()["cameraItem_C4"]);
    ASSERT_TRUE(WaitLayout(layouts, "msgForm", 5000, Shown("btnOK"))) << "no locked message";
    Click(x, ReadLayout(layouts, "msgForm")["btnOK"]);
    EXPECT_FALSE(sim.WaitLine("stream start C4", 1000, mark)) << "a locked tree opened a camera";

    Forget("UserAuthForm");
    Click(x, Main()["btn_unlock"]);
    ASSERT_TRUE(WaitLayout(layouts, "UserAuthForm", 5000, Shown("txtPassword")));
    Click(x, ReadLayout(layouts, "UserAuthForm")["txtPassword"]);
    x.Xdo("type wrong");
    Forget("msgForm");
    Click(x, ReadLayout(layouts, "UserAuthForm")["btnLogin"]);
    ASSERT_TRUE(WaitLayout(layouts, "msgForm", 5000, Shown("btnOK"))) << "no wrong-password message";
    Click(x, ReadLayout(layouts, "msgForm")["btnOK"]);
    usleep(300 * 1000);
    Click(x, ReadLayout(layouts, "UserAuthForm")["btnCanel"]);
    usleep(500 * 1000);
    EXPECT_TRUE(Main()["btn_unlock"].visible) << "unlocked without the password";
    mark = sim.Mark();
    Forget("msgForm");
    Click(x, Main()["btn_close_all"]);
    ASSERT_TRUE(WaitLayout(layouts, "msgForm", 5000, Shown("btnOK"))) << "no locked message";
    Click(x, ReadLayout(layouts, "msgForm")["btnOK"]);
    EXPECT_FALSE(sim.WaitLine("stream stop C1", 500, mark)) << "a locked desktop closed videos";

    Forget("UserAuthForm");
    Click(x, Main()["btn_unlock"]);
    ASSERT_TRUE(WaitLayout(layouts, "UserAuthForm", 5000, Shown("txtPassword")));
    Click(x, ReadLayout(layouts, "UserAuthForm")["txtPassword"]);
    x.Xdo("type demo");
    Click(x, ReadLayout(layouts, "UserAuthForm")["btnLogin"]);
    EXPECT_TRUE(WaitLayout(layouts, "KelvoMainForm", 5000, Shown("btn_lock")));

    // Camera search (Latin letters without case): the tree keeps only the match, Enter opens it.
    // The main window takes input again only once the unlock dialog's loop
    // has returned: type until the box shows the text.
    bool typed = false;
    for (int attempt = 0; attempt < 4 && !typed; ++attempt) {
        Click(x, Main()["txtSearch"]);
        x.Xdo("type gATE");
        typed = WaitLayout(layouts, "KelvoMainForm", 2000, [](const Layout& l) {
            auto it = l.find("txtSearch");
            return it != l.end() && it->second.text == "gATE";
        });
        if (!typed) x.Xdo("key --repeat 4 BackSpace");
    }
    ASSERT_TRUE(typed) << "the search box reads \"" << Main()["txtSearch"].text << "\"";
    EXPECT_TRUE(WaitLayout(layouts, "KelvoMainForm", 5000, [](const Layout& l) {
        auto c1 = l.find("cameraItem_C1"), c6 = l.find("cameraItem_C6");
        return c1 != l.end() && c6 != l.end() && !c1->second.visible && c6->second.visible;
    })) << "the filter did not narrow the tree; the search box reads \"" << Main()["txtSearch"].text << "\"";
    mark = sim.Mark();
    x.Xdo("key Return");
    EXPECT_TRUE(sim.WaitLine("stream start C6", 10000, mark));

    mark = sim.Mark();
    kill(viewer, SIGTERM);
    EXPECT_EQ(WaitExit(viewer, 15000), 0);
    viewer = -1;
    EXPECT_TRUE(sim.WaitLine("logout demo", 5000, mark));
}

}  // namespace
