#include "KvLights.h"

#include "ClassRegistry.h"
#include "KvArtwork.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"

#include <QPointer>

using kv::Rect, kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvLights>();

// The resource code of each lamp type, in the enumeration's order.
const char* const kTypeCodes[] = {"RND", "RECT", "SQR", "DMD"};
const TKvLightsState kLamps[] = {TKvLightsState::lsGreen, TKvLightsState::lsYellow,
                                 TKvLightsState::lsRed};

bool OnlyLamps(TKvLightsStates v) { return (v & ~TKvLights::kAllLamps) == TKvLightsStates(); }

}  // namespace

struct TKvLights::Private {
  // Each lamp's cell of either strip, its transparent black left out: recorded once and
  // replayed at the lamp, instead of a keyed copy pixel by pixel every frame.
  std::array<TKvStaticLayer, 6> LampStamps;
  int Scale = 1;  // of the strips: the scale the control is drawn at
};

TKvLights::TKvLights(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FStripOff(std::make_unique<TBitmap>()),
      FStripOn(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 80, 45);
  SetColor(clBlack);
  SetParentColor(false);
  d->Scale = kv::ArtworkScaleOf(*this);
  LoadStrips();
}

TKvLights::~TKvLights() { BeginDestruction(); }

void TKvLights::LoadStrips() {
  const QString code = QString::fromLatin1(kTypeCodes[int(FLedType)]);
  kv::LoadResourceBitmap(*FStripOff, QStringLiteral("LIGHTS_%1_OFF").arg(code), d->Scale);
  kv::LoadResourceBitmap(*FStripOn, QStringLiteral("LIGHTS_%1_ON").arg(code), d->Scale);
  FCellWidth = FStripOff->Width() / 3;
  FCellHeight = FStripOff->Height();
}

void TKvLights::SetLedState(TKvLightsStates v) {
  if (!OnlyLamps(v) || !SetIfChanged(FLedState, v)) return;
  QPointer<TKvLights> self(this);
  UpdateControl();
  const kv::DispatchScope firing(this);
  if (self) emit OnChange(this);
}
void TKvLights::SetSpacing(int v) {
  if (SetIfChanged(FSpacing, v)) UpdateControl();
}
void TKvLights::SetOrder(TKvLightsOrder v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FOrder, v)) UpdateControl();
}
void TKvLights::SetOrientation(TKvOrientation v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FOrientation, v)) UpdateControl();
}
void TKvLights::SetLedsVisible(TKvLightsVisible v) {
  if (!OnlyLamps(v) || !SetIfChanged(FLedsVisible, v)) return;
  FVisibleCount = 0;
  for (TKvLightsState lamp : kLamps)
    if (FLedsVisible.testFlag(lamp)) ++FVisibleCount;
  UpdateControl();
}
void TKvLights::SetLedType(TKvLightsType v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FLedType, v)) return;
  LoadStrips();
  UpdateControl();
}

TPoint TKvLights::FirstLampOrigin() const {
  const int64_t n = FVisibleCount, w = FCellWidth, h = FCellHeight;
  const int64_t cw = ClientWidth(), ch = ClientHeight();
  if (FOrientation == TKvOrientation::voHorizontal)
    return TPoint(SaturateToInt((cw - (n * w + (n - 1) * FSpacing)) / 2),
                  SaturateToInt((ch - h) / 2));
  return TPoint(SaturateToInt((cw - w) / 2),
                SaturateToInt((ch - (n * h + (n - 1) * FSpacing)) / 2));
}

void TKvLights::Paint() {
  ClearBitmapCanvas();
  TCanvas* c = BitmapCanvas();
  if (c->DeviceScale() != d->Scale) {  // shown on a screen of another ratio
    d->Scale = c->DeviceScale();
    LoadStrips();
  }
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  const bool horizontal = FOrientation == TKvOrientation::voHorizontal;
  const TPoint origin = FirstLampOrigin();
  int64_t x = origin.X, y = origin.Y;
  const int64_t stepX = horizontal ? int64_t(FCellWidth) + FSpacing : 0;
  const int64_t stepY = horizontal ? 0 : int64_t(FCellHeight) + FSpacing;
  for (int i = 0; i < 3; ++i) {
    const int k = FOrder == TKvLightsOrder::loGreenToRed ? i : 2 - i;
    if (!FLedsVisible.testFlag(kLamps[k])) continue;
    const TBitmap* strip = FLedState.testFlag(kLamps[k]) ? FStripOn.get() : FStripOff.get();
    // Lamps pushed beyond the coordinate range by a huge spacing cannot show.
    if (x > -FCellWidth && x < Width() && y > -FCellHeight && y < Height() && FCellWidth > 0 &&
        FCellHeight > 0) {
      const bool on = FLedState.testFlag(kLamps[k]);
      TKvLayerKey key;
      key << strip << FCellWidth << FCellHeight;
      d->LampStamps[size_t(2 * k + (on ? 1 : 0))].Stamp(
          Image(), key, TSize{FCellWidth, FCellHeight},
          [&](TCanvas* cell) {
            cell->Brush()->SetStyle(TBrushStyle::bsClear);
            cell->BrushCopy(Rect(0, 0, FCellWidth, FCellHeight), strip,
                            Rect(k * FCellWidth, 0, (k + 1) * FCellWidth, FCellHeight), clBlack);
          },
          TPoint(int(x), int(y)));
    }
    x += stepX;
    y += stepY;
  }
  TKvGraphicImageControl::Paint();
}

// The shown lamps whole, apart by the spacing.
QSize TKvLights::minimumSizeHint() const {
  const int64_t n = FVisibleCount, spacing = std::max(FSpacing, 0);
  if (FOrientation == TKvOrientation::voHorizontal)
    return kv::LeastSizeHint(n * FCellWidth + (n - 1) * spacing, FCellHeight);
  return kv::LeastSizeHint(FCellWidth, n * FCellHeight + (n - 1) * spacing);
}
