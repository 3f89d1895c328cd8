// A segmented level meter: a column (or row) of thin ticks inside a bevel in three colour
// zones, each with its own lit and unlit colour, lit from the growth end up to the
// position. The long side snaps to a whole number of ticks whenever the bounds are set (a
// layout's size included) and when the ticks' pitch, the bevel or the orientation change.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvValueRange.h"

#include <cstdint>
#include <memory>

namespace kv {
struct TickSnap;
}  // namespace kv

// A segmented level meter in three colour zones, lit up to Position.
class KV_EXPORT TKvLevelBar : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  // The level, held to MinValue .. MaxValue (0 .. 100 at first); a change emits OnChange,
  // PositionChanged, then OnMinValue or OnMaxValue at an end.
  Q_PROPERTY(int Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(int Percent1 READ Percent1 WRITE SetPercent1)
  Q_PROPERTY(int Percent2 READ Percent2 WRITE SetPercent2)
  Q_PROPERTY(TKvPalette* Palette1 READ Palette1 WRITE SetPalette1)
  Q_PROPERTY(TKvPalette* Palette2 READ Palette2 WRITE SetPalette2)
  Q_PROPERTY(TKvPalette* Palette3 READ Palette3 WRITE SetPalette3)
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(int TickHeight READ TickHeight WRITE SetTickHeight)
  Q_PROPERTY(KvControls::TKvProgressStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(int Step READ Step WRITE SetStep)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.Position", "0")
  Q_CLASSINFO("default.Percent1", "60")
  Q_CLASSINFO("default.Percent2", "25")
  Q_CLASSINFO("default.Orientation", "voVertical")
  Q_CLASSINFO("default.Spacing", "1")
  Q_CLASSINFO("default.TickHeight", "1")
  Q_CLASSINFO("default.Style", "psBottomLeft")
  Q_CLASSINFO("default.Step", "10")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvLevelBar(kv::OwnerOrParent owner);
  ~TKvLevelBar() override;
  QSize minimumSizeHint() const override;

  int MaxValue() const { return FRange.Max; }
  int MinValue() const { return FRange.Min; }
  int Position() const { return FRange.Position; }
  int Percent1() const { return FPercent1; }
  // Reduced to 100 - Percent2 when the zones would exceed 100 % (not while loading).
  void SetPercent1(int v);
  int Percent2() const { return FPercent2; }
  // Ignored when the zones would exceed 100 %.
  void SetPercent2(int v);
  TKvPalette* Palette1() const { return FPalettes[0].get(); }
  void SetPalette1(const TKvPalette* v) { FPalettes[0]->Assign(v); }
  TKvPalette* Palette2() const { return FPalettes[1].get(); }
  void SetPalette2(const TKvPalette* v) { FPalettes[1]->Assign(v); }
  TKvPalette* Palette3() const { return FPalettes[2].get(); }
  void SetPalette3(const TKvPalette* v) { FPalettes[2]->Assign(v); }
  TKvBevel* Bevel() const { return FBevel.get(); }
  // A new bevel keeps the bar's size: the control grows or shrinks around it.
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  TKvOrientation Orientation() const { return FOrientation; }
  // Swaps Width and Height (not while loading).
  void SetOrientation(TKvOrientation v);
  int Spacing() const { return FSpacing; }
  // Refuses values that leave no positive tick pitch (TickHeight + Spacing <= 0); snaps.
  void SetSpacing(int v);
  int TickHeight() const { return FTickHeight; }
  // Refuses values below 1 and those that leave no positive tick pitch; snaps.
  void SetTickHeight(int v);
  TKvProgressStyle Style() const { return FStyle; }
  void SetStyle(TKvProgressStyle v);
  int Step() const { return FStep; }
  void SetStep(int v) { FStep = v; }

  // The ticks that fit, as the last paint laid them out.
  int TickCount() const { return FTickCount; }

  // The long side asked for is cut down to whole ticks (never grown, never below 0); not
  // while loading, when the settings it depends on may still come: Loaded snaps.
  void SetBounds(int left, int top, int width, int height) override;
  void Loaded() override;

public slots:
  // Ignored unless above MinValue; pulls Position down to it (with events).
  void SetMaxValue(int v);
  // Ignored unless below MaxValue; pulls Position up to it (with events).
  void SetMinValue(int v);
  // Clamped to the range; a change repaints, then fires OnChange, OnMinValue, OnMaxValue.
  void SetPosition(int v);

signals:
  void OnChange(TObject* Sender);
  void OnMinValue(TObject* Sender);
  void OnMaxValue(TObject* Sender);
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);
  void PositionChanged(int Position);

protected:
  void Paint() override;

private:
  bool Vertical() const { return FOrientation == TKvOrientation::voVertical; }
  int BevelWidth() const;
  // The ticks a long side holds, and the long side they fill exactly.
  kv::TickSnap Snap(int width, int height) const;
  void CalcTicks();
  void BevelChanged();
  // The ticks lit at Position of N ticks.
  int LitCount(int position, int n) const;
  // Tick K's rectangle as the last paint laid the ticks out; K = 1 lies at the growth end.
  TRect TickRect(int k) const;
  // Repaints the ticks between the lit end at Before and the one now.
  void RepaintLit(int before);

  kv::ValueRange<int> FRange{0, 100, 0};
  int FPercent1 = 60;
  int FPercent2 = 25;
  std::unique_ptr<TKvPalette> FPalettes[3];
  std::unique_ptr<TKvBevel> FBevel;
  TKvOrientation FOrientation = TKvOrientation::voVertical;
  int FSpacing = 1;
  int FTickHeight = 1;
  TKvProgressStyle FStyle = TKvProgressStyle::psBottomLeft;
  int FStep = 10;

  TRect FBarRect;
  int64_t FTickStep = 2;
  int FTickCount = 0;
  // The bevel width the current size was laid out for.
  int FLaidOutBevelWidth = 0;
  struct Private;
  std::unique_ptr<Private> d;
};
