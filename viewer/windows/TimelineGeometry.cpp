#include "TimelineGeometry.h"

#include "PlaybackWorker.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace kelvo {
namespace {

constexpr int64_t kNominalDay = 86400;

struct TickStep {
    int64_t major, minor;
};
// Labelled step and the unlabelled ticks between, from the closest zoom to the whole day.
constexpr TickStep kSteps[] = {{5, 1},       {10, 2},      {15, 5},      {30, 5},     {60, 10},
                               {120, 30},    {300, 60},    {600, 120},   {900, 300},  {1800, 300},
                               {3600, 600},  {7200, 1800}, {10800, 3600}, {21600, 3600}, {43200, 7200}};

int64_t Duration(const RecordItem& item) { return item.duration > 0 ? item.duration : 0; }

// First playable item (list order) whose [begin, end) holds t.
bool Containing(const std::vector<RecordItem>& items, int64_t t, size_t& index) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (Duration(items[i]) > 0 && items[i].begin <= t && t < items[i].end) {
            index = i;
            return true;
        }
    }
    return false;
}

void Fill(const std::vector<RecordItem>& items, size_t index, int64_t offset, TimelineGeometry::Target& out) {
    out.index = index;
    out.time = items[index].begin + offset;
    out.position = PlaybackWorker::RecordedStart(items, index) + offset;
}

// The playable item starting earliest after `ref` (later: latest before `ref`); ties go to the
// first in the list, which plays first.
bool Neighbour(const std::vector<RecordItem>& items, int64_t ref, bool later, size_t& index) {
    bool found = false;
    for (size_t i = 0; i < items.size(); ++i) {
        if (Duration(items[i]) <= 0) continue;
        const int64_t b = items[i].begin;
        if (later ? b <= ref : b >= ref) continue;
        if (!found || (later ? b < items[index].begin : b > items[index].begin)) {
            index = i;
            found = true;
        }
    }
    return found;
}

std::string Clock(int64_t t, bool seconds) {
    time_t tt = static_cast<time_t>(t);
    struct tm tmv {};
    char buf[16] = "";
    if (localtime_r(&tt, &tmv)) std::strftime(buf, sizeof buf, seconds ? "%H:%M:%S" : "%H:%M", &tmv);
    return buf;
}

}  // namespace

int64_t TimelineGeometry::LocalDayStart(int64_t t) {
    time_t tt = static_cast<time_t>(t);
    struct tm tmv {};
    if (!localtime_r(&tt, &tmv)) return t - ((t % kNominalDay) + kNominalDay) % kNominalDay;
    tmv.tm_hour = tmv.tm_min = tmv.tm_sec = 0;
    tmv.tm_isdst = -1;
    time_t start = std::mktime(&tmv);
    return start == static_cast<time_t>(-1) ? t : static_cast<int64_t>(start);
}

int64_t TimelineGeometry::NextLocalDay(int64_t dayStart) {
    time_t tt = static_cast<time_t>(dayStart);
    struct tm tmv {};
    if (!localtime_r(&tt, &tmv)) return dayStart + kNominalDay;
    tmv.tm_mday += 1;
    tmv.tm_hour = tmv.tm_min = tmv.tm_sec = 0;
    tmv.tm_isdst = -1;
    time_t next = std::mktime(&tmv);
    // A broken zone table must not give an empty or reversed day.
    return next == static_cast<time_t>(-1) || next <= tt ? dayStart + kNominalDay : static_cast<int64_t>(next);
}

TimelineGeometry::TimelineGeometry() { SetDay(static_cast<int64_t>(std::time(nullptr))); }

void TimelineGeometry::SetDay(int64_t t) {
    m_dayStart = LocalDayStart(t);
    m_dayEnd = NextLocalDay(m_dayStart);
    m_viewStart = static_cast<double>(m_dayStart);
    m_span = static_cast<double>(m_dayEnd - m_dayStart);
}

void TimelineGeometry::SetWidth(int pixels) { m_width = std::max(1, pixels); }

void TimelineGeometry::Clamp() {
    const double day = static_cast<double>(m_dayEnd - m_dayStart);
    m_span = std::clamp(m_span, std::min(kMinSpan, day), day);
    m_viewStart = std::clamp(m_viewStart, static_cast<double>(m_dayStart), static_cast<double>(m_dayEnd) - m_span);
}

double TimelineGeometry::TimeAt(int x) const {
    const int cx = std::clamp(x, 0, m_width);
    return m_viewStart + static_cast<double>(cx) * m_span / m_width;
}

int TimelineGeometry::XAt(double t) const {
    const double x = (t - m_viewStart) * m_width / m_span;
    // The slack keeps XAt(TimeAt(x)) == x against rounding.
    const double clamped = std::clamp(std::floor(x + 1e-6), -1e6, 1e6);
    return static_cast<int>(clamped);
}

bool TimelineGeometry::Zoom(int notches, int x) {
    if (notches == 0) return false;
    const double oldStart = m_viewStart, oldSpan = m_span;
    const int cx = std::clamp(x, 0, m_width);
    const double anchor = TimeAt(cx);
    m_span = m_span * std::pow(2.0, -std::clamp(notches, -64, 64));
    Clamp();
    m_viewStart = anchor - static_cast<double>(cx) / m_width * m_span;
    Clamp();
    return std::fabs(m_viewStart - oldStart) > 1e-9 || std::fabs(m_span - oldSpan) > 1e-9;
}

void TimelineGeometry::ScrollTo(double t) {
    m_viewStart = t - m_span / 4;
    Clamp();
}

std::vector<TimelineGeometry::Tick> TimelineGeometry::Ticks() const {
    const double pixelsPerSecond = m_width / m_span;
    TickStep step = kSteps[sizeof kSteps / sizeof kSteps[0] - 1];
    for (const TickStep& s : kSteps) {
        if (s.major * pixelsPerSecond >= kMinLabelSpacing) {
            step = s;
            break;
        }
    }
    std::vector<Tick> ticks;
    // Counted from local midnight so that labels fall on round times of the day.
    const double from = m_viewStart - m_dayStart, to = ViewEnd() - m_dayStart;
    for (int64_t k = static_cast<int64_t>(std::ceil(from / step.minor)); k * step.minor <= to; ++k) {
        Tick tick;
        tick.time = m_dayStart + k * step.minor;
        tick.major = (k * step.minor) % step.major == 0;
        if (tick.major) tick.label = Clock(tick.time, step.major < 60);
        ticks.push_back(std::move(tick));
    }
    return ticks;
}

std::vector<TimelineGeometry::Span> TimelineGeometry::VisibleSpans(const std::vector<RecordItem>& items) const {
    std::vector<Span> out;
    const double viewEnd = ViewEnd();
    for (const RecordItem& item : items) {
        const double b = std::max(static_cast<double>(item.begin), m_viewStart);
        const double e = std::min(static_cast<double>(item.end), viewEnd);
        if (e <= b) continue;
        Span span;
        span.begin = static_cast<int64_t>(std::floor(b));
        span.end = static_cast<int64_t>(std::ceil(e));
        span.x0 = std::clamp(XAt(b), 0, m_width - 1);
        // A recording shorter than a pixel still shows as one.
        span.x1 = std::clamp(XAt(e), span.x0 + 1, m_width);
        out.push_back(span);
    }
    return out;
}

bool TimelineGeometry::SeekTarget(const std::vector<RecordItem>& items, int64_t t, Target& out) {
    size_t index = 0;
    if (Containing(items, t, index)) {
        // The item's span may be longer than its recorded time: stay inside what was recorded.
        Fill(items, index, std::min<int64_t>(t - items[index].begin, Duration(items[index]) - 1), out);
        return true;
    }
    if (!Neighbour(items, t, true, index)) return false;
    Fill(items, index, 0, out);
    return true;
}

bool TimelineGeometry::NextRecording(const std::vector<RecordItem>& items, int64_t now, Target& out) {
    // Counted from now, not from the playing item's start: an overlapping item that began
    // earlier would otherwise be "next" again and again.
    size_t index = 0;
    if (!Neighbour(items, now, true, index)) return false;
    Fill(items, index, 0, out);
    return true;
}

bool TimelineGeometry::PreviousRecording(const std::vector<RecordItem>& items, int64_t now, Target& out) {
    // Before the latest recording that holds now, so each press moves back.
    bool inside = false;
    int64_t ref = now;
    for (const RecordItem& item : items) {
        if (Duration(item) <= 0 || item.begin > now || now >= item.end) continue;
        if (!inside || item.begin > ref) ref = item.begin;
        inside = true;
    }
    size_t index = 0;
    if (!Neighbour(items, ref, false, index)) return false;
    Fill(items, index, 0, out);
    return true;
}

}  // namespace kelvo
