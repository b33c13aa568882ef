#include "tests/soak/SoakProbes.h"

#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace soak {

void EventCounter::OnEvent(int code, int v1, int, void* user) {
    auto* self = static_cast<EventCounter*>(user);
    std::lock_guard<std::mutex> lock(self->m_mutex);
    ++self->m_counts[{code, v1}];
    self->m_history.push_back(code);
}

int EventCounter::Count(int code) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const auto& kv : m_counts)
        if (kv.first.first == code) n += kv.second;
    return n;
}

int EventCounter::Count(int code, int v1) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_counts.find({code, v1});
    return it == m_counts.end() ? 0 : it->second;
}

std::vector<int> EventCounter::Since(size_t from) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (from >= m_history.size()) return {};
    return std::vector<int>(m_history.begin() + static_cast<long>(from), m_history.end());
}

size_t EventCounter::Mark() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_history.size();
}

void StreamProbe::OnData(int type, unsigned char*, int length, int, int, int, void* user) {
    if (type == 0 && length > 0) ++static_cast<StreamProbe*>(user)->pictures;
}

namespace {
int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}
}  // namespace

ResourceSample SampleProcess() {
    ResourceSample s;
    s.threads = CountEntries("/proc/self/task");
    s.fds = CountEntries("/proc/self/fd") - 1;  // the one opendir holds
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) s.rssKb = std::atol(line.c_str() + 6);
    return s;
}

AviCheck DecodeAvi(const std::string& path) {
    AviCheck r;
    av_log_set_level(AV_LOG_ERROR);  // an empty file's missing parameters are expected
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) != 0) {
        r.error = "cannot open";
        return r;
    }
    AVCodecContext* ctx = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const AVCodec* codec = nullptr;
    if (avformat_find_stream_info(fmt, nullptr) < 0 || fmt->nb_streams < 1) {
        r.error = "no stream";
    } else if (!(codec = avcodec_find_decoder(fmt->streams[0]->codecpar->codec_id))) {
        r.error = "no decoder";
    } else {
        ctx = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(ctx, fmt->streams[0]->codecpar);
        if (avcodec_open2(ctx, codec, nullptr) != 0) r.error = "decoder open";
    }
    if (r.error.empty()) {
        r.opened = true;
        auto drain = [&] {
            while (avcodec_receive_frame(ctx, frame) == 0) ++r.decoded;
        };
        int rc;
        while ((rc = av_read_frame(fmt, pkt)) >= 0) {
            ++r.packets;
            if (avcodec_send_packet(ctx, pkt) < 0) ++r.decodeErrors;
            av_packet_unref(pkt);
            drain();
        }
        if (rc != AVERROR_EOF) r.error = "read stopped before the end";
        avcodec_send_packet(ctx, nullptr);
        drain();
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return r;
}

}  // namespace soak
