// Shared set-up for the settings window and chooser tests: a scratch folder tree, a hidden
// owner that runs scripted steps from a timer (so they also run inside modal loops), and input
// pushed without pumping (a step must never run a loop of its own).
#pragma once

#include "../shell/ShellTestSupport.h"

#include <CFileDialog.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace cfgtest {

inline void PushClick(DuiLib::HWND hwnd, DuiLib::CControlUI* c) {
    const DuiLib::RECT& rc = c->GetPos();
    int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
    uitest::PushMove(hwnd, x, y);
    uitest::PushMouse(hwnd, x, y, true);
    uitest::PushMouse(hwnd, x, y, false);
}

inline DuiLib::CFileDialog* ChooserOf(DuiLib::HWND owner) {
    for (DuiLib::HWND h : DuiLib::GetOwnedWindows(owner))
        if (auto* d = dynamic_cast<DuiLib::CFileDialog*>(DuiLib::WindowRegistry::Instance().Lookup(h))) return d;
    return nullptr;
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Under the build folder rather than a busy /tmp: the choosers list every folder on the way.
        const char* build = std::getenv("KELVO_BUILD_DIR");
        std::string tmpl = std::string(build ? build : "/tmp") + "/configform-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(&tmpl[0]));
        m_root = tmpl;
        setenv("XDG_CONFIG_HOME", (m_root + "/xdg").c_str(), 1);
        setenv("HOME", (m_root + "/home").c_str(), 1);
        MakeDir("home");
        ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
        ASSERT_TRUE(m_owner.Open());
    }
    void TearDown() override {
        DuiLib::DestroyWindow(m_owner.GetHWND());
        uitest::Pump();
        chmod(m_root.c_str(), 0700);
        std::string cmd = "chmod -R u+rwx '" + m_root + "' && rm -rf '" + m_root + "'";
        ASSERT_EQ(0, system(cmd.c_str()));
    }
    std::string P(const std::string& rel) const { return rel.empty() ? m_root : m_root + "/" + rel; }
    void MakeDir(const std::string& rel) { ASSERT_EQ(0, mkdir(P(rel).c_str(), 0755)) << rel; }
    void MakeFile(const std::string& rel) { std::ofstream(P(rel)) << "RIFF"; }

    std::string m_root;
    shelltest::ScriptOwner m_owner;
};

}  // namespace cfgtest
