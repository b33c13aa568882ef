#include "MpuSelectView.h"

#include "MpuStyleTable.h"
#include "ViewerMessages.h"

#include <memory>

namespace kelvo {
using namespace DuiLib;

HWND MpuSelectView::Open(HWND owner, int x, int y) {
    // The point is the owner's client coordinates; the chooser has no parent, so it is placed on
    // the screen (the owner's window does not start at the screen's origin here).
    POINT pt{x, y};
    if (owner) ClientToScreen(owner, pt);
    std::unique_ptr<MpuSelectView> view(new MpuSelectView(owner, pt.x, pt.y));
    HWND hwnd = view->Create(nullptr, "MpuSelectView", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT);
    if (!hwnd) return nullptr;
    view->m_selfOwned = true;
    view.release()->ShowWindow(true, true);
    return hwnd;
}

void MpuSelectView::InitWindow() {
    SIZE sz = m_pm.GetInitSize();
    MoveWindow(GetHWND(), m_x, m_y, sz.cx, sz.cy);
}

void MpuSelectView::OnClick(TNotifyUI& msg) {
    if (msg.pSender) {
        if (const MpuStyle* style = FindMpuStyleByButton(msg.pSender->GetName().GetData()))
            DuiLib::PostMessage(m_owner, WM_MPU_STYLE, static_cast<WPARAM>(style->id), 0);
    }
    // Any click ends the chooser, a layout chosen or not.
    Close(1);
    CommonWindow::OnClick(msg);
}

LRESULT MpuSelectView::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    if (uMsg == WM_KILLFOCUS) {
        bHandled = true;
        return OnKillFocus();
    }
    return CommonWindow::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

LRESULT MpuSelectView::OnKillFocus() {
    Close(1);
    return 0;
}

void MpuSelectView::OnFinalMessage(HWND hWnd) {
    CommonWindow::OnFinalMessage(hWnd);
    if (m_selfOwned) delete this;  // the one place the chooser ends its own life
}

}  // namespace kelvo
