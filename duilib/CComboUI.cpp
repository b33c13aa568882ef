#include "CComboUI.h"

#include "CComboWnd.h"
#include "CListElementUI.h"
#include "CPaintManagerUI.h"
#include "ImageCache.h"
#include "RenderContext.h"
#include "TextCodec.h"

namespace DuiLib {

CComboUI::CComboUI() = default;

CComboUI::~CComboUI() {
    if (m_dropWnd) {
        m_dropWnd->Detach();
        if (m_dropWnd->GetHWND()) DestroyWindow(m_dropWnd->GetHWND());
    }
}

bool CComboUI::AddAt(CControlUI* control, int index) {
    if (auto* item = dynamic_cast<IListItemUI*>(control)) item->SetOwner(this);
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_iCurSel >= index && m_iCurSel >= 0 && index < GetCount() - 1) ++m_iCurSel;
    Reindex();
    return true;
}

bool CComboUI::Remove(CControlUI* control) {
    int idx = GetItemIndex(control);
    if (idx < 0) return false;
    if (idx == m_iCurSel) m_iCurSel = -1;
    else if (idx < m_iCurSel) --m_iCurSel;
    bool ok = CContainerUI::Remove(control);
    Reindex();
    return ok;
}

void CComboUI::RemoveAll() {
    CloseDropDown();
    m_iCurSel = -1;
    CContainerUI::RemoveAll();
}

void CComboUI::Reindex() {
    for (int i = 0; i < GetCount(); ++i)
        if (auto* item = dynamic_cast<IListItemUI*>(GetItemAt(i))) item->SetIndex(i);
}

CDuiString CComboUI::GetText() const {
    CControlUI* cur = GetItemAt(m_iCurSel);
    return cur ? cur->GetText() : CDuiString();
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool notify) {
    if (index == m_iCurSel) return true;
    int old = m_iCurSel;
    if (auto* prev = dynamic_cast<IListItemUI*>(GetItemAt(old))) prev->Select(false);
    m_iCurSel = -1;
    auto* item = dynamic_cast<IListItemUI*>(GetItemAt(index));
    if (!item) { Invalidate(); return false; }
    item->Select(true);
    m_iCurSel = index;
    if (takeFocus) SetFocus();
    Invalidate();
    if (m_dropWnd && m_dropWnd->GetHWND()) m_dropWnd->GetPaintManager().Invalidate();
    if (notify) Notify(DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index), old);
    return true;
}

void CComboUI::ItemEvent(CControlUI*, TEventUI&) {}

bool CComboUI::IsDropped() const { return m_dropWnd && m_dropWnd->GetHWND(); }

bool CComboUI::Activate() {
    if (!CControlUI::Activate() || !m_pManager || GetCount() == 0) return false;
    if (IsDropped()) { CloseDropDown(); return true; }
    if (!m_dropWnd) m_dropWnd = std::make_unique<CComboWnd>(this);
    Notify(DUI_MSGTYPE_DROPDOWN);
    m_dropWnd->Open();
    return true;
}

void CComboUI::CloseDropDown() {
    if (IsDropped()) m_dropWnd->Close(0);
}

CControlUI* CComboUI::FindControlAt(POINT pt) {
    // Items live in the drop-down; the box itself takes every click.
    if (!IsVisible() || !m_rcItem.Contains(pt)) return nullptr;
    return m_bMouseEnabled ? this : nullptr;
}

void CComboUI::LayoutChildren(const RECT&) {}

bool CComboUI::ApplyAttribute(const std::string& n, const std::string& v) {
    const char* val = v.c_str();
    if (ApplyListInfoAttribute(m_listInfo, n, v)) return true;
    if (n == "dropboxsize") { int cx = 0, cy = 0; if (std::sscanf(val, "%d,%d", &cx, &cy) == 2) m_szDropBox = SIZE{cx, cy}; }
    else if (n == "dropboxalign") m_bDropRight = v == "right";
    else if (n == "textshow") m_bShowText = ParseBool(v);
    else if (n == "textpadding") ParseRect(val, m_rcTextPadding);
    else if (n == "font") m_iFont = std::atoi(val);
    else if (n == "textcolor") m_dwTextColor = ParseColor(val);
    else if (n == "normalimage") m_sNormalImage = val;
    else if (n == "hotimage") m_sHotImage = val;
    else if (n == "pushedimage") m_sPushedImage = val;
    else if (n == "focusedimage") m_sFocusedImage = val;
    else if (n == "disabledimage") m_sDisabledImage = val;
    else if (n == "dropbox" || n == "itemvalign") {}
    else return CContainerUI::ApplyAttribute(n, v);
    return true;
}

void CComboUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEENTER: m_uButtonState |= UISTATE_HOT; Invalidate(); return;
    case UIEVENT_MOUSELEAVE: m_uButtonState &= ~UISTATE_HOT; Invalidate(); return;
    case UIEVENT_BUTTONDOWN:
        if (IsEnabled()) { m_uButtonState |= UISTATE_PUSHED; Invalidate(); }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_PUSHED) {
            m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
            if (m_rcItem.Contains(event.ptMouse)) Activate();
        }
        return;
    case UIEVENT_KEYDOWN:
        if (!IsEnabled()) return;
        if (event.chKey == VK_UP && m_iCurSel > 0) { SelectItem(m_iCurSel - 1); return; }
        if (event.chKey == VK_DOWN && m_iCurSel + 1 < GetCount()) { SelectItem(m_iCurSel + 1); return; }
        if (event.chKey == VK_SPACE) { Activate(); return; }
        break;
    case UIEVENT_SCROLLWHEEL:
        return;  // never change the choice under a passing wheel
    default: break;
    }
    CContainerUI::DoEvent(event);
}

void CComboUI::DoPaint(CRenderContext& ctx, const RECT& rcPaint) { CControlUI::DoPaint(ctx, rcPaint); }

void CComboUI::PaintStatusImage(CRenderContext& ctx) {
    bool drawn = false;
    if (!IsEnabled()) drawn = DrawImage(ctx, m_sDisabledImage);
    else if (m_uButtonState & UISTATE_PUSHED) drawn = DrawImage(ctx, m_sPushedImage);
    else if (m_uButtonState & UISTATE_HOT) drawn = DrawImage(ctx, m_sHotImage);
    else if (m_bFocused) drawn = DrawImage(ctx, m_sFocusedImage);
    if (!drawn) drawn = DrawImage(ctx, m_sNormalImage);
    // A chevron at the right end, drawn as lines so it stays crisp at any scale.
    float cx = static_cast<float>(m_rcItem.right) - 12.0f;
    float cy = (m_rcItem.top + m_rcItem.bottom) / 2.0f;
    DWORD c = IsEnabled() ? ((m_uButtonState & UISTATE_HOT) ? 0xFFFFFFFF : 0xFF8A97A5) : 0xFF56616D;
    ctx.DrawLine(cx - 4, cy - 2, cx, cy + 2, 1.5f, c);
    ctx.DrawLine(cx, cy + 2, cx + 4, cy - 2, 1.5f, c);
}

void CComboUI::PaintText(CRenderContext& ctx) {
    if (!m_bShowText || !m_pManager) return;
    CControlUI* cur = GetItemAt(m_iCurSel);
    if (!cur) return;
    RECT rc = m_rcItem;
    rc.left += m_rcTextPadding.left;
    rc.right -= m_rcTextPadding.right;
    std::string utf8 = StripControlBytes(GbkToUtf8Lenient(cur->GetText().Str()), false);
    DWORD color = m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultTextColor();
    ctx.DrawText(rc, utf8, m_pManager->GetFontInfo(m_iFont), color, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

}  // namespace DuiLib
