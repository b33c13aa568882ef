// A vertical, scrollable list of selectable items.
#pragma once

#include "CVerticalLayoutUI.h"

namespace DuiLib {

class CListUI;

// Looks shared by every item of a list, set through the list's item* attributes.
struct TListInfoUI {
    int nFont = -1;
    UINT uTextStyle = DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    RECT rcTextPadding{8, 0, 8, 0};
    DWORD dwTextColor = 0, dwBkColor = 0;
    DWORD dwSelectedTextColor = 0, dwSelectedBkColor = 0xFF386382;
    DWORD dwHotTextColor = 0, dwHotBkColor = 0xFF242C34;
    DWORD dwDisabledTextColor = 0xFF56616D;
    DWORD dwLineColor = 0;
    int nItemHeight = 0;
};

// Implemented by list items; owner is the list (or combo) that selects them.
class IListItemUI {
public:
    virtual ~IListItemUI() = default;
    virtual int GetIndex() const = 0;
    virtual void SetIndex(int index) = 0;
    virtual CControlUI* GetOwner() const = 0;
    virtual void SetOwner(CControlUI* owner) = 0;
    virtual bool IsSelected() const = 0;
    virtual bool Select(bool select = true) = 0;
    virtual bool IsHot() const = 0;
};

// Implemented by lists and combo boxes.
class IListOwnerUI {
public:
    virtual ~IListOwnerUI() = default;
    virtual TListInfoUI* GetListInfo() = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SelectItem(int index, bool takeFocus = false, bool notify = true) = 0;
    virtual void ItemEvent(CControlUI* item, TEventUI& event) = 0;  // clicks and keys from an item
};

class CListUI : public CVerticalLayoutUI, public IListOwnerUI {
public:
    CListUI();
    const char* GetClass() const override { return "List"; }
    bool IsTabStop() const override { return m_bKeyboardEnabled; }
    bool WantsMouse() const override { return true; }

    TListInfoUI* GetListInfo() override { return &m_listInfo; }
    int GetCurSel() const override { return m_iCurSel; }
    bool SelectItem(int index, bool takeFocus = false, bool notify = true) override;
    void ItemEvent(CControlUI* item, TEventUI& event) override;

    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(TEventUI& event) override;

protected:
    void Reindex();
    int NextSelectable(int from, int step) const;
    TListInfoUI m_listInfo;
    int m_iCurSel = -1;
};

bool ApplyListInfoAttribute(TListInfoUI& info, const std::string& name, const std::string& value);

}  // namespace DuiLib
