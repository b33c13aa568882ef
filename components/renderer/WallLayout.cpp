#include "WallLayout.h"

#include <algorithm>

namespace kelvo {

WallLayout::WallLayout() : m_cols(1), m_rows(1), m_spanAcross(1), m_spanDown(1), m_region{0, 0, 0, 0} {}

bool WallLayout::Set(int cols, int rows, int spanAcross, int spanDown)
{
    if (cols < 1 || cols > kMaxSide || rows < 1 || rows > kMaxSide)
        return false;
    m_cols = cols;
    m_rows = rows;
    m_spanAcross = std::clamp(spanAcross, 1, cols);
    m_spanDown = std::clamp(spanDown, 1, rows);
    return true;
}

void WallLayout::SetRegion(const SDL_Rect& region)
{
    m_region = region;
    m_region.w = std::max(0, m_region.w);
    m_region.h = std::max(0, m_region.h);
}

int WallLayout::PaneCount() const
{
    return m_cols * m_rows - m_spanAcross * m_spanDown + 1;
}

void WallLayout::Span(int origin, int length, int cells, int first, int count, int* start, int* size)
{
    // The gaps come off first; the rest is shared so that cell widths differ
    // by at most one pixel and the last cell ends exactly at the far edge.
    const int usable = std::max(0, length - (cells - 1) * kGap);
    const int begin = origin + usable * first / cells + first * kGap;
    const int last = first + count - 1;
    const int end = origin + usable * (last + 1) / cells + last * kGap;
    *start = begin;
    *size = std::max(0, end - begin);
}

void WallLayout::CellOf(int index, int* col, int* row) const
{
    // Pane 0 is the large pane; the others fill the cells it leaves, row by row.
    if (index == 0) {
        *col = 0;
        *row = 0;
        return;
    }
    int n = 0;
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c) {
            if (c < m_spanAcross && r < m_spanDown)
                continue;
            if (++n == index) {
                *col = c;
                *row = r;
                return;
            }
        }
    }
    *col = -1;
    *row = -1;
}

SDL_Rect WallLayout::PaneRect(int index) const
{
    SDL_Rect rect{0, 0, 0, 0};
    if (index < 0 || index >= PaneCount())
        return rect;
    int col = 0;
    int row = 0;
    CellOf(index, &col, &row);
    const int across = index == 0 ? m_spanAcross : 1;
    const int down = index == 0 ? m_spanDown : 1;
    Span(m_region.x, m_region.w, m_cols, col, across, &rect.x, &rect.w);
    Span(m_region.y, m_region.h, m_rows, row, down, &rect.y, &rect.h);
    return rect;
}

int WallLayout::HitTest(int x, int y) const
{
    const SDL_Point p{x, y};
    // At most 81 panes; a scan is simpler than inverting the rounding.
    for (int i = 0, n = PaneCount(); i < n; ++i) {
        const SDL_Rect r = PaneRect(i);
        if (SDL_PointInRect(&p, &r))
            return i;
    }
    return -1;
}

}  // namespace kelvo
