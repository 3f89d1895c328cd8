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

// Begins Painter on the canvas's surface, anti-aliased, in canvas coordinates and clipped to
// the canvas's clip, narrowed to Limit (surface coordinates) when given. False, with the
// painter not begun, when nothing can show.
bool BeginSmoothPainter(QPainter& painter, const TCanvas& canvas, const QRect* limit = nullptr);

// Each draws its canvas call smooth and says so, or returns false and leaves the call to the
// classic path: at the classic quality, on a monochrome surface, with a pen mode other than
// a plain copy, for shapes too small for a curve, or far outside the surface.
bool SmoothPolyline(const TCanvas& canvas, std::span<const TPoint> points);
bool SmoothPolygon(const TCanvas& canvas, std::span<const TPoint> points);
bool SmoothEllipse(const TCanvas& canvas, const TRect& box);
bool SmoothRoundRect(const TCanvas& canvas, const TRect& box, int cornerWidth, int cornerHeight);
bool SmoothPie(const TCanvas& canvas, const TRect& box, TPoint start, TPoint end);

}  // namespace kv
