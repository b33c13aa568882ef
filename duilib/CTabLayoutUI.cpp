#include "CTabLayoutUI.h"

#include "CPaintManagerUI.h"

#include <cstdlib>

namespace DuiLib {

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == m_iCurSel);
    return true;
}

void CTabLayoutUI::DoInit() {
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == m_iCurSel);
}

bool CTabLayoutUI::SelectItem(int index) {
    if (index < 0 || index >= GetCount()) return false;
    int old = m_iCurSel;
    m_iCurSel = index;
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == index);
    NeedUpdate();
    if (old != index) Notify("tabselect", static_cast<WPARAM>(index), old);
    return true;
}

bool CTabLayoutUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (n == "selectedid") {
        m_iCurSel = std::atoi(v.c_str());
        for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == m_iCurSel);
        return true;
    }
    return CContainerUI::ApplyAttribute(n, v);
}

void CTabLayoutUI::LayoutChildren(const RECT& content) {
    // Only the shown page is laid out; all pages fill the content area.
    for (auto& c : m_items) {
        if (!c->IsVisibleSelf()) continue;
        const RECT& p = c->GetPadding();
        c->SetPos(MakeRect(content.left + p.left, content.top + p.top, content.right - p.right, content.bottom - p.bottom), false);
    }
}

}  // namespace DuiLib
