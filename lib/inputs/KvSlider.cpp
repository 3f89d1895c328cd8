#include "KvSlider.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <algorithm>

using kv::IntersectRect, kv::IsRectEmpty, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvSlider>();

constexpr TKvSliderOptions kAllOptions =
    TKvSliderOption::soActiveClick | TKvSliderOption::soMouseClip | TKvSliderOption::soHandPoint |
    TKvSliderOption::soThumbOpaque;

}  // namespace

struct TKvSlider::Private {
  TKvFaceBase Face;
  // The strips with every tick unlit and lit, and the key of what they were drawn from.
  TBitmap OffStrip, OnStrip;
  QByteArray StripKey;
};

TKvSlider::TKvSlider(kv::OwnerOrParent owner)
    : TKvThumbControl(owner),
      FBevel(std::make_unique<TKvBevel>()),
      FPalette(std::make_unique<TKvPalette>()),
      d(std::make_unique<Private>()) {
  FBevel->SetInnerStyle(TKvBevelStyle::bsLowered);
  FBevel->SetInnerWidth(2);
  FBevel->SetInnerColor(clBlack);
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  SetColor(clBlack);
  SetParentColor(false);
  SetBounds(0, 0, 36, 171);
  LoadThumb();
}

TKvSlider::~TKvSlider() = default;

TKvThumbTraits TKvSlider::ThumbTraits() const {
  return {.Vertical = Vertical(),
          .TopRight = TopRight(),
          .TravelInset = kv::SatAdd(FBorderWidth, FThumbIndent),
          .KeyStep = FKeyIncrement,
          .ActiveClick = Has(TKvSliderOption::soActiveClick),
          .MouseClip = Has(TKvSliderOption::soMouseClip),
          .HandPoint = Has(TKvSliderOption::soHandPoint),
          .ThumbOpaque = Has(TKvSliderOption::soThumbOpaque),
          // Named by the picture's long axis: a vertical slider takes the horizontal picture.
          .BuiltInThumb = Vertical() ? "KVSLIDERTHUMB_HORI" : "KVSLIDERTHUMB_VERT"};
}

void TKvSlider::Change() {
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit PositionChanged(FRange.Position); });
}

void TKvSlider::SetSpacing(int v) {
  if (v >= 0 && SetIfChanged(FSpacing, v)) UpdateControl();
}

void TKvSlider::SetTickWidth(int v) {
  if (v > 0 && SetIfChanged(FTickWidth, v)) UpdateControl();
}

void TKvSlider::SetOrientation(TKvOrientation v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FOrientation, v)) return;
  if (!IsLoading()) kv::TurnShape(this, v == TKvOrientation::voVertical);
  LoadThumb();
  UpdateControl();
}

void TKvSlider::SetSolidFill(bool v) {
  if (SetIfChanged(FSolidFill, v)) UpdateControl();
}

void TKvSlider::SetStyle(TKvSliderStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FStyle, v)) UpdateControl();
}

void TKvSlider::SetOptions(TKvSliderOptions v) {
  if ((v & ~kAllOptions) == TKvSliderOptions() && SetIfChanged(FOptions, v)) UpdateControl();
}

void TKvSlider::SetBorderColor(TColor v) {
  SetFollowed(this, FBorderColor, v, &TKvSlider::BorderColorChanged);
}

void TKvSlider::SetBorderWidth(int v) {
  if (v >= 0 && SetIfChanged(FBorderWidth, v)) UpdateControl();
}

void TKvSlider::SetFocusColor(TColor v) {
  SetFollowed(this, FFocusColor, v, &TKvSlider::FocusColorChanged);
}

void TKvSlider::SetThumbIndent(int v) {
  if (v >= 0 && SetIfChanged(FThumbIndent, v)) UpdateControl();
}

void TKvSlider::Loaded() {
  TKvThumbControl::Loaded();
  UpdateControl();
}

void TKvSlider::CMColorChanged() {
  TKvThumbControl::CMColorChanged();
  UpdateControl();
}

TRect TKvSlider::StripRect() const {
  TRect b = ClientRect();
  kv::InflateRect(b, -FBorderWidth, -FBorderWidth);
  FBevel->GetVisibleArea(b);
  return b;
}

// The strips' size: the interior, or none beyond what a window can show (no picture of
// billions of pixels is asked for; such a slider shows its bevel and thumb only).
QSize TKvSlider::StripSize() const {
  const TRect b = StripRect();
  const int64_t w = std::max<int64_t>(int64_t(b.Right) - b.Left, 0);
  const int64_t h = std::max<int64_t>(int64_t(b.Bottom) - b.Top, 0);
  if (w > kMaxStripSide || h > kMaxStripSide || w * h > kMaxStripPixels) return {0, 0};
  return QSize(int(w), int(h));
}

void TKvSlider::KeepStrips() const {
  const QSize size = StripSize();
  TKvLayerKey key;
  key << size.width() << size.height() << Color() << FPalette->Low() << FPalette->High()
      << FTickWidth << FSpacing << FSolidFill << Vertical() << TopRight();
  if (key.Bytes() == d->StripKey) return;
  d->StripKey = key.Bytes().toByteArray();
  d->OffStrip.SetSize(size.width(), size.height());
  d->OnStrip.SetSize(size.width(), size.height());
  FillStrip(&d->OffStrip, FPalette->Low());
  FillStrip(&d->OnStrip, FPalette->High());
}

const TBitmap* TKvSlider::OffStrip() const {
  KeepStrips();
  return &d->OffStrip;
}

const TBitmap* TKvSlider::OnStrip() const {
  KeepStrips();
  return &d->OnStrip;
}

// Bars are clipped to the strip, so no bar image is ever larger than the strip itself.
void TKvSlider::FillStrip(TBitmap* strip, TColor color) const {
  const int w = strip->Width(), h = strip->Height();
  if (w <= 0 || h <= 0) return;
  const int64_t tick = FTickWidth, pitch = int64_t(FTickWidth) + FSpacing;
  const bool vertical = Vertical(), topRight = TopRight();
  const int64_t count = (vertical ? h : w) / pitch + 2;
  TCanvas* c = strip->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(Rect(0, 0, w, h));
  c->Brush()->SetColor(color);
  // A bar that is not solid is a checkerboard lit at its own top left corner; the pattern
  // lies on the strip from its corner.
  const std::unique_ptr<TBitmap> litAtEven = CreatePatternBitmap(color, Color());
  const std::unique_ptr<TBitmap> litAtOdd = CreatePatternBitmap(Color(), color);
  for (int64_t i = 0; i < count; ++i) {
    int64_t left = 0, top = 0, right = w, bottom = h;
    if (vertical) {
      top = topRight ? i * pitch : h - tick - i * pitch;
      bottom = top + tick;
    } else {
      left = topRight ? w - tick - i * pitch : i * pitch;
      right = left + tick;
    }
    if (!FSolidFill)
      c->Brush()->SetBitmap((left + top) % 2 == 0 ? litAtEven.get() : litAtOdd.get());
    c->FillRect(Rect(int(std::clamp<int64_t>(left, 0, w)), int(std::clamp<int64_t>(top, 0, h)),
                     int(std::clamp<int64_t>(right, 0, w)),
                     int(std::clamp<int64_t>(bottom, 0, h))));
  }
  c->Brush()->SetBitmap(nullptr);
}

void TKvSlider::Paint() {
  TCanvas* canvas = BitmapCanvas();
  KeepStrips();
  // The frame, the bevel and the unlit strip stay the same while the thumb moves.
  const TColor frame = HasFocus() ? FFocusColor : FBorderColor;
  TKvLayerKey key;
  key << FBorderWidth << (FBorderWidth > 0 ? frame : TColor(clBlack)) << &d->OffStrip;
  key << FBevel.get();
  kv::ClearWithBase(ImageClear(), d->Face, key, [&] {
    TRect r = ClientRect();
    if (FBorderWidth > 0) DrawFrame3D(canvas, r, frame, frame, FBorderWidth);
    FBevel->Paint(canvas, r);
    FInterior = r;
    const TRect strip = kv::Bounds(r.Left, r.Top, d->OffStrip.Width(), d->OffStrip.Height());
    if (!IsRectEmpty(strip))
      canvas->CopyRect(strip, d->OffStrip.Canvas(), Rect(0, 0, strip.Width(), strip.Height()));
  });
  const TRect& r = FInterior;
  const TRect strip = kv::Bounds(r.Left, r.Top, d->OffStrip.Width(), d->OffStrip.Height());
  PlaceThumb();
  TRect on = r;
  const TRect& t = FThumbRect;
  if (Vertical() && !TopRight()) on.Top = t.Top + FThumbHeight / 2;
  else if (Vertical()) on.Bottom = t.Bottom - FThumbHeight / 2;
  else if (!TopRight()) on.Right = t.Left + FThumbWidth / 2;
  else on.Left = t.Right - FThumbWidth / 2;
  // An inverted rectangle (a thumb beyond the interior) lights nothing.
  TRect lit;
  if (!IsRectEmpty(on) && IntersectRect(lit, on, strip) && IntersectRect(lit, lit, PaintRect())) {
    // The lit strip's rows, as a plain copy would put them.
    kv::CopyRows(Image(), {lit.Left, lit.Top}, d->OnStrip.Image(),
                 Rect(lit.Left - r.Left, lit.Top - r.Top, lit.Right - r.Left, lit.Bottom - r.Top));
  }
  DrawThumb(canvas);
  TKvThumbControl::Paint();
}
