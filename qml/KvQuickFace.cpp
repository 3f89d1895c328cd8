#include "KvQuickFace.h"

#include <cstdint>
#include <cstring>

namespace kv::qml {

namespace {

// Copies Source's pixels at From into Target at To, opaque: the canvas leaves the unused byte
// of its RGB32 pixels as it finds it, and a texture may take it for alpha. Four pixels at a
// step: the compiler keeps a plain loop to one pixel at a time at the level we build with.
void CopyOpaque(const QImage& source, const QRect& from, QImage& target, const QPoint& to) {
  if (source.depth() != 32) {
    const QImage converted = source.copy(from).convertToFormat(QImage::Format_RGB32);
    CopyOpaque(converted, converted.rect(), target, to);
    return;
  }
  using Quad = uint32_t __attribute__((vector_size(16)));
  const Quad opaque = {0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u};
  const int64_t width = from.width(), height = from.height();
  const qsizetype inStride = source.bytesPerLine(), outStride = target.bytesPerLine();
  const uchar* inRow = source.constBits() + from.y() * inStride + from.x() * 4;
  uchar* outRow = target.bits() + to.y() * outStride + to.x() * 4;
  for (int64_t y = 0; y < height; ++y, inRow += inStride, outRow += outStride) {
    int64_t x = 0;
    for (; width - x >= 4; x += 4) {
      Quad quad;
      std::memcpy(&quad, inRow + x * 4, sizeof quad);
      quad |= opaque;
      std::memcpy(outRow + x * 4, &quad, sizeof quad);
    }
    for (; x < width; ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, inRow + x * 4, sizeof pixel);
      pixel |= 0xFF000000u;
      std::memcpy(outRow + x * 4, &pixel, sizeof pixel);
    }
  }
}

}  // namespace

void FaceImages::Painted(const QRect& area) {
  for (QRect& stale : FStale) stale |= area;
}

const QImage& FaceImages::Take(const QImage& window, const QRect& area, qreal ratio) {
  const size_t next = 1 - FLast;
  QImage& face = FImages[next];
  if (face.size() != area.size() || face.devicePixelRatio() != ratio) {
    face = QImage(area.size(), QImage::Format_RGB32);
    face.setDevicePixelRatio(ratio);
    FStale[next] = face.rect();
  }
  const QRect stale = FStale[next] & face.rect();
  if (!stale.isEmpty()) CopyOpaque(window, stale.translated(area.topLeft()), face, stale.topLeft());
  FStale[next] = QRect();
  FLast = next;
  return face;
}

}  // namespace kv::qml
