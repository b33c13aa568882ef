// Static text. Texts are GBK and drawn as plain text (no markup, no control bytes).
#pragma once

#include "CControlUI.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    const char* GetClass() const override { return "Label"; }

    UINT GetTextStyle() const { return m_uTextStyle; }
    void SetTextStyle(UINT style) { m_uTextStyle = style; Invalidate(); }
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD c) { m_dwTextColor = c; Invalidate(); }
    void SetDisabledTextColor(DWORD c) { m_dwDisabledTextColor = c; Invalidate(); }
    int GetFont() const { return m_iFont; }
    void SetFont(int id) { m_iFont = id; Invalidate(); }
    const RECT& GetTextPadding() const { return m_rcTextPadding; }
    void SetTextPadding(RECT rc) { m_rcTextPadding = rc; Invalidate(); }
    bool IsShowHtml() const { return false; }

    SIZE EstimateSize(SIZE available) override;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void PaintText(CRenderContext& ctx) override;

protected:
    void PaintTextColor(CRenderContext& ctx, DWORD color);
    RECT TextRect() const;

    UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
    DWORD m_dwTextColor = 0;
    DWORD m_dwDisabledTextColor = 0;
    int m_iFont = -1;
    RECT m_rcTextPadding{};
    bool m_bAutoCalcWidth = false;
};

class CTextUI : public CLabelUI {
public:
    CTextUI() { m_uTextStyle = DT_WORDBREAK; }
    const char* GetClass() const override { return "Text"; }
};

}  // namespace DuiLib
