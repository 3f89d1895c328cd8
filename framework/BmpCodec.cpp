#include "BmpCodec.h"

#include "Graphics.h"
#include "SysUtils.h"

#include <QtEndian>

#include <bit>
#include <cstdlib>
#include <limits>
#include <unordered_map>

namespace kv::bmp {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr int kCoreHeaderSize = 12;
constexpr int kV4HeaderSize = 108;
constexpr int kV5HeaderSize = 124;

// Callers check the bounds first.
uint16_t U16(std::span<const uint8_t> d, int64_t at) {
  return qFromLittleEndian<uint16_t>(d.data() + at);
}
uint32_t U32(std::span<const uint8_t> d, int64_t at) {
  return qFromLittleEndian<uint32_t>(d.data() + at);
}
int32_t I32(std::span<const uint8_t> d, int64_t at) {
  return qFromLittleEndian<int32_t>(d.data() + at);
}

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return kBlack | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

uint32_t Lookup(std::span<const uint32_t> table, uint32_t index) {
  return index < table.size() ? table[index] : kBlack;
}

bool IsSupported(int bitsPerPixel, uint32_t compression) {
  switch (compression) {
    case BI_RGB:
      return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
             bitsPerPixel == 24 || bitsPerPixel == 32;
    case BI_RLE8: return bitsPerPixel == 8;
    case BI_RLE4: return bitsPerPixel == 4;
    case BI_BITFIELDS: return bitsPerPixel == 16 || bitsPerPixel == 32;
    default: return false;
  }
}

bool IsRunLength(uint32_t compression) { return compression == BI_RLE8 || compression == BI_RLE4; }

// The pixels the images decoded under the outermost PixelBudgetScope may still take; -1
// outside any scope.
thread_local int64_t gBudgetLeft = -1;

void ChargeBudget(int64_t pixels) {
  if (gBudgetLeft < 0) return;
  if (pixels > gBudgetLeft)
    RaiseInvalid(QStringLiteral("its %1 pixels exceed the %2 left of the budget of %3 shared by "
                                "the images read together")
                     .arg(pixels)
                     .arg(gBudgetLeft)
                     .arg(kPixelBudget));
  gBudgetLeft -= pixels;
}

// Width and height as the header gives them; the height's sign tells the row order.
void CheckGeometry(DibInfo& info, int64_t width, int64_t height) {
  if (width <= 0) RaiseInvalid(QStringLiteral("the width %1 is not positive").arg(width));
  if (height == 0 || height <= std::numeric_limits<int32_t>::min())
    RaiseInvalid(QStringLiteral("the height %1 is out of range").arg(height));
  if (width * std::abs(height) > kPixelBudget)
    RaiseInvalid(QStringLiteral("%1 x %2 pixels exceed the budget of %3")
                     .arg(width)
                     .arg(std::abs(height))
                     .arg(kPixelBudget));
  ChargeBudget(width * std::abs(height));
  info.width = int(width);
  info.height = int(std::abs(height));
  info.topDown = height < 0;
}

void ReadMasks(DibInfo& info, std::span<const uint8_t> dib, int64_t headerSize) {
  if (info.compression == BI_BITFIELDS) {
    // A 40-byte header is followed by the three masks; later headers hold them at the same
    // offsets.
    if (headerSize == kInfoHeaderSize) {
      if (int64_t(dib.size()) < kInfoHeaderSize + 12)
        RaiseInvalid(QStringLiteral("the colour masks run past the end of the file"));
      info.tableOffset += 12;
    }
    info.masks = {U32(dib, 40), U32(dib, 44), U32(dib, 48)};
  } else if (info.bitsPerPixel == 16) {
    info.masks = {0x7C00u, 0x03E0u, 0x001Fu};
  } else if (info.bitsPerPixel == 32) {
    info.masks = {0xFF0000u, 0x00FF00u, 0x0000FFu};
  }
}

void LocateColorTable(DibInfo& info, int64_t dibSize, uint32_t colorsUsed) {
  if (info.bitsPerPixel <= 8) {
    const uint32_t most = 1u << info.bitsPerPixel;
    if (colorsUsed > most)
      RaiseInvalid(
          QStringLiteral("a colour table of %1 entries is more than %2 bits per pixel can index")
              .arg(colorsUsed)
              .arg(info.bitsPerPixel));
    info.tableEntries = int(colorsUsed ? colorsUsed : most);
  }
  info.tableEnd = info.tableOffset + int64_t(info.tableEntries) * info.tableEntrySize;
  if (info.tableEnd > dibSize)
    RaiseInvalid(QStringLiteral("the colour table runs past the end of the file"));
}

// A colour channel of 16- and 32-bit pixels, scaled to 8 bits.
class Channel {
public:
  explicit Channel(uint32_t mask)
      : FMask(mask),
        FShift(mask ? std::countr_zero(mask) : 0),
        FBits(mask ? std::bit_width(mask >> FShift) : 0) {}
  uint8_t Of(uint32_t pixel) const {
    if (FBits == 0) return 0;
    const uint32_t v = (pixel & FMask) >> FShift;
    return uint8_t(FBits >= 8 ? v >> (FBits - 8) : v * 255 / ((1u << FBits) - 1));
  }

private:
  uint32_t FMask;
  int FShift;
  int FBits;
};

class RowDecoder {
public:
  RowDecoder(const DibInfo& info, std::span<const uint32_t> table)
      : FInfo(info),
        FTable(table),
        FRed(info.masks[0]),
        FGreen(info.masks[1]),
        FBlue(info.masks[2]) {}

  void Decode(const uint8_t* src, uint32_t* dst) const {
    const int w = FInfo.width;
    switch (FInfo.bitsPerPixel) {
      case 16:
        for (int x = 0; x < w; ++x) dst[x] = FromMasks(qFromLittleEndian<uint16_t>(src + 2 * x));
        break;
      case 24:
        for (int x = 0; x < w; ++x) dst[x] = Rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
      case 32:
        for (int x = 0; x < w; ++x) dst[x] = FromMasks(qFromLittleEndian<uint32_t>(src + 4 * x));
        break;
      default: DecodeIndexed(src, dst); break;
    }
  }

private:
  uint32_t FromMasks(uint32_t v) const { return Rgb(FRed.Of(v), FGreen.Of(v), FBlue.Of(v)); }

  void DecodeIndexed(const uint8_t* src, uint32_t* dst) const {
    const int bpp = FInfo.bitsPerPixel;
    const unsigned valueMask = (1u << bpp) - 1;
    for (int x = 0; x < FInfo.width; ++x) {
      const int64_t bit = int64_t(x) * bpp;
      const int shift = 8 - bpp - int(bit % 8);
      dst[x] = Lookup(FTable, (src[bit / 8] >> shift) & valueMask);
    }
  }

  const DibInfo& FInfo;
  std::span<const uint32_t> FTable;
  Channel FRed, FGreen, FBlue;
};

QImage NewImage(const DibInfo& info) {
  QImage image(info.width, info.height, QImage::Format_RGB32);
  if (image.isNull())
    RaiseInvalid(QStringLiteral("no memory for %1 x %2 pixels").arg(info.width).arg(info.height));
  return image;
}

QImage DecodeRows(std::span<const uint8_t> data, const DibInfo& info,
                  std::span<const uint32_t> table) {
  const int64_t stride = Stride(info.width, info.bitsPerPixel);
  if (stride * info.height > int64_t(data.size()))
    RaiseInvalid(QStringLiteral("%1 rows of %2 bytes need more than the %3 bytes of pixel data")
                     .arg(info.height)
                     .arg(stride)
                     .arg(data.size()));
  QImage image = NewImage(info);
  const RowDecoder decoder(info, table);
  for (int row = 0; row < info.height; ++row) {
    const int y = info.topDown ? row : info.height - 1 - row;
    decoder.Decode(data.data() + row * stride, reinterpret_cast<uint32_t*>(image.scanLine(y)));
  }
  return image;
}

class RunLengthReader {
public:
  explicit RunLengthReader(std::span<const uint8_t> data) : FData(data) {}
  uint8_t Next() {
    if (FPos >= FData.size())
      RaiseInvalid(QStringLiteral("the run-length data ends before the end-of-bitmap code"));
    return FData[FPos++];
  }

private:
  std::span<const uint8_t> FData;
  size_t FPos = 0;
};

// Writes the pixels of run-length data bottom-up; pixels past the right edge are dropped,
// skipped pixels stay black, and decoding ends at the end-of-bitmap code or the top row.
class RunLengthDecoder {
public:
  RunLengthDecoder(QImage& image, const DibInfo& info, std::span<const uint32_t> table)
      : FBits(image.bits()), FBytesPerLine(image.bytesPerLine()), FInfo(info), FTable(table) {}

  void Decode(std::span<const uint8_t> data) {
    RunLengthReader in(data);
    while (FY < FInfo.height) {
      const uint8_t count = in.Next();
      const uint8_t value = in.Next();
      if (count > 0) {
        for (int i = 0; i < count; ++i) Put(Nibbles() ? Nibble(value, i) : value);
      } else if (value == 0) {  // end of line
        FX = 0;
        ++FY;
      } else if (value == 1) {  // end of bitmap
        return;
      } else if (value == 2) {  // delta
        FX += in.Next();
        FY += in.Next();
      } else {
        Absolute(in, value);
      }
    }
  }

private:
  bool Nibbles() const { return FInfo.compression == BI_RLE4; }
  static uint8_t Nibble(uint8_t byte, int i) { return i % 2 == 0 ? byte >> 4 : byte & 0x0F; }

  // A run of literal indices, padded to a 16-bit boundary.
  void Absolute(RunLengthReader& in, int count) {
    const int bytes = Nibbles() ? (count + 1) / 2 : count;
    uint8_t byte = 0;
    for (int i = 0; i < count; ++i) {
      if (!Nibbles() || i % 2 == 0) byte = in.Next();
      Put(Nibbles() ? Nibble(byte, i) : byte);
    }
    if (bytes % 2 != 0) in.Next();
  }

  void Put(uint8_t index) {
    if (FX < FInfo.width) {
      auto* line = reinterpret_cast<uint32_t*>(FBits + (FInfo.height - 1 - FY) * FBytesPerLine);
      line[FX] = Lookup(FTable, index);
    }
    ++FX;
  }

  uchar* FBits;
  int64_t FBytesPerLine;
  const DibInfo& FInfo;
  std::span<const uint32_t> FTable;
  int64_t FX = 0;
  int64_t FY = 0;  // rows from the bottom
};

// ---------------------------------------------------------------------------
// Writing

class ColorIndex {
public:
  explicit ColorIndex(std::span<const uint32_t> table) {
    for (size_t i = 0; i < table.size(); ++i) FIndex.emplace(table[i] | kBlack, uint8_t(i));
  }
  std::optional<uint8_t> Find(uint32_t pixel) {
    pixel |= kBlack;
    if (pixel == FLastPixel) return FLastIndex;
    const auto it = FIndex.find(pixel);
    if (it == FIndex.end()) return std::nullopt;
    FLastPixel = pixel;
    FLastIndex = it->second;
    return FLastIndex;
  }

private:
  std::unordered_map<uint32_t, uint8_t> FIndex;
  uint32_t FLastPixel = 0;  // never a pixel: pixels carry the alpha byte
  uint8_t FLastIndex = 0;
};

QImage WritableImage(const QImage& image) {
  if (image.width() <= 0 || image.height() <= 0)
    throw EInvalidGraphic(QStringLiteral("An empty bitmap cannot be saved"));
  if (int64_t(image.width()) * image.height() > kPixelBudget)
    throw EInvalidGraphic(QStringLiteral("A bitmap of %1 x %2 pixels is too large to save")
                              .arg(image.width())
                              .arg(image.height()));
  return image.format() == QImage::Format_RGB32 ? image
                                                : image.convertToFormat(QImage::Format_RGB32);
}

// The info header and colour table, followed by zeroed rows; returns where the rows begin.
qsizetype StartDib(QByteArray& out, const QImage& image, int bitsPerPixel,
                   std::span<const uint32_t> table) {
  const int64_t imageSize = Stride(image.width(), bitsPerPixel) * image.height();
  AppendUint32(out, kInfoHeaderSize);
  AppendUint32(out, uint32_t(image.width()));
  AppendUint32(out, uint32_t(image.height()));  // positive: bottom-up
  AppendUint16(out, 1);
  AppendUint16(out, uint16_t(bitsPerPixel));
  AppendUint32(out, BI_RGB);
  AppendUint32(out, uint32_t(imageSize));
  AppendUint32(out, 0);
  AppendUint32(out, 0);
  AppendUint32(out, uint32_t(table.size()));
  AppendUint32(out, 0);
  for (uint32_t entry : table) AppendUint32(out, entry & 0x00FFFFFFu);  // B, G, R, 0
  const qsizetype rows = out.size();
  out.append(qsizetype(imageSize), '\0');
  return rows;
}

uint8_t* Row(QByteArray& out, qsizetype rows, const QImage& image, int bitsPerPixel, int y) {
  const int64_t stride = Stride(image.width(), bitsPerPixel);
  return reinterpret_cast<uint8_t*>(out.data() + rows) + (image.height() - 1 - y) * stride;
}

QByteArray Encode24Dib(const QImage& image) {
  QByteArray out;
  const qsizetype rows = StartDib(out, image, 24, {});
  for (int y = 0; y < image.height(); ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
    uint8_t* dst = Row(out, rows, image, 24, y);
    for (int x = 0; x < image.width(); ++x) {
      dst[3 * x] = uint8_t(src[x]);
      dst[3 * x + 1] = uint8_t(src[x] >> 8);
      dst[3 * x + 2] = uint8_t(src[x] >> 16);
    }
  }
  return out;
}

QByteArray WithFileHeader(const QByteArray& dib, int64_t headerAndTableSize) {
  QByteArray out;
  out.reserve(kFileHeaderSize + dib.size());
  out.append("BM", 2);
  AppendUint32(out, uint32_t(kFileHeaderSize + dib.size()));
  AppendUint32(out, 0);  // two reserved words
  AppendUint32(out, uint32_t(kFileHeaderSize + headerAndTableSize));
  out.append(dib);
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------

void RaiseInvalid(const QString& why) {
  throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid: %1").arg(why));
}

int64_t DeclaredFileSize(std::span<const uint8_t> fileHeader) {
  if (fileHeader.size() < size_t(kFileHeaderSize))
    RaiseInvalid(QStringLiteral("the file header is truncated"));
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
    RaiseInvalid(QStringLiteral("the signature is not \"BM\""));
  const int64_t size = U32(fileHeader, 2);
  if (size < kFileHeaderSize + kCoreHeaderSize)
    RaiseInvalid(QStringLiteral("the file size %1 is smaller than its headers").arg(size));
  if (size > kMaxFileSize)
    RaiseInvalid(
        QStringLiteral("the file size %1 exceeds the limit of %2").arg(size).arg(kMaxFileSize));
  return size;
}

Image Decode(std::span<const uint8_t> file) {
  const int64_t size = DeclaredFileSize(file);
  if (size > int64_t(file.size()))
    RaiseInvalid(
        QStringLiteral("the file size %1 exceeds the %2 bytes present").arg(size).arg(file.size()));
  const auto whole = file.first(size_t(size));
  const auto dib = whole.subspan(kFileHeaderSize);
  const DibInfo info = ReadDibInfo(dib);
  const int64_t offBits = U32(whole, 10);
  if (offBits < kFileHeaderSize + info.tableEnd || offBits > size)
    RaiseInvalid(QStringLiteral("the pixel offset %1 lies outside %2..%3")
                     .arg(offBits)
                     .arg(kFileHeaderSize + info.tableEnd)
                     .arg(size));
  Image result;
  result.colorTable = ReadColorTable(dib, info);
  result.pixels = DecodePixels(whole.subspan(size_t(offBits)), info, result.colorTable);
  result.bitsPerPixel = info.bitsPerPixel;
  return result;
}

DibInfo ReadDibInfo(std::span<const uint8_t> dib) {
  const int64_t dibSize = int64_t(dib.size());
  if (dibSize < 4) RaiseInvalid(QStringLiteral("the info header is truncated"));
  const int64_t headerSize = U32(dib, 0);
  if (headerSize != kCoreHeaderSize && headerSize != kInfoHeaderSize &&
      headerSize != kV4HeaderSize && headerSize != kV5HeaderSize)
    RaiseInvalid(QStringLiteral("the info header size %1 is not supported").arg(headerSize));
  if (headerSize > dibSize)
    RaiseInvalid(
        QStringLiteral("the %1-byte info header runs past the end of the file").arg(headerSize));

  DibInfo info;
  int planes = 0;
  uint32_t colorsUsed = 0;
  if (headerSize == kCoreHeaderSize) {
    CheckGeometry(info, U16(dib, 4), U16(dib, 6));
    planes = U16(dib, 8);
    info.bitsPerPixel = U16(dib, 10);
    info.tableEntrySize = 3;
  } else {
    CheckGeometry(info, I32(dib, 4), I32(dib, 8));
    planes = U16(dib, 12);
    info.bitsPerPixel = U16(dib, 14);
    info.compression = U32(dib, 16);
    colorsUsed = U32(dib, 32);
  }
  if (planes != 1) RaiseInvalid(QStringLiteral("the plane count %1 is not 1").arg(planes));
  if (!IsSupported(info.bitsPerPixel, info.compression))
    RaiseInvalid(QStringLiteral("%1 bits per pixel with compression %2 is not supported")
                     .arg(info.bitsPerPixel)
                     .arg(info.compression));
  if (info.topDown && IsRunLength(info.compression))
    RaiseInvalid(QStringLiteral("run-length images cannot be top-down"));
  info.tableOffset = headerSize;
  ReadMasks(info, dib, headerSize);
  LocateColorTable(info, dibSize, colorsUsed);
  return info;
}

std::vector<uint32_t> ReadColorTable(std::span<const uint8_t> dib, const DibInfo& info) {
  std::vector<uint32_t> table(size_t(info.tableEntries));
  for (size_t i = 0; i < table.size(); ++i) {
    const uint8_t* e = dib.data() + info.tableOffset + int64_t(i) * info.tableEntrySize;
    table[i] = Rgb(e[2], e[1], e[0]);
  }
  return table;
}

QImage DecodePixels(std::span<const uint8_t> data, const DibInfo& info,
                    std::span<const uint32_t> colorTable) {
  if (!IsRunLength(info.compression)) return DecodeRows(data, info, colorTable);
  const int64_t pixels = int64_t(info.width) * info.height;
  if (pixels > kRunLengthFreePixels && pixels > kRunLengthPixelsPerByte * int64_t(data.size()))
    RaiseInvalid(QStringLiteral("%1 bytes of run-length data cannot describe %2 x %3 pixels")
                     .arg(data.size())
                     .arg(info.width)
                     .arg(info.height));
  QImage image = NewImage(info);
  image.fill(kBlack);
  RunLengthDecoder(image, info, colorTable).Decode(data);
  return image;
}

int64_t Stride(int64_t width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

QByteArray Encode24(const QImage& image) {
  return WithFileHeader(Encode24Dib(WritableImage(image)), kInfoHeaderSize);
}

std::optional<QByteArray> EncodeIndexed(const QImage& image, int bitsPerPixel,
                                        std::span<const uint32_t> colorTable) {
  const std::optional<QByteArray> dib = EncodeIndexedDib(image, bitsPerPixel, colorTable);
  if (!dib) return std::nullopt;
  return WithFileHeader(*dib, kInfoHeaderSize + 4 * int64_t(colorTable.size()));
}

std::optional<QByteArray> EncodeIndexedDib(const QImage& image, int bitsPerPixel,
                                           std::span<const uint32_t> colorTable) {
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8)
    throw EInvalidGraphic(
        QStringLiteral("%1 bits per pixel cannot hold a colour table").arg(bitsPerPixel));
  if (colorTable.empty() || colorTable.size() > (size_t(1) << bitsPerPixel)) return std::nullopt;
  const QImage src = WritableImage(image);
  ColorIndex index(colorTable);
  QByteArray out;
  const qsizetype rows = StartDib(out, src, bitsPerPixel, colorTable);
  for (int y = 0; y < src.height(); ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(src.constScanLine(y));
    uint8_t* dst = Row(out, rows, src, bitsPerPixel, y);
    for (int x = 0; x < src.width(); ++x) {
      const std::optional<uint8_t> i = index.Find(line[x]);
      if (!i) return std::nullopt;
      const int64_t bit = int64_t(x) * bitsPerPixel;
      dst[bit / 8] |= uint8_t(*i << (8 - bitsPerPixel - bit % 8));
    }
  }
  return out;
}

void AppendUint16(QByteArray& out, uint16_t v) {
  out.append(char(v & 0xFF));
  out.append(char(v >> 8));
}

void AppendUint32(QByteArray& out, uint32_t v) {
  AppendUint16(out, uint16_t(v & 0xFFFF));
  AppendUint16(out, uint16_t(v >> 16));
}

}  // namespace kv::bmp

namespace kv {

PixelBudgetScope::PixelBudgetScope() : FOutermost(bmp::gBudgetLeft < 0) {
  if (FOutermost) bmp::gBudgetLeft = bmp::kPixelBudget;
}

PixelBudgetScope::~PixelBudgetScope() {
  if (FOutermost) bmp::gBudgetLeft = -1;
}

}  // namespace kv
