#include "TimelineUI.h"

#include <RenderContext.h>

#include <algorithm>
#include <cstdlib>

namespace kelvo {
using namespace DuiLib;

namespace {
constexpr DWORD kBarColor = 0xFF15191E;
constexpr DWORD kBarBorder = 0xFF2E3842;
constexpr DWORD kSpanColor = 0xFF386382;
constexpr DWORD kMajorTick = 0xFF8A97A5;
constexpr DWORD kMinorTick = 0xFF56616D;
constexpr DWORD kLabelColor = 0xFF8A97A5;
constexpr DWORD kPlayheadColor = 0xFFEBEBEB;
}  // namespace

TimelineUI::TimelineUI() { m_geometry.SetWidth(1); }

void TimelineUI::SetRecordings(int64_t t, const std::vector<RecordItem>& items) {
    const bool sameDay = TimelineGeometry::LocalDayStart(t) == m_geometry.DayStart();
    if (!sameDay) m_geometry.SetDay(t);  // another day: back to the whole of it
    m_items = items;
    m_hasPlayhead = false;
    Invalidate();
}

void TimelineUI::Clear() {
    m_items.clear();
    m_hasPlayhead = false;
    Invalidate();
}

void TimelineUI::SetPlayhead(int64_t t) {
    const bool wasVisible = m_hasPlayhead && m_geometry.Visible(static_cast<double>(m_playhead));
    if (m_hasPlayhead && t == m_playhead) return;
    m_playhead = t;
    m_hasPlayhead = true;
    // Following the play-head only when the user had it in view: a view zoomed elsewhere stays.
    if (wasVisible && !m_geometry.Visible(static_cast<double>(t))) m_geometry.ScrollTo(static_cast<double>(t));
    Invalidate();
}

RECT TimelineUI::BarRect() const {
    RECT bar = m_rcItem;
    bar.top = std::min(bar.bottom, bar.top + kLabelHeight);
    return bar;
}

void TimelineUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    m_geometry.SetWidth(m_rcItem.Width());
}

bool TimelineUI::ApplyAttribute(const std::string& name, const std::string& value) {
    if (name == "font") {
        m_font = std::atoi(value.c_str());
        return true;
    }
    return CControlUI::ApplyAttribute(name, value);
}

void TimelineUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK: {
        if (!IsEnabled() || m_items.empty()) return;
        const double t = m_geometry.TimeAt(event.ptMouse.x - m_rcItem.left);
        Notify(DUI_MSGTYPE_VALUECHANGED, static_cast<WPARAM>(static_cast<int64_t>(t)));
        return;
    }
    case UIEVENT_SCROLLWHEEL: {
        const int notches = static_cast<int>(static_cast<LPARAM>(event.wParam));
        if (m_geometry.Zoom(notches, event.ptMouse.x - m_rcItem.left)) Invalidate();
        return;  // the wheel never scrolls the window under the timeline
    }
    default: break;
    }
    CControlUI::DoEvent(event);
}

void TimelineUI::DoPaint(CRenderContext& ctx, const RECT& rcPaint) {
    CControlUI::DoPaint(ctx, rcPaint);
    if (m_rcItem.IsEmpty()) return;
    m_geometry.SetWidth(m_rcItem.Width());
    const RECT bar = BarRect();
    ctx.FillRect(bar, kBarColor);
    // Recordings are filled; what stays dark between them is a gap.
    for (const TimelineGeometry::Span& s : m_geometry.VisibleSpans(m_items)) {
        RECT r = MakeRect(m_rcItem.left + s.x0, bar.top + 3, m_rcItem.left + s.x1, bar.bottom - 3);
        ctx.FillRect(r, kSpanColor);
    }
    ctx.DrawBorder(bar, 1, kBarBorder);

    const TFontInfo font = m_pManager ? m_pManager->GetFontInfo(m_font) : TFontInfo{};
    for (const TimelineGeometry::Tick& tick : m_geometry.Ticks()) {
        const int x = m_rcItem.left + std::clamp(m_geometry.XAt(static_cast<double>(tick.time)), 0, m_rcItem.Width() - 1);
        const float fx = static_cast<float>(x) + 0.5f;
        ctx.DrawLine(fx, static_cast<float>(bar.top), fx, static_cast<float>(bar.top + (tick.major ? 7 : 4)), 1.0f,
                     tick.major ? kMajorTick : kMinorTick);
        if (tick.label.empty() || !m_pManager) continue;
        const SIZE size = ctx.MeasureText(tick.label, font);
        const int left = std::clamp(x - size.cx / 2, m_rcItem.left, m_rcItem.right - size.cx);
        ctx.DrawTextLine(left, m_rcItem.top, tick.label, font, kLabelColor, m_rcItem);
    }

    if (m_hasPlayhead && m_geometry.Visible(static_cast<double>(m_playhead))) {
        const int x = m_rcItem.left + m_geometry.XAt(static_cast<double>(m_playhead));
        ctx.FillRect(MakeRect(x - 1, bar.top, x + 1, bar.bottom), kPlayheadColor);
        ctx.FillCircle(static_cast<float>(x), static_cast<float>(bar.top + 1), 3.0f, kPlayheadColor);
    }
}

}  // namespace kelvo
