// The video of one camera. Loop feeds encode a few seconds once and every
// viewer replays them; live feeds (PTZ cameras, or "live": true) encode on
// a thread of their own while someone watches, drawing the wall clock and
// the PTZ position, and hand the current group of pictures to each viewer.
// Thread: Prepare() on the media worker; Start/Stop from the controlling
// thread; the frame getters from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/Scenario.h"
#include "sim/VideoEncoder.h"

namespace sim {

class SimState;

class VideoFeed {
public:
    // Largest frame a media packet can carry.
    static constexpr size_t kMaxFrame = 204800 - 14;

    // `camera` and `state` are borrowed and must outlive the feed.
    VideoFeed(const Camera& camera, const SimState& state, int loopSeconds);
    ~VideoFeed();

    bool Live() const { return m_live; }
    // Loop feeds: encodes the loop (slow; call once, off the servers'
    // threads). Throws std::runtime_error. Live feeds: starts the thread.
    void Prepare();
    bool Ready() const { return m_ready.load(); }

    // Loop feeds: frame `index` (wrapping); null until ready.
    std::shared_ptr<const EncodedFrame> LoopFrame(uint64_t index) const;
    size_t LoopLength() const;

    // Live feeds: Subscribe returns the viewer's first sequence number (a
    // key frame follows); LiveFrame gives the frame at `seq`, moving `seq`
    // to the newest key frame when the viewer fell behind; null when none yet.
    uint64_t Subscribe();
    void Unsubscribe();
    std::shared_ptr<const EncodedFrame> LiveFrame(uint64_t& seq) const;

    const Camera& Cam() const { return m_camera; }

private:
    std::vector<std::string> Lines(const std::string& clock) const;
    void EncodeLoop(int kbps);
    void LiveLoop();

    const Camera& m_camera;
    const SimState& m_state;
    const bool m_live;
    const int m_loopSeconds;
    std::atomic<bool> m_ready{false};

    // --- loop feeds: written by Prepare before m_ready, read-only after
    std::vector<std::shared_ptr<const EncodedFrame>> m_loop;

    // --- live feeds: guarded by m_lock
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    int m_viewers = 0;
    bool m_forceKey = false;
    bool m_stop = false;
    uint64_t m_nextSeq = 0;
    uint64_t m_gopStart = 0;
    std::deque<std::shared_ptr<const EncodedFrame>> m_gop;
    std::thread m_thread;
};

}  // namespace sim
