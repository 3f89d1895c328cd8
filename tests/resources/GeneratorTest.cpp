#include "Artwork.h"
#include "CursorCodec.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

namespace {

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString CommittedPath(const kv::art::Asset& asset, int scale) {
  const char* folder =
      asset.folder == kv::art::Folder::Library ? "/resources/res/" : "/app/pictures/";
  return QStringLiteral(KV_ARTWORK_ROOT) + QLatin1String(folder) +
         kv::art::FileNameAt(asset, scale);
}

// The sheet is left out: PNG bytes depend on the zlib that writes them. Versions drawn at
// build time are compiled into the demo's forms (which this test links).
TEST(Artwork, CommittedFilesAreWhatTheGeneratorDrawsAtEachScale) {
  ASSERT_FALSE(kv::art::Assets().empty());
  for (const kv::art::Asset& asset : kv::art::Assets()) {
    for (const int scale : kv::art::ScalesOf(asset)) {
      const QString file = kv::art::FileNameAt(asset, scale);
      const QByteArray drawn = asset.make(scale);
      if (!kv::art::IsCommitted(asset, scale)) {
        EXPECT_FALSE(QFile::exists(CommittedPath(asset, scale))) << file.toStdString();
        EXPECT_EQ(drawn, ReadFile(QStringLiteral(":/kv/res/") + file))
            << file.toStdString() << " is not compiled into the demo";
        continue;
      }
      EXPECT_EQ(drawn, ReadFile(CommittedPath(asset, scale)))
          << file.toStdString() << " differs: build the kv-artwork target";
      if (asset.folder == kv::art::Folder::Library) {
        EXPECT_EQ(drawn, ReadFile(QStringLiteral(":/kv/res/") + file))
            << file.toStdString() << " is not compiled into the library";
      }
    }
  }
}

TEST(Artwork, DrawingTwiceGivesTheSameBytesAndNamesAreUniqueUpperCase) {
  QSet<QString> names;
  for (const kv::art::Asset& asset : kv::art::Assets()) {
    const QString name = QLatin1String(asset.fileName);
    EXPECT_FALSE(names.contains(name.toUpper())) << asset.fileName;
    names.insert(name.toUpper());
    const QString stem = name.section(QLatin1Char('.'), 0, 0);
    EXPECT_EQ(stem, stem.toUpper()) << asset.fileName;
    EXPECT_EQ(asset.folder == kv::art::Folder::Demo, stem.startsWith(QLatin1String("DEMO_")))
        << asset.fileName;
    EXPECT_EQ(asset.make(1), asset.make(1)) << asset.fileName;
  }
}

// Every white pixel has opaque pixels on all four sides, so the outline is closed (also
// where a larger version sharpens the diagonals); the hot spot is the top of the drawing.
TEST(Artwork, TheHandIsAWhiteFillInsideAClosedBlackOutlineAtEachScale) {
  for (const int scale : {1, 2, 3}) {
    SCOPED_TRACE(scale);
    const QByteArray file = kv::art::HandPointCursor(scale);
    const kv::cur::Cursor hand = kv::cur::Decode(
        std::span(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size())));
    const QImage& image = hand.image;
    ASSERT_EQ(image.size(), QSize(32, 32) * scale);
    const auto opaque = [&](int x, int y) {
      return image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) == 255;
    };
    int white = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (!opaque(x, y)) continue;
        const QRgb px = image.pixel(x, y);
        ASSERT_TRUE(px == 0xFF000000u || px == 0xFFFFFFFFu) << x << "," << y;
        if (px != 0xFFFFFFFFu) continue;
        ++white;
        EXPECT_TRUE(opaque(x - 1, y) && opaque(x + 1, y) && opaque(x, y - 1) && opaque(x, y + 1))
            << x << "," << y;
      }
      if (y < hand.hotSpot.y()) {
        EXPECT_FALSE(opaque(hand.hotSpot.x(), y));
      }
    }
    EXPECT_GT(white, 100 * scale * scale);
    EXPECT_EQ(image.pixel(hand.hotSpot), 0xFF000000u);
  }
}

}  // namespace
