#include "CMenuElementUI.h"

#include "CMenuUI.h"
#include "CMenuWnd.h"
#include "ContextMenuParam.h"

#include <RenderContext.h>
#include <TextCodec.h>

#include <algorithm>

namespace DuiLib {
namespace {
constexpr int kDefaultHeight = 25;
constexpr int kArrowRoom = 20;

bool IsMenuElement(const CControlUI* c) { return dynamic_cast<const CMenuElementUI*>(c) != nullptr; }
}  // namespace

CMenuElementUI::CMenuElementUI() { m_bMouseChildEnabled = false; }

void CMenuElementUI::DoInit() {
    // Sub-items show only in the submenu's own window.
    for (auto& c : m_items)
        if (IsMenuElement(c.get())) c->SetVisible(false);
}

bool CMenuElementUI::HasSubItems() const {
    if (IsSubMenuOpen()) return true;
    return std::any_of(m_items.begin(), m_items.end(), [](const auto& c) { return IsMenuElement(c.get()); });
}

bool CMenuElementUI::IsSubMenuOpen() const { return m_subMenu && IsWindow(m_subMenu); }

SIZE CMenuElementUI::EstimateSize(SIZE available) {
    SIZE sz{0, 0};
    bool children = false;
    for (auto& c : m_items) {
        if (!c->IsVisibleSelf() || IsMenuElement(c.get())) continue;
        SIZE child = c->EstimateSize(available);
        sz.cx = std::max(sz.cx, child.cx);
        sz.cy += child.cy;
        children = true;
    }
    IListOwnerUI* owner = m_state.Owner();
    if (!children && m_pManager) {
        RECT pad = owner ? owner->GetListInfo()->rcTextPadding : RECT{};
        int font = owner ? owner->GetListInfo()->nFont : -1;
        std::string utf8 = StripControlBytes(GbkToUtf8Lenient(m_sText.Str()), false);
        SIZE text = m_pManager->GetRenderContext()->MeasureText(utf8, m_pManager->GetFontInfo(font));
        sz.cx = text.cx + pad.left + pad.right + kArrowRoom;
        sz.cy = text.cy + pad.top + pad.bottom;
    }
    if (m_cxyFixed.cx > 0) sz.cx = m_cxyFixed.cx;
    sz.cy = m_cxyFixed.cy > 0 ? m_cxyFixed.cy : kDefaultHeight;
    return sz;
}

void CMenuElementUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEENTER: {
        CListContainerElementUI::DoEvent(event);
        if (!m_pManager) return;
        auto* menu = dynamic_cast<CMenuUI*>(m_state.owner);
        if (IsEnabled() && menu) menu->SelectItem(m_state.index, false, false);
        if (IsEnabled() && HasSubItems()) {
            OpenSubMenu(false);
        } else {
            ContextMenuParam p;
            p.wParam = kMenuCloseBelow;
            p.hWnd = m_pManager->GetPaintWindow();
            CMenuWnd::Observer().Broadcast(p);
        }
        return;
    }
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled()) Choose(false);  // may end this menu: nothing after
        return;
    case UIEVENT_RBUTTONDOWN:
    case UIEVENT_RBUTTONUP:
    case UIEVENT_CONTEXTMENU:
        return;
    default:
        CListContainerElementUI::DoEvent(event);
        return;
    }
}

void CMenuElementUI::OpenSubMenu(bool fromKeyboard) {
    if (!m_pManager) return;
    if (IsSubMenuOpen()) {
        if (fromKeyboard)
            if (auto* sub = dynamic_cast<CMenuWnd*>(WindowRegistry::Instance().Lookup(m_subMenu))) sub->FocusFirstItem();
        return;
    }
    // Another item's submenu of this menu goes first: one submenu per menu at a time.
    ContextMenuParam p;
    p.wParam = kMenuCloseBelow;
    p.hWnd = m_pManager->GetPaintWindow();
    CMenuWnd::Observer().Broadcast(p);

    auto sub = std::make_unique<CMenuWnd>(m_pManager->GetPaintWindow());
    if (!sub->Init(this, "", POINT{})) return;
    m_subMenu = sub->GetHWND();
    CMenuWnd* wnd = sub.release();  // deletes itself when its window is destroyed
    if (fromKeyboard) wnd->FocusFirstItem();
}

void CMenuElementUI::Choose(bool fromKeyboard) {
    if (!m_pManager) return;
    if (HasSubItems()) {
        OpenSubMenu(fromKeyboard);
        return;
    }
    ContextMenuParam p;
    p.wParam = kMenuCloseAll;
    p.hWnd = m_pManager->GetPaintWindow();
    p.name = m_sName;
    CMenuWnd::Observer().Broadcast(p);
}

std::vector<std::unique_ptr<CControlUI>> CMenuElementUI::TakeSubItems() {
    std::vector<CControlUI*> subs;
    for (auto& c : m_items)
        if (IsMenuElement(c.get())) subs.push_back(c.get());
    std::vector<std::unique_ptr<CControlUI>> out;
    for (CControlUI* c : subs) {
        auto owned = Detach(c);
        owned->SetVisible(true);
        out.push_back(std::move(owned));
    }
    return out;
}

void CMenuElementUI::ReturnSubItems(std::vector<std::unique_ptr<CControlUI>> items) {
    for (auto& c : items) {
        // The submenu's list is about to go: no item may keep pointing at it.
        if (auto* item = dynamic_cast<IListItemUI*>(c.get())) {
            item->SetOwner(nullptr);
            item->Select(false);
        }
        c->SetVisible(false);
        Add(c.release());
    }
    m_subMenu = nullptr;
    m_uButtonState &= ~UISTATE_PUSHED;
    Invalidate();
}

void CMenuElementUI::PaintText(CRenderContext& ctx) {
    if (!m_pManager) return;
    IListOwnerUI* owner = m_state.Owner();
    const TListInfoUI* info = owner ? owner->GetListInfo() : nullptr;
    DWORD color = info ? info->dwTextColor : 0;
    if (!IsEnabled()) color = info ? info->dwDisabledTextColor : 0xFF56616D;
    else if (info && (m_state.selected || m_state.hot) && info->dwSelectedTextColor) color = info->dwSelectedTextColor;
    if (!color) color = m_pManager->GetDefaultTextColor();
    RECT rc = m_rcItem;
    if (info) {
        rc.left += info->rcTextPadding.left;
        rc.right -= info->rcTextPadding.right;
        rc.top += info->rcTextPadding.top;
        rc.bottom -= info->rcTextPadding.bottom;
    }
    UINT style = info ? info->uTextStyle : (DT_VCENTER | DT_SINGLELINE);
    std::string utf8 = StripControlBytes(GbkToUtf8Lenient(m_sText.Str()), false);
    ctx.DrawText(rc, utf8, m_pManager->GetFontInfo(info ? info->nFont : -1), color, style);
    if (HasSubItems()) {
        // A small chevron at the right edge marks a submenu.
        float x = static_cast<float>(m_rcItem.right - 12);
        float y = static_cast<float>(m_rcItem.top + m_rcItem.bottom) / 2.0f;
        ctx.DrawLine(x - 3, y - 4, x + 1, y, 1.5f, color);
        ctx.DrawLine(x + 1, y, x - 3, y + 4, 1.5f, color);
    }
}

}  // namespace DuiLib
