#include "KvScanner.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvLedsInternal.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QPointer>

#include <algorithm>

using kv::CopyRows, kv::Rect, kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvScanner, TKvIndicator>();

// The indicator's range: an end crossing the other raises and the position is clamped into
// the new range silently; loading takes values as they come and Loaded clamps.
constexpr kv::RangePolicy kRange{kv::CrossedEnd::Raise, kv::PositionFollow::IntoRange, true};
constexpr kv::RangeSignals<TKvIndicator, int> kSignals{
    &TKvIndicator::MinValueChanged, &TKvIndicator::MaxValueChanged, &TKvIndicator::PositionChanged};

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && a < 0 ? 1 : 0); }
int64_t CeilDiv(int64_t a, int64_t b) { return a / b + (a % b != 0 && a > 0 ? 1 : 0); }

// The widest ring a style can draw: its two ring widths together, negatives counting 0.
int64_t RingsOf(const TKvLedStyle& style) {
  return std::max(style.OuterWidth(), 0) + int64_t(std::max(style.InnerWidth(), 0));
}

// The widest ring any of Styles can draw.
int64_t WidestRingsOf(const std::array<std::unique_ptr<TKvLedStyle>, 3>& styles) {
  int64_t rings = 0;
  for (const auto& style : styles) rings = std::max(rings, RingsOf(*style));
  return rings;
}

// A row of LEDs, each its rings around a lit column and row, apart by the spacing.
QSize LeastLedRow(int leds, int spacing, int64_t rings) {
  const int64_t n = std::max(leds, 1), led = 2 * rings + 1;
  return kv::LeastSizeHint(n * led + (n - 1) * std::max(spacing, 0), led);
}

}  // namespace

// ---------------------------------------------------------------------------
// LED style

void TKvLedStyle::Assign(const TPersistent* source) {
  if (!AssignData(source, &TKvLedStyle::F)) TKvPersistent::Assign(source);
}

// Everything an LED drawn in the style depends on.
TKvLayerKey& operator<<(TKvLayerKey& key, const TKvLedStyle* s) {
  return key << s->InnerHigh() << s->InnerShadow() << s->InnerWidth() << s->OuterHigh()
             << s->OuterShadow() << s->OuterWidth() << s->PaletteHigh1() << s->PaletteHigh2()
             << s->PaletteLow1() << s->PaletteLow2();
}

void DrawLed(TCanvas* Canvas, const TRect& Rect, const TKvLedStyle* Style, bool Lit,
             int ColorWidth) {
  TRect face = Rect;
  DrawFrame3D(Canvas, face, Style->OuterHigh(), Style->OuterShadow(), Style->OuterWidth());
  DrawFrame3D(Canvas, face, Style->InnerHigh(), Style->InnerShadow(), Style->InnerWidth());
  if (face.Right <= face.Left || face.Bottom <= face.Top) return;
  GradientBands(Canvas, face, Lit ? Style->PaletteHigh1() : Style->PaletteLow1(),
                Lit ? Style->PaletteHigh2() : Style->PaletteLow2(), 1, ColorWidth);
}

// ---------------------------------------------------------------------------
// The row of LEDs

namespace kv {

void LedRow::Layout(int width, int height, int leds, int spacing, int64_t rings) {
  FControlWidth = width;
  FLeds = std::max(leds, 1);
  FSpacing = spacing;
  const int64_t a = int64_t(width) - (FLeds - 1) * FSpacing;
  FLedWidth = a / FLeds;
  FLedHeight = height;
  FLedOffset = (a - FLedWidth * FLeds) / 2;
  // A column further than the rings from both sides of an LED looks like every other such
  // column, so an LED wider than the control keeps only its sides and one middle column in
  // its cell. Any other LED is kept whole: a frame then copies it in one piece.
  FKeep = std::min<int64_t>(std::max<int64_t>(height, 0), rings) + 1;
  FCellWidth = FLedWidth > std::max<int64_t>(2 * FKeep + 1, width) ? 2 * FKeep + 1 : FLedWidth;
}

void LedRow::ForEachVisible(const std::function<void(int64_t)>& visit) const {
  if (Empty()) return;
  const int64_t w = FLedWidth, pitch = w + FSpacing, last = FLeds - 1;
  const auto meets = [&](int64_t left, int64_t right) { return left < FControlWidth && right > 0; };
  // A later LED covers what it overlaps of an earlier one, so an earlier LED shows only its
  // own strip of min(width, |pitch|) columns: the LEDs whose strip meets the control, then
  // the last one, which shows whole.
  if (pitch != 0) {
    const int64_t strip = std::min(w, pitch > 0 ? pitch : -pitch);
    int64_t lo = 0, hi = -1;
    if (pitch > 0) {
      const int64_t b = FLedOffset;
      lo = FloorDiv(-strip - b, pitch) + 1;
      hi = CeilDiv(FControlWidth - b, pitch) - 1;
    } else {
      const int64_t b = FLedOffset + w - strip, q = -pitch;
      lo = FloorDiv(b - FControlWidth, q) + 1;
      hi = CeilDiv(b + strip, q) - 1;
    }
    for (int64_t i = std::max<int64_t>(lo, 0); i <= std::min(hi, last - 1); ++i) visit(i);
  }
  const int64_t left = last * pitch + FLedOffset;
  if (meets(left, left + w)) visit(last);
}

bool LedRow::LaidOutFor(int width, int height, int leds, int spacing) const {
  return FControlWidth == width && FLedHeight == height && FLeds == std::max(leds, 1) &&
         FSpacing == spacing;
}

TRect LedRow::Columns(int64_t first, int64_t last) const {
  first = std::max<int64_t>(first, 0);
  last = std::min(last, FLeds);
  if (first >= last) return TRect{};
  const int64_t pitch = FLedWidth + FSpacing;
  return Rect(SaturateToInt(first * pitch + FLedOffset), 0,
              SaturateToInt((last - 1) * pitch + FLedOffset + FLedWidth), int(FLedHeight));
}

void LedRow::CopyLed(TBitmap* dest, const TBitmap* image, int cell, int64_t index,
                     const TRect* within) const {
  const int64_t left = index * (FLedWidth + FSpacing) + FLedOffset;
  const int64_t cellLeft = int64_t(cell) * FCellWidth;
  const int64_t top = within ? std::max(within->Top, 0) : 0;
  const int64_t bottom = within ? std::min<int64_t>(within->Bottom, FLedHeight) : FLedHeight;
  const int64_t minX = within ? std::max(within->Left, 0) : 0;
  const int64_t maxX = within ? std::min<int64_t>(within->Right, FControlWidth) : FControlWidth;
  if (top >= bottom) return;
  // Copies LED columns [From, To) from cell columns starting at Source (one column
  // stretched when Stretch), inside the control: plain pieces row by row.
  const auto piece = [&](int64_t from, int64_t to, int64_t source, bool stretch) {
    const int64_t a = std::max(left + from, minX), b = std::min(left + to, maxX);
    if (a >= b) return;
    const int64_t s = cellLeft + source + (stretch ? 0 : a - (left + from));
    if (!stretch) {
      CopyRows(dest, TPoint(int(a), int(top)), image->Image(),
               Rect(int(s), int(top), int(s + b - a), int(bottom)));
      return;
    }
    dest->Canvas()->CopyRect(Rect(int(a), int(top), int(b), int(bottom)), image->Canvas(),
                             Rect(int(s), int(top), int(s + 1), int(bottom)));
  };
  if (FCellWidth == FLedWidth) {
    piece(0, FLedWidth, 0, false);
    return;
  }
  piece(0, FKeep, 0, false);
  piece(FKeep, FLedWidth - FKeep, FKeep, true);
  piece(FLedWidth - FKeep, FLedWidth, FCellWidth - FKeep, false);
}

}  // namespace kv

namespace {

// Draws the unlit and lit LED of Style into cells First and First + 1 of Image.
void DrawLedPair(TBitmap* image, const kv::LedRow& row, int first, const TKvLedStyle& style,
                 int colorWidth) {
  const int w = row.CellWidth(), h = row.LedHeight();
  for (int lit = 0; lit < 2; ++lit) {
    const int x = (first + lit) * w;
    DrawLed(image->Canvas(), Rect(x, 0, x + w, h), &style, lit == 1, colorWidth);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Scanner

struct TKvScanner::Private {
  TBitmap LedImage;
  // The background with every LED unlit: a frame lights one LED over a copy of it.
  TKvFaceBase FaceBase;
  kv::LedRow Row;
  QByteArray LedKey;
};

TKvScanner::TKvScanner(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FTimer(std::make_unique<TKvTimer>(nullptr)),
      FLedStyle(std::make_unique<TKvLedStyle>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 250, 9);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(100);
  kv::ConnectTick(FTimer.get(), this, [this] { Scan(); });
  connect(FLedStyle.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
}

// The timer goes first: from inside its own tick it lets its worker end by itself.
TKvScanner::~TKvScanner() { FTimer.reset(); }

void TKvScanner::SetLeds(int v) {
  if (!TKvIntMax::Contains(v) || v == FLeds) return;
  FLeds = v;
  FPosition = -1;
  UpdateControl();
}

void TKvScanner::SetSpacing(int v) {
  if (SetIfChanged(FSpacing, v)) UpdateControl();
}

void TKvScanner::SetColorWidth(int v) {
  if (TKvInt10::Contains(v) && SetIfChanged(FColorWidth, v)) UpdateControl();
}

void TKvScanner::SetDirection(TKvScanDirection v) {
  if (kv::IsEnumValue(v)) FDirection = v;
}

void TKvScanner::SetPosition(int v) {
  if (!SetIfChanged(FPosition, v)) return;
  UpdateControl();
  const kv::DispatchScope firing(this);
  emit OnChange(this);
}

bool TKvScanner::Threaded() const { return FTimer->TimerType() == TKvTimerType::ttThread; }

void TKvScanner::SetThreaded(bool v) {
  FTimer->SetTimerType(v ? TKvTimerType::ttThread : TKvTimerType::ttSystem);
}

void TKvScanner::SetActive(bool v) {
  if (!SetIfChanged(FActive, v)) return;
  if (!IsDesigning()) FTimer->SetEnabled(v);
  emit ActiveChanged(FActive);
}

int TKvScanner::TimeInterval() const { return int(FTimer->Interval()); }

void TKvScanner::SetTimeInterval(int v) { FTimer->SetInterval(uint32_t(v)); }

void TKvScanner::Loaded() {
  TKvGraphicImageControl::Loaded();
  UpdateControl();
}

void TKvScanner::Scan() {
  const int64_t last = int64_t(FLeds) - 1, p = FPosition;
  int64_t next = p;
  switch (FDirection) {
    case TKvScanDirection::sdBoth:
      // The light rests one tick at each end before it turns.
      if (!FBackward) {
        if (p >= last) {
          FBackward = true;
          return;
        }
        next = p + 1;
      } else {
        if (p <= 0) {
          FBackward = false;
          return;
        }
        next = p - 1;
      }
      break;
    case TKvScanDirection::sdLeftRight: next = p < last ? p + 1 : 0; break;
    case TKvScanDirection::sdRightLeft: next = p > 0 ? p - 1 : last; break;
  }
  SetPosition(int(next));
}

void TKvScanner::Paint() {
  // Everything the LED pictures and the face base are drawn from.
  TKvLayerKey key;
  key << Width() << Height() << FLeds << FSpacing << FColorWidth;
  key << FLedStyle.get();
  if (key.Bytes() != d->LedKey) {
    d->LedKey = key.Bytes().toByteArray();
    d->Row.Layout(Width(), Height(), FLeds, FSpacing, RingsOf(*FLedStyle));
    if (!d->Row.Empty()) {
      d->LedImage.SetSize(2 * d->Row.CellWidth(), d->Row.LedHeight());
      DrawLedPair(&d->LedImage, d->Row, 0, *FLedStyle, FColorWidth);
    }
  }
  TBitmap* image = Image();
  kv::ClearWithBase(ImageClear(), d->FaceBase, key, [&] {
    d->Row.ForEachVisible([&](int64_t i) { d->Row.CopyLed(image, &d->LedImage, 0, i); });
  });
  const bool overlaps = d->Row.Overlaps();
  d->Row.ForEachVisible([&](int64_t i) {
    if (i == FPosition || overlaps) d->Row.CopyLed(image, &d->LedImage, i == FPosition, i);
  });
  TKvGraphicImageControl::Paint();
}

// ---------------------------------------------------------------------------
// Indicator

struct TKvIndicator::Private {
  TBitmap LedImage;
  // The background with every LED unlit in its zone: a frame lights LEDs over a copy of it.
  TKvFaceBase FaceBase;
  kv::LedRow Row;
  QByteArray LedKey;
};

TKvIndicator::TKvIndicator(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner), d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 250, 9);
  for (auto& style : FLedStyles) style = std::make_unique<TKvLedStyle>();
  const struct {
    TColor low, high;
  } zones[] = {{clGreen, clLime}, {clOlive, clYellow}, {clMaroon, clRed}};
  for (size_t z = 0; z < FLedStyles.size(); ++z) {
    FLedStyles[z]->SetPaletteLow1(zones[z].low);
    FLedStyles[z]->SetPaletteHigh1(zones[z].high);
    FLedStyles[z]->SetInnerHigh(zones[z].high);
    connect(FLedStyles[z].get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  }
}

TKvIndicator::~TKvIndicator() = default;

void TKvIndicator::SetMinValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Min, v, kSignals);
}

void TKvIndicator::SetMaxValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Max, v, kSignals);
}

void TKvIndicator::SetLeds(int v) {
  if (TKvIntMax::Contains(v) && SetIfChanged(FLeds, v)) UpdateControl();
}

void TKvIndicator::SetSpacing(int v) {
  if (SetIfChanged(FSpacing, v)) UpdateControl();
}

void TKvIndicator::SetColorWidth(int v) {
  if (TKvInt10::Contains(v) && SetIfChanged(FColorWidth, v)) UpdateControl();
}

void TKvIndicator::SetPosition(int v) {
  // While loading the range may still be incomplete; Loaded clamps.
  const int before = FRange.Position;
  if (!kv::TakePosition<kRange>(FRange, v, IsLoading())) return;
  RepaintLit(before);
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit PositionChanged(FRange.Position); });
}

int64_t TKvIndicator::LitCount(int position) const {
  return PercentToValue(
      kv::PercentOfRange(int64_t(position) - FRange.Min, int64_t(FRange.Max) - FRange.Min), FLeds);
}

void TKvIndicator::RepaintLit(int before) {
  // Overlapping LEDs show through one another; a row laid out otherwise than the last frame
  // is no guide to what changed.
  if (d->Row.Overlaps() || !d->Row.LaidOutFor(Width(), Height(), FLeds, FSpacing))
    return UpdateControl();
  const int64_t a = LitCount(before), b = LitCount(FRange.Position);
  UpdateControlRect(d->Row.Columns(std::min(a, b), std::max(a, b)));
}

void TKvIndicator::SetPercent(int& field, int v, int other) {
  if (!TKvPercentInt::Contains(v)) return;
  if (!IsLoading() && v + other > 100) v = 100 - other;
  if (SetIfChanged(field, v)) UpdateControl();
}

void TKvIndicator::SetPercent1(int v) { SetPercent(FPercent1, v, FPercent2); }
void TKvIndicator::SetPercent2(int v) { SetPercent(FPercent2, v, FPercent1); }

void TKvIndicator::Loaded() {
  TKvGraphicImageControl::Loaded();
  FRange.Position = kv::ClampPosition<kRange>(FRange, FRange.Position);
  UpdateControl();
}

void TKvIndicator::Paint() {
  // Everything the LED pictures and the face base are drawn from. The pictures are drawn at
  // the image's scale: a frame copies them, rather than enlarging them.
  TKvLayerKey key;
  key << Width() << Height() << Image()->DeviceScale() << FLeds << FSpacing << FColorWidth
      << FPercent1 << FPercent2;
  for (const auto& style : FLedStyles) key << style.get();
  if (key.Bytes() != d->LedKey) {
    d->LedKey = key.Bytes().toByteArray();
    d->Row.Layout(Width(), Height(), FLeds, FSpacing, WidestRingsOf(FLedStyles));
    if (!d->Row.Empty()) {
      d->LedImage.SetDeviceScale(Image()->DeviceScale());
      d->LedImage.SetSize(6 * d->Row.CellWidth(), d->Row.LedHeight());
      for (int z = 0; z < 3; ++z)
        DrawLedPair(&d->LedImage, d->Row, 2 * z, *FLedStyles[size_t(z)], FColorWidth);
    }
  }
  const int64_t zone1 = PercentToValue(FPercent1, FLeds);
  const int64_t zone12 = zone1 + PercentToValue(FPercent2, FLeds);
  const auto zone = [&](int64_t i) { return i < zone1 ? 0 : i < zone12 ? 1 : 2; };
  TBitmap* image = Image();
  bool whole = false;
  kv::ClearWithBase(ImageClear(), d->FaceBase, key, [&] {
    whole = true;
    d->Row.ForEachVisible([&](int64_t i) { d->Row.CopyLed(image, &d->LedImage, 2 * zone(i), i); });
  });
  // A face drawn afresh is whole; a kept one was copied only where this paint must be right.
  const TRect* within = whole ? nullptr : &PaintRect();
  const int64_t lit = LitCount(FRange.Position);
  const bool overlaps = d->Row.Overlaps();
  d->Row.ForEachVisible([&](int64_t i) {
    const bool on = i + 1 <= lit;
    if (on || overlaps) d->Row.CopyLed(image, &d->LedImage, 2 * zone(i) + on, i, within);
  });
  TKvGraphicImageControl::Paint();
}

QSize TKvScanner::minimumSizeHint() const {
  return LeastLedRow(FLeds, FSpacing, RingsOf(*FLedStyle));
}

QSize TKvIndicator::minimumSizeHint() const {
  return LeastLedRow(FLeds, FSpacing, WidestRingsOf(FLedStyles));
}
