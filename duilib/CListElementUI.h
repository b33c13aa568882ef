// List items: a text line, and a container row (base of tree nodes and menu items).
#pragma once

#include "CLabelUI.h"
#include "CListUI.h"
#include "CVerticalLayoutUI.h"

namespace DuiLib {

// Shared state and behaviour of both item kinds.
class CListItemState {
public:
    int index = -1;
    CControlUI* owner = nullptr;  // borrowed: the owning list or combo
    bool selected = false;
    bool hot = false;
    IListOwnerUI* Owner() const { return dynamic_cast<IListOwnerUI*>(owner); }
};

class CListLabelElementUI : public CLabelUI, public IListItemUI {
public:
    const char* GetClass() const override { return "ListLabelElement"; }
    int GetIndex() const override { return m_state.index; }
    void SetIndex(int index) override { m_state.index = index; }
    CControlUI* GetOwner() const override { return m_state.owner; }
    void SetOwner(CControlUI* owner) override { m_state.owner = owner; }
    bool IsSelected() const override { return m_state.selected; }
    bool Select(bool select = true) override;
    bool IsHot() const override { return m_state.hot; }

    SIZE EstimateSize(SIZE available) override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(CRenderContext& ctx) override;
    void PaintText(CRenderContext& ctx) override;
    // Paints with explicit hot state: the combo's drop-down draws items in its own window.
    void PaintAsItem(CRenderContext& ctx, bool hot);

protected:
    CListItemState m_state;
};

class CListContainerElementUI : public CHorizontalLayoutUI, public IListItemUI {
public:
    const char* GetClass() const override { return "ListContainerElement"; }
    int GetIndex() const override { return m_state.index; }
    void SetIndex(int index) override { m_state.index = index; }
    CControlUI* GetOwner() const override { return m_state.owner; }
    void SetOwner(CControlUI* owner) override { m_state.owner = owner; }
    bool IsSelected() const override { return m_state.selected; }
    bool Select(bool select = true) override;
    bool IsHot() const override { return m_state.hot; }

    SIZE EstimateSize(SIZE available) override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(CRenderContext& ctx) override;

protected:
    CListItemState m_state;
};

}  // namespace DuiLib
