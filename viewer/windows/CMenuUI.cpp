#include "CMenuUI.h"

#include "CMenuElementUI.h"
#include "CMenuWnd.h"

#include <algorithm>

namespace DuiLib {

CMenuUI::CMenuUI() {
    m_bVScroll = false;
    // Items select on hover, so hot and selected look alike (accent), as the tree's hot item.
    m_listInfo.dwSelectedBkColor = 0xFF386382;
    m_listInfo.dwHotBkColor = 0xFF386382;
    m_listInfo.dwTextColor = 0xFFEBEBEB;
    m_listInfo.dwSelectedTextColor = 0xFFFFFFFF;
    m_listInfo.dwDisabledTextColor = 0xFF56616D;
    m_listInfo.rcTextPadding = RECT{12, 0, 12, 0};
}

SIZE CMenuUI::EstimateSize(SIZE available) {
    SIZE sz{0, 0};
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* c = GetItemAt(i);
        if (!c->IsVisibleSelf()) continue;
        SIZE item = c->EstimateSize(available);
        const RECT& pad = c->GetPadding();
        sz.cx = std::max(sz.cx, item.cx + pad.left + pad.right);
        sz.cy += item.cy + pad.top + pad.bottom;
    }
    sz.cx += m_rcInset.left + m_rcInset.right;
    sz.cy += m_rcInset.top + m_rcInset.bottom;
    if (m_cxyFixed.cx > 0) sz.cx = m_cxyFixed.cx;
    if (m_cxyFixed.cy > 0) sz.cy = m_cxyFixed.cy;
    return sz;
}

CMenuElementUI* CMenuUI::GetCurItem() const { return dynamic_cast<CMenuElementUI*>(GetItemAt(m_iCurSel)); }

void CMenuUI::SelectFirstItem() {
    int first = NextSelectable(-1, 1);
    if (first >= 0) SelectItem(first, true, false);
}

void CMenuUI::CopyLooks(const CMenuUI& from) {
    m_listInfo = from.m_listInfo;
    m_dwBackColor = from.m_dwBackColor;
    m_dwBorderColor = from.m_dwBorderColor;
    m_nBorderSize = from.m_nBorderSize;
    m_rcInset = from.m_rcInset;
}

void CMenuUI::DoEvent(TEventUI& event) {
    if (event.Type != UIEVENT_KEYDOWN || !m_pManager) {
        CListUI::DoEvent(event);
        return;
    }
    CMenuElementUI* cur = GetCurItem();
    switch (event.chKey) {
    case VK_RIGHT:
        if (cur && cur->IsEnabled() && cur->HasSubItems()) cur->OpenSubMenu(true);
        return;
    case VK_LEFT: {
        auto* wnd = dynamic_cast<CMenuWnd*>(WindowRegistry::Instance().Lookup(m_pManager->GetPaintWindow()));
        if (wnd && wnd->IsSubMenu()) wnd->Close();
        return;
    }
    case VK_RETURN:
    case VK_SPACE:
        if (cur && cur->IsEnabled()) cur->Choose(true);  // may end this menu: nothing after
        return;
    default:
        CListUI::DoEvent(event);
        return;
    }
}

}  // namespace DuiLib
