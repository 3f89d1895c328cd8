// The user LED at the LEDs panel's size and settings: face, live frame (Active toggled),
// limit and row copy.
#include "KvLeds.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

const bool kUserLed = kvbench::LiveFrameBenchmarks<TKvUserLed>(
    "UserLed91x36", 91, 36, kvbench::AsInDemo<TKvUserLed>("frmLeds", "KvUserLed"),
    [](TKvUserLed& led, int64_t frame) { led.SetActive(frame % 2 == 0); });

}  // namespace
