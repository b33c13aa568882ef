#include "WaitView.h"

namespace kelvo {
using namespace DuiLib;

LRESULT WaitView::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_SYSKEYDOWN && wParam == VK_F4) return 0;  // only its owner closes the overlay
    return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

void WaitView::InitWindow() { m_txtInfo = dynamic_cast<CLabelUI*>(m_pm.FindControl("txtInfo")); }

void WaitView::SetText(const char* text) {
    if (text && m_txtInfo) m_txtInfo->SetText(text);
}

bool WaitView::ResponseDefaultKeyEvent(WPARAM) { return true; }  // neither Enter nor Escape closes it

LRESULT WaitView::OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    m_txtInfo = nullptr;
    return WindowImplBase::OnDestroy(uMsg, wParam, lParam, bHandled);
}

}  // namespace kelvo
