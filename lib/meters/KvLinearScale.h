// What the two linear-scale instruments share: the thermometer and the jog meter. Their
// orientation and tick-side enumerations, the settings their scales share and the marker that
// points at a value on the scale.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvScale.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace KvLinearScale {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvDirection { voVertical, voHorizontal };
Q_ENUM_NS(TKvDirection)
using enum TKvDirection;
enum class TKvPosition { voAfter, voBefore };
Q_ENUM_NS(TKvPosition)
using enum TKvPosition;
enum class TkvIndicatorShape { voLine, voBitmap, voTriangle };
Q_ENUM_NS(TkvIndicatorShape)
using enum TkvIndicatorShape;
enum class TKvScaleType { voLinear, voLogarithmic };
Q_ENUM_NS(TKvScaleType)
using enum TKvScaleType;

}  // namespace KvLinearScale

using KvLinearScale::TKvDirection;
using KvLinearScale::TkvIndicatorShape;
using KvLinearScale::TKvPosition;
using KvLinearScale::TKvScaleType;

// What the thermometer's and the jog meter's scales share: the colour of ticks and labels,
// the label format, the side of the ticks and the two tick steps. Each scale redeclares the
// properties in the order it publishes them.
class KV_EXPORT TKvLinearScaleBase : public TKvScaleBase {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY PropertyChanged)
  Q_PROPERTY(int Decimals READ Decimals WRITE SetDecimals NOTIFY PropertyChanged)
  Q_PROPERTY(QString FormatText READ FormatText WRITE SetFormatText NOTIFY PropertyChanged)
  Q_PROPERTY(KvLinearScale::TKvPosition Position READ Position WRITE SetPosition
             NOTIFY PropertyChanged)
  Q_PROPERTY(double Step READ Step WRITE SetStep NOTIFY PropertyChanged)
  Q_PROPERTY(double SmallStep READ SmallStep WRITE SetSmallStep NOTIFY PropertyChanged)
public:
  TColor Color() const { return FLinear.Color; }
  void SetColor(TColor v) { SetValue(FLinear.Color, v); }
  int Decimals() const { return FLinear.Decimals; }
  void SetDecimals(int v) { SetValue(FLinear.Decimals, v); }
  const QString& FormatText() const { return FLinear.FormatText; }
  // Raises EConvertError, keeping the old text, for a format that cannot take one string.
  void SetFormatText(const QString& v);
  TKvPosition Position() const { return FLinear.Position; }
  void SetPosition(TKvPosition v) { SetEnum(FLinear.Position, v); }
  double Step() const { return FLinear.Step; }
  // A step of 0 draws no ticks of its kind; values that are not finite are refused.
  void SetStep(double v);
  double SmallStep() const { return FLinear.SmallStep; }
  void SetSmallStep(double v);

protected:
  explicit TKvLinearScaleBase(TColor color) { FLinear.Color = color; }
  void CopyShared(const TKvScaleBase& source) override;

private:
  struct Settings {
    TColor Color;
    int Decimals = 0;
    QString FormatText = QStringLiteral("%s");
    TKvPosition Position = TKvPosition::voAfter;
    double Step = 10;
    double SmallStep = 1;
  } FLinear;
};

namespace kv {
class TKvScaledPicture;
}

// A marker on a linear scale: a value, a shape, its colour and a picture for the bitmap
// shape. An empty picture brings back the marker's own default picture. Both scale
// instruments derive their unit's marker class from this one.
class KV_EXPORT TKvLinearMarker : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(double Value READ Value WRITE SetValue NOTIFY ValueChanged)
  Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap NOTIFY PropertyChanged)
  Q_PROPERTY(KvLinearScale::TkvIndicatorShape Shape READ Shape WRITE SetShape
             NOTIFY PropertyChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
public:
  ~TKvLinearMarker() override;

  double Value() const { return F.Value; }
  // NaN is refused: it would compare unequal to every value after it.
  void SetValue(double v);
  TBitmap* Bitmap() const { return FBitmap.get(); }
  // Copies the picture; an empty one reloads the default picture.
  void SetBitmap(const TBitmap* v);
  // The picture to draw on a canvas at `scale`: the default picture's version for the
  // scale while Bitmap still holds it, else Bitmap.
  const TBitmap* ShownBitmap(int scale) const;
  TkvIndicatorShape Shape() const { return F.Shape; }
  void SetShape(TkvIndicatorShape v) { SetEnum(F.Shape, v); }
  TColor Color() const { return F.Color; }
  void SetColor(TColor v) { SetValue(F.Color, v); }
  bool Visible() const { return F.Visible; }
  void SetVisible(bool v) { SetValue(F.Visible, v); }

  // Stores Value without reporting a change (the thermometer's peaks follow this way).
  void SetValueQuietly(double v);
  // Copies all five properties of another marker and reports one change.
  void Assign(const TPersistent* source) override;

signals:
  // After OnChange, when the value is another one (not for SetValueQuietly).
  void ValueChanged(double Value);

protected:
  explicit TKvLinearMarker(QString defaultPicture);

private:
  using TKvPersistent::SetValue;
  void BitmapChanged();

  std::unique_ptr<kv::TKvScaledPicture> FDefaultPicture;
  std::unique_ptr<TBitmap> FBitmap;
  bool FReloading = false;
  struct Settings {
    double Value = 0;
    TkvIndicatorShape Shape = TkvIndicatorShape::voBitmap;
    TColor Color = 0xFF0000;
    bool Visible = true;
  } F;
};
