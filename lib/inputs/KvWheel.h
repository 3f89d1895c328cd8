// A rotary knob: a picture of a knob and a small handle picture that travels on a circle
// around its centre. The position maps, through a whole percentage, onto the arc that runs
// clockwise from the bottom over the top back to the bottom, shortened by BaseAngle degrees
// at both ends. Dragging with the left button turns the knob towards the pointer.
#pragma once

#include "KvExport.h"

#include "KvControls.h"
#include "KvValueRange.h"

#include <cstdint>
#include <memory>

// A rotary knob whose handle shows Position.
class KV_EXPORT TKvWheel : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  // The knob's value, held to MinValue .. MaxValue (0 .. 100 at first); a change emits
  // OnChange, then PositionChanged.
  Q_PROPERTY(int Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(TBitmap* BackImage READ BackImage WRITE SetBackImage)
  Q_PROPERTY(TBitmap* HandleImage READ HandleImage WRITE SetHandleImage)
  Q_PROPERTY(int BaseAngle READ BaseAngle WRITE SetBaseAngle)
  Q_PROPERTY(int Radius READ Radius WRITE SetRadius)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.Position", "0")
  Q_CLASSINFO("default.BaseAngle", "0")
  Q_CLASSINFO("default.Radius", "40")
  Q_CLASSINFO("default.Transparent", "true")
  Q_CLASSINFO("default.Enabled", "true")
public:
  // Loads the default knob and handle pictures. A class derived from the wheel that
  // wants other default pictures sets them in its own constructor: the loaders below are
  // virtual, but a call from this constructor never reaches an override.
  explicit TKvWheel(kv::OwnerOrParent owner);
  ~TKvWheel() override;

  int MaxValue() const { return FRange.Max; }
  int MinValue() const { return FRange.Min; }
  int Position() const { return FRange.Position; }
  TBitmap* BackImage() const { return FBackImage.get(); }
  // Copies the picture (an empty one reloads the default); the wheel takes its size.
  void SetBackImage(const TBitmap* v);
  TBitmap* HandleImage() const { return FHandleImage.get(); }
  void SetHandleImage(const TBitmap* v);
  int BaseAngle() const { return FBaseAngle; }
  void SetBaseAngle(int v) {
    if (SetIfChanged(FBaseAngle, v)) UpdateControl();
  }
  int Radius() const { return FRadius; }
  // Refuses values below 1.
  void SetRadius(int v);

  // The handle's centre for the current position, as the paint places it.
  TPoint HandleCenter() const;
  // The position a pointer at (X, Y) gives.
  int PositionAt(int x, int y) const;
  QSize minimumSizeHint() const override;

  // The palette query has nothing to answer on RGB32 images.

public slots:
  // Below MinValue raises EKvException "Value out of range." (not while loading, which
  // takes values as they come); pulls Position down to it with OnChange.
  void SetMaxValue(int v);
  void SetMinValue(int v);
  // Clamped against MaxValue, then MinValue (which wins for an inverted loaded range);
  // a change repaints, then fires OnChange.
  void SetPosition(int v);

signals:
  void OnChange(TObject* Sender);
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);
  void PositionChanged(int Position);

protected:
  virtual void LoadDefaultBackImage();
  virtual void LoadDefaultHandleImage();
  void Paint() override;
  // The size is always the knob picture's: the wheel sizes itself to it.
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void CMCancelMode() override;
  bool CanWheelStep(int direction) const override;
  void WheelStep(int direction) override;
  // Up and Right raise the position by one, Down and Left lower it; Page Up and Page Down by a
  // tenth of the range; Home and End go to MinValue and MaxValue.
  bool KeyPressed(uint16_t key, TShiftState shift) override;

private:
  void BackImageChanged();
  void HandleImageChanged();
  // Where the handle picture lies for the current position.
  TRect HandleRect() const;

  kv::ValueRange<int> FRange{0, 100, 0};
  std::unique_ptr<TBitmap> FBackImage;
  std::unique_ptr<TBitmap> FHandleImage;
  int FBaseAngle = 0;
  int FRadius = 40;
  bool FDragging = false;
  bool FReloading = false;
  // Where the last frame drew the handle: a turn repaints only that and the new place.
  TRect FPaintedHandle;
  bool FHandlePainted = false;
  struct Private;
  std::unique_ptr<Private> d;
};
