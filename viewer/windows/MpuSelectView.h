// The layout chooser: a borderless popup with one button per custom wall layout.
#pragma once

#include "CommonWindow.h"

namespace kelvo {

// Thread: UI. Self-deleting: the object deletes itself in OnFinalMessage once its window is
// destroyed (after any click on it or when it loses the focus); nobody keeps a pointer to it.
class MpuSelectView final : public CommonWindow {
public:
    // Opens the chooser with its top-left corner at (x, y) of `owner`'s client area and gives it
    // the keyboard focus. A click on a layout button posts WM_MPU_STYLE (wParam = style id,
    // lParam = 0) to `owner`. Returns the chooser's window, or null when it could not be made.
    static DuiLib::HWND Open(DuiLib::HWND owner, int x, int y);

    const char* GetWindowClassName() const override { return "MpuCustomDlg"; }

protected:
    DuiLib::CDuiString GetSkinFile() override { return "MpuCustomDlg.xml"; }
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                        bool& bHandled) override;
    void OnFinalMessage(DuiLib::HWND hWnd) override;

private:
    MpuSelectView(DuiLib::HWND owner, int x, int y) : m_owner(owner), m_x(x), m_y(y) {}
    DuiLib::LRESULT OnKillFocus();

    DuiLib::HWND m_owner;  // receives WM_MPU_STYLE; may be gone by then (the post is dropped)
    int m_x;               // screen position of the top-left corner
    int m_y;
    bool m_selfOwned = false;  // set once the window exists; until then Open owns the object
};

}  // namespace kelvo
