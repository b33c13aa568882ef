#include "CSpinnerUI.h"

#include "CPaintManagerUI.h"
#include "ImageCache.h"
#include "RenderContext.h"

#include <algorithm>
#include <cmath>

namespace DuiLib {
namespace {
constexpr int kDots = 12;
constexpr UINT kTimerId = 1;
}

void CSpinnerUI::DoInit() {
    if (m_pManager) m_pManager->SetTimer(this, kTimerId, m_interval);
}

bool CSpinnerUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (n == "color") m_color = ParseColor(v.c_str());
    else if (n == "interval") m_interval = static_cast<UINT>(std::max(16, std::atoi(v.c_str())));
    else return CControlUI::ApplyAttribute(n, v);
    return true;
}

void CSpinnerUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_TIMER && event.wParam == kTimerId) {
        m_phase = (m_phase + 1) % kDots;
        if (IsVisible()) Invalidate();
        return;
    }
    CControlUI::DoEvent(event);
}

void CSpinnerUI::PaintStatusImage(CRenderContext& ctx) {
    float cx = (m_rcItem.left + m_rcItem.right) / 2.0f;
    float cy = (m_rcItem.top + m_rcItem.bottom) / 2.0f;
    float radius = std::min(m_rcItem.Width(), m_rcItem.Height()) / 2.0f;
    float dot = std::max(1.5f, radius * 0.13f);
    for (int i = 0; i < kDots; ++i) {
        int age = (m_phase - i + kDots) % kDots;  // 0 = the head
        float a = static_cast<float>(i) * 6.2831853f / kDots - 1.5707963f;
        DWORD alpha = static_cast<DWORD>(255 - age * 200 / kDots);
        DWORD c = (m_color & 0x00FFFFFF) | (alpha << 24);
        ctx.FillCircle(cx + (radius - dot) * std::cos(a), cy + (radius - dot) * std::sin(a), dot, c);
    }
}

}  // namespace DuiLib
