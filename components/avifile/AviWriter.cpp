#include "AviWriter.h"

#include "AviOutput.h"
#include "ExclusiveFile.h"

#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace kelvo {

const char* AviResultText(AviResult r) {
    switch (r) {
    case AviResult::OK: return "ok";
    case AviResult::BAD_ARGUMENT: return "bad argument";
    case AviResult::OPEN_FAILED: return "cannot create file";
    case AviResult::BAD_STATE: return "call out of order";
    case AviResult::BAD_FORMAT: return "unsupported format";
    case AviResult::NEED_KEY_FRAME: return "waiting for a key frame";
    case AviResult::BAD_POSITION: return "position does not grow";
    case AviResult::WRITE_FAILED: return "write failed";
    }
    return "?";
}

void AviWriter::FormatDeleter::operator()(AVFormatContext* f) const { avformat_free_context(f); }
void AviWriter::PacketDeleter::operator()(AVPacket* p) const { av_packet_free(&p); }

AviWriter::AviWriter() = default;

AviWriter::~AviWriter() { ReleaseFile(); }

int AviWriter::WriteErrno() const { return m_output ? m_output->LastErrno() : 0; }

AviResult AviWriter::Open(const std::string& path) {
    if (m_state != State::CLOSED) return AviResult::BAD_STATE;
    const int fd = ExclusiveFile::Create(path);
    if (fd < 0) return AviResult::OPEN_FAILED;
    return OpenFd(fd, path);
}

AviResult AviWriter::OpenUnique(const std::string& path, std::string* chosen) {
    if (m_state != State::CLOSED) return AviResult::BAD_STATE;
    std::string name;
    const int fd = ExclusiveFile::CreateUnique(path, &name);
    if (fd < 0) return AviResult::OPEN_FAILED;
    const AviResult r = OpenFd(fd, name);
    if (r == AviResult::OK && chosen) *chosen = name;
    return r;
}

AviResult AviWriter::OpenFd(int fd, const std::string& path) {
    m_output = AviOutput::Create(fd);
    AVFormatContext* fmt = nullptr;
    if (!m_output || avformat_alloc_output_context2(&fmt, nullptr, "avi", nullptr) < 0) {
        m_output.reset();  // closes fd
        ::unlink(path.c_str());
        return AviResult::OPEN_FAILED;
    }
    m_format.reset(fmt);
    m_format->pb = m_output->Context();
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_packet.reset(av_packet_alloc());
    if (!m_packet) {
        Reset();
        ::unlink(path.c_str());
        return AviResult::OPEN_FAILED;
    }
    m_path = path;
    m_state = State::OPENED;
    return AviResult::OK;
}

AviResult AviWriter::CreateStream(const AviStreamInfo& info) {
    if (m_state != State::OPENED) return AviResult::BAD_STATE;
    if (info.type != kFourCcVids || info.handler != kFourCcH264) return AviResult::BAD_FORMAT;
    m_stream = avformat_new_stream(m_format.get(), nullptr);
    if (!m_stream) return AviResult::BAD_FORMAT;
    m_info = info;
    // A recording may start before the camera told its rate; 25 keeps the
    // file valid until the caller restarts it with the real one.
    if (m_info.rate == 0 || m_info.scale == 0) {
        m_info.rate = 25;
        m_info.scale = 1;
    }
    m_stream->time_base = AVRational{int(m_info.scale), int(m_info.rate)};
    m_stream->avg_frame_rate = AVRational{int(m_info.rate), int(m_info.scale)};
    m_stream->r_frame_rate = m_stream->avg_frame_rate;
    AVCodecParameters* par = m_stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->codec_tag = kFourCcH264;
    par->width = info.right - info.left;
    par->height = info.bottom - info.top;
    m_state = State::STREAM;
    return AviResult::OK;
}

AviResult AviWriter::SetFormat(const AviBitmapInfo& format) {
    if (m_state != State::STREAM || m_formatSet) return AviResult::BAD_STATE;
    if (format.compression != kFourCcH264 || format.width < 0 || format.height < 0)
        return AviResult::BAD_FORMAT;
    AVCodecParameters* par = m_stream->codecpar;
    par->width = format.width;
    par->height = format.height;
    par->bits_per_coded_sample = format.bitCount;
    m_formatSet = true;
    // Without a size (recording before the camera described its stream) the
    // header waits for the first key frame, whose parameter sets carry it.
    if (format.width == 0 || format.height == 0) return AviResult::OK;
    return WriteHeader();
}

AviResult AviWriter::WriteHeader() {
    if (avformat_write_header(m_format.get(), nullptr) < 0) return AviResult::BAD_FORMAT;
    avio_flush(m_format->pb);
    if (m_format->pb->error) {
        m_state = State::FAILED;
        return AviResult::WRITE_FAILED;
    }
    m_headerWritten = true;
    return AviResult::OK;
}

bool AviWriter::TakeSizeFrom(const uint8_t* data, int bytes) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecParserContext* parser = av_parser_init(AV_CODEC_ID_H264);
    AVCodecContext* ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
    bool ok = false;
    if (parser && ctx) {
        parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
        uint8_t* out = nullptr;
        int outSize = 0;
        av_parser_parse2(parser, ctx, &out, &outSize, data, bytes, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (parser->width > 0 && parser->height > 0) {
            m_stream->codecpar->width = parser->width;
            m_stream->codecpar->height = parser->height;
            ok = true;
        }
    }
    avcodec_free_context(&ctx);
    av_parser_close(parser);
    return ok;
}

AviResult AviWriter::Write(int64_t position, const uint8_t* data, int bytes, bool keyFrame) {
    if (m_state == State::FAILED) return AviResult::WRITE_FAILED;
    if ((m_state != State::STREAM && m_state != State::WRITING) || !m_formatSet)
        return AviResult::BAD_STATE;
    if (!data || bytes <= 0) return AviResult::BAD_ARGUMENT;
    if (m_state == State::STREAM) {
        if (!keyFrame) return AviResult::NEED_KEY_FRAME;
        if (!m_headerWritten) {
            if (!TakeSizeFrom(data, bytes)) return AviResult::NEED_KEY_FRAME;
            const AviResult r = WriteHeader();
            if (r != AviResult::OK) return r;
        }
        m_origin = position;
        m_nextPts = 0;
    }
    const int64_t pts = position - m_origin;
    if (pts < m_nextPts) return AviResult::BAD_POSITION;

    AVPacket* pkt = m_packet.get();
    av_packet_unref(pkt);
    pkt->data = const_cast<uint8_t*>(data);  // the muxer only reads it
    pkt->size = bytes;
    pkt->stream_index = m_stream->index;
    pkt->pts = pkt->dts = av_rescale_q(pts, AVRational{int(m_info.scale), int(m_info.rate)},
                                       m_stream->time_base);
    pkt->duration = av_rescale_q(1, AVRational{int(m_info.scale), int(m_info.rate)},
                                 m_stream->time_base);
    pkt->flags = keyFrame ? AV_PKT_FLAG_KEY : 0;
    const int r = av_write_frame(m_format.get(), pkt);
    pkt->data = nullptr;
    pkt->size = 0;
    // Push each frame to the file now: a full disk shows at once, and a
    // crash loses at most the frame being written.
    avio_flush(m_format->pb);
    if (r < 0 || m_format->pb->error) {
        m_state = State::FAILED;
        return AviResult::WRITE_FAILED;
    }
    m_state = State::WRITING;
    m_nextPts = pts + 1;
    ++m_frames;
    return AviResult::OK;
}

void AviWriter::ReleaseStream() {
    if (m_state == State::STREAM || m_state == State::WRITING) m_state = State::STREAM_RELEASED;
}

AviResult AviWriter::ReleaseFile() {
    if (m_state == State::CLOSED) return AviResult::OK;
    AviResult result = AviResult::OK;
    if (m_headerWritten && m_state != State::FAILED) {
        if (av_write_trailer(m_format.get()) < 0) result = AviResult::WRITE_FAILED;
    } else if (m_state == State::FAILED) {
        result = AviResult::WRITE_FAILED;
    }
    if (m_output && !m_output->Close()) result = AviResult::WRITE_FAILED;
    Reset();
    return result;
}

void AviWriter::Reset() {
    if (m_format) m_format->pb = nullptr;  // closed with m_output
    m_format.reset();
    m_output.reset();
    m_packet.reset();
    m_stream = nullptr;
    m_headerWritten = false;
    m_formatSet = false;
    m_origin = m_nextPts = m_frames = 0;
    m_state = State::CLOSED;
}

}  // namespace kelvo
