// The blink LED at the LEDs panel's size and settings: face, live frame (a blink tick), limit
// and row copy.
#include "KvBlinkLed.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

class BenchBlinkLed : public TKvBlinkLed {
public:
  using TKvBlinkLed::BlinkTick;
  using TKvBlinkLed::TKvBlinkLed;
};

void DemoBlinkLed(BenchBlinkLed& led) {
  led.Palette2()->SetHigh(clAqua);
  led.SetCaption(QStringLiteral("TKvBlinkLed"));
  led.Font()->SetName(QStringLiteral("MS Sans Serif"));
  led.Font()->SetHeight(-11);
  led.Font()->SetColor(clWhite);
}

const bool kBlinkLed = kvbench::LiveFrameBenchmarks<BenchBlinkLed>(
    "BlinkLed111x41", 111, 41, DemoBlinkLed, [](BenchBlinkLed& led, int64_t) { led.BlinkTick(); });

}  // namespace
