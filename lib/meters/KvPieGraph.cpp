#include "KvPieGraph.h"
#include "KvSysUtilsInternal.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvPieGraphCache.h"

#include <QPointer>

#include <algorithm>

using kv::PieGeometry, kv::PieInks, kv::Rect, kv::Wedges;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvPieGraph>();

int S(int64_t v) { return kv::SaturateToInt(v); }

void Line(TCanvas* c, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  c->MoveTo(S(x1), S(y1));
  c->LineTo(S(x2), S(y2));
}

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
void DrawBase(TCanvas* c, const PieGeometry& g, const PieInks& ink) {
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
void DrawWedges(TCanvas* c, const PieGeometry& g, const PieInks& ink) {
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

// The top face whole in the used ink, without a boundary: what the wedges make together.
void DrawTopFace(TCanvas* c, const PieGeometry& g, const PieInks& ink) {
  UseSolidTools(c, ink.Outline);
  c->Brush()->SetColor(ink.Used);
  c->Ellipse(0, 0, S(g.W), S(g.TopHeight));
}

}  // namespace

struct TKvPieGraph::Private {
  // The cleared image with the parts that do not depend on the value.
  TKvFaceBase FaceBase;
  // The pie's layers and, for a pie whose value moves, its angle map.
  TKvPieFaces Faces{DrawBase, DrawWedges, DrawTopFace};
};

TKvPieGraph::TKvPieGraph(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner), d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 135, 75);
  SetColor(clBtnFace);
  SetParentColor(false);
}

TKvPieGraph::~TKvPieGraph() = default;

void TKvPieGraph::SetMaxValue(int v) {
  if (v <= 0 || !SetIfChanged(FMaxValue, v)) return;
  UpdateControl();
  emit MaxValueChanged(FMaxValue);
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
    UpdateControlRect(d->Faces.ChangedBetween(before, after, Image()->DeviceScale()));
  } else {
    UpdateControl();
  }
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit ValueChanged(FValue); });
}

void TKvPieGraph::SetDepth(int v) {
  if (v >= 0 && SetIfChanged(FDepth, v)) UpdateControl();
}

void TKvPieGraph::SetUsedColor(TColor v) {
  SetFollowed(this, FUsedColor, v, &TKvPieGraph::UsedColorChanged);
}
void TKvPieGraph::SetUsedShadowColor(TColor v) {
  SetFollowed(this, FUsedShadowColor, v, &TKvPieGraph::UsedShadowColorChanged);
}
void TKvPieGraph::SetFreeColor(TColor v) {
  SetFollowed(this, FFreeColor, v, &TKvPieGraph::FreeColorChanged);
}
void TKvPieGraph::SetFreeShadowColor(TColor v) {
  SetFollowed(this, FFreeShadowColor, v, &TKvPieGraph::FreeShadowColorChanged);
}
void TKvPieGraph::SetOutlineColor(TColor v) {
  SetFollowed(this, FOutlineColor, v, &TKvPieGraph::OutlineColorChanged);
}

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
  kv::ClearWithBase(ImageClear(), d->FaceBase, key, [&] {
    if (Width() > 0 && Height() > 0) DrawBase(BitmapCanvas(), g, {FOutlineColor, sideFace, {}, {}});
  });
  TBitmap* image = Image();
  TRect part;
  if (image->Width() > 0 && image->Height() > 0 &&
      kv::IntersectRect(part, PaintRect(), Rect(0, 0, image->Width(), image->Height()))) {
    d->Faces.Paint(
        image, g, part,
        kv::PixelsOf(FUsedColor, FFreeColor, FOutlineColor, FUsedShadowColor, FFreeShadowColor),
        {FOutlineColor, sideFace, FUsedColor, FFreeColor}, d->FaceBase);
    image->PixelsChanged();
  }
  TKvGraphicImageControl::Paint();
}

// A top face of three pixels each way (in less the canvas draws the whole ellipse, no
// wedge) above the disc's depth.
QSize TKvPieGraph::minimumSizeHint() const {
  return kv::LeastSizeHint(3, 3 + int64_t(std::max(FDepth, 0)));
}
