// The main window's video commands: opening cameras under the rights and
// the stream limit, the camera commands of the menus, PTZ, layouts, the
// desktop lock and the keyboard shortcuts.
#include "MainForm.h"

#include "ClientConfig.h"
#include "KelvoNetwork.h"
#include "MediaFolders.h"
#include "MpuSelectView.h"
#include "OperatorKeys.h"
#include "ProgramPaths.h"
#include "PtzCommands.h"
#include "RecordQueryForm.h"
#include "ConfigForm.h"
#include "TitlePath.h"
#include "SoundPlayer.h"
#include "SessionTexts.h"
#include "UserAuthForm.h"
#include "VideoPlayerUI.h"
#include "ViewerMessages.h"
#include "platform/DebugOutput.h"

namespace kelvo {

using namespace DuiLib;

bool MainForm::EnsureFreePane() {
    VideoRenderer& r = Wall()->Renderer();
    if (static_cast<size_t>(r.ViewCount()) > Wall()->OpenCount()) return true;
    if (!ClientConfig::Instance().autoLayout) return false;
    int columns = 0, rows = 0;
    if (!GridForCount(static_cast<int>(Wall()->OpenCount()) + 1, &columns, &rows)) return false;
    Wall()->SetLayout(columns, rows, 1, 1);
    return true;
}

bool MainForm::OpenCameraVideo(const std::string& key, const std::string& title) {
    void* session = Wall()->Session();
    if (static_cast<int>(Wall()->OpenCount()) >= KelvoSession_GetMaxStream(session)) {
        Wall()->ShowNotice(PaneNotice::STREAM_LIMIT);
        ShowMessage("您打开的视频达到了最大限制，请和管理员联系！");
        return false;
    }
    if (!(KelvoSession_GetRightMask(session) & RIGHT_SCHEDULE)) {
        Wall()->ShowNotice(PaneNotice::OUTSIDE_SCHEDULE);
        ShowMessage("您在当前时间段没有权限观看，请和管理员联系！");
        return false;
    }
    EnsureFreePane();  // when none is free the wall gives one up
    if (!Wall()->OpenCamera(key, title)) {
        ShowMessage("无法播放视频，请稍候再试！");
        return false;
    }
    return true;
}

bool MainForm::NodeCameras(const std::string& nodeKey, bool open) {
    auto* node = dynamic_cast<CTreeNodeUI*>(m_pm.FindControl(("nodeItem_" + nodeKey).c_str()));
    if (!node) return true;
    // Keys first: opening and closing rebuild nothing, but a copy keeps the
    // walk independent of the tree.
    std::vector<std::pair<std::string, bool>> children;  // key, is a node
    for (int i = 0; i < node->GetCountChild(); ++i) {
        CTreeNodeUI* child = node->GetChildNode(i);
        children.emplace_back(child->GetUserData().GetData(), child->GetName().Find("nodeItem_") == 0);
    }
    for (const auto& child : children) {
        if (child.second) {
            NodeCameras(child.first, open);
            continue;
        }
        auto* item = dynamic_cast<CTreeNodeUI*>(m_pm.FindControl(("cameraItem_" + child.first).c_str()));
        if (!item || item->GetTag() == kStateOffline) continue;
        const bool isOpen = Wall()->IsOpen(child.first);
        if (open && !isOpen) {
            if (!EnsureFreePane() || !OpenCameraVideo(child.first, m_titlePaths[child.first])) return false;
        } else if (!open && isOpen) {
            Wall()->CloseCamera(child.first);
        }
    }
    return true;
}

void MainForm::PostCommand(UINT msg, const std::string& key, const std::string* title, WPARAM flag) {
    // Key and title travel as heap strings that the message owns.
    auto* payload = new std::pair<std::string, std::string>(key, title ? *title : std::string());
    DuiLib::PostMessage(GetHWND(), msg, flag, reinterpret_cast<LPARAM>(payload), [](WPARAM, LPARAM p) {
        delete reinterpret_cast<std::pair<std::string, std::string>*>(p);
    });
}

void MainForm::Talk(PlayerCamera* cam, bool on) {
    if (!(KelvoSession_GetRightMask(Wall()->Session()) & RIGHT_TALK)) {
        ShowMessage("您没有权限对讲，请和管理员联系！");
        return;
    }
    if (!on) {
        KelvoStream_StopTalk(cam->stream);
        return;
    }
    platform::DebugOutput("KelvoStream_StartTalk::startTalk");
    KelvoStream_StartTalk(cam->stream);
}

void MainForm::Record(PlayerCamera* cam, bool on) {
    if (!(KelvoSession_GetRightMask(Wall()->Session()) & RIGHT_VIDEO)) {
        ShowMessage("您没有权限录像，请和管理员联系！");
        return;
    }
    if (!on) {
        KelvoStream_StopRecord(cam->stream);
        return;
    }
    const std::string folder = MakeTitleFolder(ClientConfig::Instance().recordDirectory, cam->name);
    if (folder.empty()) {
        ShowMessage("录像路径设置不正确！", "错误");
        return;
    }
    // The toolbar shows the real state whether or not this succeeded.
    KelvoStream_StartRecord(cam->stream, folder.c_str());
}

void MainForm::Snapshot(PlayerCamera* cam) {
    if (!(KelvoSession_GetRightMask(Wall()->Session()) & RIGHT_SCREEN)) {
        ShowMessage("您没有权限截图，请和管理员联系！");
        return;
    }
    const std::string folder = MakeTitleFolder(ClientConfig::Instance().picDirectory, cam->name);
    if (folder.empty()) {
        ShowMessage("截图路径设置不正确！", "错误");
        return;
    }
    // The shutter sounds only for a picture that was written.
    if (KelvoStream_Snappic(cam->stream, folder.c_str())) PlaySoundOnce(ProgramFolder() + "/wav/snap.wav");
}
bool MainForm::HandleCameraCommand(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg < WM_NODE_CAMERAS || uMsg > WM_CAMERA_RECORD_QUERY) return false;
    std::unique_ptr<std::pair<std::string, std::string>> args(
        reinterpret_cast<std::pair<std::string, std::string>*>(lParam));
    if (!args || !Wall()) return true;
    const std::string& key = args->first;
    switch (uMsg) {
    case WM_NODE_CAMERAS:
        NodeCameras(key, wParam != 0);
        return true;
    case WM_CAMERA_OPEN:
        OpenCameraVideo(key, args->second);
        return true;
    case WM_CAMERA_CLOSE:
        Wall()->CloseCamera(key);
        return true;
    case WM_CAMERA_RECORD_QUERY:
        ShowRecordQuery(key, args->second);
        return true;
    default:
        break;
    }
    PlayerCamera* cam = Wall()->FindCamera(key);
    if (!cam || !cam->stream) return true;  // closed meanwhile
    if (uMsg == WM_CAMERA_AUDIO)
        KelvoStream_SetAudioEnable(cam->stream, wParam != 0);
    else if (uMsg == WM_CAMERA_TALK)
        Talk(cam, wParam != 0);
    else if (uMsg == WM_CAMERA_RECORD)
        Record(cam, wParam != 0);
    else if (uMsg == WM_CAMERA_SNAPSHOT)
        Snapshot(cam);
    PostWallUpdate(0);
    return true;
}

void MainForm::PostWallUpdate(WPARAM wParam) { DuiLib::PostMessage(GetHWND(), WM_WALL_UPDATE, wParam, 0); }

void MainForm::SetLocked(bool locked) {
    m_locked = locked;
    if (auto* lock = FindControlAs<CButtonUI>("btn_lock")) lock->SetVisible(!locked);
    if (auto* unlock = FindControlAs<CButtonUI>("btn_unlock")) unlock->SetVisible(locked);
    if (auto* tree = FindControlAs<CTreeViewUI>("treePlaylist")) tree->SetEnabled(!locked);
}

void MainForm::Unlock() {
    UserAuthForm form;
    if (!form.Create(GetHWND(), "UserAuthForm", UI_WNDSTYLE_DIALOG, 0)) return;
    form.SetAccount(Wall()->User().c_str(), Wall()->Password().c_str());
    form.CenterWindow();
    ModalScope scope(m_modals, form.GetHWND());
    // Only a matched password unlocks: a window-manager close or a close
    // posted by a session event ends the dialog with 0.
    if (form.ShowModal() == 1) SetLocked(false);
}

void MainForm::OnPtz(TNotifyUI& msg) {
    PlayerCamera* cam = Wall() ? Wall()->SelectedCamera() : nullptr;
    if (!cam) return;
    auto* nav = FindControlAs<CComboUI>("comBoxNav");
    const PtzAction action = PtzActionFor(msg.pSender->GetName().GetData(), msg.sType.GetData(),
                                          nav ? nav->GetCurSel() : -1);
    if (action.parameter == PtzParameter::None) return;
    if (!(KelvoSession_GetRightMask(Wall()->Session()) & RIGHT_PTZ)) {
        // One message per press, not one for the press and one for the release.
        if (msg.sType != DUI_MSGTYPE_BUTTONUP) ShowMessage("您没有权限操作云台，请和管理员联系！");
        return;
    }
    auto* slider = FindControlAs<CSliderUI>("h_controlor");
    auto* presets = FindControlAs<CComboUI>("comBoxPreName");
    const int value = PtzParameterValue(action, slider ? slider->GetValue() : 50, presets ? presets->GetCurSel() : -1);
    if (cam->stream) KelvoStream_Ptz(cam->stream, action.command, value);
}

void MainForm::SendPtzKey(const char* sender, const char* type) {
    CControlUI* button = m_pm.FindControl(sender);
    if (!button) return;
    TNotifyUI msg;
    msg.pSender = button;
    msg.sType = type;
    OnPtz(msg);
}

bool MainForm::OnOperatorKey(UINT message, WPARAM vk, LPARAM lParam) {
    // Keys typed into a text field or a list stay there.
    if (CControlUI* focus = m_pm.GetFocus()) {
        const CDuiString cls = focus->GetClass();
        if (cls == "Edit" || cls == "Combo") return false;
    }
    if (!m_loggedIn || !Wall()) return false;
    const KeyAction action = OperatorKeyFor(message, vk, lParam);
    if (action.command == KeyCommand::None) return false;
    if (action.command == KeyCommand::Ptz) {
        SendPtzKey(action.ptzSender, action.ptzType);  // allowed while locked, like the panel
        return true;
    }
    if (m_locked) {
        if (action.command != KeyCommand::Lock) ShowMessage(kLockedText);
        return true;
    }
    PlayerCamera* selected = Wall()->SelectedCamera();
    switch (action.command) {
    case KeyCommand::Layout:
        Wall()->SetLayout(action.layout, action.layout, 1, 1);
        break;
    case KeyCommand::FullScreen:
        ToggleFullScreen();
        break;
    case KeyCommand::Snapshot:
        if (selected && selected->stream) Snapshot(selected);
        PostWallUpdate(0);
        break;
    case KeyCommand::Record:
        if (selected && selected->stream) Record(selected, !KelvoStream_isRecord(selected->stream));
        PostWallUpdate(0);
        break;
    case KeyCommand::Lock:
        SetLocked(true);
        break;
    case KeyCommand::Figures:
        Wall()->SetFiguresShown(!Wall()->FiguresShown());
        break;
    case KeyCommand::OpenView:
        SetTour(false, 0);
        OpenViewAt(action.layout);
        break;
    default:
        break;
    }
    return true;
}

LRESULT MainForm::OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    bHandled = false;
    if (wParam == VK_ESCAPE) {
        PostWallUpdate(1);
        if (Wall() && Wall()->IsFullScreen()) {
            Wall()->ToggleFullScreen();
            bHandled = true;
        }
        return 0;
    }
    bHandled = OnOperatorKey(uMsg, wParam, lParam);
    return 0;
}

void MainForm::OnClick(TNotifyUI& msg) {
    const CDuiString name = msg.pSender->GetName();
    if (m_locked) {
        if (name == "btn_unlock") {
            Unlock();
        } else if (name.Find("btnPtz") != 0) {
            // The PTZ panel stays usable while locked.
            ShowMessage(kLockedText);
        }
        return;
    }
    if (name == "btnUpdateDevice") {
        KelvoSession_Refresh(Wall()->Session());
    } else if (name == "btn_logout") {
        Logout();
    } else if (name == "btn_mpu1" || name == "btn_mpu4" || name == "btn_mpu9" || name == "btn_mpu16") {
        const int n = name == "btn_mpu1" ? 1 : name == "btn_mpu4" ? 2 : name == "btn_mpu9" ? 3 : 4;
        Wall()->SetLayout(n, n, 1, 1);
    } else if (name == "btn_close_all") {
        Wall()->CloseAll();
    } else if (name == "btn_play_fitscale" || name == "btn_play_fitscreen" || name == "btn_play_truesize") {
        Wall()->Renderer().SetFitMode(name == "btn_play_fitscale" ? 0 : name == "btn_play_fitscreen" ? 1 : 2);
        PostWallUpdate(0);
    } else if (name == "btn_mpu_sel") {
        const RECT& rc = msg.pSender->GetPos();
        MpuSelectView::Open(GetHWND(), rc.left + rc.Width(), rc.top + rc.Height());
    } else if (name == "btn_single_full_scr") {
        Wall()->SetLayout(1, 1, 1, 1);
        ToggleFullScreen();
    } else if (name == "btn_mul_full_scr") {
        ToggleFullScreen();
    } else if (name == "btnPtzShow" || name == "btnPreShow") {
        if (CControlUI* panel = m_pm.FindControl(name == "btnPtzShow" ? "controlPtz" : "controlPre"))
            panel->SetVisible(!panel->IsVisible());
    } else if (name == "btnShowRight" || name == "btnHideRight") {
        if (CControlUI* panel = m_pm.FindControl("Control")) panel->SetVisible(!panel->IsVisible());
        const bool showing = name == "btnShowRight";
        if (CControlUI* b = m_pm.FindControl("btnShowRight")) b->SetVisible(!showing);
        if (CControlUI* b = m_pm.FindControl("btnHideRight")) b->SetVisible(showing);
    } else if (name == "btn_views") {
        ShowViews();
    } else if (name == "btn_alarms") {
        if (m_alarmCenter) m_alarmCenter->Show();
    } else if (name == "btn_lock") {
        SetLocked(true);
    } else if (name == "btn_setting") {
        ShowSettings();
        CommonWindow::OnClick(msg);
    } else {
        CommonWindow::OnClick(msg);
    }
}

void MainForm::OnToolBarNotify(PlayToolBar*, TNotifyUI& msg) {
    PlayerCamera* cam = msg.pSender && Wall() ? Wall()->SelectedCamera() : nullptr;
    if (!cam) return;
    if (m_locked) {
        ShowMessage(kLockedText);
        return;
    }
    const CDuiString name = msg.pSender->GetName();
    // Option buttons report their state from before the click.
    auto* option = dynamic_cast<COptionUI*>(msg.pSender);
    const bool wasOn = option && option->IsSelected();
    if (name == "btn_play_stop") {
        const std::string key = cam->key;  // the record goes with the camera
        Wall()->CloseCamera(key);
    } else if (name == "btn_play_localrec" || name == "btn_play_stoprec") {
        Record(cam, name == "btn_play_localrec");
    } else if (name == "btn_play_snappic") {
        Snapshot(cam);
    } else if (name == "btn_play_audio" || name == "btn_play_audio_stop") {
        KelvoStream_SetAudioEnable(cam->stream, name == "btn_play_audio" && !wasOn);
    } else if (name == "btn_play_call") {
        Talk(cam, !wasOn);
    } else {
        return;
    }
    PostWallUpdate(0);
}

void MainForm::ToggleFullScreen() {
    Wall()->ToggleFullScreen();
    PostWallUpdate(0);
}

void MainForm::ShowSettings() {
    ConfigForm form;
    if (!form.Create(GetHWND(), "ConfigForm", UI_WNDSTYLE_DIALOG, 0)) return;
    form.CenterWindow();
    ModalScope scope(m_modals, form.GetHWND());
    if (form.ShowModal() != 1) return;
    ApplyAlarmSettings();
    const bool hideOffline = ClientConfig::Instance().hideOffline != 0;
    if (hideOffline != m_hideOffline) {
        m_hideOffline = hideOffline;
        if (m_loggedIn) BuildDeviceTree();
    }
}

void MainForm::ShowRecordQuery(const std::string& key, const std::string& title, long long start) {
    if (m_recordQuery && IsWindow(m_recordQuery)) return;  // one at a time, like any modal window
    RecordQueryForm form;
    if (!form.Create(GetHWND(), "RecordQueryForm", UI_WNDSTYLE_DIALOG, 0)) return;
    form.CenterWindow();
    // Zeroed and roomier than any address the library writes.
    char host[64] = {};
    unsigned short port = 0;
    KelvoSession_GetRecordServer(Wall()->Session(), key.c_str(), host, &port);
    form.SetRecordServer(std::string(host, strnlen(host, sizeof host)), port, key);
    form.SetCameraName(LastTitleComponent(title));
    if (start > 0) form.SetQueryStart(start);
    if (form.Player()) form.Player()->SetZoomEnabled(ClientConfig::Instance().digitalZoom != 0);
    m_recordQuery = form.GetHWND();
    ModalScope scope(m_modals, form.GetHWND());
    form.ShowModal();
    m_recordQuery = nullptr;
}

}  // namespace kelvo
