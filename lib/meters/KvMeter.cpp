#include "KvMeter.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using kv::ColorToRGB, kv::Extended, kv::IntToStr, kv::Trunc;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvMeter>();

// An end crossing the other raises; the needle follows silently, also while loading.
constexpr kv::RangePolicy kRange{kv::CrossedEnd::Raise, kv::PositionFollow::OntoEnd, false};
constexpr kv::RangeSignals<TKvMeter, int> kSignals{
    &TKvMeter::MinValueChanged, &TKvMeter::MaxValueChanged, &TKvMeter::PositionChanged};

// A pixel coordinate from 64-bit geometry; far-off points stay far off.
int Coordinate(int64_t a, int64_t b) { return kv::SaturateToInt(a + b); }

// Round half to even without the int range: a label value j * step of the widest range
// needs 33 bits. |v| stays below 2^48 (65535 labels of at most 2^32 each).
int64_t Round64(Extended v) { return std::llrint(v); }

}  // namespace

// ---------------------------------------------------------------------------
// Scale

bool TKvMeterScale::OwnerLoading() const {
  return FOwner && FOwner->ComponentState().testFlag(TComponentStateFlag::csLoading);
}

void TKvMeterScale::SetPercent1(int v) {
  if (v == F.Percent1) return;
  if (!OwnerLoading() && int64_t(v) + F.Percent2 > 100)
    v = kv::SaturateToInt(100 - int64_t(F.Percent2));
  SetValue(F.Percent1, v);
}

void TKvMeterScale::SetPercent2(int v) {
  if (int64_t(F.Percent1) + v > 100) return;
  SetValue(F.Percent2, v);
}

void TKvMeterScale::SetTicks(int v) {
  if (v <= kMaxTicks) SetValue(F.Ticks, v);
}

void TKvMeterScale::Assign(const TPersistent* source) {
  if (!AssignScale(source, &TKvMeterScale::F)) TKvPersistent::Assign(source);
}

// The centre of the needle and the radius of the scale, taken at the start of each paint.
struct TKvMeter::Geometry {
  int64_t Radius = 0;
  int64_t CenterX = 0;
  int64_t CenterY = 0;
  int Angle = 0;
  int Ticks = 0;

  // The direction of step K in radians; without ticks there is only step 0.
  Extended Direction(int64_t k) const {
    Extended degrees = Extended(Angle) + 270;
    if (Ticks > 0) degrees += Extended(k) * Extended(180 - 2 * int64_t(Angle)) / Ticks;
    return degrees * std::numbers::pi_v<Extended> / 180;
  }
  TPoint At(Extended theta, int64_t radius) const {
    return {Coordinate(CenterX, Trunc(std::sin(theta) * Extended(radius))),
            Coordinate(CenterY, -int64_t(Trunc(std::cos(theta) * Extended(radius))))};
  }
};

// ---------------------------------------------------------------------------
// Meter

struct TKvMeter::Private {
  // What the scale and the caption last drew, replayed while their settings stay.
  TKvStaticLayer ScaleLayer;
  TKvStaticLayer CaptionLayer;
  TKvStaticLayer BevelLayer;
  TKvFaceBase FaceBase;
};

TKvMeter::TKvMeter(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FScale(std::make_unique<TKvMeterScale>(this)),
      FBevel(std::make_unique<TKvBevel>()),
      FBackImage(std::make_unique<TPicture>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 240, 105);
  SetColor(clBlack);
  Font()->SetName(QStringLiteral("Arial"));
  Font()->SetSize(8);
  Font()->SetColor(clSilver);
  FBevel->SetInnerStyle(TKvBevelStyle::bsLowered);
  FBevel->SetInnerWidth(2);
  FBevel->SetInnerColor(clBlack);
  connect(FScale.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  connect(FBackImage.get(), &TPicture::OnChange, this, [this] { UpdateControl(); });
}

TKvMeter::~TKvMeter() = default;

void TKvMeter::SetMaxValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Max, v, kSignals);
}

void TKvMeter::SetMinValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Min, v, kSignals);
}

void TKvMeter::SetPosition(int v) {
  // A range inverted by loading leaves the needle at MinValue.
  const int was = FRange.Position;
  if (!kv::TakePosition<kRange>(FRange, v, IsLoading())) return;
  const TRect before = NeedleBounds(was);
  const TRect after = NeedleBounds(FRange.Position);
  // Only the needle moves: the window keeps the rest of the face.
  UpdateControlRect(TRect{std::min(before.Left, after.Left), std::min(before.Top, after.Top),
                          std::max(before.Right, after.Right),
                          std::max(before.Bottom, after.Bottom)});
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit PositionChanged(FRange.Position); });
}

void TKvMeter::SetNeedleColor(TColor v) {
  SetFollowed(this, FNeedleColor, v, &TKvMeter::NeedleColorChanged);
}

void TKvMeter::TextChanged() {
  UpdateControl();
  TKvGraphicImageControl::TextChanged();
}

// ---------------------------------------------------------------------------
// Painting

void TKvMeter::DrawTicks(TCanvas* canvas, const Geometry& g) const {
  const TKvMeterScale& s = *FScale;
  const int zone1 = PercentToValue(s.Percent1(), s.Ticks());
  const int64_t zone12 = int64_t(zone1) + PercentToValue(s.Percent2(), s.Ticks());
  canvas->Pen()->SetMode(TPenMode::pmCopy);
  canvas->Pen()->SetWidth(1);
  const int64_t inner = int64_t(g.Radius) - s.HeightMin();
  int counter = s.Enlarge();
  for (int k = 0; k < s.Ticks(); ++k) {
    const int64_t tick = int64_t(k) + 1;
    canvas->Pen()->SetColor(tick <= zone1 ? s.Color1() : tick <= zone12 ? s.Color2() : s.Color3());
    const int length = counter == s.Enlarge() ? s.HeightMax() : s.HeightMin();
    const Extended theta = g.Direction(k);
    const TPoint from = g.At(theta, inner), to = g.At(theta, inner + length);
    canvas->MoveTo(from.X, from.Y);
    canvas->LineTo(to.X, to.Y);
    counter = counter < s.Enlarge() ? counter + 1 : 1;
  }
}

void TKvMeter::DrawLabels(TCanvas* canvas, const Geometry& g) const {
  const TKvMeterScale& s = *FScale;
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  const Extended valueStep = Extended(int64_t(FRange.Max) - FRange.Min) / FLabels;
  const int period = s.Ticks() / FLabels - 1;
  const int64_t reach = g.Radius + s.HeightMax() - s.HeightMin();
  const int64_t reachX = reach + FLabelOffsetX, reachY = reach + FLabelOffsetY;
  int countdown = 0;
  int64_t label = 0;
  for (int k = 0; k < s.Ticks(); ++k) {
    if (countdown != 0) {
      --countdown;
      continue;
    }
    countdown = period;
    const QString text = IntToStr(int64_t(FRange.Min) + Round64(Extended(label++) * valueStep));
    const Extended theta = g.Direction(k);
    const int64_t x = g.CenterX + Trunc(std::sin(theta) * Extended(reachX));
    const int64_t y = Trunc(std::cos(theta) * Extended(reachY));
    const TSize size = canvas->TextExtent(text);
    canvas->TextOut(Coordinate(x, -size.cx / 2), Coordinate(g.CenterY - y, -size.cy / 2), text);
  }
}

void TKvMeter::DrawScale(TCanvas* canvas, const Geometry& g) const {
  if (FScale->Visible()) DrawTicks(canvas, g);
  if (FLabels > 0) DrawLabels(canvas, g);
}

TKvMeter::Geometry TKvMeter::FaceGeometry() const {
  Geometry g;
  g.Radius = int64_t(Height()) - 10;
  g.CenterX = Width() / 2;
  g.CenterY = int64_t(Height()) + FSpacing;
  g.Angle = FAngle;
  g.Ticks = FScale->Ticks();
  return g;
}

TPoint TKvMeter::NeedleTip(const Geometry& g, int position) const {
  int steps = 0;
  if (FRange.Max != FRange.Min)
    steps = Trunc(Extended(g.Ticks) * Extended(int64_t(position) - FRange.Min) /
                  Extended(int64_t(FRange.Max) - FRange.Min));
  return g.At(g.Direction(steps), g.Radius);
}

TRect TKvMeter::NeedleBounds(int position) const {
  const Geometry g = FaceGeometry();
  const TPoint tip = NeedleTip(g, position);
  const int x0 = Coordinate(g.CenterX, 0), y0 = Coordinate(g.CenterY, 0);
  // A wide pen reaches at most its width beyond the ends of the line.
  const int64_t pen = int64_t(std::max(FNeedleWidth, 1)) + 1;
  return {Coordinate(std::min(x0, tip.X), -pen), Coordinate(std::min(y0, tip.Y), -pen),
          Coordinate(std::max(x0, tip.X), pen + 1), Coordinate(std::max(y0, tip.Y), pen + 1)};
}

void TKvMeter::DrawNeedle(TCanvas* canvas, const Geometry& g) const {
  canvas->Pen()->SetMode(TPenMode::pmCopy);
  canvas->Pen()->SetColor(FNeedleColor);
  canvas->Pen()->SetWidth(FNeedleWidth);
  const TPoint tip = NeedleTip(g, FRange.Position);
  canvas->MoveTo(Coordinate(g.CenterX, 0), Coordinate(g.CenterY, 0));
  canvas->LineTo(tip.X, tip.Y);
}

void TKvMeter::DrawCaption(TCanvas* canvas, const Geometry& g, int innerBottom, bool opaque,
                           TColor cellColor) const {
  canvas->SetFont(Font());
  if (opaque) {
    canvas->Brush()->SetColor(cellColor);
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  } else {
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  }
  const TSize size = canvas->TextExtent(Caption());
  canvas->TextOut(Coordinate(g.CenterX, -size.cx / 2),
                  Coordinate(int64_t(innerBottom) - size.cy, -10), Caption());
}

void TKvMeter::Paint() {
  const Geometry g = FaceGeometry();
  TCanvas* canvas = BitmapCanvas();
  const TKvMeterScale& s = *FScale;
  TKvLayerKey scaleKey;
  scaleKey << Width() << Height() << FSpacing << FAngle << s.Color1() << s.Color2() << s.Color3()
           << s.Enlarge() << s.Percent1() << s.Percent2() << s.Ticks() << s.HeightMax()
           << s.HeightMin() << s.Visible() << FLabels << FLabelOffsetX << FLabelOffsetY
           << FRange.Min << FRange.Max << Font();
  TKvLayerKey baseKey = scaleKey;
  baseKey << FBackImage->Bitmap();
  kv::ClearWithBase(ImageClear(), d->FaceBase, baseKey, [&] {
    if (!FBackImage->Graphic()->Empty()) canvas->StretchDraw(ClientRect(), FBackImage->Graphic());
    d->ScaleLayer.Draw(Image(), scaleKey, [&](TCanvas* c) { DrawScale(c, g); });
  });

  DrawNeedle(canvas, g);

  // Without labels the caption's cell shows the brush the background was cleared with.
  const bool opaque = FLabels <= 0 && canvas->Brush()->Style() != TBrushStyle::bsClear;
  const TColor cellColor = canvas->Brush()->Color();
  TKvLayerKey captionKey;
  TRect inner = ClientRect();
  FBevel->GetVisibleArea(inner);
  captionKey << Width() << Height() << inner.Bottom << Caption() << Font() << opaque << cellColor;
  d->CaptionLayer.Draw(
      Image(), captionKey, [&](TCanvas* c) { DrawCaption(c, g, inner.Bottom, opaque, cellColor); },
      &PaintRect());

  TKvLayerKey bevelKey;
  bevelKey << Width() << Height();
  bevelKey << FBevel.get();
  d->BevelLayer.Draw(
      Image(), bevelKey,
      [&](TCanvas* c) {
        TRect client = ClientRect();
        FBevel->Paint(c, client);
      },
      &PaintRect());
  TKvGraphicImageControl::Paint();
}

// The caption whole, 10 pixels above the face's bottom, with a row of labels above it, and
// the scale's end labels whole at the sides, where the arc through the labels (the face's
// height less 10, past the longest ticks) reaches; all inside the bevel.
QSize TKvMeter::minimumSizeHint() const {
  const TPoint caption = kv::LeastTextSize(Font(), Caption());
  const TPoint label = kv::LeastLabels(Font(), {IntToStr(FRange.Min), IntToStr(FRange.Max)});
  const int64_t height = int64_t(caption.Y) + 10 + (FLabels > 0 ? label.Y : 0);
  int64_t width = caption.X;
  if (FLabels > 0) {
    const int64_t reach = height - 10 + FScale->HeightMax() - FScale->HeightMin() + FLabelOffsetX;
    const Extended side = std::cos(Extended(FAngle) * std::numbers::pi_v<Extended> / 180);
    width = std::max<int64_t>(width, 2 * Trunc(std::abs(side) * Extended(std::max<int64_t>(reach, 0))) + label.X);
  }
  return kv::LeastSizeHint(width, height, kv::BevelInset(FBevel.get()));
}
