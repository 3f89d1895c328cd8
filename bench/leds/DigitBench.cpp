// The digit group at the LEDs panel's size and settings: face, live frame (Value + 0.125),
// limit and row copy.
#include "KvDigit.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

const bool kDigitGroup = kvbench::LiveFrameBenchmarks<TKvDigitGroup>(
    "DigitGroup120x35", 120, 35, kvbench::AsInDemo<TKvDigitGroup>("frmLeds", "KvDigitGroup"),
    [](TKvDigitGroup& g, int64_t frame) { g.SetValue(double(frame % 80) * 0.125); });

}  // namespace
