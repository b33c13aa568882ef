// The login window, message box, wait overlay and unlock dialog driven by synthetic input.
// Compiled with GBK literals, like the viewer.
#include "ShellTestSupport.h"

#include "ClientConfig.h"
#include "LoginForm.h"
#include "MsgBoxView.h"
#include "UserAuthForm.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace DuiLib;
using kelvo::ClientConfig;
using kelvo::LoginForm;

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelvo-shell-XXXXXX";
        m_root = mkdtemp(tmpl);
        m_prog = m_root + "/";
        setenv("XDG_CONFIG_HOME", (m_root + "/xdg").c_str(), 1);
        setenv("HOME", m_root.c_str(), 1);
        ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
        ASSERT_TRUE(m_owner.Open());
    }
    void TearDown() override {
        DestroyWindow(m_owner.GetHWND());
        uitest::Pump();
        std::string cmd = "rm -rf '" + m_root + "'";
        ASSERT_EQ(0, system(cmd.c_str()));
    }
    // Writes settings with a remembered login and a history of three users.
    void SeedConfig(bool autoLogin) {
        ClientConfig c(m_prog, m_prog + "KelvoView");
        c.LoadConfig();
        c.autoLogin = autoLogin;
        c.savePassword = 1;
        c.autoStart = 0;
        c.lastUser = "operator";
        c.lastPassword = "secret1";
        c.AddUserHistory("operator", "secret1", 1);
        c.AddUserHistory("值班室", "", 0);
        c.AddUserHistory("admin", "adminpw", 1);
        ASSERT_TRUE(c.SaveConfig());
    }
    std::unique_ptr<LoginForm> OpenLogin(bool pending) {
        auto form = std::make_unique<LoginForm>(m_config);
        form->SetAutoLoginPending(pending);
        EXPECT_TRUE(form->Create(m_owner.GetHWND(), "login", UI_WNDSTYLE_DIALOG, 0));
        form->ShowWindow(true, true);
        uitest::Pump();
        return form;
    }
    template <class T> T* Find(WindowImplBase& w, const char* name) { return w.FindControlAs<T>(name); }

    std::string m_root, m_prog;
    ClientConfig m_config{"/nonexistent/", "/nonexistent/KelvoView"};
    shelltest::ScriptOwner m_owner;
};

TEST_F(ShellTest, AutoLoginRunsOnceAfterTheFirstPaint) {
    SeedConfig(true);
    m_config = ClientConfig(m_prog, m_prog + "KelvoView");
    auto form = OpenLogin(true);
    for (int i = 0; i < 5; ++i) {
        form->GetPaintManager().Invalidate();
        uitest::Pump();
    }
    ASSERT_EQ(1u, m_owner.logins.size());
    EXPECT_EQ("operator", m_owner.logins[0].first);
    EXPECT_EQ("secret1", m_owner.logins[0].second);
    DestroyWindow(form->GetHWND());

    // Reopened after a logout: never automatic, whatever the box shows.
    auto again = OpenLogin(false);
    EXPECT_TRUE(Find<CCheckBoxUI>(*again, "chkAutoLogin")->GetCheck());
    uitest::Pump(5);
    EXPECT_EQ(1u, m_owner.logins.size());
    DestroyWindow(again->GetHWND());
}

TEST_F(ShellTest, HistoryPickFillsFieldsWithoutWipingThePassword) {
    SeedConfig(false);
    m_config = ClientConfig(m_prog, m_prog + "KelvoView");
    auto form = OpenLogin(true);
    EXPECT_TRUE(m_owner.logins.empty());  // auto-login box was off
    auto* combo = Find<CComboUI>(*form, "comBoxUserName");
    auto* user = Find<CEditUI>(*form, "txtUserName");
    auto* pwd = Find<CEditUI>(*form, "txtPassword");
    auto* save = Find<CCheckBoxUI>(*form, "chkSavePwd");
    ASSERT_TRUE(combo && user && pwd && save);
    ASSERT_EQ(3, combo->GetCount());
    EXPECT_EQ("operator", user->GetText());
    EXPECT_EQ("secret1", pwd->GetText());
    combo->SelectItem(2);  // admin, password saved
    EXPECT_EQ("admin", user->GetText());
    EXPECT_EQ("adminpw", pwd->GetText());
    EXPECT_TRUE(save->GetCheck());
    combo->SelectItem(1);  // password not saved
    EXPECT_EQ("值班室", user->GetText());
    EXPECT_EQ("", pwd->GetText());
    EXPECT_FALSE(save->GetCheck());
    // Typing in the name forgets a filled-in password.
    combo->SelectItem(0);
    EXPECT_EQ("secret1", pwd->GetText());
    user->SetFocus();
    uitest::Type(form->GetHWND(), "x");
    EXPECT_EQ("", pwd->GetText());
    DestroyWindow(form->GetHWND());
}

TEST_F(ShellTest, CheckBoxCouplingByClicks) {
    auto form = OpenLogin(false);
    auto* save = Find<CCheckBoxUI>(*form, "chkSavePwd");
    auto* autoLogin = Find<CCheckBoxUI>(*form, "chkAutoLogin");
    ASSERT_TRUE(save && autoLogin);
    ASSERT_FALSE(save->GetCheck());
    uitest::ClickControl(form->GetHWND(), autoLogin);  // on: remembering turns on too
    EXPECT_TRUE(autoLogin->GetCheck());
    EXPECT_TRUE(save->GetCheck());
    uitest::ClickControl(form->GetHWND(), save);  // off: automatic login goes off too
    EXPECT_FALSE(save->GetCheck());
    EXPECT_FALSE(autoLogin->GetCheck());
    uitest::ClickControl(form->GetHWND(), save);  // on alone leaves automatic login off
    EXPECT_TRUE(save->GetCheck());
    EXPECT_FALSE(autoLogin->GetCheck());
    DestroyWindow(form->GetHWND());
}

TEST_F(ShellTest, EmptyFieldsAreRefusedWithAMessage) {
    auto form = OpenLogin(false);
    std::vector<std::string> shown;
    HWND login = form->GetHWND();
    auto closeBox = [&] {
        HWND box = shelltest::NewestOwned(login);
        if (!box) return m_owner.Retry();
        shown.push_back(shelltest::LabelText(box, "labelInfo"));
        PostMessage(box, WM_CLOSE, 1, 0);
    };
    m_owner.Run({closeBox, closeBox});
    uitest::ClickControl(login, Find<CButtonUI>(*form, "btnLogin"));
    uitest::PumpUntil([&] { return shown.size() == 1 && shelltest::NewestOwned(login) == nullptr; });
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("账号名称不能为空!", shown[0]);
    EXPECT_EQ(Find<CEditUI>(*form, "txtUserName"), form->GetPaintManager().GetFocus());
    Find<CEditUI>(*form, "txtUserName")->SetText("bob");
    uitest::Key(login, SDLK_RETURN);  // Enter runs the same login action
    uitest::PumpUntil([&] { return shown.size() == 2 && shelltest::NewestOwned(login) == nullptr; });
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("密码不能为空!", shown[1]);
    EXPECT_EQ(Find<CEditUI>(*form, "txtPassword"), form->GetPaintManager().GetFocus());
    EXPECT_TRUE(m_owner.logins.empty());
    Find<CEditUI>(*form, "txtPassword")->SetText("pw");
    uitest::Key(login, SDLK_RETURN);
    ASSERT_EQ(1u, m_owner.logins.size());
    EXPECT_EQ("bob", m_owner.logins[0].first);
    DestroyWindow(login);
}

TEST_F(ShellTest, StoreChoicesPutsTheUserFirstAndKeepsPasswordsOnlyWhenAsked) {
    SeedConfig(false);
    m_config = ClientConfig(m_prog, m_prog + "KelvoView");
    auto form = OpenLogin(false);
    Find<CComboUI>(*form, "comBoxUserName")->SelectItem(2);  // admin
    Find<CCheckBoxUI>(*form, "chkSavePwd")->SetCheck(false);
    form->StoreChoices();
    ClientConfig r(m_prog, m_prog + "KelvoView");
    r.LoadConfig();
    EXPECT_EQ("admin", r.lastUser);
    EXPECT_EQ("", r.lastPassword);
    EXPECT_EQ(0, r.savePassword);
    ASSERT_EQ(3u, r.userHistory.size());
    EXPECT_EQ("admin", r.userHistory[0].name);
    EXPECT_EQ("", r.userHistory[0].password);
    EXPECT_EQ("operator", r.userHistory[1].name);
    EXPECT_EQ("secret1", r.userHistory[1].password);
    EXPECT_EQ("值班室", r.userHistory[2].name);
    DestroyWindow(form->GetHWND());
}

TEST_F(ShellTest, LoginClosesWithTwoOnEscapeAndWindowManagerClose) {
    auto form = OpenLogin(false);
    HWND h = form->GetHWND();
    UINT result = 0;
    m_owner.Run({[&] { uitest::PushWindowManagerClose(h); }});
    result = form->ShowModal();
    EXPECT_EQ(2u, result);
    auto again = OpenLogin(false);
    HWND h2 = again->GetHWND();
    m_owner.Run({[&] { uitest::PushKey(h2, SDLK_ESCAPE); }});
    EXPECT_EQ(2u, again->ShowModal());
}

TEST_F(ShellTest, MessageBoxButtonsResultsAndAltF4) {
    auto form = OpenLogin(false);
    HWND login = form->GetHWND();
    bool bothShown = false, okMoved = true;
    int okLeftSingle = -1;
    m_owner.Run({
        [&] {
            HWND box = shelltest::NewestOwned(login);
            if (!box) return m_owner.Retry();
            CPaintManagerUI* pm = shelltest::ManagerOf(box);
            bothShown = pm->FindControl("btnOK")->IsVisible() && pm->FindControl("btnCanel")->IsVisible();
            okMoved = pm->FindControl("btnOK")->GetFloatPos().left == 60;
            uitest::PushWindowManagerClose(box);  // ignored by a message box
            uitest::PushKey(box, SDLK_F4, KMOD_LALT);
        },
        [&] {
            HWND box = shelltest::NewestOwned(login);
            ASSERT_NE(nullptr, box);
            uitest::ClickControl(box, shelltest::ManagerOf(box)->FindControl("btnCanel"));
        },
        [&] {
            HWND box = shelltest::NewestOwned(login);
            if (!box) return m_owner.Retry();
            CPaintManagerUI* pm = shelltest::ManagerOf(box);
            okLeftSingle = pm->FindControl("btnOK")->GetFloatPos().left;
            EXPECT_FALSE(pm->FindControl("btnCanel")->IsVisible());
            EXPECT_EQ("注意", shelltest::LabelText(box, "labelTitle"));
            uitest::ClickControl(box, pm->FindControl("btnOK"));
        },
    });
    EXPECT_EQ(2, form->ShowMessage("确定要退出吗？", nullptr, true));
    EXPECT_TRUE(bothShown);
    EXPECT_FALSE(okMoved);  // with Cancel neither button moves
    EXPECT_EQ(1, form->ShowMessage("已保存", "注意"));
    EXPECT_EQ(60, okLeftSingle);
    DestroyWindow(login);
}

TEST_F(ShellTest, ShowWaitTwiceLeavesOneOverlayWithTheSecondText) {
    auto form = OpenLogin(false);
    HWND login = form->GetHWND();
    form->ShowWait("正在登录...");
    HWND first = form->GetWaitView().GetHWND();
    form->ShowWait("正在获取设备列表...");
    uitest::Pump();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(1u, GetOwnedWindows(login).size());
    EXPECT_EQ("正在获取设备列表...", form->GetWaitView().GetInfoLabel()->GetText());
    RECT a, b;
    GetWindowRect(login, a);
    GetWindowRect(form->GetWaitView().GetHWND(), b);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.Width(), b.Width());
    EXPECT_EQ(a.Height(), b.Height());
    HWND wait = form->GetWaitView().GetHWND();
    uitest::Key(wait, SDLK_ESCAPE);
    uitest::Key(wait, SDLK_RETURN);
    uitest::Key(wait, SDLK_F4, KMOD_LALT);
    uitest::WindowManagerClose(wait);
    EXPECT_TRUE(IsWindow(wait));  // only its owner closes it
    form->SetWaitText("完成");
    EXPECT_EQ("完成", form->GetWaitView().GetInfoLabel()->GetText());
    form->GetWaitView().Close(1);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !IsWindow(wait); }));
    EXPECT_EQ(nullptr, form->GetWaitView().GetInfoLabel());
    DestroyWindow(login);
}

TEST_F(ShellTest, UnlockDialogChecksThePasswordExactly) {
    kelvo::UserAuthForm auth;
    ASSERT_TRUE(auth.Create(m_owner.GetHWND(), "unlock", UI_WNDSTYLE_DIALOG, 0));
    auth.SetAccount("operator", "Secret1");
    HWND h = auth.GetHWND();
    auto* pwd = auth.FindControlAs<CEditUI>("txtPassword");
    auto* user = auth.FindControlAs<CEditUI>("txtUserName");
    ASSERT_TRUE(pwd && user);
    EXPECT_FALSE(user->IsEnabled());
    EXPECT_EQ("operator", user->GetText());
    std::string message;
    bool focusedAfterWrong = false;
    m_owner.Run({
        [&] { EXPECT_EQ(pwd, auth.GetPaintManager().GetFocus()); uitest::PushKey(h, SDLK_TAB); },
        [&] { pwd->SetFocus(); uitest::Type(h, "secret1"); uitest::PushKey(h, SDLK_RETURN); },  // wrong case
        [&] {
            HWND box = shelltest::NewestOwned(h);
            if (!box) return m_owner.Retry();
            message = shelltest::LabelText(box, "labelInfo");
            PostMessage(box, WM_CLOSE, 1, 0);
        },
        [&] {
            focusedAfterWrong = auth.GetPaintManager().GetFocus() == pwd && pwd->GetText().IsEmpty();
            uitest::Type(h, "Secret1");
            uitest::ClickControl(h, auth.FindControlAs<CButtonUI>("btnLogin"));
        },
    });
    EXPECT_EQ(1u, auth.ShowModal());
    EXPECT_EQ("密码不正确，请重新输入！", message);
    EXPECT_TRUE(focusedAfterWrong);

    kelvo::UserAuthForm cancel;
    ASSERT_TRUE(cancel.Create(m_owner.GetHWND(), "unlock", UI_WNDSTYLE_DIALOG, 0));
    cancel.SetAccount("operator", "x");
    HWND hc = cancel.GetHWND();
    m_owner.Run({[&] { uitest::PushKey(hc, SDLK_F4, KMOD_LALT); }});
    EXPECT_EQ(2u, cancel.ShowModal());
}

}  // namespace
