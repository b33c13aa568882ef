#include "WallSurfaceUI.h"

#include <RenderContext.h>
#include <SDL.h>

#include "KelvoPlayer.h"

namespace kelvo {

bool WallSurfaceUI::Active() const { return m_surfaceWall && m_surfaceWall->IsFullScreen() == m_fullScreen; }

void WallSurfaceUI::DoPaint(DuiLib::CRenderContext& ctx, const DuiLib::RECT& paint) {
    CControlUI::DoPaint(ctx, paint);
    SDL_Renderer* renderer = ctx.Renderer();
    // The other surface draws meanwhile: taking the renderer here would make
    // the two surfaces rebuild every texture on each paint.
    if (!renderer || !Active()) {
        if (renderer) ctx.FillRect(m_rcItem, 0xFF000000);
        return;
    }
    VideoRenderer& r = m_surfaceWall->Renderer();
    if (m_lastRenderer && r.SurfaceHandle() == m_lastRenderer &&
        (ctx.Width() != m_lastWidth || ctx.Height() != m_lastHeight || ctx.Scale() != m_lastScale))
        r.AbandonSurface();
    m_lastRenderer = renderer;
    m_lastWidth = ctx.Width();
    m_lastHeight = ctx.Height();
    m_lastScale = ctx.Scale();
    const DuiLib::RECT& rc = m_rcItem;
    const float s = ctx.Scale();
    const int x = static_cast<int>(rc.left * s), y = static_cast<int>(rc.top * s);
    const int w = static_cast<int>(rc.Width() * s), h = static_cast<int>(rc.Height() * s);
    if (r.SurfaceHandle() != renderer)
        r.Start(x, y, w, h, renderer);
    else
        r.MoveSurface(x, y, w, h);
    r.Draw();
    SDL_RenderFlush(renderer);
    m_surfaceWall->OnPainted();
}

void WallSurfaceUI::DoEvent(DuiLib::TEventUI& event) {
    if (!Active()) {
        CControlUI::DoEvent(event);
        return;
    }
    VideoRenderer& r = m_surfaceWall->Renderer();
    const int x = event.ptMouse.x, y = event.ptMouse.y;
    switch (event.Type) {
    case DuiLib::UIEVENT_MOUSEMOVE: r.HandleMouse(x, y, MouseAction::MOVE, 0); break;
    case DuiLib::UIEVENT_MOUSELEAVE: r.HandleMouse(x, y, MouseAction::LEAVE, 0); break;
    case DuiLib::UIEVENT_BUTTONDOWN:
        m_surfaceWall->OnInput();
        r.HandleMouse(x, y, MouseAction::LEFT_DOWN, 0);
        break;
    case DuiLib::UIEVENT_BUTTONUP: r.HandleMouse(x, y, MouseAction::LEFT_UP, 0); break;
    case DuiLib::UIEVENT_RBUTTONDOWN: r.HandleMouse(x, y, MouseAction::RIGHT_DOWN, 0); break;
    case DuiLib::UIEVENT_SCROLLWHEEL:
        if (!r.ZoomEnabled()) {
            CControlUI::DoEvent(event);
            return;
        }
        m_surfaceWall->OnInput();
        r.HandleMouse(x, y, MouseAction::WHEEL, static_cast<int>(static_cast<DuiLib::LPARAM>(event.wParam)));
        break;
    case DuiLib::UIEVENT_DBLCLICK:
        r.HandleMouse(x, y, MouseAction::DOUBLE_CLICK, 0);
        // Ctrl+double-click belongs to the zoom: it resets, it never leaves or enters full screen.
        if ((event.wKeyState & DuiLib::MK_CONTROL) && r.ZoomEnabled())
            r.ResetZoomAt(x, y);
        else
            m_surfaceWall->RequestFullScreenToggle();
        break;
    default: CControlUI::DoEvent(event); return;
    }
    Invalidate();
}

}  // namespace kelvo
