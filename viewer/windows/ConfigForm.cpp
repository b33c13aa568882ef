#include "ConfigForm.h"

#include <CFileDialog.h>

#include <cctype>
#include <climits>

namespace kelvo {
using namespace DuiLib;

namespace {
constexpr int kMaxPort = 65535;
}

int ConfigForm::ParseLeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;  // saturates below
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string ConfigForm::FieldText(const char* name) const {
    CControlUI* c = m_pm.FindControl(name);
    return c ? c->GetText().Str() : std::string();
}

void ConfigForm::SetFieldText(const char* name, const std::string& text, bool readOnly) {
    if (auto* edit = FindControlAs<CEditUI>(name)) {
        edit->SetText(text.c_str());
        if (readOnly) edit->SetReadOnly(true);
    }
}

void ConfigForm::SetCheck(const char* name, int value) {
    if (auto* box = FindControlAs<CCheckBoxUI>(name)) box->SetCheck(value != 0, false);
}

int ConfigForm::Checked(const char* name) const {
    auto* box = FindControlAs<CCheckBoxUI>(name);
    return box && box->GetCheck() ? 1 : 0;
}

void ConfigForm::InitWindow() {
    // Always what Config.dat holds, never edits kept only in memory.
    m_config.LoadConfig();
    SetFieldText("txtPicSave", m_config.picDirectory, true);
    SetFieldText("txtRecordSave", m_config.recordDirectory, true);
    SetFieldText("txtServerAddress", m_config.serverAddress, false);
    SetFieldText("txtServerPort", std::to_string(m_config.serverPort), false);
    SetCheck("chkWarning", m_config.enableAlarm);
    SetCheck("chkAutoStart", m_config.autoStart);
    SetCheck("chkMultiRun", m_config.multiRun);
    SetCheck("chkEnableTitle", m_config.enableTitle);
    SetCheck("chkAutoLayout", m_config.autoLayout);
    SetCheck("chkPortal", m_config.EnablePortal);
    SetCheck("chkHideOffline", m_config.hideOffline);
    SetCheck("chkRestoreView", m_config.restoreLastView);
    SetCheck("chkAlarmFront", m_config.alarmBringToFront);
    SetCheck("chkTileStates", m_config.tileStates);
    SetCheck("chkDigitalZoom", m_config.digitalZoom);
    if (CControlUI* cancel = m_pm.FindControl("btnCancel")) cancel->SetFocus();
    SetFieldText("txtAlarmTime", std::to_string(m_config.AlarmDisplayTime), false);
    SetFieldText("txtAudioAlarmFile", m_config.AudioAlarmFile, true);
    SetCheck("chkAudioWarning", m_config.EnableAudioAlarm);
    // The page list shows which page is up.
    if (auto* pages = FindControlAs<CListUI>("leftList"))
        if (pages->GetCurSel() < 0) pages->SelectItem(0, false, false);
}

void ConfigForm::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_ITEMSELECT && msg.pSender && msg.pSender->GetName() == "leftList") {
        if (auto* tab = FindControlAs<CTabLayoutUI>("rightTab")) tab->SelectItem(static_cast<int>(msg.wParam));
        return;
    }
    CommonWindow::Notify(msg);
}

bool ConfigForm::ChooseFolder(const std::string& current, std::string& chosen) {
    return CFileDialog::BrowseForFolder(GetHWND(), current, chosen);
}

bool ConfigForm::ChooseSoundFile(const std::string& current, std::string& chosen) {
    return CFileDialog::OpenFile(GetHWND(), "声音文件(*.wav)", ".wav", current, chosen);
}

void ConfigForm::OnClick(TNotifyUI& msg) {
    const CDuiString& name = msg.pSender->GetName();
    if (name == "btnPicSave" || name == "btnRecordSave") {
        const char* field = name == "btnPicSave" ? "txtPicSave" : "txtRecordSave";
        std::string chosen;
        // The chooser runs a modal loop: controls are looked up again afterwards.
        if (!ChooseFolder(FieldText(field), chosen)) return;
        SetFieldText(field, chosen, true);
    } else if (name == "btnAudioAlarmBrowser") {
        std::string chosen;
        if (ChooseSoundFile(FieldText("txtAudioAlarmFile"), chosen)) SetFieldText("txtAudioAlarmFile", chosen, true);
    } else if (name == "btnCancel" || name == "closebtn") {
        Close(2);
        return;
    } else if (name == "btnSave") {
        Save();
    }
    CommonWindow::OnClick(msg);
}

bool ConfigForm::RefuseEmpty(const char* field, const char* text) {
    if (!FieldText(field).empty()) return false;
    ShowMessage(text);
    if (CControlUI* c = m_pm.FindControl(field)) c->SetFocus();
    return true;
}

void ConfigForm::Save() {
    if (RefuseEmpty("txtServerAddress", "服务器地址不能为空！")) return;
    if (RefuseEmpty("txtServerPort", "服务器端口不能为空！")) return;
    int port = ParseLeadingInt(FieldText("txtServerPort"));
    // The login uses the port as 16 bits: 70000 would quietly become another port.
    if (port < 0 || port > kMaxPort) {
        ShowMessage("服务器端口必须在0到65535之间！");
        if (CControlUI* c = m_pm.FindControl("txtServerPort")) c->SetFocus();
        return;
    }
    if (RefuseEmpty("txtAlarmTime", "报警持续时间不能为空！")) return;

    m_config.multiRun = Checked("chkMultiRun");
    m_config.autoLayout = Checked("chkAutoLayout");
    m_config.enableTitle = Checked("chkEnableTitle");
    m_config.EnablePortal = Checked("chkPortal");
    m_config.hideOffline = Checked("chkHideOffline");
    m_config.restoreLastView = Checked("chkRestoreView");
    m_config.alarmBringToFront = Checked("chkAlarmFront");
    m_config.tileStates = Checked("chkTileStates");
    m_config.digitalZoom = Checked("chkDigitalZoom");
    m_config.AlarmDisplayTime = ParseLeadingInt(FieldText("txtAlarmTime"));
    m_config.EnableAudioAlarm = Checked("chkAudioWarning");
    m_config.AudioAlarmFile = FieldText("txtAudioAlarmFile");
    m_config.recordDirectory = FieldText("txtRecordSave");
    m_config.picDirectory = FieldText("txtPicSave");
    m_config.autoStart = Checked("chkAutoStart");
    m_config.enableAlarm = Checked("chkWarning");
    m_config.serverAddress = FieldText("txtServerAddress");
    m_config.serverPort = port;
    // A file that was not written must not pass for saved: the opener re-reads it on 1.
    if (!m_config.SaveConfig()) {
        ShowMessage("设置保存失败，请检查配置文件所在的文件夹是否可写！");
        return;
    }
    Close(1);
}

LRESULT ConfigForm::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_SYSKEYDOWN && wParam == VK_F4) {  // the window manager's close: a cancel
        Close(2);
        return 0;
    }
    return CommonWindow::HandleMessage(uMsg, wParam, lParam);
}

bool ConfigForm::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_ESCAPE) {
        Close(2);
        return true;
    }
    return false;
}

}  // namespace kelvo
