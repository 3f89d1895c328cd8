#include "KvPieGraph.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "Raster.h"

#include <QPointer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

using kv::CreateRectRgn, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvPieGraph>();

int S(int64_t v) { return kv::SaturateToInt(v); }

}  // namespace

// Which wedges the top face shows.
enum class Wedges { Split, AllUsed, AllFree };

// The geometry of one drawing, every sum in 64 bits: sizes and the depth may be anything
// the setters take.
struct kv::PieGeometry {
  int64_t W, H, D;
  int64_t TopHeight;  // of the top face's box: H - D, negative when the disc is too deep
  int64_t Cx, Cy;     // the top face's centre as the canvas finds it
  int64_t Bx, By;     // the boundary point on the rim
  Wedges Kind = Wedges::Split;
  // The angle in whole degrees, 0 to 360: all the drawing depends on besides the size and
  // depth.
  int Angle = 0;

  PieGeometry(int width, int height, int depth, int value, int maxValue)
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
  bool FrontEdge() const { return Kind == Wedges::Split && By > Cy; }
  // The pixels of the edge line on the front; none without one.
  TRect EdgeLine() const {
    return FrontEdge() ? TRect{S(Bx), S(By), S(Bx + 1), S(By + D)} : TRect{};
  }
  // A split face large enough that the canvas traces its rim, with a boundary off the
  // centre: two such drawings differ only where the boundary swept.
  bool Sweeps() const {
    constexpr int64_t kMin = 8, kMax = 1 << 15;
    return Kind == Wedges::Split && W >= kMin && TopHeight >= kMin && W <= kMax &&
           TopHeight <= kMax && (Bx != Cx || By != Cy);
  }
};

namespace {

using kv::PieGeometry;

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

void Line(TCanvas* c, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  c->MoveTo(S(x1), S(y1));
  c->LineTo(S(x2), S(y2));
}

// The marker colours of the scratch layer the outlines are found on: untouched pixels, the
// outlines, and the three faces.
constexpr TColor kUntouched = clWhite, kOutline = clBlack, kFreeShadowFace = clRed,
                 kUsedFace = clLime, kFreeFace = clBlue;

// The colours one drawing of the pie uses.
struct Inks {
  TColor Outline, SideFace, Used, Free;
};
constexpr Inks kMarkers{kOutline, kFreeShadowFace, kUsedFace, kFreeFace};

// A thin solid pen in Outline and a solid brush; returns the pen for the colour changes.
TPen* UseSolidTools(TCanvas* c, TColor outline) {
  TPen* pen = c->Pen();
  pen->SetWidth(1);
  pen->SetStyle(TPenStyle::psSolid);
  pen->SetMode(TPenMode::pmCopy);
  pen->SetColor(outline);
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  return pen;
}

// The parts that do not depend on the value: the front half of the bottom face, its diameter
// wiped, and the side edges.
void DrawBase(TCanvas* c, const PieGeometry& g, const Inks& ink) {
  TPen* pen = UseSolidTools(c, ink.Outline);
  c->Brush()->SetColor(ink.SideFace);
  const int64_t middle = (g.H + g.D) / 2;
  c->Pie(0, S(g.D), S(g.W), S(g.H), 0, S(middle), S(g.W), S(middle));
  pen->SetColor(ink.SideFace);
  Line(c, 1, g.Cy + g.D, g.W - 2, g.Cy + g.D);
  pen->SetColor(ink.Outline);
  Line(c, 0, g.Cy, 0, g.Cy + g.D);
  Line(c, g.W - 1, g.Cy, g.W - 1, g.Cy + g.D);
}

// The edge between the wedges on the front side and the two wedges.
void DrawWedges(TCanvas* c, const PieGeometry& g, const Inks& ink) {
  UseSolidTools(c, ink.Outline);
  if (g.FrontEdge()) Line(c, g.Bx, g.By, g.Bx, g.By + g.D);
  if (g.Kind != Wedges::AllFree) {
    c->Brush()->SetColor(ink.Used);
    c->Pie(0, 0, S(g.W), S(g.TopHeight), S(g.Bx), S(g.By), 0, S(g.Cy));
  }
  if (g.Kind != Wedges::AllUsed) {
    c->Brush()->SetColor(ink.Free);
    c->Pie(0, 0, S(g.W), S(g.TopHeight), 0, S(g.Cy), S(g.Bx), S(g.By));
  }
}

void FillWith(TBitmap* bitmap, int width, int height, TColor color) {
  bitmap->SetSize(width, height);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(Rect(0, 0, width, height));
}

// What a pixel of the face shows: the base under the pie, or one of the pie's inks.
enum FaceClass : uint8_t { kBase, kUsed, kFree, kOutlined, kUsedShadow, kFreeShadow, kClasses };

// The pixel the drawing writes for each class (none for the base).
using FacePixels = std::array<uint32_t, kClasses>;
FacePixels PixelsOf(TColor used, TColor free, TColor outline, TColor usedShadow, TColor freeShadow,
                    bool mono) {
  const auto wedge = [mono](TColor c) { return kv::SurfaceColor(c, mono) | kv::kOpaque; };
  FacePixels pixels{};
  pixels[kUsed] = wedge(used);
  pixels[kFree] = wedge(free);
  pixels[kOutlined] = wedge(outline);
  pixels[kUsedShadow] = kv::ColorToPixel(usedShadow);
  pixels[kFreeShadow] = kv::ColorToPixel(freeShadow);
  return pixels;
}

// The angle map is made from drawings in these, over a base of its own in the same.
const FacePixels kClassMarkers =
    PixelsOf(kUsedFace, kFreeFace, kOutline, clYellow, kFreeShadowFace, false);

FaceClass ClassOf(uint32_t px) {
  for (uint8_t c = kUsed; c < kClasses; ++c)
    if (((px ^ kClassMarkers[c]) & 0xFFFFFFu) == 0) return FaceClass(c);
  return kBase;  // not drawn by the pie
}

// The largest face given an angle map (made in up to about 15 ms, kept in a few hundred
// kilobytes); a larger one is drawn each frame.
constexpr int64_t kMaxMappedPixels = int64_t(1) << 15;

}  // namespace

// For each angle of one size and depth, the classes of the face's pixels: an angle keeps
// only the pixels whose class differs from the angle before, with both classes, so the
// classes can be moved either way; where they changed bounds what a move repaints.
struct TKvPieGraph::AngleMap {
  static constexpr int kAngles = 361;
  int Width = 0, Height = 0, Depth = 0;
  // Pixel index << 8 | class before << 4 | class after; those of angle a are
  // [Start[a], Start[a + 1]).
  std::vector<uint32_t> Changes;
  std::array<uint32_t, kAngles + 1> Start{};
  std::array<TRect, kAngles> Changed{};
  // The classes at angle Angle, by pixel.
  std::vector<uint8_t> Classes;
  int Angle = 0;

  void MoveTo(int angle) {
    for (; Angle < angle; ++Angle)
      for (uint32_t i = Start[Angle + 1]; i < Start[Angle + 2]; ++i)
        Classes[Changes[i] >> 8] = uint8_t(Changes[i] & 15u);
    for (; Angle > angle; --Angle)
      for (uint32_t i = Start[Angle + 1]; i-- > Start[Angle];)
        Classes[Changes[i] >> 8] = uint8_t((Changes[i] >> 4) & 15u);
  }
  // The pixels that differ between two angles.
  TRect Between(int a, int b) const {
    TRect r{};
    for (int angle = std::min(a, b) + 1; angle <= std::max(a, b); ++angle)
      if (!kv::IsRectEmpty(Changed[size_t(angle)]))
        r = kv::IsRectEmpty(r) ? Changed[size_t(angle)] : Union(r, Changed[size_t(angle)]);
    return r;
  }
};

TKvPieGraph::TKvPieGraph(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBase(std::make_unique<TBitmap>()),
      FLayer(std::make_unique<TBitmap>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 135, 75);
  SetColor(clBtnFace);
  SetParentColor(false);
}

TKvPieGraph::~TKvPieGraph() = default;

void TKvPieGraph::SetMaxValue(int v) {
  if (v > 0 && SetIfChanged(FMaxValue, v)) UpdateControl();
}

void TKvPieGraph::SetValue(int v) {
  if (IsLoading()) {
    // MaxValue may come later in a hand-written description; Loaded clamps.
    FValue = v;
    return;
  }
  v = std::min(std::max(v, 1), FMaxValue);
  const int was = FValue;
  if (!SetIfChanged(FValue, v)) return;
  const PieGeometry before(Width(), Height(), FDepth, was, FMaxValue);
  const PieGeometry after(Width(), Height(), FDepth, FValue, FMaxValue);
  // A hidden pie is painted whole when it shows: only a shown one repaints what swept.
  if (isVisible() && before.Sweeps() && after.Sweeps()) {
    UpdateControlRect(ChangedBetween(before, after));
  } else {
    UpdateControl();
  }
  emit OnChange(this);
}

// A pie whose value moves gets its angle map here, where it is first repainted in part.
TRect TKvPieGraph::ChangedBetween(const PieGeometry& before, const PieGeometry& after) {
  if (!AngleMapFits()) {
    FAngleMap.reset();
    if (int64_t(Width()) * Height() <= kMaxMappedPixels) BuildAngleMap();
  }
  if (AngleMapFits()) return FAngleMap->Between(before.Angle, after.Angle);
  return SweepBetween(before, after).Face;
}

bool TKvPieGraph::AngleMapFits() const {
  return FAngleMap && FAngleMap->Width == Width() && FAngleMap->Height == Height() &&
         FAngleMap->Depth == FDepth;
}

// Every angle drawn in turn, as a live frame draws it, in marker inks over a base of its own:
// a pixel's class is the ink the drawing left on it, or the base where it left the base's.
void TKvPieGraph::BuildAngleMap() {
  const int w = Width(), h = Height();
  auto map = std::make_unique<AngleMap>();
  map->Width = w;
  map->Height = h;
  map->Depth = FDepth;
  map->Classes.assign(size_t(w) * size_t(h), kBase);
  // One base serves every angle: where the drawing leaves it, the picture shows its own base,
  // whatever side colour that has.
  TBitmap baseBitmap, face;
  FillWith(&baseBitmap, w, h, kUntouched);
  DrawBase(baseBitmap.Canvas(), PieGeometry(w, h, FDepth, 0, 360), kMarkers);
  const kv::SurfaceRows base(*baseBitmap.Canvas()->Surface());
  FillWith(&face, w, h, kUntouched);
  const kv::SurfaceRows out = face.Canvas()->WritableRows();
  std::optional<PieGeometry> last;
  for (int angle = 0; angle < AngleMap::kAngles; ++angle) {
    const PieGeometry g(w, h, FDepth, angle, 360);
    TRect part = Rect(0, 0, w, h);
    if (last && last->Sweeps() && g.Sweeps() &&
        !kv::IntersectRect(part, SweepBetween(*last, g).Face, Rect(0, 0, w, h)))
      part = {};
    last = g;
    for (int y = part.Top; y < part.Bottom; ++y)
      std::memcpy(out.Row(y) + part.Left, base.Row(y) + part.Left,
                  size_t(part.Width()) * sizeof(uint32_t));
    if (!kv::IsRectEmpty(part)) DrawPie(g, out, part, kClassMarkers);
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
  map->Angle = AngleMap::kAngles - 1;
  FAngleMap = std::move(map);
}

void TKvPieGraph::SetDepth(int v) {
  if (v >= 0 && SetIfChanged(FDepth, v)) UpdateControl();
}

void TKvPieGraph::SetColorField(TColor& field, TColor v) {
  if (SetIfChanged(field, v)) UpdateControl();
}
void TKvPieGraph::SetUsedColor(TColor v) { SetColorField(FUsedColor, v); }
void TKvPieGraph::SetUsedShadowColor(TColor v) { SetColorField(FUsedShadowColor, v); }
void TKvPieGraph::SetFreeColor(TColor v) { SetColorField(FFreeColor, v); }
void TKvPieGraph::SetFreeShadowColor(TColor v) { SetColorField(FFreeShadowColor, v); }
void TKvPieGraph::SetOutlineColor(TColor v) { SetColorField(FOutlineColor, v); }

void TKvPieGraph::Loaded() {
  TKvGraphicImageControl::Loaded();
  FValue = std::min(std::max(FValue, 1), FMaxValue);
}

void TKvPieGraph::Paint() {
  const PieGeometry g(Width(), Height(), FDepth, FValue, FMaxValue);
  // A full pie's front is wholly used, the pockets the shading cannot reach included.
  const TColor sideFace = g.Kind == Wedges::AllUsed ? FUsedShadowColor : FFreeShadowColor;
  TKvLayerKey key;
  key << FDepth << FOutlineColor << sideFace;
  kv::ClearWithBase(ImageClear(), FFaceBase, key, [&] {
    if (Width() > 0 && Height() > 0) DrawBase(BitmapCanvas(), g, {FOutlineColor, sideFace, {}, {}});
  });
  TBitmap* image = Image();
  TRect part;
  if (image->Width() > 0 && image->Height() > 0 &&
      kv::IntersectRect(part, PaintRect(), Rect(0, 0, image->Width(), image->Height()))) {
    const FacePixels pixels = PixelsOf(FUsedColor, FFreeColor, FOutlineColor, FUsedShadowColor,
                                       FFreeShadowColor, BitmapCanvas()->MonochromeSurface());
    const kv::SurfaceRows out = BitmapCanvas()->WritableRows();
    if (AngleMapFits()) {
      FAngleMap->MoveTo(g.Angle);
      for (int y = part.Top; y < part.Bottom; ++y) {
        const uint8_t* classes = &FAngleMap->Classes[size_t(y) * size_t(image->Width())];
        uint32_t* row = out.Row(y);
        for (int x = part.Left; x < part.Right; ++x)
          if (classes[x] != kBase) row[x] = pixels[classes[x]];
      }
    } else {
      DrawPie(g, out, part, pixels);
    }
    image->PixelsChanged();
  }
  TKvGraphicImageControl::Paint();
}

// The image gets the pie in its own colours over its kept base. The front side is shaded
// where a fill from the seeds below the wedges reaches between the outlines of the same
// drawing on a scratch layer in marker colours, so neither the background nor a colour that
// equals the outline can stop or widen it, and the shading stays on the front side of the
// disc. Where the outlines close, the pixels are those of filling the picture itself. Only
// the part being painted is drawn; the layer is always whole, for the fills.
void TKvPieGraph::DrawPie(const PieGeometry& g, const kv::SurfaceRows& out, const TRect& part,
                          const FacePixels& pixels) {
  UpdateLayer(g);
  const TRect edge = g.EdgeLine();
  UpdateWedgeColours(edge, {pixels[kUsed], pixels[kFree], pixels[kOutlined]});
  TCanvas* layer = FLayer->Canvas();
  const kv::SurfaceRows rows(*layer->Surface());
  PaintWedges(part, edge, out);

  const uint32_t outline = kv::ColorToPixel(kOutline) & 0xFFFFFFu;
  // Shades the front pixels of the runs inside the part being painted.
  const auto shadeRun = [&](int64_t y, int64_t begin, int64_t end, uint32_t px) {
    if (y < part.Top || y >= part.Bottom) return;
    begin = std::max<int64_t>(begin, part.Left);
    end = std::min<int64_t>(end, part.Right);
    if (size_t(y) >= FSide.size()) return;
    // The front side: the side row less the top face's.
    begin = std::max<int64_t>(begin, FSide[size_t(y)].Begin);
    end = std::min<int64_t>(end, FSide[size_t(y)].End);
    const RowSpan top = size_t(y) < FTopFace.size() ? FTopFace[size_t(y)].Span : RowSpan{};
    uint32_t* row = out.Row(y);
    if (const int64_t to = std::min<int64_t>(end, top.Begin); begin < to)
      kv::FillPixels(row + begin, row + to, px);
    if (const int64_t from = std::max<int64_t>(begin, top.End); from < end)
      kv::FillPixels(row + from, row + end, px);
  };
  const auto fill = [&](int64_t x, int64_t y) {
    return kv::FloodArea(rows, layer->EffectiveClip(), x, y, outline, true);
  };
  const auto shade = [&](int64_t x, int64_t y, uint32_t px) {
    for (const kv::FloodRun& run : fill(x, y)) shadeRun(run.row, run.span.Begin, run.span.End, px);
  };
  const int64_t halfDepth = g.D / 2;
  if (g.FrontEdge()) {
    // The used side's fill runs over the free side's where the edge does not part them.
    shade(g.Bx - 1, g.By + halfDepth, pixels[kFreeShadow]);
    shade(g.Bx + 1, g.By + halfDepth, pixels[kUsedShadow]);
  } else {
    // Without an edge line the seed stays, and so does its area while the layer changes
    // nowhere on it or beside it.
    if (!FWholeFront) {
      FWholeFront.emplace();
      for (const kv::FloodRun& run : fill(g.W / 2, g.H - halfDepth))
        FWholeFront->push_back({int(run.row), int(run.span.Begin), int(run.span.End)});
    }
    const uint32_t px = pixels[g.Kind == Wedges::AllUsed ? kUsedShadow : kFreeShadow];
    for (const Run& run : *FWholeFront) shadeRun(run.Row, run.Begin, run.End, px);
  }
}

// Brings the layer's colours up to the layer where it changed, or wholly for new colours:
// the surface colour of each wedge and outline mark, and 0 (which no opaque pixel is)
// elsewhere; and for each row of the top face, how many pixels of its span are not coloured.
// Only the rows of the top face and the edge line now are painted from the colours, so only
// those are kept up to date.
void TKvPieGraph::UpdateWedgeColours(const TRect& edge, const std::array<uint32_t, 3>& colours) {
  const int w = FLayer->Width(), h = FLayer->Height();
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
  const kv::SurfaceRows marks(*FLayer->Canvas()->Surface());
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
      const uint32_t* from = marks.Row(y);
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
      map(marks.Row(y), &FColours[size_t(y) * size_t(w)], r.Left, r.Right);
  }
}

// The wedges and the edge line over the base, in their own colours: the layer has them from
// the same drawing calls in marker colours, and its base's outline is the picture's too, so
// only the top face and the edge line are painted. A row of the top face without a gap is
// copied.
void TKvPieGraph::PaintWedges(const TRect& part, const TRect& edge,
                              const kv::SurfaceRows& out) const {
  const size_t w = size_t(FLayer->Width());
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
    const int begin = std::max(part.Left, face.Span.Begin);
    const int end = std::min(part.Right, face.Span.End);
    if (begin < end) paint(y, begin, end, face.Gaps == 0);
  }
  if (TRect r; kv::IntersectRect(r, part, edge))
    for (int y = r.Top; y < r.Bottom; ++y) paint(y, r.Left, r.Right, false);
}

// Brings the scratch layer to the current value: the parts that do not depend on it, kept
// while the size and depth stay, under the wedges and the edge line in marker colours. A
// value the last one swept from is drawn only where the boundary swept.
void TKvPieGraph::UpdateLayer(const PieGeometry& g) {
  const int w = S(g.W), h = S(g.H), depth = S(g.D);
  if (FCachedSize != TSize{w, h} || FCachedDepth != depth) {
    FillWith(FBase.get(), w, h, kUntouched);
    DrawBase(FBase->Canvas(), g, kMarkers);
    // The rows of the top face, and of the bottom face and the band between the faces (the
    // front side is what the top face leaves of them), as the canvas draws those shapes.
    const kv::RoundShape top = kv::RoundShape::Ellipse(0, 0, S(g.W), S(g.TopHeight));
    const kv::RoundShape bottom = kv::RoundShape::Ellipse(0, S(g.D), S(g.W), S(g.H));
    const auto clipped = [w](int64_t begin, int64_t end) {
      const int from = int(std::clamp<int64_t>(begin, 0, w));
      return RowSpan{from, int(std::clamp<int64_t>(end, from, w))};
    };
    FTopFace.assign(size_t(std::clamp<int64_t>(g.TopHeight, 0, h)), {});
    for (size_t y = 0; y < FTopFace.size(); ++y) {
      const kv::Span span = top.Row(int64_t(y));
      FTopFace[y].Span = clipped(span.Begin, span.End);
    }
    FSide.assign(size_t(h), {});
    for (int64_t y = 0; y < h; ++y) {
      const kv::Span span =
          y >= S(g.Cy) && y < S(g.Cy + g.D + 1) ? kv::Span{0, S(g.W)} : bottom.Row(y);
      FSide[size_t(y)] = clipped(span.Begin, span.End);
    }
    FColoursOf = {};
    FCachedSize = {w, h};
    FCachedDepth = depth;
    FLayer->SetSize(w, h);
    FLayerShows.reset();
    FWholeFront.reset();
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
  if (FWholeFront) {
    for (const Run& run : *FWholeFront)
      if (run.Row >= redraw.Top - 1 && run.Row <= redraw.Bottom && run.Begin <= redraw.Right &&
          run.End >= redraw.Left) {
        FWholeFront.reset();
        break;
      }
  }
  const size_t bytes = size_t(redraw.Width()) * sizeof(uint32_t);
  TCanvas* layer = FLayer->Canvas();
  const kv::SurfaceRows to(*layer->Surface()), from(*FBase->Canvas()->Surface());
  for (int y = redraw.Top; y < redraw.Bottom; ++y)
    std::memcpy(to.Row(y) + redraw.Left, from.Row(y) + redraw.Left, bytes);
  const bool partial = redraw != Rect(0, 0, w, h);
  if (partial) {
    const TRegion clip = CreateRectRgn(redraw.Left, redraw.Top, redraw.Right, redraw.Bottom);
    layer->SelectClipRgn(&clip);
  }
  DrawWedges(layer, g, kMarkers);
  if (partial) layer->SelectClipRgn(nullptr);
  FColoursStale = kv::IsRectEmpty(FColoursStale) ? redraw : Union(FColoursStale, redraw);
}
