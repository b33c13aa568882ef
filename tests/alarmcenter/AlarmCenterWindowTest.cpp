// The alarm centre's window driven headless through synthetic clicks.
#include "AlarmCenter.h"
#include "AlarmCenterWnd.h"
#include "AlarmMessages.h"
#include "CommonWindow.h"

#include "../duilib/UiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace DuiLib;
using kelvo::AlarmCenter;

namespace {

class ToolkitEnvironment : public ::testing::Environment {
public:
    void TearDown() override { CPaintManagerUI::Term(); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

// Stands in for the main window: keeps what "play from here" sends.
class Owner : public kelvo::CommonWindow {
public:
    const char* GetWindowClassName() const override { return "TestOwner"; }
    std::vector<kelvo::AlarmPlayback> playbacks;
    bool Open() { return Create(nullptr, "owner", UI_WNDSTYLE_DIALOG, 0, 100, 80, 420, 300) != nullptr; }

protected:
    CDuiString GetSkinFile() override { return "waitForm.xml"; }
    LRESULT HandleCustomMessage(UINT m, WPARAM w, LPARAM l, bool& handled) override {
        if (m == kelvo::WM_ALARM_PLAYBACK) {
            playbacks.push_back(*kelvo::TakeAlarmPlayback(l));
            handled = true;
            return 0;
        }
        return CommonWindow::HandleCustomMessage(m, w, l, handled);
    }
};

KelvoAlarmInfo Alarm(int region, int type, long long arrival) {
    return KelvoAlarmInfo{region, type, 1, 2, 3, 4, arrival};
}

class AlarmCenterWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
        ASSERT_TRUE(m_owner.Open());
        m_owner.ShowWindow(true, false);
        m_center = std::make_unique<AlarmCenter>(m_owner.GetHWND(), [this] { return m_now; });
        m_center->onCountChanged = [this] { ++m_countChanges; };
        m_center->onBringToFront = [this] { ++m_fronts; };
        uitest::Pump();
    }
    void TearDown() override {
        m_center.reset();
        DestroyWindow(m_owner.GetHWND());
        uitest::Pump();
    }

    HWND Hwnd() { return m_center->Window()->GetHWND(); }
    CListUI* List() { return m_center->Window()->FindControlAs<CListUI>("listAlarms"); }
    void Click(const char* name) {
        CControlUI* c = m_center->Window()->FindControlAs<CControlUI>(name);
        ASSERT_NE(c, nullptr) << name;
        uitest::ClickControl(Hwnd(), c);
    }
    // Text of cell `cell` of row `row` as shown.
    std::string Cell(int row, int cell) {
        auto* item = dynamic_cast<CContainerUI*>(List()->GetItemAt(row));
        if (!item || !item->GetItemAt(cell)) return "<none>";
        return item->GetItemAt(cell)->GetText().Str();
    }
    std::string Count() {
        return m_center->Window()->FindControlAs<CLabelUI>("labelCount")->GetText().Str();
    }
    void SelectRow(int row) {
        ASSERT_NE(List()->GetItemAt(row), nullptr);
        uitest::ClickControl(Hwnd(), List()->GetItemAt(row));
    }

    int64_t m_now = 1800000000;
    int m_countChanges = 0;
    int m_fronts = 0;
    Owner m_owner;
    std::unique_ptr<AlarmCenter> m_center;
};

}  // namespace

TEST_F(AlarmCenterWindowTest, ShowsRowsAndButtonsActOnTheSelectedRow) {
    const std::string gate = "总部\\大门";  // GBK in this build, shown as is
    m_center->OnAlarm("cam-1", gate, {Alarm(7, 3, 1800000100)});
    m_center->OnAlarm("cam-2", "Site\\Yard", {Alarm(2, 9, 1800000200), Alarm(4, 1, 1800000200)});
    EXPECT_FALSE(m_center->IsShown());
    m_center->Show();
    uitest::Pump();
    ASSERT_TRUE(m_center->IsShown());
    ASSERT_EQ(List()->GetCount(), 3);
    EXPECT_EQ(Cell(2, 0), kelvo::AlarmCenterWnd::TimeText(1800000100));  // the oldest last
    EXPECT_EQ(Cell(2, 1), gate);
    EXPECT_EQ(Cell(2, 2), "7");
    EXPECT_EQ(Cell(2, 3), "3");
    EXPECT_EQ(Count(), "未确认报警：3");

    Click("btnAck");  // nothing selected: nothing happens
    EXPECT_EQ(m_center->UnacknowledgedCount(), 3);
    SelectRow(2);
    Click("btnAck");
    EXPECT_EQ(Cell(2, 4), "已确认");
    EXPECT_EQ(Cell(0, 4), "未确认");
    EXPECT_EQ(m_countChanges, 3);

    Click("btnPlayback");
    ASSERT_TRUE(uitest::PumpUntil([&] { return m_owner.playbacks.size() == 1; }));
    EXPECT_EQ(m_owner.playbacks[0].key, "cam-1");
    EXPECT_EQ(m_owner.playbacks[0].titlePath, gate);
    EXPECT_EQ(m_owner.playbacks[0].time, 1800000100);

    // Snoozed: the next alarm lists as such, does not count and does not call for the front.
    Click("btnSnooze5m");
    EXPECT_TRUE(m_center->IsSnoozed("cam-1"));
    EXPECT_FALSE(m_center->IsSnoozed("cam-2"));
    m_center->SetBringToFront(true);
    m_center->OnAlarm("cam-1", gate, {Alarm(8, 3, 1800000300)});
    EXPECT_EQ(m_fronts, 0);
    ASSERT_EQ(List()->GetCount(), 4);  // the open window follows the list
    EXPECT_EQ(Cell(0, 4), "已静音");
    m_center->OnAlarm("cam-2", "Site\\Yard", {Alarm(5, 1, 1800000400)});
    EXPECT_EQ(m_fronts, 1);
    EXPECT_EQ(m_center->UnacknowledgedCount(), 3);

    Click("btnAckAll");
    EXPECT_EQ(Count(), "未确认报警：0");
}

TEST_F(AlarmCenterWindowTest, SelectionFollowsItsRowForSnoozeAndDoubleClick) {
    m_center->OnAlarm("cam-1", "A", {Alarm(1, 1, 1800000010)});
    m_center->OnAlarm("cam-2", "B", {Alarm(1, 1, 1800000020)});
    m_center->Show();
    uitest::Pump();
    SelectRow(1);  // cam-1; a newer alarm then moves it down
    m_center->OnAlarm("cam-3", "C", {Alarm(1, 1, 1800000030)});
    EXPECT_EQ(List()->GetCurSel(), 2);
    Click("btnSnooze1h");
    EXPECT_EQ(m_center->List().SnoozedUntil("cam-1"), m_now + 3600);
    Click("btnSnoozeTomorrow");
    EXPECT_EQ(m_center->List().SnoozedUntil("cam-1"), kelvo::AlarmList::NextLocalMidnight(m_now));
    EXPECT_FALSE(m_center->IsSnoozed("cam-3"));

    const RECT rc = List()->GetItemAt(0)->GetPos();
    const int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
    uitest::PushMouse(Hwnd(), x, y, true);
    uitest::PushMouse(Hwnd(), x, y, false);
    uitest::PushMouse(Hwnd(), x, y, true, SDL_BUTTON_LEFT, 2);
    uitest::PushMouse(Hwnd(), x, y, false, SDL_BUTTON_LEFT, 2);
    ASSERT_TRUE(uitest::PumpUntil([&] { return m_owner.playbacks.size() == 1; }));
    EXPECT_EQ(m_owner.playbacks[0].key, "cam-3");
    EXPECT_EQ(m_owner.playbacks[0].time, 1800000030);
}

TEST_F(AlarmCenterWindowTest, ClosedWindowComesBackAndOwnerDeathIsSurvived) {
    m_center->OnAlarm("cam-1", "A", {Alarm(1, 1, 1800000010)});
    m_center->Show();
    uitest::Pump();
    Click("closebtn");
    ASSERT_TRUE(uitest::PumpUntil([&] { return !m_center->IsShown(); }));
    m_center->Show();
    uitest::Pump();
    ASSERT_TRUE(m_center->IsShown());
    EXPECT_EQ(List()->GetCount(), 1);

    // The owned window goes with its owner; posts to the dead owner free their payload.
    DestroyWindow(m_owner.GetHWND());
    uitest::Pump();
    EXPECT_FALSE(m_center->IsShown());
    EXPECT_FALSE(kelvo::PostAlarmPlayback(m_owner.GetHWND(), kelvo::AlarmPlayback{"k", "t", 1}));
    m_center->OnAlarm("cam-2", "B", {Alarm(1, 1, 1800000020)});
    EXPECT_EQ(m_center->UnacknowledgedCount(), 2);
}
