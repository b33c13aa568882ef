#include "MainForm.h"

#include <cstdlib>
#include <vector>

#include "ClientConfig.h"
#include "KelvoNetwork.h"
#include "SessionTexts.h"
#include "ViewerMessages.h"

namespace kelvo {

using namespace DuiLib;

namespace {

constexpr int kStateOffline = 0, kStateOpen = 1, kStateOnline = 2;
const char* kLockedText = "桌面已经锁定，请解锁后操作！";

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

void MainForm::SetLocked(bool locked) {
    m_locked = locked;
    if (auto* lock = FindControlAs<CButtonUI>("btn_lock")) lock->SetVisible(!locked);
    if (auto* unlock = FindControlAs<CButtonUI>("btn_unlock")) unlock->SetVisible(locked);
    if (auto* tree = FindControlAs<CTreeViewUI>("treePlaylist")) tree->SetEnabled(!locked);
}

UINT MainForm::ShowLogin(bool autoLogin) {
    if (m_login && IsWindow(m_login->GetHWND())) return 0;
    m_login = std::make_unique<LoginForm>();
    m_login->SetAutoLoginPending(autoLogin);
    if (!m_login->Create(GetHWND(), "LoginForm", UI_WNDSTYLE_DIALOG, 0)) return 0;
    m_login->CenterWindow();
    return m_login->ShowModal();
}

void MainForm::Logout() {
    SetLocked(false);
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
        Wall()->CloseAllAndLogout();
        ShowMessage(SessionErrorText(e.value1, e.value2).c_str());
        Logout();
        break;
    case KELVO_SESSION_DIRECTORY_READY:
        BuildDeviceTree();
        m_loggedIn = true;
        AutoPlay();
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
        if (m_player) m_player->Invalidate();
        return 1;
    case WM_RAISE_MAIN:
        if (IsWindowVisible(GetHWND())) ShowWindow(true, true);
        return 1;
    default:
        bHandled = false;
        return 0;
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

void MainForm::AutoPlay() {
    // Demo and screenshot runs: KELVO_AUTOPLAY=N opens the first N online
    // cameras of the tree once, after the first directory.
    const char* env = std::getenv("KELVO_AUTOPLAY");
    const int n = env ? std::atoi(env) : 0;
    if (m_autoPlayed || n <= 0) return;
    m_autoPlayed = true;
    int opened = 0;
    for (const std::string& key : m_onlineOrder) {
        if (opened >= n) break;
        if (Wall()->OpenCamera(key, m_titlePaths[key])) ++opened;
    }
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
        Wall()->OpenCamera(key, m_titlePaths[key]);
        break;
    }
}

void MainForm::Notify(TNotifyUI& msg) {
    const CDuiString name = msg.pSender ? msg.pSender->GetName() : CDuiString();
    if (name.Find("cameraItem_") == 0 && msg.sType == DUI_MSGTYPE_ITEMCLICK) {
        if (m_locked) {
            ShowMessage(kLockedText);
            return;
        }
        if (auto* item = dynamic_cast<CTreeNodeUI*>(msg.pSender)) ToggleCamera(item);
        return;
    }
    CommonWindow::Notify(msg);
}

void MainForm::OnClick(TNotifyUI& msg) {
    const CDuiString name = msg.pSender->GetName();
    if (m_locked) {
        CommonWindow::OnClick(msg);
        return;
    }
    if (name == "btnUpdateDevice") {
        KelvoSession_Refresh(Wall()->Session());
    } else if (name == "btn_logout") {
        Logout();
    } else if (name == "btn_mpu1") {
        Wall()->SetLayout(1, 1, 1, 1);
    } else if (name == "btn_mpu4") {
        Wall()->SetLayout(2, 2, 1, 1);
    } else if (name == "btn_mpu9") {
        Wall()->SetLayout(3, 3, 1, 1);
    } else if (name == "btn_mpu16") {
        Wall()->SetLayout(4, 4, 1, 1);
    } else {
        CommonWindow::OnClick(msg);
    }
}

LRESULT MainForm::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
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
