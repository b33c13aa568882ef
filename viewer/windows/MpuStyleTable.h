// The custom wall layouts offered by the layout chooser: button name, style id and grid.
#pragma once

#include <cstddef>

namespace kelvo {

struct MpuStyle {
    const char* button;  // skin name of the chooser's button
    int id;              // style id posted with WM_MPU_STYLE
    int columns;
    int rows;
    int span;            // the first pane covers span x span cells
};

// All 22 styles in the chooser's order.
const MpuStyle* MpuStyles(std::size_t& count);
// Exact, case-sensitive match on the button name; null when none.
const MpuStyle* FindMpuStyleByButton(const char* name);
// Null for an id outside the table (the wall then keeps its layout).
const MpuStyle* FindMpuStyleById(int id);

}  // namespace kelvo
