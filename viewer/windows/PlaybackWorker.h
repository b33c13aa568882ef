// The playback worker of the record window: plays a list of recordings one after another as a
// single timeline, jumps inside it on request and reports progress to the window.
#pragma once

#include "KelvoNetwork.h"
#include "common/CThread.h"
#include "platform/Event.h"

#include <UIDefs.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace kelvo {

class RecordPlayer;

// Worker -> window. Progress: wParam = absolute time (s since 1970), lParam = the position in
// recorded time (the recordings laid end to end, gaps left out). Error and finished: wParam = the number of the playlist they belong to, so the
// window can drop reports of a list it has already replaced.
constexpr DuiLib::UINT WM_PLAYBACK_PROGRESS = 0x0512;
constexpr DuiLib::UINT WM_PLAYBACK_ERROR = 0x0513;
constexpr DuiLib::UINT WM_PLAYBACK_FINISHED = 0x0514;

// One list of recordings handed to one run. Shared by the control and its worker so that a
// worker that had to be abandoned still finds it alive.
// Thread: items under `lock`; the totals and number are fixed before the worker starts; the
// jump target is written before `jump` is set and read after it is seen.
struct Playlist {
    std::mutex lock;
    std::vector<RecordItem> items;
    int64_t firstStart = 0;
    int64_t lastEnd = 0;
    int64_t total = 0;  // sum of the durations
    uint32_t number = 0;
    std::atomic<int64_t> jumpTarget{0};
    platform::Event jump{false, false};  // automatic reset
};

// Thread: Start/Stop/RequestStopNow from the UI thread; Run on its own thread, which calls the
// player and only posts messages to `target` (a dead window drops them). Holds the player and
// the list by shared ownership: both outlive an abandoned run.
class PlaybackWorker : public CThread {
public:
    static constexpr int kWaitSliceMs = 300;  // progress period
    static constexpr int kJumpSliceMs = 50;   // longest wait before a jump is seen

    PlaybackWorker(std::shared_ptr<RecordPlayer> player, std::shared_ptr<Playlist> list, DuiLib::HWND target);
    ~PlaybackWorker() override { Stop(); }

    int Run() override;
    // Sets the stop request without waiting (Stop then joins).
    void RequestStopNow() { RequestStop(); }

    // Where a position of recorded time falls: item index and offset into it; false at or
    // beyond the total (or before 0).
    static bool Locate(const std::vector<RecordItem>& items, int64_t target, size_t& index, int64_t& offset);
    // Recorded time before item `index`: where it starts on the scale Locate counts.
    static int64_t RecordedStart(const std::vector<RecordItem>& items, size_t index);

private:
    bool CopyItem(size_t index, RecordItem& out);
    void Post(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l);
    // A jump request: true when the outer loop must reopen item `next` (its open failed).
    bool Jump(size_t& next, int64_t& currentStart, int64_t& recordedStart);

    const std::shared_ptr<RecordPlayer> m_player;
    const std::shared_ptr<Playlist> m_list;
    const DuiLib::HWND m_target;
};

}  // namespace kelvo
