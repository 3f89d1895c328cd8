#include "KvGauge.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

using kv::Extended, kv::Point, kv::PtInRect, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvGauge>();

// An end that would not keep MaxValue above MinValue is refused; a position left outside
// moves through SetPosition; loading takes values as they come and Loaded settles them.
constexpr kv::RangePolicy kRange{kv::CrossedEnd::Refuse, kv::PositionFollow::Setter, true};
constexpr kv::RangeSignals<TKvGauge, int> kSignals{
    &TKvGauge::MinValueChanged, &TKvGauge::MaxValueChanged, &TKvGauge::PositionChanged};

// Holds a pattern bitmap in a canvas brush for one fill.
class PatternBrush {
public:
  PatternBrush(TBrush* brush, TBitmap* pattern) : FBrush(brush) { FBrush->SetBitmap(pattern); }
  ~PatternBrush() { FBrush->SetBitmap(nullptr); }
  PatternBrush(const PatternBrush&) = delete;
  PatternBrush& operator=(const PatternBrush&) = delete;

private:
  TBrush* FBrush;
};

void FillSolid(TBitmap* bitmap, TColor color) {
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(BitmapRect(bitmap));
}

// The 8 x 8 checkerboard of Color and black, aligned to the bitmap's top-left corner.
void FillChecked(TBitmap* bitmap, TColor color) {
  const std::unique_ptr<TBitmap> pattern = CreatePatternBitmap(color, clBlack);
  TCanvas* c = bitmap->Canvas();
  const PatternBrush brush(c->Brush(), pattern.get());
  c->FillRect(BitmapRect(bitmap));
}

}  // namespace

struct TKvGauge::Private {
  // The bevel, and every tick unlit and lit, replayed where the frame shows them.
  TKvStaticLayer BevelLayer;
  TKvFaceBase FaceBase;  // the cleared image with the bevel
  TKvStaticLayer OffLayer;
  TKvStaticLayer OnLayer;
};

TKvGauge::TKvGauge(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FPalette(std::make_unique<TKvPalette>()),
      FBevel(std::make_unique<TKvBevel>()),
      FTickOff(std::make_unique<TBitmap>()),
      FTickOn(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque | TControlStyleFlag::csReplicatable);
  SetBounds(0, 0, 30, 170);
  SetColor(clBlack);
  FBevel->SetInnerStyle(TKvBevelStyle::bsLowered);
  FBevel->SetInnerWidth(2);
  FBevel->SetInnerColor(clBlack);
  FLaidOutBevelWidth = BevelWidth();
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] { StyleChanged(); });
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { BevelChanged(); });
}

TKvGauge::~TKvGauge() = default;

// ---------------------------------------------------------------------------
// Range and position

void TKvGauge::SetMaxValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Max, v, kSignals);
}

void TKvGauge::SetMinValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Min, v, kSignals);
}

void TKvGauge::SetPosition(int v) {
  // While loading the range may still be incomplete; Loaded clamps.
  if (!kv::TakePosition<kRange>(FRange, v, IsLoading())) return;
  UpdateControl();
  kv::ReportPosition(*this, FRange);
}

void TKvGauge::SettleRange() { kv::SettleLoadedRange(FRange, 0, 100); }

void TKvGauge::Loaded() {
  TKvGraphicImageControl::Loaded();
  SettleRange();
  FLaidOutBevelWidth = BevelWidth();
  BuildTicks();
}

// ---------------------------------------------------------------------------
// Settings

void TKvGauge::SetOrientation(TKvOrientation v) {
  if (v == FOrientation || !kv::IsEnumValue(v)) return;
  FOrientation = v;
  if (IsLoading()) return;
  kv::TurnShape(this, v == TKvOrientation::voVertical);
  // A square gauge keeps its size, but its ticks turn.
  BuildTicks();
  UpdateControl();
}

void TKvGauge::SetTickHeight(int v) {
  if (v <= 0 || v == FTickHeight || int64_t(v) + FSpacing <= 0) return;
  FTickHeight = v;
  StyleChanged();
}

void TKvGauge::SetSpacing(int v) {
  if (v == FSpacing || int64_t(FTickHeight) + v <= 0) return;
  FSpacing = v;
  UpdateControl();
}

void TKvGauge::SetSolidFill(bool v) {
  if (SetIfChanged(FSolidFill, v)) StyleChanged();
}

void TKvGauge::SetStyle(TKvProgressStyle v) {
  if (v == FStyle || !kv::IsEnumValue(v)) return;
  FStyle = v;
  UpdateControl();
}

void TKvGauge::StyleChanged() {
  BuildTicks();
  UpdateControl();
}

void TKvGauge::BevelChanged() {
  const int old = FLaidOutBevelWidth;
  FLaidOutBevelWidth = BevelWidth();
  if (IsLoading()) return;
  // The bar keeps its size; the frame grows or shrinks around it.
  kv::KeepInteriorAcrossFrame(*this, old, FLaidOutBevelWidth);
  StyleChanged();
}

void TKvGauge::CMSysColorChange() {
  TKvGraphicImageControl::CMSysColorChange();
  BuildTicks();
}

// ---------------------------------------------------------------------------
// Painting

int TKvGauge::BevelWidth() const {
  TRect r;
  FBevel->GetVisibleArea(r);
  return r.Left;
}

TRect TKvGauge::BarRectOf(int width, int height) const {
  TRect r = Rect(0, 0, width, height);
  FBevel->GetVisibleArea(r);
  return r;
}

void TKvGauge::BuildTicks() {
  if (IsLoading()) return;
  const TRect bar = BarRectOf(ClientWidth(), ClientHeight());
  // Never longer than the bar: a longer tick could not show anyway.
  const int across = std::max(Vertical() ? RectWidth(bar) : RectHeight(bar), 0);
  const int along =
      std::clamp(FTickHeight, 0, std::max(Vertical() ? RectHeight(bar) : RectWidth(bar), 0));
  const int width = Vertical() ? across : along, height = Vertical() ? along : across;
  FTickOff->SetSize(width, height);
  if (FTickHeight < 2 || FSolidFill) FillSolid(FTickOff.get(), FPalette->Low());
  else FillChecked(FTickOff.get(), FPalette->Low());
  FTickOn->SetSize(width, height);
  FillSolid(FTickOn.get(), FPalette->High());
  FBuiltWidth = ClientWidth();
  FBuiltHeight = ClientHeight();
}

void TKvGauge::CalcTicks() {
  const TRect bar = BarRectOf(ClientWidth(), ClientHeight());
  const int64_t length = Vertical() ? int64_t(bar.Bottom) - bar.Top : int64_t(bar.Right) - bar.Left;
  const kv::TickSnap snap =
      kv::SnapTicks(length, FTickHeight, FSpacing, BevelWidth(), Vertical() ? Height() : Width());
  FTickStep = snap.Step;
  FTickCount = snap.Count;
  if (Vertical()) SetBounds(Left(), Top(), Width(), snap.Snapped);
  else SetBounds(Left(), Top(), snap.Snapped, Height());
  FBarRect = BarRectOf(ClientWidth(), ClientHeight());
}

void TKvGauge::DrawTicks() {
  const int lit = PercentToValue(
      kv::PercentOfRange(int64_t(FRange.Position) - FRange.Min, int64_t(FRange.Max) - FRange.Min),
      FTickCount);
  const bool fromStart = FStyle == TKvProgressStyle::psBottomLeft;
  const int64_t stride = fromStart ? FTickStep : -FTickStep;
  const int64_t start = Vertical()
                            ? (fromStart ? FBarRect.Top : int64_t(FBarRect.Bottom) - FTickHeight)
                            : (fromStart ? FBarRect.Left : int64_t(FBarRect.Right) - FTickHeight);
  TCanvas* canvas = BitmapCanvas();
  const auto drawTicks = [&](TCanvas* c, int64_t along, int count, const TBitmap* tick) {
    for (int i = 0; i < count; ++i, along += stride) {
      const int pos = kv::SaturateToInt(along);
      if (Vertical()) c->Draw(FBarRect.Left, pos, tick);
      else c->Draw(pos, FBarRect.Top, tick);
    }
  };
  // Ticks that never overlap are replayed from a layer of all of them, unlit or lit, within
  // the stretch a run covers.
  const bool layered = FSpacing >= 0;
  int64_t along = start;
  const auto drawRun = [&](int count, const TBitmap* tick, TKvStaticLayer* layer) {
    if (count <= 0) return;
    if (!layered) {
      drawTicks(canvas, along, count, tick);
      along += count * stride;
      return;
    }
    const int64_t first = along, last = along + (count - 1) * stride;
    along += count * stride;
    const int from = kv::SaturateToInt(std::min(first, last));
    const int to = kv::SaturateToInt(std::max(first, last) + FTickHeight);
    const TRect within = Vertical() ? Rect(0, from, Width(), to) : Rect(from, 0, to, Height());
    TKvLayerKey key;
    key << start << stride << FTickCount << FBarRect.Left << FBarRect.Top << Vertical() << tick;
    layer->Draw(
        Image(), key, [&](TCanvas* c) { drawTicks(c, start, FTickCount, tick); }, &within);
  };
  // Vertical bars list the unlit ticks first, so lit ones gather at the growth end.
  if (Vertical()) {
    drawRun(FTickCount - lit, FTickOff.get(), &d->OffLayer);
    drawRun(lit, FTickOn.get(), &d->OnLayer);
  } else {
    drawRun(lit, FTickOn.get(), &d->OnLayer);
    drawRun(FTickCount - lit, FTickOff.get(), &d->OffLayer);
  }
}

void TKvGauge::Paint() {
  CalcTicks();
  if (ClientWidth() != FBuiltWidth || ClientHeight() != FBuiltHeight) BuildTicks();
  TKvLayerKey bevelKey;
  bevelKey << Width() << Height();
  bevelKey << FBevel.get();
  kv::ClearWithBase(ImageClear(), d->FaceBase, bevelKey, [&] {
    d->BevelLayer.Draw(Image(), bevelKey, [&](TCanvas* c) {
      TRect client = ClientRect();
      FBevel->Paint(c, client);
    });
  });
  DrawTicks();
  TKvGraphicImageControl::Paint();
}

// ---------------------------------------------------------------------------
// Click to position

void TKvGauge::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvGauge> self(this);
  TKvGraphicImageControl::MouseDown(button, shift, x, y);
  if (!self || button != TMouseButton::mbLeft || !FActiveClick) return;
  if (!PtInRect(FBarRect, Point(x, y))) return;
  const int64_t length = Vertical() ? int64_t(FBarRect.Bottom) - FBarRect.Top
                                    : int64_t(FBarRect.Right) - FBarRect.Left;
  if (length <= 0) return;
  const bool fromStart = FStyle == TKvProgressStyle::psBottomLeft;
  int64_t distance = 0;
  if (Vertical())
    distance = fromStart ? int64_t(ClientHeight()) - y - FTickHeight : int64_t(y) - FTickHeight;
  else distance = fromStart ? int64_t(x) - FTickHeight : int64_t(ClientWidth()) - x - FTickHeight;
  const Extended range = Extended(int64_t(FRange.Max) - FRange.Min);
  // Rounded half to even, in extended precision: exact for every sum of the int range.
  const Extended ticks = std::nearbyint(range * Extended(distance) / Extended(length));
  SetPosition(kv::SaturateToInt(Extended(FRange.Min) + ticks - 1));
}

QSize TKvGauge::minimumSizeHint() const {
  return kv::LeastTickBar(Vertical(), FTickHeight, BevelWidth());
}
