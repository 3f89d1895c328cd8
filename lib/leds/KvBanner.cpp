#include "KvBanner.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <algorithm>
#include <array>

using kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvBanner>();

}  // namespace

struct TKvBanner::Private {
  TKvStaticLayer BevelLayer;
  // The bare grid over the whole face, and what it was drawn for: width, height, device
  // scale, pitch, square size, square colour, gap colour.
  TBitmap Grid;
  std::array<int64_t, 7> GridKey{};
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
  kv::ConnectTick(FTimer.get(), this, [this] { ScrollStep(); });
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
  SetFollowed(this, FPixelColor, v, &TKvBanner::PixelColorChanged);
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
  // At the end of a pass OnScrollDone fires and the picture starts over from the other side.
  switch (FDirection) {
    case TKvBannerDirection::bdRightToLeft:
      if (w + FOffsetX > 0) {
        FOffsetX -= p;
      } else {
        emit OnScrollDone(this);
        FOffsetX = int64_t(ClientRect().Right) - FPixelSize;
      }
      break;
    case TKvBannerDirection::bdLeftToRight:
      if (FOffsetX < Width()) {
        FOffsetX += p;
      } else {
        emit OnScrollDone(this);
        FOffsetX = -w;
      }
      break;
    case TKvBannerDirection::bdTopToBottom:
      if (FOffsetY < Height()) {
        FOffsetY += p;
      } else {
        emit OnScrollDone(this);
        FOffsetY = -h;
      }
      break;
    case TKvBannerDirection::bdBottomToTop:
      if (h + FOffsetY > 0) {
        FOffsetY -= p;
      } else {
        emit OnScrollDone(this);
        FOffsetY = int64_t(ClientRect().Bottom) - FPixelSize;
      }
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

// The grid with the picture on it: a square of the picture in the colour of its source
// pixel, the grid's squares elsewhere, Color in every gap. Only the columns a step brought
// in are drawn (all of them without a step), however large the picture on the grid would be.
void TKvBanner::DrawPicture(int64_t shift) {
  const int64_t w = Width(), h = Height();
  if (w <= 0 || h <= 0 || d->Tape.Height() != h) return;
  const int64_t p = Pitch();
  const bool empty = FBitmap->Empty();
  const TBitmap* picture = FBitmap.get();
  const TColor square = FPixelMode == TKvBannerPixelMode::pmCustom || empty
                            ? FPixelColor
                            : picture->Canvas()->Pixels(0, 0);
  // The bare grid changes only with the size, the pitch and the colours, not as the picture
  // moves.
  const int scale = Image()->DeviceScale();
  const std::array<int64_t, 7> gridKey{
      w, h, scale, p, FPixelSize, kv::ColorToRGB(square), kv::ColorToRGB(Color())};
  if (gridKey != d->GridKey) {
    d->Grid.SetDeviceScale(scale);
    d->Grid.SetSize(int(w), int(h));
    DrawDotPattern(d->Grid.Canvas(), Rect(0, 0, int(w), int(h)), square, FSpacing, FPixelSize,
                   Color());
    d->GridKey = gridKey;
  }
  const int64_t from = shift < 0 ? std::max<int64_t>(w + shift, 0) : 0;
  const int64_t to = shift < 0 ? w : shift > 0 ? std::min(shift, w) : w;
  d->Tape.CopyColumns(d->Grid.Image(), from, from, to);
  if (empty) return;
  // The part of the picture's box in those columns: Color, with the squares of the pixels
  // that meet it over it.
  const int64_t left = std::max(FOffsetX, from), right = std::min(FOffsetX + RenderedWidth(), to);
  const int64_t top = std::max<int64_t>(FOffsetY, 0),
                bottom = std::min(FOffsetY + RenderedHeight(), h);
  if (left >= right || top >= bottom) return;
  TCanvas* c = d->Tape.Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(Rect(int(left), int(top), int(right), int(bottom)));
  const int64_t col0 = (left - FOffsetX) / p, col1 = (right - 1 - FOffsetX) / p + 1;
  const int64_t row0 = (top - FOffsetY) / p, row1 = (bottom - 1 - FOffsetY) / p + 1;
  c->DrawDots(int(FOffsetX + col0 * p), int(FOffsetY + row0 * p), picture,
              Rect(int(col0), int(row0), int(col1), int(row1)), FPixelSize, int(p));
}

void TKvBanner::Paint() {
  const int64_t w = Width(), h = Height(), p = Pitch();
  const std::array<int64_t, 11> inputs = FaceInputs();
  const int64_t dx = FOffsetX - d->FaceOffsetX;
  if (d->Tape.Keep(w, h, p, Image()->DeviceScale())) {
    // The kept face serves as it is while nothing moved, and a step across by one pitch moves
    // the window; anything else draws the face afresh, its window at the end of the tape it
    // moves away from.
    const bool kept = d->FaceKept && !d->Tape.Fresh() && inputs == d->FaceInputs;
    if (kept && (dx == p || dx == -p) && d->Tape.Room() >= p) {
      d->Tape.Scroll(dx);
      DrawPicture(dx);
    } else if (!kept || dx != 0) {
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
