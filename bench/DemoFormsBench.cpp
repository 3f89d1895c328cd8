// Creating the demo's seven forms from their descriptions, as the program does at start-up
// (reading, building every component, loading pictures), next to an empty form as baseline.
#include "Forms.h"
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

}  // namespace
