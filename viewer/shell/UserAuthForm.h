// The unlock dialog: asks for the current login's password.
#pragma once

#include "CommonWindow.h"

#include <string>

namespace kelvo {

// Thread: UI. Lives on its opener's stack for one modal run. Result 1: unlocked; 2: cancelled.
class UserAuthForm : public CommonWindow {
public:
    // Called after Create and before ShowModal: the user name shown and the password expected (GBK).
    void SetAccount(const char* userName, const char* password);
    DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;

protected:
    const char* GetWindowClassName() const override { return "UserAuthForm"; }
    DuiLib::CDuiString GetSkinFile() override { return "UserAuthForm.xml"; }
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    bool ResponseDefaultKeyEvent(DuiLib::WPARAM wParam) override;

private:
    void CheckPassword();
    std::string m_userName;
    std::string m_password;
};

}  // namespace kelvo
