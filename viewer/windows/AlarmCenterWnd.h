// The alarm centre's window: a non-modal skinned list of alarms with acknowledge, snooze and
// "play from here" buttons, owned by the main window.
#pragma once

#include "AlarmList.h"
#include "CommonWindow.h"

#include <cstdint>

namespace kelvo {

// Thread: UI. Owned by AlarmCenter (OnFinalMessage does not delete it); the object outlives its
// native window and can create it again. The buttons act on the selected row.
class AlarmCenterWnd final : public CommonWindow {
public:
    // `list` is borrowed and outlives the window; `owner` receives WM_ALARM_PLAYBACK.
    AlarmCenterWnd(AlarmList& list, DuiLib::HWND owner) : m_list(list), m_owner(owner) {}

    const char* GetWindowClassName() const override { return "AlarmCenter"; }
    // Rebuilds the rows and the counter from the list, keeping the selection.
    void Refresh();
    // The row selected in the list, 0 when none.
    uint64_t SelectedId() const { return m_selected; }

    // Texts of a row's cells, as shown.
    static std::string TimeText(int64_t time);
    static std::string StateText(const AlarmList::Row& row);

protected:
    DuiLib::CDuiString GetSkinFile() override { return "AlarmCenter.xml"; }
    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;

private:
    void PlayFromHere();
    void SnoozeSelected(AlarmList::Snooze span);

    AlarmList& m_list;
    DuiLib::HWND m_owner;
    uint64_t m_selected = 0;
    bool m_refreshing = false;  // selection changes made by Refresh itself
};

}  // namespace kelvo
