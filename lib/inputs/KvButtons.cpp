#include "KvButtons.h"

#include "ClassRegistry.h"
#include "KvFaceBase.h"
#include "KvSysUtils.h"
#include "Raster.h"
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

namespace kv {

void TwoToneShape::Paint(TBitmap* target, const TKvLayerKey& key, const Drawing& drawing,
                         TColor pen, TColor brush) {
  const QSize size = target->Image().size();
  if (key.Bytes() != FKey || size != FSize) {
    // Drawn on black and on white in two marking colours: a pixel that is the same on both
    // was painted, and its colour tells by which.
    constexpr TColor kPenMark = TColor(0x0000FF), kBrushMark = TColor(0x00FF00);
    TBitmap onBlack, onWhite;
    onBlack.SetSize(size.width(), size.height());
    onWhite.SetSize(size.width(), size.height());
    onWhite.Canvas()->FillRect(Rect(0, 0, size.width(), size.height()));
    for (TBitmap* b : {&onBlack, &onWhite}) {
      b->Canvas()->Pen()->SetColor(kPenMark);
      b->Canvas()->Brush()->SetColor(kBrushMark);
      drawing(b->Canvas());
    }
    const uint32_t penMark = ColorToPixel(kPenMark) & 0xFFFFFFu;
    FRuns.clear();
    for (int y = 0; y < size.height(); ++y) {
      const uint32_t* a = onBlack.ScanLine(y);
      const uint32_t* w = onWhite.ScanLine(y);
      for (int x = 0; x < size.width();) {
        if (a[x] != w[x]) {
          ++x;
          continue;
        }
        const int begin = x;
        const auto isPen = [&](int i) { return (a[i] & 0xFFFFFFu) == penMark; };
        const bool byPen = isPen(x);
        while (x < size.width() && a[x] == w[x] && isPen(x) == byPen) ++x;
        FRuns.push_back({y, begin, x, byPen});
      }
    }
    FKey = key.Bytes();
    FSize = size;
  }
  const uint32_t penPixel = ColorToPixel(pen), brushPixel = ColorToPixel(brush);
  // Rows by address: the target's pixels are made writable once, not once a run.
  uint32_t* pixels = target->ScanLine(0);
  const qsizetype stride = target->Image().bytesPerLine() / qsizetype(sizeof(uint32_t));
  for (const Run& run : FRuns) {
    uint32_t* line = pixels + run.Y * stride;
    kv::FillPixels(line + run.Begin, line + run.End, run.Pen ? penPixel : brushPixel);
  }
}

bool ButtonPress::Follow(bool over) {
  if (!FTracking || FPressed == over) return false;
  FPressed = over;
  return true;
}

bool ButtonPress::End() {
  const bool wasPressed = FPressed;
  FTracking = FPressed = false;
  return wasPressed;
}

}  // namespace kv

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

TKvShadowButton::TKvShadowButton(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBrush(std::make_unique<TKvShadowBrush>()),
      FPen(std::make_unique<TKvShadowPen>()) {
  SetControlStyle(PushButtonStyle(ControlStyle()));
  SetBounds(0, 0, 110, 30);
  Font()->SetColor(clWhite);
  SetParentColor(true);
  SetParentFont(false);
  connect(FBrush.get(), &TBrush::OnChange, this, [this] { UpdateControl(); });
  connect(FPen.get(), &TPen::OnChange, this, [this] { UpdateControl(); });
}

TKvShadowButton::~TKvShadowButton() { BeginDestruction(); }

void TKvShadowButton::SetDepth(int v) {
  if (v > 2 && SetIfChanged(FDepth, v)) UpdateControl();
}
void TKvShadowButton::SetShadowColor(TColor v) {
  if (SetIfChanged(FShadowColor, v)) UpdateControl();
}
void TKvShadowButton::SetShadowOutline(TColor v) {
  if (SetIfChanged(FShadowOutline, v)) UpdateControl();
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
  if (SetIfChanged(FDisabledTextColor, v)) UpdateControl();
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
  if (FPress.Pressed()) {
    MoveAlong(shadow, step, -int64_t(FDepthAdjust));
    MoveAlong(face, step, FDepthAdjust);
  }
  TKvLayerKey shadowKey;
  shadowKey << shadow.Left << shadow.Top << shadow.Right << shadow.Bottom << int(FStyle);
  FShadowShape.Paint(
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
    FFaceLayer.Draw(Image(), key, drawFace);
  } else {
    drawFace(c);
  }
  FHitRect = caption;
  TKvGraphicImageControl::Paint();
}

void TKvShadowButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TKvShadowButton> self(this);
  TKvGraphicImageControl::MouseDown(button, shift, x, y);
  if (!self || button != TMouseButton::mbLeft || !PtInRect(FHitRect, Point(x, y))) return;
  FPress.Begin();
  SetMouseCapture(true);
  UpdateControl();
}

void TKvShadowButton::MouseMove(TShiftState shift, int x, int y) {
  QPointer<TKvShadowButton> self(this);
  TKvGraphicImageControl::MouseMove(shift, x, y);
  // The hit rectangle is re-stored at each paint, so it follows the face as it slides.
  if (self && FPress.Follow(PtInRect(FHitRect, Point(x, y)))) UpdateControl();
}

void TKvShadowButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && !ReleasePress(*this, FPress)) return;
  TKvGraphicImageControl::MouseUp(button, shift, x, y);
}

bool TKvShadowButton::CMDialogChar(QChar ch) { return ClickOnAccelerator(*this, ch); }

void TKvShadowButton::CMCancelMode() {
  if (FPress.End()) UpdateControl();
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

TKvDemoButton::TKvDemoButton(kv::OwnerOrParent owner)
    : TKvCustomImageControl(owner),
      FFontEnter(std::make_unique<TFont>()),
      FFontLeave(std::make_unique<TFont>()),
      FBitmap(std::make_unique<TBitmap>()),
      FFont3D(std::make_unique<TKvFont3D>()) {
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
  if (SetIfChanged(FOutlineColor, v)) UpdateControl();
}
void TKvDemoButton::SetShadowColor(TColor v) {
  if (SetIfChanged(FShadowColor, v)) UpdateControl();
}
void TKvDemoButton::SetHighlightColor(TColor v) {
  if (SetIfChanged(FHighlightColor, v)) UpdateControl();
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
  if (SetIfChanged(FDisabledTextColor, v)) UpdateControl();
}
void TKvDemoButton::SetFocusColor(TColor v) {
  if (SetIfChanged(FFocusColor, v)) UpdateControl();
}
void TKvDemoButton::SetFlat(bool v) {
  if (SetIfChanged(FFlat, v)) UpdateControl();
}

void TKvDemoButton::DrawBevel(TCanvas* canvas, TRect& r) const {
  if (FPress.Pressed()) DrawFrame3D(canvas, r, FShadowColor, FHighlightColor, FBevelWidth);
  else if (!FFlat || FHovering) DrawFrame3D(canvas, r, FHighlightColor, FShadowColor, FBevelWidth);
  else
    // No bevel, but its room all the same, so the caption keeps its place on hover.
    InflateRect(r, -FBevelWidth, -FBevelWidth);
}

void TKvDemoButton::Paint() {
  ClearBitmapCanvas();
  TCanvas* c = BitmapCanvas();
  const bool pressed = FPress.Pressed();
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
  FCaptionLayer.Draw(Image(), key, [&](TCanvas* canvas) {
    canvas->SetFont(font);
    if (!Enabled()) canvas->Font()->SetColor(FDisabledTextColor);
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    font3D.DrawText(canvas, r, DT_SINGLELINE | kAlignmentFlags[int(FTextAlignment)], Caption());
  });
  TKvCustomImageControl::Paint();
}

void TKvDemoButton::PressAt(int x, int y) {
  if (!PtInRect(ClientRect(), Point(x, y))) return;
  FPress.Begin();
  SetMouseCapture(true);
  if (TabStop() && CanFocus()) {
    QPointer<TKvDemoButton> self(this);
    SetFocus();
    if (!self) return;
  }
  UpdateControl();
}

void TKvDemoButton::CancelPress() {
  if (FPress.End()) UpdateControl();
}

void TKvDemoButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TKvDemoButton> self(this);
  TKvCustomImageControl::MouseDown(button, shift, x, y);
  if (self && button == TMouseButton::mbLeft) PressAt(x, y);
}

void TKvDemoButton::MouseMove(TShiftState shift, int x, int y) {
  QPointer<TKvDemoButton> self(this);
  TKvCustomImageControl::MouseMove(shift, x, y);
  if (self && FPress.Follow(PtInRect(ClientRect(), Point(x, y)))) UpdateControl();
}

void TKvDemoButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && !ReleasePress(*this, FPress)) return;
  TKvCustomImageControl::MouseUp(button, shift, x, y);
}

void TKvDemoButton::KeyDown(uint16_t& key, TShiftState shift) {
  QPointer<TKvDemoButton> self(this);
  TKvCustomImageControl::KeyDown(key, shift);
  if (self && key == VK_SPACE && !FPress.Pressed()) PressAt(0, 0);
}

void TKvDemoButton::KeyUp(uint16_t& key, TShiftState shift) {
  QPointer<TKvDemoButton> self(this);
  TKvCustomImageControl::KeyUp(key, shift);
  if (self && key == VK_SPACE) ReleasePress(*this, FPress);
}

bool TKvDemoButton::CMDialogChar(QChar ch) { return ClickOnAccelerator(*this, ch); }

void TKvDemoButton::CMCancelMode() { CancelPress(); }

void TKvDemoButton::WMKillFocus() {
  // The space bar's release now goes elsewhere: a press held by it ends here.
  TKvCustomImageControl::WMKillFocus();
  if (!FPress.Tracking()) return;
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

TKvPowerButton::TKvPowerButton(kv::OwnerOrParent owner)
    : TKvCustomImageControl(owner), FPalette(std::make_unique<TKvPalette>()) {
  SetControlStyle(PushButtonStyle(ControlStyle()) | TControlStyleFlag::csReplicatable);
  SetColor(clBtnFace);
  SetParentColor(false);
  SetTabStop(false);
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  SetBounds(0, 0, 125, 25);
  Relayout();
}

TKvPowerButton::~TKvPowerButton() { BeginDestruction(); }

void TKvPowerButton::SetActive(bool v) {
  if (SetIfChanged(FActive, v)) UpdateControl();
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
  if (SetIfChanged(FFocusColor, v)) UpdateControl();
}
void TKvPowerButton::SetOutlineColor(TColor v) {
  if (SetIfChanged(FOutlineColor, v)) UpdateControl();
}
void TKvPowerButton::SetOutlineWidth(int v) {
  if (TKvByteInt::Contains(v) && SetIfChanged(FOutlineWidth, v)) Relayout();
}
void TKvPowerButton::SetHighlightColor(TColor v) {
  if (SetIfChanged(FHighlightColor, v)) UpdateControl();
}
void TKvPowerButton::SetShadowColor(TColor v) {
  if (SetIfChanged(FShadowColor, v)) UpdateControl();
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
      << FOutlineWidth << FPress.Pressed() << FHighlightColor << FShadowColor << FBevelWidth
      << FLedRect.Left << FLedRect.Top << FLedRect.Right << FLedRect.Bottom << FCaptionRect.Left
      << FCaptionRect.Top << FCaptionRect.Right << FCaptionRect.Bottom << Caption() << Font()
      << Enabled();
  kv::ClearWithBase(
      Image(), Color(), FFaces[FActive ? 1 : 0], key, [this] { ClearBitmapCanvas(); },
      [&] {
        TRect r = ClientRect();
        const TColor outline = FFocused ? FFocusColor : FOutlineColor;
        DrawFrame3D(c, r, outline, outline, FOutlineWidth);
        if (FPress.Pressed()) {
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
  if (FPress.End()) UpdateControl();
}

void TKvPowerButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvPowerButton> self(this);
  if (button == TMouseButton::mbLeft) {
    FPress.Begin();
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
  if (self && FPress.Follow(PtInRect(ClientRect(), Point(x, y)))) UpdateControl();
}

void TKvPowerButton::MouseEnter() {
  TKvCustomImageControl::MouseEnter();
  if (FPress.Follow(true)) UpdateControl();
}

void TKvPowerButton::MouseLeave() {
  TKvCustomImageControl::MouseLeave();
  if (FPress.Follow(false)) UpdateControl();
}

// Order: Active, OnMouseUp, OnClick; a handler that frees the button ends it there.
void TKvPowerButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvPowerButton> self(this);
  bool clicked = false;
  if (button == TMouseButton::mbLeft) {
    if (FPress.Tracking()) FPress.Follow(PtInRect(ClientRect(), Point(x, y)));
    if (FPress.End()) {
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
  FPress.Begin();
  UpdateControl();
}

void TKvPowerButton::KeyUp(uint16_t& key, TShiftState shift) {
  const QPointer<TKvPowerButton> self(this);
  TKvCustomImageControl::KeyUp(key, shift);
  if (!self || key != VK_SPACE) return;
  SetMouseCapture(false);
  FPress.End();
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
