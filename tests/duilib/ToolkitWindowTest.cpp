// Windows driven by synthetic input: notifications, focus and keys, modal loops, posting, freeing.
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace DuiLib;

namespace {

constexpr UINT WM_TEST = WM_USER + 7;

const char kForm[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="320,240">
  <VerticalLayout name="root" childpadding="2">
    <Edit name="e1" height="24"/>
    <Label name="lbl" height="20"/>
    <Edit name="e2" height="24" password="true"/>
    <CheckBox name="chk" height="20"/>
    <HorizontalLayout height="24"><Option name="o1" group="g"/><Option name="o2" group="g" selected="true"/></HorizontalLayout>
    <Button name="btn" height="24" text="go"/>
    <Combo name="combo" height="24"/>
    <List name="list" height="60"/>
  </VerticalLayout>
</Window>)";

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/duilib-wnd-XXXXXX";
        m_dir = std::string(mkdtemp(tmpl)) + "/";
        mkdir((m_dir + "skin").c_str(), 0700);
        std::ofstream(m_dir + "skin/form.xml") << kForm;
        ASSERT_TRUE(uitest::InitToolkit(m_dir));
    }
    void TearDown() override {
        for (auto& w : m_windows)
            if (w->GetHWND()) DestroyWindow(w->GetHWND());
        m_windows.clear();
        uitest::Pump();
        WindowRegistry::Instance().ResetQuit();
    }
    uitest::SkinWindow& Open(HWND owner = nullptr) {
        m_windows.push_back(std::make_unique<uitest::SkinWindow>("skin/", "form.xml"));
        auto& w = *m_windows.back();
        EXPECT_TRUE(w.Create(owner, "t", UI_WNDSTYLE_DIALOG, 0));
        w.ShowWindow(true, true);
        uitest::Pump();
        return w;
    }
    std::string m_dir;
    std::vector<std::unique_ptr<uitest::SkinWindow>> m_windows;
};

TEST_F(WindowTest, ClickArrivesBeforeCheckBoxChangesAndOptionsGroup) {
    auto& w = Open();
    auto* chk = w.FindControlAs<CCheckBoxUI>("chk");
    ASSERT_TRUE(chk);
    std::vector<std::string> log;
    w.onNotify = [&](TNotifyUI& msg) {
        if (msg.pSender == chk) log.push_back(std::string(msg.sType.GetData()) + (chk->GetCheck() ? ":on" : ":off"));
    };
    uitest::ClickControl(w.GetHWND(), chk);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ("click:off", log[log.size() - 2]);
    EXPECT_EQ("selectchanged:on", log.back());
    EXPECT_TRUE(chk->GetCheck());
    chk->SetCheck(false, false);
    log.clear();
    chk->SetCheck(true);  // from code: a change notification, no click
    EXPECT_EQ(std::vector<std::string>{"selectchanged:on"}, log);

    auto* o1 = w.FindControlAs<COptionUI>("o1");
    auto* o2 = w.FindControlAs<COptionUI>("o2");
    ASSERT_TRUE(o1 && o2);
    EXPECT_TRUE(o2->IsSelected());
    uitest::ClickControl(w.GetHWND(), o1);
    EXPECT_TRUE(o1->IsSelected());
    EXPECT_FALSE(o2->IsSelected());
    uitest::ClickControl(w.GetHWND(), o1);  // a selected option stays selected
    EXPECT_TRUE(o1->IsSelected());
}

TEST_F(WindowTest, PressAndReleaseOutsideIsNoClick) {
    auto& w = Open();
    auto* btn = w.FindControlAs<CButtonUI>("btn");
    int clicks = 0;
    w.onNotify = [&](TNotifyUI& msg) { if (msg.sType == DUI_MSGTYPE_CLICK) ++clicks; };
    RECT rc = btn->GetPos();
    uitest::PushMouse(w.GetHWND(), rc.left + 2, rc.top + 2, true);
    uitest::PushMove(w.GetHWND(), rc.left + 2, rc.bottom + 30);
    uitest::PushMouse(w.GetHWND(), rc.left + 2, rc.bottom + 30, false);
    uitest::Pump();
    EXPECT_EQ(0, clicks);
    uitest::ClickControl(w.GetHWND(), btn);
    EXPECT_EQ(1, clicks);
    btn->SetEnabled(false);
    uitest::ClickControl(w.GetHWND(), btn);
    EXPECT_EQ(1, clicks);
}

TEST_F(WindowTest, TypingTabAndEditing) {
    auto& w = Open();
    auto* e1 = w.FindControlAs<CEditUI>("e1");
    auto* e2 = w.FindControlAs<CEditUI>("e2");
    ASSERT_TRUE(e1 && e2);
    int changes = 0;
    w.onNotify = [&](TNotifyUI& msg) { if (msg.sType == DUI_MSGTYPE_TEXTCHANGED && msg.pSender == e1) ++changes; };
    e1->SetFocus();
    uitest::Type(w.GetHWND(), "ab");
    uitest::Type(w.GetHWND(), "值班");
    EXPECT_EQ(std::string("ab\xd6\xb5\xb0\xe0", 6), e1->GetText().Str());
    EXPECT_EQ(2, changes);
    uitest::Key(w.GetHWND(), SDLK_BACKSPACE);  // removes one whole GBK character
    EXPECT_EQ(std::string("ab\xd6\xb5", 4), e1->GetText().Str());
    uitest::Key(w.GetHWND(), SDLK_HOME);
    uitest::Key(w.GetHWND(), SDLK_DELETE);
    EXPECT_EQ(std::string("b\xd6\xb5", 3), e1->GetText().Str());
    int before = changes;
    e1->SetText("set by code");  // never raises textchanged
    EXPECT_EQ(before, changes);
    uitest::Key(w.GetHWND(), SDLK_TAB);
    EXPECT_EQ(e2, w.GetPaintManager().GetFocus());  // the label in between takes no focus
    uitest::Type(w.GetHWND(), "pw");
    EXPECT_EQ("pw", e2->GetText());
    uitest::Key(w.GetHWND(), SDLK_TAB, KMOD_LSHIFT);
    EXPECT_EQ(e1, w.GetPaintManager().GetFocus());
    e1->SetMaxChar(4);
    e1->SetText("");
    uitest::Type(w.GetHWND(), "a值班");  // 1 + 2 bytes fit, the next character would split
    EXPECT_EQ(3, e1->GetText().GetLength());
}

TEST_F(WindowTest, EscapeClosesByDefaultAndEnterDoesNot) {
    auto& w = Open();
    HWND h = w.GetHWND();
    uitest::Key(h, SDLK_RETURN);
    uitest::Pump();
    EXPECT_TRUE(IsWindow(h));
    uitest::Key(h, SDLK_ESCAPE);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !IsWindow(h); }));
}

TEST_F(WindowTest, CloseAlwaysPostsAndCanBeCancelled) {
    auto& w = Open();
    HWND h = w.GetHWND();
    bool cancel = true;
    w.onMessage = [&](UINT m, WPARAM, LPARAM, bool& handled) {
        handled = (m == WM_CLOSE && cancel);  // left handled: the close is cancelled
        return 0;
    };
    w.Close(1);
    EXPECT_TRUE(IsWindow(h));  // not yet: posted
    uitest::Pump();
    EXPECT_TRUE(IsWindow(h));
    cancel = false;
    w.Close(1);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !IsWindow(h); }));
}

TEST_F(WindowTest, NestedModalLoopsRestoreOwnersAndIgnoreCloseRequests) {
    auto& a = Open();
    HWND ha = a.GetHWND();
    std::vector<std::string> order;
    UINT resultB = 0, resultC = 0;
    auto* bWnd = new uitest::SkinWindow("skin/", "form.xml");
    m_windows.emplace_back(bWnd);
    auto* cWnd = new uitest::SkinWindow("skin/", "form.xml");
    m_windows.emplace_back(cWnd);
    a.onMessage = [&](UINT m, WPARAM, LPARAM, bool& handled) {
        handled = false;
        if (m != WM_TEST) return LRESULT(0);
        handled = true;
        bWnd->Create(ha, "b", UI_WNDSTYLE_DIALOG, 0);
        bWnd->onMessage = [&](UINT m2, WPARAM, LPARAM, bool& h2) {
            h2 = false;
            if (m2 != WM_TEST) return LRESULT(0);
            h2 = true;
            cWnd->Create(bWnd->GetHWND(), "c", UI_WNDSTYLE_DIALOG, 0);
            EXPECT_TRUE(IsWindowEnabled(bWnd->GetHWND()));
            // While c runs, close requests to b (its owner) are ignored.
            uitest::PushWindowManagerClose(bWnd->GetHWND());
            bWnd->Close(9);
            cWnd->Close(7);
            resultC = cWnd->ShowModal();
            order.push_back("c done");
            // Checked here, still inside b's modal loop.
            EXPECT_TRUE(IsWindow(bWnd->GetHWND()));  // its close requests during c were dropped
            EXPECT_FALSE(IsWindowEnabled(ha));
            bWnd->Close(3);
            return LRESULT(0);
        };
        bWnd->PostMessage(WM_TEST);
        resultB = bWnd->ShowModal();
        order.push_back("b done");
        return LRESULT(0);
    };
    EnableWindow(ha, false);  // the owner was already disabled once: must stay disabled after
    a.PostMessage(WM_TEST);
    ASSERT_TRUE(uitest::PumpUntil([&] { return order.size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"c done", "b done"}), order);
    EXPECT_EQ(7u, resultC);
    EXPECT_EQ(3u, resultB);
    EXPECT_FALSE(IsWindowEnabled(ha));  // our own Disable still counts
    EnableWindow(ha, true);
    EXPECT_TRUE(IsWindowEnabled(ha));
}

TEST_F(WindowTest, InputToDisabledOwnerIsIgnored) {
    auto& w = Open();
    auto* btn = w.FindControlAs<CButtonUI>("btn");
    int clicks = 0;
    w.onNotify = [&](TNotifyUI& msg) { if (msg.sType == DUI_MSGTYPE_CLICK) ++clicks; };
    EnableWindow(w.GetHWND(), false);
    uitest::ClickControl(w.GetHWND(), btn);
    uitest::WindowManagerClose(w.GetHWND());
    EXPECT_EQ(0, clicks);
    EXPECT_TRUE(IsWindow(w.GetHWND()));
    EnableWindow(w.GetHWND(), true);
    uitest::ClickControl(w.GetHWND(), btn);
    EXPECT_EQ(1, clicks);
}

std::atomic<int> g_freed{0};
void FreePayload(WPARAM, LPARAM l) {
    delete reinterpret_cast<std::string*>(l);
    ++g_freed;
}

TEST_F(WindowTest, PostFromOtherThreadsAndToDeadHandles) {
    auto& w = Open();
    HWND h = w.GetHWND();
    std::atomic<int> received{0};
    long long sum = 0;
    w.onMessage = [&](UINT m, WPARAM wp, LPARAM, bool& handled) {
        handled = m == WM_TEST;
        if (handled) { ++received; sum += static_cast<long long>(wp); }
        return LRESULT(0);
    };
    constexpr int kThreads = 4, kEach = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([h] {
            for (int i = 1; i <= kEach; ++i) DuiLib::PostMessage(h, WM_TEST, static_cast<WPARAM>(i), 0);
        });
    for (auto& t : threads) t.join();
    ASSERT_TRUE(uitest::PumpUntil([&] { return received == kThreads * kEach; }));
    EXPECT_EQ(static_cast<long long>(kThreads) * kEach * (kEach + 1) / 2, sum);

    // A window that dies drops what was queued for it, freeing payloads; later posts fail.
    g_freed = 0;
    for (int i = 0; i < 3; ++i) DuiLib::PostMessage(h, WM_TEST, 0, reinterpret_cast<LPARAM>(new std::string("x")), FreePayload);
    DestroyWindow(h);
    EXPECT_EQ(3, g_freed.load());
    EXPECT_FALSE(DuiLib::PostMessage(h, WM_TEST, 0, reinterpret_cast<LPARAM>(new std::string("y")), FreePayload));
    EXPECT_EQ(4, g_freed.load());
    EXPECT_FALSE(DuiLib::PostMessage(nullptr, WM_TEST));
    // Handles are never reused.
    auto& w2 = Open();
    EXPECT_NE(h, w2.GetHWND());
}

TEST_F(WindowTest, RemovingTheClickedControlIsSafe) {
    auto& w = Open();
    auto* root = w.FindControlAs<CVerticalLayoutUI>("root");
    auto* btn = w.FindControlAs<CButtonUI>("btn");
    w.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender == btn) {
            root->Remove(btn);  // still alive until this dispatch is over
            EXPECT_EQ(nullptr, w.GetPaintManager().FindControl("btn"));
            EXPECT_GT(WindowRegistry::Instance().DeferredCount(), 0u);
        }
    };
    uitest::ClickControl(w.GetHWND(), btn);
    EXPECT_EQ(0u, WindowRegistry::Instance().DeferredCount());
    EXPECT_EQ(nullptr, w.GetPaintManager().FindControl("btn"));
}

TEST_F(WindowTest, TimersFireUntilKilled) {
    auto& w = Open();
    auto* lbl = w.FindControlAs<CLabelUI>("lbl");
    int ticks = 0;
    w.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_TIMER && msg.pSender == lbl && msg.wParam == 5 && ++ticks == 3)
            w.GetPaintManager().KillTimer(lbl, 5);
    };
    ASSERT_TRUE(w.GetPaintManager().SetTimer(lbl, 5, 10));
    ASSERT_TRUE(uitest::PumpUntil([&] { return ticks >= 3; }));
    auto until = SDL_GetTicks() + 60;
    while (SDL_GetTicks() < until) WindowRegistry::Instance().PumpOnce(10);
    EXPECT_EQ(3, ticks);
}

TEST_F(WindowTest, ListAndComboSelection) {
    auto& w = Open();
    auto* list = w.FindControlAs<CListUI>("list");
    auto* combo = w.FindControlAs<CComboUI>("combo");
    ASSERT_TRUE(list && combo);
    for (const char* t : {"a", "b", "c", "d"}) {
        auto* item = new CListLabelElementUI;
        item->SetText(t);
        list->Add(item);
        auto* ci = new CListLabelElementUI;
        ci->SetText(t);
        combo->Add(ci);
    }
    std::vector<std::pair<std::string, int>> events;
    int itemClicks = 0;
    w.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_ITEMSELECT) events.emplace_back(msg.pSender->GetName().Str(), static_cast<int>(msg.wParam));
        if (msg.sType == DUI_MSGTYPE_ITEMCLICK) ++itemClicks;
    };
    w.GetPaintManager().UpdateLayout();
    uitest::ClickControl(w.GetHWND(), list->GetItemAt(1));
    EXPECT_EQ(1, list->GetCurSel());
    EXPECT_EQ(1, itemClicks);
    uitest::Key(w.GetHWND(), SDLK_DOWN);
    EXPECT_EQ(2, list->GetCurSel());
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(std::make_pair(std::string("list"), 2), events.back());

    // The drop-down opens as a popup window and a choice closes it.
    uitest::ClickControl(w.GetHWND(), combo);
    ASSERT_TRUE(combo->IsDropped());
    auto popups = GetOwnedWindows(w.GetHWND());
    ASSERT_EQ(1u, popups.size());
    uitest::PushMove(popups[0], 10, 24 * 3 + 10);
    uitest::PushMouse(popups[0], 10, 24 * 3 + 10, true);
    uitest::PushMouse(popups[0], 10, 24 * 3 + 10, false);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !combo->IsDropped(); }));
    EXPECT_EQ(3, combo->GetCurSel());
    EXPECT_EQ("d", combo->GetText());
    EXPECT_EQ(std::make_pair(std::string("combo"), 3), events.back());

    // A press outside the popup's family dismisses it without a choice.
    uitest::ClickControl(w.GetHWND(), combo);
    ASSERT_TRUE(combo->IsDropped());
    uitest::Click(w.GetHWND(), 5, 230);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !combo->IsDropped(); }));
    EXPECT_EQ(3, combo->GetCurSel());
    combo->SelectItem(0, false, false);  // from code without notification
    EXPECT_EQ(std::make_pair(std::string("combo"), 3), events.back());
}

TEST_F(WindowTest, TreeNodesExpandCollapseAndIndent) {
    auto& w = Open();
    auto* list = w.FindControlAs<CListUI>("list");
    auto* root = w.FindControlAs<CVerticalLayoutUI>("root");
    auto* tree = new CTreeViewUI;
    tree->SetName("tree");
    root->Remove(list);
    root->Add(tree);
    auto* site = new CTreeNodeUI;
    site->SetItemText("site");
    auto* cam1 = new CTreeNodeUI;
    cam1->SetItemText("cam1");
    site->AddChildNode(cam1);  // before the parent joins a tree
    tree->Add(site);
    auto* other = new CTreeNodeUI;
    other->SetItemText("other");
    tree->Add(other);
    auto* cam2 = new CTreeNodeUI;
    cam2->SetItemText("cam2");
    site->AddChildNode(cam2);  // goes after cam1, before "other"
    ASSERT_EQ(4, tree->GetCount());
    EXPECT_EQ(site, tree->GetItemAt(0));
    EXPECT_EQ(cam1, tree->GetItemAt(1));
    EXPECT_EQ(cam2, tree->GetItemAt(2));
    EXPECT_EQ(other, tree->GetItemAt(3));
    EXPECT_EQ(2, site->GetCountChild());
    EXPECT_EQ(cam2, site->GetChildNode(1));
    EXPECT_EQ(1, cam1->GetTreeLevel());
    auto* icon = new CControlUI;
    icon->SetFixedWidth(28);
    ASSERT_TRUE(cam1->AddChildControl(icon, 3));
    EXPECT_EQ(icon, cam1->GetTreeNodeHoriznotal()->GetItemAt(3));
    site->SetExpanded(false);
    EXPECT_FALSE(cam1->IsVisible());
    EXPECT_TRUE(other->IsVisible());
    w.GetPaintManager().UpdateLayout();
    EXPECT_EQ(site->GetPos().bottom, other->GetPos().top);  // collapsed rows take no space
    site->SetExpanded(true);
    EXPECT_TRUE(cam2->IsVisible());
    std::string menuSender;
    w.onNotify = [&](TNotifyUI& msg) { if (msg.sType == DUI_MSGTYPE_MENU) menuSender = msg.pSender->GetText().Str(); };
    w.GetPaintManager().UpdateLayout();
    RECT rc = cam2->GetPos();
    uitest::PushMouse(w.GetHWND(), rc.right - 4, rc.top + 4, true, SDL_BUTTON_RIGHT);
    uitest::PushMouse(w.GetHWND(), rc.right - 4, rc.top + 4, false, SDL_BUTTON_RIGHT);
    uitest::Pump();
    EXPECT_EQ("cam2", menuSender);
    EXPECT_EQ(2, tree->GetCurSel());
}

TEST_F(WindowTest, PaintsBackgroundAndSendsInitOnce) {
    auto& w = Open();
    int inits = 0, afterPaints = 0;
    w.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_WINDOWINIT) ++inits;
        if (msg.sType == DUI_MSGTYPE_WINDOWAFTERPAINT) ++afterPaints;
    };
    w.GetPaintManager().FindControl("root")->SetBkColor(0xFF102030);
    uitest::Pump();
    w.GetPaintManager().Invalidate();
    uitest::Pump();
    EXPECT_EQ(0, inits);  // already sent before the handler was set
    EXPECT_GE(afterPaints, 1);
    EXPECT_EQ(0xFF102030u, uitest::PixelAt(w.GetPaintManager(), 300, 230));
}

}  // namespace

namespace {

class WindowTest2 : public WindowTest {};

TEST_F(WindowTest2, ClipboardCopyPasteAndPasswordRefusesCopy) {
    auto& w = Open();
    auto* e1 = w.FindControlAs<CEditUI>("e1");
    auto* e2 = w.FindControlAs<CEditUI>("e2");
    e1->SetFocus();
    uitest::Type(w.GetHWND(), "摄像机");
    uitest::Key(w.GetHWND(), SDLK_a, KMOD_LCTRL);
    uitest::Key(w.GetHWND(), SDLK_c, KMOD_LCTRL);
    char* clip = SDL_GetClipboardText();
    EXPECT_STREQ("摄像机", clip);  // UTF-8 on the clipboard
    SDL_free(clip);
    uitest::Key(w.GetHWND(), SDLK_END);
    uitest::Key(w.GetHWND(), SDLK_v, KMOD_LCTRL);
    EXPECT_EQ(12, e1->GetText().GetLength());  // six GBK characters
    e2->SetFocus();
    uitest::Type(w.GetHWND(), "secret");
    uitest::Key(w.GetHWND(), SDLK_a, KMOD_LCTRL);
    uitest::Key(w.GetHWND(), SDLK_c, KMOD_LCTRL);
    clip = SDL_GetClipboardText();
    EXPECT_STREQ("摄像机", clip);  // a password never reaches the clipboard
    SDL_free(clip);
}

TEST_F(WindowTest2, PopupClosesWhenTheFocusGoesToAnotherProgram) {
    auto& w = Open();
    auto* combo = w.FindControlAs<CComboUI>("combo");
    auto* item = new CListLabelElementUI;
    item->SetText("one");
    combo->Add(item);
    w.GetPaintManager().UpdateLayout();
    uitest::ClickControl(w.GetHWND(), combo);
    ASSERT_TRUE(combo->IsDropped());
    SDL_Event ev;
    SDL_zero(ev);
    ev.type = SDL_WINDOWEVENT;
    ev.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    ev.window.windowID = uitest::SdlId(w.GetHWND());
    SDL_PushEvent(&ev);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !combo->IsDropped(); }, 1000));
    EXPECT_EQ(-1, combo->GetCurSel());
}

TEST_F(WindowTest2, ServerTextsDrawAsPlainText) {
    auto& w = Open();
    auto* lbl = w.FindControlAs<CLabelUI>("lbl");
    lbl->SetText("{b}<b>\x01\x1b[31m");
    w.GetPaintManager().Paint();  // must not crash or interpret anything
    EXPECT_EQ("{b}<b>\x01\x1b[31m", lbl->GetText());  // the text itself is kept as given
    CRenderContext* ctx = w.GetPaintManager().GetRenderContext();
    TFontInfo fi = w.GetPaintManager().GetFontInfo(-1);
    // What is drawn is exactly the printable bytes.
    EXPECT_EQ(ctx->MeasureText("{b}<b>[31m", fi).cx,
              ctx->MeasureText(StripControlBytes(GbkToUtf8Lenient(lbl->GetText().Str()), false), fi).cx);
}

}  // namespace

namespace {

TEST_F(WindowTest2, TooltipAppearsAfterHoverAndGoesOnPress) {
    auto& w = Open();
    auto* btn = w.FindControlAs<CButtonUI>("btn");
    btn->SetToolTip("关闭全部视频");
    RECT rc = btn->GetPos();
    uitest::PushMove(w.GetHWND(), rc.left + 3, rc.top + 3);
    auto tooltip = [&]() -> HWND {
        for (HWND h : GetOwnedWindows(w.GetHWND()))
            if (auto* t = WindowRegistry::Instance().Lookup(h); t && std::string(t->GetWindowClassName()) == "DuiTooltip") return h;
        return nullptr;
    };
    ASSERT_TRUE(uitest::PumpUntil([&] { return tooltip() != nullptr; }, 2000));
    uitest::PushMouse(w.GetHWND(), rc.left + 3, rc.top + 3, true);
    uitest::PushMouse(w.GetHWND(), rc.left + 3, rc.top + 3, false);
    EXPECT_TRUE(uitest::PumpUntil([&] { return tooltip() == nullptr; }, 1000));
}

}  // namespace

namespace {

TEST_F(WindowTest2, IdleLoopSleepsAndAPostWakesIt) {
    // A hidden window with a pending paint must not keep the loop spinning.
    m_windows.push_back(std::make_unique<uitest::SkinWindow>("skin/", "form.xml"));
    ASSERT_TRUE(m_windows.back()->Create(nullptr, "hidden", UI_WNDSTYLE_DIALOG, 0));
    uitest::Pump();
    auto t0 = std::chrono::steady_clock::now();
    WindowRegistry::Instance().PumpOnce(120);
    auto idle = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(idle, std::chrono::milliseconds(100));
    // A post from another thread ends the wait early.
    HWND h = m_windows.back()->GetHWND();
    std::thread poster([h] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        DuiLib::PostMessage(h, WM_TEST);
    });
    t0 = std::chrono::steady_clock::now();
    WindowRegistry::Instance().PumpOnce(2000);
    auto woken = std::chrono::steady_clock::now() - t0;
    poster.join();
    EXPECT_LT(woken, std::chrono::milliseconds(1000));
}

}  // namespace

namespace {

TEST_F(WindowTest2, ControlRemovedByAFocusHandlerGetsNoFurtherInput) {
    auto& w = Open();
    auto* root = w.FindControlAs<CVerticalLayoutUI>("root");
    auto* e1 = w.FindControlAs<CEditUI>("e1");
    auto* e2 = w.FindControlAs<CEditUI>("e2");
    e1->SetFocus();
    w.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_KILLFOCUS && msg.pSender == e1) root->Remove(e2);
    };
    RECT rc = e2->GetPos();
    uitest::Click(w.GetHWND(), rc.left + 3, rc.top + 3);  // ASan reports any use after the free
    EXPECT_EQ(nullptr, w.GetPaintManager().FindControl("e2"));
    EXPECT_EQ(nullptr, w.GetPaintManager().GetFocus());
}

}  // namespace

namespace {

TEST_F(WindowTest2, EscapeClosesAnOpenDropDownBeforeTheWindow) {
    auto& w = Open();
    HWND h = w.GetHWND();
    auto* combo = w.FindControlAs<CComboUI>("combo");
    auto* item = new CListLabelElementUI;
    item->SetText("one");
    combo->Add(item);
    w.GetPaintManager().UpdateLayout();
    uitest::ClickControl(h, combo);
    ASSERT_TRUE(combo->IsDropped());
    uitest::Key(h, SDLK_ESCAPE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !combo->IsDropped(); }));
    EXPECT_TRUE(IsWindow(h));
    uitest::Key(h, SDLK_ESCAPE);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !IsWindow(h); }));
}

}  // namespace
