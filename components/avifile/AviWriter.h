#pragma once
#include "IAviWriter.h"

#include <memory>
#include <string>

struct AVFormatContext;
struct AVPacket;
struct AVStream;

namespace kelvo {

class AviOutput;

// IAviWriter over libavformat's AVI muxer: H.264 stored as received, OpenDML
// when a file passes 1 GiB. Each frame is flushed to the file as it is
// written, so a writer that dies leaves every whole frame readable (the
// index and header totals come only with ReleaseFile).
// Thread: one thread at a time.
class AviWriter final : public IAviWriter {
public:
    AviWriter();
    ~AviWriter() override;  // finishes an open file
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Nothing to prepare with libavformat; kept for the AVIFile call order.
    static void Init() {}
    // As an AviWriterFactory.
    static std::unique_ptr<IAviWriter> CreateWriter() { return std::make_unique<AviWriter>(); }

    AviResult Open(const std::string& path) override;
    // Open under `path` or, when taken, its first free numbered variant
    // ("name_1.avi", ...); the name used goes to *chosen.
    AviResult OpenUnique(const std::string& path, std::string* chosen);
    AviResult CreateStream(const AviStreamInfo& info) override;
    AviResult SetFormat(const AviBitmapInfo& format) override;
    AviResult Write(int64_t position, const uint8_t* data, int bytes, bool keyFrame) override;
    void ReleaseStream() override;
    AviResult ReleaseFile() override;

    const std::string& Path() const { return m_path; }
    int64_t FramesWritten() const { return m_frames; }
    // errno of the failed write, 0 when none.
    int WriteErrno() const;

private:
    AviResult OpenFd(int fd, const std::string& path);
    void Reset();
    AviResult WriteHeader();
    bool TakeSizeFrom(const uint8_t* data, int bytes);

    struct FormatDeleter { void operator()(AVFormatContext* f) const; };
    struct PacketDeleter { void operator()(AVPacket* p) const; };

    enum class State { CLOSED, OPENED, STREAM, WRITING, FAILED, STREAM_RELEASED };

    State m_state = State::CLOSED;
    std::string m_path;
    std::unique_ptr<AviOutput> m_output;
    std::unique_ptr<AVFormatContext, FormatDeleter> m_format;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    AVStream* m_stream = nullptr;  // owned by m_format
    AviStreamInfo m_info;
    bool m_formatSet = false;
    bool m_headerWritten = false;
    int64_t m_origin = 0;    // position of the first frame
    int64_t m_nextPts = 0;   // first free sample
    int64_t m_frames = 0;
};

}  // namespace kelvo
