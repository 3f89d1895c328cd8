// A spectrum-analyser display: vertical bars of thin ticks inside a bevel, each lit from the
// bottom up to its own value in three colour zones, with a peak marker on the topmost lit
// tick. The control snaps its size to whole bars and ticks at its paint.
#pragma once

#include "KvExport.h"
#include "KvClasses.h"
#include "KvControls.h"

#include <QSize>

#include <array>
#include <cstdint>
#include <memory>

class TKvSpectrum;

// One bar. Assigning a new Position redraws that bar at once.
class KV_EXPORT TKvSpectrumBar : public TKvCollectionItem {
public:
  explicit TKvSpectrumBar(TKvCollection* Collection) : TKvCollectionItem(Collection) {}
  int Position() const { return FPosition; }
  // Not clamped: a value outside the range lights all ticks or none.
  void SetPosition(int v);

private:
  int FPosition = 0;
};

// The bars of one spectrum; a change of one bar redraws that bar, a change of all of them
// every bar.
class KV_EXPORT TKvSpectrumBars : public TKvCollection {
public:
  explicit TKvSpectrumBars(TKvSpectrum* Spectrum) : FSpectrum(Spectrum) {}
  TKvSpectrumBar* Items(int Index) const {
    return static_cast<TKvSpectrumBar*>(TKvCollection::Items(Index));
  }
  TKvSpectrum* Spectrum() const { return FSpectrum; }

protected:
  void Update(TKvCollectionItem* Item) override;

private:
  TKvSpectrum* FSpectrum;
};

// A spectrum-analyser display: Columns bars of ticks, each lit up to the Position of its item
// (Items) in MinValue .. MaxValue.
class KV_EXPORT TKvSpectrum : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(TKvPalette* Palette1 READ Palette1 WRITE SetPalette1)
  Q_PROPERTY(TKvPalette* Palette2 READ Palette2 WRITE SetPalette2)
  Q_PROPERTY(TKvPalette* Palette3 READ Palette3 WRITE SetPalette3)
  Q_PROPERTY(int Percent1 READ Percent1 WRITE SetPercent1)
  Q_PROPERTY(int Percent2 READ Percent2 WRITE SetPercent2)
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  Q_PROPERTY(TColor MarkerColor READ MarkerColor WRITE SetMarkerColor NOTIFY MarkerColorChanged)
  Q_PROPERTY(bool MarkerVisible READ MarkerVisible WRITE SetMarkerVisible)
  Q_PROPERTY(int TickHeight READ TickHeight WRITE SetTickHeight)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(int BarWidth READ BarWidth WRITE SetBarWidth)
  Q_PROPERTY(int BarSpacing READ BarSpacing WRITE SetBarSpacing)
  Q_PROPERTY(bool ShowInactive READ ShowInactive WRITE SetShowInactive)
  Q_PROPERTY(bool PlainColors READ PlainColors WRITE SetPlainColors)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_CLASSINFO("default.Percent1", "60")
  Q_CLASSINFO("default.Percent2", "25")
  Q_CLASSINFO("default.Columns", "24")
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.MarkerColor", "clWhite")
  Q_CLASSINFO("default.MarkerVisible", "true")
  Q_CLASSINFO("default.TickHeight", "1")
  Q_CLASSINFO("default.Spacing", "1")
  Q_CLASSINFO("default.BarWidth", "8")
  Q_CLASSINFO("default.BarSpacing", "1")
  Q_CLASSINFO("default.ShowInactive", "true")
  Q_CLASSINFO("default.PlainColors", "false")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  // The most bars a spectrum holds.
  static constexpr int kMaxColumns = 65535;

  explicit TKvSpectrum(kv::OwnerOrParent owner);
  ~TKvSpectrum() override;
  QSize minimumSizeHint() const override;

  TKvPalette* Palette1() const { return FPalettes[0].get(); }
  void SetPalette1(const TKvPalette* v) { FPalettes[0]->Assign(v); }
  TKvPalette* Palette2() const { return FPalettes[1].get(); }
  void SetPalette2(const TKvPalette* v) { FPalettes[1]->Assign(v); }
  TKvPalette* Palette3() const { return FPalettes[2].get(); }
  void SetPalette3(const TKvPalette* v) { FPalettes[2]->Assign(v); }
  // The shares of the low and middle zones; outside loading their sum is cut to 100.
  int Percent1() const { return FPercent1; }
  void SetPercent1(int v);
  int Percent2() const { return FPercent2; }
  void SetPercent2(int v);
  // A change keeps the bar area and grows or shrinks the control around it.
  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  // 1 .. kMaxColumns; a change makes new bars of value 0.
  int Columns() const { return FColumns; }
  void SetColumns(int v);
  // Ignored unless above MinValue; pulls bars above it down.
  int MaxValue() const { return FMaxValue; }
  // Ignored unless below MaxValue; pulls bars below it up.
  int MinValue() const { return FMinValue; }
  TColor MarkerColor() const { return FMarkerColor; }
  void SetMarkerColor(TColor v);
  bool MarkerVisible() const { return FMarkerVisible; }
  void SetMarkerVisible(bool v);
  // Outside loading, refuses values below 1 and those that leave no positive tick pitch.
  int TickHeight() const { return FTickHeight; }
  void SetTickHeight(int v);
  // Outside loading, refuses values that leave no positive tick pitch.
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  int BarWidth() const { return FBarWidth; }
  void SetBarWidth(int v);
  int BarSpacing() const { return FBarSpacing; }
  void SetBarSpacing(int v);
  bool ShowInactive() const { return FShowInactive; }
  void SetShowInactive(bool v);
  bool PlainColors() const { return FPlainColors; }
  void SetPlainColors(bool v);

  int Count() const { return FBars->Count(); }
  // Raises EListError for an index outside 0 .. Count - 1.
  TKvSpectrumBar* Items(int Index) const { return FBars->Items(Index); }
  TKvSpectrumBars* Bars() const { return FBars.get(); }
  // Ticks per bar at the last layout.
  int TickCount() const { return FTickCount; }

  void Loaded() override;

public slots:
  void SetMaxValue(int v);
  void SetMinValue(int v);

signals:
  void MarkerColorChanged();
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);

protected:
  void Paint() override;
  void CMColorChanged() override;

private:
  friend class TKvSpectrumBars;
  // A bar (none: every bar) changed its value.
  void BarChanged(TKvSpectrumBar* bar);
  // Any setting changed: the kept image no longer fits; repaint.
  void Changed();
  void BevelChanged();
  int BevelWidth() const;
  // Lays the bars out; false when the size snapped, so that this frame is left undrawn.
  bool CalcLayout();
  void BuildColumns();
  // Draws the ticks of bar Index that differ from what the image holds for it (all of them
  // after a whole paint) and returns the rows it drew.
  TRect PaintBar(TCanvas* canvas, int index, const TKvSpectrumBar* bar);
  TRect BarRect(int index) const;
  void RecreateBars();

  std::array<std::unique_ptr<TKvPalette>, 3> FPalettes;
  std::unique_ptr<TKvBevel> FBevel;
  std::unique_ptr<TKvSpectrumBars> FBars;
  int FPercent1 = 60;
  int FPercent2 = 25;
  int FColumns = 24;
  int FMaxValue = 100;
  int FMinValue = 0;
  TColor FMarkerColor = clWhite;
  bool FMarkerVisible = true;
  int FTickHeight = 1;
  int FSpacing = 1;
  int FBarWidth = 8;
  int FBarSpacing = 1;
  bool FShowInactive = true;
  bool FPlainColors = false;

  TRect FBarArea;
  int FTickCount = 0;
  // The bars laid out at the last paint.
  int FLaidOutColumns = 0;
  // The bevel width the current size was laid out for.
  int FLaidOutBevelWidth = 0;
  // The colour columns and the frame kept between paints.
  struct Private;
  std::unique_ptr<Private> d;
};
