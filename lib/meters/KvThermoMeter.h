// A thermometer: a bulb at the minimum end, a tube in two colours split at the value, a
// linear or logarithmic scale of ticks and labels beside it, and four markers along the
// tube (set point, lowest and highest value seen, current value). It lies vertically with
// the minimum at the bottom, or horizontally with the minimum at the left.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvLinearScale.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

namespace KvThermoMeter {

// The thermometer's marker; its default picture is a triangle pointing left.
class KV_EXPORT TKvLiniarIndicator : public TKvLinearMarker {
  Q_OBJECT
public:
  TKvLiniarIndicator();
};

}  // namespace KvThermoMeter

// The thermometer's scale: the range, how values map to positions, and the look of the
// ticks and labels. Values are taken as they come; a logarithmic scale keeps Min and Max
// at 0 or above.
class KV_EXPORT TkvThermoMeterScale : public TKvLinearScaleBase {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY PropertyChanged)
  Q_PROPERTY(int Decimals READ Decimals WRITE SetDecimals NOTIFY PropertyChanged)
  Q_PROPERTY(QString FormatText READ FormatText WRITE SetFormatText NOTIFY PropertyChanged)
  Q_PROPERTY(KvLinearScale::TKvScaleType ScaleType READ ScaleType WRITE SetScaleType
             NOTIFY PropertyChanged)
  Q_PROPERTY(double Max READ Max WRITE SetMax NOTIFY PropertyChanged)
  Q_PROPERTY(double Min READ Min WRITE SetMin NOTIFY PropertyChanged)
  Q_PROPERTY(KvLinearScale::TKvPosition Position READ Position WRITE SetPosition
             NOTIFY PropertyChanged)
  Q_PROPERTY(int Offset READ Offset WRITE SetOffset NOTIFY PropertyChanged)
  Q_PROPERTY(double Step READ Step WRITE SetStep NOTIFY PropertyChanged)
  Q_PROPERTY(double SmallStep READ SmallStep WRITE SetSmallStep NOTIFY PropertyChanged)
  Q_PROPERTY(int HeightMax READ HeightMax WRITE SetHeightMax NOTIFY PropertyChanged)
  Q_PROPERTY(int HeightMin READ HeightMin WRITE SetHeightMin NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.Decimals", "0")
  Q_CLASSINFO("default.FormatText", "%s")
  Q_CLASSINFO("default.ScaleType", "voLinear")
  Q_CLASSINFO("default.Max", "100")
  Q_CLASSINFO("default.Min", "0")
  Q_CLASSINFO("default.Position", "voAfter")
  Q_CLASSINFO("default.Offset", "5")
  Q_CLASSINFO("default.Step", "10")
  Q_CLASSINFO("default.SmallStep", "1")
  Q_CLASSINFO("default.HeightMax", "8")
  Q_CLASSINFO("default.HeightMin", "5")
  Q_CLASSINFO("default.Visible", "true")
public:
  TkvThermoMeterScale() : TKvLinearScaleBase(clBlack) {}

  TKvScaleType ScaleType() const { return F.ScaleType; }
  // Logarithmic is refused while Min or Max is negative.
  void SetScaleType(TKvScaleType v);
  double Max() const { return F.Max; }
  // Refuses values that are not finite, and negative ones on a logarithmic scale.
  void SetMax(double v);
  double Min() const { return F.Min; }
  void SetMin(double v);
  int Offset() const { return F.Offset; }
  void SetOffset(int v) { SetValue(F.Offset, v); }

  // Copies every setting of another scale at once, so a logarithmic scale stays one.
  void Assign(const TPersistent* source) override;

private:
  struct Settings {
    TKvScaleType ScaleType = TKvScaleType::voLinear;
    double Max = 100;
    double Min = 0;
    int Offset = 5;
  } F;
};

// A thermometer: bulb, tube and scale, with the current value, a set point and the lowest and
// highest values seen as markers.
class KV_EXPORT TkvThermoMeter : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(KvLinearScale::TKvDirection Direction READ Direction WRITE SetDirection)
  Q_PROPERTY(TColor ColorAfter READ ColorAfter WRITE SetColorAfter NOTIFY ColorAfterChanged)
  Q_PROPERTY(TColor ColorBefore READ ColorBefore WRITE SetColorBefore NOTIFY ColorBeforeChanged)
  Q_PROPERTY(bool ShowCaption READ ShowCaption WRITE SetShowCaption)
  Q_PROPERTY(TkvThermoMeterScale* Scale READ Scale WRITE SetScale)
  Q_PROPERTY(KvThermoMeter::TKvLiniarIndicator* SetPoint READ SetPoint WRITE SetSetPoint)
  Q_PROPERTY(KvThermoMeter::TKvLiniarIndicator* PeakMin READ PeakMin WRITE SetPeakMin)
  Q_PROPERTY(KvThermoMeter::TKvLiniarIndicator* PeakMax READ PeakMax WRITE SetPeakMax)
  Q_PROPERTY(KvThermoMeter::TKvLiniarIndicator* Value READ Value WRITE SetValue)
  // The current value (Value's value): any number but NaN, on the scale from Scale's Min to
  // Max (0 .. 100 at first); outside it emits OnOutofRange. A change emits ReadingChanged.
  Q_PROPERTY(
      double Reading READ Reading WRITE SetReading NOTIFY ReadingChanged USER true STORED false)
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
  Q_CLASSINFO("default.Direction", "voVertical")
  Q_CLASSINFO("default.ColorAfter", "clMaroon")
  Q_CLASSINFO("default.ColorBefore", "clRed")
  Q_CLASSINFO("default.ShowCaption", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.Color", "clSilver")
  Q_CLASSINFO("default.ParentColor", "false")
  Q_CLASSINFO("default.ParentFont", "false")
  Q_CLASSINFO("default.Font.Name", "Arial")
  Q_CLASSINFO("default.Font.Height", "-13")
  Q_CLASSINFO("default.Font.Color", "clBlack")
public:
  using TKvLiniarIndicator = KvThermoMeter::TKvLiniarIndicator;

  explicit TkvThermoMeter(kv::OwnerOrParent owner);
  ~TkvThermoMeter() override;
  QSize minimumSizeHint() const override;

  TKvDirection Direction() const { return FDirection; }
  // Swaps Width and Height first (not while loading).
  void SetDirection(TKvDirection v);
  TColor ColorAfter() const { return FColorAfter; }
  void SetColorAfter(TColor v) {
    SetFollowed(this, FColorAfter, v, &TkvThermoMeter::ColorAfterChanged);
  }
  TColor ColorBefore() const { return FColorBefore; }
  void SetColorBefore(TColor v) {
    SetFollowed(this, FColorBefore, v, &TkvThermoMeter::ColorBeforeChanged);
  }
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool v) {
    if (SetIfChanged(FShowCaption, v)) UpdateControl();
  }
  TkvThermoMeterScale* Scale() const { return FScale.get(); }
  void SetScale(const TkvThermoMeterScale* v) { FScale->Assign(v); }
  TKvLiniarIndicator* SetPoint() const { return FSetPoint.get(); }
  void SetSetPoint(const TKvLiniarIndicator* v) { FSetPoint->Assign(v); }
  TKvLiniarIndicator* PeakMin() const { return FPeakMin.get(); }
  void SetPeakMin(const TKvLiniarIndicator* v) { FPeakMin->Assign(v); }
  TKvLiniarIndicator* PeakMax() const { return FPeakMax.get(); }
  void SetPeakMax(const TKvLiniarIndicator* v) { FPeakMax->Assign(v); }
  TKvLiniarIndicator* Value() const { return FValue.get(); }
  void SetValue(const TKvLiniarIndicator* v) { FValue->Assign(v); }
  // The value marker's value, for bindings and connections (stored with the marker).
  double Reading() const { return FValue->Value(); }

  // The pixel of value V along the scale (from the left, or from the bottom's far end
  // for a vertical thermometer, which draws it at Height - P), as the paint uses it.
  int64_t ValuePixel(double v) const;

public slots:
  void SetReading(double v) { FValue->SetValue(v); }

signals:
  void ColorAfterChanged();
  void ColorBeforeChanged();
  void ReadingChanged(double Reading);
  void OnOutofRange(TObject* Sender);

protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;

private:
  struct Layout;
  Layout ComputeLayout() const;
  void MarkerChanged(const TKvLiniarIndicator* changed);
  // Where along the scale each visible marker and the value line's end lie, as the lowest and
  // highest pixel they may touch.
  using Span = std::pair<int64_t, int64_t>;
  using Spans = std::array<std::optional<Span>, 5>;  // the four markers, the line's end
  Spans MovingSpans(const Layout& l) const;
  // Repaints the band of the scale that the moved parts and the Changed marker touch, or all
  // before the first frame.
  void RepaintMoved(const TKvLiniarIndicator* changed);
  void DrawCaption(TCanvas* c, const Layout& l) const;
  void DrawLabels(TCanvas* c, const Layout& l) const;
  void DrawBulb(TCanvas* c, const Layout& l) const;
  void DrawTube(TCanvas* c, const Layout& l) const;
  void DrawTicks(TCanvas* c, const Layout& l) const;
  void DrawMarker(TCanvas* c, const Layout& l, const TKvLiniarIndicator& m) const;

  TKvDirection FDirection = TKvDirection::voVertical;
  TColor FColorAfter = clMaroon;
  TColor FColorBefore = clRed;
  bool FShowCaption = false;
  std::unique_ptr<TkvThermoMeterScale> FScale;
  std::unique_ptr<TKvLiniarIndicator> FSetPoint;
  std::unique_ptr<TKvLiniarIndicator> FPeakMin;
  std::unique_ptr<TKvLiniarIndicator> FPeakMax;
  std::unique_ptr<TKvLiniarIndicator> FValue;
  // Where the moving parts lay in the last frame painted.
  std::optional<Spans> FPainted;
  struct Private;
  std::unique_ptr<Private> d;
};
