// Drives shell windows headless: a hidden owner that records WM_LOGIN and runs scripted steps
// from a timer, so steps also run inside modal loops.
#pragma once

#include "../duilib/UiTestSupport.h"
#include "ViewerMessages.h"

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace shelltest {

class ScriptOwner : public DuiLib::CWindowWnd {
public:
    const char* GetWindowClassName() const override { return "ScriptOwner"; }
    std::vector<std::pair<std::string, std::string>> logins;  // copies of WM_LOGIN texts
    std::deque<std::function<void()>> steps;
    // A step calls this when what it waits for is not there yet (a box not
    // shown under load): it runs again at the next tick.
    void Retry() { m_retry = true; }

    bool Open() { return Create(nullptr, "owner", 0, 0, 0, 0, 1, 1) != nullptr; }
    void Run(std::deque<std::function<void()>> s, DuiLib::UINT everyMs = 20) {
        steps = std::move(s);
        DuiLib::SetTimer(GetHWND(), 1, everyMs);
    }
    DuiLib::LRESULT HandleMessage(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l) override {
        if (msg == WM_LOGIN) {
            logins.emplace_back(reinterpret_cast<const char*>(w), reinterpret_cast<const char*>(l));
            return 0;
        }
        if (msg == DuiLib::WM_TIMER && w == 1) {
            if (steps.empty()) {
                DuiLib::KillTimer(GetHWND(), 1);
                return 0;
            }
            auto step = steps.front();
            m_retry = false;
            step();
            if (!m_retry && !steps.empty()) steps.pop_front();
            return 0;
        }
        return CWindowWnd::HandleMessage(msg, w, l);
    }

private:
    bool m_retry = false;
};

// The newest window owned by `owner`, or null.
inline DuiLib::HWND NewestOwned(DuiLib::HWND owner) {
    auto v = DuiLib::GetOwnedWindows(owner);
    return v.empty() ? nullptr : v.back();
}

inline DuiLib::CPaintManagerUI* ManagerOf(DuiLib::HWND hwnd) {
    auto* w = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::WindowRegistry::Instance().Lookup(hwnd));
    return w ? &w->GetPaintManager() : nullptr;
}

inline std::string LabelText(DuiLib::HWND hwnd, const char* name) {
    DuiLib::CPaintManagerUI* pm = ManagerOf(hwnd);
    DuiLib::CControlUI* c = pm ? pm->FindControl(name) : nullptr;
    return c ? c->GetText().Str() : std::string("<none>");
}

}  // namespace shelltest
