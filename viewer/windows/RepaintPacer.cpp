#include "RepaintPacer.h"

namespace kelvo {

using namespace DuiLib;

namespace {
constexpr UINT_PTR kTimerId = 1;
}

RepaintPacer::RepaintPacer(std::function<void()> fire, int periodMs)
    : m_fire(std::move(fire)), m_period(periodMs) {}

RepaintPacer::~RepaintPacer() {
    if (GetHWND()) DestroyWindow(GetHWND());
}

void RepaintPacer::Fire() {
    m_last = std::chrono::steady_clock::now();
    ++m_fired;
    if (m_fire) m_fire();
}

void RepaintPacer::Request() {
    if (m_pending) return;
    const auto since = std::chrono::steady_clock::now() - m_last;
    if (since >= m_period) {
        Fire();
        return;
    }
    if (!GetHWND() && !m_windowTried) {
        m_windowTried = true;
        Create(nullptr, "", WS_POPUP, 0, 0, 0, 1, 1);
    }
    if (!GetHWND()) {  // no timer to wait on: repaint at once rather than never
        Fire();
        return;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(m_period - since).count();
    SetTimer(GetHWND(), kTimerId, static_cast<UINT>(wait > 0 ? wait : 1));
    m_pending = true;
}

LRESULT RepaintPacer::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_TIMER && wParam == kTimerId) {
        KillTimer(GetHWND(), kTimerId);
        m_pending = false;
        Fire();
        return 0;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace kelvo
