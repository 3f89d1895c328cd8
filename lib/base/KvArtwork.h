// Controls' built-in artwork at the device scale they are drawn at. Internal: not installed.
#pragma once

#include "ScaledResources.h"

#include <QString>

class QWidget;

namespace kv {

// The whole scale a widget is drawn at: its window's device pixel ratio, also before it
// is shown (the screen it will appear on).
KV_EXPORT int ArtworkScaleOf(const QWidget& widget);

// A picture property drawn at the device scale. The property stays at 1x: it is what form
// descriptions hold. While it holds the 1x pixels of a bitmap resource that comes at larger
// scales too (its built-in picture, or one a form names, loaded by name or read back from a
// form description), the control draws that resource's version for its scale instead, with
// the property's transparent colour; any other picture is drawn as it is.
class KV_EXPORT TKvScaledPicture {
public:
  // `builtIn`: the resource the property starts as (none: it starts empty).
  explicit TKvScaledPicture(QString builtIn = {}) : FBuiltIn(std::move(builtIn)) {}
  // Loads the built-in picture into the property.
  void LoadInto(TBitmap& property) const { property.LoadFromResourceName(FBuiltIn); }
  // What to draw for the property at `scale`.
  const TBitmap* Shown(const TBitmap& property, int scale);

private:
  // The resource the property holds (empty: none), found once per change of it.
  const QString& ResourceHeld(const TBitmap& property);

  QString FBuiltIn;
  const TBitmap* FChecked = nullptr;
  uint64_t FCheckedStamp = 0;
  QString FHeld;
  TBitmap FScaled;  // the held resource's version for the last scale drawn
  QString FScaledName;
};

}  // namespace kv
