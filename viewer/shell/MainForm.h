// The main window: the login round trip, session events, the device tree
// and the video wall inside the skin control "player".
//
// Thread: UI. The wall's library callbacks reach it only through posted
// messages (OnPlayerEvent). Created with new by the program and deletes
// itself in OnFinalMessage, after the wall's streams and session are gone.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CommonWindow.h"
#include "KelvoNetwork.h"
#include "KelvoPlayerUI.h"
#include "LoginForm.h"
#include "CMenuWnd.h"
#include "PlayToolBar.h"
#include "ViewStore.h"
#include "AlarmCenter.h"

namespace kelvo {

class MainForm : public CommonWindow, public KelvoPlayerHandle, public PlayToolBarCallBack {
public:
    MainForm();
    ~MainForm() override;

    // Runs the login window modally (automatic login when `autoLogin`).
    DuiLib::UINT ShowLogin(bool autoLogin);
    void Logout();
    void BuildDeviceTree();
    KelvoPlayer* Wall() { return m_player ? &m_player->Wall() : nullptr; }
    bool LoggedIn() const { return m_loggedIn; }

    // KelvoPlayerHandle
    void OnPlayerEvent(int event, int value1, int value2) override;
    void OnCameraOpened(const std::string& key, int opened) override;
    void OnCameraAlarm(const std::string& key, bool on) override;
    // PlayToolBarCallBack
    void OnToolBarNotify(PlayToolBar* toolbar, DuiLib::TNotifyUI& msg) override;

    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                        bool& bHandled) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    const char* GetWindowClassName() const override { return "KelvoMainForm"; }
    DuiLib::CDuiString GetSkinFile() override { return "MainForm.xml"; }
    void InitWindow() override;
    DuiLib::CControlUI* CreateControl(const char* pstrClass) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT OnKeyDown(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& bHandled) override;
    // Escape and Enter belong to the wall and the focused control, not to closing.
    bool ResponseDefaultKeyEvent(DuiLib::WPARAM) override { return false; }
    DuiLib::LRESULT OnClose(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& bHandled) override;
    void OnFinalMessage(DuiLib::HWND hWnd) override;

private:
    struct SessionEvent {
        unsigned generation;
        int event, value1, value2;
    };
    void OnLoginRequest(const char* user, const char* password);
    void OnSessionEvent(const SessionEvent& e);
    void ApplyAlarmSettings();
    void AddNodeChildren(const std::string& parentKey, DuiLib::CTreeNodeUI* parent, int depth,
                         const std::string& path);
    DuiLib::CTreeNodeUI* MakeNodeItem(const NodeInfo& node, int depth);
    DuiLib::CTreeNodeUI* MakeCameraItem(const CameraInfo& cam, int depth, const std::string& path, int state);
    void SetItemState(DuiLib::CTreeNodeUI* item, int state);
    void ToggleCamera(DuiLib::CTreeNodeUI* item);
    void SetLocked(bool locked);
    void Unlock();
    void OnPtz(DuiLib::TNotifyUI& msg);
    void SendPtzKey(const char* sender, const char* type);
    bool OnOperatorKey(DuiLib::UINT message, DuiLib::WPARAM vk, DuiLib::LPARAM lParam);
    bool HandleCameraCommand(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam);
    void PostWallUpdate(DuiLib::WPARAM wParam);
    void ToggleFullScreen();
    void ShowSettings();
    // `start` 0: today from midnight; else the moment playback should start from.
    void ShowRecordQuery(const std::string& key, const std::string& title, long long start = 0);
    // Saved views and the tour.
    ViewStore& Views();
    SavedView CurrentView();
    void OpenView(const SavedView& view, bool quiet);
    void OpenViewAt(int index);
    void ShowViews();
    void SetTour(bool on, int seconds);
    void TourStep();
    void SaveLastView();
    void RestoreLastView();
    // The alarm centre.
    void SetupAlarmCenter();
    void OnAlarmOn(const std::string& key);
    void ShowAlarmCount();
    bool AutoPlay();  // true when the environment asked for it
    // Camera search: hides tree items that do not match the search box.
    bool FilterItem(DuiLib::CTreeNodeUI* item, const std::string& query);
    void ApplyTreeFilter();
    void OpenFirstMatch();
    bool EnsureFreePane();
    bool OpenCameraVideo(const std::string& key, const std::string& title);
    void Talk(PlayerCamera* cam, bool on);
    void Record(PlayerCamera* cam, bool on);
    void Snapshot(PlayerCamera* cam);
    void ShowCameraMenu(DuiLib::CTreeNodeUI* item, DuiLib::POINT at);
    void OnMenuCommand(const DuiLib::CDuiString& item, DuiLib::CMenuWnd* menu);
    bool NodeCameras(const std::string& nodeKey, bool open);
    void PostCommand(DuiLib::UINT msg, const std::string& key, const std::string* title, DuiLib::WPARAM flag = 0);

    KelvoPlayerUI* m_player = nullptr;  // owned by the control tree
    std::unique_ptr<LoginForm> m_login;
    bool m_loggedIn = false;
    bool m_locked = false;
    static constexpr int kStateOffline = 0, kStateOpen = 1, kStateOnline = 2;  // camera item tags
    static constexpr const char* kLockedText = "桌面已经锁定，请解锁后操作！";
    DuiLib::HWND m_recordQuery = nullptr;  // the running record window, checked with IsWindow
    // Modal windows running over this one, innermost last: a quit request
    // closes them and waits until their loops have returned.
    std::vector<DuiLib::HWND> m_modals;
    std::unique_ptr<ViewStore> m_views;  // loaded on first use
    std::unique_ptr<AlarmCenter> m_alarmCenter;
    bool m_touring = false;
    size_t m_tourIndex = 0;
    struct ModalScope {
        ModalScope(std::vector<DuiLib::HWND>& stack, DuiLib::HWND h) : stack(stack) { stack.push_back(h); }
        ~ModalScope() { stack.pop_back(); }
        std::vector<DuiLib::HWND>& stack;
    };
    bool m_hideOffline = false;
    std::map<std::string, std::string> m_titlePaths;  // camera key → title path (GBK)
    std::vector<std::string> m_onlineOrder;           // online cameras in tree order
    bool m_autoPlayed = false;
    bool m_quitting = false;  // the process was asked to end: close without asking
    // A login generation: events of an earlier login are dropped.
    std::atomic<unsigned> m_generation{0};
};

}  // namespace kelvo
