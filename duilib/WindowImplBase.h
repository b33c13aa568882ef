// A skinned window: builds its tree from a skin file and routes notifications and keys.
#pragma once

#include "CDialogBuilder.h"
#include "CPaintManagerUI.h"
#include "CWindowWnd.h"

namespace DuiLib {

// Dispatches notifications; subclasses override Notify and call the base for default handling.
class CNotifyPump {
public:
    virtual ~CNotifyPump() = default;
};

// Thread: UI. Does not delete itself: OnFinalMessage does nothing here.
class WindowImplBase : public CWindowWnd, public CNotifyPump, public INotifyUI, public IMessageFilterUI,
                       public IDialogBuilderCallback {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override;

    CPaintManagerUI& GetPaintManager() { return m_pm; }
    template <class T> T* FindControlAs(const char* name) const { return m_pm.FindControlAs<T>(name); }

    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const char* pstrClass) override;

protected:
    virtual CDuiString GetSkinFolder() = 0;
    virtual CDuiString GetSkinFile() = 0;
    virtual UILIB_RESOURCETYPE GetResourceType() const { return UILIB_FILE; }
    virtual void InitWindow() {}
    virtual void OnClick(TNotifyUI& msg);
    // Enter (VK_RETURN) and Escape (VK_ESCAPE): true when handled. Default: Escape closes.
    virtual bool ResponseDefaultKeyEvent(WPARAM wParam);
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    // bHandled arrives true: returning without clearing it cancels the close.
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSysKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    void OnFinalMessage(HWND hWnd) override;
    int HitTest(POINT pt);

    CPaintManagerUI m_pm;
};

}  // namespace DuiLib
