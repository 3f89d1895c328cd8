#include "KvBorder.h"

#include "ClassRegistry.h"

using kv::Point;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvBorder>();

constexpr TColor kSpacerFrameColor = 16767182;

// (L, B) -> (L, T) -> (R, T) in TopLeft, then (R, T) -> (R, B) -> (L, B) in BottomRight;
// the end point of each polyline stays undrawn.
void BevelledRect(TCanvas* canvas, int l, int t, int r, int b, TColor topLeft, TColor bottomRight) {
  const TPoint upper[] = {Point(l, b), Point(l, t), Point(r, t)};
  const TPoint lower[] = {Point(r, t), Point(r, b), Point(l, b)};
  canvas->Pen()->SetColor(topLeft);
  canvas->Polyline(upper);
  canvas->Pen()->SetColor(bottomRight);
  canvas->Polyline(lower);
}

void Line(TCanvas* canvas, int x1, int y1, int x2, int y2, TColor color) {
  canvas->Pen()->SetColor(color);
  canvas->MoveTo(x1, y1);
  canvas->LineTo(x2, y2);
}

}  // namespace

TKvBorder::TKvBorder(kv::OwnerOrParent owner) : TKvGraphicControl(owner) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csReplicatable);
  SetBounds(0, 0, 50, 50);
}

void TKvBorder::SetShape(TKvBorderShape v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FShape, v)) Invalidate();
}
void TKvBorder::SetStyle(TKvBorderStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FStyle, v)) Invalidate();
}
void TKvBorder::SetShadowColor(TColor v) {
  if (!SetIfChanged(FShadowColor, v)) return;
  Invalidate();
  Tell(this, &TKvBorder::ShadowColorChanged);
}
void TKvBorder::SetHighlightColor(TColor v) {
  if (!SetIfChanged(FHighlightColor, v)) return;
  Invalidate();
  Tell(this, &TKvBorder::HighlightColorChanged);
}

void TKvBorder::DrawSpacerFrame(TCanvas* canvas) const {
  canvas->Pen()->SetStyle(TPenStyle::psDot);
  canvas->Pen()->SetMode(TPenMode::pmXor);
  canvas->Pen()->SetColor(kSpacerFrameColor);
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  canvas->Rectangle(ClientRect());
}

void TKvBorder::Paint() {
  TCanvas* c = Canvas();
  if (IsDesigning()) {
    c->Pen()->SetStyle(TPenStyle::psSolid);
    c->Pen()->SetMode(TPenMode::pmCopy);
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
  }
  c->Pen()->SetWidth(1);
  const bool raised = FStyle == TKvBorderStyle::bsRaised;
  const TColor c1 = raised ? FHighlightColor : FShadowColor;
  const TColor c2 = raised ? FShadowColor : FHighlightColor;
  const int w = Width(), h = Height();
  switch (FShape) {
    case TKvBorderShape::bsBox: BevelledRect(c, 0, 0, w - 1, h - 1, c1, c2); break;
    case TKvBorderShape::bsFrame:
      BevelledRect(c, 1, 1, w - 1, h - 1, c2, c2);
      BevelledRect(c, 0, 0, w - 2, h - 2, c1, c1);
      break;
    case TKvBorderShape::bsTopLine:
      Line(c, 0, 0, w, 0, c1);
      Line(c, 0, 1, w, 1, c2);
      break;
    case TKvBorderShape::bsBottomLine:
      Line(c, 0, h - 2, w, h - 2, c1);
      Line(c, 0, h - 1, w, h - 1, c2);
      break;
    case TKvBorderShape::bsLeftLine:
      Line(c, 0, 0, 0, h, c1);
      Line(c, 1, 0, 1, h, c2);
      break;
    case TKvBorderShape::bsRightLine:
      Line(c, w - 2, 0, w - 2, h, c1);
      Line(c, w - 1, 0, w - 1, h, c2);
      break;
    case TKvBorderShape::bsSpacer:
      if (IsDesigning()) DrawSpacerFrame(c);
      break;
  }
}

// Room for the two lines of each side the shape draws, apart.
QSize TKvBorder::minimumSizeHint() const {
  switch (FShape) {
    case TKvBorderShape::bsBox: return {2, 2};
    case TKvBorderShape::bsFrame: return {4, 4};
    case TKvBorderShape::bsTopLine:
    case TKvBorderShape::bsBottomLine: return {1, 2};
    case TKvBorderShape::bsLeftLine:
    case TKvBorderShape::bsRightLine: return {2, 1};
    default: return {1, 1};
  }
}
