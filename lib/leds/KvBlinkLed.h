// A single LED beside a caption, lit in the High colour of one of four palettes and able to
// blink on its own between High and Low at a fixed half-period.
#pragma once

#include "KvExport.h"

#include "ExtCtrls.h"
#include "KvClasses.h"
#include "KvControls.h"

#include <memory>

namespace KvBlinkLed {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvBlinkLedType { ltRounded, ltRectangle, ltLargeRect };
Q_ENUM_NS(TKvBlinkLedType)
using enum TKvBlinkLedType;

}  // namespace KvBlinkLed

using KvBlinkLed::TKvBlinkLedType;

// The whole behaviour; TKvBlinkLed publishes it.
class KV_EXPORT TKvCustomBlinkLed : public TKvGraphicImageControl {
  Q_OBJECT
public:
  explicit TKvCustomBlinkLed(kv::OwnerOrParent owner);
  ~TKvCustomBlinkLed() override;
  QSize minimumSizeHint() const override;

  TKvPalette* Palette1() const { return FPalettes[0].get(); }
  void SetPalette1(const TKvPalette* v) { FPalettes[0]->Assign(v); }
  TKvPalette* Palette2() const { return FPalettes[1].get(); }
  void SetPalette2(const TKvPalette* v) { FPalettes[1]->Assign(v); }
  TKvPalette* Palette3() const { return FPalettes[2].get(); }
  void SetPalette3(const TKvPalette* v) { FPalettes[2]->Assign(v); }
  TKvPalette* Palette4() const { return FPalettes[3].get(); }
  void SetPalette4(const TKvPalette* v) { FPalettes[3]->Assign(v); }
  TKvBlinkLedType BlinkLedType() const { return FBlinkLedType; }
  void SetBlinkLedType(TKvBlinkLedType v);
  TKvImageTextLayout Layout() const { return FLayout; }
  void SetLayout(TKvImageTextLayout v);
  int Margin() const { return FMargin; }
  void SetMargin(int v);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  bool EnableBlinking() const { return FEnableBlinking; }
  // Always stores and switches the timer (never while designing).
  void SetEnableBlinking(bool v);
  int BlinkSpeed() const { return FBlinkSpeed; }
  // Always stores; 0 or less never ticks.
  void SetBlinkSpeed(int v);
  int ColorIndex() const { return FColorIndex; }
  // Raises EKvException "Out of range! ColorIndex=[1..4]" outside 1..4, the value kept.
  void SetColorIndex(int v);

  // True while the LED shows its palette's Low colour.
  bool BlinkState() const { return FBlinkState; }
  // The LED and caption rectangles of the last paint.
  TRect LedRect() const { return FLedRect; }
  TRect CaptionRect() const { return FCaptionRect; }

signals:
  void OnChange(TObject* Sender);

protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  void CMSysColorChange() override;
  void Loaded() override;
  void Resize() override;
  // One blink: the state flips, the LED repaints, OnChange fires.
  virtual void BlinkTick();

private:
  // Places the LED and the caption once per change of what they depend on.
  void CalcLayout(TCanvas* c);
  // Marks the layout stale and repaints.
  void Relayout();
  void UpdateTimer();
  TColor CurrentColor() const;

  std::unique_ptr<TKvPalette> FPalettes[4];
  std::unique_ptr<TTimer> FTimer;
  TKvBlinkLedType FBlinkLedType = TKvBlinkLedType::ltRounded;
  TKvImageTextLayout FLayout = TKvImageTextLayout::ImageLeft;
  int FMargin = 2;
  int FSpacing = 3;
  bool FEnableBlinking = false;
  int FBlinkSpeed = 500;
  int FColorIndex = 1;
  bool FBlinkState = false;
  TRect FLedRect;
  TRect FCaptionRect;
  bool FLayoutValid = false;
  struct Private;
  std::unique_ptr<Private> d;
};

// A single LED beside a caption, lit or blinking in one of four palettes.
class KV_EXPORT TKvBlinkLed : public TKvCustomBlinkLed {
  Q_OBJECT
  Q_PROPERTY(TKvPalette* Palette1 READ Palette1 WRITE SetPalette1)
  Q_PROPERTY(TKvPalette* Palette2 READ Palette2 WRITE SetPalette2)
  Q_PROPERTY(TKvPalette* Palette3 READ Palette3 WRITE SetPalette3)
  Q_PROPERTY(TKvPalette* Palette4 READ Palette4 WRITE SetPalette4)
  Q_PROPERTY(KvBlinkLed::TKvBlinkLedType BlinkLedType READ BlinkLedType WRITE SetBlinkLedType)
  Q_PROPERTY(KvControls::TKvImageTextLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(bool EnableBlinking READ EnableBlinking WRITE SetEnableBlinking)
  Q_PROPERTY(int BlinkSpeed READ BlinkSpeed WRITE SetBlinkSpeed)
  Q_PROPERTY(int ColorIndex READ ColorIndex WRITE SetColorIndex)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  // The palettes are always stored.
  Q_CLASSINFO("default.BlinkLedType", "ltRounded")
  Q_CLASSINFO("default.Layout", "ImageLeft")
  Q_CLASSINFO("default.Margin", "2")
  Q_CLASSINFO("default.Spacing", "3")
  Q_CLASSINFO("default.Transparent", "true")
  Q_CLASSINFO("default.EnableBlinking", "false")
  Q_CLASSINFO("default.BlinkSpeed", "500")
  Q_CLASSINFO("default.ColorIndex", "1")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.Color", "clMaroon")
  Q_CLASSINFO("default.ParentColor", "false")
  Q_CLASSINFO("default.ParentFont", "false")
  Q_CLASSINFO("default.Font.Color", "clWhite")
public:
  explicit TKvBlinkLed(kv::OwnerOrParent owner) : TKvCustomBlinkLed(owner) {}
};
