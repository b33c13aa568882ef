// The list of a menu window (skin class "Menu").
#pragma once

#include <UIlib.h>

namespace DuiLib {

class CMenuElementUI;

// Thread: UI. Owned by its menu window's paint manager.
class CMenuUI : public CListUI {
public:
    CMenuUI();
    const char* GetClass() const override { return "Menu"; }

    // Only visible items count: width of the widest, height of all together (plus the inset).
    SIZE EstimateSize(SIZE available) override;
    // Up/Down/Home/End move the selection; Right opens a submenu; Left closes this submenu;
    // Enter/Space choose the selected item.
    void DoEvent(TEventUI& event) override;

    // Submenus look like the menu they open from.
    void CopyLooks(const CMenuUI& from);
    CMenuElementUI* GetCurItem() const;
    void SelectFirstItem();
};

}  // namespace DuiLib
