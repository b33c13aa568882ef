#include "WindowRegistry.h"

#include "CControlUI.h"
#include "CWindowWnd.h"
#include "TextCodec.h"

#include <SDL.h>
#include <algorithm>

namespace DuiLib {
namespace {
using Clock = std::chrono::steady_clock;
constexpr int kFocusGraceMs = 60;

UINT MapKey(SDL_Keycode k) {
    switch (k) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_F4: return VK_F4;
    case SDLK_F11: return VK_F11;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_EQUALS: case SDLK_PLUS: return VK_OEM_PLUS;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    default: break;
    }
    if (k >= 'a' && k <= 'z') return static_cast<UINT>(k - 'a' + 'A');
    if (k >= '0' && k <= '9') return static_cast<UINT>(k);
    return 0;
}

WPARAM KeyState(Uint16 mod, Uint32 buttons) {
    WPARAM s = 0;
    if (mod & KMOD_SHIFT) s |= MK_SHIFT;
    if (mod & KMOD_CTRL) s |= MK_CONTROL;
    if (mod & KMOD_ALT) s |= MK_ALT;
    if (buttons & SDL_BUTTON_LMASK) s |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK) s |= MK_RBUTTON;
    return s;
}
}  // namespace

WindowRegistry& WindowRegistry::Instance() {
    static WindowRegistry reg;
    return reg;
}

void WindowRegistry::EnsureInit() {
    if (m_wakeEvent.load() == 0) {
        Uint32 t = SDL_RegisterEvents(1);
        if (t != static_cast<Uint32>(-1)) m_wakeEvent = t;
    }
}

bool WindowRegistry::Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PayloadDeleter deleter) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (hwnd && m_alive.count(FromHwnd(hwnd))) {
            m_queue.push_back(Posted{hwnd, msg, wParam, lParam, deleter});
        } else {
            hwnd = nullptr;
        }
    }
    if (!hwnd) {
        if (deleter) deleter(wParam, lParam);
        return false;
    }
    if (m_wakeEvent.load()) {
        SDL_Event ev;
        SDL_zero(ev);
        ev.type = m_wakeEvent.load();
        SDL_PushEvent(&ev);  // thread-safe; wakes SDL_WaitEventTimeout
    }
    return true;
}

bool WindowRegistry::IsAlive(HWND hwnd) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return hwnd && m_alive.count(FromHwnd(hwnd)) > 0;
}

void WindowRegistry::PostQuit(int code) {
    m_quitCode = code;
    m_quit = true;
    if (m_wakeEvent.load()) {
        SDL_Event ev;
        SDL_zero(ev);
        ev.type = m_wakeEvent.load();
        SDL_PushEvent(&ev);
    }
}

HWND WindowRegistry::Register(CWindowWnd* wnd, SDL_Window* sdl, HWND owner, DWORD style, DWORD exStyle) {
    EnsureInit();
    std::uintptr_t id = m_nextHandle++;
    Entry e;
    e.wnd = wnd;
    e.sdl = sdl;
    e.owner = owner;
    e.style = style;
    e.exStyle = exStyle;
    m_windows[id] = e;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_alive.insert(id);
    return ToHwnd(id);
}

void WindowRegistry::Unregister(HWND hwnd) {
    std::deque<Posted> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_alive.erase(FromHwnd(hwnd));
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            if (it->hwnd == hwnd) { dropped.push_back(*it); it = m_queue.erase(it); }
            else ++it;
        }
    }
    for (auto& p : dropped) if (p.deleter) p.deleter(p.w, p.l);
    m_windows.erase(FromHwnd(hwnd));
    m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
                   m_timers.end());
}

CWindowWnd* WindowRegistry::Lookup(HWND hwnd) const {
    auto it = m_windows.find(FromHwnd(hwnd));
    return it == m_windows.end() ? nullptr : it->second.wnd;
}

SDL_Window* WindowRegistry::Sdl(HWND hwnd) const {
    auto it = m_windows.find(FromHwnd(hwnd));
    return it == m_windows.end() ? nullptr : it->second.sdl;
}

HWND WindowRegistry::FromSdl(SDL_Window* w) const {
    if (!w) return nullptr;
    for (const auto& kv : m_windows)
        if (kv.second.sdl == w) return ToHwnd(kv.first);
    return nullptr;
}

HWND WindowRegistry::Owner(HWND hwnd) const {
    auto it = m_windows.find(FromHwnd(hwnd));
    return it == m_windows.end() ? nullptr : it->second.owner;
}

DWORD WindowRegistry::ExStyle(HWND hwnd) const {
    auto it = m_windows.find(FromHwnd(hwnd));
    return it == m_windows.end() ? 0 : it->second.exStyle;
}

std::vector<HWND> WindowRegistry::OwnedBy(HWND hwnd) const {
    std::vector<HWND> out;
    for (const auto& kv : m_windows)
        if (kv.second.owner == hwnd) out.push_back(ToHwnd(kv.first));
    return out;
}

LRESULT WindowRegistry::Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* wnd = Lookup(hwnd);
    if (!wnd) return 0;
    ++m_depth;
    // The handler may destroy (even delete) the window: nothing here touches it afterwards.
    LRESULT r = wnd->HandleMessage(msg, wParam, lParam);
    --m_depth;
    return r;
}

void WindowRegistry::Disable(HWND hwnd) {
    auto it = m_windows.find(FromHwnd(hwnd));
    if (it != m_windows.end()) ++it->second.disableCount;
}

void WindowRegistry::Enable(HWND hwnd) {
    auto it = m_windows.find(FromHwnd(hwnd));
    if (it != m_windows.end() && it->second.disableCount > 0) --it->second.disableCount;
}

bool WindowRegistry::IsEnabled(HWND hwnd) const {
    auto it = m_windows.find(FromHwnd(hwnd));
    return it != m_windows.end() && it->second.disableCount == 0;
}

bool WindowRegistry::Accepts(HWND hwnd) const { return hwnd && IsEnabled(hwnd); }

void WindowRegistry::SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs) {
    KillTimer(hwnd, id);
    if (!Lookup(hwnd)) return;
    UINT interval = std::max<UINT>(elapseMs, 1);
    m_timers.push_back(Timer{hwnd, id, interval, Clock::now() + std::chrono::milliseconds(interval)});
}

void WindowRegistry::KillTimer(HWND hwnd, UINT_PTR id) {
    m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(),
                                  [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }),
                   m_timers.end());
}

void WindowRegistry::MarkDirty(HWND hwnd) {
    auto it = m_windows.find(FromHwnd(hwnd));
    if (it != m_windows.end()) it->second.dirty = true;
}

void WindowRegistry::ExpectResult(HWND hwnd) { m_closeResults.emplace(FromHwnd(hwnd), 0); }

void WindowRegistry::SetCloseResult(HWND hwnd, int code) {
    auto it = m_closeResults.find(FromHwnd(hwnd));
    if (it != m_closeResults.end()) it->second = code;
}

void WindowRegistry::DeferFree(std::unique_ptr<CControlUI> control) {
    if (control) m_deferred.push_back(std::move(control));
}

void WindowRegistry::FlushDeferred() {
    if (m_depth > 0) return;
    while (!m_deferred.empty()) {
        auto batch = std::move(m_deferred);
        m_deferred.clear();
        batch.clear();
    }
}

bool WindowRegistry::InPopupFamily(HWND popup, HWND target) const {
    if (!target) return false;
    if (target == popup) return true;
    // The target is a sub-popup of this popup, or a popup that this one hangs from.
    for (HWND h = Owner(target); h; h = Owner(h))
        if (h == popup) return true;
    if (ExStyle(target) & WS_EX_TOOLWINDOW)
        for (HWND h = Owner(popup); h && (ExStyle(h) & WS_EX_TOOLWINDOW); h = Owner(h))
            if (h == target) return true;
    return false;
}

void WindowRegistry::DismissPopups(HWND target) {
    std::vector<HWND> popups;
    for (const auto& kv : m_windows)
        if (kv.second.exStyle & WS_EX_TOOLWINDOW) popups.push_back(ToHwnd(kv.first));
    for (HWND p : popups)
        if (Lookup(p) && !InPopupFamily(p, target)) Dispatch(p, WM_KILLFOCUS, reinterpret_cast<WPARAM>(target), 0);
}

void WindowRegistry::CheckFocusLoss() {
    if (!m_focusCheckPending || Clock::now() < m_focusCheckAt) return;
    m_focusCheckPending = false;
    HWND focus = FromSdl(SDL_GetKeyboardFocus());
    DismissPopups(focus);
}

void WindowRegistry::HandleWindowEvent(const SDL_Event& ev) {
    HWND hwnd = FromSdl(SDL_GetWindowFromID(ev.window.windowID));
    if (!hwnd) return;
    switch (ev.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        // The window manager's close goes the way of Alt+F4; ignored under a modal child.
        if (Accepts(hwnd)) Dispatch(hwnd, WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(1) << 29);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        MarkDirty(hwnd);
        break;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_HIDDEN:
    case SDL_WINDOWEVENT_MINIMIZED:
        // Whether anything of the window can be seen: lParam 1 marks the
        // window system's report (a program's own ShowWindow sends none).
        Dispatch(hwnd, WM_SHOWWINDOW, ev.window.event == SDL_WINDOWEVENT_SHOWN ? 1 : 0, 1);
        if (ev.window.event == SDL_WINDOWEVENT_SHOWN) MarkDirty(hwnd);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        Dispatch(hwnd, WM_SIZE, 0, MakeLParam(ev.window.data1, ev.window.data2));
        MarkDirty(hwnd);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED: {
        int w = 0, h = 0;
        SDL_GetWindowSize(SDL_GetWindowFromID(ev.window.windowID), &w, &h);
        Dispatch(hwnd, WM_SHOWWINDOW, 1, 1);
        Dispatch(hwnd, WM_SIZE, ev.window.event == SDL_WINDOWEVENT_MAXIMIZED ? 2 : 0, MakeLParam(w, h));
        MarkDirty(hwnd);
        break;
    }
    case SDL_WINDOWEVENT_MOVED:
        Dispatch(hwnd, WM_MOVE, 0, MakeLParam(ev.window.data1, ev.window.data2));
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        Dispatch(hwnd, WM_SETFOCUS, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        Dispatch(hwnd, WM_MOUSELEAVE, 0, 0);
        m_focusCheckPending = true;
        m_focusCheckAt = Clock::now() + std::chrono::milliseconds(kFocusGraceMs);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        Dispatch(hwnd, WM_MOUSELEAVE, 0, 0);
        break;
    default:
        break;
    }
}

void WindowRegistry::HandleSdlEvent(const SDL_Event& ev) {
    switch (ev.type) {
    case SDL_QUIT:
        PostQuit(0);
        return;
    case SDL_WINDOWEVENT:
        HandleWindowEvent(ev);
        return;
    case SDL_MOUSEMOTION: {
        HWND h = FromSdl(SDL_GetWindowFromID(ev.motion.windowID));
        if (Accepts(h)) Dispatch(h, WM_MOUSEMOVE, KeyState(SDL_GetModState(), ev.motion.state), MakeLParam(ev.motion.x, ev.motion.y));
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        HWND h = FromSdl(SDL_GetWindowFromID(ev.button.windowID));
        bool down = ev.type == SDL_MOUSEBUTTONDOWN;
        if (down) DismissPopups(h);  // a press outside a popup's family closes it
        if (!Accepts(h)) return;
        LPARAM pt = MakeLParam(ev.button.x, ev.button.y);
        WPARAM ks = KeyState(SDL_GetModState(), SDL_GetMouseState(nullptr, nullptr));
        if (ev.button.button == SDL_BUTTON_LEFT) {
            UINT msg = down ? (ev.button.clicks >= 2 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
            Dispatch(h, msg, ks, pt);
        } else if (ev.button.button == SDL_BUTTON_RIGHT) {
            Dispatch(h, down ? WM_RBUTTONDOWN : WM_RBUTTONUP, ks, pt);
            if (!down && Lookup(h)) Dispatch(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), pt);
        }
        return;
    }
    case SDL_MOUSEWHEEL: {
        HWND h = FromSdl(SDL_GetWindowFromID(ev.wheel.windowID));
        if (!Accepts(h) || ev.wheel.y == 0) return;
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        WPARAM w = (static_cast<WPARAM>(static_cast<std::uint16_t>(ev.wheel.y > 0 ? 120 : -120)) << 16);
        Dispatch(h, WM_MOUSEWHEEL, w, MakeLParam(x, y));
        return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        HWND h = FromSdl(SDL_GetWindowFromID(ev.key.windowID));
        if (!Accepts(h)) return;
        UINT vk = MapKey(ev.key.keysym.sym);
        if (!vk) return;
        bool alt = (ev.key.keysym.mod & KMOD_ALT) != 0;
        UINT msg = ev.type == SDL_KEYDOWN ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        LPARAM state = static_cast<LPARAM>(KeyState(ev.key.keysym.mod, 0));
        if (ev.key.repeat) state |= KEY_REPEAT_FLAG;
        Dispatch(h, msg, vk, state);
        return;
    }
    case SDL_TEXTINPUT: {
        HWND h = FromSdl(SDL_GetWindowFromID(ev.text.windowID));
        if (!Accepts(h)) return;
        std::string gbk = Utf8ToGbkLenient(ev.text.text);
        if (!gbk.empty()) Dispatch(h, WM_DUI_TEXTINPUT, 0, reinterpret_cast<LPARAM>(gbk.c_str()));
        return;
    }
    default:
        return;
    }
}

void WindowRegistry::DrainPosted() {
    std::deque<Posted> batch;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        batch.swap(m_queue);
    }
    while (!batch.empty()) {
        Posted p = batch.front();
        batch.pop_front();
        if (!Lookup(p.hwnd)) {
            if (p.deleter) p.deleter(p.w, p.l);
            continue;
        }
        if (p.msg == WM_CLOSE && !IsEnabled(p.hwnd)) continue;  // a modal child is up
        Dispatch(p.hwnd, p.msg, p.w, p.l);
    }
}

void WindowRegistry::FireTimers() {
    auto now = Clock::now();
    std::vector<std::pair<HWND, UINT_PTR>> due;
    for (auto& t : m_timers) {
        if (t.due <= now) {
            due.emplace_back(t.hwnd, t.id);
            t.due += std::chrono::milliseconds(t.interval);
            if (t.due <= now) t.due = now + std::chrono::milliseconds(t.interval);
        }
    }
    for (auto& d : due) {
        bool stillSet = std::any_of(m_timers.begin(), m_timers.end(),
                                    [&](const Timer& t) { return t.hwnd == d.first && t.id == d.second; });
        if (stillSet) Dispatch(d.first, WM_TIMER, d.second, 0);
    }
}

void WindowRegistry::PaintDirty() {
    std::vector<HWND> dirty;
    for (auto& kv : m_windows) {
        if (!kv.second.dirty) continue;
        Uint32 flags = kv.second.sdl ? SDL_GetWindowFlags(kv.second.sdl) : 0;
        if (flags & SDL_WINDOW_HIDDEN) continue;
        kv.second.dirty = false;
        dirty.push_back(ToHwnd(kv.first));
    }
    for (HWND h : dirty) Dispatch(h, WM_PAINT, 0, 0);
}

int WindowRegistry::NextTimeoutMs() const {
    auto now = Clock::now();
    long long best = 250;
    for (const auto& t : m_timers) {
        long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.due - now).count();
        best = std::min(best, std::max(0LL, ms));
    }
    if (m_focusCheckPending) {
        long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(m_focusCheckAt - now).count();
        best = std::min(best, std::max(0LL, ms + 1));
    }
    // Only a shown window's pending paint makes the loop go round at once (hidden ones paint when shown).
    for (const auto& kv : m_windows)
        if (kv.second.dirty && kv.second.sdl && !(SDL_GetWindowFlags(kv.second.sdl) & SDL_WINDOW_HIDDEN)) return 0;
    return static_cast<int>(best);
}

void WindowRegistry::PumpOnce(int timeoutMs) {
    SDL_Event ev;
    int wait = std::min(timeoutMs, NextTimeoutMs());
    bool got = wait > 0 ? SDL_WaitEventTimeout(&ev, wait) : SDL_PollEvent(&ev);
    while (got) {
        HandleSdlEvent(ev);
        if (m_quit) break;
        got = SDL_PollEvent(&ev);
    }
    DrainPosted();
    FireTimers();
    CheckFocusLoss();
    PaintDirty();
    DrainPosted();  // paint notifications may post (an auto-login after the first paint)
    FlushDeferred();
}

int WindowRegistry::RunLoop(HWND modalFor) {
    EnsureInit();
    for (;;) {
        if (m_quit) return -1;
        if (modalFor && !Lookup(modalFor)) {
            auto it = m_closeResults.find(FromHwnd(modalFor));
            int code = it == m_closeResults.end() ? 0 : it->second;
            if (it != m_closeResults.end()) m_closeResults.erase(it);
            return code;
        }
        PumpOnce(250);
    }
}

}  // namespace DuiLib
