#include "KvProgressBar.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QPointer>

#include <algorithm>

using kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvProgressBar>();

// An end that would not keep MaxValue above MinValue is refused; a position left outside
// moves through SetPosition; loading takes values as they come and Loaded settles them.
constexpr kv::RangePolicy kRange{kv::CrossedEnd::Refuse, kv::PositionFollow::Setter, true};
constexpr kv::RangeSignals<TKvProgressBar, int> kSignals{&TKvProgressBar::MinValueChanged,
                                                         &TKvProgressBar::MaxValueChanged,
                                                         &TKvProgressBar::PositionChanged};

int Clamp64(int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Copies Dest's area from Source at Origin unscaled, as a plain copy through the canvas
// would: by rows when both lie inside their pictures (every block of a bar does), through
// the canvas otherwise.
void CopyBlock(TCanvas* canvas, TBitmap* target, const TRect& dest, const TBitmap* source,
               TPoint origin) {
  const int64_t w = int64_t(dest.Right) - dest.Left, h = int64_t(dest.Bottom) - dest.Top;
  if (w <= 0 || h <= 0) return;
  const bool inside = dest.Left >= 0 && dest.Top >= 0 && dest.Right <= target->Width() &&
                      dest.Bottom <= target->Height() && origin.X >= 0 && origin.Y >= 0 &&
                      origin.X + w <= source->Width() && origin.Y + h <= source->Height();
  if (!inside || canvas->CopyMode() != TCopyMode::cmSrcCopy) {
    canvas->CopyRect(dest, source->Canvas(),
                     Rect(origin.X, origin.Y, Clamp64(origin.X + w), Clamp64(origin.Y + h)));
    return;
  }
  kv::CopyRows(target, {dest.Left, dest.Top}, source->Image(),
               Rect(origin.X, origin.Y, int(origin.X + w), int(origin.Y + h)));
}

}  // namespace

struct TKvProgressBar::Private {
  // The cleared image with the bevel: a new position only copies other blocks.
  TKvFaceBase Face;
};

TKvProgressBar::TKvProgressBar(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBevel(std::make_unique<TKvBevel>()),
      FBitmap(std::make_unique<TBitmap>()),
      FFillImage(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csOpaque) &
                  ~TControlStyle(TControlStyleFlag::csSetCaption));
  FBevel->SetInnerStyle(TKvBevelStyle::bsNone);
  FBevel->SetInnerSpace(0);
  FBevel->SetOuterStyle(TKvBevelStyle::bsLowered);
  FBevel->SetOuterOutline(TKvBevelOutlineStyle::osNone);
  SetParentColor(false);
  SetColor(clBlack);
  SetBounds(0, 0, 200, 16);
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { UpdateControl(); });
  connect(FBitmap.get(), &TBitmap::OnChange, this, [this](TObject*) {
    if (FFillType == TKvProgressBarFill::pfBitmap) FFillDirty = true;
    UpdateControl();
  });
}

TKvProgressBar::~TKvProgressBar() = default;

void TKvProgressBar::SetMaxValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Max, v, kSignals);
}

void TKvProgressBar::SetMinValue(int v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Min, v, kSignals);
}

void TKvProgressBar::SetPosition(int v) {
  const int before = FRange.Position;
  if (!kv::TakePosition<kRange>(FRange, v, IsLoading())) return;
  RepaintFill(before);
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit PositionChanged(FRange.Position); });
}

int64_t TKvProgressBar::Filled(int position, int64_t extent) const {
  return std::clamp<int64_t>(PercentToValue(kv::PercentOfRange(int64_t(position) - FRange.Min,
                                                               int64_t(FRange.Max) - FRange.Min),
                                            int(extent)),
                             0, extent);
}

void TKvProgressBar::RepaintFill(int before) {
  // The area inside the bevel must be the one the last frame was drawn with.
  TRect bar = ClientRect();
  FBevel->GetVisibleArea(bar);
  if (bar != FFaceBar) return UpdateControl();
  const int64_t L = bar.Left, T = bar.Top, R = bar.Right, B = bar.Bottom;
  const bool horizontal = FOrientation == TKvOrientation::voHorizontal;
  const int64_t extent = std::max<int64_t>(horizontal ? R - L : B - T, 0);
  const int64_t a = Filled(before, extent), b = Filled(FRange.Position, extent);
  // Only blocks that start between the two ends change; a block reaches one block's width
  // (two thirds of the bar's thickness) beyond its start.
  const int64_t block = (horizontal ? B - T : R - L) / 3 * 2 + 2;
  const int64_t from = std::min(a, b) - 1, to = std::max(a, b) + block;
  const auto side = [](int64_t v) { return kv::SaturateToInt(v); };
  if (horizontal) UpdateControlRect(TRect{side(L + from), 0, side(L + to), Height()});
  else UpdateControlRect(TRect{0, side(B - to), Width(), side(B - from)});
}

void TKvProgressBar::SetStartColor(TColor v) {
  if (!SetIfChanged(FStartColor, v)) return;
  FillChanged();
  Tell(this, &TKvProgressBar::StartColorChanged);
}

void TKvProgressBar::SetEndColor(TColor v) {
  if (!SetIfChanged(FEndColor, v)) return;
  FillChanged();
  Tell(this, &TKvProgressBar::EndColorChanged);
}

void TKvProgressBar::SetSmooth(bool v) {
  if (SetIfChanged(FSmooth, v)) UpdateControl();
}

void TKvProgressBar::SetOrientation(TKvOrientation v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FOrientation, v)) return;
  FFillDirty = true;
  if (!IsLoading()) kv::TurnShape(this, v == TKvOrientation::voVertical);
  UpdateControl();
}

void TKvProgressBar::SetFillType(TKvProgressBarFill v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FFillType, v)) FillChanged();
}

void TKvProgressBar::Loaded() {
  TKvGraphicImageControl::Loaded();
  kv::SettleLoadedRange(FRange, 0, 100);
  FillChanged();
}

void TKvProgressBar::CMSysColorChange() {
  TKvGraphicImageControl::CMSysColorChange();
  FillChanged();
}

void TKvProgressBar::FillChanged() {
  FFillDirty = true;
  UpdateControl();
}

void TKvProgressBar::BuildFill(const TRect& bar) {
  // A bevel wider than the control leaves no area: the picture is then empty.
  const int w = kv::SaturateToInt(std::max<int64_t>(int64_t(bar.Right) - bar.Left, 0));
  const int h = kv::SaturateToInt(std::max<int64_t>(int64_t(bar.Bottom) - bar.Top, 0));
  if (!FFillDirty && FFillImage->Width() == w && FFillImage->Height() == h) return;
  FFillImage->SetSize(w, h);
  FFillDirty = false;
  if (w == 0 || h == 0) return;
  TCanvas* c = FFillImage->Canvas();
  const TRect all = Rect(0, 0, w, h);
  const bool tile = FFillType == TKvProgressBarFill::pfBitmap && !FBitmap->Empty();
  if (FFillType == TKvProgressBarFill::pfGradient) {
    if (FOrientation == TKvOrientation::voHorizontal)
      GradientFill(c, all, FStartColor, FEndColor, 1, 1);
    else GradientFill(c, all, FEndColor, FStartColor, 0, 1);
  } else if (tile) {
    TileBitmap(c, all, FBitmap.get());
  } else {
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(clHighlight);
    c->FillRect(all);
  }
}

void TKvProgressBar::Paint() {
  TCanvas* canvas = BitmapCanvas();
  TRect bar = ClientRect();
  TKvLayerKey key;
  key << FBevel.get();
  kv::ClearWithBase(ImageClear(), d->Face, key, [&] {
    FBevel->Paint(canvas, bar);
    FFaceBar = bar;
  });
  bar = FFaceBar;
  BuildFill(bar);
  const int64_t L = bar.Left, T = bar.Top, R = bar.Right, B = bar.Bottom;
  const bool horizontal = FOrientation == TKvOrientation::voHorizontal;
  const int64_t extent = std::max<int64_t>(horizontal ? R - L : B - T, 0);
  const int64_t filled = Filled(FRange.Position, extent);
  // A partial repaint leaves the blocks outside its rectangle as the last frame drew them.
  const TRect& paint = PaintRect();
  const TCanvas* fill = FFillImage->Canvas();
  if (horizontal) {
    const int64_t w = (B - T) / 3 * 2;
    // Blocks of width w - 2 <= 0 cover no pixel.
    if (!FSmooth && w <= 2) return TKvGraphicImageControl::Paint();
    int64_t left = L + 1, right = FSmooth ? L + filled : L + w - 1;
    while (left < L + filled) {
      if (right >= R) right = R - 1;
      const int64_t bw = right - left;
      if (bw > 0 && B - 1 > T + 1 && right > paint.Left && left < paint.Right)
        CopyBlock(canvas, Image(),
                  Rect(Clamp64(left), Clamp64(T + 1), Clamp64(right), Clamp64(B - 1)),
                  FFillImage.get(), TPoint(Clamp64(left - L), 0));
      left += bw + 2;
      right += bw + 2;
    }
  } else {
    const int64_t h = (R - L) / 3 * 2;
    if (!FSmooth && h <= 2) return TKvGraphicImageControl::Paint();
    int64_t top = FSmooth ? B - filled : B - h + 1, bottom = FSmooth ? B : B - 1;
    while (bottom > B - filled) {
      if (top <= T) top = T + 1;
      const int64_t bh = bottom - top;
      if (bh > 0 && R - 1 > L + 1 && bottom > paint.Top && top < paint.Bottom)
        canvas->CopyRect(
            Rect(Clamp64(L + 1), Clamp64(top), Clamp64(R - 1), Clamp64(bottom)), fill,
            Rect(0, Clamp64(top - T - 1), FFillImage->Width(), Clamp64(bottom - T - 1)));
      top -= bh + 2;
      bottom -= bh + 2;
    }
  }
  TKvGraphicImageControl::Paint();
}

// A pixel of bar inside the bevel.
QSize TKvProgressBar::minimumSizeHint() const {
  return kv::LeastSizeHint(1, 1, kv::BevelInset(FBevel.get()));
}
