// The video wall: owns the program's session handle and one stream per
// shown camera, hands decoded pictures to the renderer's views, and keeps
// the count of cameras in alarm.
//
// Thread contract: every operation runs on the UI thread, except the
// library callbacks (session events, stream states and pictures arrive on
// network and render threads): they touch only a camera record's atomics,
// the renderer's any-thread calls and the alarm state (m_alarmLock, which
// also covers starting and stopping the alarm sound), and reach the UI
// thread by posting to the owner window. Streams are destroyed (their
// threads joined) before their records are freed. The toolbar and the
// full-screen window are UI-thread objects owned here.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <UIDefs.h>

#include "VideoRenderer.h"
#include "PlayToolBar.h"
#include "TileStatus.h"
#include "ToolBarState.h"

namespace kelvo {

// The main window's side of the wall.
class KelvoPlayerHandle {
public:
    virtual ~KelvoPlayerHandle() = default;
    // Thread: any (network threads); must only post.
    virtual void OnPlayerEvent(int event, int value1, int value2) = 0;
    // Thread: UI.
    virtual void OnCameraOpened(const std::string& key, int opened) = 0;
    // A camera's pictures began (on) or stopped carrying an alarm. Thread:
    // any (render threads); must only post.
    virtual void OnCameraAlarm(const std::string& key, bool on) {
        (void)key;
        (void)on;
    }
};

class KelvoPlayer;
class FullScreenWnd;
class RepaintPacer;

// One open camera. Owned by the wall's map.
struct PlayerCamera {
    KelvoPlayer* wall = nullptr;
    void* stream = nullptr;
    int view = 0;
    std::string key;
    std::string name;  // GBK title path
    std::atomic<int> width{352}, height{288};
    std::atomic<bool> alarm{false};
    TileTracker tile;
    FigureSample lastSample;  // UI thread
};

class KelvoPlayer : public IRenderManagerCallBack {
public:
    KelvoPlayer();
    ~KelvoPlayer() override;
    KelvoPlayer(const KelvoPlayer&) = delete;
    KelvoPlayer& operator=(const KelvoPlayer&) = delete;

    // Makes the renderer and the session; `window` receives WM_WALL_UPDATE
    // when a repaint is wanted and owns the toolbar (made on first use).
    // False when either cannot be made.
    bool Start(DuiLib::HWND window);
    void SetHandle(KelvoPlayerHandle* handle) { m_handle = handle; }
    void* Session() const { return m_session; }
    VideoRenderer& Renderer() { return *m_renderer; }

    bool OpenCamera(const std::string& key, const std::string& name);
    void CloseCamera(const std::string& key);
    void CloseAll();
    void CloseAllAndLogout();
    PlayerCamera* FindCamera(const std::string& key);
    bool IsOpen(const std::string& key) { return FindCamera(key) != nullptr; }
    PlayerCamera* SelectedCamera();
    size_t OpenCount() const { return m_cameras.size(); }
    void SetLayout(int cols, int rows, int spanAcross, int spanDown);
    void EnableAlarm(bool enable);
    void SetAlarmTime(int seconds);
    int AlarmCount();

    // --- toolbar (UI thread)
    void SetToolBarCallBack(PlayToolBarCallBack* cb);
    // What WM_WALL_UPDATE does: places the toolbar over the selected view and
    // sets its buttons, or hides it (wParam 1, no selected view); asks for a
    // repaint of the wall.
    void UpdateToolBar(int wParam);
    void HideToolBar();
    PlayToolBar* ToolBar() { return m_toolbar.get(); }
    // Repaints the wall's surface (the skin control sets it).
    void SetRepaint(std::function<void()> repaint) { m_repaint = std::move(repaint); }
    // False while the wall cannot be seen (window minimised or hidden): the
    // streams stop decoding and resume at their next key frame. Thread: UI.
    void SetPicturesWanted(bool wanted);
    bool PicturesWanted() const { return m_picturesWanted; }

    // --- state words and figures over the views (UI thread)
    // Words for what each stream is doing (on by default); off, the views
    // show only the plain connecting/failed texts.
    void SetTileStatesShown(bool on);
    bool TileStatesShown() const { return m_tileStates; }
    // The per-view figures overlay (off by default).
    void SetFiguresShown(bool on);
    bool FiguresShown() const { return m_figures; }
    // Refreshes the words and, once a second, the figures (a 500 ms timer).
    void RefreshTiles();
    // Why a camera could not be opened, on the pane it would have taken
    // (the first empty one, else the selected one) for a few seconds; the
    // schedule's notice stays on every pane until a camera opens.
    void ShowNotice(PaneNotice notice);

    // --- full screen (UI thread)
    void ToggleFullScreen();
    bool IsFullScreen() const { return m_fullScreenOn; }
    // Toggles from a posted message when the asking input came from the
    // full-screen window itself (leaving destroys it).
    void RequestFullScreenToggle();
    // The window the views are drawn in now: the full-screen one or the owner.
    DuiLib::HWND SurfaceWindow() const;
    // Called by the surface after each draw of the views; with
    // KELVO_WALL_STATS set, prints drawing rates and input-to-paint times
    // to stderr (benchmarks).
    void OnPainted();
    void OnInput();
    unsigned long Paints() const { return m_paints; }

    // --- alarm sound
    void SetAlarmSoundSwitch(bool on);  // UI thread
    // Loads the file (UI thread) and restarts the sound when alarms are pending.
    void SetAlarmSound(const std::string& path);
    void PlayAlarmSound();   // loops while alarms are pending; thread: any
    void StopAlarmSound();   // thread: any
    // A camera's alarm went on or off (stream render threads).
    void OnCameraAlarm(const std::string& key, bool on);
    // Whether the wall wants the alarm sound now (whether or not a device plays it).
    bool AlarmSounding();

    void SetUser(const std::string& user, const std::string& password) {
        m_user = user;
        m_password = password;
    }
    const std::string& User() const { return m_user; }
    const std::string& Password() const { return m_password; }

    // IRenderManagerCallBack
    void OnViewSelected(int unused, int view) override;
    void OnSurfaceChanged() override;

private:
    static void OnSession(int event, int value1, int value2, void* user);
    static void OnStreamState(int state, int value1, int value2, void* user);
    static void OnPicture(int type, unsigned char* data, int length, int timestamp, int delta,
                          int alarm, void* user);
    void Free(std::unique_ptr<PlayerCamera> camera, bool report);
    void ReportAlarm(bool on);
    void StartSoundLocked();
    void StopSoundLocked();
    bool EnsureToolBar();
    StreamFacts FactsOf(PlayerCamera* camera) const;
    void Repaint();     // paced: pictures arrive far more often than worth drawing
    void RepaintNow();

    std::unique_ptr<VideoRenderer> m_renderer;
    void* m_session = nullptr;
    DuiLib::HWND m_window = nullptr;
    KelvoPlayerHandle* m_handle = nullptr;  // borrowed: the main window
    bool m_picturesWanted = true;
    bool m_tileStates = true;
    bool m_figures = false;
    std::map<int, long long> m_noticeUntil;  // pane index -> steady ms (0: until a camera opens)
    std::map<std::string, std::unique_ptr<PlayerCamera>> m_cameras;
    std::string m_user, m_password;
    bool m_alarmEnable = false;
    int m_alarmTime = 10;

    std::unique_ptr<PlayToolBar> m_toolbar;
    PlayToolBarCallBack* m_toolbarCb = nullptr;  // borrowed: the main window
    bool m_selectedOnce = false;  // the first selection after start shows no toolbar
    std::function<void()> m_repaint;
    std::unique_ptr<RepaintPacer> m_pacer;
    std::unique_ptr<FullScreenWnd> m_fullScreen;
    bool m_fullScreenOn = false;
    unsigned long m_paints = 0;
    bool m_stats = false;
    long long m_statsSince = 0, m_inputAt = 0;  // realtime ms
    unsigned long m_statsPaints = 0;
    uint64_t m_statsDrawn = 0;

    std::mutex m_alarmLock;
    // --- guarded by m_alarmLock
    int m_alarmCount = 0;
    bool m_alarmSwitch = false;
    bool m_alarmSounding = false;
    std::string m_alarmPath;
};

}  // namespace kelvo
