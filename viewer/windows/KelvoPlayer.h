// The video wall: owns the program's session handle and one stream per
// shown camera, hands decoded pictures to the renderer's views, and keeps
// the count of cameras in alarm.
//
// Thread contract: every operation runs on the UI thread, except the
// library callbacks (session events, stream states and pictures arrive on
// network and render threads): they touch only a camera record's atomics,
// the renderer's any-thread calls and the alarm count (m_alarmLock), and
// reach the UI thread by posting to the owner window. Streams are destroyed
// (their threads joined) before their records are freed.
#pragma once

#include <SDL.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <UIDefs.h>

#include "VideoRenderer.h"

namespace kelvo {

// The main window's side of the wall.
class KelvoPlayerHandle {
public:
    virtual ~KelvoPlayerHandle() = default;
    // Thread: any (network threads); must only post.
    virtual void OnPlayerEvent(int event, int value1, int value2) = 0;
    // Thread: UI.
    virtual void OnCameraOpened(const std::string& key, int opened) = 0;
};

class KelvoPlayer;

// One open camera. Owned by the wall's map.
struct PlayerCamera {
    KelvoPlayer* wall = nullptr;
    void* stream = nullptr;
    int view = 0;
    std::string key;
    std::string name;  // GBK title path
    std::atomic<int> width{352}, height{288};
    std::atomic<bool> alarm{false};
};

class KelvoPlayer : public IRenderManagerCallBack {
public:
    KelvoPlayer();
    ~KelvoPlayer() override;
    KelvoPlayer(const KelvoPlayer&) = delete;
    KelvoPlayer& operator=(const KelvoPlayer&) = delete;

    // Makes the renderer and the session; `window` receives WM_WALL_UPDATE
    // when a repaint is wanted. False when either cannot be made.
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

    void SetUser(const std::string& user, const std::string& password) {
        m_user = user;
        m_password = password;
    }
    const std::string& User() const { return m_user; }

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

    std::unique_ptr<VideoRenderer> m_renderer;
    void* m_session = nullptr;
    DuiLib::HWND m_window = nullptr;
    KelvoPlayerHandle* m_handle = nullptr;  // borrowed: the main window
    std::map<std::string, std::unique_ptr<PlayerCamera>> m_cameras;
    std::string m_user, m_password;
    bool m_alarmEnable = false;
    int m_alarmTime = 10;

    std::mutex m_alarmLock;
    int m_alarmCount = 0;  // guarded by m_alarmLock
};

}  // namespace kelvo
