// A busy indicator: twelve dots chasing round, driven by a control timer.
#pragma once

#include "CControlUI.h"

namespace DuiLib {

class CSpinnerUI : public CControlUI {
public:
    const char* GetClass() const override { return "Spinner"; }
    int GetPhase() const { return m_phase; }
    void DoInit() override;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(CRenderContext& ctx) override;

private:
    DWORD m_color = 0xFF4C9BE8;
    UINT m_interval = 80;
    int m_phase = 0;
};

}  // namespace DuiLib
