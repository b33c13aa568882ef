#include "CWindowWnd.h"

#include "CPaintManagerUI.h"
#include "TextCodec.h"

#include <SDL.h>
#include <algorithm>

namespace DuiLib {
namespace {

SDL_HitTestResult SDLCALL HitTestThunk(SDL_Window*, const SDL_Point* pt, void* data) {
    // The callback carries the handle, never the object: it may run after the object is gone.
    HWND hwnd = static_cast<HWND>(data);
    CWindowWnd* wnd = WindowRegistry::Instance().Lookup(hwnd);
    if (!wnd || !IsWindowEnabled(hwnd)) return SDL_HITTEST_NORMAL;
    return static_cast<SDL_HitTestResult>(wnd->SendMessage(WM_DUI_HITTEST, 0, MakeLParam(pt->x, pt->y)));
}

}  // namespace

CWindowWnd::~CWindowWnd() {
    // Too late for messages: the subclass is gone. Drop the native window quietly.
    if (m_hWnd) {
        auto& reg = WindowRegistry::Instance();
        SDL_Window* sdl = reg.Sdl(m_hWnd);
        reg.Unregister(m_hWnd);
        if (sdl) SDL_DestroyWindow(sdl);
        m_hWnd = nullptr;
    }
}

SDL_Window* CWindowWnd::GetSdlWindow() const { return WindowRegistry::Instance().Sdl(m_hWnd); }

HWND CWindowWnd::Create(HWND hwndParent, const char* name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy) {
    if (m_hWnd) DestroyWindow(m_hWnd);
    if (!CPaintManagerUI::EnsureVideo()) return nullptr;
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI;
    if (exStyle & WS_EX_TOOLWINDOW) flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
    if (exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    int px = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : x;
    int py = y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_CENTERED) : y;
    std::string title = GbkToUtf8Lenient(name ? name : "");
    SDL_Window* sdl = SDL_CreateWindow(title.c_str(), px, py, std::max(1, cx == CW_USEDEFAULT ? 800 : cx),
                                       std::max(1, cy == CW_USEDEFAULT ? 600 : cy), flags);
    if (!sdl) {
        SDL_Log("duilib: SDL_CreateWindow failed: %s", SDL_GetError());
        return nullptr;
    }
    auto& reg = WindowRegistry::Instance();
    if (hwndParent && !reg.Lookup(hwndParent)) hwndParent = nullptr;
    m_hWnd = reg.Register(this, sdl, hwndParent, style, exStyle);
    SDL_SetWindowHitTest(sdl, HitTestThunk, m_hWnd);
    HWND self = m_hWnd;
    if (reg.Dispatch(self, WM_CREATE, 0, 0) == -1) DestroyWindow(self);
    return reg.Lookup(self) ? self : nullptr;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    SDL_Window* sdl = GetSdlWindow();
    if (!sdl) return;
    if (show) {
        SDL_ShowWindow(sdl);
        if (takeFocus) SDL_RaiseWindow(sdl);
        WindowRegistry::Instance().MarkDirty(m_hWnd);
    } else {
        SDL_HideWindow(sdl);
    }
}

UINT CWindowWnd::ShowModal() {
    // Only locals after the loop starts: the object may be gone when it returns.
    HWND self = m_hWnd;
    if (!self) return static_cast<UINT>(-1);
    auto& reg = WindowRegistry::Instance();
    HWND owner = reg.Owner(self);
    reg.ExpectResult(self);
    if (owner) {
        reg.Disable(owner);
        if (SDL_Window* o = reg.Sdl(owner)) SDL_SetWindowModalFor(reg.Sdl(self), o);
    }
    ShowWindow(true, true);
    int code = reg.RunLoop(self);
    if (reg.Lookup(self)) code = -1;  // left by quit
    if (owner && reg.Lookup(owner)) {
        reg.Enable(owner);
        if (reg.IsEnabled(owner)) SDL_RaiseWindow(reg.Sdl(owner));
    }
    return static_cast<UINT>(code);
}

void CWindowWnd::Close(UINT ret) {
    if (m_hWnd) WindowRegistry::Instance().Post(m_hWnd, WM_CLOSE, ret, 0);
}

void CWindowWnd::CenterWindow() {
    SDL_Window* sdl = GetSdlWindow();
    if (!sdl) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    RECT area = GetWorkArea(m_hWnd);
    HWND owner = GetWindowOwner(m_hWnd);
    if (owner && IsWindowVisible(owner)) GetWindowRect(owner, area);
    int x = area.left + (area.Width() - w) / 2;
    int y = area.top + (area.Height() - h) / 2;
    RECT work = GetWorkArea(m_hWnd);
    x = std::clamp(x, work.left, std::max(work.left, work.right - w));
    y = std::clamp(y, work.top, std::max(work.top, work.bottom - h));
    SDL_SetWindowPosition(sdl, x, y);
}

void CWindowWnd::SetIcon(UINT) {}  // the desktop entry names the icon

void CWindowWnd::ResizeClient(int cx, int cy) {
    SDL_Window* sdl = GetSdlWindow();
    if (!sdl) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    SDL_SetWindowSize(sdl, cx < 0 ? w : cx, cy < 0 ? h : cy);
    WindowRegistry::Instance().MarkDirty(m_hWnd);
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return WindowRegistry::Instance().Dispatch(m_hWnd, msg, wParam, lParam);
}

bool CWindowWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return WindowRegistry::Instance().Post(m_hWnd, msg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (uMsg) {
    case WM_CLOSE:
        WindowRegistry::Instance().SetCloseResult(m_hWnd, static_cast<int>(wParam));
        DestroyWindow(m_hWnd);  // may delete this
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4) PostMessage(WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}

bool IsWindow(HWND hwnd) { return WindowRegistry::Instance().Lookup(hwnd) != nullptr; }

void DestroyWindow(HWND hwnd) {
    auto& reg = WindowRegistry::Instance();
    if (!reg.Lookup(hwnd)) return;
    for (HWND owned : reg.OwnedBy(hwnd)) DestroyWindow(owned);
    CWindowWnd* wnd = reg.Lookup(hwnd);
    if (!wnd) return;
    reg.Dispatch(hwnd, WM_DESTROY, 0, 0);
    SDL_Window* sdl = reg.Sdl(hwnd);
    reg.Unregister(hwnd);
    if (sdl) SDL_DestroyWindow(sdl);
    if (wnd->m_hWnd == hwnd) wnd->m_hWnd = nullptr;
    wnd->OnFinalMessage(hwnd);  // may delete the object
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PayloadDeleter deleter) {
    return WindowRegistry::Instance().Post(hwnd, msg, wParam, lParam, deleter);
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return WindowRegistry::Instance().Dispatch(hwnd, msg, wParam, lParam);
}

void PostQuitMessage(int code) { WindowRegistry::Instance().PostQuit(code); }

bool GetWindowRect(HWND hwnd, RECT& rc) {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd);
    if (!sdl) return false;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_GetWindowSize(sdl, &w, &h);
    rc = MakeRect(x, y, x + w, y + h);
    return true;
}

bool GetClientRect(HWND hwnd, RECT& rc) {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd);
    if (!sdl) return false;
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    rc = MakeRect(0, 0, w, h);
    return true;
}

bool ClientToScreen(HWND hwnd, POINT& pt) {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd);
    if (!sdl) return false;
    int x = 0, y = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    pt.x += x;
    pt.y += y;
    return true;
}

bool ScreenToClient(HWND hwnd, POINT& pt) {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd);
    if (!sdl) return false;
    int x = 0, y = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    pt.x -= x;
    pt.y -= y;
    return true;
}

void MoveWindow(HWND hwnd, int x, int y, int cx, int cy) {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd);
    if (!sdl) return;
    SDL_SetWindowPosition(sdl, x, y);
    if (cx > 0 && cy > 0) SDL_SetWindowSize(sdl, cx, cy);
    WindowRegistry::Instance().MarkDirty(hwnd);
}

void EnableWindow(HWND hwnd, bool enable) {
    if (enable) WindowRegistry::Instance().Enable(hwnd);
    else WindowRegistry::Instance().Disable(hwnd);
}

bool IsWindowEnabled(HWND hwnd) { return WindowRegistry::Instance().IsEnabled(hwnd); }

bool IsWindowVisible(HWND hwnd) {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd);
    return sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) && !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN);
}

HWND GetWindowOwner(HWND hwnd) { return WindowRegistry::Instance().Owner(hwnd); }
std::vector<HWND> GetOwnedWindows(HWND hwnd) { return WindowRegistry::Instance().OwnedBy(hwnd); }

void SetWindowText(HWND hwnd, const char* gbkTitle) {
    if (SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd))
        SDL_SetWindowTitle(sdl, GbkToUtf8Lenient(gbkTitle ? gbkTitle : "").c_str());
}

void SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs) { WindowRegistry::Instance().SetTimer(hwnd, id, elapseMs); }
void KillTimer(HWND hwnd, UINT_PTR id) { WindowRegistry::Instance().KillTimer(hwnd, id); }

void MaximizeWindow(HWND hwnd) {
    if (SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd)) SDL_MaximizeWindow(sdl);
}
void MinimizeWindow(HWND hwnd) {
    if (SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd)) SDL_MinimizeWindow(sdl);
}
void RestoreWindow(HWND hwnd) {
    if (SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd)) SDL_RestoreWindow(sdl);
}
bool IsMaximized(HWND hwnd) {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd);
    return sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MAXIMIZED);
}

RECT GetWorkArea(HWND hwnd) {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(hwnd);
    int display = sdl ? SDL_GetWindowDisplayIndex(sdl) : 0;
    SDL_Rect r{0, 0, 1024, 768};
    if (display < 0 || SDL_GetDisplayUsableBounds(display, &r) != 0) SDL_GetDisplayBounds(0, &r);
    return MakeRect(r.x, r.y, r.x + r.w, r.y + r.h);
}

}  // namespace DuiLib
