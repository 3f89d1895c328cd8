// The spectrum at the scope panel's size and settings: a face repaint with every bar lit to
// its own value next to a copy of its image, and the live path of one bar and of the
// panel's whole tick next to the limit widget of the same size.
#include "ControlBench.h"
#include "KvSpectrum.h"
#include "LiveForm.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 225, kHeight = 91;

void SetBars(TKvSpectrum& s, int shift) {
  for (int k = 0; k < s.Count(); ++k) s.Items(k)->SetPosition((k * 37 + shift) % 100);
}

void BM_SpectrumRepaint225x91(benchmark::State& state) {
  kvbench::OnSurface<TKvSpectrum> s(kWidth, kHeight);
  SetBars(s, 11);
  kvbench::Repaint(state, s);
}
BENCHMARK(BM_SpectrumRepaint225x91);

void BM_SpectrumRepaint225x91_ImageCopy(benchmark::State& state) {
  kvbench::CopyImage(state, kWidth, kHeight);
}
BENCHMARK(BM_SpectrumRepaint225x91_ImageCopy);

TKvSpectrum* ShownSpectrum(kvbench::LiveForm& form) {
  auto* s = new TKvSpectrum(form.Form());
  s->SetBounds(10, 10, kWidth, kHeight);
  SetBars(*s, 11);
  kvbench::LiveForm::Settle();
  return s;
}

void BM_SpectrumLiveBar225x91(benchmark::State& state) {
  kvbench::LiveForm form(kWidth + 20, kHeight + 20);
  TKvSpectrum* s = ShownSpectrum(form);
  int value = 0;
  kvbench::TimeLiveSteps(state, form, [&] {
    value = (value + 53) % 100;
    s->Items(7)->SetPosition(value);
  });
}
BENCHMARK(BM_SpectrumLiveBar225x91);

// The panel's tick: 24 bars, each with its own synchronous bar repaint.
void BM_SpectrumLiveAllBars225x91(benchmark::State& state) {
  kvbench::LiveForm form(kWidth + 20, kHeight + 20);
  TKvSpectrum* s = ShownSpectrum(form);
  int shift = 0;
  kvbench::TimeLiveSteps(state, form, [&] { SetBars(*s, shift += 29); });
}
BENCHMARK(BM_SpectrumLiveAllBars225x91);

void BM_SpectrumLive225x91_Limit(benchmark::State& state) {
  kvbench::LimitFrames(state, kWidth, kHeight);
}
BENCHMARK(BM_SpectrumLive225x91_Limit);

}  // namespace
