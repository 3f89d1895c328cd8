// The wheel at its demo size and settings, its position walking 50 ... 150: face, live frame and
// its limit.
#include "KvWheel.h"
#include "LiveFrame.h"

namespace {

void DemoWheel(TKvWheel& w) {
  w.SetMaxValue(150);
  w.SetMinValue(50);
  w.SetPosition(70);
}

[[maybe_unused]] const bool kWheel = kvbench::LiveFrameBenchmarks<TKvWheel>(
    "Wheel85x85", 85, 85, DemoWheel,
    [](TKvWheel& w, int64_t frame) { w.SetPosition(50 + int(frame % 101)); });

}  // namespace
