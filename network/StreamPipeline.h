// The parts of a stream's video pipeline shared by its two source files.
#pragma once

#include <memory>
#include <vector>

#include "network/StreamChannel.h"
#include "platform/Thread.h"

// Everything the render thread touches of one description. Shared with
// the thread, so a thread that had to be abandoned never sees it freed.
struct StreamChannel::Pipeline {
    int width = 0, height = 0, frameRate = 0;
    std::unique_ptr<BufferPool> pool;
    std::unique_ptr<FrameDecoder> decoder;  // used under m_mediaLock
    std::vector<uint8_t> frame;             // I420, width×height×2, zero-filled
    // Pacing, render thread only.
    uint64_t baseTick = 0;
    uint32_t baseStamp = 0;
    uint32_t lastStamp = 0;
    bool havePrevious = false;
    // The timestamp passed to the data callback (the last delivered one).
    uint32_t deliveredStamp = 0;
    // Frames went by undecoded (raw data type or no callback): the decoder
    // lacks their references, so decoding resumes at the next key frame.
    bool needKey = false;
};

class StreamChannel::RenderThread : public CThread {
public:
    RenderThread(StreamChannel* owner, std::shared_ptr<Pipeline> pipeline)
        : m_owner(owner), m_pipeline(std::move(pipeline)) {}
    ~RenderThread() override { Stop(); }
    int Run() override {
        // Decoding runs nicer than the UI thread so the UI never starves.
        platform::SetCurrentThreadNice(5);
        m_owner->RenderLoop(this, m_pipeline);
        return 0;
    }
    bool Stopping() const { return StopRequested(); }

private:
    StreamChannel* m_owner;  // borrowed: outlives the thread (stopped first)
    std::shared_ptr<Pipeline> m_pipeline;
};

