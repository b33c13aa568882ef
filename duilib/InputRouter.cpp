#include "InputRouter.h"

#include "CControlUI.h"
#include "CPaintManagerUI.h"
#include "WindowRegistry.h"

#include <vector>

namespace DuiLib {

void InputRouter::Send(CControlUI* control, int type, POINT pt, UINT keyState, WPARAM wParam) {
    if (!control) return;
    TEventUI ev;
    ev.Type = type;
    ev.pSender = control;
    ev.ptMouse = pt;
    ev.wKeyState = keyState;
    ev.wParam = wParam;
    control->DoEvent(ev);
}

void InputRouter::SetHover(CControlUI* control) {
    if (control == m_hover) return;
    CControlUI* old = m_hover;
    m_hover = control;
    Send(old, UIEVENT_MOUSELEAVE, m_lastMouse, 0);
    Send(control, UIEVENT_MOUSEENTER, m_lastMouse, 0);
}

bool InputRouter::HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    CControlUI* root = m_pm.GetRoot();
    if (!root) return false;
    m_pm.UpdateLayout();
    if (msg == WM_MOUSELEAVE) {
        if (!m_capture) SetHover(nullptr);
        return true;
    }
    POINT pt{GetXLParam(lParam), GetYLParam(lParam)};
    UINT keys = static_cast<UINT>(wParam & 0xFFFF);
    if (msg != WM_MOUSEWHEEL) m_lastMouse = pt;
    CControlUI* hit = root->FindControlAt(msg == WM_MOUSEWHEEL ? m_lastMouse : pt);
    switch (msg) {
    case WM_MOUSEMOVE:
        if (m_capture) {
            Send(m_capture, UIEVENT_MOUSEMOVE, pt, keys);
        } else {
            SetHover(hit);
            if (hit && m_hover == hit) Send(hit, UIEVENT_MOUSEMOVE, pt, keys);
        }
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetHover(hit);
        if (!hit || m_hover != hit) return true;  // an enter handler removed it
        m_capture = hit;
        if (hit->IsTabStop() && hit->IsEnabled()) SetFocus(hit);
        if (m_capture != hit) return true;  // a focus handler removed it: Forget() cleared the capture
        Send(hit, msg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, keys);
        return true;
    case WM_LBUTTONUP: {
        CControlUI* target = m_capture ? m_capture : hit;
        m_capture = nullptr;
        Send(target, UIEVENT_BUTTONUP, pt, keys);
        if (m_hover != hit) SetHover(hit);
        return true;
    }
    case WM_RBUTTONDOWN:
        Send(hit, UIEVENT_RBUTTONDOWN, pt, keys);
        return true;
    case WM_RBUTTONUP:
        Send(hit, UIEVENT_RBUTTONUP, pt, keys);
        return true;
    case WM_CONTEXTMENU:
        Send(hit, UIEVENT_CONTEXTMENU, pt, keys);
        return true;
    case WM_MOUSEWHEEL: {
        int delta = static_cast<std::int16_t>((wParam >> 16) & 0xFFFF);
        Send(hit, UIEVENT_SCROLLWHEEL, m_lastMouse, keys, static_cast<WPARAM>(static_cast<LPARAM>(delta > 0 ? 1 : -1)));
        return true;
    }
    default:
        return false;
    }
}

bool InputRouter::HandleKey(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_KEYDOWN) return false;
    UINT keys = static_cast<UINT>(lParam);
    if (wParam == VK_TAB) {
        SetNextTabControl((keys & MK_SHIFT) == 0);
        return true;
    }
    if (!m_focus) return false;
    TEventUI ev;
    ev.Type = UIEVENT_KEYDOWN;
    ev.pSender = m_focus;
    ev.chKey = static_cast<UINT>(wParam);
    ev.wKeyState = keys;
    ev.ptMouse = m_lastMouse;
    m_focus->DoEvent(ev);
    return true;
}

bool InputRouter::HandleText(const char* gbk) {
    if (!m_focus || !gbk) return false;
    TEventUI ev;
    ev.Type = UIEVENT_CHAR;
    ev.pSender = m_focus;
    ev.text = gbk;
    m_focus->DoEvent(ev);
    return true;
}

void InputRouter::SetFocus(CControlUI* control) {
    if (control == m_focus) return;
    CControlUI* old = m_focus;
    m_focus = nullptr;
    Send(old, UIEVENT_KILLFOCUS, m_lastMouse, 0);
    if (control && control->GetManager() == &m_pm) {
        m_focus = control;
        Send(control, UIEVENT_SETFOCUS, m_lastMouse, 0);
    }
}

bool InputRouter::SetNextTabControl(bool forward) {
    CControlUI* root = m_pm.GetRoot();
    if (!root) return false;
    std::vector<CControlUI*> stops;
    root->ForEach([&](CControlUI* c) {
        if (c->IsTabStop() && c->IsKeyboardEnabled() && c->Activate()) stops.push_back(c);
    });
    if (stops.empty()) return false;
    int cur = -1;
    for (size_t i = 0; i < stops.size(); ++i)
        if (stops[i] == m_focus) cur = static_cast<int>(i);
    int n = static_cast<int>(stops.size());
    int next = cur < 0 ? (forward ? 0 : n - 1) : (cur + (forward ? 1 : n - 1)) % n;
    SetFocus(stops[static_cast<size_t>(next)]);
    return true;
}

void InputRouter::Forget(CControlUI* control) {
    if (m_focus == control) m_focus = nullptr;
    if (m_hover == control) m_hover = nullptr;
    if (m_capture == control) m_capture = nullptr;
}

void InputRouter::Reset() { m_focus = m_hover = m_capture = nullptr; }

}  // namespace DuiLib
