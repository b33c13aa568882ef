// Shows one child at a time.
#pragma once

#include "CContainerUI.h"

namespace DuiLib {

class CTabLayoutUI : public CContainerUI {
public:
    const char* GetClass() const override { return "TabLayout"; }
    int GetCurSel() const { return m_iCurSel; }
    bool SelectItem(int index);
    bool SelectItem(CControlUI* control) { return SelectItem(GetItemIndex(control)); }
    bool AddAt(CControlUI* control, int index) override;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoInit() override;

protected:
    void LayoutChildren(const RECT& content) override;
    int m_iCurSel = 0;
};

}  // namespace DuiLib
