// Base of every control: geometry, state, attributes, painting and events.
#pragma once

#include "CDuiString.h"
#include "UIEvent.h"

#include <functional>
#include <string>

namespace DuiLib {

class CPaintManagerUI;
class CRenderContext;
class CContainerUI;

// Thread: UI. Owned by its parent container (or by the paint manager as root). Destructors never
// touch the manager: removed controls may outlive it in the deferred-free list.
class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual const char* GetClass() const { return "Control"; }

    const CDuiString& GetName() const { return m_sName; }
    void SetName(const char* name);
    virtual CDuiString GetText() const { return m_sText; }
    // Setting text from code never raises "textchanged".
    virtual void SetText(const char* text);
    CDuiString GetToolTip() const { return m_sToolTip; }
    void SetToolTip(const char* text) { m_sToolTip = text; }
    const CDuiString& GetUserData() const { return m_sUserData; }
    void SetUserData(const char* data) { m_sUserData = data; }
    UINT_PTR GetTag() const { return m_tag; }
    void SetTag(UINT_PTR tag) { m_tag = tag; }

    CPaintManagerUI* GetManager() const { return m_pManager; }
    CControlUI* GetParent() const { return m_pParent; }
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    virtual void DoInit() {}

    // Geometry.
    const RECT& GetPos() const { return m_rcItem; }
    virtual void SetPos(RECT rc, bool needInvalidate = true);
    const RECT& GetPadding() const { return m_rcPadding; }
    void SetPadding(RECT rc);
    int GetFixedWidth() const { return m_cxyFixed.cx; }
    int GetFixedHeight() const { return m_cxyFixed.cy; }
    void SetFixedWidth(int cx);
    void SetFixedHeight(int cy);
    int GetMinWidth() const { return m_cxyMin.cx; }
    int GetMaxWidth() const { return m_cxyMax.cx; }
    int GetMinHeight() const { return m_cxyMin.cy; }
    int GetMaxHeight() const { return m_cxyMax.cy; }
    bool IsFloat() const { return m_bFloat; }
    void SetFloat(bool f);
    const RECT& GetFloatPos() const { return m_rcFloat; }  // relative to the parent's top-left
    virtual SIZE EstimateSize(SIZE available);

    // State.
    virtual bool IsVisible() const { return m_bVisible && m_bInternVisible; }
    virtual bool IsVisibleSelf() const { return m_bVisible; }
    virtual void SetVisible(bool visible = true);
    virtual void SetInternVisible(bool visible = true);
    virtual bool IsEnabled() const { return m_bEnabled; }
    virtual void SetEnabled(bool enabled = true);
    bool IsMouseEnabled() const { return m_bMouseEnabled; }
    void SetMouseEnabled(bool e) { m_bMouseEnabled = e; }
    bool IsKeyboardEnabled() const { return m_bKeyboardEnabled; }
    void SetKeyboardEnabled(bool e) { m_bKeyboardEnabled = e; }
    virtual bool IsTabStop() const { return false; }   // takes focus through Tab and clicks
    virtual bool WantsMouse() const { return false; }  // keeps window dragging off it
    bool IsFocused() const { return m_bFocused; }
    virtual void SetFocus();
    bool Activate() const;  // visible and enabled along the whole parent chain
    UINT GetButtonState() const { return m_uButtonState; }

    // Looks.
    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetBkColor(DWORD c) { m_dwBackColor = c; Invalidate(); }
    const CDuiString& GetBkImage() const { return m_sBkImage; }
    void SetBkImage(const char* image) { m_sBkImage = image; Invalidate(); }
    DWORD GetBorderColor() const { return m_dwBorderColor; }
    void SetBorderColor(DWORD c) { m_dwBorderColor = c; Invalidate(); }
    void SetBorderSize(int n) { m_nBorderSize = n; Invalidate(); }

    // Attributes: SetAttribute applies one; ApplyAttribute says whether the name is known.
    void SetAttribute(const char* name, const char* value);
    void ApplyAttributeList(const char* list);
    virtual bool ApplyAttribute(const std::string& name, const std::string& value);

    void Invalidate();
    void NeedUpdate();        // relayout this control's parent
    void NeedParentUpdate();
    bool IsUpdateNeeded() const { return m_bUpdateNeeded; }

    // Topmost visible control at pt that takes the mouse (this or a descendant), or null.
    virtual CControlUI* FindControlAt(POINT pt);
    // Calls fn for this control and every descendant, parents first.
    template <class Fn> void ForEach(Fn&& fn) { ForEachImpl([&](CControlUI* c) { fn(c); }); }
    virtual void ForEachImpl(const std::function<void(CControlUI*)>& fn) { fn(this); }

    virtual void DoEvent(TEventUI& event);
    virtual void DoPaint(CRenderContext& ctx, const RECT& rcPaint);
    virtual void PaintBkColor(CRenderContext& ctx);
    virtual void PaintBkImage(CRenderContext& ctx);
    virtual void PaintStatusImage(CRenderContext& ctx) { (void)ctx; }
    virtual void PaintText(CRenderContext& ctx) { (void)ctx; }
    virtual void PaintBorder(CRenderContext& ctx);
    // The control's own layers under its border (background, images, text).
    void PaintOwnLayers(CRenderContext& ctx);

protected:
    bool DrawImage(CRenderContext& ctx, const CDuiString& attr, const RECT* rc = nullptr);
    void Notify(const char* type, WPARAM wParam = 0, LPARAM lParam = 0);

    CPaintManagerUI* m_pManager = nullptr;  // borrowed
    CControlUI* m_pParent = nullptr;        // borrowed
    CDuiString m_sName, m_sText, m_sToolTip, m_sUserData;
    UINT_PTR m_tag = 0;
    RECT m_rcItem{}, m_rcPadding{}, m_rcFloat{};
    SIZE m_cxyFixed{}, m_cxyMin{}, m_cxyMax{9999, 9999};
    bool m_bFloat = false;
    bool m_bVisible = true, m_bInternVisible = true, m_bEnabled = true;
    bool m_bMouseEnabled = true, m_bKeyboardEnabled = true, m_bFocused = false;
    bool m_bUpdateNeeded = true;
    UINT m_uButtonState = 0;
    DWORD m_dwBackColor = 0, m_dwBorderColor = 0, m_dwFocusBorderColor = 0;
    int m_nBorderSize = 0;
    CDuiString m_sBkImage;
};

bool ParseBool(const std::string& v);

}  // namespace DuiLib
