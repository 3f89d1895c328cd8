#include "KvBlinkLed.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <algorithm>

using kv::DrawText, kv::DT_LEFT, kv::DT_SINGLELINE, kv::DT_VCENTER, kv::Point, kv::Rect,
    kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvBlinkLed>();

constexpr TColor kGrey = 8421504;
const QString kColorIndexOutOfRange = QStringLiteral("Out of range! ColorIndex=[1..4]");

}  // namespace

struct TKvCustomBlinkLed::Private {
  TKvStaticLayer CaptionLayer;
  // The cleared image with a round LED's rim and lit half, which a blink leaves alone.
  TKvFaceBase Face;
  // The face lit and dark: a blink copies the other one.
  TKvKeptLooks Looks;
};

TKvCustomBlinkLed::TKvCustomBlinkLed(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FTimer(std::make_unique<TTimer>(nullptr)),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csClickEvents | TControlStyleFlag::csOpaque |
                   TControlStyleFlag::csReplicatable) &
                  ~TControlStyle(TControlStyleFlag::csSetCaption) &
                  ~TControlStyle(TControlStyleFlag::csDoubleClicks));
  SetBounds(0, 0, 50, 20);
  SetColor(clMaroon);
  SetParentColor(false);
  Font()->SetColor(clWhite);
  SetParentFont(false);
  SetTransparent(true);
  const TColor highs[4] = {clRed, clAqua, clYellow, clLime};
  for (int i = 0; i < 4; ++i) {
    FPalettes[i] = std::make_unique<TKvPalette>();
    FPalettes[i]->SetLow(clBlack);
    FPalettes[i]->SetHigh(highs[i]);
    connect(FPalettes[i].get(), &TKvPalette::OnChange, this, [this] { UpdateControl(); });
  }
  FTimer->SetEnabled(false);
  FTimer->SetInterval(uint32_t(FBlinkSpeed));
  kv::ConnectTick(FTimer.get(), this, [this] { BlinkTick(); });
}

TKvCustomBlinkLed::~TKvCustomBlinkLed() {
  FTimer->SetEnabled(false);
  BeginDestruction();
}

void TKvCustomBlinkLed::SetBlinkLedType(TKvBlinkLedType v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FBlinkLedType, v)) Relayout();
}
void TKvCustomBlinkLed::SetLayout(TKvImageTextLayout v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FLayout, v)) Relayout();
}
void TKvCustomBlinkLed::SetMargin(int v) {
  if (SetIfChanged(FMargin, v)) Relayout();
}
void TKvCustomBlinkLed::SetSpacing(int v) {
  if (SetIfChanged(FSpacing, v)) Relayout();
}

void TKvCustomBlinkLed::Relayout() {
  FLayoutValid = false;
  UpdateControl();
}

void TKvCustomBlinkLed::SetEnableBlinking(bool v) {
  FEnableBlinking = v;
  UpdateTimer();
}

void TKvCustomBlinkLed::SetBlinkSpeed(int v) {
  FBlinkSpeed = v;
  // The plain timer's interval is unsigned: a negative speed is kept here and gives no ticks.
  FTimer->SetInterval(uint32_t(std::max(v, 0)));
  UpdateTimer();
}

void TKvCustomBlinkLed::SetColorIndex(int v) {
  // Checked on the full integer, so that no narrowing turns 257 into 1.
  if (v < 1 || v > 4) throw EKvException(kColorIndexOutOfRange);
  if (SetIfChanged(FColorIndex, v)) UpdateControl();
}

void TKvCustomBlinkLed::UpdateTimer() {
  FTimer->SetEnabled(FEnableBlinking && FBlinkSpeed > 0 && !IsDesigning());
}

void TKvCustomBlinkLed::Loaded() {
  TKvGraphicImageControl::Loaded();
  UpdateTimer();
}

void TKvCustomBlinkLed::BlinkTick() {
  FBlinkState = !FBlinkState;
  UpdateControl();
  emit OnChange(this);
}

TColor TKvCustomBlinkLed::CurrentColor() const {
  const TKvPalette* p = FPalettes[FColorIndex - 1].get();
  return FBlinkState ? p->Low() : p->High();
}

void TKvCustomBlinkLed::CalcLayout(TCanvas* c) {
  if (FLayoutValid) return;
  FLayoutValid = true;
  c->SetFont(Font());
  const TPoint text = Caption().isEmpty() ? TPoint(0, 0) : TextSize(c, Caption());
  const int64_t x = int64_t(Width()) - text.X - FMargin - FSpacing;
  const int64_t y = int64_t(Height()) - text.Y - FMargin - FSpacing;
  int64_t w = x, h = y;
  switch (FBlinkLedType) {
    case TKvBlinkLedType::ltRounded: w = h = std::min(x, y); break;
    case TKvBlinkLedType::ltRectangle:
      w = x - x / 3;
      h = y - y / 3;
      break;
    case TKvBlinkLedType::ltLargeRect: break;
  }
  const TPoint size(SaturateToInt(w), SaturateToInt(h));
  TPoint pos;
  CalcImageTextLayout(c, ClientRect(), TPoint(0, 0), Caption(), FLayout, FMargin, FSpacing, size,
                      pos, FCaptionRect);
  const int right = SaturateToInt(int64_t(pos.X) + size.X);
  const int bottom = SaturateToInt(int64_t(pos.Y) + size.Y);
  FLedRect = Rect(std::min(pos.X, right), std::min(pos.Y, bottom), std::max(pos.X, right),
                  std::max(pos.Y, bottom));
}

void TKvCustomBlinkLed::Paint() {
  TCanvas* c = BitmapCanvas();
  CalcLayout(c);
  const TRect& r = FLedRect;
  const TColor color = CurrentColor();
  TKvLayerKey look;
  look << int(FBlinkLedType) << r << color << Caption() << Font() << FCaptionRect;
  d->Looks.Paint(ImageClear(), look, [&] {
    const bool rounded = FBlinkLedType == TKvBlinkLedType::ltRounded;
    TKvLayerKey base;
    base << rounded << r.Left << r.Top << r.Right << r.Bottom;
    kv::ClearWithBase(ImageClear(), d->Face, base, [&] {
      if (!rounded) return;
      c->Pen()->SetWidth(1);
      c->Pen()->SetStyle(TPenStyle::psSolid);
      c->Pen()->SetMode(TPenMode::pmCopy);
      c->Brush()->SetStyle(TBrushStyle::bsSolid);
      c->Pen()->SetColor(clBlack);
      c->Brush()->SetColor(kGrey);
      c->Ellipse(r);
      // The upper-left half lit white: the same ellipse clipped to the triangle over it.
      const TPoint triangle[] = {Point(r.Left, r.Top), Point(r.Left, r.Bottom),
                                 Point(r.Right, r.Top)};
      const TRegion clip = kv::CreatePolygonRgn(triangle, 1);
      c->SelectClipRgn(&clip);
      c->Brush()->SetColor(clWhite);
      c->Ellipse(r);
      c->SelectClipRgn(nullptr);
    });
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(TPenStyle::psSolid);
    c->Pen()->SetMode(TPenMode::pmCopy);
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    if (rounded) {
      c->Pen()->SetColor(color);
      c->Brush()->SetColor(color);
      c->Ellipse(kv::SatAdd(r.Left, 2), kv::SatAdd(r.Top, 2), kv::SatSub(r.Right, 2),
                 kv::SatSub(r.Bottom, 2));
    } else {
      c->Pen()->SetColor(color);
      c->Brush()->SetColor(color);
      c->Rectangle(r);
      TRect frame = r;
      DrawFrame3D(c, frame, clWhite, kGrey, FBlinkLedType == TKvBlinkLedType::ltRectangle ? 1 : 2);
    }
    // The caption only changes with the layout: it is replayed, not drawn again, at a blink.
    TKvLayerKey key;
    key << Caption() << Font() << FCaptionRect.Left << FCaptionRect.Top << FCaptionRect.Right
        << FCaptionRect.Bottom;
    d->CaptionLayer.Draw(Image(), key, [&](TCanvas* canvas) {
      canvas->SetFont(Font());
      canvas->Brush()->SetStyle(TBrushStyle::bsClear);
      TRect caption = FCaptionRect;
      DrawText(canvas, Caption(), caption, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    });
  });
  TKvGraphicImageControl::Paint();
}

void TKvCustomBlinkLed::TextChanged() {
  TKvGraphicImageControl::TextChanged();
  Relayout();
}

void TKvCustomBlinkLed::FontChanged() {
  TKvGraphicImageControl::FontChanged();
  Relayout();
}

void TKvCustomBlinkLed::Resize() {
  FLayoutValid = false;
  TKvGraphicImageControl::Resize();
}

void TKvCustomBlinkLed::CMSysColorChange() {
  TKvGraphicImageControl::CMSysColorChange();
  UpdateControl();
}

// The caption whole and, beside it after the margin and the spacing, a LED of a rim around a
// lit centre: four pixels, of which a rectangular LED keeps three.
QSize TKvCustomBlinkLed::minimumSizeHint() const {
  constexpr int64_t kLeastLed = 4;
  const TPoint text = kv::LeastTextSize(Font(), Caption());
  const int64_t around = int64_t(std::max(FMargin, 0)) + std::max(FSpacing, 0) + kLeastLed;
  return kv::LeastSizeHint(text.X + around, text.Y + around);
}
