#include "AvPlayer.h"

#include "PlaybackSession.h"

#include <algorithm>

namespace kelvo {

std::shared_ptr<AvPlayer> AvPlayer::Create(SDL_Window* parent, int* status) {
    if (status) *status = 0;
    return std::make_shared<AvPlayer>(Passkey{}, parent);
}

AvPlayer::AvPlayer(Passkey, SDL_Window* parent) : m_parent(parent), m_slot(std::make_shared<PictureSlot>()) {}

AvPlayer::~AvPlayer() { Destory(); }

std::shared_ptr<PlaybackSession> AvPlayer::CurrentSession() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_session;
}

bool AvPlayer::Open(const std::string& url) {
    auto session = std::make_shared<PlaybackSession>(m_slot, kIoTimeoutMs);
    std::shared_ptr<PlaybackSession> previous;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_stopped || m_destroyed) return false;
        previous = std::move(m_session);
        session->SetSpeed(m_speed);
        // Published before the open so that Stop can abort it.
        m_session = session;
    }
    if (previous) {
        previous->Shutdown(kJoinTimeoutMs);
        // Freed before the next open: its audio device must be closed first, as drivers with
        // a single device refuse a second one.
        previous.reset();
    }
    return session->Open(url);
}

bool AvPlayer::Play() {
    std::shared_ptr<PlaybackSession> session;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_stopped || m_destroyed) return false;
        session = m_session;
    }
    return session && session->Play();
}

void AvPlayer::Pause() {
    if (auto session = CurrentSession()) session->SetPaused(true);
}

void AvPlayer::Resume() {
    if (auto session = CurrentSession()) session->SetPaused(false);
}

void AvPlayer::SetSpeed(double factor) {
    std::shared_ptr<PlaybackSession> session;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_speed = std::clamp(factor, PlaybackSession::kMinSpeed, PlaybackSession::kMaxSpeed);
        session = m_session;
    }
    if (session) session->SetSpeed(factor);
}

double AvPlayer::GetSpeed() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_speed;
}

void AvPlayer::StepFrame() {
    if (auto session = CurrentSession()) session->StepFrame();
}

void AvPlayer::Seek(double fraction) {
    if (auto session = CurrentSession()) session->Seek(fraction);
}

double AvPlayer::GetCurrentDuration() const {
    auto session = CurrentSession();
    return session ? session->Position() : 0.0;
}

double AvPlayer::GetDuration() const {
    auto session = CurrentSession();
    return session ? session->Duration() : 0.0;
}

bool AvPlayer::WaitCompletion(int milliseconds) {
    std::shared_ptr<PlaybackSession> session;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_stopped || m_destroyed || !m_session) return true;
        session = m_session;
    }
    return session->WaitCompletion(milliseconds);
}

bool AvPlayer::PlaybackFailed() const {
    auto session = CurrentSession();
    return session && session->Failed();
}

void AvPlayer::Stop() {
    std::shared_ptr<PlaybackSession> session;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stopped = true;
        session = m_session;
    }
    if (session) session->Abort();
}

void AvPlayer::Close() {
    std::shared_ptr<PlaybackSession> session;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        session = std::move(m_session);
        m_stopped = false;
    }
    if (session) session->Shutdown(kJoinTimeoutMs);
}

void AvPlayer::Destory() {
    std::shared_ptr<PlaybackSession> session;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_destroyed = true;
        m_stopped = true;
        session = std::move(m_session);
    }
    if (session) session->Shutdown(kJoinTimeoutMs);
    ReleaseTexture();
}

void AvPlayer::ReleaseTexture() {
    if (m_texture) SDL_DestroyTexture(m_texture);
    m_texture = nullptr;
    m_renderer = nullptr;
}

bool AvPlayer::Draw(SDL_Renderer* renderer, const SDL_Rect& area) {
    if (!renderer || area.w <= 0 || area.h <= 0) return false;
    if (renderer != m_renderer) {
        ReleaseTexture();
        m_renderer = renderer;
    }
    bool fresh = m_slot->TakeNewer(m_shown.sequence, &m_shown);
    Uint8 r, g, b, a;
    SDL_GetRenderDrawColor(renderer, &r, &g, &b, &a);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderFillRect(renderer, &area);
    SDL_SetRenderDrawColor(renderer, r, g, b, a);
    if (m_shown.bytes.empty()) return false;

    int tw = 0, th = 0;
    if (m_texture) SDL_QueryTexture(m_texture, nullptr, nullptr, &tw, &th);
    if (!m_texture || tw != m_shown.width || th != m_shown.height) {
        if (m_texture) SDL_DestroyTexture(m_texture);
        m_texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
                                      m_shown.width, m_shown.height);
        if (!m_texture) return false;
        fresh = true;
    }
    if (fresh) {
        const int w = m_shown.width, h = m_shown.height, cw = (w + 1) / 2, ch = (h + 1) / 2;
        const uint8_t* y = m_shown.bytes.data();
        const uint8_t* u = y + static_cast<size_t>(w) * h;
        const uint8_t* v = u + static_cast<size_t>(cw) * ch;
        if (SDL_UpdateYUVTexture(m_texture, nullptr, y, w, u, cw, v, cw) != 0) return false;
    }
    // The largest centred rectangle of the picture's shape.
    SDL_Rect dst = area;
    const int64_t pw = m_shown.width, ph = m_shown.height;
    if (pw * area.h > ph * area.w) {
        dst.h = static_cast<int>(std::max<int64_t>(1, ph * area.w / pw));
        dst.y = area.y + (area.h - dst.h) / 2;
    } else {
        dst.w = static_cast<int>(std::max<int64_t>(1, pw * area.h / ph));
        dst.x = area.x + (area.w - dst.w) / 2;
    }
    return SDL_RenderCopy(renderer, m_texture, nullptr, &dst) == 0;
}

bool AvPlayer::HasAudio() const {
    auto session = CurrentSession();
    return session && session->HasAudio();
}

uint32_t AvPlayer::QueuedAudioBytes() const {
    auto session = CurrentSession();
    return session ? session->QueuedAudioBytes() : 0;
}

uint64_t AvPlayer::PictureCount() const { return m_slot->Sequence(); }

bool AvPlayer::CopyPicture(PlayerPicture* out) const { return m_slot->Copy(out); }

}  // namespace kelvo
