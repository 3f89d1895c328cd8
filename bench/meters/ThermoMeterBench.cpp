// The thermometer at its demo size and settings, its value walking 50 ... 150: face, live frame and
// its limit.
#include "KvThermoMeter.h"
#include "LiveFrame.h"

namespace {

void DemoThermoMeter(TkvThermoMeter& t) {
  t.SetColor(7292981);
  t.Font()->SetHeight(-13);
  TkvThermoMeterScale* s = t.Scale();
  s->SetMax(150);
  s->SetMin(50);
  s->SetOffset(20);
  s->SetStep(20);
  s->SetSmallStep(4);
  s->SetHeightMax(14);
  s->SetHeightMin(8);
  for (auto* m : {t.SetPoint(), t.PeakMin(), t.PeakMax(), t.Value()}) m->SetVisible(false);
  t.Value()->SetValue(70);
}

[[maybe_unused]] const bool kThermoMeter = kvbench::LiveFrameBenchmarks<TkvThermoMeter>(
    "ThermoMeter93x137", 93, 137, DemoThermoMeter,
    [](TkvThermoMeter& t, int64_t frame) { t.Value()->SetValue(50 + double(frame % 101)); });

}  // namespace
