#include "WindowImplBase.h"

#include "CControlUI.h"

#include <SDL.h>
#include <cstdio>

namespace DuiLib {

WindowImplBase::~WindowImplBase() {
    m_pm.RemoveNotifier(this);
    m_pm.RemoveMessageFilter(this);
}

CControlUI* WindowImplBase::CreateControl(const char*) { return nullptr; }

void WindowImplBase::OnFinalMessage(HWND) {}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = true;
    m_pm.Init(GetHWND());
    CPaintManagerUI::SetResourcePath((CPaintManagerUI::GetInstancePath() + GetSkinFolder()).GetData());
    CDialogBuilder builder;
    CControlUI* root = builder.Create(GetSkinFile().GetData(), nullptr, this, &m_pm);
    if (!root) {
        std::fprintf(stderr, "duilib: window %s has no skin (%s)\n", GetWindowClassName(), GetSkinFile().GetData());
        return -1;
    }
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    m_pm.AddMessageFilter(this);
    SIZE sz = m_pm.GetInitSize();
    if (sz.cx > 0 && sz.cy > 0) {
        int w = 0, h = 0;
        SDL_GetWindowSize(GetSdlWindow(), &w, &h);
        if (w <= 1 || h <= 1) ResizeClient(sz.cx, sz.cy);
    }
    SIZE mn = m_pm.GetMinInfo();
    if (mn.cx > 0 && mn.cy > 0) SDL_SetWindowMinimumSize(GetSdlWindow(), mn.cx, mn.cy);
    RECT box = m_pm.GetSizeBox();
    if (box.left || box.top || box.right || box.bottom) SDL_SetWindowResizable(GetSdlWindow(), SDL_TRUE);
    InitWindow();
    return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    // The object may create its window again (the wait overlay): start from an empty tree.
    m_pm.RemoveNotifier(this);
    m_pm.RemoveMessageFilter(this);
    m_pm.ReleaseRoot();
    bHandled = true;
    return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& bHandled) {
    m_pm.NeedUpdate();
    // The caption's maximise and restore buttons take turns.
    bool maximized = IsMaximized(GetHWND());
    CControlUI* maxBtn = m_pm.FindControl("maxbtn");
    CControlUI* restoreBtn = m_pm.FindControl("restorebtn");
    if (maxBtn && restoreBtn) {
        maxBtn->SetVisible(!maximized);
        restoreBtn->SetVisible(maximized);
    }
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSysKeyDown(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

int WindowImplBase::HitTest(POINT pt) {
    RECT client;
    if (!GetClientRect(GetHWND(), client)) return SDL_HITTEST_NORMAL;
    RECT box = m_pm.GetSizeBox();
    if (!IsMaximized(GetHWND()) && (box.left || box.top || box.right || box.bottom)) {
        bool l = pt.x < box.left, r = pt.x >= client.right - box.right;
        bool t = pt.y < box.top, b = pt.y >= client.bottom - box.bottom;
        if (t && l) return SDL_HITTEST_RESIZE_TOPLEFT;
        if (t && r) return SDL_HITTEST_RESIZE_TOPRIGHT;
        if (b && l) return SDL_HITTEST_RESIZE_BOTTOMLEFT;
        if (b && r) return SDL_HITTEST_RESIZE_BOTTOMRIGHT;
        if (t) return SDL_HITTEST_RESIZE_TOP;
        if (b) return SDL_HITTEST_RESIZE_BOTTOM;
        if (l) return SDL_HITTEST_RESIZE_LEFT;
        if (r) return SDL_HITTEST_RESIZE_RIGHT;
    }
    RECT cap = m_pm.GetCaptionRect();
    RECT capAbs = MakeRect(client.left + cap.left, client.top + cap.top,
                           cap.right ? client.right - cap.right : client.right, client.top + cap.bottom);
    if (capAbs.Contains(pt)) {
        m_pm.UpdateLayout();
        CControlUI* hit = m_pm.FindControl(pt);
        if (!hit || !hit->WantsMouse()) return SDL_HITTEST_DRAGGABLE;
    }
    return SDL_HITTEST_NORMAL;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT lRes = 0;
    bool bHandled = true;
    switch (uMsg) {
    case WM_CREATE: lRes = OnCreate(uMsg, wParam, lParam, bHandled); break;
    case WM_CLOSE: lRes = OnClose(uMsg, wParam, lParam, bHandled); if (bHandled) return lRes; break;
    case WM_DESTROY: lRes = OnDestroy(uMsg, wParam, lParam, bHandled); break;
    case WM_SIZE: lRes = OnSize(uMsg, wParam, lParam, bHandled); break;
    case WM_KEYDOWN: lRes = OnKeyDown(uMsg, wParam, lParam, bHandled); break;
    case WM_SYSKEYDOWN: lRes = OnSysKeyDown(uMsg, wParam, lParam, bHandled); break;
    case WM_DUI_HITTEST: return HitTest(POINT{GetXLParam(lParam), GetYLParam(lParam)});
    default: bHandled = false; break;
    }
    if (!bHandled) lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    if (bHandled) return lRes;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
    if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        bHandled = ResponseDefaultKeyEvent(wParam);
        return 0;
    }
    bHandled = false;
    return 0;
}

bool WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_RETURN) return false;
    if (wParam == VK_ESCAPE) {
        Close();
        return true;
    }
    return false;
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_CLICK) OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    const CDuiString& name = msg.pSender->GetName();
    if (name == "closebtn") Close();
    else if (name == "minbtn") MinimizeWindow(GetHWND());
    else if (name == "maxbtn") MaximizeWindow(GetHWND());
    else if (name == "restorebtn") RestoreWindow(GetHWND());
}

}  // namespace DuiLib
