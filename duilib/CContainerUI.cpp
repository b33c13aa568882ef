#include "CContainerUI.h"

#include "CPaintManagerUI.h"
#include "RenderContext.h"

#include <algorithm>

namespace DuiLib {
namespace {
constexpr int kScrollBarWidth = 6;
constexpr int kWheelStep = 40;
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return m_items[static_cast<size_t>(index)].get();
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == control) return static_cast<int>(i);
    return -1;
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    int from = GetItemIndex(control);
    if (from < 0 || index < 0 || index >= GetCount()) return false;
    auto owned = std::move(m_items[static_cast<size_t>(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + index, std::move(owned));
    NeedUpdate();
    return true;
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
    std::unique_ptr<CControlUI> owned(control);
    if (!owned || index < 0 || index > GetCount()) return false;
    if (m_pManager) control->SetManager(m_pManager, this, true);
    else control->SetManager(nullptr, this, false);
    if (!IsVisible()) control->SetInternVisible(false);
    m_items.insert(m_items.begin() + index, std::move(owned));
    NeedUpdate();
    return true;
}

std::unique_ptr<CControlUI> CContainerUI::Detach(CControlUI* control) {
    int idx = GetItemIndex(control);
    if (idx < 0) return nullptr;
    auto owned = std::move(m_items[static_cast<size_t>(idx)]);
    m_items.erase(m_items.begin() + idx);
    if (m_pManager) m_pManager->ForgetControl(control);
    NeedUpdate();
    return owned;
}

bool CContainerUI::Remove(CControlUI* control) {
    auto owned = Detach(control);
    if (!owned) return false;
    CPaintManagerUI::DeferFree(std::move(owned));
    return true;
}

bool CContainerUI::RemoveAt(int index) { return Remove(GetItemAt(index)); }

void CContainerUI::RemoveAll() {
    auto items = std::move(m_items);
    m_items.clear();
    for (auto& c : items) {
        if (m_pManager) m_pManager->ForgetControl(c.get());
        CPaintManagerUI::DeferFree(std::move(c));
    }
    m_scrollY = 0;
    NeedUpdate();
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (auto& c : m_items) c->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) {
    if (m_bVisible == visible) return;
    CControlUI::SetVisible(visible);
    for (auto& c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    for (auto& c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    Invalidate();
}

bool CContainerUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (n == "inset") { RECT rc; if (ParseRect(v.c_str(), rc)) SetInset(rc); }
    else if (n == "childpadding") SetChildPadding(std::atoi(v.c_str()));
    else if (n == "mousechild") m_bMouseChildEnabled = ParseBool(v);
    else if (n == "vscrollbar") m_bVScroll = ParseBool(v);
    else if (n == "hscrollbar" || n == "childalign" || n == "childvalign") { /* accepted */ }
    else return CControlUI::ApplyAttribute(n, v);
    return true;
}

RECT CContainerUI::ContentRect() const {
    RECT rc = m_rcItem;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;
    if (m_bVScroll && m_scrollRange > 0) rc.right -= kScrollBarWidth;
    return rc;
}

void CContainerUI::SetFloatPos(CControlUI* child) {
    const RECT& f = child->GetFloatPos();
    int w = child->GetFixedWidth() > 0 ? child->GetFixedWidth() : f.right - f.left;
    int h = child->GetFixedHeight() > 0 ? child->GetFixedHeight() : f.bottom - f.top;
    RECT rc = MakeRect(m_rcItem.left + f.left, m_rcItem.top + f.top, m_rcItem.left + f.left + w, m_rcItem.top + f.top + h);
    child->SetPos(rc, false);
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    PlaceChildren(ContentRect());
}

void CContainerUI::PlaceChildren(const RECT& content) {
    for (auto& c : m_items)
        if (c->IsVisibleSelf() && c->IsFloat()) SetFloatPos(c.get());
    LayoutChildren(content);
}

void CContainerUI::LayoutChildren(const RECT& content) {
    for (auto& c : m_items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        const RECT& p = c->GetPadding();
        RECT rc = MakeRect(content.left + p.left, content.top + p.top, content.right - p.right, content.bottom - p.bottom);
        if (c->GetFixedWidth() > 0) rc.right = rc.left + c->GetFixedWidth();
        if (c->GetFixedHeight() > 0) rc.bottom = rc.top + c->GetFixedHeight();
        c->SetPos(rc, false);
    }
}

void CContainerUI::FinishScroll(int contentHeight, const RECT& content) {
    if (!m_bVScroll) return;
    int range = std::max(0, contentHeight - content.Height());
    bool rangeAppeared = (range > 0) != (m_scrollRange > 0);
    m_scrollRange = range;
    m_scrollY = std::clamp(m_scrollY, 0, m_scrollRange);
    if (rangeAppeared) PlaceChildren(ContentRect());  // the bar takes width: lay out once more
}

void CContainerUI::SetScrollPos(int y) {
    int ny = std::clamp(y, 0, m_scrollRange);
    if (ny == m_scrollY) return;
    m_scrollY = ny;
    SetPos(m_rcItem, true);
}

void CContainerUI::EnsureVisible(CControlUI* child) {
    if (!m_bVScroll || !child) return;
    RECT content = ContentRect();
    const RECT& rc = child->GetPos();
    if (rc.top < content.top) SetScrollPos(m_scrollY - (content.top - rc.top));
    else if (rc.bottom > content.bottom) SetScrollPos(m_scrollY + (rc.bottom - content.bottom));
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !m_rcItem.Contains(pt)) return nullptr;
    if (m_bMouseChildEnabled) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            // Floats are drawn last, so they are hit first.
            if (!(*it)->IsFloat()) continue;
            if (CControlUI* hit = (*it)->FindControlAt(pt)) return hit;
        }
        if (ContentRect().Contains(pt) || !m_bVScroll) {
            for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
                if ((*it)->IsFloat()) continue;
                if (CControlUI* hit = (*it)->FindControlAt(pt)) return hit;
            }
        }
    }
    return m_bMouseEnabled ? this : nullptr;
}

void CContainerUI::ForEachImpl(const std::function<void(CControlUI*)>& fn) {
    fn(this);
    for (size_t i = 0; i < m_items.size(); ++i) m_items[i]->ForEachImpl(fn);
}

void CContainerUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_SCROLLWHEEL && m_bVScroll && m_scrollRange > 0) {
        SetScrollPos(m_scrollY - static_cast<int>(static_cast<LPARAM>(event.wParam)) * kWheelStep);
        return;
    }
    CControlUI::DoEvent(event);
}

void CContainerUI::DoPaint(CRenderContext& ctx, const RECT& rcPaint) {
    RECT inter;
    if (!IntersectRect(inter, rcPaint, m_rcItem)) return;
    ctx.PushClip(inter);
    PaintOwnLayers(ctx);
    RECT content = ContentRect();
    RECT clip;
    if (IntersectRect(clip, inter, m_bVScroll ? content : m_rcItem)) {
        ctx.PushClip(clip);
        for (auto& c : m_items)
            if (c->IsVisible() && !c->IsFloat()) c->DoPaint(ctx, clip);
        ctx.PopClip();
    }
    for (auto& c : m_items)
        if (c->IsVisible() && c->IsFloat()) c->DoPaint(ctx, inter);
    if (m_bVScroll && m_scrollRange > 0) {
        int track = content.Height();
        int total = track + m_scrollRange;
        int thumb = std::max(20, track * track / std::max(1, total));
        int top = content.top + (track - thumb) * m_scrollY / std::max(1, m_scrollRange);
        ctx.FillRect(MakeRect(content.right + 1, top, content.right + kScrollBarWidth - 1, top + thumb), 0xFF3A4652);
    }
    PaintBorder(ctx);
    ctx.PopClip();
}

}  // namespace DuiLib
