// A drop-down list: shows the selected item; its items are drawn in a popup window.
#pragma once

#include "CContainerUI.h"
#include "CListUI.h"

#include <memory>

namespace DuiLib {

class CComboWnd;

// Thread: UI. Owns its items (list label elements) and its drop-down window object.
class CComboUI : public CContainerUI, public IListOwnerUI {
public:
    CComboUI();
    ~CComboUI() override;
    const char* GetClass() const override { return "Combo"; }
    bool IsTabStop() const override { return m_bKeyboardEnabled; }
    bool WantsMouse() const override { return true; }

    TListInfoUI* GetListInfo() override { return &m_listInfo; }
    int GetCurSel() const override { return m_iCurSel; }
    bool SelectItem(int index, bool takeFocus = false, bool notify = true) override;
    void ItemEvent(CControlUI* item, TEventUI& event) override;
    CDuiString GetText() const override;

    bool Activate();       // opens the drop-down
    void CloseDropDown();
    bool IsDropped() const;
    SIZE GetDropBoxSize() const { return m_szDropBox; }
    bool IsDropBoxRightAligned() const { return m_bDropRight; }

    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    CControlUI* FindControlAt(POINT pt) override;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(CRenderContext& ctx, const RECT& rcPaint) override;
    void PaintStatusImage(CRenderContext& ctx) override;
    void PaintText(CRenderContext& ctx) override;

protected:
    void LayoutChildren(const RECT& content) override;
    void Reindex();

    TListInfoUI m_listInfo;
    int m_iCurSel = -1;
    SIZE m_szDropBox{0, 150};
    bool m_bDropRight = false;
    bool m_bShowText = true;
    RECT m_rcTextPadding{8, 0, 24, 0};
    int m_iFont = -1;
    DWORD m_dwTextColor = 0;
    CDuiString m_sNormalImage, m_sHotImage, m_sPushedImage, m_sFocusedImage, m_sDisabledImage;
    std::unique_ptr<CComboWnd> m_dropWnd;
};

}  // namespace DuiLib
