#include "KvFaceBase.h"

#include <algorithm>
#include <cstring>

namespace kv {

void ClearWithBase(TBitmap* image, TColor color, TKvFaceBase& base, const TKvLayerKey& key,
                   const std::function<void()>& clear, const std::function<void()>& drawing,
                   const TRect* within) {
  if (!base.Matches(key, image)) {
    clear();
    drawing();
    base.Keep(key, image);
    return;
  }
  TCanvas* c = image->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  if (within) base.CopyTo(image, *within);
  else base.CopyTo(image);
}

void CopyRows(TBitmap* target, TPoint at, const QImage& source, const TRect& from) {
  const int64_t dx = int64_t(at.X) - from.Left, dy = int64_t(at.Y) - from.Top;
  // Only what both pictures hold: From may reach past a source that could not grow with it.
  const int64_t left = std::max<int64_t>({at.X, 0, dx}), top = std::max<int64_t>({at.Y, 0, dy});
  const int64_t right =
      std::min<int64_t>({int64_t(from.Right) + dx, target->Width(), source.width() + dx});
  const int64_t bottom =
      std::min<int64_t>({int64_t(from.Bottom) + dy, target->Height(), source.height() + dy});
  if (left >= right || top >= bottom) return;
  auto* to = reinterpret_cast<uchar*>(target->ScanLine(0));
  const qsizetype stride = target->Image().bytesPerLine();
  const uchar* bits = source.constBits();
  const qsizetype sourceStride = source.bytesPerLine();
  for (int64_t y = top; y < bottom; ++y)
    std::memcpy(to + y * stride + left * 4, bits + (y - dy) * sourceStride + (left - dx) * 4,
                size_t(right - left) * 4);
}

}  // namespace kv
