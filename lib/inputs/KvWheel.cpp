#include "KvWheel.h"

#include "ClassRegistry.h"
#include "KvArtwork.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <numbers>

using kv::Extended, kv::SaturateToInt, kv::Trunc;
using kv::VK_DOWN, kv::VK_END, kv::VK_HOME, kv::VK_LEFT, kv::VK_NEXT, kv::VK_PRIOR, kv::VK_RIGHT,
    kv::VK_UP;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvWheel>();

// An end crossing the other raises; a position left outside moves through SetPosition, whose
// clamp lets the lower end win for a range that loading left inverted. Loading takes values as
// they come.
constexpr kv::RangePolicy kRange{kv::CrossedEnd::Raise, kv::PositionFollow::Setter, true};
constexpr kv::RangeSignals<TKvWheel, int> kSignals{
    &TKvWheel::MinValueChanged, &TKvWheel::MaxValueChanged, &TKvWheel::PositionChanged};

// The whole percentage X is of Z, truncated; 0 for an empty total, finite for a negative
// one. 64-bit: range differences do not fit an int.
int64_t Percent(int64_t x, int64_t z) { return z == 0 ? 0 : x * 100 / z; }

// P percent of Z, truncated, with the extended 0.01 the scaling routines use.
int64_t Part(int64_t p, int64_t z) {
  const Extended v = Extended(z) * (Extended(p) * 0.01L);
  return int64_t(std::trunc(std::clamp<Extended>(v, -9.0e18L, 9.0e18L)));
}

}  // namespace

struct TKvWheel::Private {
  TKvFaceBase FaceBase;
  // The knob and handle, drawn at the scale of the control while the pictures are named
  // resources (the built-in ones at first).
  kv::TKvScaledPicture BackArt{QStringLiteral("VWBACK")};
  kv::TKvScaledPicture HandleArt{QStringLiteral("VWHANDLE")};
};

TKvWheel::TKvWheel(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBackImage(std::make_unique<TBitmap>()),
      FHandleImage(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetTransparent(true);
  connect(FBackImage.get(), &TGraphic::OnChange, this, [this] { BackImageChanged(); });
  connect(FHandleImage.get(), &TGraphic::OnChange, this, [this] { HandleImageChanged(); });
  LoadDefaultBackImage();
  LoadDefaultHandleImage();
  SetAutoSize(true);
  SetBounds(Left(), Top(), 85, 85);
  AcceptFocus();
}

TKvWheel::~TKvWheel() = default;

void TKvWheel::LoadDefaultBackImage() { d->BackArt.LoadInto(*FBackImage); }

void TKvWheel::LoadDefaultHandleImage() { d->HandleArt.LoadInto(*FHandleImage); }

void TKvWheel::SetBackImage(const TBitmap* v) {
  if (v != FBackImage.get()) FBackImage->Assign(v);
}

void TKvWheel::SetHandleImage(const TBitmap* v) {
  if (v != FHandleImage.get()) FHandleImage->Assign(v);
}

void TKvWheel::BackImageChanged() {
  if (FReloading) return;
  if (FBackImage->Empty()) {
    FReloading = true;
    LoadDefaultBackImage();
    FReloading = false;
  }
  AdjustAutoBounds();
}

void TKvWheel::HandleImageChanged() {
  if (FReloading) return;
  if (FHandleImage->Empty()) {
    FReloading = true;
    LoadDefaultHandleImage();
    FReloading = false;
  }
  UpdateControl();
}

bool TKvWheel::CanAutoSize(int& newWidth, int& newHeight) {
  if (FBackImage->Empty()) return false;
  newWidth = FBackImage->Width();
  newHeight = FBackImage->Height();
  return true;
}

// The knob picture whole.
QSize TKvWheel::minimumSizeHint() const {
  return kv::LeastSizeHint(FBackImage->Width(), FBackImage->Height());
}

void TKvWheel::SetRadius(int v) {
  if (TKvIntMax::Contains(v) && SetIfChanged(FRadius, v)) UpdateControl();
}

// ---------------------------------------------------------------------------
// Values

void TKvWheel::SetPosition(int v) {
  if (!kv::TakePosition<kRange>(FRange, v, IsLoading())) return;
  if (FHandlePainted) {
    const TRect now = HandleRect();
    UpdateControlRect(TRect{
        std::min(FPaintedHandle.Left, now.Left), std::min(FPaintedHandle.Top, now.Top),
        std::max(FPaintedHandle.Right, now.Right), std::max(FPaintedHandle.Bottom, now.Bottom)});
  } else {
    UpdateControl();
  }
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit PositionChanged(FRange.Position); });
}

void TKvWheel::SetMaxValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Max, v, kSignals);
}

void TKvWheel::SetMinValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Min, v, kSignals);
}

// ---------------------------------------------------------------------------
// Geometry

TPoint TKvWheel::HandleCenter() const {
  const int64_t cx = Width() / 2, cy = Height() / 2;
  const int64_t arc = 360 - 2 * int64_t(FBaseAngle);
  const int64_t percent =
      Percent(int64_t(FRange.Position) - FRange.Min, int64_t(FRange.Max) - FRange.Min);
  const Extended angle = Extended(Part(percent, arc)) + FBaseAngle + 180;
  const Extended theta = angle * std::numbers::pi_v<Extended> / 180;
  const Extended r = Extended(FRadius) - 10;
  return {SaturateToInt(cx + int64_t(Trunc(r * std::sin(theta)))),
          SaturateToInt(cy - int64_t(Trunc(r * std::cos(theta))))};
}

int TKvWheel::PositionAt(int x, int y) const {
  const int64_t cx = Width() / 2, cy = Height() / 2;
  const Extended dx = Extended(int64_t(x) - cx), dy = Extended(int64_t(y) - cy);
  Extended d = std::nearbyint(std::sqrt(dx * dx + dy * dy));
  if (d == 0) d = 0.0001L;
  const auto arcsin = [](Extended ratio) { return std::asin(std::clamp<Extended>(ratio, -1, 1)); };
  const Extended pi = std::numbers::pi_v<Extended>;
  Extended e = 0;
  if (y < cy) {
    e = arcsin(dx / d);
  } else {
    const Extended f = arcsin(-dx / d);
    e = x > cx ? f + pi : f - pi;
  }
  Extended degrees = e * 180 / pi + 180;
  // Against the upper end, then the lower: with BaseAngle above 180 the lower wins.
  degrees = std::min(degrees, Extended(360 - int64_t(FBaseAngle)));
  degrees = std::max(degrees, Extended(FBaseAngle));
  const int64_t whole = int64_t(std::trunc(degrees));
  const int64_t arc = 360 - 2 * int64_t(FBaseAngle);
  const int64_t range = int64_t(FRange.Max) - FRange.Min;
  return SaturateToInt(FRange.Min + Part(Percent(whole - FBaseAngle, arc), range));
}

// ---------------------------------------------------------------------------
// Painting

void TKvWheel::Paint() {
  TCanvas* canvas = BitmapCanvas();
  const TBitmap* back = d->BackArt.Shown(*FBackImage, canvas->DeviceScale());
  const int bx = SaturateToInt((int64_t(Width()) - back->Width()) / 2);
  const int by = SaturateToInt((int64_t(Height()) - back->Height()) / 2);
  // The knob under the handle stays the same while the handle turns.
  TKvLayerKey key;
  key << Width() << Height() << back << back->TransparentColor();
  kv::ClearWithBase(ImageClear(), d->FaceBase, key, [&] {
    if (Transparent()) {
      canvas->Brush()->SetStyle(TBrushStyle::bsClear);
      canvas->BrushCopy(TRect{bx, by, bx + back->Width(), by + back->Height()}, back,
                        BitmapRect(back), back->TransparentColor());
    } else {
      canvas->Draw(bx, by, back);
    }
  });
  const TBitmap* handle = d->HandleArt.Shown(*FHandleImage, canvas->DeviceScale());
  const TRect place = HandleRect();
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  canvas->BrushCopy(place, handle, BitmapRect(handle), handle->TransparentColor());
  FPaintedHandle = place;
  FHandlePainted = true;
  TKvGraphicImageControl::Paint();
}

TRect TKvWheel::HandleRect() const {
  const TBitmap* handle = FHandleImage.get();
  const TPoint center = HandleCenter();
  const int64_t hx = int64_t(center.X) - handle->Width() / 2;
  const int64_t hy = int64_t(center.Y) - handle->Height() / 2;
  return {SaturateToInt(hx), SaturateToInt(hy), SaturateToInt(hx + handle->Width()),
          SaturateToInt(hy + handle->Height())};
}

// ---------------------------------------------------------------------------
// Mouse

void TKvWheel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvWheel> self(this);
  TKvGraphicImageControl::MouseDown(button, shift, x, y);
  if (!self || button != TMouseButton::mbLeft) return;
  FDragging = true;
  SetPosition(PositionAt(x, y));
}

void TKvWheel::MouseMove(TShiftState shift, int x, int y) {
  const QPointer<TKvWheel> self(this);
  TKvGraphicImageControl::MouseMove(shift, x, y);
  if (!self || !FDragging) return;
  // A move without the left button means the button-up went elsewhere.
  if (!shift.testFlag(TShiftStateFlag::ssLeft)) {
    FDragging = false;
    return;
  }
  SetPosition(PositionAt(x, y));
}

void TKvWheel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvWheel> self(this);
  TKvGraphicImageControl::MouseUp(button, shift, x, y);
  if (self) FDragging = false;
}

// The wheel turns the knob one position per notch, as the arrow keys do.
bool TKvWheel::CanWheelStep(int direction) const {
  return kv::ClampPosition<kRange>(FRange, SaturateToInt(int64_t(FRange.Position) + direction)) !=
         FRange.Position;
}

void TKvWheel::WheelStep(int direction) {
  SetPosition(SaturateToInt(int64_t(FRange.Position) + direction));
}

bool TKvWheel::KeyPressed(uint16_t key, TShiftState shift) {
  const TShiftState modifiers =
      TShiftStateFlag::ssShift | TShiftStateFlag::ssCtrl | TShiftStateFlag::ssAlt;
  if (shift & modifiers) return false;
  const int64_t page = std::max<int64_t>(1, (int64_t(FRange.Max) - FRange.Min) / 10);
  const int64_t position = FRange.Position;
  switch (key) {
    case VK_UP:
    case VK_RIGHT: SetPosition(SaturateToInt(position + 1)); return true;
    case VK_DOWN:
    case VK_LEFT: SetPosition(SaturateToInt(position - 1)); return true;
    case VK_PRIOR: SetPosition(SaturateToInt(position + page)); return true;
    case VK_NEXT: SetPosition(SaturateToInt(position - page)); return true;
    case VK_HOME: SetPosition(FRange.Min); return true;
    case VK_END: SetPosition(FRange.Max); return true;
    default: return false;
  }
}

void TKvWheel::CMCancelMode() {
  FDragging = false;
  TKvGraphicImageControl::CMCancelMode();
}
