// What the record window's playback needs from a recorded-file player: the calls of the
// worker and the buttons, and the latest picture for drawing. AvRecordPlayer is the real one;
// tests put in players that misbehave on purpose (a hung open).
#pragma once

#include "PictureSlot.h"

#include <memory>
#include <string>

struct SDL_Window;

namespace kelvo {

// Thread: every call from any thread, concurrently (a worker waits while the UI thread stops,
// pauses or resumes); Stop must make a pending Open or WaitCompletion return promptly.
class RecordPlayer {
public:
    virtual ~RecordPlayer() = default;
    virtual bool Open(const std::string& url) = 0;
    virtual bool Play() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void Seek(double fraction) = 0;
    virtual double GetCurrentDuration() const = 0;
    // True at the end of the file (or when stopped or nothing is open).
    virtual bool WaitCompletion(int milliseconds) = 0;
    virtual void Stop() = 0;
    virtual void Close() = 0;
    virtual uint64_t PictureCount() const = 0;
    virtual bool CopyPicture(PlayerPicture* out) const = 0;
    // Playback speed factor, kept across files; players that cannot change it play at 1x.
    virtual void SetSpeed(double factor) { (void)factor; }
    // Pauses and shows the next picture; a player that cannot step only pauses.
    virtual void StepFrame() { Pause(); }
};

// Makes the player for a window (borrowed; may be null).
using RecordPlayerFactory = std::shared_ptr<RecordPlayer> (*)(SDL_Window* parent);

// The recorded-file player library behind RecordPlayer.
std::shared_ptr<RecordPlayer> CreateAvRecordPlayer(SDL_Window* parent);

}  // namespace kelvo
