// Base of the program's skinned top-level windows: message box, wait overlay and context menus.
#pragma once

#include "WaitView.h"

#include <UIlib.h>

namespace DuiLib {
class CMenuWnd;
}

namespace kelvo {

// Thread: UI. Does not delete itself (OnFinalMessage keeps the toolkit's behaviour); windows that
// do (MainForm, ...) say so in their own headers.
class CommonWindow : public DuiLib::WindowImplBase {
public:
    // Modal skinned message box owned by this window: 1 for OK, 2 for Cancel.
    int ShowMessage(const char* text, const char* title = nullptr, bool showCancel = false);
    // Lays the wait overlay over this window's rectangle (replacing a shown one).
    void ShowWait(const char* text);
    void SetWaitText(const char* text);
    WaitView& GetWaitView() { return m_wait; }
    // Builds a context menu from `skinFile` (in this window's skin folder) with its top-left
    // corner at (x, y) of this window's client area; the choice comes back here as
    // WM_MENU_COMMAND (see CMenuWnd.h). The caller attaches its key and title, adjusts items
    // and shows it. The menu deletes itself when it closes: do not keep the pointer beyond
    // that. Null when the menu could not be made.
    virtual DuiLib::CMenuWnd* ShowMenu(const char* skinFile, int x, int y);

protected:
    DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
    DuiLib::UILIB_RESOURCETYPE GetResourceType() const override { return DuiLib::UILIB_FILE; }

    WaitView m_wait;
};

}  // namespace kelvo
