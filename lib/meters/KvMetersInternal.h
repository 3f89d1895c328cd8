// Helpers of the meters that are no API: the linear scales' checked label format, their
// pixel coordinates and the tick loop that visits each pixel of a scale once.
#pragma once

#include "KvExport.h"

#include <QString>

#include <cstdint>

namespace kv {

// The label text of a scale value: fixed-point with precision 8 and Decimals digits, passed
// to the format function as its one string argument.
QString ScaleLabelText(const QString& formatText, int decimals, long double value);
// Raises the format function's EConvertError when FormatText cannot take one string: a
// setter calls it before storing, so that a paint never raises.
void CheckScaleFormat(const QString& formatText);

// A pixel coordinate from a position that may be astronomically large or not a number:
// rounded half to even, NaN as 0, and held within +-2^40 so that sums with int sizes stay
// exact in 64 bits. Far beyond any image, such a position draws as the endless one would.
KV_TEST_EXPORT int64_t PixelOf(long double position);

// Calls Visit(k, p) for k = First ... Last with p = Position(k), once for each run of equal
// positions (the run's first k). Position must be monotone in k; each distinct pixel then
// costs a bisection, however many steps share it. Visit returns false to stop.
template <class PositionOf, class Visitor>
void ForEachPixelStep(int64_t first, int64_t last, PositionOf&& position, Visitor&& visit) {
  if (first > last) return;
  int64_t k = first;
  int64_t p = position(k);
  while (true) {
    if (!visit(k, p)) return;
    if (k == last) return;
    // Steps a pixel or more apart: the next one already differs, and is the next visited.
    const int64_t next = position(k + 1);
    if (next != p) {
      ++k;
      p = next;
      continue;
    }
    if (position(last) == p) return;
    // The first step after K whose pixel differs lies in (k, last].
    int64_t lo = k, hi = last;
    while (hi - lo > 1) {
      const int64_t mid = lo + (hi - lo) / 2;
      if (position(mid) == p) lo = mid;
      else hi = mid;
    }
    k = hi;
    p = position(k);
  }
}

// The same for the steps whose pixel lies in [Low, High]: steps outside are skipped by
// bisection, so a scale reaching far beyond the picture costs what the picture holds.
template <class PositionOf, class Visitor>
void ForEachPixelStepWithin(int64_t first, int64_t last, int64_t low, int64_t high,
                            PositionOf&& position, Visitor&& visit) {
  if (first > last || low > high) return;
  const bool rising = position(first) <= position(last);
  const auto before = [&](int64_t k) {
    const int64_t p = position(k);
    return rising ? p < low : p > high;
  };
  if (before(last)) return;
  if (before(first)) {
    int64_t lo = first, hi = last;  // before(lo), !before(hi)
    while (hi - lo > 1) {
      const int64_t mid = lo + (hi - lo) / 2;
      if (before(mid)) lo = mid;
      else hi = mid;
    }
    first = hi;
  }
  ForEachPixelStep(first, last, position, [&](int64_t k, int64_t p) {
    if (rising ? p > high : p < low) return false;
    return visit(k, p);
  });
}

// The number of whole steps in Span, as a 64-bit count (never through int): 0 for a zero or
// non-finite step, negative spans and steps of opposite signs give 0 or less.
int64_t StepCount(long double span, long double step);

}  // namespace kv
