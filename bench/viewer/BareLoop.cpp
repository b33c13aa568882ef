// The ceiling for the viewer's wall: the same work with nothing else around
// it. N views decode pre-encoded H.264 D1 frames from memory with
// libavcodec, upload them with SDL_UpdateYUVTexture and draw the grid on a
// software renderer blitted to a window, 25 times a second.
// Prints: bare views=N seconds=S cpu%=X rss_mb=Y frames/s/view=Z
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}
#include <SDL.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kW = 704, kH = 576, kFrames = 50, kFps = 25;

struct Packet {
    std::vector<uint8_t> bytes;
};

std::vector<Packet> Encode() {
    std::vector<Packet> out;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!codec) return out;
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->width = kW;
    c->height = kH;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, kFps};
    c->gop_size = kFrames;
    c->max_b_frames = 0;
    c->bit_rate = 1500000;
    av_opt_set(c->priv_data, "preset", "ultrafast", 0);
    av_opt_set(c->priv_data, "tune", "zerolatency", 0);
    if (avcodec_open2(c, codec, nullptr) < 0) return out;
    AVFrame* f = av_frame_alloc();
    f->format = c->pix_fmt;
    f->width = kW;
    f->height = kH;
    av_frame_get_buffer(f, 0);
    AVPacket* p = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(c, p) == 0) {
            out.push_back({std::vector<uint8_t>(p->data, p->data + p->size)});
            av_packet_unref(p);
        }
    };
    for (int i = 0; i < kFrames; ++i) {
        av_frame_make_writable(f);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) f->data[0][y * f->linesize[0] + x] = static_cast<uint8_t>(x + y + i * 6);
        for (int y = 0; y < kH / 2; ++y)
            for (int x = 0; x < kW / 2; ++x) {
                f->data[1][y * f->linesize[1] + x] = static_cast<uint8_t>(128 + y / 4 - i);
                f->data[2][y * f->linesize[2] + x] = static_cast<uint8_t>(64 + x / 4 + i);
            }
        f->pts = i;
        avcodec_send_frame(c, f);
        drain();
    }
    avcodec_send_frame(c, nullptr);
    drain();
    av_packet_free(&p);
    av_frame_free(&f);
    avcodec_free_context(&c);
    return out;
}

long RssKb() {
    std::ifstream s("/proc/self/status");
    std::string key;
    while (s >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            s >> kb;
            return kb;
        }
        s.ignore(1 << 10, '\n');
    }
    return 0;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int views = argc > 1 ? std::atoi(argv[1]) : 4;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 15;
    // The wall's region in the viewer's 1600x900 window.
    const int winW = argc > 3 ? std::atoi(argv[3]) : 1600, winH = argc > 4 ? std::atoi(argv[4]) : 900;
    const SDL_Rect region{430, 100, 750, 740};
    const std::vector<Packet> packets = Encode();
    if (packets.empty()) {
        std::fprintf(stderr, "bare: no H.264 encoder\n");
        return 1;
    }
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_Window* win = SDL_CreateWindow("bare", 0, 0, winW, winH, SDL_WINDOW_SHOWN | SDL_WINDOW_BORDERLESS);
    SDL_Surface* canvas = SDL_CreateRGBSurfaceWithFormat(0, winW, winH, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(canvas);
    if (!win || !canvas || !r) return 1;

    struct View {
        AVCodecContext* dec = nullptr;
        SDL_Texture* tex = nullptr;
        size_t next = 0;
        long shown = 0;
    };
    std::vector<View> vs(static_cast<size_t>(views));
    const AVCodec* h264 = avcodec_find_decoder(AV_CODEC_ID_H264);
    for (auto& v : vs) {
        v.dec = avcodec_alloc_context3(h264);
        v.dec->thread_count = 1;
        avcodec_open2(v.dec, h264, nullptr);
        v.tex = SDL_CreateTexture(r, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING, kW, kH);
    }
    const int cols = static_cast<int>(std::ceil(std::sqrt(views)));
    const int rows = (views + cols - 1) / cols;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();

    // Settle, then measure.
    const auto tick = std::chrono::microseconds(1000000 / kFps);
    double cpu0 = 0;
    auto t0 = std::chrono::steady_clock::now();
    auto next = t0;
    const int warm = 2 * kFps, total = warm + seconds * kFps;
    for (int n = 0; n < total; ++n) {
        if (n == warm) {
            cpu0 = CpuSeconds();
            t0 = std::chrono::steady_clock::now();
            for (auto& v : vs) v.shown = 0;
        }
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
        for (auto& v : vs) {
            const Packet& p = packets[v.next];
            v.next = (v.next + 1) % packets.size();
            av_new_packet(pkt, static_cast<int>(p.bytes.size()));
            std::copy(p.bytes.begin(), p.bytes.end(), pkt->data);
            avcodec_send_packet(v.dec, pkt);
            av_packet_unref(pkt);
            if (avcodec_receive_frame(v.dec, frame) == 0) {
                SDL_UpdateYUVTexture(v.tex, nullptr, frame->data[0], frame->linesize[0], frame->data[1],
                                     frame->linesize[1], frame->data[2], frame->linesize[2]);
                ++v.shown;
                av_frame_unref(frame);
            }
        }
        SDL_SetRenderDrawColor(r, 0x15, 0x19, 0x1E, 255);
        SDL_RenderClear(r);
        for (int i = 0; i < views; ++i) {
            const SDL_Rect pane{region.x + (i % cols) * region.w / cols + 1, region.y + (i / cols) * region.h / rows + 1,
                                region.w / cols - 2, region.h / rows - 2};
            SDL_RenderCopy(r, vs[static_cast<size_t>(i)].tex, nullptr, &pane);
        }
        SDL_RenderFlush(r);
        SDL_Surface* target = SDL_GetWindowSurface(win);
        SDL_BlitSurface(canvas, nullptr, target, nullptr);
        SDL_UpdateWindowSurface(win);
        next += tick;
        std::this_thread::sleep_until(next);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    double perView = 0;
    for (auto& v : vs) perView += v.shown;
    std::printf("bare views=%d seconds=%.1f cpu%%=%.1f rss_mb=%.1f frames/s/view=%.1f\n", views, wall,
                100.0 * cpu / wall, RssKb() / 1024.0, perView / views / wall);
    for (auto& v : vs) {
        SDL_DestroyTexture(v.tex);
        avcodec_free_context(&v.dec);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(canvas);
    SDL_DestroyWindow(win);
    SDL_Quit();
    return 0;
}
