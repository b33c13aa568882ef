#include "VideoRenderer.h"

#include <algorithm>
#include <climits>

namespace kelvo {

namespace {
const char kDefaultFont[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
constexpr int kTitlePixels = 11;

// State texts of a pane without a live picture.
const char kTextNoVideo[] = "无视频";
const char kTextConnecting[] = "正在连接";
const char kTextReconnecting[] = "正在重连";
const char kTextFailed[] = "连接失败";

constexpr SDL_Color kWindowBackground{0x15, 0x19, 0x1E, 0xFF};
constexpr SDL_Color kViewBackground{0x00, 0x00, 0x00, 0xFF};
constexpr SDL_Color kSecondaryText{0x8A, 0x97, 0xA5, 0xFF};
constexpr SDL_Color kPrimaryText{0xEB, 0xEB, 0xEB, 0xFF};
constexpr SDL_Color kSelectedFrame{0x4C, 0x9B, 0xE8, 0xFF};
constexpr SDL_Color kHoverFrame{0x45, 0x77, 0xA0, 0xFF};

void SetColour(SDL_Renderer* r, SDL_Color c)
{
    SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a);
}
}  // namespace

VideoRenderer::VideoRenderer() : m_text(kDefaultFont, kTitlePixels)
{
    m_layout.Set(1, 1, 1, 1);
}

VideoRenderer::~VideoRenderer()
{
    ReleaseTextures();
}

void VideoRenderer::SetCallback(IRenderManagerCallBack* callback)
{
    m_callback.store(callback);
}

bool VideoRenderer::Start(int x, int y, int w, int h, SDL_Renderer* surface)
{
    if (surface == nullptr)
        return false;
    if (surface != m_surface)
        ReleaseTextures();
    m_surface = surface;
    MoveSurface(x, y, w, h);
    return true;
}

void VideoRenderer::MoveSurface(int x, int y, int w, int h)
{
    m_layout.SetRegion(SDL_Rect{x, y, w, h});
    RequestRepaint();
}

void VideoRenderer::Stop()
{
    ReleaseTextures();
    m_surface = nullptr;
}

void VideoRenderer::AbandonSurface()
{
    for (auto& [number, view] : m_views)
        (void)view.texture.release();
    m_text.AbandonTextures();
    ReleaseTextures();
    m_surface = nullptr;
}

SDL_Renderer* VideoRenderer::SurfaceHandle() const
{
    return m_surface;
}

SDL_Rect VideoRenderer::SurfaceRect() const
{
    return m_layout.Region();
}

void VideoRenderer::ReleaseTextures()
{
    for (auto& [number, view] : m_views) {
        view.texture.reset();
        view.textureW = view.textureH = 0;
        // Rebuilt from the kept picture on the next surface.
        view.textureStale = !view.frame.bytes.empty();
    }
    m_text.ReleaseTextures();
}

VideoRenderer::View* VideoRenderer::Find(int view)
{
    auto it = m_views.find(view);
    return it == m_views.end() ? nullptr : &it->second;
}

const VideoRenderer::View* VideoRenderer::Find(int view) const
{
    auto it = m_views.find(view);
    return it == m_views.end() ? nullptr : &it->second;
}

int VideoRenderer::IndexOf(int view) const
{
    if (view == 0)
        return -1;
    auto it = std::find(m_panes.begin(), m_panes.end(), view);
    return it == m_panes.end() ? -1 : int(it - m_panes.begin());
}

std::shared_ptr<FrameSlot> VideoRenderer::SlotOf(int view) const
{
    std::lock_guard<std::mutex> guard(m_slotsLock);
    auto it = m_slots.find(view);
    return it == m_slots.end() ? nullptr : it->second;
}

void VideoRenderer::RequestRepaint()
{
    if (m_repaintRequested.exchange(true))
        return;
    if (IRenderManagerCallBack* cb = m_callback.load())
        cb->OnSurfaceChanged();
}

int VideoRenderer::CreateView(int width, int height, int /*reserved*/)
{
    if (FrameSlot::I420Size(width, height) == 0)
        return 0;
    const int panes = m_layout.PaneCount();
    if (int(m_panes.size()) < panes)
        m_panes.resize(size_t(panes), 0);
    int index = -1;
    for (int i = 0; i < panes; ++i) {
        if (m_panes[size_t(i)] == 0) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return 0;

    // Numbers only grow; after a wrap, skip the ones still alive.
    while (m_views.count(m_nextView) != 0)
        m_nextView = m_nextView == INT_MAX ? 1 : m_nextView + 1;
    const int number = m_nextView;
    m_nextView = m_nextView == INT_MAX ? 1 : m_nextView + 1;

    auto slot = std::make_shared<FrameSlot>();
    slot->Reserve(width, height);
    View& v = m_views[number];
    v.slot = slot;
    {
        std::lock_guard<std::mutex> guard(m_slotsLock);
        m_slots[number] = std::move(slot);
    }
    m_panes[size_t(index)] = number;
    RequestRepaint();
    return number;
}

bool VideoRenderer::RemoveView(int view)
{
    if (Find(view) == nullptr)
        return false;
    {
        std::lock_guard<std::mutex> guard(m_slotsLock);
        m_slots.erase(view);
    }
    m_views.erase(view);
    const int index = IndexOf(view);
    if (index >= 0)
        m_panes[size_t(index)] = 0;
    // Hidden panes past the layout are only kept while they hold views.
    while (int(m_panes.size()) > m_layout.PaneCount() && m_panes.back() == 0)
        m_panes.pop_back();
    RequestRepaint();
    return true;
}

bool VideoRenderer::ResizeView(int view, int width, int height, int /*reserved*/)
{
    View* v = Find(view);
    if (v == nullptr || FrameSlot::I420Size(width, height) == 0)
        return false;
    v->slot->Reserve(width, height);
    return true;
}

bool VideoRenderer::ShowPicture(int view, const uint8_t* i420, int width, int height)
{
    std::shared_ptr<FrameSlot> slot = SlotOf(view);
    if (!slot || !slot->Store(i420, width, height))
        return false;
    RequestRepaint();
    return true;
}

bool VideoRenderer::SetReconnecting(int view, int /*reserved*/)
{
    std::shared_ptr<FrameSlot> slot = SlotOf(view);
    if (!slot)
        return false;
    slot->SetReconnecting(true);
    RequestRepaint();
    return true;
}

bool VideoRenderer::SetFailed(int view)
{
    std::shared_ptr<FrameSlot> slot = SlotOf(view);
    if (!slot)
        return false;
    slot->SetFailed(true);
    RequestRepaint();
    return true;
}

uint64_t VideoRenderer::PicturesDrawn(int view) const
{
    const View* v = Find(view);
    return v ? v->drawn : 0;
}

int VideoRenderer::LastSlotDelayMs(int view) const
{
    const View* v = Find(view);
    return v ? v->slotDelayMs : 0;
}

uint64_t VideoRenderer::PicturesReceived(int view) const
{
    std::shared_ptr<FrameSlot> slot = SlotOf(view);
    return slot ? slot->StoredCount() : 0;
}

int VideoRenderer::ViewCount() const
{
    return m_layout.PaneCount();
}

int VideoRenderer::ViewAt(int index) const
{
    if (index < 0 || index >= int(m_panes.size()))
        return 0;
    return m_panes[size_t(index)];
}

void VideoRenderer::BeginLayoutChange(int view, int /*reserved*/)
{
    const int index = IndexOf(view);
    if (index <= 0)
        return;
    std::swap(m_panes[0], m_panes[size_t(index)]);
    if (m_selected == index)
        m_selected = 0;
    else if (m_selected == 0)
        m_selected = index;
}

bool VideoRenderer::PlaceView(int view, int index)
{
    const int from = IndexOf(view);
    if (from < 0 || index < 0 || index >= m_layout.PaneCount())
        return false;
    if (int(m_panes.size()) <= index)
        m_panes.resize(size_t(index) + 1, 0);
    std::swap(m_panes[size_t(from)], m_panes[size_t(index)]);
    if (m_selected == from)
        m_selected = index;
    else if (m_selected == index)
        m_selected = from;
    RequestRepaint();
    return true;
}

void VideoRenderer::EndLayoutChange(int /*reserved*/)
{
    RequestRepaint();
}

bool VideoRenderer::SetLayout(int cols, int rows, int spanAcross, int spanDown)
{
    if (!m_layout.Set(cols, rows, spanAcross, spanDown))
        return false;
    const int panes = m_layout.PaneCount();
    if (int(m_panes.size()) < panes)
        m_panes.resize(size_t(panes), 0);
    while (int(m_panes.size()) > panes && m_panes.back() == 0)
        m_panes.pop_back();
    if (m_selected >= panes)
        m_selected = -1;
    if (m_hovered >= panes)
        m_hovered = -1;
    RequestRepaint();
    return true;
}

void VideoRenderer::GetLayout(int* cols, int* rows, int* spanAcross, int* spanDown) const
{
    if (cols)
        *cols = m_layout.Columns();
    if (rows)
        *rows = m_layout.Rows();
    if (spanAcross)
        *spanAcross = m_layout.SpanAcross();
    if (spanDown)
        *spanDown = m_layout.SpanDown();
}

int VideoRenderer::SelectedView() const
{
    return m_selected < 0 ? 0 : ViewAt(m_selected);
}

int VideoRenderer::ViewToGiveUp() const
{
    // Rank: reconnecting, then never showed a picture, then oldest (lowest
    // number). The selected view only when it is the one shown.
    int best = 0;
    int bestRank = INT_MAX;
    const int selected = SelectedView();
    for (int i = 0, n = m_layout.PaneCount(); i < n; ++i) {
        const int number = ViewAt(i);
        const View* v = Find(number);
        if (v == nullptr)
            continue;
        int rank = 2;
        if (v->slot->Reconnecting() || v->slot->Failed())
            rank = 0;
        else if (v->slot->StoredCount() == 0)
            rank = 1;
        if (number == selected)
            rank = 3;
        if (rank < bestRank || (rank == bestRank && number < best)) {
            best = number;
            bestRank = rank;
        }
    }
    return best;
}

SDL_Rect VideoRenderer::ViewRect(int view) const
{
    const int index = IndexOf(view);
    if (index < 0 || index >= m_layout.PaneCount())
        return SDL_Rect{0, 0, 0, 0};
    return m_layout.PaneRect(index);
}

bool VideoRenderer::Attach(int view, void* record)
{
    View* v = Find(view);
    if (v == nullptr)
        return false;
    v->record = record;
    return true;
}

void* VideoRenderer::AttachedRecord(int view) const
{
    const View* v = Find(view);
    return v ? v->record : nullptr;
}

bool VideoRenderer::IsViewFree(int view) const
{
    const View* v = Find(view);
    return v == nullptr || v->record == nullptr;
}

bool VideoRenderer::SetTitle(int view, const std::string& utf8)
{
    View* v = Find(view);
    if (v == nullptr)
        return false;
    if (v->title != utf8) {
        v->title = utf8;
        RequestRepaint();
    }
    return true;
}

bool VideoRenderer::SetStatus(int view, const PaneLabel& label)
{
    View* v = Find(view);
    if (v == nullptr)
        return false;
    if (v->status != label) {
        v->status = label;
        RequestRepaint();
    }
    return true;
}

bool VideoRenderer::SetFigures(int view, std::vector<std::string> lines)
{
    View* v = Find(view);
    if (v == nullptr)
        return false;
    if (v->figures != lines) {
        v->figures = std::move(lines);
        RequestRepaint();
    }
    return true;
}

void VideoRenderer::SetPaneNotice(int index, const PaneLabel& label)
{
    if (label.text.empty())
        m_notices.erase(index);
    else
        m_notices[index] = label;
    RequestRepaint();
}

PaneLabel VideoRenderer::Status(int view) const
{
    const View* v = Find(view);
    return v ? v->status : PaneLabel{};
}

std::vector<std::string> VideoRenderer::Figures(int view) const
{
    const View* v = Find(view);
    return v ? v->figures : std::vector<std::string>{};
}

PaneLabel VideoRenderer::PaneNoticeAt(int index) const
{
    auto it = m_notices.find(index);
    return it == m_notices.end() ? PaneLabel{} : it->second;
}

void VideoRenderer::ClearPaneNotices()
{
    if (m_notices.empty())
        return;
    m_notices.clear();
    RequestRepaint();
}

void VideoRenderer::SetTitlesVisible(bool visible)
{
    if (visible != m_titlesVisible) {
        m_titlesVisible = visible;
        RequestRepaint();
    }
}

bool VideoRenderer::TitlesVisible() const
{
    return m_titlesVisible;
}

int VideoRenderer::FitMode() const
{
    return int(m_fitMode);
}

bool VideoRenderer::SetFitMode(int mode)
{
    if (mode < PictureFit::KEEP_ASPECT || mode > PictureFit::TRUE_SIZE)
        return false;
    m_fitMode = PictureFit::Mode(mode);
    RequestRepaint();
    return true;
}

void VideoRenderer::SetFontPath(const std::string& path)
{
    m_text.SetFontPath(path);
    RequestRepaint();
}

int VideoRenderer::HandleMouse(int x, int y, MouseAction action, int wheel)
{
    const int pane = action == MouseAction::LEAVE ? -1 : m_layout.HitTest(x, y);
    if (pane != m_hovered) {
        m_hovered = pane;
        RequestRepaint();
    }
    TrackZoom(pane, x, y, action, wheel);
    const bool click = action == MouseAction::LEFT_DOWN || action == MouseAction::RIGHT_DOWN ||
                       action == MouseAction::DOUBLE_CLICK;
    if (!click || pane < 0)
        return pane;
    if (pane != m_selected) {
        m_selected = pane;
        RequestRepaint();
    }
    const int view = ViewAt(pane);
    // No lock is held here: the wall may call straight back in.
    if (IRenderManagerCallBack* cb = m_callback.load())
        cb->OnViewSelected(0, view != 0 ? view : -1);
    return pane;
}


void VideoRenderer::Draw()
{
    // Cleared first: a picture arriving while we draw asks again.
    m_repaintRequested.store(false);
    const SDL_Rect region = m_layout.Region();
    if (m_surface == nullptr || region.w <= 0 || region.h <= 0)
        return;

    // The rest of the window belongs to the toolkit: leave its state as found.
    SDL_Rect oldClip{0, 0, 0, 0};
    SDL_RenderGetClipRect(m_surface, &oldClip);
    const bool wasClipped = SDL_RenderIsClipEnabled(m_surface) == SDL_TRUE;
    Uint8 r = 0, g = 0, b = 0, a = 0;
    SDL_GetRenderDrawColor(m_surface, &r, &g, &b, &a);
    SDL_BlendMode oldBlend = SDL_BLENDMODE_NONE;
    SDL_GetRenderDrawBlendMode(m_surface, &oldBlend);

    SDL_SetRenderDrawBlendMode(m_surface, SDL_BLENDMODE_NONE);
    SDL_RenderSetClipRect(m_surface, &region);
    SetColour(m_surface, kWindowBackground);  // what shows through the gaps
    SDL_RenderFillRect(m_surface, &region);
    for (int i = 0, n = m_layout.PaneCount(); i < n; ++i)
        DrawPane(i, m_layout.PaneRect(i));

    SDL_RenderSetClipRect(m_surface, wasClipped ? &oldClip : nullptr);
    SDL_SetRenderDrawColor(m_surface, r, g, b, a);
    SDL_SetRenderDrawBlendMode(m_surface, oldBlend);
}

void VideoRenderer::DrawPane(int index, const SDL_Rect& pane)
{
    if (pane.w <= 0 || pane.h <= 0)
        return;
    SDL_RenderSetClipRect(m_surface, &pane);
    SetColour(m_surface, kViewBackground);
    SDL_RenderFillRect(m_surface, &pane);

    View* v = Find(ViewAt(index));
    auto notice = m_notices.find(index);
    if (v == nullptr) {
        if (notice != m_notices.end())
            PaneOverlay::DrawLabel(m_surface, m_text, notice->second, pane);
        else
            DrawCentredText(kTextNoVideo, pane);
    } else {
        if (v->slot->TakeLatest(&v->frame))
            v->textureStale = true;
        SDL_Rect src{0, 0, 0, 0};
        SDL_Rect dst{0, 0, 0, 0};
        const bool failed = v->slot->Failed(), reconnecting = v->slot->Reconnecting();
        bool pictured = false;
        if (!failed && !reconnecting && Upload(*v) &&
            PictureFit::Compute(m_fitMode, pane, v->textureW, v->textureH, &src, &dst)) {
            src = v->zoom.Source(PictureZoom::Placement{v->textureW, v->textureH, src, dst});
            SDL_RenderCopy(m_surface, v->texture.get(), &src, &dst);
            DrawZoomBadge(v->zoom, pane);
            pictured = true;
        }
        if (!v->status.text.empty())
            PaneOverlay::DrawLabel(m_surface, m_text, v->status, pane);
        else if (notice != m_notices.end())
            PaneOverlay::DrawLabel(m_surface, m_text, notice->second, pane);
        else if (failed)
            DrawCentredText(kTextFailed, pane);
        else if (reconnecting)
            DrawCentredText(kTextReconnecting, pane);
        else if (!pictured)
            DrawCentredText(kTextConnecting, pane);
        if (m_titlesVisible)
            DrawTitle(v->title, pane);
        if (!v->figures.empty())
            PaneOverlay::DrawFigures(m_surface, m_text, v->figures, pane,
                                     pane.y + (m_titlesVisible && !v->title.empty() ? m_text.LineHeight() + 4 : 0));
    }

    if (index == m_selected)
        DrawFrame(pane, 2, kSelectedFrame);
    else if (index == m_hovered)
        DrawFrame(pane, 1, kHoverFrame);
    SDL_RenderSetClipRect(m_surface, &m_layout.Region());
}

bool VideoRenderer::Upload(View& v)
{
    if (!v.textureStale)
        return v.texture != nullptr;
    const I420Frame& f = v.frame;
    if (FrameSlot::I420Size(f.width, f.height) != f.bytes.size())
        return false;
    if (!v.texture || v.textureW != f.width || v.textureH != f.height) {
        v.texture.reset(SDL_CreateTexture(m_surface, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
                                          f.width, f.height));
        v.textureW = v.textureH = 0;
        if (!v.texture)
            return false;
        v.textureW = f.width;
        v.textureH = f.height;
    }
    const int cw = (f.width + 1) / 2;
    const int ch = (f.height + 1) / 2;
    const uint8_t* y = f.bytes.data();
    const uint8_t* u = y + size_t(f.width) * size_t(f.height);
    const uint8_t* vp = u + size_t(cw) * size_t(ch);
    if (SDL_UpdateYUVTexture(v.texture.get(), nullptr, y, f.width, u, cw, vp, cw) != 0)
        return false;
    v.textureStale = false;
    ++v.drawn;
    v.slotDelayMs = static_cast<int>(SDL_GetTicks() - f.storedMs);
    return true;
}

void VideoRenderer::DrawCentredText(const std::string& text, const SDL_Rect& pane)
{
    int w = 0;
    int h = 0;
    if (!m_text.Measure(m_surface, text, kSecondaryText, &w, &h))
        return;
    m_text.Draw(m_surface, text, kSecondaryText, pane.x + (pane.w - w) / 2, pane.y + (pane.h - h) / 2);
}

void VideoRenderer::DrawTitle(const std::string& title, const SDL_Rect& pane)
{
    const int line = title.empty() ? 0 : m_text.LineHeight();
    if (line <= 0)
        return;
    const SDL_Rect strip{pane.x, pane.y, pane.w, std::min(pane.h, line + 4)};
    PaneOverlay::FillStrip(m_surface, strip);
    m_text.Draw(m_surface, title, kPrimaryText, pane.x + 4, pane.y + 2);
}

void VideoRenderer::DrawFrame(const SDL_Rect& pane, int thickness, SDL_Color colour)
{
    const int t = std::min({thickness, pane.w, pane.h});
    const SDL_Rect edges[4] = {
        {pane.x, pane.y, pane.w, t},
        {pane.x, pane.y + pane.h - t, pane.w, t},
        {pane.x, pane.y, t, pane.h},
        {pane.x + pane.w - t, pane.y, t, pane.h},
    };
    SetColour(m_surface, colour);
    SDL_RenderFillRects(m_surface, edges, 4);
}

bool VideoRenderer::PlaceOf(int view, PictureZoom::Placement* p) const
{
    const View* v = Find(view);
    const int index = IndexOf(view);
    if (v == nullptr || index < 0 || index >= m_layout.PaneCount())
        return false;
    return PictureZoom::Place(m_fitMode, m_layout.PaneRect(index), v->frame.width, v->frame.height, p);
}

void VideoRenderer::TrackZoom(int pane, int x, int y, MouseAction action, int wheel)
{
    if (!m_zoomEnabled)
        return;
    PictureZoom::Placement place;
    switch (action) {
    case MouseAction::WHEEL: {
        const int view = ViewAt(pane);
        if (pane >= 0 && PlaceOf(view, &place) && Find(view)->zoom.ZoomAt(place, x, y, wheel))
            RequestRepaint();
        return;
    }
    case MouseAction::LEFT_DOWN:
        m_dragView = ViewAt(pane);
        m_drag.Press(x, y);
        return;
    case MouseAction::MOVE: {
        View* v = Find(m_dragView);
        int dx = 0;
        int dy = 0;
        if (v != nullptr && v->zoom.Zoomed() && m_drag.Move(x, y, &dx, &dy) && PlaceOf(m_dragView, &place) &&
            v->zoom.PanBy(place, dx, dy))
            RequestRepaint();
        return;
    }
    case MouseAction::LEFT_UP:
    case MouseAction::LEAVE:
        m_dragView = 0;
        m_drag.Release();
        return;
    default:
        return;
    }
}

void VideoRenderer::SetZoomEnabled(bool enabled)
{
    m_zoomEnabled = enabled;
    m_dragView = 0;
    m_drag.Release();
    if (enabled)
        return;
    for (auto& [number, view] : m_views)
        view.zoom.Reset();
    RequestRepaint();
}

bool VideoRenderer::ResetZoomAt(int x, int y)
{
    View* v = Find(ViewAt(m_layout.HitTest(x, y)));
    if (v == nullptr || !v->zoom.Zoomed())
        return false;
    v->zoom.Reset();
    RequestRepaint();
    return true;
}

double VideoRenderer::ZoomFactor(int view) const
{
    const View* v = Find(view);
    return v ? v->zoom.Factor() : 1.0;
}

void VideoRenderer::DrawZoomBadge(const PictureZoom& zoom, const SDL_Rect& pane)
{
    if (!zoom.Zoomed())
        return;
    const std::string label = zoom.Label();
    int w = 0;
    int h = 0;
    if (!m_text.Measure(m_surface, label, kPrimaryText, &w, &h))
        return;
    // Top right, below where a title strip would be.
    const SDL_Rect box{pane.x + pane.w - w - 12, pane.y + m_text.LineHeight() + 8, w + 8, h + 4};
    PaneOverlay::FillStrip(m_surface, box);
    m_text.Draw(m_surface, label, kPrimaryText, box.x + 4, box.y + 2);
}

}  // namespace kelvo
