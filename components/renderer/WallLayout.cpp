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
    // Pane 0 is the large pane; the others fill the cells it leaves, row by
    // row: first the rows beside it, then the full rows below it.
    if (index == 0) {
        *col = 0;
        *row = 0;
        return;
    }
    const int k = index - 1;
    const int beside = m_cols - m_spanAcross;
    if (k < m_spanDown * beside) {
        *row = k / beside;
        *col = m_spanAcross + k % beside;
    } else {
        const int below = k - m_spanDown * beside;
        *row = m_spanDown + below / m_cols;
        *col = below % m_cols;
    }
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

int WallLayout::IndexOfCell(int col, int row) const
{
    if (col < m_spanAcross && row < m_spanDown)
        return 0;
    const int beside = m_cols - m_spanAcross;
    if (row < m_spanDown)
        return 1 + row * beside + (col - m_spanAcross);
    return 1 + m_spanDown * beside + (row - m_spanDown) * m_cols + col;
}

int WallLayout::HitTest(int x, int y) const
{
    // Cell along each axis; a point in a gap hits nothing, except inside the
    // large pane, which covers the gaps between its own cells.
    auto cellAt = [](int v, int origin, int length, int cells) {
        for (int i = 0; i < cells; ++i) {
            int start = 0;
            int size = 0;
            Span(origin, length, cells, i, 1, &start, &size);
            if (v < start)
                return -1;
            if (v < start + size)
                return i;
        }
        return -1;
    };
    const SDL_Point p{x, y};
    const SDL_Rect big = PaneRect(0);
    if (SDL_PointInRect(&p, &big))
        return 0;
    const int col = cellAt(x, m_region.x, m_region.w, m_cols);
    const int row = cellAt(y, m_region.y, m_region.h, m_rows);
    if (col < 0 || row < 0)
        return -1;
    const int index = IndexOfCell(col, row);
    return index == 0 ? -1 : index;
}

}  // namespace kelvo
