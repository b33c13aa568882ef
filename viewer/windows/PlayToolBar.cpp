#include "PlayToolBar.h"

#include <SDL.h>

namespace kelvo {

using namespace DuiLib;

PlayToolBar::~PlayToolBar() {
    if (GetHWND()) DestroyWindow(GetHWND());
}

bool PlayToolBar::CreateBar(HWND owner) {
    if (GetHWND()) return true;
    return Create(owner, "playControler", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 240, 25) != nullptr;
}

void PlayToolBar::Place(const RECT& screen) {
    if (!GetHWND() || screen.IsEmpty()) return;
    if (screen.left == m_placed.left && screen.top == m_placed.top && screen.right == m_placed.right &&
        screen.bottom == m_placed.bottom)
        return;
    m_placed = screen;
    MoveWindow(GetHWND(), screen.left, screen.top, screen.Width(), screen.Height());
}

void PlayToolBar::SetButton(const char* name, const ButtonState& state) {
    CControlUI* c = m_pm.FindControl(name);
    if (!c) return;
    c->SetVisible(state.visible);
    c->SetEnabled(state.enabled);
    if (auto* option = dynamic_cast<COptionUI*>(c)) option->Selected(state.checked, false);
}

void PlayToolBar::Apply(const ToolBarButtons& b) {
    if (!GetHWND() || (m_anyApplied && b == m_applied)) return;
    m_applied = b;
    m_anyApplied = true;
    SetButton("btn_play_stop", b.stop);
    SetButton("btn_play_snappic", b.snappic);
    SetButton("btn_play_localrec", b.localrec);
    SetButton("btn_play_stoprec", b.stoprec);
    SetButton("btn_play_audio", b.audio);
    SetButton("btn_play_call", b.call);
}

void PlayToolBar::ShowBar() {
    if (!GetHWND() || IsShown()) return;
    // The main window keeps the keyboard: the wall's keys stay with it.
    const char* old = SDL_GetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN);
    const std::string saved = old ? old : "";
    SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "1");
    ShowWindow(true, false);
    SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, old ? saved.c_str() : nullptr);
}

void PlayToolBar::HideBar() {
    if (GetHWND() && IsShown()) ShowWindow(false);
}

bool PlayToolBar::IsShown() const { return GetHWND() && IsWindowVisible(GetHWND()); }

void PlayToolBar::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_CLICK && m_callback) {
        m_callback->OnToolBarNotify(this, msg);
        return;
    }
    WindowImplBase::Notify(msg);
}

bool PlayToolBar::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam != VK_ESCAPE) return false;
    HideBar();
    return true;
}

LRESULT PlayToolBar::OnSysKeyDown(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
    // Alt+F4 (and the window manager's close) only hide: the wall owns the bar.
    bHandled = wParam == VK_F4;
    if (bHandled) HideBar();
    return 0;
}

LRESULT PlayToolBar::HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    if (uMsg == WM_KILLFOCUS) HideBar();
    return 0;
}

}  // namespace kelvo
