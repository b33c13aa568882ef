// The toolkit's folder and file choosers over a scratch folder tree.
#include "ConfigFormTestSupport.h"

#include <DirectoryListing.h>
#include <TextCodec.h>

using namespace DuiLib;

namespace {

// Valid UTF-8 with no GBK form, and bytes that are not UTF-8 at all.
const std::string kEmoji = u8"\U0001F600cam";
const std::string kBadBytes = "\xff\xfe";

class FileDialogTest : public cfgtest::ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        for (const char* d : {"a", "a/deep", "B", ".hidden", "sounds", "sounds/sub"}) MakeDir(d);
        MakeDir(u8"中文");
        MakeDir(kEmoji);
        MakeDir(kEmoji + "/inner");
        MakeDir(kBadBytes);
        for (const char* f : {"sounds/alarm.wav", "sounds/LOUD.WAV", "sounds/notes.txt", "sounds/.hid.wav",
                              "sounds/.wav", "loose.wav"})
            MakeFile(f);
        symlink(P("sounds/alarm.wav").c_str(), P("sounds/link.wav").c_str());
        symlink(P("nowhere.wav").c_str(), P("sounds/dangling.wav").c_str());
    }
    std::unique_ptr<CFileDialog> Open(CFileDialog::Mode mode, const std::string& initialGbk = std::string()) {
        auto dlg = std::make_unique<CFileDialog>(mode);
        if (mode == CFileDialog::Mode::OpenFile) dlg->SetFilter("声音文件(*.wav)", ".wav");
        dlg->SetInitialPath(initialGbk);
        EXPECT_TRUE(dlg->Create(m_owner.GetHWND(), "", UI_WNDSTYLE_DIALOG, 0));
        dlg->ShowWindow(true, true);
        uitest::Pump();
        return dlg;
    }
    static std::vector<std::string> Names(const CFileDialog& dlg, const CFolderItemUI* item) {
        std::vector<std::string> out;
        for (const CFolderItemUI* c : dlg.ChildrenOf(item)) out.push_back(c->GetPath().substr(c->GetPath().rfind('/') + 1));
        return out;
    }
    static std::string Selected(const CFileDialog& dlg) {
        const CFolderItemUI* item = dlg.GetSelectedItem();
        return item ? item->GetPath() : std::string("<none>");
    }
    // Runs the dialog modally with scripted steps; returns its result.
    UINT RunModal(CFileDialog& dlg, std::deque<std::function<void()>> steps) {
        m_owner.Run(std::move(steps));
        return dlg.ShowModal();
    }
};

TEST_F(FileDialogTest, ListingShowsVisibleFoldersOrFilteredFiles) {
    std::vector<DirectoryListing::Entry> e;
    ASSERT_TRUE(DirectoryListing::List(m_root, "", e));
    std::vector<std::string> names;
    for (const auto& x : e) {
        EXPECT_TRUE(x.isDir) << x.diskName;
        names.push_back(x.diskName);
        bool clean = x.diskName != kEmoji && x.diskName != kBadBytes;
        EXPECT_EQ(clean, x.representable) << x.diskName;
    }
    // Folders only, no hidden ones, by name regardless of case.
    EXPECT_EQ((std::vector<std::string>{"a", "B", "home", "sounds", u8"中文", kEmoji, kBadBytes}), names);

    ASSERT_TRUE(DirectoryListing::List(P("sounds"), ".wav", e));
    names.clear();
    for (const auto& x : e) names.push_back(x.diskName);
    EXPECT_EQ((std::vector<std::string>{"sub", "alarm.wav", "link.wav", "LOUD.WAV"}), names);

    EXPECT_FALSE(DirectoryListing::List(P("missing"), "", e));
    EXPECT_TRUE(e.empty());
}

TEST_F(FileDialogTest, FoldersListOnlyWhenExpandedAndKeysWalkTheTree) {
    auto dlg = Open(CFileDialog::Mode::Folder, m_root);
    HWND h = dlg->GetHWND();
    CFolderItemUI* top = dlg->GetSelectedItem();
    ASSERT_NE(nullptr, top);
    EXPECT_EQ(m_root, top->GetPath());
    EXPECT_FALSE(top->IsExpanded());
    EXPECT_TRUE(dlg->ChildrenOf(top).empty());  // nothing listed before it is opened

    uitest::Key(h, SDLK_RIGHT);  // opens and lists
    EXPECT_TRUE(top->IsExpanded());
    auto names = Names(*dlg, top);
    ASSERT_EQ(7u, names.size());
    EXPECT_EQ("a", names[0]);
    CFolderItemUI* a = dlg->ChildrenOf(top)[0];
    EXPECT_TRUE(dlg->ChildrenOf(a).empty());
    EXPECT_EQ(top, dlg->ParentOf(a));

    uitest::Key(h, SDLK_RIGHT);  // enters the first child
    EXPECT_EQ(a, dlg->GetSelectedItem());
    uitest::Key(h, SDLK_RIGHT);
    EXPECT_EQ((std::vector<std::string>{"deep"}), Names(*dlg, a));
    uitest::Key(h, SDLK_DOWN);
    EXPECT_EQ(P("a/deep"), Selected(*dlg));
    uitest::Key(h, SDLK_LEFT);  // a closed folder: up to its parent
    EXPECT_EQ(a, dlg->GetSelectedItem());
    uitest::Key(h, SDLK_LEFT);  // an open one closes
    EXPECT_FALSE(a->IsExpanded());
    EXPECT_TRUE(dlg->ChildrenOf(a).empty());
    uitest::Key(h, SDLK_DOWN);
    EXPECT_EQ(P("B"), Selected(*dlg));
    uitest::Key(h, SDLK_UP);
    // Opening again lists afresh, once.
    MakeDir("a/later");
    uitest::Key(h, SDLK_RIGHT);
    EXPECT_EQ((std::vector<std::string>{"deep", "later"}), Names(*dlg, a));
    // Closing a folder above the selection moves the selection to it.
    dlg->Collapse(top);
    EXPECT_EQ(top, dlg->GetSelectedItem());
    DestroyWindow(h);
}

TEST_F(FileDialogTest, EnterChoosesTheFolderAsGbkOrPressesTheFocusedButton) {
    MakeDir(u8"中文/子目录");
    std::string gbkRoot;
    ASSERT_TRUE(Utf8ToGbk(m_root, gbkRoot));
    auto dlg = Open(CFileDialog::Mode::Folder, gbkRoot + "/中文");
    HWND h = dlg->GetHWND();
    EXPECT_EQ(P(u8"中文"), Selected(*dlg));
    UINT r = RunModal(*dlg, {[&] { uitest::PushKey(h, SDLK_RIGHT); }, [&] { uitest::PushKey(h, SDLK_RIGHT); },
                             [&] { uitest::PushKey(h, SDLK_RETURN); }});
    EXPECT_EQ(1u, r);
    EXPECT_EQ(gbkRoot + "/中文/子目录", dlg->GetPath());

    auto again = Open(CFileDialog::Mode::Folder, gbkRoot);
    HWND h2 = again->GetHWND();
    // Enter on a button reached by Tab presses it (Escape is covered with the settings window).
    EXPECT_EQ(2u, RunModal(*again, {[&] {
                               again->FindControlAs<CButtonUI>("btnCancel")->SetFocus();
                               uitest::PushKey(h2, SDLK_RETURN);
                           }}));
    EXPECT_EQ("", again->GetPath());
}

TEST_F(FileDialogTest, UnrepresentableNamesAreShownButRefused) {
    auto dlg = Open(CFileDialog::Mode::Folder, m_root);
    CFolderItemUI* emoji = dlg->ExpandTo(P(kEmoji));
    ASSERT_NE(nullptr, emoji);
    EXPECT_FALSE(emoji->IsShowable());
    EXPECT_NE("", dlg->GetErrorText());  // said as soon as it is selected
    EXPECT_FALSE(dlg->Accept());
    uitest::Pump();
    EXPECT_TRUE(IsWindow(dlg->GetHWND()));
    EXPECT_EQ("", dlg->GetPath());
    // Its children inherit the problem; nothing can be made inside it either.
    ASSERT_EQ(P(kEmoji + "/inner"), dlg->ExpandTo(P(kEmoji + "/inner"))->GetPath());
    EXPECT_FALSE(dlg->Accept());
    EXPECT_FALSE(dlg->CreateFolder("new"));
    EXPECT_FALSE(cfgtest::Exists(P(kEmoji + "/inner/new")));
    // Invalid bytes too.
    ASSERT_EQ(P(kBadBytes), dlg->ExpandTo(P(kBadBytes))->GetPath());
    EXPECT_FALSE(dlg->Accept());
    // A representable neighbour is fine again and clears the message.
    dlg->ExpandTo(P("B"));
    EXPECT_EQ("", dlg->GetErrorText());
    EXPECT_TRUE(dlg->Accept());
    EXPECT_TRUE(uitest::PumpUntil([&] { return !IsWindow(dlg->GetHWND()); }));
}

TEST_F(FileDialogTest, CreateFolderMakesSelectsAndRefusesBadNames) {
    auto dlg = Open(CFileDialog::Mode::Folder, m_root);
    HWND h = dlg->GetHWND();
    dlg->ExpandTo(P("a"));
    auto* name = dlg->FindControlAs<CEditUI>("txtFolderName");
    ASSERT_NE(nullptr, name);
    name->SetFocus();
    uitest::Type(h, u8"照片");
    uitest::ClickControl(h, dlg->FindControlAs<CButtonUI>("btnNewFolder"));
    EXPECT_TRUE(DirectoryListing::IsDirectory(P(u8"a/照片")));
    EXPECT_EQ(P(u8"a/照片"), Selected(*dlg));
    EXPECT_EQ("", name->GetText());
    EXPECT_EQ(2u, dlg->ChildrenOf(dlg->ParentOf(dlg->GetSelectedItem())).size());  // deep and the new one, once each

    // Enter in the field makes one too; an empty name picks a free default.
    dlg->ExpandTo(P("B"));
    name->SetFocus();
    uitest::Key(h, SDLK_RETURN);
    EXPECT_EQ(P(u8"B/新建文件夹"), Selected(*dlg));  // the new one is selected: the next goes inside
    dlg->ExpandTo(P("B"));
    name->SetFocus();
    uitest::Key(h, SDLK_RETURN);
    std::vector<DirectoryListing::Entry> e;
    ASSERT_TRUE(DirectoryListing::List(P("B"), "", e));
    ASSERT_EQ(2u, e.size());
    EXPECT_EQ(u8"新建文件夹", e[0].diskName);
    EXPECT_EQ(u8"新建文件夹 (2)", e[1].diskName);
    EXPECT_TRUE(IsWindow(h));  // Enter in the field does not choose

    for (const char* bad : {"x/y", ".dot", "..", "tab\there"}) {
        EXPECT_FALSE(dlg->CreateFolder(bad)) << bad;
        EXPECT_NE("", dlg->GetErrorText()) << bad;
    }
    EXPECT_FALSE(cfgtest::Exists(P("B/x")));
    dlg->ExpandTo(P("B"));
    EXPECT_FALSE(dlg->CreateFolder("新建文件夹"));  // exists
    EXPECT_NE(std::string::npos, dlg->GetErrorText().find("新建文件夹"));
    // Typed bytes that are not GBK have no name on disk.
    EXPECT_FALSE(dlg->CreateFolder("\x81"));
    EXPECT_NE("", dlg->GetErrorText());
    DestroyWindow(h);
}

TEST_F(FileDialogTest, FileChooserListsOnlySoundsAndFoldersAndChoosesAFile) {
    std::string gbk;
    ASSERT_TRUE(Utf8ToGbk(P("sounds/LOUD.WAV"), gbk));
    auto dlg = Open(CFileDialog::Mode::OpenFile, gbk);
    HWND h = dlg->GetHWND();
    EXPECT_FALSE(dlg->FindControlAs<CControlUI>("rowNewFolder")->IsVisible());
    ASSERT_EQ(P("sounds/LOUD.WAV"), Selected(*dlg));
    EXPECT_EQ((std::vector<std::string>{"sub", "alarm.wav", "link.wav", "LOUD.WAV"}),
              Names(*dlg, dlg->ParentOf(dlg->GetSelectedItem())));
    // A folder is opened, not chosen.
    dlg->ExpandTo(P("sounds/sub"));
    EXPECT_FALSE(dlg->Accept());
    EXPECT_NE("", dlg->GetErrorText());
    dlg->ExpandTo(P("sounds"));
    UINT r = RunModal(*dlg, {[&] { uitest::PushKey(h, SDLK_DOWN); }, [&] { uitest::PushKey(h, SDLK_DOWN); },
                             [&] { uitest::PushKey(h, SDLK_RETURN); }});
    EXPECT_EQ(1u, r);
    ASSERT_TRUE(Utf8ToGbk(P("sounds/alarm.wav"), gbk));
    EXPECT_EQ(gbk, dlg->GetPath());
}

TEST_F(FileDialogTest, AFileGoneBeforeOkIsRefused) {
    auto dlg = Open(CFileDialog::Mode::OpenFile, "");
    ASSERT_EQ(P("sounds/alarm.wav"), dlg->ExpandTo(P("sounds/alarm.wav"))->GetPath());
    ASSERT_EQ(0, unlink(P("sounds/alarm.wav").c_str()));
    EXPECT_FALSE(dlg->Accept());
    EXPECT_NE("", dlg->GetErrorText());
    // Without an initial path the chooser starts in the home folder.
    auto other = Open(CFileDialog::Mode::Folder, "not/absolute");
    EXPECT_EQ(P("home"), Selected(*other));
    DestroyWindow(dlg->GetHWND());
    DestroyWindow(other->GetHWND());
}

}  // namespace
