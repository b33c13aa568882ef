#pragma once
#include "IAviWriter.h"

#include <atomic>
#include <vector>

namespace kelvo::testing {

// Records the calls instead of writing; can refuse the open or fail the
// n-th write (1-based) and every write after it, like a full disk.
// Thread: counters are atomic; the frame list is for the writing thread.
class FakeAviWriter : public IAviWriter {
public:
    struct Frame { int64_t position; int bytes; bool key; };

    void FailOpen(bool fail) { m_failOpen = fail; }
    void FailFromWrite(int n) { m_failFrom = n; }

    AviResult Open(const std::string&) override {
        ++m_opens;
        if (m_failOpen) return AviResult::OPEN_FAILED;
        m_open = true;
        return AviResult::OK;
    }
    AviResult CreateStream(const AviStreamInfo& info) override {
        if (!m_open) return AviResult::BAD_STATE;
        m_info = info;
        return AviResult::OK;
    }
    AviResult SetFormat(const AviBitmapInfo& format) override {
        if (!m_open) return AviResult::BAD_STATE;
        m_format = format;
        return AviResult::OK;
    }
    AviResult Write(int64_t position, const uint8_t* data, int bytes, bool key) override {
        const int n = ++m_writes;
        if (!m_open) return AviResult::BAD_STATE;
        if (!data || bytes <= 0) return AviResult::BAD_ARGUMENT;
        if (m_failFrom > 0 && n >= m_failFrom) return AviResult::WRITE_FAILED;
        if (m_frames.empty() && !key) return AviResult::NEED_KEY_FRAME;
        m_frames.push_back({position, bytes, key});
        return AviResult::OK;
    }
    void ReleaseStream() override { ++m_streamReleases; }
    AviResult ReleaseFile() override {
        if (m_open) ++m_fileReleases;
        m_open = false;
        return AviResult::OK;
    }

    int Opens() const { return m_opens; }
    int Writes() const { return m_writes; }
    int FileReleases() const { return m_fileReleases; }
    bool IsOpen() const { return m_open; }
    const std::vector<Frame>& Frames() const { return m_frames; }
    const AviStreamInfo& Info() const { return m_info; }
    const AviBitmapInfo& Format() const { return m_format; }

private:
    std::atomic<bool> m_failOpen{false};
    std::atomic<int> m_failFrom{0};
    std::atomic<int> m_opens{0}, m_writes{0}, m_streamReleases{0}, m_fileReleases{0};
    std::atomic<bool> m_open{false};
    std::vector<Frame> m_frames;
    AviStreamInfo m_info;
    AviBitmapInfo m_format;
};

}  // namespace kelvo::testing
