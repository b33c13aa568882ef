#include "TestClip.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <memory>

namespace avtest {

int IndexFromBand(double level) { return static_cast<int>(std::lround((level - 20) / 7)); }

double BandMean(const std::vector<uint8_t>& i420, int width) {
    double sum = 0;
    // Rows 2..13 and inner columns: clear of the edge the encoder blurs.
    int n = 0;
    for (int y = 2; y < kBandRows - 2; ++y)
        for (int x = 8; x < width - 8; ++x, ++n) sum += i420[static_cast<size_t>(y) * width + x];
    return n ? sum / n : 0;
}

namespace {
struct Closer {
    void operator()(AVFormatContext* f) const {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    }
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

void Paint(AVFrame* f, int index) {
    const int w = f->width, h = f->height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f->data[0][y * f->linesize[0] + x] =
                static_cast<uint8_t>(y < kBandRows ? BandLevel(index) : (x < w / 2 ? 81 : 41));
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x) {
            bool band = y < kBandRows / 2, left = x < w / 4;
            f->data[1][y * f->linesize[1] + x] = band ? 128 : (left ? 90 : 240);
            f->data[2][y * f->linesize[2] + x] = band ? 128 : (left ? 240 : 110);
        }
}
}  // namespace

std::string WriteClip(const std::string& path, const ClipSpec& spec) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) return "libavcodec has no libx264 encoder";
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "mp4", path.c_str()) < 0) return "no mp4 muxer";
    std::unique_ptr<AVFormatContext, Closer> fmt(raw);
    std::unique_ptr<AVCodecContext, Closer> enc(avcodec_alloc_context3(codec));
    enc->width = spec.width;
    enc->height = spec.height;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = AVRational{1, spec.fps};
    enc->framerate = AVRational{spec.fps, 1};
    enc->gop_size = spec.gop;
    enc->max_b_frames = 0;
    enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(enc->priv_data, "preset", "ultrafast", 0);
    av_opt_set(enc->priv_data, "crf", "12", 0);
    std::string params = "keyint=" + std::to_string(spec.gop) + ":min-keyint=" + std::to_string(spec.gop) +
                         ":scenecut=0:bframes=0";
    av_opt_set(enc->priv_data, "x264-params", params.c_str(), 0);
    if (avcodec_open2(enc.get(), codec, nullptr) < 0) return "libx264 refused the settings";
    AVStream* st = avformat_new_stream(fmt.get(), nullptr);
    st->time_base = enc->time_base;
    avcodec_parameters_from_context(st->codecpar, enc.get());
    std::unique_ptr<AVCodecContext, Closer> aenc;
    AVStream* ast = nullptr;
    if (spec.audio) {
        const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!aac) return "libavcodec has no AAC encoder";
        aenc.reset(avcodec_alloc_context3(aac));
        aenc->sample_rate = 44100;
        aenc->sample_fmt = AV_SAMPLE_FMT_FLTP;
        av_channel_layout_default(&aenc->ch_layout, 1);
        aenc->time_base = AVRational{1, 44100};
        aenc->bit_rate = 64000;
        aenc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(aenc.get(), aac, nullptr) < 0) return "AAC encoder refused the settings";
        ast = avformat_new_stream(fmt.get(), nullptr);
        ast->time_base = aenc->time_base;
        avcodec_parameters_from_context(ast->codecpar, aenc.get());
    }
    if (avio_open(&fmt->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot write " + path;
    AVDictionary* opts = nullptr;
    if (spec.fastStart) av_dict_set(&opts, "movflags", "faststart", 0);
    int r = avformat_write_header(fmt.get(), &opts);
    av_dict_free(&opts);
    if (r < 0) return "mp4 header refused";

    std::unique_ptr<AVFrame, Closer> frame(av_frame_alloc());
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = spec.width;
    frame->height = spec.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return "out of memory";
    std::unique_ptr<AVPacket, Closer> pkt(av_packet_alloc());
    auto drain = [&]() -> bool {
        while (avcodec_receive_packet(enc.get(), pkt.get()) == 0) {
            pkt->duration = 1;  // else the muxer trims the last frame off the edit list
            av_packet_rescale_ts(pkt.get(), enc->time_base, st->time_base);
            pkt->stream_index = st->index;
            if (av_interleaved_write_frame(fmt.get(), pkt.get()) < 0) return false;
        }
        return true;
    };
    std::unique_ptr<AVFrame, Closer> sound(av_frame_alloc());
    int64_t samples = 0;
    auto drainAudio = [&]() -> bool {
        while (avcodec_receive_packet(aenc.get(), pkt.get()) == 0) {
            av_packet_rescale_ts(pkt.get(), aenc->time_base, ast->time_base);
            pkt->stream_index = ast->index;
            if (av_interleaved_write_frame(fmt.get(), pkt.get()) < 0) return false;
        }
        return true;
    };
    // Tone up to the end of video frame `upTo`.
    auto tone = [&](int upTo) -> bool {
        int64_t until = int64_t{upTo} * 44100 / spec.fps;
        while (aenc && samples + aenc->frame_size <= until) {
            av_frame_unref(sound.get());
            sound->format = AV_SAMPLE_FMT_FLTP;
            sound->nb_samples = aenc->frame_size;
            sound->sample_rate = 44100;
            av_channel_layout_default(&sound->ch_layout, 1);
            if (av_frame_get_buffer(sound.get(), 0) < 0) return false;
            auto* out = reinterpret_cast<float*>(sound->data[0]);
            for (int k = 0; k < aenc->frame_size; ++k)
                out[k] = 0.3f * static_cast<float>(std::sin(2 * M_PI * 440 * double(samples + k) / 44100));
            sound->pts = samples;
            samples += aenc->frame_size;
            if (avcodec_send_frame(aenc.get(), sound.get()) < 0 || !drainAudio()) return false;
        }
        return true;
    };
    for (int i = 0; i < spec.frames; ++i) {
        if (av_frame_make_writable(frame.get()) < 0) return "frame not writable";
        Paint(frame.get(), i);
        frame->pts = i;
        if (avcodec_send_frame(enc.get(), frame.get()) < 0 || !drain()) return "encoding failed";
        if (!tone(i + 1)) return "audio encoding failed";
    }
    if (avcodec_send_frame(enc.get(), nullptr) < 0 || !drain()) return "flush failed";
    if (aenc && (avcodec_send_frame(aenc.get(), nullptr) < 0 || !drainAudio())) return "audio flush failed";
    if (av_write_trailer(fmt.get()) < 0) return "trailer failed";
    return "";
}

}  // namespace avtest
