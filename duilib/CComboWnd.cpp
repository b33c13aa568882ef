#include "CComboWnd.h"

#include "CComboUI.h"
#include "CListElementUI.h"
#include "RenderContext.h"

#include <algorithm>

namespace DuiLib {
namespace {

// The drop-down's only control: draws and hit-tests the combo's items in popup coordinates.
class CComboBodyUI : public CControlUI {
public:
    CComboBodyUI(CComboWnd* wnd, CComboUI* combo) : m_wnd(wnd), m_combo(combo) {}
    const char* GetClass() const override { return "ComboBody"; }
    void Detach() { m_combo = nullptr; }

    int ItemHeight() const {
        if (!m_combo || m_combo->GetCount() == 0) return 24;
        return std::max(1, m_combo->GetItemAt(0)->EstimateSize(SIZE{0, 0}).cy);
    }
    int ItemAt(POINT pt) const {
        if (!m_combo || !m_rcItem.Contains(pt)) return -1;
        int idx = (pt.y - m_rcItem.top - 1 + m_scroll) / ItemHeight();
        return idx < m_combo->GetCount() ? idx : -1;
    }
    void DoEvent(TEventUI& event) override {
        if (!m_combo) return;
        switch (event.Type) {
        case UIEVENT_MOUSEMOVE: {
            int hot = ItemAt(event.ptMouse);
            if (hot != m_hot) { m_hot = hot; Invalidate(); }
            return;
        }
        case UIEVENT_MOUSELEAVE: m_hot = -1; Invalidate(); return;
        case UIEVENT_BUTTONUP: {
            int idx = ItemAt(event.ptMouse);
            if (idx >= 0 && m_combo->GetItemAt(idx)->IsEnabled()) m_wnd->ItemChosen(idx);
            return;
        }
        case UIEVENT_SCROLLWHEEL: {
            int total = m_combo->GetCount() * ItemHeight() - (m_rcItem.Height() - 2);
            m_scroll = std::clamp(m_scroll - static_cast<int>(static_cast<LPARAM>(event.wParam)) * ItemHeight(), 0, std::max(0, total));
            Invalidate();
            return;
        }
        default: return;
        }
    }
    void DoPaint(CRenderContext& ctx, const RECT&) override {
        ctx.FillRect(m_rcItem, 0xFF242C34);
        if (m_combo) {
            int h = ItemHeight();
            RECT inner = MakeRect(m_rcItem.left + 1, m_rcItem.top + 1, m_rcItem.right - 1, m_rcItem.bottom - 1);
            ctx.PushClip(inner);
            for (int i = 0; i < m_combo->GetCount(); ++i) {
                int top = inner.top + i * h - m_scroll;
                if (top + h < inner.top || top > inner.bottom) continue;
                CControlUI* item = m_combo->GetItemAt(i);
                item->SetPos(MakeRect(inner.left, top, inner.right, top + h), false);
                if (auto* label = dynamic_cast<CListLabelElementUI*>(item)) label->PaintAsItem(ctx, i == m_hot);
                else item->DoPaint(ctx, inner);
            }
            ctx.PopClip();
        }
        ctx.DrawBorder(m_rcItem, 1, 0xFF2E3842);
    }

private:
    CComboWnd* m_wnd;
    CComboUI* m_combo;
    int m_hot = -1;
    int m_scroll = 0;
};

}  // namespace

CComboWnd::~CComboWnd() { m_pm.RemoveNotifier(this); }

void CComboWnd::Open() {
    CPaintManagerUI* ownerPm = m_owner->GetManager();
    HWND ownerWnd = ownerPm->GetPaintWindow();
    RECT rc = m_owner->GetPos();
    int itemH = m_owner->GetCount() > 0 ? std::max(1, m_owner->GetItemAt(0)->EstimateSize(SIZE{0, 0}).cy) : 24;
    SIZE box = m_owner->GetDropBoxSize();
    int width = box.cx > 0 ? box.cx : rc.Width();
    int height = std::min(m_owner->GetCount() * itemH + 2, box.cy > 0 ? box.cy : 150);
    POINT pt{m_owner->IsDropBoxRightAligned() ? rc.right - width : rc.left, rc.bottom + 1};
    ClientToScreen(ownerWnd, pt);
    if (!Create(ownerWnd, "", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, pt.x, pt.y, width, height)) return;
    m_pm.Init(GetHWND());
    m_pm.SetInitSize(width, height);
    m_pm.AttachDialog(new CComboBodyUI(this, m_owner));
    m_pm.AddNotifier(this);
    ShowWindow(true, false);
}

void CComboWnd::Notify(TNotifyUI&) {}

void CComboWnd::ItemChosen(int index) {
    CComboUI* owner = m_owner;
    Close(0);
    if (owner) owner->SelectItem(index, false, true);
}

LRESULT CComboWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_KILLFOCUS:
        Close(0);  // dismissed: a press elsewhere or the focus went to another window
        return 0;
    case WM_DESTROY:
        if (auto* body = dynamic_cast<CComboBodyUI*>(m_pm.GetRoot())) body->Detach();
        m_pm.RemoveNotifier(this);
        m_pm.ReleaseRoot();
        return 0;
    default: break;
    }
    LRESULT lRes = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
