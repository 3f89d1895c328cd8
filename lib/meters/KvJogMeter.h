// A moving-scale display, like the drum of a jog dial: the value stays under a marker in the
// middle while a window of the scale, Apperture units wide, slides past it with its ticks
// and labels along one edge, over a gradient that makes the face look like a cylinder.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvLinearScale.h"

#include <cstdint>
#include <map>
#include <optional>
#include <memory>
#include <utility>
#include <vector>

namespace KvJogMeter {

// The jog meter's marker; its default picture is a pin.
class KV_EXPORT TKvLiniarIndicator : public TKvLinearMarker {
  Q_OBJECT
public:
  TKvLiniarIndicator();
};

}  // namespace KvJogMeter

// The sliding scale: the window's width in value units, the tick steps and their look.
// The jog meter sets its own values at construction; they are also the streaming defaults,
// so that every value a user sets comes back from a description.
class KV_EXPORT TKvJogMeterScale : public TKvLinearScaleBase {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY PropertyChanged)
  Q_PROPERTY(int Decimals READ Decimals WRITE SetDecimals NOTIFY PropertyChanged)
  Q_PROPERTY(QString FormatText READ FormatText WRITE SetFormatText NOTIFY PropertyChanged)
  Q_PROPERTY(double Apperture READ Apperture WRITE SetApperture NOTIFY PropertyChanged)
  Q_PROPERTY(KvLinearScale::TKvPosition Position READ Position WRITE SetPosition
             NOTIFY PropertyChanged)
  Q_PROPERTY(double Step READ Step WRITE SetStep NOTIFY PropertyChanged)
  Q_PROPERTY(double SmallStep READ SmallStep WRITE SetSmallStep NOTIFY PropertyChanged)
  Q_PROPERTY(int HeightMax READ HeightMax WRITE SetHeightMax NOTIFY PropertyChanged)
  Q_PROPERTY(int HeightMin READ HeightMin WRITE SetHeightMin NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.Decimals", "0")
  Q_CLASSINFO("default.FormatText", "%s")
  Q_CLASSINFO("default.Apperture", "60")
  Q_CLASSINFO("default.Position", "voBefore")
  Q_CLASSINFO("default.Step", "10")
  Q_CLASSINFO("default.SmallStep", "2")
  Q_CLASSINFO("default.HeightMax", "15")
  Q_CLASSINFO("default.HeightMin", "8")
  Q_CLASSINFO("default.Visible", "true")
public:
  TKvJogMeterScale() : TKvLinearScaleBase(0x800000) {}

  double Apperture() const { return F.Apperture; }
  // Values that are not finite are refused; 0 or less puts everything at position 0.
  void SetApperture(double v);

  void Assign(const TPersistent* source) override;

private:
  struct Settings {
    double Apperture = 100;
  } F;
};

// A moving-scale display: the scale slides under a fixed marker that shows Reading.
class KV_EXPORT TKvJogMeter : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(KvLinearScale::TKvDirection Direction READ Direction WRITE SetDirection)
  Q_PROPERTY(bool ShowCaption READ ShowCaption WRITE SetShowCaption)
  Q_PROPERTY(TKvJogMeterScale* Scale READ Scale WRITE SetScale)
  Q_PROPERTY(KvJogMeter::TKvLiniarIndicator* Value READ Value WRITE SetValue)
  // The value under the marker (Value's value): any number but NaN; a change emits
  // ReadingChanged. Stored with the marker, not on its own.
  Q_PROPERTY(
      double Reading READ Reading WRITE SetReading NOTIFY ReadingChanged USER true STORED false)
  Q_PROPERTY(TColor FromColor READ FromColor WRITE SetFromColor NOTIFY FromColorChanged)
  Q_PROPERTY(TColor ToColor READ ToColor WRITE SetToColor NOTIFY ToColorChanged)
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
  Q_CLASSINFO("default.Direction", "voHorizontal")
  Q_CLASSINFO("default.ShowCaption", "false")
  Q_CLASSINFO("default.FromColor", "clBlack")
  Q_CLASSINFO("default.ToColor", "clWhite")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
  Q_CLASSINFO("default.ParentFont", "false")
  Q_CLASSINFO("default.Font.Name", "Arial")
  Q_CLASSINFO("default.Font.Color", "clBlack")
public:
  using TKvLiniarIndicator = KvJogMeter::TKvLiniarIndicator;

  explicit TKvJogMeter(kv::OwnerOrParent owner);
  ~TKvJogMeter() override;
  QSize minimumSizeHint() const override;

  TKvDirection Direction() const { return FDirection; }
  // Swaps Width and Height first (not while loading).
  void SetDirection(TKvDirection v);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool v) {
    if (SetIfChanged(FShowCaption, v)) UpdateControl();
  }
  TKvJogMeterScale* Scale() const { return FScale.get(); }
  void SetScale(const TKvJogMeterScale* v) { FScale->Assign(v); }
  TKvLiniarIndicator* Value() const { return FValue.get(); }
  void SetValue(const TKvLiniarIndicator* v) { FValue->Assign(v); }
  // The value marker's value, for bindings and connections (stored with the marker).
  double Reading() const { return FValue->Value(); }
  TColor FromColor() const { return FFromColor; }
  void SetFromColor(TColor v) {
    SetFollowed(this, FFromColor, v, &TKvJogMeter::FromColorChanged);
  }
  TColor ToColor() const { return FToColor; }
  void SetToColor(TColor v) {
    SetFollowed(this, FToColor, v, &TKvJogMeter::ToColorChanged);
  }

  // The pixel of scale offset U from the window's start (0 without a window).
  int64_t OffsetPixel(long double u) const;

public slots:
  void SetReading(double v) { FValue->SetValue(v); }

signals:
  void FromColorChanged();
  void ToColorChanged();
  void ReadingChanged(double Reading);

protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;

private:
  struct Layout;
  // Everything the pixels of the ticks and the places of the labels depend on, besides the
  // offsets a recording is kept for.
  struct ScaleSettings {
    int64_t W = 0, H = 0;
    bool Horizontal = true, Before = true;
    int32_t Color = 0;  // as drawn
    double Apperture = 0, Step = 0, SmallStep = 0;
    int HeightMax = 0, HeightMin = 0;
    bool operator==(const ScaleSettings&) const = default;
  };

  // What the drum, the caption and the labels are drawn with, compared field by field each
  // frame so that their keys are built only when one of them changed.
  struct FontSettings {
    QString Name;
    int Height = 0, Style = 0, Pitch = 0, Charset = 0, Orientation = 0;
    int32_t Color = 0;  // as drawn
    bool operator==(const FontSettings&) const = default;
  };
  struct FaceSettings {
    int64_t W = 0, H = 0;
    bool Horizontal = true, Before = true, ShowCaption = false;
    int32_t From = 0, To = 0;  // as drawn
    QString Caption;
    FontSettings Font;
    bool operator==(const FaceSettings&) const = default;
  };
  struct LabelSettings {
    QString FormatText;
    int Decimals = 0;
    FontSettings Font;
    bool operator==(const LabelSettings&) const = default;
  };
  FontSettings FontNow() const;

  // The ticks and the places of the labels for one pair of offsets of the minor and the major
  // ticks from the window's start: the labels sit on the major ticks.
  struct ScaleRecording;
  // Where the first tick of a step falls from the window's start.
  long double RunOffset(const Layout& l, long double step) const;
  // The ticks and label places for the window's offsets, made when first needed.
  ScaleRecording& RecordingOf(const Layout& l);
  void DrawLabels(const Layout& l, const ScaleRecording& recording);
  void PaintTicks(TCanvas* c, const Layout& l) const;
  void DrawMarker(TCanvas* c, const Layout& l) const;
  struct Label;
  // The label of a scale value: its text, its size and its recording, made once while the
  // format, the decimals and the font stay.
  Label& LabelOf(long double value);

  TKvDirection FDirection = TKvDirection::voHorizontal;
  bool FShowCaption = false;
  std::unique_ptr<TKvJogMeterScale> FScale;
  std::unique_ptr<TKvLiniarIndicator> FValue;
  TColor FFromColor = clBlack;
  TColor FToColor = clWhite;
  // The kept drum, the labels and the scale recordings, with the settings they were made for.
  struct Private;
  std::unique_ptr<Private> d;
};
