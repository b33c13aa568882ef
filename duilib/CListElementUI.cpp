#include "CListElementUI.h"

#include "CPaintManagerUI.h"
#include "RenderContext.h"
#include "TextCodec.h"

namespace DuiLib {
namespace {
constexpr int kDefaultItemHeight = 24;

SIZE ItemSize(const SIZE& fixed, IListOwnerUI* owner) {
    SIZE sz = fixed;
    if (sz.cy == 0) sz.cy = (owner && owner->GetListInfo()->nItemHeight > 0) ? owner->GetListInfo()->nItemHeight : kDefaultItemHeight;
    return sz;
}

// Forwards input an item does not keep to its owner; returns true when consumed.
bool RouteItemEvent(CControlUI* self, CListItemState& st, TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEENTER: st.hot = true; self->Invalidate(); return true;
    case UIEVENT_MOUSELEAVE: st.hot = false; self->Invalidate(); return true;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN:
    case UIEVENT_DBLCLICK:
    case UIEVENT_KEYDOWN:
    case UIEVENT_SCROLLWHEEL:
        if (IListOwnerUI* owner = st.Owner()) { owner->ItemEvent(self, event); return true; }
        return false;
    default:
        return false;
    }
}

DWORD ItemBkColor(const CListItemState& st, bool hot, bool enabled) {
    IListOwnerUI* owner = st.Owner();
    if (!owner) return 0;
    const TListInfoUI* info = owner->GetListInfo();
    if (st.selected) return info->dwSelectedBkColor;
    if (hot && enabled) return info->dwHotBkColor;
    return info->dwBkColor;
}
}  // namespace

bool CListLabelElementUI::Select(bool select) {
    m_state.selected = select;
    Invalidate();
    return true;
}

SIZE CListLabelElementUI::EstimateSize(SIZE) { return ItemSize(m_cxyFixed, m_state.Owner()); }

void CListLabelElementUI::DoEvent(TEventUI& event) {
    if (RouteItemEvent(this, m_state, event)) return;
    CLabelUI::DoEvent(event);
}

void CListLabelElementUI::PaintBkColor(CRenderContext& ctx) {
    CLabelUI::PaintBkColor(ctx);
    ctx.FillRect(m_rcItem, ItemBkColor(m_state, m_state.hot, IsEnabled()));
}

void CListLabelElementUI::PaintText(CRenderContext& ctx) {
    IListOwnerUI* owner = m_state.Owner();
    if (!owner || !m_pManager) { CLabelUI::PaintText(ctx); return; }
    const TListInfoUI* info = owner->GetListInfo();
    DWORD color = info->dwTextColor;
    if (!IsEnabled()) color = info->dwDisabledTextColor;
    else if (m_state.selected && info->dwSelectedTextColor) color = info->dwSelectedTextColor;
    else if (m_state.hot && info->dwHotTextColor) color = info->dwHotTextColor;
    if (m_dwTextColor && !m_state.selected) color = m_dwTextColor;
    if (!color) color = m_pManager->GetDefaultTextColor();
    RECT rc = m_rcItem;
    rc.left += info->rcTextPadding.left;
    rc.right -= info->rcTextPadding.right;
    rc.top += info->rcTextPadding.top;
    rc.bottom -= info->rcTextPadding.bottom;
    std::string utf8 = StripControlBytes(GbkToUtf8Lenient(m_sText.Str()), false);
    ctx.DrawText(rc, utf8, m_pManager->GetFontInfo(m_iFont >= 0 ? m_iFont : info->nFont), color, info->uTextStyle);
}

void CListLabelElementUI::PaintAsItem(CRenderContext& ctx, bool hot) {
    bool saved = m_state.hot;
    m_state.hot = hot;
    ctx.PushClip(m_rcItem);
    PaintBkColor(ctx);
    PaintBkImage(ctx);
    PaintText(ctx);
    ctx.PopClip();
    m_state.hot = saved;
}

bool CListContainerElementUI::Select(bool select) {
    m_state.selected = select;
    Invalidate();
    return true;
}

SIZE CListContainerElementUI::EstimateSize(SIZE) { return ItemSize(m_cxyFixed, m_state.Owner()); }

void CListContainerElementUI::DoEvent(TEventUI& event) {
    if (RouteItemEvent(this, m_state, event)) return;
    CHorizontalLayoutUI::DoEvent(event);
}

void CListContainerElementUI::PaintBkColor(CRenderContext& ctx) {
    CHorizontalLayoutUI::PaintBkColor(ctx);
    ctx.FillRect(m_rcItem, ItemBkColor(m_state, m_state.hot, IsEnabled()));
}

}  // namespace DuiLib
