// The drop-down popup of a combo box.
#pragma once

#include "CPaintManagerUI.h"
#include "CWindowWnd.h"

namespace DuiLib {

class CComboUI;

// Thread: UI. Owned by its combo; closes itself on a choice, Escape or dismissal.
class CComboWnd : public CWindowWnd, public INotifyUI {
public:
    explicit CComboWnd(CComboUI* owner) : m_owner(owner) {}
    ~CComboWnd() override;
    void Open();
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    CPaintManagerUI& GetPaintManager() { return m_pm; }
    void ItemChosen(int index);
    void Detach() { m_owner = nullptr; }
    const char* GetWindowClassName() const override { return "ComboWnd"; }

private:
    CComboUI* m_owner;  // borrowed; the combo destroys this window before it goes
    CPaintManagerUI m_pm;
};

}  // namespace DuiLib
