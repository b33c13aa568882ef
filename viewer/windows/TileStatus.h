// What a view's stream is doing, in the words the wall shows over it, and
// the figures of the statistics overlay.
#pragma once

#include "KelvoNetwork.h"
#include "PaneOverlay.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kelvo {

enum class TileState { CONNECTING, RECONNECTING, REFUSED, FAILED, PLAYING, NO_SIGNAL };

struct TileStatus {
    TileState state = TileState::CONNECTING;
    int attempt = 0;        // reconnecting: attempts since the stream last played
    int silentSeconds = 0;  // no signal: seconds without a frame
};

// Why an empty pane shows nothing.
enum class PaneNotice { OUTSIDE_SCHEDULE, STREAM_LIMIT };

// Follows one stream from its state callback and its frames.
// Thread: Note* from the stream's threads, StatusAt from any; one lock.
class TileTracker {
public:
    // A playing stream without a frame for this long has no signal.
    static constexpr int64_t kNoSignalMs = 3000;

    void NoteState(int state, int value1, int64_t nowMs);
    // A frame arrived (decoded or raw: an unseen wall still receives).
    void NoteFrame(int64_t nowMs);
    TileStatus StatusAt(int64_t nowMs) const;

private:
    mutable std::mutex m_lock;
    // --- guarded by m_lock
    TileState m_state = TileState::CONNECTING;
    int m_attempt = 0;
    int64_t m_lastFrame = 0;
    int64_t m_playingSince = 0;
};

// The words and icon for a status; an empty label while the stream plays.
PaneLabel LabelFor(const TileStatus& status);
PaneLabel LabelFor(PaneNotice notice);

// One reading of a view's counters.
struct FigureSample {
    KelvoStreamStats stream{};
    uint64_t stored = 0;  // pictures handed to the view
    uint64_t drawn = 0;   // pictures drawn
    int slotDelayMs = 0;  // last drawn picture's wait before drawing
    int64_t atMs = 0;
};

// The overlay's lines from two readings (rates over the time between them):
// codec and size; frames received, decoded and drawn per second; bitrate
// and frames dropped so far (undecoded, or replaced before being drawn);
// latency from arrival to the screen. Empty when no time passed.
std::vector<std::string> FigureLines(const FigureSample& before, const FigureSample& now);

}  // namespace kelvo
