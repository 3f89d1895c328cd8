#include "KvNavigator.h"

#include "ClassRegistry.h"
#include "KvArtwork.h"
#include "KvFrameCache.h"
#include "KvInputsInternal.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"

#include <QPointer>

#include <algorithm>

using kv::Bounds, kv::InflateRect, kv::Point, kv::PtInRect, kv::Rect, kv::VK_SPACE;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvMediaButton>();

// Both glyph strips for a scale, their olive background transparent.
void LoadGlyphs(TBitmap& enabled, TBitmap& disabled, int scale) {
  kv::LoadResourceBitmap(enabled, QStringLiteral("EN_IMAGES"), scale);
  kv::LoadResourceBitmap(disabled, QStringLiteral("DI_IMAGES"), scale);
  enabled.SetTransparentColor(clOlive);
  disabled.SetTransparentColor(clOlive);
}

}  // namespace

struct TKvMediaButton::Private {
  kv::ButtonPress Press;
  // The cleared image with the gradient.
  TKvFaceBase Face;
};

TKvMediaButton::TKvMediaButton(kv::OwnerOrParent owner)
    : TKvCustomImageControl(owner),
      FEnabledGlyphs(std::make_unique<TBitmap>()),
      FDisabledGlyphs(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  // A double click arrives as a second press.
  SetControlStyle((ControlStyle() | TControlStyleFlag::csOpaque) &
                  ~TControlStyle(TControlStyleFlag::csSetCaption) &
                  ~TControlStyle(TControlStyleFlag::csDoubleClicks));
  SetBounds(Left(), Top(), 40, 15);
  SetTabStop(false);
  LoadGlyphs(*FEnabledGlyphs, *FDisabledGlyphs, kv::ArtworkScaleOf(*this));
}

TKvMediaButton::~TKvMediaButton() { BeginDestruction(); }

bool TKvMediaButton::Down() const { return d->Press.Pressed(); }

void TKvMediaButton::SetButtonType(TKvButtonType v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FButtonType, v)) UpdateControl();
}
void TKvMediaButton::SetFocusColor(TColor v) {
  SetFollowed(this, FFocusColor, v, &TKvMediaButton::FocusColorChanged);
}
void TKvMediaButton::SetBorderColor(TColor v) {
  SetFollowed(this, FBorderColor, v, &TKvMediaButton::BorderColorChanged);
}

void TKvMediaButton::Paint() {
  const bool down = d->Press.Pressed();
  TCanvas* c = BitmapCanvas();
  // The face depends only on the size, the colours and the pressed state: kept between paints.
  const TColor from = down ? clBtnFace : clBtnHighlight, to = down ? clBtnHighlight : clBtnShadow;
  TKvLayerKey key;
  key << from << to;
  kv::ClearWithBase(ImageClear(), d->Face, key, [&] {
    TRect r = ClientRect();
    InflateRect(r, -2, -2);
    GradientFill(c, r, from, to, 0, std::max(2, ClientHeight() / 10));
  });

  if (c->DeviceScale() != FEnabledGlyphs->DeviceScale())  // shown on a screen of another ratio
    LoadGlyphs(*FEnabledGlyphs, *FDisabledGlyphs, c->DeviceScale());
  const TBitmap* strip = Enabled() ? FEnabledGlyphs.get() : FDisabledGlyphs.get();
  const int cw = strip->Width() / 10, ch = strip->Height(), shift = down ? 1 : 0;
  const int x = Width() / 2 - cw / 2 + shift, y = Height() / 2 - ch / 2 + shift;
  const int sx = int(FButtonType) * cw;
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->BrushCopy(Bounds(x, y, cw, ch), strip, Rect(sx, 0, sx + cw, ch), FGlyphTransparent);

  TRect r = ClientRect();
  const TColor ring = FFocused ? FFocusColor : FBorderColor;
  DrawFrame3D(c, r, ring, ring, 1);
  if (down) DrawFrame3D(c, r, clBtnShadow, clBtnFace, 1);
  else DrawFrame3DCorner(c, r, clBtnHighlight, clBtnShadow, 1);
  TKvCustomImageControl::Paint();
}

void TKvMediaButton::PressAt(int x, int y) {
  if (!PtInRect(ClientRect(), Point(x, y))) return;
  d->Press.Begin();
  SetMouseCapture(true);
  if (TabStop() && CanFocus()) {
    QPointer<TKvMediaButton> self(this);
    SetFocus();
    if (!self) return;
  }
  UpdateControl();
}

void TKvMediaButton::CancelPress() {
  if (d->Press.Tracking() && MouseCapture()) SetMouseCapture(false);
  if (d->Press.End()) UpdateControl();
}

void TKvMediaButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TKvMediaButton> self(this);
  TKvCustomImageControl::MouseDown(button, shift, x, y);
  if (self && button == TMouseButton::mbLeft) PressAt(x, y);
}

void TKvMediaButton::MouseMove(TShiftState shift, int x, int y) {
  QPointer<TKvMediaButton> self(this);
  TKvCustomImageControl::MouseMove(shift, x, y);
  if (self && d->Press.Follow(PtInRect(ClientRect(), Point(x, y)))) UpdateControl();
}

void TKvMediaButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && !ReleasePress(*this, d->Press)) return;
  TKvCustomImageControl::MouseUp(button, shift, x, y);
}

void TKvMediaButton::KeyDown(uint16_t& key, TShiftState shift) {
  QPointer<TKvMediaButton> self(this);
  TKvCustomImageControl::KeyDown(key, shift);
  if (self && key == VK_SPACE && !d->Press.Pressed()) PressAt(0, 0);
}

void TKvMediaButton::KeyUp(uint16_t& key, TShiftState shift) {
  QPointer<TKvMediaButton> self(this);
  TKvCustomImageControl::KeyUp(key, shift);
  if (self && key == VK_SPACE) ReleasePress(*this, d->Press);
}

void TKvMediaButton::CMCancelMode() { CancelPress(); }

void TKvMediaButton::WMKillFocus() {
  // The space bar's release now goes elsewhere: a press ends here, without a click.
  TKvCustomImageControl::WMKillFocus();
  CancelPress();
}

void TKvMediaButton::CMSysColorChange() {
  TKvCustomImageControl::CMSysColorChange();
  UpdateControl();
}

void TKvMediaButton::CMEnabledChanged() {
  TKvCustomImageControl::CMEnabledChanged();
  CancelPress();
  UpdateControl();
}

void TKvMediaButton::CMFocusChanged(TWinControl* newFocused) {
  const bool focused = newFocused == this;
  if (focused != FFocused) {
    FFocused = focused;
    UpdateControl();
  }
  TKvCustomImageControl::CMFocusChanged(newFocused);
}

// The glyph whole inside the two rings, where a press moves it a pixel.
QSize TKvMediaButton::minimumSizeHint() const {
  const int64_t cellWidth = FEnabledGlyphs->Width() / 10, cellHeight = FEnabledGlyphs->Height();
  return kv::LeastSizeHint(cellWidth + 1, cellHeight + 1, 2);
}
