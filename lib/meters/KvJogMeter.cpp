#include "KvJogMeter.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvMetersInternal.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <algorithm>
#include <cmath>

using kv::PixelOf, kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvJogMeter>();

constexpr unsigned kTextFlags = kv::DT_SINGLELINE | kv::DT_BOTTOM | kv::DT_NOPREFIX;
// More distinct label texts than this are not kept: the recordings start afresh.
constexpr size_t kMaxLabelStamps = 256;
// Nor more recordings of the ticks than this, holding no more pixels than this.
constexpr size_t kMaxTickRecordings = 64;
constexpr size_t kMaxRecordedBytes = size_t(8) << 20;
// The key of a kept drawing that is made again whenever its settings change (a label's
// stamp, the ticks over the labels): it needs none of its own, and comparing a long label's
// text each frame would cost more than its pixels.
const TKvLayerKey kRemadeWithSettings;

int I(int64_t v) { return SaturateToInt(v); }

void Line(TCanvas* c, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  c->MoveTo(I(x1), I(y1));
  c->LineTo(I(x2), I(y2));
}

}  // namespace

KvJogMeter::TKvLiniarIndicator::TKvLiniarIndicator() : TKvLinearMarker(QStringLiteral("NOXPIN")) {}

// ---------------------------------------------------------------------------
// Scale

void TKvJogMeterScale::SetApperture(double v) {
  if (std::isfinite(v)) SetValue(F.Apperture, v);
}

void TKvJogMeterScale::Assign(const TPersistent* source) {
  if (!AssignScale(source, &TKvJogMeterScale::F)) TKvPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
// Jog meter

struct TKvJogMeter::Layout {
  bool Horizontal = true;
  bool Before = true;
  int64_t W = 0, H = 0;
  int64_t Size = 0;    // along the scale
  int64_t Edge = 0;    // the tick edge E
  int64_t Inward = 1;  // the direction ticks grow from the edge
  int64_t HeightMax = 0, HeightMin = 0;
  long double Start = 0;  // the window's start S
};

struct TKvJogMeter::Label {
  QString Text;
  TSize Size;
  TKvStaticLayer Stamp;  // made with the label: the labels go when the format or font changes
};

// The ticks and the places of the labels for one pair of offsets of the minor and the major
// ticks from the window's start.
struct TKvJogMeter::ScaleRecording {
  TKvFaceBase Face;                                 // the drum with the ticks under the labels
  TKvStaticLayer Ticks;                             // the ticks over the labels
  std::vector<std::pair<int64_t, int64_t>> Labels;  // index from the first, pixel
};

struct TKvJogMeter::Private {
  TKvFaceBase FaceBase;
  // The labels drawn so far, by value: they repeat as the scale slides.
  std::map<long double, Label> Labels;
  std::optional<LabelSettings> LabelsMadeFor;
  // The key of the drum and caption, for the settings it was built from.
  std::optional<FaceSettings> FaceMadeFor;
  TKvLayerKey FaceKey;
  // The scale recorded so far, by the offsets of the minor and the major ticks, for the
  // settings it was recorded with.
  std::map<std::pair<long double, long double>, ScaleRecording> Recordings;
  std::unique_ptr<ScaleSettings> RecordingsMadeFor;
};

TKvJogMeter::TKvJogMeter(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FScale(std::make_unique<TKvJogMeterScale>()),
      FValue(std::make_unique<TKvLiniarIndicator>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 160, 40);
  SetColor(clBlack);
  Font()->SetName(QStringLiteral("Arial"));
  Font()->SetSize(8);
  Font()->SetColor(clBlack);
  FScale->SetColor(clBlack);
  FScale->SetApperture(60);
  FScale->SetPosition(TKvPosition::voBefore);
  FScale->SetSmallStep(2);
  FScale->SetHeightMax(15);
  FScale->SetHeightMin(8);
  FValue->SetShape(TkvIndicatorShape::voLine);
  FValue->SetColor(clRed);
  connect(FScale.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  connect(FValue.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  connect(FValue.get(), &TKvLinearMarker::ValueChanged, this, &TKvJogMeter::ReadingChanged);
}

TKvJogMeter::~TKvJogMeter() = default;

void TKvJogMeter::SetDirection(TKvDirection v) {
  if (v == FDirection || !kv::IsEnumValue(v)) return;
  FDirection = v;
  if (!IsLoading()) kv::TurnShape(this, v == TKvDirection::voVertical);
  UpdateControl();
}

void TKvJogMeter::TextChanged() {
  UpdateControl();
  TKvGraphicImageControl::TextChanged();
}

void TKvJogMeter::FontChanged() {
  UpdateControl();
  TKvGraphicImageControl::FontChanged();
}

int64_t TKvJogMeter::OffsetPixel(long double u) const {
  const long double apperture = FScale->Apperture();
  if (apperture <= 0) return 0;
  const int64_t size = FDirection == TKvDirection::voHorizontal ? Width() : Height();
  return PixelOf(static_cast<long double>(size) * u / apperture);
}

TKvJogMeter::FontSettings TKvJogMeter::FontNow() const {
  const TFont* f = Font();
  return {f->Name(),    f->Height(),      int(f->Style().toInt()),   int(f->Pitch()),
          f->Charset(), f->Orientation(), kv::ColorToRGB(f->Color())};
}

TKvJogMeter::Label& TKvJogMeter::LabelOf(long double value) {
  if (d->Labels.size() >= kMaxLabelStamps) d->Labels.clear();
  auto [it, added] = d->Labels.try_emplace(value);
  Label& label = it->second;
  if (added) {
    TCanvas* c = BitmapCanvas();
    c->SetFont(Font());
    label.Text = kv::ScaleLabelText(FScale->FormatText(), FScale->Decimals(), value);
    label.Size = c->TextExtent(label.Text);
  }
  return label;
}

long double TKvJogMeter::RunOffset(const Layout& l, long double step) const {
  if (step == 0) return 0;
  // Truncation towards zero, kept as a double: no int limit on the value.
  return std::trunc(l.Start / step) * step - l.Start;
}

TKvJogMeter::ScaleRecording& TKvJogMeter::RecordingOf(const Layout& l) {
  const TKvJogMeterScale& s = *FScale;
  // The ticks slide with the value, but their pixels depend only on where the first tick of
  // each kind falls within its step: one recording for each such pair of offsets.
  const ScaleSettings settings{
      Width(),       Height(), l.Horizontal,  l.Before,      kv::ColorToRGB(s.Color()),
      s.Apperture(), s.Step(), s.SmallStep(), s.HeightMax(), s.HeightMin()};
  // Each recording may keep a whole face.
  const size_t kept = std::clamp<size_t>(
      kMaxRecordedBytes / std::max<size_t>(1, size_t(Width()) * size_t(Height()) * 4), 1,
      kMaxTickRecordings);
  if (!d->RecordingsMadeFor || !(*d->RecordingsMadeFor == settings) ||
      d->Recordings.size() >= kept) {
    d->Recordings.clear();
    d->RecordingsMadeFor = std::make_unique<ScaleSettings>(settings);
  }
  const long double offset = RunOffset(l, s.Step());
  auto [it, added] = d->Recordings.try_emplace({RunOffset(l, s.SmallStep()), offset});
  ScaleRecording& recording = it->second;
  const long double step = s.Step();
  const int64_t count = kv::StepCount(s.Apperture(), step);
  if (added && step != 0 && count >= 0) {
    // Labels that fall on one pixel: only the first is drawn.
    kv::ForEachPixelStepWithin(
        0, count, 0, l.Size, [&](int64_t i) { return OffsetPixel(offset + i * step); },
        [&](int64_t i, int64_t p) {
          recording.Labels.emplace_back(i, p);
          return true;
        });
  }
  return recording;
}

void TKvJogMeter::DrawLabels(const Layout& l, const ScaleRecording& recording) {
  const long double step = FScale->Step();
  if (step == 0) return;
  const long double k0 = std::trunc(l.Start / step);
  // The labels made for another format or font are made again.
  LabelSettings settings{FScale->FormatText(), FScale->Decimals(), FontNow()};
  if (!d->LabelsMadeFor || !(*d->LabelsMadeFor == settings)) {
    d->Labels.clear();
    d->LabelsMadeFor = std::move(settings);
  }
  for (const auto& [i, p] : recording.Labels) {
    Label& label = LabelOf(k0 * step + i * step);
    const TSize size = label.Size;
    const int64_t w = size.cx, h = size.cy;
    int64_t left = 0, top = 0;
    if (l.Horizontal) {
      left = p - w / 2;
      top = l.Before ? l.Edge + l.HeightMax : l.Edge - l.HeightMax - h;
    } else {
      top = p - h / 2;
      left = l.Before ? l.Edge + l.HeightMax : l.Edge - l.HeightMax - w;
    }
    // Two captures: the drawing fits in the function object without an allocation.
    const Label* drawn = &label;
    label.Stamp.Stamp(Image(), kRemadeWithSettings, size,
                      [this, drawn](TCanvas* canvas) {
                        canvas->SetFont(Font());
                        canvas->Brush()->SetStyle(TBrushStyle::bsClear);
                        TRect r{0, 0, drawn->Size.cx, drawn->Size.cy};
                        kv::DrawText(canvas, drawn->Text, r, kTextFlags);
                      },
                      {I(left), I(top)});
  }
}

void TKvJogMeter::PaintTicks(TCanvas* c, const Layout& l) const {
  const TKvJogMeterScale& s = *FScale;
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(s.Color());
  const auto run = [&](long double step, int64_t length) {
    const int64_t count = kv::StepCount(s.Apperture(), step);
    if (step == 0 || count < 0) return;
    const long double u0 = RunOffset(l, step);
    const int64_t reach = l.Edge + l.Inward * length;
    // Ticks on one pixel are one line: each pixel is drawn once.
    kv::ForEachPixelStepWithin(
        0, count, 0, l.Size, [&](int64_t i) { return OffsetPixel(u0 + i * step); },
        [&](int64_t, int64_t p) {
          if (l.Horizontal) Line(c, p, l.Edge, p, reach);
          else Line(c, l.Edge, p, reach, p);
          return true;
        });
  };
  run(s.SmallStep(), l.HeightMin);
  run(s.Step(), l.HeightMax);
}

void TKvJogMeter::DrawMarker(TCanvas* c, const Layout& l) const {
  const TKvLiniarIndicator& m = *FValue;
  const int64_t center = l.Size / 2, hm = l.HeightMin;
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetWidth(1);
  switch (m.Shape()) {
    case TkvIndicatorShape::voLine:
      c->Pen()->SetColor(m.Color());
      if (l.Horizontal) Line(c, center, 0, center, l.H);
      else Line(c, l.W, center, 0, center);
      break;
    case TkvIndicatorShape::voTriangle: {
      c->Brush()->SetStyle(TBrushStyle::bsSolid);
      c->Brush()->SetColor(m.Color());
      c->Pen()->SetColor(FScale->Color());
      // The tip on the tick edge, the base HeightMin inside.
      const int64_t tip = l.Before ? 0 : (l.Horizontal ? l.H : l.W);
      const int64_t base = l.Before ? hm : tip - hm;
      TPoint p[3];
      if (l.Horizontal) {
        p[0] = {I(center), I(tip)};
        p[1] = {I(center - 5), I(base)};
        p[2] = {I(center + 5), I(base)};
      } else {
        p[0] = {I(tip), I(center)};
        p[1] = {I(base), I(center - 5)};
        p[2] = {I(base), I(center + 5)};
      }
      c->Polygon(p);
      break;
    }
    case TkvIndicatorShape::voBitmap: {
      const TBitmap* b = m.ShownBitmap(c->DeviceScale());
      const int64_t w = b->Width(), h = b->Height();
      int64_t x = 0, y = 0, dw = w, dh = h;
      if (l.Horizontal) {
        x = center - w / 2;
        // Below the scale it hangs upside down from the bottom edge.
        if (l.Before) y = 0;
        else {
          y = l.H;
          dh = -h;
        }
      } else {
        y = center - h / 2;
        if (l.Before) {
          // Left of the scale it is mirrored.
          x = hm;
          dw = -w;
        } else {
          x = l.W - hm;
        }
      }
      c->Brush()->SetStyle(TBrushStyle::bsClear);
      const TRect dest{I(x), I(y), I(x + dw), I(y + dh)};
      c->BrushCopy(dest, b, BitmapRect(b), b->TransparentColor());
      break;
    }
  }
}

void TKvJogMeter::Paint() {
  const TKvJogMeterScale& s = *FScale;
  Layout l;
  l.Horizontal = FDirection == TKvDirection::voHorizontal;
  l.Before = s.Position() == TKvPosition::voBefore;
  l.W = Width();
  l.H = Height();
  l.Size = l.Horizontal ? l.W : l.H;
  l.Edge = l.Before ? 0 : (l.Horizontal ? l.H : l.W);
  l.Inward = l.Before ? 1 : -1;
  l.HeightMax = s.HeightMax();
  l.HeightMin = s.HeightMin();
  l.Start = static_cast<long double>(FValue->Value()) - static_cast<long double>(s.Apperture()) / 2;

  FaceSettings settings{Width(),
                        Height(),
                        l.Horizontal,
                        l.Before,
                        FShowCaption,
                        kv::ColorToRGB(FFromColor),
                        kv::ColorToRGB(FToColor),
                        Caption(),
                        FontNow()};
  if (!d->FaceMadeFor || !(*d->FaceMadeFor == settings)) {
    d->FaceKey = {};
    d->FaceKey << Width() << Height() << l.Horizontal << FFromColor << FToColor << FShowCaption
               << l.Before << Caption() << Font();
    d->FaceMadeFor = std::move(settings);
  }
  const TKvLayerKey& key = d->FaceKey;
  TCanvas* canvas = BitmapCanvas();
  // The drum and the caption stay the same while the scale slides over them.
  const auto drum = [&] {
    TCanvas* c = canvas;
    GradientBands(c, ClientRect(), FFromColor, FToColor, l.Horizontal ? 6 : 5, 1);
    if (!FShowCaption) return;
    c->SetFont(Font());
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    const TSize size = c->TextExtent(Caption());
    const int64_t top = l.Before && l.Horizontal ? l.H - size.cy : 0;
    const int64_t left = l.W / 2 - size.cx / 2;
    TRect r{I(left), I(top), I(left + size.cx), I(top + size.cy)};
    kv::DrawText(c, Caption(), r, kTextFlags);
  };
  if (!s.Visible()) {
    kv::ClearWithBase(ImageClear(), d->FaceBase, key, drum);
  } else if (0 <= l.HeightMin && l.HeightMin <= l.HeightMax) {
    // The labels begin where the longest ticks end, so the ticks drawn before them give the
    // same pixels: they are kept in the face of their offsets.
    ScaleRecording& recording = RecordingOf(l);
    kv::ClearWithBase(ImageClear(), recording.Face, key, [&] {
      drum();
      PaintTicks(canvas, l);
    });
    DrawLabels(l, recording);
  } else {
    ScaleRecording& recording = RecordingOf(l);
    kv::ClearWithBase(ImageClear(), d->FaceBase, key, drum);
    DrawLabels(l, recording);
    recording.Ticks.Draw(Image(), kRemadeWithSettings, [&](TCanvas* c) { PaintTicks(c, l); });
  }
  if (FValue->Visible()) DrawMarker(canvas, l);
  TKvGraphicImageControl::Paint();
}

// The labels a window of the scale shows, whole and apart along the drum, past the longest
// ticks across it, and the caption whole when it shows.
QSize TKvJogMeter::minimumSizeHint() const {
  const TKvJogMeterScale& s = *FScale;
  const long double value = FValue->Value(), half = s.Apperture() / 2.0L;
  const TPoint label =
      kv::LeastLabels(Font(), {kv::ScaleLabelText(s.FormatText(), s.Decimals(), value - half),
                               kv::ScaleLabelText(s.FormatText(), s.Decimals(), value + half)});
  const TPoint caption = FShowCaption ? kv::LeastTextSize(Font(), Caption()) : TPoint(0, 0);
  const int64_t shown = std::max<int64_t>(kv::StepCount(s.Apperture(), s.Step()), 1);
  const int64_t ticks = std::max(s.HeightMax(), 0);
  if (FDirection == TKvDirection::voHorizontal)
    return kv::LeastSizeHint(std::max<int64_t>(caption.X, shown * label.X),
                             ticks + label.Y + caption.Y);
  return kv::LeastSizeHint(std::max<int64_t>(caption.X, ticks + label.X),
                           shown * label.Y + caption.Y);
}
