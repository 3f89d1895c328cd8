#include "CursorCodec.h"

#include "BmpCodec.h"
#include "SysUtils.h"

#include <QRect>
#include <QtEndian>

#include <vector>

namespace kv::cur {
namespace {

constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;
constexpr int kCursorType = 2;
constexpr int kLargestSide = 256;
constexpr uint32_t kBlackAndWhite[] = {0xFF000000u, 0xFFFFFFFFu};

[[noreturn]] void Fail(const QString& why) {
  throw EInvalidGraphic(QStringLiteral("Cursor is not valid: %1").arg(why));
}

uint16_t U16(std::span<const uint8_t> d, int64_t at) {
  return qFromLittleEndian<uint16_t>(d.data() + at);
}
uint32_t U32(std::span<const uint8_t> d, int64_t at) {
  return qFromLittleEndian<uint32_t>(d.data() + at);
}

int ChooseEntry(std::span<const uint8_t> file, int count) {
  for (int i = 0; i < count; ++i) {
    const auto entry = file.subspan(size_t(kDirectorySize + kEntrySize * i), kEntrySize);
    if (entry[0] == 32 && entry[1] == 32) return i;
  }
  return 0;
}

// Transparent where the AND mask's bit is set.
void ApplyMask(QImage& image, std::span<const uint8_t> mask) {
  const int64_t stride = bmp::Stride(image.width(), 1);
  for (int y = 0; y < image.height(); ++y) {
    const uint8_t* bits = mask.data() + (image.height() - 1 - y) * stride;
    auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (bits[x / 8] & (0x80 >> (x % 8))) line[x] = 0;
  }
}

QImage DecodeImage(std::span<const uint8_t> dib) {
  if (dib.size() >= 4 && dib[0] == 0x89 && dib[1] == 'P' && dib[2] == 'N' && dib[3] == 'G')
    Fail(QStringLiteral("PNG images are not supported"));
  bmp::DibInfo info = bmp::ReadDibInfo(dib);
  if (info.compression != bmp::BI_RGB || info.topDown || info.height % 2 != 0)
    Fail(QStringLiteral("the image is not an uncompressed bottom-up colour image above its mask"));
  info.height /= 2;
  const std::vector<uint32_t> table = bmp::ReadColorTable(dib, info);
  const auto pixels = dib.subspan(size_t(info.tableEnd));
  QImage image = bmp::DecodePixels(pixels, info, table).convertToFormat(QImage::Format_ARGB32);
  const int64_t maskAt = bmp::Stride(info.width, info.bitsPerPixel) * info.height;
  if (maskAt + bmp::Stride(info.width, 1) * info.height > int64_t(pixels.size()))
    Fail(QStringLiteral("the AND mask runs past the end of the image"));
  ApplyMask(image, pixels.subspan(size_t(maskAt)));
  return image;
}

bool IsTransparent(QRgb px) { return qAlpha(px) < 128; }

QImage ColourPlane(const QImage& argb) {
  QImage colours(argb.size(), QImage::Format_RGB32);
  for (int y = 0; y < argb.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    auto* dst = reinterpret_cast<QRgb*>(colours.scanLine(y));
    for (int x = 0; x < argb.width(); ++x)
      dst[x] =
          !IsTransparent(src[x]) && qGray(src[x]) >= 128 ? kBlackAndWhite[1] : kBlackAndWhite[0];
  }
  return colours;
}

QByteArray MaskRows(const QImage& argb) {
  const int64_t stride = bmp::Stride(argb.width(), 1);
  QByteArray mask(qsizetype(stride * argb.height()), '\0');
  for (int y = 0; y < argb.height(); ++y) {
    auto* bits = reinterpret_cast<uint8_t*>(mask.data()) + (argb.height() - 1 - y) * stride;
    const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x)
      if (IsTransparent(src[x])) bits[x / 8] |= uint8_t(0x80 >> (x % 8));
  }
  return mask;
}

}  // namespace

Cursor Decode(std::span<const uint8_t> file) {
  const int64_t size = int64_t(file.size());
  if (size < kDirectorySize) Fail(QStringLiteral("the directory is truncated"));
  if (U16(file, 0) != 0 || U16(file, 2) != kCursorType)
    Fail(QStringLiteral("the file is not a cursor"));
  const int count = U16(file, 4);
  if (count == 0) Fail(QStringLiteral("the file holds no image"));
  if (kDirectorySize + int64_t(kEntrySize) * count > size)
    Fail(QStringLiteral("the directory of %1 images runs past the end of the file").arg(count));
  const auto entry =
      file.subspan(size_t(kDirectorySize + kEntrySize * ChooseEntry(file, count)), kEntrySize);
  const int64_t bytes = U32(entry, 8);
  const int64_t offset = U32(entry, 12);
  if (offset + bytes > size) Fail(QStringLiteral("the image runs past the end of the file"));
  Cursor cursor;
  cursor.image = DecodeImage(file.subspan(size_t(offset), size_t(bytes)));
  cursor.hotSpot = QPoint(U16(entry, 4), U16(entry, 6));
  if (!cursor.image.rect().contains(cursor.hotSpot))
    Fail(QStringLiteral("the hot spot lies outside the image"));
  return cursor;
}

QByteArray Encode(const QImage& image, QPoint hotSpot) {
  if (image.width() < 1 || image.height() < 1 || image.width() > kLargestSide ||
      image.height() > kLargestSide)
    throw EInvalidGraphic(
        QStringLiteral("A cursor image is 1 to %1 pixels wide and high").arg(kLargestSide));
  if (!image.rect().contains(hotSpot))
    throw EInvalidGraphic(QStringLiteral("The hot spot lies outside the cursor image"));
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  QByteArray dib = *bmp::EncodeIndexedDib(ColourPlane(argb), 1, kBlackAndWhite);
  const QByteArray mask = MaskRows(argb);
  // The info header's height and image size cover the colour rows and the mask below them.
  qToLittleEndian<uint32_t>(uint32_t(2 * argb.height()), dib.data() + 8);
  qToLittleEndian<uint32_t>(
      qFromLittleEndian<uint32_t>(dib.constData() + 20) + uint32_t(mask.size()), dib.data() + 20);
  dib.append(mask);

  QByteArray out;
  bmp::AppendUint16(out, 0);
  bmp::AppendUint16(out, kCursorType);
  bmp::AppendUint16(out, 1);
  out.append(char(argb.width() & 0xFF));  // 256 is written as 0
  out.append(char(argb.height() & 0xFF));
  out.append(char(2));  // colours
  out.append(char(0));
  bmp::AppendUint16(out, uint16_t(hotSpot.x()));
  bmp::AppendUint16(out, uint16_t(hotSpot.y()));
  bmp::AppendUint32(out, uint32_t(dib.size()));
  bmp::AppendUint32(out, uint32_t(kDirectorySize + kEntrySize));
  out.append(dib);
  return out;
}

}  // namespace kv::cur
