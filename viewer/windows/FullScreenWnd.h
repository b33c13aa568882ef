// The borderless window that covers one display while the video wall is
// full screen: its whole client area is the wall's drawing surface. Escape
// and a double click ask the wall to leave full screen; the toggle runs from
// a message posted to this window, never inside the input dispatch that
// asked for it (leaving destroys this window).
// Thread: UI. Owned by the wall; its native window may come and go.
#pragma once

#include <UIlib.h>

namespace kelvo {

class KelvoPlayer;

class FullScreenWnd : public DuiLib::CWindowWnd {
public:
    explicit FullScreenWnd(KelvoPlayer* wall) : m_wall(wall) {}
    ~FullScreenWnd() override;

    // Creates and shows the window over `bounds` (screen coordinates).
    bool Open(DuiLib::HWND owner, int x, int y, int w, int h);
    void Shut();
    // Posts the toggle to this window. False when the window is gone.
    bool PostToggle();

    const char* GetWindowClassName() const override { return "KelvoPlayer"; }
    DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;
    DuiLib::CPaintManagerUI& GetPaintManager() { return m_pm; }

private:
    KelvoPlayer* m_wall;  // borrowed: the owner
    DuiLib::CPaintManagerUI m_pm;
};

}  // namespace kelvo
