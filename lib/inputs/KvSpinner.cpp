#include "KvSpinner.h"

#include "ClassRegistry.h"
#include "KvArtwork.h"
#include "KvLeastSize.h"
#include "KvSysUtilsInternal.h"
#include "KvThreads.h"

#include <QPointer>

#include <algorithm>

using kv::Bounds, kv::Rect, kv::VK_DOWN, kv::VK_LEFT, kv::VK_RIGHT, kv::VK_SPACE, kv::VK_UP;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvSpinner>();

constexpr uint32_t kFirstRepeatMs = 400;
constexpr uint32_t kRepeatMs = 100;

const char* const kArrowResources[] = {"ARROWS_UP", "ARROWS_DOWN", "ARROWS_LEFT", "ARROWS_RIGHT"};

}  // namespace

// ---------------------------------------------------------------------------
// TKvSpinButton

struct TKvSpinButton::Private {
  QSize GlyphSize;
  TRegion Glyph;  // the pixels of cell 0 that are not of the strip's transparent colour
  TBitmap Shown;  // the control's pixels as last painted
  int Scale = 1;  // of the glyphs: the scale the control is drawn at
};

TKvSpinButton::TKvSpinButton(kv::OwnerOrParent owner)
    : TKvGraphicControl(owner),
      FPalette(std::make_unique<TKvPalette>()),
      FGlyphs(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  // The capture is the framework's press capture (the press already routes the pointer to
  // the button, so no explicit grab is asked of the window system); a press beside the
  // arrow gives it up at once.
  SetControlStyle(TControlStyle(TControlStyleFlag::csOpaque) | TControlStyleFlag::csCaptureMouse);
  SetBounds(0, 0, 25, 25);
  SetColor(clBtnFace);
  SetParentColor(true);
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] {
    BuildGlyph();
    UpdateControl();
  });
  d->Scale = kv::ArtworkScaleOf(*this);
  BuildGlyph();
}

TKvSpinButton::~TKvSpinButton() = default;

void TKvSpinButton::SetArrow(int v) {
  if (v < ArrowUp || v > ArrowRight || !SetIfChanged(FArrow, v)) return;
  BuildGlyph();
  UpdateControl();
}

void TKvSpinButton::BuildGlyph() {
  // The hit region comes from the 1x picture: hit tests are in bitmap pixels.
  const QString name = QLatin1String(kArrowResources[FArrow]);
  FGlyphs->LoadFromResourceName(name);
  const bool vertical = FArrow <= ArrowDown;
  const int w = vertical ? 21 : 17, h = vertical ? 16 : 21;
  d->GlyphSize = QSize(w, h);
  kv::CombineRgn(d->Glyph, kv::MaskRegion(*FGlyphs, FGlyphs->TransparentColor()),
                 kv::CreateRectRgn(0, 0, w, h), kv::RGN_AND);
  kv::LoadResourceBitmap(*FGlyphs, name, d->Scale);
  FPalette->ApplyToBitmap(FGlyphs.get(), clGreen, clLime);
}

TRect TKvSpinButton::GlyphRect() const {
  const int w = d->GlyphSize.width(), h = d->GlyphSize.height();
  return Bounds((Width() - w) / 2, (Height() - h) / 2, w, h);
}

bool TKvSpinButton::HitTest(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return false;
  const TRect g = GlyphRect();
  if (!d->Glyph.Contains(x - g.Left, y - g.Top)) return false;
  // Only where the screen shows some light: -1 is off the kept picture.
  const TColor shown = d->Shown.Canvas()->Pixels(x, y);
  return shown != TColor(-1) && shown != TColor(clBlack);
}

void TKvSpinButton::Paint() {
  ClearCanvas();
  TCanvas* c = Canvas();
  if (c->DeviceScale() != d->Scale) {  // shown on a screen of another ratio
    d->Scale = c->DeviceScale();
    BuildGlyph();
  }
  const int cell = !Enabled() ? 0 : FDown ? 2 : 1;
  const TRect g = GlyphRect();
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->BrushCopy(g, FGlyphs.get(), Bounds(cell * g.Width(), 0, g.Width(), g.Height()),
               FGlyphs->TransparentColor());
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  PaintOverlay();
  // What the hit test reads, which is only the glyph's box: outside the painted region the
  // surface still shows the earlier frame, which is what the screen shows there too. The
  // kept picture keeps its pixels while the size stays, so a paint allocates nothing.
  d->Shown.SetSize(Width(), Height());
  if (TRect read; kv::IntersectRect(read, g, ClientRect()))
    d->Shown.Canvas()->CopyRect(read, c, read);
}

void TKvSpinButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvSpinButton> self(this);
  TKvGraphicControl::MouseDown(button, shift, x, y);
  if (!self || button != TMouseButton::mbLeft) return;
  if (!Enabled() || !isVisible() || !HitTest(x, y)) {
    SetMouseCapture(false);
    return;
  }
  FDown = true;
  SetMouseCapture(true);
  UpdateControl();
}

void TKvSpinButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvSpinButton> self(this);
  const bool wasDown = FDown;
  FDown = false;
  SetMouseCapture(false);
  if (wasDown) UpdateControl();
  if (wasDown && HitTest(x, y)) {
    emit OnClick(this);
    if (!self) return;
  }
  TKvGraphicControl::MouseUp(button, shift, x, y);
}

void TKvSpinButton::EndPress() {
  SetMouseCapture(false);
  if (SetIfChanged(FDown, false)) UpdateControl();
}

void TKvSpinButton::CMCancelMode() {
  TKvGraphicControl::CMCancelMode();
  EndPress();
}

void TKvSpinButton::CMEnabledChanged() {
  TKvGraphicControl::CMEnabledChanged();
  if (!Enabled()) EndPress();
  UpdateControl();
}

// ---------------------------------------------------------------------------
// TKvTimerSpinButton

TKvTimerSpinButton::TKvTimerSpinButton(kv::OwnerOrParent owner) : TKvSpinButton(owner) {}

TKvTimerSpinButton::~TKvTimerSpinButton() {
  // Before the owned components go: the repeat timer is one of them.
  StopTimer();
  BeginDestruction();
  FRepeatTimer = nullptr;
}

void TKvTimerSpinButton::SetFocusFrame(bool v) {
  if (SetIfChanged(FFocusFrame, v)) UpdateControl();
}

void TKvTimerSpinButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvTimerSpinButton> self(this);
  TKvSpinButton::MouseDown(button, shift, x, y);
  if (!self || !FAllowRepeat || !Enabled() || !isVisible()) return;
  if (!FRepeatTimer) {
    FRepeatTimer = new TKvTimer(this);
    FRepeatTimer->SetTimerType(TKvTimerType::ttSystem);
    // Connected once: a press only restarts the timer.
    connect(FRepeatTimer, &TKvTimer::OnTimer, this, [this] { TimerExpired(); });
  }
  FRepeatTimer->SetEnabled(false);
  FRepeatTimer->SetInterval(kFirstRepeatMs);
  FRepeatTimer->SetEnabled(true);
}

void TKvTimerSpinButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  StopTimer();
  TKvSpinButton::MouseUp(button, shift, x, y);
}

void TKvTimerSpinButton::TimerExpired() {
  FRepeatTimer->SetInterval(kRepeatMs);
  if (!Down() || !MouseCapture()) return;
  const QPointer<TKvTimerSpinButton> self(this);
  try {
    emit OnClick(this);
  } catch (...) {
    if (self) {
      StopTimer();
      EndPress();
    }
    throw;
  }
}

void TKvTimerSpinButton::StopTimer() {
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TKvTimerSpinButton::EndPress() {
  StopTimer();
  TKvSpinButton::EndPress();
}

void TKvTimerSpinButton::Retire() {
  EndPress();
  Hide();
  deleteLater();
}

void TKvTimerSpinButton::CMVisibleChanged() {
  TKvSpinButton::CMVisibleChanged();
  if (!Visible()) EndPress();
}

void TKvTimerSpinButton::PaintOverlay() {
  if (!FFocusFrame) return;
  TCanvas* c = Canvas();
  c->Brush()->SetColor(clBlack);
  c->FrameRect(Rect(3, 3, Width() - 3, Height() - 3));
}

// ---------------------------------------------------------------------------
// TKvSpinner

TKvSpinner::TKvSpinner(kv::OwnerOrParent owner)
    : TKvCustomControl(owner), FPalette(std::make_unique<TKvPalette>()) {
  SetControlStyle(TControlStyle(TControlStyleFlag::csAcceptsControls) |
                  TControlStyleFlag::csFramed | TControlStyleFlag::csSetCaption |
                  TControlStyleFlag::csOpaque);
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] { CopyPalette(); });
  SetColor(clBtnFace);
  SetParentColor(true);
  CreateButtons();
  SetBounds(0, 0, 35, 40);
}

TKvSpinner::~TKvSpinner() {
  BeginDestruction();
  FFocusedButton = nullptr;
}

void TKvSpinner::CreateButtons() {
  const bool vertical = FOrientation == TKvOrientation::voVertical;
  FUpButton = CreateButton(vertical ? TKvSpinButton::ArrowUp : TKvSpinButton::ArrowLeft);
  FDownButton = CreateButton(vertical ? TKvSpinButton::ArrowDown : TKvSpinButton::ArrowRight);
  FFocusedButton = FUpButton;
}

TKvTimerSpinButton* TKvSpinner::CreateButton(int arrow) {
  auto* b = new TKvTimerSpinButton(this);
  connect(b, &TControl::OnClick, this, [this](TObject* s) { ButtonClicked(s); });
  connect(b, &TControl::OnMouseDown, this,
          [this](TObject* s, TMouseButton button) { ButtonPressed(s, button); });
  b->SetVisible(true);
  b->SetEnabled(Enabled());
  b->SetAllowRepeat(true);
  b->SetArrow(arrow);
  b->SetPalette(FPalette.get());
  b->SetParent(this);
  return b;
}

void TKvSpinner::SetOrientation(TKvOrientation v) {
  if (!SetIfChanged(FOrientation, v)) return;
  // The old buttons may be running their own click, tick or mouse handling right now: they
  // leave at once and are freed once that has returned.
  for (TKvTimerSpinButton* old : {FUpButton, FDownButton}) {
    disconnect(old, nullptr, this, nullptr);
    old->Retire();
  }
  CreateButtons();
  if (Focused()) FFocusedButton->SetFocusFrame(true);
  // While designing, the spinner turns with its buttons; an aligned one keeps the size its
  // parent gives it, and its new buttons are laid out below as at run time.
  if (IsDesigning() && !IsLoading() && Align() == TAlign::alNone)
    kv::TurnShape(this, v == TKvOrientation::voVertical);
  LayoutButtons(Width(), Height());
}

void TKvSpinner::SetFocusedButton(TKvTimerSpinButton* b) {
  if (!TabStop() || !CanFocus() || b == FFocusedButton) return;
  if (FFocusedButton) FFocusedButton->SetFocusFrame(false);
  FFocusedButton = b;
  if (Focused() && b) {
    b->SetFocusFrame(true);
    Invalidate();
  }
}

void TKvSpinner::ButtonClicked(TObject* sender) {
  if (sender == FUpButton) emit OnUpClick(this);
  else if (sender == FDownButton) emit OnDownClick(this);
}

void TKvSpinner::ButtonPressed(TObject* sender, TMouseButton button) {
  if (button != TMouseButton::mbLeft) return;
  const QPointer<TKvSpinner> self(this);
  SetFocusedButton(sender == FDownButton ? FDownButton : FUpButton);
  TWinControl* target = FFocusControl.data();
  if (target && target->TabStop() && target->CanFocus() && !target->Focused()) target->SetFocus();
  else if (self && TabStop() && !Focused() && CanFocus()) SetFocus();
}

void TKvSpinner::KeyDown(uint16_t& key, TShiftState shift) {
  const QPointer<TKvSpinner> self(this);
  const bool vertical = FOrientation == TKvOrientation::voVertical;
  TKvTimerSpinButton* clicked = nullptr;
  if (key == VK_SPACE) clicked = FFocusedButton;
  else if (key == (vertical ? VK_UP : VK_LEFT)) clicked = FUpButton;
  else if (key == (vertical ? VK_DOWN : VK_RIGHT)) clicked = FDownButton;
  if (clicked) {
    if (key == VK_SPACE) ButtonClicked(clicked);
    else ArrowClick(clicked);
    if (!self) return;
  }
  TKvCustomControl::KeyDown(key, shift);
}

// An arrow key or a notch of the wheel: the button of that way takes the focus frame and clicks.
void TKvSpinner::ArrowClick(TKvTimerSpinButton* button) {
  SetFocusedButton(button);
  ButtonClicked(button);
}

void TKvSpinner::WheelStep(int direction) { ArrowClick(direction > 0 ? FUpButton : FDownButton); }

void TKvSpinner::WMSetFocus() {
  TKvCustomControl::WMSetFocus();
  if (FFocusedButton) FFocusedButton->SetFocusFrame(true);
}

void TKvSpinner::WMKillFocus() {
  TKvCustomControl::WMKillFocus();
  if (FFocusedButton) FFocusedButton->SetFocusFrame(false);
}

int TKvSpinner::LayoutButtons(int width, int height) {
  const int w = std::max(width, 15);
  if (!FUpButton || IsLoading() || FLayingOut) return w;
  FLayingOut = true;
  if (FOrientation == TKvOrientation::voVertical) {
    const int upHeight = height / 2;
    FUpButton->SetBounds(0, 0, w, upHeight);
    FDownButton->SetBounds(0, upHeight - 1, w, height - upHeight + 1);
  } else {
    FUpButton->SetBounds(0, 0, w / 2, height);
    FDownButton->SetBounds(w / 2, 0, w / 2, height);
  }
  FLayingOut = false;
  return w;
}

QSize TKvSpinner::minimumSizeHint() const {
  const TRect up = FUpButton->GlyphRect(), down = FDownButton->GlyphRect();
  const int64_t glyphWidth = std::max(up.Width(), down.Width());
  const int64_t glyphHeight = std::max(up.Height(), down.Height());
  // Stacked, the upper button takes half the height; side by side each takes half the width.
  if (FOrientation == TKvOrientation::voVertical)
    return kv::LeastSizeHint(std::max<int64_t>(glyphWidth, 15), 2 * glyphHeight);
  return kv::LeastSizeHint(std::max<int64_t>(2 * glyphWidth, 15), glyphHeight);
}

void TKvSpinner::SetBounds(int left, int top, int width, int height) {
  TKvCustomControl::SetBounds(left, top, LayoutButtons(width, height), height);
}

void TKvSpinner::Resize() {
  TKvCustomControl::Resize();
  const int w = LayoutButtons(Width(), Height());
  if (w != Width()) SetBounds(Left(), Top(), w, Height());
}

void TKvSpinner::Loaded() {
  TKvCustomControl::Loaded();
  const int w = LayoutButtons(Width(), Height());
  if (w != Width()) SetBounds(Left(), Top(), w, Height());
}

void TKvSpinner::CMEnabledChanged() {
  TKvCustomControl::CMEnabledChanged();
  for (TKvTimerSpinButton* b : {FUpButton, FDownButton})
    if (b) b->SetEnabled(Enabled());
}

void TKvSpinner::CMSysColorChange() {
  TKvCustomControl::CMSysColorChange();
  CopyPalette();
}

void TKvSpinner::CopyPalette() {
  for (TKvTimerSpinButton* b : {FUpButton, FDownButton})
    if (b) b->SetPalette(FPalette.get());
}
