// A pair of arrow buttons that step a value held elsewhere, clicking once per press and
// repeatedly while a button is held.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"

#include <QImage>
#include <QPointer>

#include <memory>

class TKvTimer;

// An arrow button drawn from a three-cell glyph strip (disabled, normal, pressed) recoloured
// with its palette. It is hit only on the arrow itself.
class KV_EXPORT TKvSpinButton : public TKvGraphicControl {
  Q_OBJECT
public:
  enum { ArrowUp = 0, ArrowDown = 1, ArrowLeft = 2, ArrowRight = 3 };

  explicit TKvSpinButton(kv::OwnerOrParent owner);
  ~TKvSpinButton() override;

  int Arrow() const { return FArrow; }
  // 0 up, 1 down, 2 left, 3 right; other values are refused.
  void SetArrow(int v);
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  bool Down() const { return FDown; }

  // The glyph cell centred in the button.
  TRect GlyphRect() const;
  // True over a glyph pixel that is not shown black. The mask is read at the pointer's own
  // place in the glyph, so the hit area is the arrow as drawn; a point outside the glyph or
  // the control never hits.
  bool HitTest(int x, int y) const;

  void CMCancelMode() override;
  void CMEnabledChanged() override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // Drawn after the glyph, before the surface is remembered for the hit test.
  virtual void PaintOverlay() {}
  // Ends a press without a click.
  virtual void EndPress();

private:
  void BuildGlyph();

  int FArrow = ArrowUp;
  std::unique_ptr<TKvPalette> FPalette;
  std::unique_ptr<TBitmap> FGlyphs;
  bool FDown = false;
  struct Private;
  std::unique_ptr<Private> d;
};

// A spin button that repeats its click while held: after 400 ms, then every 100 ms.
class KV_EXPORT TKvTimerSpinButton : public TKvSpinButton {
  Q_OBJECT
public:
  explicit TKvTimerSpinButton(kv::OwnerOrParent owner);
  ~TKvTimerSpinButton() override;

  bool AllowRepeat() const { return FAllowRepeat; }
  void SetAllowRepeat(bool v) { FAllowRepeat = v; }
  bool FocusFrame() const { return FFocusFrame; }
  void SetFocusFrame(bool v);
  // The repeat timer, none before the first press.
  TKvTimer* RepeatTimer() const { return FRepeatTimer; }

  // Leaves the spinner at once and is freed once the running handling has returned.
  void Retire();
  void CMVisibleChanged() override;

protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void PaintOverlay() override;
  void EndPress() override;

private:
  void TimerExpired();
  void StopTimer();

  TKvTimer* FRepeatTimer = nullptr;  // owned by the button
  bool FAllowRepeat = true;
  bool FFocusFrame = false;
};

// The spinner: an up and a down button (or left and right) that fire OnUpClick and
// OnDownClick, and may hand the focus to the control whose value they step.
class KV_EXPORT TKvSpinner : public TKvCustomControl {
  Q_OBJECT
  Q_PROPERTY(TWinControl* FocusControl READ FocusControl WRITE SetFocusControl)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Orientation", "voVertical")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.ParentColor", "true")
public:
  explicit TKvSpinner(kv::OwnerOrParent owner);
  ~TKvSpinner() override;

  TWinControl* FocusControl() const { return FFocusControl.data(); }
  void SetFocusControl(TWinControl* v) { FFocusControl = v; }
  TKvOrientation Orientation() const { return FOrientation; }
  // Replaces both buttons and lays the new ones out at once; while designing (not loading)
  // an unaligned spinner also swaps its Width and Height.
  void SetOrientation(TKvOrientation v);
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }

  TKvTimerSpinButton* UpButton() const { return FUpButton; }
  TKvTimerSpinButton* DownButton() const { return FDownButton; }
  TKvTimerSpinButton* FocusedButton() const { return FFocusedButton; }
  void SetFocusedButton(TKvTimerSpinButton* b);

  void SetBounds(int left, int top, int width, int height) override;
  // Both arrows whole; the buttons need a width of 15 at least.
  QSize minimumSizeHint() const override;
  void Loaded() override;
  bool WantsArrows() const override { return true; }
  bool CanWheelStep(int) const override { return true; }
  void WheelStep(int direction) override;
  void CMEnabledChanged() override;
  void CMSysColorChange() override;

signals:
  void OnDownClick(TObject* Sender);
  void OnUpClick(TObject* Sender);

protected:
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void WMSetFocus() override;
  void WMKillFocus() override;
  void Resize() override;

private:
  void CreateButtons();
  TKvTimerSpinButton* CreateButton(int arrow);
  // Places the buttons for a spinner of Width x Height; the width it takes is returned.
  int LayoutButtons(int width, int height);
  void ButtonClicked(TObject* sender);
  void ArrowClick(TKvTimerSpinButton* button);
  void ButtonPressed(TObject* sender, TMouseButton button);
  void CopyPalette();

  QPointer<TWinControl> FFocusControl;
  TKvOrientation FOrientation = TKvOrientation::voVertical;
  std::unique_ptr<TKvPalette> FPalette;
  TKvTimerSpinButton* FUpButton = nullptr;
  TKvTimerSpinButton* FDownButton = nullptr;
  TKvTimerSpinButton* FFocusedButton = nullptr;
  bool FLayingOut = false;
};
