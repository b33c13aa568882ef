#include "CProgressUI.h"

#include "CPaintManagerUI.h"
#include "ImageCache.h"
#include "RenderContext.h"

#include <algorithm>
#include <cstdlib>

namespace DuiLib {

void CProgressUI::SetValue(int v) {
    v = std::clamp(v, m_nMin, std::max(m_nMin, m_nMax));
    if (v == m_nValue) return;
    m_nValue = v;
    Invalidate();
}

bool CProgressUI::ApplyAttribute(const std::string& n, const std::string& v) {
    const char* val = v.c_str();
    if (n == "min") m_nMin = std::atoi(val);
    else if (n == "max") m_nMax = std::atoi(val);
    else if (n == "value") m_nValue = std::atoi(val);
    else if (n == "hor") m_bHorizontal = ParseBool(v);
    else if (n == "foreimage") m_sForeImage = val;
    else if (n == "forecolor") m_dwForeColor = ParseColor(val);
    else if (n == "trackcolor") m_dwTrackColor = ParseColor(val);
    else if (n == "isstretchfore") {}
    else return CLabelUI::ApplyAttribute(n, v);
    return true;
}

void CProgressUI::PaintStatusImage(CRenderContext& ctx) {
    int range = std::max(1, m_nMax - m_nMin);
    RECT fore = m_rcItem;
    if (m_bHorizontal) fore.right = m_rcItem.left + (m_nValue - m_nMin) * m_rcItem.Width() / range;
    else fore.top = m_rcItem.bottom - (m_nValue - m_nMin) * m_rcItem.Height() / range;
    if (!m_sForeImage.IsEmpty()) {
        ctx.PushClip(fore);
        DrawImage(ctx, m_sForeImage);
        ctx.PopClip();
    } else if (m_sBkImage.IsEmpty()) {
        RECT track = m_rcItem;
        int mid = (track.top + track.bottom) / 2;
        if (m_bHorizontal) { track.top = mid - 2; track.bottom = mid + 2; fore.top = track.top; fore.bottom = track.bottom; }
        ctx.FillRect(track, m_dwTrackColor);
        ctx.FillRect(fore, m_dwForeColor);
    }
}

RECT CSliderUI::GetThumbRect() const {
    int range = std::max(1, m_nMax - m_nMin);
    if (m_bHorizontal) {
        int x = m_rcItem.left + (m_nValue - m_nMin) * (m_rcItem.Width() - m_szThumb.cx) / range;
        int y = (m_rcItem.top + m_rcItem.bottom - m_szThumb.cy) / 2;
        return MakeRect(x, y, x + m_szThumb.cx, y + m_szThumb.cy);
    }
    int y = m_rcItem.bottom - m_szThumb.cy - (m_nValue - m_nMin) * (m_rcItem.Height() - m_szThumb.cy) / range;
    int x = (m_rcItem.left + m_rcItem.right - m_szThumb.cx) / 2;
    return MakeRect(x, y, x + m_szThumb.cx, y + m_szThumb.cy);
}

int CSliderUI::ValueAt(POINT pt) const {
    int range = m_nMax - m_nMin;
    if (m_bHorizontal) {
        int span = std::max(1, m_rcItem.Width() - m_szThumb.cx);
        return m_nMin + (pt.x - m_rcItem.left - m_szThumb.cx / 2) * range / span;
    }
    int span = std::max(1, m_rcItem.Height() - m_szThumb.cy);
    return m_nMin + (m_rcItem.bottom - pt.y - m_szThumb.cy / 2) * range / span;
}

void CSliderUI::ChangeByUser(int v) {
    int old = m_nValue;
    SetValue(v);
    if (m_nValue != old) Notify(DUI_MSGTYPE_VALUECHANGED, static_cast<WPARAM>(m_nValue));
}

bool CSliderUI::ApplyAttribute(const std::string& n, const std::string& v) {
    const char* val = v.c_str();
    if (n == "thumbsize") {
        int cx = 0, cy = 0;
        if (std::sscanf(val, "%d,%d", &cx, &cy) == 2) m_szThumb = SIZE{cx, cy};
    } else if (n == "thumbimage") m_sThumbImage = val;
    else if (n == "thumbhotimage") m_sThumbHotImage = val;
    else if (n == "thumbpushedimage") m_sThumbPushedImage = val;
    else if (n == "step") m_nStep = std::atoi(val);
    else if (n == "sendmove") {}
    else return CProgressUI::ApplyAttribute(n, v);
    return true;
}

void CSliderUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (!IsEnabled()) return;
        m_uButtonState |= UISTATE_CAPTURED | UISTATE_PUSHED;
        Notify(DUI_MSGTYPE_BUTTONDOWN, static_cast<WPARAM>(m_nValue));
        ChangeByUser(ValueAt(event.ptMouse));
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) ChangeByUser(ValueAt(event.ptMouse));
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
            Invalidate();
            Notify(DUI_MSGTYPE_BUTTONUP, static_cast<WPARAM>(m_nValue));
        }
        return;
    case UIEVENT_MOUSEENTER: m_uButtonState |= UISTATE_HOT; Invalidate(); return;
    case UIEVENT_MOUSELEAVE: m_uButtonState &= ~UISTATE_HOT; Invalidate(); return;
    case UIEVENT_SCROLLWHEEL:
        if (IsEnabled()) ChangeByUser(m_nValue + static_cast<int>(static_cast<LPARAM>(event.wParam)) * m_nStep);
        return;
    case UIEVENT_KEYDOWN:
        if (IsEnabled() && (event.chKey == VK_LEFT || event.chKey == VK_DOWN)) { ChangeByUser(m_nValue - m_nStep); return; }
        if (IsEnabled() && (event.chKey == VK_RIGHT || event.chKey == VK_UP)) { ChangeByUser(m_nValue + m_nStep); return; }
        break;
    default: break;
    }
    CProgressUI::DoEvent(event);
}

void CSliderUI::PaintStatusImage(CRenderContext& ctx) {
    CProgressUI::PaintStatusImage(ctx);
    RECT thumb = GetThumbRect();
    bool drawn = false;
    if ((m_uButtonState & UISTATE_PUSHED) && !m_sThumbPushedImage.IsEmpty()) drawn = DrawImage(ctx, m_sThumbPushedImage, &thumb);
    else if ((m_uButtonState & UISTATE_HOT) && !m_sThumbHotImage.IsEmpty()) drawn = DrawImage(ctx, m_sThumbHotImage, &thumb);
    if (!drawn) drawn = DrawImage(ctx, m_sThumbImage, &thumb);
    if (!drawn) {
        DWORD c = (m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED)) ? 0xFF4577A0 : 0xFFEBEBEB;
        ctx.FillCircle((thumb.left + thumb.right) / 2.0f, (thumb.top + thumb.bottom) / 2.0f, m_szThumb.cx / 2.0f, c);
    }
}

}  // namespace DuiLib
