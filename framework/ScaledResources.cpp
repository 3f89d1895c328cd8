#include "ScaledResources.h"

#include "BmpCodec.h"
#include "CursorCodec.h"

#include <QFileInfo>
#include <QMutex>
#include <QPixmap>
#include <QResource>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

// Cursor files of the program are small; anything larger is not one of them.
constexpr int64_t kMaxCursorFileSize = int64_t(1) << 20;

// The resource path of `name` at `scale`, or empty when there is no such version.
QString VersionPath(const QString& name, const char* extension, int scale) {
  const QString plain = kv::FindResource(name, extension);
  if (plain.isEmpty() || scale == 1) return plain;
  const QString path =
      QStringLiteral(":/kv/res/") + kv::ScaledResourceFileName(name, extension, scale);
  return QFileInfo(path).isFile() ? path : QString();
}

// The version nearest to `scale` that exists (the larger of two as near), and its scale.
std::pair<QString, int> NearestVersion(const QString& name, const char* extension, int scale) {
  std::pair<QString, int> best;
  for (int s = 1; s <= kv::kMaxDeviceScale; ++s) {
    const QString path = VersionPath(name, extension, s);
    if (path.isEmpty()) continue;
    if (best.first.isEmpty() || std::abs(s - scale) <= std::abs(best.second - scale))
      best = {path, s};
  }
  return best;
}

// The bytes of a resource file, read where the program holds them when they are stored
// uncompressed (the large pictures are), or none when there are more than `limit`.
class ResourceBytes {
public:
  ResourceBytes(const QString& path, int64_t limit) : FResource(path) {
    if (!FResource.isValid() || FResource.uncompressedSize() > limit) return;
    if (FResource.compressionAlgorithm() == QResource::NoCompression) {
      FBytes = {FResource.data(), size_t(FResource.size())};
    } else {
      FCopy = FResource.uncompressedData();
      FBytes = {reinterpret_cast<const uint8_t*>(FCopy.constData()), size_t(FCopy.size())};
    }
  }
  std::span<const uint8_t> Bytes() const { return FBytes; }

private:
  QResource FResource;
  QByteArray FCopy;
  std::span<const uint8_t> FBytes;
};

// Whether the bitmap resource comes drawn at a larger scale too.
bool HasLargerVersion(const QString& name) {
  for (int scale = 2; scale <= kv::kMaxDeviceScale; ++scale)
    if (!VersionPath(name, "bmp", scale).isEmpty()) return true;
  return false;
}

// The 1x pictures of the bitmap resources loaded by name, by upper-case name: a few dozen
// at most, as many as the program has resources.
struct LoadedResources {
  QMutex mutex;
  std::map<QString, QImage> pictures;
};

LoadedResources& Loaded() {
  static LoadedResources loaded;
  return loaded;
}

}  // namespace

namespace kv {

void NoteLoadedResource(const QString& name, const QImage& image) {
  // A picture without a larger version is drawn as it is at every scale.
  if (!HasLargerVersion(name)) return;
  LoadedResources& loaded = Loaded();
  const QMutexLocker lock(&loaded.mutex);
  loaded.pictures.try_emplace(name.toUpper(), image);
}

QString ResourceNameHeldBy(const TBitmap& bitmap) {
  if (bitmap.Empty() || bitmap.DeviceScale() != 1) return {};
  LoadedResources& loaded = Loaded();
  const QMutexLocker lock(&loaded.mutex);
  for (const auto& [name, picture] : loaded.pictures)
    if (picture == bitmap.Image()) return name;
  return {};
}

QString ScaledResourceFileName(const QString& name, const char* extension, int scale) {
  const QString stem = name.toUpper();
  const QString ext = QLatin1String(extension);
  return scale <= 1 ? stem + QLatin1Char('.') + ext
                    : QStringLiteral("%1@%2x.%3").arg(stem).arg(scale).arg(ext);
}

void LoadResourceBitmap(TBitmap& bitmap, const QString& name, int scale) {
  scale = std::clamp(scale, 1, kMaxDeviceScale);
  const auto [path, found] = scale == 1 ? std::pair<QString, int>() : NearestVersion(name, "bmp", scale);
  // The version drawn for the scale is read as it is, without the 1x picture.
  if (found == scale) {
    try {
      bitmap.LoadFromMemory(ResourceBytes(path, INT32_MAX).Bytes(), scale);
      return;
    } catch (const EInvalidGraphic&) {
      // not of the scale's size: made from the 1x picture's size below
    }
  }
  bitmap.LoadFromResourceName(name);
  if (scale == 1 || bitmap.Empty()) return;
  QImage image =
      found == 1 ? bitmap.Image() : bmp::Decode(ResourceBytes(path, INT32_MAX).Bytes()).pixels;
  const int width = bitmap.Width(), height = bitmap.Height();
  if (image.width() != width * scale || image.height() != height * scale)
    image = image.scaled(width * scale, height * scale, Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation);
  image = image.convertToFormat(QImage::Format_RGB32);
  bitmap.SetDeviceScale(scale);
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap.ScanLine(y), image.constScanLine(y), size_t(image.width()) * 4);
  bitmap.PixelsChanged();
}

QCursor LoadCursorAt(const QString& name, int scale) {
  scale = std::clamp(scale, 1, kMaxDeviceScale);
  const auto [path, found] = NearestVersion(name, "cur", scale);
  if (path.isEmpty())
    throw EInvalidGraphic(QStringLiteral("Cursor resource \"%1\" not found").arg(name));
  const ResourceBytes bytes(path, kMaxCursorFileSize);
  if (bytes.Bytes().empty())
    throw EInvalidGraphic(QStringLiteral("Cursor resource \"%1\" cannot be read").arg(name));
  const cur::Cursor cursor = cur::Decode(bytes.Bytes());
  QImage image = cursor.image;
  QPointF hotSpot = QPointF(cursor.hotSpot) / found;
  if (found != scale) {
    image =
        image.scaled(image.size() / found * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setDevicePixelRatio(scale);
  return QCursor(pixmap, int(hotSpot.x()), int(hotSpot.y()));
}

}  // namespace kv
