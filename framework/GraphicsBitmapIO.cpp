// Bitmaps and pictures to and from BMP streams and files; named program resources and
// the cursors among them.
#include "BmpCodec.h"
#include "Graphics.h"
#include "ScaledResources.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr uint32_t kBlackAndWhite[] = {0xFF000000u, 0xFFFFFFFFu};

// The 14-byte file header, then the rest of the size it declares.
std::vector<uint8_t> ReadBmpFile(TStream& stream) {
  std::array<uint8_t, kv::bmp::kFileHeaderSize> header{};
  if (stream.Read(header.data(), int64_t(header.size())) != int64_t(header.size()))
    kv::bmp::RaiseInvalid(QStringLiteral("the file header is truncated"));
  const int64_t size = kv::bmp::DeclaredFileSize(header);
  const int64_t rest = size - kv::bmp::kFileHeaderSize;
  if (rest > stream.Remaining())
    kv::bmp::RaiseInvalid(QStringLiteral("the file size %1 exceeds the %2 bytes left in the stream")
                              .arg(size)
                              .arg(kv::bmp::kFileHeaderSize + stream.Remaining()));
  std::vector<uint8_t> file(static_cast<size_t>(size));
  std::copy(header.begin(), header.end(), file.begin());
  try {
    stream.ReadBuffer(file.data() + header.size(), rest);
  } catch (const EReadError&) {
    kv::bmp::RaiseInvalid(QStringLiteral("the stream ended inside the file"));
  }
  return file;
}

bool IsBlackOrWhite(uint32_t entry) {
  return entry == kBlackAndWhite[0] || entry == kBlackAndWhite[1];
}

// A 1-bit file in black and white makes a monochrome bitmap; one in other colours keeps
// them (pfCustom: saved again at 1 bit with its own table).
TPixelFormat PixelFormatOf(const kv::bmp::Image& image) {
  switch (image.bitsPerPixel) {
    case 1:
      return std::all_of(image.colorTable.begin(), image.colorTable.end(), IsBlackOrWhite)
                 ? TPixelFormat::pf1bit
                 : TPixelFormat::pfCustom;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 16: return TPixelFormat::pf16bit;
    case 24: return TPixelFormat::pf24bit;
    default: return TPixelFormat::pf32bit;
  }
}

int IndexedDepth(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pfCustom: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    default: return 0;
  }
}

// The depth the bitmap came with when every pixel is in its table (a monochrome bitmap
// without one uses black and white), else 24 bits.
QByteArray EncodeBitmap(const QImage& image, TPixelFormat format, std::span<const uint32_t> table) {
  if (const int depth = IndexedDepth(format)) {
    if (table.empty() && format == TPixelFormat::pf1bit) table = kBlackAndWhite;
    if (std::optional<QByteArray> file = kv::bmp::EncodeIndexed(image, depth, table)) return *file;
  }
  return kv::bmp::Encode24(image);
}

}  // namespace

// ---------------------------------------------------------------------------

void TGraphic::LoadFromFile(const QString& fileName) {
  TFileStream stream(fileName, TFileMode::fmOpenRead);
  LoadFromStream(stream);
}

// Encodes first, so a graphic that cannot be saved leaves an existing file alone.
void TGraphic::SaveToFile(const QString& fileName) const {
  TMemoryStream encoded;
  SaveToStream(encoded);
  TFileStream stream(fileName, TFileMode::fmCreate);
  encoded.SaveToStream(stream);
}

// On failure the bitmap keeps what it held and the stream is back where the load began.
void TBitmap::LoadFromStream(TStream& stream) {
  const int64_t start = stream.Position();
  try {
    LoadFromMemory(ReadBmpFile(stream));
  } catch (...) {
    stream.SetPosition(start);
    throw;
  }
}

void TBitmap::LoadFromMemory(std::span<const uint8_t> file, int scale) {
  scale = std::clamp(scale, 1, kv::kMaxDeviceScale);
  kv::bmp::Image loaded = kv::bmp::Decode(file);
  if (loaded.pixels.width() % scale != 0 || loaded.pixels.height() % scale != 0)
    kv::bmp::RaiseInvalid(QStringLiteral("a %1 x %2 image is not drawn at scale %3")
                              .arg(loaded.pixels.width())
                              .arg(loaded.pixels.height())
                              .arg(scale));
  // The format goes first: the image keeps a monochrome bitmap black and white.
  const TPixelFormat oldFormat = FPixelFormat;
  std::vector<uint32_t> oldTable = std::move(FColorTable);
  StoreFormat(PixelFormatOf(loaded));
  FColorTable = std::move(loaded.colorTable);
  try {
    SetImageAt(loaded.pixels, scale);
  } catch (...) {
    StoreFormat(oldFormat);
    FColorTable = std::move(oldTable);
    throw;
  }
}

void TBitmap::SaveToStream(TStream& stream) const {
  const QByteArray file = EncodeBitmap(FImage, FPixelFormat, FColorTable);
  stream.WriteBuffer(file.constData(), file.size());
}

void TBitmap::LoadFromResourceName(const QString& name) {
  const QString path = kv::FindResource(name, "bmp");
  if (path.isEmpty())
    throw EInvalidGraphic(QStringLiteral("Bitmap resource \"%1\" not found").arg(name));
  LoadFromFile(path);
  kv::NoteLoadedResource(name, Image());
}

void TPicture::LoadFromFile(const QString& fileName) { FBitmap->LoadFromFile(fileName); }

void TPicture::SaveToFile(const QString& fileName) const { FBitmap->SaveToFile(fileName); }

// ---------------------------------------------------------------------------

QCursor kv::LoadCursor(const QString& name) { return LoadCursorAt(name, 1); }

namespace kv {

QString FindResource(const QString& name, const char* extension) {
  if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
    return {};
  const QString path =
      QStringLiteral(":/kv/res/%1.%2").arg(name.toUpper(), QLatin1String(extension));
  return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace kv
