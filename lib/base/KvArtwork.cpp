#include "KvArtwork.h"

#include <QWidget>

namespace kv {

int ArtworkScaleOf(const QWidget& widget) { return DeviceScaleOf(widget.devicePixelRatioF()); }

bool TKvBuiltInPicture::HoldsBuiltIn(const TBitmap& property) {
  if (FChecked != &property || FCheckedStamp != property.ChangeStamp()) {
    if (FOne.Empty()) FOne.LoadFromResourceName(FName);
    FBuiltIn = property.DeviceScale() == 1 && property.Image() == FOne.Image();
    FChecked = &property;
    FCheckedStamp = property.ChangeStamp();
  }
  return FBuiltIn;
}

const TBitmap* TKvBuiltInPicture::Shown(const TBitmap& property, int scale) {
  if (scale == 1 || !HoldsBuiltIn(property)) return &property;
  if (FScaled.DeviceScale() != scale || FScaled.Empty()) LoadResourceBitmap(FScaled, FName, scale);
  FScaled.SetTransparentColor(property.TransparentMode() == TTransparentMode::tmFixed
                                  ? property.TransparentColor()
                                  : clDefault);
  return &FScaled;
}

}  // namespace kv
