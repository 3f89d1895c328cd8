// A small push button for media transport functions: a raised face with a vertical
// gradient and a tiny glyph (power lamp, play, pause, stop, previous, back, step, next,
// record, eject). Pressed with the left mouse button or the space bar, it fires OnClick.
#pragma once

#include "KvExport.h"
#include "KvButtons.h"
#include "KvControls.h"

#include <memory>

namespace KvNavigator {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvButtonType {
  btPower,
  btPlay,
  btPause,
  btStop,
  btPrev,
  btBack,
  btStep,
  btNext,
  btRecord,
  btEject
};
Q_ENUM_NS(TKvButtonType)
using enum TKvButtonType;

}  // namespace KvNavigator

using KvNavigator::TKvButtonType;

// A small media transport button with a glyph; a click emits OnClick.
class KV_EXPORT TKvMediaButton : public TKvCustomImageControl {
  Q_OBJECT
  Q_PROPERTY(KvNavigator::TKvButtonType ButtonType READ ButtonType WRITE SetButtonType)
  Q_PROPERTY(TColor FocusColor READ FocusColor WRITE SetFocusColor NOTIFY FocusColorChanged)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor NOTIFY BorderColorChanged)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.ButtonType", "btPause")
  Q_CLASSINFO("default.FocusColor", "clBlue")
  Q_CLASSINFO("default.BorderColor", "clBlack")
  Q_CLASSINFO("default.Enabled", "true")
public:
  explicit TKvMediaButton(kv::OwnerOrParent owner);
  ~TKvMediaButton() override;
  QSize minimumSizeHint() const override;

  TKvButtonType ButtonType() const { return FButtonType; }
  void SetButtonType(TKvButtonType v);
  TColor FocusColor() const { return FFocusColor; }
  void SetFocusColor(TColor v);
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor v);
  // Drawn pressed: a press is on and the pointer is over the button (or the space bar holds).
  bool Down() const;

  // OnClick fires only where the press and the space bar say so.
  void Click() override {}
  void CMCancelMode() override;
  void CMEnabledChanged() override;
  void CMFocusChanged(TWinControl* newFocused) override;
  void CMSysColorChange() override;

signals:
  void FocusColorChanged();
  void BorderColorChanged();

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  void WMKillFocus() override;

private:
  // A press at (X, Y): inside the button it starts one, captures the mouse and takes the
  // focus when TabStop.
  void PressAt(int x, int y);
  // Ends a press without a click.
  void CancelPress();

  TKvButtonType FButtonType = TKvButtonType::btPause;
  TColor FFocusColor = clBlue;
  TColor FBorderColor = clBlack;
  std::unique_ptr<TBitmap> FEnabledGlyphs;
  std::unique_ptr<TBitmap> FDisabledGlyphs;
  TColor FGlyphTransparent = clOlive;
  bool FFocused = false;
  struct Private;
  std::unique_ptr<Private> d;
};
