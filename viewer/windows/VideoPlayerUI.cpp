#include "VideoPlayerUI.h"

#include <RenderContext.h>
#include <SDL.h>

#include <algorithm>

namespace kelvo {
using namespace DuiLib;

VideoPlayerUI::VideoPlayerUI() { m_dwBackColor = 0xFF000000; }

VideoPlayerUI::~VideoPlayerUI() { StopAll(); }

void VideoPlayerUI::DoInit() {
    SDL_Window* parent = m_pManager ? WindowRegistry::Instance().Sdl(m_pManager->GetPaintWindow()) : nullptr;
    m_parent = parent;
    if (!m_player) m_player = m_factory(parent);
    if (m_pManager) m_pManager->SetTimer(this, kRedrawTimer, kRedrawMs);
}

bool VideoPlayerUI::PlayList(const RecordItem* items, int count, HWND target) {
    StopAll();
    if (!m_player || !items || count < 1) return false;
    auto list = std::make_shared<Playlist>();
    {
        std::lock_guard<std::mutex> g(list->lock);
        list->items.assign(items, items + count);
        list->firstStart = items[0].begin;
        list->lastEnd = items[count - 1].end;
        for (const RecordItem& it : list->items) list->total += std::max<long long>(it.duration, 0);
    }
    list->number = m_nextNumber++;
    if (m_nextNumber == 0) m_nextNumber = 1;  // 0 means "no list"
    auto worker = std::make_unique<PlaybackWorker>(m_player, list, target);
    if (!worker->Start()) return false;
    m_list = std::move(list);
    m_worker = std::move(worker);
    return true;
}

void VideoPlayerUI::StopAll() {
    if (m_worker) {
        m_worker->RequestStopNow();
        if (m_player) m_player->Stop();  // ends a pending open or wait of the worker
        m_worker->Stop();                // no lock held: the worker may need it to finish
        bool abandoned = m_worker->IsAbandoned();
        CThread::Dispose(std::move(m_worker));
        if (abandoned) {
            // The abandoned run still holds the old player; a new run gets a fresh one.
            ++m_abandoned;
            m_player = m_factory(m_parent);
            if (m_player) m_player->SetSpeed(m_speed);
        }
    }
    if (m_player) m_player->Close();
    if (m_list) {
        std::lock_guard<std::mutex> g(m_list->lock);
        m_list->items.clear();
    }
    m_list.reset();
    Invalidate();
}

void VideoPlayerUI::UsePlayer(std::shared_ptr<RecordPlayer> player, RecordPlayerFactory factory) {
    StopAll();
    if (player) m_player = std::move(player);
    if (factory) m_factory = factory;
    if (m_player) m_player->SetSpeed(m_speed);
}

void VideoPlayerUI::Seek(int64_t target) {
    if (!m_list) return;
    m_list->jumpTarget.store(target);
    m_list->jump.Set();
}

void VideoPlayerUI::Pause() {
    if (m_player) m_player->Pause();
}

void VideoPlayerUI::Resume() {
    if (m_player) m_player->Resume();
}

void VideoPlayerUI::SetZoomEnabled(bool enabled) {
    m_zoomEnabled = enabled;
    m_drag.Release();
    if (!enabled && m_zoom.Zoomed()) {
        m_zoom.Reset();
        Invalidate();
    }
}

void VideoPlayerUI::SetSpeed(double factor) {
    m_speed = factor;
    if (m_player) m_player->SetSpeed(factor);
}

void VideoPlayerUI::StepFrame() {
    if (m_player) m_player->StepFrame();
}

void VideoPlayerUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_TIMER && event.wParam == kRedrawTimer) {
        uint64_t n = m_player ? m_player->PictureCount() : 0;
        if (n != m_shownPictures && IsVisible()) Invalidate();
        return;
    }
    const int x = event.ptMouse.x, y = event.ptMouse.y;
    int dx = 0, dy = 0;
    if (m_zoomEnabled) {
        switch (event.Type) {
        case UIEVENT_SCROLLWHEEL:
            if (m_zoom.ZoomAt(m_placed, x, y, static_cast<int>(static_cast<LPARAM>(event.wParam)))) Invalidate();
            return;
        case UIEVENT_BUTTONDOWN: m_drag.Press(x, y); break;
        case UIEVENT_BUTTONUP: m_drag.Release(); break;
        case UIEVENT_MOUSEMOVE:
            if (m_zoom.Zoomed() && m_drag.Move(x, y, &dx, &dy) && m_zoom.PanBy(m_placed, dx, dy)) Invalidate();
            break;
        case UIEVENT_DBLCLICK:
            if (event.wKeyState & MK_CONTROL) {
                m_zoom.Reset();
                Invalidate();
                return;
            }
            break;
        default: break;
        }
    }
    CControlUI::DoEvent(event);
}

void VideoPlayerUI::DoPaint(CRenderContext& ctx, const RECT& rcPaint) {
    CControlUI::DoPaint(ctx, rcPaint);
    SDL_Renderer* renderer = ctx.Renderer();
    if (!renderer || !m_player || !m_player->CopyPicture(&m_picture)) return;
    m_shownPictures = m_player->PictureCount();
    const int w = m_picture.width, h = m_picture.height;
    if (w <= 0 || h <= 0 || m_rcItem.IsEmpty()) return;
    // A texture per frame: the context may recreate its renderer (and free its textures) at any
    // resize, so none is kept across paints.
    SDL_Texture* tex = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (!tex) return;
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    const uint8_t* y = m_picture.bytes.data();
    const uint8_t* u = y + static_cast<size_t>(w) * h;
    const uint8_t* v = u + static_cast<size_t>(cw) * ch;
    if (m_picture.bytes.size() >= static_cast<size_t>(w) * h + 2u * cw * ch &&
        SDL_UpdateYUVTexture(tex, nullptr, y, w, u, cw, v, cw) == 0) {
        // Fit inside the control, keeping the picture's aspect ratio.
        const int aw = m_rcItem.Width(), ah = m_rcItem.Height();
        int dw = aw, dh = static_cast<int>(static_cast<int64_t>(aw) * h / w);
        if (dh > ah) {
            dh = ah;
            dw = static_cast<int>(static_cast<int64_t>(ah) * w / h);
        }
        SDL_Rect dst{m_rcItem.left + (aw - dw) / 2, m_rcItem.top + (ah - dh) / 2, dw, dh};
        m_placed = PictureZoom::Placement{w, h, SDL_Rect{0, 0, w, h}, dst};
        const SDL_Rect src = m_zoom.Source(m_placed);
        SDL_RenderCopy(renderer, tex, &src, &dst);
        SDL_RenderFlush(renderer);
        if (m_zoom.Zoomed() && m_pManager) {
            const RECT badge{dst.x + dst.w - 56, dst.y + 8, dst.x + dst.w - 8, dst.y + 30};
            ctx.FillRect(badge, 0x99000000);
            ctx.DrawText(badge, m_zoom.Label(), m_pManager->GetFontInfo(-1), 0xFFEBEBEB,
                         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
    SDL_DestroyTexture(tex);
}

}  // namespace kelvo
