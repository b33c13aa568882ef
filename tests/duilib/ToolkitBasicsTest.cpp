// Strings, text conversion, layout arithmetic, skin parsing and the shipped skins.
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

#include <SDL_image.h>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

using namespace DuiLib;

namespace {

std::string MakeTempDir() {
    char tmpl[] = "/tmp/duilib-test-XXXXXX";
    return std::string(mkdtemp(tmpl)) + "/";
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

TEST(CDuiStringTest, ComparesFindsAndFormats) {
    CDuiString s("btnPtzLeft");
    EXPECT_EQ(0, s.CompareNoCase("BTNPTZLEFT"));
    EXPECT_NE(0, s.Compare("BTNPTZLEFT"));
    EXPECT_EQ(3, s.Find("Ptz"));
    EXPECT_EQ(-1, s.Find("ptz"));
    EXPECT_EQ("btn", s.Left(3));
    EXPECT_EQ("Left", s.Right(4));
    EXPECT_EQ("Ptz", s.Mid(3, 3));
    EXPECT_TRUE(s.Mid(99).IsEmpty());
    CDuiString f;
    f.Format("%s_%d", "cameraItem", 42);
    EXPECT_EQ("cameraItem_42", f);
    CDuiString r("a\\b\\c");
    EXPECT_EQ(2, r.Replace("\\", "/"));
    EXPECT_EQ("a/b/c", r);
}

TEST(TextCodecTest, RoundTripsGbkAndUtf8) {
    const std::string utf8 = "账号名称不能为空!";
    std::string gbk;
    ASSERT_TRUE(Utf8ToGbk(utf8, gbk));
    EXPECT_EQ(std::string("\xd5\xcb\xba\xc5", 4), gbk.substr(0, 4));  // "账号"
    std::string back;
    ASSERT_TRUE(GbkToUtf8(gbk, back));
    EXPECT_EQ(utf8, back);
}

TEST(TextCodecTest, StrictFailsAndLenientMarks) {
    std::string out = "x";
    EXPECT_FALSE(Utf8ToGbk("\xff\xfe", out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(GbkToUtf8(std::string("\x81", 1), out));
    EXPECT_EQ("a?b", GbkToUtf8Lenient(std::string("a\xff" "b", 3)));
    EXPECT_EQ("ab\ncd", StripControlBytes("a\x01" "b\n\x1b" "cd\x7f", true));
    EXPECT_EQ("abcd", StripControlBytes("ab\ncd", false));
}

TEST(LayoutMathTest, FixedFirstRestSharedWithPaddingAndChildPadding) {
    // 300 px: one fixed 100, two flexible, paddings 10 + 10, child padding 5 x 2.
    auto h = DistributeExtent(300, {100, 0, 0}, {0, 0, 0}, {9999, 9999, 9999}, {0, 10, 10}, 5);
    EXPECT_EQ(100, h[0]);
    EXPECT_EQ(85, h[1]);
    EXPECT_EQ(85, h[2]);
    // A clamped child leaves its share to the others; rounding rest goes to the last one.
    auto w = DistributeExtent(101, {0, 0, 0}, {0, 0, 0}, {20, 9999, 9999}, {0, 0, 0}, 0);
    EXPECT_EQ(20, w[0]);
    EXPECT_EQ(40, w[1]);
    EXPECT_EQ(41, w[2]);
    // Never negative when fixed parts overflow.
    auto o = DistributeExtent(50, {40, 40, 0}, {0, 0, 0}, {9999, 9999, 9999}, {0, 0, 0}, 0);
    EXPECT_EQ(0, o[2]);
}

TEST(DrawInfoTest, ParsesNinePatchAttributes) {
    TDrawInfo a = TDrawInfo::Parse("file='img/a.png' source='0,0,12,12' dest='5,4,23,18' corner='2,3,4,5' fade='128'");
    EXPECT_EQ("img/a.png", a.file);
    ASSERT_TRUE(a.hasSource);
    EXPECT_EQ(12, a.source.right);
    ASSERT_TRUE(a.hasDest);
    EXPECT_EQ(5, a.dest.left);
    EXPECT_EQ(18, a.dest.bottom);
    EXPECT_EQ(3, a.corner.top);
    EXPECT_EQ(128, a.fade);
    TDrawInfo b = TDrawInfo::Parse("img/folder.png");
    EXPECT_EQ("img/folder.png", b.file);
    EXPECT_FALSE(b.hasSource);
    EXPECT_EQ(0xFF112233u, ParseColor("#112233"));
    EXPECT_EQ(0x80112233u, ParseColor("#80112233"));
}

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = MakeTempDir();
        mkdir((m_dir + "skin").c_str(), 0700);
        ASSERT_TRUE(uitest::InitToolkit(m_dir));
    }
    void TearDown() override {
        if (m_wnd) DestroyWindow(m_wnd->GetHWND());
        m_wnd.reset();
        uitest::Pump();
    }
    uitest::SkinWindow& Open(const std::string& xml, const std::string& file = "t.xml") {
        WriteFile(m_dir + "skin/" + file, xml);
        m_wnd = std::make_unique<uitest::SkinWindow>("skin/", file);
        EXPECT_TRUE(m_wnd->Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
        m_wnd->ShowWindow(true, false);
        m_wnd->GetPaintManager().UpdateLayout();
        return *m_wnd;
    }
    std::string m_dir;
    std::unique_ptr<uitest::SkinWindow> m_wnd;
};

TEST_F(SkinTest, WindowFontsDefaultsAndIncludes) {
    WriteFile(m_dir + "skin/part.xml", R"(<HorizontalLayout name="inc" height="20"><Button name="incBtn"/></HorizontalLayout>)");
    auto& w = Open(R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="300,200" caption="0,0,0,30" sizebox="4,4,4,4" mininfo="200,100">
  <Font id="3" size="17" bold="true" default="true"/>
  <Default name="Button" value="textcolor=&quot;#FF112233&quot; height=&quot;24&quot;"/>
  <VerticalLayout name="root">
    <Button name="b1" text="确定" textcolor="#FF445566"/>
    <Button name="b2" text="取消"/>
    <Include source="part.xml" count="2"/>
  </VerticalLayout>
</Window>)");
    CPaintManagerUI& pm = w.GetPaintManager();
    EXPECT_EQ(300, pm.GetInitSize().cx);
    EXPECT_EQ(30, pm.GetCaptionRect().bottom);
    EXPECT_EQ(4, pm.GetSizeBox().left);
    EXPECT_EQ(17, pm.GetFontInfo(-1).size);
    EXPECT_TRUE(pm.GetFontInfo(3).bold);
    auto* b1 = pm.FindControlAs<CButtonUI>("b1");
    auto* b2 = pm.FindControlAs<CButtonUI>("b2");
    ASSERT_TRUE(b1 && b2);
    EXPECT_EQ(0xFF445566u, b1->GetTextColor());  // own attribute beats the default
    EXPECT_EQ(0xFF112233u, b2->GetTextColor());
    EXPECT_EQ(24, b2->GetFixedHeight());
    EXPECT_EQ(std::string("\xc8\xb7\xb6\xa8", 4), b1->GetText().Str());  // UTF-8 skin text arrives as GBK
    auto* root = pm.FindControlAs<CVerticalLayoutUI>("root");
    ASSERT_TRUE(root);
    EXPECT_EQ(4, root->GetCount());  // two buttons and the include twice
    EXPECT_TRUE(pm.GetUnknownAttributes().empty());
}

int CountControls(CControlUI* c) {
    int n = 1;
    if (auto* box = dynamic_cast<CContainerUI*>(c))
        for (int i = 0; i < box->GetCount(); ++i) n += CountControls(box->GetItemAt(i));
    return n;
}

// Found by fuzzing: a skin including itself ten times per level built 10^8 controls.
TEST_F(SkinTest, SelfIncludingSkinStopsAtTheIncludeBudget) {
    const std::string loop = m_dir + "skin/loop.xml";
    WriteFile(loop, "<Window size=\"10,10\"><VerticalLayout><Include source=\"" + loop +
                        "\" count=\"10\"/></VerticalLayout></Window>");
    CDialogBuilder builder;
    CPaintManagerUI pm;
    const auto t0 = std::chrono::steady_clock::now();
    std::unique_ptr<CControlUI> root(builder.Create(loop.c_str(), nullptr, nullptr, &pm));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    ASSERT_TRUE(root);
    const int controls = CountControls(root.get());
    EXPECT_GT(controls, 100);   // includes still work up to the budget
    EXPECT_LE(controls, 1100);  // each copy is one layout
    bool reported = false;
    for (const auto& e : builder.GetErrors()) reported = reported || e == "too many Includes";
    EXPECT_TRUE(reported);
    // The budget belongs to one build: the next one starts afresh.
    std::unique_ptr<CControlUI> second(builder.Create(loop.c_str(), nullptr, nullptr, &pm));
    ASSERT_TRUE(second);
    EXPECT_EQ(controls, CountControls(second.get()));
}

// Found by fuzzing: padding of -2^31 overflowed the layout's int sums.
TEST_F(SkinTest, ExtremeNumbersAreHeldToALayoutSafeRange) {
    auto& w = Open(R"(<Window size="200,100"><VerticalLayout name="root" inset="-2147483648,0,0,99999999999">
  <Label name="l" text="abc" padding="-2147483648,0,2147483647,0" height="-2147483648"/>
  <Button name="123456789" width="99999999999" bkcolor="#11223344" bkimage="file='img/a1234567.png' source='0,0,9999999,4'"/>
</VerticalLayout></Window>)");
    CPaintManagerUI& pm = w.GetPaintManager();
    pm.Paint();  // under the sanitizers an overflow here ends the test
    auto* l = pm.FindControlAs<CLabelUI>("l");
    ASSERT_TRUE(l);
    EXPECT_EQ(-100000, l->GetPadding().left);
    EXPECT_EQ(100000, l->GetPadding().right);
    auto* b = pm.FindControlAs<CButtonUI>("123456789");  // names are not numbers
    ASSERT_TRUE(b);
    EXPECT_EQ(100000, b->GetFixedWidth());
    EXPECT_EQ(0x11223344u, b->GetBkColor());
    EXPECT_EQ(std::string("file='img/a1234567.png' source='0,0,100000,4'"), b->GetBkImage().Str());
}

// Found by fuzzing: a skin ending in a UTF-8 lead byte made TinyXML read past the file's buffer.
TEST_F(SkinTest, SkinCutInAUtf8SequenceIsRefusedWithoutOverread) {
    const std::string bad = m_dir + "skin/cut.xml";
    WriteFile(bad, "<Window size=\"10,10\"><VerticalLayout name=\"v\xd4");
    CDialogBuilder builder;
    CPaintManagerUI pm;
    EXPECT_EQ(nullptr, builder.Create(bad.c_str(), nullptr, nullptr, &pm));  // under ASan: no read past the file
    ASSERT_EQ(1u, builder.GetErrors().size());
    EXPECT_NE(std::string::npos, builder.GetErrors()[0].find("cannot read skin"));
    const std::string good = m_dir + "skin/crlf.xml";
    WriteFile(good, "<Window size=\"10,10\">\r\n<VerticalLayout name=\"v\"/>\r\n</Window>\r\n");
    std::unique_ptr<CControlUI> root(builder.Create(good.c_str(), nullptr, nullptr, &pm));
    ASSERT_TRUE(root);
    EXPECT_EQ(std::string("v"), root->GetName().Str());
}

TEST_F(SkinTest, UnknownTagsAndAttributesAreReported) {
    WriteFile(m_dir + "skin/bad.xml", R"(<Window size="10,10"><VerticalLayout><Bogus/><Button colour="red"/></VerticalLayout></Window>)");
    CDialogBuilder builder;
    CPaintManagerUI pm;
    std::unique_ptr<CControlUI> root(builder.Create((m_dir + "skin/bad.xml").c_str(), nullptr, nullptr, &pm));
    ASSERT_TRUE(root);
    ASSERT_EQ(2u, builder.GetErrors().size());
    EXPECT_NE(std::string::npos, builder.GetErrors()[0].find("Bogus"));
    EXPECT_NE(std::string::npos, builder.GetErrors()[1].find("Button.colour"));
    EXPECT_EQ(nullptr, builder.Create((m_dir + "skin/missing.xml").c_str()));
}

TEST_F(SkinTest, LayoutsWithPaddingInsetFloatAndTabs) {
    auto& w = Open(R"(<Window size="400,300"><VerticalLayout name="root" inset="10,10,10,10" childpadding="4">
  <Control name="top" height="50" padding="5,0,5,0"/>
  <HorizontalLayout name="row" childpadding="2">
    <Control name="l" width="100"/>
    <Control name="m"/>
    <Control name="r" padding="3,0,3,0"/>
    <Button name="f" float="true" pos="20,30,80,60"/>
  </HorizontalLayout>
  <TabLayout name="tabs" height="40" selectedid="1"><Control name="p0"/><Control name="p1"/></TabLayout>
</VerticalLayout></Window>)");
    CPaintManagerUI& pm = w.GetPaintManager();
    RECT top = pm.FindControl("top")->GetPos();
    EXPECT_EQ(15, top.left);
    EXPECT_EQ(10, top.top);
    EXPECT_EQ(385, top.right);
    EXPECT_EQ(60, top.bottom);
    RECT row = pm.FindControl("row")->GetPos();
    EXPECT_EQ(64, row.top);                  // 10 + 50 + 4
    EXPECT_EQ(290 - 40 - 4, row.bottom);     // the tab layout takes 40 at the bottom
    RECT l = pm.FindControl("l")->GetPos(), m = pm.FindControl("m")->GetPos(), r = pm.FindControl("r")->GetPos();
    EXPECT_EQ(100, l.Width());
    EXPECT_EQ(l.right + 2, m.left);
    EXPECT_EQ(m.right + 2 + 3, r.left);
    EXPECT_EQ(390 - 3, r.right);
    EXPECT_NEAR(m.Width(), r.Width(), 1);
    RECT f = pm.FindControl("f")->GetPos();
    EXPECT_EQ(row.left + 20, f.left);
    EXPECT_EQ(row.top + 30, f.top);
    EXPECT_EQ(60, f.Width());
    auto* tabs = pm.FindControlAs<CTabLayoutUI>("tabs");
    ASSERT_TRUE(tabs);
    EXPECT_FALSE(pm.FindControl("p0")->IsVisible());
    EXPECT_TRUE(pm.FindControl("p1")->IsVisible());
    tabs->SelectItem(0);
    EXPECT_TRUE(pm.FindControl("p0")->IsVisible());
    EXPECT_FALSE(pm.FindControl("p1")->IsVisible());
    // Hit testing: the float button sits over the middle control; the topmost wins.
    EXPECT_EQ(pm.FindControl("f"), pm.FindControl(POINT{f.left + 2, f.top + 2}));
    EXPECT_EQ(pm.FindControl("r"), pm.FindControl(POINT{r.left + 1, r.bottom - 1}));
    EXPECT_EQ(pm.FindControl("root"), pm.FindControl(POINT{2, 2}));
    pm.FindControl("f")->SetVisible(false);
    pm.UpdateLayout();
    EXPECT_NE(pm.FindControl("f"), pm.FindControl(POINT{f.left + 2, f.top + 2}));
}

TEST_F(SkinTest, TypedLookupRejectsWrongTypeAndMissing) {
    auto& w = Open(R"(<Window size="100,100"><VerticalLayout><Label name="lbl"/></VerticalLayout></Window>)");
    EXPECT_NE(nullptr, w.FindControlAs<CLabelUI>("lbl"));
    EXPECT_EQ(nullptr, w.FindControlAs<CButtonUI>("lbl"));
    EXPECT_EQ(nullptr, w.FindControlAs<CLabelUI>("nothing"));
}

TEST_F(SkinTest, NinePatchKeepsCornersAndStretchesMiddle) {
    // A 9x9 image: red 3 px corners, green edges, blue centre.
    SDL_Surface* img = SDL_CreateRGBSurfaceWithFormat(0, 9, 9, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            bool ex = x < 3 || x >= 6, ey = y < 3 || y >= 6;
            Uint32 c = (ex && ey) ? 0xFFFF0000 : (ex || ey) ? 0xFF00FF00 : 0xFF0000FF;
            static_cast<Uint32*>(img->pixels)[y * (img->pitch / 4) + x] = c;
        }
    ASSERT_EQ(0, IMG_SavePNG(img, (m_dir + "skin/np.png").c_str()));
    SDL_FreeSurface(img);
    auto& w = Open(R"(<Window size="60,60"><VerticalLayout><Control bkimage="file='np.png' corner='3,3,3,3'"/></VerticalLayout></Window>)");
    w.GetPaintManager().Paint();
    CPaintManagerUI& pm = w.GetPaintManager();
    EXPECT_EQ(0xFFFF0000u, uitest::PixelAt(pm, 1, 1));
    EXPECT_EQ(0xFFFF0000u, uitest::PixelAt(pm, 58, 58));
    EXPECT_EQ(0xFF00FF00u, uitest::PixelAt(pm, 30, 1));
    EXPECT_EQ(0xFF00FF00u, uitest::PixelAt(pm, 1, 30));
    EXPECT_EQ(0xFF0000FFu, uitest::PixelAt(pm, 30, 30));
    EXPECT_EQ(0xFF0000FFu, uitest::PixelAt(pm, 4, 4));
}

// Every shipped skin parses without an unknown tag or attribute.
class PlaceholderControls : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const char* cls) override {
        // Classes the program makes itself (video wall, player, date picker, menus).
        // The record window's timeline takes a font like a label does.
        if (SDL_strcasecmp(cls, "Timeline") == 0) return new CLabelUI;
        static const char* const kProgramClasses[] = {"KelvoPlayer", "VideoPlayer", "DateTimePicker", "Menu", "MenuElement"};
        for (const char* c : kProgramClasses)
            if (SDL_strcasecmp(c, cls) == 0) return new CContainerUI;
        return nullptr;
    }
};

TEST(ShippedSkinsTest, EverySkinFileIsClean) {
    const char* src = std::getenv("KELVO_SOURCE_DIR");
    ASSERT_NE(nullptr, src);
    std::string dir = std::string(src) + "/skin/";
    ASSERT_TRUE(uitest::InitToolkit(std::string(src) + "/"));
    CPaintManagerUI::SetResourcePath(dir.c_str());
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(nullptr, d);
    int files = 0;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() < 5 || name.substr(name.size() - 4) != ".xml") continue;
        ++files;
        CDialogBuilder builder;
        CPaintManagerUI pm;
        PlaceholderControls cb;
        std::unique_ptr<CControlUI> root(builder.Create(name.c_str(), nullptr, &cb, &pm));
        EXPECT_TRUE(root) << name;
        for (const auto& err : builder.GetErrors()) ADD_FAILURE() << name << ": " << err;
    }
    closedir(d);
    EXPECT_GE(files, 4);
}

}  // namespace

namespace {

// The names each window looks up; a skin edit that drops one breaks that window silently.
TEST(ShippedSkinsTest, EveryLookedUpControlNameExists) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"LoginForm.xml", {"txtUserName", "txtPassword", "comBoxUserName", "chkSavePwd", "chkAutoLogin", "btnLogin", "closebtn"}},
        {"msgForm.xml", {"labelInfo", "labelTitle", "btnOK", "btnCanel"}},
        {"waitForm.xml", {"txtInfo"}},
        {"UserAuthForm.xml", {"txtUserName", "txtPassword", "btnLogin", "btnCanel", "closebtn"}},
        {"MainForm.xml", {"player", "treePlaylist", "txtTitle", "txtUserName", "btn_lock", "btn_unlock", "btn_setting",
            "btn_logout", "btnUpdateDevice", "btn_play_fitscale", "btn_play_fitscreen", "btn_play_truesize", "btn_close_all",
            "btn_mpu1", "btn_mpu4", "btn_mpu9", "btn_mpu16", "btn_mpu_sel", "btn_single_full_scr", "btn_mul_full_scr",
            "btnPtzShow", "btnPreShow", "controlPtz", "controlPre", "Control", "btnShowRight", "btnHideRight",
            "h_controlor", "comBoxPreName", "comBoxNav", "btnPtzNav", "btnPtzleft", "btnPtzRight", "btnPtzUp",
            "btnPtzDown", "btnPtzReset", "btnPtzZoomIn", "btnPtzZoomOut", "btnPtzFocusNear", "btnPtzFocusFar",
            "btnPtzLightAdd", "btnPtzLightDec", "btnPtzAddPre", "btnPtzCallPre", "btnPtzDelPre", "btnPtzDelAllPre"}},
        {"playControler.xml", {"btn_play_stop", "btn_play_localrec", "btn_play_stoprec", "btn_play_snappic",
            "btn_play_audio", "btn_play_audio_stop", "btn_play_call"}},
        {"ConfigForm.xml", {"leftList", "rightTab", "btnSave", "btnCancel", "btnPicSave", "btnRecordSave",
            "btnAudioAlarmBrowser", "chkAutoStart", "chkMultiRun", "chkAutoLayout", "chkEnableTitle", "chkHideOffline",
            "chkWarning", "chkAudioWarning", "chkPortal", "txtPicSave", "txtRecordSave", "txtAudioAlarmFile",
            "txtAlarmTime", "txtServerAddress", "txtServerPort"}},
        {"RecordQuery.xml", {"cameraName", "queryDate", "queryStartTime", "queryEndTime", "recordPlayer", "btnPlay",
            "btnPause", "btnStop", "btnPrevious", "btnNext", "sliderVol", "txtStartTime", "txtStopTime", "PlayerBK", "btnQuery",
            "timeline", "comBoxSpeed", "btnPrevRecord", "btnNextRecord", "btnStepFrame"}},
        {"MpuCustomDlg.xml", {"btn_style_6", "btn_style_8", "btn_style_9", "btn_style_10", "btn_style_12",
            "btn_style_12_avr", "btn_style_16", "btn_style_17", "btn_style_17_avr", "btn_style_20", "btn_style_25",
            "btn_style_30", "btn_style_34", "btn_style_34_avr", "btn_style_36", "btn_style_42", "btn_style_48",
            "btn_style_49", "btn_style_49_avr", "btn_style_56", "btn_style_63", "btn_style_64"}},
        {"cameraMenu.xml", {"menuCameraVideo", "menuCameraAudio", "menuCameraTalk", "menuCameraRecord",
            "menuCameraSnappic", "menuCameraRecordQuery"}},
    };
    const char* src = std::getenv("KELVO_SOURCE_DIR");
    ASSERT_NE(nullptr, src);
    ASSERT_TRUE(uitest::InitToolkit(std::string(src) + "/"));
    CPaintManagerUI::SetResourcePath((std::string(src) + "/skin/").c_str());
    for (const auto& kv : expected) {
        CDialogBuilder builder;
        CPaintManagerUI pm;
        PlaceholderControls cb;
        ASSERT_TRUE(pm.AttachDialog(builder.Create(kv.first.c_str(), nullptr, &cb, &pm))) << kv.first;
        for (const auto& name : kv.second) EXPECT_NE(nullptr, pm.FindControl(name.c_str())) << kv.first << ": " << name;
    }
}

// Every image a shipped skin names is produced by the build.
TEST(ShippedSkinsTest, EveryReferencedImageIsBuilt) {
    const char* src = std::getenv("KELVO_SOURCE_DIR");
    ASSERT_NE(nullptr, src);
    std::string built = uitest::BuildBinFolder() + "skin/";
    DIR* d = opendir((std::string(src) + "/skin").c_str());
    ASSERT_NE(nullptr, d);
    int refs = 0;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() < 5 || name.substr(name.size() - 4) != ".xml") continue;
        std::ifstream in(std::string(src) + "/skin/" + name);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (size_t p = text.find("img/"); p != std::string::npos; p = text.find("img/", p + 4)) {
            size_t end = text.find_first_of("'\"", p);
            std::string file = text.substr(p, end - p);
            ++refs;
            EXPECT_EQ(0, access((built + file).c_str(), R_OK)) << name << " needs " << file;
        }
    }
    closedir(d);
    EXPECT_GT(refs, 20);
}

}  // namespace
