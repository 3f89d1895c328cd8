#include "KvThumb.h"

#include "CursorClip.h"
#include "Forms.h"
#include "KvArtwork.h"
#include "KvFrameCache.h"
#include "KvInputsInternal.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSystem.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPointingDevice>

#include <algorithm>
#include <cmath>
#include <limits>

using kv::Bounds, kv::PtInRect, kv::SaturateToInt, kv::Screen;
using kv::VK_DOWN, kv::VK_END, kv::VK_HOME, kv::VK_LEFT, kv::VK_RIGHT, kv::VK_UP;

struct TKvThumbControl::Private {
  TKvStaticLayer ThumbStamp;
  TRect ShownThumb;  // where the thumb was last drawn into the image
};

namespace {

// Ends are taken as they come and pull the position through SetPosition, whose clamp lets
// the upper end win; loading changes nothing.
constexpr kv::RangePolicy kThumbRange{kv::CrossedEnd::Accept, kv::PositionFollow::Setter, false,
                                      true};

}  // namespace

TKvThumbControl::TKvThumbControl(kv::OwnerOrParent owner)
    : TKvCustomImageControl(owner),
      FThumb(std::make_unique<TBitmap>()),
      FLink(std::make_unique<TKvChangeLink>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  connect(FLink.get(), &TKvChangeLink::OnChange, this, [this] { ListChanged(); });
  connect(FLink.get(), &TKvChangeLink::OnDetach, this, [this] { ListDetached(); });
}

// The clip token and the link go with their members: the framework releases the capture
// here without telling, and the token must not outlive the drag.
TKvThumbControl::~TKvThumbControl() = default;

void TKvThumbControl::SetThumbStates(int v) {
  if (!TKvNumGlyphs::Contains(v) || !SetIfChanged(FThumbStates, v)) return;
  LoadThumb();
  UpdateControl();
}

void TKvThumbControl::SetThumbImageIndex(int v) {
  if (!SetIfChanged(FThumbImageIndex, v)) return;
  LoadThumb();
  UpdateControl();
}

TKvBitmapList* TKvThumbControl::BitmapList() const {
  return static_cast<TKvBitmapList*>(FLink->Sender());
}

void TKvThumbControl::SetBitmapList(TKvBitmapList* v) {
  TKvBitmapList* old = BitmapList();
  if (v == old) return;
  if (v) v->InsertLink(FLink.get());
  else old->RemoveLink(FLink.get());
  LoadThumb();
  UpdateControl();
}

bool TKvThumbControl::SetRangeMin(int v) {
  return kv::SetRangeEnd<kThumbRange>(*this, FRange, kv::RangeEnd::Min, v);
}

bool TKvThumbControl::SetRangeMax(int v) {
  return kv::SetRangeEnd<kThumbRange>(*this, FRange, kv::RangeEnd::Max, v);
}

void TKvThumbControl::SetPosition(int v) {
  if (!kv::TakePosition<kThumbRange>(FRange, v, IsLoading())) return;
  ThumbMoved();
  Change();
}

TBitmap* TKvThumbControl::ListBitmap(int index) const {
  const TKvBitmapList* list = BitmapList();
  return list ? list->GetBitmap(index) : nullptr;
}

void TKvThumbControl::ListChanged() {
  LoadThumb();
  UpdateControl();
}

// The list went away (its link already has no sender): the built-in thumb comes back,
// unless this control is itself being destroyed.
void TKvThumbControl::ListDetached() {
  if (ComponentState().testFlag(TComponentStateFlag::csDestroying)) return;
  LoadThumb();
  UpdateControl();
}

// The thumb first, so that the size rule the base applies fits the thumb that was read.
void TKvThumbControl::Loaded() {
  LoadThumbPicture();
  TKvCustomImageControl::Loaded();
  LoadThumb();
  UpdateControl();
}

void TKvThumbControl::LoadThumb() {
  if (IsLoading()) return;
  LoadThumbPicture();
  ThumbLoaded();
  CenterThumb();
}

const TBitmap* TKvThumbControl::ListThumb() const {
  const TBitmap* entry = ListBitmap(FThumbImageIndex);
  return entry && !entry->Empty() ? entry : nullptr;
}

void TKvThumbControl::LoadThumbPicture(int scale) {
  if (const TBitmap* entry = ListThumb()) FThumb->Assign(entry);
  else
    kv::LoadResourceBitmap(*FThumb, QString::fromLatin1(ThumbTraits().BuiltInThumb),
                           scale > 0 ? scale : kv::ArtworkScaleOf(*this));
  FThumbHeight = FThumb->Height();
  FThumbWidth = FThumb->Width() / FThumbStates;
}

void TKvThumbControl::CenterThumb() {
  if (ThumbTraits().Vertical) FThumbRect.Left = (Width() - FThumbWidth) / 2;
  else FThumbRect.Top = (Height() - FThumbHeight) / 2;
  PlaceThumb();
}

void TKvThumbControl::PlaceThumb() {
  const int p = ValueToPixel(FRange.Position);
  if (ThumbTraits().Vertical) FThumbRect.Top = p;
  else FThumbRect.Left = p;
  FThumbRect = Bounds(FThumbRect.Left, FThumbRect.Top, FThumbWidth, FThumbHeight);
}

void TKvThumbControl::ThumbMoved() {
  const TRect before = d->ShownThumb;
  PlaceThumb();
  if (IsLoading()) return;
  if (IsDesigning() || !isVisible() || kv::PaintInProgress() || kv::IsRectEmpty(before) ||
      Image()->Width() != Width() || Image()->Height() != Height()) {
    UpdateControl();
    return;
  }
  TRect band = ClientRect();
  if (ThumbTraits().Vertical) {
    band.Top = std::min(before.Top, FThumbRect.Top);
    band.Bottom = std::max(before.Bottom, FThumbRect.Bottom);
  } else {
    band.Left = std::min(before.Left, FThumbRect.Left);
    band.Right = std::max(before.Right, FThumbRect.Right);
  }
  const QRect part = kv::PartToRepaint(*this, band);
  if (!part.isEmpty()) repaint(part);
}

TRect TKvThumbControl::GetTravelRect(int& start, int& length) const {
  const TKvThumbTraits t = ThumbTraits();
  TRect r = ClientRect();
  kv::InflateRect(r, -t.TravelInset, -t.TravelInset);
  if (t.Vertical) {
    start = std::max(0, r.Top);
    length = SaturateToInt(int64_t(r.Bottom) - r.Top - FThumbHeight);
  } else {
    start = std::max(0, r.Left);
    length = SaturateToInt(int64_t(r.Right) - r.Left - FThumbWidth);
  }
  return r;
}

int TKvThumbControl::ValueToPixel(int64_t v) const {
  int s = 0, length = 0;
  const TRect t = GetTravelRect(s, length);
  if (length <= 0) return s;
  const int64_t span = int64_t(FRange.Max) - FRange.Min;
  const int64_t d =
      span == 0 ? 0 : kv::Round64(length * ((long double)(v - FRange.Min) / (long double)span));
  int64_t p = int64_t(s) + std::clamp<int64_t>(d, INT32_MIN, INT32_MAX);
  const TKvThumbTraits traits = ThumbTraits();
  if (traits.Vertical && !traits.TopRight) p = int64_t(t.Top) + t.Bottom - p - FThumbHeight;
  else if (!traits.Vertical && traits.TopRight) p = int64_t(t.Left) + t.Right - p - FThumbWidth;
  return SaturateToInt(p);
}

int64_t TKvThumbControl::PixelToValue(int p) const {
  int s = 0, length = 0;
  GetTravelRect(s, length);
  const TKvThumbTraits t = ThumbTraits();
  int64_t q = p;
  if (t.Vertical) q = int64_t(ClientHeight()) - q - FThumbHeight;
  const int64_t span = int64_t(FRange.Max) - FRange.Min;
  int64_t r = 0;
  if (length > 0 && span != 0) r = kv::Round64((long double)(q - s) * span / length);
  if (t.SnapStep > 0) r = t.SnapStep * kv::Round64((long double)r / t.SnapStep);
  return std::min<int64_t>(std::max<int64_t>(r, 0) + FRange.Min, FRange.Max);
}

// The thumb whole inside the travel's inset, with a pixel to travel.
QSize TKvThumbControl::minimumSizeHint() const {
  const TKvThumbTraits t = ThumbTraits();
  const int64_t along = int64_t(t.Vertical ? FThumbHeight : FThumbWidth) + 1;
  const int64_t across = t.Vertical ? FThumbWidth : FThumbHeight;
  return t.Vertical ? kv::LeastSizeHint(across, along, t.TravelInset)
                    : kv::LeastSizeHint(along, across, t.TravelInset);
}

void TKvThumbControl::MoveThumbTo(int p) {
  int s = 0, length = 0;
  GetTravelRect(s, length);
  const int64_t last = int64_t(s) + std::max(length, 0);
  int64_t q = std::min<int64_t>(std::max<int64_t>(p, s), last);
  const TKvThumbTraits t = ThumbTraits();
  auto valueAt = [&](int64_t pixel) {
    const int64_t v = PixelToValue(int(pixel));
    return t.TopRight ? int64_t(FRange.Max) + FRange.Min - v : v;
  };
  if (t.SnapStep > 0) q = std::min<int64_t>(ValueToPixel(valueAt(q)), last);
  SetValue(valueAt(q));
}

void TKvThumbControl::DrawThumb(TCanvas* canvas) {
  // The built-in thumb follows the scale it is drawn at (the window may have moved).
  if (!ListThumb() && FThumb->DeviceScale() != canvas->DeviceScale())
    LoadThumbPicture(canvas->DeviceScale());
  PlaceThumb();
  if (FThumbWidth <= 0 || FThumbHeight <= 0) return;
  int k = FHot && !FDragging ? 3 : FDragging ? 2 : !Enabled() ? 1 : 0;
  if (k > FThumbStates - 1) k = 0;
  const TColor key = FThumb->TransparentColor();
  const bool opaque = ThumbTraits().ThumbOpaque;
  const auto draw = [&](TCanvas* c, const TRect& at) {
    c->Brush()->SetColor(key);
    c->Brush()->SetStyle(opaque ? TBrushStyle::bsSolid : TBrushStyle::bsClear);
    c->BrushCopy(at, FThumb.get(), Bounds(k * FThumbWidth, 0, FThumbWidth, FThumbHeight), key);
  };
  if (canvas != Image()->Canvas()) {
    draw(canvas, FThumbRect);
    return;
  }
  d->ShownThumb = FThumbRect;
  // The cell with its key colour dealt with, recorded once and replayed at the thumb's place.
  TKvLayerKey stamp;
  stamp << FThumb.get() << k << FThumbWidth << FThumbHeight << key << opaque;
  d->ThumbStamp.Stamp(Image(), stamp, {FThumbWidth, FThumbHeight},
                      [&](TCanvas* c) { draw(c, Bounds(0, 0, FThumbWidth, FThumbHeight)); },
                      {FThumbRect.Left, FThumbRect.Top});
}

// ---- Input ------------------------------------------------------------------

void TKvThumbControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const QPointer<TKvThumbControl> self(this);
  TKvCustomImageControl::MouseDown(button, shift, x, y);
  // A handler that freed, hid or disabled the control ends the press here.
  if (!self || button != TMouseButton::mbLeft || !Enabled() || !isVisible()) return;
  if (TabStop() && CanFocus()) {
    SetFocus();
    if (!self) return;
  }
  PlaceThumb();
  const TKvThumbTraits t = ThumbTraits();
  if (PtInRect(FThumbRect, {x, y})) {
    FDragging = true;
    FGrabOffset = t.Vertical ? y - FThumbRect.Top : x - FThumbRect.Left;
    if (t.MouseClip) FClip = std::make_unique<kv::CursorClip>(this);
    UpdateControl();
  } else if (t.ActiveClick) {
    FGrabOffset = t.Vertical ? y - FThumbHeight / 2 : x - FThumbWidth / 2;
    MoveThumbTo(FGrabOffset);
  }
}

void TKvThumbControl::MouseMove(TShiftState shift, int x, int y) {
  if (FClip && MouseCapture()) {
    FClip->Follow({x, y}, FRealMouse);
    const TPoint inside = FClip->Clamp({x, y});
    x = inside.X;
    y = inside.Y;
  }
  const QPointer<TKvThumbControl> self(this);
  if (FDragging) {
    MoveThumbTo(SaturateToInt(int64_t(ThumbTraits().Vertical ? y : x) - FGrabOffset));
    if (!self) return;
  } else {
    PlaceThumb();
    if (const bool hot = PtInRect(FThumbRect, {x, y}); SetIfChanged(FHot, hot)) UpdateControl();
  }
  TKvCustomImageControl::MouseMove(shift, x, y);
}

// The hot state follows the release point: the moves of a drag did not track it.
void TKvThumbControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (FClip) {
    const TPoint inside = FClip->Clamp({x, y});
    x = inside.X;
    y = inside.Y;
  }
  PlaceThumb();
  const bool hotChanged = SetIfChanged(FHot, PtInRect(FThumbRect, {x, y}));
  const bool dragged = FDragging;
  EndDrag();  // repaints when a drag ends
  if (hotChanged && !dragged) UpdateControl();
  TKvCustomImageControl::MouseUp(button, shift, x, y);
}

// No move over the thumb follows once the pointer has left the control.
void TKvThumbControl::MouseLeave() {
  if (!FDragging && SetIfChanged(FHot, false)) UpdateControl();
  TKvCustomImageControl::MouseLeave();
}

void TKvThumbControl::mouseMoveEvent(QMouseEvent* e) {
  FRealMouse =
      e->source() == Qt::MouseEventNotSynthesized &&
      (!e->pointingDevice() || e->pointingDevice()->type() == QInputDevice::DeviceType::Mouse);
  TKvCustomImageControl::mouseMoveEvent(e);
}

bool TKvThumbControl::event(QEvent* e) {
  if (e->type() == QEvent::WindowBlocked) EndDrag();
  return TKvCustomImageControl::event(e);
}

void TKvThumbControl::EndDrag() {
  FClip.reset();
  if (SetIfChanged(FDragging, false)) UpdateControl();
}

void TKvThumbControl::KeyDown(uint16_t& key, TShiftState shift) {
  const QPointer<TKvThumbControl> self(this);
  const TShiftState modifiers =
      TShiftStateFlag::ssShift | TShiftStateFlag::ssCtrl | TShiftStateFlag::ssAlt;
  if (!(shift & modifiers)) {
    const TKvThumbTraits t = ThumbTraits();
    int64_t delta = 0;
    if (key == VK_HOME) SetValue(t.HomeIsMax ? FRange.Max : FRange.Min);
    else if (key == VK_END) SetValue(t.HomeIsMax ? FRange.Min : FRange.Max);
    else if (!t.Vertical && key == VK_LEFT) delta = -t.KeyStep;
    else if (!t.Vertical && key == VK_RIGHT) delta = t.KeyStep;
    else if (t.Vertical && key == VK_UP) delta = t.KeyStep;
    else if (t.Vertical && key == VK_DOWN) delta = -t.KeyStep;
    if (delta != 0) SetValue(FRange.Position + (t.TopRight ? -delta : delta));
    if (!self) return;
  }
  TKvCustomImageControl::KeyDown(key, shift);
}

// The wheel raises the value by the arrow keys' step per notch, whichever end the minimum is
// drawn at.
int64_t TKvThumbControl::WheelTarget(int direction) const {
  return int64_t(FRange.Position) + direction * ThumbTraits().KeyStep;
}

bool TKvThumbControl::CanWheelStep(int direction) const {
  const int target = SaturateToInt(WheelTarget(direction));
  return kv::ClampPosition<kThumbRange>(FRange, target) != FRange.Position;
}

void TKvThumbControl::WheelStep(int direction) { SetValue(WheelTarget(direction)); }

// ---- Notifications -------------------------------------------------------------

void TKvThumbControl::CMCancelMode() {
  TKvCustomImageControl::CMCancelMode();
  EndDrag();
}

// A disabled control hears no moves, so it shows no hot thumb either.
void TKvThumbControl::CMEnabledChanged() {
  TKvCustomImageControl::CMEnabledChanged();
  if (!Enabled()) {
    EndDrag();
    FHot = false;
  }
  UpdateControl();
}

void TKvThumbControl::CMFocusChanged(TWinControl* newFocused) {
  TKvCustomImageControl::CMFocusChanged(newFocused);
  if (SetIfChanged(FHasFocus, newFocused == this)) UpdateControl();
}

void TKvThumbControl::WMSetCursor(TPoint p) {
  PlaceThumb();
  if (!IsDesigning() && PtInRect(FThumbRect, p)) {
    if (ThumbTraits().HandPoint) QWidget::setCursor(Screen->Cursors(kKvHandCursor));
    return;
  }
  TKvCustomImageControl::WMSetCursor(p);
}

void TKvThumbControl::Resize() {
  TKvCustomImageControl::Resize();
  CenterThumb();
  UpdateControl();
}
