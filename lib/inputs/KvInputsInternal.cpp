#include "KvInputsInternal.h"

#include <cmath>
#include <limits>

namespace kv {

int64_t Round64(long double v) noexcept {
  if (std::isnan(v)) return 0;
  constexpr long double kMax = 9.2e18L;
  if (v >= kMax) return std::numeric_limits<int64_t>::max();
  if (v <= -kMax) return std::numeric_limits<int64_t>::min();
  // Halves to even, as the default mode rounds: llrint rounds alike without saving and
  // restoring the floating-point environment around each call as nearbyint does.
  return int64_t(std::llrint(v));
}

namespace {

// Ticks and their gap at thinning g (the loop's formulas, in 64 bits).
void TicksAt(int64_t span, int64_t frequency, int64_t travel, int64_t g, int64_t& count,
             int64_t& gap) {
  count = Round64((long double)span / ((long double)frequency * g)) + 1;
  gap = count > 1 ? travel / (count - 1) : travel;
}

}  // namespace

// The count falls and the gap grows as g grows, so the first g that passes is found by
// bisection; g = span / frequency + 1 leaves a single tick, which always passes.
TickThinning ThinTicks(int64_t span, int64_t frequency, int64_t travel) {
  if (frequency <= 0 || travel <= 0 || span < 0) return {1, span > 0 ? 2 : 1};
  int64_t count = 0, gap = 0;
  auto passes = [&](int64_t g) {
    TicksAt(span, frequency, travel, g, count, gap);
    return gap >= 4 || gap >= travel;
  };
  int64_t lo = 1, hi = span / frequency + 2;
  if (passes(lo)) return {1, count};
  while (hi - lo > 1) {  // passes(hi), !passes(lo)
    const int64_t mid = lo + (hi - lo) / 2;
    if (passes(mid)) hi = mid;
    else lo = mid;
  }
  passes(hi);
  return {hi, count};
}

bool ButtonPress::Follow(bool over) {
  if (!FTracking || FPressed == over) return false;
  FPressed = over;
  return true;
}

bool ButtonPress::End() {
  const bool wasPressed = FPressed;
  FTracking = FPressed = false;
  return wasPressed;
}

}  // namespace kv
