#include "KvPieGraph.h"

#include "ClassRegistry.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

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

// The marker colours of the scratch layer the pie is drawn on first: untouched pixels, the
// outlines, the three faces and the two shaded parts of the front side.
constexpr TColor kUntouched = clWhite, kOutline = clBlack, kFreeShadowFace = clRed,
                 kUsedFace = clLime, kFreeFace = clBlue, kFreeSide = clYellow, kUsedSide = clAqua;

// The parts that do not depend on the value: the front half of the bottom face, its diameter
// wiped, and the side edges.
void DrawBase(TCanvas* c, const PieGeometry& g) {
  TPen* pen = c->Pen();
  pen->SetWidth(1);
  pen->SetStyle(TPenStyle::psSolid);
  pen->SetMode(TPenMode::pmCopy);
  pen->SetColor(kOutline);
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(kFreeShadowFace);
  const int64_t middle = (g.H + g.D) / 2;
  c->Pie(0, S(g.D), S(g.W), S(g.H), 0, S(middle), S(g.W), S(middle));
  pen->SetColor(kFreeShadowFace);
  Line(c, 1, g.Cy + g.D, g.W - 2, g.Cy + g.D);
  pen->SetColor(kOutline);
  Line(c, 0, g.Cy, 0, g.Cy + g.D);
  Line(c, g.W - 1, g.Cy, g.W - 1, g.Cy + g.D);
}

// The edge between the wedges on the front side and the two wedges.
void DrawWedges(TCanvas* c, const PieGeometry& g) {
  c->Pen()->SetColor(kOutline);
  if (g.FrontEdge()) Line(c, g.Bx, g.By, g.Bx, g.By + g.D);
  if (g.Kind != Wedges::AllFree) {
    c->Brush()->SetColor(kUsedFace);
    c->Pie(0, 0, S(g.W), S(g.TopHeight), S(g.Bx), S(g.By), 0, S(g.Cy));
  }
  if (g.Kind != Wedges::AllUsed) {
    c->Brush()->SetColor(kFreeFace);
    c->Pie(0, 0, S(g.W), S(g.TopHeight), 0, S(g.Cy), S(g.Bx), S(g.By));
  }
}

void CopyPixels(TBitmap* dest, const TBitmap* source) {
  dest->SetSize(source->Width(), source->Height());
  const size_t row = size_t(source->Width()) * sizeof(uint32_t);
  for (int y = 0; y < source->Height(); ++y)
    std::memcpy(dest->ScanLine(y), source->ScanLine(y), row);
}

void FillWith(TBitmap* bitmap, int width, int height, TColor color) {
  bitmap->SetSize(width, height);
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(Rect(0, 0, width, height));
}

}  // namespace

TKvPieGraph::TKvPieGraph(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBase(std::make_unique<TBitmap>()),
      FFront(std::make_unique<TBitmap>()),
      FLayer(std::make_unique<TBitmap>()),
      FShading(std::make_unique<TBitmap>()) {
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
  ClearBitmapCanvas();
  DrawPie();
  TKvGraphicImageControl::Paint();
}

// The pie is drawn on a scratch layer in marker colours first, then painted onto the image
// in its own colours. The front side is shaded where a fill from the seeds below the wedges
// reaches between the outlines on that layer, so neither the background nor a colour that
// equals the outline can stop or widen it, and the shading stays on the front side of the
// disc. Where the outlines close, the pixels are those of filling the picture itself.
void TKvPieGraph::DrawPie() {
  TBitmap* image = Image();
  const int w = image->Width(), h = image->Height();
  if (w <= 0 || h <= 0) return;
  const PieGeometry g(Width(), Height(), FDepth, FValue, FMaxValue);
  if (FCachedSize != TSize{w, h} || FCachedDepth != FDepth) {
    FillWith(FBase.get(), w, h, kUntouched);
    DrawBase(FBase->Canvas(), g);
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
  }
  CopyPixels(FLayer.get(), FBase.get());
  DrawWedges(FLayer->Canvas(), g);

  CopyPixels(FShading.get(), FLayer.get());
  TCanvas* m = FShading->Canvas();
  const int64_t halfDepth = g.D / 2;
  const auto flood = [m](int64_t x, int64_t y, TColor marker) {
    m->Brush()->SetColor(marker);
    m->FloodFill(S(x), S(y), kOutline, TFillStyle::fsBorder);
  };
  if (g.FrontEdge()) {
    flood(g.Bx - 1, g.By + halfDepth, kFreeSide);
    flood(g.Bx + 1, g.By + halfDepth, kUsedSide);
  } else {
    flood(g.W / 2, g.H - halfDepth, g.Kind == Wedges::AllUsed ? kUsedSide : kFreeSide);
  }

  const auto px = [](TColor c) { return kv::ColorToPixel(c); };
  const uint32_t untouched = px(kUntouched), outline = px(kOutline);
  const uint32_t freeShadowFace = px(kFreeShadowFace), usedFace = px(kUsedFace);
  const uint32_t freeFace = px(kFreeFace), freeSide = px(kFreeSide), usedSide = px(kUsedSide);
  const uint32_t inkOutline = px(FOutlineColor), inkFreeShadow = px(FFreeShadowColor);
  // A full pie's front is wholly used, the pockets the fill cannot reach included.
  const uint32_t inkSideFace = px(g.Kind == Wedges::AllUsed ? FUsedShadowColor : FFreeShadowColor);
  const uint32_t inkUsedShadow = px(FUsedShadowColor), inkUsed = px(FUsedColor);
  const uint32_t inkFree = px(FFreeColor);
  const TBitmap& front = *FFront;
  const TBitmap& layer = *FLayer;
  const TBitmap& shading = *FShading;
  for (int y = 0; y < h; ++y) {
    const uint32_t* inFront = front.ScanLine(y);
    const uint32_t* drawn = layer.ScanLine(y);
    const uint32_t* shaded = shading.ScanLine(y);
    uint32_t* out = image->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const uint32_t p = drawn[x];
      if (p == untouched && shaded[x] == p) continue;
      if (inFront[x] == untouched && shaded[x] == freeSide) out[x] = inkFreeShadow;
      else if (inFront[x] == untouched && shaded[x] == usedSide) out[x] = inkUsedShadow;
      else if (p == outline) out[x] = inkOutline;
      else if (p == freeShadowFace) out[x] = inkSideFace;
      else if (p == usedFace) out[x] = inkUsed;
      else if (p == freeFace) out[x] = inkFree;
    }
  }
  image->PixelsChanged();
}
