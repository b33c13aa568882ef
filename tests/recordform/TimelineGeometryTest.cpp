// The record window's timeline arithmetic: pixels and times, zoom limits, ticks, clipping, and
// where clicks and previous/next land in the playlist's recorded time; the control's zoom and
// play-head following.
#include "TimelineGeometry.h"
#include "TimelineUI.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

using kelvo::TimelineGeometry;

namespace {

// A fixed zone without daylight saving unless a test says otherwise.
class TimelineGeometryTest : public ::testing::Test {
protected:
    void SetUp() override { UseZone("UTC0"); }
    void TearDown() override { UseZone("UTC0"); }
    static void UseZone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }
    // 2026-12-07 00:00 UTC.
    static constexpr int64_t kDay = 1796601600;

    static RecordItem Item(int64_t begin, int64_t end, int64_t duration) {
        RecordItem it{};
        it.begin = begin;
        it.end = end;
        it.duration = duration;
        return it;
    }
    TimelineGeometry Day(int width = 1440) {
        TimelineGeometry g;
        g.SetDay(kDay + 5000);
        g.SetWidth(width);
        return g;
    }
};

TEST_F(TimelineGeometryTest, WholeDayMapsPixelsToMinutesBothWays) {
    TimelineGeometry g = Day();
    EXPECT_EQ(kDay, g.DayStart());
    EXPECT_EQ(kDay + 86400, g.DayEnd());
    EXPECT_DOUBLE_EQ(86400, g.ViewSpan());
    EXPECT_DOUBLE_EQ(kDay, g.TimeAt(0));
    EXPECT_DOUBLE_EQ(kDay + 86400, g.TimeAt(1440));
    EXPECT_DOUBLE_EQ(kDay + 60 * 720, g.TimeAt(720));
    // Outside the bar clamps to its edges.
    EXPECT_DOUBLE_EQ(kDay, g.TimeAt(-30));
    EXPECT_DOUBLE_EQ(kDay + 86400, g.TimeAt(5000));
    for (int x : {0, 1, 333, 719, 1439, 1440}) EXPECT_EQ(x, g.XAt(g.TimeAt(x))) << x;
    EXPECT_EQ(0, g.XAt(kDay + 59));
    EXPECT_EQ(1, g.XAt(kDay + 60));
    EXPECT_EQ(-1, g.XAt(kDay - 1));
    EXPECT_TRUE(g.Visible(kDay));
    EXPECT_FALSE(g.Visible(kDay + 86400));

    // A width of zero or less counts as one pixel rather than dividing by it.
    g.SetWidth(0);
    EXPECT_EQ(1, g.Width());
    EXPECT_DOUBLE_EQ(kDay + 86400, g.TimeAt(1));
}

TEST_F(TimelineGeometryTest, WheelZoomsAroundTheCursorAndClampsAtOneMinuteAndTheDay) {
    TimelineGeometry g = Day();
    const double anchor = g.TimeAt(360);  // 06:00
    ASSERT_TRUE(g.Zoom(1, 360));
    EXPECT_DOUBLE_EQ(43200, g.ViewSpan());
    EXPECT_NEAR(anchor, g.TimeAt(360), 1e-6) << "the time under the cursor stays there";
    ASSERT_TRUE(g.Zoom(3, 360));
    EXPECT_DOUBLE_EQ(5400, g.ViewSpan());
    EXPECT_NEAR(anchor, g.TimeAt(360), 1e-6);

    // Far in: never below a minute, and one more notch changes nothing.
    g.Zoom(30, 360);
    EXPECT_DOUBLE_EQ(TimelineGeometry::kMinSpan, g.ViewSpan());
    EXPECT_NEAR(anchor, g.TimeAt(360), 1e-6);
    EXPECT_FALSE(g.Zoom(1, 360));
    // Out again notch by notch: 60 s doubles to 120 s (not back to the 84.4 s level).
    ASSERT_TRUE(g.Zoom(-1, 360));
    EXPECT_DOUBLE_EQ(120, g.ViewSpan());
    g.Zoom(-40, 360);
    EXPECT_DOUBLE_EQ(86400, g.ViewSpan());
    EXPECT_DOUBLE_EQ(kDay, g.ViewStart());
    EXPECT_FALSE(g.Zoom(-1, 360));
    EXPECT_FALSE(g.Zoom(0, 100));
}

TEST_F(TimelineGeometryTest, ZoomNearTheDayEdgesKeepsTheViewInsideTheDay) {
    TimelineGeometry g = Day();
    g.Zoom(1, 1439);
    EXPECT_DOUBLE_EQ(43200, g.ViewSpan());
    EXPECT_DOUBLE_EQ(kDay + 43170, g.ViewStart());
    g.Zoom(20, 1440);
    EXPECT_DOUBLE_EQ(kDay + 86310, g.ViewStart());
    EXPECT_DOUBLE_EQ(60, g.ViewSpan());
    // Zooming out at the left edge of that view would run past midnight: the view stops there.
    g.Zoom(-1, 0);
    EXPECT_DOUBLE_EQ(120, g.ViewSpan());
    EXPECT_DOUBLE_EQ(kDay + 86400, g.ViewEnd());

    g.Zoom(-40, 0);
    g.Zoom(20, 0);
    EXPECT_DOUBLE_EQ(kDay, g.ViewStart());
    EXPECT_DOUBLE_EQ(60, g.ViewSpan());
    // Out of the bar clamps the anchor to its edge.
    g.Zoom(-2, -500);
    EXPECT_DOUBLE_EQ(kDay, g.ViewStart());
    EXPECT_DOUBLE_EQ(240, g.ViewSpan());

    // Scrolling keeps the span and stays inside the day.
    g.ScrollTo(kDay + 3600);
    EXPECT_DOUBLE_EQ(kDay + 3600 - 60, g.ViewStart());
    g.ScrollTo(kDay + 86399);
    EXPECT_DOUBLE_EQ(kDay + 86400 - 240, g.ViewStart());
    g.ScrollTo(kDay - 5000);
    EXPECT_DOUBLE_EQ(kDay, g.ViewStart());
    EXPECT_DOUBLE_EQ(240, g.ViewSpan());
}

TEST_F(TimelineGeometryTest, TicksFollowTheZoomAndLabelRoundTimes) {
    TimelineGeometry g = Day();
    // Whole day on 1440 px: a pixel a minute, so labels every 2 h and ticks every half hour.
    std::vector<TimelineGeometry::Tick> ticks = g.Ticks();
    ASSERT_EQ(49u, ticks.size());
    EXPECT_EQ(kDay, ticks.front().time);
    EXPECT_EQ("00:00", ticks.front().label);
    EXPECT_EQ(kDay + 86400, ticks.back().time);
    EXPECT_FALSE(ticks[1].major);
    EXPECT_TRUE(ticks[1].label.empty());
    EXPECT_TRUE(ticks[4].major);
    EXPECT_EQ("02:00", ticks[4].label);
    for (size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_EQ(1800, ticks[i].time - ticks[i - 1].time);
        if (ticks[i].major) {
            EXPECT_GE(g.XAt(ticks[i].time) - g.XAt(ticks[i - 4].time), TimelineGeometry::kMinLabelSpacing);
        }
    }

    // One minute across 720 px: seconds in the labels, ticks inside the view only.
    g.SetWidth(720);
    g.Zoom(30, 300);
    ticks = g.Ticks();
    ASSERT_FALSE(ticks.empty());
    int labels = 0;
    for (const auto& t : ticks) {
        EXPECT_TRUE(g.ViewStart() <= t.time && t.time <= g.ViewEnd());
        if (!t.major) continue;
        ++labels;
        EXPECT_EQ(8u, t.label.size()) << t.label;
        EXPECT_EQ(0, (t.time - kDay) % 10);
    }
    EXPECT_GE(labels, 5);
    EXPECT_LE(labels, 7);
}

TEST_F(TimelineGeometryTest, SpansAreClippedToTheViewAndNeverVanish) {
    TimelineGeometry g = Day();
    std::vector<RecordItem> items = {
        Item(kDay - 600, kDay + 600, 1200),        // starts the day before
        Item(kDay + 3600, kDay + 3610, 10),        // ten seconds: less than a pixel
        Item(kDay + 7200, kDay + 7200, 0),         // empty: not drawn
        Item(kDay + 86000, kDay + 87000, 1000),    // runs into the next day
        Item(kDay + 90000, kDay + 91000, 1000),    // the next day only
    };
    auto spans = g.VisibleSpans(items);
    ASSERT_EQ(3u, spans.size());
    EXPECT_EQ(kDay, spans[0].begin);
    EXPECT_EQ(kDay + 600, spans[0].end);
    EXPECT_EQ(0, spans[0].x0);
    EXPECT_EQ(10, spans[0].x1);
    EXPECT_EQ(60, spans[1].x0);
    EXPECT_EQ(61, spans[1].x1);
    EXPECT_EQ(kDay + 86400, spans[2].end);
    EXPECT_EQ(1440, spans[2].x1);
    EXPECT_EQ(1433, spans[2].x0);

    // Zoomed onto 00:55-01:05 only the short recording remains, now 60 px wide.
    g.Zoom(30, 0);
    g.Zoom(-3, 0);  // 480 s
    g.ScrollTo(kDay + 3600);
    ASSERT_DOUBLE_EQ(kDay + 3480, g.ViewStart());
    spans = g.VisibleSpans(items);
    ASSERT_EQ(1u, spans.size());
    EXPECT_EQ(360, spans[0].x0);
    EXPECT_EQ(390, spans[0].x1);
}

// Recordings of 60 s at 01:00, 01:01 (contiguous), then a gap, 01:10, an overlapping one at 01:10:30,
// and an empty one at 02:00.
class TimelineSeekTest : public TimelineGeometryTest {
protected:
    void SetUp() override {
        TimelineGeometryTest::SetUp();
        items = {Item(kDay + 3600, kDay + 3660, 60), Item(kDay + 3660, kDay + 3720, 60),
                 Item(kDay + 4200, kDay + 4260, 60), Item(kDay + 4230, kDay + 4290, 60),
                 Item(kDay + 7200, kDay + 7260, 0)};
    }
    std::vector<RecordItem> items;
    TimelineGeometry::Target target;
};

TEST_F(TimelineSeekTest, ClicksInsideGapsAndAtEdges) {
    // Inside: the same moment of that recording.
    ASSERT_TRUE(TimelineGeometry::SeekTarget(items, kDay + 3630, target));
    EXPECT_EQ(0u, target.index);
    EXPECT_EQ(30, target.position);
    EXPECT_EQ(kDay + 3630, target.time);
    // The first second of a recording belongs to it, its end to the next one.
    ASSERT_TRUE(TimelineGeometry::SeekTarget(items, kDay + 3660, target));
    EXPECT_EQ(1u, target.index);
    EXPECT_EQ(60, target.position);
    ASSERT_TRUE(TimelineGeometry::SeekTarget(items, kDay + 3719, target));
    EXPECT_EQ(119, target.position);
    // Before the first and in the gap: the start of the next recording.
    ASSERT_TRUE(TimelineGeometry::SeekTarget(items, kDay + 10, target));
    EXPECT_EQ(0, target.position);
    EXPECT_EQ(kDay + 3600, target.time);
    ASSERT_TRUE(TimelineGeometry::SeekTarget(items, kDay + 3720, target));
    EXPECT_EQ(2u, target.index);
    EXPECT_EQ(120, target.position);
    EXPECT_EQ(kDay + 4200, target.time);
    // Overlap: the recording that plays first.
    ASSERT_TRUE(TimelineGeometry::SeekTarget(items, kDay + 4240, target));
    EXPECT_EQ(2u, target.index);
    EXPECT_EQ(160, target.position);
    ASSERT_TRUE(TimelineGeometry::SeekTarget(items, kDay + 4270, target));
    EXPECT_EQ(3u, target.index);
    EXPECT_EQ(220, target.position);
    // After the last playable one (the empty one cannot be played): nothing.
    EXPECT_FALSE(TimelineGeometry::SeekTarget(items, kDay + 4290, target));
    EXPECT_FALSE(TimelineGeometry::SeekTarget(items, kDay + 7200, target));
    EXPECT_FALSE(TimelineGeometry::SeekTarget({}, kDay, target));
}

TEST_F(TimelineSeekTest, AnItemShorterThanItsSpanStaysInsideWhatWasRecorded) {
    std::vector<RecordItem> short_ = {Item(kDay, kDay + 600, 100), Item(kDay + 600, kDay + 700, 100)};
    ASSERT_TRUE(TimelineGeometry::SeekTarget(short_, kDay + 500, target));
    EXPECT_EQ(0u, target.index);
    EXPECT_EQ(99, target.position);
    ASSERT_TRUE(TimelineGeometry::SeekTarget(short_, kDay + 650, target));
    EXPECT_EQ(150, target.position);
}

TEST_F(TimelineSeekTest, PreviousAndNextRecording) {
    // From inside the first: the second; from there the third (past the gap), then the
    // overlapping fourth; the empty one is never a target.
    ASSERT_TRUE(TimelineGeometry::NextRecording(items, kDay + 3630, target));
    EXPECT_EQ(1u, target.index);
    EXPECT_EQ(kDay + 3660, target.time);
    EXPECT_EQ(60, target.position);
    ASSERT_TRUE(TimelineGeometry::NextRecording(items, target.time, target));
    EXPECT_EQ(2u, target.index);
    EXPECT_EQ(120, target.position);
    ASSERT_TRUE(TimelineGeometry::NextRecording(items, target.time, target));
    EXPECT_EQ(3u, target.index);
    EXPECT_EQ(180, target.position);
    EXPECT_FALSE(TimelineGeometry::NextRecording(items, target.time, target));
    // From a gap: the one after it; before the first: the first.
    ASSERT_TRUE(TimelineGeometry::NextRecording(items, kDay + 4000, target));
    EXPECT_EQ(2u, target.index);
    ASSERT_TRUE(TimelineGeometry::NextRecording(items, kDay, target));
    EXPECT_EQ(0u, target.index);

    // Previous from the middle of the third: the second's start, not the third's.
    ASSERT_TRUE(TimelineGeometry::PreviousRecording(items, kDay + 4210, target));
    EXPECT_EQ(1u, target.index);
    EXPECT_EQ(kDay + 3660, target.time);
    ASSERT_TRUE(TimelineGeometry::PreviousRecording(items, target.time, target));
    EXPECT_EQ(0u, target.index);
    EXPECT_EQ(0, target.position);
    EXPECT_FALSE(TimelineGeometry::PreviousRecording(items, target.time, target));
    // From the gap: the recording before it.
    ASSERT_TRUE(TimelineGeometry::PreviousRecording(items, kDay + 4000, target));
    EXPECT_EQ(1u, target.index);
    // After everything: the last playable one.
    ASSERT_TRUE(TimelineGeometry::PreviousRecording(items, kDay + 9000, target));
    EXPECT_EQ(3u, target.index);
}

TEST_F(TimelineGeometryTest, DaylightSavingDaysAreShorterOrLonger) {
    UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
    // 2026-03-29 12:00 CEST: the spring day has 23 hours.
    TimelineGeometry g;
    g.SetDay(1774778400);
    g.SetWidth(1380);
    EXPECT_EQ(23 * 3600, g.DayEnd() - g.DayStart());
    EXPECT_DOUBLE_EQ(23 * 3600, g.ViewSpan());
    g.Zoom(-3, 0);
    EXPECT_DOUBLE_EQ(23 * 3600, g.ViewSpan()) << "never wider than the day";
    // 2026-10-25: 25 hours.
    g.SetDay(1792926000);
    EXPECT_EQ(25 * 3600, g.DayEnd() - g.DayStart());
    std::vector<TimelineGeometry::Tick> ticks = g.Ticks();
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ("00:00", ticks.front().label);
    // The view after zooming in still ends at midnight.
    g.Zoom(10, 1380);
    EXPECT_DOUBLE_EQ(static_cast<double>(g.DayEnd()), g.ViewEnd());
}

}  // namespace

namespace {

// The control without a window: the wheel zooms at the mouse, and the play-head drags a zoomed
// view along only while the user has it in view.
class TimelineControlTest : public TimelineGeometryTest {
protected:
    void Wheel(kelvo::TimelineUI& ui, int x, int notches) {
        DuiLib::TEventUI ev;
        ev.Type = DuiLib::UIEVENT_SCROLLWHEEL;
        ev.ptMouse = DuiLib::POINT{x, 20};
        ev.wParam = static_cast<DuiLib::WPARAM>(static_cast<DuiLib::LPARAM>(notches));
        ui.DoEvent(ev);
    }
};

TEST_F(TimelineControlTest, ThePlayheadDragsTheViewOnlyWhenItWasInView) {
    kelvo::TimelineUI ui;
    ui.SetPos(DuiLib::MakeRect(100, 0, 1540, 40));
    ui.SetRecordings(kDay + 5000, {Item(kDay + 3600, kDay + 7200, 3600)});
    const kelvo::TimelineGeometry& g = ui.Geometry();
    EXPECT_EQ(1440, g.Width());
    // Twelve notches at 01:00 (x 60 in the bar, 160 in the window): one minute from there.
    for (int i = 0; i < 12; ++i) Wheel(ui, 160, 1);
    ASSERT_DOUBLE_EQ(60, g.ViewSpan());
    EXPECT_NEAR(kDay + 3600, g.TimeAt(60), 1e-6);

    ui.SetPlayhead(kDay + 3600);
    const double start = g.ViewStart();
    ui.SetPlayhead(kDay + 3610);
    EXPECT_DOUBLE_EQ(start, g.ViewStart()) << "still in view: the view stays";
    ui.SetPlayhead(kDay + 3700);
    EXPECT_TRUE(g.Visible(kDay + 3700)) << "ran out of view: the view follows";
    EXPECT_DOUBLE_EQ(60, g.ViewSpan());

    // The user zooms elsewhere: later progress leaves that view alone.
    for (int i = 0; i < 12; ++i) Wheel(ui, 100, -1);
    for (int i = 0; i < 12; ++i) Wheel(ui, 1500, 1);
    const double elsewhere = g.ViewStart();
    ASSERT_FALSE(g.Visible(kDay + 3700));
    ui.SetPlayhead(kDay + 3720);
    EXPECT_DOUBLE_EQ(elsewhere, g.ViewStart());

    // Another day shows that whole day again; the same day keeps the zoom.
    ui.SetRecordings(kDay + 100, {});
    EXPECT_DOUBLE_EQ(elsewhere, g.ViewStart());
    EXPECT_FALSE(ui.HasPlayhead());
    ui.SetRecordings(kDay + 86400 + 100, {});
    EXPECT_EQ(kDay + 86400, g.DayStart());
    EXPECT_DOUBLE_EQ(86400, g.ViewSpan());
}

}  // namespace
