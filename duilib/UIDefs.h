// Win32-flavoured basic types, messages and constants the toolkit's users rely on.
#pragma once

#include <cstdint>

namespace DuiLib {

using UINT = unsigned int;
using DWORD = std::uint32_t;
using BOOL = int;
using BYTE = unsigned char;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LPCTSTR = const char*;
using TCHAR = char;

// A window handle: an opaque, never-reused number. Never dereferenced.
struct HWND__;
using HWND = HWND__*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct POINT { int x = 0; int y = 0; };
struct SIZE { int cx = 0; int cy = 0; };
struct RECT {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
};
RECT MakeRect(int l, int t, int r, int b);
bool IntersectRect(RECT& out, const RECT& a, const RECT& b);

// Window messages (Win32 numbering, so program code reads the same).
enum : UINT {
    WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003, WM_SIZE = 0x0005,
    WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008, WM_PAINT = 0x000F, WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012, WM_SHOWWINDOW = 0x0018, WM_NCACTIVATE = 0x0086,
    WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102,
    WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105, WM_TIMER = 0x0113,
    WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205,
    WM_MOUSEWHEEL = 0x020A, WM_MOUSELEAVE = 0x02A3, WM_CONTEXTMENU = 0x007B,
    WM_USER = 0x0400,
    // The toolkit's own messages stay at 0xC000 and above, out of the program's range.
    WM_DUI_TEXTINPUT = 0xC001,   // lParam: const char* GBK text, valid during the call
    WM_DUI_WAKE = 0xC002,
    WM_DUI_CLOSEPOPUPS = 0xC003,
    WM_DUI_HITTEST = 0xC004,     // lParam: client point; returns an SDL_HitTestResult
};

enum : UINT {
    VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
    VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
    VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27,
    VK_DOWN = 0x28, VK_DELETE = 0x2E, VK_F4 = 0x73, VK_F11 = 0x7A,
    VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_OEM_PLUS = 0xBB, VK_OEM_MINUS = 0xBD,
};
// In the lParam of WM_KEYDOWN: the key was already down (auto-repeat).
constexpr LPARAM KEY_REPEAT_FLAG = 0x40000000;

// Window styles: only the bits the toolkit looks at.
enum : DWORD {
    WS_POPUP = 0x80000000u, WS_CHILD = 0x40000000u, WS_VISIBLE = 0x10000000u,
    WS_CAPTION = 0x00C00000u, WS_BORDER = 0x00800000u, WS_SYSMENU = 0x00080000u,
    WS_CLIPSIBLINGS = 0x04000000u, WS_CLIPCHILDREN = 0x02000000u,
    WS_THICKFRAME = 0x00040000u, WS_MINIMIZEBOX = 0x00020000u, WS_MAXIMIZEBOX = 0x00010000u,
    WS_POPUPWINDOW = 0x80880000u, WS_OVERLAPPEDWINDOW = 0x00CF0000u,
    UI_WNDSTYLE_DIALOG = 0x86C80000u,
    WS_EX_TOPMOST = 0x00000008u, WS_EX_TOOLWINDOW = 0x00000080u,
};
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Text style flags of labels (DrawText numbering).
enum : UINT {
    DT_LEFT = 0x0, DT_TOP = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_NOPREFIX = 0x800,
    DT_END_ELLIPSIS = 0x8000,
};

enum UILIB_RESOURCETYPE { UILIB_FILE = 1 };

// Notification type names.
#define DUI_MSGTYPE_CLICK "click"
#define DUI_MSGTYPE_SELECTCHANGED "selectchanged"
#define DUI_MSGTYPE_ITEMSELECT "itemselect"
#define DUI_MSGTYPE_ITEMCLICK "itemclick"
#define DUI_MSGTYPE_ITEMACTIVATE "itemactivate"
#define DUI_MSGTYPE_TEXTCHANGED "textchanged"
#define DUI_MSGTYPE_RETURN "return"
#define DUI_MSGTYPE_TIMER "timer"
#define DUI_MSGTYPE_WINDOWINIT "windowinit"
#define DUI_MSGTYPE_WINDOWAFTERPAINT "windowafterpaint"
#define DUI_MSGTYPE_SETFOCUS "setfocus"
#define DUI_MSGTYPE_KILLFOCUS "killfocus"
#define DUI_MSGTYPE_MENU "menu"
#define DUI_MSGTYPE_BUTTONDOWN "buttondown"
#define DUI_MSGTYPE_BUTTONUP "buttonup"
#define DUI_MSGTYPE_VALUECHANGED "valuechanged"
#define DUI_MSGTYPE_DROPDOWN "dropdown"
#define DUI_MSGTYPE_ITEMEXPAND "itemexpand"

// Modifier bits carried in TEventUI::wKeyState.
enum : UINT { MK_LBUTTON = 0x1, MK_RBUTTON = 0x2, MK_SHIFT = 0x4, MK_CONTROL = 0x8, MK_ALT = 0x20 };

}  // namespace DuiLib
