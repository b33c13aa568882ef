// Stacks children top to bottom; fixed heights first, the rest shared by the others.
#pragma once

#include "CContainerUI.h"

namespace DuiLib {

class CVerticalLayoutUI : public CContainerUI {
public:
    const char* GetClass() const override { return "VerticalLayout"; }
protected:
    void LayoutChildren(const RECT& content) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    const char* GetClass() const override { return "HorizontalLayout"; }
protected:
    void LayoutChildren(const RECT& content) override;
};

// Splits `total` among children along one axis: returns each child's extent (padding excluded).
// fixed[i] > 0 is kept; 0 shares what is left, clamped to [minv, maxv].
std::vector<int> DistributeExtent(int total, const std::vector<int>& fixed, const std::vector<int>& minv,
                                  const std::vector<int>& maxv, const std::vector<int>& pad, int childPadding);

}  // namespace DuiLib
