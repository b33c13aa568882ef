// The record window's timeline without any drawing: the visible part of one local day, pixel <->
// time mapping, zoom, ticks, the recordings clipped to the view, and how a time of day maps onto
// the playlist's recorded time (the sum of the items' durations, as PlaybackWorker::Locate counts).
#pragma once

#include "KelvoNetwork.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo {

// Thread: none of its own; one owner at a time (the UI thread).
class TimelineGeometry {
public:
    static constexpr double kMinSpan = 60.0;      // the closest zoom: one minute across
    static constexpr int kMinLabelSpacing = 64;   // pixels between two labelled ticks at least

    struct Tick {
        int64_t time = 0;  // seconds since 1970
        bool major = false;
        std::string label;  // local "HH:MM" (or "HH:MM:SS" below a minute); empty on minor ticks
    };
    // A recording clipped to the view: [begin, end) in seconds, [x0, x1) in pixels (at least 1 px).
    struct Span {
        int64_t begin = 0, end = 0;
        int x0 = 0, x1 = 0;
    };
    // Where a jump lands: the item, its absolute start and the position in recorded time.
    struct Target {
        size_t index = 0;
        int64_t time = 0;      // absolute time the playback resumes at
        int64_t position = 0;  // recorded time handed to the worker
    };

    // Local midnight of the day that holds `t`, and the following midnight (23 or 25 h later on
    // a daylight-saving change).
    static int64_t LocalDayStart(int64_t t);
    static int64_t NextLocalDay(int64_t dayStart);

    TimelineGeometry();
    // Shows the whole day that holds `t`.
    void SetDay(int64_t t);
    void SetWidth(int pixels);

    int64_t DayStart() const { return m_dayStart; }
    int64_t DayEnd() const { return m_dayEnd; }
    double ViewStart() const { return m_viewStart; }
    double ViewEnd() const { return m_viewStart + m_span; }
    double ViewSpan() const { return m_span; }
    int Width() const { return m_width; }

    // Time under pixel x (clamped to the bar), and the pixel of a time (may lie outside the bar).
    double TimeAt(int x) const;
    int XAt(double t) const;
    bool Visible(double t) const { return t >= m_viewStart && t < ViewEnd(); }

    // Zooms by `notches` wheel steps (positive: in, each halving the span) keeping the time under
    // pixel x where it is; the span stays between kMinSpan and the day, the view inside the day.
    // False when nothing changed.
    bool Zoom(int notches, int x);
    // Moves the view (same span) so that `t` is in it, a quarter from its left edge when possible.
    void ScrollTo(double t);

    std::vector<Tick> Ticks() const;
    std::vector<Span> VisibleSpans(const std::vector<RecordItem>& items) const;

    // A click at absolute time `t`: inside a recording, that moment of it; in a gap, the start of
    // the next recording; false after the last one (or with nothing playable).
    static bool SeekTarget(const std::vector<RecordItem>& items, int64_t t, Target& out);
    // The recording after the one playing at `now` (or after the gap `now` lies in).
    static bool NextRecording(const std::vector<RecordItem>& items, int64_t now, Target& out);
    // The recording before the one playing at `now` (in a gap: the one before the gap).
    static bool PreviousRecording(const std::vector<RecordItem>& items, int64_t now, Target& out);

private:
    void Clamp();

    int64_t m_dayStart = 0;
    int64_t m_dayEnd = 0;
    double m_viewStart = 0;
    double m_span = 0;
    int m_width = 1;
};

}  // namespace kelvo
