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
// what form descriptions hold. While it holds the built-in picture's pixels (loaded here or
// read back from a form description), the control draws the picture's version for its
// scale instead, with the property's transparent colour; any other picture is drawn as it
// is.
class KV_EXPORT TKvBuiltInPicture {
public:
  explicit TKvBuiltInPicture(QString name) : FName(std::move(name)) {}
  // Loads the built-in picture into the property.
  void LoadInto(TBitmap& property) const { property.LoadFromResourceName(FName); }
  // What to draw for the property at `scale`.
  const TBitmap* Shown(const TBitmap& property, int scale);

private:
  // Whether the property holds the built-in picture, compared once per change of it.
  bool HoldsBuiltIn(const TBitmap& property);

  QString FName;
  TBitmap FOne;  // the built-in picture at 1x, loaded on the first comparison
  const TBitmap* FChecked = nullptr;
  uint64_t FCheckedStamp = 0;
  bool FBuiltIn = false;
  TBitmap FScaled;
};

}  // namespace kv
