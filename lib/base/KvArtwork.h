// Controls' built-in artwork at the device scale they are drawn at. Internal: not installed.
#pragma once

#include "ScaledResources.h"

#include <QString>

class QWidget;

namespace kv {

// The whole scale a widget is drawn at: its window's device pixel ratio, also before it
// is shown (the screen it will appear on).
KV_EXPORT int ArtworkScaleOf(const QWidget& widget);

// A picture property that starts as a built-in artwork. The property stays at 1x: it is
// what form descriptions hold. While it still holds the built-in picture unchanged, the
// control draws the picture's version for its scale instead; any other picture is drawn
// as it is.
class KV_EXPORT TKvBuiltInPicture {
public:
  explicit TKvBuiltInPicture(QString name) : FName(std::move(name)) {}
  // Loads the built-in picture into the property.
  void LoadInto(TBitmap& property);
  // What to draw for the property at `scale`.
  const TBitmap* Shown(const TBitmap& property, int scale);

private:
  QString FName;
  const TBitmap* FProperty = nullptr;
  uint64_t FLoadedStamp = 0;  // the property's change stamp right after loading
  TBitmap FScaled;
};

}  // namespace kv
