// Cost of drawing a 4x4 wall of D1 pictures on a 1920x1080 software
// renderer, and of handing pictures over from stream threads.
#include "VideoRenderer.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kW = 704;  // D1
constexpr int kH = 576;
constexpr int kViews = 16;

struct SurfaceFree {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
struct RendererFree {
    void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};

std::vector<uint8_t> Picture(int seed)
{
    std::vector<uint8_t> pic(size_t(kW) * kH * 3 / 2);
    for (size_t i = 0; i < pic.size(); ++i)
        pic[i] = uint8_t((i * 7 + size_t(seed) * 31) >> 3);
    return pic;
}

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A 1920x1080 wall with 16 views; each owns a picture.
struct Wall {
    Wall()
        : surface(SDL_CreateRGBSurfaceWithFormat(0, 1920, 1080, 32, SDL_PIXELFORMAT_ARGB8888)),
          sdl(SDL_CreateSoftwareRenderer(surface.get()))
    {
        renderer.Start(0, 0, 1920, 1080, sdl.get());
        renderer.SetLayout(4, 4, 1, 1);
        for (int i = 0; i < kViews; ++i) {
            views.push_back(renderer.CreateView(kW, kH, 1));
            pictures.push_back(Picture(i));
            renderer.SetTitle(views.back(), "通道 " + std::to_string(i + 1));
        }
    }
    void ShowAll()
    {
        for (int i = 0; i < kViews; ++i)
            renderer.ShowPicture(views[size_t(i)], pictures[size_t(i)].data(), kW, kH);
    }

    std::unique_ptr<SDL_Surface, SurfaceFree> surface;
    std::unique_ptr<SDL_Renderer, RendererFree> sdl;
    kelvo::VideoRenderer renderer;
    std::vector<int> views;
    std::vector<std::vector<uint8_t>> pictures;
};

// Draw with a new picture in every view each time (upload + scale of 16).
void BM_DrawWallNewPictures(benchmark::State& state)
{
    Wall wall;
    wall.renderer.SetFitMode(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        wall.ShowAll();
        state.ResumeTiming();
        wall.renderer.Draw();
        SDL_RenderFlush(wall.sdl.get());
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(state.range(0) == 0 ? "keep aspect" : state.range(0) == 1 ? "fill" : "true size");
}
BENCHMARK(BM_DrawWallNewPictures)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Draw without new pictures: textures reused, only the scaled copies.
void BM_DrawWallRepaintOnly(benchmark::State& state)
{
    Wall wall;
    wall.ShowAll();
    wall.renderer.Draw();
    for (auto _ : state) {
        wall.renderer.Draw();
        SDL_RenderFlush(wall.sdl.get());
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawWallRepaintOnly)->Unit(benchmark::kMillisecond);

// ShowPicture alone from 16 threads, one view each: the hand-over cost.
Wall* g_shared = nullptr;
std::once_flag g_sharedOnce;
void BM_ShowPictureThreads(benchmark::State& state)
{
    std::call_once(g_sharedOnce, [] { g_shared = new Wall(); });  // lives to process exit
    const int view = g_shared->views[size_t(state.thread_index() % kViews)];
    const auto& pic = g_shared->pictures[size_t(state.thread_index() % kViews)];
    for (auto _ : state)
        benchmark::DoNotOptimize(g_shared->renderer.ShowPicture(view, pic.data(), kW, kH));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShowPictureThreads)->Threads(1)->Threads(16)->UseRealTime();

// The live case: 16 stream threads at 25 pictures/s each while the UI
// thread draws as fast as it can (arg 0) or 25 times a second (arg 25).
// Reports the draw rate and the process CPU per view (% of one core).
void BM_LiveWall16Streams(benchmark::State& state)
{
    Wall wall;
    std::atomic<bool> stop{false};
    std::vector<std::thread> streams;
    for (int i = 0; i < kViews; ++i)
        streams.emplace_back([&wall, &stop, i] {
            auto next = std::chrono::steady_clock::now();
            while (!stop.load()) {
                wall.renderer.ShowPicture(wall.views[size_t(i)], wall.pictures[size_t(i)].data(), kW, kH);
                next += std::chrono::milliseconds(40);
                std::this_thread::sleep_until(next);
            }
        });
    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const int pace = int(state.range(0));
    auto nextDraw = std::chrono::steady_clock::now();
    for (auto _ : state) {
        wall.renderer.Draw();
        SDL_RenderFlush(wall.sdl.get());
        if (pace > 0) {
            nextDraw += std::chrono::microseconds(1000000 / pace);
            std::this_thread::sleep_until(nextDraw);
        }
    }
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = ProcessCpuSeconds() - cpu0;
    stop.store(true);
    for (auto& t : streams)
        t.join();
    state.counters["frames/s"] = double(state.iterations()) / wallSeconds;
    state.counters["cpu%/view"] = 100.0 * cpu / wallSeconds / kViews;
}
BENCHMARK(BM_LiveWall16Streams)->Arg(0)->Arg(25)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
