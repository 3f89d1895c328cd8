// The check LED at the LEDs panel's size and settings: face, live frame (Checked toggled),
// limit and row copy.
#include "KvCheckLed.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

const bool kCheckLed = kvbench::LiveFrameBenchmarks<TKvCheckLed>(
    "CheckLed125x25", 125, 25, kvbench::AsInDemo<TKvCheckLed>("frmLeds", "KvCheckLed"),
    [](TKvCheckLed& led, int64_t frame) { led.SetChecked(frame % 2 == 0); });

}  // namespace
