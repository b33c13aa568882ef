// Date and time pickers: calendar arithmetic, field editing by keys, and the control driven
// through real input (keys, typed digits, the calendar popup).
#include "../duilib/UiTestSupport.h"

#include "CCalendarWnd.h"
#include "CDateTimeUI.h"
#include "DateTimeFields.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

using namespace DuiLib;

namespace {

TDateTime D(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    TDateTime v;
    v.year = y; v.month = m; v.day = d; v.hour = hh; v.minute = mm; v.second = ss;
    return v;
}

TEST(DateMath, LeapYearsMonthLengthsAndWeekdays) {
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2026));
    EXPECT_EQ(29, DaysInMonth(2024, 2));
    EXPECT_EQ(28, DaysInMonth(2100, 2));
    EXPECT_EQ(30, DaysInMonth(2026, 11));
    EXPECT_EQ(31, DaysInMonth(2026, 12));
    EXPECT_EQ(0, DaysInMonth(2026, 13));
    EXPECT_EQ(4, DayOfWeek(1970, 1, 1));   // Thursday
    EXPECT_EQ(1, DayOfWeek(2026, 12, 7));  // Monday
    EXPECT_EQ(2, DayOfWeek(2024, 2, 27));  // Tuesday
}

TEST(DateMath, MonthAndDayStepsCutTheDayAndStayInRange) {
    EXPECT_EQ(D(2024, 2, 29), AddMonths(D(2024, 1, 31), 1));
    EXPECT_EQ(D(2023, 2, 28), AddMonths(D(2023, 3, 31), -1));
    EXPECT_EQ(D(2027, 1, 15), AddMonths(D(2026, 12, 15), 1));
    EXPECT_EQ(D(2025, 12, 15), AddMonths(D(2026, 1, 15), -1));
    EXPECT_EQ(D(2037, 12, 31), AddMonths(D(2037, 12, 31), 5));
    EXPECT_EQ(D(1970, 1, 10), AddMonths(D(1970, 3, 10), -40));
    EXPECT_EQ(D(2024, 3, 1), AddDays(D(2024, 2, 28), 2));
    EXPECT_EQ(D(2027, 1, 1), AddDays(D(2026, 12, 31), 1));
    EXPECT_EQ(D(2026, 11, 30), AddDays(D(2026, 12, 7), -7));
    EXPECT_EQ(D(1970, 1, 1), AddDays(D(1970, 1, 3), -10));
    EXPECT_EQ(D(2037, 12, 31), AddDays(D(2037, 12, 30), 10));
    EXPECT_EQ(D(2037, 2, 28, 23, 59, 59), ClampDateTime(D(2099, 2, 31, 24, 60, 61)));
}

TEST(DateMath, MonthGridPlacesDaysUnderTheirWeekdays) {
    // December 2026 begins on a Tuesday: cells 0 and 1 are empty.
    EXPECT_EQ(0, MonthGridDay(2026, 12, 1));
    EXPECT_EQ(1, MonthGridDay(2026, 12, 2));
    EXPECT_EQ(31, MonthGridDay(2026, 12, 32));
    EXPECT_EQ(0, MonthGridDay(2026, 12, 33));
    // February 2015 fills exactly four rows from Sunday.
    EXPECT_EQ(1, MonthGridDay(2015, 2, 0));
    EXPECT_EQ(28, MonthGridDay(2015, 2, 27));
    EXPECT_EQ(0, MonthGridDay(2015, 2, 28));
    EXPECT_EQ(0, MonthGridDay(2015, 2, 42));
}

TEST(FieldEditor, TypedDigitsFillFieldsAndMoveOn) {
    DateTimeFieldEditor e(DateTimeMode::Time);
    e.SetValue(D(2026, 12, 7, 0, 0, 0));
    e.TypeDigit(0);
    EXPECT_EQ(0, e.Field());
    e.TypeDigit(8);  // 08: two digits, next field
    EXPECT_EQ(1, e.Field());
    e.TypeDigit(7);  // 7x would exceed 59: complete at once
    EXPECT_EQ(2, e.Field());
    e.TypeDigit(0);
    e.TypeDigit(9);
    EXPECT_EQ("08:07:09", e.Text());
    EXPECT_EQ(2, e.Field());  // the last field keeps the keyboard

    e.SetField(0);
    e.TypeDigit(2);
    e.TypeDigit(9);  // 29 hours: cut to 23
    EXPECT_EQ(23, e.Value().hour);

    DateTimeFieldEditor d(DateTimeMode::Date);
    d.SetValue(D(2026, 12, 7));
    for (int digit : {2, 0, 2, 4, 0, 2, 3}) d.TypeDigit(digit);
    EXPECT_EQ("2024-02-03", d.Text());  // no day of February starts with 3x
    d.TypeDigit(2);
    d.TypeDigit(9);
    EXPECT_EQ("2024-02-29", d.Text());
    d.SetField(0);
    for (int digit : {2, 0, 5, 0}) d.TypeDigit(digit);
    EXPECT_EQ(2037, d.Value().year);  // beyond what the query can carry
    d.SetField(0);
    for (int digit : {2, 0, 2, 3}) d.TypeDigit(digit);
    EXPECT_EQ("2023-02-28", d.Text());  // leaving the leap year cuts the day
}

TEST(FieldEditor, StepsWrapExceptTheYear) {
    DateTimeFieldEditor t(DateTimeMode::Time);
    t.SetValue(D(2026, 1, 1, 23, 0, 59));
    t.Step(1);
    EXPECT_EQ(0, t.Value().hour);
    t.SetField(2);
    t.Step(1);
    EXPECT_EQ(0, t.Value().second);
    EXPECT_EQ(0, t.Value().minute);  // fields wrap on their own, no carry
    t.Step(-1);
    EXPECT_EQ(59, t.Value().second);
    EXPECT_FALSE(t.NextField());
    EXPECT_TRUE(t.PrevField());

    DateTimeFieldEditor d(DateTimeMode::Date);
    d.SetValue(D(2037, 1, 31));
    d.Step(1);
    EXPECT_EQ(2037, d.Value().year);
    d.SetField(1);
    d.Step(1);
    EXPECT_EQ(D(2037, 2, 28), d.Value());
    d.SetField(2);
    d.Step(1);
    EXPECT_EQ(1, d.Value().day);  // wraps within the month
    d.Step(-1);
    EXPECT_EQ(28, d.Value().day);
}

// The pickers in a window, driven by synthetic input.
class PickerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelvo-picker-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        m_dir = std::string(tmpl) + "/";
        std::ofstream(m_dir + "pickers.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<Window size=\"400,200\"><VerticalLayout><HorizontalLayout height=\"30\">"
               "<DateTimePicker name=\"date\" width=\"120\"/>"
               "<DateTimePicker name=\"time\" type=\"TIME\" width=\"100\"/>"
               "<Button name=\"other\" width=\"60\"/></HorizontalLayout><Control/></VerticalLayout></Window>\n";
        ASSERT_TRUE(uitest::InitToolkit(m_dir));
        m_win = std::make_unique<uitest::SkinWindow>("", "pickers.xml");
        m_win->onNotify = [this](TNotifyUI& msg) {
            if (msg.sType == DUI_MSGTYPE_VALUECHANGED) ++changes;
        };
        ASSERT_NE(nullptr, m_win->Create(nullptr, "pickers", UI_WNDSTYLE_DIALOG, 0, 50, 50, 400, 200));
        m_win->ShowWindow(true, true);
        ASSERT_TRUE(uitest::PumpUntil([&] { return m_win->GetPaintManager().PaintCount() > 0; }));
        date = m_win->GetPaintManager().FindControlAs<CDateTimeUI>("date");
        time = m_win->GetPaintManager().FindControlAs<CDateTimeUI>("time");
        ASSERT_NE(nullptr, date);
        ASSERT_NE(nullptr, time);
        date->SetValue(D(2024, 1, 31));
        time->SetValue(D(2024, 1, 31, 8, 5, 9));
        uitest::Pump();
    }
    void TearDown() override {
        if (m_win && m_win->GetHWND()) DestroyWindow(m_win->GetHWND());
        uitest::Pump();
        m_win.reset();
        std::remove((m_dir + "pickers.xml").c_str());
        std::remove(m_dir.c_str());
    }
    HWND Hwnd() const { return m_win->GetHWND(); }
    // A point inside field `f` of a picker (fields are laid out by the first paint).
    void ClickField(CDateTimeUI* p, int f) {
        const RECT& rc = p->GetPos();
        for (int x = rc.left; x < rc.right; ++x)
            if (p->FieldAt(POINT{x, rc.top + 5}) == f) {
                uitest::Click(Hwnd(), x + 2, (rc.top + rc.bottom) / 2);
                return;
            }
        ADD_FAILURE() << "field " << f << " not found";
    }

    std::string m_dir;
    std::unique_ptr<uitest::SkinWindow> m_win;
    CDateTimeUI* date = nullptr;
    CDateTimeUI* time = nullptr;
    int changes = 0;
};

TEST_F(PickerWindowTest, TimeFieldsByClickArrowsAndTypedDigits) {
    EXPECT_EQ(DateTimeMode::Time, time->GetMode());
    EXPECT_EQ("080509", std::string(time->GetTimeText().Str()));
    ClickField(time, 1);
    EXPECT_TRUE(time->IsFocused());
    EXPECT_EQ(1, time->GetEditor().Field());
    uitest::Key(Hwnd(), SDLK_UP);
    EXPECT_EQ("080609", std::string(time->GetTimeText().Str()));
    uitest::Key(Hwnd(), SDLK_RIGHT);
    uitest::Type(Hwnd(), "4");
    uitest::Type(Hwnd(), "5");
    EXPECT_EQ("080645", std::string(time->GetTimeText().Str()));
    uitest::Key(Hwnd(), SDLK_LEFT);
    uitest::Key(Hwnd(), SDLK_LEFT);
    uitest::Key(Hwnd(), SDLK_DOWN);  // 08 -> 07
    EXPECT_EQ("070645", std::string(time->GetTimeText().Str()));
    EXPECT_EQ(4, changes);  // up, two digits, down
    // The step button: its upper half counts up the focused field.
    const RECT b = time->ButtonRect();
    uitest::Click(Hwnd(), (b.left + b.right) / 2, b.top + 3);
    EXPECT_EQ("080645", std::string(time->GetTimeText().Str()));
    // Code sets values quietly.
    int before = changes;
    time->SetValue(D(2024, 1, 1, 1, 2, 3));
    EXPECT_EQ(before, changes);
}

TEST_F(PickerWindowTest, DateKeysChangeMonthsAndCutTheDay) {
    ClickField(date, 2);
    uitest::Key(Hwnd(), SDLK_PAGEDOWN);
    EXPECT_EQ("20240229", std::string(date->GetDateText().Str()));
    uitest::Key(Hwnd(), SDLK_LEFT);  // month field
    uitest::Key(Hwnd(), SDLK_DOWN);
    uitest::Key(Hwnd(), SDLK_DOWN);  // February, January, then December of the same year
    EXPECT_EQ("2024-12-29", std::string(date->GetText().Str()));
}

TEST_F(PickerWindowTest, CalendarOpensChangesMonthAndPicksADay) {
    const RECT b = date->ButtonRect();
    uitest::Click(Hwnd(), (b.left + b.right) / 2, (b.top + b.bottom) / 2);
    ASSERT_TRUE(date->IsCalendarOpen());
    std::vector<HWND> owned = GetOwnedWindows(Hwnd());
    ASSERT_EQ(1u, owned.size());
    HWND cal = owned.back();
    auto* wnd = dynamic_cast<CCalendarWnd*>(WindowRegistry::Instance().Lookup(cal));
    ASSERT_NE(nullptr, wnd);
    ASSERT_TRUE(uitest::PumpUntil([&] { return wnd->GetPaintManager().PaintCount() > 0; }));
    EXPECT_EQ(2024, wnd->ShownYear());
    EXPECT_EQ(1, wnd->ShownMonth());
    // Next month, then the cell of 2024-02-14 (February 2024 begins on a Thursday).
    uitest::Click(cal, CCalendarWnd::kWidth - CCalendarWnd::kCell / 2, CCalendarWnd::kTitle / 2);
    EXPECT_EQ(2, wnd->ShownMonth());
    EXPECT_EQ("20240131", std::string(date->GetDateText().Str()));  // browsing changes nothing
    const int cell = DayOfWeek(2024, 2, 1) + 13;
    const int x = 1 + (cell % 7) * CCalendarWnd::kCell + CCalendarWnd::kCell / 2;
    const int y = 1 + CCalendarWnd::kTitle + CCalendarWnd::kWeekdays + (cell / 7) * CCalendarWnd::kRow + CCalendarWnd::kRow / 2;
    uitest::Click(cal, x, y);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !IsWindow(cal); }));
    EXPECT_FALSE(date->IsCalendarOpen());
    EXPECT_EQ("20240214", std::string(date->GetDateText().Str()));
    EXPECT_EQ(1, changes);

    // Keyboard: open with F4, arrows move the day, Return closes.
    date->SetFocus();
    uitest::Key(Hwnd(), SDLK_F4);
    ASSERT_TRUE(date->IsCalendarOpen());
    uitest::Key(Hwnd(), SDLK_DOWN);   // +7 days
    uitest::Key(Hwnd(), SDLK_RIGHT);  // +1 day
    EXPECT_EQ("20240222", std::string(date->GetDateText().Str()));
    uitest::Key(Hwnd(), SDLK_RETURN);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !date->IsCalendarOpen(); }));

    // A press elsewhere dismisses it without a change.
    uitest::Key(Hwnd(), SDLK_F4);
    ASSERT_TRUE(date->IsCalendarOpen());
    CControlUI* other = m_win->GetPaintManager().FindControl("other");
    uitest::ClickControl(Hwnd(), other);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !date->IsCalendarOpen(); }));
    EXPECT_EQ("20240222", std::string(date->GetDateText().Str()));
}

}  // namespace
