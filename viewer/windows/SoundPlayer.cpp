#include "SoundPlayer.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace kelvo {

SoundPlayer& SoundPlayer::Instance() {
    static SoundPlayer player;
    return player;
}

SoundPlayer::~SoundPlayer() { Close(); }

bool SoundPlayer::OpenLocked() {
    if (m_open) return true;
    if (m_failed) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_failed = true;
        return false;
    }
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_failed = true;
        return false;
    }
    Mix_AllocateChannels(2);
    m_open = true;
    return true;
}

bool SoundPlayer::Load(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (path.empty() || !OpenLocked()) return false;
    if (m_chunks.count(path)) return true;
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk) return false;
    m_chunks[path] = chunk;
    return true;
}

bool SoundPlayer::Play(Channel channel, const std::string& path, bool loop) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_chunks.find(path);
    if (!m_open || it == m_chunks.end()) return false;
    return Mix_PlayChannel(channel, it->second, loop ? -1 : 0) == channel;
}

void SoundPlayer::Stop(Channel channel) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_open) Mix_HaltChannel(channel);
}

bool SoundPlayer::IsPlaying(Channel channel) {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_open && Mix_Playing(channel) != 0;
}

void SoundPlayer::Close() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_failed = false;
    if (!m_open) return;
    Mix_HaltChannel(-1);
    for (auto& kv : m_chunks) Mix_FreeChunk(kv.second);
    m_chunks.clear();
    Mix_CloseAudio();
    if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_open = false;
}

bool PlaySoundOnce(const std::string& path) {
    SoundPlayer& player = SoundPlayer::Instance();
    return player.Load(path) && player.Play(SoundPlayer::SHUTTER, path, false);
}

}  // namespace kelvo
