// The gauge and the meter at their demo sizes and settings: face, live frame and its limit,
// each moving its value every frame.
#include "KvGauge.h"
#include "KvMeter.h"
#include "DemoSettings.h"
#include "LiveFrame.h"

namespace {

void DemoGauge(TKvGauge& gauge) {
  kvdemo::ApplyDemoSettings(gauge, "frmMeters", "KvGauge1");
  gauge.SetPosition(40);
}

[[maybe_unused]] const bool kGauge = kvbench::LiveFrameBenchmarks<TKvGauge>(
    "Gauge31x79", 31, 79, DemoGauge,
    [](TKvGauge& g, int64_t frame) { g.SetPosition(int(frame % 101)); });

// The demo's meter: transparent, so a repaint from outside also captures the background. The
// needle moves every frame, as it does when the wheel turns.
[[maybe_unused]] const bool kMeter = kvbench::LiveFrameBenchmarks<TKvMeter>(
    "Meter240x105", 240, 105, kvbench::AsInDemo<TKvMeter>("frmMeters", "KvMeter"),
    [](TKvMeter& m, int64_t frame) { m.SetPosition(50 + int(frame % 101)); });

}  // namespace
