// Creating the demo's seven forms from their descriptions, as the program does at start-up
// (reading, building every component, loading pictures), next to an empty form as baseline;
// and the shown meters panel's own frames.
#include "Forms.h"
#include "LiveFrame.h"
#include "_frmLeds.h"
#include "_frmMeters.h"
#include "_frmMisc.h"
#include "_frmQelDemo.h"
#include "_frmScope.h"
#include "_frmStart.h"
#include "_frmSwitches.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

using kv::Application;

namespace {

void BM_ReadSevenDemoForms(benchmark::State& state) {
  std::optional<TApplication> application;
  if (!Application) application.emplace();
  for (auto _ : state) {
    TComponent owner(nullptr);
    frmQelDemo = new TfrmQelDemo(&owner);
    frmMeters = new TfrmMeters(&owner);
    frmLeds = new TfrmLeds(&owner);
    frmSwitches = new TfrmSwitches(&owner);
    frmScope = new TfrmScope(&owner);
    frmMisc = new TfrmMisc(&owner);
    frmStart = new TfrmStart(&owner);
    benchmark::DoNotOptimize(owner.ComponentCount());
  }
}
BENCHMARK(BM_ReadSevenDemoForms)->Unit(benchmark::kMillisecond);

void BM_ReadSevenDemoForms_Baseline(benchmark::State& state) {
  for (auto _ : state) {
    TComponent owner(nullptr);
    for (int i = 0; i < 7; ++i) benchmark::DoNotOptimize(new TForm(&owner));
  }
}
BENCHMARK(BM_ReadSevenDemoForms_Baseline)->Unit(benchmark::kMillisecond);

// The meters panel shown with its timer stopped. A tick of its timer slides the jog meter and
// counts the counter; a step of the wheel moves the thermometer, the tank, the meter and the
// level bar with it. Each runs until the pixels are in the window; no goal, reported next to
// the limit widget of the panel's size.
template <class Step>
void MetersPanelFrame(benchmark::State& state, Step step) {
  std::optional<TApplication> application;
  if (!Application) application.emplace();
  TfrmMeters panel(nullptr);
  panel.KvTimer->SetEnabled(false);
  panel.Show();
  kvbench::Window::Settle();
  int64_t frame = 0;
  for (auto _ : state) {
    step(panel, frame++);
    benchmark::ClobberMemory();
  }
}

void BM_MetersPanelTick(benchmark::State& state) {
  MetersPanelFrame(state, [](TfrmMeters& p, int64_t) { p.KvTimerTimer(p.KvTimer); });
}
BENCHMARK(BM_MetersPanelTick);

void BM_MetersPanelWheelStep(benchmark::State& state) {
  MetersPanelFrame(
      state, [](TfrmMeters& p, int64_t frame) { p.KvWheel->SetPosition(int(50 + frame % 101)); });
}
BENCHMARK(BM_MetersPanelWheelStep);

void BM_MetersPanelLimit(benchmark::State& state) { kvbench::LiveFrameLimit(state, 441, 317); }
BENCHMARK(BM_MetersPanelLimit);

}  // namespace
