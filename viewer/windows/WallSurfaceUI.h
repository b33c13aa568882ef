// A control that draws the video wall's views into its rectangle and hands
// mouse input to the renderer. The wall draws into one surface at a time:
// the main window's control, or the full-screen window's while full screen.
// Thread: UI.
#pragma once

#include <CControlUI.h>

struct SDL_Renderer;

namespace kelvo {

class KelvoPlayer;

class WallSurfaceUI : public DuiLib::CControlUI {
public:
    // `fullScreen`: whether this surface is the full-screen window's.
    WallSurfaceUI(KelvoPlayer* wall, bool fullScreen) : m_surfaceWall(wall), m_fullScreen(fullScreen) {}

    void DoPaint(DuiLib::CRenderContext& ctx, const DuiLib::RECT& paint) override;
    void DoEvent(DuiLib::TEventUI& event) override;
    bool WantsMouse() const override { return true; }

protected:
    bool Active() const;

    KelvoPlayer* m_surfaceWall;  // borrowed; outlives the control
    bool m_fullScreen;

private:
    // The window's drawing context is rebuilt when its size changes, and its
    // renderer takes the wall's textures with it: noticed by its size.
    SDL_Renderer* m_lastRenderer = nullptr;
    int m_lastWidth = 0, m_lastHeight = 0;
    float m_lastScale = 0;
};

}  // namespace kelvo
