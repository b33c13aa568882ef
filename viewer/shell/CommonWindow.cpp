#include "CommonWindow.h"

#include "CMenuWnd.h"
#include "MsgBoxView.h"

#include <memory>

namespace kelvo {
using namespace DuiLib;

int CommonWindow::ShowMessage(const char* text, const char* title, bool showCancel) {
    MsgBoxView box;
    if (!box.Create(GetHWND(), "", WS_POPUPWINDOW, 0, 0, 0, 0, 0)) return 0;
    CPaintManagerUI& pm = box.GetPaintManager();
    // A skin lacking a part still works: that part is skipped.
    if (auto* info = dynamic_cast<CLabelUI*>(pm.FindControl("labelInfo"))) {
        info->SetTextStyle((info->GetTextStyle() & ~DT_CENTER) | DT_WORDBREAK);
        info->SetText(text ? text : "");
    }
    if (title) {
        if (auto* cap = dynamic_cast<CLabelUI*>(pm.FindControl("labelTitle"))) cap->SetText(title);
    }
    CControlUI* ok = pm.FindControl("btnOK");
    CControlUI* cancel = pm.FindControl("btnCanel");
    if (ok) ok->SetVisible(true);
    if (cancel) cancel->SetVisible(showCancel);
    bool okShown = ok && ok->IsVisibleSelf();
    bool cancelShown = cancel && cancel->IsVisibleSelf();
    if (okShown != cancelShown) (okShown ? ok : cancel)->SetAttribute("pos", "60,3,0,0");
    box.CenterWindow();
    return static_cast<int>(box.ShowModal());
}

void CommonWindow::ShowWait(const char* text) {
    // Re-creating the overlay replaces its old window at once (no second overlay lingers).
    if (IsWindow(m_wait.GetHWND())) DestroyWindow(m_wait.GetHWND());
    RECT rc;
    if (!GetWindowRect(GetHWND(), rc)) return;
    if (!m_wait.Create(GetHWND(), "", UI_WNDSTYLE_DIALOG, 0, rc.left, rc.top, rc.Width(), rc.Height())) return;
    m_wait.SetText(text);
    MoveWindow(m_wait.GetHWND(), rc.left, rc.top, rc.Width(), rc.Height());
    m_wait.ShowWindow(true, true);
}

void CommonWindow::SetWaitText(const char* text) { m_wait.SetText(text); }

CMenuWnd* CommonWindow::ShowMenu(const char* skinFile, int x, int y) {
    auto menu = std::make_unique<CMenuWnd>(GetHWND());
    POINT pt{x, y};
    ClientToScreen(GetHWND(), pt);
    // The menu's images are looked up under the current resource path.
    CPaintManagerUI::SetResourcePath((CPaintManagerUI::GetInstancePath() + GetSkinFolder()).GetData());
    if (!menu->Init(nullptr, skinFile, pt)) return nullptr;
    return menu.release();  // deletes itself when its window is destroyed
}

}  // namespace kelvo
