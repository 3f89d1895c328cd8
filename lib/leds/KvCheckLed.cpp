#include "KvCheckLed.h"
#include "KvSysUtilsInternal.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"
#include "SysUtils.h"

#include <QPointer>

#include <vector>

using kv::InflateRect, kv::IsAccel, kv::Point, kv::PtInRect, kv::Rect, kv::SatAdd, kv::SatSub;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvCheckLed>();

}  // namespace

struct TKvCheckLed::Private {
  TKvStaticLayer CaptionLayer;
  // The cleared image with the box's three inner rings, which a toggle leaves alone.
  TKvFaceBase Face;
  // The face checked, unchecked and hovered: a toggle copies the other one.
  TKvKeptLooks Looks;
};

TKvCheckLed::TKvCheckLed(kv::OwnerOrParent owner)
    : TKvCustomImageControl(owner),
      FPalette(std::make_unique<TKvPalette>()),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csCaptureMouse |
                   TControlStyleFlag::csClickEvents | TControlStyleFlag::csSetCaption |
                   TControlStyleFlag::csOpaque | TControlStyleFlag::csReplicatable) &
                  ~TControlStyle(TControlStyleFlag::csDoubleClicks));
  SetBounds(0, 0, 125, 25);
  SetColor(clBtnFace);
  SetParentColor(false);
  SetTabStop(false);
  connect(FPalette.get(), &TKvPalette::OnChange, this, [this] { UpdateControl(); });
}

TKvCheckLed::~TKvCheckLed() { BeginDestruction(); }

void TKvCheckLed::SetCheckWidth(int v) {
  if (TKvCheckInt::Contains(v) && SetIfChanged(FCheckWidth, v)) Relayout();
}
void TKvCheckLed::SetCheckHeight(int v) {
  if (TKvCheckInt::Contains(v) && SetIfChanged(FCheckHeight, v)) Relayout();
}
void TKvCheckLed::SetLayout(TKvImageTextLayout v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FLayout, v)) Relayout();
}
void TKvCheckLed::SetMargin(int v) {
  if (SetIfChanged(FMargin, v)) Relayout();
}
void TKvCheckLed::SetSpacing(int v) {
  if (SetIfChanged(FSpacing, v)) Relayout();
}
void TKvCheckLed::SetCheckStyle(TKvCheckLedStyle v) {
  if (kv::IsEnumValue(v)) FCheckStyle = v;
}

void TKvCheckLed::SetChecked(bool v) {
  if (!SetIfChanged(FChecked, v)) return;
  QPointer<TKvCheckLed> self(this);
  UpdateControl();
  if (!self) return;
  if (v && FCheckStyle == TKvCheckLedStyle::csRadioButton && Parent()) {
    // A sibling's OnChange may free or move other siblings: walk a snapshot and skip the
    // ones that are gone or no longer beside this LED.
    TWinControl* parent = Parent();
    std::vector<QPointer<TKvCheckLed>> siblings;
    for (int i = 0; i < parent->ControlCount(); ++i)
      if (auto* led = dynamic_cast<TKvCheckLed*>(parent->Controls(i)); led && led != this)
        siblings.emplace_back(led);
    for (const QPointer<TKvCheckLed>& led : siblings) {
      if (!led || led->Parent() != parent || led->FCheckStyle != TKvCheckLedStyle::csRadioButton)
        continue;
      led->SetChecked(false);
      if (!self) return;
    }
  }
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit CheckedChanged(FChecked); });
}

void TKvCheckLed::Relayout() {
  FLayoutValid = false;
  UpdateControl();
}

void TKvCheckLed::CalcLayout() {
  if (FLayoutValid) return;
  TCanvas* c = BitmapCanvas();
  c->SetFont(Font());
  TPoint box;
  CalcImageTextLayout(c, ClientRect(), TPoint(1, 1), Caption(), FLayout, FMargin, FSpacing,
                      TPoint(FCheckWidth, FCheckHeight), box, FTextRect);
  FCheckRect = Rect(box.X, box.Y, kv::SatAdd(box.X, FCheckWidth), kv::SatAdd(box.Y, FCheckHeight));
  FLayoutValid = true;
}

TRect TKvCheckLed::CheckRect() {
  CalcLayout();
  return FCheckRect;
}

TRect TKvCheckLed::TextRect() {
  CalcLayout();
  return FTextRect;
}

void TKvCheckLed::ClearWithInnerRings() {
  // The rings are disjoint: the inner three need not wait for the outer one.
  TKvLayerKey key;
  key << Width() << Height() << Color() << FCheckRect.Left << FCheckRect.Top << FCheckRect.Right
      << FCheckRect.Bottom << clBtnHighlight << clBtnShadow << clBtnFace;
  kv::ClearWithBase(ImageClear(), d->Face, key, [this] {
    TCanvas* c = BitmapCanvas();
    TRect r = Rect(SatAdd(FCheckRect.Left, 1), SatAdd(FCheckRect.Top, 1),
                   SatSub(FCheckRect.Right, 1), SatSub(FCheckRect.Bottom, 1));
    DrawFrame3D(c, r, clBtnHighlight, clBtnShadow, 1);
    DrawFrame3D(c, r, clBtnFace, clBtnFace, 1);
    DrawFrame3D(c, r, clBlack, clBtnHighlight, 1);
    FCheckInside = r;
  });
}

void TKvCheckLed::DrawCheck(TCanvas* c) {
  TRect r = FCheckRect;
  if (FChecked) DrawFrame3D(c, r, clBlack, clBtnHighlight, 1);
  else DrawFrame3D(c, r, clBtnHighlight, clBlack, 1);
  r = FCheckInside;
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  if (FChecked) {
    c->Brush()->SetColor(FPalette->High());
    c->FillRect(r);
  } else if (!FHover) {
    c->Brush()->SetColor(FPalette->Low());
    c->FillRect(r);
  } else {
    // The pattern lives for this fill only.
    const std::unique_ptr<TBitmap> pattern = CreatePatternBitmap(FPalette->Low(), FPalette->High());
    c->Brush()->SetBitmap(pattern.get());
    c->FillRect(r);
    c->Brush()->SetBitmap(nullptr);
  }
}

void TKvCheckLed::Paint() {
  CalcLayout();
  TKvLayerKey look;
  look << Width() << Height() << Color() << FCheckRect << FTextRect << FChecked << FHover
       << FPalette->Low() << FPalette->High() << Caption() << Font() << Enabled() << clBlack
       << clBtnHighlight << clBtnShadow << clBtnFace;
  d->Looks.Paint(ImageClear(), look, [this] {
    ClearWithInnerRings();
    DrawCheck(BitmapCanvas());
    // The caption stays while the box changes: replayed, not drawn again, at a toggle.
    TKvLayerKey key;
    key << Caption() << Font() << Enabled() << clBtnHighlight << clBtnShadow << FTextRect.Left
        << FTextRect.Top << FTextRect.Right << FTextRect.Bottom;
    d->CaptionLayer.Draw(Image(), key, [&](TCanvas* canvas) {
      canvas->SetFont(Font());
      canvas->Brush()->SetStyle(TBrushStyle::bsClear);
      DrawCaption(canvas, Caption(), FTextRect, Enabled());
    });
  });
  TKvCustomImageControl::Paint();
  if (FFocused && Focused()) {
    TRect focus = FTextRect;
    InflateRect(focus, 2, 2);
    Canvas()->Brush()->SetStyle(TBrushStyle::bsSolid);
    Canvas()->DrawFocusRect(focus);
  }
}

void TKvCheckLed::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TKvCheckLed> self(this);
  TKvCustomImageControl::MouseDown(button, shift, x, y);
  if (!self) return;
  if (button == TMouseButton::mbLeft && Enabled() && PtInRect(CheckRect(), Point(x, y))) {
    FPressing = true;
    FSavedChecked = FChecked;
    FChecked = !FChecked;
    UpdateControl();
    if (!self) return;
  }
  if (TabStop() && CanFocus()) SetFocus();
}

void TKvCheckLed::MouseMove(TShiftState shift, int x, int y) {
  QPointer<TKvCheckLed> self(this);
  TKvCustomImageControl::MouseMove(shift, x, y);
  if (self && SetIfChanged(FHover, PtInRect(CheckRect(), Point(x, y)))) UpdateControl();
}

void TKvCheckLed::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TKvCheckLed> self(this);
  TKvCustomImageControl::MouseUp(button, shift, x, y);
  if (!self || !FPressing || button != TMouseButton::mbLeft) return;
  FPressing = false;
  // The press showed the inverted state without storing it for good: put the saved state
  // back and check through the setter, so that the repaint, the radio siblings and OnChange
  // all happen once.
  FChecked = FSavedChecked;
  if (PtInRect(CheckRect(), Point(x, y))) SetChecked(!FSavedChecked);
  else UpdateControl();
}

void TKvCheckLed::CancelPress() {
  if (!FPressing) return;
  FPressing = false;
  FChecked = FSavedChecked;
  UpdateControl();
}

void TKvCheckLed::CMCancelMode() {
  TKvCustomImageControl::CMCancelMode();
  CancelPress();
}

void TKvCheckLed::CMEnabledChanged() {
  TKvCustomImageControl::CMEnabledChanged();
  CancelPress();
  UpdateControl();
}

void TKvCheckLed::CMFocusChanged(TWinControl* newFocused) {
  if (SetIfChanged(FFocused, newFocused == this)) UpdateControl();
  TKvCustomImageControl::CMFocusChanged(newFocused);
}

void TKvCheckLed::MouseLeave() {
  TKvCustomImageControl::MouseLeave();
  FHover = false;
  UpdateControl();
}

void TKvCheckLed::KeyPress(QChar& key) {
  if (key == QLatin1Char(' ')) {
    // The space bar flips the look and the stored state only: no OnChange, no radio.
    FChecked = !FChecked;
    QPointer<TKvCheckLed> self(this);
    UpdateControl();
    if (!self) return;
  }
  TKvCustomImageControl::KeyPress(key);
}

bool TKvCheckLed::CMDialogChar(QChar ch) {
  if (!Enabled() || !IsAccel(ch, Caption()) || !CanFocus()) return false;
  QPointer<TKvCheckLed> self(this);
  if (TabStop()) SetFocus();
  if (self) SetChecked(!FChecked);
  return true;
}

void TKvCheckLed::FontChanged() {
  TKvCustomImageControl::FontChanged();
  Relayout();
}

void TKvCheckLed::TextChanged() {
  TKvCustomImageControl::TextChanged();
  Relayout();
}

void TKvCheckLed::Resize() {
  FLayoutValid = false;
  TKvCustomImageControl::Resize();
}

// The check box and the caption as they are laid out, a pixel in from the corner.
QSize TKvCheckLed::minimumSizeHint() const {
  const TPoint face = kv::LeastImageTextSize(Font(), Caption(), FLayout, FMargin, FSpacing,
                                             TPoint(FCheckWidth, FCheckHeight));
  return kv::LeastSizeHint(int64_t(face.X) + 1, int64_t(face.Y) + 1);
}
