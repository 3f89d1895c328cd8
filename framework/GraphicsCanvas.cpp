// The canvas: its state and clip, pixels, lines, shapes and flood fills. Text is drawn in
// GraphicsText.cpp, copies between surfaces in GraphicsCanvasCopy.cpp.
//
// Every primitive is an own loop over the surface (Raster.h), following the pixel rules
// written down in docs/architecture.md ("The canvas"). Pens wider than one pixel are
// round-capped, round-joined strokes, always solid; their pixels are collected first and
// painted once, so pen modes, the clip and monochrome surfaces work the same for them.
// psInsideFrame draws as psSolid.
#include "GraphicsHooks.h"
#include "GraphicsSmooth.h"
#include "Raster.h"

#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

using kv::ClipRects;
using kv::Coverage;
using kv::DashPattern;
using kv::FloodRun;
using kv::Ink;
using kv::Int128;
using kv::LineRaster;
using kv::Point64;
using kv::RoundShape;
using kv::RoundShapeRows;
using kv::Span;

namespace kv {

namespace {

// Row y of each hatch, bit x set where the hatch line lies, in the order of TBrushStyle
// from bsHorizontal on.
constexpr uint8_t kHatches[6][8] = {
    {0, 0, 0, 0xFF, 0, 0, 0, 0},                       // horizontal: row 3
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},  // vertical: column 4
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // top-left to bottom-right: x = y
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // bottom-left to top-right: x + y = 7
    {0x10, 0x10, 0x10, 0xFF, 0x10, 0x10, 0x10, 0x10},  // cross
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
  ink.scale = canvas.DeviceScale();
  if (const TBitmap* pattern = brush->Bitmap(); pattern && !pattern->Empty()) {
    ink.kind = Ink::Kind::Tile;
    ink.tile = &pattern->Image();
    ink.scale = std::max(1, canvas.DeviceScale() / pattern->DeviceScale());
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

int DeviceScaleOf(double devicePixelRatio) {
  if (!(devicePixelRatio > 1)) return 1;  // NaN too
  return int(std::ceil(std::min(devicePixelRatio - 1e-6, double(kMaxDeviceScale))));
}

QRegion ScaledRegion(const QRegion& region, int scale) {
  if (scale == 1) return region;
  QRegion scaled;
  for (const QRect& r : region)
    scaled += QRect(r.left() * scale, r.top() * scale, r.width() * scale, r.height() * scale);
  return scaled;
}

std::pair<int64_t, int64_t> VisibleRows(const ClipRects& clip, int64_t top, int64_t bottom) {
  return {std::max<int64_t>(top, clip.Bounds.top()),
          std::min<int64_t>(bottom, int64_t(clip.Bounds.bottom()) + 1)};
}

// ---------------------------------------------------------------------------
// Pies

namespace {

// The sides of a box a point lies beyond: left, right, above, below.
unsigned SidesBeyond(Point64 p, const QRect& box) {
  return unsigned(p.X < box.left()) | unsigned(p.X > box.right()) << 1 |
         unsigned(p.Y < box.top()) << 2 | unsigned(p.Y > box.bottom()) << 3;
}

// Which point of the quarter walk (relative to the ellipse's centre) a direction (y up)
// meets, as a position counted counter-clockwise around the whole ellipse from its right
// end, 4 `count` positions in all: the first point at or past the direction.
int64_t ArcPosition(std::span<const Point64> quarter, Point64 d) {
  const int64_t count = int64_t(quarter.size());
  // The walk turns one way, so the points past a direction are a tail of it.
  auto first = [&](auto&& past) {
    const auto at = std::partition_point(quarter.begin(), quarter.end(),
                                         [&](const Point64& p) { return !past(p); });
    return int64_t(at - quarter.begin());
  };
  const auto cross = [](int64_t a, int64_t b, int64_t c, int64_t d2) {
    return Int128(a) * b <= Int128(c) * d2;
  };
  if (d.Y >= 0) {
    if (d.X >= 0) return first([&](Point64 p) { return cross(p.X, d.Y, p.Y, d.X); });
    return 2 * count - first([&](Point64 p) { return Int128(p.X) * d.Y < Int128(p.Y) * -d.X; });
  }
  if (d.X >= 0) return 4 * count - first([&](Point64 p) { return cross(p.X, -d.Y, p.Y, d.X); });
  return 2 * count + first([&](Point64 p) { return Int128(p.X) * -d.Y < Int128(p.Y) * -d.X; });
}

// The quarter walk of the ellipse relative to its centre corner. Pie charts draw pies of one
// size again and again, so the last few walks are kept.
const std::vector<Point64>& CentredQuarter(const RoundShape& e) {
  struct Kept {
    int64_t Width = -1, Height = -1, CornerWidth = -1, CornerHeight = -1;
    std::vector<Point64> Quarter;
  };
  thread_local std::array<Kept, 4> kept;
  thread_local size_t next = 0;
  for (const Kept& k : kept)
    if (k.Width == e.Width && k.Height == e.Height && k.CornerWidth == e.CornerWidth &&
        k.CornerHeight == e.CornerHeight)
      return k.Quarter;
  Kept& k = kept[next];
  next = (next + 1) % kept.size();
  k.Quarter = e.Quarter();
  for (Point64& p : k.Quarter) p = {p.X - e.Width / 2, p.Y - e.Height / 2};
  k.Width = e.Width;
  k.Height = e.Height;
  k.CornerWidth = e.CornerWidth;
  k.CornerHeight = e.CornerHeight;
  return k.Quarter;
}

}  // namespace

std::vector<Point64> PieOutline(const RoundShape& e, Point64 centre, Point64 start, Point64 end,
                                const std::optional<QRect>& cut) {
  const int64_t w = e.Width, h = e.Height;
  const std::vector<Point64>& quarter = CentredQuarter(e);
  const int64_t count = int64_t(quarter.size());
  const int64_t from = ArcPosition(quarter, {start.X - centre.X, centre.Y - start.Y});
  int64_t to = ArcPosition(quarter, {end.X - centre.X, centre.Y - end.Y});
  if (to <= from) to += 4 * count;
  std::vector<Point64> points;
  points.reserve(size_t(to - from) + 1);
  const int64_t left = e.Left + w / 2, right = e.Right() - 1 - w / 2;
  const int64_t upper = e.Bottom() - 1 - h / 2, lower = e.Top + h / 2;
  const Point64* walk = quarter.data();
  // Point k of quarter Q (counter-clockwise from the right end), in path order.
  const auto at = [&]<int Q>(std::integral_constant<int, Q>, int64_t k) -> Point64 {
    if constexpr (Q == 0) return {left + walk[k].X, upper - walk[k].Y};
    else if constexpr (Q == 1)
      return {right - walk[count - 1 - k].X, upper - walk[count - 1 - k].Y};
    else if constexpr (Q == 2) return {right - walk[k].X, lower + walk[k].Y};
    else return {left + walk[count - 1 - k].X, lower + walk[count - 1 - k].Y};
  };
  const auto addQuarter = [&](auto q, int64_t k0, int64_t k1) {
    if (!cut) {
      for (int64_t k = k0; k < k1; ++k) points.push_back(at(q, k));
      return;
    }
    // Along a quarter both coordinates move one way, so the points beyond a side of the box
    // are a head or a tail of it, found by halving; such a run keeps its two ends.
    for (int64_t k = k0; k < k1;) {
      const Point64 p = at(q, k);
      const unsigned sides = SidesBeyond(p, *cut);
      points.push_back(p);
      int64_t next = k + 1;
      for (unsigned side = 1; side <= sides; side <<= 1) {
        if ((sides & side) == 0) continue;
        int64_t lo = k + 1, hi = k1;
        while (lo < hi) {
          const int64_t mid = lo + (hi - lo) / 2;
          if (SidesBeyond(at(q, mid), *cut) & side) lo = mid + 1;
          else hi = mid;
        }
        next = std::max(next, lo);
      }
      if (next > k + 1) points.push_back(at(q, next - 1));
      k = next;
    }
  };
  // Quarter by quarter: position i lies in quarter (i div count) mod 4, at k = i mod count.
  for (int64_t i = from; i < to;) {
    const int64_t k0 = i % count, k1 = k0 + std::min(to - i, count - k0);
    switch ((i / count) % 4) {
      case 0: addQuarter(std::integral_constant<int, 0>(), k0, k1); break;
      case 1: addQuarter(std::integral_constant<int, 1>(), k0, k1); break;
      case 2: addQuarter(std::integral_constant<int, 2>(), k0, k1); break;
      default: addQuarter(std::integral_constant<int, 3>(), k0, k1); break;
    }
    i += k1 - k0;
  }
  points.push_back(centre);
  return points;
}

}  // namespace kv

using kv::BrushInk;
using kv::PenInk;
using kv::PieOutline;
using kv::ToSurface;
using kv::VisibleRows;

namespace {

bool HasWidePen(const TCanvas& canvas) {
  return canvas.Pen()->Width() > 1 && canvas.Pen()->Style() != TPenStyle::psClear;
}

// A canvas path in surface coordinates; the few points of a marker or a segment stay off
// the heap.
class SurfacePath {
public:
  SurfacePath(const TCanvas& canvas, std::span<const TPoint> points) {
    Point64* out = reinterpret_cast<Point64*>(FLocal);
    if (points.size() > kLocalPoints) {
      FHeap.resize(points.size());
      out = FHeap.data();
    }
    for (size_t i = 0; i < points.size(); ++i)
      std::construct_at(out + i, ToSurface(canvas, points[i].X, points[i].Y));
    FPoints = {out, points.size()};
  }
  SurfacePath(const SurfacePath&) = delete;
  SurfacePath& operator=(const SurfacePath&) = delete;
  std::span<const Point64> Points() const { return FPoints; }

private:
  static constexpr size_t kLocalPoints = 16;
  // Left uninitialised: the path is made for every polygon and line drawn.
  alignas(Point64) unsigned char FLocal[kLocalPoints * sizeof(Point64)];
  std::vector<Point64> FHeap;
  std::span<const Point64> FPoints;
};

// ---------------------------------------------------------------------------
// Wide pens

// Wider pens are drawn this wide: wider than any surface.
constexpr int64_t kMaxPenWidth = int64_t(1) << 14;

// The pixels a pen of the given width covers along a path, in the rows [top, bottom): a
// band along each segment and a disc of the pen's diameter on every vertex (round joins
// and caps). An even width reaches one pixel further up and left of the path than down
// and right.
Coverage WideStroke(std::span<const Point64> points, bool closed, int64_t width, int64_t top,
                    int64_t bottom) {
  Coverage stroke(top, bottom);
  if (points.empty()) return stroke;
  width = std::min(width, kMaxPenWidth);
  const int64_t half = width / 2;
  const RoundShape disc = RoundShape::Ellipse(-half, -half, width - half, width - half);
  const size_t segments = closed ? points.size() : points.size() - 1;
  for (size_t i = 0; i < segments; ++i) {
    const Point64 a = points[i], b = points[i + 1 < points.size() ? i + 1 : 0];
    const int64_t dx = b.X - a.X, dy = b.Y - a.Y;
    if (dy == 0) {
      const Span band{std::min(a.X, b.X), std::max(a.X, b.X)};
      for (int64_t y = std::max(a.Y - half, top); y < std::min(a.Y - half + width, bottom); ++y)
        stroke.Add(y, band);
    } else if (dx == 0) {
      const Span band{a.X - half, a.X - half + width};
      for (int64_t y = std::max(std::min(a.Y, b.Y), top); y < std::min(std::max(a.Y, b.Y), bottom);
           ++y)
        stroke.Add(y, band);
    } else if (std::max(a.Y, b.Y) + width > top && std::min(a.Y, b.Y) - width < bottom) {
      // A slanted band: its half widths across the segment, rounded, the wider half on
      // the upper left.
      const double length = std::hypot(double(dx), double(dy));
      const double wx = double(width) * double(std::abs(dy)) / length,
                   wy = double(width) * double(std::abs(dx)) / length;
      Point64 narrow{int64_t(wx / 2 + 0.5), int64_t(wy / 2 + 0.5)};
      Point64 wide{int64_t((wx + 1) / 2 + 0.5), int64_t((wy + 1) / 2 + 0.5)};
      if (dx < 0) {
        narrow.Y = -narrow.Y;
        wide.Y = -wide.Y;
      }
      if (dy < 0) {
        std::swap(narrow, wide);
        narrow.X = -narrow.X;
        wide.X = -wide.X;
      }
      const Point64 band[4] = {{a.X - narrow.X, a.Y + narrow.Y},
                               {a.X + wide.X, a.Y - wide.Y},
                               {b.X + wide.X, b.Y - wide.Y},
                               {b.X - narrow.X, b.Y + narrow.Y}};
      stroke.AddPolygon(band);
    }
  }
  for (const Point64& p : points) stroke.AddShape(disc, p);
  stroke.Finish();
  return stroke;
}

// Walks a one-pixel outline: Pixel(x, y) for a step to a neighbour, Line(raster, phase) for
// each longer segment. The dash rhythm runs on along the path from its first point.
template <class Pixel, class Line>
void WalkThinPolyline(std::span<const Point64> points, bool closed, const DashPattern& dash,
                      Pixel&& pixel, Line&& line) {
  if (points.size() < 2) return;
  int64_t phase = 0;
  const size_t segments = closed ? points.size() : points.size() - 1;
  for (size_t i = 0; i < segments; ++i) {
    const Point64 a = points[i], b = points[i + 1 < points.size() ? i + 1 : 0];
    if (std::abs(b.X - a.X) <= 1 && std::abs(b.Y - a.Y) <= 1) {
      // A step to a neighbour (the points of a curve) draws its start pixel.
      if (a.X == b.X && a.Y == b.Y) continue;
      if (dash.Solid() || dash.On(phase)) pixel(a.X, a.Y);
      ++phase;
      continue;
    }
    const LineRaster raster(a.X, a.Y, b.X, b.Y);
    line(raster, phase);
    if (!dash.Solid()) phase += raster.Count() % dash.Length();
  }
}

// A wide pen's width on the surface.
int64_t SurfacePenWidth(const TCanvas& canvas) {
  return std::min<int64_t>(int64_t(canvas.Pen()->Width()) * canvas.DeviceScale(), kMaxPenWidth);
}

// Where a wide pen's path lies on the surface: a pen of odd width is centred on a canvas
// pixel, which is the middle of its block of surface pixels.
Point64 WidePenShift(const TCanvas& canvas) {
  const int64_t half = canvas.Pen()->Width() % 2 ? canvas.DeviceScale() / 2 : 0;
  return {half, half};
}

// A one-pixel pen at a device scale above 1: every pixel of the surface path grows to the
// scale along the line's minor axis (a step of a curve: to a square), so the line covers
// the blocks of its canvas pixels and steps by one surface pixel. Dashes scale too. Piece(y,
// span) is called for the pixels, a row's run at a time; pieces may overlap.
template <class Piece>
void WalkScaledThinStroke(std::span<const Point64> points, bool closed, const DashPattern& dash,
                          int64_t scale, const QRect& visible, Piece&& piece) {
  const QRect reach = visible.adjusted(-int(scale), -int(scale), 0, 0);
  const int64_t back = (scale - 1) / 2;
  // The pixels of a mostly horizontal line or curve come one by one: those that touch along
  // a row join into one run of Rows rows from Top before they are given out.
  int64_t runTop = 0, runRows = 0;
  Span run;
  const auto endRun = [&] {
    for (int64_t k = 0; k < runRows; ++k) piece(runTop + k, run);
    runRows = 0;
  };
  const auto add = [&](int64_t top, int64_t rows, Span s) {
    if (rows == runRows && top == runTop && s.Begin <= run.End && s.End >= run.Begin) {
      run = {std::min(run.Begin, s.Begin), std::max(run.End, s.End)};
      return;
    }
    endRun();
    runTop = top;
    runRows = rows;
    run = s;
  };
  WalkThinPolyline(
      points, closed, dash,
      [&](int64_t x, int64_t y) { add(y - back, scale, Span{x - back, x - back + scale}); },
      [&](const LineRaster& walked, int64_t phase) {
        // A line running back along its major axis starts at the far end of its first
        // block, so that it ends where its last canvas pixel's block does.
        const int64_t backX = walked.XMajor && walked.SX < 0 ? scale - 1 : 0;
        const int64_t backY = !walked.XMajor && walked.SY < 0 ? scale - 1 : 0;
        const LineRaster line(walked.X0 + backX, walked.Y0 + backY, walked.X1() + backX,
                              walked.Y1() + backY);
        int64_t first = 0, last = 0;
        line.ClipTo(reach, first, last);
        if (first >= last) return;
        if (line.DMinor == 0 && dash.Solid()) {
          // A solid line along an axis covers one rectangle.
          const Point64 a = line.At(first), b = line.At(last - 1);
          const Span across{std::min(a.X, b.X), std::max(a.X, b.X) + (line.XMajor ? 1 : scale)};
          const int64_t top = std::min(a.Y, b.Y);
          add(top, std::max(a.Y, b.Y) + (line.XMajor ? scale : 1) - top, across);
          return;
        }
        for (int64_t i = first; i < last; ++i) {
          if (!dash.Solid() && !dash.On(phase + i)) continue;
          const Point64 p = line.At(i);
          if (line.XMajor) add(p.Y, scale, Span{p.X, p.X + 1});
          else add(p.Y, 1, Span{p.X, p.X + scale});
        }
      });
  endRun();
}

Coverage ScaledThinStroke(std::span<const Point64> points, bool closed, const DashPattern& dash,
                          int64_t scale, const QRect& visible) {
  Coverage stroke(int64_t(visible.top()) - scale, int64_t(visible.bottom()) + 1);
  WalkScaledThinStroke(points, closed, dash, scale, visible,
                       [&](int64_t y, Span s) { stroke.Add(y, s); });
  stroke.Finish();
  return stroke;
}

// Whether the pen is one surface pixel grown to the device scale, writing one colour over what
// lies under it: such a pen paints a pixel the same however often, so its pieces need not be
// united into a coverage first.
bool HasScaledPlainPen(const TCanvas& canvas) {
  return canvas.DeviceScale() > 1 && !HasWidePen(canvas) && PenInk(canvas).Plain();
}

// The pen of HasScaledPlainPen along a path, its pieces straight into the rows.
void StrokeScaledPlain(const TCanvas& canvas, std::span<const Point64> points, bool closed) {
  const auto [surface, clip] = canvas.Target();
  const Ink pen = PenInk(canvas);
  const int64_t scale = canvas.DeviceScale();
  WalkScaledThinStroke(points, closed, DashPattern::Of(canvas.Pen()->Style()).ScaledBy(scale),
                       scale, clip.Bounds,
                       [&pen, &surface = surface, &clip = clip](int64_t y, Span s) {
                         kv::PaintSpan(surface, clip, y, s.Begin, s.End, pen);
                       });
}

// The stroke of the canvas's pen along a path over the visible rows, or none for a thin
// pen drawn one surface pixel wide.
std::optional<Coverage> PenOutline(const TCanvas& canvas, std::span<const Point64> points,
                                   bool closed) {
  if (points.empty() || !PenInk(canvas).Paints()) return std::nullopt;
  if (!HasWidePen(canvas)) {
    if (canvas.DeviceScale() == 1) return std::nullopt;
    return ScaledThinStroke(points, closed,
                            DashPattern::Of(canvas.Pen()->Style()).ScaledBy(canvas.DeviceScale()),
                            canvas.DeviceScale(), canvas.EffectiveClip().Bounds);
  }
  const int64_t width = SurfacePenWidth(canvas);
  const Point64 shift = WidePenShift(canvas);
  std::vector<Point64> shifted;
  if (shift.X != 0) {
    shifted.reserve(points.size());
    for (const Point64& p : points) shifted.push_back({p.X + shift.X, p.Y + shift.Y});
    points = shifted;
  }
  int64_t top = points[0].Y, bottom = top;
  for (const Point64& p : points) {
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
  }
  const auto [first, last] = VisibleRows(canvas.EffectiveClip(), top - width, bottom + width + 1);
  return WideStroke(points, closed, width, first, last);
}

// The rows of the pen's disc (see WideStroke), from its top row -width / 2 on; the last
// width asked for is kept, as a control draws with one pen many times.
std::span<const Span> PenDisc(int64_t width) {
  thread_local int64_t keptWidth = 0;
  thread_local std::vector<Span> rows;
  if (width != keptWidth) {
    const int64_t half = width / 2;
    const RoundShape disc = RoundShape::Ellipse(-half, -half, width - half, width - half);
    rows.clear();
    for (int64_t y = -half; y < width - half; ++y) rows.push_back(disc.Row(y));
    keptWidth = width;
  }
  return rows;
}

// A wide pen along one horizontal or vertical segment: per row, the band and the two end
// discs, united, so each pixel is painted once. The same pixels as WideStroke, without
// collecting them first.
void StrokeAxisSegment(const kv::SurfaceRows& surface, const ClipRects& clip, Point64 a, Point64 b,
                       int64_t width, const Ink& ink) {
  const int64_t half = width / 2;
  const std::span<const Span> disc = PenDisc(width);
  const bool horizontal = a.Y == b.Y;
  const int64_t low = std::min(a.Y, b.Y), high = std::max(a.Y, b.Y);
  const Span band = horizontal ? Span{std::min(a.X, b.X), std::max(a.X, b.X)}
                               : Span{a.X - half, a.X - half + width};
  const int64_t bandTop = horizontal ? a.Y - half : low;
  const int64_t bandBottom = horizontal ? a.Y - half + width : high;
  const auto [top, bottom] = VisibleRows(clip, low - half, high - half + width);
  for (int64_t y = top; y < bottom; ++y) {
    std::array<Span, 3> pieces;
    size_t count = 0;
    for (const Point64& end : {a, b}) {
      const int64_t row = y - end.Y + half;
      if (row >= 0 && row < width && !disc[size_t(row)].Empty())
        pieces[count++] = {disc[size_t(row)].Begin + end.X, disc[size_t(row)].End + end.X};
    }
    if (y >= bandTop && y < bandBottom && !band.Empty()) pieces[count++] = band;
    for (size_t i = 1; i < count; ++i)  // at most three: in order of their start
      for (size_t j = i; j > 0 && pieces[j].Begin < pieces[j - 1].Begin; --j)
        std::swap(pieces[j], pieces[j - 1]);
    for (size_t i = 0; i < count;) {
      Span run = pieces[i++];
      for (; i < count && pieces[i].Begin <= run.End; ++i)
        run.End = std::max(run.End, pieces[i].End);
      kv::PaintSpan(surface, clip, y, run.Begin, run.End, ink);
    }
  }
}

void PaintCoverage(const kv::SurfaceRows& surface, const ClipRects& clip, const Coverage& cover,
                   const Ink& ink) {
  for (int64_t y = cover.Top(); y < cover.Bottom(); ++y)
    for (const Span& s : cover.Row(y)) kv::PaintSpan(surface, clip, y, s.Begin, s.End, ink);
}

// Paints the parts of a row's span that the coverage leaves out.
void PaintOutside(const kv::SurfaceRows& surface, const ClipRects& clip, int64_t y, Span span,
                  const Coverage& cover, const Ink& ink) {
  int64_t x = span.Begin;
  for (const Span& s : cover.Row(y)) {
    if (s.Begin > x) kv::PaintSpan(surface, clip, y, x, std::min(s.Begin, span.End), ink);
    x = std::max(x, s.End);
  }
  if (x < span.End) kv::PaintSpan(surface, clip, y, x, span.End, ink);
}

// ---------------------------------------------------------------------------
// One-pixel outlines

void DrawThinPolyline(const kv::SurfaceRows& surface, const ClipRects& clip,
                      std::span<const Point64> points, bool closed, const Ink& pen,
                      const DashPattern& dash) {
  if (!pen.Paints()) return;
  // A solid copy inside one rectangle writes a curve's pixels straight into the rows.
  const bool plain = dash.Solid() && clip.IsSingle() && pen.Plain();
  const QRect& box = clip.Bounds;
  WalkThinPolyline(
      points, closed, dash,
      [&](int64_t x, int64_t y) {
        if (!plain) kv::PaintSpan(surface, clip, y, x, x + 1, pen);
        else if (x >= box.left() && x <= box.right() && y >= box.top() && y <= box.bottom())
          surface.Row(y)[x] = pen.color | kv::kOpaque;
      },
      [&](const LineRaster& line, int64_t phase) {
        kv::DrawLine(surface, clip, line, pen, dash, phase);
      });
}

// The alternate fill of a polygon of a few points (a marker, a segment), by the sweep's
// pixel rule, without its tables: each edge steps its crossing from row to row, and a row's
// few crossings pair up after an insertion sort. False leaves the polygon to the sweep
// (too many points, or coordinates whose products might not fit 64 bits).
constexpr size_t kSmallPolygonPoints = 8;
constexpr int64_t kSmallPolygonLimit = int64_t(1) << 30;

bool IsSmallPolygon(std::span<const Point64> points) {
  if (points.size() > kSmallPolygonPoints) return false;
  for (const Point64& p : points)
    if (std::abs(p.X) >= kSmallPolygonLimit || std::abs(p.Y) >= kSmallPolygonLimit) return false;
  return true;
}

// Span(y, x0, x1) for each span of the fill inside the clip's rows.
template <class Span>
bool ScanSmallPolygon(const ClipRects& clip, std::span<const Point64> points, Span&& span) {
  constexpr size_t kMaxPoints = kSmallPolygonPoints;
  constexpr int64_t kLimit = kSmallPolygonLimit;
  if (points.size() > kMaxPoints) return false;
  // An edge's crossing X of row Row: X dy - Rem = x0 dy + (Row - y0) dx with 0 <= Rem < dy.
  struct Edge {
    int64_t row, end, x, rem, dy, step, stepRem;
  };
  std::array<Edge, kMaxPoints> edges;
  size_t count = 0;
  int64_t top = INT64_MAX, bottom = INT64_MIN;
  for (size_t i = 0; i < points.size(); ++i) {
    Point64 a = points[i], b = points[i + 1 < points.size() ? i + 1 : 0];
    if (std::abs(a.X) >= kLimit || std::abs(a.Y) >= kLimit) return false;
    if (a.Y == b.Y) continue;
    if (a.Y > b.Y) std::swap(a, b);
    Edge& e = edges[count++];
    e.row = a.Y;
    e.end = b.Y;
    e.x = a.X;
    e.rem = 0;
    e.dy = b.Y - a.Y;
    const int64_t dx = b.X - a.X;
    e.step = dx / e.dy;
    e.stepRem = dx % e.dy;
    if (e.stepRem < 0) {
      --e.step;
      e.stepRem += e.dy;
    }
    top = std::min(top, a.Y);
    bottom = std::max(bottom, b.Y);
  }
  if (count == 0) return true;
  const auto [first, last] = VisibleRows(clip, top, bottom);
  for (size_t i = 0; i < count; ++i) {
    Edge& e = edges[i];
    if (e.row >= first || e.end <= first) continue;
    // An edge that starts above the clip joins at its first visible row, computed afresh.
    const int64_t num = (e.x * e.dy) + (first - e.row) * (e.step * e.dy + e.stepRem);
    int64_t x = num / e.dy;
    if (x * e.dy < num) ++x;
    e.x = x;
    e.rem = x * e.dy - num;
    e.row = first;
  }
  std::array<int64_t, kMaxPoints> xs;
  for (int64_t y = first; y < last; ++y) {
    size_t n = 0;
    for (size_t i = 0; i < count; ++i) {
      Edge& e = edges[i];
      if (y < e.row || y >= e.end) continue;
      // Insertion keeps the row's crossings sorted.
      size_t k = n++;
      for (; k > 0 && xs[k - 1] > e.x; --k) xs[k] = xs[k - 1];
      xs[k] = e.x;
      e.x += e.step;
      e.rem -= e.stepRem;
      if (e.rem < 0) {
        e.rem += e.dy;
        ++e.x;
      }
      ++e.row;
    }
    for (size_t k = 0; k + 1 < n; k += 2)
      if (xs[k] < xs[k + 1]) span(y, xs[k], xs[k + 1]);
  }
  return true;
}

bool FillSmallPolygon(const kv::SurfaceRows& surface, const ClipRects& clip,
                      std::span<const Point64> points, const Ink& brush) {
  return ScanSmallPolygon(clip, points, [&](int64_t y, int64_t x0, int64_t x1) {
    kv::PaintSpan(surface, clip, y, x0, x1, brush);
  });
}

// The pixels a polygon of a few points paints with a thin pen, as spans relative to its
// first point, fill first and then the outline, each in the order it is painted: markers and
// segments are drawn again and again at new places, and replaying their spans costs little
// more than their pixels. A pixel painted twice (the fill under the outline, a crossing) is
// painted twice in the replay too, so mixing pen modes stay exact.
class SmallPolygonCache {
public:
  // Paints the polygon from the cache, recording it first when new; false when it is too
  // large to keep.
  bool Paint(const kv::SurfaceRows& surface, const ClipRects& clip, std::span<const Point64> points,
             const Ink& brush, const Ink& pen, const DashPattern& dash) {
    Key key;
    if (!key.Make(points, brush.Paints(), pen.Paints(), dash)) return false;
    Entry* entry = Find(key);
    if (!entry) entry = Record(key, dash);
    const Point64 at = points[0];
    const QRect& box = entry->Box;
    const QRect& bounds = clip.Bounds;
    const bool inside = box.left() + at.X >= bounds.left() &&
                        box.right() + at.X <= bounds.right() && box.top() + at.Y >= bounds.top() &&
                        box.bottom() + at.Y <= bounds.bottom();
    if (clip.IsSingle() && inside && !box.isEmpty() && Plain(pen) && Plain(brush)) {
      // All of it inside one clip rectangle in two solid colours: each pixel's last colour
      // straight into the rows.
      const uint32_t colors[2] = {brush.color | kv::kOpaque, pen.color | kv::kOpaque};
      if (!entry->RowInks.empty()) {
        const uint8_t* ink = entry->RowInks.data();
        for (const Piece& run : entry->Rows) {
          uint32_t* p = surface.Row(at.Y + run.Y) + (at.X + run.Begin);
          for (int32_t n = run.End - run.Begin; n > 0; --n) *p++ = colors[*ink++];
        }
        return true;
      }
      for (const Piece& run : entry->LastInks) {
        uint32_t* p = surface.Row(at.Y + run.Y) + (at.X + run.Begin);
        kv::FillPixels(p, p + (run.End - run.Begin), colors[run.Pen]);
      }
      return true;
    }
    for (const Piece& piece : entry->Pieces)
      kv::PaintSpan(surface, clip, piece.Y + at.Y, piece.Begin + at.X, piece.End + at.X,
                    piece.Pen ? pen : brush);
    return true;
  }

private:
  // Shapes no larger than this are kept: a few hundred pieces each at most.
  static constexpr int64_t kMaxExtent = 256;
  static constexpr size_t kEntries = 16;

  struct Key {
    // Relative to the first point; only the first Count are set.
    struct Offset {
      int32_t X, Y;
    };
    std::array<Offset, kSmallPolygonPoints> Points;
    size_t Count = 0;
    DashPattern Dash;
    bool Fill = false, Outline = false;

    bool Make(std::span<const Point64> points, bool fill, bool outline, const DashPattern& dash) {
      if (points.empty() || !IsSmallPolygon(points)) return false;
      for (size_t i = 0; i < points.size(); ++i) {
        const Point64 d{points[i].X - points[0].X, points[i].Y - points[0].Y};
        if (std::abs(d.X) > kMaxExtent || std::abs(d.Y) > kMaxExtent) return false;
        Points[i] = {int32_t(d.X), int32_t(d.Y)};
      }
      Count = points.size();
      Dash = dash;
      Fill = fill;
      Outline = outline;
      return true;
    }
    bool operator==(const Key& o) const {
      return Count == o.Count && Fill == o.Fill && Outline == o.Outline &&
             Dash.Bits == o.Dash.Bits && Dash.Period == o.Dash.Period && Dash.Scale == o.Dash.Scale &&
             std::equal(Points.begin(), Points.begin() + ptrdiff_t(Count), o.Points.begin(),
                        [](Offset a, Offset b) { return a.X == b.X && a.Y == b.Y; });
    }
  };
  struct Piece {
    int32_t Y, Begin, End;
    bool Pen;
  };
  struct Entry {
    Key Shape;
    std::vector<Piece> Pieces;
    QRect Box;  // the pieces' bounds
    // What copying inks leave: runs of pixels that the same ink painted last, apart. A
    // narrow shape's runs are short: it keeps each row's painted run instead, and the ink
    // of each of its pixels, in order (1 the pen).
    std::vector<Piece> LastInks;
    std::vector<Piece> Rows;
    std::vector<uint8_t> RowInks;
  };

  // An ink that does not paint has no pieces, so it never stands in the way.
  static bool Plain(const Ink& ink) { return !ink.Paints() || ink.Plain(); }

  Entry* Find(const Key& key) {
    for (Entry& e : FEntries)
      if (e.Shape == key) return &e;
    return nullptr;
  }

  Entry* Record(const Key& key, const DashPattern& dash) {
    Entry& e = FEntries[FNext];
    FNext = (FNext + 1) % kEntries;
    e.Shape = key;
    e.Pieces.clear();
    std::array<Point64, kSmallPolygonPoints> points;
    for (size_t i = 0; i < key.Count; ++i) points[i] = {key.Points[i].X, key.Points[i].Y};
    const std::span<const Point64> shape(points.data(), key.Count);
    if (key.Fill) {
      // The shape's own box as the clip: nothing of it is cut away.
      ClipRects whole;
      whole.Bounds =
          QRect(QPoint(-kMaxExtent - 1, -kMaxExtent - 1), QPoint(kMaxExtent + 1, kMaxExtent + 1));
      ScanSmallPolygon(whole, shape, [&](int64_t y, int64_t x0, int64_t x1) {
        e.Pieces.push_back({int32_t(y), int32_t(x0), int32_t(x1), false});
      });
    }
    if (key.Outline) {
      auto add = [&](int64_t x, int64_t y, bool joins) {
        if (joins && e.Pieces.back().Y == y && e.Pieces.back().End == x) ++e.Pieces.back().End;
        else e.Pieces.push_back({int32_t(y), int32_t(x), int32_t(x + 1), true});
      };
      WalkThinPolyline(
          shape, true, dash, [&](int64_t x, int64_t y) { add(x, y, false); },
          [&](const LineRaster& line, int64_t phase) {
            // Pixels of one segment are all different: a row's run of them is one piece.
            bool joins = false;
            for (int64_t i = 0; i < line.Count(); ++i) {
              if (!dash.On(phase + i)) {
                joins = false;
                continue;
              }
              const Point64 p = line.At(i);
              add(p.X, p.Y, joins);
              joins = true;
            }
          });
    }
    e.Box = QRect();
    for (const Piece& piece : e.Pieces)
      e.Box |= QRect(piece.Begin, piece.Y, piece.End - piece.Begin, 1);
    RecordLastInks(e);
    return &e;
  }

  // Shapes up to this wide are replayed pixel by pixel along their rows.
  static constexpr int kNarrow = 16;

  static void RecordLastInks(Entry& e) {
    e.LastInks.clear();
    e.Rows.clear();
    e.RowInks.clear();
    if (e.Box.isEmpty()) return;
    const int width = e.Box.width();
    // Per pixel of the box: 0 untouched, else 1 + the ink that painted it last.
    std::vector<uint8_t> grid(size_t(width) * size_t(e.Box.height()), 0);
    for (const Piece& piece : e.Pieces) {
      uint8_t* row = grid.data() + size_t(piece.Y - e.Box.top()) * size_t(width);
      std::fill(row + (piece.Begin - e.Box.left()), row + (piece.End - e.Box.left()),
                uint8_t(1 + piece.Pen));
    }
    for (int y = 0; y < e.Box.height(); ++y) {
      const uint8_t* row = grid.data() + size_t(y) * size_t(width);
      for (int x = 0; x < width;) {
        const uint8_t ink = row[x];
        const int begin = x;
        while (x < width && row[x] == ink) ++x;
        if (ink)
          e.LastInks.push_back({int32_t(y + e.Box.top()), int32_t(begin + e.Box.left()),
                                int32_t(x + e.Box.left()), ink == 2});
      }
    }
    if (width > kNarrow) return;
    for (const Piece& run : e.LastInks) {
      // Runs that touch on one row become one.
      if (!e.Rows.empty() && e.Rows.back().Y == run.Y && e.Rows.back().End == run.Begin)
        e.Rows.back().End = run.End;
      else e.Rows.push_back({run.Y, run.Begin, run.End, false});
      e.RowInks.insert(e.RowInks.end(), size_t(run.End - run.Begin), uint8_t(run.Pen));
    }
  }

  std::array<Entry, kEntries> FEntries;
  size_t FNext = 0;
};

// The arrays of FillByRows, kept from call to call: a pie chart's frame fills several pies,
// and allocating them costs as much as a small pie's rows. Reached once per call, through an
// ordinary reference.
struct FillByRowsArrays {
  struct Crossing {
    int64_t x;
    int dir;
  };
  std::vector<int> LeftWinding;
  std::vector<uint32_t> Start, Filled;
  std::vector<Crossing> Crossings;

  [[gnu::noinline]] static FillByRowsArrays& OfThisThread() {
    thread_local FillByRowsArrays arrays;
    return arrays;
  }
};

// The winding fill of a closed path whose edges are mostly one row high (a pie's rim), by
// the sweep's pixel rule: each edge drops its crossings straight into the buckets of the
// visible rows it spans, so no edge table is built or sorted, and a row sorts only its few
// crossings. The spans, and so the pixels, are the sweep's.
void FillByRows(const kv::SurfaceRows& surface, const ClipRects& clip,
                std::span<const Point64> points, const Ink& brush) {
  int64_t top = INT64_MAX, bottom = INT64_MIN, leftmost = INT64_MAX;
  for (const Point64& p : points) {
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
    leftmost = std::min(leftmost, p.X);
  }
  // Named apart: the lambdas below use them, and a structured binding cannot be captured
  // by every compiler we build with.
  const auto visible = VisibleRows(clip, top, bottom);
  const int64_t first = visible.first, last = visible.second;
  if (first >= last) return;
  const size_t rows = size_t(last - first);
  // An edge wholly left of the clip only adds its direction to the winding its rows start
  // with; one wholly right of it ends nothing that shows, so a row still inside at its end
  // runs to the clip's right side.
  const int64_t clipLeft = clip.Bounds.left(), clipEnd = int64_t(clip.Bounds.right()) + 1;
  FillByRowsArrays& scratch = FillByRowsArrays::OfThisThread();
  std::vector<int>& leftWinding = scratch.LeftWinding;
  leftWinding.assign(leftmost < clipLeft ? rows + 1 : 0, 0);
  // Calls f(upper, lower, dir, y0, y1) for each other edge that crosses the visible rows
  // [y0, y1).
  const auto forEachEdge = [&](auto&& f) {
    for (size_t i = 0; i < points.size(); ++i) {
      const Point64 a = points[i], b = points[i + 1 < points.size() ? i + 1 : 0];
      if (a.Y == b.Y || std::min(a.X, b.X) >= clipEnd || std::max(a.X, b.X) < clipLeft) continue;
      const bool down = a.Y < b.Y;
      const Point64 upper = down ? a : b, lower = down ? b : a;
      const int64_t y0 = std::max(upper.Y, first), y1 = std::min(lower.Y, last);
      if (y0 < y1) f(upper, lower, down ? 1 : -1, y0, y1);
    }
  };
  for (size_t i = 0; i < points.size() && !leftWinding.empty(); ++i) {
    const Point64 a = points[i], b = points[i + 1 < points.size() ? i + 1 : 0];
    if (a.Y == b.Y || std::max(a.X, b.X) >= clipLeft) continue;
    const int64_t y0 = std::max(std::min(a.Y, b.Y), first), y1 = std::min(std::max(a.Y, b.Y), last);
    if (y0 >= y1) continue;
    const int dir = a.Y < b.Y ? 1 : -1;
    leftWinding[size_t(y0 - first)] += dir;
    leftWinding[size_t(y1 - first)] -= dir;
  }
  // Counted first, so that each row's crossings sit together in one array.
  std::vector<uint32_t>& start = scratch.Start;
  start.assign(rows + 1, 0);
  forEachEdge([&](Point64, Point64, int, int64_t y0, int64_t y1) {
    for (int64_t y = y0; y < y1; ++y) ++start[size_t(y - first) + 1];
  });
  for (size_t r = 0; r < rows; ++r) start[r + 1] += start[r];
  std::vector<FillByRowsArrays::Crossing>& crossings = scratch.Crossings;
  crossings.resize(start[rows]);
  std::vector<uint32_t>& filled = scratch.Filled;
  filled.assign(start.begin(), start.end() - 1);
  forEachEdge([&](Point64 a, Point64 b, int dir, int64_t y0, int64_t y1) {
    // The crossing of row y is the first pixel at or right of the exact crossing:
    // X dy - Rem = x0 dy + (y - y0) dx with 0 <= Rem < dy, stepped row by row.
    const int64_t dx = b.X - a.X, dy = b.Y - a.Y;
    if (dy == 1) {  // a step of the rim: its one crossing is its upper end
      crossings[filled[size_t(y0 - first)]++] = {a.X, dir};
      return;
    }
    int64_t x = a.X, rem = 0;
    if (y0 != a.Y && dx != 0) {
      const Int128 num = Int128(a.X) * dy + Int128(y0 - a.Y) * dx;
      Int128 q = num / dy;
      if (q * dy < num) ++q;
      x = int64_t(q);
      rem = int64_t(q * dy - num);
    }
    int64_t step = dx / dy, stepRem = dx % dy;
    if (stepRem < 0) {
      --step;
      stepRem += dy;
    }
    for (int64_t y = y0; y < y1; ++y) {
      crossings[filled[size_t(y - first)]++] = {x, dir};
      x += step;
      rem -= stepRem;
      if (rem < 0) {
        rem += dy;
        ++x;
      }
    }
  });
  for (size_t r = 0; r < rows; ++r) {
    FillByRowsArrays::Crossing* row = crossings.data() + start[r];
    const size_t n = start[r + 1] - start[r];
    for (size_t i = 1; i < n; ++i)
      for (size_t k = i; k > 0 && (row[k].x < row[k - 1].x ||
                                   (row[k].x == row[k - 1].x && row[k].dir < row[k - 1].dir));
           --k)
        std::swap(row[k], row[k - 1]);
    const int64_t y = first + int64_t(r);
    int winding = 0;
    if (!leftWinding.empty()) {
      if (r > 0) leftWinding[r] += leftWinding[r - 1];
      winding = leftWinding[r];
    }
    int64_t begin = clipLeft;
    for (size_t i = 0; i < n; ++i) {
      const bool wasInside = winding != 0;
      winding += row[i].dir;
      if (!wasInside && winding != 0) begin = row[i].x;
      // Runs never overlap, so a pen mode meets each pixel once.
      if (wasInside && winding == 0 && row[i].x > begin)
        kv::PaintSpan(surface, clip, y, begin, row[i].x, brush);
    }
    if (winding != 0 && clipEnd > begin) kv::PaintSpan(surface, clip, y, begin, clipEnd, brush);
  }
}

// A long closed path cut down to what can show in a box: each run of points that all lie
// beyond one side of the box keeps only its two ends. The edge between them lies beyond that
// side too and crosses each row, counted with its direction, as often as the run did, so the
// fill inside the box is the same under either rule, and so is a thin solid outline.
constexpr size_t kWorthCutting = 32;  // points; cutting a shorter path saves nothing
std::vector<Point64> CulledPath(std::span<const Point64> points, const QRect& box) {
  std::vector<Point64> kept;
  kept.reserve(points.size());
  unsigned run = 0;   // the sides every point of the current run lies beyond
  bool open = false;  // the run's last point is not kept yet
  for (size_t i = 0; i < points.size(); ++i) {
    const unsigned side = kv::SidesBeyond(points[i], box);
    if (i > 0 && (run & side) != 0) {
      run &= side;
      open = true;
      continue;
    }
    if (open) kept.push_back(points[i - 1]);
    kept.push_back(points[i]);
    run = side;
    open = false;
  }
  if (open) kept.push_back(points.back());
  return kept;
}

// The box a closed path may be cut down to (see CulledPath), or none when it must be drawn
// whole: a dash's phase runs along the whole path, and a wide stroke's joins reach across the
// clip. At a device scale a thin pen's pixel grows to a block reaching up to scale - 1
// surface pixels past its point, so the box reaches as far past the clip.
std::optional<QRect> OutlineCutBox(const TCanvas& canvas) {
  if (HasWidePen(canvas) || !DashPattern::Of(canvas.Pen()->Style()).Solid()) return std::nullopt;
  const int reach = canvas.DeviceScale() - 1;
  return canvas.EffectiveClip().Bounds.adjusted(-reach, -reach, reach, reach);
}

// The interior of a closed path in the brush and the path in Pen, one surface pixel wide,
// or, when there is one, in the pen's Stroke, which is left out of the interior.
void FillAndStrokeWith(const TCanvas& canvas, std::span<const Point64> points, bool winding,
                       const Ink& pen, const std::optional<Coverage>& stroke) {
  const kv::SurfaceRows surface = canvas.WritableRows();
  const ClipRects& clip = canvas.EffectiveClip();
  const Ink brush = BrushInk(canvas, canvas.Pen()->Mode());
  const DashPattern dash = DashPattern::Of(canvas.Pen()->Style());
  if (clip.IsEmpty()) return;
  if (!winding && !stroke) {
    thread_local SmallPolygonCache cache;
    if (cache.Paint(surface, clip, points, brush, pen, dash)) return;
  }
  const bool fill = brush.Paints();
  if (fill && winding && !stroke) FillByRows(surface, clip, points, brush);
  else if (fill && (winding || stroke || !FillSmallPolygon(surface, clip, points, brush))) {
    kv::PolygonSweep sweep(points, winding);
    int64_t y0 = 0, y1 = 0;
    const auto [top, bottom] = VisibleRows(clip, sweep.Top(), sweep.Bottom());
    while (sweep.Next(top, bottom, y0, y1))
      for (int64_t y = y0; y < y1; ++y)
        for (const Span& s : sweep.Spans()) {
          if (stroke) PaintOutside(surface, clip, y, s, *stroke, brush);
          else kv::PaintSpan(surface, clip, y, s.Begin, s.End, brush);
        }
  }
  if (stroke) PaintCoverage(surface, clip, *stroke, pen);
  else DrawThinPolyline(surface, clip, points, true, pen, dash);
}

// The interior of a closed path in the brush and the path in the pen.
void FillAndStroke(const TCanvas& canvas, std::span<const Point64> points, bool winding) {
  if (HasScaledPlainPen(canvas)) {
    // Painted over the whole interior afterwards, as a thin pen is at scale 1.
    FillAndStrokeWith(canvas, points, winding, Ink(), std::nullopt);
    StrokeScaledPlain(canvas, points, true);
    return;
  }
  FillAndStrokeWith(canvas, points, winding, PenInk(canvas), PenOutline(canvas, points, true));
}

// The line most drawing code draws, in a plain pen (one pixel, solid, copying its colour):
// with both ends inside a clip of one rectangle it needs none of the ink, dash or clip
// machinery. False leaves the line to the general path.
bool DrawPlainLine(const kv::CanvasTarget& target, Point64 a, Point64 b, uint32_t color) {
  const QRect& box = target.Clip.Bounds;
  if (!target.Clip.IsSingle() || std::min(a.X, b.X) < box.left() ||
      std::max(a.X, b.X) > box.right() || std::min(a.Y, b.Y) < box.top() ||
      std::max(a.Y, b.Y) > box.bottom())
    return false;
  kv::FillWholeLine(target.Rows, LineRaster(a.X, a.Y, b.X, b.Y), color);
  return true;
}

void StrokePolyline(const TCanvas& canvas, std::span<const Point64> points, bool closed = false) {
  const auto [surface, clip] = canvas.Target();
  if (!closed && HasWidePen(canvas) && points.size() == 2 &&
      (points[0].X == points[1].X || points[0].Y == points[1].Y)) {
    const Point64 shift = WidePenShift(canvas);
    StrokeAxisSegment(surface, clip, {points[0].X + shift.X, points[0].Y + shift.Y},
                      {points[1].X + shift.X, points[1].Y + shift.Y}, SurfacePenWidth(canvas),
                      PenInk(canvas));
    return;
  }
  if (HasScaledPlainPen(canvas)) {
    StrokeScaledPlain(canvas, points, closed);
    return;
  }
  if (const auto stroke = PenOutline(canvas, points, closed)) {
    PaintCoverage(surface, clip, *stroke, PenInk(canvas));
    return;
  }
  DrawThinPolyline(surface, clip, points, closed, PenInk(canvas),
                   DashPattern::Of(canvas.Pen()->Style()));
}

// Rectangles, rounded rectangles and ellipses: the interior in the brush, the rim in the
// pen. A solid one-pixel rim is painted row by row with the interior, each pixel once; a
// dashed rim is drawn over the brush along the outline, as a line is.
void DrawRoundShape(const TCanvas& canvas, const RoundShape& shape) {
  if (shape.Empty()) return;
  const auto [surface, clip] = canvas.Target();
  const Ink pen = PenInk(canvas), brush = BrushInk(canvas, canvas.Pen()->Mode());
  const auto [top, bottom] = VisibleRows(clip, shape.Top, shape.Bottom());
  if (top >= bottom) return;
  const int64_t scale = canvas.DeviceScale();
  if (HasWidePen(canvas)) {
    // Through the first surface pixel of each canvas pixel of the rim, as a wide pen's path
    // is taken (WidePenShift centres it on the block).
    const RoundShape rim = scale == 1 ? shape : shape.Inset(0, scale - 1);
    const auto stroke = PenOutline(canvas, rim.Outline(), true);
    for (int64_t y = top; y < bottom; ++y)
      PaintOutside(surface, clip, y, shape.Row(y), *stroke, brush);
    PaintCoverage(surface, clip, *stroke, pen);
    return;
  }
  const DashPattern dash = DashPattern::Of(canvas.Pen()->Style());
  if (scale > 1 && pen.Paints() && dash.Solid()) {
    // The rim is what the shape inset by one canvas pixel leaves.
    const RoundShape inner = shape.Inset(scale, scale);
    for (int64_t y = top; y < bottom; ++y) {
      const Span row = shape.Row(y);
      const Span in = inner.Empty() || y < inner.Top || y >= inner.Bottom() ? Span{} : inner.Row(y);
      if (in.Empty()) {
        kv::PaintSpan(surface, clip, y, row.Begin, row.End, pen);
        continue;
      }
      kv::PaintSpan(surface, clip, y, row.Begin, in.Begin, pen);
      kv::PaintSpan(surface, clip, y, in.Begin, in.End, brush);
      kv::PaintSpan(surface, clip, y, in.End, row.End, pen);
    }
    return;
  }
  if (pen.Paints() && dash.Solid()) {
    for (RoundShapeRows rows(shape, top); rows.Y() < bottom; rows.Next())
      kv::PaintRimRow(surface, clip, rows.Y(), rows.Rim(), pen, brush);
    return;
  }
  for (int64_t y = top; y < bottom;) {
    const int64_t next = std::min(shape.SameRowsUntil(y), bottom - 1) + 1;
    const Span row = shape.Row(y);
    for (; y < next; ++y) kv::PaintSpan(surface, clip, y, row.Begin, row.End, brush);
  }
  // Above scale 1 the path runs through the first surface pixel of each canvas pixel of the
  // rim: a line's pixels grow right and down to cover their blocks.
  if (scale == 1) DrawThinPolyline(surface, clip, shape.Outline(), true, pen, dash);
  else if (const RoundShape path = shape.Inset(0, scale - 1); !path.Empty())
    StrokePolyline(canvas, path.Outline(), true);
}

// ---------------------------------------------------------------------------
// Frames and flood fills

// The frame of [l, r) x [t, b), `width` pixels wide, each pixel once.
void PaintFrame(const kv::SurfaceRows& surface, const ClipRects& clip, Point64 topLeft,
                Point64 bottomRight, int64_t width, const Ink& ink) {
  const int64_t l = topLeft.X, t = topLeft.Y, r = bottomRight.X, b = bottomRight.Y;
  if (r <= l || b <= t) return;
  const int64_t innerTop = std::min(t + width, b), innerBottom = std::max(b - width, innerTop);
  const int64_t innerLeft = std::min(l + width, r), innerRight = std::max(r - width, innerLeft);
  for (int64_t y = t; y < innerTop; ++y) kv::PaintSpan(surface, clip, y, l, r, ink);
  for (int64_t y = innerBottom; y < b; ++y) kv::PaintSpan(surface, clip, y, l, r, ink);
  const auto [top, bottom] = VisibleRows(clip, innerTop, innerBottom);
  for (int64_t y = top; y < bottom; ++y) {
    kv::PaintSpan(surface, clip, y, l, innerLeft, ink);
    kv::PaintSpan(surface, clip, y, innerRight, r, ink);
  }
}

// The 4-connected area around the seed whose pixels pass the test, inside the clip, as
// row runs. Iterative: every run is taken whole, the widest run of open pixels on its
// row, the moment it is found, and queued for a look at the rows above and below it; a
// look steps over the runs already taken, so each open pixel is read about once.
// Open pixels: those of the key colour, or for a border fill those of any other colour.
template <bool SingleClip, bool Border>
std::vector<FloodRun> FloodAreaIn(const kv::SurfaceRows& surface, const ClipRects& clip, int64_t sx,
                                  int64_t sy, uint32_t key) {
  std::vector<FloodRun> taken;
  const QRect box = clip.Bounds;
  const int64_t left = box.left(), right = box.right(), top = box.top(), bottom = box.bottom();
  const auto colourOpen = [key](uint32_t px) { return ((px & 0xFFFFFFu) == key) != Border; };
  const auto open = [&](int64_t x, int64_t y, const uint32_t* row) {
    return colourOpen(row[x]) && (SingleClip || clip.Contains(x, y));
  };
  if (!open(sx, sy, surface.Row(sy))) return taken;
  std::vector<uint32_t> lastOnRow(size_t(box.height()));
  std::vector<uint32_t> queue;
  taken.reserve(size_t(box.height()) * 2);
  queue.reserve(64);
  // The end of the run taken on row y that holds x, or 0 when none does.
  const auto takenEnd = [&](int64_t x, int64_t y) -> int64_t {
    for (uint32_t i = lastOnRow[size_t(y - top)]; i != 0; i = taken[i - 1].next)
      if (x >= taken[i - 1].span.Begin && x < taken[i - 1].span.End) return taken[i - 1].span.End;
    return 0;
  };
  // Takes the run through the open pixel (x, y); returns its end.
  const auto take = [&](int64_t x, int64_t y, const uint32_t* row) {
    int64_t l = x, r = x + 1;
    while (l > left && open(l - 1, y, row)) --l;
    while (r <= right && open(r, y, row)) ++r;
    uint32_t& last = lastOnRow[size_t(y - top)];
    taken.push_back({y, {l, r}, last});
    last = uint32_t(taken.size());
    queue.push_back(last - 1);
    return r;
  };
  take(sx, sy, surface.Row(sy));
  while (!queue.empty()) {
    const FloodRun run = taken[queue.back()];
    queue.pop_back();
    for (const int64_t ny : {run.row - 1, run.row + 1}) {
      if (ny < top || ny > bottom) continue;
      const uint32_t* next = surface.Row(ny);
      for (int64_t x = run.span.Begin; x < run.span.End;) {
        // Closed pixels pass in a tight loop; an open one is either taken already or starts
        // a new run.
        while (x < run.span.End && !colourOpen(next[x])) ++x;
        if (x == run.span.End) break;
        if (!SingleClip && !clip.Contains(x, ny)) ++x;
        else if (const int64_t end = takenEnd(x, ny)) x = end;
        else x = take(x, ny, next);
      }
    }
  }
  return taken;
}

}  // namespace

// ---------------------------------------------------------------------------
// State and clip

TCanvas::TCanvas()
    : FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>()),
      FFont(std::make_unique<TFont>()) {}

namespace {
std::atomic<void (*)(TCanvas*)> gCanvasFreedListener = nullptr;
}

void kv::SetCanvasFreedListener(void (*listener)(TCanvas*)) { gCanvasFreedListener = listener; }

TCanvas::~TCanvas() {
  if (auto listener = gCanvasFreedListener.load()) listener(this);
  kv::EndSmoothPainting(*this);
}

void TCanvas::Attach(QImage* surface, QPoint origin, std::optional<QRegion> limit) {
  FSurface = surface;
  FScale = surface ? std::clamp(qRound(surface->devicePixelRatio()), 1, kv::kMaxDeviceScale) : 1;
  FPenStamp = UINT64_MAX;  // a plain pen is plain at scale 1 only
  FOrigin = origin;
  FLimit = std::move(limit);
  InvalidateClip();
}

void TCanvas::Detach() {
  kv::EndSmoothPainting(*this);
  FSurface = nullptr;
  FLimit.reset();
  InvalidateClip();
}

void TCanvas::InvalidateClip() {
  // The storage stays: partial repaints select a clip every frame.
  FClipValid = false;
  FSurfaceKey = -1;
}

void TCanvas::SelectClipRgn(const TRegion* region) {
  if (region) FUserClip = region->ToQRegion();
  else FUserClip.reset();
  InvalidateClip();
}

const kv::ClipRects& TCanvas::EffectiveClip() const {
  // An image keeps its size while its cache key stays the same.
  const qint64 key = FSurface ? FSurface->cacheKey() : 0;
  if (FClipValid && key == FClipKey) return *FClip;
  // Out of line, so that the check above, made for every drawing call, stays small.
  [&]() __attribute__((noinline)) {
    FClipKey = key;
    const QSize size = FSurface ? FSurface->size() : QSize();
    if (FClipValid && FClip->SurfaceSize == size) return;
    kv::ClipRects clip;
    clip.SurfaceSize = size;
    // Only 32-bit surfaces are drawn on.
    if (FSurface && FSurface->depth() == 32 && !FSurface->isNull()) {
      const QRect all(QPoint(0, 0), size);
      if (!FLimit && !FUserClip) {
        clip.Bounds = all;
      } else if (!FLimit && FUserClip->rectCount() <= 1) {
        // One rectangle, as partial repaints select each frame: no region arithmetic.
        const QRect box = FUserClip->boundingRect();
        clip.Bounds = all & QRect(box.topLeft() * FScale + FOrigin, box.size() * FScale);
      } else if (!FUserClip && FLimit->rectCount() <= 1) {
        // A limit of one rectangle, as a tape's window is attached at each step.
        clip.Bounds = all & FLimit->boundingRect();
      } else {
        QRegion region(all);
        if (FLimit) region &= *FLimit;
        if (FUserClip) region &= kv::ScaledRegion(*FUserClip, FScale).translated(FOrigin);
        clip = kv::ClipRects::FromRegion(region, size);
      }
    }
    if (FClip) *FClip = std::move(clip);
    else FClip = std::make_unique<kv::ClipRects>(std::move(clip));
    FClipValid = true;
  }
  ();
  return *FClip;
}

void TCanvas::Revalidate() const {
  FSurfaceBits = FSurface->bits();  // detaches, which changes the key
  FSurfaceStride = FSurface->bytesPerLine();
  FSurfaceKey = FSurface->cacheKey();
  EffectiveClip();  // checked at the new key, so Target() may hand it out with the rows
}

kv::SurfaceRows TCanvas::WritableRows() const { return Target().Rows; }

void TCanvas::SetMonochromeSurface(bool v) {
  FMonochrome = v;
  FPenStamp = UINT64_MAX;  // the pen's colour on the surface changes
}

void TCanvas::KeepPen() const {
  const TPen* pen = FPen.get();
  FPenStamp = pen->ChangeStamp();
  const TPenStyle style = pen->Style();
  FPlainPen = FScale == 1 && pen->Width() == 1 && pen->Mode() == TPenMode::pmCopy &&
              (style == TPenStyle::psSolid || style == TPenStyle::psInsideFrame);
  // A system colour may change under the pen: it is looked up at each call.
  FPenPixel = pen->Color().Value >= 0 ? kv::SurfaceColor(pen->Color(), FMonochrome) : 0;
}

TRect TCanvas::ClipRect() const {
  if (!FSurface) return {};
  const QRect box = EffectiveClip().Bounds;
  if (box.isEmpty()) return {};
  const QRect r = box.translated(-FOrigin);
  if (FScale == 1) return kv::FromQRect(r);
  // The canvas pixels that have a surface pixel inside the box.
  const auto down = [this](int v) { return v >= 0 ? v / FScale : -((-v + FScale - 1) / FScale); };
  return {down(r.left()), down(r.top()), down(r.right()) + 1, down(r.bottom()) + 1};
}

namespace {

// Qt's mutex works inside a Qt not built with the thread sanitizer, which so cannot see the
// order the lock gives: a sanitizer build is told of it.
#if defined(__SANITIZE_THREAD__)
void SeenAcquired(const void* lock) { __tsan_acquire(const_cast<void*>(lock)); }
void SeenReleased(const void* lock) { __tsan_release(const_cast<void*>(lock)); }
#else
void SeenAcquired(const void*) {}
void SeenReleased(const void*) {}
#endif

}  // namespace

void TCanvas::Lock() {
  FLock.lock();
  SeenAcquired(&FLock);
}

void TCanvas::Unlock() {
  SeenReleased(&FLock);
  FLock.unlock();
}

bool TCanvas::TryLock() {
  if (!FLock.tryLock()) return false;
  SeenAcquired(&FLock);
  return true;
}

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
  const auto [surface, clip] = Target();
  const Ink ink = Ink::Solid(kv::SurfaceColor(color, MonochromeSurface()));
  for (int64_t row = p.Y; row < p.Y + FScale; ++row)
    kv::PaintSpan(surface, clip, row, p.X, p.X + FScale, ink);
  Changed();
}

void TCanvas::ReplaceColors(const TRect& r, std::span<const kv::ColorReplacement> replacements) {
  if (!FSurface) return;
  struct PixelPair {
    uint32_t From;  // RGB only
    uint32_t To;
  };
  // Later entries first, so that the first match is the one that wins.
  std::vector<PixelPair> pairs;
  for (auto it = replacements.rbegin(); it != replacements.rend(); ++it)
    pairs.push_back(
        {kv::ColorToPixel(it->From) & 0xFFFFFFu, kv::SurfaceColor(it->To, FMonochrome)});
  const kv::CanvasTarget target = Target();
  const Point64 a = ToSurface(*this, r.Left, r.Top), b = ToSurface(*this, r.Right, r.Bottom);
  const auto [top, bottom] = VisibleRows(target.Clip, a.Y, b.Y);
  for (int64_t y = top; y < bottom && !pairs.empty(); ++y)
    target.Clip.ForEachSpan(y, a.X, b.X, [&](int x0, int x1) {
      uint32_t* row = target.Rows.Row(y);
      for (int x = x0; x < x1; ++x) {
        const uint32_t rgb = row[x] & 0xFFFFFFu;
        const auto match = std::find_if(pairs.begin(), pairs.end(),
                                        [rgb](const PixelPair& p) { return p.From == rgb; });
        if (match != pairs.end()) row[x] = match->To;
      }
    });
  Changed();
}

// ---------------------------------------------------------------------------
// Lines

void TCanvas::LineTo(int x, int y) {
  const TPoint from = FPenPos;
  FPenPos = {x, y};
  if (!FSurface) return;
  if (const TPoint line[2] = {from, FPenPos}; kv::SmoothPolyline(*this, line)) return Changed();
  if (FPen->ChangeStamp() != FPenStamp) [[unlikely]]
    KeepPen();
  const kv::CanvasTarget target = Target();
  const Point64 ends[2] = {ToSurface(*this, from.X, from.Y), ToSurface(*this, x, y)};
  if (!FPlainPen ||
      !DrawPlainLine(target, ends[0], ends[1],
                     FPenPixel ? FPenPixel : kv::SurfaceColor(FPen->Color(), FMonochrome)))
    StrokePolyline(*this, ends);
  Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  FPenPos = points.back();
  if (!FSurface) return;
  if (kv::SmoothPolyline(*this, points)) return Changed();
  StrokePolyline(*this, SurfacePath(*this, points).Points());
  Changed();
}

// ---------------------------------------------------------------------------
// Shapes

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) { RoundRect(x1, y1, x2, y2, 0, 0); }

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  if (!FSurface) return;
  if (kv::SmoothRoundRect(*this, {x1, y1, x2, y2}, w, h)) return Changed();
  const Point64 a = ToSurface(*this, x1, y1), b = ToSurface(*this, x2, y2);
  int64_t cw = w, ch = h;
  if (FScale > 1) {
    // Corners that give the plain rectangle on the canvas give it at every scale.
    const int64_t lw = std::min(std::abs(int64_t(w)), std::abs(int64_t(x2) - x1));
    const int64_t lh = std::min(std::abs(int64_t(h)), std::abs(int64_t(y2) - y1));
    const bool plain = lw <= 2 || lh <= 2;
    cw = plain ? 0 : lw * FScale;
    ch = plain ? 0 : lh * FScale;
  }
  DrawRoundShape(*this, RoundShape::RoundRect(a.X, a.Y, b.X, b.Y, cw, ch));
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (!FSurface) return;
  if (kv::SmoothEllipse(*this, {x1, y1, x2, y2})) return Changed();
  const Point64 a = ToSurface(*this, x1, y1), b = ToSurface(*this, x2, y2);
  // A box that gives the plain rectangle on the canvas gives it at every scale.
  const bool plain = FScale > 1 && (std::abs(int64_t(x2) - x1) <= 2 || std::abs(int64_t(y2) - y1) <= 2);
  DrawRoundShape(*this, plain ? RoundShape::Rectangle(a.X, a.Y, b.X, b.Y)
                              : RoundShape::Ellipse(a.X, a.Y, b.X, b.Y));
  Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  if (!FSurface) return;
  if (kv::SmoothPie(*this, {x1, y1, x2, y2}, {x3, y3}, {x4, y4})) return Changed();
  const Point64 a = ToSurface(*this, x1, y1), b = ToSurface(*this, x2, y2);
  const RoundShape e = RoundShape::EllipseWithoutRows(a.X, a.Y, b.X, b.Y);
  if (e.CornerWidth == 0 || e.CornerWidth != e.Width || e.CornerHeight != e.Height) {
    // too small (or too large) for an arc: the whole shape
    DrawRoundShape(*this, RoundShape::Ellipse(a.X, a.Y, b.X, b.Y));
  } else {
    const Point64 centre{e.Left + e.Width / 2, e.Top + e.Height / 2};
    const QRect& bounds = EffectiveClip().Bounds;
    const bool inside = e.Left >= bounds.left() && e.Right() - 1 <= bounds.right() &&
                        e.Top >= bounds.top() && e.Bottom() - 1 <= bounds.bottom();
    const std::optional<QRect> cut = inside ? std::nullopt : OutlineCutBox(*this);
    FillAndStroke(*this,
                  PieOutline(e, centre, ToSurface(*this, x3, y3), ToSurface(*this, x4, y4), cut),
                  true);
  }
  Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (!FSurface || points.empty()) return;
  if (kv::SmoothPolygon(*this, points)) return Changed();
  const SurfacePath path(*this, points);
  const std::optional<QRect> cut = OutlineCutBox(*this);
  if (path.Points().size() >= kWorthCutting && cut) {
    FillAndStroke(*this, CulledPath(path.Points(), *cut), false);
  } else {
    FillAndStroke(*this, path.Points(), false);
  }
  Changed();
}

void TCanvas::FillRect(const TRect& r) {
  if (!FSurface) return;
  const auto [surface, clip] = Target();
  const Point64 a = ToSurface(*this, r.Left, r.Top), b = ToSurface(*this, r.Right, r.Bottom);
  const Ink brush = BrushInk(*this, TPenMode::pmCopy);
  const auto [top, bottom] = VisibleRows(clip, a.Y, b.Y);
  if (a.X < b.X)
    for (int64_t y = top; y < bottom; ++y) kv::PaintSpan(surface, clip, y, a.X, b.X, brush);
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  if (!FSurface) return;
  const auto [surface, clip] = Target();
  PaintFrame(surface, clip, ToSurface(*this, r.Left, r.Top), ToSurface(*this, r.Right, r.Bottom),
             FScale, BrushInk(*this, TPenMode::pmCopy));
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
  dots.scale = FScale;
  for (int row = 0; row < 8; ++row) dots.hatch[row] = row % 2 ? 0xAA : 0x55;
  const auto [surface, clip] = Target();
  PaintFrame(surface, clip, ToSurface(*this, r.Left, r.Top), ToSurface(*this, r.Right, r.Bottom),
             FScale, dots);
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
    const kv::SurfaceRows surface = WritableRows();
    for (const FloodRun& run : kv::FloodArea(surface, clip, seed.X, seed.Y, key, border))
      kv::PaintSpan(surface, clip, run.row, run.span.Begin, run.span.End, brush);
  }
  Changed();
}

std::vector<TRect> TCanvas::FloodArea(int x, int y, TColor color, TFillStyle style) const {
  std::vector<TRect> area;
  if (!FSurface) return area;
  const Point64 seed = ToSurface(*this, x, y);
  const uint32_t key = kv::ColorToPixel(color) & 0xFFFFFFu;
  // Only read: the rows are not made writable.
  const kv::SurfaceRows rows(const_cast<uchar*>(FSurface->constBits()), FSurface->bytesPerLine());
  const std::vector<FloodRun> runs =
      kv::FloodArea(rows, EffectiveClip(), seed.X, seed.Y, key, style == TFillStyle::fsBorder);
  area.reserve(runs.size());
  const int64_t dx = FOrigin.x(), dy = FOrigin.y(), scale = FScale;
  // In canvas pixels: the first surface row of each canvas row, its runs widened to whole
  // canvas pixels.
  for (const FloodRun& run : runs)
    if ((run.row - dy) % scale == 0)
      area.push_back({int((run.span.Begin - dx) / scale), int((run.row - dy) / scale),
                      int((run.span.End - dx + scale - 1) / scale), int((run.row - dy) / scale + 1)});
  return area;
}

std::vector<kv::FloodRun> kv::FloodArea(const SurfaceRows& surface, const ClipRects& clip,
                                        int64_t x, int64_t y, uint32_t key, bool border) {
  if (!clip.Contains(x, y)) return {};
  if (clip.IsSingle()) {
    return border ? FloodAreaIn<true, true>(surface, clip, x, y, key)
                  : FloodAreaIn<true, false>(surface, clip, x, y, key);
  }
  return border ? FloodAreaIn<false, true>(surface, clip, x, y, key)
                : FloodAreaIn<false, false>(surface, clip, x, y, key);
}
