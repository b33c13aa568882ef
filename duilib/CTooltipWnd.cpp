#include "CTooltipWnd.h"

#include "CLabelUI.h"
#include "TextCodec.h"

#include <algorithm>

namespace DuiLib {

CTooltipWnd::~CTooltipWnd() { Hide(); }

void CTooltipWnd::Show(HWND owner, const CDuiString& gbkText, POINT pt, const TFontInfo& font) {
    Hide();
    std::string utf8 = StripControlBytes(GbkToUtf8Lenient(gbkText.Str()), false);
    if (utf8.empty()) return;
    // Measure with a scratch context: the window does not exist yet.
    CRenderContext scratch;
    scratch.Resize(1, 1, 1.0f);
    SIZE sz = scratch.MeasureText(utf8, font);
    int w = std::min(sz.cx + 16, 480), h = sz.cy + 8;
    RECT work = GetWorkArea(owner);
    int x = std::min(pt.x + 12, work.right - w), y = pt.y + 22;
    if (y + h > work.bottom) y = pt.y - h - 6;
    if (!Create(owner, "", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, x, y, w, h)) return;
    m_pm.Init(GetHWND());
    m_pm.SetInitSize(w, h);
    auto* label = new CLabelUI;
    label->SetText(gbkText);
    label->SetBkColor(0xFF2E3842);
    label->SetBorderColor(0xFF4A5764);
    label->SetBorderSize(1);
    label->SetTextColor(0xFFEBEBEB);
    label->SetTextPadding(MakeRect(8, 0, 8, 0));
    m_pm.AddFont(-1, font, true);
    m_pm.AttachDialog(label);
    ShowWindow(true, false);
}

void CTooltipWnd::Hide() {
    if (GetHWND()) DestroyWindow(GetHWND());
}

LRESULT CTooltipWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_KILLFOCUS:
        Close(0);
        return 0;
    case WM_DESTROY:
        m_pm.ReleaseRoot();
        return 0;
    default:
        break;
    }
    LRESULT lRes = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
