#include "COptionUI.h"

#include "CPaintManagerUI.h"
#include "ImageCache.h"
#include "RenderContext.h"

namespace DuiLib {

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    CButtonUI::SetManager(manager, parent, init);
    if (manager && init && !m_sGroup.IsEmpty()) manager->AddOptionGroup(m_sGroup, this);
}

void COptionUI::SetGroup(const char* group) {
    if (m_pManager && !m_sGroup.IsEmpty()) m_pManager->RemoveOptionGroup(m_sGroup, this);
    m_sGroup = group;
    if (m_pManager && !m_sGroup.IsEmpty()) m_pManager->AddOptionGroup(m_sGroup, this);
}

void COptionUI::Selected(bool selected, bool notify) {
    if (m_bSelected == selected) return;
    m_bSelected = selected;
    if (selected) m_uButtonState |= UISTATE_SELECTED; else m_uButtonState &= ~UISTATE_SELECTED;
    if (selected && m_pManager && !m_sGroup.IsEmpty()) {
        for (COptionUI* other : m_pManager->GetOptionGroup(m_sGroup))
            if (other != this) other->Selected(false, notify);
    }
    Invalidate();
    if (notify) Notify(DUI_MSGTYPE_SELECTCHANGED);
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    if (!m_sGroup.IsEmpty()) Selected(true);
    else Selected(!m_bSelected);
    return true;
}

bool COptionUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (n == "group") SetGroup(v.c_str());
    else if (n == "selected") Selected(ParseBool(v), false);
    else if (n == "selectedimage") m_sSelectedImage = v.c_str();
    else if (n == "selectedhotimage") m_sSelectedHotImage = v.c_str();
    else if (n == "selectedbkcolor") m_dwSelectedBkColor = ParseColor(v.c_str());
    else if (n == "selectedtextcolor") m_dwSelectedTextColor = ParseColor(v.c_str());
    else return CButtonUI::ApplyAttribute(n, v);
    return true;
}

void COptionUI::PaintBkColor(CRenderContext& ctx) {
    if (m_bSelected && m_dwSelectedBkColor) ctx.FillRect(m_rcItem, m_dwSelectedBkColor);
    else CButtonUI::PaintBkColor(ctx);
}

void COptionUI::PaintStatusImage(CRenderContext& ctx) {
    if (m_bSelected) {
        bool drawn = false;
        if ((m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.IsEmpty()) drawn = DrawImage(ctx, m_sSelectedHotImage);
        if (!drawn) drawn = DrawImage(ctx, m_sSelectedImage);
        if (drawn) {
            if (!IsEnabled()) ctx.FillRect(m_rcItem, 0x60151A1F);
            return;
        }
    }
    CButtonUI::PaintStatusImage(ctx);
}

void COptionUI::PaintText(CRenderContext& ctx) {
    if (m_bSelected && m_dwSelectedTextColor && IsEnabled()) PaintTextColor(ctx, m_dwSelectedTextColor);
    else CButtonUI::PaintText(ctx);
}

}  // namespace DuiLib
