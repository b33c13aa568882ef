// One stream connection to a relay: login, download reply with the stream
// description, then video at the camera's frame rate, audio while audio is
// switched on, and alarm records.
// Thread: the relay server's thread.
#pragma once

#include <cstdint>
#include <string>

#include "sim/Peer.h"

namespace sim {

class MediaLibrary;
class SimLog;
class SimState;
class VideoFeed;
class AudioLoop;
struct Camera;

struct RelayContext {
    std::string name;  // relay id, for the log
    SimState& state;
    SimLog& log;
    MediaLibrary& media;
};

class RelayPeer : public Peer {
public:
    // `ctx` is borrowed and outlives the peer.
    explicit RelayPeer(RelayContext& ctx) : m_ctx(ctx) {}

    void OnPacket(uint32_t command, const uint8_t* packet, size_t length) override;
    void OnTick(int64_t nowMs) override;
    void OnClosed() override;

private:
    void OnLogin(const uint8_t* p, size_t len);
    void OnDownload(const uint8_t* p, size_t len);
    void OnAudioCtrl(const uint8_t* p, size_t len);
    void StopMedia();
    // Sends one media packet unless the output bound or the rate cap says
    // wait; returns whether it went out. `dueMs` is when the packet was due:
    // its stamp, so stamps keep the frame spacing whatever the send jitter.
    bool SendMedia(uint8_t kind, uint8_t sub, const uint8_t* data, size_t size, int64_t nowMs, int64_t dueMs);
    void SendVideo(int64_t nowMs);
    void SendMalformed(const std::string& mode);
    std::string Tag() const;

    RelayContext& m_ctx;
    bool m_loggedIn = false;
    std::string m_user;
    const Camera* m_camera = nullptr;  // set by a successful download
    VideoFeed* m_feed = nullptr;
    const AudioLoop* m_audio = nullptr;
    bool m_subscribed = false;
    bool m_audioOn = false;
    int64_t m_startMs = 0;   // video schedule base; moves on when a slow reader falls behind
    int64_t m_originMs = 0;  // time of stamp kFirstStamp; never moves
    uint64_t m_frameIndex = 0;  // frames sent (loop) or next sequence (live)
    int64_t m_nextAudioMs = 0;
    uint64_t m_audioIndex = 0;
    int64_t m_nextAlarmMs = 0;
    double m_tokens = 0;  // rate cap, bytes
    int64_t m_tokenMs = 0;
    uint64_t m_framesSent = 0;
};

}  // namespace sim
