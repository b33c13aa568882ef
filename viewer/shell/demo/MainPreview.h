// A stand-in main window for screenshots: the real skin with a sample device tree and an empty wall.
#pragma once

#include "CommonWindow.h"

namespace demo {

class MainPreview : public kelvo::CommonWindow {
public:
    const char* GetWindowClassName() const override { return "KelvoMainForm"; }
    DuiLib::CControlUI* CreateControl(const char* pstrClass) override;

protected:
    DuiLib::CDuiString GetSkinFile() override { return "MainForm.xml"; }
    void InitWindow() override;
};

}  // namespace demo
