// The lights at the LEDs panel's size and settings: face, live frame (LedState toggled),
// limit and row copy.
#include "KvLights.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

const bool kLights = kvbench::LiveFrameBenchmarks<TKvLights>(
    "Lights80x36", 80, 36, kvbench::AsInDemo<TKvLights>("frmLeds", "KvLights"), [](TKvLights& l, int64_t frame) {
      l.SetLedState(frame % 2 ? TKvLights::kAllLamps : TKvLightsStates());
    });

}  // namespace
