// A fixture for tests of the real program under Xvfb: a scratch folder with
// a layout folder for KELVO_LAYOUT_DIR, the program's Config.dat, and the
// clean-up of the program and of the files it leaves beside itself.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "XvfbSession.h"

namespace viewertest {

using Layout = std::map<std::string, ControlBox>;

// A layout predicate: the named control is visible and has a size.
inline std::function<bool(const Layout&)> Shown(const std::string& name) {
    return [name](const Layout& l) {
        auto it = l.find(name);
        return it != l.end() && it->second.visible && it->second.right > it->second.left;
    };
}

class ProgramFixture : public ::testing::Test {
protected:
    // Skips the test unless the shell command `tools` (e.g. "command -v
    // Xvfb") succeeds; `name` names the scratch folder.
    void Prepare(const std::string& name, const std::string& tools) {
        if (std::system(tools.c_str()) != 0) GTEST_SKIP() << "missing: " << tools;
        std::string tmpl = "/tmp/kelvo-" + name + "-e2e-XXXXXX";
        tmp = mkdtemp(&tmpl[0]);
        layouts = tmp + "/layout";
        mkdir(layouts.c_str(), 0700);
        build = Env("KELVO_BUILD_DIR", ".");
        config = build + "/bin/Config.dat";
    }
    void TearDown() override {
        if (viewer > 0) {
            kill(viewer, SIGKILL);
            WaitExit(viewer, 5000);
        }
        if (!config.empty()) unlink(config.c_str());
        if (!build.empty()) unlink((build + "/bin/Views.xml").c_str());
        if (!tmp.empty()) {
            EXPECT_EQ(std::system(("rm -rf '" + tmp + "'").c_str()), 0);
        }
    }
    // Starts the program on the display, writing its layouts; false when it cannot be spawned.
    bool StartViewer(const XDisplay& x) {
        viewer = Spawn({build + "/bin/KelvoView"}, {"DISPLAY=" + x.Name(), "SDL_VIDEODRIVER=x11", "XDG_RUNTIME_DIR=" + tmp,
                                                    "KELVO_LAYOUT_DIR=" + layouts,
                                                    "ASAN_OPTIONS=halt_on_error=1:detect_leaks=0"});
        return viewer > 0;
    }
    Layout Main() { return ReadLayout(layouts, "KelvoMainForm"); }
    // Layout files outlive their windows: drop one before waiting for its window again.
    void Forget(const std::string& cls) { unlink((layouts + "/" + cls + ".layout").c_str()); }

    std::string tmp, layouts, build, config;
    pid_t viewer = -1;
};

}  // namespace viewertest
