// Plays the program's sounds over SDL2_mixer: the looping alarm and the
// one-shot shutter, each on a channel of its own so neither stops the other.
//
// Thread contract: Load (and the loading inside PlaySoundOnce) runs on the UI
// thread; Play, Stop and IsPlaying may be called from any thread (the alarm
// starts and stops on stream threads). One mutex guards the mixer state and
// the loaded sounds. Without an audio device every call reports that nothing
// plays and nothing fails.
#pragma once

#include <map>
#include <mutex>
#include <string>

struct Mix_Chunk;

namespace kelvo {

class SoundPlayer {
public:
    enum Channel { ALARM = 0, SHUTTER = 1 };

    static SoundPlayer& Instance();
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Opens the mixer and loads the file (kept for later plays). False when
    // there is no audio device or the file cannot be read. Thread: UI.
    bool Load(const std::string& path);
    // Plays a loaded file on the channel, replacing what it played; loops
    // forever when `loop`. False when nothing plays. Thread: any.
    bool Play(Channel channel, const std::string& path, bool loop);
    // Thread: any.
    void Stop(Channel channel);
    bool IsPlaying(Channel channel);
    // Halts everything, frees the sounds and closes the mixer (reopened on
    // the next Load). Thread: UI.
    void Close();

private:
    SoundPlayer() = default;
    bool OpenLocked();

    std::mutex m_lock;
    // --- guarded by m_lock
    bool m_open = false;
    bool m_failed = false;  // no device: not retried on every call
    std::map<std::string, Mix_Chunk*> m_chunks;  // owned; freed in Close
};

// The snapshot shutter: loads (UI thread) and plays the file once on its own
// channel. False when nothing could play.
bool PlaySoundOnce(const std::string& path);

}  // namespace kelvo
