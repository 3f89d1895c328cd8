// The smooth rendering of the canvas's lines, shapes and text (GraphicsSmooth.h).
//
// The geometry follows the classic pixel rules where they fix a position: a one-pixel pen
// runs through pixel centres, from the start pixel's near edge to the end pixel's near edge,
// so that an axis-aligned line covers exactly the pixels the classic line paints; a wider pen
// centres where the classic band does (an even width half a pixel up and left); a shape's
// outline runs through the centres of its rim pixels, the box's right and bottom excluded.
#include "GraphicsSmooth.h"

#include "Raster.h"
#include "RenderQuality.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

namespace kv {

namespace {

// ---------------------------------------------------------------------------
// Thin anti-aliased lines, drawn straight into the surface's rows. A line is the band of the
// pen's width around its segment, with flat ends; each pixel takes the pen's colour by the
// exact share of its area that the band covers (coverage, not blur). The shares come within
// a few levels of what a painter's stroker and rasterizer give, at a fraction of the cost.

// The part of a convex polygon on one side of the line where coordinate Axis (0: x, 1: y)
// is Limit: at most Limit when Below, else at least. Out holds In's size plus 2.
int ClipToAxis(std::span<const QPointF> in, QPointF* out, int axis, double limit, bool below) {
  const auto side = [&](const QPointF& p) {
    const double c = axis == 0 ? p.x() : p.y();
    return below ? limit - c : c - limit;
  };
  int n = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    const QPointF& a = in[i];
    const QPointF& b = in[i + 1 == in.size() ? 0 : i + 1];
    const double da = side(a), db = side(b);
    if (da >= 0) out[n++] = a;
    if ((da >= 0) != (db >= 0)) {
      const double t = da / (da - db);
      out[n++] = a + (b - a) * t;
    }
  }
  return n;
}

double PolygonArea(std::span<const QPointF> p) {
  double twice = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    const QPointF& a = p[i];
    const QPointF& b = p[i + 1 == p.size() ? 0 : i + 1];
    twice += a.x() * b.y() - b.x() * a.y();
  }
  return std::abs(twice) / 2;
}

// In a row one pixel high crossed by an edge whose position runs evenly over
// [Low, Low + Spread] from the row's top to its bottom, the area between the edge and X.
double AreaRightOfEdge(double x, double low, double spread) {
  const double u = x - low;
  if (u <= 0) return 0;
  if (u >= spread) return u - spread / 2;
  return u * u / (2 * spread);
}

// Calls cover(x, y, share 1..255) for each pixel of rows Rows and columns Columns that the
// band Width wide around A-B covers, for a steep segment (|dx| <= |dy|, A above B). The rows
// between the ends meet only the long sides, whose crossings give the shares at once; the few
// rows at the ends clip the band to the row and the pixel.
template <class Cover>
void CoverSteepBand(QPointF a, QPointF b, double width, Span rows, Span columns, Cover&& cover) {
  const double dx = b.x() - a.x(), dy = b.y() - a.y(), length = std::hypot(dx, dy);
  const QPointF normal = QPointF(-dy, dx) * (width / 2 / length);
  const QPointF band[4] = {a + normal, b + normal, b - normal, a - normal};
  const double sidesFrom = std::max(band[0].y(), band[3].y()),
               sidesTo = std::min(band[1].y(), band[2].y());
  const double slope = dx / dy, across = width * length / dy;
  // The shares of the pixels of row Y from column Left to Right by the area left of each
  // column's edges.
  const auto coverRow = [&](int64_t y, double left, double right, const auto& areaLeftOf) {
    const int64_t from = std::max(columns.Begin, int64_t(std::floor(left)));
    const int64_t to = std::min(columns.End, int64_t(std::ceil(right)));
    double before = areaLeftOf(double(from));
    for (int64_t x = from; x < to; ++x) {
      const double after = areaLeftOf(double(x + 1));
      const int share = int(std::clamp(after - before, 0.0, 1.0) * 255 + 0.5);
      if (share > 0) cover(x, y, share);
      before = after;
    }
  };
  const int64_t top = std::max(rows.Begin, int64_t(std::floor(std::min(band[0].y(), band[3].y()))));
  const int64_t bottom = std::min(rows.End, int64_t(std::ceil(std::max(band[1].y(), band[2].y()))));
  for (int64_t y = top; y < bottom; ++y) {
    if (double(y) >= sidesFrom && double(y + 1) <= sidesTo) {
      const double left = a.x() + (double(y) - a.y()) * slope - across / 2;
      const double low = std::min(left, left + slope), spread = std::abs(slope);
      coverRow(y, low, low + spread + across, [&](double x) {
        return AreaRightOfEdge(x, low, spread) - AreaRightOfEdge(x, low + across, spread);
      });
      continue;
    }
    QPointF fromTop[6], inRow[8], leftPart[10];
    const int n = ClipToAxis(std::span(fromTop, ClipToAxis(band, fromTop, 1, double(y), false)),
                             inRow, 1, double(y + 1), true);
    if (n < 3) continue;
    const std::span<const QPointF> shape(inRow, n);
    const auto [minX, maxX] =
        std::minmax_element(shape.begin(), shape.end(),
                            [](const QPointF& p, const QPointF& q) { return p.x() < q.x(); });
    coverRow(y, minX->x(), maxX->x(), [&](double x) {
      return PolygonArea(std::span(leftPart, ClipToAxis(shape, leftPart, 0, x, true)));
    });
  }
}

// Paints the band Width surface pixels wide around the segment From-To (surface
// coordinates), flat at both ends, in Color over what lies under it, inside the clip.
void PaintThinLine(const SurfaceRows& surface, const ClipRects& clip, QPointF from, QPointF to,
                   double width, uint32_t color) {
  if (clip.IsEmpty()) return;
  const QRect& box = clip.Bounds;
  const Span rows{box.top(), int64_t(box.bottom()) + 1};
  const Span columns{box.left(), int64_t(box.right()) + 1};
  const auto paint = [&](int64_t x, int64_t y, int share) {
    if (!clip.IsSingle() && !clip.Contains(x, y)) return;
    uint32_t& pixel = surface.Row(y)[x];
    pixel = share == 255 ? color : CoverPixel(pixel, color, uint32_t(share));
  };
  // A flat segment is steep with x and y swapped.
  if (std::abs(to.y() - from.y()) >= std::abs(to.x() - from.x())) {
    if (from.y() > to.y()) std::swap(from, to);
    CoverSteepBand(from, to, width, rows, columns, paint);
  } else {
    if (from.x() > to.x()) std::swap(from, to);
    CoverSteepBand({from.y(), from.x()}, {to.y(), to.x()}, width, columns, rows,
                   [&](int64_t x, int64_t y, int share) { paint(y, x, share); });
  }
}

// ---------------------------------------------------------------------------
// The painter a run of smooth calls shares on this thread. Opening a painter costs more than
// most shapes drawn with it, so it stays open from one smooth call to the next while they
// draw on the same pixels; only its clip and transform follow the canvas. It paints on a
// view of the surface's memory rather than on the surface: what it draws lands at once, so
// classic calls, pixel reads and copies in between need not close it, and the surface itself
// is never being painted (copies of it stay shallow). The view owns nothing: the painter is
// used only once the canvas has shown that it still writes to that memory, and it ends when
// the canvas lets go of its surface.
struct SmoothSession {
  QImage View;
  QPainter Painter;                 // after View: ended before the view goes
  const TCanvas* Canvas = nullptr;  // the last canvas drawn with it
  bool HasClip = false;
  QRect ClipBounds;
  std::vector<QRect> ClipBands;
  std::optional<QRect> Limit;

  bool Views(const uchar* bits, const QImage& surface) const {
    return View.constBits() == bits && View.size() == surface.size() &&
           View.bytesPerLine() == surface.bytesPerLine() && View.format() == surface.format() &&
           View.devicePixelRatio() == surface.devicePixelRatio();
  }
  bool ClipIs(const ClipRects& clip, const std::optional<QRect>& limit) const {
    return HasClip && ClipBounds == clip.Bounds && ClipBands == clip.Bands && Limit == limit;
  }
  void KeepClip(const ClipRects& clip, const std::optional<QRect>& limit) {
    HasClip = true;
    ClipBounds = clip.Bounds;
    ClipBands = clip.Bands;
    Limit = limit;
  }
};

// Trivially destroyed, so that a canvas destroyed after this thread's objects may still look.
thread_local SmoothSession* tSession = nullptr;
thread_local int tPerCallScopes = 0;

void EndSession() {
  delete tSession;
  tSession = nullptr;
}

struct SessionOwner {
  ~SessionOwner() { EndSession(); }
};
thread_local SessionOwner tSessionOwner;

// The session open on the memory the canvas writes to, opened afresh when that memory is
// another's; none when no painter opens on it.
SmoothSession* SessionOn(const TCanvas& canvas) {
  // Detaches the surface from any copy first: a copy taken between two calls never changes.
  auto* bits = reinterpret_cast<uchar*>(canvas.WritableRows().Row(0));
  const QImage& surface = *canvas.Surface();
  if (tSession && tSession->Views(bits, surface)) {
    tSession->Canvas = &canvas;
    return tSession;
  }
  EndSession();
  (void)&tSessionOwner;  // ends the last session with the thread
  auto session = std::make_unique<SmoothSession>();
  session->View =
      QImage(bits, surface.width(), surface.height(), surface.bytesPerLine(), surface.format());
  session->View.setDevicePixelRatio(surface.devicePixelRatio());
  if (!session->Painter.begin(&session->View)) return nullptr;
  session->Painter.setRenderHint(QPainter::Antialiasing);
  session->Painter.setRenderHint(QPainter::TextAntialiasing);
  session->Canvas = &canvas;
  tSession = session.release();
  return tSession;
}

// The session's painter in the canvas's clip, narrowed to Limit (surface coordinates) when
// given, and in canvas coordinates; none when nothing can show.
QPainter* PainterFor(const TCanvas& canvas, const QRect* limit) {
  if (!canvas.Surface()) return nullptr;
  const ClipRects& clip = canvas.EffectiveClip();
  const QRect box = limit ? clip.Bounds & *limit : clip.Bounds;
  if (box.isEmpty()) return nullptr;
  SmoothSession* session = SessionOn(canvas);
  if (!session) return nullptr;
  QPainter& painter = session->Painter;
  // Surface pixels first (the painter scales by the image's own pixel ratio), for the clip.
  const qreal imageRatio = canvas.Surface()->devicePixelRatio();
  painter.resetTransform();
  painter.scale(1 / imageRatio, 1 / imageRatio);
  const std::optional<QRect> narrowing = limit ? std::optional<QRect>(*limit) : std::nullopt;
  if (!session->ClipIs(clip, narrowing)) {
    if (clip.IsSingle()) painter.setClipRect(box);
    else painter.setClipRegion(limit ? clip.ToRegion() & *limit : clip.ToRegion());
    session->KeepClip(clip, narrowing);
  }
  // Canvas coordinates from here on.
  painter.translate(canvas.Origin());
  painter.scale(canvas.DeviceScale(), canvas.DeviceScale());
  return &painter;
}

// How far outside the surface a coordinate may lie for QPainter: its rasterizer works in
// fixed point. A call reaching further is drawn classic, which takes any coordinate.
constexpr int64_t kReach = int64_t(1) << 22;
// Pens are drawn at most this wide, as the classic ones are.
constexpr int kWidestPen = 16384;

bool WithinReach(const TCanvas& canvas, int x, int y) {
  const QSize size = canvas.Surface()->size();
  const Point64 s = ToSurface(canvas, x, y);
  return s.X >= -kReach && s.Y >= -kReach && s.X <= size.width() + kReach &&
         s.Y <= size.height() + kReach;
}

bool WithinReach(const TCanvas& canvas, std::span<const TPoint> points) {
  return std::all_of(points.begin(), points.end(),
                     [&](const TPoint& p) { return WithinReach(canvas, p.X, p.Y); });
}

// Smooth for shapes and lines: a surface, the smooth quality and a copying pen.
bool DrawsShapes(const TCanvas& canvas) {
  return canvas.Surface() && DrawsSmooth(canvas) && canvas.Pen()->Mode() == TPenMode::pmCopy;
}

QColor Opaque(uint32_t pixel) { return QColor::fromRgb(pixel | 0xFF000000u); }

int PenWidth(const TCanvas& canvas) { return std::min(canvas.Pen()->Width(), kWidestPen); }

// The offset of a pen's middle line from a pixel's top-left corner.
double PenCentre(int width) { return width % 2 ? 0.5 : 0.0; }

QPen SmoothPen(const TCanvas& canvas) {
  const TPen* pen = canvas.Pen();
  if (pen->Style() == TPenStyle::psClear) return QPen(Qt::NoPen);
  QPen q(Opaque(SurfaceColor(pen->Color(), false)));
  const int width = PenWidth(canvas);
  q.setWidth(width);
  if (width > 1) {
    // Wide pens are solid, round-capped and round-joined.
    q.setCapStyle(Qt::RoundCap);
    q.setJoinStyle(Qt::RoundJoin);
    return q;
  }
  q.setCapStyle(Qt::FlatCap);
  q.setJoinStyle(Qt::MiterJoin);
  switch (pen->Style()) {
    case TPenStyle::psDot: q.setDashPattern({3, 3}); break;
    case TPenStyle::psDash: q.setDashPattern({18, 6}); break;
    case TPenStyle::psDashDot: q.setDashPattern({9, 6, 3, 6}); break;
    case TPenStyle::psDashDotDot: q.setDashPattern({9, 3, 3, 3, 3, 3}); break;
    default: break;
  }
  return q;
}

// The canvas's brush: a hatch is its 8 x 8 pattern with the gaps left alone, a pattern bitmap
// its picture; the painter's origin is the canvas's, so both tile from it.
QBrush SmoothBrush(const TCanvas& canvas) {
  const Ink ink = BrushInk(canvas, TPenMode::pmCopy);
  switch (ink.kind) {
    case Ink::Kind::None: return QBrush(Qt::NoBrush);
    case Ink::Kind::Solid: return QBrush(Opaque(ink.color));
    case Ink::Kind::Tile: return QBrush(*ink.tile);
    case Ink::Kind::Hatch: break;
  }
  QImage tile(8, 8, QImage::Format_ARGB32_Premultiplied);
  tile.fill(Qt::transparent);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if ((ink.hatch[y] >> x) & 1u) tile.setPixel(x, y, ink.color | 0xFF000000u);
  return QBrush(tile);
}

// Strokes by filling the stroke's outline: QPainter draws a thin pen with its own line rules,
// which neither start nor turn where the classic line does.
void Stroke(QPainter& painter, const QPainterPath& path, const QPen& pen) {
  QPainterPathStroker stroker(pen);
  painter.fillPath(stroker.createStroke(path), pen.color());
}

QPointF At(const TPoint& p, double centre) { return {p.X + centre, p.Y + centre}; }

// P moved By pixels towards Other (away from it for a negative By).
QPointF Moved(QPointF p, QPointF other, double by) {
  const QPointF d = other - p;
  return p + d * (by / std::hypot(d.x(), d.y()));
}

// Which round end of a wide segment along an axis: the same pixels wherever it lies, for its
// pen's width, the device scale, the segment's axis and direction, and the end.
struct RoundEnd {
  int Width, Scale;
  bool Vertical, Forward, Start;
  auto operator<=>(const RoundEnd&) const = default;
};

// The coverage (alpha) of each round end painted so far, for pens up to so many surface
// pixels wide; a few pen widths a thread.
constexpr int64_t kWidestKeptEnd = 128;
constexpr size_t kMostRoundEnds = 64;
thread_local std::map<RoundEnd, QImage> tRoundEnds;

// The coverage of End over the surface rectangle Limit that Stroke paints on a painter placed
// with Limit's corner at the image's: painted once, by the painter.
const QImage& RoundEndCoverage(const RoundEnd& end, QSize limit,
                               const std::function<void(QPainter&)>& stroke) {
  if (const auto kept = tRoundEnds.find(end); kept != tRoundEnds.end()) return kept->second;
  if (tRoundEnds.size() >= kMostRoundEnds) tRoundEnds.clear();
  QImage coverage(limit, QImage::Format_ARGB32_Premultiplied);
  coverage.fill(Qt::transparent);
  QPainter painter(&coverage);
  painter.setRenderHint(QPainter::Antialiasing);
  stroke(painter);
  painter.end();
  return tRoundEnds.emplace(end, std::move(coverage)).first->second;
}

// A wide segment along an axis has its sides on pixel edges: the surface rows (columns, for a
// horizontal one) between its ends' centres are whole pixels of the pen's colour, filled
// straight. Past each end's centre lie the pixels a short segment in the same direction
// paints as the whole stroke does, whose coverage is the same wherever the end lies: painted
// once and blended in. A moving column costs its ends' pixels, not a painter's stroke. False
// for a segment too short to have a middle, or a pen too wide to keep its ends.
bool StrokeWideAlongAxis(const TCanvas& canvas, const TPoint& a, const TPoint& b, const QPen& pen) {
  const bool vertical = a.X == b.X;
  const auto along = [&](const TPoint& p) { return int64_t(vertical ? p.Y : p.X); };
  const int64_t from = std::min(along(a), along(b)), to = std::max(along(a), along(b));
  // A short segment's far end lies this far in, its round end clear of the pixels it paints.
  const int64_t reach = pen.width() / 2 + 2;
  const int scale = canvas.DeviceScale();
  if (to - from < 2 * reach || int64_t(pen.width()) * scale > kWidestKeptEnd) return false;
  const double centre = PenCentre(pen.width());
  const QPoint origin = canvas.Origin();
  const int64_t originAlong = vertical ? origin.y() : origin.x();
  const int64_t first = originAlong + int64_t(std::ceil((double(from) + centre) * scale));
  const int64_t last = originAlong + int64_t(std::floor((double(to) + centre) * scale));
  const int64_t acrossAt = vertical ? a.X : a.Y;
  const int64_t side = (vertical ? origin.x() : origin.y()) +
                       std::llround((double(acrossAt) + centre - pen.width() / 2.0) * scale);
  const int64_t otherSide = side + int64_t(pen.width()) * scale;
  const uint32_t color = SurfaceColor(canvas.Pen()->Color(), false) | kOpaque;
  const SurfaceRows rows = canvas.WritableRows();
  const ClipRects& clip = canvas.EffectiveClip();
  // Surface pixels [begin, stop) along by [side, otherSide) across, as a rectangle.
  const auto rect = [&](int64_t begin, int64_t stop) {
    return vertical ? QRect(int(side), int(begin), int(otherSide - side), int(stop - begin))
                    : QRect(int(begin), int(side), int(stop - begin), int(otherSide - side));
  };
  const QRect middle = rect(first, last);
  for (int64_t y = middle.top(); y <= middle.bottom(); ++y)
    PaintSpan(rows, clip, y, middle.left(), int64_t(middle.right()) + 1, Ink::Solid(color));
  const bool forward = along(b) > along(a);
  const int64_t step = forward ? reach : -reach;
  const auto moved = [&](const TPoint& p, int64_t by) {
    return vertical ? TPoint{p.X, SaturateToInt(p.Y + by)} : TPoint{SaturateToInt(p.X + by), p.Y};
  };
  // How far past an end's centre its pixels lie.
  const int64_t endReach = int64_t(pen.width()) * scale + 2;
  const auto paintEnd = [&](bool start, const TPoint& p, const TPoint& q, const QRect& limit) {
    const QImage& coverage = RoundEndCoverage({pen.width(), scale, vertical, forward, start},
                                              limit.size(), [&](QPainter& painter) {
                                                painter.translate(origin - limit.topLeft());
                                                painter.scale(scale, scale);
                                                QPainterPath path(At(p, centre));
                                                path.lineTo(At(q, centre));
                                                Stroke(painter, path, pen);
                                              });
    for (int y = 0; y < coverage.height(); ++y) {
      const int64_t surfaceY = int64_t(limit.top()) + y;
      const auto* shares = reinterpret_cast<const uint32_t*>(coverage.constScanLine(y));
      clip.ForEachSpan(surfaceY, limit.left(), int64_t(limit.right()) + 1, [&](int x0, int x1) {
        uint32_t* row = rows.Row(surfaceY);
        for (int x = x0; x < x1; ++x)
          if (const uint32_t share = shares[x - limit.left()] >> 24)
            row[x] = CoverPixel(row[x], color, share);
      });
    }
  };
  const QRect nearEnd = rect(first - endReach, first), farEnd = rect(last, last + endReach);
  paintEnd(true, a, moved(a, step), forward ? nearEnd : farEnd);
  paintEnd(false, moved(b, -step), b, forward ? farEnd : nearEnd);
  return true;
}

// The path of a one-pixel line through the points: from the first pixel's near edge to the
// last pixel's near edge, so that the last point is left out as the classic line leaves it.
QPainterPath ThinLinePath(std::span<const TPoint> points) {
  std::vector<QPointF> at;
  at.reserve(points.size());
  for (const TPoint& p : points) at.push_back(At(p, 0.5));
  const auto differs = [](QPointF a) { return [a](QPointF p) { return p != a; }; };
  if (const auto next = std::find_if(at.begin() + 1, at.end(), differs(at.front()));
      next != at.end())
    at.front() = Moved(at.front(), *next, -0.5);
  if (const auto before = std::find_if(at.rbegin() + 1, at.rend(), differs(at.back()));
      before != at.rend())
    at.back() = Moved(at.back(), *before, 0.5);
  QPainterPath path(at.front());
  for (size_t i = 1; i < at.size(); ++i) path.lineTo(at[i]);
  return path;
}

// A one-pixel solid line between two points, placed as ThinLinePath places it, painted
// straight into the surface at the device scale.
void PaintThinSegment(const TCanvas& canvas, const TPoint& from, const TPoint& to) {
  const QPointF a = At(from, 0.5), b = At(to, 0.5);
  const double scale = canvas.DeviceScale();
  const auto onSurface = [&](QPointF p) { return QPointF(canvas.Origin()) + p * scale; };
  PaintThinLine(canvas.WritableRows(), canvas.EffectiveClip(), onSurface(Moved(a, b, -0.5)),
                onSurface(Moved(b, a, 0.5)), scale,
                SurfaceColor(canvas.Pen()->Color(), false) | kOpaque);
}

QPainterPath PolygonPath(std::span<const TPoint> points, double centre) {
  QPainterPath path(At(points.front(), centre));
  for (size_t i = 1; i < points.size(); ++i) path.lineTo(At(points[i], centre));
  path.closeSubpath();
  path.setFillRule(Qt::OddEvenFill);
  return path;
}

// Whether each segment of the polyline runs along an axis.
bool AlongAxes(std::span<const TPoint> points) {
  return std::adjacent_find(points.begin(), points.end(), [](const TPoint& a, const TPoint& b) {
           return a.X != b.X && a.Y != b.Y;
         }) == points.end();
}

// The box with its corners sorted, its rim's centres offset by Centre: the rectangle an
// outline through them spans.
QRectF RimRect(const TRect& box, double centre) {
  const double left = std::min(box.Left, box.Right), right = std::max(box.Left, box.Right);
  const double top = std::min(box.Top, box.Bottom), bottom = std::max(box.Top, box.Bottom);
  return {left + centre, top + centre, right - left - 1, bottom - top - 1};
}

int64_t Extent(int a, int b) { return std::abs(int64_t(b) - a); }

// Fills the shape Path(0.5) makes with the brush, then strokes Path at the pen's centre.
template <class PathAt>
bool FillAndStroke(const TCanvas& canvas, const PathAt& pathAt) {
  const SmoothCall painter(canvas);
  if (!painter) return true;
  const QBrush brush = SmoothBrush(canvas);
  if (brush.style() != Qt::NoBrush) painter->fillPath(pathAt(0.5), brush);
  const QPen pen = SmoothPen(canvas);
  if (pen.style() != Qt::NoPen) Stroke(*painter, pathAt(PenCentre(pen.width())), pen);
  return true;
}

bool ShapeFits(const TCanvas& canvas, const TRect& box) {
  return DrawsShapes(canvas) && WithinReach(canvas, box.Left, box.Top) &&
         WithinReach(canvas, box.Right, box.Bottom) && Extent(box.Left, box.Right) > 2 &&
         Extent(box.Top, box.Bottom) > 2;
}

// The parametric angle, in degrees, of the ellipse point in the direction of P from the
// ellipse's centre: the angle QPainterPath::arcTo takes.
double ArcAngle(const QRectF& ellipse, QPointF p) {
  const QPointF d = p - ellipse.center();
  return std::atan2(-d.y() / ellipse.height(), d.x() / ellipse.width()) * 180 / std::numbers::pi;
}

}  // namespace

bool DrawsSmooth(const TCanvas& canvas) { return RendersSmooth() && !canvas.MonochromeSurface(); }

SmoothCall::SmoothCall(const TCanvas& canvas, const QRect* limit)
    : FPainter(PainterFor(canvas, limit)) {}

SmoothCall::~SmoothCall() {
  if (tPerCallScopes > 0) EndSession();
}

void EndSmoothPainting(const TCanvas& canvas) {
  if (tSession && tSession->Canvas == &canvas) EndSession();
}

SmoothPainterPerCall::SmoothPainterPerCall() {
  EndSession();
  ++tPerCallScopes;
}

SmoothPainterPerCall::~SmoothPainterPerCall() { --tPerCallScopes; }

bool SmoothPolyline(const TCanvas& canvas, std::span<const TPoint> points) {
  if (!DrawsShapes(canvas) || !WithinReach(canvas, points)) return false;
  const QPen pen = SmoothPen(canvas);
  if (pen.style() == Qt::NoPen || points.size() < 2) return true;
  const bool moves = std::any_of(points.begin(), points.end(),
                                 [&](const TPoint& p) { return p != points.front(); });
  if (!moves) return pen.width() == 1;  // a wide pen's dot is the classic disc
  const bool thinSolid = pen.width() == 1 && pen.style() == Qt::SolidLine;
  // A thin solid line along the axes covers whole pixels, the classic ones: drawn classic,
  // at a fraction of the cost.
  if (thinSolid && AlongAxes(points)) return false;
  // One thin solid segment (a needle, a tick) needs no painter; a path keeps its joins.
  if (thinSolid && points.size() == 2) {
    PaintThinSegment(canvas, points[0], points[1]);
    return true;
  }
  if (pen.width() > 1 && points.size() == 2 && AlongAxes(points) &&
      StrokeWideAlongAxis(canvas, points[0], points[1], pen))
    return true;
  const SmoothCall painter(canvas);
  if (!painter) return true;
  if (pen.width() == 1) {
    Stroke(*painter, ThinLinePath(points), pen);
  } else {
    const double centre = PenCentre(pen.width());
    QPainterPath path(At(points.front(), centre));
    for (size_t i = 1; i < points.size(); ++i) path.lineTo(At(points[i], centre));
    Stroke(*painter, path, pen);
  }
  return true;
}

bool SmoothPolygon(const TCanvas& canvas, std::span<const TPoint> points) {
  if (!DrawsShapes(canvas) || !WithinReach(canvas, points)) return false;
  return FillAndStroke(canvas, [&](double centre) { return PolygonPath(points, centre); });
}

bool SmoothEllipse(const TCanvas& canvas, const TRect& box) {
  if (!ShapeFits(canvas, box)) return false;
  return FillAndStroke(canvas, [&](double centre) {
    QPainterPath path;
    path.addEllipse(RimRect(box, centre));
    return path;
  });
}

bool SmoothRoundRect(const TCanvas& canvas, const TRect& box, int cornerWidth, int cornerHeight) {
  // A corner of two pixels or less either way is the plain rectangle, which stays exact.
  if (!ShapeFits(canvas, box) || std::abs(int64_t(cornerWidth)) <= 2 ||
      std::abs(int64_t(cornerHeight)) <= 2)
    return false;
  return FillAndStroke(canvas, [&](double centre) {
    const QRectF rim = RimRect(box, centre);
    const double rx = std::min<double>(std::abs(int64_t(cornerWidth)) - 1, rim.width()) / 2;
    const double ry = std::min<double>(std::abs(int64_t(cornerHeight)) - 1, rim.height()) / 2;
    QPainterPath path;
    path.addRoundedRect(rim, rx, ry);
    return path;
  });
}

bool SmoothPie(const TCanvas& canvas, const TRect& box, TPoint start, TPoint end) {
  if (!ShapeFits(canvas, box) || !WithinReach(canvas, start.X, start.Y) ||
      !WithinReach(canvas, end.X, end.Y))
    return false;
  return FillAndStroke(canvas, [&](double centre) {
    const QRectF rim = RimRect(box, centre);
    const double from = ArcAngle(rim, At(start, centre));
    double sweep = std::fmod(ArcAngle(rim, At(end, centre)) - from + 720, 360);
    if (sweep <= 0) sweep = 360;  // the same point for both: the whole ring
    QPainterPath path(rim.center());
    path.arcTo(rim, from, sweep);
    path.closeSubpath();
    return path;
  });
}

}  // namespace kv
