// An opener standing in for the main window: a skinned CommonWindow that records the layout
// and menu messages it receives, the way the main window reads them.
#pragma once

#include "../duilib/UiTestSupport.h"
#include "CMenuWnd.h"
#include "CommonWindow.h"
#include "ViewerMessages.h"

#include <functional>
#include <string>
#include <vector>

namespace wintest {

struct MenuCommand {
    std::string name;
    std::string key;
    std::string title;
};

class Opener : public kelvo::CommonWindow {
public:
    const char* GetWindowClassName() const override { return "TestOpener"; }
    std::vector<MenuCommand> commands;
    std::vector<std::pair<DuiLib::WPARAM, DuiLib::LPARAM>> styles;
    // Runs inside WM_MENU_COMMAND after recording; default: close the menu as the main window does.
    std::function<void(DuiLib::CMenuWnd*)> onCommand = [](DuiLib::CMenuWnd* m) { m->Close(1); };

    bool Open() { return Create(nullptr, "opener", DuiLib::UI_WNDSTYLE_DIALOG, 0, 100, 80, 420, 300) != nullptr; }

protected:
    DuiLib::CDuiString GetSkinFile() override { return "waitForm.xml"; }
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT m, DuiLib::WPARAM w, DuiLib::LPARAM l, bool& handled) override {
        if (m == WM_MENU_COMMAND) {
            auto* menu = reinterpret_cast<DuiLib::CMenuWnd*>(l);
            commands.push_back({reinterpret_cast<const DuiLib::CDuiString*>(w)->Str(), menu->GetMenuKey().Str(),
                                menu->GetMenuTitle().Str()});
            if (onCommand) onCommand(menu);
            handled = true;
            return 0;
        }
        if (m == WM_MPU_STYLE) {
            styles.emplace_back(w, l);
            handled = true;
            return 0;
        }
        return CommonWindow::HandleCustomMessage(m, w, l, handled);
    }
};

inline bool Gone(DuiLib::HWND h) { return !DuiLib::IsWindow(h); }

}  // namespace wintest
