// Rows of rectangular LEDs: the style that draws one LED (two bevelled rings around a
// gradient face, an unlit and a lit colour pair), the running-light scanner and the level
// indicator with its three colour zones.
#pragma once

#include "KvExport.h"
#include "KvClasses.h"
#include "KvControls.h"
#include "KvValueRange.h"
#include "KvThreads.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace KvScanner {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvScanDirection { sdBoth, sdLeftRight, sdRightLeft };
Q_ENUM_NS(TKvScanDirection)
using enum TKvScanDirection;

}  // namespace KvScanner

using KvScanner::TKvScanDirection;

// One LED: an outer and an inner ring of one-pixel frames, then a face of bands running from
// the first to the second palette colour, top to bottom.
class KV_EXPORT TKvLedStyle : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(TColor InnerHigh READ InnerHigh WRITE SetInnerHigh NOTIFY PropertyChanged)
  Q_PROPERTY(TColor InnerShadow READ InnerShadow WRITE SetInnerShadow NOTIFY PropertyChanged)
  Q_PROPERTY(int InnerWidth READ InnerWidth WRITE SetInnerWidth NOTIFY PropertyChanged)
  Q_PROPERTY(TColor OuterHigh READ OuterHigh WRITE SetOuterHigh NOTIFY PropertyChanged)
  Q_PROPERTY(TColor OuterShadow READ OuterShadow WRITE SetOuterShadow NOTIFY PropertyChanged)
  Q_PROPERTY(int OuterWidth READ OuterWidth WRITE SetOuterWidth NOTIFY PropertyChanged)
  Q_PROPERTY(TColor PaletteHigh1 READ PaletteHigh1 WRITE SetPaletteHigh1 NOTIFY PropertyChanged)
  Q_PROPERTY(TColor PaletteHigh2 READ PaletteHigh2 WRITE SetPaletteHigh2 NOTIFY PropertyChanged)
  Q_PROPERTY(TColor PaletteLow1 READ PaletteLow1 WRITE SetPaletteLow1 NOTIFY PropertyChanged)
  Q_PROPERTY(TColor PaletteLow2 READ PaletteLow2 WRITE SetPaletteLow2 NOTIFY PropertyChanged)
  // InnerHigh, PaletteHigh1 and PaletteLow1 are always stored: the indicator's zones start
  // from different values.
  Q_CLASSINFO("default.InnerShadow", "clBlack")
  Q_CLASSINFO("default.InnerWidth", "1")
  Q_CLASSINFO("default.OuterHigh", "clBlack")
  Q_CLASSINFO("default.OuterShadow", "clBlack")
  Q_CLASSINFO("default.OuterWidth", "1")
  Q_CLASSINFO("default.PaletteHigh2", "clBlack")
  Q_CLASSINFO("default.PaletteLow2", "clBlack")
public:
  TKvLedStyle() = default;
  TColor InnerHigh() const { return F.InnerHigh; }
  void SetInnerHigh(TColor v) { SetValue(F.InnerHigh, v); }
  TColor InnerShadow() const { return F.InnerShadow; }
  void SetInnerShadow(TColor v) { SetValue(F.InnerShadow, v); }
  int InnerWidth() const { return F.InnerWidth; }
  void SetInnerWidth(int v) { SetValue(F.InnerWidth, v); }
  TColor OuterHigh() const { return F.OuterHigh; }
  void SetOuterHigh(TColor v) { SetValue(F.OuterHigh, v); }
  TColor OuterShadow() const { return F.OuterShadow; }
  void SetOuterShadow(TColor v) { SetValue(F.OuterShadow, v); }
  int OuterWidth() const { return F.OuterWidth; }
  void SetOuterWidth(int v) { SetValue(F.OuterWidth, v); }
  TColor PaletteHigh1() const { return F.PaletteHigh1; }
  void SetPaletteHigh1(TColor v) { SetValue(F.PaletteHigh1, v); }
  TColor PaletteHigh2() const { return F.PaletteHigh2; }
  void SetPaletteHigh2(TColor v) { SetValue(F.PaletteHigh2, v); }
  TColor PaletteLow1() const { return F.PaletteLow1; }
  void SetPaletteLow1(TColor v) { SetValue(F.PaletteLow1, v); }
  TColor PaletteLow2() const { return F.PaletteLow2; }
  void SetPaletteLow2(TColor v) { SetValue(F.PaletteLow2, v); }

  // Another LED style: all ten values inside one update. Anything else: the framework's rule.
  void Assign(const TPersistent* source) override;

private:
  struct Settings {
    TColor InnerHigh = clLime;
    TColor InnerShadow = clBlack;
    int InnerWidth = 1;
    TColor OuterHigh = clBlack;
    TColor OuterShadow = clBlack;
    int OuterWidth = 1;
    TColor PaletteHigh1 = clLime;
    TColor PaletteHigh2 = clBlack;
    TColor PaletteLow1 = clGreen;
    TColor PaletteLow2 = clBlack;
  } F;
};

// Draws one LED of Style into Rect: the outer ring, the inner ring, then the face in bands
// ColorWidth pixels high, lit or unlit.
KV_EXPORT void DrawLed(TCanvas* Canvas, const TRect& Rect, const TKvLedStyle* Style, bool Lit,
                       int ColorWidth);

// A running light: a row of LEDs of which the one at Position is lit; the owned timer moves
// it on every tick.
class KV_EXPORT TKvScanner : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int Leds READ Leds WRITE SetLeds)
  Q_PROPERTY(TKvLedStyle* LedStyle READ LedStyle WRITE SetLedStyle)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(int ColorWidth READ ColorWidth WRITE SetColorWidth)
  Q_PROPERTY(KvScanner::TKvScanDirection Direction READ Direction WRITE SetDirection)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(bool Threaded READ Threaded WRITE SetThreaded)
  Q_PROPERTY(bool Active READ Active WRITE SetActive NOTIFY ActiveChanged)
  Q_PROPERTY(int TimeInterval READ TimeInterval WRITE SetTimeInterval)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_CLASSINFO("default.Leds", "7")
  Q_CLASSINFO("default.Spacing", "2")
  Q_CLASSINFO("default.ColorWidth", "1")
  Q_CLASSINFO("default.Direction", "sdBoth")
  Q_CLASSINFO("default.Position", "-1")
  Q_CLASSINFO("default.Active", "false")
  Q_CLASSINFO("default.TimeInterval", "100")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.ParentColor", "true")
public:
  explicit TKvScanner(kv::OwnerOrParent owner);
  ~TKvScanner() override;
  QSize minimumSizeHint() const override;

  int Leds() const { return FLeds; }
  // 1 and above; a change turns every LED off (Position -1, no event).
  void SetLeds(int v);
  TKvLedStyle* LedStyle() const { return FLedStyle.get(); }
  void SetLedStyle(const TKvLedStyle* v) { FLedStyle->Assign(v); }
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  // The height of the face's colour bands, 1 to 10.
  int ColorWidth() const { return FColorWidth; }
  void SetColorWidth(int v);
  TKvScanDirection Direction() const { return FDirection; }
  void SetDirection(TKvScanDirection v);
  // The lit LED; any value outside 0 .. Leds - 1 lights none. A change repaints, then fires
  // OnChange.
  int Position() const { return FPosition; }
  void SetPosition(int v);
  // The owned timer's type: its worker thread (True) or the system timer (False).
  bool Threaded() const;
  void SetThreaded(bool v);
  bool Active() const { return FActive; }
  // The timer's interval in milliseconds; a negative value is kept as the timer keeps it.
  int TimeInterval() const;
  void SetTimeInterval(int v);

  void Loaded() override;

public slots:
  // Runs the timer, except while designing.
  void SetActive(bool v);

signals:
  void OnChange(TObject* Sender);
  void ActiveChanged(bool Active);

protected:
  void Paint() override;
  // One step of the light in Direction.
  void Scan();
  TKvTimer* Timer() const { return FTimer.get(); }

private:
  std::unique_ptr<TKvTimer> FTimer;
  std::unique_ptr<TKvLedStyle> FLedStyle;
  int FLeds = 7;
  int FSpacing = 2;
  int FColorWidth = 1;
  TKvScanDirection FDirection = TKvScanDirection::sdBoth;
  int FPosition = -1;
  bool FActive = false;
  bool FBackward = false;
  // The LED pictures, the face with every LED unlit and the row's layout.
  struct Private;
  std::unique_ptr<Private> d;
};

// A level indicator: the LEDs from the left up to Position are lit, in three zones drawn
// with their own styles.
class KV_EXPORT TKvIndicator : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int Leds READ Leds WRITE SetLeds)
  Q_PROPERTY(TKvLedStyle* LedStyle1 READ LedStyle1 WRITE SetLedStyle1)
  Q_PROPERTY(TKvLedStyle* LedStyle2 READ LedStyle2 WRITE SetLedStyle2)
  Q_PROPERTY(TKvLedStyle* LedStyle3 READ LedStyle3 WRITE SetLedStyle3)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(int ColorWidth READ ColorWidth WRITE SetColorWidth)
  // The level, held to MinValue .. MaxValue (0 .. 100 at first); a change emits OnChange, then
  // PositionChanged.
  Q_PROPERTY(int Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(int Percent1 READ Percent1 WRITE SetPercent1)
  Q_PROPERTY(int Percent2 READ Percent2 WRITE SetPercent2)
  Q_PROPERTY(int Step READ Step WRITE SetStep)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.Leds", "7")
  Q_CLASSINFO("default.Spacing", "2")
  Q_CLASSINFO("default.ColorWidth", "1")
  Q_CLASSINFO("default.Position", "0")
  Q_CLASSINFO("default.Percent1", "50")
  Q_CLASSINFO("default.Percent2", "30")
  Q_CLASSINFO("default.Step", "10")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.ParentColor", "true")
public:
  explicit TKvIndicator(kv::OwnerOrParent owner);
  ~TKvIndicator() override;
  QSize minimumSizeHint() const override;

  int MinValue() const { return FRange.Min; }
  int MaxValue() const { return FRange.Max; }
  int Leds() const { return FLeds; }
  void SetLeds(int v);
  TKvLedStyle* LedStyle1() const { return FLedStyles[0].get(); }
  void SetLedStyle1(const TKvLedStyle* v) { FLedStyles[0]->Assign(v); }
  TKvLedStyle* LedStyle2() const { return FLedStyles[1].get(); }
  void SetLedStyle2(const TKvLedStyle* v) { FLedStyles[1]->Assign(v); }
  TKvLedStyle* LedStyle3() const { return FLedStyles[2].get(); }
  void SetLedStyle3(const TKvLedStyle* v) { FLedStyles[2]->Assign(v); }
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  int ColorWidth() const { return FColorWidth; }
  void SetColorWidth(int v);
  int Position() const { return FRange.Position; }
  int Percent1() const { return FPercent1; }
  void SetPercent1(int v);
  int Percent2() const { return FPercent2; }
  void SetPercent2(int v);
  int Step() const { return FStep; }
  void SetStep(int v) { FStep = v; }

  void Loaded() override;

public slots:
  void SetMaxValue(int v);
  // Above MaxValue raises "Value out of range." (not while loading); pulls Position up
  // without an event.
  void SetMinValue(int v);
  // Clamped to the range; a change repaints, then fires OnChange.
  void SetPosition(int v);

signals:
  void OnChange(TObject* Sender);
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);
  void PositionChanged(int Position);

protected:
  void Paint() override;

private:
  // How many LEDs from the left a position lights.
  int64_t LitCount(int position) const;
  // Repaints the LEDs whose light differs between Before and Position.
  void RepaintLit(int before);
  void SetPercent(int& field, int v, int other);

  std::array<std::unique_ptr<TKvLedStyle>, 3> FLedStyles;
  kv::ValueRange<int> FRange{0, 100, 0};
  int FLeds = 7;
  int FSpacing = 2;
  int FColorWidth = 1;
  int FPercent1 = 50;
  int FPercent2 = 30;
  int FStep = 10;
  // The LED pictures, the face with every LED unlit in its zone and the row's layout.
  struct Private;
  std::unique_ptr<Private> d;
};
