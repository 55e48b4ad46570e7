// Window toolkit figures: laying out and painting the main window's progress
// page (600 x 400, animation running), and the CPU an open window uses while
// nothing happens and while the animation runs.
//   targets: at most 4 ms per frame; under 1 % CPU while idle.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <cwctype>
#include <thread>

#include "ui/framework/message_loop.h"
#include "ui/sequence_controls.h"
#include "ui/skin_frame.h"

namespace {

class MainLayout : public CSkinFrame {
 public:
  MainLayout() : CSkinFrame(MakeSkinDescriptor(L"MainWnd.xml")) {}
  std::unique_ptr<ui::Control> CreateCustomControl(const std::wstring& cls) override {
    if (cls == L"SequenceLabel") return std::make_unique<CSequenceLabelUI>();
    return nullptr;
  }
  void ShowProgressPage() {
    static_cast<ui::TabLayout*>(FindControl(L"mainTabLt")->GetInterface(L"TabLayout"))->SelectItem(2, false);
    FindControl(L"winCtn")->SetBkImage(L"res\\mainWnd\\bg3.png");
    FindControl(L"titleGrpCtn")->SetVisible(false);
  }
};

void BM_ProgressPageFrame(benchmark::State& state) {
  MainLayout w;
  w.Create(nullptr, L"bench", ui::WS_OVERLAPPEDWINDOW, 0);
  w.ShowProgressPage();
  auto* anim = static_cast<CSequenceLabelUI*>(w.FindControl(L"progressAnLb")->GetInterface(L"SequenceLabel"));
  auto* prg = static_cast<ui::Progress*>(w.FindControl(L"installPrg")->GetInterface(L"Progress"));
  ui::Control* text = w.FindControl(L"progressLb");
  w.Render();
  int percent = 0;
  for (auto _ : state) {
    // One animation tick and a progress change, then a full layout and paint.
    ui::Event tick{ui::EventType::Timer, anim};
    tick.wParam = kSequenceTimerId;
    anim->DoEvent(tick);
    percent = (percent + 1) % 101;
    prg->SetValue(percent);
    text->SetText(L"正在安装中:" + std::to_wstring(percent) + L"%，请稍候...");
    w.GetPaintManager().NeedUpdate();
    const ui::Canvas& c = w.Render();
    benchmark::DoNotOptimize(c.Pixels().pixels.data());
  }
}
BENCHMARK(BM_ProgressPageFrame)->Unit(benchmark::kMillisecond);

// Runs the window's message loop for the given milliseconds and reports the
// CPU share used meanwhile (after the window is shown and first painted).
void RunOpenWindow(benchmark::State& state, bool animate) {
  const auto duration = std::chrono::milliseconds(state.range(0));
  for (auto _ : state) {
    MainLayout w;
    w.Create(nullptr, L"bench", ui::WS_OVERLAPPEDWINDOW, 0);
    if (animate) w.ShowProgressPage();
    else w.GetPaintManager().KillTimer(w.FindControl(L"progressAnLb"), kSequenceTimerId);
    w.ShowWindow(true);
    ui::PumpPendingMessages();
    ui::WindowHandle hwnd = w.GetHWND();
    std::thread closer([hwnd, duration] {
      std::this_thread::sleep_for(duration);
      ui::PostMessage(hwnd, ui::WM_CLOSE);
    });
    auto wall0 = std::chrono::steady_clock::now();
    std::clock_t cpu0 = std::clock();
    ui::RunLoopUntilDestroyed(hwnd);
    double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    closer.join();
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
  }
}
void BM_IdleWindowCpu(benchmark::State& state) { RunOpenWindow(state, false); }
void BM_AnimatingWindowCpu(benchmark::State& state) { RunOpenWindow(state, true); }
BENCHMARK(BM_IdleWindowCpu)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnimatingWindowCpu)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // With a display (DISPLAY set), the real SDL window is measured; otherwise the headless one.
  if (std::getenv("MIRELO_BENCH_SDL")) ui::UseSdlBackend();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
