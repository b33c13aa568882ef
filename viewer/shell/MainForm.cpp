#include "MainForm.h"

#include <cstdlib>
#include <vector>

#include "ClientConfig.h"
#include "CMenuElementUI.h"
#include "KelvoNetwork.h"
#include "MpuSelectView.h"
#include "MediaFolders.h"
#include "MpuStyleTable.h"
#include "platform/DebugOutput.h"
#include "SessionTexts.h"
#include "TitlePath.h"
#include "AlarmMessages.h"
#include "ViewerMessages.h"

namespace kelvo {

using namespace DuiLib;

namespace {

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

}  // namespace

MainForm::MainForm() = default;
MainForm::~MainForm() = default;

CControlUI* MainForm::CreateControl(const char* pstrClass) {
    if (CDuiString(pstrClass).CompareNoCase("KelvoPlayer") != 0) return nullptr;
    auto player = std::make_unique<KelvoPlayerUI>();
    if (!player->StartWall(GetHWND())) {
        ShowMessage("无法启动显示模块，请检查显卡驱动是否正常安装！", "错误");
        PostQuitMessage(-1);
        return nullptr;
    }
    m_player = player.get();
    return player.release();  // the control tree owns it from here
}

void MainForm::InitWindow() {
    ClientConfig& config = ClientConfig::Instance();
    config.LoadConfig();
    if (!m_player) {
        PostQuitMessage(-1);
        return;
    }
    KelvoPlayer& wall = m_player->Wall();
    wall.SetHandle(this);
    wall.SetToolBarCallBack(this);
    SetupAlarmCenter();
    wall.Renderer().SetFitMode(config.displayMode);
    wall.SetLayout(config.videoCol, config.videoRow, config.firstVideoCol, config.firstVideoRow);
    m_hideOffline = config.hideOffline != 0;
    SetLocked(false);
    static const char* kFit[] = {"btn_play_fitscale", "btn_play_fitscreen", "btn_play_truesize"};
    const int mode = wall.Renderer().FitMode();
    if (mode >= 0 && mode < 3)
        if (auto* fit = FindControlAs<COptionUI>(kFit[mode])) fit->Selected(true, false);
    if (auto* lock = FindControlAs<CButtonUI>("btn_lock")) lock->SetEnabled(false);
}

UINT MainForm::ShowLogin(bool autoLogin) {
    if (m_login && IsWindow(m_login->GetHWND())) return 0;
    // A record window of the previous login must not outlive it.
    if (m_recordQuery && IsWindow(m_recordQuery)) DuiLib::PostMessage(m_recordQuery, WM_CLOSE, 0, 0);
    m_login = std::make_unique<LoginForm>();
    m_login->SetAutoLoginPending(autoLogin);
    if (!m_login->Create(GetHWND(), "LoginForm", UI_WNDSTYLE_DIALOG, 0)) return 0;
    m_login->CenterWindow();
    return m_login->ShowModal();
}

void MainForm::Logout() {
    SetLocked(false);
    SetTour(false, 0);
    SaveLastView();
    ++m_generation;  // events still queued from this login are stale now
    if (KelvoPlayer* wall = Wall()) {
        wall->CloseAll();
        KelvoSession_Logout(wall->Session());
    }
    m_loggedIn = false;
    if (auto* tree = FindControlAs<CTreeViewUI>("treePlaylist")) tree->RemoveAll();
    if (auto* user = FindControlAs<CLabelUI>("txtUserName")) user->SetText("未登录");
    if (auto* lock = FindControlAs<CButtonUI>("btn_lock")) {
        lock->SetVisible(true);
        lock->SetEnabled(false);
    }
    if (auto* unlock = FindControlAs<CButtonUI>("btn_unlock")) unlock->SetVisible(false);
    ShowLogin(false);
}

void MainForm::ApplyAlarmSettings() {
    ClientConfig& config = ClientConfig::Instance();
    KelvoPlayer* wall = Wall();
    wall->SetAlarmTime(config.AlarmDisplayTime);
    wall->EnableAlarm(config.enableAlarm != 0);
    wall->Renderer().SetTitlesVisible(config.enableTitle != 0);
    wall->SetTileStatesShown(config.tileStates != 0);
    wall->Renderer().SetZoomEnabled(config.digitalZoom != 0);
    wall->SetAlarmSoundSwitch(config.EnableAudioAlarm != 0);
    if (config.EnableAudioAlarm)
        wall->PlayAlarmSound();
    else
        wall->StopAlarmSound();
    wall->SetAlarmSound(config.AudioAlarmFile);
}

void MainForm::OnLoginRequest(const char* user, const char* password) {
    KelvoPlayer* wall = Wall();
    if (!wall) return;
    wall->CloseAll();
    KelvoSession_Logout(wall->Session());
    if (m_login) m_login->ShowWait("正在登录...");
    ApplyAlarmSettings();
    wall->SetUser(user ? user : "", password ? password : "");
    ClientConfig& config = ClientConfig::Instance();
    ++m_generation;  // the session's threads are stopped: only the new login posts from now on
    const int result = KelvoSession_Login(wall->Session(), config.serverAddress.c_str(),
                                          config.serverPort & 0xFFFF, user, password,
                                          config.EnablePortal ? 1 : 0);
    if (result != 0) {
        // Every attempt ends visibly, also one that could not start.
        if (m_login && IsWindow(m_login->GetWaitView().GetHWND())) m_login->GetWaitView().Close(1);
        ShowMessage(SessionErrorText(0, 0).c_str());
    }
}

void MainForm::OnPlayerEvent(int event, int value1, int value2) {
    auto* e = new SessionEvent{m_generation.load(), event, value1, value2};
    if (!DuiLib::PostMessage(GetHWND(), WM_SESSION_EVENT, 0, reinterpret_cast<LPARAM>(e),
                             [](WPARAM, LPARAM p) { delete reinterpret_cast<SessionEvent*>(p); }))
        return;  // dropped and freed by the toolkit
}

void MainForm::OnCameraOpened(const std::string& key, int opened) {
    auto* tree = FindControlAs<CTreeViewUI>("treePlaylist");
    if (!tree) return;
    if (auto* item = dynamic_cast<CTreeNodeUI*>(m_pm.FindControl(("cameraItem_" + key).c_str())))
        SetItemState(item, opened ? kStateOpen : kStateOnline);
}

void MainForm::OnSessionEvent(const SessionEvent& e) {
    if (e.generation != m_generation.load()) return;  // an earlier login's event
    switch (e.event) {
    case KELVO_SESSION_CONNECTING:
        if (m_login) m_login->SetWaitText("正在连接...");
        break;
    case KELVO_SESSION_CONNECTED:
        if (m_login) m_login->SetWaitText("正在登录...");
        break;
    case KELVO_SESSION_LOGGED_IN:
        if (m_login) m_login->SetWaitText("正在更新...");
        break;
    case KELVO_SESSION_FAILED:
        if (m_login && IsWindow(m_login->GetWaitView().GetHWND())) m_login->GetWaitView().Close(1);
        SaveLastView();  // before the wall empties
        m_loggedIn = false;
        Wall()->CloseAllAndLogout();
        ShowMessage(SessionErrorText(e.value1, e.value2).c_str());
        Logout();
        break;
    case KELVO_SESSION_DIRECTORY_READY:
        BuildDeviceTree();
        if (!m_loggedIn) {
            m_loggedIn = true;
            if (!AutoPlay()) RestoreLastView();
        }
        if (auto* user = FindControlAs<CLabelUI>("txtUserName")) user->SetText(Wall()->User().c_str());
        MaximizeWindow(GetHWND());
        if (auto* lock = FindControlAs<CButtonUI>("btn_lock")) {
            lock->SetVisible(true);
            lock->SetEnabled(true);
        }
        if (m_login && IsWindow(m_login->GetHWND())) {
            if (IsWindow(m_login->GetWaitView().GetHWND())) m_login->GetWaitView().Close(1);
            m_login->StoreChoices();
            m_login->Close(1);
        }
        break;
    case KELVO_SESSION_OUTSIDE_SCHEDULE:
        if (Wall()->OpenCount() > 0) {
            Wall()->CloseAll();
            Wall()->ShowNotice(PaneNotice::OUTSIDE_SCHEDULE);
            ShowMessage("该视频不允许在这个时段观看，已经自动关闭！");
        }
        break;
    case 776:
        ShowMessage(SessionErrorText(e.value1, e.value2).c_str());
        break;
    default:
        break;
    }
}

LRESULT MainForm::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    switch (uMsg) {
    case WM_LOGIN:
        OnLoginRequest(reinterpret_cast<const char*>(wParam), reinterpret_cast<const char*>(lParam));
        return 1;
    case WM_SESSION_EVENT: {
        std::unique_ptr<SessionEvent> e(reinterpret_cast<SessionEvent*>(lParam));
        if (e) OnSessionEvent(*e);
        return 1;
    }
    case WM_WALL_UPDATE:
        // The wall paces its own repaints; invalidating here would paint once per picture.
        if (Wall()) Wall()->UpdateToolBar(static_cast<int>(wParam));
        return 1;
    case WM_KEYUP:
        bHandled = OnOperatorKey(uMsg, wParam, lParam);
        return 0;
    case WM_SHOWWINDOW:
        // Reported by the window system only (lParam 1): minimised or hidden, nobody sees the wall.
        if (lParam == 1 && Wall()) Wall()->SetPicturesWanted(wParam != 0 || Wall()->IsFullScreen());
        bHandled = false;
        return 0;
    case WM_MOVE:
    case WM_SIZE:
        PostWallUpdate(0);
        bHandled = false;
        return 0;
    case WM_QUIT_REQUEST: {
        // Modal windows first: their loops must return before the main
        // window goes (a close posted while one runs would be lost).
        bool waiting = false;
        if (m_login && IsWindow(m_login->GetHWND())) {
            m_login->Close(2);
            waiting = true;
        }
        for (HWND h : m_modals)
            if (IsWindow(h)) {
                DuiLib::PostMessage(h, WM_CLOSE, 0, 0);
                waiting = true;
            }
        if (waiting || !m_modals.empty()) {
            DuiLib::PostMessage(GetHWND(), WM_QUIT_REQUEST, 0, 0);  // again once their loops returned
            return 1;
        }
        // Close posts: the window is destroyed after this handler returned.
        m_quitting = true;
        Close(0);
        return 1;
    }
    case WM_RAISE_MAIN:
        if (IsWindowVisible(GetHWND())) ShowWindow(true, true);
        return 1;
    case WM_CAMERA_ALARM: {
        std::unique_ptr<std::string> key(reinterpret_cast<std::string*>(lParam));
        if (key) OnAlarmOn(*key);
        return 1;
    }
    case WM_ALARM_PLAYBACK: {
        std::unique_ptr<AlarmPlayback> play = TakeAlarmPlayback(lParam);
        if (play && !m_locked) ShowRecordQuery(play->key, play->titlePath, play->time);
        return 1;
    }
    case WM_MENU_COMMAND:
        if (wParam && lParam)
            OnMenuCommand(*reinterpret_cast<const CDuiString*>(wParam), reinterpret_cast<CMenuWnd*>(lParam));
        return 1;
    case WM_MPU_STYLE:
        if (const MpuStyle* style = FindMpuStyleById(static_cast<int>(wParam)))
            Wall()->SetLayout(style->columns, style->rows, style->span, style->span);
        return 1;
    default:
        bHandled = HandleCameraCommand(uMsg, wParam, lParam);
        return bHandled ? 1 : 0;
    }
}

CTreeNodeUI* MainForm::MakeNodeItem(const NodeInfo& node, int depth) {
    auto* item = new CTreeNodeUI;
    const std::string key = Field(node.key, sizeof node.key);
    item->SetName(("nodeItem_" + key).c_str());
    item->SetItemText(Field(node.name, sizeof node.name).c_str());
    item->SetUserData(key.c_str());
    item->SetItemTextColor(0xFFFFFFFF);
    item->SetSelItemTextColor(0xFFFFFFFF);
    item->SetSelItemHotTextColor(0xFFFFFFFF);
    item->SetItemHotTextColor(0xFF386382);
    item->SetAttribute("height", "22");
    item->SetAttribute("inset", (std::to_string(depth * 20 - 15) + ",0,0,0").c_str());
    item->GetFolderButton()->ApplyAttributeList(
        "padding=\"0,5,0,0\" width=\"12\" height=\"12\" selectedimage=\"file='img/treeview_expand.png' "
        "source='0,0,12,12' \" normalimage=\"file='img/treeview_expand.png' source='13,0,25,12'\" ");
    auto* icon = new CControlUI;
    icon->SetFixedWidth(28);
    icon->SetBkImage("file='img/folder.png' dest='5,4,23,18'");
    item->AddChildControl(icon, 3);
    return item;
}

void MainForm::SetItemState(CTreeNodeUI* item, int state) {
    item->SetTag(static_cast<UINT_PTR>(state));
    item->SetItemTextColor(state == kStateOffline ? 0xFF56616D : 0xFFFFFFFF);
    for (int i = 0; i < item->GetCount(); ++i) {
        CControlUI* c = item->GetItemAt(i);
        if (c && c->GetName() == "imgState") {
            char image[96];
            std::snprintf(image, sizeof image, "file='img/camera_state.png' source='%d,0,%d,16' dest='6,3,22,19'",
                          state * 16, state * 16 + 16);
            c->SetBkImage(image);
        }
    }
}

CTreeNodeUI* MainForm::MakeCameraItem(const CameraInfo& cam, int depth, const std::string& path, int state) {
    auto* item = new CTreeNodeUI;
    const std::string key = Field(cam.key, sizeof cam.key);
    item->SetName(("cameraItem_" + key).c_str());
    item->SetItemText(Field(cam.name, sizeof cam.name).c_str());
    item->SetUserData(key.c_str());
    m_titlePaths[key] = path;
    item->SetSelItemTextColor(0xFFFFFFFF);
    item->SetSelItemHotTextColor(0xFFFFFFFF);
    item->SetItemHotTextColor(0xFF386382);
    item->SetAttribute("height", "22");
    item->SetAttribute("inset", (std::to_string(depth * 20 - 3) + ",0,0,0").c_str());
    item->SetVisibleFolderBtn(false);
    item->SetVisibleCheckBtn(false);
    auto* icon = new CControlUI;
    icon->SetName("imgState");
    icon->SetFixedWidth(28);
    item->AddChildControl(icon, 3);
    SetItemState(item, state);
    return item;
}

void MainForm::BuildDeviceTree() {
    auto* tree = FindControlAs<CTreeViewUI>("treePlaylist");
    if (!tree || !Wall()) return;
    tree->RemoveAll();
    m_titlePaths.clear();
    m_onlineOrder.clear();
    void* session = Wall()->Session();
    int count = 0;
    const int total = KelvoSession_GetNode(session, nullptr, nullptr, &count);
    std::vector<NodeInfo> roots(static_cast<size_t>(total > 0 ? total : 0));
    count = static_cast<int>(roots.size());
    const int n = roots.empty() ? 0 : KelvoSession_GetNode(session, nullptr, roots.data(), &count);
    for (int i = 0; i < n; ++i) {
        std::unique_ptr<CTreeNodeUI> item(MakeNodeItem(roots[i], 1));
        const std::string name = Field(roots[i].name, sizeof roots[i].name);
        AddNodeChildren(Field(roots[i].key, sizeof roots[i].key), item.get(), 1, name);
        if (item->GetCountChild() > 0) tree->Add(item.release());
    }
    ApplyTreeFilter();
}

void MainForm::AddNodeChildren(const std::string& parentKey, CTreeNodeUI* parent, int depth,
                               const std::string& path) {
    void* session = Wall()->Session();
    // A directory rebuilt meanwhile may shrink: loops run over what came back.
    int count = 0;
    int total = KelvoSession_GetNode(session, parentKey.c_str(), nullptr, &count);
    std::vector<NodeInfo> nodes(static_cast<size_t>(total > 0 ? total : 0));
    count = static_cast<int>(nodes.size());
    int n = nodes.empty() ? 0 : KelvoSession_GetNode(session, parentKey.c_str(), nodes.data(), &count);
    for (int i = 0; i < n; ++i) {
        std::unique_ptr<CTreeNodeUI> item(MakeNodeItem(nodes[i], depth));
        AddNodeChildren(Field(nodes[i].key, sizeof nodes[i].key), item.get(), depth + 1,
                        path + "\\" + Field(nodes[i].name, sizeof nodes[i].name));
        if (item->GetCountChild() > 0) parent->AddChildNode(item.release());
    }
    total = KelvoSession_GetCamera(session, parentKey.c_str(), nullptr, &count);
    std::vector<CameraInfo> cams(static_cast<size_t>(total > 0 ? total : 0));
    count = static_cast<int>(cams.size());
    n = cams.empty() ? 0 : KelvoSession_GetCamera(session, parentKey.c_str(), cams.data(), &count);
    for (int i = 0; i < n; ++i) {
        const std::string key = Field(cams[i].key, sizeof cams[i].key);
        int state;
        if (cams[i].online) {
            state = Wall()->IsOpen(key) ? kStateOpen : kStateOnline;
            m_onlineOrder.push_back(key);
        } else {
            Wall()->CloseCamera(key);
            if (m_hideOffline) continue;
            state = kStateOffline;
        }
        parent->AddChildNode(
            MakeCameraItem(cams[i], depth, path + "\\" + Field(cams[i].name, sizeof cams[i].name), state));
    }
}

bool MainForm::FilterItem(CTreeNodeUI* item, const std::string& query) {
    bool visible = false;
    if (item->GetName().Find("cameraItem_") == 0) {
        const std::string key = item->GetUserData().GetData();
        visible = ContainsGbk(item->GetItemText().GetData(), query) || ContainsGbk(m_titlePaths[key], query);
    } else {
        for (int i = 0; i < item->GetCountChild(); ++i) visible |= FilterItem(item->GetChildNode(i), query);
        if (visible && !query.empty()) item->SetExpanded(true);  // show what matched
    }
    item->SetVisible(visible);
    return visible;
}

void MainForm::ApplyTreeFilter() {
    auto* tree = FindControlAs<CTreeViewUI>("treePlaylist");
    auto* search = FindControlAs<CEditUI>("txtSearch");
    if (!tree) return;
    const std::string query = search ? search->GetText().GetData() : "";
    for (int i = 0; i < tree->GetCount(); ++i) {
        auto* item = dynamic_cast<CTreeNodeUI*>(tree->GetItemAt(i));
        if (item && !item->GetParentNode()) FilterItem(item, query);
    }
}

void MainForm::OpenFirstMatch() {
    for (const std::string& key : m_onlineOrder) {
        auto* item = dynamic_cast<CTreeNodeUI*>(m_pm.FindControl(("cameraItem_" + key).c_str()));
        if (!item || !item->IsVisibleSelf()) continue;
        if (!Wall()->IsOpen(key)) OpenCameraVideo(key, m_titlePaths[key]);
        return;
    }
}

bool MainForm::AutoPlay() {
    // Demo and screenshot runs: KELVO_AUTOPLAY=N opens the first N online
    // cameras of the tree once, after the first directory (instead of the
    // last session's wall).
    const char* env = std::getenv("KELVO_AUTOPLAY");
    const int n = env ? std::atoi(env) : 0;
    if (n <= 0) return false;
    if (m_autoPlayed) return true;
    m_autoPlayed = true;
    int opened = 0;
    for (const std::string& key : m_onlineOrder) {
        if (opened >= n) break;
        if (OpenCameraVideo(key, m_titlePaths[key])) ++opened;
    }
    return true;
}

void MainForm::ToggleCamera(CTreeNodeUI* item) {
    const std::string key = item->GetUserData().GetData();
    switch (static_cast<int>(item->GetTag())) {
    case kStateOffline:
        ShowMessage("设备当前离线，请稍候再试！");
        break;
    case kStateOpen:
        Wall()->CloseCamera(key);
        break;
    default:
        OpenCameraVideo(key, m_titlePaths[key]);
        break;
    }
}

void MainForm::ShowCameraMenu(CTreeNodeUI* item, POINT at) {
    const std::string key = item->GetUserData().GetData();
    CMenuWnd* menu = ShowMenu("cameraMenu.xml", at.x, at.y);
    if (!menu) return;
    menu->SetMenuKey(key.c_str());
    menu->SetMenuTitle(m_titlePaths[key].c_str());
    auto find = [menu](const char* name) { return menu->GetPaintManager().FindControlAs<CMenuElementUI>(name); };
    auto set = [](CMenuElementUI* e, bool enabled, int tag, const char* text) {
        if (!e) return;
        e->SetEnabled(enabled);
        e->SetTag(static_cast<UINT_PTR>(tag));
        if (text) e->SetText(text);
    };
    if (PlayerCamera* cam = Wall()->FindCamera(key)) {
        set(find("menuCameraVideo"), true, 1, "关闭当前视频");
        const bool audio = KelvoStream_hasAudio(cam->stream), on = KelvoStream_isAudioEnable(cam->stream);
        set(find("menuCameraAudio"), audio, audio && on ? 1 : 0, audio && on ? "关闭远端音频" : nullptr);
        const bool talk = KelvoStream_isTalk(cam->stream);
        set(find("menuCameraTalk"), true, talk ? 1 : 0, talk ? "关闭远端对讲" : nullptr);
        const bool rec = KelvoStream_isRecord(cam->stream);
        set(find("menuCameraRecord"), true, rec ? 1 : 0, rec ? "停止本地录像" : nullptr);
    } else {
        set(find("menuCameraVideo"), item->GetTag() != kStateOffline, 0, nullptr);
        for (const char* name : {"menuCameraSnappic", "menuCameraAudio", "menuCameraTalk", "menuCameraRecord"})
            set(find(name), false, 0, nullptr);
    }
    menu->ShowWindow(true, true);
}

void MainForm::OnMenuCommand(const CDuiString& item, CMenuWnd* menu) {
    const std::string key = menu->GetMenuKey().GetData();
    const std::string title = menu->GetMenuTitle().GetData();
    auto tagOf = [menu](const char* name) {
        auto* e = menu->GetPaintManager().FindControlAs<CMenuElementUI>(name);
        return e ? static_cast<int>(e->GetTag()) : 0;
    };
    const int videoTag = tagOf("menuCameraVideo");
    const int audioTag = tagOf("menuCameraAudio"), talkTag = tagOf("menuCameraTalk"), recTag = tagOf("menuCameraRecord");
    menu->Close(1);
    if (item.CompareNoCase("openNodeCamera") == 0) {
        PostCommand(WM_NODE_CAMERAS, key, nullptr, 1);
    } else if (item.CompareNoCase("closeNodeCamera") == 0) {
        PostCommand(WM_NODE_CAMERAS, key, nullptr, 0);
    } else if (item.CompareNoCase("reloadNode") == 0) {
        KelvoSession_Refresh(Wall()->Session());
    } else if (item.CompareNoCase("menuCameraVideo") == 0) {
        PostCommand(videoTag == 1 ? WM_CAMERA_CLOSE : WM_CAMERA_OPEN, key, &title);
    } else if (item.CompareNoCase("menuCameraRecordQuery") == 0) {
        PostCommand(WM_CAMERA_RECORD_QUERY, key, &title);
    } else if (Wall()->IsOpen(key)) {
        if (item.CompareNoCase("menuCameraAudio") == 0)
            PostCommand(WM_CAMERA_AUDIO, key, nullptr, audioTag == 1 ? 0 : 1);
        else if (item.CompareNoCase("menuCameraTalk") == 0)
            PostCommand(WM_CAMERA_TALK, key, nullptr, talkTag == 1 ? 0 : 1);
        else if (item.CompareNoCase("menuCameraRecord") == 0)
            PostCommand(WM_CAMERA_RECORD, key, nullptr, recTag == 1 ? 0 : 1);
        else if (item.CompareNoCase("menuCameraSnappic") == 0)
            PostCommand(WM_CAMERA_SNAPSHOT, key, nullptr);
    }
}

void MainForm::Notify(TNotifyUI& msg) {
    const CDuiString name = msg.pSender ? msg.pSender->GetName() : CDuiString();
    if (name == "txtSearch" && (msg.sType == DUI_MSGTYPE_TEXTCHANGED || msg.sType == DUI_MSGTYPE_RETURN)) {
        if (m_locked) return;
        if (msg.sType == DUI_MSGTYPE_TEXTCHANGED)
            ApplyTreeFilter();
        else
            OpenFirstMatch();
        return;
    }
    if (name == "btn_views" && msg.sType == DUI_MSGTYPE_TIMER) {
        TourStep();
        return;
    }
    // The PTZ panel acts before the default handling, locked or not.
    if (name.Find("btnPtz") == 0) OnPtz(msg);
    const bool camera = name.Find("cameraItem_") == 0, node = name.Find("nodeItem_") == 0;
    if ((camera && (msg.sType == DUI_MSGTYPE_ITEMCLICK || msg.sType == DUI_MSGTYPE_MENU)) ||
        (node && msg.sType == DUI_MSGTYPE_MENU)) {
        if (m_locked) {
            ShowMessage(kLockedText);
            return;
        }
        auto* item = dynamic_cast<CTreeNodeUI*>(msg.pSender);
        if (!item) return;
        if (node) {
            if (CMenuWnd* menu = ShowMenu("nodeMenu.xml", msg.ptMouse.x, msg.ptMouse.y)) {
                menu->SetMenuKey(item->GetUserData().GetData());
                menu->ShowWindow(true, true);
            }
        } else if (msg.sType == DUI_MSGTYPE_MENU) {
            ShowCameraMenu(item, msg.ptMouse);
        } else {
            ToggleCamera(item);
        }
        return;
    }
    CommonWindow::Notify(msg);
}

LRESULT MainForm::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
    if (m_quitting) {
        bHandled = false;
        return 0;
    }
    if (m_locked) {
        ShowMessage(kLockedText);
        bHandled = true;
        return 0;
    }
    bHandled = ShowMessage("请确定是否要退出客户端？", "提示", true) != 1;
    return 0;
}

void MainForm::OnFinalMessage(HWND) {
    ClientConfig& config = ClientConfig::Instance();
    SaveLastView();
    // The skin control may be freed later than this window's paint manager:
    // no more repaints through it.
    if (m_player) m_player->Wall().SetRepaint(nullptr);
    if (m_player) {
        // Streams and session go first, so no library thread calls into a
        // half-destroyed window.
        m_player->Wall().CloseAll();
        KelvoSession_Logout(m_player->Wall().Session());
        m_player->Wall().Renderer().GetLayout(&config.videoCol, &config.videoRow, &config.firstVideoCol,
                                              &config.firstVideoRow);
        config.displayMode = m_player->Wall().Renderer().FitMode();
    }
    config.SaveConfig();
    PostQuitMessage(0);
    delete this;
}

}  // namespace kelvo
