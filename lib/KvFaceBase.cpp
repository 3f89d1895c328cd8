#include "KvFaceBase.h"

namespace kv {

void ClearWithBase(TBitmap* image, TColor color, TKvFaceBase& base, const TKvLayerKey& key,
                   const std::function<void()>& clear, const std::function<void()>& drawing) {
  if (!base.Matches(key, image)) {
    clear();
    drawing();
    base.Keep(key, image);
    return;
  }
  TCanvas* c = image->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  base.CopyTo(image);
}

}  // namespace kv
