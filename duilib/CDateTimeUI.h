// Date picker (month calendar popup) and time picker (hour, minute, second fields), skin class
// "DateTimePicker" with the attribute type="date" (default) or type="time".
//
// Keyboard: Left/Right (and Tab through HandleTab) move between fields, Up/Down change the
// field, digits type it, PageUp/PageDown change the month of a date, Alt+Down or F4 opens the
// calendar; while the calendar is open the arrows move the day and Return closes it.
// Mouse: a click picks a field; the button at the right opens the calendar (date) or steps the
// field (time). Every change by the user raises "valuechanged"; setting from code raises none.
#pragma once

#include "CLabelUI.h"
#include "DateTimeFields.h"

#include <memory>

namespace DuiLib {

class CCalendarWnd;

// Thread: UI. Owns its calendar window object and destroys the window before it goes.
class CDateTimeUI : public CLabelUI {
public:
    CDateTimeUI();
    ~CDateTimeUI() override;
    const char* GetClass() const override { return "DateTimePicker"; }
    bool IsTabStop() const override { return m_bKeyboardEnabled; }
    bool WantsMouse() const override { return true; }

    DateTimeMode GetMode() const { return m_editor.Mode(); }
    void SetMode(DateTimeMode mode);
    const TDateTime& GetValue() const { return m_editor.Value(); }
    // From code: clamped into range, no notification.
    void SetValue(const TDateTime& v);
    // "%.4d%.2d%.2d" of year, month, day.
    CDuiString GetDateText() const;
    // "%.2d%.2d%.2d" of hour, minute, second.
    CDuiString GetTimeText() const;
    CDuiString GetText() const override;
    const DateTimeFieldEditor& GetEditor() const { return m_editor; }

    // Tab inside the picker: moves to the next (previous) field; false at the last (first)
    // field, so the focus may move on to the next control.
    bool HandleTab(bool forward);

    bool OpenCalendar();
    void CloseCalendar();
    bool IsCalendarOpen() const;
    // From the calendar: the user chose a day.
    void PickDate(int year, int month, int day);

    // Geometry of the parts, for painting and hit tests.
    RECT ButtonRect() const;
    int FieldAt(POINT pt) const;

    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(CRenderContext& ctx) override;
    void PaintText(CRenderContext& ctx) override;

private:
    void UserChanged(const TDateTime& before);
    void SyncCalendar();
    bool HandleKey(const TEventUI& event);

    DateTimeFieldEditor m_editor;
    std::unique_ptr<CCalendarWnd> m_calendar;
    RECT m_fieldRects[DateTimeFieldEditor::kFieldCount]{};  // laid out by the last paint
    bool m_fieldsLaid = false;
    DWORD m_dwFieldBkColor = 0xFF386382;
    DWORD m_dwButtonColor = 0xFF8A97A5;
};

}  // namespace DuiLib
