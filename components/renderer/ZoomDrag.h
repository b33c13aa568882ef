#pragma once

namespace kelvo {

// A left-button drag that pans a zoomed picture. A press that moves less
// than kSlop pixels either way stays a click; past that every move pans.
// Pure. Thread: the owner's (UI).
class ZoomDrag {
public:
    static constexpr int kSlop = 3;

    void Press(int x, int y);
    // The distance to pan by since the last pan; false (nothing to pan)
    // while the button is up or the press is still a click.
    bool Move(int x, int y, int* dx, int* dy);
    void Release();
    bool Pressed() const { return m_pressed; }

private:
    bool m_pressed = false;
    bool m_panning = false;
    int m_x = 0;
    int m_y = 0;
};

}  // namespace kelvo
