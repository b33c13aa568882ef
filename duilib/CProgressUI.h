// A value bar; the slider adds a draggable thumb.
#pragma once

#include "CLabelUI.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
public:
    const char* GetClass() const override { return "Progress"; }
    int GetMinValue() const { return m_nMin; }
    int GetMaxValue() const { return m_nMax; }
    void SetMinValue(int v) { m_nMin = v; Invalidate(); }
    void SetMaxValue(int v) { m_nMax = v; Invalidate(); }
    int GetValue() const { return m_nValue; }
    void SetValue(int v);
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void PaintStatusImage(CRenderContext& ctx) override;

protected:
    int m_nMin = 0, m_nMax = 100, m_nValue = 0;
    bool m_bHorizontal = true;
    CDuiString m_sForeImage;
    DWORD m_dwForeColor = 0xFF386382;
    DWORD m_dwTrackColor = 0xFF2E3842;
};

class CSliderUI : public CProgressUI {
public:
    const char* GetClass() const override { return "Slider"; }
    bool IsTabStop() const override { return m_bKeyboardEnabled; }
    bool WantsMouse() const override { return true; }
    void SetChangeStep(int step) { m_nStep = step; }
    RECT GetThumbRect() const;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(CRenderContext& ctx) override;

protected:
    int ValueAt(POINT pt) const;
    void ChangeByUser(int v);
    SIZE m_szThumb{12, 12};
    int m_nStep = 1;
    CDuiString m_sThumbImage, m_sThumbHotImage, m_sThumbPushedImage;
};

}  // namespace DuiLib
