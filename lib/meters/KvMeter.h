// An analog panel meter: a needle turning about a centre below the bottom edge, sweeping an
// arc of tick marks in three colour zones, with numeric labels along the arc, a caption and
// a bevel around everything; an optional picture is stretched under the scale.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvScale.h"
#include "KvValueRange.h"

#include <cstdint>
#include <memory>

// The look of a meter's scale: three tick zones, tick lengths and the long-tick rhythm.
class KV_EXPORT TKvMeterScale : public TKvScaleBase {
  Q_OBJECT
  Q_PROPERTY(TColor Color1 READ Color1 WRITE SetColor1 NOTIFY PropertyChanged)
  Q_PROPERTY(TColor Color2 READ Color2 WRITE SetColor2 NOTIFY PropertyChanged)
  Q_PROPERTY(TColor Color3 READ Color3 WRITE SetColor3 NOTIFY PropertyChanged)
  Q_PROPERTY(int Enlarge READ Enlarge WRITE SetEnlarge NOTIFY PropertyChanged)
  Q_PROPERTY(int Percent1 READ Percent1 WRITE SetPercent1 NOTIFY PropertyChanged)
  Q_PROPERTY(int Percent2 READ Percent2 WRITE SetPercent2 NOTIFY PropertyChanged)
  Q_PROPERTY(int Ticks READ Ticks WRITE SetTicks NOTIFY PropertyChanged)
  Q_PROPERTY(int HeightMax READ HeightMax WRITE SetHeightMax NOTIFY PropertyChanged)
  Q_PROPERTY(int HeightMin READ HeightMin WRITE SetHeightMin NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
  Q_CLASSINFO("default.Color1", "clGreen")
  Q_CLASSINFO("default.Color2", "clYellow")
  Q_CLASSINFO("default.Color3", "clRed")
  Q_CLASSINFO("default.Enlarge", "5")
  Q_CLASSINFO("default.Percent1", "60")
  Q_CLASSINFO("default.Percent2", "25")
  Q_CLASSINFO("default.Ticks", "61")
  Q_CLASSINFO("default.HeightMax", "8")
  Q_CLASSINFO("default.HeightMin", "5")
  Q_CLASSINFO("default.Visible", "true")
public:
  // The most tick marks a scale draws: each is a line per paint.
  static constexpr int kMaxTicks = 65535;

  // Owner (may be none) decides whether Percent1 is checked: not while it loads.
  explicit TKvMeterScale(const TComponent* owner = nullptr) : FOwner(owner) {}

  TColor Color1() const { return F.Color1; }
  void SetColor1(TColor v) { SetValue(F.Color1, v); }
  TColor Color2() const { return F.Color2; }
  void SetColor2(TColor v) { SetValue(F.Color2, v); }
  TColor Color3() const { return F.Color3; }
  void SetColor3(TColor v) { SetValue(F.Color3, v); }
  int Enlarge() const { return F.Enlarge; }
  void SetEnlarge(int v) { SetValue(F.Enlarge, v); }
  int Percent1() const { return F.Percent1; }
  // Reduced to 100 - Percent2 when the zones would exceed 100 % (not while loading).
  void SetPercent1(int v);
  int Percent2() const { return F.Percent2; }
  // Ignored when the zones would exceed 100 %.
  void SetPercent2(int v);
  int Ticks() const { return F.Ticks; }
  // Refuses more than kMaxTicks.
  void SetTicks(int v);

  void Assign(const TPersistent* source) override;

private:
  bool OwnerLoading() const;

  const TComponent* FOwner;
  struct Settings {
    TColor Color1 = clGreen;
    TColor Color2 = clYellow;
    TColor Color3 = clRed;
    int Enlarge = 5;
    int Percent1 = 60;
    int Percent2 = 25;
    int Ticks = 61;
  } F;
};

// An analog panel meter whose needle shows Position.
class KV_EXPORT TKvMeter : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  // The value the needle shows, held to MinValue .. MaxValue (0 .. 100 at first); a change
  // emits OnChange, then PositionChanged.
  Q_PROPERTY(int Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(int Angle READ Angle WRITE SetAngle)
  Q_PROPERTY(TKvMeterScale* Scale READ Scale WRITE SetScale)
  Q_PROPERTY(TColor NeedleColor READ NeedleColor WRITE SetNeedleColor NOTIFY NeedleColorChanged)
  Q_PROPERTY(int NeedleWidth READ NeedleWidth WRITE SetNeedleWidth)
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(int Labels READ Labels WRITE SetLabels)
  Q_PROPERTY(int LabelOffsetX READ LabelOffsetX WRITE SetLabelOffsetX)
  Q_PROPERTY(int LabelOffsetY READ LabelOffsetY WRITE SetLabelOffsetY)
  Q_PROPERTY(TPicture* BackImage READ BackImage WRITE SetBackImage)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.Position", "0")
  Q_CLASSINFO("default.Angle", "40")
  Q_CLASSINFO("default.NeedleColor", "clSilver")
  Q_CLASSINFO("default.NeedleWidth", "1")
  Q_CLASSINFO("default.Spacing", "20")
  Q_CLASSINFO("default.Labels", "10")
  Q_CLASSINFO("default.LabelOffsetX", "15")
  Q_CLASSINFO("default.LabelOffsetY", "10")
  Q_CLASSINFO("default.BackImage", "")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.ParentColor", "false")
  Q_CLASSINFO("default.ParentFont", "false")
  Q_CLASSINFO("default.Font.Name", "Arial")
  Q_CLASSINFO("default.Font.Color", "clSilver")
public:
  explicit TKvMeter(kv::OwnerOrParent owner);
  ~TKvMeter() override;
  QSize minimumSizeHint() const override;

  int MaxValue() const { return FRange.Max; }
  int MinValue() const { return FRange.Min; }
  int Position() const { return FRange.Position; }
  int Angle() const { return FAngle; }
  void SetAngle(int v) {
    if (SetIfChanged(FAngle, v)) UpdateControl();
  }
  TKvMeterScale* Scale() const { return FScale.get(); }
  void SetScale(const TKvMeterScale* v) { FScale->Assign(v); }
  TColor NeedleColor() const { return FNeedleColor; }
  void SetNeedleColor(TColor v);
  int NeedleWidth() const { return FNeedleWidth; }
  void SetNeedleWidth(int v) {
    if (SetIfChanged(FNeedleWidth, v)) UpdateControl();
  }
  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v) {
    if (SetIfChanged(FSpacing, v)) UpdateControl();
  }
  int Labels() const { return FLabels; }
  void SetLabels(int v) {
    if (SetIfChanged(FLabels, v)) UpdateControl();
  }
  int LabelOffsetX() const { return FLabelOffsetX; }
  void SetLabelOffsetX(int v) {
    if (SetIfChanged(FLabelOffsetX, v)) UpdateControl();
  }
  int LabelOffsetY() const { return FLabelOffsetY; }
  void SetLabelOffsetY(int v) {
    if (SetIfChanged(FLabelOffsetY, v)) UpdateControl();
  }
  TPicture* BackImage() const { return FBackImage.get(); }
  void SetBackImage(const TPicture* v) { FBackImage->Assign(v); }

public slots:
  // Below MinValue raises EKvException (not while loading); pulls Position down silently.
  void SetMaxValue(int v);
  // Above MaxValue raises EKvException (not while loading); pulls Position up silently.
  void SetMinValue(int v);
  // Clamped to the range; a change repaints, then fires OnChange.
  void SetPosition(int v);

signals:
  void NeedleColorChanged();
  void OnChange(TObject* Sender);
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);
  void PositionChanged(int Position);

protected:
  void Paint() override;
  void TextChanged() override;

private:
  struct Geometry;

  void DrawScale(TCanvas* canvas, const Geometry& g) const;
  void DrawTicks(TCanvas* canvas, const Geometry& g) const;
  void DrawLabels(TCanvas* canvas, const Geometry& g) const;
  Geometry FaceGeometry() const;
  TPoint NeedleTip(const Geometry& g, int position) const;
  // What the needle at Position covers, with its pen.
  TRect NeedleBounds(int position) const;
  void DrawNeedle(TCanvas* canvas, const Geometry& g) const;
  void DrawCaption(TCanvas* canvas, const Geometry& g, int innerBottom, bool opaque,
                   TColor cellColor) const;

  kv::ValueRange<int> FRange{0, 100, 0};
  int FAngle = 40;
  std::unique_ptr<TKvMeterScale> FScale;
  TColor FNeedleColor = clSilver;
  int FNeedleWidth = 1;
  std::unique_ptr<TKvBevel> FBevel;
  int FSpacing = 20;
  int FLabels = 10;
  int FLabelOffsetX = 15;
  int FLabelOffsetY = 10;
  std::unique_ptr<TPicture> FBackImage;
  struct Private;
  std::unique_ptr<Private> d;
};
