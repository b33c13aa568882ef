#include "sim/ClipCache.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "sim/TestPattern.h"
#include "sim/VideoEncoder.h"

namespace sim {

namespace {
std::string DefaultDir() {
    if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x) return std::string(x) + "/KelvoSim";
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.cache/KelvoSim";
    return "/tmp/KelvoSim-" + std::to_string(getuid());
}

void MakeDirs(const std::string& dir) {
    for (size_t i = 1; i <= dir.size(); ++i)
        if (i == dir.size() || dir[i] == '/') mkdir(dir.substr(0, i).c_str(), 0755);
}
}  // namespace

ClipCache::ClipCache(std::string dir, int seconds) : m_dir(dir.empty() ? DefaultDir() : std::move(dir)), m_seconds(seconds) {
    m_path = m_dir + "/clip-" + std::to_string(kWidth) + "x" + std::to_string(kHeight) + "-" +
             std::to_string(kFps) + "fps-" + std::to_string(m_seconds) + "s.mp4";
}

void ClipCache::Prepare() {
    struct stat st{};
    if (stat(m_path.c_str(), &st) != 0 || st.st_size == 0) {
        MakeDirs(m_dir);
        // Written under a private name and renamed, so concurrent runs
        // never read a half-written clip.
        std::string tmp = m_path + ".tmp" + std::to_string(getpid());
        Write(tmp);
        if (std::rename(tmp.c_str(), m_path.c_str()) != 0) {
            std::remove(tmp.c_str());
            throw std::runtime_error("cannot store the clip as " + m_path);
        }
    }
    std::ifstream in(m_path, std::ios::binary);
    m_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (m_bytes.empty()) throw std::runtime_error("cannot read the clip " + m_path);
}

void ClipCache::Write(const std::string& path) const {
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "mp4", path.c_str()) < 0 || !raw)
        throw std::runtime_error("libavformat: no mp4 muxer");
    auto closeFmt = [](AVFormatContext* f) {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    };
    std::unique_ptr<AVFormatContext, decltype(closeFmt)> fmt(raw, closeFmt);
    VideoEncoder enc(kWidth, kHeight, kFps, 300);
    AVStream* st = avformat_new_stream(fmt.get(), nullptr);
    st->time_base = AVRational{1, kFps};
    st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    st->codecpar->codec_id = AV_CODEC_ID_H264;
    st->codecpar->width = kWidth;
    st->codecpar->height = kHeight;
    std::vector<uint8_t> headers = enc.Headers();
    st->codecpar->extradata = static_cast<uint8_t*>(av_mallocz(headers.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    std::copy(headers.begin(), headers.end(), st->codecpar->extradata);
    st->codecpar->extradata_size = static_cast<int>(headers.size());
    if (avio_open(&fmt->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) throw std::runtime_error("cannot write " + path);
    if (avformat_write_header(fmt.get(), nullptr) < 0) throw std::runtime_error("libavformat: mp4 header refused");
    TestPattern pattern(kWidth, kHeight, 7);
    std::vector<uint8_t> img;
    PtzPosition still;
    int64_t pts = 0;
    auto freePkt = [](AVPacket* p) { av_packet_free(&p); };
    std::unique_ptr<AVPacket, decltype(freePkt)> pkt(av_packet_alloc(), freePkt);
    for (int i = 0; i < m_seconds * kFps; ++i) {
        char line[48];
        std::snprintf(line, sizeof line, "recording %02d.%d s", i / kFps, i % kFps);
        pattern.Draw(img, i * 25 / kFps, still, {"KelvoSim", line});
        EncodedFrame f;
        if (!enc.Encode(img, &f, i == 0)) continue;
        if (av_new_packet(pkt.get(), static_cast<int>(f.data.size())) < 0) throw std::runtime_error("out of memory");
        std::copy(f.data.begin(), f.data.end(), pkt->data);
        pkt->pts = pkt->dts = pts++;
        pkt->duration = 1;
        pkt->stream_index = st->index;
        if (f.key) pkt->flags |= AV_PKT_FLAG_KEY;
        av_packet_rescale_ts(pkt.get(), AVRational{1, kFps}, st->time_base);
        if (av_interleaved_write_frame(fmt.get(), pkt.get()) < 0) throw std::runtime_error("libavformat: write failed");
    }
    if (av_write_trailer(fmt.get()) < 0) throw std::runtime_error("libavformat: trailer failed");
}

}  // namespace sim
