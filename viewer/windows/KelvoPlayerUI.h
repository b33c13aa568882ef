// The skin control ("KelvoPlayer") that holds the video wall: the wall
// draws its views into this control's rectangle of the window.
// Thread: UI.
#pragma once

#include <CControlUI.h>

#include <memory>

#include "KelvoPlayer.h"

namespace kelvo {

class KelvoPlayerUI : public DuiLib::CControlUI {
public:
    KelvoPlayerUI();
    const char* GetClass() const override { return "KelvoPlayer"; }
    KelvoPlayer& Wall() { return *m_wall; }
    // Makes the wall's renderer and session; `window` gets its repaint posts.
    bool StartWall(DuiLib::HWND window) { return m_wall->Start(window); }

    void DoPaint(DuiLib::CRenderContext& ctx, const DuiLib::RECT& paint) override;
    void DoEvent(DuiLib::TEventUI& event) override;
    bool WantsMouse() const override { return true; }

private:
    std::unique_ptr<KelvoPlayer> m_wall;
};

}  // namespace kelvo
