// Mouse hover/capture, keyboard focus and Tab order of one window.
#pragma once

#include "UIEvent.h"

namespace DuiLib {

class CPaintManagerUI;

// Thread: UI. Control pointers are borrowed and cleared by Forget() when a control leaves the tree.
class InputRouter {
public:
    explicit InputRouter(CPaintManagerUI& pm) : m_pm(pm) {}

    bool HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    bool HandleKey(UINT msg, WPARAM wParam, LPARAM lParam);
    bool HandleText(const char* gbk);

    CControlUI* GetFocus() const { return m_focus; }
    void SetFocus(CControlUI* control);
    bool SetNextTabControl(bool forward);
    CControlUI* GetHover() const { return m_hover; }
    POINT LastMouse() const { return m_lastMouse; }
    void Forget(CControlUI* control);
    void Reset();

private:
    void SetHover(CControlUI* control);
    void Send(CControlUI* control, int type, POINT pt, UINT keyState, WPARAM wParam = 0);

    CPaintManagerUI& m_pm;
    CControlUI* m_focus = nullptr;
    CControlUI* m_hover = nullptr;
    CControlUI* m_capture = nullptr;
    POINT m_lastMouse;
};

}  // namespace DuiLib
