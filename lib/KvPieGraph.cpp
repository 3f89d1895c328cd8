#include "KvPieGraph.h"

#include "ClassRegistry.h"
#include "Raster.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

using kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvPieGraph>();

// Which wedges the top face shows.
enum class Wedges { Split, AllUsed, AllFree };

// The geometry of one drawing, every sum in 64 bits: sizes and the depth may be anything
// the setters take.
struct PieGeometry {
  int64_t W, H, D;
  int64_t TopHeight;  // of the top face's box: H - D, negative when the disc is too deep
  int64_t Cx, Cy;     // the top face's centre as the canvas finds it
  int64_t Bx, By;     // the boundary point on the rim
  Wedges Kind = Wedges::Split;

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
};

int S(int64_t v) { return kv::SaturateToInt(v); }

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

void CopyRows(TBitmap* dest, const TBitmap* source, int first, int last) {
  const size_t row = size_t(source->Width()) * sizeof(uint32_t);
  for (int y = std::max(first, 0); y < std::min(last, source->Height()); ++y)
    std::memcpy(dest->ScanLine(y), source->ScanLine(y), row);
}

void FillWith(TBitmap* bitmap, int width, int height, TColor color) {
  bitmap->SetSize(width, height);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(Rect(0, 0, width, height));
}

int Clamp(int64_t v, int lo, int hi) { return int(std::clamp<int64_t>(v, lo, hi)); }

}  // namespace

TKvPieGraph::TKvPieGraph(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBase(std::make_unique<TBitmap>()),
      FFront(std::make_unique<TBitmap>()),
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
  if (!SetIfChanged(FValue, v)) return;
  UpdateControl();
  emit OnChange(this);
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
  ClearWithBase(FFaceBase, key, [&] {
    if (Width() > 0 && Height() > 0) DrawBase(BitmapCanvas(), g, {FOutlineColor, sideFace, {}, {}});
  });
  DrawPie();
  TKvGraphicImageControl::Paint();
}

// The image gets the pie in its own colours over its kept base. The front side is shaded
// where a fill from the seeds below the wedges reaches between the outlines of the same
// drawing on a scratch layer in marker colours, so neither the background nor a colour that
// equals the outline can stop or widen it, and the shading stays on the front side of the
// disc. Where the outlines close, the pixels are those of filling the picture itself.
void TKvPieGraph::DrawPie() {
  TBitmap* image = Image();
  const int w = image->Width(), h = image->Height();
  if (w <= 0 || h <= 0) return;
  const PieGeometry g(Width(), Height(), FDepth, FValue, FMaxValue);
  DrawWedges(BitmapCanvas(), g, {FOutlineColor, {}, FUsedColor, FFreeColor});

  if (FCachedSize != TSize{w, h} || FCachedDepth != FDepth) {
    FillWith(FBase.get(), w, h, kUntouched);
    DrawBase(FBase->Canvas(), g, kMarkers);
    // The front side: the bottom face and the band between the faces, less the top face.
    FillWith(FFront.get(), w, h, kOutline);
    TCanvas* f = FFront->Canvas();
    f->Pen()->SetColor(kUntouched);
    f->Brush()->SetColor(kUntouched);
    f->Ellipse(0, S(g.D), S(g.W), S(g.H));
    f->FillRect(Rect(0, S(g.Cy), S(g.W), S(g.Cy + g.D + 1)));
    f->Pen()->SetColor(kOutline);
    f->Brush()->SetColor(kOutline);
    f->Ellipse(0, 0, S(g.W), S(g.TopHeight));
    FCachedSize = {w, h};
    FCachedDepth = FDepth;
    FLayer->SetSize(w, h);
    FLayerDirty = {0, h};
    FLayerEdge = {0, 0, 0};
  }
  // The layer is the base again where the last frame drew: the top face's rows and its edge.
  CopyRows(FLayer.get(), FBase.get(), FLayerDirty.first, FLayerDirty.second);
  for (int y = FLayerEdge.Top; y < FLayerEdge.Bottom; ++y)
    FLayer->ScanLine(y)[FLayerEdge.X] = FBase->ScanLine(y)[FLayerEdge.X];
  DrawWedges(FLayer->Canvas(), g, kMarkers);
  FLayerDirty = {0, Clamp(g.TopHeight, 0, h)};
  FLayerEdge = {0, 0, 0};
  if (g.FrontEdge() && g.Bx >= 0 && g.Bx < w)
    FLayerEdge = {int(g.Bx), Clamp(g.By, 0, h), Clamp(g.By + g.D, 0, h)};

  TCanvas* layer = FLayer->Canvas();
  const kv::SurfaceRows rows(*layer->Surface());
  const uint32_t outline = kv::ColorToPixel(kOutline) & 0xFFFFFFu;
  const uint32_t untouched = kv::ColorToPixel(kUntouched);
  const auto shade = [&](int64_t x, int64_t y, TColor ink) {
    const uint32_t px = kv::ColorToPixel(ink);
    for (const kv::FloodRun& run :
         kv::FloodArea(rows, layer->EffectiveClip(), x, y, outline, true)) {
      const uint32_t* inFront = FFront->ScanLine(int(run.row));
      uint32_t* out = image->ScanLine(int(run.row));
      for (int64_t i = run.span.Begin; i < run.span.End; ++i)
        if (inFront[i] == untouched) out[i] = px;
    }
  };
  const int64_t halfDepth = g.D / 2;
  if (g.FrontEdge()) {
    // The used side's fill runs over the free side's where the edge does not part them.
    shade(g.Bx - 1, g.By + halfDepth, FFreeShadowColor);
    shade(g.Bx + 1, g.By + halfDepth, FUsedShadowColor);
  } else {
    shade(g.W / 2, g.H - halfDepth,
          g.Kind == Wedges::AllUsed ? FUsedShadowColor : FFreeShadowColor);
  }
  image->PixelsChanged();
}
