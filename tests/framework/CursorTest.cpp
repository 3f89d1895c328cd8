#include "CursorCodec.h"
#include "Graphics.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <QtEndian>

#include <functional>

using kv::LoadCursor;

namespace {

kv::cur::Cursor Decode(const QByteArray& file) {
  return kv::cur::Decode(
      std::span(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size())));
}

// Transparent, with a 3 x 3 black block around a white pixel at (11, 5).
QImage Sample(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 4; y < 7; ++y)
    for (int x = 10; x < 13; ++x) image.setPixel(x, y, 0xFF000000u);
  image.setPixel(11, 5, 0xFFFFFFFFu);
  return image;
}

// One directory holding the images of two single-image files.
QByteArray TwoImages(const QByteArray& a, const QByteArray& b) {
  QByteArray entryA = a.mid(6, 16), entryB = b.mid(6, 16);
  qToLittleEndian<uint32_t>(6 + 32, entryA.data() + 12);
  qToLittleEndian<uint32_t>(uint32_t(6 + 32 + a.size() - 22), entryB.data() + 12);
  QByteArray directory = a.left(6);
  directory[4] = 2;
  return directory + entryA + entryB + a.mid(22) + b.mid(22);
}

TEST(Cursor, EncodedImagesDecodeWithTheirMaskAndHotSpot) {
  const kv::cur::Cursor cursor =
      Decode(kv::cur::Encode(Sample(20, 12), QPoint(11, 5)));  // rows padded
  EXPECT_EQ(cursor.hotSpot, QPoint(11, 5));
  ASSERT_EQ(cursor.image.size(), QSize(20, 12));
  EXPECT_EQ(cursor.image.pixel(11, 5), 0xFFFFFFFFu);
  EXPECT_EQ(cursor.image.pixel(10, 4), 0xFF000000u);
  EXPECT_EQ(cursor.image.pixel(12, 6), 0xFF000000u);
  EXPECT_EQ(qAlpha(cursor.image.pixel(13, 5)), 0);
  EXPECT_EQ(qAlpha(cursor.image.pixel(19, 11)), 0);
}

TEST(Cursor, ThePreferredImageIs32By32) {
  const QByteArray file = TwoImages(kv::cur::Encode(Sample(16, 16), QPoint(1, 1)),
                                    kv::cur::Encode(Sample(32, 32), QPoint(2, 3)));
  const kv::cur::Cursor cursor = Decode(file);
  EXPECT_EQ(cursor.image.size(), QSize(32, 32));
  EXPECT_EQ(cursor.hotSpot, QPoint(2, 3));
}

TEST(Cursor, HostileFilesAreRejected) {
  const QByteArray valid = kv::cur::Encode(Sample(32, 32), QPoint(11, 5));
  const auto with = [&](const std::function<void(QByteArray&)>& change) {
    QByteArray f = valid;
    change(f);
    return f;
  };
  const auto put32 = [](QByteArray& f, int at, uint32_t v) {
    qToLittleEndian<uint32_t>(v, f.data() + at);
  };
  const std::pair<const char*, QByteArray> cases[] = {
      {"short", valid.left(5)},
      {"an icon", with([](QByteArray& f) { f[2] = 1; })},
      {"no image", with([](QByteArray& f) { f[4] = 0; })},
      {"directory past the end", with([](QByteArray& f) { f[4] = char(200); })},
      {"offset near 2^32", with([&](QByteArray& f) { put32(f, 18, 0xFFFFFFF0u); })},
      {"size near 2^32", with([&](QByteArray& f) { put32(f, 14, 0xFFFFFFFFu); })},
      {"hot spot outside", with([](QByteArray& f) { f[10] = 32; })},
      {"PNG image", with([](QByteArray& f) { f.replace(22, 4, "\x89PNG"); })},
      {"odd height", with([&](QByteArray& f) { put32(f, 22 + 8, 63); })},
      {"top-down", with([&](QByteArray& f) { put32(f, 22 + 8, uint32_t(-64)); })},
      {"unknown info header", with([&](QByteArray& f) { put32(f, 22, 7); })},
      {"mask cut short", with([&](QByteArray& f) {
         f.chop(4);
         put32(f, 14, uint32_t(f.size() - 22));
       })},
  };
  for (const auto& [what, file] : cases) EXPECT_THROW(Decode(file), EInvalidGraphic) << what;
}

TEST(Cursor, NamedResourcesAreFoundCaseInsensitively) {
  EXPECT_EQ(kv::FindResource(QStringLiteral("kvCursorHandPoint"), "cur"),
            QStringLiteral(":/kv/res/KVCURSORHANDPOINT.cur"));
  EXPECT_TRUE(kv::FindResource(QStringLiteral("KVCURSORHANDPOINT"), "bmp").isEmpty());
  EXPECT_TRUE(kv::FindResource(QStringLiteral("NOSUCHCURSOR"), "cur").isEmpty());
  EXPECT_TRUE(kv::FindResource(QStringLiteral("../res/KVCURSORHANDPOINT"), "cur").isEmpty());
  EXPECT_TRUE(kv::FindResource(QString(), "cur").isEmpty());
  EXPECT_THROW(LoadCursor(QStringLiteral("NOSUCHCURSOR")), EInvalidGraphic);
  TBitmap bitmap;
  EXPECT_THROW(bitmap.LoadFromResourceName(QStringLiteral("NOSUCHBITMAP")), EInvalidGraphic);
}

TEST(Cursor, TheHandCursorPointsWithItsIndexFinger) {
  const QCursor cursor = LoadCursor(QStringLiteral("kvcursorhandpoint"));
  EXPECT_EQ(cursor.hotSpot(), QPoint(6, 0));
  const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(image.pixel(6, 0), 0xFF000000u);  // the fingertip's outline
  EXPECT_EQ(image.pixel(6, 1), 0xFFFFFFFFu);  // inside the finger
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);
}

}  // namespace
