// The settings window: what it shows, what it refuses, what reaches Config.dat and the
// autostart entry, and its folder and sound choosers.
#include "ConfigFormTestSupport.h"

#include "ConfigForm.h"

#include <TextCodec.h>

#include <climits>

using namespace DuiLib;
using kelvo::ClientConfig;
using kelvo::ConfigForm;

namespace {

class ConfigFormTest : public cfgtest::ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        m_prog = m_root + "/prog/";
        MakeDir("prog");
        m_config = std::make_unique<ClientConfig>(m_prog, m_prog + "KelvoView");
        m_config->LoadConfig();
        m_config->autoStart = 0;
        m_config->serverAddress = "10.1.2.3";
        m_config->serverPort = 9000;
        m_config->AlarmDisplayTime = 15;
        m_config->hideOffline = 1;
        m_config->multiRun = 0;
        ASSERT_TRUE(m_config->SaveConfig());
    }
    void OpenForm() {
        m_form = std::make_unique<ConfigForm>(*m_config);
        ASSERT_TRUE(m_form->Create(m_owner.GetHWND(), "", UI_WNDSTYLE_DIALOG, 0));
        m_form->ShowWindow(true, true);
        uitest::Pump();
    }
    // Runs the open form modally with scripted steps; returns its result.
    UINT RunModal(std::deque<std::function<void()>> steps) {
        m_owner.Run(std::move(steps));
        return m_form->ShowModal();
    }
    template <class T> T* Find(const char* name) { return m_form->FindControlAs<T>(name); }
    std::string Text(const char* name) { return Find<CControlUI>(name)->GetText().Str(); }
    void SetText(const char* name, const char* text) { Find<CEditUI>(name)->SetText(text); }
    std::function<void()> Click(const char* name) {
        return [this, name] {
            // Bring up the page that holds the control, as a user would.
            auto* pages = Find<CListUI>("leftList");
            for (int i = 0; i < pages->GetCount() && !Find<CControlUI>(name)->IsVisible(); ++i) pages->SelectItem(i);
            m_form->GetPaintManager().UpdateLayout();
            cfgtest::PushClick(m_form->GetHWND(), Find<CControlUI>(name));
        };
    }
    // A step that records the message box's text and closes it.
    std::function<void()> ReadMessage(std::vector<std::string>& shown) {
        return [this, &shown] {
            HWND box = shelltest::NewestOwned(m_form->GetHWND());
            if (!box || shelltest::LabelText(box, "labelInfo") == "<none>") return m_owner.Retry();
            shown.push_back(shelltest::LabelText(box, "labelInfo"));
            PostMessage(box, WM_CLOSE, 1, 0);
        };
    }
    ClientConfig Reread() {
        ClientConfig c(m_prog, m_prog + "KelvoView");
        c.LoadConfig();
        return c;
    }
    std::string ConfigFile() { return cfgtest::ReadAll(m_config->ConfigPath()); }

    std::string m_prog;
    std::unique_ptr<ClientConfig> m_config;
    std::unique_ptr<ConfigForm> m_form;
};

TEST(ConfigFormParse, NumberFieldsReadTheirLeadingDigits) {
    EXPECT_EQ(0, ConfigForm::ParseLeadingInt("abc"));
    EXPECT_EQ(12, ConfigForm::ParseLeadingInt("12ab"));
    EXPECT_EQ(8116, ConfigForm::ParseLeadingInt("  8116"));
    EXPECT_EQ(-5, ConfigForm::ParseLeadingInt("-5"));
    EXPECT_EQ(0, ConfigForm::ParseLeadingInt("-"));
    // Overlong digit runs saturate instead of overflowing.
    EXPECT_EQ(INT_MAX, ConfigForm::ParseLeadingInt(std::string(400, '9')));
    EXPECT_EQ(INT_MIN, ConfigForm::ParseLeadingInt("-" + std::string(40, '9')));
    EXPECT_EQ(INT_MAX, ConfigForm::ParseLeadingInt("2147483648"));
}

TEST_F(ConfigFormTest, OpensWithWhatTheFileHoldsAndSwitchesPages) {
    // Values held only in memory are not what the window shows.
    m_config->serverAddress = "memory.only";
    m_config->hideOffline = 0;
    OpenForm();
    EXPECT_EQ("10.1.2.3", Text("txtServerAddress"));
    EXPECT_EQ("9000", Text("txtServerPort"));
    EXPECT_EQ("15", Text("txtAlarmTime"));
    EXPECT_TRUE(Find<CCheckBoxUI>("chkHideOffline")->GetCheck());
    EXPECT_FALSE(Find<CCheckBoxUI>("chkAutoStart")->GetCheck());
    EXPECT_EQ(m_prog + "Record", Text("txtRecordSave"));
    for (const char* ro : {"txtPicSave", "txtRecordSave", "txtAudioAlarmFile"}) EXPECT_TRUE(Find<CEditUI>(ro)->IsReadOnly()) << ro;
    EXPECT_FALSE(Find<CEditUI>("txtServerPort")->IsReadOnly());
    EXPECT_EQ(Find<CControlUI>("btnCancel"), m_form->GetPaintManager().GetFocus());

    auto* pages = Find<CListUI>("leftList");
    auto* tab = Find<CTabLayoutUI>("rightTab");
    ASSERT_GE(pages->GetCount(), 2);
    for (int i = pages->GetCount() - 1; i >= 0; --i) {
        pages->SelectItem(i);
        EXPECT_EQ(i, tab->GetCurSel());
    }
    DestroyWindow(m_form->GetHWND());
}

TEST_F(ConfigFormTest, EmptyFieldsAreRefusedInOrderAndNothingIsWritten) {
    OpenForm();
    std::string before = ConfigFile();
    SetText("txtServerAddress", "");
    SetText("txtServerPort", "");
    SetText("txtAlarmTime", "");
    std::vector<std::string> shown;
    std::vector<std::string> focus;
    auto noteFocus = [&] {
        CControlUI* f = m_form->GetPaintManager().GetFocus();
        focus.push_back(f ? f->GetName().Str() : std::string());
    };
    UINT r = RunModal({Click("btnSave"), ReadMessage(shown), noteFocus,
                       [&] { SetText("txtServerAddress", " "); }, Click("btnSave"), ReadMessage(shown), noteFocus,
                       [&] { SetText("txtServerPort", "8116"); }, Click("btnSave"), ReadMessage(shown), noteFocus,
                       Click("btnCancel")});
    EXPECT_EQ(2u, r);
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ("服务器地址不能为空！", shown[0]);
    EXPECT_EQ("服务器端口不能为空！", shown[1]);
    EXPECT_EQ("报警持续时间不能为空！", shown[2]);
    ASSERT_EQ(3u, focus.size());
    EXPECT_EQ("txtServerAddress", focus[0]);
    EXPECT_EQ("txtServerPort", focus[1]);
    EXPECT_EQ("txtAlarmTime", focus[2]);
    EXPECT_EQ(before, ConfigFile());
}

TEST_F(ConfigFormTest, SaveWritesEveryFieldAndTheAutostartEntry) {
    OpenForm();
    SetText("txtServerAddress", "cloud.example");
    SetText("txtServerPort", "12ab");
    SetText("txtAlarmTime", "abc");
    const char* boxes[] = {"chkAutoStart", "chkWarning", "chkHideOffline", "chkMultiRun", "chkEnableTitle",
                           "chkAutoLayout", "chkPortal", "chkAudioWarning", "chkRestoreView", "chkAlarmFront",
                           "chkTileStates", "chkDigitalZoom"};
    std::vector<int> flipped;
    for (const char* box : boxes) {
        flipped.push_back(Find<CCheckBoxUI>(box)->GetCheck() ? 0 : 1);
        Find<CCheckBoxUI>(box)->SetCheck(flipped.back() != 0);
    }
    EXPECT_EQ(1u, RunModal({Click("btnSave")}));
    ClientConfig c = Reread();
    EXPECT_EQ("cloud.example", c.serverAddress);
    EXPECT_EQ(12, c.serverPort);
    EXPECT_EQ(0, c.AlarmDisplayTime);
    const int saved[] = {c.autoStart, c.enableAlarm, c.hideOffline, c.multiRun, c.enableTitle, c.autoLayout,
                         c.EnablePortal, c.EnableAudioAlarm, c.restoreLastView, c.alarmBringToFront,
                         c.tileStates, c.digitalZoom};
    for (size_t i = 0; i < flipped.size(); ++i) EXPECT_EQ(flipped[i], saved[i]) << boxes[i];
    EXPECT_EQ(1, c.autoStart);
    EXPECT_EQ(m_prog + "Record", c.recordDirectory);
    // The object the opener re-reads holds the same.
    EXPECT_EQ(12, m_config->serverPort);
    std::string entry = cfgtest::ReadAll(ClientConfig::AutoStartFile());
    EXPECT_EQ(0u, ClientConfig::AutoStartFile().find(m_root + "/xdg/autostart/"));
    EXPECT_NE(std::string::npos, entry.find("Exec=\"" + m_prog + "KelvoView\"")) << entry;

    // Switched off, the entry goes.
    OpenForm();
    EXPECT_TRUE(Find<CCheckBoxUI>("chkAutoStart")->GetCheck());
    Find<CCheckBoxUI>("chkAutoStart")->SetCheck(false);
    EXPECT_EQ(1u, RunModal({Click("btnSave")}));
    EXPECT_FALSE(cfgtest::Exists(ClientConfig::AutoStartFile()));
    EXPECT_EQ(0, Reread().autoStart);
}

TEST_F(ConfigFormTest, PortsBeyondSixteenBitsAreRefused) {
    OpenForm();
    std::vector<std::string> shown;
    SetText("txtServerPort", "70000");
    UINT r = RunModal({Click("btnSave"), ReadMessage(shown), [&] { SetText("txtServerPort", "65535"); },
                       Click("btnSave")});
    EXPECT_EQ(1u, r);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("服务器端口必须在0到65535之间！", shown[0]);
    EXPECT_EQ(65535, Reread().serverPort);
}

TEST_F(ConfigFormTest, CancelEscapeAndCloseLoseEdits) {
    std::string before = ConfigFile();
    for (auto how : std::vector<std::function<void()>>{
             Click("btnCancel"), [&] { uitest::PushWindowManagerClose(m_form->GetHWND()); }}) {
        OpenForm();
        SetText("txtServerAddress", "edited");
        Find<CCheckBoxUI>("chkMultiRun")->SetCheck(true);
        EXPECT_EQ(2u, RunModal({how}));
        EXPECT_EQ(before, ConfigFile());
    }
    // The in-memory object was never touched either; a new window shows the file.
    EXPECT_EQ("10.1.2.3", m_config->serverAddress);
    OpenForm();
    EXPECT_EQ("10.1.2.3", Text("txtServerAddress"));
    EXPECT_FALSE(Find<CCheckBoxUI>("chkMultiRun")->GetCheck());
    DestroyWindow(m_form->GetHWND());
}

TEST_F(ConfigFormTest, AFailedWriteKeepsTheWindowOpenAndSaysSo) {
    OpenForm();
    std::string path = m_config->ConfigPath();
    // A folder where the file should be: the write cannot replace it.
    ASSERT_EQ(0, unlink(path.c_str()));
    ASSERT_EQ(0, mkdir(path.c_str(), 0700));
    std::vector<std::string> shown;
    UINT r = RunModal({Click("btnSave"), ReadMessage(shown), Click("btnCancel")});
    EXPECT_EQ(2u, r);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("设置保存失败，请检查配置文件所在的文件夹是否可写！", shown[0]);
}

TEST_F(ConfigFormTest, ChoosersFillTheFieldsAndOnlySaveWritesThem) {
    MakeDir("pics");
    MakeDir("sounds");
    MakeFile("sounds/Bell.WAV");
    OpenForm();
    std::string before = ConfigFile();
    HWND form = m_form->GetHWND();
    std::string afterPick, afterCancel, afterSound;
    auto chooser = [&](const std::string& target, SDL_Keycode key) {
        return [&, target, key] {
            CFileDialog* dlg = cfgtest::ChooserOf(form);
            if (!dlg) return m_owner.Retry();
            dlg->ExpandTo(target);
            uitest::PushKey(dlg->GetHWND(), key);
        };
    };
    auto note = [&](std::string& out, const char* field) {
        return [&, field] {
            // The form is enabled again only once the chooser's loop has returned to it.
            if (cfgtest::ChooserOf(form) || !IsWindowEnabled(form)) return m_owner.Retry();
            out = Text(field);
        };
    };
    UINT r = RunModal({Click("btnPicSave"), chooser(P("pics"), SDLK_RETURN), note(afterPick, "txtPicSave"),
                       [&] { EXPECT_EQ(before, ConfigFile()); },
                       Click("btnRecordSave"), chooser(P("pics"), SDLK_ESCAPE), note(afterCancel, "txtRecordSave"),
                       Click("btnAudioAlarmBrowser"), chooser(P("sounds/Bell.WAV"), SDLK_RETURN),
                       note(afterSound, "txtAudioAlarmFile"), Click("btnSave")});
    EXPECT_EQ(1u, r);
    EXPECT_EQ(P("pics"), afterPick);
    EXPECT_EQ(m_prog + "Record", afterCancel);
    EXPECT_EQ(P("sounds/Bell.WAV"), afterSound);
    ClientConfig c = Reread();
    EXPECT_EQ(P("pics"), c.picDirectory);
    EXPECT_EQ(m_prog + "Record", c.recordDirectory);
    EXPECT_EQ(P("sounds/Bell.WAV"), c.AudioAlarmFile);
}

}  // namespace
