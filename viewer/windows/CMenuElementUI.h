// One menu item (skin class "MenuElement"); "MenuElement" children make it open a submenu.
#pragma once

#include <UIlib.h>

#include <memory>
#include <vector>

namespace DuiLib {

// Thread: UI. Owned by its menu list. While its submenu is open, its sub-items live in the
// submenu's list and come back when the submenu window is destroyed.
class CMenuElementUI : public CListContainerElementUI {
public:
    CMenuElementUI();
    const char* GetClass() const override { return "MenuElement"; }

    void DoInit() override;
    SIZE EstimateSize(SIZE available) override;
    void DoEvent(TEventUI& event) override;
    void PaintText(CRenderContext& ctx) override;

    bool HasSubItems() const;
    bool IsSubMenuOpen() const;
    // Opens this item's submenu unless it is open; fromKeyboard also gives it a selected item.
    void OpenSubMenu(bool fromKeyboard);
    // A leaf reports its name to every open menu (they all close); an item with sub-items opens
    // its submenu instead. The item's window may be gone afterwards.
    void Choose(bool fromKeyboard);

    // --- for the submenu window
    std::vector<std::unique_ptr<CControlUI>> TakeSubItems();
    void ReturnSubItems(std::vector<std::unique_ptr<CControlUI>> items);

private:
    HWND m_subMenu = nullptr;  // the open submenu's window (handles are never reused)
};

}  // namespace DuiLib
