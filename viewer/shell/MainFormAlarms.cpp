// The main window's alarm centre: alarms of open cameras are listed with
// their regions, counted on the toolbar, and can bring the window forward
// or open the recordings at the moment they went on.
#include "MainForm.h"

#include "ClientConfig.h"
#include "KelvoNetwork.h"
#include "ViewerMessages.h"

namespace kelvo {

using namespace DuiLib;

void MainForm::SetupAlarmCenter() {
    m_alarmCenter = std::make_unique<AlarmCenter>(GetHWND());
    m_alarmCenter->onCountChanged = [this] { ShowAlarmCount(); };
    m_alarmCenter->onBringToFront = [this] {
        if (IsWindowVisible(GetHWND())) ShowWindow(true, true);
    };
    ShowAlarmCount();
}

void MainForm::OnCameraAlarm(const std::string& key, bool on) {
    if (!on) return;  // the centre keeps what was listed until acknowledged
    auto* payload = new std::string(key);
    DuiLib::PostMessage(GetHWND(), WM_CAMERA_ALARM, 0, reinterpret_cast<LPARAM>(payload),
                        [](WPARAM, LPARAM p) { delete reinterpret_cast<std::string*>(p); });
}

void MainForm::OnAlarmOn(const std::string& key) {
    KelvoPlayer* wall = Wall();
    PlayerCamera* cam = wall ? wall->FindCamera(key) : nullptr;
    if (!cam || !cam->stream || !m_alarmCenter) return;
    // Alarms switched off or not allowed to this account are not listed: the
    // stream still reports them.
    if (!ClientConfig::Instance().enableAlarm || !(KelvoSession_GetRightMask(wall->Session()) & RIGHT_ALARM)) return;
    int count = 0;
    const int total = KelvoStream_GetAlarms(cam->stream, nullptr, &count);
    std::vector<KelvoAlarmInfo> regions(static_cast<size_t>(total > 0 ? total : 0));
    count = static_cast<int>(regions.size());
    const int n = regions.empty() ? 0 : KelvoStream_GetAlarms(cam->stream, regions.data(), &count);
    regions.resize(static_cast<size_t>(n > 0 ? n : 0));
    m_alarmCenter->SetBringToFront(ClientConfig::Instance().alarmBringToFront != 0);
    m_alarmCenter->OnAlarm(key, m_titlePaths[key], regions);
}

void MainForm::ShowAlarmCount() {
    auto* button = FindControlAs<CButtonUI>("btn_alarms");
    if (!button || !m_alarmCenter) return;
    const int n = m_alarmCenter->UnacknowledgedCount();
    button->SetText(n > 0 ? std::to_string(n).c_str() : "");
    button->SetToolTip(n > 0 ? ("报警中心：" + std::to_string(n) + " 条未确认").c_str() : "报警中心");
}

}  // namespace kelvo
