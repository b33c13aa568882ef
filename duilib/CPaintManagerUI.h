// One window's control tree, drawing and input; delegates to small helpers.
#pragma once

#include "CControlUI.h"
#include "CDuiString.h"
#include "ControlNameMap.h"
#include "ControlTimers.h"
#include "FontManager.h"
#include "InputRouter.h"
#include "RenderContext.h"
#include "UIEvent.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace DuiLib {

class CControlUI;
class COptionUI;
class CTooltipWnd;

// Thread: UI (all of it). Owns the root control; borrowed by the controls of its tree.
class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // --- process
    static void SetInstance(void* instance);
    static CDuiString GetInstancePath();  // program folder with a trailing '/'
    static void SetInstancePath(const char* path);
    static CDuiString GetResourcePath();
    static void SetResourcePath(const char* path);
    static bool EnsureVideo();  // SDL video, image and font set-up; idempotent
    static void MessageLoop();
    static void Term();
    static void DeferFree(std::unique_ptr<CControlUI> control);

    // --- window
    void Init(HWND hwnd);
    HWND GetPaintWindow() const { return m_hWnd; }
    SIZE GetInitSize() const { return m_szInit; }
    void SetInitSize(int cx, int cy) { m_szInit = SIZE{cx, cy}; }
    SIZE GetMinInfo() const { return m_szMin; }
    void SetMinInfo(int cx, int cy) { m_szMin = SIZE{cx, cy}; }
    SIZE GetMaxInfo() const { return m_szMax; }
    void SetMaxInfo(int cx, int cy) { m_szMax = SIZE{cx, cy}; }
    RECT GetSizeBox() const { return m_rcSizeBox; }
    void SetSizeBox(const RECT& rc) { m_rcSizeBox = rc; }
    RECT GetCaptionRect() const { return m_rcCaption; }
    void SetCaptionRect(const RECT& rc) { m_rcCaption = rc; }

    // --- tree
    bool AttachDialog(CControlUI* root);  // takes ownership
    CControlUI* GetRoot() const { return m_root.get(); }
    void ReleaseRoot();                   // the tree is freed after the current dispatch
    CControlUI* FindControl(const char* name) const;
    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindSubControlByName(CControlUI* parent, const char* name) const;
    // Typed lookup: null (reported once per name) when missing or of another type.
    template <class T> T* FindControlAs(const char* name) const {
        CControlUI* c = FindControl(name);
        T* t = dynamic_cast<T*>(c);
        if (!t) ReportLookupFailure(name, c ? c->GetClass() : nullptr, typeid(T).name());
        return t;
    }
    void RegisterName(CControlUI* control);
    void UnregisterName(CControlUI* control);
    void ForgetControl(CControlUI* control);  // control and its subtree leave this window
    void AddOptionGroup(const CDuiString& group, COptionUI* option);
    void RemoveOptionGroup(const CDuiString& group, COptionUI* option);
    std::vector<COptionUI*> GetOptionGroup(const CDuiString& group) const;

    // --- notifications and filters (borrowed; must outlive the manager or be removed)
    void AddNotifier(INotifyUI* notifier);
    void RemoveNotifier(INotifyUI* notifier);
    void AddMessageFilter(IMessageFilterUI* filter);
    void RemoveMessageFilter(IMessageFilterUI* filter);
    void SendNotify(CControlUI* control, const char* type, WPARAM wParam = 0, LPARAM lParam = 0, const POINT* pt = nullptr);

    // --- timers, focus, layout
    bool SetTimer(CControlUI* control, UINT id, UINT elapseMs);
    bool KillTimer(CControlUI* control, UINT id);
    void KillTimer(CControlUI* control);
    CControlUI* GetFocus() const { return m_input.GetFocus(); }
    void SetFocus(CControlUI* control);
    bool SetNextTabControl(bool forward = true) { return m_input.SetNextTabControl(forward); }
    void Invalidate();
    void NeedUpdate();
    void UpdateLayout();

    // --- looks
    void AddFont(int id, const TFontInfo& info, bool isDefault);
    TFontInfo GetFontInfo(int id) const;
    DWORD GetDefaultTextColor() const { return m_dwDefaultTextColor; }
    void SetDefaultTextColor(DWORD c) { m_dwDefaultTextColor = c; }
    DWORD GetWindowBkColor() const { return m_dwWindowBk; }
    void SetWindowBkColor(DWORD c) { m_dwWindowBk = c; }
    void AddDefaultAttributeList(const char* className, const char* list);
    const char* GetDefaultAttributeList(const char* className) const;
    void ReportUnknownAttribute(const char* className, const char* name);
    const std::vector<std::string>& GetUnknownAttributes() const { return m_unknownAttrs; }

    // --- drawing and input
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    void Paint();  // lays out, draws into the render context and presents
    CRenderContext* GetRenderContext() { return &m_ctx; }
    int PaintCount() const { return m_paintCount; }

private:
    void ReportLookupFailure(const char* name, const char* actualClass, const char* wanted) const;
    static bool IsWindowAlive(HWND hwnd);
    void Present();
    void SaveShot();
    void SaveLayout();
    void TrackTooltip(UINT uMsg);
    void ShowTooltip();

    HWND m_hWnd = nullptr;
    std::unique_ptr<CControlUI> m_root;
    ControlNameMap m_names;
    ControlTimers m_timers;
    InputRouter m_input;
    CRenderContext m_ctx;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_filters;
    std::map<int, TFontInfo> m_fonts;
    TFontInfo m_defaultFont;
    std::map<std::string, std::string> m_defaultAttrs;
    std::vector<std::string> m_unknownAttrs;
    mutable std::vector<std::string> m_reportedLookups;
    SIZE m_szInit{}, m_szMin{}, m_szMax{};
    RECT m_rcSizeBox{}, m_rcCaption{};
    DWORD m_dwDefaultTextColor = 0xFFEBEBEB;
    DWORD m_dwWindowBk = 0xFF15191E;
    bool m_layoutNeeded = true;
    bool m_firstPaint = true;
    int m_paintCount = 0;
    std::string m_lastLayout;  // what SaveLayout wrote last
    SIZE m_lastSize{};
    std::unique_ptr<CTooltipWnd> m_tooltip;
    CControlUI* m_tooltipFor = nullptr;  // hovered control whose tooltip is pending or shown
};

}  // namespace DuiLib
