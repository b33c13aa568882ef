#include "KelvoPlayer.h"

#include <CWindowWnd.h>
#include <TextCodec.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <SDL.h>

#include "FullScreenWnd.h"
#include "KelvoNetwork.h"
#include "RepaintPacer.h"
#include "SoundPlayer.h"
#include "TitlePath.h"
#include "ViewerMessages.h"

namespace kelvo {

KelvoPlayer::KelvoPlayer() = default;

KelvoPlayer::~KelvoPlayer() {
    if (m_fullScreenOn) {
        // The textures belong to the full-screen window's surface: released while it lives.
        if (m_renderer) m_renderer->Stop();
        m_fullScreenOn = false;
        if (m_fullScreen) m_fullScreen->Shut();
        DuiLib::PostQuitMessage(0);
    }
    m_fullScreen.reset();
    m_toolbar.reset();
    m_pacer.reset();
    StopAlarmSound();
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

namespace {
long long SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr long long kNoticeMs = 5000;
constexpr long long kFigurePeriodMs = 1000;

long long RealtimeMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}
}  // namespace

void KelvoPlayer::OnInput() {
    if (m_stats) m_inputAt = RealtimeMs();
}

void KelvoPlayer::OnPainted() {
    ++m_paints;
    if (!m_stats) return;
    const long long now = RealtimeMs();
    if (m_inputAt) {
        std::fprintf(stderr, "wall input at=%lld painted at=%lld ms=%lld\n", m_inputAt, now, now - m_inputAt);
        m_inputAt = 0;
    }
    uint64_t drawn = 0;
    int shown = 0;
    for (int i = 0; i < m_renderer->ViewCount(); ++i)
        if (int view = m_renderer->ViewAt(i)) {
            drawn += m_renderer->PicturesDrawn(view);
            ++shown;
        }
    if (m_statsSince == 0) {
        m_statsSince = now;
        m_statsPaints = m_paints;
        m_statsDrawn = drawn;
        return;
    }
    const double seconds = (now - m_statsSince) / 1000.0;
    if (seconds < 5) return;
    std::fprintf(stderr, "wall stats views=%d paints/s=%.1f pictures/s/view=%.1f\n", shown,
                 (m_paints - m_statsPaints) / seconds,
                 shown ? static_cast<double>(drawn - m_statsDrawn) / seconds / shown : 0.0);
    m_statsSince = now;
    m_statsPaints = m_paints;
    m_statsDrawn = drawn;
}

bool KelvoPlayer::Start(DuiLib::HWND window) {
    m_window = window;
    m_stats = std::getenv("KELVO_WALL_STATS") != nullptr;
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
    cam->tile.NoteState(state, value1, SteadyMs());
    if ((state == KELVO_STREAM_REQUESTING || state == KELVO_STREAM_RECONNECTING) && value1 >= 7)
        self->m_renderer->SetReconnecting(cam->view, 0);
    if (state == KELVO_STREAM_FAILED) self->m_renderer->SetFailed(cam->view);
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
    cam->tile.NoteFrame(SteadyMs());
    if (type == 0 && length >= w * h * 3 / 2) cam->wall->m_renderer->ShowPicture(cam->view, data, w, h);
    const bool on = alarm != 0;
    if (cam->alarm.exchange(on) != on) cam->wall->OnCameraAlarm(cam->key, on);
}

void KelvoPlayer::ReportAlarm(bool on) {
    std::lock_guard<std::mutex> lock(m_alarmLock);
    if (on) {
        if (m_alarmCount == 0 && m_alarmSwitch) StartSoundLocked();
        ++m_alarmCount;
        return;
    }
    // An "off" never takes the count below zero, and the switch being off
    // silences the sound without forgetting the other cameras' alarms.
    if (m_alarmCount > 0) --m_alarmCount;
    if (m_alarmCount == 0 || !m_alarmSwitch) StopSoundLocked();
}

void KelvoPlayer::SetPicturesWanted(bool wanted) {
    if (wanted == m_picturesWanted) return;
    m_picturesWanted = wanted;
    for (auto& kv : m_cameras)
        if (kv.second->stream) KelvoStream_SetDataType(kv.second->stream, wanted ? 0 : 1);
}

void KelvoPlayer::SetTileStatesShown(bool on) {
    m_tileStates = on;
    RefreshTiles();
}

void KelvoPlayer::SetFiguresShown(bool on) {
    m_figures = on;
    for (auto& kv : m_cameras) kv.second->lastSample = FigureSample{};
    RefreshTiles();
}

void KelvoPlayer::RefreshTiles() {
    if (!m_renderer) return;
    const long long now = SteadyMs();
    for (auto& kv : m_cameras) {
        PlayerCamera& cam = *kv.second;
        m_renderer->SetStatus(cam.view, m_tileStates ? LabelFor(cam.tile.StatusAt(now)) : PaneLabel{});
        if (!m_figures) {
            m_renderer->SetFigures(cam.view, {});
            continue;
        }
        if (cam.lastSample.atMs != 0 && now - cam.lastSample.atMs < kFigurePeriodMs) continue;
        FigureSample sample;
        KelvoStream_GetStats(cam.stream, &sample.stream);
        sample.stored = m_renderer->PicturesReceived(cam.view);
        sample.drawn = m_renderer->PicturesDrawn(cam.view);
        sample.slotDelayMs = m_renderer->LastSlotDelayMs(cam.view);
        sample.atMs = now;
        if (cam.lastSample.atMs != 0) m_renderer->SetFigures(cam.view, FigureLines(cam.lastSample, sample));
        cam.lastSample = sample;
    }
    for (auto it = m_noticeUntil.begin(); it != m_noticeUntil.end();) {
        if (it->second != 0 && now >= it->second) {
            m_renderer->SetPaneNotice(it->first, PaneLabel{});
            it = m_noticeUntil.erase(it);
        } else {
            ++it;
        }
    }
}

void KelvoPlayer::ShowNotice(PaneNotice notice) {
    if (!m_renderer || !m_tileStates) return;
    const PaneLabel label = LabelFor(notice);
    if (notice == PaneNotice::OUTSIDE_SCHEDULE) {
        for (int i = 0; i < m_renderer->ViewCount(); ++i) {
            m_renderer->SetPaneNotice(i, label);
            m_noticeUntil[i] = 0;
        }
    } else {
        int pane = -1;
        for (int i = 0; i < m_renderer->ViewCount() && pane < 0; ++i)
            if (m_renderer->ViewAt(i) == 0) pane = i;
        if (pane < 0) pane = m_renderer->SelectedPane();
        if (pane < 0) return;
        m_renderer->SetPaneNotice(pane, label);
        m_noticeUntil[pane] = SteadyMs() + kNoticeMs;
    }
}

void KelvoPlayer::OnCameraAlarm(const std::string& key, bool on) {
    ReportAlarm(on);
    if (m_handle) m_handle->OnCameraAlarm(key, on);
}

void KelvoPlayer::StartSoundLocked() {
    m_alarmSounding = true;
    SoundPlayer::Instance().Play(SoundPlayer::ALARM, m_alarmPath, true);
}

void KelvoPlayer::StopSoundLocked() {
    m_alarmSounding = false;
    SoundPlayer::Instance().Stop(SoundPlayer::ALARM);
}

void KelvoPlayer::SetAlarmSoundSwitch(bool on) {
    std::lock_guard<std::mutex> lock(m_alarmLock);
    m_alarmSwitch = on;
    if (!on) StopSoundLocked();
}

void KelvoPlayer::SetAlarmSound(const std::string& path) {
    SoundPlayer::Instance().Load(path);  // UI thread: stream threads only play it
    std::lock_guard<std::mutex> lock(m_alarmLock);
    m_alarmPath = path;
    StopSoundLocked();
    if (m_alarmCount != 0 && m_alarmSwitch) StartSoundLocked();
}

void KelvoPlayer::PlayAlarmSound() {
    std::lock_guard<std::mutex> lock(m_alarmLock);
    if (m_alarmCount != 0) StartSoundLocked();
}

void KelvoPlayer::StopAlarmSound() {
    std::lock_guard<std::mutex> lock(m_alarmLock);
    StopSoundLocked();
}

bool KelvoPlayer::AlarmSounding() {
    std::lock_guard<std::mutex> lock(m_alarmLock);
    return m_alarmSounding;
}

int KelvoPlayer::AlarmCount() {
    std::lock_guard<std::mutex> lock(m_alarmLock);
    return m_alarmCount;
}

void KelvoPlayer::OnViewSelected(int, int view) {
    HideToolBar();
    if (view == -1) return;
    DuiLib::PostMessage(m_window, WM_WALL_UPDATE, 0, 0);
    if (!EnsureToolBar()) return;
    if (!m_selectedOnce) {
        m_selectedOnce = true;
        return;
    }
    UpdateToolBar(0);  // placed before it shows, not after
    if (m_renderer->SelectedView()) m_toolbar->ShowBar();
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
    // Decoded pictures only while someone can see them; raw frames still
    // carry the alarm flag (and recordings never depend on it).
    KelvoStream_SetDataType(cam->stream, m_picturesWanted ? 0 : 1);
    KelvoStream_SetDataCallBack(cam->stream, &KelvoPlayer::OnPicture, cam.get());
    m_renderer->Attach(view, cam.get());
    m_renderer->SetTitle(view, DuiLib::GbkToUtf8Lenient(LastTitleComponent(name)));
    KelvoStream_Start(cam->stream);
    m_cameras[key] = std::move(cam);
    m_renderer->ClearPaneNotices();
    m_noticeUntil.clear();
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
    StopAlarmSound();
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

// --- toolbar and full screen (UI thread)

void KelvoPlayer::SetToolBarCallBack(PlayToolBarCallBack* cb) {
    m_toolbarCb = cb;
    if (m_toolbar) m_toolbar->SetCallBack(cb);
}

bool KelvoPlayer::EnsureToolBar() {
    if (m_toolbar) return m_toolbar->GetHWND() != nullptr;
    m_toolbar = std::make_unique<PlayToolBar>();
    m_toolbar->SetCallBack(m_toolbarCb);
    // A bar that cannot be made stays without a window: not retried on every update.
    // Not owned by the main window: the toolkit gives an owner's Escape to its
    // tool windows first, and the main window needs its Escape.
    return m_toolbar->CreateBar(nullptr);
}

void KelvoPlayer::HideToolBar() {
    if (m_toolbar) m_toolbar->HideBar();
}

StreamFacts KelvoPlayer::FactsOf(PlayerCamera* cam) const {
    StreamFacts f;
    if (!cam || !cam->stream) return f;
    f.camera = true;
    f.playing = KelvoStream_isPlay(cam->stream) != 0;
    f.recording = KelvoStream_isRecord(cam->stream) != 0;
    f.hasAudio = KelvoStream_hasAudio(cam->stream) != 0;
    f.audioEnabled = KelvoStream_isAudioEnable(cam->stream) != 0;
    f.talk = KelvoStream_isTalk(cam->stream) != 0;
    return f;
}

DuiLib::HWND KelvoPlayer::SurfaceWindow() const {
    if (m_fullScreenOn && m_fullScreen && m_fullScreen->GetHWND()) return m_fullScreen->GetHWND();
    return m_window;
}

void KelvoPlayer::Repaint() {
    // 25 a second (the cameras' own rate): a period a little under 40 ms
    // absorbs the timer's lateness.
    if (!m_pacer) m_pacer = std::make_unique<RepaintPacer>([this] { RepaintNow(); }, 36);
    m_pacer->Request();
}

void KelvoPlayer::RepaintNow() {
    if (m_fullScreenOn && m_fullScreen && m_fullScreen->GetHWND())
        m_fullScreen->GetPaintManager().Invalidate();
    else if (m_repaint)
        m_repaint();
}

void KelvoPlayer::UpdateToolBar(int wParam) {
    Repaint();
    const int view = m_renderer ? m_renderer->SelectedView() : 0;
    if (wParam == 1 || view == 0 || !m_toolbar || !m_toolbar->GetHWND()) {
        HideToolBar();
        return;
    }
    // View rectangles are in the surface's pixels; windows are placed in points.
    DuiLib::HWND surface = SurfaceWindow();
    SDL_Window* sdl = DuiLib::WindowRegistry::Instance().Sdl(surface);
    if (!sdl) {
        HideToolBar();
        return;
    }
    int w = 0, h = 0, pw = 0, ph = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    SDL_GetWindowSizeInPixels(sdl, &pw, &ph);
    const float scale = (w > 0 && pw > w) ? static_cast<float>(pw) / static_cast<float>(w) : 1.0f;
    const SDL_Rect vr = m_renderer->ViewRect(view);
    DuiLib::POINT origin{0, 0};
    DuiLib::ClientToScreen(surface, origin);
    const DuiLib::RECT onScreen = DuiLib::MakeRect(origin.x + static_cast<int>(vr.x / scale), origin.y + static_cast<int>(vr.y / scale),
                                   origin.x + static_cast<int>((vr.x + vr.w) / scale),
                                   origin.y + static_cast<int>((vr.y + vr.h) / scale));
    const DuiLib::RECT bar = ToolBarRectFor(onScreen);
    if (bar.IsEmpty()) {
        HideToolBar();
        return;
    }
    m_toolbar->Place(bar);
    m_toolbar->Apply(ToolBarButtonsFor(FactsOf(SelectedCamera())));
}

void KelvoPlayer::RequestFullScreenToggle() {
    if (m_fullScreenOn && m_fullScreen && m_fullScreen->PostToggle()) return;
    ToggleFullScreen();
}

void KelvoPlayer::ToggleFullScreen() {
    if (!m_renderer) return;
    HideToolBar();
    if (m_fullScreenOn) {
        m_fullScreenOn = false;
        // Textures go while the full-screen surface still exists.
        m_renderer->Stop();
        if (m_fullScreen) m_fullScreen->Shut();
        RepaintNow();
        DuiLib::PostMessage(m_window, WM_WALL_UPDATE, 0, 0);
        return;
    }
    // The display that shows the main window (the first one without it).
    SDL_Window* main = DuiLib::WindowRegistry::Instance().Sdl(m_window);
    int display = main ? SDL_GetWindowDisplayIndex(main) : 0;
    SDL_Rect bounds{0, 0, 0, 0};
    if (display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0) {
        display = 0;
        if (SDL_GetDisplayBounds(0, &bounds) != 0) return;
    }
    if (!m_fullScreen) m_fullScreen = std::make_unique<FullScreenWnd>(this);
    m_fullScreenOn = true;
    m_renderer->Stop();
    if (!m_fullScreen->Open(m_window, bounds.x, bounds.y, bounds.w, bounds.h)) {
        m_fullScreenOn = false;
        RepaintNow();
        return;
    }
    if (m_repaint) m_repaint();  // the main window's control turns black
    m_fullScreen->GetPaintManager().Invalidate();
}

}  // namespace kelvo
