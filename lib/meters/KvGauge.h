// A segmented bar gauge: a column (or row) of equal ticks inside a bevel, lit from one end
// up to the position. The long side snaps to a whole number of ticks; with ActiveClick a
// left click in the bar sets the position.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvValueRange.h"

#include <cstdint>
#include <memory>

// A segmented bar gauge: equal ticks lit from one end up to Position.
class KV_EXPORT TKvGauge : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  // The lit length, held to MinValue .. MaxValue (0 .. 100 at first); a change emits OnChange,
  // PositionChanged, then OnMinValue or OnMaxValue at an end.
  Q_PROPERTY(int Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(int TickHeight READ TickHeight WRITE SetTickHeight)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(bool SolidFill READ SolidFill WRITE SetSolidFill)
  Q_PROPERTY(KvControls::TKvProgressStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(bool ActiveClick READ ActiveClick WRITE SetActiveClick)
  Q_PROPERTY(int Step READ Step WRITE SetStep)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.Position", "0")
  Q_CLASSINFO("default.Orientation", "voVertical")
  Q_CLASSINFO("default.TickHeight", "1")
  Q_CLASSINFO("default.Spacing", "1")
  Q_CLASSINFO("default.SolidFill", "false")
  Q_CLASSINFO("default.Style", "psBottomLeft")
  Q_CLASSINFO("default.ActiveClick", "false")
  Q_CLASSINFO("default.Step", "10")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvGauge(kv::OwnerOrParent owner);
  ~TKvGauge() override;
  QSize minimumSizeHint() const override;

  int MaxValue() const { return FRange.Max; }
  int MinValue() const { return FRange.Min; }
  int Position() const { return FRange.Position; }
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  TKvOrientation Orientation() const { return FOrientation; }
  // Swaps Width and Height (not while loading).
  void SetOrientation(TKvOrientation v);
  int TickHeight() const { return FTickHeight; }
  // Refuses values below 1 and those that leave no positive tick pitch.
  void SetTickHeight(int v);
  int Spacing() const { return FSpacing; }
  // Refuses values that leave no positive tick pitch (TickHeight + Spacing <= 0).
  void SetSpacing(int v);
  bool SolidFill() const { return FSolidFill; }
  void SetSolidFill(bool v);
  TKvProgressStyle Style() const { return FStyle; }
  void SetStyle(TKvProgressStyle v);
  bool ActiveClick() const { return FActiveClick; }
  void SetActiveClick(bool v) { FActiveClick = v; }
  int Step() const { return FStep; }
  void SetStep(int v) { FStep = v; }

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
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void CMSysColorChange() override;

private:
  bool Vertical() const { return FOrientation == TKvOrientation::voVertical; }
  int BevelWidth() const;
  // The client rectangle shrunk by the bevel.
  TRect BarRectOf(int width, int height) const;
  // The tick images for the current size, palette and fill (not while loading).
  void BuildTicks();
  // Tick pitch and count; snaps the long side to the ticks.
  void CalcTicks();
  void DrawTicks();
  void StyleChanged();
  void BevelChanged();
  // Clamps the range and Position after loading without events.
  void SettleRange();

  kv::ValueRange<int> FRange{0, 100, 0};
  std::unique_ptr<TKvPalette> FPalette;
  std::unique_ptr<TKvBevel> FBevel;
  TKvOrientation FOrientation = TKvOrientation::voVertical;
  int FTickHeight = 1;
  int FSpacing = 1;
  bool FSolidFill = false;
  TKvProgressStyle FStyle = TKvProgressStyle::psBottomLeft;
  bool FActiveClick = false;
  int FStep = 10;

  std::unique_ptr<TBitmap> FTickOff;
  std::unique_ptr<TBitmap> FTickOn;
  TRect FBarRect;
  int64_t FTickStep = 2;
  int FTickCount = 0;
  int FBuiltWidth = -1;
  int FBuiltHeight = -1;
  // The bevel width the current size was laid out for: a new bevel keeps the bar's size.
  int FLaidOutBevelWidth = 0;
  struct Private;
  std::unique_ptr<Private> d;
};
