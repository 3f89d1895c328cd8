#include "KvThermoMeter.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvMetersInternal.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QPointer>

#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>

using kv::PixelOf, kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TkvThermoMeter>();

constexpr TColor kTubeGrey = 0x808080;
constexpr unsigned kLabelFlags = kv::DT_SINGLELINE | kv::DT_BOTTOM | kv::DT_NOPREFIX | kv::DT_LEFT;

int I(int64_t v) { return SaturateToInt(v); }

// The decimal logarithm of a logarithmic scale; 0 maps to a constant next to log 1.
long double G(long double x) {
  assert(x >= 0 && !std::isnan(x));
  return x == 0 ? 5e-200L : std::log10(x);
}

// A pen width below 1 draws as width 1.
int PenWidth(int64_t w) { return I(std::max<int64_t>(w, 1)); }

// The tube's width: a third of the offset, made even.
int64_t TubeWidth(int64_t offset) {
  const int64_t t = offset / 3;
  return t % 2 != 0 ? t + 1 : t;
}

void Line(TCanvas* c, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  c->MoveTo(I(x1), I(y1));
  c->LineTo(I(x2), I(y2));
}

// The value line: a solid line in a pen of Color and Width.
void ValueLine(TCanvas* c, TPoint a, TPoint b, TColor color, int width) {
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetColor(color);
  c->Pen()->SetWidth(width);
  Line(c, a.X, a.Y, b.X, b.Y);
}

}  // namespace

KvThermoMeter::TKvLiniarIndicator::TKvLiniarIndicator()
    : TKvLinearMarker(QStringLiteral("NOXLEFT")) {}

// ---------------------------------------------------------------------------
// Scale

void TkvThermoMeterScale::SetScaleType(TKvScaleType v) {
  if (v == TKvScaleType::voLogarithmic && (F.Max < 0 || F.Min < 0)) return;
  SetEnum(F.ScaleType, v);
}

void TkvThermoMeterScale::SetMax(double v) {
  if (!std::isfinite(v) || (v < 0 && F.ScaleType == TKvScaleType::voLogarithmic)) return;
  SetValue(F.Max, v);
}

void TkvThermoMeterScale::SetMin(double v) {
  if (!std::isfinite(v) || (v < 0 && F.ScaleType == TKvScaleType::voLogarithmic)) return;
  SetValue(F.Min, v);
}

void TkvThermoMeterScale::Assign(const TPersistent* source) {
  if (!AssignScale(source, &TkvThermoMeterScale::F)) TKvPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
// Thermometer

// The scale band and the centre, for the current size and scale; all 64-bit, so that
// extreme offsets and tick lengths add up without overflow.
struct TkvThermoMeter::Layout {
  bool Vertical = true;
  bool After = true;
  int64_t W = 0, H = 0, Cx = 0, Cy = 0;
  int64_t Top = 0, Left = 0, BandHeight = 0, BandWidth = 0;
  int64_t Offset = 0, HeightMax = 0, HeightMin = 0;
  // P(v) runs from B (at Min) to A (at Max).
  int64_t A = 0, B = 0;
};

struct TkvThermoMeter::Private {
  // Caption, labels, bulb and tube; and the ticks, drawn after the tube's value part.
  TKvFaceBase FaceBase;
  TKvStaticLayer TickLayer;
};

TkvThermoMeter::TkvThermoMeter(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FScale(std::make_unique<TkvThermoMeterScale>()),
      FSetPoint(std::make_unique<TKvLiniarIndicator>()),
      FPeakMin(std::make_unique<TKvLiniarIndicator>()),
      FPeakMax(std::make_unique<TKvLiniarIndicator>()),
      FValue(std::make_unique<TKvLiniarIndicator>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 100, 230);
  SetColor(clSilver);
  Font()->SetName(QStringLiteral("Arial"));
  Font()->SetSize(10);
  Font()->SetColor(clBlack);
  connect(FScale.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  for (TKvLiniarIndicator* m : {FSetPoint.get(), FPeakMin.get(), FPeakMax.get(), FValue.get()})
    connect(m, &TKvPersistent::OnChange, this, [this, m] { MarkerChanged(m); });
  connect(FValue.get(), &TKvLinearMarker::ValueChanged, this, &TkvThermoMeter::ReadingChanged);
}

TkvThermoMeter::~TkvThermoMeter() = default;

void TkvThermoMeter::MarkerChanged(const TKvLiniarIndicator* changed) {
  if (!IsLoading()) {
    const double v = FValue->Value();
    if (v > FPeakMax->Value()) FPeakMax->SetValueQuietly(v);
    if (v < FPeakMin->Value()) FPeakMin->SetValueQuietly(v);
    if (v > FScale->Max() || v < FScale->Min()) {
      const kv::DispatchScope firing(this);
      const QPointer<TkvThermoMeter> self(this);
      emit OnOutofRange(this);
      if (!self) return;
    }
  }
  RepaintMoved(changed);
}

TkvThermoMeter::Spans TkvThermoMeter::MovingSpans(const Layout& l) const {
  Spans spans;
  const auto span = [&](double value, int64_t reach) {
    const int64_t p = ValuePixel(value), at = l.Vertical ? l.H - p : p;
    return Span{at - reach, at + reach};
  };
  const TKvLiniarIndicator* markers[] = {FSetPoint.get(), FPeakMin.get(), FPeakMax.get(),
                                         FValue.get()};
  for (size_t i = 0; i < 4; ++i) {
    const TKvLiniarIndicator& m = *markers[i];
    if (!m.Visible()) continue;
    // A line, a triangle 5 pixels up and down with its rim, or the picture from the value on.
    const TBitmap* b = m.Bitmap();
    spans[i] =
        span(m.Value(), std::max<int64_t>(7, int64_t(l.Vertical ? b->Height() : b->Width()) + 1));
  }
  // The value line's end with its disc.
  if (FScale->Visible())
    spans[4] = span(FValue->Value(), int64_t(PenWidth(TubeWidth(l.Offset))) + 1);
  return spans;
}

void TkvThermoMeter::RepaintMoved(const TKvLiniarIndicator* changed) {
  if (!FPainted) {
    UpdateControl();
    return;
  }
  // Only the parts that moved, and the marker that changed, differ from the last frame: the
  // band of the scale they lie in is repainted, the rest of the window stays as it is.
  const Layout l = ComputeLayout();
  const Spans now = MovingSpans(l);
  const TKvLiniarIndicator* markers[] = {FSetPoint.get(), FPeakMin.get(), FPeakMax.get(),
                                         FValue.get(), FValue.get()};
  int64_t from = std::numeric_limits<int64_t>::max(), to = std::numeric_limits<int64_t>::min();
  for (size_t i = 0; i < now.size(); ++i) {
    if (now[i] == FPainted->at(i) && markers[i] != changed) continue;
    for (const std::optional<Span>& s : {now[i], FPainted->at(i)}) {
      if (!s) continue;
      from = std::min(from, s->first);
      to = std::max(to, s->second + 1);
    }
  }
  if (from >= to) return;
  UpdateControlRect(l.Vertical ? TRect{0, I(from), I(l.W), I(to)}
                               : TRect{I(from), 0, I(to), I(l.H)});
}

void TkvThermoMeter::SetDirection(TKvDirection v) {
  if (v == FDirection || !kv::IsEnumValue(v)) return;
  FDirection = v;
  if (!IsLoading()) kv::TurnShape(this, v == TKvDirection::voVertical);
  UpdateControl();
}

void TkvThermoMeter::TextChanged() {
  UpdateControl();
  TKvGraphicImageControl::TextChanged();
}

void TkvThermoMeter::FontChanged() {
  UpdateControl();
  TKvGraphicImageControl::FontChanged();
}

TkvThermoMeter::Layout TkvThermoMeter::ComputeLayout() const {
  const TkvThermoMeterScale& s = *FScale;
  Layout l;
  l.Vertical = FDirection == TKvDirection::voVertical;
  l.After = s.Position() == TKvPosition::voAfter;
  l.W = Width();
  l.H = Height();
  l.Cx = l.W / 2;
  l.Cy = l.H / 2;
  l.Offset = s.Offset();
  l.HeightMax = s.HeightMax();
  l.HeightMin = s.HeightMin();
  if (l.Vertical) {
    l.Top = l.Offset;
    l.BandHeight = l.H - 2 * l.Offset;
    l.BandWidth = l.HeightMin;
    l.Left = l.After ? l.Cx - l.HeightMin + l.Offset : l.Cx - l.Offset;
    l.A = l.Top + l.BandHeight;
    l.B = l.Top;
  } else {
    l.Left = l.Offset;
    l.BandHeight = l.HeightMin;
    l.BandWidth = l.W - 2 * l.Offset;
    l.Top = l.After ? l.Cy - l.HeightMin + l.Offset : l.Cy - l.Offset;
    l.A = l.Left + l.BandWidth;
    l.B = l.Left;
  }
  return l;
}

int64_t TkvThermoMeter::ValuePixel(double v) const {
  const Layout l = ComputeLayout();
  const TkvThermoMeterScale& s = *FScale;
  const long double max = s.Max(), min = s.Min(), value = v;
  if (max == min) return 0;
  if (value > max) return l.A;
  if (value < min) return l.B;
  const long double span = static_cast<long double>(l.A - l.B);
  long double p = 0;
  if (s.ScaleType() == TKvScaleType::voLinear) {
    p = static_cast<long double>(l.B) + (value - min) * span / (max - min);
  } else {
    // G(0) lies next to G(1): values in (0, 1) on a scale from 0 land far below the bulb.
    p = static_cast<long double>(l.B) + span * (G(value) - G(min)) / (G(max) - G(min));
  }
  return PixelOf(p);
}

void TkvThermoMeter::DrawCaption(TCanvas* c, const Layout& l) const {
  c->SetFont(Font());
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  const TSize size = c->TextExtent(Caption());
  TRect r{I(l.Cx - size.cx / 2), 0, ClientWidth(), size.cy};
  kv::DrawText(c, Caption(), r, kLabelFlags);
}

void TkvThermoMeter::DrawLabels(TCanvas* c, const Layout& l) const {
  const TkvThermoMeterScale& s = *FScale;
  c->SetFont(Font());
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  // Every label's rectangle is its own: the top the placement gives, bottom = top + h.
  const auto label = [&](long double value, int64_t at, bool isMin) {
    const QString text = kv::ScaleLabelText(s.FormatText(), s.Decimals(), value);
    const TSize size = c->TextExtent(text);
    const int64_t w = size.cx, h = size.cy;
    int64_t left = 0, top = 0;
    if (l.Vertical) {
      top = isMin ? at + h / 2 - h : at - h / 2;
      left = l.After ? l.Left + l.HeightMax : l.Left - l.HeightMax - w;
    } else {
      left = at - w / 2;
      top = l.After ? l.Top + l.HeightMax : l.Top - l.HeightMax - h;
    }
    TRect r{I(left), I(top), ClientWidth(), I(top + h)};
    kv::DrawText(c, text, r, kLabelFlags);
  };
  const long double min = s.Min(), max = s.Max();
  label(min, l.Vertical ? l.H - l.Offset : l.Offset, true);
  label(max, l.Vertical ? l.Offset : l.W - l.Offset, false);
  const int64_t n = kv::StepCount(max - min, s.Step());
  const auto at = [&](int64_t k) {
    const int64_t p = ValuePixel(double(min + k * static_cast<long double>(s.Step())));
    return l.Vertical ? l.H - p : p;
  };
  // Labels that fall on one pixel: only the first is drawn; those a picture's length beyond
  // it do not reach into it.
  const int64_t length = l.Vertical ? l.H : l.W;
  kv::ForEachPixelStepWithin(1, n - 1, -length, 2 * length, at, [&](int64_t k, int64_t p) {
    label(min + k * static_cast<long double>(s.Step()), p, false);
    return true;
  });
}

void TkvThermoMeter::DrawBulb(TCanvas* c, const Layout& l) const {
  const int64_t half = l.Offset / 2;
  const TRect r = l.Vertical ? TRect{I(l.Cx - half), I(l.H - l.Offset), I(l.Cx + half), I(l.H)}
                             : TRect{0, I(l.Cy - half), I(l.Offset), I(l.Cy + half)};
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(FColorBefore);
  const int64_t width = int64_t(r.Right) - r.Left, height = int64_t(r.Bottom) - r.Top;
  TPoint clip[3];
  if (l.Vertical) {
    c->Pen()->SetColor(kTubeGrey);
    c->Ellipse(r);
    clip[0] = {r.Left, r.Top};
    clip[1] = {r.Left, r.Bottom};
    clip[2] = {I(r.Left + width / 2), r.Top};
    c->Pen()->SetColor(clWhite);
  } else {
    c->Pen()->SetColor(clWhite);
    c->Ellipse(r);
    clip[0] = {r.Right, r.Bottom};
    clip[1] = {r.Left, r.Bottom};
    clip[2] = {r.Right, I(r.Top + height / 2)};
    c->Pen()->SetColor(kTubeGrey);
  }
  const TRegion region = kv::CreatePolygonRgn(clip, kv::WINDING);
  c->SelectClipRgn(&region);
  c->Ellipse(r);
  c->SelectClipRgn(nullptr);
  c->Pen()->SetColor(clWhite);
  c->Brush()->SetColor(clWhite);
  const int64_t x = r.Left + kv::Round(static_cast<long double>(width) / 4);
  const int64_t y = r.Top + kv::Round(static_cast<long double>(height) / 4);
  const int64_t size = l.Offset / 20 + 3;
  c->Ellipse(I(x), I(y), I(x + size), I(y + size));
}

void TkvThermoMeter::DrawTube(TCanvas* c, const Layout& l) const {
  const int64_t t = TubeWidth(l.Offset);
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  if (l.Vertical) {
    const int64_t x = l.Cx % 2 != 0 ? l.Cx + 1 : l.Cx;
    c->Pen()->SetColor(clWhite);
    c->Pen()->SetWidth(PenWidth(t + 2));
    Line(c, x, l.H - l.Offset, x, l.Offset);
    c->Pen()->SetColor(kTubeGrey);
    c->Pen()->SetWidth(PenWidth(t));
    Line(c, x + 1, l.H - l.Offset, x + 1, l.Offset);
    c->Pen()->SetColor(FColorAfter);
    Line(c, x, l.H - l.Offset, x, l.Offset);
  } else {
    const int64_t y = l.Cy % 2 != 0 ? l.Cy + 1 : l.Cy;
    c->Pen()->SetColor(kTubeGrey);
    c->Pen()->SetWidth(PenWidth(t + 2));
    Line(c, l.Offset, y, l.W - l.Offset, y);
    c->Pen()->SetColor(clWhite);
    c->Pen()->SetWidth(PenWidth(t));
    Line(c, l.Offset, y - 1, l.W - l.Offset, y - 1);
    c->Pen()->SetColor(FColorBefore);
    Line(c, l.Offset, y, l.W - l.Offset, y);
  }
}

void TkvThermoMeter::DrawTicks(TCanvas* c, const Layout& l) const {
  const TkvThermoMeterScale& s = *FScale;
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(s.Color());
  const int64_t outwards = l.After ? 1 : -1;
  const auto tick = [&](int64_t p, int64_t length) {
    if (l.Vertical) Line(c, l.Left, l.H - p, l.Left + outwards * length, l.H - p);
    else Line(c, p, l.Top, p, l.Top + outwards * length);
  };
  const long double min = s.Min(), max = s.Max();
  const auto run = [&](double step, int64_t length) {
    const int64_t count = kv::StepCount(max - min, step);
    const auto at = [&](int64_t k) {
      return ValuePixel(double(min + k * static_cast<long double>(step)));
    };
    // Ticks on one pixel are one line: each pixel of the picture is drawn once.
    kv::ForEachPixelStepWithin(1, count - 1, -1, (l.Vertical ? l.H : l.W) + 1, at,
                               [&](int64_t, int64_t p) {
                                 tick(p, length);
                                 return true;
                               });
  };
  tick(ValuePixel(s.Min()), l.HeightMax);
  run(s.SmallStep(), l.HeightMin);
  run(s.Step(), l.HeightMax);
  tick(ValuePixel(s.Max()), l.HeightMax);
}

void TkvThermoMeter::DrawMarker(TCanvas* c, const Layout& l, const TKvLiniarIndicator& m) const {
  const int64_t p = ValuePixel(m.Value());
  const int64_t hm = l.HeightMin;
  const bool after = l.After;
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetWidth(1);
  const TBitmap* bitmap = m.ShownBitmap(c->DeviceScale());
  const auto drawBitmap = [&](int64_t x, int64_t y) {
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    const TRect source = BitmapRect(bitmap);
    const TRect dest{I(x), I(y), I(x + bitmap->Width()), I(y + bitmap->Height())};
    c->BrushCopy(dest, bitmap, source, bitmap->TransparentColor());
  };
  const auto triangle = [&](TPoint a, TPoint b, TPoint d) {
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(m.Color());
    c->Pen()->SetColor(FScale->Color());
    const TPoint points[3] = {a, b, d};
    c->Polygon(points);
  };
  if (l.Vertical) {
    const int64_t y = l.H - p;
    const int64_t x = after ? l.Cx - l.Offset : l.Cx + l.Offset;
    switch (m.Shape()) {
      case TkvIndicatorShape::voLine:
        c->Pen()->SetColor(m.Color());
        Line(c, x - hm, y, x + hm, y);
        break;
      case TkvIndicatorShape::voBitmap:
        drawBitmap(after ? x + hm : x - hm, y - bitmap->Height() / 2);
        break;
      case TkvIndicatorShape::voTriangle: {
        const int64_t tip = after ? x + hm : x - hm, base = after ? x - hm : x + hm;
        triangle({I(tip), I(y)}, {I(base), I(y - 5)}, {I(base), I(y + 5)});
        break;
      }
    }
  } else {
    const int64_t x = p;
    const int64_t y = after ? l.Cy - l.Offset : l.Cy + l.Offset;
    switch (m.Shape()) {
      case TkvIndicatorShape::voLine:
        c->Pen()->SetColor(m.Color());
        Line(c, x, y - hm, x, y + hm);
        break;
      case TkvIndicatorShape::voBitmap:
        drawBitmap(x - bitmap->Width() / 2, after ? y + hm : y - hm);
        break;
      case TkvIndicatorShape::voTriangle: {
        const int64_t tip = after ? y + hm : y - hm, base = after ? y - hm : y + hm;
        triangle({I(x), I(tip)}, {I(x - 5), I(base)}, {I(x + 5), I(base)});
        break;
      }
    }
  }
}

namespace {

// A number of the scale by its bits: no text made every frame.
int64_t Bits(double v) {
  int64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

void WriteScaleKey(TKvLayerKey& key, const TkvThermoMeterScale& s) {
  key << s.Color() << s.Decimals() << s.FormatText() << int(s.ScaleType()) << Bits(s.Max())
      << Bits(s.Min()) << int(s.Position()) << s.Offset() << Bits(s.Step()) << Bits(s.SmallStep())
      << s.HeightMax() << s.HeightMin() << s.Visible();
}

}  // namespace

void TkvThermoMeter::Paint() {
  const Layout l = ComputeLayout();
  TCanvas* canvas = BitmapCanvas();
  const bool visible = FScale->Visible();

  TKvLayerKey key;
  key << Width() << Height() << int(FDirection) << FColorAfter << FColorBefore << FShowCaption
      << Caption() << Font();
  WriteScaleKey(key, *FScale);
  kv::ClearWithBase(ImageClear(), d->FaceBase, key, [&] {
    if (FShowCaption) DrawCaption(canvas, l);
    if (visible) DrawLabels(canvas, l);
    DrawBulb(canvas, l);
    if (visible) DrawTube(canvas, l);
  });

  if (visible) {
    // The part of the tube up to the value.
    const int width = PenWidth(TubeWidth(l.Offset));
    const int64_t p = ValuePixel(FValue->Value());
    if (l.Vertical) {
      const int x = I(l.Cx % 2 != 0 ? l.Cx + 1 : l.Cx);
      ValueLine(canvas, {x, I(l.H - p)}, {x, I(l.H - l.Offset)}, FColorBefore, width);
    } else {
      const int y = I(l.Cy % 2 != 0 ? l.Cy + 1 : l.Cy);
      ValueLine(canvas, {I(p), y}, {I(l.W - l.Offset), y}, FColorAfter, width);
    }
    TKvLayerKey tickKey;
    tickKey << Width() << Height() << int(FDirection);
    WriteScaleKey(tickKey, *FScale);
    d->TickLayer.Draw(Image(), tickKey, [&](TCanvas* c) { DrawTicks(c, l); });
  }

  for (const TKvLiniarIndicator* m :
       {FSetPoint.get(), FPeakMin.get(), FPeakMax.get(), FValue.get()})
    if (m->Visible()) DrawMarker(canvas, l, *m);
  FPainted = MovingSpans(l);
  TKvGraphicImageControl::Paint();
}

// Every label of the scale whole and apart along the band, which keeps the scale's offset at
// both ends (the end labels reach half a line past it), and beside the band past the longest ticks
// on either side of the centre; the caption whole across the top.
QSize TkvThermoMeter::minimumSizeHint() const {
  const TkvThermoMeterScale& s = *FScale;
  const TPoint label =
      kv::LeastLabels(Font(), {kv::ScaleLabelText(s.FormatText(), s.Decimals(), s.Min()),
                               kv::ScaleLabelText(s.FormatText(), s.Decimals(), s.Max())});
  const TPoint caption = FShowCaption ? kv::LeastTextSize(Font(), Caption()) : TPoint(0, 0);
  const int64_t steps = std::max<int64_t>(kv::StepCount(s.Max() - s.Min(), s.Step()), 1);
  const int64_t offset = std::abs(int64_t(s.Offset()));
  const int64_t beside = std::max(s.HeightMax(), 0) + offset;
  if (FDirection == TKvDirection::voVertical)
    return kv::LeastSizeHint(std::max<int64_t>(caption.X, 2 * (beside + label.X)),
                             2 * offset + (steps + 1) * (label.Y + 1) + caption.Y);
  return kv::LeastSizeHint(std::max<int64_t>(caption.X, 2 * offset + (steps + 1) * (label.X + 1)),
                           2 * (beside + label.Y) + caption.Y);
}
