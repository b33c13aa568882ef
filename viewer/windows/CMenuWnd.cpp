#include "CMenuWnd.h"

#include "CMenuBuilderCallback.h"
#include "CMenuElementUI.h"
#include "CMenuUI.h"
#include "ViewerMessages.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace DuiLib {

ObserverImpl<int, ContextMenuParam>& CMenuWnd::Observer() {
    static ObserverImpl<int, ContextMenuParam> observer;
    return observer;
}

bool CMenuWnd::IsMenuWindow(HWND hwnd) {
    if (!hwnd) return false;
    for (auto* r : Observer().Receivers()) {
        auto* menu = dynamic_cast<CMenuWnd*>(r);
        if (menu && menu->GetHWND() == hwnd) return true;
    }
    return false;
}

CMenuWnd::CMenuWnd(HWND owner) : m_owner(owner) {}

CMenuWnd::~CMenuWnd() { Observer().RemoveReceiver(this); }

bool CMenuWnd::Init(CMenuElementUI* ownerItem, const char* xml, POINT point) {
    m_ownerItem = ownerItem;
    m_xml = xml;
    m_point = point;
    Observer().AddReceiver(this);
    HWND parent = m_owner;
    if (ownerItem && ownerItem->GetManager()) parent = ownerItem->GetManager()->GetPaintWindow();
    HWND self = Create(parent, "", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, point.x, point.y, 0, 0);
    if (!self) {
        Observer().RemoveReceiver(this);
        return false;
    }
    m_selfOwned = true;
    ShowWindow(true, true);
    // The opener's caption stays active while its menu is up.
    HWND top = self;
    while (HWND up = GetWindowOwner(top)) top = up;
    if (top != self) DuiLib::SendMessage(top, WM_NCACTIVATE, TRUE, 0);
    return true;
}

LRESULT CMenuWnd::OnCreate() {
    m_pm.Init(GetHWND());
    if (!(m_ownerItem ? BuildSubMenu() : BuildRootMenu())) return -1;
    m_pm.SetFocus(m_menu);  // keys go to the list
    return 0;
}

bool CMenuWnd::BuildRootMenu() {
    CDialogBuilder builder;
    CMenuBuilderCallback callback;
    CControlUI* root = builder.Create(m_xml.GetData(), nullptr, &callback, &m_pm);
    if (!root || !m_pm.AttachDialog(root)) return false;
    root = m_pm.GetRoot();
    root->ForEach([&](CControlUI* c) {
        if (!m_menu) m_menu = dynamic_cast<CMenuUI*>(c);
    });
    if (!m_menu) {
        std::fprintf(stderr, "menu: %s holds no Menu\n", m_xml.GetData());
        return false;
    }
    RECT work = GetWorkArea(GetHWND());
    SIZE sz = root->EstimateSize(SIZE{work.Width(), work.Height()});
    if (root != m_menu && (sz.cx <= 0 || sz.cy <= 0)) sz = m_menu->EstimateSize(SIZE{work.Width(), work.Height()});
    sz.cx = std::min(sz.cx, work.Width());
    sz.cy = std::min(sz.cy, work.Height());
    // Placed at the point as given: the opener chose it.
    MoveWindow(GetHWND(), m_point.x, m_point.y, sz.cx, sz.cy);
    return true;
}

bool CMenuWnd::BuildSubMenu() {
    CPaintManagerUI* parentPm = m_ownerItem->GetManager();
    if (!parentPm) return false;
    auto menu = std::make_unique<CMenuUI>();
    if (auto* parentMenu = dynamic_cast<CMenuUI*>(m_ownerItem->GetOwner())) menu->CopyLooks(*parentMenu);
    m_pm.SetDefaultTextColor(parentPm->GetDefaultTextColor());
    m_pm.SetWindowBkColor(parentPm->GetWindowBkColor());
    m_pm.AddFont(-1, parentPm->GetFontInfo(-1), true);
    for (auto& item : m_ownerItem->TakeSubItems()) menu->Add(item.release());
    m_menu = menu.get();
    m_pm.AttachDialog(menu.release());

    RECT work = GetWorkArea(GetHWND());
    SIZE sz = m_menu->EstimateSize(SIZE{work.Width(), work.Height()});
    sz.cx = std::min(sz.cx, work.Width());
    sz.cy = std::min(sz.cy, work.Height());
    RECT parentRc;
    GetWindowRect(parentPm->GetPaintWindow(), parentRc);
    const RECT& item = m_ownerItem->GetPos();
    int x = parentRc.left + item.right;
    int y = parentRc.top + item.top;
    // Beside the item, flipped to its left or moved up where it would leave the work area.
    if (x + sz.cx > work.right) x = parentRc.left + item.left - sz.cx;
    x = std::max(x, work.left);
    if (y + sz.cy > work.bottom) y = work.bottom - sz.cy;
    y = std::max(y, work.top);
    MoveWindow(GetHWND(), x, y, sz.cx, sz.cy);
    return true;
}

void CMenuWnd::FocusFirstItem() {
    if (!m_menu) return;
    m_pm.SetFocus(m_menu);
    m_menu->SelectFirstItem();
    ShowWindow(true, true);
}

int CMenuWnd::Receive(ContextMenuParam param) {
    HWND self = GetHWND();
    if (!self || m_closing) return 0;
    if (param.wParam == kMenuCloseAll) {
        m_closing = true;
        DuiLib::SendMessage(m_owner, WM_MENU_COMMAND, reinterpret_cast<WPARAM>(&param.name), reinterpret_cast<LPARAM>(this));
        if (IsWindow(self)) Close();  // the owner may have ended this window already
    } else if (param.wParam == kMenuCloseBelow) {
        for (HWND h = GetWindowOwner(self); h; h = GetWindowOwner(h)) {
            if (h == param.hWnd) {
                m_closing = true;
                Close();
                break;
            }
        }
    }
    return 0;
}

void CMenuWnd::OnKillFocus(HWND newFocus) {
    if (m_closing || IsMenuWindow(newFocus)) return;
    ContextMenuParam p;
    p.wParam = kMenuCloseAll;
    p.hWnd = GetHWND();
    Observer().Broadcast(p);  // a dismissal: the opener gets an empty name
}

void CMenuWnd::OnDestroy() {
    m_closing = true;
    if (m_ownerItem && m_menu) {
        // The sub-items go home before this window's tree is released.
        std::vector<std::unique_ptr<CControlUI>> items;
        while (m_menu->GetCount() > 0) items.push_back(m_menu->Detach(m_menu->GetItemAt(0)));
        m_ownerItem->ReturnSubItems(std::move(items));
    }
    m_menu = nullptr;
    m_pm.ReleaseRoot();
}

LRESULT CMenuWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_CREATE:
        return OnCreate();
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            m_closing = true;
            Close();
            return 0;
        }
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        return 0;
    case WM_CLOSE:
        m_closing = true;
        break;
    default:
        break;
    }
    LRESULT lRes = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

void CMenuWnd::OnFinalMessage(HWND) {
    Observer().RemoveReceiver(this);
    if (m_selfOwned) delete this;  // the one place a menu window ends its own life
}

}  // namespace DuiLib
