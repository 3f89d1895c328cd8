// The progress bar at the LEDs panel's size: face, live frame (Position +/- 5), limit and
// row copy.
#include "ControlBench.h"
#include "KvProgressBar.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

const bool kProgressBar = kvbench::LiveFrameBenchmarks<TKvProgressBar>(
    "ProgressBar200x16", 200, 16, [](TKvProgressBar& p) { p.SetPosition(50); },
    [](TKvProgressBar& p, int64_t frame) { p.SetPosition(frame % 2 ? 45 : 50); });

}  // namespace
