// Base of the program's skinned top-level windows: message box and wait overlay services.
#pragma once

#include "WaitView.h"

#include <UIlib.h>

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

protected:
    DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
    DuiLib::UILIB_RESOURCETYPE GetResourceType() const override { return DuiLib::UILIB_FILE; }

    WaitView m_wait;
};

}  // namespace kelvo
