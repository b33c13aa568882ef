// The main window's saved views: the views dialog, Ctrl+1..9, the tour,
// and the wall of the last session restored after login.
#include "MainForm.h"

#include <climits>

#include "ClientConfig.h"
#include "KelvoNetwork.h"
#include "ViewsForm.h"

namespace kelvo {

using namespace DuiLib;

namespace {
constexpr UINT kTourTimer = 0x7A01;
}

ViewStore& MainForm::Views() {
    if (!m_views) {
        const std::string config = ClientConfig::Instance().ConfigPath();
        const size_t slash = config.rfind('/');
        m_views = std::make_unique<ViewStore>((slash == std::string::npos ? std::string() : config.substr(0, slash + 1)) +
                                              "Views.xml");
        m_views->Load();
    }
    return *m_views;
}

SavedView MainForm::CurrentView() {
    SavedView view;
    VideoRenderer& r = Wall()->Renderer();
    r.GetLayout(&view.columns, &view.rows, &view.spanAcross, &view.spanDown);
    view.fitMode = r.FitMode();
    for (int i = 0; i < r.ViewCount(); ++i) {
        const int v = r.ViewAt(i);
        auto* cam = v ? static_cast<PlayerCamera*>(r.AttachedRecord(v)) : nullptr;
        view.panes.push_back(cam ? cam->key : std::string());
    }
    while (!view.panes.empty() && view.panes.back().empty()) view.panes.pop_back();
    return view;
}

void MainForm::OpenView(const SavedView& view, bool quiet) {
    KelvoPlayer* wall = Wall();
    if (!wall || !m_loggedIn) return;
    void* session = wall->Session();
    const bool mayView = (KelvoSession_GetRightMask(session) & RIGHT_SCHEDULE) != 0;
    const std::vector<PaneOpen> plan = RestorePlan(view, m_onlineOrder, KelvoSession_GetMaxStream(session), mayView);
    wall->CloseAll();
    wall->SetLayout(view.columns, view.rows, view.spanAcross, view.spanDown);
    wall->Renderer().SetFitMode(view.fitMode);
    for (const PaneOpen& p : plan) {
        if (!wall->OpenCamera(p.key, m_titlePaths[p.key])) continue;
        if (PlayerCamera* cam = wall->FindCamera(p.key)) wall->Renderer().PlaceView(cam->view, p.pane);
    }
    PostWallUpdate(0);
    if (quiet) return;
    // Say why cameras of the view stayed closed, as opening them one by one would.
    const size_t wanted = RestorePlan(view, m_onlineOrder, INT_MAX, true).size();
    if (!mayView && wanted > 0)
        ShowMessage("您在当前时间段没有权限观看，请和管理员联系！");
    else if (plan.size() < wanted)
        ShowMessage("您打开的视频达到了最大限制，请和管理员联系！");
}

void MainForm::OpenViewAt(int index) {
    const auto& views = Views().Views();
    if (index >= 0 && static_cast<size_t>(index) < views.size()) OpenView(views[static_cast<size_t>(index)], false);
}

void MainForm::SetTour(bool on, int seconds) {
    CControlUI* anchor = m_pm.FindControl("btn_views");
    m_touring = false;
    if (anchor) m_pm.KillTimer(anchor, kTourTimer);
    if (!on || !anchor || Views().Tour().empty()) return;
    m_touring = true;
    m_tourIndex = 0;
    OpenView(*Views().Find(Views().Tour()[0]), true);
    m_pm.SetTimer(anchor, kTourTimer, static_cast<UINT>(seconds) * 1000u);
}

void MainForm::TourStep() {
    const auto& tour = Views().Tour();
    if (!m_touring || tour.empty()) {
        SetTour(false, 0);
        return;
    }
    m_tourIndex = (m_tourIndex + 1) % tour.size();
    if (const SavedView* view = Views().Find(tour[m_tourIndex])) OpenView(*view, true);
}

void MainForm::ShowViews() {
    ViewsForm form(Views());
    form.currentView = [this] { return CurrentView(); };
    form.touring = m_touring;
    SavedView chosen;
    bool open = false;
    form.openView = [&](const SavedView& v) {
        chosen = v;
        open = true;
    };
    bool tourChanged = false, tourOn = false;
    int tourSeconds = 30;
    form.setTour = [&](bool on, int seconds) {
        tourChanged = true;
        tourOn = on;
        tourSeconds = seconds;
    };
    if (!form.Create(GetHWND(), "ViewsForm", UI_WNDSTYLE_DIALOG, 0)) return;
    form.CenterWindow();
    {
        ModalScope scope(m_modals, form.GetHWND());
        form.ShowModal();
    }
    // Acted on once the dialog is gone: opening may show messages of its own.
    if (tourChanged) SetTour(tourOn, tourSeconds);
    if (open) {
        SetTour(false, 0);
        OpenView(chosen, false);
    }
}

void MainForm::SaveLastView() {
    if (!m_loggedIn || !Wall()) return;
    Views().SetLast(CurrentView());
    Views().Save();
}

void MainForm::RestoreLastView() {
    if (!ClientConfig::Instance().restoreLastView || !Views().HasLast()) return;
    OpenView(Views().Last(), true);
}

}  // namespace kelvo
