// The gauge and the meter at their demo sizes and settings: face, live frame and its limit,
// each moving its value every frame.
#include "KvGauge.h"
#include "KvMeter.h"
#include "LiveFrame.h"

namespace {

void DemoGauge(TKvGauge& gauge) {
  gauge.Palette()->SetLow(clGreen);
  gauge.Palette()->SetHigh(clLime);
  gauge.SetPosition(40);
}

// The demo's meter: transparent, so a repaint from outside also captures the background.
void DemoMeter(TKvMeter& meter) {
  meter.SetMaxValue(150);
  meter.SetMinValue(50);
  meter.SetPosition(70);
  meter.Scale()->SetPercent1(60);
  meter.Scale()->SetTicks(61);
  meter.SetTransparent(true);
  meter.SetCaption(QStringLiteral("TKvMeter"));
  meter.Font()->SetHeight(-11);
}

[[maybe_unused]] const bool kGauge = kvbench::LiveFrameBenchmarks<TKvGauge>(
    "Gauge31x79", 31, 79, DemoGauge,
    [](TKvGauge& g, int64_t frame) { g.SetPosition(int(frame % 101)); });

// The needle moves every frame, as it does when the wheel turns.
[[maybe_unused]] const bool kMeter = kvbench::LiveFrameBenchmarks<TKvMeter>(
    "Meter240x105", 240, 105, DemoMeter,
    [](TKvMeter& m, int64_t frame) { m.SetPosition(50 + int(frame % 101)); });

}  // namespace
