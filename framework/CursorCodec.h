// Windows cursor files (.cur): a directory of images, each with its hot spot, each a
// device-independent bitmap holding a colour image and, below it, a 1-bit AND mask.
#pragma once

#include "KvExport.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>

#include <cstdint>
#include <span>

namespace kv::cur {

struct KV_EXPORT Cursor {
  QImage image;  // ARGB32: the pixels the AND mask removes are transparent
  QPoint hotSpot;
};

// Reads the 32 x 32 image of a cursor file, or its first image when it has none of that
// size. Raises EInvalidGraphic naming the check that failed; the embedded bitmap is
// checked as the BMP reader checks one.
KV_EXPORT Cursor Decode(std::span<const uint8_t> file);

// A cursor file of one black-and-white image (1 to 256 pixels each way): pixels with an
// alpha below 128 are transparent, the others black or white by their grey level.
KV_EXPORT QByteArray Encode(const QImage& image, QPoint hotSpot);

}  // namespace kv::cur
