// The layout chooser: what each button posts, how it ends, where it sits and what it draws.
#include "WindowsTestSupport.h"

#include "MpuSelectView.h"
#include "MpuStyleTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace DuiLib;
using wintest::Gone;

namespace {

// Colours of the diagrams drawn by scripts/make-icons.py.
constexpr Uint32 kCell = 0x4A5663;
constexpr Uint32 kLarge = 0x4C9BE8;

bool Near(Uint32 argb, Uint32 rgb) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int a = static_cast<int>((argb >> shift) & 0xFF), b = static_cast<int>((rgb >> shift) & 0xFF);
        if (std::abs(a - b) > 6) return false;
    }
    return true;
}

class MpuSelectViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
        ASSERT_TRUE(m_owner.Open());
        m_owner.ShowWindow(true, false);
        uitest::Pump();
    }
    void TearDown() override {
        DestroyWindow(m_owner.GetHWND());
        uitest::Pump();
    }
    HWND OpenChooser(int x = 300, int y = 36) {
        HWND h = kelvo::MpuSelectView::Open(m_owner.GetHWND(), x, y);
        uitest::PumpUntil([&] { auto* pm = shelltestManager(h); return pm && pm->PaintCount() > 0; });
        return h;
    }
    static CPaintManagerUI* shelltestManager(HWND h) {
        auto* w = dynamic_cast<WindowImplBase*>(WindowRegistry::Instance().Lookup(h));
        return w ? &w->GetPaintManager() : nullptr;
    }
    wintest::Opener m_owner;
};

TEST_F(MpuSelectViewTest, TableMapsNamesExactly) {
    std::size_t n = 0;
    const kelvo::MpuStyle* all = kelvo::MpuStyles(n);
    ASSERT_EQ(22u, n);
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(&all[i], kelvo::FindMpuStyleByButton(all[i].button));
        EXPECT_EQ(&all[i], kelvo::FindMpuStyleById(all[i].id));
        EXPECT_LT(all[i].span, std::min(all[i].columns, all[i].rows)) << all[i].id;
    }
    EXPECT_EQ(nullptr, kelvo::FindMpuStyleByButton("BTN_STYLE_6"));
    EXPECT_EQ(nullptr, kelvo::FindMpuStyleByButton("btn_style_9 "));
    EXPECT_EQ(nullptr, kelvo::FindMpuStyleById(3009));
}

TEST_F(MpuSelectViewTest, EachButtonPostsExactlyItsStyleAndCloses) {
    const std::pair<const char*, int> expected[] = {
        {"btn_style_6", 3006}, {"btn_style_8", 3008}, {"btn_style_9", 3011}, {"btn_style_10", 3010},
        {"btn_style_12", 3012}, {"btn_style_12_avr", 3013}, {"btn_style_16", 3016}, {"btn_style_17", 3017},
        {"btn_style_17_avr", 3018}, {"btn_style_20", 3020}, {"btn_style_25", 3025}, {"btn_style_30", 3030},
        {"btn_style_34", 3034}, {"btn_style_34_avr", 3035}, {"btn_style_36", 3036}, {"btn_style_42", 3042},
        {"btn_style_48", 3048}, {"btn_style_49", 3049}, {"btn_style_49_avr", 3050}, {"btn_style_56", 3056},
        {"btn_style_63", 3063}, {"btn_style_64", 3064},
    };
    for (const auto& e : expected) {
        m_owner.styles.clear();
        HWND h = OpenChooser();
        ASSERT_NE(nullptr, h);
        auto* button = shelltestManager(h)->FindControlAs<CButtonUI>(e.first);
        ASSERT_NE(nullptr, button) << e.first;
        uitest::ClickControl(h, button);
        ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); })) << e.first;
        uitest::Pump();
        ASSERT_EQ(1u, m_owner.styles.size()) << e.first;
        EXPECT_EQ(static_cast<WPARAM>(e.second), m_owner.styles[0].first) << e.first;
        EXPECT_EQ(0, m_owner.styles[0].second);
    }
}

TEST_F(MpuSelectViewTest, ClickOnAnythingElseClosesWithoutAStyle) {
    HWND h = OpenChooser();
    ASSERT_NE(nullptr, h);
    CPaintManagerUI* pm = shelltestManager(h);
    pm->SendNotify(pm->FindControl("labelTitle"), DUI_MSGTYPE_CLICK);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    uitest::Pump();
    EXPECT_TRUE(m_owner.styles.empty());
}

TEST_F(MpuSelectViewTest, PressOutsideClosesWithoutAStyle) {
    HWND h = OpenChooser();
    ASSERT_NE(nullptr, h);
    uitest::Click(m_owner.GetHWND(), 10, 10);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    uitest::Pump();
    EXPECT_TRUE(m_owner.styles.empty());
    EXPECT_TRUE(IsWindow(m_owner.GetHWND()));
}

TEST_F(MpuSelectViewTest, OpensAtTheOwnersClientPointWithTheSkinSize) {
    HWND h = OpenChooser(250, 40);
    ASSERT_NE(nullptr, h);
    RECT owner, rc;
    ASSERT_TRUE(GetWindowRect(m_owner.GetHWND(), owner));
    ASSERT_TRUE(GetWindowRect(h, rc));
    EXPECT_EQ(owner.left + 250, rc.left);
    EXPECT_EQ(owner.top + 40, rc.top);
    SIZE init = shelltestManager(h)->GetInitSize();
    ASSERT_GT(init.cx, 0);
    EXPECT_EQ(init.cx, rc.Width());
    EXPECT_EQ(init.cy, rc.Height());
    DestroyWindow(h);
}

TEST_F(MpuSelectViewTest, AStyleForADeadOwnerIsDropped) {
    wintest::Opener gone;
    ASSERT_TRUE(gone.Open());
    HWND h = kelvo::MpuSelectView::Open(gone.GetHWND(), 0, 0);
    ASSERT_NE(nullptr, h);
    uitest::Pump();
    DestroyWindow(gone.GetHWND());
    CPaintManagerUI* pm = shelltestManager(h);
    uitest::ClickControl(h, pm->FindControl("btn_style_6"));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Gone(h); }));
    EXPECT_TRUE(gone.styles.empty());
}

// Runs of `color` along a line of pixels.
int Runs(CPaintManagerUI& pm, int x0, int y0, int dx, int dy, int n, Uint32 color) {
    int runs = 0;
    bool in = false;
    for (int i = 0; i < n; ++i) {
        bool hit = Near(uitest::PixelAt(pm, x0 + i * dx, y0 + i * dy), color);
        if (hit && !in) ++runs;
        in = hit;
    }
    return runs;
}

TEST_F(MpuSelectViewTest, EachButtonDrawsItsGridAndLargePane) {
    HWND h = OpenChooser();
    ASSERT_NE(nullptr, h);
    CPaintManagerUI& pm = *shelltestManager(h);
    std::size_t n = 0;
    const kelvo::MpuStyle* all = kelvo::MpuStyles(n);
    for (std::size_t i = 0; i < n; ++i) {
        const kelvo::MpuStyle& s = all[i];
        CControlUI* button = pm.FindControl(s.button);
        ASSERT_NE(nullptr, button) << s.button;
        // The diagram is the box of pane-coloured pixels inside the button.
        const RECT& b = button->GetPos();
        RECT d{b.right, b.bottom, b.left, b.top}, large{b.right, b.bottom, b.left, b.top};
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x) {
                Uint32 p = uitest::PixelAt(pm, x, y);
                bool isLarge = Near(p, kLarge);
                if (!isLarge && !Near(p, kCell)) continue;
                d = RECT{std::min(d.left, x), std::min(d.top, y), std::max(d.right, x + 1), std::max(d.bottom, y + 1)};
                if (isLarge)
                    large = RECT{std::min(large.left, x), std::min(large.top, y), std::max(large.right, x + 1),
                                 std::max(large.bottom, y + 1)};
            }
        ASSERT_GT(d.Width(), 20) << s.button;
        // The bottom row and the right column cross every column and row.
        EXPECT_EQ(s.columns, Runs(pm, d.left, d.bottom - 1, 1, 0, d.Width(), kCell)) << s.button;
        EXPECT_EQ(s.rows, Runs(pm, d.right - 1, d.top, 0, 1, d.Height(), kCell)) << s.button;
        if (s.span > 1) {
            // The large pane: span x span cells at the top left, and the rest of the top row beside it.
            EXPECT_EQ(d.left, large.left) << s.button;
            EXPECT_EQ(d.top, large.top) << s.button;
            EXPECT_NEAR(d.Width() * s.span / s.columns, large.Width(), 1) << s.button;
            EXPECT_NEAR(d.Height() * s.span / s.rows, large.Height(), 1) << s.button;
            EXPECT_EQ(s.columns - s.span, Runs(pm, d.left, d.top, 1, 0, d.Width(), kCell)) << s.button;
            EXPECT_EQ(s.rows - s.span, Runs(pm, d.left, d.top, 0, 1, d.Height(), kCell)) << s.button;
        } else {
            EXPECT_TRUE(large.IsEmpty()) << s.button << ": equal panes draw no large one";
            EXPECT_EQ(s.columns, Runs(pm, d.left, d.top, 1, 0, d.Width(), kCell)) << s.button;
        }
    }
    DestroyWindow(h);
}

}  // namespace
