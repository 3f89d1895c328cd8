// A full repaint of the gauge and the meter at their demo sizes and settings (clear, face,
// copy to the control's surface), each next to a plain copy of an image of the same size;
// the ratio of a pair is the figure of merit.
#include "ControlBench.h"
#include "KvGauge.h"
#include "KvMeter.h"

#include <benchmark/benchmark.h>

namespace {

using kvbench::CopyImage;
using kvbench::OnSurface;
using kvbench::Repaint;

void BM_GaugeRepaint31x79(benchmark::State& state) {
  OnSurface<TKvGauge> gauge(31, 79);
  gauge.Palette()->SetLow(clGreen);
  gauge.Palette()->SetHigh(clLime);
  gauge.SetPosition(40);
  Repaint(state, gauge);
}
BENCHMARK(BM_GaugeRepaint31x79);

void BM_GaugeRepaint31x79_ImageCopy(benchmark::State& state) { CopyImage(state, 31, 79); }
BENCHMARK(BM_GaugeRepaint31x79_ImageCopy);

// The demo's meter: transparent, so every outside repaint also captures the background.
void BM_MeterRepaint240x105(benchmark::State& state) {
  OnSurface<TKvMeter> meter(240, 105);
  meter.SetMaxValue(150);
  meter.SetMinValue(50);
  meter.SetPosition(70);
  meter.Scale()->SetPercent1(60);
  meter.Scale()->SetTicks(61);
  meter.SetTransparent(true);
  meter.SetCaption(QStringLiteral("TKvMeter"));
  meter.Font()->SetHeight(-11);
  // The needle moves every frame, as it does when the wheel turns.
  int position = 50;
  for (auto _ : state) {
    meter.SetPosition(position);
    position = position == 150 ? 50 : position + 1;
    meter.Frame();
    benchmark::DoNotOptimize(meter.Surface().constBits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MeterRepaint240x105);

void BM_MeterRepaint240x105_ImageCopy(benchmark::State& state) { CopyImage(state, 240, 105); }
BENCHMARK(BM_MeterRepaint240x105_ImageCopy);

}  // namespace
