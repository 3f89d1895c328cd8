// The smooth rendering of the canvas (RenderQuality.h): lines, shapes and text drawn
// anti-aliased with QPainter on the canvas's surface, in the canvas's clip, with its pen,
// brush and font. Axis-aligned fills, frames, copies, raster modes other than a plain copy
// and flood fills stay classic; so does a monochrome surface (a mask keeps its two colours).
#pragma once

#include "Graphics.h"

#include <span>

class QPainter;
class QRect;

namespace kv {

// Whether the canvas draws smooth now: the thread renders smooth and the surface holds
// colours.
KV_TEST_EXPORT bool DrawsSmooth(const TCanvas& canvas);

// The anti-aliased painter of one smooth call on the canvas's surface, in canvas coordinates
// and clipped to the canvas's clip, narrowed to Limit (surface coordinates) when given; false
// when nothing can show. Successive calls on this thread share one painter while they draw on
// the same pixels (a call may change its state: the next sets clip and transform again).
class SmoothCall {
public:
  explicit SmoothCall(const TCanvas& canvas, const QRect* limit = nullptr);
  ~SmoothCall();
  SmoothCall(const SmoothCall&) = delete;
  SmoothCall& operator=(const SmoothCall&) = delete;
  explicit operator bool() const { return FPainter != nullptr; }
  QPainter& operator*() const { return *FPainter; }
  QPainter* operator->() const { return FPainter; }

private:
  QPainter* FPainter;
};

// Ends the shared painter if the canvas drew with it last: the canvas lets go of its surface.
void EndSmoothPainting(const TCanvas& canvas);

// While it lives, each smooth call on this thread opens and ends a painter of its own, as
// every call did before they shared one (for tests that compare the two).
class KV_TEST_EXPORT SmoothPainterPerCall {
public:
  SmoothPainterPerCall();
  ~SmoothPainterPerCall();
  SmoothPainterPerCall(const SmoothPainterPerCall&) = delete;
  SmoothPainterPerCall& operator=(const SmoothPainterPerCall&) = delete;
};

// Each draws its canvas call smooth and says so, or returns false and leaves the call to the
// classic path: at the classic quality, on a monochrome surface, with a pen mode other than
// a plain copy, for shapes too small for a curve, or far outside the surface.
bool SmoothPolyline(const TCanvas& canvas, std::span<const TPoint> points);
bool SmoothPolygon(const TCanvas& canvas, std::span<const TPoint> points);
bool SmoothEllipse(const TCanvas& canvas, const TRect& box);
bool SmoothRoundRect(const TCanvas& canvas, const TRect& box, int cornerWidth, int cornerHeight);
bool SmoothPie(const TCanvas& canvas, const TRect& box, TPoint start, TPoint end);

}  // namespace kv
