// A control's minimum, maximum and position, as one value. The rules that keep them (what an
// end set beyond the other does, how the position follows, what loading stores) are the
// control's own, applied by the internal range model.
#pragma once

namespace kv {

// Lets the range model reach a control's own step for a position left outside its range.
struct RangeAccess;

template <class T>
struct ValueRange {
  T Min{};
  T Max{};
  T Position{};
};

}  // namespace kv
