#include "KvPieGraphCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>
#include <numeric>
#include <utility>
#include <vector>

using kv::CreateRectRgn, kv::FaceClass, kv::FacePixels, kv::PieGeometry, kv::PieInks, kv::Rect,
    kv::Wedges;
using enum kv::FaceClass;

namespace {

int S(int64_t v) { return kv::SaturateToInt(v); }

// A rectangle of canvas pixels in the image pixels of a scale; and the canvas pixels that
// hold a rectangle of an image's pixels (which are not negative).
TRect ToImage(const TRect& r, int64_t scale) {
  return {S(r.Left * scale), S(r.Top * scale), S(r.Right * scale), S(r.Bottom * scale)};
}
TRect ToCanvas(const TRect& r, int64_t scale) {
  const auto up = [scale](int v) { return S((v + scale - 1) / scale); };
  return {S(r.Left / scale), S(r.Top / scale), up(r.Right), up(r.Bottom)};
}

}  // namespace

// ---------------------------------------------------------------------------
// Geometry

namespace kv {

PieGeometry::PieGeometry(int width, int height, int depth, int value, int maxValue)
    : W(width),
      H(height),
      D(depth),
      TopHeight(int64_t(height) - depth),
      Cx(W / 2),
      Cy(TopHeight / 2),
      Bx(0),
      By(Cy) {
  // Value * 360 is exact in 64 bits and in a double, so a true half stays a half and
  // rounds to even.
  const double phi = std::nearbyint(double(int64_t(value) * 360) / double(maxValue));
  Angle = int(std::clamp(phi, 0.0, 360.0));
  // Decided by the angle, not by where the points fall: a full pie is used, an empty one
  // free, whatever the canvas makes of coinciding wedge ends.
  if (phi >= 360) {
    Kind = Wedges::AllUsed;
    return;
  }
  if (phi <= 0) {
    Kind = Wedges::AllFree;
    return;
  }
  const double theta = (270 - phi) * std::numbers::pi / 180;
  Bx = int64_t(std::trunc(std::sin(theta) * double(W) * 0.5)) + Cx;
  By = int64_t(std::trunc(std::cos(theta) * double(TopHeight) * 0.5)) + Cy;
  // On the ray from the centre through the left end, both wedges come out whole.
  if (By == Cy && Bx < Cx) Kind = phi >= 180 ? Wedges::AllUsed : Wedges::AllFree;
}

TRect PieGeometry::EdgeLine() const {
  return FrontEdge() ? TRect{S(Bx), S(By), S(Bx + 1), S(By + D)} : TRect{};
}

bool PieGeometry::Traced() const {
  constexpr int64_t kMin = 8, kMax = 1 << 15;
  return W >= kMin && TopHeight >= kMin && W <= kMax && TopHeight <= kMax;
}

bool PieGeometry::Sweeps() const {
  return Kind == Wedges::Split && Traced() && (Bx != Cx || By != Cy);
}

FacePixels PixelsOf(TColor used, TColor free, TColor outline, TColor usedShadow,
                    TColor freeShadow) {
  FacePixels pixels{};
  pixels[kUsed] = ColorToPixel(used);
  pixels[kFree] = ColorToPixel(free);
  pixels[kOutlined] = ColorToPixel(outline);
  pixels[kUsedShadow] = ColorToPixel(usedShadow);
  pixels[kFreeShadow] = ColorToPixel(freeShadow);
  return pixels;
}

}  // namespace kv

namespace {

// A fill's runs (one row each) ordered by row, stably, in time linear in the runs and rows:
// a paint then visits only the rows it shows. Rows off a layer of Height are dropped.
std::vector<TRect> InRowOrder(const std::vector<TRect>& runs, int height) {
  std::vector<size_t> next(size_t(std::max(height, 0)) + 1, 0);
  const auto onLayer = [height](const TRect& r) { return r.Top >= 0 && r.Top < height; };
  for (const TRect& r : runs)
    if (onLayer(r)) ++next[size_t(r.Top) + 1];
  std::partial_sum(next.begin(), next.end(), next.begin());
  std::vector<TRect> ordered(next.back());
  for (const TRect& r : runs)
    if (onLayer(r)) ordered[next[size_t(r.Top)]++] = r;
  return ordered;
}

TRect Union(const TRect& a, const TRect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

// What differs between the drawings of two sweeping geometries of one size and depth. The
// wedges differ only in the sector between the two boundaries, seen from the centre: its
// box holds the centre, where both boundary rays leave the rim, and the rim's extreme points
// between them; the rim points and radii the canvas draws lie within a pixel or two of
// those. The edge lines differ in their columns; and a fill the edge line does not part
// from the other side's reaches all of the front, so where either drawing has an edge line
// the whole front side may change on the picture.
struct Sweep {
  TRect Face;   // the picture
  TRect Layer;  // the scratch layer: no shading, only the wedges and the edge lines
};
Sweep SweepBetween(const PieGeometry& a, const PieGeometry& b) {
  const double rx = double(a.W) / 2, ry = double(a.TopHeight) / 2;
  double left = double(a.Cx), right = left, top = double(a.Cy), bottom = top;
  const auto add = [&](double x, double y) {
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  };
  // Clockwise on the screen from the left, as the angle runs.
  const auto direction = [&](const PieGeometry& g) {
    const double dx = double(g.Bx - g.Cx), dy = double(g.By - g.Cy);
    add(double(g.Bx), double(g.By));
    const double t = 1 / std::sqrt((dx / rx) * (dx / rx) + (dy / ry) * (dy / ry));
    add(double(g.Cx) + t * dx, double(g.Cy) + t * dy);
    const double deg = std::atan2(-dy, -dx) * 180 / std::numbers::pi;
    return deg < 0 ? deg + 360 : deg;
  };
  const double da = direction(a), db = direction(b);
  const double lo = std::min(da, db), hi = std::max(da, db);
  if (lo <= 90 && 90 <= hi) add(double(a.Cx), 0);
  if (lo <= 180 && 180 <= hi) add(double(a.W), double(a.Cy));
  if (lo <= 270 && 270 <= hi) add(double(a.Cx), double(a.TopHeight));
  constexpr int kMargin = 3;
  const auto at = [](double v) { return kv::SaturateToInt((long double)std::floor(v)); };
  Sweep s;
  s.Face = {at(left) - kMargin, at(top) - kMargin, at(right) + 1 + kMargin,
            at(bottom) + 1 + kMargin};
  s.Layer = s.Face;
  for (const PieGeometry* g : {&a, &b})
    if (g->FrontEdge()) s.Layer = Union(s.Layer, g->EdgeLine());
  s.Face = s.Layer;
  if (a.FrontEdge() || b.FrontEdge()) s.Face = Union(s.Face, {0, S(a.Cy), S(a.W), S(a.H)});
  return s;
}

// The rows of a picture by address, made writable once.
class Rows {
public:
  explicit Rows(TBitmap* b)
      : FBits(b->ScanLine(0)), FStride(b->Image().bytesPerLine() / qsizetype(sizeof(uint32_t))) {}
  uint32_t* Row(int64_t y) const { return FBits + y * FStride; }

private:
  uint32_t* FBits;
  qsizetype FStride;
};

void FillWith(TBitmap* bitmap, int width, int height, TColor color) {
  bitmap->SetSize(width, height);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(Rect(0, 0, width, height));
}

// The marker colours of the scratch layer the outlines are found on: untouched pixels, the
// outlines, and the three faces.
constexpr TColor kUntouched = clWhite, kOutline = clBlack, kFreeShadowFace = clRed,
                 kUsedFace = clLime, kFreeFace = clBlue;
constexpr PieInks kMarkers{kOutline, kFreeShadowFace, kUsedFace, kFreeFace};

// The angle map is made from drawings in these, over a base of its own in the same.
const FacePixels kClassMarkers =
    kv::PixelsOf(kUsedFace, kFreeFace, kOutline, clYellow, kFreeShadowFace);

FaceClass ClassOf(uint32_t px) {
  for (uint8_t c = kUsed; c < kClasses; ++c)
    if (((px ^ kClassMarkers[c]) & 0xFFFFFFu) == 0) return FaceClass(c);
  return kBase;  // not drawn by the pie
}

// The largest face given an angle map, in canvas pixels (made in up to about 15 ms and kept
// in a few hundred kilobytes at scale 1, the square of the scale times that above); a larger
// one is drawn each frame.
constexpr int64_t kMaxMappedPixels = int64_t(1) << 15;

// The angles a map keeps, in whole degrees, and where each angle's changes from the one before
// begin in its list of changes: those of angle a are [starts[a], starts[a + 1]).
constexpr int kAngles = 361;
using AngleStarts = std::array<uint32_t, kAngles + 1>;

// Moves a map from angle At to Angle: Forward(i) for each change of the angles up to it in
// turn, or Back(i) for those of the angles down from At in reverse.
template <class Forward, class Back>
void StepAngles(const AngleStarts& starts, int& at, int angle, const Forward& forward,
                const Back& back) {
  for (; at < angle; ++at)
    for (uint32_t i = starts[size_t(at) + 1], end = starts[size_t(at) + 2]; i < end; ++i)
      forward(i);
  for (; at > angle; --at)
    for (uint32_t i = starts[size_t(at) + 1], begin = starts[size_t(at)]; i-- > begin;) back(i);
}

}  // namespace

// For each angle of one size, depth and scale, the classes of the face's image pixels: an
// angle keeps only the pixels whose class differs from the angle before, with both classes,
// so the classes can be moved either way; where they changed bounds what a move repaints.
struct TKvPieFaces::AngleMap {
  int Width = 0, Height = 0, Depth = 0, Scale = 1;
  // Pixel index << 8 | class before << 4 | class after.
  std::vector<uint32_t> Changes;
  AngleStarts Start{};
  std::array<TRect, kAngles> Changed{};
  // The classes at angle Angle, by pixel.
  std::vector<uint8_t> Classes;
  int Angle = 0;

  void MoveTo(int angle) {
    // Through plain pointers: a byte stored may alias anything, and the vectors' own pointers
    // would be read again for every change.
    const uint32_t* changes = Changes.data();
    uint8_t* classes = Classes.data();
    StepAngles(
        Start, Angle, angle,
        [=](uint32_t i) { classes[changes[i] >> 8] = uint8_t(changes[i] & 15u); },
        [=](uint32_t i) { classes[changes[i] >> 8] = uint8_t((changes[i] >> 4) & 15u); });
  }
  // The image pixels that differ between two angles.
  TRect Between(int a, int b) const {
    TRect r{};
    for (int angle = std::min(a, b) + 1; angle <= std::max(a, b); ++angle)
      if (!kv::IsRectEmpty(Changed[size_t(angle)]))
        r = kv::IsRectEmpty(r) ? Changed[size_t(angle)] : Union(r, Changed[size_t(angle)]);
    return r;
  }
};

// The face over one base at each angle: the face at one angle, and for each angle the pixels
// that differ from the angle before, with both values, so the face can be moved either way.
// Made smooth by painting each angle over the last as a live frame paints it, classic from the
// angle map's classes.
struct TKvPieFaces::FaceMap {
  struct Change {
    uint32_t Index, Before, After;
  };
  QByteArray Key;  // the rendering, size, depth, scale and inks it was made for
  QImage Base;     // and the base, shared with the kept one while that stays
  std::vector<Change> Changes;
  AngleStarts Start{};
  TBitmap Face;  // at Angle
  int Angle = 0;

  void MoveTo(int angle) {
    const Change* changes = Changes.data();
    uint32_t* pixels = Face.ScanLine(0);
    StepAngles(
        Start, Angle, angle, [=](uint32_t i) { pixels[changes[i].Index] = changes[i].After; },
        [=](uint32_t i) { pixels[changes[i].Index] = changes[i].Before; });
  }
};

TKvPieFaces::TKvPieFaces(Drawing base, Drawing wedges, Drawing topFace)
    : FDrawBase(std::move(base)),
      FDrawWedges(std::move(wedges)),
      FDrawTopFace(std::move(topFace)) {}

TKvPieFaces::~TKvPieFaces() = default;

// A pie whose value moves gets its angle map here, where it is first repainted in part.
TRect TKvPieFaces::ChangedBetween(const PieGeometry& before, const PieGeometry& after,
                                  int scale) {
  const bool smooth = kv::RendersSmooth();
  // Smooth edges drawn under a clip are not the pixels of the whole drawing.
  if (smooth && !ComposedSmooth(after, scale)) return Rect(0, 0, S(after.W), S(after.H));
  // A composed face follows the boundary point alone: where it stays, nothing changes.
  if (smooth && before.Bx == after.Bx && before.By == after.By) return {};
  if (!AngleMapFits(after, scale)) {
    FAngleMap.reset();
    if (after.W * after.H <= kMaxMappedPixels)
      BuildAngleMap(S(after.W), S(after.H), S(after.D), scale);
  }
  TRect changed{};
  if (AngleMapFits(after, scale))
    changed = ToCanvas(FAngleMap->Between(before.Angle, after.Angle), scale);
  else
    changed = SweepBetween(before, after).Face;
  if (!smooth) return changed;
  // The boundary point moved, though maybe not a classic pixel.
  if (kv::IsRectEmpty(changed)) changed = SweepBetween(before, after).Face;
  // Both boundaries turn about the centre, where the canvas's pixels of them may agree.
  changed = Union(changed, Rect(S(after.Cx), S(after.Cy), S(after.Cx + 1), S(after.Cy + 1)));
  const int reach = kv::PieBoundaryReach(scale);
  return {changed.Left - reach, changed.Top - reach, changed.Right + reach,
          changed.Bottom + reach};
}

bool TKvPieFaces::ComposedSmooth(const PieGeometry& g, int scale) {
  return kv::RendersSmooth() && kv::ComposesPieFaces() &&
         (g.Sweeps() || (g.Traced() && g.Kind != Wedges::Split)) &&
         g.W * g.H * scale * scale <= kv::kMaxComposedPixels;
}

bool TKvPieFaces::AngleMapFits(const PieGeometry& g, int scale) const {
  return FAngleMap && FAngleMap->Width == g.W && FAngleMap->Height == g.H &&
         FAngleMap->Depth == g.D && FAngleMap->Scale == scale;
}

void TKvPieFaces::Paint(TBitmap* image, const PieGeometry& g, const TRect& part,
                        const FacePixels& pixels, const PieInks& inks, const TKvFaceBase& base) {
  const int scale = image->DeviceScale();
  const TRect inImage = ToImage(part, scale);
  if (ComposedSmooth(g, scale)) {
    if (!PaintFromFaceMap(image, g, part, pixels, inks, base, true))
      PaintSmooth(image, g, inImage, pixels, inks);
    return;
  }
  if (kv::RendersSmooth()) {
    PaintDrawnSmooth(image, g, part, pixels, inks);
    return;
  }
  if (!AngleMapFits(g, scale)) {
    DrawPie(g, image, inImage, pixels);
    return;
  }
  if (PaintFromFaceMap(image, g, part, pixels, inks, base, false)) return;
  PaintFromMap(image, g, inImage, [&](uint8_t c, uint32_t& px) {
    if (c != kBase) px = pixels[c];
  });
}

void TKvPieFaces::PaintDrawnSmooth(TBitmap* image, const PieGeometry& g, const TRect& part,
                                   const FacePixels& pixels, const PieInks& inks) {
  // The shading, the wedges over it drawn smooth within the part.
  ShadeSmoothFront(g, image, ToImage(part, image->DeviceScale()), pixels);
  TCanvas* canvas = image->Canvas();
  const TRegion clip = CreateRectRgn(part.Left, part.Top, part.Right, part.Bottom);
  canvas->SelectClipRgn(&clip);
  FDrawWedges(canvas, g, inks);
  canvas->SelectClipRgn(nullptr);
}

bool TKvPieFaces::PaintFromFaceMap(TBitmap* image, const PieGeometry& g, const TRect& part,
                                   const FacePixels& pixels, const PieInks& inks,
                                   const TKvFaceBase& base, bool smooth) {
  const int scale = image->DeviceScale();
  if (g.W * g.H > kMaxMappedPixels || !base.KeepsWhole(image->Image().size())) return false;
  TKvLayerKey key;
  // The pixels hold the inks but the side's.
  key << smooth << S(g.W) << S(g.H) << S(g.D) << scale << inks.SideFace;
  for (const uint32_t px : pixels) key << int64_t(px);
  // A base kept again (a full pie's side shows another colour, and back) is compared by its
  // pixels, and then shared, which compares at no cost.
  if (FFaceMap && FFaceMap->Key == key.Bytes() && FFaceMap->Base == base.Pixels()) {
    FFaceMap->Base = base.Pixels();
  } else {
    // A face painted whole, as a pie that shows or changes its looks is, is painted: the map
    // is for the frames of a moving value.
    if (part == Rect(0, 0, S(g.W), S(g.H))) return false;
    if (smooth) BuildSmoothMap(key.Bytes().toByteArray(), g, pixels, inks, base, scale);
    else BuildClassicMap(key.Bytes().toByteArray(), g, pixels, base, scale);
  }
  FFaceMap->MoveTo(g.Angle);
  kv::CopyRows(image, {part.Left, part.Top}, FFaceMap->Face.Image(), part);
  return true;
}

// The base with each pixel the angle map gives a class in that class's ink.
void TKvPieFaces::BuildClassicMap(QByteArray key, const PieGeometry& g, const FacePixels& pixels,
                                  const TKvFaceBase& base, int scale) {
  FFaceMap.reset();
  auto map = std::make_unique<FaceMap>();
  map->Key = std::move(key);
  map->Base = base.Pixels();
  TBitmap& face = map->Face;
  face.SetDeviceScale(scale);
  face.SetSize(S(g.W), S(g.H));
  const AngleMap& classes = *FAngleMap;
  const auto* under = reinterpret_cast<const uint32_t*>(map->Base.constBits());
  const auto ink = [&](uint32_t c, uint32_t i) { return c == kBase ? under[i] : pixels[c]; };
  uint32_t* out = face.ScanLine(0);
  for (uint32_t i = 0; i < uint32_t(classes.Classes.size()); ++i)
    out[i] = ink(classes.Classes[i], i);
  map->Changes.reserve(classes.Changes.size());
  for (const uint32_t change : classes.Changes) {
    const uint32_t i = change >> 8;
    map->Changes.push_back({i, ink(change >> 4 & 15u, i), ink(change & 15u, i)});
  }
  map->Start = classes.Start;
  map->Angle = classes.Angle;
  FFaceMap = std::move(map);
}

void TKvPieFaces::BuildSmoothMap(QByteArray key, const PieGeometry& g, const FacePixels& pixels,
                                 const PieInks& inks, const TKvFaceBase& base, int scale) {
  FFaceMap.reset();
  auto map = std::make_unique<FaceMap>();
  map->Key = std::move(key);
  map->Base = base.Pixels();
  const int w = S(g.W), h = S(g.H), depth = S(g.D);
  TBitmap& face = map->Face;
  face.SetDeviceScale(scale);
  face.SetSize(w, h);
  base.CopyTo(&face);
  const TRect whole = Rect(0, 0, w, h);
  PaintSmooth(&face, PieGeometry(w, h, depth, 0, 360), ToImage(whole, scale), pixels, inks);
  const size_t stride = size_t(face.Image().width());
  std::vector<uint32_t> before;
  for (int angle = 1; angle < kAngles; ++angle) {
    const PieGeometry was(w, h, depth, angle - 1, 360), now(w, h, depth, angle, 360);
    TRect part = whole;
    if (was.Sweeps() && now.Sweeps() &&
        !kv::IntersectRect(part, ChangedBetween(was, now, scale), whole))
      part = {};
    const TRect inImage = ToImage(part, scale);
    before.clear();
    for (int y = inImage.Top; y < inImage.Bottom; ++y)
      before.insert(before.end(), face.ScanLine(y) + inImage.Left,
                    face.ScanLine(y) + inImage.Right);
    if (!kv::IsRectEmpty(part)) {
      base.CopyTo(&face, &part);
      if (ComposedSmooth(now, scale)) PaintSmooth(&face, now, inImage, pixels, inks);
      else PaintDrawnSmooth(&face, now, part, pixels, inks);
    }
    const uint32_t* prior = before.data();
    for (int y = inImage.Top; y < inImage.Bottom; ++y) {
      const uint32_t* row = face.ScanLine(y);
      for (int x = inImage.Left; x < inImage.Right; ++x, ++prior)
        if (*prior != row[x])
          map->Changes.push_back({uint32_t(size_t(y) * stride + size_t(x)), *prior, row[x]});
    }
    map->Start[size_t(angle) + 1] = uint32_t(map->Changes.size());
  }
  map->Angle = kAngles - 1;
  FFaceMap = std::move(map);
}

template <class PaintPixel>
void TKvPieFaces::PaintFromMap(TBitmap* image, const PieGeometry& g, const TRect& part,
                               const PaintPixel& paint) {
  FAngleMap->MoveTo(g.Angle);
  const Rows out(image);
  const size_t stride = size_t(image->Image().width());
  for (int y = part.Top; y < part.Bottom; ++y) {
    const uint8_t* mapped = &FAngleMap->Classes[size_t(y) * stride];
    uint32_t* row = out.Row(y);
    for (int x = part.Left; x < part.Right; ++x) paint(mapped[x], row[x]);
  }
}

void TKvPieFaces::ShadeSmoothFront(const PieGeometry& g, TBitmap* image, const TRect& part,
                                   const FacePixels& pixels) {
  const int scale = image->DeviceScale();
  if (!AngleMapFits(g, scale)) {
    UpdateLayer(g, scale);
    ShadeFront(g, image, part, pixels, true);
    return;
  }
  FAngleMap->MoveTo(g.Angle);
  const Rows out(image);
  const int64_t w = image->Image().width(), h = image->Image().height();
  const auto classAt = [&](int64_t x, int64_t y) {
    return FAngleMap->Classes[size_t(y * w + x)];
  };
  const auto shaded = [](uint8_t c) { return c == kUsedShadow || c == kFreeShadow; };
  // The shadow under the rim at a pixel of the top face's outline or right above it, if the
  // rim stands on the shaded side (where the shading has the base's colour, the base shows it
  // already).
  const auto shadowUnderRim = [&](int64_t x, int64_t y) -> uint8_t {
    if (const uint8_t c = classAt(x, y); c == kUsed || c == kFree) ++y;
    if (y >= h || classAt(x, y) != kOutlined) return kBase;
    while (y < h && classAt(x, y) == kOutlined) ++y;
    return y < h && shaded(classAt(x, y)) ? classAt(x, y) : uint8_t(kBase);
  };
  // From the top face's widest rows down. The smooth rim covers the pixels of the classic rim
  // and those right above it only in part: they take the shadow under the rim.
  const int64_t top = std::max<int64_t>(part.Top, (g.Cy - 1) * scale);
  for (int64_t y = top; y < part.Bottom; ++y) {
    uint32_t* row = out.Row(y);
    for (int64_t x = part.Left; x < part.Right; ++x) {
      const uint8_t c = classAt(x, y);
      const uint8_t shadow = shaded(c) ? c : shadowUnderRim(x, y);
      if (shaded(shadow)) row[x] = pixels[shadow];
    }
  }
}

void TKvPieFaces::PaintSmooth(TBitmap* image, const PieGeometry& g, const TRect& part,
                              const FacePixels& pixels, const PieInks& inks) {
  const int scale = image->DeviceScale();
  // The front side as the classic face has it: the shading, then the edge line. A face small
  // enough is shaded from its angle map from the first paint on, so that each paint shades it
  // alike (the map leaves the base where the shading has the base's colour, the fills do not).
  if (!AngleMapFits(g, scale) && g.W * g.H <= kMaxMappedPixels)
    BuildAngleMap(S(g.W), S(g.H), S(g.D), scale);
  ShadeSmoothFront(g, image, part, pixels);
  if (TRect edge; kv::IntersectRect(edge, part, ToImage(g.EdgeLine(), scale))) {
    const Rows out(image);
    for (int y = edge.Top; y < edge.Bottom; ++y)
      std::fill(out.Row(y) + edge.Left, out.Row(y) + edge.Right, pixels[kOutlined]);
  }
  // The top face from the faces drawn whole, kept while the size, depth and inks stay.
  const int w = S(g.W), h = S(g.H), depth = S(g.D);
  const auto keep = [&](kv::CoverageLayer& face, TColor colour) {
    TKvLayerKey key;
    key << depth << inks.Outline << colour;
    face.Keep(key, w, h, scale, [&](TCanvas* c) {
      FDrawTopFace(c, g, {inks.Outline, inks.SideFace, colour, colour});
    });
  };
  keep(FAllUsed, inks.Used);
  keep(FAllFree, inks.Free);
  // Used from the left end clockwise to the boundary point, free from there on.
  const TRect top = Rect(0, 0, w, S(g.TopHeight));
  const kv::PieSector whole{kv::PieRimTowards(top, {0, S(g.Cy)}, scale),
                            g.Kind == Wedges::AllFree ? &FAllFree : &FAllUsed, true};
  std::vector<kv::PieSector> sectors{whole};
  if (g.Kind == Wedges::Split)
    sectors.push_back({kv::PieRimTowards(top, {S(g.Bx), S(g.By)}, scale), &FAllFree, true});
  kv::PaintPieSectors(image, part, kv::PieCentre(top, scale), sectors, pixels[kOutlined], scale,
                      FRays);
}

// Every angle drawn in turn, as a live frame draws it, in marker inks over a base of its own:
// a pixel's class is the ink the drawing left on it, or the base where it left the base's.
void TKvPieFaces::BuildAngleMap(int width, int height, int depth, int scale) {
  const kv::ClassicRendering marks;
  auto map = std::make_unique<AngleMap>();
  map->Width = width;
  map->Height = height;
  map->Depth = depth;
  map->Scale = scale;
  // One base serves every angle: where the drawing leaves it, the picture shows its own base,
  // whatever side colour that has.
  TBitmap baseBitmap, face;
  baseBitmap.SetDeviceScale(scale);
  face.SetDeviceScale(scale);
  FillWith(&baseBitmap, width, height, kUntouched);
  FDrawBase(baseBitmap.Canvas(), PieGeometry(width, height, depth, 0, 360), kMarkers);
  const Rows base(&baseBitmap);
  FillWith(&face, width, height, kUntouched);
  const Rows out(&face);
  const int w = face.Image().width(), h = face.Image().height();
  map->Classes.assign(size_t(w) * size_t(h), kBase);
  std::optional<PieGeometry> last;
  for (int angle = 0; angle < kAngles; ++angle) {
    const PieGeometry g(width, height, depth, angle, 360);
    TRect part = Rect(0, 0, w, h);
    if (last && last->Sweeps() && g.Sweeps() &&
        !kv::IntersectRect(part, ToImage(SweepBetween(*last, g).Face, scale), Rect(0, 0, w, h)))
      part = {};
    last = g;
    for (int y = part.Top; y < part.Bottom; ++y)
      std::memcpy(out.Row(y) + part.Left, base.Row(y) + part.Left,
                  size_t(part.Width()) * sizeof(uint32_t));
    if (!kv::IsRectEmpty(part)) DrawPie(g, &face, part, kClassMarkers);
    TRect changed{};
    for (int y = part.Top; y < part.Bottom; ++y) {
      const uint32_t *drawn = out.Row(y), *under = base.Row(y);
      for (int x = part.Left; x < part.Right; ++x) {
        const uint8_t c = drawn[x] == under[x] ? kBase : ClassOf(drawn[x]);
        uint8_t& was = map->Classes[size_t(y) * size_t(w) + size_t(x)];
        if (c == was) continue;
        map->Changes.push_back(uint32_t(y * w + x) << 8 | uint32_t(was) << 4 | c);
        was = c;
        const TRect pixel = Rect(x, y, x + 1, y + 1);
        changed = kv::IsRectEmpty(changed) ? pixel : Union(changed, pixel);
      }
    }
    map->Start[size_t(angle) + 1] = uint32_t(map->Changes.size());
    map->Changed[size_t(angle)] = changed;
  }
  map->Angle = kAngles - 1;
  FAngleMap = std::move(map);
}

// The image gets the pie in its own colours over its kept base. The front side is shaded
// where a fill from the seeds below the wedges reaches between the outlines of the same
// drawing on a scratch layer in marker colours, so neither the background nor a colour that
// equals the outline can stop or widen it, and the shading stays on the front side of the
// disc. Where the outlines close, the pixels are those of filling the picture itself. Only
// the part being painted is drawn; the layer is always whole, for the fills.
void TKvPieFaces::DrawPie(const PieGeometry& g, TBitmap* image, const TRect& part,
                          const FacePixels& pixels) {
  UpdateLayer(g, image->DeviceScale());
  const TRect edge = ToImage(g.EdgeLine(), image->DeviceScale());
  UpdateWedgeColours(edge, {pixels[kUsed], pixels[kFree], pixels[kOutlined]});
  PaintWedges(part, edge, image);
  ShadeFront(g, image, part, pixels, false);
}

void TKvPieFaces::ShadeFront(const PieGeometry& g, TBitmap* image, const TRect& part,
                             const FacePixels& pixels, bool underRim) {
  const Rows out(image);
  const uint32_t usedMark = kv::ColorToPixel(kUsedFace) & 0xFFFFFFu,
                 freeMark = kv::ColorToPixel(kFreeFace) & 0xFFFFFFu,
                 outlineMark = kv::ColorToPixel(kOutline) & 0xFFFFFFu;
  const QImage& marks = FLayer.Image();
  const auto markAt = [&](int64_t x, int64_t y) {
    return reinterpret_cast<const uint32_t*>(marks.constScanLine(int(y)))[x] & 0xFFFFFFu;
  };
  // The top face's outline pixels on the front standing on a shaded pixel, and the wedge
  // pixel right above them, inside the part being painted.
  const int64_t frontTop = std::max<int64_t>((g.Cy - 1) * FLayer.DeviceScale(), 0);
  const auto shadeRim = [&](int64_t x, int64_t y, uint32_t px) {
    const auto shade = [&](int64_t at) {
      if (at >= part.Top && at < part.Bottom) out.Row(at)[x] = px;
    };
    int64_t above = std::min<int64_t>(y, int64_t(FTopFace.size())) - 1;
    if (above < frontTop || markAt(x, above) != outlineMark) return;
    for (; above >= frontTop && markAt(x, above) == outlineMark; --above) shade(above);
    if (above >= frontTop && (markAt(x, above) == usedMark || markAt(x, above) == freeMark))
      shade(above);
  };
  // Shades the front pixels of the runs inside the part being painted.
  const auto shadeRun = [&](int64_t y, int64_t begin, int64_t end, uint32_t px) {
    if (size_t(y) >= FSide.size()) return;
    // The front side: the side row less the top face as its wedges drew it.
    begin = std::max<int64_t>({begin, part.Left, FSide[size_t(y)].Begin});
    end = std::min<int64_t>({end, part.Right, FSide[size_t(y)].End});
    if (underRim && y <= int64_t(FTopFace.size()))
      for (int64_t x = begin; x < end; ++x) shadeRim(x, y, px);
    if (y < part.Top || y >= part.Bottom) return;
    uint32_t* row = out.Row(y);
    if (size_t(y) >= FTopFace.size()) {
      if (begin < end) std::fill(row + begin, row + end, px);
      return;
    }
    const uint32_t* mark = reinterpret_cast<const uint32_t*>(marks.constScanLine(int(y)));
    for (int64_t x = begin; x < end; ++x)
      if (const uint32_t m = mark[x] & 0xFFFFFFu; m != usedMark && m != freeMark) row[x] = px;
  };
  // On the layer's image pixels, seeded where the canvas puts a canvas pixel.
  const int64_t scale = FLayer.DeviceScale();
  const auto fill = [&](int64_t x, int64_t y) {
    TBitmap layerPixels;
    layerPixels.SetImage(FLayer.Image());
    return InRowOrder(layerPixels.Canvas()->FloodArea(S(x * scale), S(y * scale), kOutline,
                                                      TFillStyle::fsBorder),
                      layerPixels.Height());
  };
  // Only the runs of the rows being painted are visited, and under the rim those of the rows
  // below whose rim pixels may be.
  const int64_t lastRow =
      underRim ? std::max<int64_t>(part.Bottom, int64_t(FTopFace.size()) + 1) : part.Bottom;
  const auto shade = [&](const std::vector<TRect>& runs, uint32_t px) {
    auto run = std::lower_bound(runs.begin(), runs.end(), part.Top,
                                [](const TRect& r, int top) { return r.Top < top; });
    for (; run != runs.end() && run->Top < lastRow; ++run)
      shadeRun(run->Top, run->Left, run->Right, px);
  };
  const int64_t halfDepth = g.D / 2;
  if (g.FrontEdge()) {
    // The layer is the same whenever it shows the same angle, and so are these fills.
    if (FEdgeFrontsAt != g.Angle) {
      FEdgeFronts = {fill(g.Bx - 1, g.By + halfDepth), fill(g.Bx + 1, g.By + halfDepth)};
      FEdgeFrontsAt = g.Angle;
    }
    // The used side's fill runs over the free side's where the edge does not part them.
    shade(FEdgeFronts[0], pixels[kFreeShadow]);
    shade(FEdgeFronts[1], pixels[kUsedShadow]);
  } else {
    // Without an edge line the seed stays, and so does its area while the layer changes
    // nowhere on it or beside it.
    if (!FWholeFront) FWholeFront = fill(g.W / 2, g.H - halfDepth);
    shade(*FWholeFront, pixels[g.Kind == Wedges::AllUsed ? kUsedShadow : kFreeShadow]);
  }
}

// Brings the layer's colours up to the layer where it changed, or wholly for new colours:
// the surface colour of each wedge and outline mark, and 0 (which no opaque pixel is)
// elsewhere; and for each row of the top face, how many pixels of its span are not coloured.
// Only the rows of the top face and the edge line now are painted from the colours, so only
// those are kept up to date.
void TKvPieFaces::UpdateWedgeColours(const TRect& edge, const std::array<uint32_t, 3>& colours) {
  const int w = FLayer.Image().width(), h = FLayer.Image().height();
  if (colours != FColoursOf || FColours.size() != size_t(w) * size_t(h)) {
    FColours.assign(size_t(w) * size_t(h), 0);
    for (TopFaceRow& row : FTopFace) row.Gaps = row.Span.End - row.Span.Begin;
    FColoursOf = colours;
    FColoursStale = Rect(0, 0, w, h);
  }
  TRect stale;
  if (!kv::IntersectRect(stale, FColoursStale, Rect(0, 0, w, h))) return;
  FColoursStale = {};
  const uint32_t usedMarker = kv::ColorToPixel(kUsedFace) & 0xFFFFFFu,
                 freeMarker = kv::ColorToPixel(kFreeFace) & 0xFFFFFFu,
                 outlineMarker = kv::ColorToPixel(kOutline) & 0xFFFFFFu;
  // Four pixels at a time, by masks: the marks change from pixel to pixel without a pattern.
  using Four = uint32_t __attribute__((vector_size(16)));
  // Held by value: the stores into the colours could otherwise alias them, and they would be
  // loaded again for every four pixels.
  const auto four = [](uint32_t v) { return Four{v, v, v, v}; };
  const Four used = four(colours[0]), free = four(colours[1]), outlined = four(colours[2]),
             usedMark = four(usedMarker), freeMark = four(freeMarker),
             outlineMark = four(outlineMarker);
  const auto mapped = [=](Four mark) {
    mark &= 0xFFFFFFu;
    return (used & Four(mark == usedMark)) | (free & Four(mark == freeMark)) |
           (outlined & Four(mark == outlineMark));
  };
  const QImage& marks = FLayer.Image();
  // Maps [begin, end) of a row; returns how many gaps that made less.
  const auto map = [&](const uint32_t* from, uint32_t* to, int begin, int end) {
    Four made{}, gone{};
    int x = begin;
    for (; x + 4 <= end; x += 4) {
      Four mark, before;
      std::memcpy(&mark, from + x, sizeof mark);
      std::memcpy(&before, to + x, sizeof before);
      const Four colour = mapped(mark);
      // A comparison's lanes are 0 or all ones: subtracting one counts one.
      gone -= Four(before == 0);
      made -= Four(colour == 0);
      std::memcpy(to + x, &colour, sizeof colour);
    }
    int64_t less = 0;
    for (; x < end; ++x) {
      less += to[x] == 0;
      to[x] = mapped(Four{from[x]})[0];
      less -= to[x] == 0;
    }
    for (int lane = 0; lane < 4; ++lane) less += int64_t(gone[lane]) - int64_t(made[lane]);
    return less;
  };
  TRect r;
  if (kv::IntersectRect(r, stale, Rect(0, 0, w, int(FTopFace.size())))) {
    for (int y = r.Top; y < r.Bottom; ++y) {
      const uint32_t* from = reinterpret_cast<const uint32_t*>(marks.constScanLine(y));
      uint32_t* const to = &FColours[size_t(y) * size_t(w)];
      // Gaps are counted within the top face's span only.
      TopFaceRow& face = FTopFace[size_t(y)];
      const int lo = std::clamp(face.Span.Begin, r.Left, r.Right);
      const int hi = std::clamp(face.Span.End, lo, r.Right);
      map(from, to, r.Left, lo);
      face.Gaps -= map(from, to, lo, hi);
      map(from, to, hi, r.Right);
    }
  }
  // The edge line below the top face: it changed wherever it moved to.
  if (kv::IntersectRect(r, edge, stale) && r.Bottom > int(FTopFace.size())) {
    for (int y = std::max(r.Top, int(FTopFace.size())); y < r.Bottom; ++y)
      map(reinterpret_cast<const uint32_t*>(marks.constScanLine(y)),
          &FColours[size_t(y) * size_t(w)], r.Left, r.Right);
  }
}

// The wedges and the edge line over the base, in their own colours: the layer has them from
// the same drawing calls in marker colours, and its base's outline is the picture's too, so
// only the rows of the top face and the edge line are painted. The span of a row without a
// gap is copied; beside the span, a boundary's end on the rim drawn above scale 1 may leave
// a pixel.
void TKvPieFaces::PaintWedges(const TRect& part, const TRect& edge, TBitmap* image) const {
  const size_t w = size_t(FLayer.Image().width());
  const Rows out(image);
  using Four = uint32_t __attribute__((vector_size(16)));
  const auto paint = [&](int y, int begin, int end, bool solid) {
    const uint32_t* from = &FColours[size_t(y) * w];
    uint32_t* to = out.Row(y);
    if (solid) {
      std::memcpy(to + begin, from + begin, size_t(end - begin) * sizeof(uint32_t));
      return;
    }
    int x = begin;
    for (; x + 4 <= end; x += 4) {
      Four colour, px;
      std::memcpy(&colour, from + x, sizeof colour);
      std::memcpy(&px, to + x, sizeof px);
      px = (px & Four(colour == 0)) | colour;
      std::memcpy(to + x, &px, sizeof px);
    }
    for (; x < end; ++x)
      if (from[x] != 0) to[x] = from[x];
  };
  const int rows = std::min(part.Bottom, int(FTopFace.size()));
  for (int y = std::max(part.Top, 0); y < rows; ++y) {
    const TopFaceRow& face = FTopFace[size_t(y)];
    const int begin = std::clamp(face.Span.Begin, part.Left, part.Right);
    const int end = std::clamp(face.Span.End, begin, part.Right);
    paint(y, part.Left, begin, false);
    paint(y, begin, end, face.Gaps == 0);
    paint(y, end, part.Right, false);
  }
  if (TRect r; kv::IntersectRect(r, part, edge))
    for (int y = r.Top; y < r.Bottom; ++y) paint(y, r.Left, r.Right, false);
}

// By image row of a scratch bitmap of the size and scale, the span of the pixels a drawing
// in marker colours touches (empty where it touches none): shapes as the canvas draws them.
std::vector<TKvPieFaces::RowSpan> TKvPieFaces::TouchedRows(
    int width, int height, int scale, const std::function<void(TCanvas*)>& drawing) {
  TBitmap scratch;
  scratch.SetDeviceScale(scale);
  FillWith(&scratch, width, height, kUntouched);
  drawing(scratch.Canvas());
  const QImage& image = scratch.Image();
  const uint32_t untouched = kv::ColorToPixel(kUntouched) & 0xFFFFFFu;
  const auto touched = [untouched](uint32_t px) { return (px & 0xFFFFFFu) != untouched; };
  std::vector<RowSpan> rows(size_t(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    const uint32_t* begin = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
    const uint32_t* end = begin + image.width();
    const uint32_t* first = std::find_if(begin, end, touched);
    if (first == end) continue;
    const auto last = std::find_if(std::make_reverse_iterator(end),
                                   std::make_reverse_iterator(first), touched);
    rows[size_t(y)] = {int(first - begin), int(last.base() - begin)};
  }
  return rows;
}

// Brings the scratch layer to the current value at the scale: the parts that do not depend on
// it, kept while the size, depth and scale stay, under the wedges and the edge line in marker
// colours. A value the last one swept from is drawn only where the boundary swept.
void TKvPieFaces::UpdateLayer(const PieGeometry& g, int scale) {
  // Marker colours are read back pixel by pixel.
  const kv::ClassicRendering marks;
  const int w = S(g.W), h = S(g.H), depth = S(g.D);
  if (FCachedSize != TSize{w, h} || FCachedDepth != depth || FCachedScale != scale) {
    FBase.SetDeviceScale(scale);
    FillWith(&FBase, w, h, kUntouched);
    FDrawBase(FBase.Canvas(), g, kMarkers);
    // The rows of the top face as its wedges draw it (any split of it), and of the bottom
    // face and the band between the faces: the front side is what the top face leaves of
    // those.
    FTopFace.clear();
    for (const RowSpan& span : TouchedRows(w, h, scale, [&](TCanvas* c) {
           FDrawWedges(c, PieGeometry(w, h, depth, 90, 360), kMarkers);
         }))
      FTopFace.push_back({span});
    // To its last row, and the rows a pixel grown to the scale reaches below it.
    size_t rows = FTopFace.size();
    while (rows > 0 && FTopFace[rows - 1].Span.End == 0) --rows;
    FTopFace.resize(std::min(FTopFace.size(), rows + size_t(scale - 1)));
    FSide = TouchedRows(w, h, scale, [&](TCanvas* c) {
      // A fresh canvas's thin black pen, and the brush in the outline marker.
      c->Brush()->SetColor(kOutline);
      c->Ellipse(0, depth, w, h);
      c->FillRect(Rect(0, S(g.Cy), w, S(g.Cy + g.D + 1)));
    });
    FColoursOf = {};
    FCachedSize = {w, h};
    FCachedDepth = depth;
    FCachedScale = scale;
    FLayer.SetDeviceScale(scale);
    FLayer.SetSize(w, h);
    FLayerShows.reset();
    FWholeFront.reset();
    FEdgeFrontsAt.reset();
  }
  if (FLayerShows == g.Angle) return;
  TRect redraw = Rect(0, 0, w, h);
  if (FLayerShows) {
    const PieGeometry was(w, h, depth, *FLayerShows, 360);
    if (was.Sweeps() && g.Sweeps()) {
      TRect swept;
      redraw = kv::IntersectRect(swept, SweepBetween(was, g).Layer, redraw) ? swept : TRect{};
    }
  }
  FLayerShows = g.Angle;
  if (kv::IsRectEmpty(redraw)) return;
  FEdgeFrontsAt.reset();
  const TRect redrawn = ToImage(redraw, scale);
  if (FWholeFront) {
    for (const TRect& run : *FWholeFront)
      if (run.Top >= redrawn.Top - 1 && run.Top <= redrawn.Bottom && run.Left <= redrawn.Right &&
          run.Right >= redrawn.Left) {
        FWholeFront.reset();
        break;
      }
  }
  kv::CopyRows(&FLayer, {redraw.Left, redraw.Top}, FBase.Image(), redraw);
  TCanvas* layer = FLayer.Canvas();
  const bool partial = redraw != Rect(0, 0, w, h);
  if (partial) {
    const TRegion clip = CreateRectRgn(redraw.Left, redraw.Top, redraw.Right, redraw.Bottom);
    layer->SelectClipRgn(&clip);
  }
  FDrawWedges(layer, g, kMarkers);
  if (partial) layer->SelectClipRgn(nullptr);
  FColoursStale = kv::IsRectEmpty(FColoursStale) ? redrawn : Union(FColoursStale, redrawn);
}
