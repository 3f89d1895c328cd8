#include "KvBanner.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"

#include <QPointer>

#include <algorithm>
#include <cstring>
#include <vector>

using kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvBanner>();

// Where a column (or row) of the face lies on the grid: the source column whose square
// covers it, kGap in a gap of the picture, kOutside off the picture.
constexpr int64_t kGap = -1, kOutside = -2;

// Whether each column (or row) of the face lies on a square of the grid or in a gap.
void MapSquares(std::vector<uint8_t>& square, int64_t length, int64_t pitch, int64_t size) {
  square.resize(size_t(length));
  // Running remainders instead of a division per pixel.
  for (int64_t i = 0, phase = 0; i < length; ++i) {
    square[size_t(i)] = phase < size;
    if (++phase == pitch) phase = 0;
  }
}

void MapAxis(std::vector<int64_t>& map, int64_t length, int64_t offset, int64_t rendered,
             int64_t pitch, int64_t size) {
  map.resize(size_t(length));
  // Each entry written once: off the picture before it, on it, off it after it.
  const int64_t first = std::clamp<int64_t>(offset, 0, length);  // where d = i - offset reaches 0
  std::fill(map.begin(), map.begin() + first, kOutside);
  int64_t i = first;
  if (first < length) {
    int64_t d = first - offset, q = d / pitch, r = d % pitch;
    for (; i < length && d < rendered; ++i, ++d) {
      map[size_t(i)] = r < size ? q : kGap;
      if (++r == pitch) {
        r = 0;
        ++q;
      }
    }
  }
  std::fill(map.begin() + i, map.end(), kOutside);
}

}  // namespace

struct TKvBanner::Private {
  TKvStaticLayer BevelLayer;
  // The face's set-up, kept so that a frame builds none of it anew: where each column and row
  // lies on the grid, the bare grid's two rows, a picture row and the columns it is read by.
  std::vector<int64_t> Cols, Rows;
  std::vector<uint8_t> ColSquare, RowSquare;
  std::vector<uint32_t> GridRow, GapRow, PictureRow, Index;
  // What the squares and the two grid rows above were made for: width, height, pitch, square
  // size, square colour, gap colour.
  std::array<int64_t, 6> GridKey{};
  // The face without its bevel, on a tape some steps wider than the face: a step across moves
  // the window the face is read through and draws only the columns it brings in.
  TKvTape Tape;
  // What the face on the tape was drawn from, and its picture's place across.
  std::array<int64_t, 11> FaceInputs{};
  bool FaceKept = false;
  int64_t FaceOffsetX = 0;
};

TKvBanner::TKvBanner(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FTimer(std::make_unique<TKvTimer>(nullptr)),
      FBitmap(std::make_unique<TBitmap>()),
      FBevel(std::make_unique<TKvBevel>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  FBevel->SetInnerStyle(TKvBevelStyle::bsLowered);
  FBevel->SetInnerWidth(2);
  FBevel->SetInnerSpace(0);
  FBevel->SetInnerColor(clBlack);
  SetParentColor(false);
  SetColor(clBlack);
  SetBounds(0, 0, 320, 40);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(50);
  connect(FTimer.get(), &TKvTimer::OnTimer, this, [this](TObject*) { ScrollStep(); });
  connect(FBitmap.get(), &TBitmap::OnChange, this, [this](TObject*) { Rebuild(); });
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  // The size snaps to whole cells.
  SetAutoSize(true);
}

// The timer goes first: from inside its own tick it lets its worker end by itself.
TKvBanner::~TKvBanner() { FTimer.reset(); }

bool TKvBanner::Threaded() const { return FTimer->TimerType() == TKvTimerType::ttThread; }

void TKvBanner::SetThreaded(bool v) {
  FTimer->SetTimerType(v ? TKvTimerType::ttThread : TKvTimerType::ttSystem);
}

void TKvBanner::SetPitchPart(int& field, int v) {
  if (v <= 0 || v == field) return;
  const int64_t other = &field == &FPixelSize ? FSpacing : FPixelSize;
  if (int64_t(v) + other > INT32_MAX) return;
  field = v;
  Rebuild();
}

void TKvBanner::SetPixelSize(int v) { SetPitchPart(FPixelSize, v); }
void TKvBanner::SetSpacing(int v) { SetPitchPart(FSpacing, v); }

void TKvBanner::SetPixelColor(TColor v) {
  if (SetIfChanged(FPixelColor, v)) UpdateControl();
}

void TKvBanner::SetPixelMode(TKvBannerPixelMode v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FPixelMode, v)) UpdateControl();
}

int TKvBanner::TimeInterval() const { return int(FTimer->Interval()); }

void TKvBanner::SetTimeInterval(int v) { FTimer->SetInterval(uint32_t(v)); }

void TKvBanner::SetDirection(TKvBannerDirection v) {
  if (kv::IsEnumValue(v)) FDirection = v;
}

void TKvBanner::SetAutoScroll(bool v) {
  if (!SetIfChanged(FAutoScroll, v)) return;
  CenterPicture();
  UpdateControl();
  if (IsDesigning() || IsLoading()) return;
  FRecenter = true;
  FTimer->SetEnabled(v);
}

void TKvBanner::Loaded() {
  TKvGraphicImageControl::Loaded();
  if (!FBitmap->Empty()) CenterPicture();
}

void TKvBanner::CMColorChanged() {
  TKvGraphicImageControl::CMColorChanged();
  UpdateControl();
}

void TKvBanner::hideEvent(QHideEvent* e) {
  // What the window shows next comes from a whole face.
  d->FaceKept = false;
  TKvGraphicImageControl::hideEvent(e);
}

void TKvBanner::SetBounds(int left, int top, int width, int height) {
  const int oldWidth = Width(), oldHeight = Height();
  TKvGraphicImageControl::SetBounds(left, top, width, height);
  if (IsLoading() || FBitmap->Empty()) return;
  if (Width() != oldWidth || Height() != oldHeight) CenterPicture();
}

void TKvBanner::Rebuild() {
  if (IsLoading()) return;
  // Snapping to the new pitch; centring follows every bounds change.
  SetBounds(Left(), Top(), Width(), Height());
  CenterPicture();
  if (!FAutoScroll) UpdateControl();
}

bool TKvBanner::CanAutoSize(int& newWidth, int& newHeight) {
  const int64_t p = Pitch();
  const auto snap = [&](int64_t v) {
    return int(std::clamp<int64_t>((v + FSpacing) / p * p - FSpacing, 0, INT32_MAX));
  };
  newWidth = snap(newWidth);
  newHeight = snap(newHeight);
  return true;
}

void TKvBanner::CenterPicture() {
  const int64_t p = Pitch();
  FOffsetX = std::max<int64_t>(0, p * ((Width() - RenderedWidth()) / 2 / p));
  FOffsetY = std::max<int64_t>(0, p * ((Height() - RenderedHeight()) / 2 / p));
}

void TKvBanner::ScrollStep() {
  if (FRecenter) {
    CenterPicture();
    FRecenter = false;
  }
  const int64_t p = Pitch(), w = RenderedWidth(), h = RenderedHeight();
  // Fires OnScrollDone; false when the handler freed the banner.
  const auto done = [this] {
    const QPointer<TKvBanner> self(this);
    emit OnScrollDone(this);
    return !self.isNull();
  };
  switch (FDirection) {
    case TKvBannerDirection::bdRightToLeft:
      if (w + FOffsetX > 0) FOffsetX -= p;
      else if (done()) FOffsetX = int64_t(ClientRect().Right) - FPixelSize;
      else return;
      break;
    case TKvBannerDirection::bdLeftToRight:
      if (FOffsetX < Width()) FOffsetX += p;
      else if (done()) FOffsetX = -w;
      else return;
      break;
    case TKvBannerDirection::bdTopToBottom:
      if (FOffsetY < Height()) FOffsetY += p;
      else if (done()) FOffsetY = -h;
      else return;
      break;
    case TKvBannerDirection::bdBottomToTop:
      if (h + FOffsetY > 0) FOffsetY -= p;
      else if (done()) FOffsetY = int64_t(ClientRect().Bottom) - FPixelSize;
      else return;
      break;
  }
  // The bevel stays; what lies inside it is the face moved.
  TRect inside = ClientRect();
  FBevel->GetVisibleArea(inside);
  UpdateControlRect(inside);
}

// A plain array rather than a layer key: it is compared at every step of a frame of a few
// microseconds, where a key's allocation would cost a tenth of the frame.
std::array<int64_t, 11> TKvBanner::FaceInputs() const {
  // Colours as drawn; the picture by the identity of its pixels.
  return {Width(),
          Height(),
          FPixelSize,
          FSpacing,
          kv::ColorToRGB(Color()),
          kv::ColorToRGB(FPixelColor),
          int64_t(FPixelMode),
          FBitmap->Empty(),
          int64_t(FBitmap->Image().cacheKey()),
          int64_t(FBitmap->ChangeStamp()),
          FOffsetY};
}

// The grid with the picture on it, pixel by pixel: a square of the picture in the colour of
// its source pixel, the grid's squares elsewhere, Color in every gap. Only the face is
// drawn, however large the picture on the grid would be.
void TKvBanner::DrawPicture(int64_t shift) {
  const int64_t w = Width(), h = Height();
  if (w <= 0 || h <= 0 || d->Tape.Height() != h) return;
  const int64_t p = Pitch(), size = FPixelSize;
  const bool empty = FBitmap->Empty();
  // Read only: a writable look-up would count as a new picture.
  const TBitmap* picture = FBitmap.get();
  const uint32_t gap = kv::ColorToPixel(Color());
  const uint32_t square = FPixelMode == TKvBannerPixelMode::pmCustom || empty
                              ? kv::ColorToPixel(FPixelColor)
                              : picture->ScanLine(0)[0] | 0xFF000000u;
  std::vector<int64_t>&cols = d->Cols, &rows = d->Rows;
  std::vector<uint8_t>&colSquare = d->ColSquare, &rowSquare = d->RowSquare;
  const int64_t renderedWidth = empty ? 0 : RenderedWidth();
  MapAxis(rows, h, FOffsetY, empty ? 0 : RenderedHeight(), p, size);
  // The squares and the two rows of the bare grid (one through its squares, one through a
  // gap) change only with the size, the pitch and the colours, not as the picture moves.
  std::vector<uint32_t>&gridRow = d->GridRow, &gapRow = d->GapRow;
  const std::array<int64_t, 6> gridKey{w, h, p, size, square, gap};
  if (gridKey != d->GridKey || gridRow.size() != size_t(w)) {
    MapSquares(colSquare, w, p, size);
    MapSquares(rowSquare, h, p, size);
    gridRow.resize(size_t(w));
    gapRow.assign(size_t(w), gap);
    for (int64_t x = 0; x < w; ++x) gridRow[size_t(x)] = colSquare[size_t(x)] ? square : gap;
    d->GridKey = gridKey;
  }
  // The columns the picture covers: from its left edge (or the face's) to its right edge.
  int64_t first = w, last = -1;
  if (const int64_t a = std::max<int64_t>(FOffsetX, 0),
      b = std::min<int64_t>(w, FOffsetX + renderedWidth);
      a < b) {
    first = a;
    last = b - 1;
  }
  // The face's rows on the tape.
  const auto lineOf = [&](int64_t y) { return d->Tape.Row(y); };
  if (shift != 0) {
    // The columns the move brought in, each pixel worked out from its place.
    const int64_t from = shift < 0 ? std::max<int64_t>(w + shift, 0) : 0;
    const int64_t to = shift < 0 ? w : std::min(shift, w);
    for (int64_t y = 0; y < h; ++y) {
      uint32_t* line = lineOf(y);
      const int64_t row = rows[size_t(y)];
      const uint32_t* source = row >= 0 ? picture->ScanLine(int(row)) : nullptr;
      for (int64_t x = from; x < to; ++x) {
        if (row == kOutside || x < first || x > last) {
          line[x] = rowSquare[size_t(y)] ? gridRow[size_t(x)] : gap;
        } else {
          // On the picture: d = x - offset lies in 0 .. its rendered width.
          const int64_t d = x - FOffsetX;
          line[x] = source && d % p < size ? source[d / p] | 0xFF000000u : gap;
        }
      }
    }
    return;
  }
  MapAxis(cols, w, FOffsetX, renderedWidth, p, size);
  // The picture's columns on the face, as indexes into a row of those columns with the gap's
  // colour after them: a picture row is then read without a branch per pixel. The columns
  // grow from left to right, gaps between them.
  int64_t colFrom = INT64_MAX, colTo = -1;
  for (int64_t x = first; x <= last; ++x)
    if (cols[size_t(x)] >= 0) {
      colFrom = cols[size_t(x)];
      break;
    }
  for (int64_t x = last; x >= first; --x)
    if (cols[size_t(x)] >= 0) {
      colTo = cols[size_t(x)];
      break;
    }
  const int64_t shown = colTo >= colFrom ? colTo - colFrom + 1 : 0;
  std::vector<uint32_t>&pictureRow = d->PictureRow, &index = d->Index;
  pictureRow.assign(size_t(shown + 1), gap);
  index.resize(size_t(std::max<int64_t>(last - first + 1, 0)));
  for (int64_t x = first; x <= last; ++x) {
    const int64_t col = cols[size_t(x)];
    index[size_t(x - first)] = uint32_t(col >= 0 ? col - colFrom : shown);
  }
  const size_t rowBytes = size_t(w) * sizeof(uint32_t);
  // A row on the same grid row and picture row as the one above is that row again.
  const auto repeats = [&](int64_t y) {
    return y > 0 && rows[size_t(y)] == rows[size_t(y - 1)] &&
           rowSquare[size_t(y)] == rowSquare[size_t(y - 1)];
  };
  for (int64_t y = 0; y < h; ++y) {
    uint32_t* line = lineOf(y);
    if (repeats(y)) {
      std::memcpy(line, lineOf(y - 1), rowBytes);
      continue;
    }
    std::memcpy(line, rowSquare[size_t(y)] ? gridRow.data() : gapRow.data(), rowBytes);
    const int64_t row = rows[size_t(y)];
    if (row == kOutside || first > last) continue;
    if (row == kGap) {
      // On a gap of the grid the row is all gap already.
      if (rowSquare[size_t(y)]) std::fill(line + first, line + last + 1, gap);
      continue;
    }
    if (shown > 0) {
      const uint32_t* source = picture->ScanLine(int(row)) + colFrom;
      for (int64_t c = 0; c < shown; ++c) pictureRow[size_t(c)] = source[c] | 0xFF000000u;
    }
    uint32_t* out = line + first;
    for (size_t i = 0; i < index.size(); ++i) out[i] = pictureRow[index[i]];
  }
}

void TKvBanner::Paint() {
  const int64_t w = Width(), h = Height(), p = Pitch();
  const std::array<int64_t, 11> inputs = FaceInputs();
  const int64_t dx = FOffsetX - d->FaceOffsetX;
  if (d->Tape.Keep(w, h, p)) {
    // A step across by one pitch moves the window; anything else draws the face afresh, its
    // window at the end of the tape it moves away from.
    if (d->FaceKept && !d->Tape.Fresh() && inputs == d->FaceInputs && (dx == p || dx == -p) &&
        d->Tape.Room() >= p) {
      d->Tape.Scroll(dx);
      DrawPicture(dx);
    } else {
      d->Tape.StartAtEnd(FDirection == TKvBannerDirection::bdLeftToRight);
      DrawPicture();
    }
    d->FaceInputs = inputs;
    d->FaceKept = true;
    d->FaceOffsetX = FOffsetX;
  } else {
    d->FaceKept = false;
  }
  // A repaint inside the bevel (a step's) copies the face straight from the tape; the window
  // keeps the bevel.
  TRect inside = ClientRect();
  FBevel->GetVisibleArea(inside);
  const TRect& paint = PaintRect();
  if (d->FaceKept && paint.Left >= inside.Left && paint.Top >= inside.Top &&
      paint.Right <= inside.Right && paint.Bottom <= inside.Bottom) {
    d->Tape.Show(Canvas(), paint);
  } else {
    if (d->FaceKept) {
      d->Tape.CopyTo(Image());
    } else {
      ClearBitmapCanvas();
    }
    TKvLayerKey key;
    key << Width() << Height();
    key << FBevel.get();
    d->BevelLayer.Draw(Image(), key, [&](TCanvas* c) {
      TRect r = ClientRect();
      FBevel->Paint(c, r);
    });
    TKvGraphicImageControl::Paint();
  }
  if (!FStarted && FAutoScroll && !IsDesigning()) {
    FStarted = true;
    FRecenter = true;
    FTimer->SetEnabled(true);
  }
}

// The picture's height whole on the grid inside the bevel; it scrolls through any width of a
// square or more.
QSize TKvBanner::minimumSizeHint() const {
  return kv::LeastSizeHint(Pitch(), RenderedHeight(), kv::BevelInset(FBevel.get()));
}
