// The thumb that the switch, the track bar and the slider share: its picture with state
// cells, the guarded value/pixel mapping, dragging with cursor confinement, active clicks,
// the hover state, keys, the hand cursor and the link to a shared bitmap list, and the range
// the thumb travels. Each control states its differences as traits (TKvThumbTraits).
#pragma once

#include "KvExport.h"

#include "KvControls.h"
#include "KvSystem.h"
#include "KvValueRange.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>

class QMouseEvent;

namespace kv {
class CursorClip;
}  // namespace kv

// What a thumb control tells its base about itself: plain data that follows its settings.
struct TKvThumbTraits {
  bool Vertical = false;
  // The minimum lies at the top of a vertical travel or at the right of a horizontal one.
  bool TopRight = false;
  // Between the client edge and the travel, on every side.
  int TravelInset = 0;
  // The Home key goes to the maximum and End to the minimum (else the other way round).
  bool HomeIsMax = false;
  int64_t KeyStep = 1;
  // Snapping step of mouse positions; 0 for none.
  int64_t SnapStep = 0;
  bool ActiveClick = false;
  bool MouseClip = false;
  bool HandPoint = false;
  bool ThumbOpaque = false;
  // The resource name of the built-in thumb picture.
  const char* BuiltInThumb = "";
};

// The base of the controls with a thumb that the pointer drags and the keys move: the switch,
// the track bar and the slider.
class KV_EXPORT TKvThumbControl : public TKvCustomImageControl {
  Q_OBJECT
public:
  explicit TKvThumbControl(kv::OwnerOrParent owner);
  ~TKvThumbControl() override;

  int ThumbStates() const { return FThumbStates; }
  void SetThumbStates(int v);
  int ThumbImageIndex() const { return FThumbImageIndex; }
  void SetThumbImageIndex(int v);
  TKvBitmapList* BitmapList() const;
  void SetBitmapList(TKvBitmapList* v);

  // The geometry of the thumb, for tests and descendants.
  TRect ThumbRect() const { return FThumbRect; }
  int ThumbWidth() const { return FThumbWidth; }
  int ThumbHeight() const { return FThumbHeight; }
  const TBitmap* Thumb() const { return FThumb.get(); }
  bool Dragging() const { return FDragging; }
  bool Hot() const { return FHot; }
  bool HasFocus() const { return FHasFocus; }
  bool CursorClipped() const { return FClip != nullptr; }

  // Travel: the start s, the length L (may be <= 0) and the rectangle.
  TRect GetTravelRect(int& start, int& length) const;
  // The thumb's left (horizontal) or top (vertical) for a value, and back. A span of 0 draws
  // every value at the base end; L <= 0 puts the thumb at s; both read back the minimum.
  int ValueToPixel(int64_t v) const;
  int64_t PixelToValue(int p) const;
  void MoveThumbTo(int p);
  QSize minimumSizeHint() const override;

  void Loaded() override;
  void CMCancelMode() override;
  void CMEnabledChanged() override;
  void CMFocusChanged(TWinControl* newFocused) override;
  void WMSetCursor(TPoint p) override;

protected:
  // ---- What differs between the three controls ----
  virtual TKvThumbTraits ThumbTraits() const = 0;
  // Fires the control's OnChange after the position changed.
  virtual void Change() = 0;
  // After the thumb picture changed (the switch fits its size here).
  virtual void ThumbLoaded() {}

  // The range the thumb travels. An end is taken as it comes (also beyond the other end); a
  // position it leaves outside moves onto it through SetPosition. True when the end changed
  // and the control still exists, for the control's signal.
  bool SetRangeMin(int v);
  bool SetRangeMax(int v);
  // Clamped to the range, the upper end winning for an inverted one; a change moves the
  // thumb, then calls Change (whose handler may free the control).
  void SetPosition(int v);

  // Loads the thumb picture (list entry or built-in), its cell size, then ThumbLoaded and
  // CenterThumb. Nothing while loading: Loaded does it once.
  void LoadThumb();
  void CenterThumb();
  // Places the thumb at the pixel of the current value.
  void PlaceThumb();
  // The repaint after a value change: places the thumb and repaints the band across the
  // control from where the thumb was last drawn to where it is now, which holds all that a
  // value changes (a slider's lit part ends under its thumb); the whole control when no frame
  // of its size is shown.
  void ThumbMoved();
  void DrawThumb(TCanvas* canvas);
  // The picture at Index in the bitmap list, or none.
  TBitmap* ListBitmap(int index) const;

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  bool WantsArrows() const override { return true; }
  bool CanWheelStep(int direction) const override;
  void WheelStep(int direction) override;
  void Resize() override;
  void mouseMoveEvent(QMouseEvent* e) override;
  // A modal window opened from a handler ends the drag.
  bool event(QEvent* e) override;

  kv::ValueRange<int> FRange{0, 100, 0};
  std::unique_ptr<TBitmap> FThumb;
  int FThumbWidth = 0;
  int FThumbHeight = 0;
  TRect FThumbRect;

private:
  friend struct kv::RangeAccess;  // the range model moves the position through SetPosition

  // The value a pointer or key asks for, held to the int range first.
  void SetValue(int64_t v) { SetPosition(kv::SaturateToInt(v)); }
  int64_t WheelTarget(int direction) const;
  // The built-in thumb is loaded for `scale`, by default the one the control is shown at.
  void LoadThumbPicture(int scale = 0);
  // The picture list's thumb, or none when the built-in one is shown.
  const TBitmap* ListThumb() const;
  void EndDrag();
  void ListChanged();
  void ListDetached();

  int FThumbStates = 1;
  int FThumbImageIndex = -1;
  std::unique_ptr<TKvChangeLink> FLink;
  bool FHasFocus = false;
  bool FDragging = false;
  bool FHot = false;
  bool FRealMouse = true;
  int FGrabOffset = 0;
  std::unique_ptr<kv::CursorClip> FClip;
  // The thumb's picture kept for stamping, and where it was last drawn into the image.
  struct Private;
  std::unique_ptr<Private> d;
};

using TKvNumGlyphs = TKvRange<1, 4>;
