// Helpers of the base units that are no API: updates of a style object, the bitmap list's
// signature, the form shape's region entry, and what the controls share: tick snapping,
// ranges in percent, frames that keep the interior, text layers and dot images.
#pragma once

#include "KvExport.h"

#include "Controls.h"
#include "Graphics.h"
#include "SysUtils.h"

#include <QPointer>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>

namespace kv {

// Sends each signal in turn as one dispatch of Sender: a control its handlers free stays
// retired, with its signals blocked, until the event loop runs; an object freed otherwise (the
// owner of a style object) stops the signals after it.
template <class... Emit>
void EmitInTurn(QObject* sender, Emit&&... emits) {
  const DispatchScope firing(sender);
  const QPointer<QObject> alive(sender);
  ((alive ? void(emits()) : void()), ...);
}

// Runs Tick on every tick of Timer as one dispatch of Control, as a setter fires its events: a
// handler that frees the control from an event of the tick leaves it retired, whole until the
// event loop runs, so the rest of the tick touches nothing freed.
template <class Timer, class Tick>
void ConnectTick(Timer* timer, QObject* control, Tick&& tick) {
  QObject::connect(timer, &Timer::OnTimer, control,
                   [control, tick = std::forward<Tick>(tick)](TObject*) {
                     const DispatchScope ticking(control);
                     tick();
                   });
}

// Runs Body between Target's BeginUpdate and EndUpdate. EndUpdate also runs when Body
// raises; the exception then goes on.
template <class T, class F>
void WithinUpdate(T& target, F&& body) {
  target.BeginUpdate();
  try {
    body();
  } catch (...) {
    target.EndUpdate();
    throw;
  }
  target.EndUpdate();
}

// A strip-shaped control (a bar, a slider, a scale) turned to a new orientation: its width
// and height swap when its shape lies along the old one (a wide bar turned vertical gets
// tall). A shape that already lies along the new one, or a square, keeps its sides: a form
// sets the geometry before the orientation, and must come out as it was saved. Either way the
// control fits its size to the new orientation as SetBounds does.
void TurnShape(TControl* Control, bool ToVertical);

// The first four bytes of a bitmap list stream.
inline constexpr int32_t kBitmapListSignature = 3495010;

// The "RgnData" entry of a form description, Depth levels deep, with the region data a form
// shape computes for Mask at run time, written as the form writer writes it (the build tool
// kv-rgndata prints it). Empty when no pixel of Mask lies inside the window. It scans on a
// form of its own, so it needs the widget application. Exported from every build: the tool
// is built with the library.
KV_EXPORT QByteArray RgnDataEntry(const TBitmap& Mask, TColor MaskColor, int Depth);

// The percentage of Range that Offset covers, truncated: ValueToPercent over 64-bit
// differences, which do not fit an int for the widest ranges. 0 for an empty range.
constexpr int PercentOfRange(int64_t Offset, int64_t Range) {
  return Range == 0 ? 0 : SaturateToInt(Offset * 100 / Range);
}

// The ticks of a segmented bar along a Length of pixels inside a frame of FrameWidth: their
// pitch, how many fit, and the long side snapped to whole ticks. The snapped side never
// grows beyond Current (only an empty bar with a negative Spacing would) and never goes
// below 0. A pitch below 1 fits no tick.
struct TickSnap {
  int64_t Step = 0;
  int Count = 0;
  int Snapped = 0;
};
inline TickSnap SnapTicks(int64_t Length, int TickHeight, int Spacing, int FrameWidth,
                          int Current) {
  TickSnap s;
  s.Step = int64_t(TickHeight) + Spacing;
  if (s.Step > 0) s.Count = SaturateToInt(std::max<int64_t>((Length + Spacing) / s.Step, 0));
  const int64_t whole = 2 * int64_t(FrameWidth) + s.Count * s.Step - Spacing;
  s.Snapped = SaturateToInt(std::clamp<int64_t>(whole, 0, std::max(Current, 0)));
  return s;
}

// A framed control whose frame changes from OldFrame to NewFrame pixels a side keeps its
// interior: its bounds grow or shrink by the difference on every side (a size smaller than
// the old frame counts as just the frame).
inline void KeepInteriorAcrossFrame(TControl& Control, int OldFrame, int NewFrame) {
  const int64_t grow = 2 * (int64_t(NewFrame) - OldFrame);
  const auto size = [&](int now) {
    return SaturateToInt(std::max<int64_t>(now, 2 * int64_t(OldFrame)) + grow);
  };
  Control.SetBounds(Control.Left(), Control.Top(), size(Control.Width()), size(Control.Height()));
}

// One copy of a text drawn under the text itself: its offset and colour.
struct TextLayer {
  int DX = 0;
  int DY = 0;
  TColor Color;
};
// With a clear brush, calls Draw(DX, DY) once for each layer in the layer's font colour,
// then Draw(0, 0) in the font colour the canvas had, which it keeps.
void DrawTextLayers(TCanvas* Canvas, std::span<const TextLayer> Layers,
                    const std::function<void(int DX, int DY)>& Draw);

// The largest dot image MakeDotImage builds, in pixels (it needs two more of that size).
inline constexpr int64_t kDotImagePixelBudget = int64_t(1) << 24;

}  // namespace kv
