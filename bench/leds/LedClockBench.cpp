// The LED clock at the main window's size and settings: face, live frame and its limit, the
// seconds ring advancing every frame.
#include "DemoSettings.h"
#include "LiveFrame.h"
#include "kvLedClock.h"

namespace {

// The demo's clock, stopped at the time its description gives.
void DemoClock(TKvLedClock& clock) {
  kvdemo::ApplyDemoSettings(clock, "frmQelDemo", "KvLedClock1");
  clock.SetActive(false);
  clock.SetHours(20);
  clock.SetMinutes(12);
  clock.SetSeconds(55);
}

[[maybe_unused]] const bool kClock = kvbench::LiveFrameBenchmarks<TKvLedClock>(
    "LedClock241x201", 241, 201, DemoClock,
    [](TKvLedClock& c, int64_t frame) { c.SetSeconds(int(frame % 60)); });

}  // namespace
