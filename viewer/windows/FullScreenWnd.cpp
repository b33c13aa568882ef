#include "FullScreenWnd.h"

#include <memory>

#include "KelvoPlayer.h"
#include "WallSurfaceUI.h"

namespace kelvo {

using namespace DuiLib;

namespace {
constexpr UINT kToggleMessage = WM_USER + 0x71;
}

FullScreenWnd::~FullScreenWnd() { Shut(); }

bool FullScreenWnd::Open(HWND owner, int x, int y, int w, int h) {
    if (GetHWND()) return true;
    if (!Create(owner, "KelvoPlayer", WS_POPUP, WS_EX_TOPMOST, x, y, w, h)) return false;
    ShowWindow(true, true);
    return true;
}

void FullScreenWnd::Shut() {
    if (GetHWND()) DestroyWindow(GetHWND());
}

bool FullScreenWnd::PostToggle() { return GetHWND() && PostMessage(kToggleMessage); }

LRESULT FullScreenWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_CREATE: {
        m_pm.Init(GetHWND());
        m_pm.SetWindowBkColor(0xFF000000);
        m_pm.AttachDialog(std::make_unique<WallSurfaceUI>(m_wall, true).release());
        return 0;
    }
    case WM_DESTROY:
        m_pm.ReleaseRoot();
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            PostToggle();
            return 0;
        }
        break;
    case WM_SYSKEYDOWN:
        // Alt+F4 and the window manager's close leave full screen; the program goes on.
        if (wParam == VK_F4) {
            PostToggle();
            return 0;
        }
        break;
    case kToggleMessage:
        if (m_wall->IsFullScreen()) m_wall->ToggleFullScreen();  // may destroy this window: last
        return 0;
    default:
        break;
    }
    LRESULT lRes = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace kelvo
