#include "KvSpectrum.h"

#include "ClassRegistry.h"
#include "Controls.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <vector>

using kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvSpectrum>();

struct Rgb {
  int64_t R, G, B;
};

Rgb RgbOf(TColor c) {
  uint8_t r = 0, g = 0, b = 0;
  SplitColor(c, r, g, b);
  return {r, g, b};
}

// From A to B by Part / Whole of the way, truncated toward zero.
TColor Between(const Rgb& a, const Rgb& b, int64_t part, int64_t whole) {
  const auto mix = [&](int64_t x, int64_t y) { return int((x + (y - x) * part / whole) & 0xFF); };
  return TColor(mix(a.R, b.R) | mix(a.G, b.G) << 8 | mix(a.B, b.B) << 16);
}

// From the top of A's rows or With's to the bottom of either, across With (an empty A: With).
TRect SpanRows(const TRect& a, const TRect& with) {
  if (a.Right <= a.Left) return with;
  return Rect(with.Left, std::min(a.Top, with.Top), with.Right, std::max(a.Bottom, with.Bottom));
}

void FillRows(TBitmap* bitmap, int64_t from, int64_t to, TColor color) {
  from = std::max<int64_t>(from, 0);
  to = std::min<int64_t>(to, bitmap->Height());
  if (from >= to) return;
  TCanvas* c = bitmap->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(Rect(0, int(from), bitmap->Width(), int(to)));
}

}  // namespace

struct TKvSpectrum::Private {
  // The column with every tick unlit and lit, and the key of what they were built from.
  TBitmap OffColumn, OnColumn;
  QByteArray ColumnKey;
  // The bars the last full paint drew, and each one's unlit ticks in the image (-1: none drawn
  // since the whole paint began).
  int PaintedBars = 0;
  std::vector<int64_t> PaintedUnlit;
  // The off-screen image holds a frame of the current settings and size: a bar update draws
  // into it and shows only that bar.
  bool ImageValid = false;
  QSize ImageSize;
  // The next paint only copies the image (a bar update's repaint).
  bool CopyOnly = false;
};

// ---------------------------------------------------------------------------
// Bars

void TKvSpectrumBar::SetPosition(int v) {
  if (v == FPosition) return;
  FPosition = v;
  Changed(false);
}

void TKvSpectrumBars::Update(TKvCollectionItem* Item) {
  FSpectrum->BarChanged(static_cast<TKvSpectrumBar*>(Item));
}

// ---------------------------------------------------------------------------

TKvSpectrum::TKvSpectrum(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBevel(std::make_unique<TKvBevel>()),
      FBars(std::make_unique<TKvSpectrumBars>(this)),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque | TControlStyleFlag::csReplicatable);
  SetBounds(0, 0, 217, 117);
  SetParentColor(false);
  SetColor(clBlack);
  const struct {
    TColor low, high;
  } zones[] = {{clGreen, clLime}, {clOlive, clYellow}, {clMaroon, clRed}};
  for (size_t z = 0; z < FPalettes.size(); ++z) {
    FPalettes[z] = std::make_unique<TKvPalette>();
    FPalettes[z]->SetLow(zones[z].low);
    FPalettes[z]->SetHigh(zones[z].high);
    connect(FPalettes[z].get(), &TKvPersistent::OnChange, this, [this] { Changed(); });
  }
  FBevel->SetInnerStyle(TKvBevelStyle::bsLowered);
  FBevel->SetInnerWidth(2);
  FBevel->SetInnerSpace(1);
  FBevel->SetInnerColor(clBlack);
  FLaidOutBevelWidth = BevelWidth();
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { BevelChanged(); });
  RecreateBars();
}

// The bars go first, without telling the spectrum.
TKvSpectrum::~TKvSpectrum() { FBars.reset(); }

void TKvSpectrum::Changed() {
  d->ImageValid = false;
  UpdateControl();
}

void TKvSpectrum::CMColorChanged() {
  TKvGraphicImageControl::CMColorChanged();
  Changed();
}

void TKvSpectrum::RecreateBars() {
  d->ImageValid = false;
  kv::WithinUpdate(*FBars, [&] {
    FBars->Clear();
    for (int i = 0; i < FColumns; ++i) new TKvSpectrumBar(FBars.get());
  });
}

// ---------------------------------------------------------------------------
// Settings

void TKvSpectrum::SetPercent1(int v) {
  if (!TKvPercentInt::Contains(v)) return;
  if (!IsLoading() && v + FPercent2 > 100) v = 100 - FPercent2;
  if (SetIfChanged(FPercent1, v)) Changed();
}

void TKvSpectrum::SetPercent2(int v) {
  if (!TKvPercentInt::Contains(v)) return;
  if (!IsLoading() && v + FPercent1 > 100) v = 100 - FPercent1;
  if (SetIfChanged(FPercent2, v)) Changed();
}

void TKvSpectrum::SetColumns(int v) {
  if (v <= 0 || v > kMaxColumns || v == FColumns) return;
  FColumns = v;
  RecreateBars();
  Changed();
}

void TKvSpectrum::SetMaxValue(int v) {
  if (v == FMaxValue) return;
  if (IsLoading()) {
    FMaxValue = v;  // MinValue may still come; Loaded settles the pair
    return;
  }
  if (v <= FMinValue) return;
  FMaxValue = v;
  d->ImageValid = false;
  kv::WithinUpdate(*FBars, [&] {
    for (int i = 0; i < Count(); ++i)
      if (Items(i)->Position() > v) Items(i)->SetPosition(v);
  });
  Changed();
  emit MaxValueChanged(FMaxValue);
}

void TKvSpectrum::SetMinValue(int v) {
  if (v == FMinValue) return;
  if (IsLoading()) {
    FMinValue = v;
    return;
  }
  if (v >= FMaxValue) return;
  FMinValue = v;
  d->ImageValid = false;
  kv::WithinUpdate(*FBars, [&] {
    for (int i = 0; i < Count(); ++i)
      if (Items(i)->Position() < v) Items(i)->SetPosition(v);
  });
  Changed();
  emit MinValueChanged(FMinValue);
}

void TKvSpectrum::SetMarkerColor(TColor v) {
  if (!SetIfChanged(FMarkerColor, v)) return;
  Changed();
  Tell(this, &TKvSpectrum::MarkerColorChanged);
}

void TKvSpectrum::SetMarkerVisible(bool v) {
  if (SetIfChanged(FMarkerVisible, v)) Changed();
}

void TKvSpectrum::SetTickHeight(int v) {
  if (v <= 0 || v == FTickHeight) return;
  if (!IsLoading() && int64_t(v) + FSpacing <= 0) return;
  FTickHeight = v;
  Changed();
}

void TKvSpectrum::SetSpacing(int v) {
  if (v == FSpacing) return;
  if (!IsLoading() && int64_t(FTickHeight) + v <= 0) return;
  FSpacing = v;
  Changed();
}

void TKvSpectrum::SetBarWidth(int v) {
  if (TKvMaxInt::Contains(v) && SetIfChanged(FBarWidth, v)) Changed();
}

void TKvSpectrum::SetBarSpacing(int v) {
  if (SetIfChanged(FBarSpacing, v)) Changed();
}

void TKvSpectrum::SetShowInactive(bool v) {
  if (SetIfChanged(FShowInactive, v)) Changed();
}

void TKvSpectrum::SetPlainColors(bool v) {
  if (SetIfChanged(FPlainColors, v)) Changed();
}

void TKvSpectrum::Loaded() {
  TKvGraphicImageControl::Loaded();
  kv::SettleLoadedRange(FMinValue, FMaxValue, 0, 100);
  FLaidOutBevelWidth = BevelWidth();
  Changed();
}

int TKvSpectrum::BevelWidth() const {
  TRect r;
  FBevel->GetVisibleArea(r);
  return r.Left;
}

void TKvSpectrum::BevelChanged() {
  const int old = FLaidOutBevelWidth;
  FLaidOutBevelWidth = BevelWidth();
  if (IsLoading()) return;
  // The bar area keeps its size, whether or not a paint has laid it out since the last
  // change of size; the frame grows or shrinks around it.
  kv::KeepInteriorAcrossFrame(*this, old, FLaidOutBevelWidth);
  Changed();
}

// ---------------------------------------------------------------------------
// Layout and colour columns

bool TKvSpectrum::CalcLayout() {
  const int b = BevelWidth();
  FLaidOutBevelWidth = b;
  FBarArea = ClientRect();
  FBevel->GetVisibleArea(FBarArea);
  const int64_t h = std::max<int64_t>(int64_t(FBarArea.Bottom) - FBarArea.Top, 0);
  const int64_t pitch = int64_t(FTickHeight) + FSpacing;
  // A pitch that a description left at 0 or below has no ticks and keeps the size.
  const int64_t ticks = pitch > 0 ? std::max<int64_t>((h + FSpacing) / pitch, 0) : 0;
  FTickCount = kv::SaturateToInt(ticks);
  FLaidOutColumns = FColumns;
  const int64_t width =
      2 * int64_t(b) + (int64_t(FBarWidth) + FBarSpacing) * FColumns - FBarSpacing;
  const int64_t height = pitch > 0 ? 2 * int64_t(b) + ticks * pitch - FSpacing : Height();
  const QSize before(Width(), Height());
  if (width != before.width() || height != before.height())
    SetBounds(Left(), Top(), kv::SaturateToInt(width), kv::SaturateToInt(height));
  return QSize(Width(), Height()) == before;
}

void TKvSpectrum::BuildColumns() {
  const int width = std::max(std::min(FBarWidth, RectWidth(FBarArea)), 0);
  const int height = std::max(RectHeight(FBarArea), 0);
  // At the image's scale, so that a bar is whole rows copied straight.
  const int scale = Image()->DeviceScale();
  TKvLayerKey key;
  key << width << height << scale << FTickCount << FTickHeight << FSpacing << FPercent1 << FPercent2
      << FPlainColors << Color();
  for (const auto& palette : FPalettes) key << palette->Low() << palette->High();
  if (key.Bytes() == d->ColumnKey) return;
  d->ColumnKey = key.Bytes().toByteArray();
  const int64_t h = height, pitch = int64_t(FTickHeight) + FSpacing;
  for (int lit = 0; lit < 2; ++lit) {
    TBitmap* column = lit ? &d->OnColumn : &d->OffColumn;
    column->SetDeviceScale(scale);
    column->SetSize(width, height);
    if (column->Empty()) continue;
    const auto colour = [&](size_t zone) {
      return lit ? FPalettes[zone]->High() : FPalettes[zone]->Low();
    };
    const TColor top = colour(2), middle = colour(1), bottom = colour(0);
    if (FPlainColors) {
      const int64_t step = std::max<int64_t>(pitch, 0);
      const int64_t q1 = PercentToValue(FPercent1, FTickCount) * step,
                    q2 = PercentToValue(FPercent2, FTickCount) * step;
      FillRows(column, 0, h - q1 - q2, top);
      FillRows(column, h - q1 - q2, h - q1, middle);
      FillRows(column, h - q1, h, bottom);
    } else {
      const int64_t q1 = PercentToValue(FPercent1, height), q2 = PercentToValue(FPercent2, height);
      const int64_t m = std::max<int64_t>(1, q1 + q2 / 2), n = std::max<int64_t>(1, h - m);
      const Rgb t = RgbOf(top), mid = RgbOf(middle), bot = RgbOf(bottom);
      for (int64_t i = 0; i <= n && i < h; ++i) FillRows(column, i, i + 1, Between(t, mid, i, n));
      for (int64_t j = 0; j <= m && n + 1 + j < h; ++j)
        FillRows(column, n + 1 + j, n + 2 + j, Between(mid, bot, j, m));
    }
    // The gaps between ticks hold the background, so that a run of ticks is one copy.
    if (FSpacing > 0 && pitch > 0)
      for (int64_t t = 0; t < FTickCount && t * pitch < h; ++t)
        FillRows(column, t * pitch + FTickHeight, (t + 1) * pitch, Color());
  }
}

TRect TKvSpectrum::BarRect(int index) const {
  if (index < 0 || index >= FLaidOutColumns) return TRect();
  const int64_t x = FBarArea.Left + int64_t(index) * (int64_t(FBarWidth) + FBarSpacing);
  const int64_t left = std::max<int64_t>(x, FBarArea.Left);
  const int64_t right = std::min<int64_t>(x + FBarWidth, FBarArea.Right);
  if (left >= right || FBarArea.Bottom <= FBarArea.Top) return TRect();
  return Rect(int(left), FBarArea.Top, int(right), FBarArea.Bottom);
}

TRect TKvSpectrum::PaintBar(TCanvas* canvas, int index, const TKvSpectrumBar* bar) {
  const TRect r = BarRect(index);
  if (r.Right <= r.Left || FTickCount <= 0) return TRect();
  const int percent =
      kv::PercentOfRange(int64_t(bar->Position()) - FMinValue, int64_t(FMaxValue) - FMinValue);
  // Values outside the range light all ticks or none.
  const int64_t lit = std::clamp<int64_t>(PercentToValue(percent, FTickCount), 0, FTickCount);
  const int64_t unlit = FTickCount - lit;
  // Only the ticks from the old top of the lit run to the new one, the marker's tick
  // included, differ from what the image holds.
  int64_t from = 0, to = FTickCount;
  if (size_t(index) < d->PaintedUnlit.size()) {
    int64_t& painted = d->PaintedUnlit[size_t(index)];
    if (painted >= 0) {
      from = std::min(painted, unlit);
      to = std::min(std::max(painted, unlit) + 1, int64_t(FTickCount));
    }
    painted = unlit;
  }
  const int64_t pitch = int64_t(FTickHeight) + FSpacing, top = FBarArea.Top;
  TRect drawn;
  // Ticks First .. First + Count - 1 that lie in From .. To - 1 together, gaps included,
  // clipped to the bar area.
  const auto rows = [&](int64_t first, int64_t count, auto draw) {
    const int64_t begin = std::max(first, from), end = std::min(first + count, to);
    if (begin >= end) return;
    const int64_t y0 = std::max<int64_t>(top + begin * pitch, top);
    const int64_t y1 =
        std::min<int64_t>(top + (end - 1) * pitch + FTickHeight, FBarArea.Bottom);
    if (y0 >= y1) return;
    draw(int(y0), int(y1));
    drawn = SpanRows(drawn, Rect(r.Left, int(y0), r.Right, int(y1)));
  };
  // Every tick of a live spectrum draws every bar: its rows are copied straight, unless a
  // copy mode set on the image's canvas asks for the canvas.
  const bool plain = canvas == Image()->Canvas() && canvas->CopyMode() == TCopyMode::cmSrcCopy;
  const auto copy = [&](const TBitmap* column) {
    return [&, column](int y0, int y1) {
      if (plain)
        kv::CopyRows(Image(), {r.Left, y0}, column->Image(),
                     Rect(0, int(y0 - top), r.Width(), int(y1 - top)));
      else
        canvas->CopyRect(Rect(r.Left, y0, r.Right, y1), column->Canvas(),
                         Rect(0, int(y0 - top), r.Width(), int(y1 - top)));
    };
  };
  const auto fill = [&](TColor color) {
    return [&, color](int y0, int y1) {
      canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
      canvas->Brush()->SetColor(color);
      canvas->FillRect(Rect(r.Left, y0, r.Right, y1));
    };
  };
  if (FShowInactive) rows(0, unlit, copy(&d->OffColumn));
  else rows(0, unlit, fill(Color()));
  int64_t next = unlit;
  if (lit > 0 && FMarkerVisible) rows(next++, 1, fill(FMarkerColor));
  rows(next, FTickCount - next, copy(&d->OnColumn));
  return drawn;
}

// ---------------------------------------------------------------------------
// Painting

void TKvSpectrum::Paint() {
  if (d->CopyOnly) {
    TKvGraphicImageControl::Paint();
    return;
  }
  d->ImageValid = false;
  // A size snapped here is a pending change of geometry: the frame for the new size comes
  // with the repaint that the change brings.
  if (!CalcLayout()) return;
  BuildColumns();
  ClearBitmapCanvas();
  TCanvas* canvas = BitmapCanvas();
  FDrawCanvas = canvas;
  TRect client = ClientRect();
  FBevel->Paint(canvas, client);
  d->PaintedBars = std::min(Count(), FLaidOutColumns);
  d->PaintedUnlit.assign(size_t(d->PaintedBars), -1);
  for (int i = 0; i < d->PaintedBars; ++i) PaintBar(canvas, i, Items(i));
  FDrawCanvas = Canvas();
  d->ImageValid = true;
  d->ImageSize = QSize(Width(), Height());
  TKvGraphicImageControl::Paint();
}

void TKvSpectrum::BarChanged(TKvSpectrumBar* bar) {
  // Without a frame of the current settings the value is only stored: the next paint
  // shows it.
  if (!d->ImageValid || d->ImageSize != QSize(Width(), Height()) || IsLoading()) return;
  // A bar freed or taken away by its user moves the later ones, and a window gone to a screen
  // of another ratio takes an image at that ratio: paint them all again.
  if (std::min(Count(), FLaidOutColumns) != d->PaintedBars ||
      Image()->DeviceScale() != kv::DeviceScaleOf(devicePixelRatioF())) {
    Changed();
    return;
  }
  TCanvas* canvas = BitmapCanvas();
  TRect dirty;
  if (bar) {
    const auto& items = *FBars;
    int index = -1;
    for (int i = 0; i < items.Count(); ++i)
      if (items.Items(i) == bar) {
        index = i;
        break;
      }
    dirty = PaintBar(canvas, index, bar);
  } else {
    for (int i = 0; i < d->PaintedBars; ++i) {
      const TRect drawn = PaintBar(canvas, i, Items(i));
      if (drawn.Right > drawn.Left)
        dirty = SpanRows(dirty, Rect(FBarArea.Left, drawn.Top, FBarArea.Right, drawn.Bottom));
    }
  }
  if (dirty.Right <= dirty.Left) return;
  // The window shows the changed part of the image, nothing is drawn again.
  if (!isVisible()) return;
  const QRect part = kv::PartToRepaint(*this, dirty);
  if (part.isEmpty()) return;
  if (kv::PaintInProgress()) {
    update(part);
    return;
  }
  const QScopedValueRollback<bool> copyOnly(d->CopyOnly, true);
  repaint(part);
}

// A pixel of every column, apart by the bar spacing, and one tick, inside the bevel. (The
// paint lays the columns out at their own width and sizes the control to them.)
QSize TKvSpectrum::minimumSizeHint() const {
  const int64_t spacing = std::max(FBarSpacing, 0);
  const int64_t columns = (1 + spacing) * FColumns - spacing;
  return kv::LeastSizeHint(columns, std::max(FTickHeight, 1), BevelWidth());
}
