#include "UIDefs.h"

#include <algorithm>

namespace DuiLib {

RECT MakeRect(int l, int t, int r, int b) {
    RECT rc;
    rc.left = l; rc.top = t; rc.right = r; rc.bottom = b;
    return rc;
}

bool IntersectRect(RECT& out, const RECT& a, const RECT& b) {
    out.left = std::max(a.left, b.left);
    out.top = std::max(a.top, b.top);
    out.right = std::min(a.right, b.right);
    out.bottom = std::min(a.bottom, b.bottom);
    if (out.IsEmpty()) {
        out = RECT{};
        return false;
    }
    return true;
}

}  // namespace DuiLib
