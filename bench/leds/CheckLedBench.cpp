// The check LED at the LEDs panel's size and settings: face, live frame (Checked toggled),
// limit and row copy.
#include "KvCheckLed.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

void DemoCheckLed(TKvCheckLed& led) {
  led.SetCaption(QStringLiteral("Scroll Matrix"));
  led.SetColor(7292981);
  led.Font()->SetName(QStringLiteral("MS Sans Serif"));
  led.Font()->SetHeight(-11);
  led.Font()->SetColor(clWhite);
}

const bool kCheckLed = kvbench::LiveFrameBenchmarks<TKvCheckLed>(
    "CheckLed125x25", 125, 25, DemoCheckLed,
    [](TKvCheckLed& led, int64_t frame) { led.SetChecked(frame % 2 == 0); });

}  // namespace
