#include "KvLabel.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLabelsInternal.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"

#include <cmath>
#include <numbers>

using kv::Trunc;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvLabel>();

// The text keeps this distance from the client edges it is aligned to.
constexpr int kInset = 2;

struct Turn {
  double Cos = 1;
  double Sin = 0;
};

Turn TurnOf(int degrees) {
  const double radians = degrees * std::numbers::pi / 180;
  return {std::cos(radians), std::sin(radians)};
}

int64_t TruncTo64(double v) { return Trunc(v); }

}  // namespace

namespace kv {

TPoint TurnedTextExtent(int Angle, TPoint Text) {
  const Turn t = TurnOf(Angle);
  const double c = std::abs(t.Cos), s = std::abs(t.Sin);
  return TPoint(Trunc(c * Text.X + s * Text.Y), Trunc(s * Text.X + c * Text.Y));
}

TPoint LabelTextOrigin(int Angle, TPoint Text, TPoint Client, TAlignment Alignment,
                       TTextLayout Layout) {
  const Turn t = TurnOf(Angle);
  const double c = std::abs(t.Cos), s = std::abs(t.Sin);
  const double w = Text.X, h = Text.Y;
  // Between 90 and 270 degrees the text runs leftwards from the origin, above 180 its
  // cell hangs to the left of it, below 180 the text rises above it, and between 90 and
  // 270 the cell lies above it: those parts of the turned box are moved back inside.
  const bool leftwards = Angle > 90 && Angle < 270;
  const int64_t shiftX = (leftwards ? TruncTo64(c * w) : 0) + (Angle > 180 ? TruncTo64(s * h) : 0);
  const int64_t shiftY = (Angle < 180 ? TruncTo64(s * w) : 0) + (leftwards ? TruncTo64(c * h) : 0);

  const int64_t left = kInset + shiftX;
  int64_t x = left;
  if (Alignment == TAlignment::taRightJustify)
    x = Client.X - (TruncTo64(c * w + s * h) + kInset) + shiftX;
  else if (Alignment == TAlignment::taCenter)
    x = TruncTo64(Client.X / 2.0 - t.Cos * w / 2 - t.Sin * h / 2);
  x = std::max(x, left);

  int64_t y = kInset + shiftY;
  if (Layout == TTextLayout::tlCenter)
    y = TruncTo64(Client.Y / 2.0 - t.Cos * h / 2 + t.Sin * w / 2);
  else if (Layout == TTextLayout::tlBottom)
    y = Client.Y - (TruncTo64(c * h + s * w) + kInset) + shiftY;
  return TPoint(SaturateToInt(x), SaturateToInt(y));
}

}  // namespace kv

// ---------------------------------------------------------------------------

struct TKvLabel::Private {
  // The whole face: it changes only with what the label shows.
  TKvFaceBase Face;
};

TKvLabel::TKvLabel(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBitmap(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csSetCaption | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 100, 25);
  SetColor(clBtnFace);
  Font()->SetName(QStringLiteral("Arial"));
  Font()->SetSize(14);
  QObject::connect(FBitmap.get(), &TBitmap::OnChange, this, [this] { UpdateControl(); });
}

TKvLabel::~TKvLabel() = default;

void TKvLabel::SetAlignment(TAlignment v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FAlignment, v)) UpdateControl();
}

void TKvLabel::SetColorHighlight(TColor v) {
  SetFollowed(this, FColorHighlight, v, &TKvLabel::ColorHighlightChanged);
}

void TKvLabel::SetColorShadow(TColor v) {
  SetFollowed(this, FColorShadow, v, &TKvLabel::ColorShadowChanged);
}

void TKvLabel::SetStyle(TKvLabelStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FStyle, v)) UpdateControl();
}

void TKvLabel::SetLayout(TTextLayout v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FLayout, v)) UpdateControl();
}

void TKvLabel::SetShadowDepth(int v) {
  if (SetIfChanged(FShadowDepth, v)) UpdateControl();
}

void TKvLabel::SetAngle(int v) {
  if (TKvTextAngle::Contains(v) && SetIfChanged(FAngle, v)) AdjustAutoBounds();
}

TPoint TKvLabel::MeasureCaption() {
  TCanvas* canvas = BitmapCanvas();
  canvas->SetFont(Font());
  return TextSize(canvas, Caption());
}

bool TKvLabel::CanAutoSize(int& newWidth, int& newHeight) {
  const TPoint box = kv::TurnedTextExtent(FAngle, MeasureCaption());
  const TAlign align = Align();
  if (align == TAlign::alNone || align == TAlign::alLeft || align == TAlign::alRight)
    newWidth = kv::SatAdd(box.X, 4);
  if (align == TAlign::alNone || align == TAlign::alTop || align == TAlign::alBottom)
    newHeight = kv::SatAdd(box.Y, 4);
  return true;
}

void TKvLabel::Loaded() {
  TKvGraphicImageControl::Loaded();
  AdjustAutoBounds();
}

void TKvLabel::FontChanged() {
  AdjustAutoBounds();
  TKvGraphicImageControl::FontChanged();
}

void TKvLabel::TextChanged() {
  AdjustAutoBounds();
  TKvGraphicImageControl::TextChanged();
}

void TKvLabel::Paint() {
  // Only the colours the style draws with count.
  TKvLayerKey key;
  key << Caption() << Font() << FAngle << int(FAlignment) << int(FLayout) << int(FStyle)
      << FBitmap.get();
  if (FStyle == TKvLabelStyle::lsRaised || FStyle == TKvLabelStyle::lsLowered)
    key << FColorHighlight << FColorShadow;
  else if (FStyle == TKvLabelStyle::lsShadow) key << FColorShadow << FShadowDepth;
  kv::ClearWithBase(ImageClear(), d->Face, key, [&] {
    TCanvas* canvas = BitmapCanvas();
    const TPoint text = MeasureCaption();
    SetFontAngle(canvas, FAngle);
    const TPoint origin = kv::LabelTextOrigin(FAngle, text, TPoint(ClientWidth(), ClientHeight()),
                                              FAlignment, FLayout);
    DrawStyledText(canvas, origin);
    if (!FBitmap->Empty())
      DrawTexturedText(canvas, ClientRect(), origin.X, origin.Y, FAngle, FBitmap.get(), Caption());
  });
  TKvGraphicImageControl::Paint();
}

void TKvLabel::DrawStyledText(TCanvas* canvas, TPoint origin) {
  const QString& text = Caption();
  switch (FStyle) {
    case TKvLabelStyle::lsNone:
      // A solid brush keeps the colour the image was cleared with.
      canvas->Brush()->SetStyle(Transparent() ? TBrushStyle::bsClear : TBrushStyle::bsSolid);
      canvas->TextOut(origin.X, origin.Y, text);
      break;
    case TKvLabelStyle::lsRaised:
      DrawEmbossedText(canvas, origin.X, origin.Y, text, FColorHighlight, FColorShadow);
      break;
    case TKvLabelStyle::lsLowered:
      DrawEmbossedText(canvas, origin.X, origin.Y, text, FColorShadow, FColorHighlight);
      break;
    case TKvLabelStyle::lsShadow:
      DrawShadowText(canvas, origin.X, origin.Y, text, FColorShadow, FShadowDepth, FShadowDepth);
      break;
  }
}

// The caption whole, turned as it is drawn, with the inset its auto-size rule keeps.
QSize TKvLabel::minimumSizeHint() const {
  const TPoint box = kv::TurnedTextExtent(FAngle, kv::LeastTextSize(Font(), Caption()));
  return kv::LeastSizeHint(box.X, box.Y, 2);
}
