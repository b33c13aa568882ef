#include "TileStatus.h"

#include <algorithm>
#include <cstdio>

// Texts here are UTF-8 (u8): the renderer draws UTF-8, while this library
// is otherwise compiled to GBK.

namespace kelvo {

void TileTracker::NoteState(int state, int value1, int64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_lock);
    const bool gaveUp = m_state == TileState::REFUSED || m_state == TileState::FAILED;
    switch (state) {
    case KELVO_STREAM_STARTING:
        m_state = TileState::CONNECTING;
        m_attempt = 0;
        break;
    case KELVO_STREAM_CONNECTED:
    case KELVO_STREAM_DESCRIBED:
        // Steps of a reconnect keep saying so until the stream plays.
        if (gaveUp) m_state = TileState::CONNECTING;
        break;
    case KELVO_STREAM_REQUESTING:
        if (value1 > 0) {
            m_state = TileState::RECONNECTING;
            ++m_attempt;
        } else if (m_state != TileState::RECONNECTING) {
            m_state = TileState::CONNECTING;
        }
        break;
    case KELVO_STREAM_DISCONNECTED:
        if (!gaveUp) m_state = TileState::RECONNECTING;
        break;
    case KELVO_STREAM_RECONNECTING:
        m_state = TileState::RECONNECTING;
        ++m_attempt;
        break;
    case KELVO_STREAM_FAILED:
        m_state = value1 == 0x202 ? TileState::REFUSED : TileState::FAILED;
        break;
    case KELVO_STREAM_PLAYING:
        if (m_state != TileState::PLAYING) m_playingSince = nowMs;
        m_state = TileState::PLAYING;
        m_attempt = 0;
        break;
    default:
        break;
    }
}

void TileTracker::NoteFrame(int64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_lastFrame = nowMs;
    if (m_state == TileState::PLAYING) return;
    m_state = TileState::PLAYING;
    m_playingSince = nowMs;
    m_attempt = 0;
}

TileStatus TileTracker::StatusAt(int64_t nowMs) const {
    std::lock_guard<std::mutex> lock(m_lock);
    TileStatus s;
    s.state = m_state;
    s.attempt = m_attempt;
    if (m_state == TileState::PLAYING) {
        const int64_t silent = nowMs - std::max(m_lastFrame, m_playingSince);
        if (silent >= kNoSignalMs) {
            s.state = TileState::NO_SIGNAL;
            s.silentSeconds = static_cast<int>(silent / 1000);
        }
    }
    return s;
}

PaneLabel LabelFor(const TileStatus& status) {
    char text[96];
    switch (status.state) {
    case TileState::CONNECTING: return {u8"正在连接…", PaneIcon::BUSY};
    case TileState::RECONNECTING:
        if (status.attempt <= 0) return {u8"连接中断，正在重连", PaneIcon::BUSY};
        std::snprintf(text, sizeof text, u8"正在重连（第 %d 次）", status.attempt);
        return {text, PaneIcon::BUSY};
    case TileState::REFUSED: return {u8"服务器拒绝了视频请求", PaneIcon::ERROR};
    case TileState::FAILED: return {u8"连接失败", PaneIcon::ERROR};
    case TileState::NO_SIGNAL:
        std::snprintf(text, sizeof text, u8"无信号 %d 秒", status.silentSeconds);
        return {text, PaneIcon::WARNING};
    case TileState::PLAYING: break;
    }
    return {};
}

PaneLabel LabelFor(PaneNotice notice) {
    if (notice == PaneNotice::OUTSIDE_SCHEDULE) return {u8"不在允许观看的时间段内", PaneIcon::CLOCK};
    return {u8"已达到视频路数上限", PaneIcon::ERROR};
}

std::vector<std::string> FigureLines(const FigureSample& before, const FigureSample& now) {
    const double seconds = (now.atMs - before.atMs) / 1000.0;
    if (seconds <= 0) return {};
    // Counters only grow; a stream rebuilt behind the same view starts over.
    auto rate = [&](uint64_t a, uint64_t b) { return b >= a ? static_cast<double>(b - a) / seconds : 0.0; };
    const KelvoStreamStats& s = now.stream;
    std::vector<std::string> lines;
    char line[128];
    std::snprintf(line, sizeof line, u8"%s %d×%d", s.codec[0] ? s.codec : u8"—", s.width, s.height);
    lines.emplace_back(line);
    std::snprintf(line, sizeof line, u8"收 %.1f  解 %.1f  显 %.1f 帧/秒", rate(before.stream.framesReceived, s.framesReceived),
                  rate(before.stream.framesDecoded, s.framesDecoded), rate(before.drawn, now.drawn));
    lines.emplace_back(line);
    const uint64_t replaced = now.stored > now.drawn ? now.stored - now.drawn : 0;
    std::snprintf(line, sizeof line, u8"码率 %.0f kbit/s  丢帧 %llu", rate(before.stream.bytesReceived, s.bytesReceived) * 8 / 1000,
                  static_cast<unsigned long long>(s.framesDropped + replaced));
    lines.emplace_back(line);
    std::snprintf(line, sizeof line, u8"延迟 %d ms", std::max(0, s.latencyMs) + std::max(0, now.slotDelayMs));
    lines.emplace_back(line);
    return lines;
}

}  // namespace kelvo
