#include "KvSlider.h"

#include "ClassRegistry.h"
#include "KvFaceBase.h"
#include "KvSysUtils.h"

#include <algorithm>
#include <climits>

using kv::ColorToRGB, kv::IntersectRect, kv::IsRectEmpty, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvSlider>();

constexpr TKvSliderOptions kAllOptions =
    TKvSliderOption::soActiveClick | TKvSliderOption::soMouseClip | TKvSliderOption::soHandPoint |
    TKvSliderOption::soThumbOpaque;

QRgb Rgb(TColor c) {
  const int32_t v = ColorToRGB(c);
  return qRgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

}  // namespace

TKvSlider::TKvSlider(kv::OwnerOrParent owner)
    : TKvThumbControl(owner),
      FBevel(std::make_unique<TKvBevel>()),
      FPalette(std::make_unique<TKvPalette>()),
      FOffStrip(std::make_unique<TBitmap>()),
      FOnStrip(std::make_unique<TBitmap>()) {
  FBevel->SetInnerStyle(TKvBevelStyle::bsLowered);
  FBevel->SetInnerWidth(2);
  FBevel->SetInnerColor(clBlack);
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { StripsChanged(); });
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] { StripsChanged(); });
  SetColor(clBlack);
  SetParentColor(false);
  SetBounds(0, 0, 36, 171);
  LoadThumb();
  BuildStrips();
}

TKvSlider::~TKvSlider() = default;

QString TKvSlider::BuiltInThumb() const {
  // Named by the picture's long axis: a vertical slider takes the horizontal picture.
  return Vertical() ? QStringLiteral("KVSLIDERTHUMB_HORI") : QStringLiteral("KVSLIDERTHUMB_VERT");
}

void TKvSlider::StripsChanged() {
  BuildStrips();
  UpdateControl();
}

void TKvSlider::SetMaxValue(int v) {
  if (!SetIfChanged(FMaxValue, v)) return;
  if (FPosition > FMaxValue) SetPosition(FMaxValue);
  else UpdateControl();
}

void TKvSlider::SetMinValue(int v) {
  if (!SetIfChanged(FMinValue, v)) return;
  if (FPosition < FMinValue) SetPosition(FMinValue);
  else UpdateControl();
}

void TKvSlider::SetValue(int64_t v) { SetPosition(int(std::clamp<int64_t>(v, INT_MIN, INT_MAX))); }

void TKvSlider::SetPosition(int v) {
  v = std::max(v, FMinValue);
  v = std::min(v, FMaxValue);
  if (!SetIfChanged(FPosition, v)) return;
  ThumbMoved();
  Change();
}

void TKvSlider::Change() { emit OnChange(this); }

void TKvSlider::SetSpacing(int v) {
  if (v >= 0 && SetIfChanged(FSpacing, v)) StripsChanged();
}

void TKvSlider::SetTickWidth(int v) {
  if (v > 0 && SetIfChanged(FTickWidth, v)) StripsChanged();
}

// A square slider gets no resize from the swap, so the strips are rebuilt here.
void TKvSlider::SetOrientation(TKvOrientation v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FOrientation, v)) return;
  if (!IsLoading()) {
    SetBounds(Left(), Top(), Height(), Width());
    BuildStrips();
  }
  LoadThumb();
  UpdateControl();
}

void TKvSlider::SetSolidFill(bool v) {
  if (SetIfChanged(FSolidFill, v)) StripsChanged();
}

void TKvSlider::SetStyle(TKvSliderStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FStyle, v)) StripsChanged();
}

void TKvSlider::SetOptions(TKvSliderOptions v) {
  if ((v & ~kAllOptions) == TKvSliderOptions() && SetIfChanged(FOptions, v)) UpdateControl();
}

void TKvSlider::SetBorderColor(TColor v) {
  if (SetIfChanged(FBorderColor, v)) UpdateControl();
}

void TKvSlider::SetBorderWidth(int v) {
  if (v >= 0 && SetIfChanged(FBorderWidth, v)) StripsChanged();
}

void TKvSlider::SetFocusColor(TColor v) {
  if (SetIfChanged(FFocusColor, v)) UpdateControl();
}

void TKvSlider::SetThumbIndent(int v) {
  if (v >= 0 && SetIfChanged(FThumbIndent, v)) UpdateControl();
}

void TKvSlider::Loaded() {
  TKvThumbControl::Loaded();
  BuildStrips();
  UpdateControl();
}

void TKvSlider::CMColorChanged() {
  TKvThumbControl::CMColorChanged();
  BuildStrips();
  UpdateControl();
}

void TKvSlider::CMSysColorChange() {
  TKvThumbControl::CMSysColorChange();
  BuildStrips();
}

void TKvSlider::Resize() {
  BuildStrips();
  TKvThumbControl::Resize();
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

void TKvSlider::BuildStrips() {
  if (IsLoading()) return;
  const QSize size = StripSize();
  FOffStrip->SetSize(size.width(), size.height());
  FOnStrip->SetSize(size.width(), size.height());
  FillStrip(FOffStrip.get(), FPalette->Low());
  FillStrip(FOnStrip.get(), FPalette->High());
}

// Bars are clipped to the strip, so no bar image is ever larger than the strip itself.
void TKvSlider::FillStrip(TBitmap* strip, TColor color) const {
  const int w = strip->Width(), h = strip->Height();
  if (w <= 0 || h <= 0) return;
  const QRgb back = Rgb(Color()), ink = Rgb(color);
  const int64_t tick = FTickWidth, pitch = int64_t(FTickWidth) + FSpacing;
  const bool vertical = Vertical(), topRight = TopRight();
  const int64_t count = (vertical ? h : w) / pitch + 2;
  for (int y = 0; y < h; ++y) std::fill_n(strip->ScanLine(y), w, back);
  for (int64_t i = 0; i < count; ++i) {
    int64_t left = 0, top = 0, right = w, bottom = h;
    if (vertical) {
      top = topRight ? i * pitch : h - tick - i * pitch;
      bottom = top + tick;
    } else {
      left = topRight ? w - tick - i * pitch : i * pitch;
      right = left + tick;
    }
    const int x0 = int(std::clamp<int64_t>(left, 0, w)), x1 = int(std::clamp<int64_t>(right, 0, w));
    const int y0 = int(std::clamp<int64_t>(top, 0, h)), y1 = int(std::clamp<int64_t>(bottom, 0, h));
    for (int y = y0; y < y1; ++y) {
      uint32_t* row = strip->ScanLine(y);
      for (int x = x0; x < x1; ++x)
        row[x] = FSolidFill || ((x - left + y - top) % 2 == 0) ? ink : back;
    }
  }
  strip->PixelsChanged();
}

void TKvSlider::Paint() {
  TCanvas* canvas = BitmapCanvas();
  if (QSize(FOffStrip->Width(), FOffStrip->Height()) != StripSize()) BuildStrips();
  // The frame, the bevel and the unlit strip stay the same while the thumb moves.
  const TColor frame = HasFocus() ? FFocusColor : FBorderColor;
  TKvLayerKey key;
  key << FBorderWidth << (FBorderWidth > 0 ? frame : TColor(clBlack)) << FOffStrip.get();
  FBevel->WriteKey(key);
  ClearWithBase(key, [&] {
    TRect r = ClientRect();
    if (FBorderWidth > 0) DrawFrame3D(canvas, r, frame, frame, FBorderWidth);
    FBevel->Paint(canvas, r);
    FInterior = r;
    const TRect strip = kv::Bounds(r.Left, r.Top, FOffStrip->Width(), FOffStrip->Height());
    if (!IsRectEmpty(strip))
      canvas->CopyRect(strip, FOffStrip->Canvas(), Rect(0, 0, strip.Width(), strip.Height()));
  });
  const TRect& r = FInterior;
  const TRect strip = kv::Bounds(r.Left, r.Top, FOffStrip->Width(), FOffStrip->Height());
  PlaceThumb();
  TRect d = r;
  const TRect& t = FThumbRect;
  if (Vertical() && !TopRight()) d.Top = t.Top + FThumbHeight / 2;
  else if (Vertical()) d.Bottom = t.Bottom - FThumbHeight / 2;
  else if (!TopRight()) d.Right = t.Left + FThumbWidth / 2;
  else d.Left = t.Right - FThumbWidth / 2;
  // An inverted rectangle (a thumb beyond the interior) lights nothing.
  TRect lit;
  if (!IsRectEmpty(d) && IntersectRect(lit, d, strip) && IntersectRect(lit, lit, PaintRect())) {
    // The lit strip's rows, as a plain copy would put them.
    kv::CopyRows(Image(), {lit.Left, lit.Top}, FOnStrip->Image(),
                 Rect(lit.Left - r.Left, lit.Top - r.Top, lit.Right - r.Left, lit.Bottom - r.Top));
  }
  DrawThumb(canvas);
  TKvThumbControl::Paint();
}
