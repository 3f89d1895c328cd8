// The user LED at the LEDs panel's size and settings: face, live frame (Active toggled),
// limit and row copy.
#include "KvLeds.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

void DemoUserLed(TKvUserLed& led) {
  TKvBevel* b = led.Bevel();
  b->SetInnerSpace(1);
  b->SetInnerColor(clBtnFace);
  b->SetOuterStyle(TKvBevelStyle::bsRaised);
  b->SetOuterOutline(TKvBevelOutlineStyle::osOuter);
}

const bool kUserLed = kvbench::LiveFrameBenchmarks<TKvUserLed>(
    "UserLed91x36", 91, 36, DemoUserLed,
    [](TKvUserLed& led, int64_t frame) { led.SetActive(frame % 2 == 0); });

}  // namespace
