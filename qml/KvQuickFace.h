// The control's face as an item's texture shows it, kept in device pixels and brought up to
// date from the control's window only where the control painted.
#pragma once

#include <QImage>
#include <QRect>

#include <array>

namespace kv::qml {

class FaceImages {
public:
  // Tells that the control painted Area (device pixels of the face).
  void Painted(const QRect& area);
  // The face, up to date from the pixels of Window at Area (device pixels, Ratio to the
  // control's logical pixels). The image returned before this one is free again: a texture
  // made from it must be gone by the next call.
  const QImage& Take(const QImage& window, const QRect& area, qreal ratio);

private:
  // Two images in turn, so that the one written is never the one a texture holds (writing
  // that one would copy it whole first). Each lacks what the control painted since it was
  // last taken.
  std::array<QImage, 2> FImages;
  std::array<QRect, 2> FStale;
  size_t FLast = 0;
};

}  // namespace kv::qml
