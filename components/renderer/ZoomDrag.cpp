#include "ZoomDrag.h"

#include <cstdlib>

namespace kelvo {

void ZoomDrag::Press(int x, int y)
{
    m_pressed = true;
    m_panning = false;
    m_x = x;
    m_y = y;
}

bool ZoomDrag::Move(int x, int y, int* dx, int* dy)
{
    if (!m_pressed)
        return false;
    if (!m_panning && std::abs(x - m_x) < kSlop && std::abs(y - m_y) < kSlop)
        return false;
    m_panning = true;
    *dx = x - m_x;
    *dy = y - m_y;
    m_x = x;
    m_y = y;
    return *dx != 0 || *dy != 0;
}

void ZoomDrag::Release()
{
    m_pressed = false;
    m_panning = false;
}

}  // namespace kelvo
