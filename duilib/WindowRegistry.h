// Native windows by never-reused handle, the posted-message queue, timers and the message loop.
#pragma once

#include "UIDefs.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

struct SDL_Window;
union SDL_Event;

namespace DuiLib {

class CWindowWnd;
class CControlUI;

// Frees a posted message's heap payload when the message is dropped undelivered.
using PayloadDeleter = void (*)(WPARAM, LPARAM);

class WindowRegistry {
public:
    static WindowRegistry& Instance();

    // --- Thread: any
    // Queues a message; false (and the payload freed) when the handle is null or dead.
    bool Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PayloadDeleter deleter = nullptr);
    bool IsAlive(HWND hwnd) const;
    void PostQuit(int code);

    // --- Thread: UI
    HWND Register(CWindowWnd* wnd, SDL_Window* sdl, HWND owner, DWORD style, DWORD exStyle);
    void Unregister(HWND hwnd);  // drops queued messages and timers of the window
    CWindowWnd* Lookup(HWND hwnd) const;
    SDL_Window* Sdl(HWND hwnd) const;
    HWND FromSdl(SDL_Window* w) const;
    HWND Owner(HWND hwnd) const;
    DWORD ExStyle(HWND hwnd) const;
    std::vector<HWND> OwnedBy(HWND hwnd) const;
    LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Counted disabling: a window is enabled when every Disable has been matched by an Enable.
    void Disable(HWND hwnd);
    void Enable(HWND hwnd);
    bool IsEnabled(HWND hwnd) const;

    void SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs);
    void KillTimer(HWND hwnd, UINT_PTR id);
    void MarkDirty(HWND hwnd);

    void ExpectResult(HWND hwnd);  // a modal loop will collect this window's close code
    void SetCloseResult(HWND hwnd, int code);
    // Runs until `modalFor` is destroyed (returns its close code) or quit is posted (returns -1).
    int RunLoop(HWND modalFor);
    // One pass without blocking longer than timeoutMs; for tests and benchmarks.
    void PumpOnce(int timeoutMs);
    bool QuitRequested() const { return m_quit; }
    int QuitCode() const { return m_quitCode; }
    void ResetQuit() { m_quit = false; }

    // Frees controls once no dispatch is on the stack.
    void DeferFree(std::unique_ptr<CControlUI> control);
    int DispatchDepth() const { return m_depth; }
    void FlushDeferred();
    size_t DeferredCount() const { return m_deferred.size(); }
    uint32_t WakeEventType() const { return m_wakeEvent; }
    void EnsureInit();

private:
    WindowRegistry() = default;
    struct Entry {
        CWindowWnd* wnd = nullptr;   // borrowed: the object outlives its native window
        SDL_Window* sdl = nullptr;
        HWND owner = nullptr;
        DWORD style = 0, exStyle = 0;
        int disableCount = 0;
        bool dirty = true;
    };
    struct Posted { HWND hwnd; UINT msg; WPARAM w; LPARAM l; PayloadDeleter deleter; };
    struct Timer { HWND hwnd; UINT_PTR id; UINT interval; std::chrono::steady_clock::time_point due; };

    void HandleSdlEvent(const SDL_Event& ev);
    void HandleWindowEvent(const SDL_Event& ev);
    void DrainPosted();
    void FireTimers();
    void PaintDirty();
    void CheckFocusLoss();
    void DismissPopups(HWND target);
    bool InPopupFamily(HWND popup, HWND target) const;
    int NextTimeoutMs() const;
    bool Accepts(HWND hwnd) const;  // alive and enabled: takes input and close requests

    // --- guarded by m_mutex
    mutable std::mutex m_mutex;
    std::set<std::uintptr_t> m_alive;
    std::deque<Posted> m_queue;

    // --- UI thread only
    std::map<std::uintptr_t, Entry> m_windows;
    std::map<std::uintptr_t, int> m_closeResults;
    std::vector<Timer> m_timers;
    std::vector<std::unique_ptr<CControlUI>> m_deferred;
    std::uintptr_t m_nextHandle = 1;
    int m_depth = 0;
    bool m_focusCheckPending = false;
    std::chrono::steady_clock::time_point m_focusCheckAt;
    std::atomic<bool> m_quit{false};
    std::atomic<int> m_quitCode{0};
    std::atomic<uint32_t> m_wakeEvent{0};
};

inline HWND ToHwnd(std::uintptr_t v) { return reinterpret_cast<HWND>(v); }
inline std::uintptr_t FromHwnd(HWND h) { return reinterpret_cast<std::uintptr_t>(h); }

inline LPARAM MakeLParam(int lo, int hi) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(lo))) |
                               (static_cast<std::uint32_t>(static_cast<std::uint16_t>(hi)) << 16));
}
inline int GetXLParam(LPARAM l) { return static_cast<std::int16_t>(l & 0xFFFF); }
inline int GetYLParam(LPARAM l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }

}  // namespace DuiLib
