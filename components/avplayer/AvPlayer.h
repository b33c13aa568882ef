// The recorded-file player: opens one recorded file at a time by URL
// (http://, https://, file:// or a plain path; nothing else), decodes its
// video (and plays its sound through SDL audio, when it has any) on a
// thread of its own and draws the latest picture into a region of an SDL
// window.
//
// Thread contract:
//  - Draw and ReleaseTexture: the UI thread only, the one that owns the
//    SDL_Renderer. Destory (and the destructor) release the texture too, so
//    the last owner lets go of the player on the UI thread.
//  - Everything else: any thread, concurrently. The playback worker opens,
//    plays, seeks, polls and waits while the UI thread pauses, resumes and
//    stops the same player; Stop makes a pending Open or WaitCompletion
//    return at once.
//  - Blocking: Open up to kIoTimeoutMs; WaitCompletion up to its argument;
//    Close and Destory up to kJoinTimeoutMs for the decode thread, which is
//    then left to end by itself (it owns what it touches).
//
// Stopped state: after Stop the player refuses Open and Play and reports
// every WaitCompletion as the end, until Close. That way a worker that was
// about to open the next file when the stop came does not start it.
#pragma once
#include "PictureSlot.h"

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kelvo {

class PlaybackSession;

class AvPlayer {
    struct Passkey {};

public:
    // Bound on Open as a whole and on every later network read or seek.
    static constexpr int kIoTimeoutMs = 3000;
    static constexpr int kJoinTimeoutMs = 2000;

    // `parent` is borrowed (may be null): the window the player draws in.
    // Never null; *status (may be null) is set to 0. Thread: any.
    static std::shared_ptr<AvPlayer> Create(SDL_Window* parent, int* status);
    AvPlayer(Passkey, SDL_Window* parent);
    ~AvPlayer();
    AvPlayer(const AvPlayer&) = delete;
    AvPlayer& operator=(const AvPlayer&) = delete;

    // The window given to Create.
    SDL_Window* GetHwnd() const { return m_parent; }

    // Closes any open file, then opens `url`. False for a refused protocol,
    // a missing file, an HTTP error, a time-out, a stop or a file without
    // video. Blocks up to kIoTimeoutMs.
    bool Open(const std::string& url);
    // Starts playback of the opened file (from its start, or where a seek
    // put it); clears a pause. False when nothing is open.
    bool Play();
    // The picture and the position stay where they are.
    void Pause();
    void Resume();
    // Playback speed, 0.5 to 16 (clamped); kept for the files opened later. The sound is muted
    // at any speed but 1.
    void SetSpeed(double factor);
    double GetSpeed() const;
    // Pauses and shows the next picture (nothing at the end of the file).
    void StepFrame();
    // Jumps to fraction (0..1) of the file's duration: back to the key frame
    // before it, then decoding forward to the target. Shows the target
    // picture also while paused.
    void Seek(double fraction);
    // Position in the current file, seconds, of the picture shown last (or
    // of a pending seek target); 0 when nothing is open.
    double GetCurrentDuration() const;
    // Duration of the current file, seconds; 0 when nothing is open or the
    // container does not tell.
    double GetDuration() const;
    // True once the file has played to its end (or failed while playing, or
    // the player was stopped, or nothing is open); false when `milliseconds`
    // ran out first.
    bool WaitCompletion(int milliseconds);
    // True when the last playback ended by a read error or time-out.
    bool PlaybackFailed() const;
    // Aborts a pending Open, read or wait; see "Stopped state".
    void Stop();
    // Releases the open file and leaves the stopped state; harmless when
    // nothing is open.
    void Close();
    // Stop and Close for good: later calls fail or do nothing. Thread: UI.
    void Destory();

    // Draws the latest picture into `area` of `renderer`, keeping its aspect
    // ratio on a black background. False when there is no picture yet.
    // The renderer is borrowed: it must stay alive until the next Draw into
    // another renderer, ReleaseTexture or Destory. Thread: UI.
    bool Draw(SDL_Renderer* renderer, const SDL_Rect& area);
    // Frees the texture (before its renderer goes). Thread: UI.
    void ReleaseTexture();

    // True when the open file's sound plays on an audio device. Thread: any.
    bool HasAudio() const;
    // Sound waiting on the audio device, bytes. Thread: any.
    uint32_t QueuedAudioBytes() const;

    // Pictures decoded and shown so far (never reset). Thread: any.
    uint64_t PictureCount() const;
    // Copies the latest picture; false when none yet. Thread: any.
    bool CopyPicture(PlayerPicture* out) const;

private:
    std::shared_ptr<PlaybackSession> CurrentSession() const;

    SDL_Window* const m_parent;
    const std::shared_ptr<PictureSlot> m_slot;

    mutable std::mutex m_lock;
    // --- guarded by m_lock
    std::shared_ptr<PlaybackSession> m_session;
    bool m_stopped = false;
    bool m_destroyed = false;
    double m_speed = 1.0;

    // --- UI thread only
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;  // owned; freed before m_renderer goes
    PlayerPicture m_shown;
};

}  // namespace kelvo
