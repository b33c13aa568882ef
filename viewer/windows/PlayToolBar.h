// The floating toolbar over the selected view of the video wall: a pop-up
// tool window from "playControler.xml" that never takes the focus when shown.
// Clicks go to the main window's callback; Escape, Alt+F4 and focus going
// elsewhere hide it (it is never closed by the user, only hidden).
// Thread: UI (all of it).
#pragma once

#include <UIlib.h>

#include "ToolBarState.h"

namespace kelvo {

class PlayToolBar;

class PlayToolBarCallBack {
public:
    virtual ~PlayToolBarCallBack() = default;
    // Thread: UI. `msg` is the toolkit's click notification; msg.pSender->GetName() is the button;
    // option buttons report their state from before the click (COptionUI::IsSelected()).
    virtual void OnToolBarNotify(PlayToolBar* toolbar, DuiLib::TNotifyUI& msg) = 0;
};

class PlayToolBar : public DuiLib::WindowImplBase {
public:
    PlayToolBar() = default;
    ~PlayToolBar() override;

    // A hidden pop-up owned by `owner` (may be null). False when the window
    // or its skin cannot be made.
    bool CreateBar(DuiLib::HWND owner);
    // Borrowed; null stops reporting.
    void SetCallBack(PlayToolBarCallBack* cb) { m_callback = cb; }

    // Moves the bar when the rectangle (screen coordinates) changed.
    void Place(const DuiLib::RECT& screen);
    const DuiLib::RECT& Placed() const { return m_placed; }
    // Sets the buttons when their states changed.
    void Apply(const ToolBarButtons& buttons);
    void ShowBar();  // without taking the focus
    void HideBar();
    bool IsShown() const;

    const char* GetWindowClassName() const override { return "playControler"; }
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
    DuiLib::CDuiString GetSkinFile() override { return "playControler.xml"; }
    bool ResponseDefaultKeyEvent(DuiLib::WPARAM wParam) override;
    DuiLib::LRESULT OnSysKeyDown(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                 bool& bHandled) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                        bool& bHandled) override;

private:
    void SetButton(const char* name, const ButtonState& state);

    PlayToolBarCallBack* m_callback = nullptr;
    DuiLib::RECT m_placed{};
    ToolBarButtons m_applied;
    bool m_anyApplied = false;
};

}  // namespace kelvo
