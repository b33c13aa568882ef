#include "CButtonUI.h"

#include "CPaintManagerUI.h"
#include "ImageCache.h"
#include "RenderContext.h"

namespace DuiLib {

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    Notify(DUI_MSGTYPE_CLICK);
    return true;
}

bool CButtonUI::ApplyAttribute(const std::string& n, const std::string& v) {
    const char* val = v.c_str();
    if (n == "normalimage") m_sNormalImage = val;
    else if (n == "hotimage") m_sHotImage = val;
    else if (n == "pushedimage") m_sPushedImage = val;
    else if (n == "focusedimage") m_sFocusedImage = val;
    else if (n == "disabledimage") m_sDisabledImage = val;
    else if (n == "foreimage") m_sForeImage = val;
    else if (n == "hotforeimage") m_sHotForeImage = val;
    else if (n == "hotbkcolor") m_dwHotBkColor = ParseColor(val);
    else if (n == "pushedbkcolor") m_dwPushedBkColor = ParseColor(val);
    else if (n == "disabledbkcolor") m_dwDisabledBkColor = ParseColor(val);
    else if (n == "hottextcolor") m_dwHotTextColor = ParseColor(val);
    else if (n == "pushedtextcolor") m_dwPushedTextColor = ParseColor(val);
    else if (n == "focusedtextcolor") m_dwFocusedTextColor = ParseColor(val);
    else return CLabelUI::ApplyAttribute(n, v);
    return true;
}

void CButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) { m_uButtonState |= UISTATE_HOT; Invalidate(); }
        return;
    case UIEVENT_MOUSELEAVE:
        m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
        return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled()) {
            m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
            Notify(DUI_MSGTYPE_BUTTONDOWN);
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) {
            if (m_rcItem.Contains(event.ptMouse)) m_uButtonState |= UISTATE_PUSHED;
            else m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            bool inside = m_rcItem.Contains(event.ptMouse);
            m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            Invalidate();
            Notify(DUI_MSGTYPE_BUTTONUP);
            if (inside) Activate();
        }
        return;
    case UIEVENT_KEYDOWN:
        if (IsEnabled() && (event.chKey == VK_SPACE)) { Activate(); return; }
        break;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

void CButtonUI::PaintBkColor(CRenderContext& ctx) {
    DWORD c = m_dwBackColor;
    if (!IsEnabled() && m_dwDisabledBkColor) c = m_dwDisabledBkColor;
    else if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedBkColor) c = m_dwPushedBkColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotBkColor) c = m_dwHotBkColor;
    ctx.FillRect(m_rcItem, c);
}

void CButtonUI::PaintStatusImage(CRenderContext& ctx) {
    bool drawn = false;
    if (!IsEnabled()) drawn = DrawImage(ctx, m_sDisabledImage);
    else if (m_uButtonState & UISTATE_PUSHED) drawn = DrawImage(ctx, m_sPushedImage);
    else if (m_uButtonState & UISTATE_HOT) drawn = DrawImage(ctx, m_sHotImage);
    else if (m_bFocused) drawn = DrawImage(ctx, m_sFocusedImage);
    if (!drawn) DrawImage(ctx, m_sNormalImage);
    if ((m_uButtonState & UISTATE_HOT) && !m_sHotForeImage.IsEmpty()) DrawImage(ctx, m_sHotForeImage);
    else DrawImage(ctx, m_sForeImage);
    if (!IsEnabled()) ctx.FillRect(m_rcItem, m_sDisabledImage.IsEmpty() && !m_dwDisabledBkColor ? 0x60151A1F : 0);
}

void CButtonUI::PaintText(CRenderContext& ctx) {
    DWORD c = m_dwTextColor;
    if (!IsEnabled() && m_dwDisabledTextColor) c = m_dwDisabledTextColor;
    else if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) c = m_dwPushedTextColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) c = m_dwHotTextColor;
    else if (m_bFocused && m_dwFocusedTextColor) c = m_dwFocusedTextColor;
    PaintTextColor(ctx, c);
}

}  // namespace DuiLib
