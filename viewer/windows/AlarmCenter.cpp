#include "AlarmCenter.h"

#include "AlarmCenterWnd.h"

#include <ctime>

namespace kelvo {
using namespace DuiLib;

AlarmCenter::AlarmCenter(HWND owner) : AlarmCenter(owner, [] { return static_cast<int64_t>(time(nullptr)); }) {}

AlarmCenter::AlarmCenter(HWND owner, AlarmList::Clock clock) : m_owner(owner), m_list(std::move(clock)) {
    m_list.onCountChanged = [this] {
        if (onCountChanged) onCountChanged();
    };
}

AlarmCenter::~AlarmCenter() {
    // The list's callback points back here; nothing may call it during teardown.
    m_list.onCountChanged = nullptr;
    if (m_wnd && IsWindow(m_wnd->GetHWND())) DestroyWindow(m_wnd->GetHWND());
}

void AlarmCenter::OnAlarm(const std::string& key, const std::string& titlePath,
                          const std::vector<KelvoAlarmInfo>& regions) {
    std::vector<AlarmList::Region> converted;
    converted.reserve(regions.size());
    for (const KelvoAlarmInfo& a : regions)
        converted.push_back(AlarmList::Region{a.region, a.type, a.x, a.y, a.width, a.height, a.arrival});
    const int counted = m_list.Report(key, titlePath, converted);
    RefreshWindow();
    if (counted > 0 && m_bringToFront && onBringToFront) onBringToFront();
}

int AlarmCenter::UnacknowledgedCount() const { return m_list.UnacknowledgedCount(); }

void AlarmCenter::Show() {
    if (!m_wnd) m_wnd = std::make_unique<AlarmCenterWnd>(m_list, m_owner);
    if (!IsWindow(m_wnd->GetHWND())) {
        if (!m_wnd->Create(m_owner, "AlarmCenter", UI_WNDSTYLE_DIALOG, 0)) return;
        m_wnd->CenterWindow();
    }
    m_wnd->Refresh();
    m_wnd->ShowWindow(true, true);
}

bool AlarmCenter::IsShown() const {
    return m_wnd && IsWindow(m_wnd->GetHWND()) && IsWindowVisible(m_wnd->GetHWND());
}

void AlarmCenter::RefreshWindow() {
    if (m_wnd && IsWindow(m_wnd->GetHWND())) m_wnd->Refresh();
}

}  // namespace kelvo
