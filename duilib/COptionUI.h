// A selectable button: radio-like within a group, or a check box without one.
#pragma once

#include "CButtonUI.h"

namespace DuiLib {

class COptionUI : public CButtonUI {
public:
    const char* GetClass() const override { return "Option"; }
    bool IsSelected() const { return m_bSelected; }
    // Changes the state; raises "selectchanged" when notify and the state changed.
    virtual void Selected(bool selected, bool notify = true);
    const CDuiString& GetGroup() const { return m_sGroup; }
    void SetGroup(const char* group);

    bool Activate() override;  // "click" first (handlers read the old state), then the change
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void PaintBkColor(CRenderContext& ctx) override;
    void PaintStatusImage(CRenderContext& ctx) override;
    void PaintText(CRenderContext& ctx) override;

protected:
    bool m_bSelected = false;
    CDuiString m_sGroup;
    CDuiString m_sSelectedImage, m_sSelectedHotImage;
    DWORD m_dwSelectedBkColor = 0, m_dwSelectedTextColor = 0;
};

class CCheckBoxUI : public COptionUI {
public:
    const char* GetClass() const override { return "CheckBox"; }
    bool GetCheck() const { return IsSelected(); }
    void SetCheck(bool check, bool notify = true) { Selected(check, notify); }
};

}  // namespace DuiLib
