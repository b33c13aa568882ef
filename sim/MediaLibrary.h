// Every camera's video feed and every audio codec's sound loop. Audio
// loops are coded at construction (fast); video loops on a worker thread
// so the servers can listen at once.
// Thread: Start/Stop from the controlling thread; getters from any thread.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "sim/AudioLoop.h"
#include "sim/VideoFeed.h"

namespace sim {

class SimLog;
class SimState;

class MediaLibrary {
public:
    // Borrowed references must outlive the library. Throws on a codec
    // libavcodec cannot code.
    MediaLibrary(const SimState& state, SimLog& log);
    ~MediaLibrary();

    void Start();  // begins encoding the loops
    void Stop();   // abandons loops not yet encoded
    // Null for an unknown camera.
    VideoFeed* Feed(const std::string& key) const;
    // Null for codec 26 or a codec without a loop.
    const AudioLoop* Audio(int codec) const;
    bool AllReady() const { return m_allReady.load(); }

private:
    SimLog& m_log;
    std::map<std::string, std::unique_ptr<VideoFeed>> m_feeds;  // fixed after construction
    std::map<int, std::unique_ptr<AudioLoop>> m_audio;          // fixed after construction
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_allReady{false};
    std::thread m_worker;
};

}  // namespace sim
