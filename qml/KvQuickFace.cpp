#include "KvQuickFace.h"

#include <cstdint>

namespace kv::qml {

namespace {

// Copies Source's pixels at From into Target at To, opaque: the canvas leaves the unused byte
// of its RGB32 pixels as it finds it, and a texture may take it for alpha.
void CopyOpaque(const QImage& source, const QRect& from, QImage& target, const QPoint& to) {
  if (source.depth() != 32) {
    const QImage converted = source.copy(from).convertToFormat(QImage::Format_RGB32);
    CopyOpaque(converted, converted.rect(), target, to);
    return;
  }
  for (int y = 0; y < from.height(); ++y) {
    const auto* in = reinterpret_cast<const uint32_t*>(source.constScanLine(from.y() + y)) + from.x();
    auto* out = reinterpret_cast<uint32_t*>(target.scanLine(to.y() + y)) + to.x();
    for (int x = 0; x < from.width(); ++x) out[x] = in[x] | 0xFF000000u;
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
