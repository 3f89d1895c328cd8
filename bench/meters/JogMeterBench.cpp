// The jog meter at its demo size and settings, its scale sliding as the panel sweeps it: face, live
// frame and its limit.
#include "KvJogMeter.h"
#include "LiveFrame.h"

namespace {

void DemoJogMeter(TKvJogMeter& j) {
  j.Value()->SetColor(10446669);
  j.SetFromColor(10446669);
  j.SetToColor(14267539);
  j.Font()->SetHeight(-11);
}

[[maybe_unused]] const bool kJogMeter = kvbench::LiveFrameBenchmarks<TKvJogMeter>(
    "JogMeter165x37", 165, 37, DemoJogMeter,
    [](TKvJogMeter& j, int64_t frame) { j.Value()->SetValue(double(frame % 321) - 160); });

}  // namespace
