#include "KvArtwork.h"

#include <QWidget>

namespace kv {

int ArtworkScaleOf(const QWidget& widget) { return DeviceScaleOf(widget.devicePixelRatioF()); }

const QString& TKvScaledPicture::ResourceHeld(const TBitmap& property) {
  if (FChecked != &property || FCheckedStamp != property.ChangeStamp()) {
    FHeld = ResourceNameHeldBy(property);
    FChecked = &property;
    FCheckedStamp = property.ChangeStamp();
  }
  return FHeld;
}

const TBitmap* TKvScaledPicture::Shown(const TBitmap& property, int scale) {
  if (scale == 1) return &property;
  const QString& name = ResourceHeld(property);
  if (name.isEmpty()) return &property;
  if (FScaled.DeviceScale() != scale || FScaled.Empty() || FScaledName != name) {
    LoadResourceBitmap(FScaled, name, scale);
    FScaledName = name;
  }
  FScaled.SetTransparentColor(property.TransparentMode() == TTransparentMode::tmFixed
                                  ? property.TransparentColor()
                                  : clDefault);
  return &FScaled;
}

}  // namespace kv
