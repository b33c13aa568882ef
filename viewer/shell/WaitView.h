// The wait overlay laid over a window while a request runs: a spinner and "txtInfo".
#pragma once

#include <UIlib.h>

namespace kelvo {

// Thread: UI. Embedded by value in CommonWindow; its native window comes and goes.
class WaitView : public DuiLib::WindowImplBase {
public:
    DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;
    void SetText(const char* text);
    DuiLib::CLabelUI* GetInfoLabel() const { return m_txtInfo; }

protected:
    const char* GetWindowClassName() const override { return "waitForm"; }
    DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
    DuiLib::CDuiString GetSkinFile() override { return "waitForm.xml"; }
    void InitWindow() override;
    bool ResponseDefaultKeyEvent(DuiLib::WPARAM wParam) override;
    DuiLib::LRESULT OnDestroy(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& bHandled) override;

private:
    DuiLib::CLabelUI* m_txtInfo = nullptr;  // in the current tree; null without a window
};

}  // namespace kelvo
