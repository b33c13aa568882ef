// The record window against the simulator program on loopback: time from the query click to
// the first picture, and seek latency from the slider's release to the first picture at the
// target. Headless (SDL dummy video); recordings are 10 s clips named 60 s long.
#include "tests/recordform/RecordFormSupport.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
using namespace DuiLib;

bool PumpUntil(const std::function<bool()>& pred, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (Clock::now() > end) return false;
        WindowRegistry::Instance().PumpOnce(1);
    }
    return true;
}

class Rig {
public:
    Rig() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        m_dir = std::filesystem::temp_directory_path() / ("recordform-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_dir);
        std::ifstream in(RECORDFORM_SIM_SCENARIO);
        std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string from = "\"clipSeconds\": 1";
        size_t at = json.find(from);
        if (at != std::string::npos) json.replace(at, from.size(), "\"clipSeconds\": 10");
        std::ofstream(m_dir / "scenario.json") << json;
        m_sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--scenario", (m_dir / "scenario.json").string(), "--port", "0", "--cache-dir",
                                     m_dir.string()},
            RECORDFORM_SIM_PROGRAM);
        if (!m_sim->WaitReady(60000) || m_sim->records.empty() || !m_sim->WaitLine("media ready", 60000)) return;
        CPaintManagerUI::SetInstancePath(RECORDFORM_BIN_DIR "/");
        if (!CPaintManagerUI::EnsureVideo()) return;
        m_ok = true;
    }
    ~Rig() {
        m_sim.reset();
        CPaintManagerUI::Term();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    bool Ok() const { return m_ok; }

    // Opens a window with the last ten minutes of today picked; null across midnight.
    std::unique_ptr<recordtest::TestForm> Open() {
        auto form = std::make_unique<recordtest::TestForm>();
        if (!form->Create(nullptr, "RecordQueryForm", UI_WNDSTYLE_DIALOG, 0)) return nullptr;
        form->SetRecordServer("127.0.0.1", m_sim->records[0], "T2");
        form->ShowWindow(true, true);
        CPaintManagerUI& pm = form->GetPaintManager();
        PumpUntil([&] { return pm.PaintCount() > 0; }, 3000);
        time_t now = std::time(nullptr);
        TDateTime a = recordtest::LocalTime(now - 600), b = recordtest::LocalTime(now - 1);
        if (a.day != b.day) return nullptr;
        pm.FindControlAs<CDateTimeUI>("queryDate")->SetValue(a);
        pm.FindControlAs<CDateTimeUI>("queryStartTime")->SetValue(a);
        pm.FindControlAs<CDateTimeUI>("queryEndTime")->SetValue(b);
        return form;
    }
    static void Close(std::unique_ptr<recordtest::TestForm>& form) {
        HWND h = form->GetHWND();
        form->Close(0);
        PumpUntil([&] { return !IsWindow(h); }, 10000);
        form.reset();
    }

private:
    std::filesystem::path m_dir;
    std::unique_ptr<simtest::SimProcess> m_sim;
    bool m_ok = false;
};

// Made on first use, freed in main before the toolkit's statics go.
std::unique_ptr<Rig> g_rig;
Rig& TheRig() {
    if (!g_rig) g_rig = std::make_unique<Rig>();
    return *g_rig;
}

void BM_QueryToFirstPicture(benchmark::State& state) {
    Rig& rig = TheRig();
    if (!rig.Ok()) return state.SkipWithError("simulator or video not ready");
    for (auto _ : state) {
        auto form = rig.Open();
        if (!form) return state.SkipWithError("range crosses midnight");
        CPaintManagerUI& pm = form->GetPaintManager();
        auto t0 = Clock::now();
        pm.SendNotify(pm.FindControl("btnQuery"), DUI_MSGTYPE_CLICK);
        bool ok = PumpUntil([&] {
            auto* p = form->Player();
            return p && p->Player() && p->Player()->PictureCount() > 0;
        }, 10000);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        if (!ok || !form->alerts.empty()) return state.SkipWithError("no picture");
        Rig::Close(form);
    }
}
BENCHMARK(BM_QueryToFirstPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SeekToFirstPicture(benchmark::State& state) {
    Rig& rig = TheRig();
    if (!rig.Ok()) return state.SkipWithError("simulator or video not ready");
    auto form = rig.Open();
    if (!form) return state.SkipWithError("range crosses midnight");
    CPaintManagerUI& pm = form->GetPaintManager();
    pm.SendNotify(pm.FindControl("btnQuery"), DUI_MSGTYPE_CLICK);
    kelvo::VideoPlayerUI* player = form->Player();
    if (!PumpUntil([&] { return player->Player()->PictureCount() > 0; }, 10000))
        return state.SkipWithError("no picture");
    auto* slider = pm.FindControlAs<CSliderUI>("sliderVol");
    const int items = static_cast<int>(player->Total() / 60);
    kelvo::PlayerPicture pic;
    int k = 0;
    for (auto _ : state) {
        // Half way into another recording: its 10 s clip shows 5 s on arrival.
        const int item = 1 + (k++ % std::max(1, items - 1));
        const int target = item * 60 + 30;
        auto t0 = Clock::now();
        pm.SendNotify(slider, DUI_MSGTYPE_BUTTONDOWN, static_cast<WPARAM>(target));
        pm.SendNotify(slider, DUI_MSGTYPE_BUTTONUP, static_cast<WPARAM>(target));
        bool ok = PumpUntil([&] { return player->Player()->CopyPicture(&pic) && pic.position >= 4.5 && pic.position < 6.0; }, 5000);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        if (!ok) return state.SkipWithError("no picture at the target");
        // Back to the start of the first recording for the next round.
        pm.SendNotify(slider, DUI_MSGTYPE_BUTTONUP, 0);
        PumpUntil([&] { return player->Player()->CopyPicture(&pic) && pic.position < 1.0; }, 5000);
    }
    Rig::Close(form);
}
BENCHMARK(BM_SeekToFirstPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_rig.reset();
    benchmark::Shutdown();
    return 0;
}
