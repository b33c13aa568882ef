#include "DateTimeFields.h"

#include <algorithm>
#include <cstdio>

namespace DuiLib {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

namespace {
// Days since 1970-01-01 (Howard Hinnant's days_from_civil).
long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}
}  // namespace

int DayOfWeek(int year, int month, int day) {
    long days = DaysFromCivil(year, month, day);  // 1970-01-01 was a Thursday
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

TDateTime ClampDateTime(TDateTime v) {
    v.year = std::clamp(v.year, kPickerMinYear, kPickerMaxYear);
    v.month = std::clamp(v.month, 1, 12);
    v.day = std::clamp(v.day, 1, DaysInMonth(v.year, v.month));
    v.hour = std::clamp(v.hour, 0, 23);
    v.minute = std::clamp(v.minute, 0, 59);
    v.second = std::clamp(v.second, 0, 59);
    return v;
}

TDateTime AddMonths(TDateTime v, int months) {
    v = ClampDateTime(v);
    long index = static_cast<long>(v.year) * 12 + (v.month - 1) + months;
    long lo = static_cast<long>(kPickerMinYear) * 12, hi = static_cast<long>(kPickerMaxYear) * 12 + 11;
    index = std::clamp(index, lo, hi);
    v.year = static_cast<int>(index / 12);
    v.month = static_cast<int>(index % 12) + 1;
    v.day = std::min(v.day, DaysInMonth(v.year, v.month));
    return v;
}

TDateTime AddDays(TDateTime v, int days) {
    v = ClampDateTime(v);
    long z = DaysFromCivil(v.year, v.month, v.day) + days;
    z = std::clamp(z, DaysFromCivil(kPickerMinYear, 1, 1), DaysFromCivil(kPickerMaxYear, 12, 31));
    CivilFromDays(z, v.year, v.month, v.day);
    return v;
}

int MonthGridDay(int year, int month, int index) {
    if (index < 0 || index >= 42) return 0;
    int day = index - DayOfWeek(year, month, 1) + 1;
    return day >= 1 && day <= DaysInMonth(year, month) ? day : 0;
}

void DateTimeFieldEditor::SetMode(DateTimeMode mode) {
    m_mode = mode;
    m_field = 0;
    CommitTyping();
}

void DateTimeFieldEditor::SetValue(const TDateTime& v) {
    m_value = ClampDateTime(v);
    CommitTyping();
}

void DateTimeFieldEditor::SetField(int field) {
    CommitTyping();
    m_field = std::clamp(field, 0, kFieldCount - 1);
}

bool DateTimeFieldEditor::NextField() {
    CommitTyping();
    if (m_field + 1 >= kFieldCount) return false;
    ++m_field;
    return true;
}

bool DateTimeFieldEditor::PrevField() {
    CommitTyping();
    if (m_field == 0) return false;
    --m_field;
    return true;
}

int DateTimeFieldEditor::FieldMin(int field) const {
    if (m_mode == DateTimeMode::Time) return 0;
    return field == 0 ? kPickerMinYear : 1;
}

int DateTimeFieldEditor::FieldMax(int field) const {
    if (m_mode == DateTimeMode::Time) return field == 0 ? 23 : 59;
    if (field == 0) return kPickerMaxYear;
    if (field == 1) return 12;
    return DaysInMonth(m_value.year, m_value.month);
}

int DateTimeFieldEditor::FieldDigits(int field) const { return m_mode == DateTimeMode::Date && field == 0 ? 4 : 2; }

int DateTimeFieldEditor::FieldValue(int field) const {
    if (m_mode == DateTimeMode::Time) return field == 0 ? m_value.hour : field == 1 ? m_value.minute : m_value.second;
    return field == 0 ? m_value.year : field == 1 ? m_value.month : m_value.day;
}

void DateTimeFieldEditor::SetFieldValue(int field, int value) {
    value = std::clamp(value, FieldMin(field), FieldMax(field));
    if (m_mode == DateTimeMode::Time) {
        (field == 0 ? m_value.hour : field == 1 ? m_value.minute : m_value.second) = value;
    } else {
        (field == 0 ? m_value.year : field == 1 ? m_value.month : m_value.day) = value;
    }
    // A shorter month or a non-leap year cuts the day.
    m_value = ClampDateTime(m_value);
}

void DateTimeFieldEditor::Step(int delta) {
    CommitTyping();
    int lo = FieldMin(m_field), hi = FieldMax(m_field);
    int v = FieldValue(m_field) + delta;
    if (m_mode == DateTimeMode::Date && m_field == 0) {
        v = std::clamp(v, lo, hi);
    } else {
        int span = hi - lo + 1;
        v = lo + (((v - lo) % span) + span) % span;
    }
    SetFieldValue(m_field, v);
}

void DateTimeFieldEditor::TypeDigit(int digit) {
    if (digit < 0 || digit > 9) return;
    const int digits = FieldDigits(m_field), lo = FieldMin(m_field), hi = FieldMax(m_field);
    int cand = m_typed * 10 + digit;
    int count = m_typedCount + 1;
    if (count < digits && cand > hi) {  // cannot be the start of a valid number: start again
        cand = digit;
        count = 1;
    }
    bool complete = count >= digits || cand * 10 > hi;
    if (complete) {
        // Digits still short of the range ("205" of a year) stand for the missing places.
        long value = cand;
        for (int i = count; i < digits && value < lo; ++i) value *= 10;
        SetFieldValue(m_field, static_cast<int>(std::min<long>(value, hi)));
        CommitTyping();
        if (m_field + 1 < kFieldCount) ++m_field;
        return;
    }
    if (cand >= lo) SetFieldValue(m_field, cand);
    m_typed = cand;
    m_typedCount = count;
}

std::string DateTimeFieldEditor::Text() const {
    char buf[32];
    if (m_mode == DateTimeMode::Time)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", m_value.hour, m_value.minute, m_value.second);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", m_value.year, m_value.month, m_value.day);
    return buf;
}

void DateTimeFieldEditor::FieldSpan(int field, std::size_t& begin, std::size_t& length) const {
    field = std::clamp(field, 0, kFieldCount - 1);
    if (m_mode == DateTimeMode::Time) {
        begin = static_cast<std::size_t>(field) * 3;
        length = 2;
    } else {
        static const std::size_t kBegin[3] = {0, 5, 8};
        begin = kBegin[field];
        length = field == 0 ? 4 : 2;
    }
}

}  // namespace DuiLib
