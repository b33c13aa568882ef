// Decode, snapshot and audio costs of the media components against the bare
// library calls they wrap.
#include "AudioCodec.h"
#include "SnapshotWriter.h"
#include "VideoDecoder.h"
#include "support/H264Clip.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <unistd.h>

#include <jpeglib.h>
#include <libyuv/convert_argb.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
}

namespace {

using kelvo::testsupport::EncodedFrame;

constexpr int kClipFrames = 50;

const std::vector<EncodedFrame>& Clip(int w, int h) {
    static std::map<std::pair<int, int>, std::vector<EncodedFrame>> clips;
    auto& clip = clips[{w, h}];
    if (clip.empty()) {
        av_log_set_level(AV_LOG_ERROR);
        std::string err;
        clip = kelvo::testsupport::EncodeH264Clip(w, h, kClipFrames, 25, &err);
    }
    return clip;
}

void BM_DecodeVideoDecoder(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const auto& clip = Clip(w, h);
    std::vector<uint8_t> out(size_t(w) * h * 2);
    for (auto _ : state) {
        auto dec = kelvo::VideoDecoder::Create(w, h);
        for (const auto& f : clip)
            benchmark::DoNotOptimize(dec->Decode(f.bytes.data(), int(f.bytes.size()), out.data(), int(out.size())));
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()) * kClipFrames, benchmark::Counter::kIsRate);
}

// The same work without our layer: send, receive and copy the planes out.
void BM_DecodeBareLibavcodec(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const bool copy = state.range(2) != 0;
    const auto& clip = Clip(w, h);
    std::vector<uint8_t> out(size_t(w) * h * 2);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    for (auto _ : state) {
        AVCodecContext* c = avcodec_alloc_context3(codec);
        c->thread_count = 1;
        avcodec_open2(c, codec, nullptr);
        for (const auto& f : clip) {
            av_new_packet(pkt, int(f.bytes.size()));
            std::memcpy(pkt->data, f.bytes.data(), f.bytes.size());
            avcodec_send_packet(c, pkt);
            av_packet_unref(pkt);
            while (avcodec_receive_frame(c, frame) == 0) {
                if (copy) {
                    uint8_t* dst[4] = {out.data(), out.data() + w * h, out.data() + w * h + w * h / 4, nullptr};
                    int ls[4] = {w, w / 2, w / 2, 0};
                    av_image_copy(dst, ls, const_cast<const uint8_t**>(frame->data), frame->linesize,
                                  AV_PIX_FMT_YUV420P, w, h);
                }
                av_frame_unref(frame);
            }
        }
        avcodec_free_context(&c);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    state.counters["fps"] = benchmark::Counter(double(state.iterations()) * kClipFrames, benchmark::Counter::kIsRate);
}

std::string ScratchFile() {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/kelvo-bench-" + std::to_string(getpid()) + ".jpg";
}

void BM_SnapshotWriter(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const auto pic = kelvo::testsupport::MakeI420Picture(w, h, 3);
    const std::string path = ScratchFile();
    for (auto _ : state) {
        if (!kelvo::SnapshotWriter::WriteJpeg(pic.data(), pic.size(), w, h, path)) state.SkipWithError("write failed");
        unlink(path.c_str());
    }
}

// libyuv and libjpeg called directly, as plainly as possible.
void BM_SnapshotBareCalls(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const auto pic = kelvo::testsupport::MakeI420Picture(w, h, 3);
    const std::string path = ScratchFile();
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (auto _ : state) {
        const uint8_t* y = pic.data();
        const uint8_t* u = y + w * h;
        const uint8_t* v = u + (w / 2) * (h / 2);
        libyuv::I420ToRAW(y, w, u, w / 2, v, w / 2, rgb.data(), w * 3, w, h);
        FILE* f = std::fopen(path.c_str(), "wb");
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, f);
        cinfo.image_width = JDIMENSION(w);
        cinfo.image_height = JDIMENSION(h);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 100, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = rgb.data() + size_t(cinfo.next_scanline) * w * 3;
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(f);
        unlink(path.c_str());
    }
}

// Decoding one second of a stream's sound, packet by packet (P samples each).
void BM_AudioDecodeOneSecond(benchmark::State& state) {
    const int index = int(state.range(0));
    int p = 0, q = 0, r = 0;
    kelvo::AudioCodec::Describe(index, &p, &q, &r);
    std::vector<int16_t> pcm(static_cast<size_t>(r));
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = int16_t(8000 * std::sin(double(i) * 0.3) + 3000 * std::sin(double(i) * 1.7));
    auto enc = kelvo::AudioCodec::CreateEncoder(index);
    std::vector<std::vector<uint8_t>> packets;
    std::vector<uint8_t> coded(size_t(p) * 2);
    for (size_t at = 0; at + size_t(p) <= pcm.size(); at += size_t(p)) {
        int len = int(coded.size());
        if (enc->Encode(reinterpret_cast<const uint8_t*>(pcm.data() + at), p * 2, coded.data(), &len))
            packets.emplace_back(coded.begin(), coded.begin() + len);
    }
    std::vector<uint8_t> out(size_t(q) * p * 2);
    for (auto _ : state) {
        auto dec = kelvo::AudioCodec::CreateDecoder(index);
        for (const auto& pk : packets) {
            int len = int(out.size());
            benchmark::DoNotOptimize(dec->Decode(pk.data(), int(pk.size()), out.data(), &len));
        }
    }
    state.SetLabel(std::to_string(packets.size()) + " packets");
}

}  // namespace

BENCHMARK(BM_DecodeVideoDecoder)->Args({704, 576})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBareLibavcodec)->Args({704, 576, 0})->Args({704, 576, 1})->Args({1920, 1080, 0})->Args({1920, 1080, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotWriter)->Args({704, 576})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotBareCalls)->Args({704, 576})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AudioDecodeOneSecond)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
