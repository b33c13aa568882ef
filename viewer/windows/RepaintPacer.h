// Holds the wall's picture-driven repaints to one per period. Every new
// picture asks for a repaint and each repaint redraws the whole window: with
// many views the asks come far faster than pictures are worth showing.
// A request inside the period is kept and fired when the period ends, so
// the last picture is always shown. Input repaints do not come through here.
// Thread: UI. The hidden window only carries the timer.
#pragma once

#include <UIlib.h>

#include <chrono>
#include <functional>

namespace kelvo {

class RepaintPacer : public DuiLib::CWindowWnd {
public:
    RepaintPacer(std::function<void()> fire, int periodMs);
    ~RepaintPacer() override;

    void Request();
    unsigned long Fired() const { return m_fired; }

    const char* GetWindowClassName() const override { return "WallRepaintPacer"; }
    DuiLib::LRESULT HandleMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam) override;

private:
    void Fire();

    std::function<void()> m_fire;
    std::chrono::milliseconds m_period;
    std::chrono::steady_clock::time_point m_last{};
    bool m_pending = false;
    bool m_windowTried = false;
    unsigned long m_fired = 0;
};

}  // namespace kelvo
