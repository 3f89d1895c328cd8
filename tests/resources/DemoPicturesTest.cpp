// The demo program's own pictures, read from the committed files as the demo reads them:
// the window face whose white marks the outside, and the pictures its forms store; and the
// versions drawn for the device scale, as the controls showing them pick them.
#include "Artwork.h"
#include "Graphics.h"
#include "KvArtwork.h"
#include "Pixels.h"

#include <gtest/gtest.h>

#include <QSet>

#include <algorithm>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu, kOlive = 0xFF808000u, kSilver = 0xFFC0C0C0u;
constexpr QRgb kPanel = 0xFF35486Fu;  // (53, 72, 111)

QImage Picture(const char* name) {
  TBitmap bitmap;
  bitmap.LoadFromFile(
      QStringLiteral(KV_ARTWORK_ROOT "/app/pictures/%1.bmp").arg(QLatin1String(name)));
  return bitmap.Image();
}

double Distance(int x, int y, double cx, double cy) {
  return std::hypot(x + 0.5 - cx, y + 0.5 - cy);
}

// The columns of a row's non-white pixels, or an empty range.
struct RowRun {
  int first = -1, last = -1;
  int width() const { return first < 0 ? 0 : last - first + 1; }
};

class WindowFace : public ::testing::Test {
protected:
  static void SetUpTestSuite() { face = new QImage(Picture("DEMO_WINDOW")); }
  static void TearDownTestSuite() { delete face; }
  static RowRun RunOf(int y) {
    RowRun r;
    for (int x = 0; x < face->width(); ++x) {
      if (face->pixel(x, y) == kWhite) continue;
      if (r.first < 0) r.first = x;
      r.last = x;
    }
    return r;
  }
  static inline QImage* face = nullptr;
};

// One run per row means no white pixel lies inside the outline: the region scan finds
// no holes.
TEST_F(WindowFace, WhiteLiesOnlyOutsideOneOutlineSpanningItsBox) {
  ASSERT_EQ(face->size(), QSize(800, 600));
  int top = -1, bottom = -1, left = 800, right = -1;
  int64_t white = 0;
  for (int y = 0; y < 600; ++y) {
    const RowRun run = RunOf(y);
    for (int x = run.first; run.first >= 0 && x <= run.last; ++x)
      ASSERT_NE(face->pixel(x, y), kWhite) << "a hole at " << x << "," << y;
    white += 800 - run.width();
    if (run.first < 0) continue;
    if (top < 0) top = y;
    bottom = y;
    left = std::min(left, run.first);
    right = std::max(right, run.last);
  }
  EXPECT_EQ(QRect(QPoint(left, top), QPoint(right, bottom)),
            QRect(QPoint(16, 24), QPoint(775, 571)));
  const double outside = double(white) / (800.0 * 600.0);
  EXPECT_GT(outside, 0.15) << "about a fifth";
  EXPECT_LT(outside, 0.25) << "about a fifth";
}

TEST_F(WindowFace, TheOutlineIsNarrowerAtTopAndBottomWithATabOnTheTopLeft) {
  const RowRun middle = RunOf(300);
  EXPECT_EQ(middle.first, 16);
  EXPECT_EQ(middle.last, 775);
  EXPECT_LT(RunOf(70).width(), middle.width() - 30);
  EXPECT_LT(RunOf(540).width(), middle.width() - 30);
  for (int y = 24; y < 36; ++y) {
    const RowRun tab = RunOf(y);
    EXPECT_GE(tab.first, 95) << y;
    EXPECT_LE(tab.last, 268) << y;
  }
  EXPECT_LT(RunOf(24).first, 120);
  EXPECT_GT(RunOf(24).last, 245);
}

TEST_F(WindowFace, TheControlsSitInsideTheWindowAndThePanelColouredOnesOnPanelColour) {
  const QRect controls[] = {{124, 152, 110, 174},
                            {252, 132, 449, 325},
                            {48, 328, 241, 201},
                            {672, 68, 45, 21},
                            {630, 460, 71, 17}};
  for (const QRect& r : controls)
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) {
        ASSERT_NE(face->pixel(x, y), kWhite) << x << "," << y;
      }
  // Two pixels around the close and minimise buttons and the check box, and the gap
  // between the border's lines and the panel box.
  const auto ringIsPanel = [&](const QRect& inner, int width) {
    const QRect outer = inner.adjusted(-width, -width, width, width);
    for (int y = outer.top(); y <= outer.bottom(); ++y)
      for (int x = outer.left(); x <= outer.right(); ++x)
        if (!inner.contains(x, y)) {
          ASSERT_EQ(face->pixel(x, y), kPanel) << x << "," << y;
        }
  };
  ringIsPanel({672, 68, 45, 21}, 2);
  ringIsPanel({630, 460, 71, 17}, 2);
  ringIsPanel({256, 136, 441, 317}, 2);
}

// The clock's red dots are drawn straight onto the face, so it is dark there.
TEST_F(WindowFace, TheClockSitsOnADarkFace) {
  for (int y = 328; y < 529; ++y)
    for (int x = 48; x < 289; ++x)
      if (Distance(x, y, 168, 428) <= 82) {
        ASSERT_LT(qRed(face->pixel(x, y)), 64) << x << "," << y;
      }
}

// ---------------------------------------------------------------------------

// The counter leaves out the pixels of the resolved button-face colour, so the digits'
// background is exactly that colour; unlit segments are drawn too, so every cell has
// the same shape.
TEST(DemoPictures, TheCounterStripIsTenDigitsOnTheButtonFaceColour) {
  const QImage strip = Picture("DEMO_COUNTER");
  ASSERT_EQ(strip.size(), QSize(90, 13));
  const QRgb face = kv::ColorToPixel(clBtnFace);
  EXPECT_EQ(strip.pixel(0, 12), face);
  QSet<QByteArray> digits;
  const QImage first = strip.copy(0, 0, 9, 13);
  for (int d = 0; d < 10; ++d) {
    const QImage cell = strip.copy(9 * d, 0, 9, 13);
    digits.insert(QByteArray(reinterpret_cast<const char*>(cell.constBits()), cell.sizeInBytes()));
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(cell.pixel(x, y) == face, first.pixel(x, y) == face) << d;
      }
  }
  EXPECT_EQ(digits.size(), 10);
}

// The wheel draws both pictures leaving out their bottom-left colour, olive here; the
// knob's anti-aliased rim blends into the panel's colour, never into olive.
TEST(DemoPictures, TheWheelKnobAndHandleAreRoundOnOlive) {
  const QImage knob = Picture("DEMO_WHEELKNOB");
  ASSERT_EQ(knob.size(), QSize(85, 85));
  EXPECT_EQ(knob.pixel(0, 84), kOlive);
  for (int y = 0; y < 85; ++y) {
    for (int x = 0; x < 85; ++x) {
      const double r = Distance(x, y, 42.5, 42.5);
      if (r < 41.5) {
        EXPECT_NE(knob.pixel(x, y), kOlive) << x << "," << y;
      }
      if (r > 43.5) {
        EXPECT_EQ(knob.pixel(x, y), kOlive) << x << "," << y;
      }
    }
  }
  const QImage handle = Picture("DEMO_WHEELHANDLE");
  ASSERT_EQ(handle.size(), QSize(9, 9));
  EXPECT_EQ(handle.pixel(0, 8), kOlive);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      if (Distance(x, y, 4.5, 4.5) < 3.5) {
        EXPECT_NE(handle.pixel(x, y), kOlive) << x << "," << y;
      }
}

TEST(DemoPictures, TheMarkersShowTheirIndicatorsColourOnTheirTransparentBackground) {
  struct Marker {
    const char* name;
    QRgb background;
    QRgb color;
  };
  const Marker markers[] = {{"DEMO_JOGMARKER", kSilver, 0xFF4D679Fu},
                            {"DEMO_THERMO_SETPOINT", kOlive, 0xFF0000FFu},
                            {"DEMO_THERMO_PEAKMIN", kOlive, 0xFFFFFF00u},
                            {"DEMO_THERMO_PEAKMAX", kOlive, 0xFF00FFFFu},
                            {"DEMO_THERMO_VALUE", kOlive, 0xFF00FFFFu}};
  for (const Marker& m : markers) {
    const QImage img = Picture(m.name);
    EXPECT_EQ(img.size(), QSize(6, 9)) << m.name;
    EXPECT_EQ(img.pixel(0, img.height() - 1), m.background) << m.name;
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) colours.insert(img.pixel(x, y));
    EXPECT_TRUE(colours.contains(m.color)) << m.name;
  }
}

// Each pixel becomes an LED square of a 20-row grid whose bevel covers the outer rows;
// squares of the top-left colour show unlit.
TEST(DemoPictures, TheBannerIsBrightLetteringOnItsUnlitColourWithinTheVisibleRows) {
  const QImage banner = Picture("DEMO_BANNER");
  ASSERT_EQ(banner.height(), 20);
  EXPECT_GT(banner.width(), 120) << "wider than the grid, so it scrolls through";
  const QRgb unlit = banner.pixel(0, 0);
  EXPECT_LT(std::max({qRed(unlit), qGreen(unlit), qBlue(unlit)}), 64);
  int lit = 0;
  for (int y = 0; y < banner.height(); ++y) {
    for (int x = 0; x < banner.width(); ++x) {
      const QRgb px = banner.pixel(x, y);
      if (px == unlit) continue;
      ++lit;
      EXPECT_TRUE(y >= 2 && y <= 17) << x << "," << y;
      EXPECT_GE(std::max({qRed(px), qGreen(px), qBlue(px)}), 200) << x << "," << y;
    }
  }
  EXPECT_GT(lit, 300);
}

// ---------------------------------------------------------------------------

// Reads the picture back as a form description's inline data brings it.
void ReadBack(TBitmap& read, const TBitmap& written) {
  TMemoryStream stream;
  written.SaveToStream(stream);
  TMemoryStream data(stream.Data());
  read.LoadFromStream(data);
}

// Each demo picture that is shown as a picture, loaded by name as a form names it, is drawn
// at scales 2 and 3 in the version drawn for that scale, whose edges are finer than the 1x
// pixels enlarged; read back from a form description's inline data it is still that
// picture, and changed it is drawn as it is. The banner reads its pixels as the cells of
// its LED grid, so it has no larger version and is drawn as it is.
TEST(DemoPictures, AtScalesTwoAndThreeEachPictureIsDrawnInTheVersionDrawnForTheScale) {
  int shownAsPictures = 0;
  for (const kv::art::Asset& asset : kv::art::Assets()) {
    if (asset.folder != kv::art::Folder::Demo) continue;
    const QString name = QString::fromLatin1(asset.fileName).section(QLatin1Char('.'), 0, 0);
    SCOPED_TRACE(name.toStdString());
    TBitmap named;
    named.LoadFromResourceName(name);
    kv::TKvScaledPicture shown;
    if (kv::art::ScalesOf(asset).size() == 1) {
      EXPECT_EQ(name, QStringLiteral("DEMO_BANNER"));
      EXPECT_EQ(shown.Shown(named, 2), &named) << "a picture without larger versions is as it is";
      continue;
    }
    ++shownAsPictures;
    for (const int scale : {2, 3}) {
      SCOPED_TRACE(scale);
      const TBitmap* picture = shown.Shown(named, scale);
      ASSERT_EQ(picture->DeviceScale(), scale);
      EXPECT_EQ(QSize(picture->Width(), picture->Height()), QSize(named.Width(), named.Height()));
      TBitmap version;
      version.LoadFromFile(QStringLiteral(":/kv/res/") + kv::art::FileNameAt(asset, scale));
      EXPECT_SAME_PIXELS(picture->Image(), version.Image());
      EXPECT_GT(kvtest::MixedBlocks(picture->Image(), scale), 0) << "the 1x pixels enlarged";
    }
    TBitmap read;
    ReadBack(read, named);
    EXPECT_EQ(shown.Shown(read, 2)->DeviceScale(), 2);
    read.Canvas()->SetPixels(0, 0, TColor(0x123456));
    EXPECT_EQ(shown.Shown(read, 2), &read);
  }
  EXPECT_EQ(shownAsPictures, 9);
}

}  // namespace
