#include "CControlUI.h"

#include "CPaintManagerUI.h"
#include "ImageCache.h"
#include "RenderContext.h"

#include <cstdlib>
#include <cstring>

namespace DuiLib {

bool ParseBool(const std::string& v) { return v == "true" || v == "1"; }

CControlUI::CControlUI() = default;
CControlUI::~CControlUI() = default;

void CControlUI::SetName(const char* name) {
    if (m_pManager && !m_sName.IsEmpty()) m_pManager->UnregisterName(this);
    m_sName = name;
    if (m_pManager) m_pManager->RegisterName(this);
}

void CControlUI::SetText(const char* text) {
    if (m_sText == text) return;
    m_sText = text;
    Invalidate();
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    m_pManager = manager;
    m_pParent = parent;
    if (manager && init) {
        manager->RegisterName(this);
        DoInit();
    }
}

void CControlUI::SetPos(RECT rc, bool needInvalidate) {
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    m_rcItem = rc;
    m_bUpdateNeeded = false;
    if (needInvalidate) Invalidate();
}

void CControlUI::SetPadding(RECT rc) { m_rcPadding = rc; NeedParentUpdate(); }
void CControlUI::SetFixedWidth(int cx) { if (cx >= 0) { m_cxyFixed.cx = cx; NeedParentUpdate(); } }
void CControlUI::SetFixedHeight(int cy) { if (cy >= 0) { m_cxyFixed.cy = cy; NeedParentUpdate(); } }
void CControlUI::SetFloat(bool f) { m_bFloat = f; NeedParentUpdate(); }

SIZE CControlUI::EstimateSize(SIZE) { return m_cxyFixed; }

void CControlUI::SetVisible(bool visible) {
    if (m_bVisible == visible) return;
    bool wasVisible = IsVisible();
    m_bVisible = visible;
    if (!IsVisible() && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
    if (wasVisible != IsVisible()) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
    m_bInternVisible = visible;
    if (!IsVisible() && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_bEnabled == enabled) return;
    m_bEnabled = enabled;
    if (enabled) m_uButtonState &= ~UISTATE_DISABLED; else m_uButtonState = UISTATE_DISABLED;
    if (!enabled && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
    Invalidate();
}

void CControlUI::SetFocus() {
    if (m_pManager) m_pManager->SetFocus(this);
}

bool CControlUI::Activate() const {
    for (const CControlUI* c = this; c; c = c->m_pParent)
        if (!c->IsVisible() || !c->IsEnabled()) return false;
    return true;
}

void CControlUI::SetAttribute(const char* name, const char* value) {
    if (!name || !value) return;
    if (!ApplyAttribute(name, value) && m_pManager) m_pManager->ReportUnknownAttribute(GetClass(), name);
}

void CControlUI::ApplyAttributeList(const char* list) {
    // name="value" pairs; values may use &quot; quoting as DuiLib's Default lists do.
    std::string s(list ? list : "");
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && s[i] == ' ') ++i;
        size_t eq = s.find('=', i);
        if (eq == std::string::npos) break;
        std::string name = s.substr(i, eq - i);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        size_t q = eq + 1;
        if (q >= s.size()) break;
        char quote = s[q];
        if (quote != '"' && quote != '\'') break;
        size_t end = s.find(quote, q + 1);
        if (end == std::string::npos) break;
        SetAttribute(name.c_str(), s.substr(q + 1, end - q - 1).c_str());
        i = end + 1;
    }
}

bool CControlUI::ApplyAttribute(const std::string& n, const std::string& v) {
    const char* val = v.c_str();
    if (n == "name") SetName(val);
    else if (n == "text") SetText(val);
    else if (n == "tooltip") m_sToolTip = val;
    else if (n == "userdata") m_sUserData = val;
    else if (n == "tag") m_tag = static_cast<UINT_PTR>(std::strtoul(val, nullptr, 10));
    else if (n == "pos") {
        RECT rc;
        if (ParseRect(val, rc)) {
            m_rcFloat = rc;
            if (rc.right - rc.left > 0) m_cxyFixed.cx = rc.right - rc.left;
            if (rc.bottom - rc.top > 0) m_cxyFixed.cy = rc.bottom - rc.top;
            NeedParentUpdate();
        }
    } else if (n == "float") SetFloat(ParseBool(v));
    else if (n == "padding") { RECT rc; if (ParseRect(val, rc)) SetPadding(rc); }
    else if (n == "width") SetFixedWidth(std::atoi(val));
    else if (n == "height") SetFixedHeight(std::atoi(val));
    else if (n == "minwidth") m_cxyMin.cx = std::atoi(val);
    else if (n == "minheight") m_cxyMin.cy = std::atoi(val);
    else if (n == "maxwidth") m_cxyMax.cx = std::atoi(val);
    else if (n == "maxheight") m_cxyMax.cy = std::atoi(val);
    else if (n == "bkcolor" || n == "bkcolor1") m_dwBackColor = ParseColor(val);
    else if (n == "bordercolor") m_dwBorderColor = ParseColor(val);
    else if (n == "focusbordercolor") m_dwFocusBorderColor = ParseColor(val);
    else if (n == "bordersize") m_nBorderSize = std::atoi(val);
    else if (n == "bkimage") m_sBkImage = val;
    else if (n == "visible") SetVisible(ParseBool(v));
    else if (n == "enabled") SetEnabled(ParseBool(v));
    else if (n == "mouse") m_bMouseEnabled = ParseBool(v);
    else if (n == "keyboard") m_bKeyboardEnabled = ParseBool(v);
    else if (n == "cursor" || n == "borderround" || n == "menu") { /* accepted, drawn square / default cursor */ }
    else return false;
    return true;
}

void CControlUI::Invalidate() {
    if (m_pManager) m_pManager->Invalidate();
}

void CControlUI::NeedUpdate() {
    m_bUpdateNeeded = true;
    if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (m_pParent) m_pParent->NeedUpdate();
    else NeedUpdate();
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !m_rcItem.Contains(pt)) return nullptr;
    return m_bMouseEnabled ? this : nullptr;
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_SETFOCUS:
        m_bFocused = true;
        Invalidate();
        Notify(DUI_MSGTYPE_SETFOCUS);
        break;
    case UIEVENT_KILLFOCUS:
        m_bFocused = false;
        Invalidate();
        Notify(DUI_MSGTYPE_KILLFOCUS);
        break;
    case UIEVENT_TIMER:
        Notify(DUI_MSGTYPE_TIMER, event.wParam, event.lParam);
        break;
    case UIEVENT_CONTEXTMENU:
        Notify(DUI_MSGTYPE_MENU, event.wParam, event.lParam);
        break;
    default:
        // Unhandled input bubbles to the parent (wheel over a list item scrolls the list).
        if (m_pParent && (event.Type == UIEVENT_SCROLLWHEEL || event.Type == UIEVENT_KEYDOWN))
            m_pParent->DoEvent(event);
        break;
    }
}

void CControlUI::Notify(const char* type, WPARAM wParam, LPARAM lParam) {
    if (m_pManager) m_pManager->SendNotify(this, type, wParam, lParam);
}

bool CControlUI::DrawImage(CRenderContext& ctx, const CDuiString& attr, const RECT* rc) {
    if (attr.IsEmpty() || !m_pManager) return false;
    return ctx.DrawImage(rc ? *rc : m_rcItem, m_pManager->GetResourcePath().Str(), attr.Str());
}

void CControlUI::PaintOwnLayers(CRenderContext& ctx) {
    PaintBkColor(ctx);
    PaintBkImage(ctx);
    PaintStatusImage(ctx);
    PaintText(ctx);
}

void CControlUI::DoPaint(CRenderContext& ctx, const RECT& rcPaint) {
    RECT inter;
    if (!IntersectRect(inter, rcPaint, m_rcItem)) return;
    ctx.PushClip(inter);
    PaintOwnLayers(ctx);
    PaintBorder(ctx);
    ctx.PopClip();
}

void CControlUI::PaintBkColor(CRenderContext& ctx) { ctx.FillRect(m_rcItem, m_dwBackColor); }
void CControlUI::PaintBkImage(CRenderContext& ctx) { DrawImage(ctx, m_sBkImage); }

void CControlUI::PaintBorder(CRenderContext& ctx) {
    if (m_nBorderSize <= 0) return;
    DWORD c = (m_bFocused && m_dwFocusBorderColor) ? m_dwFocusBorderColor : m_dwBorderColor;
    if (c) ctx.DrawBorder(m_rcItem, m_nBorderSize, c);
}

}  // namespace DuiLib
