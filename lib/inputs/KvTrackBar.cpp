#include "KvTrackBar.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvInputsInternal.h"
#include "KvSysUtilsInternal.h"
#include "KvSystem.h"

#include <algorithm>

using kv::Bounds, kv::InflateRect, kv::Rect, kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvTrackBar>();

constexpr TKvTrackBarOptions kAllOptions =
    TKvTrackBarOption::toActiveClick | TKvTrackBarOption::toMouseClip |
    TKvTrackBarOption::toHandPoint | TKvTrackBarOption::toFixedPoints |
    TKvTrackBarOption::toThumbOpaque;

}  // namespace

struct TKvTrackBar::Private {
  TKvFaceBase Face;
};

TKvTrackBar::TKvTrackBar(kv::OwnerOrParent owner)
    : TKvThumbControl(owner),
      FGutterBevel(std::make_unique<TKvBevel>()),
      d(std::make_unique<Private>()) {
  FGutterBevel->SetInnerStyle(TKvBevelStyle::bsNone);
  FGutterBevel->SetInnerSpace(0);
  FGutterBevel->SetInnerOutline(TKvBevelOutlineStyle::osNone);
  FGutterBevel->SetOuterStyle(TKvBevelStyle::bsLowered);
  FGutterBevel->SetOuterSpace(0);
  FGutterBevel->SetOuterOutline(TKvBevelOutlineStyle::osNone);
  connect(FGutterBevel.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  SetBounds(0, 0, 175, 45);
  LoadThumb();
}

TKvTrackBar::~TKvTrackBar() = default;

TKvThumbTraits TKvTrackBar::ThumbTraits() const {
  return {.Vertical = Vertical(),
          .TopRight = FStyle == TKvProgressStyle::psTopRight,
          .TravelInset = FBorderWidth,
          .HomeIsMax = true,
          .KeyStep = FFrequency,
          .SnapStep = Has(TKvTrackBarOption::toFixedPoints) && FFrequency > 0 ? FFrequency : 0,
          .ActiveClick = Has(TKvTrackBarOption::toActiveClick),
          .MouseClip = Has(TKvTrackBarOption::toMouseClip),
          .HandPoint = Has(TKvTrackBarOption::toHandPoint),
          .ThumbOpaque = Has(TKvTrackBarOption::toThumbOpaque),
          .BuiltInThumb = Vertical() ? "KVTB_VERT" : "KVTB_HORI"};
}

void TKvTrackBar::Change() {
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit PositionChanged(FRange.Position); });
}

void TKvTrackBar::SetOrientation(TKvOrientation v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FOrientation, v)) return;
  if (!IsLoading()) kv::TurnShape(this, v == TKvOrientation::voVertical);
  LoadThumb();
  UpdateControl();
}

void TKvTrackBar::SetStyle(TKvProgressStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FStyle, v)) UpdateControl();
}

void TKvTrackBar::SetOptions(TKvTrackBarOptions v) {
  if ((v & ~kAllOptions) == TKvTrackBarOptions() && SetIfChanged(FOptions, v)) UpdateControl();
}

void TKvTrackBar::SetFrequency(int v) {
  if (SetIfChanged(FFrequency, v)) UpdateControl();
}

void TKvTrackBar::SetBorderWidth(int v) {
  if (SetIfChanged(FBorderWidth, v)) UpdateControl();
}

void TKvTrackBar::SetGutterWidth(int v) {
  if (SetIfChanged(FGutterWidth, v)) UpdateControl();
}

void TKvTrackBar::SetGutterColor(TColor v) {
  SetFollowed(this, FGutterColor, v, &TKvTrackBar::GutterColorChanged);
}

void TKvTrackBar::SetTickMarks(TKvTickMarks v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FTickMarks, v)) UpdateControl();
}

void TKvTrackBar::SetTickColor(TColor v) {
  SetFollowed(this, FTickColor, v, &TKvTrackBar::TickColorChanged);
}

void TKvTrackBar::SetBackImageIndex(int v) {
  if (SetIfChanged(FBackImageIndex, v)) UpdateControl();
}

void TKvTrackBar::SetScaleOffset(int v) {
  if (SetIfChanged(FScaleOffset, v)) UpdateControl();
}

void TKvTrackBar::SetFocusColor(TColor v) {
  SetFollowed(this, FFocusColor, v, &TKvTrackBar::FocusColorChanged);
}

void TKvTrackBar::SetFocusOffset(int v) {
  if (SetIfChanged(FFocusOffset, v)) UpdateControl();
}

TRect TKvTrackBar::GutterRect() const {
  const int64_t b = FBorderWidth, g = FGutterWidth;
  if (Vertical())
    return Bounds(SaturateToInt((int64_t(ClientWidth()) - g) / 2), FBorderWidth, FGutterWidth,
                  SaturateToInt(ClientHeight() - 2 * b));
  return Bounds(FBorderWidth, SaturateToInt((int64_t(ClientHeight()) - g) / 2),
                SaturateToInt(ClientWidth() - 2 * b), FGutterWidth);
}

// The ticks are thinned so that they stand at least 4 pixels apart, the last one always at
// MaxValue. Without room to travel or a positive Frequency only the end ticks are drawn.
void TKvTrackBar::DrawScale(TCanvas* canvas, int anchor, int major, int minor) {
  int s = 0, length = 0;
  GetTravelRect(s, length);
  const int64_t span = int64_t(FRange.Max) - FRange.Min;
  int64_t count = 0, step = 0;
  if (FFrequency > 0 && length > 0 && span >= 0) {
    const kv::TickThinning t = kv::ThinTicks(span, FFrequency, length);
    count = t.count;
    step = FFrequency * t.g;
  } else {
    count = span > 0 ? 2 : 1;
    step = span;
  }
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->Brush()->SetColor(FTickColor);
  int64_t v = FRange.Min;
  for (int64_t i = 1; i <= count; ++i) {
    if (i == count) v = FRange.Max;
    const int len = v == FRange.Min || v == FRange.Max ? major : minor;
    const int64_t c = int64_t(ValueToPixel(v)) + (Vertical() ? FThumbHeight / 2 : FThumbWidth / 2);
    const int lo = SaturateToInt(std::min<int64_t>(anchor, int64_t(anchor) + len));
    const int hi = SaturateToInt(std::max<int64_t>(anchor, int64_t(anchor) + len));
    const int at = SaturateToInt(c);
    if (Vertical()) canvas->FillRect(Rect(lo, at, hi, kv::SatAdd(at, 1)));
    else canvas->FillRect(Rect(at, lo, kv::SatAdd(at, 1), hi));
    v += step;
  }
}

void TKvTrackBar::Paint() {
  TCanvas* canvas = BitmapCanvas();
  const TBitmap* back = ListBitmap(FBackImageIndex);
  if (back && back->Empty()) back = nullptr;
  // Everything but the thumb stays the same while the thumb moves.
  TKvLayerKey key;
  key << (back != nullptr);
  if (back) key << back;
  key << int(FOrientation) << int(FStyle) << FRange.Min << FRange.Max << FFrequency << FBorderWidth
      << FGutterWidth << FGutterColor << int(FTickMarks) << FTickColor << FScaleOffset
      << FThumbWidth << FThumbHeight << (HasFocus() && FFocusOffset >= 0);
  if (HasFocus() && FFocusOffset >= 0) key << FFocusOffset << FFocusColor;
  key << FGutterBevel.get();
  kv::ClearWithBase(ImageClear(), d->Face, key, [&] {
    const TRect client = ClientRect();
    if (back) {
      canvas->StretchDraw(client, back);
    } else {
      canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
      canvas->Brush()->SetColor(Color());
      canvas->FillRect(client);
    }
    TRect g = GutterRect();
    const bool upper = FTickMarks == TKvTickMarks::tmBoth || FTickMarks == TKvTickMarks::tmTopLeft;
    const bool lower =
        FTickMarks == TKvTickMarks::tmBoth || FTickMarks == TKvTickMarks::tmBottomRight;
    if (upper) DrawScale(canvas, kv::SatSub(Vertical() ? g.Left : g.Top, FScaleOffset), -4, -3);
    if (lower) DrawScale(canvas, kv::SatAdd(Vertical() ? g.Right : g.Bottom, FScaleOffset), 4, 3);
    if (FGutterBevel->Visible()) {
      FGutterBevel->Paint(canvas, g);
      canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
      canvas->Brush()->SetColor(FGutterColor);
      canvas->FillRect(g);
    }
    if (HasFocus() && FFocusOffset >= 0) {
      TRect f = client;
      InflateRect(f, -FFocusOffset, -FFocusOffset);
      canvas->Brush()->SetColor(FFocusColor);
      canvas->FrameRect(f);
    }
  });
  DrawThumb(canvas);
  TKvThumbControl::Paint();
}
