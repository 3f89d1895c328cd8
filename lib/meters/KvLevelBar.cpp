#include "KvLevelBar.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <algorithm>

using kv::Rect, kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvLevelBar>();

// An end that would not keep MaxValue above MinValue is refused; a position left outside
// moves through SetPosition; loading takes values as they come and Loaded settles them.
constexpr kv::RangePolicy kRange{kv::CrossedEnd::Refuse, kv::PositionFollow::Setter, true};
constexpr kv::RangeSignals<TKvLevelBar, int> kSignals{
    &TKvLevelBar::MinValueChanged, &TKvLevelBar::MaxValueChanged, &TKvLevelBar::PositionChanged};

}  // namespace

struct TKvLevelBar::Private {
  // The bevel with every tick unlit.
  TKvFaceBase FaceBase;
  // The face with every tick lit, made whenever the unlit one is.
  TKvKeptPicture LitFace;
};

TKvLevelBar::TKvLevelBar(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FPalettes{std::make_unique<TKvPalette>(), std::make_unique<TKvPalette>(),
                std::make_unique<TKvPalette>()},
      FBevel(std::make_unique<TKvBevel>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetColor(clBlack);
  FPalettes[0]->SetLow(clGreen);
  FPalettes[0]->SetHigh(clLime);
  FPalettes[1]->SetLow(clOlive);
  FPalettes[1]->SetHigh(clYellow);
  FPalettes[2]->SetLow(clMaroon);
  FPalettes[2]->SetHigh(clRed);
  FBevel->SetInnerStyle(TKvBevelStyle::bsLowered);
  FBevel->SetInnerWidth(2);
  FBevel->SetInnerColor(clBlack);
  FLaidOutBevelWidth = BevelWidth();
  // Snapped with the bevel in place: 169 of 170 high hold 80 ticks.
  SetBounds(0, 0, 20, 170);
  for (const auto& p : FPalettes)
    connect(p.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { BevelChanged(); });
}

TKvLevelBar::~TKvLevelBar() = default;

// ---------------------------------------------------------------------------
// Range and position

void TKvLevelBar::SetMaxValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Max, v, kSignals);
}

void TKvLevelBar::SetMinValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Min, v, kSignals);
}

void TKvLevelBar::SetPosition(int v) {
  // While loading the range may still be incomplete; Loaded clamps.
  const int before = FRange.Position;
  if (!kv::TakePosition<kRange>(FRange, v, IsLoading())) return;
  RepaintLit(before);
  kv::ReportPosition(*this, FRange);
}

void TKvLevelBar::Loaded() {
  TKvGraphicImageControl::Loaded();
  kv::SettleLoadedRange(FRange, 0, 100);
  FLaidOutBevelWidth = BevelWidth();
  SetBounds(Left(), Top(), Width(), Height());
}

void TKvLevelBar::SetBounds(int left, int top, int width, int height) {
  if (!IsLoading()) (Vertical() ? height : width) = Snap(width, height).Snapped;
  TKvGraphicImageControl::SetBounds(left, top, width, height);
}

// ---------------------------------------------------------------------------
// Settings

void TKvLevelBar::SetPercent1(int v) {
  if (v == FPercent1 || !TKvPercentInt::Contains(v)) return;
  if (!IsLoading() && v + FPercent2 > 100) v = 100 - FPercent2;
  if (SetIfChanged(FPercent1, v)) UpdateControl();
}

void TKvLevelBar::SetPercent2(int v) {
  if (!TKvPercentInt::Contains(v) || v + FPercent1 > 100) return;
  if (SetIfChanged(FPercent2, v)) UpdateControl();
}

void TKvLevelBar::SetOrientation(TKvOrientation v) {
  if (v == FOrientation || !kv::IsEnumValue(v)) return;
  FOrientation = v;
  if (!IsLoading()) kv::TurnShape(this, v == TKvOrientation::voVertical);
  UpdateControl();
}

void TKvLevelBar::SetTickHeight(int v) {
  if (v <= 0 || v == FTickHeight || int64_t(v) + FSpacing <= 0) return;
  FTickHeight = v;
  AdjustBounds();
}

void TKvLevelBar::SetSpacing(int v) {
  if (v == FSpacing || int64_t(FTickHeight) + v <= 0) return;
  FSpacing = v;
  AdjustBounds();
}

void TKvLevelBar::SetStyle(TKvProgressStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FStyle, v)) UpdateControl();
}

void TKvLevelBar::BevelChanged() {
  const int old = FLaidOutBevelWidth;
  FLaidOutBevelWidth = BevelWidth();
  if (IsLoading()) return;
  // The bar keeps its size; the frame grows or shrinks around it.
  kv::KeepInteriorAcrossFrame(*this, old, FLaidOutBevelWidth);
  UpdateControl();
}

// ---------------------------------------------------------------------------
// Painting

int TKvLevelBar::BevelWidth() const {
  TRect r;
  FBevel->GetVisibleArea(r);
  return r.Left;
}

kv::TickSnap TKvLevelBar::Snap(int width, int height) const {
  TRect bar = Rect(0, 0, width, height);
  FBevel->GetVisibleArea(bar);
  const int64_t length = Vertical() ? int64_t(bar.Bottom) - bar.Top : int64_t(bar.Right) - bar.Left;
  return kv::SnapTicks(length, FTickHeight, FSpacing, BevelWidth(), Vertical() ? height : width);
}

// The size was snapped when it was set; a paint only lays the ticks out in it.
void TKvLevelBar::CalcTicks() {
  const kv::TickSnap snap = Snap(Width(), Height());
  FTickStep = snap.Step;
  FTickCount = snap.Count;
  FBarRect = ClientRect();
  FBevel->GetVisibleArea(FBarRect);
}

int TKvLevelBar::LitCount(int position, int n) const {
  return PercentToValue(
      kv::PercentOfRange(int64_t(position) - FRange.Min, int64_t(FRange.Max) - FRange.Min), n);
}

TRect TKvLevelBar::TickRect(int k) const {
  const int n = FTickCount;
  const bool fromStart = FStyle == TKvProgressStyle::psBottomLeft;
  TRect r = FBarRect;
  if (Vertical()) {
    const int64_t top = fromStart
                            ? FBarRect.Top + (int64_t(n) - k) * FTickStep
                            : int64_t(FBarRect.Bottom) - FTickHeight - (int64_t(n) - k) * FTickStep;
    r.Top = SaturateToInt(top);
    r.Bottom = SaturateToInt(top + FTickHeight);
  } else {
    const int64_t left = fromStart
                             ? FBarRect.Left + (int64_t(k) - 1) * FTickStep
                             : int64_t(FBarRect.Right) - FTickHeight - (int64_t(k) - 1) * FTickStep;
    r.Left = SaturateToInt(left);
    r.Right = SaturateToInt(left + FTickHeight);
  }
  return r;
}

void TKvLevelBar::RepaintLit(int before) {
  // Only a frame laid out as the last one was, with ticks that do not overlap, is mended in
  // place; the position then changes nothing but the ticks it lights or puts out.
  TRect bar = ClientRect();
  FBevel->GetVisibleArea(bar);
  const kv::TickSnap snap = Snap(Width(), Height());
  const int n = snap.Count;
  if (FSpacing < 0 || n <= 0 || bar != FBarRect || n != FTickCount || snap.Step != FTickStep)
    return UpdateControl();
  const int a = LitCount(before, n), b = LitCount(FRange.Position, n);
  const TRect first = TickRect(std::clamp(std::min(a, b) + 1, 1, n));
  const TRect last = TickRect(std::clamp(std::max(a, b), 1, n));
  UpdateControlRect(TRect{std::min(first.Left, last.Left), std::min(first.Top, last.Top),
                          std::max(first.Right, last.Right), std::max(first.Bottom, last.Bottom)});
}

void TKvLevelBar::Paint() {
  CalcTicks();
  const int n = FTickCount;
  const int lit = LitCount(FRange.Position, n);
  const int z1 = PercentToValue(FPercent1, n);
  const int64_t z12 = int64_t(z1) + PercentToValue(FPercent2, n);
  const bool fromStart = FStyle == TKvProgressStyle::psBottomLeft;
  const auto drawTicks = [&](TCanvas* c, int from, int to, bool on) {
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    for (int k = from; k <= to; ++k) {
      const TKvPalette& zone = *FPalettes[k <= z1 ? 0 : k <= z12 ? 1 : 2];
      c->Brush()->SetColor(on ? zone.High() : zone.Low());
      c->FillRect(TickRect(k));
    }
  };
  // Overlapping ticks keep their drawing order: drawn one by one over the bevel. Otherwise
  // the bevel with every tick unlit is kept, and with every tick lit, and a frame copies the
  // lit stretch from the second over the first.
  const bool overlapping = FSpacing < 0;
  TCanvas* canvas = BitmapCanvas();
  TKvLayerKey key;
  key << Width() << Height() << overlapping;
  key << FBevel.get();
  if (!overlapping) {
    key << FBarRect.Left << FBarRect.Top << FBarRect.Right << FBarRect.Bottom << FTickHeight
        << FSpacing << fromStart << Vertical() << z1 << int(z12);
    for (const auto& p : FPalettes) key << p->Low() << p->High();
  }
  bool drawn = false;
  const auto drawBase = [&] {
    drawn = true;
    TRect client = ClientRect();
    FBevel->Paint(canvas, client);
    if (!overlapping) drawTicks(canvas, 1, n, false);
  };
  kv::ClearWithBase(ImageClear(), d->FaceBase, key, drawBase);
  if (overlapping) {
    for (int k = 1; k <= n; ++k) drawTicks(canvas, k, k, k <= lit);
  } else if (lit > 0) {
    TBitmap* image = Image();
    if (drawn || !d->LitFace.Matches(key, image->Image().size())) {
      // The lit face follows the unlit one: made again whenever that was.
      drawTicks(canvas, 1, n, true);
      d->LitFace.Keep(key, image->Image(), image->Canvas()->ClipRect());
      kv::ClearWithBase(ImageClear(), d->FaceBase, key, drawBase);
    }
    // A partial repaint makes right only what it paints; the base was restored there.
    const TRect a = TickRect(1), b = TickRect(lit);
    const TRect ticks{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                      std::max(a.Bottom, b.Bottom)};
    TRect stretch;
    if (kv::IntersectRect(stretch, ticks, drawn ? ClientRect() : PaintRect()))
      d->LitFace.CopyTo(image, {stretch.Left, stretch.Top}, stretch);
  }
  TKvGraphicImageControl::Paint();
}

QSize TKvLevelBar::minimumSizeHint() const {
  return kv::LeastTickBar(Vertical(), FTickHeight, BevelWidth());
}
