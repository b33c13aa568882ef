// Skin control "VideoPlayer": owns the recorded-file player, draws its pictures and runs the
// playback worker over a list of recordings.
#pragma once

#include "PictureSlot.h"
#include "PictureZoom.h"
#include "PlaybackWorker.h"
#include "RecordPlayer.h"
#include "ZoomDrag.h"

#include <UIlib.h>

#include <cstdint>
#include <memory>

namespace kelvo {

// Thread: UI. Stopping never holds the list's lock while waiting for the worker; a worker that
// does not end within CThread::kStopWaitMs is abandoned with its own stop request set, and the
// player it used is replaced, never touched again by a later run.
class VideoPlayerUI : public DuiLib::CControlUI {
public:
    static constexpr DuiLib::UINT kRedrawTimer = 1;
    static constexpr DuiLib::UINT kRedrawMs = 40;

    VideoPlayerUI();
    ~VideoPlayerUI() override;
    const char* GetClass() const override { return "VideoPlayer"; }

    // Stops the previous run, then plays `count` items from the start in a new run whose
    // reports go to `target`. False (nothing started) without a player or items.
    bool PlayList(const RecordItem* items, int count, DuiLib::HWND target);
    void StopAll();
    // Asks the running worker to jump to `target` seconds of recorded time.
    void Seek(int64_t target);
    void Pause();
    void Resume();
    // Speed factor of this and later runs (a replacement player gets it too).
    void SetSpeed(double factor);
    double Speed() const { return m_speed; }
    // Pauses and shows the next picture.
    void StepFrame();

    bool HasPlayer() const { return m_player != nullptr; }
    RecordPlayer* Player() const { return m_player.get(); }
    // Stops playback and plays through `player` from now on; `factory` makes the replacement
    // for a player left to an abandoned run. Null arguments keep the current ones.
    void UsePlayer(std::shared_ptr<RecordPlayer> player, RecordPlayerFactory factory);
    bool IsPlaying() const { return m_worker != nullptr; }
    // Number of the current list; 0 when none plays. Reports with another number are stale.
    uint32_t CurrentList() const { return m_list ? m_list->number : 0; }
    int64_t FirstStart() const { return m_list ? m_list->firstStart : 0; }
    int64_t LastEnd() const { return m_list ? m_list->lastEnd : 0; }
    int64_t Total() const { return m_list ? m_list->total : 0; }
    // Runs abandoned so far (they end on their own).
    int AbandonedRuns() const { return m_abandoned; }

    // Digital zoom of the picture (on by default): the wheel zooms around the cursor, a left drag pans,
    // Ctrl+double-click resets. Off resets and leaves the input to the base control.
    void SetZoomEnabled(bool enabled);
    bool ZoomEnabled() const { return m_zoomEnabled; }
    double ZoomFactor() const { return m_zoom.Factor(); }

    void DoInit() override;
    void DoEvent(DuiLib::TEventUI& event) override;
    void DoPaint(DuiLib::CRenderContext& ctx, const DuiLib::RECT& rcPaint) override;

private:
    std::shared_ptr<RecordPlayer> m_player;
    RecordPlayerFactory m_factory = &CreateAvRecordPlayer;
    SDL_Window* m_parent = nullptr;  // borrowed: the window the player belongs to
    std::shared_ptr<Playlist> m_list;
    std::unique_ptr<PlaybackWorker> m_worker;
    uint32_t m_nextNumber = 1;
    uint64_t m_shownPictures = 0;
    PlayerPicture m_picture;  // reused between paints
    int m_abandoned = 0;
    bool m_zoomEnabled = true;
    PictureZoom m_zoom;
    PictureZoom::Placement m_placed;  // of the last picture drawn
    ZoomDrag m_drag;
    double m_speed = 1.0;
};

}  // namespace kelvo
