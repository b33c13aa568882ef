// The alarm centre's message to its owner window.
#pragma once

#include <CWindowWnd.h>
#include <UIDefs.h>

#include <memory>
#include <string>

namespace kelvo {

// "Play from here": wParam 0, lParam an AlarmPlayback* owned by the message. The receiver takes it
// with TakeAlarmPlayback; a message dropped undelivered frees it through the post's deleter.
constexpr DuiLib::UINT WM_ALARM_PLAYBACK = 0x0A10;

struct AlarmPlayback {
    std::string key;
    std::string titlePath;  // GBK
    long long time = 0;     // seconds since 1970: when the alarm went on
};

// Thread: any. False when `owner` is gone (the payload is freed then).
inline bool PostAlarmPlayback(DuiLib::HWND owner, const AlarmPlayback& playback) {
    auto* payload = new AlarmPlayback(playback);
    return DuiLib::PostMessage(owner, WM_ALARM_PLAYBACK, 0, reinterpret_cast<DuiLib::LPARAM>(payload),
                               [](DuiLib::WPARAM, DuiLib::LPARAM p) { delete reinterpret_cast<AlarmPlayback*>(p); });
}

inline std::unique_ptr<AlarmPlayback> TakeAlarmPlayback(DuiLib::LPARAM lParam) {
    return std::unique_ptr<AlarmPlayback>(reinterpret_cast<AlarmPlayback*>(lParam));
}

}  // namespace kelvo
