// A check box whose box is a small rectangular LED: unlit when unchecked, lit when checked,
// a checkerboard of both colours while the pointer hovers over an unchecked box. Radio-style
// LEDs uncheck their radio-style siblings.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"

#include <memory>

namespace KvCheckLed {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvCheckLedStyle { csRadioButton, csCheckbox };
Q_ENUM_NS(TKvCheckLedStyle)
using enum TKvCheckLedStyle;

}  // namespace KvCheckLed

using KvCheckLed::TKvCheckLedStyle;

using TKvCheckInt = TKvRange<10, 40>;

// A check box whose box is a small LED, lit while Checked.
class KV_EXPORT TKvCheckLed : public TKvCustomImageControl {
  Q_OBJECT
  Q_PROPERTY(int CheckWidth READ CheckWidth WRITE SetCheckWidth)
  Q_PROPERTY(int CheckHeight READ CheckHeight WRITE SetCheckHeight)
  // Lit or not (unchecked at first); a change emits OnChange, then CheckedChanged.
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked NOTIFY CheckedChanged USER true)
  Q_PROPERTY(KvControls::TKvImageTextLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(KvCheckLed::TKvCheckLedStyle CheckStyle READ CheckStyle WRITE SetCheckStyle)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  // The palette is always stored; the caption starts as the component's name.
  Q_CLASSINFO("default.CheckWidth", "20")
  Q_CLASSINFO("default.CheckHeight", "13")
  Q_CLASSINFO("default.Checked", "false")
  Q_CLASSINFO("default.Layout", "ImageLeft")
  Q_CLASSINFO("default.Margin", "-1")
  Q_CLASSINFO("default.Spacing", "5")
  Q_CLASSINFO("default.CheckStyle", "csCheckbox")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvCheckLed(kv::OwnerOrParent owner);
  ~TKvCheckLed() override;
  QSize minimumSizeHint() const override;

  int CheckWidth() const { return FCheckWidth; }
  // TKvCheckInt: values outside 10..40 are refused.
  void SetCheckWidth(int v);
  int CheckHeight() const { return FCheckHeight; }
  void SetCheckHeight(int v);
  bool Checked() const { return FChecked; }
  TKvImageTextLayout Layout() const { return FLayout; }
  void SetLayout(TKvImageTextLayout v);
  int Margin() const { return FMargin; }
  void SetMargin(int v);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  TKvCheckLedStyle CheckStyle() const { return FCheckStyle; }
  // Stored only: it decides what the next check does.
  void SetCheckStyle(TKvCheckLedStyle v);

  // The box and caption rectangles of the current layout.
  TRect CheckRect();
  TRect TextRect();

  bool CMDialogChar(QChar ch) override;
  void CMCancelMode() override;
  void CMEnabledChanged() override;
  void CMFocusChanged(TWinControl* newFocused) override;

public slots:
  // Stores, repaints, unchecks radio-style siblings when checking a radio-style LED, then
  // fires OnChange.
  void SetChecked(bool v);

signals:
  void OnChange(TObject* Sender);
  void CheckedChanged(bool Checked);

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void KeyPress(QChar& key) override;
  void FontChanged() override;
  void TextChanged() override;
  void Resize() override;

private:
  // Marks the layout stale and repaints.
  void Relayout();
  void CalcLayout();
  // Starts a frame from the kept face, or clears and draws it afresh.
  void ClearWithInnerRings();
  void DrawCheck(TCanvas* c);
  // A press in progress ends with the state it began with, without OnChange.
  void CancelPress();

  std::unique_ptr<TKvPalette> FPalette;
  int FCheckWidth = 20;
  int FCheckHeight = 13;
  bool FChecked = false;
  TKvImageTextLayout FLayout = TKvImageTextLayout::ImageLeft;
  int FMargin = -1;
  int FSpacing = 5;
  TKvCheckLedStyle FCheckStyle = TKvCheckLedStyle::csCheckbox;
  TRect FCheckRect;
  TRect FTextRect;
  bool FLayoutValid = false;
  bool FHover = false;
  bool FPressing = false;
  bool FSavedChecked = false;
  bool FFocused = false;
  TRect FCheckInside;  // the box's inside the kept face was drawn with
  struct Private;
  std::unique_ptr<Private> d;
};
