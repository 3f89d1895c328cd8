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

QString CommittedPath(const kv::art::Asset& asset) {
  const char* folder =
      asset.folder == kv::art::Folder::Library ? "/resources/res/" : "/app/pictures/";
  return QStringLiteral(KV_ARTWORK_ROOT) + QLatin1String(folder) + QLatin1String(asset.fileName);
}

// The sheet is left out: PNG bytes depend on the zlib that writes them.
TEST(Artwork, CommittedFilesAreWhatTheGeneratorDraws) {
  ASSERT_FALSE(kv::art::Assets().empty());
  for (const kv::art::Asset& asset : kv::art::Assets()) {
    const QByteArray drawn = asset.make();
    EXPECT_EQ(drawn, ReadFile(CommittedPath(asset)))
        << asset.fileName << " differs: build the kv-artwork target";
    if (asset.folder == kv::art::Folder::Library) {
      EXPECT_EQ(drawn, ReadFile(QStringLiteral(":/kv/res/") + QLatin1String(asset.fileName)))
          << asset.fileName << " is not compiled into the library";
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
    EXPECT_EQ(asset.make(), asset.make()) << asset.fileName;
  }
}

// Every white pixel has opaque pixels on all four sides, so the outline is closed; the hot
// spot is the top of the drawing.
TEST(Artwork, TheHandIsAWhiteFillInsideAClosedBlackOutline) {
  const QByteArray file = kv::art::HandPointCursor();
  const kv::cur::Cursor hand = kv::cur::Decode(
      std::span(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size())));
  const QImage& image = hand.image;
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
  EXPECT_GT(white, 100);
  EXPECT_EQ(image.pixel(hand.hotSpot), 0xFF000000u);
}

}  // namespace
