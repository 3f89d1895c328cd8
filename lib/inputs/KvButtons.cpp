#include "KvButtons.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvInputsInternal.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"
#include "SysUtils.h"

#include <QPointer>

using kv::DT_BOTTOM, kv::DT_CENTER, kv::DT_LEFT, kv::DT_RIGHT, kv::DT_SINGLELINE, kv::DT_TOP,
    kv::DT_VCENTER, kv::DrawText, kv::InflateRect, kv::IsAccel, kv::OffsetRect, kv::Point,
    kv::PtInRect, kv::VK_SPACE;

namespace {

[[maybe_unused]] const bool kRegistered =
    kv::RegisterClasses<TKvShadowButton, TKvDemoButton, TKvPowerButton>();

// The DrawText placement of each text alignment, in the enumeration's order.
constexpr unsigned kAlignmentFlags[] = {
    DT_LEFT | DT_VCENTER, DT_CENTER | DT_VCENTER, DT_RIGHT | DT_VCENTER,
    DT_LEFT | DT_TOP,     DT_CENTER | DT_TOP,     DT_RIGHT | DT_TOP,
    DT_LEFT | DT_BOTTOM,  DT_CENTER | DT_BOTTOM,  DT_RIGHT | DT_BOTTOM,
};

// One line placed by Alignment; "&" marks the accelerator.
void DrawCaptionLine(TCanvas* canvas, const QString& caption, const TRect& r,
                     TKvTextAlignment alignment) {
  TRect box = r;
  DrawText(canvas, caption, box, DT_SINGLELINE | kAlignmentFlags[int(alignment)]);
}

// Opaque, and a double click arrives as a second press.
TControlStyle PushButtonStyle(TControlStyle style) {
  return (style | TControlStyleFlag::csOpaque) & ~TControlStyle(TControlStyleFlag::csDoubleClicks);
}

// The accelerator of an enabled button clicks it.
bool ClickOnAccelerator(TControl& button, QChar ch) {
  if (!button.Enabled() || !IsAccel(ch, button.Caption())) return false;
  button.TControl::Click();
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------

TKvShadowBrush::TKvShadowBrush() { SetColor(clBlack); }

TKvShadowPen::TKvShadowPen() { SetColor(clLime); }

// ---------------------------------------------------------------------------
// Shadow button

namespace {

// The unit step from the face towards its shadow.
TPoint ShadowStep(TKvShadowDirection d) {
  switch (d) {
    case TKvShadowDirection::sdTopLeft: return {-1, -1};
    case TKvShadowDirection::sdTopRight: return {1, -1};
    case TKvShadowDirection::sdBottomLeft: return {-1, 1};
    case TKvShadowDirection::sdBottomRight: break;
  }
  return {1, 1};
}

// Moves R Distance pixels along Step (saturating: Distance may be any integer).
void MoveAlong(TRect& r, TPoint step, int64_t distance) {
  OffsetRect(r, kv::SaturateToInt(step.X * distance), kv::SaturateToInt(step.Y * distance));
}

// The two sides of R that face the shadow move in by Depth.
void CutTowardsShadow(TRect& r, TPoint step, int depth) {
  if (step.X < 0) r.Left = kv::SatAdd(r.Left, depth);
  else r.Right = kv::SatSub(r.Right, depth);
  if (step.Y < 0) r.Top = kv::SatAdd(r.Top, depth);
  else r.Bottom = kv::SatSub(r.Bottom, depth);
}

}  // namespace

struct TKvShadowButton::Private {
  kv::ButtonPress Press;
  // The caption rectangle of the last paint: where a press hits. Empty before the first.
  TRect HitRect;
  // The face with its caption, drawn over the shadow: it stays while only the shadow changes.
  TKvStaticLayer FaceLayer;
  kv::TwoToneShape ShadowShape;
};

TKvShadowButton::TKvShadowButton(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBrush(std::make_unique<TKvShadowBrush>()),
      FPen(std::make_unique<TKvShadowPen>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(PushButtonStyle(ControlStyle()));
  SetBounds(0, 0, 110, 30);
  Font()->SetColor(clWhite);
  SetParentColor(true);
  SetParentFont(false);
  connect(FBrush.get(), &TBrush::OnChange, this, [this] { UpdateControl(); });
  connect(FPen.get(), &TPen::OnChange, this, [this] { UpdateControl(); });
  AcceptFocus();
}

TKvShadowButton::~TKvShadowButton() { BeginDestruction(); }

void TKvShadowButton::SetDepth(int v) {
  if (v > 2 && SetIfChanged(FDepth, v)) UpdateControl();
}
void TKvShadowButton::SetShadowColor(TColor v) {
  SetFollowed(this, FShadowColor, v, &TKvShadowButton::ShadowColorChanged);
}
void TKvShadowButton::SetShadowOutline(TColor v) {
  SetFollowed(this, FShadowOutline, v, &TKvShadowButton::ShadowOutlineChanged);
}
void TKvShadowButton::SetStyle(TKvShadowButtonStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FStyle, v)) UpdateControl();
}
void TKvShadowButton::SetDirection(TKvShadowDirection v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FDirection, v)) UpdateControl();
}
void TKvShadowButton::SetTextAlign(TKvTextAlignment v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FTextAlign, v)) UpdateControl();
}
void TKvShadowButton::SetDisabledTextColor(TColor v) {
  SetFollowed(this, FDisabledTextColor, v, &TKvShadowButton::DisabledTextColorChanged);
}

void TKvShadowButton::DrawFace(TCanvas* canvas, const TRect& r) const {
  const int shape = FStyle == TKvShadowButtonStyle::ssRectangle ? 0 : 2;
  DrawShape(canvas, shape, r.Left, r.Top, kv::SatSub(r.Right, r.Left), kv::SatSub(r.Bottom, r.Top));
}

void TKvShadowButton::Paint() {
  ClearBitmapCanvas();
  TCanvas* c = BitmapCanvas();
  const int penWidth = FPen->Width();
  const TPoint step = ShadowStep(FDirection);
  TRect face = ClientRect();
  InflateRect(face, -penWidth, -penWidth);
  CutTowardsShadow(face, step, FDepth);

  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(FShadowOutline);
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(FShadowColor);
  TRect shadow = face;
  MoveAlong(shadow, step, FDepth);
  // Pressed, face and shadow meet halfway: the face slides towards the shadow, the shadow
  // back towards the face.
  if (d->Press.Pressed()) {
    MoveAlong(shadow, step, -int64_t(FDepthAdjust));
    MoveAlong(face, step, FDepthAdjust);
  }
  TKvLayerKey shadowKey;
  shadowKey << shadow.Left << shadow.Top << shadow.Right << shadow.Bottom << int(FStyle);
  d->ShadowShape.Paint(
      Image(), shadowKey,
      [&](TCanvas* canvas) {
        canvas->Pen()->SetWidth(1);
        canvas->Pen()->SetMode(TPenMode::pmCopy);
        canvas->Pen()->SetStyle(TPenStyle::psSolid);
        canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
        DrawFace(canvas, shadow);
      },
      FShadowOutline, FShadowColor);

  TRect caption = face;
  InflateRect(caption, -penWidth, -penWidth);
  const auto drawFace = [&](TCanvas* canvas) {
    canvas->SetBrush(FBrush.get());
    canvas->SetPen(FPen.get());
    canvas->SetFont(Font());
    if (!Enabled()) canvas->Font()->SetColor(FDisabledTextColor);
    DrawFace(canvas, face);
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    DrawCaptionLine(canvas, Caption(), caption, FTextAlign);
  };
  // A pen that mixes with what lies under it cannot be recorded apart from the shadow.
  if (FPen->Mode() == TPenMode::pmCopy) {
    TKvLayerKey key;
    key << face.Left << face.Top << face.Right << face.Bottom << int(FStyle) << FPen->Color()
        << FPen->Width() << int(FPen->Style()) << FBrush->Color() << int(FBrush->Style())
        << Caption() << Font() << Enabled() << FDisabledTextColor << int(FTextAlign);
    if (const TBitmap* pattern = FBrush->Bitmap()) key << pattern;
    d->FaceLayer.Draw(Image(), key, drawFace);
  } else {
    drawFace(c);
  }
  d->HitRect = caption;
  TKvGraphicImageControl::Paint();
}

void TKvShadowButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TKvShadowButton> self(this);
  TKvGraphicImageControl::MouseDown(button, shift, x, y);
  if (!self || button != TMouseButton::mbLeft || !PtInRect(d->HitRect, Point(x, y))) return;
  d->Press.Begin();
  SetMouseCapture(true);
  UpdateControl();
}

void TKvShadowButton::MouseMove(TShiftState shift, int x, int y) {
  QPointer<TKvShadowButton> self(this);
  TKvGraphicImageControl::MouseMove(shift, x, y);
  // The hit rectangle is re-stored at each paint, so it follows the face as it slides.
  if (self && d->Press.Follow(PtInRect(d->HitRect, Point(x, y)))) UpdateControl();
}

void TKvShadowButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && !ReleasePress(*this, d->Press)) return;
  TKvGraphicImageControl::MouseUp(button, shift, x, y);
}

bool TKvShadowButton::KeyPressed(uint16_t key, TShiftState shift) {
  if (key != VK_SPACE) return TKvGraphicImageControl::KeyPressed(key, shift);
  if (!d->Press.Pressed()) {
    d->Press.Begin();
    UpdateControl();
  }
  return true;
}

bool TKvShadowButton::KeyReleased(uint16_t key, TShiftState shift) {
  if (key != VK_SPACE) return TKvGraphicImageControl::KeyReleased(key, shift);
  ReleasePress(*this, d->Press);
  return true;
}

void TKvShadowButton::focusOutEvent(QFocusEvent* e) {
  TKvGraphicImageControl::focusOutEvent(e);
  CMCancelMode();
}

bool TKvShadowButton::CMDialogChar(QChar ch) { return ClickOnAccelerator(*this, ch); }

void TKvShadowButton::CMCancelMode() {
  if (d->Press.End()) UpdateControl();
}

void TKvShadowButton::CMEnabledChanged() {
  // Disabling takes the capture away, which ends a press without a click.
  TKvGraphicImageControl::CMEnabledChanged();
  UpdateControl();
}

void TKvShadowButton::FontChanged() {
  TKvGraphicImageControl::FontChanged();
  BitmapCanvas()->SetFont(Font());
  UpdateControl();
}

void TKvShadowButton::TextChanged() {
  TKvGraphicImageControl::TextChanged();
  UpdateControl();
}

// ---------------------------------------------------------------------------
// Demo button

namespace {

void SetArialBold12(TFont* font, TColor color) {
  font->SetName(QStringLiteral("Arial"));
  font->SetSize(12);
  font->SetColor(color);
  font->SetStyle(TFontStyle::fsBold);
}

}  // namespace

struct TKvDemoButton::Private {
  kv::ButtonPress Press;
  TKvStaticLayer CaptionLayer;
};

TKvDemoButton::TKvDemoButton(kv::OwnerOrParent owner)
    : TKvCustomImageControl(owner),
      FFontEnter(std::make_unique<TFont>()),
      FFontLeave(std::make_unique<TFont>()),
      FBitmap(std::make_unique<TBitmap>()),
      FFont3D(std::make_unique<TKvFont3D>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(PushButtonStyle(ControlStyle()));
  SetBounds(0, 0, 150, 25);
  SetColor(clBtnFace);
  SetTabStop(false);
  SetArialBold12(FFontEnter.get(), clRed);
  SetArialBold12(FFontLeave.get(), clBlack);
  const auto repaint = [this] { UpdateControl(); };
  connect(FFontEnter.get(), &TFont::OnChange, this, repaint);
  connect(FFontLeave.get(), &TFont::OnChange, this, repaint);
  connect(FBitmap.get(), &TBitmap::OnChange, this, repaint);
  connect(FFont3D.get(), &TKvFont3D::OnChange, this, repaint);
}

TKvDemoButton::~TKvDemoButton() { BeginDestruction(); }

void TKvDemoButton::SetOutlineColor(TColor v) {
  SetFollowed(this, FOutlineColor, v, &TKvDemoButton::OutlineColorChanged);
}
void TKvDemoButton::SetShadowColor(TColor v) {
  SetFollowed(this, FShadowColor, v, &TKvDemoButton::ShadowColorChanged);
}
void TKvDemoButton::SetHighlightColor(TColor v) {
  SetFollowed(this, FHighlightColor, v, &TKvDemoButton::HighlightColorChanged);
}
void TKvDemoButton::SetBevelWidth(int v) {
  if (TKvByteInt::Contains(v) && SetIfChanged(FBevelWidth, v)) UpdateControl();
}
void TKvDemoButton::SetOutlineWidth(int v) {
  if (SetIfChanged(FOutlineWidth, v)) UpdateControl();
}
void TKvDemoButton::SetTextAlignment(TKvTextAlignment v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FTextAlignment, v)) UpdateControl();
}
void TKvDemoButton::SetDisabledTextColor(TColor v) {
  SetFollowed(this, FDisabledTextColor, v, &TKvDemoButton::DisabledTextColorChanged);
}
void TKvDemoButton::SetFocusColor(TColor v) {
  SetFollowed(this, FFocusColor, v, &TKvDemoButton::FocusColorChanged);
}
void TKvDemoButton::SetFlat(bool v) {
  if (SetIfChanged(FFlat, v)) UpdateControl();
}

void TKvDemoButton::DrawBevel(TCanvas* canvas, TRect& r) const {
  if (d->Press.Pressed()) DrawFrame3D(canvas, r, FShadowColor, FHighlightColor, FBevelWidth);
  else if (!FFlat || FHovering) DrawFrame3D(canvas, r, FHighlightColor, FShadowColor, FBevelWidth);
  else
    // No bevel, but its room all the same, so the caption keeps its place on hover.
    InflateRect(r, -FBevelWidth, -FBevelWidth);
}

void TKvDemoButton::Paint() {
  ClearBitmapCanvas();
  TCanvas* c = BitmapCanvas();
  const bool pressed = d->Press.Pressed();
  TRect r = ClientRect();
  if (pressed) OffsetRect(r, 1, 1);
  TileBitmap(c, r, FBitmap.get());

  r = ClientRect();
  const TColor outline = FFocused ? FFocusColor : FOutlineColor;
  DrawFrame3D(c, r, outline, outline, FOutlineWidth);
  DrawBevel(c, r);

  const TFont* font = FHovering && Enabled() ? FFontEnter.get() : FFontLeave.get();
  if (pressed) OffsetRect(r, 1, 1);
  // The caption's pixels stay the same while the frame's colours change: shaping it is most
  // of a frame.
  const TKvFont3D& font3D = *FFont3D;
  TKvLayerKey key;
  key << r.Left << r.Top << r.Right << r.Bottom << Caption() << font << Enabled()
      << FDisabledTextColor << int(FTextAlignment) << int(font3D.Style()) << font3D.HighlightColor()
      << font3D.ShadowColor() << font3D.HighlightDepth() << font3D.ShadowDepth();
  d->CaptionLayer.Draw(Image(), key, [&](TCanvas* canvas) {
    canvas->SetFont(font);
    if (!Enabled()) canvas->Font()->SetColor(FDisabledTextColor);
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    font3D.DrawText(canvas, r, DT_SINGLELINE | kAlignmentFlags[int(FTextAlignment)], Caption());
  });
  TKvCustomImageControl::Paint();
}

void TKvDemoButton::PressAt(int x, int y) {
  if (!PtInRect(ClientRect(), Point(x, y))) return;
  d->Press.Begin();
  SetMouseCapture(true);
  if (TabStop() && CanFocus()) {
    QPointer<TKvDemoButton> self(this);
    SetFocus();
    if (!self) return;
  }
  UpdateControl();
}

void TKvDemoButton::CancelPress() {
  if (d->Press.End()) UpdateControl();
}

void TKvDemoButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TKvDemoButton> self(this);
  TKvCustomImageControl::MouseDown(button, shift, x, y);
  if (self && button == TMouseButton::mbLeft) PressAt(x, y);
}

void TKvDemoButton::MouseMove(TShiftState shift, int x, int y) {
  QPointer<TKvDemoButton> self(this);
  TKvCustomImageControl::MouseMove(shift, x, y);
  if (self && d->Press.Follow(PtInRect(ClientRect(), Point(x, y)))) UpdateControl();
}

void TKvDemoButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && !ReleasePress(*this, d->Press)) return;
  TKvCustomImageControl::MouseUp(button, shift, x, y);
}

void TKvDemoButton::KeyDown(uint16_t& key, TShiftState shift) {
  QPointer<TKvDemoButton> self(this);
  TKvCustomImageControl::KeyDown(key, shift);
  if (self && key == VK_SPACE && !d->Press.Pressed()) PressAt(0, 0);
}

void TKvDemoButton::KeyUp(uint16_t& key, TShiftState shift) {
  QPointer<TKvDemoButton> self(this);
  TKvCustomImageControl::KeyUp(key, shift);
  if (self && key == VK_SPACE) ReleasePress(*this, d->Press);
}

bool TKvDemoButton::CMDialogChar(QChar ch) { return ClickOnAccelerator(*this, ch); }

void TKvDemoButton::CMCancelMode() { CancelPress(); }

void TKvDemoButton::WMKillFocus() {
  // The space bar's release now goes elsewhere: a press held by it ends here.
  TKvCustomImageControl::WMKillFocus();
  if (!d->Press.Tracking()) return;
  SetMouseCapture(false);
  CancelPress();
}

void TKvDemoButton::CMEnabledChanged() {
  TKvCustomImageControl::CMEnabledChanged();
  UpdateControl();
}

void TKvDemoButton::CMFocusChanged(TWinControl* newFocused) {
  const bool focused = newFocused == this;
  if (focused != FFocused) {
    FFocused = focused;
    UpdateControl();
  }
  TKvCustomImageControl::CMFocusChanged(newFocused);
}

void TKvDemoButton::MouseEnter() {
  TKvCustomImageControl::MouseEnter();
  FHovering = true;
  UpdateControl();
}

void TKvDemoButton::MouseLeave() {
  TKvCustomImageControl::MouseLeave();
  FHovering = false;
  UpdateControl();
}

void TKvDemoButton::TextChanged() {
  TKvCustomImageControl::TextChanged();
  UpdateControl();
}

// ---------------------------------------------------------------------------

struct TKvPowerButton::Private {
  kv::ButtonPress Press;
  TKvFaceBase Faces[2];  // the kept face with the LED off and on
};

TKvPowerButton::TKvPowerButton(kv::OwnerOrParent owner)
    : TKvCustomImageControl(owner),
      FPalette(std::make_unique<TKvPalette>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(PushButtonStyle(ControlStyle()) | TControlStyleFlag::csReplicatable);
  SetColor(clBtnFace);
  SetParentColor(false);
  SetTabStop(false);
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  SetBounds(0, 0, 125, 25);
  Relayout();
}

TKvPowerButton::~TKvPowerButton() { BeginDestruction(); }

bool TKvPowerButton::Pressed() const { return d->Press.Pressed(); }

void TKvPowerButton::SetActive(bool v) {
  if (!SetIfChanged(FActive, v)) return;
  UpdateControl();
  emit ActiveChanged(FActive);
}
void TKvPowerButton::SetLedWidth(int v) {
  if (TKvMaxInt::Contains(v) && SetIfChanged(FLedWidth, v)) Relayout();
}
void TKvPowerButton::SetLedHeight(int v) {
  if (TKvMaxInt::Contains(v) && SetIfChanged(FLedHeight, v)) Relayout();
}
void TKvPowerButton::SetLayout(TKvImageTextLayout v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FLayout, v)) Relayout();
}
void TKvPowerButton::SetMargin(int v) {
  if (SetIfChanged(FMargin, v)) Relayout();
}
void TKvPowerButton::SetSpacing(int v) {
  if (SetIfChanged(FSpacing, v)) Relayout();
}
void TKvPowerButton::SetFocusColor(TColor v) {
  SetFollowed(this, FFocusColor, v, &TKvPowerButton::FocusColorChanged);
}
void TKvPowerButton::SetOutlineColor(TColor v) {
  SetFollowed(this, FOutlineColor, v, &TKvPowerButton::OutlineColorChanged);
}
void TKvPowerButton::SetOutlineWidth(int v) {
  if (TKvByteInt::Contains(v) && SetIfChanged(FOutlineWidth, v)) Relayout();
}
void TKvPowerButton::SetHighlightColor(TColor v) {
  SetFollowed(this, FHighlightColor, v, &TKvPowerButton::HighlightColorChanged);
}
void TKvPowerButton::SetShadowColor(TColor v) {
  SetFollowed(this, FShadowColor, v, &TKvPowerButton::ShadowColorChanged);
}
void TKvPowerButton::SetBevelWidth(int v) {
  if (TKvByteInt::Contains(v) && SetIfChanged(FBevelWidth, v)) Relayout();
}

void TKvPowerButton::Relayout() {
  TCanvas* c = BitmapCanvas();
  c->SetFont(Font());
  TRect r = ClientRect();
  const int inset = FBevelWidth + FOutlineWidth;  // both at most 255
  InflateRect(r, -inset, -inset);
  TPoint led;
  TRect text;
  CalcImageTextLayout(c, r, Point(0, 0), Caption(), FLayout, FMargin, FSpacing,
                      Point(FLedWidth, FLedHeight), led, text);
  FLedRect = kv::Bounds(led.X, led.Y, FLedWidth, FLedHeight);
  FCaptionRect = text;
  UpdateControl();
}

void TKvPowerButton::Paint() {
  TCanvas* c = BitmapCanvas();
  const TColor led = !Enabled() ? Color() : FActive ? FPalette->High() : FPalette->Low();
  // The whole face is kept, once with the LED on and once off: a toggle is one copy.
  TKvLayerKey key;
  key << Width() << Height() << Color() << led << FFocused << FFocusColor << FOutlineColor
      << FOutlineWidth << d->Press.Pressed() << FHighlightColor << FShadowColor << FBevelWidth
      << FLedRect.Left << FLedRect.Top << FLedRect.Right << FLedRect.Bottom << FCaptionRect.Left
      << FCaptionRect.Top << FCaptionRect.Right << FCaptionRect.Bottom << Caption() << Font()
      << Enabled();
  kv::ClearWithBase(ImageClear(), d->Faces[FActive ? 1 : 0], key, [&] {
    TRect r = ClientRect();
    const TColor outline = FFocused ? FFocusColor : FOutlineColor;
    DrawFrame3D(c, r, outline, outline, FOutlineWidth);
    if (d->Press.Pressed()) {
      r = ClientRect();
      DrawFrame3D(c, r, FOutlineColor, FHighlightColor, FOutlineWidth);
      DrawFrame3D(c, r, FShadowColor, FOutlineColor, FBevelWidth);
    } else {
      DrawFrame3D(c, r, FHighlightColor, FShadowColor, FBevelWidth);
    }
    TRect ledRect = FLedRect;
    DrawFrame3D(c, ledRect, FShadowColor, FHighlightColor, 1);
    DrawFrame3D(c, ledRect, clBlack, clBlack, 1);
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(led);
    if (!kv::IsRectEmpty(ledRect)) c->FillRect(ledRect);
    c->SetFont(Font());
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    DrawCaption(c, Caption(), FCaptionRect, Enabled());
  });
  TKvCustomImageControl::Paint();
}

void TKvPowerButton::CancelPress() {
  if (d->Press.End()) UpdateControl();
}

void TKvPowerButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvPowerButton> self(this);
  if (button == TMouseButton::mbLeft) {
    d->Press.Begin();
    UpdateControl();
    if (TabStop() && CanFocus()) {
      SetFocus();
      if (!self) return;
    }
  }
  TKvCustomImageControl::MouseDown(button, shift, x, y);
}

void TKvPowerButton::MouseMove(TShiftState shift, int x, int y) {
  const QPointer<TKvPowerButton> self(this);
  TKvCustomImageControl::MouseMove(shift, x, y);
  if (self && d->Press.Follow(PtInRect(ClientRect(), Point(x, y)))) UpdateControl();
}

void TKvPowerButton::MouseEnter() {
  TKvCustomImageControl::MouseEnter();
  if (d->Press.Follow(true)) UpdateControl();
}

void TKvPowerButton::MouseLeave() {
  TKvCustomImageControl::MouseLeave();
  if (d->Press.Follow(false)) UpdateControl();
}

// Order: Active, OnMouseUp, OnClick; a handler that frees the button ends it there.
void TKvPowerButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvPowerButton> self(this);
  bool clicked = false;
  if (button == TMouseButton::mbLeft) {
    if (d->Press.Tracking()) d->Press.Follow(PtInRect(ClientRect(), Point(x, y)));
    if (d->Press.End()) {
      FActive = !FActive;
      clicked = true;
    }
    UpdateControl();
  }
  TKvCustomImageControl::MouseUp(button, shift, x, y);
  if (self && clicked) TControl::Click();
}

void TKvPowerButton::KeyDown(uint16_t& key, TShiftState shift) {
  const QPointer<TKvPowerButton> self(this);
  TKvCustomImageControl::KeyDown(key, shift);
  if (!self || key != VK_SPACE) return;
  d->Press.Begin();
  UpdateControl();
}

void TKvPowerButton::KeyUp(uint16_t& key, TShiftState shift) {
  const QPointer<TKvPowerButton> self(this);
  TKvCustomImageControl::KeyUp(key, shift);
  if (!self || key != VK_SPACE) return;
  SetMouseCapture(false);
  d->Press.End();
  FActive = !FActive;
  UpdateControl();
  TControl::Click();
}

bool TKvPowerButton::CMDialogChar(QChar ch) { return ClickOnAccelerator(*this, ch); }

void TKvPowerButton::CMCancelMode() { CancelPress(); }

void TKvPowerButton::WMKillFocus() {
  // A space press whose release now goes elsewhere ends here, without a toggle.
  TKvCustomImageControl::WMKillFocus();
  CancelPress();
}

void TKvPowerButton::CMEnabledChanged() {
  TKvCustomImageControl::CMEnabledChanged();
  if (!Enabled()) CancelPress();
  UpdateControl();
}

void TKvPowerButton::CMFocusChanged(TWinControl* newFocused) {
  if (SetIfChanged(FFocused, newFocused == this)) UpdateControl();
  TKvCustomImageControl::CMFocusChanged(newFocused);
}

void TKvPowerButton::Resize() {
  TKvCustomImageControl::Resize();
  Relayout();
}

void TKvPowerButton::FontChanged() {
  TKvCustomImageControl::FontChanged();
  Relayout();
}

void TKvPowerButton::TextChanged() {
  TKvCustomImageControl::TextChanged();
  Relayout();
}

// The caption inside the face's outline and its inset, beside the shadow's depth.
QSize TKvShadowButton::minimumSizeHint() const {
  const TPoint text = kv::LeastTextSize(Font(), Caption());
  const int64_t depth = std::max(FDepth, 0);
  return kv::LeastSizeHint(text.X + depth, text.Y + depth, 2 * int64_t(FPen->Width()));
}

// The caption in the larger of its fonts, with its 3D depth and the pixel a press moves it,
// inside the outline and the bevel.
QSize TKvDemoButton::minimumSizeHint() const {
  const TPoint text = kv::LeastTextSize(FFontLeave.get(), FFontEnter.get(), Caption());
  const int64_t depth = int64_t(std::max(FFont3D->HighlightDepth(), 0)) +
                        std::max(FFont3D->ShadowDepth(), 0) + 1;
  return kv::LeastSizeHint(text.X + depth, text.Y + depth, int64_t(FOutlineWidth) + FBevelWidth);
}

// The LED and the caption as they are laid out, inside the outline and the bevel.
QSize TKvPowerButton::minimumSizeHint() const {
  const TPoint face = kv::LeastImageTextSize(Font(), Caption(), FLayout, FMargin, FSpacing,
                                             TPoint(FLedWidth, FLedHeight));
  return kv::LeastSizeHint(face.X, face.Y, int64_t(FBevelWidth) + FOutlineWidth);
}
