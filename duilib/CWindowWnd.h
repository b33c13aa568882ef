// A top-level SDL window addressed by a stable handle.
#pragma once

#include "CDuiString.h"
#include "UIDefs.h"
#include "WindowRegistry.h"

#include <vector>

struct SDL_Window;

namespace DuiLib {

// Thread: UI, except PostMessage (any thread). The object outlives its native window; whether it
// deletes itself is up to OnFinalMessage of the subclass (documented there).
class CWindowWnd {
public:
    CWindowWnd() = default;
    virtual ~CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }  // NOLINT
    SDL_Window* GetSdlWindow() const;

    // Creates the native window (hidden) and delivers WM_CREATE. A live window of this object is
    // destroyed first. cx/cy 0 leave the size to the skin.
    HWND Create(HWND hwndParent, const char* name, DWORD style, DWORD exStyle,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = 0, int cy = 0);
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Runs a nested loop until this window is destroyed; returns the code given to Close.
    // The owner is disabled meanwhile (counted) and its previous state restored afterwards.
    UINT ShowModal();
    // Always posts: code after Close keeps using the object safely.
    void Close(UINT ret = 1);
    void CenterWindow();
    void SetIcon(UINT res);
    void ResizeClient(int cx = -1, int cy = -1);

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);  // Thread: any

    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual const char* GetWindowClassName() const = 0;

protected:
    virtual void OnFinalMessage(HWND hWnd) { (void)hWnd; }

private:
    friend void DestroyWindow(HWND hwnd);
    HWND m_hWnd = nullptr;
};

// Win32-style helpers over handles; all safe on null or dead handles.
bool IsWindow(HWND hwnd);
void DestroyWindow(HWND hwnd);
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0, PayloadDeleter deleter = nullptr);  // Thread: any
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
void PostQuitMessage(int code);
bool GetWindowRect(HWND hwnd, RECT& rc);
bool GetClientRect(HWND hwnd, RECT& rc);
bool ClientToScreen(HWND hwnd, POINT& pt);
bool ScreenToClient(HWND hwnd, POINT& pt);
void MoveWindow(HWND hwnd, int x, int y, int cx, int cy);
void EnableWindow(HWND hwnd, bool enable);
bool IsWindowEnabled(HWND hwnd);
bool IsWindowVisible(HWND hwnd);
HWND GetWindowOwner(HWND hwnd);
// Windows owned by hwnd, oldest first.
std::vector<HWND> GetOwnedWindows(HWND hwnd);
void SetWindowText(HWND hwnd, const char* gbkTitle);
void SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs);
void KillTimer(HWND hwnd, UINT_PTR id);
void MaximizeWindow(HWND hwnd);
void MinimizeWindow(HWND hwnd);
void RestoreWindow(HWND hwnd);
bool IsMaximized(HWND hwnd);
RECT GetWorkArea(HWND hwnd);

}  // namespace DuiLib
