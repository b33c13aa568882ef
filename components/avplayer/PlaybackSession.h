#pragma once
#include "AudioOutput.h"
#include "LibavPtr.h"
#include "PictureSlot.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kelvo {

// One opened recorded file and the thread that demuxes, decodes and paces
// its video into a PictureSlot.
//
// Shared ownership: the player holds one reference, the decode thread
// another, so a thread that does not end in time is detached and keeps the
// session (format context, slot) alive until it returns. Every blocking
// libav call runs under the interrupt callback, which gives up at its
// deadline or as soon as Abort() is called.
//
// Thread contract:
//  - Open: one caller, before Play; blocks up to the open time-out.
//  - Everything else: any thread.
class PlaybackSession : public std::enable_shared_from_this<PlaybackSession> {
public:
    // Protocols a recorded-file URL may use, nested ones included.
    static constexpr const char* kProtocolWhitelist = "http,https,tcp,tls,file";
    static constexpr double kMinSpeed = 0.5;
    static constexpr double kMaxSpeed = 16.0;

    // `slot` is shared with the player; `ioTimeoutMs` bounds Open as a whole
    // and every later read or seek on its own.
    PlaybackSession(std::shared_ptr<PictureSlot> slot, int ioTimeoutMs);
    ~PlaybackSession();
    PlaybackSession(const PlaybackSession&) = delete;
    PlaybackSession& operator=(const PlaybackSession&) = delete;

    // Opens the input and its first H.264/video decoder. False on any
    // failure, time-out or abort; the session then counts as ended and
    // failed. Blocks up to ioTimeoutMs.
    bool Open(const std::string& url);
    // Starts (or unpauses) the decode thread; false unless Open succeeded.
    bool Play();
    void SetPaused(bool paused);
    // Plays `factor` times as fast (clamped to kMinSpeed..kMaxSpeed). The sound is dropped at
    // any speed but 1: sped-up or slowed sound would be noise.
    void SetSpeed(double factor);
    double Speed() const { return m_speed.load(); }
    // Pauses and shows the next picture.
    void StepFrame();
    // Jumps to fraction * duration (clamped to the file).
    void Seek(double fraction);
    // Seconds from the file's start to the picture last shown (or the
    // target of a pending seek).
    double Position() const;
    double Duration() const { return m_duration.load(); }
    // True once the file played to its end, failed while playing or was
    // aborted; false when `ms` ran out first. Blocks up to `ms`.
    bool WaitCompletion(int ms);
    // True when playback ended by a read error or time-out.
    bool Failed() const;
    // True when the file's sound plays on an audio device.
    bool HasAudio() const;
    // Sound queued on the device, bytes. Thread: any.
    uint32_t QueuedAudioBytes() const;
    // Makes every blocking call and wait return; the thread ends.
    void Abort();
    // Abort, then wait up to `ms` for the thread; one still running is
    // detached (it holds its own reference).
    void Shutdown(int ms);

private:
    using Clock = std::chrono::steady_clock;
    static int Interrupt(void* opaque);
    bool OpenInput(const std::string& url);
    void ArmDeadline(int ms);
    void Run();
    void SeekTo(double target);
    bool DecodePacket(const AVPacket* packet);  // false when aborted
    void Present(AVFrame* frame);
    // Waits with `lock` held on m_lock; false: drop the picture.
    bool WaitUntilDue(std::unique_lock<std::mutex>& lock, double position);
    AVFrame* ToI420(AVFrame* frame);  // null when it cannot convert
    void Finish(bool failed);

    std::shared_ptr<PictureSlot> m_slot;
    const int m_ioTimeoutMs;
    std::atomic<bool> m_abort{false};
    std::atomic<int64_t> m_deadlineUs{0};

    std::atomic<bool> m_opened{false};
    std::atomic<double> m_duration{0};
    std::atomic<double> m_speed{1.0};  // written under m_lock

    // --- written by Open, read-only once the thread runs
    InputFormatPtr m_format;
    CodecContextPtr m_codec;
    std::unique_ptr<AudioOutput> m_audio;  // null without sound
    int m_videoIndex = -1;
    int m_audioIndex = -1;
    AVRational m_timeBase{1, 1};
    int64_t m_startPts = 0;

    // --- decode thread only
    SwsPtr m_sws;
    FramePtr m_converted;
    double m_dropBefore = -1;
    double m_lastPosition = 0;

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    // --- guarded by m_lock
    std::thread m_thread;
    bool m_threadDone = false;
    bool m_paused = false;
    bool m_seekPending = false;
    double m_seekTarget = 0;
    bool m_showOne = false;      // show the first picture after a seek while paused
    bool m_audioReset = false;   // the speed changed: forget queued sound
    bool m_clockValid = false;
    Clock::time_point m_clockBase; // wall time of position 0 at the current speed
    double m_position = 0;
    bool m_completed = false;
    bool m_failed = false;
};

}  // namespace kelvo
