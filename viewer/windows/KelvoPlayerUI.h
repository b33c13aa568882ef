// The skin control ("KelvoPlayer") that holds the video wall: the wall
// draws its views into this control's rectangle of the window, except while
// it is full screen. Hiding the control hides the wall's toolbar.
// Thread: UI.
#pragma once

#include <memory>

#include "KelvoPlayer.h"
#include "WallSurfaceUI.h"

namespace kelvo {

class KelvoPlayerUI : public WallSurfaceUI {
public:
    KelvoPlayerUI();
    ~KelvoPlayerUI() override;
    const char* GetClass() const override { return "KelvoPlayer"; }
    KelvoPlayer& Wall() { return *m_wall; }
    // Makes the wall's renderer and session; `window` gets its repaint posts
    // and owns its toolbar.
    bool StartWall(DuiLib::HWND window);

    // Refreshes the views' state words and figures every 500 ms.
    static constexpr DuiLib::UINT kTileTimer = 0x7B01;
    void DoInit() override;
    void DoEvent(DuiLib::TEventUI& event) override;

    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;

private:
    std::unique_ptr<KelvoPlayer> m_wall;
};

}  // namespace kelvo
