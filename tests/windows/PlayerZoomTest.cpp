// Digital zoom on the record window's player control, headless: the wheel,
// drags, Ctrl+double-click and the switch, read from the window's pixels.
#include "../duilib/UiTestSupport.h"
#include "TempSkin.h"
#include "VideoPlayerUI.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace DuiLib;

namespace {

constexpr int kW = 320;
constexpr int kH = 240;

// Always shows the same picture: the left half dark, the right half light.
class StillPlayer : public kelvo::RecordPlayer {
public:
    bool Open(const std::string&) override { return true; }
    bool Play() override { return true; }
    void Pause() override {}
    void Resume() override {}
    void Seek(double) override {}
    double GetCurrentDuration() const override { return 0; }
    bool WaitCompletion(int) override { return true; }
    void Stop() override {}
    void Close() override {}
    uint64_t PictureCount() const override { return 1; }
    bool CopyPicture(kelvo::PlayerPicture* out) const override {
        out->width = kW;
        out->height = kH;
        out->bytes.assign(kW * kH * 3 / 2, 128);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) out->bytes[y * kW + x] = x < kW / 2 ? 40 : 200;
        out->sequence = 1;
        return true;
    }
};

std::shared_ptr<kelvo::RecordPlayer> MakeStill(SDL_Window*) { return std::make_shared<StillPlayer>(); }

class PlayerHost : public WindowImplBase {
public:
    ~PlayerHost() override {
        if (GetHWND()) DestroyWindow(GetHWND());
        WindowRegistry::Instance().FlushDeferred();
    }
    const char* GetWindowClassName() const override { return "PlayerHost"; }
    kelvo::VideoPlayerUI* player = nullptr;  // owned by the control tree

protected:
    CDuiString GetSkinFolder() override { return "skin/"; }
    CDuiString GetSkinFile() override { return m_skin.Path().c_str(); }
    CControlUI* CreateControl(const char* cls) override {
        if (std::string(cls) != "VideoPlayer") return nullptr;
        auto ui = std::make_unique<kelvo::VideoPlayerUI>();
        ui->UsePlayer(MakeStill(nullptr), &MakeStill);
        player = ui.get();
        return ui.release();
    }

private:
    wintest::TempSkin m_skin{
        "playerHost", "<Window size=\"400,300\"><VerticalLayout><VideoPlayer name=\"player\"/></VerticalLayout></Window>"};
};

class PlayerZoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(uitest::InitToolkit(uitest::BuildBinFolder()));
        ASSERT_TRUE(host.Create(nullptr, "host", UI_WNDSTYLE_DIALOG, 0, 40, 30, 400, 300));
        host.ShowWindow(true, true);
        uitest::Pump();
        ASSERT_NE(nullptr, host.player);
        rc = host.player->GetPos();
        midY = (rc.top + rc.bottom) / 2;
    }
    void TearDown() override { WindowRegistry::Instance().ResetQuit(); }

    HWND Hwnd() { return host.GetHWND(); }
    // Where the dark half ends along the middle row, after a fresh paint.
    int Boundary() {
        const int before = host.GetPaintManager().PaintCount();
        host.player->Invalidate();
        EXPECT_TRUE(uitest::PumpUntil([&] { return host.GetPaintManager().PaintCount() > before; }));
        for (int x = rc.left + 2; x < rc.right - 2; ++x)
            if (((uitest::PixelAt(host.GetPaintManager(), x, midY) >> 16) & 0xFF) > 100) return x;
        return -1;
    }
    // Dark pixels in the top-right corner, where the factor's badge goes (the picture is light there).
    int DarkInCorner() {
        int dark = 0;
        for (int y = rc.top + 4; y < rc.top + 34; ++y)
            for (int x = rc.right - 60; x < rc.right - 4; ++x)
                dark += ((uitest::PixelAt(host.GetPaintManager(), x, y) >> 16) & 0xFF) < 100 ? 1 : 0;
        return dark;
    }
    void Wheel(int x, int y, int notches) {
        uitest::PushMove(Hwnd(), x, y);
        SDL_Event ev;
        SDL_zero(ev);
        ev.type = SDL_MOUSEWHEEL;
        ev.wheel.windowID = uitest::SdlId(Hwnd());
        for (int i = 0; i < std::abs(notches); ++i) {
            ev.wheel.y = notches > 0 ? 1 : -1;
            SDL_PushEvent(&ev);
        }
        uitest::Pump();
    }

    PlayerHost host;
    RECT rc;
    int midY = 0;
};

}  // namespace

TEST_F(PlayerZoomTest, WheelZoomsAroundTheCursorDragPansCtrlDoubleClickResets) {
    const int whole = Boundary();
    ASSERT_GT(whole, rc.left + 10);
    EXPECT_EQ(DarkInCorner(), 0);
    const int cx = (rc.left + rc.right) / 2;
    // The picture's middle, a quarter of the picture right of the cursor, moves to twice that at 2x.
    const int cursor = whole - rc.Width() / 8;
    Wheel(cursor, midY, 4);
    EXPECT_DOUBLE_EQ(host.player->ZoomFactor(), 2.0);
    const int zoomed = Boundary();
    EXPECT_NEAR(zoomed, cursor + 2 * (whole - cursor), 2);
    EXPECT_GT(DarkInCorner(), 100) << "no badge";

    // A click pans nothing; a drag does.
    uitest::Click(Hwnd(), cx, midY);
    EXPECT_EQ(Boundary(), zoomed);
    uitest::PushMove(Hwnd(), cx, midY);
    uitest::PushMouse(Hwnd(), cx, midY, true);
    uitest::PushMove(Hwnd(), cx - 25, midY);
    uitest::PushMouse(Hwnd(), cx - 25, midY, false);
    uitest::Pump();
    EXPECT_NEAR(Boundary(), zoomed - 25, 2);

    // Ctrl+double-click: the whole picture again.
    SDL_SetModState(KMOD_LCTRL);
    uitest::PushMouse(Hwnd(), cx, midY, true, SDL_BUTTON_LEFT, 2);
    uitest::PushMouse(Hwnd(), cx, midY, false, SDL_BUTTON_LEFT, 2);
    uitest::Pump();
    SDL_SetModState(KMOD_NONE);
    EXPECT_DOUBLE_EQ(host.player->ZoomFactor(), 1.0);
    EXPECT_EQ(Boundary(), whole);
}

TEST_F(PlayerZoomTest, SwitchedOffTheWheelZoomsNothingAndAZoomIsUndone) {
    Wheel((rc.left + rc.right) / 2, midY, 3);
    EXPECT_GT(host.player->ZoomFactor(), 1.0);
    host.player->SetZoomEnabled(false);
    EXPECT_DOUBLE_EQ(host.player->ZoomFactor(), 1.0);
    Wheel((rc.left + rc.right) / 2, midY, 3);
    EXPECT_DOUBLE_EQ(host.player->ZoomFactor(), 1.0);
    host.player->SetZoomEnabled(true);
    Wheel((rc.left + rc.right) / 2, midY, 4);
    EXPECT_DOUBLE_EQ(host.player->ZoomFactor(), 2.0);
}
