#include "Artwork.h"
#include "CursorCodec.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

TEST(Artwork, CommittedFilesAreWhatTheGeneratorDraws) {
  ASSERT_FALSE(kv::art::Assets().empty());
  for (const kv::art::Asset& asset : kv::art::Assets()) {
    QFile committed(QStringLiteral(":/kv/res/") + QLatin1String(asset.fileName));
    ASSERT_TRUE(committed.open(QIODevice::ReadOnly)) << asset.fileName;
    EXPECT_EQ(asset.make(), committed.readAll()) << asset.fileName << " differs: build the kv-artwork target";
  }
}

// Every white pixel has opaque pixels on all four sides, so the outline is closed; the hot
// spot is the top of the drawing.
TEST(Artwork, TheHandIsAWhiteFillInsideAClosedBlackOutline) {
  const QByteArray file = kv::art::HandPointCursor();
  const kv::cur::Cursor hand =
      kv::cur::Decode(std::span(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size())));
  const QImage& image = hand.image;
  const auto opaque = [&](int x, int y) { return image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) == 255; };
  int white = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!opaque(x, y)) continue;
      const QRgb px = image.pixel(x, y);
      ASSERT_TRUE(px == 0xFF000000u || px == 0xFFFFFFFFu) << x << "," << y;
      if (px != 0xFFFFFFFFu) continue;
      ++white;
      EXPECT_TRUE(opaque(x - 1, y) && opaque(x + 1, y) && opaque(x, y - 1) && opaque(x, y + 1)) << x << "," << y;
    }
    if (y < hand.hotSpot.y()) {
      EXPECT_FALSE(opaque(hand.hotSpot.x(), y));
    }
  }
  EXPECT_GT(white, 100);
  EXPECT_EQ(image.pixel(hand.hotSpot), 0xFF000000u);
}

}  // namespace
