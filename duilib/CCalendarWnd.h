// The month calendar popup of a date picker: a title with the previous/next month buttons, the
// weekday row and six weeks of days.
#pragma once

#include "CPaintManagerUI.h"
#include "CWindowWnd.h"

namespace DuiLib {

class CDateTimeUI;

// Thread: UI. Owned by its picker; closes itself on a pick or a press elsewhere.
class CCalendarWnd : public CWindowWnd {
public:
    static constexpr int kCell = 28;     // width of a day column
    static constexpr int kRow = 24;      // height of a week row
    static constexpr int kTitle = 30;    // title bar with the month buttons
    static constexpr int kWeekdays = 22; // weekday names
    static constexpr int kWidth = kCell * 7 + 2;
    static constexpr int kHeight = kTitle + kWeekdays + kRow * 6 + 2;

    explicit CCalendarWnd(CDateTimeUI* owner) : m_owner(owner) {}
    ~CCalendarWnd() override;
    bool Open();
    void Detach() { m_owner = nullptr; }
    const char* GetWindowClassName() const override { return "CalendarWnd"; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    CPaintManagerUI& GetPaintManager() { return m_pm; }

    int ShownYear() const { return m_year; }
    int ShownMonth() const { return m_month; }
    void ShowMonth(int year, int month);
    void ChangeMonth(int delta);
    CDateTimeUI* Owner() const { return m_owner; }

private:
    CDateTimeUI* m_owner;  // borrowed; the picker destroys this window before it goes
    CPaintManagerUI m_pm;
    int m_year = 1970;
    int m_month = 1;
};

}  // namespace DuiLib
