#pragma once
#include <SDL.h>

namespace kelvo {

// Pane geometry of the wall: a grid of cols x rows cells separated by kGap
// pixels, whose first pane may span spanAcross x spanDown cells at the
// top-left; the remaining cells are panes in row order. Pure value type.
// Thread: not shared; each user owns its copy.
class WallLayout {
public:
    static constexpr int kGap = 2;
    static constexpr int kMaxSide = 9;  // the layout chooser offers 9 x 7

    WallLayout();

    // Rejects (false, layout unchanged) a column or row count outside
    // 1..kMaxSide; spans are clamped into 1..cols and 1..rows, since they come
    // from a settings file that may hold 0.
    bool Set(int cols, int rows, int spanAcross, int spanDown);
    void SetRegion(const SDL_Rect& region);

    int Columns() const { return m_cols; }
    int Rows() const { return m_rows; }
    int SpanAcross() const { return m_spanAcross; }
    int SpanDown() const { return m_spanDown; }
    const SDL_Rect& Region() const { return m_region; }

    int PaneCount() const;
    // Rectangle of pane `index` in the region's coordinates; empty when out of range.
    SDL_Rect PaneRect(int index) const;
    // Pane under the point, -1 for a gap or outside the region.
    int HitTest(int x, int y) const;

private:
    // Left edge and width of cells [first, first + count) along one axis.
    static void Span(int origin, int length, int cells, int first, int count, int* start, int* size);
    // Grid cell (col, row) of pane `index`, and back.
    void CellOf(int index, int* col, int* row) const;
    int IndexOfCell(int col, int row) const;

    int m_cols;
    int m_rows;
    int m_spanAcross;
    int m_spanDown;
    SDL_Rect m_region;
};

}  // namespace kelvo
