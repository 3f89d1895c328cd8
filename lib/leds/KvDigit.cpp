#include "KvDigit.h"
#include "KvSysUtilsInternal.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <span>

using kv::Point, kv::SatAdd;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvDigitGroup>();

// The segments each digit lights: 1 top, 2 middle, 4 bottom, 8 upper left, 16 upper right,
// 32 lower left, 64 lower right; 128 is the decimal point.
constexpr int kSegmentMasks[10] = {0x7D, 0x50, 0x37, 0x57, 0x5A, 0x4F, 0x6F, 0x51, 0x7F, 0x5F};
constexpr int kDecimalPoint = 128;
constexpr int kBlank = -1;

bool InLimit(int v, int lo) { return v >= lo && v <= TKvDigitGroup::kMaxDigits; }

}  // namespace

struct TKvDigitGroup::Private {
  // The cell pictures by mask: the ten digits, then the same with the decimal point.
  std::array<TKvStaticLayer, 20> DigitStamps;
  // What the segment pictures depend on besides their mask.
  TKvLayerKey StampKey;
  // What StampKey and CellPictures were made for: the cell's size, the segments' settings
  // and colours as drawn, what lies under the cells, and the width they share.
  QByteArray CellInputs;
  // Whole cells by place (one place when the ground is plain) and mask, the blank cell last;
  // empty when they would take too much memory.
  std::vector<QImage> CellPictures;
};

TKvDigitGroup::TKvDigitGroup(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FPalette(std::make_unique<TKvPalette>()),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csOpaque) &
                  ~TControlStyle(TControlStyleFlag::csSetCaption));
  SetBounds(0, 0, 120, 35);
  SetColor(clBlack);
  SetParentColor(false);
  connect(FPalette.get(), &TKvPalette::OnChange, this, [this] { UpdateControl(); });
}

TKvDigitGroup::~TKvDigitGroup() { BeginDestruction(); }

void TKvDigitGroup::SetValue(double v) {
  if (!std::isfinite(v) || !SetIfChanged(FValue, v)) return;
  QPointer<TKvDigitGroup> self(this);
  RepaintChangedCells();
  if (self)
    kv::EmitInTurn(
        this, [this] { emit OnChange(this); }, [this] { emit ValueChanged(FValue); });
}
void TKvDigitGroup::SetDecimals(int v) {
  if (InLimit(v, 0) && SetIfChanged(FDecimals, v)) UpdateControl();
}
void TKvDigitGroup::SetDigits(int v) {
  if (InLimit(v, 1) && SetIfChanged(FDigits, v)) UpdateControl();
}
void TKvDigitGroup::SetActiveOnly(bool v) {
  if (SetIfChanged(FActiveOnly, v)) UpdateControl();
}
void TKvDigitGroup::SetLeadingZero(bool v) {
  if (SetIfChanged(FLeadingZero, v)) UpdateControl();
}
void TKvDigitGroup::SetOutlineColor(TColor v) {
  SetFollowed(this, FOutlineColor, v, &TKvDigitGroup::OutlineColorChanged);
}

QString TKvDigitGroup::DisplayText() const {
  // The digits 0-9 and a '.' whatever the locale: only the separator's place matters. The
  // absolute value, since the display has no sign (-0.0 too).
  const QString text = QString::number(std::fabs(FValue), 'f', FDecimals);
  // Without decimals there is no separator to take no cell: pad to the cells, so that the
  // last digit stays on the display.
  const int width = FDecimals == 0 ? FDigits : FDigits + 1;
  return text.rightJustified(width, QLatin1Char(FLeadingZero ? '0' : ' '));
}

void TKvDigitGroup::DrawSegments(TCanvas* c, int x0, int cellWidth, int mask) const {
  const int d = cellWidth - cellWidth / 6;
  const int h = Height() - 1;
  const int t = std::min(h / 12, d / 12);
  const int g = 2;
  const auto segment = [&](int bit, std::initializer_list<TPoint> points) {
    const bool lit = (mask & bit) != 0;
    if (!lit && FActiveOnly) return;
    c->Brush()->SetColor(lit ? FPalette->High() : FPalette->Low());
    c->Polygon(std::span<const TPoint>(points.begin(), points.size()));
  };
  const int offsetsY[3] = {0, h / 2 - t, h - 2 * t};
  for (int i = 0; i < 3; ++i) {
    const int y0 = offsetsY[i];
    segment(1 << i, {Point(x0 + t + g, y0 + t), Point(x0 + 2 * t + g, y0),
                     Point(x0 + d - 2 * t - g, y0), Point(x0 + d - t - g, y0 + t),
                     Point(x0 + d - 2 * t - g, y0 + 2 * t), Point(x0 + 2 * t + g, y0 + 2 * t)});
  }
  // Upper left, upper right, lower left, lower right.
  const int bits[4] = {8, 16, 32, 64};
  for (int i = 0; i < 4; ++i) {
    const int x1 = x0 + (i % 2 == 0 ? 0 : d - 2 * t);
    const int y1 = i < 2 ? 0 : h / 2 - t;
    segment(bits[i], {Point(x1, y1 + 2 * t + g), Point(x1 + t, y1 + t + g),
                      Point(x1 + 2 * t, y1 + 2 * t + g), Point(x1 + 2 * t, y1 + h / 2 - t - g),
                      Point(x1 + t, y1 + h / 2 - g), Point(x1, y1 + h / 2 - t - g)});
  }
  if (mask & kDecimalPoint) {
    c->Brush()->SetColor(FPalette->High());
    c->Rectangle(x0 + d, h - 2 * t, x0 + d + 2 * t, h);
  }
}

void TKvDigitGroup::StampDigit(TBitmap* target, int x0, int cellWidth, int mask) {
  // The segments reach a few pixels past their cell when it is narrower than the gaps.
  constexpr int kMargin = 8;
  const int digit = mask & ~kDecimalPoint;
  const int index = (mask & kDecimalPoint) ? 10 + digit : digit;
  const TSize size{SatAdd(cellWidth, 2 * kMargin), Height()};
  d->DigitStamps[size_t(index)].Stamp(
      target, d->StampKey, size,
      [&](TCanvas* c) {
        c->Pen()->SetColor(FOutlineColor);
        c->Pen()->SetWidth(1);
        c->Pen()->SetStyle(TPenStyle::psSolid);
        c->Pen()->SetMode(TPenMode::pmCopy);
        c->Brush()->SetStyle(TBrushStyle::bsSolid);
        DrawSegments(c, kMargin, cellWidth, kSegmentMasks[digit] | (mask & kDecimalPoint));
      },
      TPoint(x0 - kMargin, 0));
}

void TKvDigitGroup::CellsOf(const QString& text, std::vector<int>& cells) {
  cells.clear();
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text[i];
    if (ch == QLatin1Char(' ')) {
      cells.push_back(kBlank);
    } else if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) {
      const bool point = i + 1 < text.size() && text[i + 1] == QLatin1Char('.');
      cells.push_back((ch.unicode() - '0') | (point ? kDecimalPoint : 0));
    }
    // The separator takes no cell; nothing else can occur.
  }
}

bool TKvDigitGroup::CellsFit(int cellWidth) const {
  // The columns DrawSegments reaches, from the cell's left edge: the bars' ends, the upright
  // segments' sides, the decimal point's last column.
  const int d = cellWidth - cellWidth / 6;
  const int t = std::min((Height() - 1) / 12, d / 12);
  const int g = 2;
  const int xs[] = {t + g, 2 * t + g, d - 2 * t - g, d - t - g, 0, t, 2 * t, d - 2 * t,
                    d - t, d,         d + 2 * t - 1};
  return *std::min_element(std::begin(xs), std::end(xs)) >= 0 &&
         *std::max_element(std::begin(xs), std::end(xs)) < cellWidth;
}

void TKvDigitGroup::UpdateCells() {
  const CellsInputs now{FValue, FDecimals, FDigits, FLeadingZero};
  if (FCellsFor == now) return;
  CellsOf(DisplayText(), FCells);
  FCellsFor = now;
}

void TKvDigitGroup::RepaintChangedCells() {
  UpdateCells();
  const int cellWidth = Width() / FDigits;
  if (FCells.size() != FShownCells.size() || !CellsFit(cellWidth)) return UpdateControl();
  size_t first = FCells.size(), last = 0;
  for (size_t i = 0; i < FCells.size(); ++i)
    if (FCells[i] != FShownCells[i]) {
      first = std::min(first, i);
      last = i;
    }
  if (first > last) return;  // the same picture
  UpdateControlRect(TRect{kv::SaturateToInt(int64_t(first) * cellWidth), 0,
                          kv::SaturateToInt(int64_t(last + 1) * cellWidth), Height()});
}

void TKvDigitGroup::KeepCellInputs(int cellWidth) {
  const TBitmap* ground = Background();
  TKvLayerKey inputs;
  inputs << cellWidth << Height() << FActiveOnly << FOutlineColor << FPalette->High()
         << FPalette->Low() << Transparent() << Width();
  if (Transparent()) inputs << ground;
  else inputs << Color();
  if (inputs.Bytes() == d->CellInputs && !d->StampKey.Bytes().isEmpty()) return;
  d->CellInputs = inputs.Bytes().toByteArray();
  d->StampKey = TKvLayerKey();
  d->StampKey << cellWidth << Height() << FActiveOnly << FOutlineColor << FPalette->High()
              << FPalette->Low();
  d->CellPictures.clear();
  if (cellWidth <= 0) return;
  // Every place a cell may start at inside the width; twenty masks and a blank for each,
  // within a few megabytes.
  const int64_t places = Transparent() ? (int64_t(Width()) + cellWidth - 1) / cellWidth : 1;
  constexpr double kMaxCellPixels = 1 << 20;
  if (double(places) * 21 * cellWidth * Height() <= kMaxCellPixels)
    d->CellPictures.resize(size_t(places) * 21);
}

void TKvDigitGroup::CopyGround(TBitmap* target, TPoint at, const TRect& area) const {
  // The captured ground is as wide as the group.
  const TRect inside{area.Left, area.Top, std::min(area.Right, Width()), area.Bottom};
  if (Transparent()) {
    kv::CopyRows(target, at, Background()->Image(), inside);
    return;
  }
  TCanvas* c = target->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(TRect{at.X, at.Y, at.X + area.Width(), at.Y + area.Height()});
}

const QImage& TKvDigitGroup::CellPicture(size_t i, int cellWidth, int mask) {
  const size_t place = Transparent() ? i : 0;
  const int index = mask == kBlank           ? 20
                    : (mask & kDecimalPoint) ? 10 + (mask & ~kDecimalPoint)
                                             : mask;
  QImage& picture = d->CellPictures[place * 21 + size_t(index)];
  const int scale = Image()->DeviceScale();
  if (picture.isNull() || picture.devicePixelRatio() != scale) {
    TBitmap cell;
    cell.SetDeviceScale(scale);
    cell.SetSize(cellWidth, Height());
    const int x0 = int(i) * cellWidth;
    CopyGround(&cell, TPoint(0, 0), TRect{x0, 0, x0 + cellWidth, Height()});
    if (mask != kBlank) StampDigit(&cell, 0, cellWidth, mask);
    picture = cell.Image();
  }
  return picture;
}

void TKvDigitGroup::Paint() {
  UpdateCells();
  const int cellWidth = Width() / FDigits;
  // When cells do not reach into one another, a repaint clears and draws only the cells it
  // meets (all of them for the whole face); the image holds the last frame elsewhere. A
  // transparent group's repaint from outside captures its ground first.
  const TRect& paint = PaintRect();
  const bool byCells = cellWidth > 0 && CellsFit(cellWidth) &&
                       FShownCells.size() == FCells.size() &&
                       (!Transparent() || (!GrabBackground() && Background()->Width() == Width() &&
                                           Background()->Height() == Height()));
  int64_t from = 0, to = int64_t(FCells.size());
  if (byCells) {
    KeepCellInputs(cellWidth);
    from = std::max(paint.Left, 0) / cellWidth;
    to = std::min<int64_t>(to, (int64_t(paint.Right) + cellWidth - 1) / cellWidth);
    // The last cell's area reaches to the right edge: no cell is drawn beyond it.
    const int64_t right = to == int64_t(FCells.size()) ? Width() : to * cellWidth;
    TRect area{int(from * cellWidth), 0, int(std::min<int64_t>(right, Width())), Height()};
    if (!d->CellPictures.empty()) {
      for (int64_t i = from; i < to; ++i) {
        const QImage& cell = CellPicture(size_t(i), cellWidth, FCells[size_t(i)]);
        kv::CopyRows(Image(), TPoint(int(i * cellWidth), 0), cell,
                     TRect{0, 0, cellWidth, Height()});
      }
      // Only the ground is left to clear, right of the last cell; no cell to stamp.
      area.Left = int(to * cellWidth);
      from = to;
    }
    if (area.Left < area.Right) CopyGround(Image(), TPoint(area.Left, 0), area);
  } else {
    ClearBitmapCanvas();
    KeepCellInputs(cellWidth);
  }
  for (int64_t i = from, x0 = from * cellWidth; i < to && x0 < Width(); ++i, x0 += cellWidth)
    if (FCells[size_t(i)] != kBlank) StampDigit(Image(), int(x0), cellWidth, FCells[size_t(i)]);
  FShownCells = FCells;
  TKvGraphicImageControl::Paint();
}

// Every digit with its thinnest segments a pixel thick: the segments are a twelfth of the
// digit (its cell less a sixth) and of the height less a row.
QSize TKvDigitGroup::minimumSizeHint() const {
  constexpr int kSegmentParts = 12;
  int cell = kSegmentParts;
  while (cell - cell / 6 < kSegmentParts) ++cell;
  return kv::LeastSizeHint(int64_t(cell) * FDigits, kSegmentParts + 1);
}
