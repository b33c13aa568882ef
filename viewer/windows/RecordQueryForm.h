// The record window: queries the recordings a record server keeps for one camera between two
// times of one day, and plays them back one after another as a single timeline.
#pragma once

#include "CommonWindow.h"
#include "PlaybackWorker.h"
#include "TimelineGeometry.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace DuiLib {
class CDateTimeUI;
class CSliderUI;
}  // namespace DuiLib

namespace kelvo {

class TimelineUI;
class VideoPlayerUI;

// From the record library's callback: wParam = event code | query cycle << 16, lParam = value.
// The cycle lets the window drop events of a query it has already given up.
constexpr DuiLib::UINT WM_RECORD_SEEK = 0x0A01;  // to itself: wParam = position in recorded time

// Thread: UI. Owned by its opener, which destroys it after the modal loop (it never deletes
// itself). The record handle and the playback stop when the window closes; posts that arrive
// later are dropped by the toolkit.
class RecordQueryForm : public CommonWindow {
public:
    static constexpr int kDefaultQueryTimeoutMs = 30000;
    static constexpr DuiLib::UINT kQueryTimer = 0x7301;
    // The entries of "comBoxSpeed", in order.
    static constexpr double kSpeeds[] = {0.5, 1, 2, 4, 8, 16};

    RecordQueryForm();
    ~RecordQueryForm() override;

    void SetRecordServer(const std::string& host, int port, const std::string& cameraKey);
    // GBK, already cut after the last "\".
    void SetCameraName(const std::string& name);
    // After Create: the query starts at `when` (seconds since 1970, local
    // day and time) instead of today's midnight; used by "play from here".
    void SetQueryStart(int64_t when);
    // A query with no reply for this long is given up (tests shorten it).
    void SetQueryTimeout(int ms) { m_queryTimeoutMs = ms; }

    const char* GetWindowClassName() const override { return "RecordQuery"; }
    DuiLib::CControlUI* CreateControl(const char* pstrClass) override;

    // State seen by tests and the opener.
    bool IsQuerying() const { return m_querying; }
    bool IsHolding() const { return m_holding; }
    VideoPlayerUI* Player() const { return m_player; }
    TimelineUI* Timeline() const { return m_timeline; }
    // Absolute time of the latest progress report or jump; 0 when idle.
    int64_t CurrentTime() const { return m_now; }

protected:
    DuiLib::CDuiString GetSkinFile() override { return "RecordQuery.xml"; }
    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                        bool& bHandled) override;
    DuiLib::LRESULT OnClose(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& bHandled) override;
    DuiLib::LRESULT OnDestroy(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& bHandled) override;
    DuiLib::LRESULT OnKeyDown(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& bHandled) override;
    // The message box (tests record instead of running a modal box).
    virtual void ShowAlert(const char* text, const char* caption);

private:
    struct CallbackSink;
    static void RecordCallbackThunk(int state, int value, int reserved, void* user);

    void StartQuery();
    bool BuildRange(int64_t& start, int64_t& end) const;
    void OnRecordEvent(int code, int value);
    void EndQuery();  // logout, timer off, overlay closed
    void ShowItems();
    void SetIdle();
    void SetPlaying();
    void SendSeek(int64_t position);
    // Jumps to the time a timeline click or previous/next recording chose.
    void JumpTo(const TimelineGeometry::Target& target);
    void OnRecordingButton(bool next);
    void SetPausedButtons(bool paused);
    void StopPlayback();
    void OnPlaybackEnd(DuiLib::WPARAM number, bool error);
    void Shutdown();

    void* m_record = nullptr;  // record family handle
    std::unique_ptr<CallbackSink> m_sink;  // freed after the handle
    std::string m_host;
    int m_port = 0;
    std::string m_cameraKey;
    std::string m_cameraName;
    int m_queryTimeoutMs = kDefaultQueryTimeoutMs;
    bool m_querying = false;
    bool m_holding = false;

    DuiLib::CLabelUI* m_labelName = nullptr;
    DuiLib::CDateTimeUI* m_date = nullptr;
    DuiLib::CDateTimeUI* m_startTime = nullptr;
    DuiLib::CDateTimeUI* m_endTime = nullptr;
    VideoPlayerUI* m_player = nullptr;
    TimelineUI* m_timeline = nullptr;
    std::vector<RecordItem> m_items;  // the list playing, as the timeline maps it
    int64_t m_dayOf = 0;              // a time of the queried day
    int64_t m_now = 0;
};

}  // namespace kelvo
