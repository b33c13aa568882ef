// Events the paint manager routes to controls, and notifications controls raise to the window.
#pragma once

#include "CDuiString.h"
#include "UIDefs.h"

namespace DuiLib {

class CControlUI;

enum EVENTTYPE_UI {
    UIEVENT_MOUSEMOVE = 1, UIEVENT_MOUSEENTER, UIEVENT_MOUSELEAVE, UIEVENT_BUTTONDOWN, UIEVENT_BUTTONUP,
    UIEVENT_DBLCLICK, UIEVENT_RBUTTONDOWN, UIEVENT_RBUTTONUP, UIEVENT_CONTEXTMENU, UIEVENT_SCROLLWHEEL,
    UIEVENT_KEYDOWN, UIEVENT_CHAR, UIEVENT_SETFOCUS, UIEVENT_KILLFOCUS, UIEVENT_TIMER,
};

enum UISTATE : UINT {
    UISTATE_FOCUSED = 0x01, UISTATE_SELECTED = 0x02, UISTATE_DISABLED = 0x04, UISTATE_HOT = 0x08,
    UISTATE_PUSHED = 0x10, UISTATE_CAPTURED = 0x40,
};

struct TEventUI {
    int Type = 0;
    CControlUI* pSender = nullptr;
    POINT ptMouse;
    UINT chKey = 0;        // virtual key for UIEVENT_KEYDOWN
    UINT wKeyState = 0;    // MK_* bits
    WPARAM wParam = 0;     // timer id, wheel delta (+1 up / -1 down)
    LPARAM lParam = 0;
    const char* text = nullptr;  // UIEVENT_CHAR: GBK text, valid during the call
};

struct TNotifyUI {
    CDuiString sType;
    CDuiString sVirtualWnd;
    CControlUI* pSender = nullptr;  // borrowed: valid during the notification
    DWORD dwTimestamp = 0;
    POINT ptMouse;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    // Returns a new control (ownership passes to the caller) for a skin class the toolkit lacks, or null.
    virtual CControlUI* CreateControl(const char* pstrClass) = 0;
};

}  // namespace DuiLib
