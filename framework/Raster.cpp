// Pixel loops, the clip and the scan converters shared by the canvas and the regions.
#include "Raster.h"

#include <cmath>

namespace kv {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// The ceiling of n / d for d > 0.
Int128 CeilDiv(Int128 n, Int128 d) {
  Int128 q = n / d;
  if (n % d > 0) ++q;
  return q;
}

int64_t Mod(int64_t v, int64_t m) {
  const int64_t r = v % m;
  return r < 0 ? r + m : r;
}

uint32_t Apply(TPenMode mode, uint32_t source, uint32_t dest) {
  return mode == TPenMode::pmCopy ? source | kOpaque : Rop(mode, source, dest);
}

}  // namespace

// ---------------------------------------------------------------------------
// ClipRects

ClipRects ClipRects::FromRegion(const QRegion& region, QSize surfaceSize) {
  ClipRects c;
  c.Bounds = region.boundingRect();
  c.SurfaceSize = surfaceSize;
  if (region.rectCount() > 1) c.Bands.assign(region.begin(), region.end());
  return c;
}

std::vector<QRect>::const_iterator ClipRects::BandOf(int64_t y) const {
  return std::lower_bound(Bands.begin(), Bands.end(), y,
                          [](const QRect& r, int64_t row) { return r.bottom() < row; });
}

bool ClipRects::Contains(int64_t x, int64_t y) const {
  if (x < Bounds.left() || x > Bounds.right() || y < Bounds.top() || y > Bounds.bottom())
    return false;
  if (Bands.empty()) return true;
  for (auto it = BandOf(y); it != Bands.end() && it->top() <= y; ++it)
    if (x >= it->left() && x <= it->right()) return true;
  return false;
}

QRegion ClipRects::ToRegion() const {
  if (Bands.empty()) return QRegion(Bounds);
  QRegion r;
  r.setRects(Bands.data(), int(Bands.size()));
  return r;
}

// ---------------------------------------------------------------------------
// Raster operations and inks

uint32_t Rop(TPenMode mode, uint32_t s, uint32_t d) {
  uint32_t r = d;
  switch (mode) {
    case TPenMode::pmBlack: r = 0; break;
    case TPenMode::pmWhite: r = ~0u; break;
    case TPenMode::pmNop: r = d; break;
    case TPenMode::pmNot: r = ~d; break;
    case TPenMode::pmCopy: r = s; break;
    case TPenMode::pmNotCopy: r = ~s; break;
    case TPenMode::pmMergePenNot: r = s | ~d; break;
    case TPenMode::pmMaskPenNot: r = s & ~d; break;
    case TPenMode::pmMergeNotPen: r = ~s | d; break;
    case TPenMode::pmMaskNotPen: r = ~s & d; break;
    case TPenMode::pmMerge: r = s | d; break;
    case TPenMode::pmNotMerge: r = ~(s | d); break;
    case TPenMode::pmMask: r = s & d; break;
    case TPenMode::pmNotMask: r = ~(s & d); break;
    case TPenMode::pmXor: r = s ^ d; break;
    case TPenMode::pmNotXor: r = ~(s ^ d); break;
  }
  return r | kOpaque;
}

TPenMode RopOfCopyMode(TCopyMode mode) {
  switch (mode) {
    case TCopyMode::cmSrcCopy: return TPenMode::pmCopy;
    case TCopyMode::cmSrcInvert: return TPenMode::pmXor;
    case TCopyMode::cmSrcAnd: return TPenMode::pmMask;
    case TCopyMode::cmSrcPaint: return TPenMode::pmMerge;
    case TCopyMode::cmNotSrcCopy: return TPenMode::pmNotCopy;
    case TCopyMode::cmBlackness: return TPenMode::pmBlack;
    case TCopyMode::cmWhiteness: return TPenMode::pmWhite;
  }
  return TPenMode::pmCopy;
}

uint32_t ToMonochrome(uint32_t px) {
  const uint32_t r = (px >> 16) & 0xFFu, g = (px >> 8) & 0xFFu, b = px & 0xFFu;
  return r * 299 + g * 587 + b * 114 >= 128u * 1000u ? 0xFFFFFFFFu : kOpaque;
}

void PaintRun(const SurfaceRows& surface, int y, int x0, int x1, const Ink& ink) {
  uint32_t* row = surface.Row(y);
  switch (ink.kind) {
    case Ink::Kind::None: return;
    case Ink::Kind::Solid:
      if (ink.mode == TPenMode::pmCopy) {
        std::fill(row + x0, row + x1, ink.color | kOpaque);
      } else {
        for (int x = x0; x < x1; ++x) row[x] = Rop(ink.mode, ink.color, row[x]);
      }
      return;
    case Ink::Kind::Hatch: {
      const uint32_t bits = ink.hatch[Mod(int64_t(y) - ink.origin.y(), 8)];
      for (int x = x0; x < x1; ++x)
        if ((bits >> Mod(int64_t(x) - ink.origin.x(), 8)) & 1u)
          row[x] = Apply(ink.mode, ink.color, row[x]);
      return;
    }
    case Ink::Kind::Tile: {
      const QImage& tile = *ink.tile;
      const auto* src = reinterpret_cast<const uint32_t*>(
          tile.constScanLine(int(Mod(int64_t(y) - ink.origin.y(), tile.height()))));
      for (int x = x0; x < x1; ++x) {
        uint32_t s = src[Mod(int64_t(x) - ink.origin.x(), tile.width())];
        if (ink.mono) s = ToMonochrome(s);
        row[x] = Apply(ink.mode, s, row[x]);
      }
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Round shapes

namespace {

// Moves an estimate h of the largest dx with 16 dx^2 B^2 <= A^2 Rest onto the exact value,
// in integers of type I wide enough for the products; false when that takes more than
// maxSteps steps (a poor estimate).
template <class I>
bool CorrectHalfWidth(int64_t& h, int64_t ra, int64_t a, int64_t b, int64_t rest,
                      int64_t maxSteps) {
  const I limit = I(a) * a * rest, scale = 16 * I(b) * b;
  auto fits = [&](int64_t dx) { return I(dx) * dx * scale <= limit; };
  int64_t steps = 0;
  while (h < ra && fits(h + 1))
    if (++h, ++steps > maxSteps) return false;
  while (h > 0 && !fits(h))
    if (--h, ++steps > maxSteps) return false;
  return true;
}

// The largest dx with 16 dx^2 B^2 + 16 dy^2 A^2 <= A^2 B^2, A = 4 Ra + 1, B = 4 Rb + 1
// (0 <= dy <= Rb): exact up to radii of 2^24, where the products fit 128 bits. A hint
// (the half width of a neighbouring row) saves the square root when it is close.
int64_t QuarterHalfWidth(int64_t ra, int64_t rb, int64_t dy, int64_t* hint) {
  if (dy == 0 || ra == 0) return ra;
  constexpr int64_t kSmallRadius = int64_t(1) << 12, kExactRadius = int64_t(1) << 24;
  if (ra > kExactRadius || rb > kExactRadius) {
    using LD = long double;
    const LD a = 4 * LD(ra) + 1, b = 4 * LD(rb) + 1, rest = b * b - 16 * LD(dy) * LD(dy);
    return std::clamp<int64_t>(int64_t(a * std::sqrt(std::max<LD>(rest, 0)) / (4 * b)), 0, ra);
  }
  const int64_t a = 4 * ra + 1, b = 4 * rb + 1, rest = b * b - 16 * dy * dy;  // rest > 0
  const bool small = ra <= kSmallRadius && rb <= kSmallRadius;
  auto correct = [&](int64_t& h, int64_t maxSteps) {
    return small ? CorrectHalfWidth<int64_t>(h, ra, a, b, rest, maxSteps)
                 : CorrectHalfWidth<Int128>(h, ra, a, b, rest, maxSteps);
  };
  int64_t h = hint ? std::clamp<int64_t>(*hint, 0, ra) : 0;
  if (!hint || !correct(h, 8)) {
    h = std::clamp<int64_t>(int64_t(double(a) * std::sqrt(double(rest)) / (4.0 * double(b))), 0,
                            ra);
    correct(h, ra);
  }
  if (hint) *hint = h;
  return h;
}

}  // namespace

RoundShape RoundShape::RoundRect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t w,
                                 int64_t h) {
  RoundShape s;
  s.Left = std::min(x1, x2);
  s.Top = std::min(y1, y2);
  s.Width = std::max(x1, x2) - s.Left;
  s.Height = std::max(y1, y2) - s.Top;
  const int64_t cw = std::clamp<int64_t>(w, 0, s.Width), ch = std::clamp<int64_t>(h, 0, s.Height);
  s.Ra = cw > 0 ? (cw - 1) / 2 : 0;
  s.Rb = ch > 0 ? (ch - 1) / 2 : 0;
  return s;
}

RoundShape RoundShape::Ellipse(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return RoundRect(x1, y1, x2, y2, std::abs(x2 - x1), std::abs(y2 - y1));
}

RoundShape RoundShape::Rectangle(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return RoundRect(x1, y1, x2, y2, 0, 0);
}

Span RoundShape::Row(int64_t y) const { return Row(y, nullptr); }

Span RoundShape::Row(int64_t y, int64_t* hint) const {
  const int64_t i = y - Top;
  if (i < 0 || i >= Height || Width <= 0) return {};
  int64_t dy = 0;
  if (i < Rb) dy = Rb - i;
  else if (i > Height - 1 - Rb) dy = i - (Height - 1 - Rb);
  const int64_t h = QuarterHalfWidth(Ra, Rb, dy, hint);
  return {Left + Ra - h, Left + Width - Ra + h};
}

int64_t RoundShape::SameRowsUntil(int64_t y) const {
  const int64_t i = y - Top;
  if (Ra == 0) return Bottom() - 1;
  if (i >= Rb && i <= Height - 1 - Rb) return Top + Height - 1 - Rb;
  return y;
}

void PaintRimRow(const SurfaceRows& surface, const ClipRects& clip, int64_t y, const RimRow& rim,
                 const Ink& rimInk, const Ink& insideInk) {
  auto plain = [](const Ink& ink) {
    return ink.kind == Ink::Kind::Solid && ink.mode == TPenMode::pmCopy;
  };
  if (!clip.IsSingle() || !plain(rimInk) || !plain(insideInk)) {
    PaintSpan(surface, clip, y, rim.Left.Begin, rim.Left.End, rimInk);
    PaintSpan(surface, clip, y, rim.Inner.Begin, rim.Inner.End, insideInk);
    PaintSpan(surface, clip, y, rim.Right.Begin, rim.Right.End, rimInk);
    return;
  }
  // One clip rectangle and plain colours: the three runs straight into the row.
  if (y < clip.Bounds.top() || y > clip.Bounds.bottom()) return;
  uint32_t* row = surface.Row(y);
  const int64_t left = clip.Bounds.left(), right = int64_t(clip.Bounds.right()) + 1;
  auto fill = [&](const Span& run, uint32_t color) {
    for (int64_t x = std::max(run.Begin, left), end = std::min(run.End, right); x < end; ++x)
      row[x] = color;
  };
  fill(rim.Left, rimInk.color | kOpaque);
  fill(rim.Inner, insideInk.color | kOpaque);
  fill(rim.Right, rimInk.color | kOpaque);
}

RoundShapeRows::RoundShapeRows(const RoundShape& shape, int64_t firstRow)
    : FShape(shape),
      FY(firstRow),
      FAbove(shape.Row(firstRow - 1, &FHint)),
      FRow(shape.Row(firstRow, &FHint)),
      FBelow(shape.Row(firstRow + 1, &FHint)) {}

// ---------------------------------------------------------------------------
// Polygons

PolygonSweep::PolygonSweep(std::span<const TPoint> points, QPoint offset, bool winding)
    : FWinding(winding) {
  const size_t n = points.size();
  for (size_t i = 0; i < n; ++i) {
    const TPoint a = points[i], b = points[(i + 1) % n];
    const int64_t ax = int64_t(a.X) + offset.x(), ay = int64_t(a.Y) + offset.y();
    const int64_t bx = int64_t(b.X) + offset.x(), by = int64_t(b.Y) + offset.y();
    if (ay == by) continue;
    if (ay < by) FEdges.push_back({ax, ay, bx, by, 1});
    else FEdges.push_back({bx, by, ax, ay, -1});
  }
  std::sort(FEdges.begin(), FEdges.end(), [](const Edge& l, const Edge& r) { return l.y0 < r.y0; });
  if (!FEdges.empty()) {
    FTop = FEdges.front().y0;
    FBottom = FEdges.front().y1;
    for (const Edge& e : FEdges) FBottom = std::max(FBottom, e.y1);
  }
  FRowDone = FTop;
}

// The first pixel whose centre lies at or right of the edge's crossing of row y's centre
// line: ceil(x0 - 1/2 + (y + 1/2 - y0) (x1 - x0) / (y1 - y0)).
int64_t PolygonSweep::CrossingPixel(const Edge& e, int64_t y) const {
  const Int128 dy = e.y1 - e.y0;
  const Int128 n = (2 * Int128(e.x0) - 1) * dy + (2 * Int128(y - e.y0) + 1) * (e.x1 - e.x0);
  return int64_t(CeilDiv(n, 2 * dy));
}

bool PolygonSweep::Next(int64_t from, int64_t to, int64_t& y0, int64_t& y1,
                        std::vector<Span>& spans) {
  spans.clear();
  int64_t y = std::max(from, FRowDone);
  const int64_t end = std::min(to, FBottom);
  for (;;) {
    if (y >= end) return false;
    while (FNextEdge < FEdges.size() && FEdges[FNextEdge].y0 <= y) FActive.push_back(FNextEdge++);
    std::erase_if(FActive, [&](size_t i) { return FEdges[i].y1 <= y; });
    if (!FActive.empty()) break;
    if (FNextEdge == FEdges.size()) return false;
    y = FEdges[FNextEdge].y0;
  }
  FCrossings.clear();
  bool vertical = true;
  int64_t bandEnd = end;
  for (size_t i : FActive) {
    const Edge& e = FEdges[i];
    FCrossings.emplace_back(CrossingPixel(e, y), e.dir);
    vertical = vertical && e.x0 == e.x1;
    bandEnd = std::min(bandEnd, e.y1);
  }
  if (FNextEdge < FEdges.size()) bandEnd = std::min(bandEnd, FEdges[FNextEdge].y0);
  std::sort(FCrossings.begin(), FCrossings.end());
  int winding = 0;
  int64_t start = 0;
  for (size_t i = 0; i < FCrossings.size(); ++i) {
    const auto [x, dir] = FCrossings[i];
    const bool wasInside = FWinding ? winding != 0 : (i % 2) == 1;
    winding += dir;
    const bool inside = FWinding ? winding != 0 : (i % 2) == 0;
    if (!wasInside && inside) start = x;
    if (wasInside && !inside && x > start) {
      if (!spans.empty() && spans.back().End >= start) spans.back().End = x;
      else spans.push_back({start, x});
    }
  }
  y0 = y;
  y1 = vertical ? bandEnd : y + 1;
  FRowDone = y1;
  return true;
}

// ---------------------------------------------------------------------------
// Lines

LineRaster::LineRaster(int64_t x0, int64_t y0, int64_t x1, int64_t y1) : X0(x0), Y0(y0) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  SX = dx < 0 ? -1 : 1;
  SY = dy < 0 ? -1 : 1;
  XMajor = std::abs(dx) >= std::abs(dy);
  DMajor = XMajor ? std::abs(dx) : std::abs(dy);
  DMinor = XMajor ? std::abs(dy) : std::abs(dx);
}

int64_t LineRaster::MinorOffset(int64_t i) const {
  if (DMajor == 0) return 0;
  constexpr int64_t kSmall = int64_t(1) << 30;
  if (i < kSmall && DMinor < kSmall && DMajor < kSmall)
    return (2 * i * DMinor + DMajor) / (2 * DMajor);
  return int64_t((2 * Int128(i) * DMinor + DMajor) / (2 * Int128(DMajor)));
}

Point64 LineRaster::At(int64_t i) const {
  const int64_t m = MinorOffset(i);
  if (XMajor) return {X0 + SX * i, Y0 + SY * m};
  return {X0 + SX * m, Y0 + SY * i};
}

bool LineRaster::Contains(int64_t x, int64_t y) const {
  const int64_t major = XMajor ? x - X0 : y - Y0;
  const int64_t i = major * (XMajor ? SX : SY);
  if (i < 0 || i > DMajor) return false;
  const Point64 p = At(i);
  return p.X == x && p.Y == y;
}

void LineRaster::ClipTo(const QRect& box, int64_t& first, int64_t& last) const {
  first = 0;
  last = DMajor;
  if (box.isEmpty() || DMajor == 0) {
    last = 0;
    return;
  }
  // Every pixel lies in the box spanned by the two end points.
  const Point64 end = XMajor ? Point64{X0 + SX * DMajor, Y0 + SY * DMinor}
                             : Point64{X0 + SX * DMinor, Y0 + SY * DMajor};
  auto inside = [&](int64_t x, int64_t y) {
    return x >= box.left() && x <= box.right() && y >= box.top() && y <= box.bottom();
  };
  if (inside(X0, Y0) && inside(end.X, end.Y)) return;
  const int64_t majorStart = XMajor ? X0 : Y0, minorStart = XMajor ? Y0 : X0;
  const int majorSign = XMajor ? SX : SY, minorSign = XMajor ? SY : SX;
  const int64_t majorMin = XMajor ? box.left() : box.top(),
                majorMax = XMajor ? box.right() : box.bottom();
  const int64_t minorMin = XMajor ? box.top() : box.left(),
                minorMax = XMajor ? box.bottom() : box.right();
  // Indices whose major coordinate lies in the box.
  if (majorSign > 0) {
    first = std::max(first, majorMin - majorStart);
    last = std::min(last, majorMax - majorStart + 1);
  } else {
    first = std::max(first, majorStart - majorMax);
    last = std::min(last, majorStart - majorMin + 1);
  }
  // Minor offsets allowed, then the indices giving them (the offset never decreases).
  const int64_t lo = minorSign > 0 ? minorMin - minorStart : minorStart - minorMax;
  const int64_t hi = minorSign > 0 ? minorMax - minorStart : minorStart - minorMin;
  if (DMinor == 0) {
    if (lo > 0 || hi < 0) last = first;
    return;
  }
  const Int128 twoMajor = 2 * Int128(DMajor), twoMinor = 2 * Int128(DMinor);
  const Int128 iLo = CeilDiv(twoMajor * lo - DMajor, twoMinor);
  const Int128 iHi = CeilDiv(twoMajor * (Int128(hi) + 1) - DMajor, twoMinor);  // exclusive
  first = int64_t(std::max<Int128>(first, iLo));
  last = int64_t(std::min<Int128>(last, iHi));
  if (last < first) last = first;
}

DashPattern DashPattern::Of(TPenStyle style) {
  switch (style) {
    case TPenStyle::psDot: return {0b01u, 2};
    case TPenStyle::psDash: return {0x3Fu, 8};          // 6 on, 2 off
    case TPenStyle::psDashDot: return {0x13Fu, 11};     // 6 on, 2 off, 1 on, 2 off
    case TPenStyle::psDashDotDot: return {0x93Fu, 14};  // 6 on, 2 off, 1 on, 2 off, 1 on, 2 off
    case TPenStyle::psSolid:
    case TPenStyle::psClear:
    case TPenStyle::psInsideFrame: break;
  }
  return {};
}

namespace {

// Where Bresenham's loop stands at pixel `first`: its coordinates and error term.
struct LineState {
  int64_t major, minor, error;
  int majorStep, minorStep;
};

LineState StartAt(const LineRaster& line, int64_t first) {
  LineState s;
  s.error = line.DMajor;
  int64_t offset = 0;
  if (first > 0) {
    const Int128 at = 2 * Int128(first) * line.DMinor + line.DMajor;
    s.error = int64_t(at % (2 * Int128(line.DMajor)));
    offset = int64_t(at / (2 * Int128(line.DMajor)));
  }
  s.majorStep = line.XMajor ? line.SX : line.SY;
  s.minorStep = line.XMajor ? line.SY : line.SX;
  s.major = (line.XMajor ? line.X0 : line.Y0) + s.majorStep * first;
  s.minor = (line.XMajor ? line.Y0 : line.X0) + s.minorStep * offset;
  return s;
}

// Calls plot(i, x, y) for pixels [first, last) of the line.
template <class Plot>
void WalkLine(const LineRaster& line, int64_t first, int64_t last, Plot&& plot) {
  LineState s = StartAt(line, first);
  const int64_t twoMajor = 2 * line.DMajor, twoMinor = 2 * line.DMinor;
  for (int64_t i = first; i < last; ++i) {
    if (line.XMajor) plot(i, s.major, s.minor);
    else plot(i, s.minor, s.major);
    s.major += s.majorStep;
    s.error += twoMinor;
    if (s.error >= twoMajor) {
      s.error -= twoMajor;
      s.minor += s.minorStep;
    }
  }
}

// The common case, a solid copy inside one clip rectangle, stepping a pixel pointer.
void FillLine(const SurfaceRows& surface, const LineRaster& line, int64_t first, int64_t last,
              uint32_t color) {
  const LineState s = StartAt(line, first);
  const int64_t stride = surface.StridePixels();
  const int64_t majorDelta = line.XMajor ? s.majorStep : s.majorStep * stride;
  const int64_t minorDelta = line.XMajor ? s.minorStep * stride : s.minorStep;
  uint32_t* p = line.XMajor ? surface.Row(s.minor) + s.major : surface.Row(s.major) + s.minor;
  const int64_t twoMajor = 2 * line.DMajor, twoMinor = 2 * line.DMinor;
  int64_t error = s.error;
  for (int64_t i = first; i < last; ++i) {
    *p = color;
    p += majorDelta;
    error += twoMinor;
    if (error >= twoMajor) {
      error -= twoMajor;
      p += minorDelta;
    }
  }
}

}  // namespace

void DrawLine(const SurfaceRows& surface, const ClipRects& clip, const LineRaster& line,
              const Ink& pen, const DashPattern& dash, int64_t phase) {
  if (!pen.Paints() || clip.IsEmpty()) return;
  int64_t first = 0, last = 0;
  line.ClipTo(clip.Bounds, first, last);
  if (first >= last) return;
  if (dash.Solid() && clip.IsSingle() && pen.mode == TPenMode::pmCopy) {
    FillLine(surface, line, first, last, pen.color | kOpaque);
    return;
  }
  WalkLine(line, first, last, [&](int64_t i, int64_t x, int64_t y) {
    if (dash.On(phase + i) && clip.Contains(x, y)) {
      uint32_t* p = surface.Row(y) + x;
      *p = Apply(pen.mode, pen.color, *p);
    }
  });
}

// ---------------------------------------------------------------------------
// Regions from spans

void BandedRegionBuilder::AddRows(int64_t y0, int64_t y1, std::span<const Span> spans) {
  if (y1 <= y0) return;
  const bool sameBand = y0 == FBandBottom && !FBand.empty() &&
                        std::equal(spans.begin(), spans.end(), FBand.begin(), FBand.end());
  if (sameBand) {
    FBandBottom = y1;
    return;
  }
  Flush();
  FBand.assign(spans.begin(), spans.end());
  FBandTop = y0;
  FBandBottom = y1;
}

void BandedRegionBuilder::Flush() {
  for (const Span& s : FBand)
    FRects.emplace_back(QPoint(int(s.Begin), int(FBandTop)),
                        QPoint(int(s.End - 1), int(FBandBottom - 1)));
  FBand.clear();
}

QRegion CanonicalRegion(const QRegion& region) {
  BandedRegionBuilder builder;
  std::vector<Span> spans;
  for (auto it = region.begin(), end = region.end(); it != end;) {
    // A band: the rectangles that share its top (and so its bottom), sorted by left.
    const int top = it->top(), bottom = it->bottom() + 1;
    spans.clear();
    for (; it != end && it->top() == top; ++it) {
      const Span s{it->left(), int64_t(it->right()) + 1};
      if (!spans.empty() && s.Begin <= spans.back().End)
        spans.back().End = std::max(spans.back().End, s.End);
      else
        spans.push_back(s);
    }
    builder.AddRows(top, bottom, spans);
  }
  return builder.Finish();
}

QRegion BandedRegionBuilder::Finish() {
  Flush();
  QRegion r;
  if (!FRects.empty()) r.setRects(FRects.data(), int(FRects.size()));
  FRects.clear();
  return r;
}

}  // namespace kv
