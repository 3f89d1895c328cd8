// Helpers the input controls share that are no API: the thumb's rounding and tick thinning,
// and the press of a push button.
#pragma once

#include "KvExport.h"

#include <QPointer>

#include <cstdint>

namespace kv {

// Round half to even into 64 bits, saturating; NaN gives 0.
KV_TEST_EXPORT int64_t Round64(long double v) noexcept;

// The thinning of a tick scale: the smallest g >= 1 for which ticks every Frequency * g
// over Span stand at least 4 pixels apart on a travel of L (or fill it), found by
// bisection. Count returns the number of ticks at that g.
struct TickThinning {
  int64_t g = 1;
  int64_t count = 1;
};
KV_TEST_EXPORT TickThinning ThinTicks(int64_t span, int64_t frequency, int64_t travel);

}  // namespace kv

namespace kv {

// The press of a push button: tracking while a press that began on the button holds the
// mouse, pressed while the button is drawn pressed (only ever while tracking).
class ButtonPress {
public:
  bool Pressed() const { return FPressed; }
  bool Tracking() const { return FTracking; }
  void Begin() { FTracking = FPressed = true; }
  // While tracking, the look follows whether the pointer is over the button; true when
  // the look changed.
  bool Follow(bool over);
  // Ends the press; true when it was drawn pressed (a release then clicks).
  bool End();

private:
  bool FTracking = false;
  bool FPressed = false;
};

// The button-up of a press: the capture goes, and a press that ends drawn pressed
// repaints and fires OnClick. False when OnClick destroyed the button.
template <class Button>
bool ReleasePress(Button& button, ButtonPress& press) {
  button.SetMouseCapture(false);
  if (!press.End()) return true;
  QPointer<Button> self(&button);
  button.UpdateControl();
  button.TControl::Click();
  return !self.isNull();
}

}  // namespace kv
