#include "KvSwitch.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvSystem.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QPointer>

#include <algorithm>

using kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvSwitch>();

constexpr TKvSwitchOptions kAllOptions =
    TKvSwitchOption::soActiveClick | TKvSwitchOption::soMouseClip | TKvSwitchOption::soHandPoint |
    TKvSwitchOption::soThumbOpaque;

}  // namespace

struct TKvSwitch::Private {
  TKvFaceBase Face;
};

TKvSwitch::TKvSwitch(kv::OwnerOrParent owner)
    : TKvThumbControl(owner), FBevel(std::make_unique<TKvBevel>()), d(std::make_unique<Private>()) {
  FRange.Max = 3;  // four stops
  SetControlStyle(ControlStyle() & ~TControlStyle(TControlStyleFlag::csSetCaption));
  FBevel->SetInnerSpace(0);
  FBevel->SetOuterOutline(TKvBevelOutlineStyle::osNone);
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  SetColor(clBlack);
  SetParentColor(false);
  // The switch fits its own length to its stops: that is its auto-size rule.
  SetAutoSize(true);
  SetBounds(0, 0, 29, 60);
  LoadThumb();
}

TKvSwitch::~TKvSwitch() = default;

TKvThumbTraits TKvSwitch::ThumbTraits() const {
  return {.Vertical = Vertical(),
          .TopRight = FStyle == TKvProgressStyle::psTopRight,
          .TravelInset = kv::SatAdd(FBorderWidth, FThumbIndent),
          .ActiveClick = FOptions.testFlag(TKvSwitchOption::soActiveClick),
          .MouseClip = FOptions.testFlag(TKvSwitchOption::soMouseClip),
          .HandPoint = FOptions.testFlag(TKvSwitchOption::soHandPoint),
          .ThumbOpaque = FOptions.testFlag(TKvSwitchOption::soThumbOpaque),
          .BuiltInThumb = Vertical() ? "KVSWITCHTHUMB_VERT" : "KVSWITCHTHUMB_HORI"};
}

int64_t TKvSwitch::LongSide(int64_t positions, int64_t border) const {
  return int64_t(Vertical() ? FThumbHeight : FThumbWidth) * positions + 2 * border;
}

// One thumb per stop along the long side; the short side only grows to fit the thumb. No
// side grows past the largest window.
bool TKvSwitch::CanAutoSize(int& newWidth, int& newHeight) {
  const int64_t b = FBorderWidth;
  const int longSide = int(std::clamp<int64_t>(LongSide(Positions(), b), 0, kMaxSide));
  if (Vertical()) {
    newWidth = int(std::min<int64_t>(std::max<int64_t>(2 * b + FThumbWidth, newWidth), kMaxSide));
    newHeight = longSide;
  } else {
    newWidth = longSide;
    newHeight =
        int(std::min<int64_t>(std::max<int64_t>(2 * b + FThumbHeight, newHeight), kMaxSide));
  }
  return true;
}

void TKvSwitch::FitSwitchSize() {
  if (!IsLoading() && !FHoldSize) SetBounds(Left(), Top(), Width(), Height());
}

void TKvSwitch::SetPositions(int v) {
  // The offset stays where it is, also beyond the last stop.
  if (v < 1 || v == Positions() || LongSide(v, FBorderWidth) > kMaxSide) return;
  FRange.Max = v - 1;
  FitSwitchSize();
  UpdateControl();
}

void TKvSwitch::Change() {
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit OffsetChanged(FRange.Position); });
}

void TKvSwitch::SetOrientation(TKvOrientation v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FOrientation, v)) return;
  if (IsLoading()) return;
  // The sides swap before the new thumb fits them, so the short side keeps its size.
  const int width = Width(), height = Height();
  FHoldSize = true;
  LoadThumb();
  FHoldSize = false;
  SetBounds(Left(), Top(), height, width);
  UpdateControl();
}

void TKvSwitch::SetBackImageIndex(int v) {
  if (SetIfChanged(FBackImageIndex, v)) UpdateControl();
}

void TKvSwitch::SetThumbIndent(int v) {
  if (v >= 0 && SetIfChanged(FThumbIndent, v)) UpdateControl();
}

void TKvSwitch::SetStyle(TKvProgressStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FStyle, v)) UpdateControl();
}

void TKvSwitch::SetOptions(TKvSwitchOptions v) {
  if ((v & ~kAllOptions) == TKvSwitchOptions() && SetIfChanged(FOptions, v)) UpdateControl();
}

void TKvSwitch::SetBorderColor(TColor v) {
  SetFollowed(this, FBorderColor, v, &TKvSwitch::BorderColorChanged);
}

void TKvSwitch::SetBorderWidth(int v) {
  if (v < 0 || v == FBorderWidth || LongSide(Positions(), v) > kMaxSide ||
      2 * int64_t(v) + (Vertical() ? FThumbWidth : FThumbHeight) > kMaxSide)
    return;
  FBorderWidth = v;
  FitSwitchSize();
  UpdateControl();
}

void TKvSwitch::SetFocusColor(TColor v) {
  SetFollowed(this, FFocusColor, v, &TKvSwitch::FocusColorChanged);
}

void TKvSwitch::Paint() {
  TCanvas* canvas = BitmapCanvas();
  const TBitmap* back = ListBitmap(FBackImageIndex);
  if (back && back->Empty()) back = nullptr;
  // The frame, the bevel and the background stay the same while the thumb moves.
  const TColor frame = HasFocus() ? FFocusColor : FBorderColor;
  TKvLayerKey key;
  key << FBorderWidth << (FBorderWidth > 0 ? frame : TColor(clBlack)) << (back != nullptr);
  if (back) key << back;
  key << FBevel.get();
  kv::ClearWithBase(ImageClear(), d->Face, key, [&] {
    TRect r = ClientRect();
    if (FBorderWidth > 0) DrawFrame3D(canvas, r, frame, frame, FBorderWidth);
    FBevel->Paint(canvas, r);
    if (back) canvas->StretchDraw(r, back);
  });
  DrawThumb(canvas);
  TKvThumbControl::Paint();
}
