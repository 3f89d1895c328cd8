// kv-fuzz-seeds DIR: writes small valid inputs for each fuzz target into DIR/<target>/.
#include "BmpCodec.h"
#include "CursorCodec.h"
#include "Graphics.h"
#include "KvClasses.h"
#include "KvFormShape.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdio>

using kv::GetRegionData;

namespace {

constexpr uint32_t kColours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
constexpr uint32_t kBlackWhite[] = {0xFF000000u, 0xFFFFFFFFu};

QImage Pattern(int w, int h, std::span<const uint32_t> colours) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, colours[size_t(x + y) % colours.size()]);
  return image;
}

void Put32(QByteArray& bytes, int at, uint32_t v) {
  qToLittleEndian<uint32_t>(v, bytes.data() + at);
}

// A 4 x 3 file at the depth, its rows replaced by run-length data.
QByteArray RunLength(int depth, uint32_t compression, const QByteArray& data) {
  QByteArray file = *kv::bmp::EncodeIndexed(Pattern(4, 3, kColours), depth, kColours);
  file.truncate(qFromLittleEndian<uint32_t>(file.constData() + 10));
  file += data;
  Put32(file, 2, uint32_t(file.size()));
  Put32(file, 30, compression);
  Put32(file, 34, uint32_t(data.size()));
  return file;
}

QByteArray TopDown(QByteArray file) {
  Put32(file, 22, uint32_t(-qFromLittleEndian<int32_t>(file.constData() + 22)));
  return file;
}

// The same rectangles in the opposite order: valid, but not banded.
QByteArray Reversed(QByteArray data) {
  const int count = qFromLittleEndian<int32_t>(data.constData() + 8);
  for (int i = 0; i < count / 2; ++i) {
    const QByteArray a = data.mid(32 + 16 * i, 16);
    data.replace(32 + 16 * i, 16, data.mid(32 + 16 * (count - 1 - i), 16));
    data.replace(32 + 16 * (count - 1 - i), 16, a);
  }
  return data;
}

QByteArray HandCursor() {
  QFile file(QStringLiteral(":/kv/res/KVCURSORHANDPOINT.cur"));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A bitmap list stream of the given files.
QByteArray BitmapList(std::initializer_list<QImage> images) {
  TKvBitmaps list;
  for (const QImage& image : images) {
    TBitmap bitmap;
    bitmap.SetSize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        bitmap.Canvas()->SetPixels(x, y, kv::PixelToColor(image.pixel(x, y)));
    list.Add(&bitmap);
  }
  TMemoryStream stream;
  list.SaveToStream(stream);
  return stream.Data();
}

// A form shape's stored block: the size, then the region data.
QByteArray RgnDataBlock(const QByteArray& regionData) {
  TKvRgnData block;
  block.SetBytes(regionData);
  TMemoryStream stream;
  block.SaveToStream(stream);
  return stream.Data();
}

bool Write(const QDir& root, const char* target, const char* name, const QByteArray& bytes) {
  QFile file(
      root.filePath(QStringLiteral("%1/%2").arg(QLatin1String(target), QLatin1String(name))));
  if (bytes.isEmpty() || !root.mkpath(QLatin1String(target)) ||
      !file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "kv-fuzz-seeds: cannot write %s/%s\n", target, name);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kv-fuzz-seeds DIR\n");
    return 2;
  }
  const QDir root(QString::fromLocal8Bit(argv[1]));
  const QByteArray fourBit = *kv::bmp::EncodeIndexed(Pattern(5, 3, kColours), 4, kColours);
  const QByteArray twentyFour = kv::bmp::Encode24(Pattern(3, 2, kColours));
  const TRegion bands(QRegion(0, 0, 4, 2) + QRegion(0, 2, 2, 3) + QRegion(6, 2, 2, 3));
  const std::pair<const char*, QByteArray> bmp[] = {
      {"mono.bmp", *kv::bmp::EncodeIndexed(Pattern(9, 3, kBlackWhite), 1, kBlackWhite)},
      {"4bit.bmp", fourBit},
      {"8bit.bmp", *kv::bmp::EncodeIndexed(Pattern(3, 3, kColours), 8, kColours)},
      {"24bit.bmp", twentyFour},
      {"topdown.bmp", TopDown(twentyFour)},
      {"two.bmp", fourBit + twentyFour},
      {"rle8.bmp", RunLength(8, kv::bmp::BI_RLE8,
                             QByteArray("\x02\x00\x02\x01\x00\x00\x00\x03\x01\x02\x03\x00\x00\x00"
                                        "\x00\x02\x01\x01\x00\x01",
                                        20))},
      {"rle4.bmp", RunLength(4, kv::bmp::BI_RLE4,
                             QByteArray("\x04\x12\x00\x00\x00\x04\x12\x30\x00\x00\x00\x02"
                                        "\x02\x00\x01\x33\x00\x01",
                                        18))},
  };
  const std::pair<const char*, QByteArray> cursor[] = {
      {"hand.cur", HandCursor()},
      {"small.cur", kv::cur::Encode(Pattern(5, 3, kColours), QPoint(2, 1))},
  };
  const std::pair<const char*, QByteArray> regionData[] = {
      {"empty.rgn", GetRegionData(TRegion())},
      {"rect.rgn", GetRegionData(TRegion(QRegion(3, 4, 10, 2)))},
      {"bands.rgn", GetRegionData(bands)},
      {"ellipse.rgn", GetRegionData(TRegion(QRegion(0, 0, 12, 9, QRegion::Ellipse)))},
      {"reversed.rgn", Reversed(GetRegionData(bands))},
  };
  const std::pair<const char*, QByteArray> bitmapList[] = {
      {"empty.kvb", BitmapList({})},
      {"two.kvb", BitmapList({Pattern(3, 2, kColours), Pattern(5, 1, kBlackWhite)})},
  };
  const std::pair<const char*, QByteArray> rgnDataBlock[] = {
      {"bands.rgd", RgnDataBlock(GetRegionData(bands))},
      {"rect.rgd", RgnDataBlock(GetRegionData(TRegion(QRegion(3, 4, 10, 2))))},
  };
  bool ok = true;
  for (const auto& [name, bytes] : bmp) ok = Write(root, "bmp", name, bytes) && ok;
  for (const auto& [name, bytes] : cursor) ok = Write(root, "cursor", name, bytes) && ok;
  for (const auto& [name, bytes] : regionData) ok = Write(root, "regiondata", name, bytes) && ok;
  for (const auto& [name, bytes] : bitmapList) ok = Write(root, "bitmaplist", name, bytes) && ok;
  for (const auto& [name, bytes] : rgnDataBlock)
    ok = Write(root, "rgndatablock", name, bytes) && ok;
  return ok ? 0 : 1;
}
