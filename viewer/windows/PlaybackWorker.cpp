#include "PlaybackWorker.h"

#include "RecordPlayer.h"

#include <CWindowWnd.h>

#include <cstring>
#include <string>

namespace kelvo {
namespace {
std::string UrlOf(const RecordItem& item) { return std::string(item.url, strnlen(item.url, sizeof item.url)); }
}  // namespace

PlaybackWorker::PlaybackWorker(std::shared_ptr<RecordPlayer> player, std::shared_ptr<Playlist> list, DuiLib::HWND target)
    : m_player(std::move(player)), m_list(std::move(list)), m_target(target) {}

bool PlaybackWorker::Locate(const std::vector<RecordItem>& items, int64_t target, size_t& index, int64_t& offset) {
    if (target < 0) return false;
    int64_t sum = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        int64_t d = items[i].duration > 0 ? items[i].duration : 0;
        if (target >= sum && target < sum + d) {
            index = i;
            offset = target - sum;
            return true;
        }
        sum += d;
    }
    return false;
}

bool PlaybackWorker::CopyItem(size_t index, RecordItem& out) {
    std::lock_guard<std::mutex> g(m_list->lock);
    if (index >= m_list->items.size()) return false;
    out = m_list->items[index];
    return true;
}

void PlaybackWorker::Post(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l) {
    if (!StopRequested()) DuiLib::PostMessage(m_target, msg, w, l);
}

int64_t PlaybackWorker::RecordedStart(const std::vector<RecordItem>& items, size_t index) {
    int64_t sum = 0;
    for (size_t i = 0; i < index && i < items.size(); ++i) sum += items[i].duration > 0 ? items[i].duration : 0;
    return sum;
}

bool PlaybackWorker::Jump(size_t& next, int64_t& currentStart, int64_t& recordedStart) {
    const int64_t target = m_list->jumpTarget.load();
    size_t index = 0;
    int64_t offset = 0;
    {
        std::lock_guard<std::mutex> g(m_list->lock);
        if (!Locate(m_list->items, target, index, offset)) return false;  // beyond the end: ignored
    }
    m_player->Close();
    if (StopRequested()) return false;
    RecordItem item{};
    if (!CopyItem(index, item)) return false;
    currentStart = item.begin;
    recordedStart = target - offset;
    if (!m_player->Open(UrlOf(item))) {
        next = index;
        return true;
    }
    m_player->Play();
    next = index + 1;
    if (offset >= 1 && item.duration > 0)
        m_player->Seek(static_cast<double>(offset) / static_cast<double>(item.duration));
    return false;
}

int PlaybackWorker::Run() {
    size_t next = 0;
    int64_t currentStart = 0;
    int64_t recordedStart = 0;  // the current item's place on the slider's scale
    size_t count = 0;
    {
        std::lock_guard<std::mutex> g(m_list->lock);
        count = m_list->items.size();
    }
    const uint32_t number = m_list->number;
    while (!StopRequested()) {
        if (next >= count) {
            Post(WM_PLAYBACK_FINISHED, number, 0);
            return 0;
        }
        RecordItem item{};
        CopyItem(next, item);
        m_player->Close();
        bool ok = m_player->Open(UrlOf(item));
        currentStart = item.begin;
        {
            std::lock_guard<std::mutex> g(m_list->lock);
            recordedStart = RecordedStart(m_list->items, next);
        }
        if (!ok) {
            Post(WM_PLAYBACK_ERROR, number, 0);
            break;
        }
        ok = m_player->Play();
        ++next;
        if (!ok) continue;  // this file is skipped without a message
        bool reopen = false;
        int waited = 0;
        while (!reopen) {
            // Short slices so that a jump is taken within one slice, not within a whole report
            // period; progress still goes out once a period.
            if (m_player->WaitCompletion(kJumpSliceMs)) break;
            if (StopRequested()) break;
            if (m_list->jump.Wait(2)) {
                reopen = Jump(next, currentStart, recordedStart);
                waited = 0;
                continue;
            }
            waited += kJumpSliceMs;
            if (waited < kWaitSliceMs) continue;
            waited = 0;
            // The slider counts recorded time (as its maximum and its jumps
            // do): with gaps between recordings, time since the first start
            // would put it past where a release then jumps to.
            const int64_t played = static_cast<int64_t>(m_player->GetCurrentDuration());
            Post(WM_PLAYBACK_PROGRESS, static_cast<DuiLib::WPARAM>(static_cast<uint32_t>(played + currentStart)),
                 static_cast<DuiLib::LPARAM>(static_cast<int32_t>(played + recordedStart)));
        }
    }
    Post(WM_PLAYBACK_PROGRESS, 0, 0);
    return 0;
}

}  // namespace kelvo
