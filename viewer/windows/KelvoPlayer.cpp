#include "KelvoPlayer.h"

#include <CWindowWnd.h>
#include <TextCodec.h>

#include <vector>

#include "KelvoNetwork.h"
#include "TitlePath.h"
#include "ViewerMessages.h"

namespace kelvo {

KelvoPlayer::KelvoPlayer() = default;

KelvoPlayer::~KelvoPlayer() {
    // Every stream stops before its record goes, and before the session.
    std::vector<std::string> keys;
    for (auto& kv : m_cameras) keys.push_back(kv.first);
    for (auto& key : keys) {
        auto it = m_cameras.find(key);
        std::unique_ptr<PlayerCamera> cam = std::move(it->second);
        m_cameras.erase(it);
        Free(std::move(cam), false);
    }
    if (m_session) {
        KelvoSession_SetCallBack(m_session, nullptr, nullptr);
        KelvoSession_Logout(m_session);
        KelvoSession_Destory(m_session);
    }
    if (m_renderer) m_renderer->SetCallback(nullptr);
}

bool KelvoPlayer::Start(DuiLib::HWND window) {
    m_window = window;
    m_renderer = std::make_unique<VideoRenderer>();
    m_renderer->SetLayout(2, 2, 1, 1);
    m_renderer->SetCallback(this);
    m_session = KelvoSession_Create();
    if (!m_session) return false;
    KelvoSession_SetCallBack(m_session, &KelvoPlayer::OnSession, this);
    return true;
}

void KelvoPlayer::OnSession(int event, int value1, int value2, void* user) {
    auto* self = static_cast<KelvoPlayer*>(user);
    if (self->m_handle) self->m_handle->OnPlayerEvent(event, value1, value2);
}

void KelvoPlayer::OnStreamState(int state, int value1, int value2, void* user) {
    auto* cam = static_cast<PlayerCamera*>(user);
    KelvoPlayer* self = cam->wall;
    if ((state == KELVO_STREAM_REQUESTING || state == KELVO_STREAM_RECONNECTING) && value1 >= 7)
        self->m_renderer->SetReconnecting(cam->view, 0);
    if (state == KELVO_STREAM_DESCRIBED) {
        cam->width = value1;
        cam->height = value2;
        return;
    }
    if (state == KELVO_STREAM_PLAYING || state == KELVO_STREAM_TALK)
        DuiLib::PostMessage(self->m_window, WM_WALL_UPDATE, 0, 0);
    if (state == KELVO_STREAM_TALK && value1 == 0x204 && self->m_handle)
        self->m_handle->OnPlayerEvent(0x308, 0x204, 0);
}

void KelvoPlayer::OnPicture(int type, unsigned char* data, int length, int, int, int alarm, void* user) {
    auto* cam = static_cast<PlayerCamera*>(user);
    const int w = cam->width, h = cam->height;
    if (type == 0 && length >= w * h * 3 / 2) cam->wall->m_renderer->ShowPicture(cam->view, data, w, h);
    const bool on = alarm != 0;
    if (cam->alarm.exchange(on) != on) cam->wall->ReportAlarm(on);
}

void KelvoPlayer::ReportAlarm(bool on) {
    std::lock_guard<std::mutex> lock(m_alarmLock);
    // An "off" never takes the count below zero (nor other cameras' alarms).
    m_alarmCount = on ? m_alarmCount + 1 : (m_alarmCount > 0 ? m_alarmCount - 1 : 0);
}

int KelvoPlayer::AlarmCount() {
    std::lock_guard<std::mutex> lock(m_alarmLock);
    return m_alarmCount;
}

void KelvoPlayer::OnViewSelected(int, int view) {
    if (view != -1) DuiLib::PostMessage(m_window, WM_WALL_UPDATE, 0, 0);
}

void KelvoPlayer::OnSurfaceChanged() { DuiLib::PostMessage(m_window, WM_WALL_UPDATE, 0, 0); }

PlayerCamera* KelvoPlayer::FindCamera(const std::string& key) {
    auto it = m_cameras.find(key);
    return it == m_cameras.end() ? nullptr : it->second.get();
}

PlayerCamera* KelvoPlayer::SelectedCamera() {
    const int view = m_renderer->SelectedView();
    return view ? static_cast<PlayerCamera*>(m_renderer->AttachedRecord(view)) : nullptr;
}

bool KelvoPlayer::OpenCamera(const std::string& key, const std::string& name) {
    if (IsOpen(key)) return true;
    int view = m_renderer->CreateView(352, 288, 1);
    if (view == 0) {
        int victim = m_renderer->SelectedView();
        if (!victim || m_renderer->IsViewFree(victim)) victim = m_renderer->ViewToGiveUp();
        if (auto* old = victim ? static_cast<PlayerCamera*>(m_renderer->AttachedRecord(victim)) : nullptr)
            CloseCamera(old->key);
        view = m_renderer->CreateView(352, 288, 1);
        if (view == 0) return false;
    }
    auto cam = std::make_unique<PlayerCamera>();
    cam->wall = this;
    cam->key = key;
    cam->name = name;
    cam->view = view;
    cam->stream = KelvoStream_Create(m_session, key.c_str());
    if (!cam->stream) {
        m_renderer->RemoveView(view);
        return false;
    }
    // The wall's alarm settings apply before the stream starts.
    KelvoStream_EnableAlarm(cam->stream, m_alarmEnable ? 1 : 0);
    KelvoStream_SetAlarmTime(cam->stream, m_alarmTime);
    KelvoStream_SetCallBack(cam->stream, &KelvoPlayer::OnStreamState, cam.get());
    KelvoStream_SetDataType(cam->stream, 0);
    KelvoStream_SetDataCallBack(cam->stream, &KelvoPlayer::OnPicture, cam.get());
    m_renderer->Attach(view, cam.get());
    m_renderer->SetTitle(view, DuiLib::GbkToUtf8Lenient(LastTitleComponent(name)));
    KelvoStream_Start(cam->stream);
    m_cameras[key] = std::move(cam);
    if (m_handle) m_handle->OnCameraOpened(key, 1);
    return true;
}

void KelvoPlayer::Free(std::unique_ptr<PlayerCamera> cam, bool report) {
    // Stop first, then read the alarm flag: no picture can change it after.
    KelvoStream_Stop(cam->stream);
    if (cam->alarm) ReportAlarm(false);
    if (report && m_handle) m_handle->OnCameraOpened(cam->key, 0);
    KelvoStream_SetCallBack(cam->stream, nullptr, nullptr);
    KelvoStream_SetDataCallBack(cam->stream, nullptr, nullptr);
    KelvoStream_Destory(cam->stream);
    m_renderer->Attach(cam->view, nullptr);
    m_renderer->RemoveView(cam->view);
}

void KelvoPlayer::CloseCamera(const std::string& key) {
    auto it = m_cameras.find(key);
    if (it == m_cameras.end()) return;
    std::unique_ptr<PlayerCamera> cam = std::move(it->second);
    m_cameras.erase(it);
    Free(std::move(cam), true);
}

void KelvoPlayer::CloseAll() {
    std::vector<std::string> keys;
    for (auto& kv : m_cameras) keys.push_back(kv.first);
    for (auto& key : keys) CloseCamera(key);
}

void KelvoPlayer::CloseAllAndLogout() {
    CloseAll();
    KelvoSession_Logout(m_session);
}

void KelvoPlayer::SetLayout(int cols, int rows, int spanAcross, int spanDown) {
    const int before = m_renderer->ViewCount();
    const int selected = m_renderer->SelectedView();
    const bool bigPane = (cols == 1 && rows == 1) || (spanAcross > 1 && spanDown > 1);
    if (selected && !m_renderer->IsViewFree(selected) && bigPane) {
        m_renderer->BeginLayoutChange(selected, 0);
        m_renderer->EndLayoutChange(0);
    }
    // The cameras of the panes that disappear, collected before any closes
    // (closing shifts the indexes).
    std::vector<int> views;
    for (int i = 0; i < before; ++i) views.push_back(m_renderer->ViewAt(i));
    if (!m_renderer->SetLayout(cols, rows, spanAcross, spanDown)) return;
    std::vector<std::string> gone;
    for (size_t i = static_cast<size_t>(m_renderer->ViewCount()); i < views.size(); ++i)
        if (auto* cam = views[i] ? static_cast<PlayerCamera*>(m_renderer->AttachedRecord(views[i])) : nullptr)
            gone.push_back(cam->key);
    for (auto& key : gone) CloseCamera(key);
    m_renderer->EndLayoutChange(0);
}

void KelvoPlayer::EnableAlarm(bool enable) {
    if (enable == m_alarmEnable) return;
    m_alarmEnable = enable;
    for (auto& kv : m_cameras) KelvoStream_EnableAlarm(kv.second->stream, enable ? 1 : 0);
}

void KelvoPlayer::SetAlarmTime(int seconds) {
    if (seconds == m_alarmTime) return;
    m_alarmTime = seconds;
    for (auto& kv : m_cameras) KelvoStream_SetAlarmTime(kv.second->stream, seconds);
}

}  // namespace kelvo
