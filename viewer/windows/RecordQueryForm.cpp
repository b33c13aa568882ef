#include "RecordQueryForm.h"

#include "CDateTimeUI.h"
#include "KelvoNetwork.h"
#include "TimelineUI.h"
#include "VideoPlayerUI.h"
#include "ViewerMessages.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <strings.h>
#include <vector>

namespace kelvo {
using namespace DuiLib;

namespace {
const char kRecordAccount[] = "kqwz";
const char kRecordPassword[] = "kqwz";

void SetLocalTimeLabel(CControlUI* label, int64_t seconds) {
    if (!label) return;
    if (seconds == 0) {
        label->SetText("00:00:00");
        return;
    }
    time_t t = static_cast<time_t>(seconds);
    struct tm tmv {};
    char buf[16] = "00:00:00";
    if (localtime_r(&t, &tmv)) std::strftime(buf, sizeof buf, "%H:%M:%S", &tmv);
    label->SetText(buf);
}

// "yyyymmddHHMMSS" as local time; false when it does not parse.
bool ParseLocal(const std::string& text, int64_t& out) {
    struct tm tmv {};
    if (std::sscanf(text.c_str(), "%4d%2d%2d%2d%2d%2d", &tmv.tm_year, &tmv.tm_mon, &tmv.tm_mday, &tmv.tm_hour,
                    &tmv.tm_min, &tmv.tm_sec) != 6)
        return false;
    tmv.tm_year -= 1900;
    tmv.tm_mon -= 1;
    tmv.tm_isdst = -1;
    time_t t = std::mktime(&tmv);
    if (t == static_cast<time_t>(-1)) return false;
    out = static_cast<int64_t>(t);
    return true;
}
}  // namespace

struct RecordQueryForm::CallbackSink {
    std::atomic<HWND> hwnd{nullptr};
    std::atomic<uint32_t> cycle{0};
};

RecordQueryForm::RecordQueryForm() : m_record(KelvoRecord_Create()), m_sink(std::make_unique<CallbackSink>()) {}

RecordQueryForm::~RecordQueryForm() {
    // Normally done on close; here for a window that never got that far.
    if (m_record) KelvoRecord_Destory(m_record);
    m_record = nullptr;
}

void RecordQueryForm::RecordCallbackThunk(int state, int value, int, void* user) {
    auto* sink = static_cast<CallbackSink*>(user);
    if (!sink) return;
    WPARAM w = static_cast<WPARAM>(state & 0xFFFF) | (static_cast<WPARAM>(sink->cycle.load() & 0xFFFF) << 16);
    DuiLib::PostMessage(sink->hwnd.load(), WM_RECORD_EVENT, w, static_cast<LPARAM>(value));
}

void RecordQueryForm::SetRecordServer(const std::string& host, int port, const std::string& cameraKey) {
    m_host = host;
    m_port = port & 0xFFFF;
    m_cameraKey = cameraKey;
}

void RecordQueryForm::SetCameraName(const std::string& name) {
    m_cameraName = name;
    if (auto* label = m_pm.FindControl("cameraName")) label->SetText(name.c_str());
}

CControlUI* RecordQueryForm::CreateControl(const char* pstrClass) {
    if (pstrClass && strcasecmp(pstrClass, "VideoPlayer") == 0) return new VideoPlayerUI();
    if (pstrClass && strcasecmp(pstrClass, "DateTimePicker") == 0) return new CDateTimeUI();
    if (pstrClass && strcasecmp(pstrClass, "Timeline") == 0) return new TimelineUI();
    return nullptr;
}

void RecordQueryForm::SetQueryStart(int64_t when) {
    const time_t t = static_cast<time_t>(when);
    struct tm tmv {};
    if (!localtime_r(&t, &tmv)) return;
    TDateTime start;
    start.year = tmv.tm_year + 1900;
    start.month = tmv.tm_mon + 1;
    start.day = tmv.tm_mday;
    start.hour = tmv.tm_hour;
    start.minute = tmv.tm_min;
    start.second = tmv.tm_sec;
    if (m_date) m_date->SetValue(start);
    if (m_startTime) m_startTime->SetValue(start);
}

void RecordQueryForm::InitWindow() {
    m_sink->hwnd.store(GetHWND());
    if (m_record) KelvoRecord_SetCallBack(m_record, &RecordCallbackThunk, m_sink.get());
    if (auto* label = m_pm.FindControl("cameraName")) label->SetText(m_cameraName.c_str());
    m_date = m_pm.FindControlAs<CDateTimeUI>("queryDate");
    m_startTime = m_pm.FindControlAs<CDateTimeUI>("queryStartTime");
    m_endTime = m_pm.FindControlAs<CDateTimeUI>("queryEndTime");
    m_player = m_pm.FindControlAs<VideoPlayerUI>("recordPlayer");
    m_timeline = dynamic_cast<TimelineUI*>(m_pm.FindControl("timeline"));
    if (auto* speed = m_pm.FindControlAs<CComboUI>("comBoxSpeed")) speed->SelectItem(1, false, false);  // 1x

    time_t now = std::time(nullptr);
    struct tm tmv {};
    localtime_r(&now, &tmv);
    TDateTime today;
    today.year = tmv.tm_year + 1900;
    today.month = tmv.tm_mon + 1;
    today.day = tmv.tm_mday;
    if (m_date) m_date->SetValue(today);
    if (m_startTime) m_startTime->SetValue(today);  // 00:00:00
    today.hour = 23;
    today.minute = 59;
    today.second = 59;
    if (m_endTime) m_endTime->SetValue(today);
    m_holding = false;
    SetIdle();
}

void RecordQueryForm::ShowAlert(const char* text, const char* caption) { ShowMessage(text, caption, false); }

bool RecordQueryForm::BuildRange(int64_t& start, int64_t& end) const {
    if (!m_date || !m_startTime || !m_endTime) return false;
    std::string day = m_date->GetDateText().Str();
    return ParseLocal(day + m_startTime->GetTimeText().Str(), start) &&
           ParseLocal(day + m_endTime->GetTimeText().Str(), end);
}

void RecordQueryForm::StartQuery() {
    if (m_querying) return;
    int64_t start = 0, end = 0;
    if (!BuildRange(start, end) || end <= start) {
        ShowAlert("无效的查询日期，请重新输入！", "错误");
        return;
    }
    ShowWait("正在查询...");
    m_sink->cycle.fetch_add(1);
    m_querying = true;
    SetTimer(GetHWND(), kQueryTimer, static_cast<UINT>(std::max(1, m_queryTimeoutMs)));
    bool started = KelvoRecord_Login(m_record, m_host.c_str(), m_port, kRecordAccount, kRecordPassword) != 0;
    if (!started) {
        // A connection left from an earlier failure blocks a new login until it is closed.
        KelvoRecord_Logout(m_record);
        started = KelvoRecord_Login(m_record, m_host.c_str(), m_port, kRecordAccount, kRecordPassword) != 0;
    }
    if (!started) {
        EndQuery();
        ShowAlert("无法连接录像服务器！", "错误");
    }
}

void RecordQueryForm::EndQuery() {
    m_querying = false;
    KillTimer(GetHWND(), kQueryTimer);
    if (m_record) KelvoRecord_Logout(m_record);
    if (IsWindow(m_wait.GetHWND())) DestroyWindow(m_wait.GetHWND());
}

void RecordQueryForm::OnRecordEvent(int code, int value) {
    // Any reply proves the server alive: the time-out counts from the latest one.
    SetTimer(GetHWND(), kQueryTimer, static_cast<UINT>(std::max(1, m_queryTimeoutMs)));
    switch (code) {
    case 0x101:
        if (value) return;
        EndQuery();
        ShowAlert("无法连接录像服务器！", "错误");
        return;
    case 0x102: {
        if (value != 0) {
            EndQuery();
            ShowAlert("无法登录录像服务器！", "错误");
            return;
        }
        SetWaitText("正在查询...");
        int64_t start = 0, end = 0;
        BuildRange(start, end);
        KelvoRecord_Query(m_record, m_cameraKey.c_str(), static_cast<int>(static_cast<uint32_t>(start)),
                          static_cast<int>(static_cast<uint32_t>(end)));
        return;
    }
    case 0x103:
        if (value) {
            ShowItems();
            return;
        }
        EndQuery();
        ShowAlert("没有查询到这个时段的录像！", "提示");
        return;
    default: return;
    }
}

void RecordQueryForm::ShowItems() {
    KillTimer(GetHWND(), kQueryTimer);
    if (IsWindow(m_wait.GetHWND())) DestroyWindow(m_wait.GetHWND());
    int n = KelvoRecord_GetItemsCount(m_record);
    std::vector<RecordItem> items(static_cast<size_t>(std::max(0, n)));
    int copied = 0;
    if (n > 0) {
        int capacity = n;
        copied = std::clamp(KelvoRecord_GetItems(m_record, items.data(), &capacity), 0, n);
    }
    EndQuery();
    if (copied == 0) {
        ShowAlert("没有查询到这个时段的录像！", "提示");
        return;
    }
    if (m_player) m_player->PlayList(items.data(), copied, GetHWND());
    m_items.assign(items.begin(), items.begin() + copied);
    int64_t start = 0, end = 0;
    m_dayOf = BuildRange(start, end) ? start : items[0].begin;
    SetPlaying();
}

void RecordQueryForm::SetIdle() {
    if (auto* c = m_pm.FindControl("btnPlay")) { c->SetVisible(true); c->SetEnabled(false); }
    if (auto* c = m_pm.FindControl("btnPause")) c->SetVisible(false);
    if (auto* c = m_pm.FindControl("btnStop")) { c->SetVisible(true); c->SetEnabled(false); }
    if (auto* c = m_pm.FindControl("btnPrevious")) c->SetEnabled(false);
    if (auto* c = m_pm.FindControl("btnNext")) c->SetEnabled(false);
    if (auto* s = m_pm.FindControlAs<CSliderUI>("sliderVol")) {
        s->SetEnabled(false);
        s->SetMaxValue(100);
        s->SetValue(0);
    }
    SetLocalTimeLabel(m_pm.FindControl("txtStartTime"), 0);
    SetLocalTimeLabel(m_pm.FindControl("txtStopTime"), 0);
    if (auto* c = m_pm.FindControl("recordPlayer")) c->SetVisible(false);
    if (auto* c = m_pm.FindControl("PlayerBK")) c->SetVisible(true);
    for (const char* name : {"btnPrevRecord", "btnStepFrame", "btnNextRecord"})
        if (auto* c = m_pm.FindControl(name)) c->SetEnabled(false);
    m_items.clear();
    m_now = 0;
    if (m_timeline) m_timeline->Clear();
}

void RecordQueryForm::SetPlaying() {
    if (auto* c = m_pm.FindControl("btnPlay")) { c->SetVisible(false); c->SetEnabled(true); }
    if (auto* c = m_pm.FindControl("btnPause")) c->SetVisible(true);
    if (auto* c = m_pm.FindControl("btnStop")) { c->SetVisible(true); c->SetEnabled(true); }
    if (auto* c = m_pm.FindControl("btnPrevious")) c->SetEnabled(true);
    if (auto* c = m_pm.FindControl("btnNext")) c->SetEnabled(true);
    int64_t total = m_player ? m_player->Total() : 0;
    if (auto* s = m_pm.FindControlAs<CSliderUI>("sliderVol")) {
        s->SetEnabled(true);
        s->SetMaxValue(static_cast<int>(std::clamp<int64_t>(total, 0, INT_MAX)));
        s->SetValue(0);
    }
    SetLocalTimeLabel(m_pm.FindControl("txtStartTime"), m_player ? m_player->FirstStart() : 0);
    SetLocalTimeLabel(m_pm.FindControl("txtStopTime"), m_player ? m_player->LastEnd() : 0);
    if (auto* c = m_pm.FindControl("recordPlayer")) c->SetVisible(true);
    if (auto* c = m_pm.FindControl("PlayerBK")) c->SetVisible(false);
    for (const char* name : {"btnPrevRecord", "btnStepFrame", "btnNextRecord"})
        if (auto* c = m_pm.FindControl(name)) c->SetEnabled(true);
    m_now = m_player ? m_player->FirstStart() : 0;
    if (m_timeline) {
        m_timeline->SetRecordings(m_dayOf ? m_dayOf : m_now, m_items);
        if (m_now) m_timeline->SetPlayhead(m_now);
    }
}

void RecordQueryForm::SetPausedButtons(bool paused) {
    if (auto* c = m_pm.FindControl("btnPlay")) c->SetVisible(paused);
    if (auto* c = m_pm.FindControl("btnPause")) c->SetVisible(!paused);
}

void RecordQueryForm::JumpTo(const TimelineGeometry::Target& target) {
    if (!m_player || !m_player->IsPlaying()) return;
    m_now = target.time;
    if (m_timeline) m_timeline->SetPlayhead(target.time);
    SendSeek(target.position);
}

void RecordQueryForm::OnRecordingButton(bool next) {
    TimelineGeometry::Target target;
    const bool found = next ? TimelineGeometry::NextRecording(m_items, m_now, target)
                            : TimelineGeometry::PreviousRecording(m_items, m_now, target);
    if (found) JumpTo(target);
}

void RecordQueryForm::SendSeek(int64_t position) {
    SendMessage(WM_RECORD_SEEK, static_cast<WPARAM>(static_cast<uint32_t>(position)), 0);
}

void RecordQueryForm::StopPlayback() {
    if (m_player) m_player->StopAll();
}

void RecordQueryForm::OnPlaybackEnd(WPARAM number, bool error) {
    if (!m_player || number != m_player->CurrentList()) return;  // a list already replaced
    StopPlayback();
    SetIdle();
    if (error) ShowAlert("播放录像的时候网络出现错误，请稍后重试！", "错误");
}

void RecordQueryForm::Notify(TNotifyUI& msg) {
    if (msg.pSender && msg.pSender->GetName().CompareNoCase("sliderVol") == 0) {
        if (msg.sType == DUI_MSGTYPE_BUTTONDOWN) {
            m_holding = true;
        } else if (msg.sType == DUI_MSGTYPE_BUTTONUP) {
            SendSeek(static_cast<int64_t>(msg.wParam));
            m_holding = false;
        }
    } else if (msg.pSender && msg.pSender == m_timeline && msg.sType == DUI_MSGTYPE_VALUECHANGED) {
        TimelineGeometry::Target target;
        if (TimelineGeometry::SeekTarget(m_items, static_cast<int64_t>(msg.wParam), target)) JumpTo(target);
    } else if (msg.pSender && msg.pSender->GetName().CompareNoCase("comBoxSpeed") == 0 &&
               msg.sType == DUI_MSGTYPE_ITEMSELECT) {
        const size_t index = static_cast<size_t>(msg.wParam);
        if (m_player && index < std::size(kSpeeds)) m_player->SetSpeed(kSpeeds[index]);
    }
    CommonWindow::Notify(msg);
}

void RecordQueryForm::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    const CDuiString& name = msg.pSender->GetName();
    auto* slider = m_pm.FindControlAs<CSliderUI>("sliderVol");
    if (name.CompareNoCase("btnQuery") == 0) {
        StartQuery();
    } else if (name.CompareNoCase("btnPlay") == 0) {
        SetPausedButtons(false);
        if (m_player) m_player->Resume();
    } else if (name.CompareNoCase("btnPause") == 0) {
        SetPausedButtons(true);
        if (m_player) m_player->Pause();
    } else if (name.CompareNoCase("btnStop") == 0) {
        StopPlayback();
        SetIdle();
    } else if (name.CompareNoCase("btnPrevious") == 0 || name.CompareNoCase("btnNext") == 0) {
        if (!slider) return;
        m_holding = true;
        int64_t v = static_cast<int64_t>(slider->GetValue()) + (name.CompareNoCase("btnNext") == 0 ? 10 : -10);
        if (v < 0) v = 0;
        slider->SetValue(static_cast<int>(std::min<int64_t>(v, INT_MAX)));
        SendSeek(v);
        m_holding = false;
    } else if (name.CompareNoCase("btnPrevRecord") == 0 || name.CompareNoCase("btnNextRecord") == 0) {
        OnRecordingButton(name.CompareNoCase("btnNextRecord") == 0);
    } else if (name.CompareNoCase("btnStepFrame") == 0) {
        if (!m_player || !m_player->IsPlaying()) return;
        SetPausedButtons(true);
        m_player->StepFrame();
    } else if (name.CompareNoCase("btnCancel") == 0) {
        Close(1);
    } else {
        CommonWindow::OnClick(msg);
    }
}

LRESULT RecordQueryForm::OnKeyDown(UINT, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    bHandled = false;
    if (wParam != VK_TAB) return 0;
    // Tab walks the fields of a picker before it leaves the picker.
    if (auto* picker = dynamic_cast<CDateTimeUI*>(m_pm.GetFocus()))
        bHandled = picker->HandleTab((static_cast<UINT>(lParam) & MK_SHIFT) == 0);
    return 0;
}

LRESULT RecordQueryForm::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    bHandled = true;
    switch (uMsg) {
    case WM_RECORD_EVENT:
        if (m_querying && ((wParam >> 16) & 0xFFFF) == (m_sink->cycle.load() & 0xFFFF))
            OnRecordEvent(static_cast<int>(wParam & 0xFFFF), static_cast<int>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam != kQueryTimer) break;
        if (m_querying) {
            EndQuery();
            ShowAlert("无法连接录像服务器！", "错误");
        }
        KillTimer(GetHWND(), kQueryTimer);
        return 0;
    case WM_RECORD_SEEK: {
        const auto target = static_cast<int64_t>(static_cast<uint32_t>(wParam));
        if (!m_player) return 0;
        m_player->Seek(target);
        // The worker reopens the file there and plays, also out of a pause:
        // the buttons say so. A jump beyond the end is ignored and changes nothing.
        if (m_player->IsPlaying() && target < m_player->Total()) SetPausedButtons(false);
        return 0;
    }
    case WM_PLAYBACK_PROGRESS:
        if (m_holding || !m_player || !m_player->IsPlaying()) return 0;
        SetLocalTimeLabel(m_pm.FindControl("txtStartTime"), static_cast<int64_t>(static_cast<uint32_t>(wParam)));
        if (auto* s = m_pm.FindControlAs<CSliderUI>("sliderVol")) s->SetValue(static_cast<int>(lParam));
        if (wParam != 0) {
            m_now = static_cast<int64_t>(static_cast<uint32_t>(wParam));
            if (m_timeline) m_timeline->SetPlayhead(m_now);
        }
        return 0;
    case WM_PLAYBACK_ERROR:
        OnPlaybackEnd(wParam, true);
        return 0;
    case WM_PLAYBACK_FINISHED:
        OnPlaybackEnd(wParam, false);
        return 0;
    default: break;
    }
    return CommonWindow::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void RecordQueryForm::Shutdown() {
    if (m_player) {
        StopPlayback();
        m_player = nullptr;
    }
    m_date = m_startTime = m_endTime = nullptr;
    m_timeline = nullptr;
    m_querying = false;
    if (GetHWND()) KillTimer(GetHWND(), kQueryTimer);
    if (m_record) {
        // Destory joins the library's thread, so no callback runs after it.
        KelvoRecord_Destory(m_record);
        m_record = nullptr;
    }
}

LRESULT RecordQueryForm::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    Shutdown();
    return CommonWindow::OnClose(uMsg, wParam, lParam, bHandled);
}

LRESULT RecordQueryForm::OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    Shutdown();  // also when the window is destroyed without a close request
    return CommonWindow::OnDestroy(uMsg, wParam, lParam, bHandled);
}

}  // namespace kelvo
