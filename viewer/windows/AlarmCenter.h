// The alarm centre: the operator's list of camera alarms, its counter for the main window's
// toolbar and "play from here".
#pragma once

#include "AlarmList.h"
#include "KelvoNetwork.h"

#include <UIDefs.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvo {

class AlarmCenterWnd;

// Thread: UI. Owns its window (a non-modal top-level window owned by `owner`, created on the first
// Show and again after it was closed) and its AlarmList. The window is destroyed with the centre;
// if `owner` goes first the window goes with it and Show makes a new one.
class AlarmCenter {
public:
    explicit AlarmCenter(DuiLib::HWND owner);
    // For tests: the clock the list reads (seconds since 1970).
    AlarmCenter(DuiLib::HWND owner, AlarmList::Clock clock);
    ~AlarmCenter();
    AlarmCenter(const AlarmCenter&) = delete;
    AlarmCenter& operator=(const AlarmCenter&) = delete;

    // A camera's alarm went on (pictures carry the flag) — called on the UI thread by the main
    // window, which reads the regions with KelvoStream_GetAlarms right then. Calling it again while
    // the flag stays on is harmless: regions already listed add no rows.
    void OnAlarm(const std::string& key, const std::string& titlePath, const std::vector<KelvoAlarmInfo>& regions);
    // Unacknowledged alarms of cameras that were not snoozed.
    int UnacknowledgedCount() const;
    void Show();  // shows the list (creates the window on first use)
    bool IsShown() const;
    // Whether `key`'s alarms are snoozed now: the wall should not sound for them.
    bool IsSnoozed(const std::string& key) const { return m_list.IsSnoozed(key); }
    // On: a new counted alarm calls onBringToFront (snoozed ones never do).
    void SetBringToFront(bool on) { m_bringToFront = on; }

    std::function<void()> onCountChanged;  // set by the main window
    std::function<void()> onBringToFront;  // set by the main window

    AlarmList& List() { return m_list; }
    AlarmCenterWnd* Window() { return m_wnd.get(); }  // null before the first Show

private:
    void RefreshWindow();

    DuiLib::HWND m_owner;
    AlarmList m_list;
    std::unique_ptr<AlarmCenterWnd> m_wnd;
    bool m_bringToFront = false;
};

}  // namespace kelvo
