#include "KvScope.h"

#include "ClassRegistry.h"
#include "Guarded.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QPointer>
#include <QScopedValueRollback>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <exception>

using kv::CreateRectRgn, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvScope>();

// The first ring a channel gets; it doubles as samples arrive, up to the limit.
constexpr int64_t kFirstRing = 16;

}  // namespace

// ---------------------------------------------------------------------------
// Channel

namespace {
std::atomic<uint64_t> gChannelIds{0};
}  // namespace

TKvChannel::TKvChannel(TCollection* collection) : TCollectionItem(collection), FId(++gChannelIds) {}

void TKvChannel::SetColor(TColor v) {
  if (v == FColor) return;
  FColor = v;
  Changed(false);
}

void TKvChannel::SetWidth(int v) {
  if (v == FWidth) return;
  FWidth = v;
  Changed(false);
}

void TKvChannel::SetStyle(TGraphStyle v) {
  if (v == FStyle || !kv::IsEnumValue(v)) return;
  FStyle = v;
  Changed(false);
}

void TKvChannel::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  Changed(false);
}

void TKvChannel::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TKvChannel*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  TCollection* c = Collection();
  if (c) c->BeginUpdate();
  FColor = other->FColor;
  FWidth = other->FWidth;
  FStyle = other->FStyle;
  if (c) c->EndUpdate();
}

QString TKvChannel::DataText() const {
  QString text;
  text.reserve(qsizetype(FCount) * 10);
  for (int i = 0; i < Count(); ++i) {
    const int v = Sample(i);
    if (v >= 0) text += QStringLiteral("%1").arg(v, 10, 10, QLatin1Char('0'));
    else text += QStringLiteral("-%1").arg(-int64_t(v), 9, 10, QLatin1Char('0'));
  }
  return text;
}

void TKvChannel::ClearData() {
  std::vector<int>().swap(FRing);
  FHead = 0;
  FCount = 0;
  FStamp += 2;
}

void TKvChannel::Grow(int64_t limit) {
  const int64_t capacity = std::min(std::max(kFirstRing, int64_t(FRing.size()) * 2), limit);
  std::vector<int> ring(size_t(capacity), 0);
  for (size_t i = 0; i < FCount; ++i) ring[i] = FRing[(FHead + i) % FRing.size()];
  FRing.swap(ring);
  FHead = 0;
}

void TKvChannel::Prepend(int value, int64_t limit) {
  if (limit <= 0) {
    ClearData();
    return;
  }
  // A lowered limit drops the oldest samples.
  if (int64_t(FCount) > limit) FCount = size_t(limit);
  if (FCount == FRing.size() && int64_t(FRing.size()) < limit) Grow(limit);
  // With no free slot the one before the newest is the oldest, and is replaced.
  FHead = (FHead + FRing.size() - 1) % FRing.size();
  FRing[FHead] = value;
  if (FCount < FRing.size() && int64_t(FCount) < limit) ++FCount;
  ++FStamp;
}

// ---------------------------------------------------------------------------
// Channels

TKvChannels::TKvChannels(TKvScope* scope)
    : TCollection(scope, [](TCollection* c) { return new TKvChannel(c); }), FScope(scope) {}

void TKvChannels::Update(TCollectionItem*) { FScope->UpdateControl(); }

// ---------------------------------------------------------------------------
// Scope

struct TKvScope::Private {
  // The cleared image with the grid's lines for offset 0, one grid wider and one grid taller
  // than the scope, and below them a row of the base line's colour: the grid repeats every
  // GridSize pixels both ways, so every offset and every base row is a window onto it.
  TBitmap GridStrip;
  QByteArray GridKey;
  // While the grid repeats, frames are drawn on a tape: a tick moves the window by one step
  // and draws only the columns the step changes. The screen copies the window.
  TKvTape Tape;
  // The row of every value of a small range, and the points of a trace.
  std::vector<int> Rows;
  std::array<int, 3> RowsKey{-1, 0, 0};  // the height and range Rows were made for
  std::vector<TPoint> Trace;
  // The last frame: its key, each drawn channel's stamp and history length, the grid's
  // position. An empty key: the tape holds no frame to scroll.
  struct ChannelLook {
    uint64_t Stamp;
    size_t Count;
  };
  QByteArray FrameKey;
  std::vector<ChannelLook> FrameLooks;
  // The part of the scope that shows: a frame on the tape is drawn there only, and a frame
  // kept for another part is no frame for this one.
  TRect Shown;
  int64_t FrameGridOffset = 0;
};

TKvScope::TKvScope(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FTimer(std::make_unique<TKvTimer>(nullptr)),
      FChannels(std::make_unique<TKvChannels>(this)),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csOpaque) &
                  ~TControlStyle(TControlStyleFlag::csSetCaption));
  SetBounds(0, 0, 249, 137);
  SetParentColor(false);
  SetColor(clBlack);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(100);
  kv::ConnectTick(FTimer.get(), this, [this] { Tick(); });
}

// The timer goes first: from inside its own tick it lets its worker end by itself.
TKvScope::~TKvScope() {
  FTimer.reset();
  FChannels.reset();
}

int TKvScope::Interval() const { return int(FTimer->Interval()); }
void TKvScope::SetInterval(int v) { FTimer->SetInterval(uint32_t(v)); }

void TKvScope::ClearHistories() {
  for (int i = 0; i < FChannels->Count(); ++i) FChannels->Items(i)->ClearData();
}

void TKvScope::SetMaxValue(int v) {
  if (!TKvScopeInt::Contains(v) || v == FMaxValue) return;
  if (IsLoading()) {
    FMaxValue = v;  // MinValue may still come; Loaded settles the pair
    return;
  }
  if (v <= FMinValue) return;
  FMaxValue = v;
  ClearHistories();
  UpdateControl();
  emit MaxValueChanged(FMaxValue);
}

void TKvScope::SetMinValue(int v) {
  if (!TKvScopeInt::Contains(v) || v == FMinValue) return;
  if (IsLoading()) {
    FMinValue = v;
    return;
  }
  if (v >= FMaxValue) return;
  FMinValue = v;
  ClearHistories();
  UpdateControl();
  emit MinValueChanged(FMinValue);
}

void TKvScope::SetChannels(const TKvChannels* v) {
  // Assigning a collection clears it first: its own would be left empty.
  if (v == FChannels.get()) return;
  FChannels->Assign(v);
}

void TKvScope::SetDirection(TScrolldirection v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FDirection, v)) UpdateControl();
}

void TKvScope::SetGridSize(int v) {
  if (TKvMaxInt::Contains(v) && SetIfChanged(FGridSize, v)) UpdateControl();
}

void TKvScope::SetGridLineWidth(int v) {
  if (SetIfChanged(FGridLineWidth, v)) UpdateControl();
}

void TKvScope::SetGridColor(TColor v) {
  SetFollowed(this, FGridColor, v, &TKvScope::GridColorChanged);
}

void TKvScope::SetBaseOffset(int v) {
  if (TKvBaseOffsetInt::Contains(v) && SetIfChanged(FBaseOffset, v)) UpdateControl();
}

void TKvScope::SetBaseColor(TColor v) {
  SetFollowed(this, FBaseColor, v, &TKvScope::BaseColorChanged);
}

void TKvScope::SetFrequency(int v) {
  if (TKvMaxInt::Contains(v) && SetIfChanged(FFrequency, v)) UpdateControl();
}

bool TKvScope::Threaded() const { return FTimer->TimerType() == TKvTimerType::ttThread; }

void TKvScope::SetThreaded(bool v) {
  FTimer->SetTimerType(v ? TKvTimerType::ttThread : TKvTimerType::ttSystem);
}

bool TKvScope::Active() const { return FTimer->Enabled(); }

void TKvScope::SetActive(bool v) {
  if (IsDesigning() || v == Active()) return;
  FTimer->SetEnabled(v);
  emit ActiveChanged(v);
}

void TKvScope::Loaded() {
  TKvGraphicImageControl::Loaded();
  kv::SettleLoadedRange(FMinValue, FMaxValue, 0, 100);
}

// ---------------------------------------------------------------------------
// Tick

void TKvScope::Tick() {
  const bool asks = isSignalConnected(QMetaMethod::fromSignal(&TKvScope::OnNeedData));
  std::exception_ptr failure;
  Step([&](TKvChannel& channel, int& value) {
    if (!asks) return;
    try {
      emit OnNeedData(this, channel.Index(), value);
    } catch (...) {
      // The channel keeps its step with the others; the failure is reported at the end.
      if (!failure) failure = std::current_exception();
    }
  });
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (...) {
      kv::HandleCurrentException(this);
    }
  }
}

void TKvScope::AddValues(const QList<int>& values) {
  Step([&](TKvChannel& channel, int& value) {
    if (channel.Index() < values.size()) value = values[channel.Index()];
  });
}

void TKvScope::Step(const std::function<void(TKvChannel& channel, int& value)>& fill) {
  if (FAnimateGrid) {
    // Back into [0, GridSize) or (0, GridSize] by whole grids, whatever the step.
    const int64_t grid = FGridSize;
    if (FDirection == TScrolldirection::sdRightToLeft)
      FGridOffset = ((FGridOffset + FFrequency) % grid + grid) % grid;
    else FGridOffset = ((FGridOffset - FFrequency - 1) % grid + grid) % grid + 1;
  }
  // Fill may change the channels: walk the channels of the step's start, skip those that are
  // gone, and fill each under its index of the moment.
  std::vector<QPointer<TKvChannel>> channels;
  channels.reserve(size_t(FChannels->Count()));
  for (int i = 0; i < FChannels->Count(); ++i) channels.emplace_back(FChannels->Items(i));
  for (const QPointer<TKvChannel>& channel : channels) {
    if (!channel || channel->Collection() != FChannels.get()) continue;
    int value = FMinValue;
    fill(*channel, value);
    if (!channel || channel->Collection() != FChannels.get()) continue;
    channel->Prepend(std::clamp(value, FMinValue, std::max(FMinValue, FMaxValue)), FBufferSize);
  }
  if (!FPainting) UpdateControl();
}

// ---------------------------------------------------------------------------
// Painting

int TKvScope::RowOf(int value) const {
  if (!d->Rows.empty() && value >= FMinValue &&
      int64_t(value) - FMinValue < int64_t(d->Rows.size()))
    return d->Rows[size_t(int64_t(value) - FMinValue)];
  const int percent = ValueToPercent(kv::SaturateToInt(int64_t(value) - FMinValue),
                                     kv::SaturateToInt(int64_t(FMaxValue) - FMinValue));
  return kv::SaturateToInt(int64_t(Height()) - PercentToValue(percent, Height()));
}

int TKvScope::BaseRow() const {
  const int64_t h = Height();
  // Rounded to nearest, halves to even, in extended precision.
  const long double share = static_cast<long double>(h) / 100 * FBaseOffset;
  return kv::SaturateToInt(int64_t(h - std::llrint(share) - 1));
}

void TKvScope::DrawGrid(TCanvas* canvas, int64_t w, int64_t h, int64_t offset, int64_t base) const {
  const int64_t grid = FGridSize;
  canvas->Pen()->SetColor(FGridColor);
  canvas->Pen()->SetWidth(FGridLineWidth);
  canvas->Pen()->SetMode(TPenMode::pmCopy);
  canvas->Pen()->SetStyle(TPenStyle::psSolid);
  const auto line = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    canvas->MoveTo(kv::SaturateToInt(x0), kv::SaturateToInt(y0));
    canvas->LineTo(kv::SaturateToInt(x1), kv::SaturateToInt(y1));
  };
  // Lines at least twice as wide as their spacing cover every pixel: one fill in the grid's
  // colour paints them, at the cost of the area instead of a band per step. (Up to half the
  // widest pen the canvas draws, 16,384 pixels, the width is the one drawn.)
  constexpr int64_t kWidestCoveringGrid = 8192;
  if (grid <= kWidestCoveringGrid && canvas->Pen()->Width() >= 2 * grid) {
    TBrush* brush = canvas->Brush();
    const TColor color = brush->Color();
    const TBrushStyle style = brush->Style();
    brush->SetColor(FGridColor);
    brush->SetStyle(TBrushStyle::bsSolid);
    canvas->FillRect(canvas->ClipRect());
    brush->SetColor(color);
    brush->SetStyle(style);
  } else {
    for (int64_t x = -offset; x <= w; x += grid) line(x, 0, x, h);
    for (int64_t y = base; y >= 0;) {
      y -= grid;
      line(0, y, w, y);
    }
    for (int64_t y = base; y <= h;) {
      y += grid;
      line(0, y, w, y);
    }
  }
  canvas->Pen()->SetColor(FBaseColor);
  line(0, base, w, base);
}

void TKvScope::KeepRows() {
  const std::array<int, 3> key{Height(), FMinValue, FMaxValue};
  if (key == d->RowsKey) return;
  d->RowsKey = key;
  d->Rows.clear();
  // A small range has few rows: each value's row is worked out once for the height.
  constexpr int64_t kMostRows = 1024;
  const int64_t values = int64_t(FMaxValue) - FMinValue + 1;
  if (values <= 0 || values > kMostRows) return;
  std::vector<int> rows(static_cast<size_t>(values));
  for (int64_t v = 0; v < values; ++v) rows[size_t(v)] = RowOf(int(FMinValue + v));
  d->Rows.swap(rows);
}

void TKvScope::TraceOf(const TKvChannel& channel, std::vector<TPoint>& points, int64_t first,
                       int64_t last) const {
  const int64_t f = FFrequency, w = Width(), n = channel.Count();
  const bool rightwards = FDirection == TScrolldirection::sdLeftToRight;
  const bool bar = channel.Style() == TGraphStyle::gsBar;
  const int64_t step = rightwards ? f : -f;
  // Past the far edge by more than the pen, nothing more can show: the trace only goes on.
  const int64_t farEdge = w + std::max(channel.Width(), 1);
  points.clear();
  const auto lineTo = [&](int64_t px, int y) {
    points.push_back(TPoint(kv::SaturateToInt(px), y));
  };
  first = std::clamp<int64_t>(first, 0, n);
  int64_t x = (rightwards ? f : f + w) + step * first;
  if (first == 0) {
    // Right to left the trace comes in from the baseline one step right of the face. With a
    // thin pen that first segment, and its join with the first bar, lies wholly right of the
    // face: left out, a bar trace runs along the axes only, which the smooth canvas draws with
    // the classic pixels instead of anti-aliasing the whole path.
    if (rightwards || !bar || channel.Width() > 1) lineTo(x, FBaseY);
  } else {
    // The pen where the sample before left it, unless the trace stopped there.
    const int64_t pen = bar ? x - f : x - step - f;
    if (rightwards && pen > farEdge) return;
    lineTo(pen, RowOf(channel.Sample(int(first - 1))));
  }
  for (int64_t i = first; x > 0 && i < last; ++i) {
    if (i == n) {
      lineTo(x - f, FBaseY);
      break;
    }
    const int y = RowOf(channel.Sample(int(i)));
    lineTo(x - f, y);
    int64_t pen = x - f;
    x += step;
    if (bar) lineTo(pen = x - f, y);
    // Every later segment starts at the pen and runs further right.
    if (rightwards && pen > farEdge) break;
  }
}

void TKvScope::DrawTrace(TCanvas* canvas, const TKvChannel& channel,
                         const std::vector<TPoint>& points) const {
  canvas->Pen()->SetColor(channel.Color());
  canvas->Pen()->SetWidth(channel.Width());
  canvas->Pen()->SetMode(TPenMode::pmCopy);
  canvas->Pen()->SetStyle(TPenStyle::psSolid);
  // One path: the canvas takes its clip and surface once, not once a segment.
  canvas->Polyline(points);
}

bool TKvScope::KeepGridStrip() {
  const int64_t w = Width(), h = Height(), grid = FGridSize;
  // A line wider than a pixel may reach into the image from a line the strip has and the
  // frame has not; a background captured from the parent does not repeat.
  if (FGridLineWidth > 1 || Transparent() || grid > w || w <= 0 || h <= 0) return false;
  const int64_t scale = Image()->DeviceScale(), baseRow = h + grid;
  if ((w + grid) * (baseRow + 1) > kv::kMaxBitmapPixels / (scale * scale)) return false;
  const QByteArray key = GridKey();
  if (key != d->GridKey || d->GridStrip.Empty()) {
    d->GridKey = key;
    d->GridStrip.SetDeviceScale(int(scale));
    d->GridStrip.SetSize(int(w + grid), int(baseRow + 1));
    TCanvas* c = d->GridStrip.Canvas();
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(Rect(0, 0, int(w + grid), int(baseRow)));
    // With the base line a grid above the strip, every row a multiple of the grid down has a
    // line of the grid. A thin base line covers its row: the strip's last row stands for it.
    DrawGrid(c, w + grid, baseRow, 0, -grid);
    c->Brush()->SetColor(FBaseColor);
    c->FillRect(Rect(0, int(baseRow), int(w + grid), int(baseRow + 1)));
  }
  return true;
}

void TKvScope::CopyGrid(int64_t left, int64_t right) {
  left = std::max<int64_t>(left, d->Shown.Left);
  right = std::min<int64_t>(right, d->Shown.Right);
  if (left >= right) return;
  const int64_t grid = FGridSize, baseRow = Height() + grid;
  // Lines left of the image do not show, so any offset acts as its remainder; the strip's
  // rows with lines lie on the base row's, whose own pixels come from the strip's last row.
  const int64_t from = (FGridOffset % grid + grid) % grid + left;
  const int64_t down = (-int64_t(FBaseY) % grid + grid) % grid;
  const QImage& strip = d->GridStrip.Image();
  d->Tape.CopyColumns(strip, from, left, right, d->Shown.Top, d->Shown.Bottom, down);
  if (FBaseY >= d->Shown.Top && FBaseY < d->Shown.Bottom)
    d->Tape.CopyColumns(strip, from, left, right, FBaseY, FBaseY + 1, baseRow - FBaseY);
}

bool TKvScope::KeepTape() {
  if (!d->Tape.Keep(Width(), Height(), FFrequency, Image()->DeviceScale())) return false;
  d->Tape.StartAtEnd(FDirection == TScrolldirection::sdLeftToRight);
  return true;
}

TCanvas* TKvScope::FrameCanvas() { return d->FrameKey.isEmpty() ? nullptr : d->Tape.Canvas(); }

QByteArray TKvScope::GridKey() const {
  TKvLayerKey key;
  key << Width() << Height() << Image()->DeviceScale() << FGridSize << FGridLineWidth << FGridColor
      << FBaseColor << Color();
  return key.Bytes().toByteArray();
}

QByteArray TKvScope::FrameKey() const {
  TKvLayerKey key;
  key << FBaseY << FFrequency << int(FDirection) << FMinValue << FMaxValue;
  for (int i = 0; i < FChannels->Count(); ++i) {
    const TKvChannel* channel = FChannels->Items(i);
    key << int64_t(channel->Id()) << channel->Visible();
    if (channel->Visible()) key << channel->Color() << channel->Width() << int(channel->Style());
  }
  return GridKey() + key.Bytes().toByteArray();
}

void TKvScope::KeepFrame(const QByteArray& key) {
  d->FrameKey = key;
  d->FrameGridOffset = FGridOffset;
  d->FrameLooks.resize(size_t(FChannels->Count()));
  for (int i = 0; i < FChannels->Count(); ++i)
    d->FrameLooks[size_t(i)] = {FChannels->Items(i)->Stamp(), size_t(FChannels->Items(i)->Count())};
}

bool TKvScope::ScrollLastFrame(const QByteArray& key) {
  if (d->FrameKey.isEmpty() || key != d->FrameKey) return false;
  const int64_t w = Width(), f = FFrequency, grid = FGridSize;
  const bool rightwards = FDirection == TScrolldirection::sdLeftToRight;
  // The grid must have moved with the traces, by whole grids.
  if (f >= w || (FGridOffset - d->FrameGridOffset - (rightwards ? -f : f)) % grid != 0)
    return false;
  // Each drawn trace has one new sample in front; where the oldest fell out, its far end
  // changed too.
  int64_t pen = 1;
  std::vector<int64_t> ends;
  for (int i = 0; i < FChannels->Count(); ++i) {
    const TKvChannel* channel = FChannels->Items(i);
    if (!channel->Visible()) continue;
    const Private::ChannelLook& last = d->FrameLooks[size_t(i)];
    const size_t count = size_t(channel->Count());
    if (channel->Stamp() != last.Stamp + 1 || (count != last.Count + 1 && count != last.Count))
      return false;
    pen = std::max<int64_t>(pen, channel->Width());
    if (count == last.Count)
      ends.push_back(rightwards ? int64_t(count) * f : w - int64_t(count) * f);
  }
  // The columns to draw afresh, of those that show: the new samples' edge, the far edge,
  // where a trace ends, and the edge of the shown part where columns that were not drawn come
  // in (the new samples' edge when the whole width shows).
  const int64_t m = pen + 2, shownLeft = d->Shown.Left, shownRight = d->Shown.Right;
  std::vector<std::pair<int64_t, int64_t>> bands;
  bands.emplace_back(rightwards ? 0 : w - 2 * f - m, rightwards ? 2 * f + m : w);
  bands.emplace_back(rightwards ? w - f - m : 0, rightwards ? w : f + m);
  bands.emplace_back(rightwards ? shownLeft : shownRight - 2 * f - m,
                     rightwards ? shownLeft + 2 * f + m : shownRight);
  for (const int64_t end : ends) bands.emplace_back(end - f - m, end + f + m);
  for (auto& [left, right] : bands) {
    left = std::clamp<int64_t>(left, shownLeft, shownRight);
    right = std::clamp<int64_t>(right, shownLeft, shownRight);
  }
  std::sort(bands.begin(), bands.end());
  std::vector<std::pair<int64_t, int64_t>> merged;
  int64_t fresh = 0;
  for (const auto& band : bands) {
    if (band.first >= band.second) continue;
    if (!merged.empty() && band.first <= merged.back().second)
      merged.back().second = std::max(merged.back().second, band.second);
    else merged.push_back(band);
  }
  for (const auto& [left, right] : merged) fresh += right - left;
  // Most of what shows new: a full frame costs no more.
  if (2 * fresh > shownRight - shownLeft) return false;

  // The window moves along the tape by one step, the content the other way.
  if (d->Tape.Room() < f) return false;
  d->Tape.Scroll(rightwards ? f : -f);
  // Band by band, the channels in the order a whole frame draws them, each with the samples
  // whose segments may reach the band: a sample's segments span at most two steps.
  TCanvas* canvas = d->Tape.Canvas();
  for (const auto& [left, right] : merged) {
    CopyGrid(left, right);
    const TRegion band = CreateRectRgn(int(left), d->Shown.Top, int(right), d->Shown.Bottom);
    canvas->SelectClipRgn(&band);
    for (int i = FChannels->Count() - 1; i >= 0; --i) {
      const TKvChannel* channel = FChannels->Items(i);
      if (!channel->Visible()) continue;
      const int64_t reach = int64_t(std::max(channel->Width(), 1)) + 2;
      const int64_t first = rightwards ? (left - reach) / f - 2 : (f + w - right - reach) / f - 2;
      const int64_t last = rightwards ? (right + reach) / f + 2 : (f + w - left + reach) / f + 2;
      TraceOf(*channel, d->Trace, first, last);
      DrawTrace(canvas, *channel, d->Trace);
    }
    canvas->SelectClipRgn(nullptr);
  }
  return true;
}

void TKvScope::hideEvent(QHideEvent* e) {
  // What the window shows next comes from a whole frame.
  d->FrameKey.clear();
  TKvGraphicImageControl::hideEvent(e);
}

void TKvScope::DrawTraces(TCanvas* canvas) {
  for (int i = FChannels->Count() - 1; i >= 0; --i) {
    const TKvChannel* channel = FChannels->Items(i);
    if (!channel->Visible()) continue;
    TraceOf(*channel, d->Trace, 0, INT64_MAX);
    DrawTrace(canvas, *channel, d->Trace);
  }
}

void TKvScope::Paint() {
  const QScopedValueRollback<bool> painting(FPainting, true);
  FBaseY = BaseRow();
  KeepRows();
  const TRect shown = BitmapCanvas()->ClipRect();
  d->Shown = shown;
  TKvLayerKey shownKey;
  shownKey << shown;
  const QByteArray key = FrameKey() + shownKey.Bytes().toByteArray();
  const bool strip = KeepGridStrip();
  const bool scrolled = strip && ScrollLastFrame(key);
  if (!scrolled && !(strip && KeepTape())) {
    d->FrameKey.clear();
    TCanvas* canvas = BitmapCanvas();
    ClearBitmapCanvas();
    DrawGrid(canvas, Width(), Height(), FGridOffset, FBaseY);
    DrawTraces(canvas);
    TKvGraphicImageControl::Paint();
    return;
  }
  if (!scrolled) {
    CopyGrid(0, Width());
    const TRegion part = CreateRectRgn(shown.Left, shown.Top, shown.Right, shown.Bottom);
    d->Tape.Canvas()->SelectClipRgn(&part);
    DrawTraces(d->Tape.Canvas());
    d->Tape.Canvas()->SelectClipRgn(nullptr);
  }
  KeepFrame(key);
  // The screen shows the window.
  d->Tape.Show(Canvas(), ClientRect());
}

// One cell of the grid with its lines.
QSize TKvScope::minimumSizeHint() const {
  const int64_t cell = int64_t(std::max(FGridSize, 1)) + std::max(FGridLineWidth, 0);
  return kv::LeastSizeHint(cell, cell);
}
