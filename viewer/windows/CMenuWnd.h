// A popup menu window built from a skin file; reports the chosen item to its owner window.
#pragma once

#include "ContextMenuParam.h"
#include "ObserverImpl.h"
#include "ReceiverImpl.h"

#include <UIlib.h>

namespace DuiLib {

class CMenuElementUI;
class CMenuUI;

// Thread: UI.
// Self-deleting: once Init has succeeded the object deletes itself in OnFinalMessage, when its
// native window is destroyed; before that (or when Init fails) its creator owns it.
//
// To the owner window it sends (never posts) WM_MENU_COMMAND once per menu family:
//   wParam: const CDuiString* - the chosen item's name, empty when the menu was dismissed (a
//           click elsewhere, the focus gone); valid only during the call, copy what you need;
//   lParam: CMenuWnd* - this menu, for GetMenuKey/GetMenuTitle; it closes itself after the call.
// Escape closes the menu without a report. A submenu reports to the menu it opened from, which
// ignores it.
class CMenuWnd : public CWindowWnd, public ReceiverImpl<int, ContextMenuParam> {
public:
    // owner: the window told about the choice (borrowed by handle; may be gone by then).
    explicit CMenuWnd(HWND owner);
    ~CMenuWnd() override;

    // Root menu: ownerItem null, xml a skin file (relative to the resource path, or absolute),
    // point in screen coordinates. Submenu: the item whose sub-items it shows (xml and point
    // unused). Creates, sizes and shows the window. False when the window could not be made;
    // the caller then still owns (and deletes) the object.
    bool Init(CMenuElementUI* ownerItem, const char* xml, POINT point);

    const char* GetWindowClassName() const override { return "MenuWnd"; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    int Receive(ContextMenuParam param) override;

    // What the opener attaches (the node or camera key, the camera's title path).
    virtual CDuiString GetMenuKey() const { return m_key; }
    virtual void SetMenuKey(const char* key) { m_key = key; }
    virtual int GetMenuValue() const { return m_value; }
    virtual void SetMenuValue(int value) { m_value = value; }
    virtual CDuiString GetMenuTitle() const { return m_title; }
    virtual void SetMenuTitle(const char* title) { m_title = title; }

    // Items are found by name here (to enable, tag or rename them before showing).
    CPaintManagerUI& GetPaintManager() { return m_pm; }
    CMenuUI* GetMenu() const { return m_menu; }
    bool IsSubMenu() const { return m_ownerItem != nullptr; }
    void FocusFirstItem();

    // Every open menu window, registered from Init until its window is destroyed.
    static ObserverImpl<int, ContextMenuParam>& Observer();
    static bool IsMenuWindow(HWND hwnd);

protected:
    void OnFinalMessage(HWND hWnd) override;

private:
    LRESULT OnCreate();
    bool BuildRootMenu();
    bool BuildSubMenu();
    void OnKillFocus(HWND newFocus);
    void OnDestroy();

    HWND m_owner;
    CDuiString m_xml;
    POINT m_point;
    CMenuElementUI* m_ownerItem = nullptr;  // borrowed: its menu window outlives this submenu
    CPaintManagerUI m_pm;
    CMenuUI* m_menu = nullptr;  // owned by m_pm's tree
    CDuiString m_key;
    CDuiString m_title;
    int m_value = 0;
    bool m_selfOwned = false;
    bool m_closing = false;  // reported or on its way out: reports nothing more
};

}  // namespace DuiLib
