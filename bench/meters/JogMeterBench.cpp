// The jog meter at its demo size and settings, its scale sliding as the panel sweeps it: face, live
// frame and its limit.
#include "KvJogMeter.h"
#include "LiveFrame.h"

namespace {

[[maybe_unused]] const bool kJogMeter = kvbench::LiveFrameBenchmarks<TKvJogMeter>(
    "JogMeter165x37", 165, 37, kvbench::AsInDemo<TKvJogMeter>("frmMeters", "KvJogMeter"),
    [](TKvJogMeter& j, int64_t frame) { j.Value()->SetValue(double(frame % 321) - 160); });

}  // namespace
