// The range model: how a control's minimum, maximum and position (kv::ValueRange) change,
// under the policy the control declares. Every control that keeps one position in a range
// sets its ends and its position through it, so the rules live in one place.
#pragma once

#include "KvControls.h"
#include "KvSysUtilsInternal.h"
#include "KvValueRange.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace kv {

// What an end set beyond the other end does (while not loading).
enum class CrossedEnd {
  Raise,   // EKvException "Value out of range."; an end equal to the other is taken
  Refuse,  // the end keeps its value, also for a value equal to the other end
  Accept,  // taken as it is
  Meet,    // taken as far as the other end
};

// How a position that a new end leaves outside the range follows.
enum class PositionFollow {
  OntoEnd,     // onto the end that passed it, silently
  IntoRange,   // clamped into the whole range, silently
  Setter,      // onto the end through the control's SetPosition, with its repaint and events
  OutOfRange,  // through the control's out-of-range step (RangeAccess::OutOfRange)
};

struct RangePolicy {
  CrossedEnd Crossed;
  PositionFollow Follow;
  // While loading, the ends and the position are stored as they come and nothing follows:
  // Loaded settles them. Otherwise loading only defers the crossing rule.
  bool RawWhileLoading;
  // A clamp holds the position to the upper end last, so that the upper end wins for an
  // inverted range; otherwise the lower one does.
  bool UpperEndWins = false;
};

enum class RangeEnd { Min, Max };

// The signals a control's followers hear when its range values change (the NOTIFY signals of
// the published ends and position); a null one is not published.
template <class Control, class T>
struct RangeSignals {
  void (Control::*MinChanged)(T) = nullptr;
  void (Control::*MaxChanged)(T) = nullptr;
  void (Control::*PositionChanged)(T) = nullptr;
};

// Emits the signals of the values that differ from Before, ends first, while Control lives.
template <class Control, class T>
void EmitRangeChanges(Control& control, const ValueRange<T>& before, const ValueRange<T>& now,
                      const RangeSignals<Control, T>& notify) {
  const auto emitIf = [&](void (Control::*signal)(T), T was, const T& value) {
    return [&control, signal, was, &value] {
      if (signal && value != was) (control.*signal)(value);
    };
  };
  EmitInTurn(&control, emitIf(notify.MinChanged, before.Min, now.Min),
             emitIf(notify.MaxChanged, before.Max, now.Max),
             emitIf(notify.PositionChanged, before.Position, now.Position));
}

// The message of CrossedEnd::Raise.
inline const QString& ValueOutOfRangeMessage() {
  static const QString message = QStringLiteral("Value out of range.");
  return message;
}

// The control's steps the model takes, which a control may keep to itself and its friend.
struct RangeAccess {
  template <class Control, class T>
  static void SetPosition(Control& control, T position) {
    control.SetPosition(position);
  }
  // The out-of-range step: true when the control still exists afterwards.
  template <class Control, class T>
  static bool OutOfRange(Control& control, T position) {
    return control.OutOfRange(position);
  }
};

template <RangePolicy Policy, class T>
T ClampPosition(const ValueRange<T>& range, T v) {
  if constexpr (Policy.UpperEndWins) return std::min(std::max(v, range.Min), range.Max);
  else return std::max(std::min(v, range.Max), range.Min);
}

// Sets one end of the range for Control (IsLoading, UpdateControl and, as the policy needs,
// SetPosition or OutOfRange). Values that are not finite are refused; an unchanged end does
// nothing. Otherwise the end is stored under the crossing rule, the position follows, the
// control repaints unless the step that moved the position did, and the followers hear what
// changed (a position moved through SetPosition reports itself; nothing while loading).
// True when the end changed and the control, not loading, still exists.
template <RangePolicy Policy, class T, class Control>
bool SetRangeEnd(Control& control, ValueRange<T>& range, RangeEnd which, T value,
                 const RangeSignals<std::type_identity_t<Control>, T>& notify = {}) {
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value)) return false;
  }
  const bool isMax = which == RangeEnd::Max;
  T& end = isMax ? range.Max : range.Min;
  const T other = isMax ? range.Min : range.Max;
  if (value == end) return false;
  const bool loading = control.IsLoading();
  if (!loading) {
    const bool crosses = isMax ? value < other : value > other;
    if constexpr (Policy.Crossed == CrossedEnd::Raise) {
      if (crosses) throw EKvException(ValueOutOfRangeMessage());
    } else if constexpr (Policy.Crossed == CrossedEnd::Refuse) {
      if (crosses || value == other) return false;
    } else if constexpr (Policy.Crossed == CrossedEnd::Meet) {
      if (crosses) value = other;
    }
  }
  const ValueRange<T> before = range;
  end = value;
  if (loading && Policy.RawWhileLoading) return false;
  const bool outside = isMax ? range.Position > range.Max : range.Position < range.Min;
  const QPointer<QObject> alive(&control);
  if constexpr (Policy.Follow == PositionFollow::OntoEnd) {
    if (outside) range.Position = end;
    control.UpdateControl();
  } else if constexpr (Policy.Follow == PositionFollow::IntoRange) {
    range.Position = ClampPosition<Policy>(range, range.Position);
    control.UpdateControl();
  } else if constexpr (Policy.Follow == PositionFollow::Setter) {
    if (!outside) control.UpdateControl();
    else RangeAccess::SetPosition(control, end);
  } else if constexpr (Policy.Follow == PositionFollow::OutOfRange) {
    if (outside && !RangeAccess::OutOfRange(control, range.Position)) return false;
    control.UpdateControl();
  }
  if (!alive || loading) return false;
  auto heard = notify;
  if constexpr (Policy.Follow == PositionFollow::Setter) heard.PositionChanged = nullptr;
  EmitRangeChanges(control, before, range, heard);
  return !alive.isNull();
}

// Takes V as the position: stored as it comes while a RawWhileLoading control loads,
// otherwise clamped into the range. True when the clamped position differs from the last
// one, which the control then shows and reports.
template <RangePolicy Policy, class T>
bool TakePosition(ValueRange<T>& range, T v, bool loading) {
  if (Policy.RawWhileLoading && loading) {
    range.Position = v;
    return false;
  }
  v = ClampPosition<Policy>(range, v);
  if (v == range.Position) return false;
  range.Position = v;
  return true;
}

// The events of a position the control took and showed, while Control lives: OnChange, the
// value signal, then OnMinValue or OnMaxValue when the position lies on that end.
template <class Control, class T>
void ReportPosition(Control& control, const ValueRange<T>& range) {
  EmitInTurn(
      &control, [&] { emit control.OnChange(&control); },
      [&] { emit control.PositionChanged(range.Position); },
      [&] {
        if (range.Position == range.Min) emit control.OnMinValue(&control);
      },
      [&] {
        if (range.Position == range.Max) emit control.OnMaxValue(&control);
      });
}

// After loading, a range whose ends were stored as they came (MaxValue before MinValue) is
// settled as the setters would have left it when read in that order from the initial
// InitialMin .. InitialMax: an end that does not keep Max above Min is dropped.
inline void SettleLoadedRange(int& Min, int& Max, int InitialMin, int InitialMax) {
  if (Max > Min) return;
  const int max = Max, min = Min;
  Max = InitialMax;
  Min = InitialMin;
  if (max > Min) Max = max;
  if (min < Max) Min = min;
}

// The same for a whole range, whose position is then clamped into it.
inline void SettleLoadedRange(ValueRange<int>& range, int InitialMin, int InitialMax) {
  SettleLoadedRange(range.Min, range.Max, InitialMin, InitialMax);
  range.Position = std::clamp(range.Position, range.Min, range.Max);
}

}  // namespace kv
