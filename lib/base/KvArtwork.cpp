#include "KvArtwork.h"

#include <QWidget>

namespace kv {

int ArtworkScaleOf(const QWidget& widget) { return DeviceScaleOf(widget.devicePixelRatioF()); }

void TKvBuiltInPicture::LoadInto(TBitmap& property) {
  property.LoadFromResourceName(FName);
  FProperty = &property;
  FLoadedStamp = property.ChangeStamp();
}

const TBitmap* TKvBuiltInPicture::Shown(const TBitmap& property, int scale) {
  const bool builtIn = FProperty == &property && property.ChangeStamp() == FLoadedStamp;
  if (!builtIn || scale == 1) return &property;
  if (FScaled.DeviceScale() != scale || FScaled.Empty()) LoadResourceBitmap(FScaled, FName, scale);
  return &FScaled;
}

}  // namespace kv
