#include "MsgBoxView.h"

namespace kelvo {
using namespace DuiLib;

LRESULT MsgBoxView::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    // Alt+F4 (and so the window manager's close) must not dismiss a question unanswered.
    if (uMsg == WM_SYSKEYDOWN && wParam == VK_F4) return 0;
    return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

void MsgBoxView::OnClick(TNotifyUI& msg) {
    const CDuiString& name = msg.pSender->GetName();
    if (name == "btnOK") Close(1);
    else if (name == "btnCanel") Close(2);
    else WindowImplBase::OnClick(msg);
}

}  // namespace kelvo
