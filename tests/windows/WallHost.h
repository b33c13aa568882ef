// A window standing in for the main window around the video wall: it holds
// the wall's skin control, forwards WM_WALL_UPDATE to the wall as the main
// window does, and records the toolbar's clicks.
#pragma once

#include "../duilib/UiTestSupport.h"
#include "KelvoPlayerUI.h"
#include "PlayToolBar.h"
#include "TempSkin.h"
#include "ViewerMessages.h"

#include <string>
#include <vector>

namespace wintest {

struct ToolBarClick {
    std::string name;
    bool selectedBefore = false;
    kelvo::PlayToolBar* toolbar = nullptr;
};

class WallHost : public DuiLib::WindowImplBase, public kelvo::PlayToolBarCallBack {
public:
    ~WallHost() override {
        if (GetHWND()) DuiLib::DestroyWindow(GetHWND());
        DuiLib::WindowRegistry::Instance().FlushDeferred();
    }
    bool Open() {
        if (!Create(nullptr, "host", DuiLib::UI_WNDSTYLE_DIALOG, 0, 40, 30, 640, 480)) return false;
        ShowWindow(true, true);
        uitest::Pump();
        return player != nullptr;
    }
    kelvo::KelvoPlayer& Wall() { return player->Wall(); }
    const char* GetWindowClassName() const override { return "WallHost"; }

    void OnToolBarNotify(kelvo::PlayToolBar* toolbar, DuiLib::TNotifyUI& msg) override {
        auto* option = dynamic_cast<DuiLib::COptionUI*>(msg.pSender);
        clicks.push_back({msg.pSender->GetName().Str(), option && option->IsSelected(), toolbar});
    }

    kelvo::KelvoPlayerUI* player = nullptr;  // owned by the control tree
    std::vector<ToolBarClick> clicks;

protected:
    DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
    DuiLib::CDuiString GetSkinFile() override { return m_skin.Path().c_str(); }
    DuiLib::CControlUI* CreateControl(const char* cls) override {
        if (std::string(cls) != "KelvoPlayer") return nullptr;
        auto ui = std::make_unique<kelvo::KelvoPlayerUI>();
        if (!ui->StartWall(GetHWND())) return nullptr;
        ui->Wall().SetToolBarCallBack(this);
        player = ui.get();
        return ui.release();
    }
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT m, DuiLib::WPARAM w, DuiLib::LPARAM, bool& handled) override {
        handled = m == WM_WALL_UPDATE;
        if (handled && player) player->Wall().UpdateToolBar(static_cast<int>(w));
        return handled ? 1 : 0;
    }
    DuiLib::LRESULT OnDestroy(DuiLib::UINT u, DuiLib::WPARAM w, DuiLib::LPARAM l, bool& handled) override {
        player = nullptr;
        return WindowImplBase::OnDestroy(u, w, l, handled);
    }

private:
    TempSkin m_skin{"wallHost",
                    "<Window size=\"640,480\"><VerticalLayout><KelvoPlayer name=\"wall\"/></VerticalLayout></Window>"};
};

}  // namespace wintest
