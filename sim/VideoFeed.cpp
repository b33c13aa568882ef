#include "sim/VideoFeed.h"

#include <chrono>
#include <ctime>
#include <stdexcept>

#include "sim/SimState.h"
#include "sim/TestPattern.h"
#include "sim/TextCodec.h"

namespace sim {

VideoFeed::VideoFeed(const Camera& camera, const SimState& state, int loopSeconds)
    : m_camera(camera), m_state(state), m_live(camera.live), m_loopSeconds(loopSeconds) {}

VideoFeed::~VideoFeed() {
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

std::vector<std::string> VideoFeed::Lines(const std::string& clock) const {
    std::vector<std::string> lines;
    lines.push_back(TextCodec::GbkToUtf8(m_camera.name));
    lines.push_back(m_camera.key + "  " + std::to_string(m_camera.width) + "x" + std::to_string(m_camera.height) +
                    " @" + std::to_string(m_camera.fps));
    lines.push_back(clock);
    return lines;
}

void VideoFeed::Prepare() {
    if (m_live) {
        m_ready = true;
        m_thread = std::thread([this] { LiveLoop(); });
        return;
    }
    int kbps = m_camera.bitrateKbps ? m_camera.bitrateKbps
                                    : VideoEncoder::DefaultKbps(m_camera.width, m_camera.height);
    // A frame over the packet limit means the rate was too high: halve it.
    for (int attempt = 0; attempt < 4; ++attempt, kbps /= 2) {
        EncodeLoop(kbps);
        bool fits = true;
        for (auto& f : m_loop) fits = fits && f->data.size() <= kMaxFrame;
        if (fits) {
            m_ready = true;
            return;
        }
    }
    throw std::runtime_error("camera " + m_camera.key + ": frames do not fit a media packet");
}

void VideoFeed::EncodeLoop(int kbps) {
    m_loop.clear();
    VideoEncoder enc(m_camera.width, m_camera.height, m_camera.fps, kbps);
    TestPattern pattern(m_camera.width, m_camera.height, static_cast<int>(m_camera.device * 5 + m_camera.key.size()));
    int frames = std::max(1, m_loopSeconds * m_camera.fps);
    std::vector<uint8_t> img;
    PtzPosition still;
    for (int i = 0; i < frames + 8 && static_cast<int>(m_loop.size()) < frames; ++i) {
        char clock[48];
        int tenths = i < frames ? i * 10 / m_camera.fps : 0;
        std::snprintf(clock, sizeof clock, "loop %02d.%d s", tenths / 10, tenths % 10);
        pattern.Draw(img, i % frames, still, Lines(clock));
        auto f = std::make_shared<EncodedFrame>();
        if (enc.Encode(img, f.get(), i == 0)) m_loop.push_back(std::move(f));
    }
    if (m_loop.empty() || !m_loop.front()->key) throw std::runtime_error("x264: loop does not open with a key frame");
}

std::shared_ptr<const EncodedFrame> VideoFeed::LoopFrame(uint64_t index) const {
    if (!m_ready || m_loop.empty()) return nullptr;
    return m_loop[index % m_loop.size()];
}

size_t VideoFeed::LoopLength() const { return m_ready ? m_loop.size() : 0; }

uint64_t VideoFeed::Subscribe() {
    std::lock_guard<std::mutex> g(m_lock);
    ++m_viewers;
    m_forceKey = true;
    m_wake.notify_all();
    return m_nextSeq;
}

void VideoFeed::Unsubscribe() {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_viewers > 0) --m_viewers;
}

std::shared_ptr<const EncodedFrame> VideoFeed::LiveFrame(uint64_t& seq) const {
    std::lock_guard<std::mutex> g(m_lock);
    if (seq < m_gopStart) seq = m_gopStart;
    if (seq - m_gopStart < m_gop.size()) return m_gop[seq - m_gopStart];
    return nullptr;
}

void VideoFeed::LiveLoop() {
    using Clock = std::chrono::steady_clock;
    std::unique_ptr<VideoEncoder> enc;
    TestPattern pattern(m_camera.width, m_camera.height, static_cast<int>(m_camera.device * 5));
    std::vector<uint8_t> img;
    const auto period = std::chrono::microseconds(1000000 / m_camera.fps);
    auto due = Clock::now();
    int index = 0;
    std::unique_lock<std::mutex> lk(m_lock);
    while (!m_stop) {
        if (m_viewers == 0) {
            enc.reset();  // the next viewer starts a fresh stream
            m_wake.wait(lk, [&] { return m_stop || m_viewers > 0; });
            due = Clock::now();
            continue;
        }
        bool forceKey = m_forceKey;
        m_forceKey = false;
        lk.unlock();
        if (!enc) enc = std::make_unique<VideoEncoder>(m_camera.width, m_camera.height, m_camera.fps,
                                                       m_camera.bitrateKbps);
        time_t now = static_cast<time_t>(m_state.ServerTime());
        tm local{};
        localtime_r(&now, &local);
        char clock[64];
        std::strftime(clock, sizeof clock, "%Y-%m-%d %H:%M:%S", &local);
        std::vector<std::string> lines = Lines(clock);
        PtzPosition pos = m_state.PtzAt(m_camera.key);
        if (m_camera.ptz) lines.push_back(PtzState::Format(pos));
        pattern.Draw(img, index++, pos, lines);
        auto f = std::make_shared<EncodedFrame>();
        bool got = enc->Encode(img, f.get(), forceKey);
        lk.lock();
        if (got && f->data.size() > kMaxFrame) {
            m_forceKey = true;  // dropped: the next frame must stand alone
            got = false;
        }
        if (got) {
            if (f->key) {
                m_gopStart = m_nextSeq;
                m_gop.clear();
            }
            if (!m_gop.empty() || f->key) m_gop.push_back(std::move(f));
            else m_gopStart = m_nextSeq + 1;
            ++m_nextSeq;
        }
        due += period;
        if (due < Clock::now() - std::chrono::seconds(1)) due = Clock::now();
        m_wake.wait_until(lk, due, [&] { return m_stop; });
    }
}

}  // namespace sim
