// The LED clock at the main window's size and settings: face, live frame and its limit, the
// seconds ring advancing every frame.
#include "LiveFrame.h"
#include "kvLedClock.h"

namespace {

void DemoClock(TKvLedClock& clock) {
  clock.SetHours(20);
  clock.SetMinutes(12);
  clock.SetSeconds(55);
  clock.SetLedSize(3);
  clock.SetSpacing(5);
  clock.SetTextOffsetX(12);
  clock.SetTransparent(true);
}

[[maybe_unused]] const bool kClock = kvbench::LiveFrameBenchmarks<TKvLedClock>(
    "LedClock241x201", 241, 201, DemoClock,
    [](TKvLedClock& c, int64_t frame) { c.SetSeconds(int(frame % 60)); });

}  // namespace
