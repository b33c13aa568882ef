// A push button with per-state images and colours; "click" on release inside.
#pragma once

#include "CLabelUI.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
public:
    CButtonUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }
    const char* GetClass() const override { return "Button"; }
    bool IsTabStop() const override { return m_bKeyboardEnabled; }
    bool WantsMouse() const override { return true; }

    // Runs the click: "click" first, then any state change of subclasses.
    virtual bool Activate();
    void SetNormalImage(const char* s) { m_sNormalImage = s; Invalidate(); }
    void SetHotImage(const char* s) { m_sHotImage = s; Invalidate(); }
    void SetPushedImage(const char* s) { m_sPushedImage = s; Invalidate(); }

    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(CRenderContext& ctx) override;
    void PaintStatusImage(CRenderContext& ctx) override;
    void PaintText(CRenderContext& ctx) override;

protected:
    CDuiString m_sNormalImage, m_sHotImage, m_sPushedImage, m_sFocusedImage, m_sDisabledImage, m_sForeImage, m_sHotForeImage;
    DWORD m_dwHotBkColor = 0, m_dwPushedBkColor = 0, m_dwDisabledBkColor = 0;
    DWORD m_dwHotTextColor = 0, m_dwPushedTextColor = 0, m_dwFocusedTextColor = 0;
};

}  // namespace DuiLib
