#include "CListUI.h"

#include "CPaintManagerUI.h"
#include "ImageCache.h"

#include <cstdlib>

namespace DuiLib {

bool ApplyListInfoAttribute(TListInfoUI& info, const std::string& n, const std::string& v) {
    const char* val = v.c_str();
    if (n == "itemfont") info.nFont = std::atoi(val);
    else if (n == "itemalign") {
        info.uTextStyle &= ~(DT_CENTER | DT_RIGHT);
        if (v == "center") info.uTextStyle |= DT_CENTER;
        else if (v == "right") info.uTextStyle |= DT_RIGHT;
    } else if (n == "itemtextpadding") ParseRect(val, info.rcTextPadding);
    else if (n == "itemtextcolor") info.dwTextColor = ParseColor(val);
    else if (n == "itembkcolor") info.dwBkColor = ParseColor(val);
    else if (n == "itemselectedtextcolor") info.dwSelectedTextColor = ParseColor(val);
    else if (n == "itemselectedbkcolor") info.dwSelectedBkColor = ParseColor(val);
    else if (n == "itemhottextcolor") info.dwHotTextColor = ParseColor(val);
    else if (n == "itemhotbkcolor") info.dwHotBkColor = ParseColor(val);
    else if (n == "itemdisabledtextcolor") info.dwDisabledTextColor = ParseColor(val);
    else if (n == "itemlinecolor") info.dwLineColor = ParseColor(val);
    else if (n == "itemheight") info.nItemHeight = std::atoi(val);
    else if (n == "itemshowhtml" || n == "itemendellipsis" || n == "multiexpanding") {}
    else return false;
    return true;
}

CListUI::CListUI() { m_bVScroll = true; }

bool CListUI::AddAt(CControlUI* control, int index) {
    if (auto* item = dynamic_cast<IListItemUI*>(control)) item->SetOwner(this);
    if (!CVerticalLayoutUI::AddAt(control, index)) return false;
    if (m_iCurSel >= index && m_iCurSel >= 0 && index < GetCount() - 1) ++m_iCurSel;
    Reindex();
    return true;
}

bool CListUI::Remove(CControlUI* control) {
    int idx = GetItemIndex(control);
    if (idx < 0) return false;
    if (idx == m_iCurSel) m_iCurSel = -1;
    else if (idx < m_iCurSel) --m_iCurSel;
    bool ok = CVerticalLayoutUI::Remove(control);
    Reindex();
    return ok;
}

void CListUI::RemoveAll() {
    m_iCurSel = -1;
    CVerticalLayoutUI::RemoveAll();
}

void CListUI::Reindex() {
    for (int i = 0; i < GetCount(); ++i)
        if (auto* item = dynamic_cast<IListItemUI*>(GetItemAt(i))) item->SetIndex(i);
}

bool CListUI::SelectItem(int index, bool takeFocus, bool notify) {
    if (index == m_iCurSel) return true;
    int old = m_iCurSel;
    if (auto* prev = dynamic_cast<IListItemUI*>(GetItemAt(old))) prev->Select(false);
    m_iCurSel = -1;
    auto* item = dynamic_cast<IListItemUI*>(GetItemAt(index));
    if (!item) {
        Invalidate();
        return false;
    }
    item->Select(true);
    m_iCurSel = index;
    EnsureVisible(GetItemAt(index));
    if (takeFocus) SetFocus();
    Invalidate();
    if (notify) Notify(DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index), old);
    return true;
}

int CListUI::NextSelectable(int from, int step) const {
    for (int i = from + step; i >= 0 && i < GetCount(); i += step) {
        CControlUI* c = GetItemAt(i);
        if (c->IsVisible() && c->IsEnabled()) return i;
    }
    return -1;
}

void CListUI::ItemEvent(CControlUI* item, TEventUI& event) {
    int index = GetItemIndex(item);
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN:
        if (index >= 0 && item->IsEnabled()) {
            SelectItem(index, true);
            // A right press selects (its menu follows) but is no click: the
            // device tree toggles videos on clicks.
            if (event.Type == UIEVENT_BUTTONDOWN)
                m_pManager->SendNotify(item, DUI_MSGTYPE_ITEMCLICK, 0, 0, &event.ptMouse);
        }
        break;
    case UIEVENT_DBLCLICK:
        if (index >= 0 && item->IsEnabled()) m_pManager->SendNotify(item, DUI_MSGTYPE_ITEMACTIVATE, 0, 0, &event.ptMouse);
        break;
    case UIEVENT_KEYDOWN:
    case UIEVENT_SCROLLWHEEL:
        DoEvent(event);
        break;
    default:
        break;
    }
}

bool CListUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (ApplyListInfoAttribute(m_listInfo, n, v)) { Invalidate(); return true; }
    if (n == "header" || n == "headerbkimage" || n == "scrollselect") return true;
    return CVerticalLayoutUI::ApplyAttribute(n, v);
}

void CListUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_KEYDOWN) {
        int next = -1;
        switch (event.chKey) {
        case VK_UP: next = NextSelectable(m_iCurSel < 0 ? GetCount() : m_iCurSel, -1); break;
        case VK_DOWN: next = NextSelectable(m_iCurSel, 1); break;
        case VK_HOME: next = NextSelectable(-1, 1); break;
        case VK_END: next = NextSelectable(GetCount(), -1); break;
        case VK_RETURN:
            if (CControlUI* cur = GetItemAt(m_iCurSel)) m_pManager->SendNotify(cur, DUI_MSGTYPE_ITEMACTIVATE);
            return;
        default: break;
        }
        if (next >= 0) SelectItem(next, true);
        return;
    }
    CVerticalLayoutUI::DoEvent(event);
}

}  // namespace DuiLib
