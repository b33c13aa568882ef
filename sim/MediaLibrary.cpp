#include "sim/MediaLibrary.h"

#include <chrono>

#include "sim/SimLog.h"
#include "sim/SimState.h"

namespace sim {

MediaLibrary::MediaLibrary(const SimState& state, SimLog& log) : m_log(log) {
    const Scenario& sc = state.Config();
    for (const Camera& c : sc.cameras) {
        m_feeds[c.key] = std::make_unique<VideoFeed>(c, state, sc.loopSeconds);
        if (c.audioCodec != 26 && !m_audio.count(c.audioCodec))
            m_audio[c.audioCodec] = std::make_unique<AudioLoop>(c.audioCodec, sc.audioCodecs.at(c.audioCodec));
    }
}

MediaLibrary::~MediaLibrary() { Stop(); }

void MediaLibrary::Start() {
    if (m_worker.joinable()) return;
    m_worker = std::thread([this] {
        auto t0 = std::chrono::steady_clock::now();
        size_t frames = 0;
        for (auto& f : m_feeds) {
            if (m_stop) return;
            try {
                f.second->Prepare();
                frames += f.second->LoopLength();
            } catch (const std::exception& e) {
                m_log.Always(std::string("error: ") + e.what());
            }
        }
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
        m_allReady = true;
        m_log.Event("media ready loops=" + std::to_string(m_feeds.size()) + " frames=" + std::to_string(frames) +
                    " ms=" + std::to_string(ms.count()));
    });
}

void MediaLibrary::Stop() {
    m_stop = true;
    if (m_worker.joinable()) m_worker.join();
}

VideoFeed* MediaLibrary::Feed(const std::string& key) const {
    auto it = m_feeds.find(key);
    return it == m_feeds.end() ? nullptr : it->second.get();
}

const AudioLoop* MediaLibrary::Audio(int codec) const {
    auto it = m_audio.find(codec);
    return it == m_audio.end() ? nullptr : it->second.get();
}

}  // namespace sim
