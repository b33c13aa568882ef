#include "CDateTimeUI.h"

#include "CCalendarWnd.h"
#include "CPaintManagerUI.h"
#include "RenderContext.h"

#include <cstdio>
#include <strings.h>

namespace DuiLib {
namespace {
constexpr int kButtonWidth = 20;
}

CDateTimeUI::CDateTimeUI() {
    m_dwBackColor = 0xFF242C34;
    m_dwBorderColor = 0xFF2E3842;
    m_dwFocusBorderColor = 0xFF4C9BE8;
    m_nBorderSize = 1;
    m_rcTextPadding = MakeRect(6, 0, 2, 0);
}

CDateTimeUI::~CDateTimeUI() {
    if (m_calendar) {
        m_calendar->Detach();
        if (m_calendar->GetHWND()) DestroyWindow(m_calendar->GetHWND());
    }
}

void CDateTimeUI::SetMode(DateTimeMode mode) {
    if (mode == m_editor.Mode()) return;
    if (mode == DateTimeMode::Time) CloseCalendar();
    m_editor.SetMode(mode);
    m_fieldsLaid = false;
    Invalidate();
}

void CDateTimeUI::SetValue(const TDateTime& v) {
    m_editor.SetValue(v);
    SyncCalendar();
    Invalidate();
}

CDuiString CDateTimeUI::GetDateText() const {
    const TDateTime& v = m_editor.Value();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4d%.2d%.2d", v.year, v.month, v.day);
    return buf;
}

CDuiString CDateTimeUI::GetTimeText() const {
    const TDateTime& v = m_editor.Value();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2d%.2d%.2d", v.hour, v.minute, v.second);
    return buf;
}

CDuiString CDateTimeUI::GetText() const { return m_editor.Text().c_str(); }

bool CDateTimeUI::HandleTab(bool forward) {
    bool moved = forward ? m_editor.NextField() : m_editor.PrevField();
    if (moved) Invalidate();
    return moved;
}

bool CDateTimeUI::IsCalendarOpen() const { return m_calendar && m_calendar->GetHWND(); }

bool CDateTimeUI::OpenCalendar() {
    if (m_editor.Mode() != DateTimeMode::Date || !m_pManager || !Activate()) return false;
    if (IsCalendarOpen()) return true;
    if (!m_calendar) m_calendar = std::make_unique<CCalendarWnd>(this);
    m_calendar->ShowMonth(m_editor.Value().year, m_editor.Value().month);
    Notify(DUI_MSGTYPE_DROPDOWN);
    return m_calendar->Open();
}

void CDateTimeUI::CloseCalendar() {
    if (IsCalendarOpen()) m_calendar->Close(0);
}

void CDateTimeUI::SyncCalendar() {
    if (IsCalendarOpen()) m_calendar->ShowMonth(m_editor.Value().year, m_editor.Value().month);
}

void CDateTimeUI::PickDate(int year, int month, int day) {
    TDateTime before = m_editor.Value();
    TDateTime v = before;
    v.year = year;
    v.month = month;
    v.day = day;
    m_editor.SetValue(v);
    CloseCalendar();
    UserChanged(before);
}

void CDateTimeUI::UserChanged(const TDateTime& before) {
    SyncCalendar();
    Invalidate();
    if (m_editor.Value() != before) Notify(DUI_MSGTYPE_VALUECHANGED);
}

RECT CDateTimeUI::ButtonRect() const {
    return MakeRect(m_rcItem.right - kButtonWidth, m_rcItem.top, m_rcItem.right, m_rcItem.bottom);
}

int CDateTimeUI::FieldAt(POINT pt) const {
    if (!m_fieldsLaid) return -1;
    int best = -1, bestDist = 1 << 30;
    for (int i = 0; i < DateTimeFieldEditor::kFieldCount; ++i) {
        const RECT& r = m_fieldRects[i];
        if (pt.x >= r.left && pt.x < r.right) return i;
        int d = pt.x < r.left ? r.left - pt.x : pt.x - r.right + 1;
        if (d < bestDist) { bestDist = d; best = i; }
    }
    return best;  // a click on a separator picks the nearest field
}

bool CDateTimeUI::ApplyAttribute(const std::string& n, const std::string& v) {
    if (strcasecmp(n.c_str(), "type") == 0) {
        if (strcasecmp(v.c_str(), "date") == 0) { SetMode(DateTimeMode::Date); return true; }
        if (strcasecmp(v.c_str(), "time") == 0) { SetMode(DateTimeMode::Time); return true; }
    }
    if (n == "fieldbkcolor") { m_dwFieldBkColor = ParseColor(v.c_str()); return true; }
    if (n == "buttoncolor") { m_dwButtonColor = ParseColor(v.c_str()); return true; }
    return CLabelUI::ApplyAttribute(n, v);
}

bool CDateTimeUI::HandleKey(const TEventUI& event) {
    TDateTime before = m_editor.Value();
    const bool alt = (event.wKeyState & MK_ALT) != 0;
    const bool date = m_editor.Mode() == DateTimeMode::Date;
    if (date && IsCalendarOpen()) {
        // The calendar follows the keys as a month view does.
        switch (event.chKey) {
        case VK_LEFT: m_editor.SetValue(AddDays(before, -1)); break;
        case VK_RIGHT: m_editor.SetValue(AddDays(before, 1)); break;
        case VK_UP: if (alt) { CloseCalendar(); return true; } m_editor.SetValue(AddDays(before, -7)); break;
        case VK_DOWN: m_editor.SetValue(AddDays(before, 7)); break;
        case VK_PRIOR: m_editor.SetValue(AddMonths(before, -1)); break;
        case VK_NEXT: m_editor.SetValue(AddMonths(before, 1)); break;
        case VK_RETURN: case VK_SPACE: case VK_F4: CloseCalendar(); return true;
        default: return false;
        }
        UserChanged(before);
        return true;
    }
    switch (event.chKey) {
    case VK_LEFT: m_editor.PrevField(); Invalidate(); return true;
    case VK_RIGHT: m_editor.NextField(); Invalidate(); return true;
    case VK_HOME: m_editor.SetField(0); Invalidate(); return true;
    case VK_END: m_editor.SetField(DateTimeFieldEditor::kFieldCount - 1); Invalidate(); return true;
    case VK_UP: m_editor.Step(1); break;
    case VK_DOWN:
        if (alt && date) { OpenCalendar(); return true; }
        m_editor.Step(-1);
        break;
    case VK_PRIOR: if (!date) return false; m_editor.SetValue(AddMonths(before, -1)); break;
    case VK_NEXT: if (!date) return false; m_editor.SetValue(AddMonths(before, 1)); break;
    case VK_F4: if (!date) return false; OpenCalendar(); return true;
    default: return false;
    }
    UserChanged(before);
    return true;
}

void CDateTimeUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEENTER: m_uButtonState |= UISTATE_HOT; Invalidate(); return;
    case UIEVENT_MOUSELEAVE: m_uButtonState &= ~UISTATE_HOT; Invalidate(); return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK: {
        if (!IsEnabled()) return;
        TDateTime before = m_editor.Value();
        if (ButtonRect().Contains(event.ptMouse)) {
            if (m_editor.Mode() == DateTimeMode::Date) {
                if (IsCalendarOpen()) CloseCalendar();
                else OpenCalendar();
                return;
            }
            int mid = (m_rcItem.top + m_rcItem.bottom) / 2;
            m_editor.Step(event.ptMouse.y < mid ? 1 : -1);
            UserChanged(before);
            return;
        }
        int field = FieldAt(event.ptMouse);
        if (field >= 0) m_editor.SetField(field);
        Invalidate();
        return;
    }
    case UIEVENT_SCROLLWHEEL:
        return;  // never change a value under a passing wheel
    case UIEVENT_KEYDOWN:
        if (IsEnabled() && HandleKey(event)) return;
        break;
    case UIEVENT_CHAR:
        if (IsEnabled() && event.text) {
            TDateTime before = m_editor.Value();
            for (const char* p = event.text; *p; ++p)
                if (*p >= '0' && *p <= '9') m_editor.TypeDigit(*p - '0');
            UserChanged(before);
        }
        return;
    case UIEVENT_KILLFOCUS:
        m_editor.CommitTyping();
        break;
    default: break;
    }
    CLabelUI::DoEvent(event);
}

void CDateTimeUI::PaintStatusImage(CRenderContext& ctx) {
    RECT b = ButtonRect();
    DWORD c = IsEnabled() ? ((m_uButtonState & UISTATE_HOT) ? 0xFFFFFFFF : m_dwButtonColor) : 0xFF56616D;
    float cx = (b.left + b.right) / 2.0f;
    float cy = (b.top + b.bottom) / 2.0f;
    if (m_editor.Mode() == DateTimeMode::Date) {
        ctx.DrawLine(cx - 4, cy - 2, cx, cy + 2, 1.5f, c);
        ctx.DrawLine(cx, cy + 2, cx + 4, cy - 2, 1.5f, c);
    } else {
        ctx.DrawLine(cx - 3, cy - 3, cx, cy - 6, 1.2f, c);
        ctx.DrawLine(cx, cy - 6, cx + 3, cy - 3, 1.2f, c);
        ctx.DrawLine(cx - 3, cy + 3, cx, cy + 6, 1.2f, c);
        ctx.DrawLine(cx, cy + 6, cx + 3, cy + 3, 1.2f, c);
    }
}

void CDateTimeUI::PaintText(CRenderContext& ctx) {
    if (!m_pManager) return;
    const TFontInfo font = m_pManager->GetFontInfo(m_iFont);
    DWORD color = IsEnabled() ? (m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultTextColor())
                              : (m_dwDisabledTextColor ? m_dwDisabledTextColor : 0xFF56616D);
    const std::string text = m_editor.Text();
    RECT area = MakeRect(m_rcItem.left + m_rcTextPadding.left, m_rcItem.top, ButtonRect().left - m_rcTextPadding.right,
                         m_rcItem.bottom);
    ctx.PushClip(area);
    int x = area.left;
    std::size_t pos = 0;
    for (int f = 0; f < DateTimeFieldEditor::kFieldCount; ++f) {
        std::size_t begin = 0, len = 0;
        m_editor.FieldSpan(f, begin, len);
        if (begin > pos) {  // separator
            std::string sep = text.substr(pos, begin - pos);
            int w = ctx.MeasureText(sep, font).cx;
            ctx.DrawText(MakeRect(x, area.top, x + w, area.bottom), sep, font, color, DT_SINGLELINE | DT_VCENTER);
            x += w;
        }
        std::string part = text.substr(begin, len);
        int w = ctx.MeasureText(part, font).cx;
        RECT r = MakeRect(x, area.top, x + w, area.bottom);
        m_fieldRects[f] = r;
        if (m_bFocused && f == m_editor.Field() && !IsCalendarOpen()) {
            int h = ctx.LineHeight(font);
            int top = (area.top + area.bottom - h) / 2;
            ctx.FillRect(MakeRect(r.left - 1, top, r.right + 1, top + h), m_dwFieldBkColor);
        }
        ctx.DrawText(r, part, font, color, DT_SINGLELINE | DT_VCENTER);
        x += w;
        pos = begin + len;
    }
    m_fieldsLaid = true;
    ctx.PopClip();
}

}  // namespace DuiLib
