#include "CPaintManagerUI.h"

#include "CControlUI.h"
#include "COptionUI.h"
#include "CTooltipWnd.h"
#include "TextCodec.h"
#include "CWindowWnd.h"
#include "WindowRegistry.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <cstring>
#include <cstdlib>
#include <unistd.h>

namespace DuiLib {
namespace {
std::string g_instancePath;
std::string g_resourcePath;
bool g_videoReady = false;

std::string ProgramFolderFromProc() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "./";
    std::string p(buf, static_cast<size_t>(n));
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? "./" : p.substr(0, slash + 1);
}
}  // namespace

CPaintManagerUI::CPaintManagerUI() : m_input(*this) {}

namespace {
constexpr UINT_PTR kTooltipTimer = 0xBFFFFF01u;
constexpr UINT kTooltipDelayMs = 500;
}

CPaintManagerUI::~CPaintManagerUI() {
    m_tooltip.reset();
    for (UINT_PTR id : m_timers.Clear()) WindowRegistry::Instance().KillTimer(m_hWnd, id);
    m_input.Reset();
    m_names.Clear();
}

void CPaintManagerUI::SetInstance(void*) {}

CDuiString CPaintManagerUI::GetInstancePath() {
    if (g_instancePath.empty()) g_instancePath = ProgramFolderFromProc();
    return CDuiString(g_instancePath);
}

void CPaintManagerUI::SetInstancePath(const char* path) {
    g_instancePath = path ? path : "";
    if (!g_instancePath.empty() && g_instancePath.back() != '/') g_instancePath += '/';
}

CDuiString CPaintManagerUI::GetResourcePath() { return CDuiString(g_resourcePath); }

void CPaintManagerUI::SetResourcePath(const char* path) {
    g_resourcePath = path ? path : "";
    if (!g_resourcePath.empty() && g_resourcePath.back() != '/') g_resourcePath += '/';
}

bool CPaintManagerUI::EnsureVideo() {
    if (g_videoReady) return true;
    // Under Xvfb SDL would present through OpenGL on llvmpipe, several times dearer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        SDL_Log("duilib: SDL video init failed: %s", SDL_GetError());
        return false;
    }
    IMG_Init(IMG_INIT_PNG);
    if (!TTF_WasInit()) TTF_Init();
    SDL_StartTextInput();
    WindowRegistry::Instance().EnsureInit();
    g_videoReady = true;
    return true;
}

void CPaintManagerUI::MessageLoop() { WindowRegistry::Instance().RunLoop(nullptr); }

void CPaintManagerUI::Term() {
    WindowRegistry::Instance().FlushDeferred();
    ImageCache::Instance().Clear();
    FontManager::Instance().Shutdown();
    if (g_videoReady) {
        IMG_Quit();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        g_videoReady = false;
    }
}

void CPaintManagerUI::DeferFree(std::unique_ptr<CControlUI> control) {
    WindowRegistry::Instance().DeferFree(std::move(control));
}

void CPaintManagerUI::Init(HWND hwnd) {
    m_hWnd = hwnd;
    m_firstPaint = true;
    m_layoutNeeded = true;
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    std::unique_ptr<CControlUI> owned(root);
    ReleaseRoot();
    if (!owned) return false;
    m_root = std::move(owned);
    m_root->SetManager(this, nullptr, true);
    m_layoutNeeded = true;
    Invalidate();
    return true;
}

void CPaintManagerUI::ReleaseRoot() {
    for (UINT_PTR id : m_timers.Clear()) WindowRegistry::Instance().KillTimer(m_hWnd, id);
    WindowRegistry::Instance().KillTimer(m_hWnd, kTooltipTimer);
    m_tooltipFor = nullptr;
    if (m_tooltip) m_tooltip->Hide();
    m_input.Reset();
    m_names.Clear();
    if (m_root) DeferFree(std::move(m_root));
}

CControlUI* CPaintManagerUI::FindControl(const char* name) const { return name ? m_names.Find(name) : nullptr; }

CControlUI* CPaintManagerUI::FindControl(POINT pt) const { return m_root ? m_root->FindControlAt(pt) : nullptr; }

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const char* name) const {
    if (!parent || !name) return nullptr;
    CControlUI* found = nullptr;
    parent->ForEach([&](CControlUI* c) {
        if (!found && c->GetName() == name) found = c;
    });
    return found;
}

void CPaintManagerUI::ReportLookupFailure(const char* name, const char* actualClass, const char* wanted) const {
    std::string key = name ? name : "";
    if (std::find(m_reportedLookups.begin(), m_reportedLookups.end(), key) != m_reportedLookups.end()) return;
    m_reportedLookups.push_back(key);
    if (actualClass)
        std::fprintf(stderr, "duilib: control \"%s\" is a %s, not the expected %s\n", key.c_str(), actualClass, wanted);
    else
        std::fprintf(stderr, "duilib: control \"%s\" is missing from the skin\n", key.c_str());
}

void CPaintManagerUI::RegisterName(CControlUI* control) { m_names.Add(control); }
void CPaintManagerUI::UnregisterName(CControlUI* control) { m_names.Remove(control); }

void CPaintManagerUI::ForgetControl(CControlUI* control) {
    if (!control) return;
    control->ForEach([&](CControlUI* c) {
        if (c == m_tooltipFor) m_tooltipFor = nullptr;
        m_names.Remove(c);
        m_names.RemoveFromAllGroups(c);
        m_input.Forget(c);
        for (UINT_PTR id : m_timers.RemoveAll(c)) WindowRegistry::Instance().KillTimer(m_hWnd, id);
    });
    // A removed control no longer belongs to this window: it raises no notifications and takes no focus.
    control->SetManager(nullptr, control->GetParent(), false);
    Invalidate();
}

void CPaintManagerUI::AddOptionGroup(const CDuiString& group, COptionUI* option) { m_names.AddToGroup(group.Str(), option); }
void CPaintManagerUI::RemoveOptionGroup(const CDuiString& group, COptionUI* option) { m_names.RemoveFromGroup(group.Str(), option); }
std::vector<COptionUI*> CPaintManagerUI::GetOptionGroup(const CDuiString& group) const { return m_names.Group(group.Str()); }

void CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
    if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) == m_notifiers.end()) m_notifiers.push_back(notifier);
}
void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
    m_notifiers.erase(std::remove(m_notifiers.begin(), m_notifiers.end(), notifier), m_notifiers.end());
}
void CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
    if (std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end()) m_filters.push_back(filter);
}
void CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
}

void CPaintManagerUI::SendNotify(CControlUI* control, const char* type, WPARAM wParam, LPARAM lParam, const POINT* pt) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.ptMouse = pt ? *pt : m_input.LastMouse();
    msg.dwTimestamp = SDL_GetTicks();
    HWND self = m_hWnd;
    auto notifiers = m_notifiers;  // a handler may add or remove notifiers
    for (INotifyUI* n : notifiers) {
        if (std::find(m_notifiers.begin(), m_notifiers.end(), n) == m_notifiers.end()) continue;
        n->Notify(msg);
        if (self && !IsWindowAlive(self)) break;  // the window went away under us
    }
}

bool CPaintManagerUI::IsWindowAlive(HWND hwnd) { return WindowRegistry::Instance().Lookup(hwnd) != nullptr; }

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapseMs) {
    if (!control || !m_hWnd) return false;
    WindowRegistry::Instance().SetTimer(m_hWnd, m_timers.Add(control, id), elapseMs);
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
    auto ids = m_timers.Remove(control, id);
    for (UINT_PTR n : ids) WindowRegistry::Instance().KillTimer(m_hWnd, n);
    return !ids.empty();
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    for (UINT_PTR n : m_timers.RemoveAll(control)) WindowRegistry::Instance().KillTimer(m_hWnd, n);
}

void CPaintManagerUI::SetFocus(CControlUI* control) { m_input.SetFocus(control); }

void CPaintManagerUI::Invalidate() {
    if (m_hWnd) WindowRegistry::Instance().MarkDirty(m_hWnd);
}

void CPaintManagerUI::NeedUpdate() {
    m_layoutNeeded = true;
    Invalidate();
}

void CPaintManagerUI::UpdateLayout() {
    if (!m_root) return;
    int w = m_lastSize.cx, h = m_lastSize.cy;
    if (SDL_Window* sdl = WindowRegistry::Instance().Sdl(m_hWnd)) SDL_GetWindowSize(sdl, &w, &h);
    else if (w == 0) { w = m_szInit.cx; h = m_szInit.cy; }
    if (w != m_lastSize.cx || h != m_lastSize.cy) m_layoutNeeded = true;
    if (!m_layoutNeeded) return;
    m_layoutNeeded = false;
    m_lastSize = SIZE{w, h};
    m_root->SetPos(MakeRect(0, 0, w, h), false);
}

void CPaintManagerUI::AddFont(int id, const TFontInfo& info, bool isDefault) {
    m_fonts[id] = info;
    if (isDefault) m_defaultFont = info;
}

TFontInfo CPaintManagerUI::GetFontInfo(int id) const {
    auto it = m_fonts.find(id);
    return it == m_fonts.end() ? m_defaultFont : it->second;
}

void CPaintManagerUI::AddDefaultAttributeList(const char* className, const char* list) {
    if (className && list) m_defaultAttrs[className] = list;
}

const char* CPaintManagerUI::GetDefaultAttributeList(const char* className) const {
    auto it = m_defaultAttrs.find(className ? className : "");
    return it == m_defaultAttrs.end() ? nullptr : it->second.c_str();
}

void CPaintManagerUI::ReportUnknownAttribute(const char* className, const char* name) {
    std::string entry = std::string(className) + "." + name;
    if (std::find(m_unknownAttrs.begin(), m_unknownAttrs.end(), entry) == m_unknownAttrs.end()) {
        m_unknownAttrs.push_back(entry);
        std::fprintf(stderr, "duilib: unknown attribute %s\n", entry.c_str());
    }
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    HWND self = m_hWnd;
    if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) {
        // Escape first closes an open drop-down or menu of this window, not the window itself.
        bool dismissed = false;
        for (HWND popup : GetOwnedWindows(self)) {
            if (!(WindowRegistry::Instance().ExStyle(popup) & WS_EX_TOOLWINDOW)) continue;
            CWindowWnd* wnd = WindowRegistry::Instance().Lookup(popup);
            if (!wnd || std::strcmp(wnd->GetWindowClassName(), "DuiTooltip") == 0) continue;
            WindowRegistry::Instance().Dispatch(popup, WM_KILLFOCUS, reinterpret_cast<WPARAM>(self), 0);
            dismissed = true;
        }
        if (dismissed) return true;
    }
    auto filters = m_filters;
    for (IMessageFilterUI* f : filters) {
        bool handled = false;
        LRESULT r = f->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) { lRes = r; return true; }
        if (!IsWindowAlive(self)) return true;
    }
    switch (uMsg) {
    case WM_PAINT:
        Paint();
        return true;
    case WM_SIZE:
        NeedUpdate();
        return false;
    case WM_TIMER: {
        if (wParam == kTooltipTimer) {
            WindowRegistry::Instance().KillTimer(m_hWnd, kTooltipTimer);
            ShowTooltip();
            return true;
        }
        CControlUI* c = nullptr;
        UINT id = 0;
        if (!m_timers.Lookup(wParam, c, id)) return false;
        TEventUI ev;
        ev.Type = UIEVENT_TIMER;
        ev.pSender = c;
        ev.wParam = id;
        c->DoEvent(ev);
        return true;
    }
    case WM_MOUSEMOVE: case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_CONTEXTMENU: case WM_MOUSEWHEEL: case WM_MOUSELEAVE: {
        bool handled = m_input.HandleMouse(uMsg, wParam, lParam);
        if (IsWindowAlive(self)) TrackTooltip(uMsg);
        return handled;
    }
    case WM_KEYDOWN:
        return m_input.HandleKey(uMsg, wParam, lParam);
    case WM_DUI_TEXTINPUT:
        return m_input.HandleText(reinterpret_cast<const char*>(lParam));
    default:
        return false;
    }
}

void CPaintManagerUI::TrackTooltip(UINT uMsg) {
    CControlUI* hover = m_input.GetHover();
    bool press = uMsg != WM_MOUSEMOVE;
    if (!press && hover == m_tooltipFor) return;
    WindowRegistry::Instance().KillTimer(m_hWnd, kTooltipTimer);
    if (m_tooltip) m_tooltip->Hide();
    m_tooltipFor = press ? nullptr : hover;
    if (m_tooltipFor && !m_tooltipFor->GetToolTip().IsEmpty())
        WindowRegistry::Instance().SetTimer(m_hWnd, kTooltipTimer, kTooltipDelayMs);
}

void CPaintManagerUI::ShowTooltip() {
    if (!m_tooltipFor || m_tooltipFor != m_input.GetHover() || !IsWindowEnabled(m_hWnd)) return;
    if (!m_tooltip) m_tooltip = std::make_unique<CTooltipWnd>();
    POINT pt = m_input.LastMouse();
    ClientToScreen(m_hWnd, pt);
    m_tooltip->Show(m_hWnd, m_tooltipFor->GetToolTip(), pt, GetFontInfo(-1));
}

void CPaintManagerUI::Paint() {
    if (!m_root) return;
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(m_hWnd);
    int w = m_szInit.cx, h = m_szInit.cy, pw = 0, ph = 0;
    if (sdl) {
        SDL_GetWindowSize(sdl, &w, &h);
        SDL_GetWindowSizeInPixels(sdl, &pw, &ph);
    }
    float scale = (w > 0 && pw > w) ? static_cast<float>(pw) / static_cast<float>(w) : 1.0f;
    if (!m_ctx.Resize(w, h, scale)) return;
    HWND self = m_hWnd;
    if (m_firstPaint) {
        m_firstPaint = false;
        UpdateLayout();
        SendNotify(m_root.get(), DUI_MSGTYPE_WINDOWINIT);
        if (!IsWindowAlive(self) || !m_root) return;
    }
    UpdateLayout();
    m_ctx.FillRect(MakeRect(0, 0, w, h), m_dwWindowBk);
    m_root->DoPaint(m_ctx, MakeRect(0, 0, w, h));
    Present();
    if (m_paintCount == 0) SaveShot();
    SaveLayout();
    ++m_paintCount;
    SendNotify(m_root.get(), DUI_MSGTYPE_WINDOWAFTERPAINT);
}

void CPaintManagerUI::SaveShot() {
    // Screenshots for documentation and the screenshot test: each window's first frame.
    const char* dir = std::getenv("KELVO_SHOT_DIR");
    CWindowWnd* wnd = WindowRegistry::Instance().Lookup(m_hWnd);
    if (!dir || !*dir || !wnd) return;
    std::string path = std::string(dir) + "/" + wnd->GetWindowClassName() + ".png";
    if (IMG_SavePNG(m_ctx.Surface(), path.c_str()) != 0)
        std::fprintf(stderr, "duilib: cannot save %s: %s\n", path.c_str(), IMG_GetError());
}

void CPaintManagerUI::SaveLayout() {
    // Where each named control is on the screen, for tests that drive the
    // program with real X input: KELVO_LAYOUT_DIR=dir writes dir/<class>.layout
    // ("name left top right bottom visible enabled text" per line, the text in
    // UTF-8 up to the line's end) when it changes.
    static const char* dir = std::getenv("KELVO_LAYOUT_DIR");
    CWindowWnd* wnd = WindowRegistry::Instance().Lookup(m_hWnd);
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(m_hWnd);
    if (!dir || !*dir || !wnd || !sdl || !m_root) return;
    int wx = 0, wy = 0;
    SDL_GetWindowPosition(sdl, &wx, &wy);
    std::string text = "window " + std::to_string(wx) + " " + std::to_string(wy) + "\n";
    m_root->ForEach([&](CControlUI* c) {
        if (c->GetName().IsEmpty()) return;
        const RECT& r = c->GetPos();
        text += std::string(c->GetName().GetData()) + " " + std::to_string(wx + r.left) + " " +
                std::to_string(wy + r.top) + " " + std::to_string(wx + r.right) + " " +
                std::to_string(wy + r.bottom) + " " + (c->IsVisible() ? "1" : "0") + " " +
                (c->IsEnabled() ? "1" : "0") + " " + GbkToUtf8Lenient(c->GetText().GetData()) + "\n";
    });
    if (text == m_lastLayout) return;
    m_lastLayout = text;
    const std::string path = std::string(dir) + "/" + wnd->GetWindowClassName() + ".layout";
    if (FILE* f = std::fopen((path + ".tmp").c_str(), "w")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        std::rename((path + ".tmp").c_str(), path.c_str());
    }
}

void CPaintManagerUI::Present() {
    SDL_Window* sdl = WindowRegistry::Instance().Sdl(m_hWnd);
    if (!sdl) return;
    SDL_Surface* target = SDL_GetWindowSurface(sdl);
    if (!target) return;
    SDL_SetSurfaceBlendMode(m_ctx.Surface(), SDL_BLENDMODE_NONE);
    SDL_BlitSurface(m_ctx.Surface(), nullptr, target, nullptr);
    SDL_UpdateWindowSurface(sdl);
}

}  // namespace DuiLib
