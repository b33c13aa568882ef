#include "KelvoPlayerUI.h"

namespace kelvo {

KelvoPlayerUI::KelvoPlayerUI() : WallSurfaceUI(nullptr, false), m_wall(std::make_unique<KelvoPlayer>()) {
    m_surfaceWall = m_wall.get();
    m_wall->SetRepaint([this] { Invalidate(); });
}

KelvoPlayerUI::~KelvoPlayerUI() {
    // The wall outlives no control: nothing may call back into this one.
    m_wall->SetRepaint(nullptr);
}

void KelvoPlayerUI::DoInit() {
    WallSurfaceUI::DoInit();
    if (m_pManager) m_pManager->SetTimer(this, kTileTimer, 500);
}

void KelvoPlayerUI::DoEvent(DuiLib::TEventUI& event) {
    if (event.Type == DuiLib::UIEVENT_TIMER && event.wParam == kTileTimer) {
        m_wall->RefreshTiles();
        return;
    }
    WallSurfaceUI::DoEvent(event);
}

bool KelvoPlayerUI::StartWall(DuiLib::HWND window) { return m_wall->Start(window); }

void KelvoPlayerUI::SetVisible(bool visible) {
    WallSurfaceUI::SetVisible(visible);
    if (!visible) m_wall->HideToolBar();
}

void KelvoPlayerUI::SetInternVisible(bool visible) {
    WallSurfaceUI::SetInternVisible(visible);
    if (!visible) m_wall->HideToolBar();
}

}  // namespace kelvo
