// Skin load + first paint of the login window, and a full repaint of a 1920x1080 window with 200 controls.
#include "ClientConfig.h"
#include "LoginForm.h"

#include <UIlib.h>

#include <benchmark/benchmark.h>

#include <SDL.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace DuiLib;

namespace {

std::string BinFolder() {
    const char* b = std::getenv("KELVO_BUILD_DIR");
    return std::string(b ? b : ".") + "/bin/";
}

std::string TempFolder() {
    static std::string dir;
    if (dir.empty()) {
        char tmpl[] = "/tmp/kelvo-bench-XXXXXX";
        dir = std::string(mkdtemp(tmpl)) + "/";
        setenv("XDG_CONFIG_HOME", (dir + "xdg").c_str(), 1);
    }
    return dir;
}

void Pump(const std::function<bool()>& done) {
    while (!done()) WindowRegistry::Instance().PumpOnce(0);
}

// From process-like start: toolkit set-up (video, fonts, images cold), skin load, first frame.
void BM_LoginColdStartToFirstFrame(benchmark::State& state) {
    kelvo::ClientConfig config(TempFolder(), TempFolder() + "KelvoView");
    for (auto _ : state) {
        CPaintManagerUI::Term();
        CPaintManagerUI::SetInstancePath(BinFolder().c_str());
        CPaintManagerUI::EnsureVideo();
        kelvo::LoginForm form(config);
        form.Create(nullptr, "login", UI_WNDSTYLE_DIALOG, 0);
        form.CenterWindow();
        form.ShowWindow(true, true);
        Pump([&] { return form.GetPaintManager().PaintCount() > 0; });
        state.PauseTiming();
        DestroyWindow(form.GetHWND());
        WindowRegistry::Instance().PumpOnce(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoginColdStartToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(10);

// A window opened again in a running program: caches warm.
void BM_LoginSkinLoadAndFirstPaint(benchmark::State& state) {
    CPaintManagerUI::SetInstancePath(BinFolder().c_str());
    CPaintManagerUI::EnsureVideo();
    kelvo::ClientConfig config(TempFolder(), TempFolder() + "KelvoView");
    for (auto _ : state) {
        kelvo::LoginForm form(config);
        form.Create(nullptr, "login", UI_WNDSTYLE_DIALOG, 0);
        form.ShowWindow(true, true);
        Pump([&] { return form.GetPaintManager().PaintCount() > 0; });
        state.PauseTiming();
        DestroyWindow(form.GetHWND());
        WindowRegistry::Instance().PumpOnce(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoginSkinLoadAndFirstPaint)->Unit(benchmark::kMillisecond);

class BenchWindow : public WindowImplBase {
public:
    const char* GetWindowClassName() const override { return "Bench"; }
protected:
    CDuiString GetSkinFolder() override { return ""; }
    CDuiString GetSkinFile() override { return "bench1080.xml"; }
};

// 20 rows x 10 columns: buttons with icons and text, labels, edits, check boxes.
std::string MakeBenchSkin() {
    std::ostringstream x;
    x << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Window size=\"1920,1080\"><Font id=\"0\" size=\"12\" default=\"true\"/>"
      << "<VerticalLayout bkcolor=\"#FF15191E\" inset=\"8,8,8,8\" childpadding=\"4\">";
    for (int r = 0; r < 20; ++r) {
        x << "<HorizontalLayout childpadding=\"4\">";
        for (int c = 0; c < 10; ++c) {
            int k = (r * 10 + c) % 4;
            if (k == 0)
                x << "<Button text=\"摄像机 " << r * 10 + c << "\" bkcolor=\"#FF242C34\" textcolor=\"#FFEBEBEB\" "
                  << "foreimage=\"file='skin/img/ic_camera.png' dest='6,6,22,22'\" bordercolor=\"#FF2E3842\" bordersize=\"1\"/>";
            else if (k == 1)
                x << "<Label text=\"通道 " << c << " 在线\" textcolor=\"#FF8A97A5\" bkcolor=\"#FF1C2228\" align=\"center\"/>";
            else if (k == 2)
                x << "<Edit text=\"192.168.1." << c << "\" bkcolor=\"#FF15191E\" bordercolor=\"#FF2E3842\" bordersize=\"1\"/>";
            else
                x << "<CheckBox text=\"录像\" normalimage=\"file='skin/img/checkbox.png' source='0,0,16,16' dest='0,8,16,24'\" "
                  << "textpadding=\"22,0,0,0\" textcolor=\"#FFEBEBEB\"/>";
        }
        x << "</HorizontalLayout>";
    }
    x << "</VerticalLayout></Window>";
    return x.str();
}

void BM_FullRepaint1080p200Controls(benchmark::State& state) {
    CPaintManagerUI::SetInstancePath(BinFolder().c_str());
    CPaintManagerUI::EnsureVideo();
    std::ofstream(BinFolder() + "bench1080.xml") << MakeBenchSkin();
    BenchWindow w;
    w.Create(nullptr, "bench", 0, 0, 0, 0, 1920, 1080);
    w.ShowWindow(true, false);
    Pump([&] { return w.GetPaintManager().PaintCount() > 0; });
    for (auto _ : state) {
        w.GetPaintManager().Paint();  // whole window: background, 200 controls, present
    }
    DestroyWindow(w.GetHWND());
    unlink((BinFolder() + "bench1080.xml").c_str());
}
BENCHMARK(BM_FullRepaint1080p200Controls)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", std::getenv("SDL_VIDEODRIVER") ? std::getenv("SDL_VIDEODRIVER") : "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    CPaintManagerUI::Term();
    return 0;
}
