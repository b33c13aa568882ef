// Opens the login window, a message box, the wait overlay, the unlock dialog, and over a preview
// of the main window the layout chooser and a camera menu.
// --shot DIR: walks through them by itself, saving each window's first frame into DIR.
#include "ClientConfig.h"
#include "LoginForm.h"
#include "MainPreview.h"
#include "MpuSelectView.h"
#include "ProgramPaths.h"
#include "UserAuthForm.h"
#include "ViewerMessages.h"

#include <CMenuWnd.h>
#include <UIlib.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>

using namespace DuiLib;

namespace {

// Sample settings so the history combo has entries; written by hand to keep the demo away from
// the user's autostart folder.
const char kSampleConfig[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<config><autoLogin>0</autoLogin><savePassword>1</savePassword>"
    "<lastUser>operator</lastUser><lastPassword>c2VjcmV0MQ==</lastPassword><userHistroy>"
    "<user><name>operator</name><password>c2VjcmV0MQ==</password><savePassword>1</savePassword></user>"
    "<user><name>值班室</name><savePassword>0</savePassword></user>"
    "<user><name>admin</name><savePassword>0</savePassword></user></userHistroy></config>\n";

enum : UINT_PTR { kStepTimer = 1, kCloseTimer = 2 };

// A hidden owner standing in for the main window: receives WM_LOGIN and drives the shot sequence.
class DemoHost : public CWindowWnd {
public:
    DemoHost(kelvo::LoginForm& login, bool shots) : m_login(login), m_shots(shots) {}
    const char* GetWindowClassName() const override { return "DemoHost"; }

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_LOGIN) {
            m_login.ShowWait("正在登录，请稍候...");
            SetTimer(GetHWND(), kCloseTimer, 1500);
            return 0;
        }
        if (msg == WM_TIMER && wParam == kCloseTimer) {
            KillTimer(GetHWND(), kCloseTimer);
            CloseNewestOwnedBy(m_login.GetHWND());
            return 0;
        }
        if (msg == WM_TIMER && wParam == kStepTimer) {
            KillTimer(GetHWND(), kStepTimer);
            RunShots();
            return 0;
        }
        return CWindowWnd::HandleMessage(msg, wParam, lParam);
    }

private:
    static void CloseNewestOwnedBy(HWND owner) {
        auto owned = GetOwnedWindows(owner);
        if (!owned.empty()) DuiLib::PostMessage(owned.back(), WM_CLOSE, 0, 0);
    }

    void RunShots() {
        // Each modal step is ended by the close timer, which fires inside the nested loop.
        SetTimer(GetHWND(), kCloseTimer, 600);
        m_login.ShowMessage("账号名称不能为空!");
        m_login.ShowWait("正在登录，请稍候...");
        SetTimer(GetHWND(), kCloseTimer, 600);
        while (IsWindow(m_login.GetWaitView().GetHWND()) && !WindowRegistry::Instance().QuitRequested())
            WindowRegistry::Instance().PumpOnce(50);
        kelvo::UserAuthForm auth;
        if (auth.Create(m_login.GetHWND(), "解除锁定", UI_WNDSTYLE_DIALOG, 0)) {
            auth.SetAccount("operator", "secret1");
            auth.CenterWindow();
            SetTimer(GetHWND(), kCloseTimer, 600);
            auth.ShowModal();
        }
        demo::MainPreview main;
        if (main.Create(nullptr, "KelvoView", WS_OVERLAPPEDWINDOW, 0, 0, 0, 1280, 800)) {
            main.ShowWindow(true, false);
            while (main.GetPaintManager().PaintCount() == 0 && !WindowRegistry::Instance().QuitRequested())
                WindowRegistry::Instance().PumpOnce(50);
            ShowPopups(main);
            DestroyWindow(main.GetHWND());
        }
        m_login.Close(2);
    }

    // The layout chooser under its button, then a camera menu over the tree: one frame of each.
    static void ShowPopups(demo::MainPreview& main) {
        auto painted = [](HWND h) {
            auto* w = dynamic_cast<WindowImplBase*>(WindowRegistry::Instance().Lookup(h));
            return !w || w->GetPaintManager().PaintCount() > 0;
        };
        auto pumpUntil = [](const std::function<bool()>& done) {
            for (int i = 0; i < 100 && !done() && !WindowRegistry::Instance().QuitRequested(); ++i)
                WindowRegistry::Instance().PumpOnce(20);
        };
        if (CControlUI* sel = main.GetPaintManager().FindControl("btn_mpu_sel")) {
            const RECT& rc = sel->GetPos();
            HWND chooser = kelvo::MpuSelectView::Open(main.GetHWND(), rc.right, rc.bottom);
            pumpUntil([&] { return painted(chooser); });
            DestroyWindow(chooser);
        }
        if (CMenuWnd* menu = main.ShowMenu("cameraMenu.xml", 120, 160)) {
            HWND h = menu->GetHWND();
            menu->ShowWindow(true, true);
            pumpUntil([&] {
                auto* m = dynamic_cast<CMenuWnd*>(WindowRegistry::Instance().Lookup(h));
                return !m || m->GetPaintManager().PaintCount() > 0;
            });
            DestroyWindow(h);
        }
    }

    kelvo::LoginForm& m_login;
    [[maybe_unused]] bool m_shots;
};

}  // namespace

int main(int argc, char** argv) {
    const char* shotDir = nullptr;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shot") == 0) shotDir = argv[i + 1];
    if (shotDir) setenv("KELVO_SHOT_DIR", shotDir, 1);

    char tmpl[] = "/tmp/kelvo-demo-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    std::string folder = std::string(tmpl) + "/";
    kelvo::WriteFileAtomic(folder + "Config.dat", kSampleConfig, 0600);
    kelvo::ClientConfig config(folder, folder + "KelvoView");

    CPaintManagerUI::SetInstance(nullptr);
    if (!CPaintManagerUI::EnsureVideo()) {
        std::fprintf(stderr, "duilib_demo: no display\n");
        return 1;
    }
    int rc = 0;
    {
        kelvo::LoginForm login(config);
        DemoHost host(login, shotDir != nullptr);
        host.Create(nullptr, "KelvoView", 0, 0, 0, 0, 1, 1);
        if (!login.Create(host.GetHWND(), "KelvoView 登录", UI_WNDSTYLE_DIALOG, 0)) {
            std::fprintf(stderr, "duilib_demo: cannot open the login window (skins under %sskin/?)\n",
                         CPaintManagerUI::GetInstancePath().GetData());
            rc = 1;
        } else {
            login.CenterWindow();
            if (shotDir) SetTimer(host.GetHWND(), kStepTimer, 500);
            rc = static_cast<int>(login.ShowModal());
            std::printf("login window closed with %d\n", rc);
            rc = 0;
        }
        DestroyWindow(host.GetHWND());
    }
    unlink((folder + "Config.dat").c_str());
    rmdir(tmpl);
    CPaintManagerUI::Term();
    SDL_Quit();
    return rc;
}
