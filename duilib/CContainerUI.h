// A control that owns children; lays them all over its inset area (layouts refine this).
#pragma once

#include "CControlUI.h"

#include <memory>
#include <vector>

namespace DuiLib {

// Thread: UI. Owns its children; removed children go to the manager's deferred-free list.
class CContainerUI : public CControlUI {
public:
    const char* GetClass() const override { return "Container"; }

    int GetCount() const { return static_cast<int>(m_items.size()); }
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(CControlUI* control) const;
    bool SetItemIndex(CControlUI* control, int index);
    // Add/AddAt take ownership (also on failure: the control is then freed).
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    virtual bool Remove(CControlUI* control);
    virtual bool RemoveAt(int index);
    virtual void RemoveAll();
    // Detaches a child without freeing it; the caller takes ownership.
    std::unique_ptr<CControlUI> Detach(CControlUI* control);

    const RECT& GetInset() const { return m_rcInset; }
    void SetInset(RECT rc) { m_rcInset = rc; NeedUpdate(); }
    int GetChildPadding() const { return m_iChildPadding; }
    void SetChildPadding(int p) { m_iChildPadding = p; NeedUpdate(); }
    void SetMouseChildEnabled(bool e) { m_bMouseChildEnabled = e; }
    bool IsMouseChildEnabled() const { return m_bMouseChildEnabled; }

    // Vertical scrolling, enabled by "vscrollbar".
    bool IsVScrollEnabled() const { return m_bVScroll; }
    int GetScrollPos() const { return m_scrollY; }
    int GetScrollRange() const { return m_scrollRange; }
    void SetScrollPos(int y);
    void EnsureVisible(CControlUI* child);

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetEnabled(bool enabled = true) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    CControlUI* FindControlAt(POINT pt) override;
    void ForEachImpl(const std::function<void(CControlUI*)>& fn) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(CRenderContext& ctx, const RECT& rcPaint) override;

protected:
    RECT ContentRect() const;  // item rect minus inset (and the scrollbar when shown)
    void SetFloatPos(CControlUI* child);
    void PlaceChildren(const RECT& rc);  // lays out children; base: each fills rc
    virtual void LayoutChildren(const RECT& content);
    void FinishScroll(int contentHeight, const RECT& content);

    std::vector<std::unique_ptr<CControlUI>> m_items;
    RECT m_rcInset{};
    int m_iChildPadding = 0;
    bool m_bMouseChildEnabled = true;
    bool m_bVScroll = false;
    int m_scrollY = 0;
    int m_scrollRange = 0;
};

}  // namespace DuiLib
