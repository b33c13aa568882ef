#include "CCalendarWnd.h"

#include "CDateTimeUI.h"
#include "DateTimeFields.h"
#include "RenderContext.h"

#include <cstdio>

namespace DuiLib {
namespace {

// The popup's only control: draws the month and turns clicks into month changes and picks.
class CCalendarBodyUI : public CControlUI {
public:
    explicit CCalendarBodyUI(CCalendarWnd* wnd) : m_wnd(wnd) {}
    const char* GetClass() const override { return "CalendarBody"; }
    void Detach() { m_wnd = nullptr; }

    RECT PrevRect() const { return MakeRect(m_rcItem.left + 1, m_rcItem.top + 1, m_rcItem.left + 1 + CCalendarWnd::kCell, m_rcItem.top + 1 + CCalendarWnd::kTitle); }
    RECT NextRect() const { return MakeRect(m_rcItem.right - 1 - CCalendarWnd::kCell, m_rcItem.top + 1, m_rcItem.right - 1, m_rcItem.top + 1 + CCalendarWnd::kTitle); }
    RECT CellRect(int index) const {
        int left = m_rcItem.left + 1 + (index % 7) * CCalendarWnd::kCell;
        int top = m_rcItem.top + 1 + CCalendarWnd::kTitle + CCalendarWnd::kWeekdays + (index / 7) * CCalendarWnd::kRow;
        return MakeRect(left, top, left + CCalendarWnd::kCell, top + CCalendarWnd::kRow);
    }
    int CellAt(POINT pt) const {
        for (int i = 0; i < 42; ++i)
            if (CellRect(i).Contains(pt)) return i;
        return -1;
    }

    void DoEvent(TEventUI& event) override {
        if (!m_wnd) return;
        switch (event.Type) {
        case UIEVENT_MOUSEMOVE: {
            int hot = CellAt(event.ptMouse);
            if (hot != m_hot) { m_hot = hot; Invalidate(); }
            return;
        }
        case UIEVENT_MOUSELEAVE: m_hot = -1; Invalidate(); return;
        case UIEVENT_SCROLLWHEEL:
            m_wnd->ChangeMonth(static_cast<LPARAM>(event.wParam) > 0 ? -1 : 1);
            return;
        case UIEVENT_BUTTONUP: {
            if (PrevRect().Contains(event.ptMouse)) { m_wnd->ChangeMonth(-1); return; }
            if (NextRect().Contains(event.ptMouse)) { m_wnd->ChangeMonth(1); return; }
            int cell = CellAt(event.ptMouse);
            int day = cell >= 0 ? MonthGridDay(m_wnd->ShownYear(), m_wnd->ShownMonth(), cell) : 0;
            CDateTimeUI* owner = m_wnd->Owner();
            if (day > 0 && owner) owner->PickDate(m_wnd->ShownYear(), m_wnd->ShownMonth(), day);  // closes us
            return;
        }
        default: return;
        }
    }

    void DoPaint(CRenderContext& ctx, const RECT&) override {
        ctx.FillRect(m_rcItem, 0xFF242C34);
        if (m_wnd && m_pManager) {
            const TFontInfo font = m_pManager->GetFontInfo(-1);
            const int year = m_wnd->ShownYear(), month = m_wnd->ShownMonth();
            char title[32];
            std::snprintf(title, sizeof title, "%04d-%02d", year, month);
            RECT titleRc = MakeRect(m_rcItem.left, m_rcItem.top + 1, m_rcItem.right, m_rcItem.top + 1 + CCalendarWnd::kTitle);
            ctx.DrawText(titleRc, title, font, 0xFFEBEBEB, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
            RECT p = PrevRect(), n = NextRect();
            float py = (p.top + p.bottom) / 2.0f, pxc = (p.left + p.right) / 2.0f, nxc = (n.left + n.right) / 2.0f;
            ctx.DrawLine(pxc + 2, py - 4, pxc - 2, py, 1.5f, 0xFF8A97A5);
            ctx.DrawLine(pxc - 2, py, pxc + 2, py + 4, 1.5f, 0xFF8A97A5);
            ctx.DrawLine(nxc - 2, py - 4, nxc + 2, py, 1.5f, 0xFF8A97A5);
            ctx.DrawLine(nxc + 2, py, nxc - 2, py + 4, 1.5f, 0xFF8A97A5);
            static const char* const kNames[7] = {"日", "一", "二", "三", "四", "五", "六"};
            for (int i = 0; i < 7; ++i) {
                RECT c = CellRect(i);
                c.top -= CCalendarWnd::kWeekdays;
                c.bottom = c.top + CCalendarWnd::kWeekdays;
                ctx.DrawText(c, kNames[i], font, 0xFF8A97A5, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
            }
            CDateTimeUI* owner = m_wnd->Owner();
            TDateTime picked = owner ? owner->GetValue() : TDateTime{};
            for (int i = 0; i < 42; ++i) {
                int day = MonthGridDay(year, month, i);
                if (day == 0) continue;
                RECT c = CellRect(i);
                bool selected = picked.year == year && picked.month == month && picked.day == day;
                if (selected) ctx.FillRect(c, 0xFF386382);
                else if (i == m_hot) ctx.FillRect(c, 0xFF2E3842);
                char text[4];
                std::snprintf(text, sizeof text, "%d", day);
                ctx.DrawText(c, text, font, 0xFFEBEBEB, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
            }
        }
        ctx.DrawBorder(m_rcItem, 1, 0xFF2E3842);
    }

private:
    CCalendarWnd* m_wnd;
    int m_hot = -1;
};

}  // namespace

CCalendarWnd::~CCalendarWnd() {
    if (GetHWND()) DestroyWindow(GetHWND());
}

bool CCalendarWnd::Open() {
    if (!m_owner || !m_owner->GetManager()) return false;
    HWND ownerWnd = m_owner->GetManager()->GetPaintWindow();
    RECT rc = m_owner->GetPos();
    POINT pt{rc.left, rc.bottom + 1};
    ClientToScreen(ownerWnd, pt);
    if (!Create(ownerWnd, "", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, pt.x, pt.y, kWidth, kHeight)) return false;
    m_pm.Init(GetHWND());
    m_pm.SetInitSize(kWidth, kHeight);
    m_pm.AttachDialog(new CCalendarBodyUI(this));
    ShowWindow(true, false);
    return true;
}

void CCalendarWnd::ShowMonth(int year, int month) {
    TDateTime v;
    v.year = year;
    v.month = month;
    v = ClampDateTime(v);
    if (v.year == m_year && v.month == m_month) return;
    m_year = v.year;
    m_month = v.month;
    if (GetHWND()) m_pm.Invalidate();
}

void CCalendarWnd::ChangeMonth(int delta) {
    TDateTime v;
    v.year = m_year;
    v.month = m_month;
    v = AddMonths(v, delta);
    ShowMonth(v.year, v.month);
}

LRESULT CCalendarWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_KILLFOCUS:
        Close(0);  // dismissed: a press elsewhere or the focus went to another program
        return 0;
    case WM_DESTROY:
        if (auto* body = dynamic_cast<CCalendarBodyUI*>(m_pm.GetRoot())) body->Detach();
        m_pm.ReleaseRoot();
        if (m_owner) m_owner->Invalidate();
        return 0;
    default: break;
    }
    LRESULT lRes = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
