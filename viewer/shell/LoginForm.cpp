#include "LoginForm.h"

#include "ViewerMessages.h"

namespace kelvo {
using namespace DuiLib;

void LoginForm::InitWindow() {
    auto* user = FindControlAs<CEditUI>("txtUserName");
    auto* pwd = FindControlAs<CEditUI>("txtPassword");
    auto* combo = FindControlAs<CComboUI>("comBoxUserName");
    auto* savePwd = FindControlAs<CCheckBoxUI>("chkSavePwd");
    auto* autoLogin = FindControlAs<CCheckBoxUI>("chkAutoLogin");
    if (user) user->SetFocus();
    m_config.LoadConfig();
    if (autoLogin) autoLogin->SetCheck(m_config.autoLogin != 0, false);
    if (savePwd) savePwd->SetCheck(m_config.savePassword != 0, false);
    if (user) user->SetText(m_config.lastUser.c_str());
    if (pwd) pwd->SetText(m_config.lastPassword.c_str());
    if (!combo) return;
    combo->RemoveAll();
    for (const auto& entry : m_config.userHistory) {
        if (entry.name.empty()) continue;
        auto* item = new CListLabelElementUI;
        item->SetText(entry.name.c_str());
        item->SetUserData(entry.savePassword ? entry.password.c_str() : "");
        item->SetTag(entry.savePassword ? 1 : 0);
        combo->Add(item);
    }
}

void LoginForm::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_WINDOWAFTERPAINT) {
        // Only the first paint may start an automatic login.
        bool pending = m_autoLoginPending;
        m_autoLoginPending = false;
        auto* autoLogin = FindControlAs<CCheckBoxUI>("chkAutoLogin");
        auto* user = FindControlAs<CEditUI>("txtUserName");
        auto* pwd = FindControlAs<CEditUI>("txtPassword");
        if (pending && autoLogin && autoLogin->GetCheck() && user && pwd && !user->GetText().IsEmpty() &&
            !pwd->GetText().IsEmpty())
            PostMessage(WM_LOGIN);
        return;
    }
    const CDuiString& name = msg.pSender ? msg.pSender->GetName() : CDuiString();
    if (name == "comBoxUserName" && msg.sType == DUI_MSGTYPE_ITEMSELECT) {
        auto* combo = FindControlAs<CComboUI>("comBoxUserName");
        CControlUI* item = combo ? combo->GetItemAt(static_cast<int>(msg.wParam)) : nullptr;
        if (item) {
            if (auto* pwd = FindControlAs<CEditUI>("txtPassword")) pwd->SetText(item->GetUserData());
            if (auto* savePwd = FindControlAs<CCheckBoxUI>("chkSavePwd")) savePwd->SetCheck(item->GetTag() != 0, false);
            if (auto* user = FindControlAs<CEditUI>("txtUserName")) user->SetText(item->GetText());
        }
    } else if (name == "txtUserName" && msg.sType == DUI_MSGTYPE_TEXTCHANGED) {
        // Editing the name forgets a filled-in password.
        if (auto* pwd = FindControlAs<CEditUI>("txtPassword")) pwd->SetText("");
    }
    CommonWindow::Notify(msg);
}

void LoginForm::OnClick(TNotifyUI& msg) {
    // The click arrives before a check box changes: the state read here is the old one.
    const CDuiString& name = msg.pSender->GetName();
    if (name == "chkSavePwd") {
        auto* savePwd = FindControlAs<CCheckBoxUI>("chkSavePwd");
        auto* autoLogin = FindControlAs<CCheckBoxUI>("chkAutoLogin");
        if (savePwd && savePwd->GetCheck() && autoLogin) autoLogin->SetCheck(false);
    } else if (name == "chkAutoLogin") {
        auto* savePwd = FindControlAs<CCheckBoxUI>("chkSavePwd");
        auto* autoLogin = FindControlAs<CCheckBoxUI>("chkAutoLogin");
        if (autoLogin && !autoLogin->GetCheck() && savePwd) savePwd->SetCheck(true);
    } else if (name == "btnLogin") {
        PostMessage(WM_LOGIN);
    } else if (name == "btnCanel" || name == "closebtn") {
        Close(2);
    } else {
        CommonWindow::OnClick(msg);
    }
}

bool LoginForm::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_RETURN) {
        DoLogin();
        return true;
    }
    if (wParam == VK_ESCAPE) {
        Close(2);
        return true;
    }
    return false;
}

LRESULT LoginForm::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_LOGIN) {
        DoLogin();
        return 0;
    }
    if (uMsg == WM_SYSKEYDOWN && wParam == VK_F4) {
        Close(2);
        return 0;
    }
    return CommonWindow::HandleMessage(uMsg, wParam, lParam);
}

void LoginForm::DoLogin() {
    auto* user = FindControlAs<CEditUI>("txtUserName");
    auto* pwd = FindControlAs<CEditUI>("txtPassword");
    std::string name = user ? user->GetText().Str() : std::string();
    std::string password = pwd ? pwd->GetText().Str() : std::string();
    if (name.empty()) {
        ShowMessage("账号名称不能为空!");
        if (auto* again = FindControlAs<CEditUI>("txtUserName")) again->SetFocus();
        return;
    }
    if (password.empty()) {
        ShowMessage("密码不能为空!");
        if (auto* again = FindControlAs<CEditUI>("txtPassword")) again->SetFocus();
        return;
    }
    // Sent, not posted: the texts stay valid only during the owner's handling.
    if (HWND owner = GetWindowOwner(GetHWND()))
        DuiLib::SendMessage(owner, WM_LOGIN, reinterpret_cast<WPARAM>(name.c_str()), reinterpret_cast<LPARAM>(password.c_str()));
}

void LoginForm::StoreChoices() {
    auto* user = FindControlAs<CEditUI>("txtUserName");
    auto* pwd = FindControlAs<CEditUI>("txtPassword");
    auto* combo = FindControlAs<CComboUI>("comBoxUserName");
    auto* savePwd = FindControlAs<CCheckBoxUI>("chkSavePwd");
    auto* autoLogin = FindControlAs<CCheckBoxUI>("chkAutoLogin");
    bool save = savePwd && savePwd->GetCheck();
    std::string name = user ? user->GetText().Str() : std::string();
    std::string password = pwd ? pwd->GetText().Str() : std::string();
    m_config.autoLogin = autoLogin && autoLogin->GetCheck() ? 1 : 0;
    m_config.savePassword = save ? 1 : 0;
    m_config.lastUser = name;
    m_config.lastPassword = save ? password : std::string();
    m_config.ClearUserHistory();
    m_config.AddUserHistory(name, password, save ? 1 : 0);
    for (int i = 0; combo && i < combo->GetCount(); ++i) {
        CControlUI* item = combo->GetItemAt(i);
        m_config.AddUserHistory(item->GetText().Str(), item->GetUserData().Str(), item->GetTag() != 0 ? 1 : 0);
    }
    m_config.SaveConfig();
}

}  // namespace kelvo
