// The record window against the simulator's record server and HTTP files: the query cycle and
// its failures, playback across recordings, the slider and buttons, stale reports, stopping.
#include "RecordFormSupport.h"
#include "TimelineUI.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <set>

using namespace DuiLib;
using recordtest::TestForm;

namespace {

const char kNoRecords[] = "没有查询到这个时段的录像！";
const char kCannotConnect[] = "无法连接录像服务器！";

class RecordFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = recordtest::MakeSim(); }
    static void TearDownTestSuite() {
        delete s_sim;
        s_sim = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(nullptr, s_sim) << "simulator did not start";
        ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
        form = std::make_unique<TestForm>();
        ASSERT_NE(nullptr, form->Create(nullptr, "RecordQueryForm", UI_WNDSTYLE_DIALOG, 0));
        form->CenterWindow();
        form->SetRecordServer("127.0.0.1", s_sim->records[0], "T2");
        form->SetCameraName("带声音");
        form->ShowWindow(true, true);
        ASSERT_TRUE(uitest::PumpUntil([&] { return pm().PaintCount() > 0; }));
    }
    void TearDown() override {
        if (form && IsWindow(form->GetHWND())) {
            HWND h = form->GetHWND();
            form->Close(0);
            EXPECT_TRUE(uitest::PumpUntil([&] { return !IsWindow(h); }, 10000));
        }
        form.reset();
        uitest::Pump();
    }
    CPaintManagerUI& pm() { return form->GetPaintManager(); }
    CControlUI* C(const char* name) { return pm().FindControl(name); }
    std::string Text(const char* name) { return C(name) ? C(name)->GetText().Str() : "<none>"; }
    CSliderUI* Slider() { return pm().FindControlAs<CSliderUI>("sliderVol"); }
    bool Idle() { return C("PlayerBK")->IsVisible() && !C("recordPlayer")->IsVisible(); }

    // Sets the pickers to [from, to] of one local day; false when they fall on two days.
    bool SetRange(time_t from, time_t to) {
        TDateTime a = recordtest::LocalTime(from), b = recordtest::LocalTime(to);
        if (a.year != b.year || a.month != b.month || a.day != b.day) return false;
        pm().FindControlAs<CDateTimeUI>("queryDate")->SetValue(a);
        pm().FindControlAs<CDateTimeUI>("queryStartTime")->SetValue(a);
        pm().FindControlAs<CDateTimeUI>("queryEndTime")->SetValue(b);
        return true;
    }
    void Query() {
        uitest::ClickControl(form->GetHWND(), C("btnQuery"));
        EXPECT_TRUE(uitest::PumpUntil([&] { return !form->IsQuerying(); }, 10000));
        uitest::Pump();
    }
    // Plays the recordings of the last `seconds`; false (test skipped) across midnight.
    bool PlayRecent(int seconds) {
        time_t now = std::time(nullptr);
        if (!SetRange(now - seconds, now - 1)) return false;
        Query();
        return true;
    }
    static std::string Clock(int64_t t) {
        time_t tt = static_cast<time_t>(t);
        struct tm tmv {};
        localtime_r(&tt, &tmv);
        char buf[16];
        std::strftime(buf, sizeof buf, "%H:%M:%S", &tmv);
        return buf;
    }

    static simtest::SimProcess* s_sim;
    std::unique_ptr<TestForm> form;
};
simtest::SimProcess* RecordFormTest::s_sim = nullptr;

TEST_F(RecordFormTest, OpensIdleWithTodayAndTheWholeDay) {
    EXPECT_EQ("带声音", Text("cameraName"));
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(C("btnPlay")->IsEnabled());
    EXPECT_FALSE(C("btnPause")->IsVisible());
    EXPECT_FALSE(Slider()->IsEnabled());
    EXPECT_EQ("00:00:00", Text("txtStartTime"));
    auto* date = pm().FindControlAs<CDateTimeUI>("queryDate");
    TDateTime today = recordtest::LocalTime(std::time(nullptr));
    EXPECT_EQ(today.day, date->GetValue().day);
    EXPECT_EQ("000000", std::string(pm().FindControlAs<CDateTimeUI>("queryStartTime")->GetTimeText().Str()));
    EXPECT_EQ("235959", std::string(pm().FindControlAs<CDateTimeUI>("queryEndTime")->GetTimeText().Str()));

    // Tab walks the fields of a picker, then leaves it.
    auto* start = pm().FindControlAs<CDateTimeUI>("queryStartTime");
    start->SetFocus();
    uitest::Key(form->GetHWND(), SDLK_TAB);
    EXPECT_EQ(start, pm().GetFocus());
    EXPECT_EQ(1, start->GetEditor().Field());
    uitest::Key(form->GetHWND(), SDLK_TAB);
    uitest::Key(form->GetHWND(), SDLK_TAB);
    EXPECT_NE(start, pm().GetFocus());
    EXPECT_EQ(2, start->GetEditor().Field());
}

TEST_F(RecordFormTest, EmptyRangeIsRejectedAndAnEmptyCameraSaysSo) {
    size_t mark = s_sim->Mark();
    time_t now = std::time(nullptr);
    ASSERT_TRUE(SetRange(now, now) || SetRange(now - 1, now - 1));
    uitest::ClickControl(form->GetHWND(), C("btnQuery"));
    ASSERT_EQ(1u, form->alerts.size());
    EXPECT_EQ("无效的查询日期，请重新输入！", form->alerts[0].first);
    EXPECT_EQ("错误", form->alerts[0].second);
    EXPECT_FALSE(form->IsQuerying());
    EXPECT_FALSE(s_sim->WaitLine("RECORD login", 200, mark));  // nothing was sent

    // The defaults (the whole day) are accepted; T1 keeps no recordings.
    form->SetRecordServer("127.0.0.1", s_sim->records[0], "T1");
    TDateTime day = recordtest::LocalTime(now);
    day.hour = day.minute = day.second = 0;
    pm().FindControlAs<CDateTimeUI>("queryStartTime")->SetValue(day);
    day.hour = 23;
    day.minute = day.second = 59;
    pm().FindControlAs<CDateTimeUI>("queryEndTime")->SetValue(day);
    Query();
    ASSERT_EQ(2u, form->alerts.size());
    EXPECT_EQ(kNoRecords, form->alerts[1].first);
    EXPECT_EQ("提示", form->alerts[1].second);
    EXPECT_FALSE(IsWindow(form->GetWaitView().GetHWND()));
    EXPECT_TRUE(Idle());
}

TEST_F(RecordFormTest, SilentOrMissingServerEndsTheQuery) {
    recordtest::SilentListener silent;
    ASSERT_NE(0, silent.Port());
    form->SetRecordServer("127.0.0.1", silent.Port(), "T2");
    form->SetQueryTimeout(400);
    time_t now = std::time(nullptr);
    ASSERT_TRUE(SetRange(now - 60, now) || SetRange(now, now + 60));
    uitest::ClickControl(form->GetHWND(), C("btnQuery"));
    EXPECT_TRUE(form->IsQuerying());
    EXPECT_TRUE(IsWindow(form->GetWaitView().GetHWND()));
    EXPECT_TRUE(uitest::PumpUntil([&] { return !form->IsQuerying(); }, 5000));
    ASSERT_EQ(1u, form->alerts.size());
    EXPECT_EQ(kCannotConnect, form->alerts[0].first);
    EXPECT_FALSE(IsWindow(form->GetWaitView().GetHWND()));

    int closedPort = 0;
    {
        recordtest::SilentListener gone;
        closedPort = gone.Port();
    }
    form->SetRecordServer("127.0.0.1", closedPort, "T2");
    form->SetQueryTimeout(10000);
    Query();
    ASSERT_EQ(2u, form->alerts.size());
    EXPECT_EQ(kCannotConnect, form->alerts[1].first);

    // A later query on the same window works again.
    form->SetRecordServer("127.0.0.1", s_sim->records[0], "T1");
    Query();
    ASSERT_EQ(3u, form->alerts.size());
    EXPECT_EQ(kNoRecords, form->alerts[2].first);
}

TEST_F(RecordFormTest, PlaysEveryRecordingInTurnThenReturnsToIdle) {
    size_t mark = s_sim->Mark();
    if (!PlayRecent(200)) GTEST_SKIP() << "range crosses midnight";
    ASSERT_TRUE(form->alerts.empty());
    kelvo::VideoPlayerUI* player = form->Player();
    ASSERT_TRUE(player->IsPlaying());
    const int64_t total = player->Total();
    ASSERT_GE(total, 120);
    EXPECT_EQ(0, total % 60);
    EXPECT_TRUE(C("recordPlayer")->IsVisible());
    EXPECT_FALSE(C("PlayerBK")->IsVisible());
    EXPECT_TRUE(C("btnPause")->IsVisible());
    EXPECT_FALSE(C("btnPlay")->IsVisible());
    EXPECT_EQ(total, Slider()->GetMaxValue());
    EXPECT_EQ(Clock(player->LastEnd()), Text("txtStopTime"));
    EXPECT_EQ(Clock(player->FirstStart()), Text("txtStartTime"));

    // Back 10 from below 10 lands on 0; forward 10 moves the slider by 10 (clicks dispatched
    // directly, so no progress report slips in between).
    Slider()->SetValue(7);
    pm().SendNotify(C("btnPrevious"), DUI_MSGTYPE_CLICK);
    EXPECT_EQ(0, Slider()->GetValue());
    EXPECT_FALSE(form->IsHolding());
    Slider()->SetValue(25);
    pm().SendNotify(C("btnNext"), DUI_MSGTYPE_CLICK);
    EXPECT_EQ(35, Slider()->GetValue());

    // Pause and resume swap the buttons.
    uitest::ClickControl(form->GetHWND(), C("btnPause"));
    EXPECT_TRUE(C("btnPlay")->IsVisible());
    EXPECT_FALSE(C("btnPause")->IsVisible());
    uitest::ClickControl(form->GetHWND(), C("btnPlay"));
    EXPECT_TRUE(C("btnPause")->IsVisible());

    // A jump out of a pause plays from there: the buttons follow. One beyond
    // the end is ignored and leaves the pause alone.
    uitest::ClickControl(form->GetHWND(), C("btnPause"));
    Slider()->SetValue(static_cast<int>(total) + 5);
    pm().SendNotify(C("btnNext"), DUI_MSGTYPE_CLICK);
    EXPECT_TRUE(C("btnPlay")->IsVisible());
    Slider()->SetValue(20);
    pm().SendNotify(Slider(), DUI_MSGTYPE_BUTTONDOWN, 20, 0);
    pm().SendNotify(Slider(), DUI_MSGTYPE_BUTTONUP, 20, 0);
    EXPECT_TRUE(C("btnPause")->IsVisible());
    EXPECT_FALSE(C("btnPlay")->IsVisible());

    ASSERT_TRUE(uitest::PumpUntil([&] { return Idle(); }, 40000));
    EXPECT_TRUE(form->alerts.empty());
    EXPECT_EQ("00:00:00", Text("txtStartTime"));
    EXPECT_EQ("00:00:00", Text("txtStopTime"));
    EXPECT_FALSE(Slider()->IsEnabled());
    EXPECT_FALSE(player->IsPlaying());
    std::set<std::string> files;
    s_sim->WaitLine("\x01", 200);  // collects what the simulator printed so far
    const std::vector<std::string> lines = s_sim->Lines();
    for (size_t i = mark; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        auto at = l.find("http get /rec/T2/");
        if (at != std::string::npos) files.insert(l.substr(at, l.find(' ', at + 9) - at));
    }
    EXPECT_EQ(static_cast<size_t>(total / 60), files.size());  // every recording was opened
}

TEST_F(RecordFormTest, StaleReportsAndAFailedSecondQueryLeavePlaybackAlone) {
    if (!PlayRecent(900)) GTEST_SKIP() << "range crosses midnight";
    kelvo::VideoPlayerUI* player = form->Player();
    ASSERT_TRUE(player->IsPlaying());
    const uint32_t list = player->CurrentList();
    PostMessage(form->GetHWND(), kelvo::WM_PLAYBACK_FINISHED, list + 1, 0);
    PostMessage(form->GetHWND(), kelvo::WM_PLAYBACK_ERROR, list - 1, 0);
    uitest::Pump();
    EXPECT_TRUE(player->IsPlaying());
    EXPECT_TRUE(form->alerts.empty());

    form->SetRecordServer("127.0.0.1", s_sim->records[0], "T1");
    Query();
    ASSERT_EQ(1u, form->alerts.size());
    EXPECT_EQ(kNoRecords, form->alerts[0].first);
    EXPECT_TRUE(player->IsPlaying());
    EXPECT_EQ(list, player->CurrentList());
    EXPECT_FALSE(Idle());

    // While the slider is held, progress does not move it; release jumps.
    Slider()->SetValue(300);
    form->GetPaintManager().SendNotify(Slider(), DUI_MSGTYPE_BUTTONDOWN, 300, 0);
    EXPECT_TRUE(form->IsHolding());
    PostMessage(form->GetHWND(), kelvo::WM_PLAYBACK_PROGRESS, static_cast<WPARAM>(player->FirstStart() + 5), 5);
    uitest::Pump();
    EXPECT_EQ(300, Slider()->GetValue());
    form->GetPaintManager().SendNotify(Slider(), DUI_MSGTYPE_BUTTONUP, 300, 0);
    EXPECT_FALSE(form->IsHolding());
    // The jump lands at the start of the sixth recording (they follow each other every 60 s);
    // without it playback would need several more seconds to get there.
    const std::string at300 = Clock(player->FirstStart() + 300), at301 = Clock(player->FirstStart() + 301);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Text("txtStartTime") == at300 || Text("txtStartTime") == at301; }, 2500));
    EXPECT_GE(Slider()->GetValue(), 300);

    // Next beyond the total is ignored: playback goes on.
    Slider()->SetValue(Slider()->GetMaxValue());
    uitest::ClickControl(form->GetHWND(), C("btnNext"));
    uitest::Pump();
    EXPECT_TRUE(player->IsPlaying());

    // The current list's own report ends it.
    PostMessage(form->GetHWND(), kelvo::WM_PLAYBACK_FINISHED, player->CurrentList(), 0);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Idle(); }));
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(1u, form->alerts.size());
}

TEST_F(RecordFormTest, StopDuringAStalledOpenReturnsPromptlyAndSilently) {
    recordtest::SilentListener silent;
    RecordItem item{};
    item.begin = 1700000000;
    item.end = item.begin + 60;
    item.duration = 60;
    std::snprintf(item.url, sizeof item.url, "http://127.0.0.1:%d/rec/T2/x.mp4", silent.Port());
    kelvo::VideoPlayerUI* player = form->Player();
    ASSERT_TRUE(player->PlayList(&item, 1, form->GetHWND()));
    ASSERT_TRUE(silent.HasPending(3000));  // the worker now waits in its open
    auto t0 = std::chrono::steady_clock::now();
    player->StopAll();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 1500);
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(0u, player->CurrentList());
    EXPECT_EQ(0, player->AbandonedRuns());
    uitest::Pump(10);
    EXPECT_TRUE(form->alerts.empty());  // a stopped run reports nothing
}

TEST_F(RecordFormTest, AHungRunIsAbandonedAndTheNextListPlaysOnAFreshPlayer) {
    auto hung = std::make_shared<recordtest::HungPlayer>();
    kelvo::VideoPlayerUI* player = form->Player();
    player->UsePlayer(hung, &recordtest::MakeFakePlayer);
    RecordItem items[2] = {};
    for (int i = 0; i < 2; ++i) {
        items[i].begin = 1700000000 + 60 * i;
        items[i].end = items[i].begin + 60;
        items[i].duration = 60;
        std::snprintf(items[i].url, sizeof items[i].url, "file:///nowhere/%d.mp4", i);
    }
    ASSERT_TRUE(player->PlayList(items, 2, form->GetHWND()));
    ASSERT_TRUE(hung->entered.Wait(5000));
    auto t0 = std::chrono::steady_clock::now();
    player->StopAll();  // waits its bounded time, then leaves the run behind
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(ms, CThread::kStopWaitMs - 100);
    EXPECT_LT(ms, CThread::kStopWaitMs + 2000);
    EXPECT_EQ(1, player->AbandonedRuns());
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_GE(hung->stops.load(), 1);
    ASSERT_NE(static_cast<kelvo::RecordPlayer*>(hung.get()), player->Player());

    // The next list runs at once on the fresh player while the old run is still stuck.
    ASSERT_TRUE(player->PlayList(items, 2, form->GetHWND()));
    auto* fresh = dynamic_cast<recordtest::FakePlayer*>(player->Player());
    ASSERT_NE(nullptr, fresh);
    EXPECT_TRUE(uitest::PumpUntil([&] { return fresh->opens.load() >= 1; }));
    const uint32_t list = player->CurrentList();

    // Let the old run go: it finds its own stop request and ends without a word, releasing the
    // player and list it held.
    hung->release.Set();
    EXPECT_TRUE(uitest::PumpUntil([&] { return hung.use_count() == 1; }, 5000));
    uitest::Pump(5);
    EXPECT_EQ(1, hung->opens.load());  // it opened nothing further
    EXPECT_TRUE(player->IsPlaying());
    EXPECT_EQ(list, player->CurrentList());
    EXPECT_TRUE(form->alerts.empty());
    player->StopAll();
    EXPECT_EQ(1, player->AbandonedRuns());
}

TEST_F(RecordFormTest, ProgressAfterAGapKeepsTheSliderOnRecordedTime) {
    kelvo::VideoPlayerUI* player = form->Player();
    player->UsePlayer(std::make_shared<recordtest::FakePlayer>(), &recordtest::MakeFakePlayer);
    // Two minutes of recordings with ten minutes between them.
    RecordItem items[2] = {};
    const int64_t begins[2] = {1700000000, 1700000000 + 660};
    for (int i = 0; i < 2; ++i) {
        items[i].begin = begins[i];
        items[i].end = begins[i] + 60;
        items[i].duration = 60;
        std::snprintf(items[i].url, sizeof items[i].url, "file:///nowhere/%d.mp4", i);
    }
    ASSERT_TRUE(player->PlayList(items, 2, form->GetHWND()));
    player->Seek(70);  // ten seconds into the second recording
    // The fake stays at the start of the file it opened: the report is the
    // second recording's start, 60 s into recorded time (not 660 s after the
    // first start, which a release of the slider would read as beyond the end).
    EXPECT_TRUE(uitest::PumpUntil([&] { return Text("txtStartTime") == Clock(begins[1]); }, 5000));
    EXPECT_EQ(60, Slider()->GetValue());
    player->StopAll();
}

// The timeline row: zoom by wheel, click to play from a time, previous/next recording, speed and
// single steps, driven through the window's input like a user.
class RecordTimelineTest : public RecordFormTest {
protected:
    kelvo::TimelineUI* Timeline() { return form->Timeline(); }
    int BarY() {
        const RECT bar = Timeline()->BarRect();
        return (bar.top + bar.bottom) / 2;
    }
    int ScreenX(double t) { return Timeline()->GetPos().left + Timeline()->Geometry().XAt(t); }
    void Wheel(int x, int notches) {
        uitest::PushMove(form->GetHWND(), x, BarY());
        SDL_Event ev;
        SDL_zero(ev);
        ev.type = SDL_MOUSEWHEEL;
        ev.wheel.windowID = uitest::SdlId(form->GetHWND());
        ev.wheel.y = notches;
        SDL_PushEvent(&ev);
        uitest::Pump();
    }
    // Pauses through the button and waits until the shown time stands still on a report.
    void PauseHere() {
        uitest::ClickControl(form->GetHWND(), C("btnPause"));
        ASSERT_TRUE(C("btnPlay")->IsVisible());
    }
    // True once a progress report shows `t` (the label and the play-head).
    bool Reaches(int64_t t, int timeoutMs = 4000) {
        const std::string want = Clock(t);
        return uitest::PumpUntil(
            [&] { return Text("txtStartTime") == want && form->CurrentTime() == t && Timeline()->Playhead() == t; },
            timeoutMs);
    }
    bool Fetched(int64_t begin, size_t mark) {
        return s_sim->WaitLine("http get /rec/T2/" + std::to_string(begin) + "_", 3000, mark);
    }
};

TEST_F(RecordTimelineTest, ShowsTheDayAndAClickAfterZoomingPlaysFromThatRecording) {
    ASSERT_NE(nullptr, Timeline());
    EXPECT_STREQ("Timeline", Timeline()->GetClass());
    EXPECT_TRUE(Timeline()->Recordings().empty());
    EXPECT_FALSE(C("btnNextRecord")->IsEnabled());
    if (!PlayRecent(900)) GTEST_SKIP() << "range crosses midnight";
    kelvo::VideoPlayerUI* player = form->Player();
    ASSERT_TRUE(player->IsPlaying());
    const std::vector<RecordItem> items = Timeline()->Recordings();
    ASSERT_GE(items.size(), 14u);
    EXPECT_EQ(player->FirstStart(), items.front().begin);
    const kelvo::TimelineGeometry& g = Timeline()->Geometry();
    EXPECT_EQ(kelvo::TimelineGeometry::LocalDayStart(items.back().begin), g.DayStart());
    EXPECT_DOUBLE_EQ(static_cast<double>(g.DayEnd() - g.DayStart()), g.ViewSpan());
    EXPECT_EQ(Timeline()->GetPos().right - Timeline()->GetPos().left, g.Width());
    EXPECT_TRUE(C("btnNextRecord")->IsEnabled());
    EXPECT_TRUE(C("btnStepFrame")->IsEnabled());

    // Drawn: the recordings filled in the accent colour, the hour before them left dark.
    const double middle = static_cast<double>(items.front().begin + items.back().end) / 2;
    for (int i = 0; i < 4; ++i) Wheel(ScreenX(middle), 1);
    ASSERT_DOUBLE_EQ(5400, g.ViewSpan());
    Timeline()->Invalidate();
    uitest::Pump();
    const int head = ScreenX(static_cast<double>(Timeline()->Playhead()));
    const int filled = ScreenX(static_cast<double>(items[2].begin)) < head - 5 ? ScreenX(static_cast<double>(items[2].begin))
                                                                                 : ScreenX(static_cast<double>(items[12].begin));
    EXPECT_EQ(0xFF386382u, uitest::PixelAt(pm(), filled, BarY()));
    const int gap = ScreenX(static_cast<double>(items.front().begin) - 600);
    if (gap > Timeline()->GetPos().left) {
        EXPECT_EQ(0xFF15191Eu, uitest::PixelAt(pm(), gap, BarY()));
    }

    PauseHere();
    // Zoom onto the tenth recording, the cursor kept over its start, down to one minute.
    const int64_t begin = items[10].begin;
    for (int i = 0; i < 12; ++i) Wheel(ScreenX(static_cast<double>(begin)), 1);
    ASSERT_DOUBLE_EQ(kelvo::TimelineGeometry::kMinSpan, g.ViewSpan());
    ASSERT_TRUE(g.Visible(static_cast<double>(begin) + 2));
    // Two seconds into it: the simulator's files are one second long for 60 s of recorded
    // time, so playback reports the recording's start.
    const size_t mark = s_sim->Mark();
    uitest::Click(form->GetHWND(), ScreenX(static_cast<double>(begin) + 2), BarY());
    EXPECT_TRUE(C("btnPause")->IsVisible()) << "a jump plays out of a pause";
    EXPECT_TRUE(Fetched(begin, mark));
    EXPECT_TRUE(Reaches(begin));

    // Zooming out at the same place brings the whole day back.
    for (int i = 0; i < 12; ++i) Wheel(ScreenX(static_cast<double>(begin)), -1);
    EXPECT_DOUBLE_EQ(static_cast<double>(g.DayEnd() - g.DayStart()), g.ViewSpan());
    // A click after the last recording goes nowhere.
    PauseHere();
    const int64_t before = form->CurrentTime();
    uitest::Click(form->GetHWND(), Timeline()->GetPos().right - 1, BarY());
    EXPECT_TRUE(C("btnPlay")->IsVisible());
    EXPECT_EQ(before, form->CurrentTime());
}

TEST_F(RecordTimelineTest, NextAndPreviousRecordingJumpToTheirStarts) {
    if (!PlayRecent(900)) GTEST_SKIP() << "range crosses midnight";
    const std::vector<RecordItem> items = Timeline()->Recordings();
    ASSERT_GE(items.size(), 14u);
    // Half speed through the combo: each one-second file then plays for two seconds.
    pm().FindControlAs<CComboUI>("comBoxSpeed")->SelectItem(0);
    EXPECT_DOUBLE_EQ(0.5, form->Player()->Speed());

    // Paused, nothing moves on by itself: only the jump can bring the next start.
    PauseHere();
    kelvo::TimelineGeometry::Target next;
    ASSERT_TRUE(kelvo::TimelineGeometry::NextRecording(items, form->CurrentTime(), next));
    size_t mark = s_sim->Mark();
    uitest::ClickControl(form->GetHWND(), C("btnNextRecord"));
    EXPECT_TRUE(Fetched(next.time, mark));
    EXPECT_TRUE(Reaches(next.time));
    // The slider stands where a release would jump back to: recorded time,
    // the gaps before this recording left out.
    EXPECT_EQ(next.position, Slider()->GetValue());

    PauseHere();
    kelvo::TimelineGeometry::Target previous;
    ASSERT_TRUE(kelvo::TimelineGeometry::PreviousRecording(items, form->CurrentTime(), previous));
    EXPECT_LT(previous.time, form->CurrentTime());
    mark = s_sim->Mark();
    uitest::ClickControl(form->GetHWND(), C("btnPrevRecord"));
    EXPECT_TRUE(Fetched(previous.time, mark));
    EXPECT_TRUE(Reaches(previous.time));

    // Back to the first: previous then has nowhere to go.
    while (kelvo::TimelineGeometry::PreviousRecording(items, form->CurrentTime(), previous))
        pm().SendNotify(C("btnPrevRecord"), DUI_MSGTYPE_CLICK);
    EXPECT_EQ(items.front().begin, form->CurrentTime());
    EXPECT_TRUE(Reaches(items.front().begin));
}

TEST_F(RecordTimelineTest, StepShowsOnePictureAndSpeedReachesThePlayer) {
    if (!PlayRecent(300)) GTEST_SKIP() << "range crosses midnight";
    kelvo::VideoPlayerUI* player = form->Player();
    ASSERT_TRUE(uitest::PumpUntil([&] { return player->Player()->PictureCount() >= 2; }, 5000));
    uitest::ClickControl(form->GetHWND(), C("btnStepFrame"));
    EXPECT_TRUE(C("btnPlay")->IsVisible()) << "a step leaves playback paused";
    EXPECT_FALSE(C("btnPause")->IsVisible());
    const uint64_t count = player->Player()->PictureCount();
    uitest::ClickControl(form->GetHWND(), C("btnStepFrame"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return player->Player()->PictureCount() > count; }, 3000));
    EXPECT_EQ(count + 1, player->Player()->PictureCount());

    pm().FindControlAs<CComboUI>("comBoxSpeed")->SelectItem(5);
    EXPECT_DOUBLE_EQ(16.0, player->Speed());
    // The speed outlives the list: stop and play again.
    uitest::ClickControl(form->GetHWND(), C("btnStop"));
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(C("btnStepFrame")->IsEnabled());
    EXPECT_TRUE(Timeline()->Recordings().empty());
    EXPECT_FALSE(Timeline()->HasPlayhead());
    ASSERT_TRUE(PlayRecent(300));
    EXPECT_DOUBLE_EQ(16.0, player->Speed());
}

TEST(PlaybackLocate, FindsTheItemAndOffsetOfRecordedTime) {
    std::vector<RecordItem> items(3);
    items[0].duration = 60;
    items[1].duration = 0;  // an empty file takes no time
    items[2].duration = 30;
    size_t index = 9;
    int64_t offset = -1;
    ASSERT_TRUE(kelvo::PlaybackWorker::Locate(items, 0, index, offset));
    EXPECT_EQ(0u, index);
    EXPECT_EQ(0, offset);
    ASSERT_TRUE(kelvo::PlaybackWorker::Locate(items, 60, index, offset));
    EXPECT_EQ(2u, index);
    EXPECT_EQ(0, offset);
    ASSERT_TRUE(kelvo::PlaybackWorker::Locate(items, 89, index, offset));
    EXPECT_EQ(2u, index);
    EXPECT_EQ(29, offset);
    EXPECT_FALSE(kelvo::PlaybackWorker::Locate(items, 90, index, offset));
    EXPECT_FALSE(kelvo::PlaybackWorker::Locate(items, -1, index, offset));
}

}  // namespace
