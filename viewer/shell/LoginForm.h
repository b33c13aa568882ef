// The login window: user name, password, remembered logins; hands WM_LOGIN to its owner.
#pragma once

#include "ClientConfig.h"
#include "CommonWindow.h"

namespace kelvo {

// Thread: UI. Runs modally over the main window; the object outlives its window and does not
// delete itself. Result 2: cancelled; 1: closed by the owner after a successful login.
class LoginForm : public CommonWindow {
public:
    explicit LoginForm(ClientConfig& config = ClientConfig::Instance()) : m_config(config) {}

    // Set by the creator before Create: try an automatic login after the first paint.
    void SetAutoLoginPending(bool pending) { m_autoLoginPending = pending; }
    bool IsAutoLoginPending() const { return m_autoLoginPending; }
    // After a successful login: writes the window's choices into the settings and saves them.
    void StoreChoices();

    DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    const char* GetWindowClassName() const override { return "LoginForm"; }
    DuiLib::CDuiString GetSkinFile() override { return "LoginForm.xml"; }
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    bool ResponseDefaultKeyEvent(DuiLib::WPARAM wParam) override;

private:
    void DoLogin();
    ClientConfig& m_config;  // borrowed; outlives the window
    bool m_autoLoginPending = false;
};

}  // namespace kelvo
