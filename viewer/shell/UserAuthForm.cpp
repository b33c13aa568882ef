#include "UserAuthForm.h"

#include "ViewerMessages.h"

namespace kelvo {
using namespace DuiLib;

void UserAuthForm::SetAccount(const char* userName, const char* password) {
    m_userName = userName ? userName : "";
    m_password = password ? password : "";
    if (auto* user = FindControlAs<CEditUI>("txtUserName")) {
        user->SetEnabled(false);
        user->SetText(m_userName.c_str());
    }
    if (auto* pwd = FindControlAs<CEditUI>("txtPassword")) pwd->SetFocus();
}

void UserAuthForm::InitWindow() { PostMessage(WM_FOCUS_PASSWORD); }

LRESULT UserAuthForm::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_FOCUS_PASSWORD) {
        if (auto* pwd = FindControlAs<CEditUI>("txtPassword")) pwd->SetFocus();
    } else if (uMsg == WM_SYSKEYDOWN && wParam == VK_F4) {
        Close(2);
        return 0;
    }
    return CommonWindow::HandleMessage(uMsg, wParam, lParam);
}

void UserAuthForm::CheckPassword() {
    auto* pwd = FindControlAs<CEditUI>("txtPassword");
    std::string typed = pwd ? pwd->GetText().Str() : std::string();
    if (typed == m_password) {
        Close(1);
        return;
    }
    ShowMessage("密码不正确，请重新输入！");
    // The message box ran a loop: look the control up again rather than trust the old pointer.
    if (auto* again = FindControlAs<CEditUI>("txtPassword")) {
        again->SetText("");
        again->SetFocus();
    }
}

void UserAuthForm::OnClick(TNotifyUI& msg) {
    const CDuiString& name = msg.pSender->GetName();
    if (name == "btnLogin") {
        CheckPassword();
        CommonWindow::OnClick(msg);
    } else if (name == "btnCanel" || name == "closebtn") {
        Close(2);
    } else {
        CommonWindow::OnClick(msg);
    }
}

bool UserAuthForm::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_RETURN) {
        CheckPassword();
        return true;
    }
    if (wParam == VK_ESCAPE) {
        Close(2);
        return false;
    }
    return false;
}

}  // namespace kelvo
