#include "KvGraphs.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

using kv::CreateRectRgn, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvPercentPie>();

// A sum rounded to a whole number, halves to even, saturated at the 64-bit range: totals
// beyond 2^63 all count as 2^63 - 1.
int64_t RoundToInt64(long double v) {
  constexpr long double kLimit = 9223372036854775807.0L;
  // Rounds in the current mode as nearbyint does, without saving the floating-point
  // environment around it: that is most of the cost of a frame's slices.
  const long double r = std::rint(v);
  if (!(r < kLimit)) return std::numeric_limits<int64_t>::max();
  if (r <= -kLimit) return -std::numeric_limits<int64_t>::max();
  return int64_t(r);
}

// Value * 100 / Total cut towards zero, 0 when Total is 0; the integer percentage of two
// 32-bit sums, taken over 64-bit ones.
int PercentOf(int64_t value, int64_t total) {
  if (total == 0) return 0;
  return kv::SaturateToInt(int64_t(__int128(value) * 100 / total));
}

// The rim point of a whole percentage, clockwise from the top.
TPoint RimPoint(int pct, int rx, int ry) {
  const double a = (pct / 50.0 + 0.5) * std::numbers::pi;
  return {kv::SaturateToInt((long double)std::nearbyint((1 - std::cos(a)) * rx)),
          kv::SaturateToInt((long double)std::nearbyint((1 - std::sin(a)) * ry))};
}

// The same from a table of the last size asked for: a frame asks for several, and pies of
// one size come again and again.
TPoint PointAt(int pct, int rx, int ry) {
  struct Rim {
    int Rx = -1, Ry = -1;
    std::array<TPoint, 101> Points;
  };
  thread_local Rim rim;
  if (pct < 0 || pct > 100) return RimPoint(pct, rx, ry);
  if (rim.Rx != rx || rim.Ry != ry) {
    for (int i = 0; i <= 100; ++i) rim.Points[size_t(i)] = RimPoint(i, rx, ry);
    rim.Rx = rx;
    rim.Ry = ry;
  }
  return rim.Points[size_t(pct)];
}

// P lies on the ray from Centre through Q (Q itself included).
bool OnRay(TPoint p, TPoint q, TPoint centre) {
  const int64_t px = int64_t(p.X) - centre.X, py = int64_t(p.Y) - centre.Y;
  const int64_t qx = int64_t(q.X) - centre.X, qy = int64_t(q.Y) - centre.Y;
  return px * qy == py * qx && px * qx + py * qy > 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Items

TKvPercentGraphItem::TKvPercentGraphItem(TCollection* collection) : TCollectionItem(nullptr) {
  JoinCollection(collection);
}

void TKvPercentGraphItem::SetColor(TColor v) {
  if (v == FColor) return;
  FColor = v;
  Changed(false);
}

void TKvPercentGraphItem::SetValue(double v) {
  if (!kv::IsFinite(v) || v == FValue) return;
  FValue = v;
  Changed(false);
}

void TKvPercentGraphItem::SetPattern(TKvBrushPattern v) {
  if (!kv::IsEnumValue(v) || v == FPattern) return;
  FPattern = v;
  Changed(false);
}

void TKvPercentGraphItem::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TKvPercentGraphItem*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  FColor = other->FColor;
  FValue = other->FValue;
  FPattern = other->FPattern;
  Changed(false);
}

TKvPercentGraphItems::TKvPercentGraphItems(TKvPercentGraph* graph)
    : TCollection(
          graph, [](TCollection* c) { return new TKvPercentGraphItem(c); },
          &TKvPercentGraphItem::staticMetaObject),
      FGraph(graph) {}

void TKvPercentGraphItems::Update(TCollectionItem*) { FGraph->SegmentsChanged(); }

// ---------------------------------------------------------------------------
// Graph

TKvPercentGraph::TKvPercentGraph(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner), FSegments(std::make_unique<TKvPercentGraphItems>(this)) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetColor(TColor(11307165));
  SetParentColor(false);
}

TKvPercentGraph::~TKvPercentGraph() = default;

void TKvPercentGraph::SetOutlineColor(TColor v) {
  SetFollowed(this, FOutlineColor, v, &TKvPercentGraph::OutlineColorChanged);
}

double TKvPercentGraph::SumOfValues() const {
  // Extended precision holds any sum of the items a collection may have.
  long double sum = 0;
  for (int i = 0; i < FSegments->Count(); ++i) sum += FSegments->Items(i)->Value();
  return double(sum);
}

void TKvPercentGraph::SegmentsChanged() {
  if (IsLoading()) return;
  const double old = FTotal;
  FTotal = SumOfValues();
  RepaintSegments();
  // The handler may change the segments or free the graph: nothing follows it.
  if (FTotal != old) Change();
}

void TKvPercentGraph::Loaded() {
  TKvGraphicImageControl::Loaded();
  FTotal = SumOfValues();
}

void TKvPercentGraph::Change() {
  const kv::DispatchScope firing(this);
  emit OnChange(this);
}

// ---------------------------------------------------------------------------
// Pie

struct TKvPercentPie::Private {
  TKvFaceBase Cleared;
  // For the smooth rendering, by slice drawn: the whole pie in the slice's brush; and the
  // pixels by the slices' boundaries.
  std::vector<kv::CoverageLayer> Faces;
  kv::PieRays Rays;
};

TKvPercentPie::~TKvPercentPie() = default;

TKvPercentPie::TKvPercentPie(kv::OwnerOrParent owner)
    : TKvPercentGraph(owner), d(std::make_unique<Private>()) {
  SetBounds(0, 0, 97, 97);
}

// Slices follow each other clockwise from the top, each spanning its running share in whole
// percents. Negative values count as nothing in the picture. A slice whose ends fall onto one
// direction is drawn whole only when it is the one positive segment or spans all of the pie,
// and otherwise not at all: a sliver never covers the slices before it.
std::vector<TKvPercentPie::Slice> TKvPercentPie::Slices() const {
  const int rx = Width() / 2, ry = Height() / 2;
  const TPoint centre{rx, ry};
  TKvPercentGraphItems* segments = Segments();
  long double positiveTotal = 0;
  int positives = 0;
  for (int i = 0; i < segments->Count(); ++i) {
    const double v = segments->Items(i)->Value();
    if (v > 0) {
      positiveTotal += v;
      ++positives;
    }
  }
  const int64_t total = RoundToInt64(positiveTotal);

  std::vector<Slice> slices;
  TPoint q{rx, 0};
  int previous = 0;
  long double sum = 0;
  for (int i = 0; i < segments->Count(); ++i) {
    const TKvPercentGraphItem* item = segments->Items(i);
    if (item->Value() <= 0) continue;
    sum += item->Value();
    const int pct = PercentOf(RoundToInt64(sum), total);
    const TPoint p = PointAt(pct, rx, ry);
    const bool whole = positives == 1 || int64_t(pct) - previous >= 100;
    if (whole || (pct != previous && !OnRay(p, q, centre)))
      slices.push_back({previous, pct, whole, item->Color(), item->Pattern()});
    q = p;
    previous = pct;
  }
  return slices;
}

void TKvPercentPie::SegmentsChanged() {
  FSlices.reset();
  TKvPercentGraph::SegmentsChanged();
}

const std::vector<TKvPercentPie::Slice>& TKvPercentPie::CurrentSlices() {
  if (!FSlices || FSlicesSize != TSize{Width(), Height()}) {
    FSlices = Slices();
    FSlicesSize = {Width(), Height()};
  }
  return *FSlices;
}

void TKvPercentPie::UseSliceTools(TCanvas* c, const Slice& s) const {
  c->Pen()->SetColor(OutlineColor());
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetWidth(1);
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Brush()->SetColor(s.Color);
  c->Brush()->SetStyle(TBrushStyle(int(s.Pattern)));
}

bool TKvPercentPie::ComposedSmooth(size_t slices) const {
  constexpr int kMin = 8;
  const int64_t scale = Image()->DeviceScale();
  return kv::RendersSmooth() && kv::ComposesPieFaces() && Width() >= kMin && Height() >= kMin &&
         int64_t(Width()) * Height() * scale * scale * int64_t(std::max<size_t>(slices, 1)) <=
             kv::kMaxComposedPixels;
}

void TKvPercentPie::Paint() {
  // The cleared image is kept: a partial repaint copies only its own part of it.
  kv::ClearWithBase(ImageClear(), d->Cleared, TKvLayerKey(), [] {});
  FDrawn = CurrentSlices();
  FDrawnSize = {Width(), Height()};
  if (ComposedSmooth(FDrawn.size())) PaintComposed();
  else PaintSlices();
  TKvPercentGraph::Paint();
}

void TKvPercentPie::PaintSlices() {
  TCanvas* c = BitmapCanvas();
  const int rx = Width() / 2, ry = Height() / 2;
  // A partial repaint draws only what the window takes.
  const bool partial = PaintRect() != ClientRect();
  if (partial) {
    const TRegion part =
        CreateRectRgn(PaintRect().Left, PaintRect().Top, PaintRect().Right, PaintRect().Bottom);
    c->SelectClipRgn(&part);
  }
  for (const Slice& s : FDrawn) {
    const TPoint p = PointAt(s.To, rx, ry), q = PointAt(s.From, rx, ry);
    UseSliceTools(c, s);
    c->Pie(0, 0, Width(), Height(), p.X, p.Y, q.X, q.Y);
  }
  if (partial) c->SelectClipRgn(nullptr);
}

// Each slice's brush is drawn over the whole pie once; a frame takes each pixel from the slice
// it lies in, so only the pixels by a boundary cost more than a copy.
void TKvPercentPie::PaintComposed() {
  const int scale = Image()->DeviceScale();
  const TRect box = Rect(0, 0, Width(), Height());
  const int rx = Width() / 2, ry = Height() / 2;
  std::vector<kv::CoverageLayer> faces(FDrawn.size());
  std::vector<kv::PieSector> sectors;
  for (size_t i = 0; i < FDrawn.size(); ++i) {
    const Slice& s = FDrawn[i];
    TKvLayerKey key;
    key << OutlineColor() << s.Color << int(s.Pattern);
    const auto kept = std::find_if(d->Faces.begin(), d->Faces.end(), [&](const auto& face) {
      return face.Holds(key, Width(), Height(), scale);
    });
    if (kept != d->Faces.end()) faces[i] = std::move(*kept);
    faces[i].Keep(key, Width(), Height(), scale, [&](TCanvas* c) {
      UseSliceTools(c, s);
      c->Ellipse(0, 0, Width(), Height());
    });
    sectors.push_back({kv::PieRimTowards(box, PointAt(s.From, rx, ry), scale), &faces[i], true});
  }
  d->Faces = std::move(faces);
  kv::PaintPieSectors(Image(), kv::InImage(Image(), PaintRect()), kv::PieCentre(box, scale),
                      sectors, kv::ColorToPixel(OutlineColor()), scale, d->Rays);
  Image()->PixelsChanged();
}

void TKvPercentPie::RepaintSegments() {
  const std::vector<Slice>& now = CurrentSlices();
  // Smooth edges drawn under a clip are not the pixels of the whole drawing: a whole repaint
  // unless the face is composed.
  const bool smooth = kv::RendersSmooth();
  if (FDrawnSize != TSize{Width(), Height()} || now.size() != FDrawn.size() ||
      (smooth && !ComposedSmooth(now.size()))) {
    UpdateControl();
    return;
  }
  const int rx = Width() / 2, ry = Height() / 2;
  TRect changed{rx, ry, rx + 1, ry + 1};
  bool moved = false;
  // Every pixel that changes lies in the sector a boundary swept: between the centre and the
  // rim points of the whole percents it passed.
  const auto sweep = [&](int from, int to) {
    if (from == to) return;
    moved = true;
    for (int pct = std::min(from, to); pct <= std::max(from, to); ++pct) {
      const TPoint p = PointAt(pct, rx, ry);
      changed = {std::min(changed.Left, p.X), std::min(changed.Top, p.Y),
                 std::max(changed.Right, p.X + 1), std::max(changed.Bottom, p.Y + 1)};
    }
  };
  for (size_t i = 0; i < now.size(); ++i) {
    const Slice& a = FDrawn[i];
    const Slice& b = now[i];
    if (a.Whole != b.Whole || a.Color != b.Color || a.Pattern != b.Pattern) {
      UpdateControl();
      return;
    }
    sweep(a.From, b.From);
    sweep(a.To, b.To);
  }
  if (!moved) return;  // the same picture
  // The rim and the radii may lie a pixel beside the points, a composed smooth boundary as
  // far as its anti-aliased line reaches.
  const int reach = smooth ? std::max(2, kv::PieBoundaryReach(Image()->DeviceScale())) : 2;
  UpdateControlRect(TRect{changed.Left - reach, changed.Top - reach, changed.Right + reach,
                          changed.Bottom + reach});
}

// The canvas draws a pie in a box of two pixels or less as the whole ellipse: three pixels
// each way show the slices.
QSize TKvPercentPie::minimumSizeHint() const { return {3, 3}; }
