#include "KelvoPlayerUI.h"

#include <RenderContext.h>
#include <SDL.h>

namespace kelvo {

KelvoPlayerUI::KelvoPlayerUI() : m_wall(std::make_unique<KelvoPlayer>()) {}

void KelvoPlayerUI::DoPaint(DuiLib::CRenderContext& ctx, const DuiLib::RECT& paint) {
    CControlUI::DoPaint(ctx, paint);
    SDL_Renderer* renderer = ctx.Renderer();
    if (!renderer) return;
    VideoRenderer& r = m_wall->Renderer();
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
}

void KelvoPlayerUI::DoEvent(DuiLib::TEventUI& event) {
    VideoRenderer& r = m_wall->Renderer();
    const int x = event.ptMouse.x, y = event.ptMouse.y;
    switch (event.Type) {
    case DuiLib::UIEVENT_MOUSEMOVE: r.HandleMouse(x, y, MouseAction::MOVE, 0); Invalidate(); return;
    case DuiLib::UIEVENT_MOUSELEAVE: r.HandleMouse(x, y, MouseAction::LEAVE, 0); Invalidate(); return;
    case DuiLib::UIEVENT_BUTTONDOWN: r.HandleMouse(x, y, MouseAction::LEFT_DOWN, 0); Invalidate(); return;
    case DuiLib::UIEVENT_RBUTTONDOWN: r.HandleMouse(x, y, MouseAction::RIGHT_DOWN, 0); Invalidate(); return;
    case DuiLib::UIEVENT_DBLCLICK: r.HandleMouse(x, y, MouseAction::DOUBLE_CLICK, 0); Invalidate(); return;
    default: CControlUI::DoEvent(event);
    }
}

}  // namespace kelvo
