// What the two linear-scale instruments share: the thermometer and the jog meter. Their
// orientation and tick-side enumerations, the settings their scales share, the marker that
// points at a value on the scale, the checked label format, and the tick loop that visits
// each pixel of a scale once.
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
enum class TKvPosition { voAfter, voBefore };
Q_ENUM_NS(TKvPosition)
enum class TkvIndicatorShape { voLine, voBitmap, voTriangle };
Q_ENUM_NS(TkvIndicatorShape)
enum class TKvScaleType { voLinear, voLogarithmic };
Q_ENUM_NS(TKvScaleType)

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
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(int Decimals READ Decimals WRITE SetDecimals)
  Q_PROPERTY(QString FormatText READ FormatText WRITE SetFormatText)
  Q_PROPERTY(KvLinearScale::TKvPosition Position READ Position WRITE SetPosition)
  Q_PROPERTY(double Step READ Step WRITE SetStep)
  Q_PROPERTY(double SmallStep READ SmallStep WRITE SetSmallStep)
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

// A marker on a linear scale: a value, a shape, its colour and a picture for the bitmap
// shape. An empty picture brings back the marker's own default picture. Both scale
// instruments derive their unit's marker class from this one.
class KV_EXPORT TKvLinearMarker : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(double Value READ Value WRITE SetValue NOTIFY ValueChanged)
  Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap)
  Q_PROPERTY(KvLinearScale::TkvIndicatorShape Shape READ Shape WRITE SetShape)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
public:
  ~TKvLinearMarker() override;

  double Value() const { return F.Value; }
  // NaN is refused: it would compare unequal to every value after it.
  void SetValue(double v);
  TBitmap* Bitmap() const { return FBitmap.get(); }
  // Copies the picture; an empty one reloads the default picture.
  void SetBitmap(const TBitmap* v);
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

  QString FDefaultPicture;
  std::unique_ptr<TBitmap> FBitmap;
  bool FReloading = false;
  struct Settings {
    double Value = 0;
    TkvIndicatorShape Shape = TkvIndicatorShape::voBitmap;
    TColor Color = 0xFF0000;
    bool Visible = true;
  } F;
};

namespace kv {

// The label text of a scale value: fixed-point with precision 8 and Decimals digits, passed
// to the format function as its one string argument.
KV_EXPORT QString ScaleLabelText(const QString& formatText, int decimals, long double value);
// Raises the format function's EConvertError when FormatText cannot take one string: a
// setter calls it before storing, so that a paint never raises.
KV_EXPORT void CheckScaleFormat(const QString& formatText);

// A pixel coordinate from a position that may be astronomically large or not a number:
// rounded half to even, NaN as 0, and held within +-2^40 so that sums with int sizes stay
// exact in 64 bits. Far beyond any image, such a position draws as the endless one would.
KV_EXPORT int64_t PixelOf(long double position);

// Calls Visit(k, p) for k = First ... Last with p = Position(k), once for each run of equal
// positions (the run's first k). Position must be monotone in k; each distinct pixel then
// costs a bisection, however many steps share it. Visit returns false to stop.
template <class PositionOf, class Visitor>
void ForEachPixelStep(int64_t first, int64_t last, PositionOf&& position, Visitor&& visit) {
  if (first > last) return;
  int64_t k = first;
  int64_t p = position(k);
  while (true) {
    if (!visit(k, p)) return;
    if (k == last) return;
    // Steps a pixel or more apart: the next one already differs, and is the next visited.
    const int64_t next = position(k + 1);
    if (next != p) {
      ++k;
      p = next;
      continue;
    }
    if (position(last) == p) return;
    // The first step after K whose pixel differs lies in (k, last].
    int64_t lo = k, hi = last;
    while (hi - lo > 1) {
      const int64_t mid = lo + (hi - lo) / 2;
      if (position(mid) == p) lo = mid;
      else hi = mid;
    }
    k = hi;
    p = position(k);
  }
}

// The number of whole steps in Span, as a 64-bit count (never through int): 0 for a zero or
// non-finite step, negative spans and steps of opposite signs give 0 or less.
KV_EXPORT int64_t StepCount(long double span, long double step);

}  // namespace kv
