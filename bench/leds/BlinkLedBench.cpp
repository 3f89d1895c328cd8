// The blink LED at the LEDs panel's size and settings: face, live frame (a blink tick), limit
// and row copy.
#include "KvBlinkLed.h"
#include "DemoSettings.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

class BenchBlinkLed : public TKvBlinkLed {
public:
  using TKvBlinkLed::BlinkTick;
  using TKvBlinkLed::TKvBlinkLed;
};

// The demo's blink LED, blinking by the benchmark's ticks only.
void DemoBlinkLed(BenchBlinkLed& led) {
  kvdemo::ApplyDemoSettings(led, "frmLeds", "KvBlinkLed");
  led.SetEnableBlinking(false);
}

const bool kBlinkLed = kvbench::LiveFrameBenchmarks<BenchBlinkLed>(
    "BlinkLed111x41", 111, 41, DemoBlinkLed, [](BenchBlinkLed& led, int64_t) { led.BlinkTick(); });

}  // namespace
