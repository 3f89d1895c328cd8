#include "BmpCodec.h"
#include "Graphics.h"
#include "Pixels.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtEndian>

namespace {

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;
const std::vector<uint32_t> kBlackWhite = {kBlack, kWhite};
const std::vector<uint32_t> kFour = {kRed, kGreen, kBlue, 0xFF808000u};

QImage Striped(int w, int h, const std::vector<uint32_t>& colours) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, colours[size_t(x + 2 * y) % colours.size()]);
  return image;
}

QByteArray IndexedFile(int depth, const std::vector<uint32_t>& table, int w = 7, int h = 3) {
  return *kv::bmp::EncodeIndexed(Striped(w, h, table), depth, table);
}

QByteArray Saved(const TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return stream.Data();
}

void Load(TBitmap& bitmap, const QByteArray& file) {
  TMemoryStream stream(file);
  bitmap.LoadFromStream(stream);
}

int DepthOf(const QByteArray& file) { return qFromLittleEndian<uint16_t>(file.constData() + 28); }

TEST(BitmapStream, FilesBackToBackLoadOneAfterTheOther) {
  const QByteArray first = IndexedFile(4, kFour, 3, 2);
  const QByteArray second = kv::bmp::Encode24(Striped(5, 4, {0xFF102030u, kWhite}));
  TMemoryStream stream(first + second);
  TBitmap a, b;
  a.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), first.size());
  b.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), first.size() + second.size());
  EXPECT_SAME_PIXELS(a.Image(), Striped(3, 2, kFour));
  EXPECT_EQ(a.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_SAME_PIXELS(b.Image(), Striped(5, 4, {0xFF102030u, kWhite}));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
}

TEST(BitmapStream, EveryFileTheWriterMakesSavesBackByteIdentical) {
  std::vector<uint32_t> grey(256);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = kBlack | uint32_t(i * 0x010101u);
  const QByteArray files[] = {IndexedFile(1, kBlackWhite), IndexedFile(1, {kWhite, kBlack}),
                              IndexedFile(4, kFour), IndexedFile(8, grey, 9, 9),
                              kv::bmp::Encode24(Striped(3, 3, kFour))};
  for (const QByteArray& file : files) {
    TBitmap bitmap;
    Load(bitmap, file);
    EXPECT_EQ(Saved(bitmap), file) << DepthOf(file);
  }
}

TEST(BitmapStream, TheLoadedDepthIsKeptOnlyWhileThePixelsFitItsTable) {
  TBitmap bitmap;
  Load(bitmap, IndexedFile(4, kFour));
  bitmap.ScanLine(0)[0] = kBlue;  // in the table
  EXPECT_EQ(DepthOf(Saved(bitmap)), 4);
  bitmap.ScanLine(2)[6] = 0xFF123456u;
  const QByteArray file = Saved(bitmap);
  EXPECT_EQ(DepthOf(file), 24);
  TBitmap back;
  Load(back, file);
  EXPECT_SAME_PIXELS(back.Image(), bitmap.Image());
}

TEST(BitmapStream, MonochromeAndColourOneBitFiles) {
  TBitmap mono;
  mono.SetSize(9, 3);
  mono.SetMonochrome(true);
  mono.ScanLine(1)[4] = kWhite;
  const QByteArray file = Saved(mono);
  EXPECT_EQ(DepthOf(file), 1);
  TBitmap back;
  Load(back, file);
  EXPECT_TRUE(back.Monochrome());
  EXPECT_SAME_PIXELS(back.Image(), mono.Image());

  // Two colours other than black and white stay what they are.
  TBitmap colour;
  Load(colour, IndexedFile(1, {kRed, kBlue}));
  EXPECT_FALSE(colour.Monochrome());
  EXPECT_SAME_PIXELS(colour.Image(), Striped(7, 3, {kRed, kBlue}));
  EXPECT_EQ(Saved(colour), IndexedFile(1, {kRed, kBlue}));
}

TEST(BitmapStream, LoadingReplacesPixelsFormatAndFiresOnChangeOnce) {
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  bitmap.SetMonochrome(true);
  int changes = 0;
  QObject::connect(&bitmap, &TGraphic::OnChange, [&] { ++changes; });
  Load(bitmap, IndexedFile(4, kFour));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_SAME_PIXELS(bitmap.Image(), Striped(7, 3, kFour));  // not thresholded to black and white
}

// A file read from memory at a scale keeps every image pixel and the file's format; one whose
// sides the scale does not divide, or a malformed one, leaves the bitmap as it was.
TEST(BitmapStream, FromMemoryAtAScale) {
  struct Case {
    int width, height, scale;
    int drawnAt;  // none: refused
  } const cases[] = {{8, 6, 1, 1}, {8, 6, 2, 2}, {9, 6, 3, 3},
                     {7, 6, 2, 0}, {8, 5, 2, 0}, {8, 8, 9, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.scale);
    const QByteArray file = IndexedFile(4, kFour, c.width, c.height);
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(file.constData()),
                                 size_t(file.size()));
    TBitmap bitmap;
    bitmap.SetSize(1, 1);
    if (!c.drawnAt) {
      EXPECT_THROW(bitmap.LoadFromMemory(bytes, c.scale), EInvalidGraphic);
      EXPECT_EQ(bitmap.Width(), 1);
      EXPECT_EQ(bitmap.DeviceScale(), 1);
      continue;
    }
    bitmap.LoadFromMemory(bytes, c.scale);
    EXPECT_EQ(bitmap.DeviceScale(), c.drawnAt);
    EXPECT_EQ(bitmap.Width(), c.width / c.drawnAt);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_SAME_PIXELS(bitmap.Image(), Striped(c.width, c.height, kFour));
  }
  TBitmap bitmap;
  const QByteArray file = IndexedFile(4, kFour);
  EXPECT_THROW(bitmap.LoadFromMemory(std::span(reinterpret_cast<const uint8_t*>(file.constData()),
                                               size_t(file.size()) - 8)),
               EInvalidGraphic);
  EXPECT_TRUE(bitmap.Empty());
}

TEST(BitmapStream, DrawnBitmapsSaveAtTwentyFourBitsAndEmptyOnesNotAtAll) {
  TBitmap drawn;
  drawn.SetSize(2, 2);
  EXPECT_EQ(DepthOf(Saved(drawn)), 24);
  TBitmap empty;
  EXPECT_THROW(Saved(empty), EInvalidGraphic);
}

TEST(BitmapFiles, FilesAndPicturesRoundTrip) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("a.bmp"));
  TBitmap bitmap;
  Load(bitmap, IndexedFile(4, kFour));
  bitmap.SaveToFile(path);

  TPicture picture;
  int changes = 0;
  QObject::connect(&picture, &TPicture::OnChange, [&] { ++changes; });
  picture.LoadFromFile(path);
  EXPECT_EQ(changes, 1);
  EXPECT_SAME_PIXELS(picture.Bitmap()->Image(), bitmap.Image());
  const QString copy = dir.filePath(QStringLiteral("b.bmp"));
  picture.SaveToFile(copy);
  QFile a(path), b(copy);
  ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  const QByteArray saved = a.readAll();
  EXPECT_EQ(saved, b.readAll());
  a.close();

  // A bitmap that cannot be saved leaves the file it was to replace alone.
  EXPECT_THROW(TBitmap().SaveToFile(path), EInvalidGraphic);
  ASSERT_TRUE(a.open(QIODevice::ReadOnly));
  EXPECT_EQ(a.readAll(), saved);
  EXPECT_THROW(bitmap.LoadFromFile(dir.filePath(QStringLiteral("missing.bmp"))), EFOpenError);
}

}  // namespace
