// The spectrum at the scope panel's size and settings, every bar lit to its own value: face,
// live frame, limit and row copy for one bar's change, for every bar set on its own and for the
// panel's tick (every bar in one update).
#include "ControlBench.h"
#include "KvSpectrum.h"
#include "DemoSettings.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 225, kHeight = 91;

void SetBars(TKvSpectrum& s, int shift) {
  for (int k = 0; k < s.Count(); ++k) s.Items(k)->SetPosition((k * 37 + shift) % 100);
}

// The demo's spectrum, every bar lit to its own value.
void DemoSpectrum(TKvSpectrum& s) {
  kvdemo::ApplyDemoSettings(s, "frmScope", "KvSpectrum");
  SetBars(s, 11);
}

// One bar: drawn into the kept frame and repainted alone.
const bool kSpectrumBar = kvbench::LiveFrameBenchmarks<TKvSpectrum>(
    "SpectrumBar225x91", kWidth, kHeight, DemoSpectrum,
    [](TKvSpectrum& s, int64_t frame) { s.Items(7)->SetPosition(int(frame * 53 % 100)); });

// Every bar set on its own: 24 bars, each with its own synchronous bar repaint.
const bool kSpectrumAllBars = kvbench::LiveFrameBenchmarks<TKvSpectrum>(
    "SpectrumAllBars225x91", kWidth, kHeight, DemoSpectrum,
    [](TKvSpectrum& s, int64_t frame) { SetBars(s, int(frame % 100) * 29); });

// The panel's tick: the 24 bars set in one update of the bars, one repaint.
const bool kSpectrumTick = kvbench::LiveFrameBenchmarks<TKvSpectrum>(
    "SpectrumTick225x91", kWidth, kHeight, DemoSpectrum, [](TKvSpectrum& s, int64_t frame) {
      s.Bars()->BeginUpdate();
      SetBars(s, int(frame % 100) * 29);
      s.Bars()->EndUpdate();
    });

}  // namespace
