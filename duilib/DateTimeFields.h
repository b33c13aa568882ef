// Calendar arithmetic and the field editing behind the date and time pickers: pure logic, so
// it can be checked without a window.
#pragma once

#include <cstddef>
#include <string>

namespace DuiLib {

// A civil date and time of day (proleptic Gregorian, no time zone).
struct TDateTime {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    bool operator==(const TDateTime& o) const {
        return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute &&
               second == o.second;
    }
    bool operator!=(const TDateTime& o) const { return !(*this == o); }
};

// Queries carry 32-bit seconds since 1970, so the pickers stay inside the years they can express.
constexpr int kPickerMinYear = 1970;
constexpr int kPickerMaxYear = 2037;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// 0 = Sunday ... 6 = Saturday.
int DayOfWeek(int year, int month, int day);
// Every field brought into range (day to the month's length, year to the picker's years).
TDateTime ClampDateTime(TDateTime v);
// Months forward or back; the day is cut to the target month's length.
TDateTime AddMonths(TDateTime v, int months);
// Days forward or back across months and years (clamped to the picker's years).
TDateTime AddDays(TDateTime v, int days);
// Day shown in cell `index` (0..41, weeks starting on Sunday) of a month's grid; 0 when the
// cell lies outside the month.
int MonthGridDay(int year, int month, int index);

enum class DateTimeMode { Date, Time };

// The three fields of a picker (year-month-day or hour:minute:second), the field with the
// keyboard and the digits typed into it so far.
class DateTimeFieldEditor {
public:
    static constexpr int kFieldCount = 3;

    explicit DateTimeFieldEditor(DateTimeMode mode = DateTimeMode::Date) : m_mode(mode) {}

    DateTimeMode Mode() const { return m_mode; }
    void SetMode(DateTimeMode mode);
    const TDateTime& Value() const { return m_value; }
    void SetValue(const TDateTime& v);

    int Field() const { return m_field; }
    void SetField(int field);
    // False at the end already (the caller may move the focus on).
    bool NextField();
    bool PrevField();

    // Up/Down: hours, minutes, seconds, months and days wrap round; years stop at the range.
    void Step(int delta);
    // One typed digit: builds the field's number, and moves to the next field once no further
    // digit can fit. Values out of range are cut to it.
    void TypeDigit(int digit);
    // Ends a half-typed number (focus lost, field changed).
    void CommitTyping() { m_typedCount = 0; m_typed = 0; }
    bool IsTyping() const { return m_typedCount > 0; }

    // "yyyy-MM-dd" or "HH:mm:ss".
    std::string Text() const;
    // Character span of a field inside Text().
    void FieldSpan(int field, std::size_t& begin, std::size_t& length) const;

    int FieldMin(int field) const;
    int FieldMax(int field) const;
    int FieldDigits(int field) const;
    int FieldValue(int field) const;

private:
    void SetFieldValue(int field, int value);

    DateTimeMode m_mode;
    TDateTime m_value;
    int m_field = 0;
    int m_typed = 0;
    int m_typedCount = 0;
};

}  // namespace DuiLib
