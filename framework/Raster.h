// Pixel-level drawing on RGB32 surfaces: the clip, the raster operations, inks, and the
// scan converters that the canvas and the region factories share.
//
// Geometry here is in surface pixels and 64-bit, so that canvas coordinates plus an
// origin never overflow; everything is clipped before a loop runs over it.
#pragma once

#include "KvExport.h"

#include "Graphics.h"
#include "GraphicsHooks.h"
#include "PixelFill.h"

#include <QImage>
#include <QRect>
#include <QRegion>

#include <algorithm>
#include <cstdlib>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <span>
#include <vector>

// Internal to the library: calls between its files need no indirection.
#pragma GCC visibility push(hidden)

namespace kv {

// The alpha bits every pixel written to a surface carries.
inline constexpr uint32_t kOpaque = 0xFF000000u;

__extension__ typedef __int128 Int128;

struct KV_TEST_EXPORT Point64 {
  int64_t X = 0;
  int64_t Y = 0;
};

// A run of pixels [Begin, End) on one row.
struct KV_TEST_EXPORT Span {
  int64_t Begin = 0;
  int64_t End = 0;
  bool Empty() const { return End <= Begin; }
  friend bool operator==(const Span&, const Span&) = default;
};

// ---------------------------------------------------------------------------
// The clip of a canvas in surface coordinates: the bounding box and, when the clip is not
// that one rectangle, its y-x banded rectangles (sorted by top, then left; the
// rectangles of one band share top and bottom, bands do not overlap).

struct KV_TEST_EXPORT ClipRects {
  QRect Bounds;              // empty: nothing can be drawn
  std::vector<QRect> Bands;  // empty when the clip is Bounds itself
  QSize SurfaceSize;         // the size of the surface this clip was made for

  static ClipRects FromRegion(const QRegion& region, QSize surfaceSize);
  bool IsEmpty() const { return Bounds.isEmpty(); }
  bool IsSingle() const { return Bands.empty(); }
  bool Contains(int64_t x, int64_t y) const;
  QRegion ToRegion() const;
  // Calls f(x0, x1) for each part [x0, x1) of [begin, end) on row y inside the clip,
  // from left to right.
  template <class F>
  void ForEachSpan(int64_t y, int64_t begin, int64_t end, F&& f) const;

private:
  std::vector<QRect>::const_iterator BandOf(int64_t y) const;
};

template <class F>
void ClipRects::ForEachSpan(int64_t y, int64_t begin, int64_t end, F&& f) const {
  if (y < Bounds.top() || y > Bounds.bottom()) return;
  if (Bands.empty()) {
    const int64_t a = std::max<int64_t>(begin, Bounds.left());
    const int64_t b = std::min<int64_t>(end, int64_t(Bounds.right()) + 1);
    if (a < b) f(int(a), int(b));
    return;
  }
  for (auto it = BandOf(y); it != Bands.end() && it->top() <= y; ++it) {
    const int64_t a = std::max<int64_t>(begin, it->left());
    const int64_t b = std::min<int64_t>(end, int64_t(it->right()) + 1);
    if (a < b) f(int(a), int(b));
  }
}

// ---------------------------------------------------------------------------
// Raster operations. The sixteen binary operations of the pen modes combine a source
// colour S with the destination D bit by bit; the copy modes are the same operations.
// Results keep the pixel opaque.

KV_TEST_EXPORT uint32_t Rop(TPenMode mode, uint32_t source, uint32_t dest);
KV_TEST_EXPORT TPenMode RopOfCopyMode(TCopyMode mode);
// Black or white, whichever the colour is nearer by luminance (0.299 R + 0.587 G +
// 0.114 B, white from the middle grey 128 up).
KV_TEST_EXPORT uint32_t ToMonochrome(uint32_t pixel);
// The pixel a colour is drawn as on a colour or a monochrome surface.
inline uint32_t SurfaceColor(TColor color, bool monochrome) {
  // A plain colour needs no look-up in the system colour table.
  const uint32_t px = color.Value >= 0 ? ToPixel(color.Value) : ColorToPixel(color);
  return monochrome ? ToMonochrome(px) : px;
}

// What a span or a pixel is painted with: one colour, an 8 x 8 hatch of one colour that
// leaves the pixels between its lines alone, or a tiled pattern image whose pixel (0, 0)
// lies at the canvas origin.
struct KV_TEST_EXPORT Ink {
  enum class Kind : uint8_t { None, Solid, Hatch, Tile };
  Kind kind = Kind::None;
  TPenMode mode = TPenMode::pmCopy;
  uint32_t color = 0xFF000000u;
  uint8_t hatch[8] = {};         // Hatch: bit x of row y set = painted
  const QImage* tile = nullptr;  // Tile: an RGB32 image, not empty
  QPoint origin;                 // Hatch, Tile: surface position of the canvas origin
  int scale = 1;                 // Hatch, Tile: surface pixels per pattern pixel
  bool mono = false;             // Tile: colours are mapped to black or white

  bool Paints() const { return kind != Kind::None && mode != TPenMode::pmNop; }
  // One colour written over whatever lies under it: such runs go straight into the rows.
  bool Plain() const { return kind == Kind::Solid && mode == TPenMode::pmCopy; }
  static Ink Solid(uint32_t color, TPenMode mode = TPenMode::pmCopy) {
    Ink ink;
    ink.kind = Kind::Solid;
    ink.color = color;
    ink.mode = mode;
    return ink;
  }
};

// The inks of a canvas's pen (none for psClear) and brush (none for bsClear), in the
// canvas's surface colours; the brush combines with the destination by Mode.
KV_TEST_EXPORT Ink PenInk(const TCanvas& canvas);
KV_TEST_EXPORT Ink BrushInk(const TCanvas& canvas, TPenMode mode);
// A canvas point in surface coordinates: scaled by the device scale, moved by the origin.
inline Point64 ToSurface(const TCanvas& canvas, int x, int y) {
  const int64_t scale = canvas.DeviceScale();
  return {int64_t(x) * scale + canvas.Origin().x(), int64_t(y) * scale + canvas.Origin().y()};
}
// The rows [top, bottom) that lie within the clip's rows.
KV_TEST_EXPORT std::pair<int64_t, int64_t> VisibleRows(const ClipRects& clip, int64_t top,
                                                       int64_t bottom);

// The rows of a 32-bit surface, detached from any copy once, on construction, so that
// loops write to them directly.
class KV_TEST_EXPORT SurfaceRows {
public:
  explicit SurfaceRows(QImage& image) : FBits(image.bits()), FStride(image.bytesPerLine()) {}
  SurfaceRows(uchar* bits, qsizetype stride) : FBits(bits), FStride(stride) {}
  uint32_t* Row(int64_t y) const { return reinterpret_cast<uint32_t*>(FBits + y * FStride); }
  int64_t StridePixels() const { return FStride / 4; }

private:
  uchar* FBits;
  qsizetype FStride;
};

// What a drawing call writes to: the surface's rows and the clip in force.
struct CanvasTarget {
  SurfaceRows Rows;
  const ClipRects& Clip;
};

// Paints [x0, x1) of surface row y, which lie inside the surface.
KV_TEST_EXPORT void PaintRun(const SurfaceRows& surface, int y, int x0, int x1, const Ink& ink);
// Paints the parts of [x0, x1) on row y that lie inside the clip.
inline void PaintSpan(const SurfaceRows& surface, const ClipRects& clip, int64_t y, int64_t x0,
                      int64_t x1, const Ink& ink) {
  if (!ink.Paints()) return;
  const bool plain = ink.Plain();
  if (plain && clip.Bands.empty()) {
    // The common case, one colour inside one rectangle: the short runs of markers and
    // outlines go straight into the row.
    if (y < clip.Bounds.top() || y > clip.Bounds.bottom()) return;
    const int64_t a = std::max<int64_t>(x0, clip.Bounds.left());
    const int64_t b = std::min<int64_t>(x1, int64_t(clip.Bounds.right()) + 1);
    uint32_t* row = surface.Row(y);
    const uint32_t color = ink.color | 0xFF000000u;
    if (a < b) FillPixels(row + a, row + b, color);
    return;
  }
  clip.ForEachSpan(y, x0, x1, [&](int a, int b) {
    if (plain) FillPixels(surface.Row(y) + a, surface.Row(y) + b, ink.color | kOpaque);
    else PaintRun(surface, int(y), a, b, ink);
  });
}
// Paints every pixel of the mask (surface-aligned at Offset) that Test accepts.
template <class Test>
void PaintMask(const SurfaceRows& surface, const ClipRects& clip, const QImage& mask, QPoint offset,
               const Ink& ink, Test&& test);

// ---------------------------------------------------------------------------
// Round shapes: a box of Width x Height pixels whose corners are the quarters of a
// CornerWidth x CornerHeight ellipse (clamped to the box); corners of two pixels or less
// give the plain rectangle.
//
// The ellipse is traced quarter by quarter with an integer midpoint walk: from the middle
// of its right side, each step goes left, up or both, whichever keeps the sum of the
// implicit function F(x, y) = b^2 u^2 + a^2 v^2 - a^2 b^2 (u, v doubled offsets from the
// centre, a, b the ellipse's width and height less one) at the two candidate pixels on the
// right side of zero. The pixels walked are the rim; a row's outermost one bounds it.

struct KV_TEST_EXPORT RoundShape {
  int64_t Left = 0, Top = 0, Width = 0, Height = 0;
  int64_t CornerWidth = 0, CornerHeight = 0;  // 0 for a rectangle

  // The ellipse inscribed in the box [x1, x2) x [y1, y2); the corners are sorted.
  static RoundShape Ellipse(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
  static RoundShape RoundRect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t w, int64_t h);
  static RoundShape Rectangle(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
  // The ellipse's box and corners without the table of its rows: enough to walk its rim for
  // an arc, not to ask for its rows.
  static RoundShape EllipseWithoutRows(int64_t x1, int64_t y1, int64_t x2, int64_t y2);

  // The same kind of shape in its box moved in by `lead` on the left and top and by `trail`
  // on the right and bottom, its corner ellipse as much smaller; empty when nothing is left.
  RoundShape Inset(int64_t lead, int64_t trail) const;

  bool Empty() const { return Width <= 0 || Height <= 0; }
  int64_t Right() const { return Left + Width; }
  int64_t Bottom() const { return Top + Height; }
  // The pixels of row y (empty outside the shape).
  Span Row(int64_t y) const;
  // The last row from y on with the same pixels as row y (a row inside the shape).
  int64_t SameRowsUntil(int64_t y) const;
  // The rim as a closed path through pixel centres, counter-clockwise from the right end
  // of the top edge (a rectangle: its four corner pixels). Consecutive points of a
  // curve are neighbours; straight edges join the corners.
  std::vector<Point64> Outline() const;
  // The walk of the top-right quarter of the corner ellipse in its own coordinates (x from
  // CornerWidth - 1 down, y from CornerHeight / 2 up); empty for a rectangle.
  std::vector<Point64> Quarter() const;

private:
  // Per quarter row (from CornerHeight / 2 on), the inset of its outermost pixel from the
  // side of the box; small corners keep them in place, large ones share a table kept for
  // their corner size, so that drawing the same large shape again (a frame of a control far
  // larger than what shows) walks none of its rim.
  static constexpr size_t kInlineInsets = 48;
  std::array<int64_t, kInlineInsets> FSmallInsets{};
  std::shared_ptr<const std::vector<int64_t>> FLargeInsets;
  template <class Visit>
  void Walk(Visit&& visit) const;
  void Trace();
  void TraceInto(std::span<int64_t> insets) const;
  int64_t Inset(size_t i) const { return FLargeInsets ? (*FLargeInsets)[i] : FSmallInsets[i]; }
  int64_t InsetOfRow(int64_t i) const;
};

// The rim of a row: the pixels of the shape that have a 4-neighbour outside it, at most
// two runs; Inner is what lies between them. The rim is a closed 8-connected curve, so a
// 4-connected fill inside it cannot leak.
struct KV_TEST_EXPORT RimRow {
  Span Row;
  Span Left, Right;  // Right is empty when the rim of the row is one run
  Span Inner;
  bool Contains(int64_t x) const {
    return (x >= Left.Begin && x < Left.End) || (x >= Right.Begin && x < Right.End);
  }
};
inline RimRow RimOf(const Span& above, const Span& row, const Span& below) {
  RimRow r;
  r.Row = row;
  if (row.Empty()) return r;
  r.Left = row;
  if (above.Empty() || below.Empty()) return r;
  // The narrower neighbour lies inside the row; the rest of the row, and its two ends,
  // touch the outside.
  const int64_t leftEnd = std::max(row.Begin + 1, std::max(above.Begin, below.Begin));
  const int64_t rightBegin = std::min(row.End - 1, std::min(above.End, below.End));
  if (leftEnd >= rightBegin) return r;
  r.Left = {row.Begin, leftEnd};
  r.Right = {rightBegin, row.End};
  r.Inner = {leftEnd, rightBegin};
  return r;
}

// Paints one row of a round shape: its rim runs in one ink, the inside in another.
KV_TEST_EXPORT void PaintRimRow(const SurfaceRows& surface, const ClipRects& clip, int64_t y,
                                const RimRow& rim, const Ink& rimInk, const Ink& insideInk);

// The closed outline of a pie on an ellipse traced as a round shape: the rim points from the
// first at or past the start direction up to the first at or past the end direction (all
// around when they are the same), then the centre. With a box to cut to, each run of rim
// points beyond one side of it keeps only its ends: the fill and a thin solid outline stay the
// same inside the box.
KV_TEST_EXPORT std::vector<Point64> PieOutline(const RoundShape& e, Point64 centre, Point64 start,
                                               Point64 end, const std::optional<QRect>& cut = {});

// Walks the rows of a round shape keeping each row's neighbours at hand.
class KV_TEST_EXPORT RoundShapeRows {
public:
  RoundShapeRows(const RoundShape& shape, int64_t firstRow);
  int64_t Y() const { return FY; }
  RimRow Rim() const { return RimOf(FAbove, FRow, FBelow); }
  const Span& Row() const { return FRow; }
  void Next() {
    ++FY;
    FAbove = FRow;
    FRow = FBelow;
    FBelow = FShape.Row(FY + 1);
  }

private:
  const RoundShape& FShape;
  int64_t FY;
  Span FAbove, FRow, FBelow;
};

// ---------------------------------------------------------------------------
// Polygons: pixel (x, y) is inside when the point (x, y) is, vertices lying on pixel
// centres; boundaries on the left and top belong to the polygon, those on the right and
// bottom do not. So an edge's crossing of row y is the first pixel at or right of its
// exact crossing. Rows come in increasing order; rows where only vertical edges cross
// share their spans and come as one band.

class KV_TEST_EXPORT PolygonSweep {
public:
  PolygonSweep(std::span<const Point64> points, bool winding);
  PolygonSweep(const PolygonSweep&) = delete;
  PolygonSweep& operator=(const PolygonSweep&) = delete;
  int64_t Top() const { return FTop; }
  int64_t Bottom() const { return FBottom; }
  // The next band of rows [y0, y1) at or after `from` and before `to`; false when no rows
  // are left. Spans() holds the band's spans until the next call.
  bool Next(int64_t from, int64_t to, int64_t& y0, int64_t& y1);
  std::span<const Span> Spans() const { return FSpans; }

private:
  // An edge and where it crosses row Row: x0 dy + (Row - y0) dx = X dy - Rem with
  // 0 <= Rem < dy, so X is the crossing pixel; stepping a row adds dx / dy in whole and
  // remainder, so no row but the first of a clipped edge needs a division.
  struct Edge {
    int64_t x0, y0, x1, y1;  // y0 < y1
    int dir;
    bool stepKnown = false;
    int64_t row = 0, x = 0, rem = 0;
    int64_t step = 0, stepRem = 0;  // floor(dx / dy) and dx - step dy
  };
  static void CrossRow(Edge& e, int64_t y);
  static void CrossRowAfresh(Edge& e, int64_t y);
  static void FindStep(Edge& e);
  // Small polygons (the controls' markers and segments) keep their tables here.
  std::array<std::byte, 3072> FBuffer;
  std::pmr::monotonic_buffer_resource FMemory{FBuffer.data(), FBuffer.size()};
  std::pmr::vector<Edge> FEdges{&FMemory};  // sorted by y0
  std::pmr::vector<uint32_t> FActive{&FMemory};
  std::pmr::vector<std::pair<int64_t, int>> FCrossings{&FMemory};
  std::pmr::vector<Span> FSpans{&FMemory};
  size_t FNextEdge = 0;
  int64_t FTop = 0, FBottom = 0, FRowDone = 0;
  int64_t FActiveEnd = INT64_MAX;  // the first row some active edge does not reach
  bool FWinding;
};

// ---------------------------------------------------------------------------
// Pixel coverage built from pieces: rows of spans within [Top, Bottom), united.

class KV_TEST_EXPORT Coverage {
public:
  Coverage(int64_t top, int64_t bottom) : FTop(top), FBottom(std::max(top, bottom)) {}
  int64_t Top() const { return FTop; }
  int64_t Bottom() const { return FBottom; }
  void Add(int64_t y, Span s) {
    if (y >= FTop && y < FBottom && !s.Empty()) FPieces.push_back({y, s});
  }
  // The shape's pixels moved by the offset.
  void AddShape(const RoundShape& shape, Point64 offset);
  void AddPolygon(std::span<const Point64> points);
  // Sorts and unites the pieces; afterwards Row() answers.
  void Finish();
  std::span<const Span> Row(int64_t y) const;

private:
  struct Piece {
    int64_t y;
    Span s;
  };
  int64_t FTop, FBottom;
  std::vector<Piece> FPieces;
  std::vector<Span> FSpans;
  std::vector<uint32_t> FRowStart;  // per row, the index of its first span; one more at the end
};

// ---------------------------------------------------------------------------
// One-pixel lines: pixel i (0 <= i < Count) of the line from (x0, y0) to (x1, y1) lies at
// major = start + i and minor = start + the nearest whole number to i dminor / dmajor; a
// tie goes to the smaller coordinate (the upper row, the left column), so a line has the
// same pixels in both directions. The end point itself is not part of the line.

struct KV_TEST_EXPORT LineRaster {
  int64_t X0 = 0, Y0 = 0;
  int64_t DMajor = 0, DMinor = 0;  // absolute
  int64_t Rounding = 0;            // minor offset = floor((2 i dminor + Rounding) / (2 dmajor))
  int SX = 1, SY = 1;
  bool XMajor = true;

  LineRaster(int64_t x0, int64_t y0, int64_t x1, int64_t y1) : X0(x0), Y0(y0) {
    const int64_t dx = x1 - x0, dy = y1 - y0;
    SX = dx < 0 ? -1 : 1;
    SY = dy < 0 ? -1 : 1;
    XMajor = std::abs(dx) > std::abs(dy);
    DMajor = XMajor ? std::abs(dx) : std::abs(dy);
    DMinor = XMajor ? std::abs(dy) : std::abs(dx);
    // Halves round toward the smaller minor coordinate: down the offset when the minor
    // coordinate grows, up when it shrinks.
    const bool minorShrinks = XMajor ? dy < 0 : dx < 0;
    Rounding = DMajor - 1 + (minorShrinks ? 1 : 0);
  }
  int64_t Count() const { return DMajor; }
  int64_t X1() const { return X0 + SX * (XMajor ? DMajor : DMinor); }
  int64_t Y1() const { return Y0 + SY * (XMajor ? DMinor : DMajor); }
  // Whether both end points, and so every pixel, lie in the box.
  bool Inside(const QRect& box) const {
    const int64_t x1 = X1(), y1 = Y1();
    return std::min(X0, x1) >= box.left() && std::max(X0, x1) <= box.right() &&
           std::min(Y0, y1) >= box.top() && std::max(Y0, y1) <= box.bottom();
  }
  // Whether both end points, and so every pixel, lie beyond one side of the box.
  bool Misses(const QRect& box) const {
    const int64_t x1 = X1(), y1 = Y1();
    return std::max(X0, x1) < box.left() || std::min(X0, x1) > box.right() ||
           std::max(Y0, y1) < box.top() || std::min(Y0, y1) > box.bottom();
  }
  int64_t MinorOffset(int64_t i) const;
  Point64 At(int64_t i) const;
  // The range [first, last) of pixels inside the box.
  void ClipTo(const QRect& box, int64_t& first, int64_t& last) const;
};

// Dash rhythms of the pen styles, as bit masks over a period of pixels.
struct KV_TEST_EXPORT DashPattern {
  uint32_t Bits = 1;
  int Period = 1;
  int Scale = 1;  // surface pixels per pattern pixel
  bool Solid() const { return Period == 1; }
  bool On(int64_t i) const { return (Bits >> int(i / Scale % Period)) & 1u; }
  // Phases repeat after this many surface pixels.
  int64_t Length() const { return int64_t(Period) * Scale; }
  DashPattern ScaledBy(int scale) const { return {Bits, Period, Scale * scale}; }
  static DashPattern Of(TPenStyle style) {
    switch (style) {
      case TPenStyle::psDot: return {0x7u, 6};               // 3 on, 3 off
      case TPenStyle::psDash: return {0x3FFFFu, 24};         // 18 on, 6 off
      case TPenStyle::psDashDot: return {0x381FFu, 24};      // 9 on, 6 off, 3 on, 6 off
      case TPenStyle::psDashDotDot: return {0x1C71FFu, 24};  // 9 on, (3 off, 3 on) twice, 3 off
      case TPenStyle::psSolid:
      case TPenStyle::psClear:
      case TPenStyle::psInsideFrame: break;
    }
    return {};
  }
};

// Writes every pixel of a line that lies wholly inside the surface in one colour: the
// error term steps a pixel pointer, so a short line costs little more than its pixels.
inline void FillWholeLine(const SurfaceRows& surface, const LineRaster& line, uint32_t color) {
  const int64_t stride = surface.StridePixels();
  const int64_t majorDelta = line.XMajor ? line.SX : line.SY * stride;
  const int64_t minorDelta = line.XMajor ? line.SY * stride : line.SX;
  const int64_t twoMajor = 2 * line.DMajor, twoMinor = 2 * line.DMinor;
  uint32_t* p = surface.Row(line.Y0) + line.X0;
  int64_t error = line.Rounding;
  for (int64_t n = line.DMajor; n > 0; --n) {
    *p = color;
    p += majorDelta;
    error += twoMinor;
    if (error >= twoMajor) {
      error -= twoMajor;
      p += minorDelta;
    }
  }
}

// Draws the pixels of the line inside the clip; pixel i is drawn when the dash pattern is
// on at phase + i.
KV_TEST_EXPORT void DrawLine(const SurfaceRows& surface, const ClipRects& clip,
                             const LineRaster& line, const Ink& pen, const DashPattern& dash,
                             int64_t phase);

// ---------------------------------------------------------------------------
// Flood fills

// A run of a flood area: the pixels [span) of row `row`; `next` links the runs of one row
// (the index of the run taken before it on that row, plus one; 0 ends the list).
struct KV_TEST_EXPORT FloodRun {
  int64_t row;
  Span span;
  uint32_t next;
};

// The 4-connected area around the seed (x, y) inside the clip whose pixels are of the key
// colour (RGB bits), or for a border fill of any other colour; none when the seed is not.
KV_TEST_EXPORT std::vector<FloodRun> FloodArea(const SurfaceRows& surface, const ClipRects& clip,
                                               int64_t x, int64_t y, uint32_t key, bool border);

// ---------------------------------------------------------------------------
// Regions from rows of spans: bands with the same spans as the band above them are
// merged, so the result is the canonical y-x banded form.

class KV_TEST_EXPORT BandedRegionBuilder {
public:
  // Rows [y0, y1) consist of the spans (sorted, not touching).
  void AddRows(int64_t y0, int64_t y1, std::span<const Span> spans);
  QRegion Finish();

private:
  void Flush();
  std::vector<QRect> FRects;
  std::vector<Span> FBand;
  int64_t FBandTop = 0, FBandBottom = 0;
};

// The canonical form of a region: the same pixels, touching spans of a band joined and
// vertically adjacent bands with the same spans merged.
KV_TEST_EXPORT QRegion CanonicalRegion(const QRegion& region);

// Curved and slanted outlines are not scan converted into regions beyond this many rows
// from the origin (no surface is that tall); plain rectangles keep their full extent.
inline constexpr int64_t kRegionScanLimit = int64_t(1) << 16;

// ---------------------------------------------------------------------------

template <class Test>
void PaintMask(const SurfaceRows& surface, const ClipRects& clip, const QImage& mask, QPoint offset,
               const Ink& ink, Test&& test) {
  const int width = mask.width(), height = mask.height();
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(mask.constScanLine(y));
    int x = 0;
    while (x < width) {
      if (!test(line[x])) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < width && test(line[x])) ++x;
      PaintSpan(surface, clip, int64_t(y) + offset.y(), int64_t(start) + offset.x(),
                int64_t(x) + offset.x(), ink);
    }
  }
}

}  // namespace kv

// Two calls into the image: a new, resized or newly shared image (a copy taken since the
// last call) changes its cache key or its sharing, and everything is made right again.
inline kv::CanvasTarget TCanvas::Target() const {
  if (FSurface->cacheKey() != FSurfaceKey || !FSurface->isDetached()) [[unlikely]]
    Revalidate();
  return {kv::SurfaceRows(FSurfaceBits, FSurfaceStride), *FClip};
}

#pragma GCC visibility pop
