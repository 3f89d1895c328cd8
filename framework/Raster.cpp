// Pixel loops, the clip and the scan converters shared by the canvas and the regions.
#include "Raster.h"

#include <cmath>

using kv::Bounds;

namespace kv {

namespace {

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

// The index into a pattern of `period` cells of `scale` pixels each that lies at v, the
// pattern starting at origin.
int64_t PatternIndex(int64_t v, int64_t origin, int scale, int64_t period) {
  const int64_t d = v - origin;
  return Mod(scale == 1 ? d : (d >= 0 ? d / scale : -((-d + scale - 1) / scale)), period);
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
        FillPixels(row + x0, row + x1, ink.color | kOpaque);
      } else {
        for (int x = x0; x < x1; ++x) row[x] = Rop(ink.mode, ink.color, row[x]);
      }
      return;
    case Ink::Kind::Hatch: {
      const uint32_t bits = ink.hatch[PatternIndex(y, ink.origin.y(), ink.scale, 8)];
      for (int x = x0; x < x1; ++x)
        if ((bits >> PatternIndex(x, ink.origin.x(), ink.scale, 8)) & 1u)
          row[x] = Apply(ink.mode, ink.color, row[x]);
      return;
    }
    case Ink::Kind::Tile: {
      const QImage& tile = *ink.tile;
      const auto* src = reinterpret_cast<const uint32_t*>(
          tile.constScanLine(int(PatternIndex(y, ink.origin.y(), ink.scale, tile.height()))));
      for (int x = x0; x < x1; ++x) {
        uint32_t s = src[PatternIndex(x, ink.origin.x(), ink.scale, tile.width())];
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

// Corners larger than this are walked at this size: no surface is that large, and the
// walk and its tables stay bounded.
constexpr int64_t kMaxCorner = int64_t(1) << 16;

// The corner ellipse's side along one axis: the request's magnitude, within the box.
int64_t CornerSide(int64_t requested, int64_t box) {
  const int64_t side = std::min(requested < 0 ? -requested : requested, box);
  return std::min(side, kMaxCorner);
}

}  // namespace

namespace {

RoundShape Frame(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t w, int64_t h) {
  RoundShape s;
  s.Left = std::min(x1, x2);
  s.Top = std::min(y1, y2);
  s.Width = std::max(x1, x2) - s.Left;
  s.Height = std::max(y1, y2) - s.Top;
  const int64_t cw = CornerSide(w, s.Width), ch = CornerSide(h, s.Height);
  if (cw > 2 && ch > 2) {
    s.CornerWidth = cw;
    s.CornerHeight = ch;
  }
  return s;
}

int64_t Distance(int64_t a, int64_t b) { return b > a ? b - a : a - b; }

}  // namespace

RoundShape RoundShape::RoundRect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t w,
                                 int64_t h) {
  RoundShape s = Frame(x1, y1, x2, y2, w, h);
  if (s.CornerWidth != 0) s.Trace();
  return s;
}

RoundShape RoundShape::Inset(int64_t lead, int64_t trail) const {
  if (Width <= lead + trail || Height <= lead + trail) return {};
  const int64_t corners = CornerWidth == 0 ? 0 : lead + trail;
  return RoundRect(Left + lead, Top + lead, Right() - trail, Bottom() - trail,
                   CornerWidth - corners, CornerHeight - corners);
}

RoundShape RoundShape::Ellipse(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return RoundRect(x1, y1, x2, y2, Distance(x1, x2), Distance(y1, y2));
}

RoundShape RoundShape::EllipseWithoutRows(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return Frame(x1, y1, x2, y2, Distance(x1, x2), Distance(y1, y2));
}

RoundShape RoundShape::Rectangle(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return RoundRect(x1, y1, x2, y2, 0, 0);
}

// Calls visit(x, y) for each pixel of the quarter walk in order, the straight tips of a
// narrow ellipse included.
template <class Visit>
void RoundShape::Walk(Visit&& visit) const {
  const int64_t w = CornerWidth, h = CornerHeight, a = w - 1, b = h - 1;
  // Error terms of the walk: at most 2^35 * 2^32, inside 128 bits.
  const Int128 stepX = 8 * Int128(b) * b, stepY = 8 * Int128(a) * a;
  Int128 dx = 4 * Int128(b) * b * (1 - a), dy = 4 * Int128(a) * a * (1 + b % 2);
  Int128 err = dx + dy + Int128(a) * a * (b % 2);
  int64_t x = a, y = h / 2, lastX = a, lastY = y;
  while (x >= w / 2 && y < h) {
    visit(x, y);
    lastX = x;
    lastY = y;
    const Int128 e2 = 2 * err;
    if (e2 >= dx) {
      --x;
      err += dx += stepX;
    }
    if (e2 <= dy) {
      ++y;
      err += dy += stepY;
    }
  }
  // A narrow ellipse leaves the walk before its tips: they go on straight up from its
  // last column.
  for (y = lastY + 1; y < h; ++y) visit(lastX, y);
}

void RoundShape::TraceInto(std::span<int64_t> insets) const {
  const int64_t h = CornerHeight, a = CornerWidth - 1;
  int64_t lastRow = -1;
  Walk([&](int64_t x, int64_t y) {
    if (y == lastRow) return;  // the first pixel of a row is its outermost
    lastRow = y;
    insets[size_t(y - h / 2)] = a - x;
  });
}

void RoundShape::Trace() {
  const size_t rows = size_t(CornerHeight - CornerHeight / 2);
  if (rows <= kInlineInsets) {
    TraceInto(FSmallInsets);
    return;
  }
  // The insets depend on the corner's size only; each thread keeps the last few tables.
  struct Kept {
    int64_t CornerWidth = 0, CornerHeight = 0;
    std::shared_ptr<const std::vector<int64_t>> Insets;
  };
  thread_local std::array<Kept, 4> kept;
  thread_local size_t next = 0;
  for (const Kept& k : kept)
    if (k.Insets && k.CornerWidth == CornerWidth && k.CornerHeight == CornerHeight) {
      FLargeInsets = k.Insets;
      return;
    }
  auto insets = std::make_shared<std::vector<int64_t>>(rows);
  TraceInto(*insets);
  FLargeInsets = insets;
  kept[next] = {CornerWidth, CornerHeight, std::move(insets)};
  next = (next + 1) % kept.size();
}

std::vector<Point64> RoundShape::Quarter() const {
  std::vector<Point64> points;
  if (CornerWidth > 0) Walk([&](int64_t x, int64_t y) { points.push_back({x, y}); });
  return points;
}

int64_t RoundShape::InsetOfRow(int64_t i) const {
  const int64_t h = CornerHeight, half = h / 2;
  if (i < half) return Inset(size_t(h - 1 - i - half));
  const int64_t j = i - (Height - h);
  return j >= half ? Inset(size_t(j - half)) : 0;
}

Span RoundShape::Row(int64_t y) const {
  const int64_t i = y - Top;
  if (i < 0 || i >= Height || Width <= 0) return {};
  if (CornerWidth == 0) return {Left, Right()};
  const int64_t inset = InsetOfRow(i);
  return {Left + inset, Right() - inset};
}

int64_t RoundShape::SameRowsUntil(int64_t y) const {
  const int64_t i = y - Top;
  if (CornerWidth == 0) return Bottom() - 1;
  const int64_t half = CornerHeight / 2, straightEnd = Height - CornerHeight + half;
  if (i >= half && i <= straightEnd) return Top + straightEnd;
  return y;
}

std::vector<Point64> RoundShape::Outline() const {
  const int64_t right = Right() - 1, bottom = Bottom() - 1;
  if (CornerWidth == 0) return {{right, Top}, {Left, Top}, {Left, bottom}, {right, bottom}};
  // The top-right quarter, mirrored to the left, then the upper half mirrored down; a
  // middle pixel shared by two quarters of an odd ellipse is not repeated.
  const std::vector<Point64> quarter = Quarter();
  std::vector<Point64> points;
  const size_t count = quarter.size();
  points.reserve(4 * count);
  for (const Point64& q : quarter)
    points.push_back({Right() - CornerWidth + q.X, Top + CornerHeight - 1 - q.Y});
  const bool oddWidth = CornerWidth % 2 == 1 && CornerWidth == Width;
  for (size_t i = oddWidth ? 1 : 0; i < count; ++i) {
    const Point64 p = points[count - 1 - i];
    points.push_back({Left + Right() - 1 - p.X, p.Y});
  }
  const size_t half = points.size();
  const bool oddHeight = CornerHeight % 2 == 1 && CornerHeight == Height;
  for (size_t i = oddHeight ? 1 : 0; i < half; ++i) {
    const Point64 p = points[half - 1 - i];
    points.push_back({p.X, Top + Bottom() - 1 - p.Y});
  }
  return points;
}

void PaintRimRow(const SurfaceRows& surface, const ClipRects& clip, int64_t y, const RimRow& rim,
                 const Ink& rimInk, const Ink& insideInk) {
  if (!clip.IsSingle() || !rimInk.Plain() || !insideInk.Plain()) {
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
    const int64_t begin = std::max(run.Begin, left), end = std::min(run.End, right);
    if (begin < end) FillPixels(row + begin, row + end, color);
  };
  fill(rim.Left, rimInk.color | kOpaque);
  fill(rim.Inner, insideInk.color | kOpaque);
  fill(rim.Right, rimInk.color | kOpaque);
}

RoundShapeRows::RoundShapeRows(const RoundShape& shape, int64_t firstRow)
    : FShape(shape),
      FY(firstRow),
      FAbove(shape.Row(firstRow - 1)),
      FRow(shape.Row(firstRow)),
      FBelow(shape.Row(firstRow + 1)) {}

// ---------------------------------------------------------------------------
// Polygons

PolygonSweep::PolygonSweep(std::span<const Point64> points, bool winding) : FWinding(winding) {
  const size_t n = points.size();
  FEdges.reserve(n);
  FActive.reserve(n);
  FCrossings.reserve(n);
  FSpans.reserve(n / 2 + 1);
  for (size_t i = 0; i < n; ++i) {
    const Point64 a = points[i], b = points[i + 1 < n ? i + 1 : 0];
    if (a.Y == b.Y) continue;
    Edge e = a.Y < b.Y ? Edge{a.X, a.Y, b.X, b.Y, 1} : Edge{b.X, b.Y, a.X, a.Y, -1};
    e.row = e.y0;  // the crossing of the top row is the top vertex
    e.x = e.x0;
    FEdges.push_back(e);
  }
  std::sort(FEdges.begin(), FEdges.end(), [](const Edge& l, const Edge& r) { return l.y0 < r.y0; });
  if (!FEdges.empty()) {
    FTop = FEdges.front().y0;
    FBottom = FEdges.front().y1;
    for (const Edge& e : FEdges) FBottom = std::max(FBottom, e.y1);
  }
  FRowDone = FTop;
}

// Moves the edge's crossing to row y (within the edge): one step from the row above, or
// ceil(x0 + (y - y0) (x1 - x0) / (y1 - y0)) computed afresh.
inline void PolygonSweep::CrossRow(Edge& e, int64_t y) {
  if (e.row == y) return;
  if (e.row + 1 != y) {
    CrossRowAfresh(e, y);
    return;
  }
  if (!e.stepKnown) FindStep(e);
  e.x += e.step;
  e.rem -= e.stepRem;
  if (e.rem < 0) {
    e.rem += e.y1 - e.y0;
    ++e.x;
  }
  e.row = y;
}

void PolygonSweep::FindStep(Edge& e) {
  const int64_t dx = e.x1 - e.x0, dy = e.y1 - e.y0;
  e.step = dx / dy;
  e.stepRem = dx % dy;
  if (e.stepRem < 0) {
    --e.step;
    e.stepRem += dy;
  }
  e.stepKnown = true;
}

void PolygonSweep::CrossRowAfresh(Edge& e, int64_t y) {
  const int64_t dx = e.x1 - e.x0, dy = e.y1 - e.y0;
  if (dx != 0) {
    const Int128 num = Int128(e.x0) * dy + Int128(y - e.y0) * dx;
    const Int128 x = CeilDiv(num, dy);
    e.x = int64_t(x);
    e.rem = int64_t(x * dy - num);
  }
  e.row = y;
}

bool PolygonSweep::Next(int64_t from, int64_t to, int64_t& y0, int64_t& y1) {
  FSpans.clear();
  int64_t y = std::max(from, FRowDone);
  const int64_t end = std::min(to, FBottom);
  for (;;) {
    if (y >= end) return false;
    while (FNextEdge < FEdges.size() && FEdges[FNextEdge].y0 <= y) {
      FActiveEnd = std::min(FActiveEnd, FEdges[FNextEdge].y1);
      FActive.push_back(uint32_t(FNextEdge++));
    }
    if (FActiveEnd <= y) {
      std::erase_if(FActive, [&](uint32_t i) { return FEdges[i].y1 <= y; });
      FActiveEnd = INT64_MAX;
      for (uint32_t i : FActive) FActiveEnd = std::min(FActiveEnd, FEdges[i].y1);
    }
    if (!FActive.empty()) break;
    if (FNextEdge == FEdges.size()) return false;
    y = FEdges[FNextEdge].y0;
  }
  y0 = y;
  int64_t bandEnd = FActiveEnd;
  if (FNextEdge < FEdges.size()) bandEnd = std::min(bandEnd, FEdges[FNextEdge].y0);
  bandEnd = std::min(bandEnd, end);
  if (FActive.size() == 2) {
    // Two crossings (every row of a convex shape) go opposite ways: inside between them
    // by either rule.
    Edge& a = FEdges[FActive[0]];
    Edge& b = FEdges[FActive[1]];
    CrossRow(a, y);
    CrossRow(b, y);
    const int64_t l = std::min(a.x, b.x), r = std::max(a.x, b.x);
    if (l < r) FSpans.push_back({l, r});
    y1 = a.x0 == a.x1 && b.x0 == b.x1 ? bandEnd : y + 1;
    FRowDone = y1;
    return true;
  }
  FCrossings.clear();
  bool vertical = true;
  for (uint32_t i : FActive) {
    Edge& e = FEdges[i];
    CrossRow(e, y);
    FCrossings.emplace_back(e.x, e.dir);
    vertical = vertical && e.x0 == e.x1;
  }
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
      if (!FSpans.empty() && FSpans.back().End >= start) FSpans.back().End = x;
      else FSpans.push_back({start, x});
    }
  }
  y1 = vertical ? bandEnd : y + 1;
  FRowDone = y1;
  return true;
}

// ---------------------------------------------------------------------------
// Coverage

void Coverage::AddShape(const RoundShape& shape, Point64 offset) {
  const int64_t top = std::max(shape.Top + offset.Y, FTop);
  const int64_t bottom = std::min(shape.Bottom() + offset.Y, FBottom);
  for (int64_t y = top; y < bottom; ++y) {
    const Span row = shape.Row(y - offset.Y);
    FPieces.push_back({y, {row.Begin + offset.X, row.End + offset.X}});
  }
}

void Coverage::AddPolygon(std::span<const Point64> points) {
  PolygonSweep sweep(points, true);
  int64_t y0 = 0, y1 = 0;
  while (sweep.Next(FTop, FBottom, y0, y1))
    for (int64_t y = y0; y < y1; ++y)
      for (const Span& s : sweep.Spans()) Add(y, s);
}

void Coverage::Finish() {
  // The pieces by row first (counted: a stroke brings many pieces over few rows, so this is
  // linear where a sort of them all is not), then by start within each row.
  const size_t rows = size_t(FBottom - FTop);
  std::vector<uint32_t> rowEnd(rows + 1, 0);
  for (const Piece& p : FPieces) ++rowEnd[size_t(p.y - FTop) + 1];
  for (size_t row = 0; row < rows; ++row) rowEnd[row + 1] += rowEnd[row];
  std::vector<Span> byRow(FPieces.size());
  for (const Piece& p : FPieces) byRow[rowEnd[size_t(p.y - FTop)]++] = p.s;
  // Each row's count has moved it to its end: the row before ends where it starts.
  FSpans.clear();
  FRowStart.assign(rows + 1, 0);
  for (size_t row = 0, begin = 0; row < rows; begin = rowEnd[row++]) {
    const auto first = byRow.begin() + qsizetype(begin), last = byRow.begin() + rowEnd[row];
    std::sort(first, last, [](const Span& l, const Span& r) { return l.Begin < r.Begin; });
    FRowStart[row] = uint32_t(FSpans.size());
    for (auto s = first; s != last; ++s) {
      if (FSpans.size() > FRowStart[row] && FSpans.back().End >= s->Begin)
        FSpans.back().End = std::max(FSpans.back().End, s->End);
      else FSpans.push_back(*s);
    }
  }
  FRowStart[rows] = uint32_t(FSpans.size());
  FPieces.clear();
}

std::span<const Span> Coverage::Row(int64_t y) const {
  if (y < FTop || y >= FBottom || FRowStart.empty()) return {};
  const size_t i = size_t(y - FTop);
  return {FSpans.data() + FRowStart[i], FRowStart[i + 1] - FRowStart[i]};
}

// ---------------------------------------------------------------------------
// Lines

int64_t LineRaster::MinorOffset(int64_t i) const {
  if (DMajor == 0) return 0;
  constexpr int64_t kSmall = int64_t(1) << 30;
  if (i < kSmall && DMinor < kSmall && DMajor < kSmall)
    return (2 * i * DMinor + Rounding) / (2 * DMajor);
  return int64_t((2 * Int128(i) * DMinor + Rounding) / (2 * Int128(DMajor)));
}

Point64 LineRaster::At(int64_t i) const {
  const int64_t m = MinorOffset(i);
  if (XMajor) return {X0 + SX * i, Y0 + SY * m};
  return {X0 + SX * m, Y0 + SY * i};
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
  const Int128 iLo = CeilDiv(twoMajor * lo - Rounding, twoMinor);
  const Int128 iHi = CeilDiv(twoMajor * (Int128(hi) + 1) - Rounding, twoMinor);  // exclusive
  first = int64_t(std::max<Int128>(first, iLo));
  last = int64_t(std::min<Int128>(last, iHi));
  if (last < first) last = first;
}

namespace {

// Where Bresenham's loop stands at pixel `first`: its coordinates and error term.
struct LineState {
  int64_t major, minor, error;
  int majorStep, minorStep;
};

LineState StartAt(const LineRaster& line, int64_t first) {
  LineState s;
  s.error = line.Rounding;
  int64_t offset = 0;
  if (first > 0) {
    const Int128 at = 2 * Int128(first) * line.DMinor + line.Rounding;
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
  const bool plain = dash.Solid() && clip.IsSingle() && pen.mode == TPenMode::pmCopy;
  int64_t first = 0, last = line.Count();
  if (line.Misses(clip.Bounds)) return;
  if (!line.Inside(clip.Bounds)) line.ClipTo(clip.Bounds, first, last);
  else if (plain) {
    FillWholeLine(surface, line, pen.color | kOpaque);
    return;
  }
  if (first >= last) return;
  if (plain) {
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
  if (region.rectCount() <= 1) return region;  // one rectangle is one band already
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
      else spans.push_back(s);
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
