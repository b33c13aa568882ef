// The record broadcast among open menu windows.
#pragma once

#include <UIlib.h>

namespace DuiLib {

enum ContextMenuKind : WPARAM {
    // An item was chosen (name set) or the menus were dismissed (name empty): every menu
    // reports to its owner and closes.
    kMenuCloseAll = 1,
    // Close the menus that hang below hWnd (its submenus and theirs).
    kMenuCloseBelow = 2,
};

struct ContextMenuParam {
    WPARAM wParam = kMenuCloseAll;  // a ContextMenuKind
    HWND hWnd = nullptr;
    CDuiString name;
};

}  // namespace DuiLib
