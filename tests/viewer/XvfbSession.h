// Running the real viewer program under a private Xvfb display: spawning,
// waiting, screenshots, X input through xdotool, and the control positions
// the program writes with KELVO_LAYOUT_DIR.
#pragma once

#include <SDL.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace viewertest {

std::string Env(const char* name, const char* fallback);
bool Exists(const std::string& path);
// Spawns with `env` added to this process's environment; stdout to /dev/null.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env);
// Exit code (128 + signal when killed); kills after the timeout and returns -1.
int WaitExit(pid_t pid, int timeoutMs);

// A screenshot of the whole display as RGB24 (null on failure).
SDL_Surface* Shot(const std::string& display, const std::string& path);
const uint8_t* Pixel(SDL_Surface* s, int x, int y);

struct ControlBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool visible = false, enabled = false;
    std::string text;  // UTF-8
    int cx() const { return (left + right) / 2; }
    int cy() const { return (top + bottom) / 2; }
};

// One Xvfb display for the test's lifetime.
class XDisplay {
public:
    XDisplay();
    ~XDisplay();
    bool Ok() const { return m_pid > 0; }
    const std::string& Name() const { return m_name; }
    // xdotool with the display set; true on exit code 0.
    bool Xdo(const std::string& args) const;
    // Clicks at a screen point and gives the window there the keyboard
    // focus, as a click-to-focus window manager would (Xvfb runs without one).
    bool Click(int x, int y, int button = 1) const;

private:
    pid_t m_pid = -1;
    std::string m_name;
};

// Writes the viewer's Config.dat at `path`: automatic login as demo/demo to
// 127.0.0.1:`port`, plus `extra` XML elements (e.g. "<videoCol>3</videoCol>").
void WriteDemoConfig(const std::string& path, int port, const std::string& extra = "");

// The controls of the window class `cls` from the layout folder (empty map when not written yet).
std::map<std::string, ControlBox> ReadLayout(const std::string& dir, const std::string& cls);
// Polls ReadLayout until `pred` holds or the timeout passes.
template <class Pred>
bool WaitLayout(const std::string& dir, const std::string& cls, int timeoutMs, Pred pred);

}  // namespace viewertest

#include <unistd.h>

template <class Pred>
bool viewertest::WaitLayout(const std::string& dir, const std::string& cls, int timeoutMs, Pred pred) {
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        if (pred(ReadLayout(dir, cls))) return true;
        usleep(50 * 1000);
    }
    return false;
}
