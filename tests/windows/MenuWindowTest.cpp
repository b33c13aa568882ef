// Context menus opened through CommonWindow::ShowMenu and driven by synthetic input.
#include "WindowsTestSupport.h"

#include "CMenuElementUI.h"
#include "CMenuUI.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace DuiLib;
using wintest::Gone;

namespace {

const char kSubMenuSkin[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window>
  <Menu bkcolor="#FF242C34" inset="1,2,1,2">
    <MenuElement name="plain" text="Plain" width="120"/>
    <MenuElement name="groupA" text="Group A" width="120">
      <MenuElement name="a1" text="A one"/>
      <MenuElement name="a2" text="A two"/>
    </MenuElement>
    <MenuElement name="groupB" text="Group B" width="120">
      <MenuElement name="b1" text="B one" height="30"/>
    </MenuElement>
  </Menu>
</Window>
)";

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
        ASSERT_TRUE(m_opener.Open());
        m_opener.ShowWindow(true, false);
        uitest::Pump();
        char tmpl[] = "/tmp/kelvo-menu-XXXXXX";
        m_dir = mkdtemp(tmpl);
        m_subSkin = m_dir + "/subMenu.xml";
        std::ofstream(m_subSkin) << kSubMenuSkin;
    }
    void TearDown() override {
        DestroyWindow(m_opener.GetHWND());
        uitest::Pump();
        EXPECT_TRUE(CMenuWnd::Observer().Receivers().empty()) << "a menu window outlived its test";
        unlink(m_subSkin.c_str());
        rmdir(m_dir.c_str());
    }

    CMenuWnd* Show(const char* skin, int x = 10, int y = 20) {
        CMenuWnd* menu = m_opener.ShowMenu(skin, x, y);
        if (!menu) return nullptr;
        menu->SetMenuKey("cam-7");
        menu->SetMenuTitle("Site\\Gate");
        menu->ShowWindow(true, true);
        uitest::Pump();
        return menu;
    }
    static CMenuElementUI* Item(CMenuWnd* menu, const char* name) {
        return menu->GetPaintManager().FindControlAs<CMenuElementUI>(name);
    }
    static CMenuWnd* Menu(HWND h) { return dynamic_cast<CMenuWnd*>(WindowRegistry::Instance().Lookup(h)); }
    // Open submenus hanging from `menu`'s window.
    static std::vector<HWND> SubMenus(HWND menu) {
        std::vector<HWND> out;
        for (HWND h : GetOwnedWindows(menu))
            if (CMenuWnd::IsMenuWindow(h)) out.push_back(h);
        return out;
    }
    static void Hover(HWND h, CControlUI* c) {
        const RECT& rc = c->GetPos();
        uitest::PushMove(h, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        uitest::Pump();
    }
    // Waits for posted closes to land; menus that stay are checked by the caller.
    static void Settle() { uitest::Pump(6); }

    wintest::Opener m_opener;
    std::string m_dir, m_subSkin;
};

TEST_F(MenuTest, ShippedMenusHoldEveryItemTheMainWindowHandles) {
    const std::vector<std::pair<const char*, std::vector<const char*>>> menus = {
        {"nodeMenu.xml", {"openNodeCamera", "closeNodeCamera", "reloadNode"}},
        {"cameraMenu.xml", {"menuCameraVideo", "menuCameraAudio", "menuCameraTalk", "menuCameraRecord",
                            "menuCameraSnappic", "menuCameraRecordQuery"}},
    };
    for (const auto& m : menus) {
        CMenuWnd* menu = Show(m.first);
        ASSERT_NE(nullptr, menu) << m.first;
        ASSERT_NE(nullptr, menu->GetMenu()) << m.first;
        for (const char* name : m.second) {
            CMenuElementUI* item = Item(menu, name);
            ASSERT_NE(nullptr, item) << m.first << ": " << name;
            EXPECT_FALSE(item->GetText().IsEmpty()) << name;
            EXPECT_FALSE(item->HasSubItems()) << name;
        }
        HWND h = menu->GetHWND();
        uitest::Key(h, SDLK_ESCAPE);
        ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    }
    EXPECT_TRUE(m_opener.commands.empty());
}

TEST_F(MenuTest, RootMenuSitsAtTheClientPointAndFitsItsVisibleItems) {
    CMenuWnd* menu = Show("cameraMenu.xml", 30, 40);
    ASSERT_NE(nullptr, menu);
    RECT opener, rc;
    ASSERT_TRUE(GetWindowRect(m_opener.GetHWND(), opener));
    ASSERT_TRUE(GetWindowRect(menu->GetHWND(), rc));
    EXPECT_EQ(opener.left + 30, rc.left);
    EXPECT_EQ(opener.top + 40, rc.top);
    CMenuUI* list = menu->GetMenu();
    int height = list->GetInset().top + list->GetInset().bottom, width = 0;
    for (int i = 0; i < list->GetCount(); ++i) {
        height += list->GetItemAt(i)->GetFixedHeight();
        width = std::max(width, list->GetItemAt(i)->GetFixedWidth());
    }
    EXPECT_EQ(width + list->GetInset().left + list->GetInset().right, rc.Width());
    EXPECT_EQ(height, rc.Height());
    // A hidden item leaves no room.
    Item(menu, "menuCameraTalk")->SetVisible(false);
    EXPECT_EQ(height - Item(menu, "menuCameraTalk")->GetFixedHeight(), list->EstimateSize(SIZE{2000, 2000}).cy);
    DestroyWindow(menu->GetHWND());
}

TEST_F(MenuTest, LeafClickReportsItsNameOnceAndCloses) {
    CMenuWnd* menu = Show("cameraMenu.xml");
    ASSERT_NE(nullptr, menu);
    HWND h = menu->GetHWND();
    uitest::ClickControl(h, Item(menu, "menuCameraSnappic"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    Settle();
    ASSERT_EQ(1u, m_opener.commands.size());
    EXPECT_EQ("menuCameraSnappic", m_opener.commands[0].name);
    EXPECT_EQ("cam-7", m_opener.commands[0].key);
    EXPECT_EQ("Site\\Gate", m_opener.commands[0].title);
}

TEST_F(MenuTest, DisabledItemIgnoresClicks) {
    CMenuWnd* menu = Show("cameraMenu.xml");
    ASSERT_NE(nullptr, menu);
    HWND h = menu->GetHWND();
    Item(menu, "menuCameraRecord")->SetEnabled(false);
    uitest::ClickControl(h, Item(menu, "menuCameraRecord"));
    Settle();
    EXPECT_FALSE(Gone(h));
    EXPECT_TRUE(m_opener.commands.empty());
    DestroyWindow(h);
}

TEST_F(MenuTest, ClickOutsideReportsOneDismissalForTheWholeFamily) {
    CMenuWnd* menu = Show(m_subSkin.c_str());
    ASSERT_NE(nullptr, menu);
    HWND root = menu->GetHWND();
    Hover(root, Item(menu, "groupA"));
    auto subs = SubMenus(root);
    ASSERT_EQ(1u, subs.size());
    // Both menus see the press elsewhere; the opener hears of it once.
    uitest::Click(m_opener.GetHWND(), 200, 200);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(root) && Gone(subs[0]); }));
    Settle();
    ASSERT_EQ(1u, m_opener.commands.size());
    EXPECT_EQ("", m_opener.commands[0].name);
    EXPECT_EQ("cam-7", m_opener.commands[0].key);
}

TEST_F(MenuTest, FocusGoingToAnotherProgramDismisses) {
    CMenuWnd* menu = Show("nodeMenu.xml");
    ASSERT_NE(nullptr, menu);
    HWND h = menu->GetHWND();
    SendMessage(h, WM_KILLFOCUS, 0, 0);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    ASSERT_EQ(1u, m_opener.commands.size());
    EXPECT_EQ("", m_opener.commands[0].name);
}

TEST_F(MenuTest, EscapeClosesWithoutReport) {
    CMenuWnd* menu = Show("nodeMenu.xml");
    ASSERT_NE(nullptr, menu);
    HWND h = menu->GetHWND();
    uitest::Key(h, SDLK_ESCAPE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    Settle();
    EXPECT_TRUE(m_opener.commands.empty());
    EXPECT_TRUE(IsWindow(m_opener.GetHWND()));  // only the menu closed
}

TEST_F(MenuTest, EscapeInTheOpenerDismissesItsMenu) {
    CMenuWnd* menu = Show("nodeMenu.xml");
    ASSERT_NE(nullptr, menu);
    HWND h = menu->GetHWND();
    uitest::Key(m_opener.GetHWND(), SDLK_ESCAPE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    EXPECT_TRUE(IsWindow(m_opener.GetHWND()));
    ASSERT_EQ(1u, m_opener.commands.size());
    EXPECT_EQ("", m_opener.commands[0].name);
}

TEST_F(MenuTest, KeyboardSkipsDisabledItemsAndChoosesWithEnter) {
    CMenuWnd* menu = Show("cameraMenu.xml");
    ASSERT_NE(nullptr, menu);
    HWND h = menu->GetHWND();
    Item(menu, "menuCameraAudio")->SetEnabled(false);
    uitest::Key(h, SDLK_DOWN);
    EXPECT_EQ(Item(menu, "menuCameraVideo"), menu->GetMenu()->GetCurItem());
    uitest::Key(h, SDLK_DOWN);
    EXPECT_EQ(Item(menu, "menuCameraTalk"), menu->GetMenu()->GetCurItem());
    uitest::Key(h, SDLK_END);
    EXPECT_EQ(Item(menu, "menuCameraRecordQuery"), menu->GetMenu()->GetCurItem());
    uitest::Key(h, SDLK_UP);
    uitest::Key(h, SDLK_RETURN);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    Settle();
    ASSERT_EQ(1u, m_opener.commands.size());
    EXPECT_EQ("menuCameraSnappic", m_opener.commands[0].name);
}

TEST_F(MenuTest, HoverOpensOneSubmenuAtATimeAndAPlainItemClosesIt) {
    CMenuWnd* menu = Show(m_subSkin.c_str());
    ASSERT_NE(nullptr, menu);
    HWND root = menu->GetHWND();
    CMenuElementUI* groupA = Item(menu, "groupA");
    ASSERT_TRUE(groupA->HasSubItems());
    EXPECT_FALSE(Item(menu, "a1")->IsVisibleSelf());  // sub-items do not show in the root menu

    Hover(root, groupA);
    auto subs = SubMenus(root);
    ASSERT_EQ(1u, subs.size());
    CMenuWnd* subA = Menu(subs[0]);
    ASSERT_TRUE(subA && subA->IsSubMenu());
    EXPECT_EQ(2, subA->GetMenu()->GetCount());
    EXPECT_NE(nullptr, subA->GetPaintManager().FindControl("a2"));
    RECT rootRc, subRc;
    GetWindowRect(root, rootRc);
    GetWindowRect(subs[0], subRc);
    EXPECT_EQ(rootRc.left + groupA->GetPos().right, subRc.left);
    EXPECT_EQ(rootRc.top + groupA->GetPos().top, subRc.top);
    EXPECT_EQ(2 * 25 + 4, subRc.Height());  // default item height, the parent's inset
    EXPECT_GT(subRc.Width(), 20);          // items without a width are as wide as their text

    // Switching to another group replaces the submenu.
    HWND oldSub = subs[0];
    Hover(root, Item(menu, "groupB"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(oldSub); }));
    subs = SubMenus(root);
    ASSERT_EQ(1u, subs.size());
    EXPECT_NE(nullptr, Menu(subs[0])->GetPaintManager().FindControl("b1"));
    // Group A has its items back, hidden again, and can open once more.
    ASSERT_NE(nullptr, Item(menu, "a1"));
    EXPECT_FALSE(Item(menu, "a1")->IsVisibleSelf());
    EXPECT_TRUE(groupA->HasSubItems());

    HWND subB = subs[0];
    Hover(root, Item(menu, "plain"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(subB); }));
    EXPECT_TRUE(SubMenus(root).empty());
    EXPECT_FALSE(Gone(root));
    EXPECT_TRUE(m_opener.commands.empty());
    DestroyWindow(root);
}

TEST_F(MenuTest, SubmenuStaysInsideTheWorkArea) {
    RECT opener;
    ASSERT_TRUE(GetWindowRect(m_opener.GetHWND(), opener));
    RECT work = GetWorkArea(m_opener.GetHWND());
    // A root menu 122 x 79 in the bottom-right corner: its submenu has room neither to the
    // right nor below the item.
    CMenuWnd* menu = Show(m_subSkin.c_str(), work.right - 130 - opener.left, work.bottom - 79 - opener.top);
    ASSERT_NE(nullptr, menu);
    HWND root = menu->GetHWND();
    RECT rootRc;
    ASSERT_TRUE(GetWindowRect(root, rootRc));
    ASSERT_EQ(work.bottom, rootRc.bottom);
    CMenuElementUI* groupA = Item(menu, "groupA");
    Hover(root, groupA);
    auto subs = SubMenus(root);
    ASSERT_EQ(1u, subs.size());
    RECT subRc;
    GetWindowRect(subs[0], subRc);
    EXPECT_EQ(rootRc.left + groupA->GetPos().left, subRc.right);  // flipped to the item's left
    EXPECT_EQ(work.bottom, subRc.bottom);                          // moved up
    DestroyWindow(root);
}

TEST_F(MenuTest, RightButtonDoesNotChoose) {
    CMenuWnd* menu = Show("nodeMenu.xml");
    ASSERT_NE(nullptr, menu);
    HWND h = menu->GetHWND();
    const RECT& rc = Item(menu, "reloadNode")->GetPos();
    uitest::PushMove(h, rc.left + 5, rc.top + 5);
    uitest::PushMouse(h, rc.left + 5, rc.top + 5, true, SDL_BUTTON_RIGHT);
    uitest::PushMouse(h, rc.left + 5, rc.top + 5, false, SDL_BUTTON_RIGHT);
    Settle();
    EXPECT_FALSE(Gone(h));
    EXPECT_TRUE(m_opener.commands.empty());
    DestroyWindow(h);
}

TEST_F(MenuTest, ChoiceInASubmenuReachesTheOpenerOnce) {
    CMenuWnd* menu = Show(m_subSkin.c_str());
    ASSERT_NE(nullptr, menu);
    HWND root = menu->GetHWND();
    Hover(root, Item(menu, "groupB"));
    auto subs = SubMenus(root);
    ASSERT_EQ(1u, subs.size());
    CMenuWnd* sub = Menu(subs[0]);
    uitest::ClickControl(subs[0], sub->GetPaintManager().FindControl("b1"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(root) && Gone(subs[0]); }));
    Settle();
    ASSERT_EQ(1u, m_opener.commands.size());
    EXPECT_EQ("b1", m_opener.commands[0].name);
}

TEST_F(MenuTest, KeyboardEntersAndLeavesSubmenus) {
    CMenuWnd* menu = Show(m_subSkin.c_str());
    ASSERT_NE(nullptr, menu);
    HWND root = menu->GetHWND();
    uitest::Key(root, SDLK_DOWN);
    uitest::Key(root, SDLK_DOWN);
    ASSERT_EQ(Item(menu, "groupA"), menu->GetMenu()->GetCurItem());
    uitest::Key(root, SDLK_RIGHT);
    auto subs = SubMenus(root);
    ASSERT_EQ(1u, subs.size());
    CMenuWnd* sub = Menu(subs[0]);
    EXPECT_EQ(sub->GetPaintManager().FindControl("a1"), sub->GetMenu()->GetCurItem());
    uitest::Key(subs[0], SDLK_LEFT);  // back to the root menu, which stays open
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(subs[0]); }));
    EXPECT_FALSE(Gone(root));
    uitest::Key(root, SDLK_RETURN);  // Enter on a group opens it too
    subs = SubMenus(root);
    ASSERT_EQ(1u, subs.size());
    uitest::Key(subs[0], SDLK_DOWN);
    uitest::Key(subs[0], SDLK_RETURN);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(root); }));
    Settle();
    ASSERT_EQ(1u, m_opener.commands.size());
    EXPECT_EQ("a2", m_opener.commands[0].name);
}

TEST_F(MenuTest, OpenerMayDestroyTheMenuInsideTheReport) {
    m_opener.onCommand = [](CMenuWnd* m) { DestroyWindow(m->GetHWND()); };
    CMenuWnd* menu = Show(m_subSkin.c_str());
    ASSERT_NE(nullptr, menu);
    HWND root = menu->GetHWND();
    Hover(root, Item(menu, "groupA"));
    auto subs = SubMenus(root);
    ASSERT_EQ(1u, subs.size());
    uitest::ClickControl(root, Item(menu, "plain"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(root) && Gone(subs[0]); }));
    Settle();
    ASSERT_EQ(1u, m_opener.commands.size());
    EXPECT_EQ("plain", m_opener.commands[0].name);
}

TEST_F(MenuTest, ChoiceAfterTheOpenerIsGoneJustCloses) {
    wintest::Opener other;
    ASSERT_TRUE(other.Open());
    CMenuWnd* menu = other.ShowMenu("nodeMenu.xml", 5, 5);
    ASSERT_NE(nullptr, menu);
    HWND h = menu->GetHWND();
    // The menu is owned by its opener's window: destroying that takes the menu along.
    DestroyWindow(other.GetHWND());
    EXPECT_TRUE(Gone(h));
    EXPECT_TRUE(other.commands.empty());
}

TEST_F(MenuTest, MissingSkinGivesNoMenu) {
    EXPECT_EQ(nullptr, m_opener.ShowMenu("noSuchMenu.xml", 0, 0));
    EXPECT_TRUE(CMenuWnd::Observer().Receivers().empty());
}

}  // namespace
