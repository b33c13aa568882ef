// Helpers for driving toolkit windows headless: synthetic SDL input and bounded pumping.
#pragma once

#include <UIlib.h>

#include <SDL.h>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

namespace uitest {

// Sets up SDL (dummy video from the test environment) and points the toolkit at `programFolder`.
inline bool InitToolkit(const std::string& programFolder) {
    DuiLib::CPaintManagerUI::SetInstancePath(programFolder.c_str());
    return DuiLib::CPaintManagerUI::EnsureVideo();
}

// The build's program folder (where skin/ and wav/ are copied).
inline std::string BuildBinFolder() {
    const char* b = std::getenv("KELVO_BUILD_DIR");
    return std::string(b ? b : ".") + "/bin/";
}

inline void Pump(int times = 3) {
    for (int i = 0; i < times; ++i) DuiLib::WindowRegistry::Instance().PumpOnce(0);
}

// Pumps until pred holds or the time runs out; returns pred().
inline bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 3000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        DuiLib::WindowRegistry::Instance().PumpOnce(10);
    }
    return true;
}

inline Uint32 SdlId(DuiLib::HWND hwnd) {
    SDL_Window* w = DuiLib::WindowRegistry::Instance().Sdl(hwnd);
    return w ? SDL_GetWindowID(w) : 0;
}

inline void PushMouse(DuiLib::HWND hwnd, int x, int y, bool down, Uint8 button = SDL_BUTTON_LEFT, Uint8 clicks = 1) {
    SDL_Event ev;
    SDL_zero(ev);
    ev.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    ev.button.windowID = SdlId(hwnd);
    ev.button.button = button;
    ev.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    ev.button.clicks = clicks;
    ev.button.x = x;
    ev.button.y = y;
    SDL_PushEvent(&ev);
}

inline void PushMove(DuiLib::HWND hwnd, int x, int y) {
    SDL_Event ev;
    SDL_zero(ev);
    ev.type = SDL_MOUSEMOTION;
    ev.motion.windowID = SdlId(hwnd);
    ev.motion.x = x;
    ev.motion.y = y;
    SDL_PushEvent(&ev);
}

inline void Click(DuiLib::HWND hwnd, int x, int y) {
    PushMove(hwnd, x, y);
    PushMouse(hwnd, x, y, true);
    PushMouse(hwnd, x, y, false);
    Pump();
}

inline void ClickControl(DuiLib::HWND hwnd, DuiLib::CControlUI* c) {
    const DuiLib::RECT& rc = c->GetPos();
    Click(hwnd, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

inline void PushKey(DuiLib::HWND hwnd, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    SDL_Event ev;
    SDL_zero(ev);
    ev.type = SDL_KEYDOWN;
    ev.key.windowID = SdlId(hwnd);
    ev.key.state = SDL_PRESSED;
    ev.key.keysym.sym = key;
    ev.key.keysym.mod = mod;
    SDL_PushEvent(&ev);
    ev.type = SDL_KEYUP;
    ev.key.state = SDL_RELEASED;
    SDL_PushEvent(&ev);
}

inline void Key(DuiLib::HWND hwnd, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    PushKey(hwnd, key, mod);
    Pump();
}

inline void Type(DuiLib::HWND hwnd, const char* utf8) {
    SDL_Event ev;
    SDL_zero(ev);
    ev.type = SDL_TEXTINPUT;
    ev.text.windowID = SdlId(hwnd);
    SDL_strlcpy(ev.text.text, utf8, sizeof(ev.text.text));
    SDL_PushEvent(&ev);
    Pump();
}

inline void PushWindowManagerClose(DuiLib::HWND hwnd) {
    SDL_Event ev;
    SDL_zero(ev);
    ev.type = SDL_WINDOWEVENT;
    ev.window.event = SDL_WINDOWEVENT_CLOSE;
    ev.window.windowID = SdlId(hwnd);
    SDL_PushEvent(&ev);
}

inline void WindowManagerClose(DuiLib::HWND hwnd) {
    SDL_Event ev;
    SDL_zero(ev);
    ev.type = SDL_WINDOWEVENT;
    ev.window.event = SDL_WINDOWEVENT_CLOSE;
    ev.window.windowID = SdlId(hwnd);
    SDL_PushEvent(&ev);
    Pump();
}

// Reads one pixel (ARGB) of a window's last frame.
inline Uint32 PixelAt(DuiLib::CPaintManagerUI& pm, int x, int y) {
    SDL_Surface* s = pm.GetRenderContext()->Surface();
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return 0;
    return static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
}

// A window made from a skin file under `folder`, recording notifications.
class SkinWindow : public DuiLib::WindowImplBase {
public:
    SkinWindow(std::string folder, std::string file) : m_folder(std::move(folder)), m_file(std::move(file)) {}
    std::function<void(DuiLib::TNotifyUI&)> onNotify;
    std::function<DuiLib::LRESULT(DuiLib::UINT, DuiLib::WPARAM, DuiLib::LPARAM, bool&)> onMessage;
    const char* GetWindowClassName() const override { return "SkinWindow"; }
    void Notify(DuiLib::TNotifyUI& msg) override {
        if (onNotify) onNotify(msg);
        WindowImplBase::Notify(msg);
    }

protected:
    DuiLib::CDuiString GetSkinFolder() override { return m_folder.c_str(); }
    DuiLib::CDuiString GetSkinFile() override { return m_file.c_str(); }
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT m, DuiLib::WPARAM w, DuiLib::LPARAM l, bool& handled) override {
        if (onMessage) return onMessage(m, w, l, handled);
        handled = false;
        return 0;
    }

private:
    std::string m_folder, m_file;
};

}  // namespace uitest
