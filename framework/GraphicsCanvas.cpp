// The canvas: its state and clip, pixels, lines, shapes and flood fills. Text is drawn in
// GraphicsText.cpp, copies between surfaces in GraphicsCanvasCopy.cpp.
//
// One-pixel pens, fills and shapes are own loops over the surface (Raster.h). Pens wider
// than one pixel are round-capped, round-joined strokes centred on the one-pixel path;
// QPainter renders their coverage into a scratch mask, which is then painted like any
// other pixels, so pen modes, the clip and monochrome surfaces work the same for them.
// Wide pens are always solid. Dashed one-pixel pens: psDot is one on, one off; psDash,
// psDashDot and psDashDotDot use 6-pixel dashes and 1-pixel dots with 2-pixel gaps;
// psInsideFrame draws as psSolid. Pie outlines are always solid.
#include "Raster.h"

#include <QPainter>

#include <cmath>
#include <numbers>

using kv::ClipRects;
using kv::DashPattern;
using kv::Ink;
using kv::Int128;
using kv::LineRaster;
using kv::Point64;
using kv::RimRow;
using kv::RoundShape;
using kv::RoundShapeRows;
using kv::Span;

namespace kv {

namespace {

// Row y of each hatch, bit x set where the hatch line lies, in the order of TBrushStyle
// from bsHorizontal on.
constexpr uint8_t kHatches[6][8] = {
    {0xFF, 0, 0, 0, 0, 0, 0, 0},                       // horizontal
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},  // vertical
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // top-left to bottom-right
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // bottom-left to top-right
    {0xFF, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

}  // namespace

Ink PenInk(const TCanvas& canvas) {
  const TPen* pen = canvas.Pen();
  if (pen->Style() == TPenStyle::psClear) return {};
  return Ink::Solid(SurfaceColor(pen->Color(), canvas.MonochromeSurface()), pen->Mode());
}

Ink BrushInk(const TCanvas& canvas, TPenMode mode) {
  const TBrush* brush = canvas.Brush();
  Ink ink;
  ink.mode = mode;
  ink.color = SurfaceColor(brush->Color(), canvas.MonochromeSurface());
  ink.origin = canvas.Origin();
  if (const TBitmap* pattern = brush->Bitmap(); pattern && !pattern->Empty()) {
    ink.kind = Ink::Kind::Tile;
    ink.tile = &pattern->Image();
    ink.mono = canvas.MonochromeSurface();
    return ink;
  }
  switch (brush->Style()) {
    case TBrushStyle::bsSolid: ink.kind = Ink::Kind::Solid; break;
    case TBrushStyle::bsClear: ink.kind = Ink::Kind::None; break;
    default:
      ink.kind = Ink::Kind::Hatch;
      std::copy_n(kHatches[int(brush->Style()) - int(TBrushStyle::bsHorizontal)], 8, ink.hatch);
      break;
  }
  return ink;
}

Point64 ToSurface(const TCanvas& canvas, int x, int y) {
  return {int64_t(x) + canvas.Origin().x(), int64_t(y) + canvas.Origin().y()};
}

std::pair<int64_t, int64_t> VisibleRows(const ClipRects& clip, int64_t top, int64_t bottom) {
  return {std::max<int64_t>(top, clip.Bounds.top()),
          std::min<int64_t>(bottom, int64_t(clip.Bounds.bottom()) + 1)};
}

}  // namespace kv

using kv::BrushInk;
using kv::PenInk;
using kv::ToSurface;
using kv::VisibleRows;

namespace {

bool HasWidePen(const TCanvas& canvas) {
  return canvas.Pen()->Width() > 1 && canvas.Pen()->Style() != TPenStyle::psClear;
}

// ---------------------------------------------------------------------------
// Wide pens

// Liang-Barsky: clips the segment to the box; false when nothing is left.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& box) {
  double t0 = 0, t1 = 1;
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                       box.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  const QPointF start = a;
  a = start + QPointF(dx, dy) * t0;
  b = start + QPointF(dx, dy) * t1;
  return true;
}

// The pixels a wide pen covers along a polyline (surface pixel positions), in a scratch
// image over the visible part only.
class WideStroke {
public:
  WideStroke(const ClipRects& clip, int width, std::span<const QPointF> points, bool closed) {
    if (points.empty() || clip.IsEmpty()) return;
    const double reach = width / 2.0 + 2;
    double left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    for (const QPointF& p : points) {
      left = std::min(left, p.x());
      right = std::max(right, p.x());
      top = std::min(top, p.y());
      bottom = std::max(bottom, p.y());
    }
    const QRectF bounds =
        QRectF(clip.Bounds) &
        QRectF(QPointF(left - reach, top - reach), QPointF(right + reach + 1, bottom + reach + 1));
    FArea = bounds.toAlignedRect() & clip.Bounds;
    if (FArea.isEmpty()) return;
    const QRectF keep = QRectF(FArea).adjusted(-reach, -reach, reach, reach);
    std::vector<QLineF> lines;
    const size_t segments = closed ? points.size() : points.size() - 1;
    for (size_t i = 0; i < std::max<size_t>(segments, 1); ++i) {
      QPointF a = points[i], b = points[(i + 1) % points.size()];
      if (ClipSegment(a, b, keep)) lines.emplace_back(a, b);
    }
    FMask = QImage(FArea.size(), QImage::Format_RGB32);
    FMask.fill(0);
    QPainter painter(&FMask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // Pixel (x, y) of the path is the centre of surface pixel (x, y).
    painter.translate(0.5 - FArea.x(), 0.5 - FArea.y());
    painter.drawLines(lines.data(), int(lines.size()));
  }

  bool Contains(int64_t x, int64_t y) const {
    if (x < FArea.left() || x > FArea.right() || y < FArea.top() || y > FArea.bottom())
      return false;
    return Covered(
        reinterpret_cast<const uint32_t*>(FMask.constScanLine(int(y - FArea.y())))[x - FArea.x()]);
  }

  void Paint(const kv::SurfaceRows& surface, const ClipRects& clip, const Ink& ink) const {
    if (!FMask.isNull()) kv::PaintMask(surface, clip, FMask, FArea.topLeft(), ink, Covered);
  }

  // Paints the parts of a row's span that the stroke does not cover.
  void PaintOutside(const kv::SurfaceRows& surface, const ClipRects& clip, int64_t y, Span span,
                    const Ink& ink) const {
    if (!ink.Paints()) return;
    int64_t x = std::max<int64_t>(span.Begin, clip.Bounds.left());
    const int64_t end = std::min<int64_t>(span.End, int64_t(clip.Bounds.right()) + 1);
    while (x < end) {
      if (Contains(x, y)) {
        ++x;
        continue;
      }
      const int64_t start = x;
      while (x < end && !Contains(x, y)) ++x;
      kv::PaintSpan(surface, clip, y, start, x, ink);
    }
  }

private:
  static bool Covered(uint32_t px) { return (px & 0xFFFFFFu) != 0; }
  QRect FArea;
  QImage FMask;
};

// The stroke of a wide pen along the outline that Outline() makes, or none for a thin pen.
template <class MakeOutline>
std::optional<WideStroke> WideOutline(const TCanvas& canvas, MakeOutline&& outline, bool closed) {
  if (!HasWidePen(canvas)) return std::nullopt;
  return WideStroke(canvas.EffectiveClip(), canvas.Pen()->Width(), outline(), closed);
}

std::vector<QPointF> ToPointsF(std::span<const Point64> points) {
  std::vector<QPointF> out;
  out.reserve(points.size());
  for (const Point64& p : points) out.emplace_back(double(p.X), double(p.Y));
  return out;
}

// The segments an arc of radii (rx, ry) needs to stay within a twentieth of a pixel of the
// curve per quarter.
int ArcSegments(double rx, double ry) {
  const double r = std::max({rx, ry, 1.0});
  return std::clamp(int(std::ceil(std::numbers::pi / 2 * std::sqrt(r * 10))), 2, 1024);
}

// The outline of a round shape through the centres of its rim pixels, counter-clockwise
// from the right end of the top edge.
std::vector<QPointF> RoundShapeOutline(const RoundShape& s) {
  const double ra = double(s.Ra), rb = double(s.Rb);
  const double left = double(s.Left) + ra, right = double(s.Left + s.Width - 1) - ra;
  const double top = double(s.Top) + rb, bottom = double(s.Top + s.Height - 1) - rb;
  const QPointF centres[4] = {{right, top}, {left, top}, {left, bottom}, {right, bottom}};
  const int n = (s.Ra == 0 && s.Rb == 0) ? 0 : ArcSegments(ra, rb);
  std::vector<QPointF> out;
  for (int q = 0; q < 4; ++q) {
    for (int k = 0; k <= n; ++k) {
      const double t = (q + double(k) / std::max(n, 1)) * std::numbers::pi / 2;
      out.push_back(centres[q] + QPointF(ra * std::cos(t), -rb * std::sin(t)));
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// One-pixel outlines

void DrawThinPolyline(const kv::SurfaceRows& surface, const ClipRects& clip,
                      std::span<const Point64> points, bool closed, const Ink& pen,
                      const DashPattern& dash) {
  if (points.size() < 2) return;
  int64_t phase = 0;
  const size_t segments = closed ? points.size() : points.size() - 1;
  for (size_t i = 0; i < segments; ++i) {
    const Point64 a = points[i], b = points[i + 1 < points.size() ? i + 1 : 0];
    const LineRaster line(a.X, a.Y, b.X, b.Y);
    kv::DrawLine(surface, clip, line, pen, dash, phase);
    if (!dash.Solid()) phase = (phase + line.Count() % dash.Period) % dash.Period;
  }
}

void StrokePolyline(const TCanvas& canvas, std::span<const Point64> points, bool closed) {
  const kv::SurfaceRows surface(*canvas.Surface());
  const ClipRects& clip = canvas.EffectiveClip();
  const auto outline = [&] { return ToPointsF(points); };
  if (auto stroke = WideOutline(canvas, outline, closed)) {
    stroke->Paint(surface, clip, PenInk(canvas));
    return;
  }
  DrawThinPolyline(surface, clip, points, closed, PenInk(canvas),
                   DashPattern::Of(canvas.Pen()->Style()));
}

// A dashed rim: the dash rhythm runs along the rim in the order of the pixels' angles
// about the shape's centre (the visible pixels only).
void DrawDashedRim(const kv::SurfaceRows& surface, const ClipRects& clip, const RoundShape& shape,
                   const Ink& pen, const DashPattern& dash) {
  struct RimPixel {
    double angle;
    int64_t x, y;
  };
  std::vector<RimPixel> pixels;
  const double cx = double(shape.Left) + double(shape.Width - 1) / 2;
  const double cy = double(shape.Top) + double(shape.Height - 1) / 2;
  const auto [top, bottom] = VisibleRows(clip, shape.Top, shape.Bottom());
  if (top >= bottom) return;
  const int64_t clipLeft = clip.Bounds.left(), clipRight = int64_t(clip.Bounds.right()) + 1;
  for (RoundShapeRows rows(shape, top); rows.Y() < bottom; rows.Next()) {
    const RimRow rim = rows.Rim();
    for (const Span& run : {rim.Left, rim.Right})
      for (int64_t x = std::max(run.Begin, clipLeft); x < std::min(run.End, clipRight); ++x)
        pixels.push_back({std::atan2(cy - double(rows.Y()), double(x) - cx), x, rows.Y()});
  }
  std::sort(pixels.begin(), pixels.end(), [](const RimPixel& a, const RimPixel& b) {
    return std::tie(a.angle, a.y, a.x) < std::tie(b.angle, b.y, b.x);
  });
  for (size_t i = 0; i < pixels.size(); ++i)
    if (dash.On(int64_t(i)))
      kv::PaintSpan(surface, clip, pixels[i].y, pixels[i].x, pixels[i].x + 1, pen);
}

// Rectangles, rounded rectangles and ellipses: the interior in the brush, the rim in the
// pen, each pixel painted once.
void DrawRoundShape(const TCanvas& canvas, const RoundShape& shape) {
  if (shape.Empty()) return;
  const kv::SurfaceRows surface(*canvas.Surface());
  const ClipRects& clip = canvas.EffectiveClip();
  const Ink pen = PenInk(canvas), brush = BrushInk(canvas, canvas.Pen()->Mode());
  const auto [top, bottom] = VisibleRows(clip, shape.Top, shape.Bottom());
  if (top >= bottom) return;
  const auto outline = [&] { return RoundShapeOutline(shape); };
  if (const auto stroke = WideOutline(canvas, outline, true)) {
    for (int64_t y = top; y < bottom; ++y)
      stroke->PaintOutside(surface, clip, y, shape.Row(y), brush);
    stroke->Paint(surface, clip, pen);
    return;
  }
  const DashPattern dash = DashPattern::Of(canvas.Pen()->Style());
  for (RoundShapeRows rows(shape, top); rows.Y() < bottom; rows.Next()) {
    const RimRow rim = rows.Rim();
    if (!pen.Paints()) kv::PaintSpan(surface, clip, rows.Y(), rim.Row.Begin, rim.Row.End, brush);
    else if (dash.Solid()) kv::PaintRimRow(surface, clip, rows.Y(), rim, pen, brush);
    else kv::PaintSpan(surface, clip, rows.Y(), rim.Inner.Begin, rim.Inner.End, brush);
  }
  if (pen.Paints() && !dash.Solid()) DrawDashedRim(surface, clip, shape, pen, dash);
}

// ---------------------------------------------------------------------------
// Pies

Int128 Cross(Point64 a, Point64 b) { return Int128(a.X) * b.Y - Int128(a.Y) * b.X; }
Int128 Dot(Point64 a, Point64 b) { return Int128(a.X) * b.X + Int128(a.Y) * b.Y; }

// The wedge of a pie: directions from the centre with y pointing up, from Start
// counter-clockwise to End.
struct Sector {
  enum class Rule { Within, Beyond, Ray };  // sweep up to 180 degrees, more, or none
  Rule rule = Rule::Within;
  Point64 start, end;
  int64_t cx = 0, cy = 0;

  bool Contains(int64_t x, int64_t y) const {
    const Point64 p{x - cx, cy - y};
    if (p.X == 0 && p.Y == 0) return true;
    const Int128 fromStart = Cross(start, p), toEnd = Cross(p, end);
    switch (rule) {
      case Rule::Within: return fromStart >= 0 && toEnd >= 0;
      case Rule::Beyond: return fromStart >= 0 || toEnd >= 0;
      case Rule::Ray: return fromStart == 0 && Dot(start, p) >= 0;
    }
    return false;
  }
};

// The rim pixel nearest to where the ray from (cx, cy) in direction d (y up) leaves the
// ellipse.
Point64 RimPointOnRay(const RoundShape& e, int64_t cx, int64_t cy, Point64 d) {
  using LD = long double;
  const LD ecx = LD(e.Left) + LD(e.Width - 1) / 2, ecy = LD(e.Top) + LD(e.Height - 1) / 2;
  const LD a = LD(e.Width - 1) / 2 + 0.25L, b = LD(e.Height - 1) / 2 + 0.25L;
  const LD len = std::hypot(LD(d.X), LD(d.Y));
  const LD ux = LD(d.X) / len, uy = -LD(d.Y) / len;  // screen direction
  const LD ox = LD(cx) - ecx, oy = LD(cy) - ecy;
  const LD qa = ux * ux / (a * a) + uy * uy / (b * b);
  const LD qb = 2 * (ox * ux / (a * a) + oy * uy / (b * b));
  const LD qc = ox * ox / (a * a) + oy * oy / (b * b) - 1;
  const LD t = (-qb + std::sqrt(std::max<LD>(qb * qb - 4 * qa * qc, 0))) / (2 * qa);
  const LD qx = LD(cx) + t * ux, qy = LD(cy) + t * uy;
  Point64 best{cx, cy};
  LD bestDistance = -1;
  const int64_t row = std::clamp<int64_t>(std::llround(qy), e.Top, e.Bottom() - 1);
  for (int64_t y = std::max(e.Top, row - 1); y <= std::min(e.Bottom() - 1, row + 1); ++y) {
    const RimRow rim = kv::RimOf(e.Row(y - 1), e.Row(y), e.Row(y + 1));
    for (const Span& run : {rim.Left, rim.Right}) {
      if (run.Empty()) continue;
      const int64_t x = std::clamp<int64_t>(std::llround(qx), run.Begin, run.End - 1);
      const LD distance = (LD(x) - qx) * (LD(x) - qx) + (LD(y) - qy) * (LD(y) - qy);
      if (bestDistance < 0 || distance < bestDistance) {
        bestDistance = distance;
        best = {x, y};
      }
    }
  }
  return best;
}

Point64 DirectionTo(int64_t cx, int64_t cy, Point64 p) {
  const Point64 d{p.X - cx, cy - p.Y};
  return d.X == 0 && d.Y == 0 ? Point64{1, 0} : d;
}

// The outline of a wide-pen pie: centre, the arc from the start to the end pixel, back.
std::vector<QPointF> PieOutline(const RoundShape& e, const Sector& sector, Point64 ps, Point64 pe) {
  const double ecx = double(e.Left) + double(e.Width - 1) / 2,
               ecy = double(e.Top) + double(e.Height - 1) / 2;
  const double a = std::max(double(e.Width - 1) / 2, 0.5),
               b = std::max(double(e.Height - 1) / 2, 0.5);
  auto param = [&](Point64 p) {
    return std::atan2((ecy - double(p.Y)) / b, (double(p.X) - ecx) / a);
  };
  const double t0 = param(ps);
  double sweep = std::remainder(param(pe) - t0, 2 * std::numbers::pi);
  if (sweep < 0) sweep += 2 * std::numbers::pi;
  if (sector.rule == Sector::Rule::Ray) sweep = 0;
  if (sector.rule == Sector::Rule::Beyond && sweep == 0) sweep = 2 * std::numbers::pi;
  const int n = std::max(1, int(std::ceil(ArcSegments(a, b) * sweep / (std::numbers::pi / 2))));
  std::vector<QPointF> out{QPointF(double(sector.cx), double(sector.cy))};
  for (int k = 0; k <= n; ++k) {
    const double t = t0 + sweep * k / n;
    out.emplace_back(ecx + a * std::cos(t), ecy - b * std::sin(t));
  }
  return out;
}

void DrawPie(const TCanvas& canvas, const RoundShape& e, int64_t cx, int64_t cy, Point64 startAt,
             Point64 endAt) {
  const kv::SurfaceRows surface(*canvas.Surface());
  const ClipRects& clip = canvas.EffectiveClip();
  const Point64 so = DirectionTo(cx, cy, startAt), eo = DirectionTo(cx, cy, endAt);
  if (Cross(so, eo) == 0 && Dot(so, eo) > 0) {
    DrawRoundShape(canvas, e);
    return;
  }
  // The wedge runs between the rim pixels its rays meet, so that the radii close it.
  const Point64 ps = RimPointOnRay(e, cx, cy, so), pe = RimPointOnRay(e, cx, cy, eo);
  Sector sector;
  sector.cx = cx;
  sector.cy = cy;
  sector.start = ps.X == cx && ps.Y == cy ? so : DirectionTo(cx, cy, ps);
  sector.end = pe.X == cx && pe.Y == cy ? eo : DirectionTo(cx, cy, pe);
  if (Cross(so, eo) < 0) sector.rule = Sector::Rule::Beyond;
  else if (Cross(sector.start, sector.end) <= 0 && Dot(sector.start, sector.end) > 0)
    sector.rule = Sector::Rule::Ray;  // a thin wedge whose pixels met on one ray

  const Ink pen = PenInk(canvas), brush = BrushInk(canvas, canvas.Pen()->Mode());
  const auto [top, bottom] = VisibleRows(clip, e.Top, e.Bottom());
  const int64_t clipLeft = clip.Bounds.left(), clipRight = int64_t(clip.Bounds.right()) + 1;
  const auto outline = [&] { return PieOutline(e, sector, ps, pe); };
  if (const auto stroke = WideOutline(canvas, outline, true)) {
    for (int64_t y = top; y < bottom; ++y) {
      const Span row = e.Row(y);
      const int64_t end = std::min(row.End, clipRight);
      for (int64_t x = std::max(row.Begin, clipLeft); x < end;) {
        const int64_t start = x;
        const bool inside = sector.Contains(x, y);
        while (x < end && sector.Contains(x, y) == inside) ++x;
        if (inside) stroke->PaintOutside(surface, clip, y, {start, x}, brush);
      }
    }
    stroke->Paint(surface, clip, pen);
    return;
  }
  const LineRaster radius1(cx, cy, ps.X, ps.Y), radius2(cx, cy, pe.X, pe.Y);
  const bool outlined = pen.Paints();
  enum Paint { kNothing, kPen, kBrush };
  for (RoundShapeRows rows(e, top); rows.Y() < bottom; rows.Next()) {
    const int64_t y = rows.Y();
    const RimRow rim = rows.Rim();
    auto paintOf = [&](int64_t x) {
      const bool inside = sector.Contains(x, y);
      if (outlined &&
          ((inside && rim.Contains(x)) || radius1.Contains(x, y) || radius2.Contains(x, y)))
        return kPen;
      return inside ? kBrush : kNothing;
    };
    const int64_t end = std::min(rim.Row.End, clipRight);
    for (int64_t x = std::max(rim.Row.Begin, clipLeft); x < end;) {
      const int64_t start = x;
      const Paint paint = paintOf(x);
      while (x < end && paintOf(x) == paint) ++x;
      if (paint != kNothing) kv::PaintSpan(surface, clip, y, start, x, paint == kPen ? pen : brush);
    }
  }
  // Radius pixels that stray outside the ellipse's pixels.
  if (!outlined) return;
  for (const LineRaster* radius : {&radius1, &radius2}) {
    int64_t first = 0, last = 0;
    radius->ClipTo(clip.Bounds, first, last);
    for (int64_t i = first; i < last; ++i) {
      const Point64 p = radius->At(i);
      const Span row = e.Row(p.Y);
      if (p.X < row.Begin || p.X >= row.End) kv::PaintSpan(surface, clip, p.Y, p.X, p.X + 1, pen);
    }
  }
}

// ---------------------------------------------------------------------------
// Frames and flood fills

// The one-pixel frame of [l, r) x [t, b), each pixel once.
void PaintFrame(const kv::SurfaceRows& surface, const ClipRects& clip, Point64 topLeft,
                Point64 bottomRight, const Ink& ink) {
  const int64_t l = topLeft.X, t = topLeft.Y, r = bottomRight.X, b = bottomRight.Y;
  if (r <= l || b <= t) return;
  kv::PaintSpan(surface, clip, t, l, r, ink);
  if (b - 1 > t) kv::PaintSpan(surface, clip, b - 1, l, r, ink);
  const auto [top, bottom] = VisibleRows(clip, t + 1, b - 1);
  for (int64_t y = top; y < bottom; ++y) {
    kv::PaintSpan(surface, clip, y, l, l + 1, ink);
    if (r - 1 > l) kv::PaintSpan(surface, clip, y, r - 1, r, ink);
  }
}

// The 4-connected area around the seed whose pixels pass the test, inside the clip, as
// row spans. Iterative: a stack of seeds and a visited bit per pixel of the clip box.
template <class Fillable>
std::vector<std::pair<int, Span>> FloodArea(const QImage& surface, const ClipRects& clip, int sx,
                                            int sy, Fillable&& fillable) {
  std::vector<std::pair<int, Span>> area;
  const QRect box = clip.Bounds;
  std::vector<bool> visited(size_t(box.width()) * size_t(box.height()));
  auto index = [&](int x, int y) {
    return size_t(y - box.top()) * size_t(box.width()) + size_t(x - box.left());
  };
  auto open = [&](int x, int y) {
    return !visited[index(x, y)] && clip.Contains(x, y) &&
           fillable(reinterpret_cast<const uint32_t*>(surface.constScanLine(y))[x]);
  };
  std::vector<QPoint> seeds{{sx, sy}};
  while (!seeds.empty()) {
    const QPoint seed = seeds.back();
    seeds.pop_back();
    if (!open(seed.x(), seed.y())) continue;
    int l = seed.x(), r = seed.x();
    while (l > box.left() && open(l - 1, seed.y())) --l;
    while (r < box.right() && open(r + 1, seed.y())) ++r;
    for (int x = l; x <= r; ++x) visited[index(x, seed.y())] = true;
    area.push_back({seed.y(), {l, int64_t(r) + 1}});
    for (int y : {seed.y() - 1, seed.y() + 1}) {
      if (y < box.top() || y > box.bottom()) continue;
      for (int x = l; x <= r; ++x) {
        if (!open(x, y)) continue;
        seeds.emplace_back(x, y);
        while (x <= r && open(x, y)) ++x;
      }
    }
  }
  return area;
}

}  // namespace

// ---------------------------------------------------------------------------
// State and clip

TCanvas::TCanvas()
    : FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>()),
      FFont(std::make_unique<TFont>()) {}

TCanvas::~TCanvas() = default;

void TCanvas::Attach(QImage* surface, QPoint origin, std::optional<QRegion> limit) {
  FSurface = surface;
  FOrigin = origin;
  FLimit = std::move(limit);
  InvalidateClip();
}

void TCanvas::Detach() {
  FSurface = nullptr;
  FLimit.reset();
  InvalidateClip();
}

void TCanvas::InvalidateClip() { FClip.reset(); }

void TCanvas::SelectClipRgn(const TRegion* region) {
  if (region) FUserClip = region->ToQRegion();
  else FUserClip.reset();
  InvalidateClip();
}

const kv::ClipRects& TCanvas::EffectiveClip() const {
  const QSize size = FSurface ? FSurface->size() : QSize();
  if (FClip && FClip->SurfaceSize == size) return *FClip;
  kv::ClipRects clip;
  clip.SurfaceSize = size;
  // Only 32-bit surfaces are drawn on.
  if (FSurface && FSurface->depth() == 32 && !FSurface->isNull()) {
    const QRect all(QPoint(0, 0), size);
    if (!FLimit && !FUserClip) {
      clip.Bounds = all;
    } else {
      QRegion region(all);
      if (FLimit) region &= *FLimit;
      if (FUserClip) region &= FUserClip->translated(FOrigin);
      clip = kv::ClipRects::FromRegion(region, size);
    }
  }
  FClip = std::make_unique<kv::ClipRects>(std::move(clip));
  return *FClip;
}

TRect TCanvas::ClipRect() const {
  if (!FSurface) return {};
  const QRect box = EffectiveClip().Bounds;
  if (box.isEmpty()) return {};
  return kv::FromQRect(box.translated(-FOrigin));
}

void TCanvas::Lock() { FLock.lock(); }
void TCanvas::Unlock() { FLock.unlock(); }
bool TCanvas::TryLock() { return FLock.tryLock(); }

// ---------------------------------------------------------------------------
// Pixels

TColor TCanvas::Pixels(int x, int y) const {
  if (!FSurface) return TColor(-1);
  const Point64 p = ToSurface(*this, x, y);
  if (!EffectiveClip().Contains(p.X, p.Y)) return TColor(-1);
  return kv::PixelToColor(
      reinterpret_cast<const uint32_t*>(FSurface->constScanLine(int(p.Y)))[p.X]);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  if (!FSurface) return;
  const Point64 p = ToSurface(*this, x, y);
  kv::PaintSpan(kv::SurfaceRows(*FSurface), EffectiveClip(), p.Y, p.X, p.X + 1,
                Ink::Solid(kv::SurfaceColor(color, MonochromeSurface())));
  Changed();
}

// ---------------------------------------------------------------------------
// Lines

void TCanvas::MoveTo(int x, int y) { FPenPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  if (FSurface) {
    const Point64 ends[2] = {ToSurface(*this, FPenPos.X, FPenPos.Y), ToSurface(*this, x, y)};
    StrokePolyline(*this, ends, false);
  }
  FPenPos = {x, y};
  if (FSurface) Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  FPenPos = points.back();
  if (!FSurface) return;
  std::vector<Point64> path;
  path.reserve(points.size());
  for (const TPoint& p : points) path.push_back(ToSurface(*this, p.X, p.Y));
  StrokePolyline(*this, path, false);
  Changed();
}

// ---------------------------------------------------------------------------
// Shapes

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) { RoundRect(x1, y1, x2, y2, 0, 0); }

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  if (!FSurface) return;
  const Point64 a = ToSurface(*this, x1, y1), b = ToSurface(*this, x2, y2);
  DrawRoundShape(*this, RoundShape::RoundRect(a.X, a.Y, b.X, b.Y, w, h));
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (!FSurface) return;
  const Point64 a = ToSurface(*this, x1, y1), b = ToSurface(*this, x2, y2);
  DrawRoundShape(*this, RoundShape::Ellipse(a.X, a.Y, b.X, b.Y));
  Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  if (!FSurface) return;
  const Point64 a = ToSurface(*this, x1, y1), b = ToSurface(*this, x2, y2);
  const RoundShape e = RoundShape::Ellipse(a.X, a.Y, b.X, b.Y);
  if (!e.Empty()) {
    // The centre is taken in canvas coordinates, with div truncating toward zero.
    const int64_t cx = (int64_t(x1) + x2) / 2 + FOrigin.x(),
                  cy = (int64_t(y1) + y2) / 2 + FOrigin.y();
    DrawPie(*this, e, cx, cy, ToSurface(*this, x3, y3), ToSurface(*this, x4, y4));
  }
  Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (!FSurface || points.empty()) return;
  std::vector<Point64> path;
  path.reserve(points.size());
  for (const TPoint& p : points) path.push_back(ToSurface(*this, p.X, p.Y));
  const ClipRects& clip = EffectiveClip();
  const kv::SurfaceRows surface(*FSurface);
  const Ink brush = BrushInk(*this, FPen->Mode());
  const auto outline = [&] { return ToPointsF(path); };
  const auto stroke = WideOutline(*this, outline, true);
  if (brush.Paints() && !clip.IsEmpty()) {
    kv::PolygonSweep sweep(points, FOrigin, false);
    std::vector<Span> spans;
    int64_t y0 = 0, y1 = 0;
    const auto [top, bottom] = VisibleRows(clip, sweep.Top(), sweep.Bottom());
    while (sweep.Next(top, bottom, y0, y1, spans)) {
      for (int64_t y = y0; y < y1; ++y) {
        for (const Span& s : spans) {
          if (stroke) stroke->PaintOutside(surface, clip, y, s, brush);
          else kv::PaintSpan(surface, clip, y, s.Begin, s.End, brush);
        }
      }
    }
  }
  if (stroke) stroke->Paint(surface, clip, PenInk(*this));
  else DrawThinPolyline(surface, clip, path, true, PenInk(*this), DashPattern::Of(FPen->Style()));
  Changed();
}

void TCanvas::FillRect(const TRect& r) {
  if (!FSurface) return;
  const ClipRects& clip = EffectiveClip();
  const Point64 a = ToSurface(*this, r.Left, r.Top), b = ToSurface(*this, r.Right, r.Bottom);
  const Ink brush = BrushInk(*this, TPenMode::pmCopy);
  const auto [top, bottom] = VisibleRows(clip, a.Y, b.Y);
  const kv::SurfaceRows surface(*FSurface);
  if (a.X < b.X)
    for (int64_t y = top; y < bottom; ++y) kv::PaintSpan(surface, clip, y, a.X, b.X, brush);
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  if (!FSurface) return;
  PaintFrame(kv::SurfaceRows(*FSurface), EffectiveClip(), ToSurface(*this, r.Left, r.Top),
             ToSurface(*this, r.Right, r.Bottom), BrushInk(*this, TPenMode::pmCopy));
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& r) {
  if (!FSurface) return;
  // Every other pixel of the frame, on the canvas's own checkerboard, is inverted.
  Ink dots;
  dots.kind = Ink::Kind::Hatch;
  dots.mode = TPenMode::pmXor;
  dots.color = 0xFFFFFFFFu;
  dots.origin = FOrigin;
  for (int row = 0; row < 8; ++row) dots.hatch[row] = row % 2 ? 0xAA : 0x55;
  PaintFrame(kv::SurfaceRows(*FSurface), EffectiveClip(), ToSurface(*this, r.Left, r.Top),
             ToSurface(*this, r.Right, r.Bottom), dots);
  Changed();
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
  if (!FSurface) return;
  const ClipRects& clip = EffectiveClip();
  const Point64 seed = ToSurface(*this, x, y);
  const Ink brush = BrushInk(*this, TPenMode::pmCopy);
  if (brush.Paints() && clip.Contains(seed.X, seed.Y)) {
    const uint32_t key = kv::ColorToPixel(color) & 0xFFFFFFu;
    const bool border = style == TFillStyle::fsBorder;
    const auto area = FloodArea(*FSurface, clip, int(seed.X), int(seed.Y),
                                [&](uint32_t px) { return ((px & 0xFFFFFFu) == key) != border; });
    const kv::SurfaceRows surface(*FSurface);
    for (const auto& [row, span] : area)
      kv::PaintSpan(surface, clip, row, span.Begin, span.End, brush);
  }
  Changed();
}
