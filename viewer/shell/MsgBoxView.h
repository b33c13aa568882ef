// The program's message box: "labelInfo", "labelTitle", "btnOK" (1), "btnCanel" (2).
#pragma once

#include <UIlib.h>

namespace kelvo {

// Thread: UI. Lives on its opener's stack for one modal run; never deletes itself.
class MsgBoxView : public DuiLib::WindowImplBase {
public:
    DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;

protected:
    const char* GetWindowClassName() const override { return "msgForm"; }
    DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
    DuiLib::CDuiString GetSkinFile() override { return "msgForm.xml"; }
    void OnClick(DuiLib::TNotifyUI& msg) override;
};

}  // namespace kelvo
