// The small popup showing a hovered control's tooltip.
#pragma once

#include "CPaintManagerUI.h"
#include "CWindowWnd.h"

namespace DuiLib {

// Thread: UI. Owned by a paint manager; its native window comes and goes with the hover.
class CTooltipWnd : public CWindowWnd {
public:
    ~CTooltipWnd() override;
    // Shows gbkText near the screen point; replaces a tooltip already shown.
    void Show(HWND owner, const CDuiString& gbkText, POINT screenPt, const TFontInfo& font);
    void Hide();
    const char* GetWindowClassName() const override { return "DuiTooltip"; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    CPaintManagerUI m_pm;
};

}  // namespace DuiLib
