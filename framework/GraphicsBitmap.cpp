// Bitmaps and pictures in memory; reading and writing files is GraphicsBitmapIO.cpp.
#include "Graphics.h"
#include "GraphicsHooks.h"

#include <QMetaMethod>

#include <cstring>

namespace {

uint32_t MonoPixel(uint32_t px) {
  const int r = int((px >> 16) & 0xFF), g = int((px >> 8) & 0xFF), b = int(px & 0xFF);
  // Luminance threshold at the middle grey.
  return (r * 299 + g * 587 + b * 114) >= 128 * 1000 ? 0xFFFFFFFFu : 0xFF000000u;
}

}  // namespace

// ---------------------------------------------------------------------------

void TGraphic::SetTransparent(bool v) {
  if (v == FTransparent) return;
  FTransparent = v;
  Changed();
}

void TGraphic::connectNotify(const QMetaMethod& signal) {
  if (signal == QMetaMethod::fromSignal(&TGraphic::OnChange))
    FListened.store(true, std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

bool TBitmap::Empty() const { return FImage.width() <= 0 || FImage.height() <= 0; }

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == Width() && height == Height()) return;
  const int64_t imageWidth = int64_t(width) * FScale, imageHeight = int64_t(height) * FScale;
  if (imageWidth * imageHeight > kv::kMaxBitmapPixels)
    throw EOutOfResources(
        QStringLiteral("Out of system resources (a %1 x %2 bitmap)").arg(width).arg(height));
  QImage next;
  if (width > 0 && height > 0) {
    next = QImage(int(imageWidth), int(imageHeight), QImage::Format_RGB32);
    if (next.isNull()) throw EOutOfResources(QStringLiteral("Out of system resources"));
    next.fill(0xFF000000u);
    next.setDevicePixelRatio(FScale);
    const int w = std::min(next.width(), FImage.width());
    const int h = std::min(next.height(), FImage.height());
    for (int y = 0; y < h; ++y)
      std::memcpy(next.scanLine(y), FImage.constScanLine(y), size_t(w) * 4);
  }
  FImage = next;
  Changed();
}

void TBitmap::SetDeviceScale(int scale) {
  scale = std::clamp(scale, 1, kv::kMaxDeviceScale);
  if (scale == FScale) return;
  const int width = Width(), height = Height();
  FImage = QImage();
  FScale = scale;
  SetSize(width, height);
  StoreScale(scale);
  Changed();
}

void TBitmap::StoreScale(int scale) {
  FScale = scale;
  if (!FCanvas) return;
  // The canvas keeps its origin and limit and draws at the bitmap's scale, also while the
  // image is still empty.
  FCanvas->Attach(&FImage, FCanvas->FOrigin, FCanvas->FLimit);
  FCanvas->FScale = scale;
}

TCanvas* TBitmap::Canvas() const {
  if (!FCanvas) {
    // The canvas draws on the image and tells the bitmap of each change.
    auto* self = const_cast<TBitmap*>(this);
    FCanvas = std::make_unique<TCanvas>();
    FCanvas->Attach(&self->FImage);
    FCanvas->FScale = FScale;
    FCanvas->FGraphic = self;
    FCanvas->SetMonochromeSurface(Monochrome());
  }
  return FCanvas.get();
}

void TBitmap::StoreFormat(TPixelFormat v) {
  FPixelFormat = v;
  if (FCanvas) FCanvas->SetMonochromeSurface(Monochrome());
}

void TBitmap::SetPixelFormat(TPixelFormat v) {
  if (v == FPixelFormat) return;
  StoreFormat(v);
  if (v == TPixelFormat::pf1bit) {
    for (int y = 0; y < FImage.height(); ++y) {
      auto* line = reinterpret_cast<uint32_t*>(FImage.scanLine(y));
      for (int x = 0; x < FImage.width(); ++x) line[x] = MonoPixel(line[x]);
    }
  }
  FColorTable.clear();
  Changed();
}

void TBitmap::SetMonochrome(bool v) {
  if (v == Monochrome()) return;
  SetPixelFormat(v ? TPixelFormat::pf1bit : TPixelFormat::pfDevice);
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == TTransparentMode::tmFixed) return FTransparentColor;
  if (Empty()) return clDefault;
  return kv::PixelToColor(
      reinterpret_cast<const uint32_t*>(FImage.constScanLine(FImage.height() - 1))[0]);
}

void TBitmap::SetTransparentColor(TColor v) {
  const TTransparentMode mode =
      v.Value == clDefault.Value ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
  if (v.Value == FTransparentColor.Value && mode == FTransparentMode) return;
  FTransparentColor = v;
  FTransparentMode = mode;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode v) {
  if (v == FTransparentMode) return;
  if (v == TTransparentMode::tmAuto) {
    FTransparentColor = clDefault;
  } else {
    FTransparentColor = TransparentColor();  // fix the colour the bitmap shows now
  }
  FTransparentMode = v;
  Changed();
}

void TBitmap::Mask(TColor color) {
  const uint32_t key = kv::ColorToPixel(color);
  for (int y = 0; y < FImage.height(); ++y) {
    auto* line = reinterpret_cast<uint32_t*>(FImage.scanLine(y));
    for (int x = 0; x < FImage.width(); ++x) line[x] = line[x] == key ? 0xFFFFFFFFu : 0xFF000000u;
  }
  StoreFormat(TPixelFormat::pf1bit);
  FColorTable.clear();
  Changed();
}

void TBitmap::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    FImage = QImage();
    StoreScale(1);
    StoreFormat(TPixelFormat::pfDevice);
    FColorTable.clear();
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    FImage = b->FImage;  // shared until either side writes
    StoreScale(b->FScale);
    StoreFormat(b->FPixelFormat);
    FColorTable = b->FColorTable;
    FTransparentMode = b->FTransparentMode;
    FTransparentColor = b->FTransparentColor;
    SetTransparent(b->Transparent());
    Changed();
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(source)) {
    Assign(p->Bitmap());
    return;
  }
  TPersistent::Assign(source);
}

const uint32_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= FImage.height())
    throw EInvalidGraphic(QStringLiteral("Scan line index out of range"));
  return reinterpret_cast<const uint32_t*>(FImage.constScanLine(y));
}

uint32_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= FImage.height())
    throw EInvalidGraphic(QStringLiteral("Scan line index out of range"));
  return reinterpret_cast<uint32_t*>(FImage.scanLine(y));
}

void TBitmap::SetImageAt(const QImage& image, int scale) {
  if (int64_t(image.width()) * image.height() > kv::kMaxBitmapPixels)
    throw EOutOfResources(QStringLiteral("Out of system resources"));
  FImage = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
  FImage.setDevicePixelRatio(1);
  StoreScale(scale);
  if (Monochrome()) {
    for (int y = 0; y < FImage.height(); ++y) {
      auto* line = reinterpret_cast<uint32_t*>(FImage.scanLine(y));
      for (int x = 0; x < FImage.width(); ++x) line[x] = MonoPixel(line[x]);
    }
  }
  Changed();
}

// ---------------------------------------------------------------------------

TPicture::TPicture() : FBitmap(std::make_unique<TBitmap>()) {
  QObject::connect(FBitmap.get(), &TGraphic::OnChange, this, [this] { emit OnChange(this); });
}

TPicture::~TPicture() = default;

void TPicture::Assign(const TPersistent* source) {
  if (!source) {
    FBitmap->Assign(nullptr);
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(source)) {
    if (p != this) FBitmap->Assign(p->FBitmap.get());
    return;
  }
  if (dynamic_cast<const TBitmap*>(source)) {
    FBitmap->Assign(source);
    return;
  }
  TPersistent::Assign(source);
}
