// The library's named bitmaps as their controls load them: by name, with the geometry,
// depth and transparent colour each control expects, and with the colours the controls
// replace or key on exactly where their drawing rules need them.
#include "Artwork.h"
#include "Graphics.h"
#include "ScaledResources.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include <functional>

namespace {

constexpr QRgb kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu, kGrey = 0xFF808080u,
               kSilver = 0xFFC0C0C0u;
constexpr QRgb kGreen = 0xFF008000u, kLime = 0xFF00FF00u, kOlive = 0xFF808000u,
               kFuchsia = 0xFFFF00FFu;
constexpr QRgb kRed = 0xFFFF0000u, kYellow = 0xFFFFFF00u, kMaroon = 0xFF800000u,
               kBlue = 0xFF0000FFu;

struct Entry {
  const char* name;
  int width, height, cells;
  TPixelFormat depth;
  QRgb transparent;  // the bottom-left pixel, or the colour the control names
};

constexpr auto k4 = TPixelFormat::pf4bit;
constexpr auto k24 = TPixelFormat::pf24bit;

constexpr Entry kBitmaps[] = {
    {"NOXPIN", 6, 9, 1, k4, kSilver},
    {"NOXLEFT", 6, 9, 1, k4, kOlive},
    // The matrix draws its cells opaque; the 9 x 13 cell's last dot lies in its corner.
    {"BMCOUNTER", 90, 13, 10, k4, kBlack},
    {"KVMATRIXLED9X13", 9, 13, 1, k4, kGrey},
    {"KVMATRIXLED14X20", 14, 20, 1, k4, kBlack},
    {"KVMATRIXLED19X27", 19, 27, 1, k4, kBlack},
    {"LIGHTS_RND_OFF", 39, 13, 3, k4, kBlack},
    {"LIGHTS_RND_ON", 39, 13, 3, k4, kBlack},
    {"LIGHTS_RECT_OFF", 51, 7, 3, k4, kBlack},
    {"LIGHTS_RECT_ON", 51, 7, 3, k4, kBlack},
    {"LIGHTS_SQR_OFF", 39, 13, 3, k4, kBlack},
    {"LIGHTS_SQR_ON", 39, 13, 3, k4, kBlack},
    {"LIGHTS_DMD_OFF", 39, 13, 3, k4, kBlack},
    {"LIGHTS_DMD_ON", 39, 13, 3, k4, kBlack},
    {"IT_SOUND", 44, 22, 2, k4, kBlack},
    {"IT_CD", 44, 22, 2, k4, kBlack},
    {"IT_PLUG", 44, 22, 2, k4, kBlack},
    {"IT_MIKE", 44, 22, 2, k4, kBlack},
    {"IT_PLAYMEDIA", 44, 22, 2, k4, kBlack},
    {"IT_SPEAKER", 44, 22, 2, k4, kBlack},
    {"IT_NOTE", 44, 22, 2, k4, kBlack},
    {"IT_PLAYBACK", 44, 22, 2, k4, kBlack},
    {"IT_FREQUENCY", 44, 22, 2, k4, kBlack},
    {"IT_RECORD", 44, 22, 2, k4, kBlack},
    {"IT_REWIND", 44, 22, 2, k4, kBlack},
    {"IT_REPLAY", 44, 22, 2, k4, kBlack},
    {"VWBACK", 85, 85, 1, k4, kOlive},
    {"VWHANDLE", 9, 9, 1, k24, kOlive},
    {"KVSWITCHTHUMB_VERT", 24, 12, 1, k24, kBlack},
    {"KVSWITCHTHUMB_HORI", 12, 24, 1, k24, kBlack},
    {"KVTB_HORI", 9, 17, 1, k24, kBlack},
    {"KVTB_VERT", 17, 9, 1, k24, kBlack},
    {"ARROWS_UP", 63, 16, 3, k24, kFuchsia},
    {"ARROWS_DOWN", 63, 16, 3, k24, kFuchsia},
    {"ARROWS_LEFT", 51, 21, 3, k24, kFuchsia},
    {"ARROWS_RIGHT", 51, 21, 3, k24, kFuchsia},
    {"KVSLIDERTHUMB_HORI", 30, 13, 1, k24, kBlack},
    {"KVSLIDERTHUMB_VERT", 13, 30, 1, k24, kBlack},
    {"LEFTARROW", 56, 27, 2, k24, kWhite},
    {"RIGHTARROW", 56, 27, 2, k24, kWhite},
    {"UPARROW", 54, 28, 2, k24, kWhite},
    {"DOWNARROW", 54, 28, 2, k24, kWhite},
    {"EN_IMAGES", 110, 9, 10, k24, kOlive},
    {"DI_IMAGES", 110, 9, 10, k24, kOlive},
};

QImage Load(const QString& name) {
  TBitmap bitmap;
  bitmap.LoadFromResourceName(name);
  return bitmap.Image();
}

QImage Cell(const QImage& strip, int cells, int k) {
  const int w = strip.width() / cells;
  return strip.copy(k * w, 0, w, strip.height());
}

QSet<QRgb> ColoursOf(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  return colours;
}

QImage Recoloured(QImage image, const std::function<QRgb(QRgb)>& map) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, map(image.pixel(x, y)));
  return image;
}

// The pixels that are not the background, as a mask (white on black).
QImage Silhouette(const QImage& image, QRgb background) {
  return Recoloured(image, [background](QRgb px) { return px == background ? kBlack : kWhite; });
}

// The pixels as bytes, to tell pictures apart.
QByteArray Key(const QImage& image) {
  return QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}

QImage Transposed(const QImage& image) {
  QImage t(image.height(), image.width(), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) t.setPixel(y, x, image.pixel(x, y));
  return t;
}

QImage MirroredX(const QImage& image) {
  return image.mirrored(true, false).convertToFormat(QImage::Format_RGB32);
}
QImage MirroredY(const QImage& image) {
  return image.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

// ---------------------------------------------------------------------------

TEST(LibraryArtwork, TheTableListsExactlyTheLibrarysBitmaps) {
  QSet<QString> drawn;
  for (const kv::art::Asset& a : kv::art::Assets()) {
    const QString file = QLatin1String(a.fileName);
    if (a.folder == kv::art::Folder::Library && file.endsWith(QLatin1String(".bmp")))
      drawn.insert(file.chopped(4));
  }
  QSet<QString> listed;
  for (const Entry& e : kBitmaps) listed.insert(QLatin1String(e.name));
  EXPECT_EQ(listed.size(), 44);
  EXPECT_EQ(drawn, listed);
}

TEST(LibraryArtwork, EveryBitmapLoadsByNameInAnyCaseWithItsGeometryDepthAndTransparentColour) {
  for (const Entry& e : kBitmaps) {
    for (const QString& name :
         {QString::fromLatin1(e.name), QString::fromLatin1(e.name).toLower()}) {
      TBitmap bitmap;
      ASSERT_NO_THROW(bitmap.LoadFromResourceName(name)) << e.name;
      EXPECT_EQ(bitmap.Width(), e.width) << e.name;
      EXPECT_EQ(bitmap.Height(), e.height) << e.name;
      EXPECT_EQ(bitmap.Width() % e.cells, 0) << e.name;
      EXPECT_EQ(bitmap.PixelFormat(), e.depth) << e.name;
      EXPECT_EQ(bitmap.TransparentColor().Value, kv::PixelToColor(e.transparent).Value) << e.name;
    }
  }
}

// Each bitmap loads at 2x and 3x from its own drawn version: the 1x geometry in bitmap
// pixels, an image of exactly two or three times the size, the same key colour in the
// bottom-left pixel, no colour the 1x picture lacks (keys and the colours the controls
// replace stay exact), and each cell drawn over its own artwork pixels.
TEST(LibraryArtwork, EveryBitmapComesAtTwoAndThreeTimesWithItsKeyColoursAndCells) {
  for (const Entry& e : kBitmaps) {
    const QImage one = Load(QLatin1String(e.name));
    const QSet<QRgb> colours = ColoursOf(one);
    for (const int scale : {2, 3}) {
      SCOPED_TRACE(std::string(e.name) + " at " + std::to_string(scale));
      EXPECT_TRUE(QFile::exists(QStringLiteral(":/kv/res/") +
                                kv::ScaledResourceFileName(QLatin1String(e.name), "bmp", scale)));
      TBitmap bitmap;
      kv::LoadResourceBitmap(bitmap, QLatin1String(e.name), scale);
      EXPECT_EQ(bitmap.Width(), e.width);
      EXPECT_EQ(bitmap.Height(), e.height);
      EXPECT_EQ(bitmap.DeviceScale(), scale);
      EXPECT_EQ(bitmap.PixelFormat(), e.depth);
      const QImage image = bitmap.Image();
      ASSERT_EQ(image.size(), one.size() * scale);
      EXPECT_EQ(image.pixel(0, image.height() - 1), one.pixel(0, one.height() - 1));
      EXPECT_EQ(bitmap.TransparentColor().Value, kv::PixelToColor(e.transparent).Value);
      EXPECT_TRUE(colours.contains(ColoursOf(image)));
      // An artwork pixel's block holds its own colour, nearly everywhere: only edges that a
      // finer drawing moves by less than a pixel may differ.
      for (int k = 0; k < e.cells; ++k) {
        const QImage cell = Cell(image, e.cells, k), cell1 = Cell(one, e.cells, k);
        int kept = 0;
        for (int y = 0; y < cell1.height(); ++y)
          for (int x = 0; x < cell1.width(); ++x)
            kept +=
                ColoursOf(cell.copy(x * scale, y * scale, scale, scale)).contains(cell1.pixel(x, y))
                    ? 1
                    : 0;
        EXPECT_GE(kept, cell1.width() * cell1.height() * 9 / 10) << "cell " << k;
      }
    }
  }
}

// A scale without a drawn version (4) takes the nearest one (3x) scaled smoothly: blended
// colours, never repeated pixels; a missing name is an error at every scale.
TEST(LibraryArtwork, AScaleWithoutItsVersionIsTheNearestScaledSmoothly) {
  TBitmap bitmap;
  kv::LoadResourceBitmap(bitmap, QStringLiteral("VWBACK"), 4);
  EXPECT_EQ(bitmap.Width(), 85);
  EXPECT_EQ(bitmap.DeviceScale(), 4);
  ASSERT_EQ(bitmap.Image().size(), QSize(340, 340));
  EXPECT_FALSE(ColoursOf(Load(QStringLiteral("VWBACK"))).contains(ColoursOf(bitmap.Image())));
  for (const int scale : {1, 2, 4})
    EXPECT_THROW(kv::LoadResourceBitmap(bitmap, QStringLiteral("NOSUCHPICTURE"), scale),
                 EInvalidGraphic);
}

// The hand cursor is a pixmap of the ratio asked for, its hot spot in logical pixels.
TEST(LibraryArtwork, TheHandCursorComesAtEachRatioWithTheSameHotSpot) {
  const QCursor one = kv::LoadCursorAt(QStringLiteral("KVCURSORHANDPOINT"), 1);
  for (const int scale : {2, 3}) {
    const QCursor cursor = kv::LoadCursorAt(QStringLiteral("KVCURSORHANDPOINT"), scale);
    EXPECT_EQ(cursor.pixmap().devicePixelRatio(), scale);
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32) * scale);
    EXPECT_EQ(cursor.hotSpot(), one.hotSpot());
  }
}

// 4-bit files hold the standard VGA table, whichever colours a picture uses.
TEST(LibraryArtwork, FourBitFilesCarryTheVgaTable) {
  constexpr uint32_t kVga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                 0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (const Entry& e : kBitmaps) {
    if (e.depth != k4) continue;
    QFile file(kv::FindResource(QLatin1String(e.name), "bmp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << e.name;
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 54 + 64) << e.name;
    for (int i = 0; i < 16; ++i) {
      const auto byte = [&](int k) { return uint32_t(uint8_t(bytes.at(54 + 4 * i + k))); };
      EXPECT_EQ(byte(2) << 16 | byte(1) << 8 | byte(0), kVga[i]) << e.name << " entry " << i;
    }
  }
}

// ---------------------------------------------------------------------------
// Tinted pictures

// Grey dots on black on the style's pitch; the square the control lights for a dot
// covers exactly that dot's pixels.
TEST(LibraryArtwork, MatrixCellsHoldTheUnlitDotsWhereTheLitSquaresFall) {
  struct Style {
    const char* name;
    int d;
    std::vector<QPoint> grey;  // within one dot's d x d block
  };
  const Style styles[] = {{"KVMATRIXLED9X13", 1, {{0, 0}}},
                          {"KVMATRIXLED14X20", 2, {{0, 0}, {1, 1}}},
                          {"KVMATRIXLED19X27", 3, {{1, 0}, {0, 1}, {1, 1}, {2, 1}, {1, 2}}}};
  for (const Style& s : styles) {
    const QImage cell = Load(QLatin1String(s.name));
    const int cw = cell.width();
    QImage expected = Recoloured(cell, [](QRgb) { return kBlack; });
    for (int r = 0; r < 7; ++r) {
      for (int j = 0; j < 5; ++j) {
        const int x = cw - s.d - j * (s.d + 1), y = r * (s.d + 1);
        for (const QPoint& p : s.grey) expected.setPixel(x + p.x(), y + p.y(), kGrey);
      }
    }
    EXPECT_EQ(cell, expected) << s.name;
  }
}

// Off cell all grey, on cell silver with grey details, both the same silhouette.
TEST(LibraryArtwork, SymbolsAreGreyWhenOffAndSilverWhenOnInTheSameShape) {
  QSet<QByteArray> shapes;
  for (const Entry& e : kBitmaps) {
    if (!QLatin1String(e.name).startsWith(QLatin1String("IT_"))) continue;
    const QImage strip = Load(QLatin1String(e.name));
    const QImage off = Cell(strip, 2, 0), on = Cell(strip, 2, 1);
    EXPECT_EQ(ColoursOf(off), (QSet<QRgb>{kBlack, kGrey})) << e.name;
    EXPECT_TRUE(ColoursOf(on).contains(kSilver)) << e.name;
    EXPECT_TRUE(ColoursOf(on).subtract({kBlack, kGrey, kSilver}).isEmpty()) << e.name;
    EXPECT_EQ(Silhouette(off, kBlack), Silhouette(on, kBlack)) << e.name;
    shapes.insert(Key(Silhouette(off, kBlack)));
  }
  EXPECT_EQ(shapes.size(), 12);
}

// The disabled cell is the normal one in green, the pressed one has its edges swapped;
// the outline the hit test ignores is black.
TEST(LibraryArtwork, SpinArrowCellsDifferOnlyInFillAndEdges) {
  for (const char* name : {"ARROWS_UP", "ARROWS_DOWN", "ARROWS_LEFT", "ARROWS_RIGHT"}) {
    const QImage strip = Load(QLatin1String(name));
    const QImage disabled = Cell(strip, 3, 0), normal = Cell(strip, 3, 1),
                 pressed = Cell(strip, 3, 2);
    EXPECT_EQ(ColoursOf(normal), (QSet<QRgb>{kFuchsia, kBlack, kWhite, kGrey, kLime})) << name;
    EXPECT_EQ(disabled, Recoloured(normal, [](QRgb px) { return px == kLime ? kGreen : px; }))
        << name;
    EXPECT_EQ(pressed, Recoloured(normal,
                                  [](QRgb px) {
                                    return px == kWhite ? kGrey : px == kGrey ? kWhite : px;
                                  }))
        << name;
    for (int y = 0; y < normal.height(); ++y) {
      for (int x = 0; x < normal.width(); ++x) {
        const auto outside = [&](int px, int py) {
          return !normal.rect().contains(px, py) || normal.pixel(px, py) == kFuchsia;
        };
        if (outside(x, y)) continue;
        const bool edge =
            outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) || outside(x, y + 1);
        EXPECT_EQ(normal.pixel(x, y) == kBlack, edge) << name << " " << x << "," << y;
      }
    }
  }
  const QImage up = Silhouette(Cell(Load("ARROWS_UP"), 3, 1), kFuchsia);
  EXPECT_EQ(Silhouette(Cell(Load("ARROWS_DOWN"), 3, 1), kFuchsia), MirroredY(up));
  const QImage left = Silhouette(Cell(Load("ARROWS_LEFT"), 3, 1), kFuchsia);
  EXPECT_EQ(Silhouette(Cell(Load("ARROWS_RIGHT"), 3, 1), kFuchsia), MirroredX(left));
  // The apex is a single pixel on the middle column of the topmost drawn row.
  EXPECT_EQ(up.pixel(10, 1), kWhite);
  EXPECT_EQ(up.pixel(9, 1), kBlack);
  EXPECT_EQ(left.pixel(1, 10), kWhite);
  EXPECT_EQ(left.pixel(1, 9), kBlack);
}

TEST(LibraryArtwork, BlockArrowsHaveTheirHeadStemAndOutlines) {
  const QImage up = Load("UPARROW");
  const QImage unlit = Cell(up, 2, 0), lit = Cell(up, 2, 1);
  EXPECT_EQ(unlit, Recoloured(lit, [](QRgb px) { return px == kLime ? kGreen : px; }));
  EXPECT_EQ(ColoursOf(lit), (QSet<QRgb>{kWhite, kGrey, kBlack, kLime}));
  for (int y = 0; y < 28; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < 27; ++x)
      if (lit.pixel(x, y) != kWhite) {
        if (first < 0) first = x;
        last = x;
      }
    if (y <= 13) {
      EXPECT_EQ(first, 13 - y) << "head row " << y;
      EXPECT_EQ(last, 13 + y) << "head row " << y;
    } else {
      EXPECT_EQ(first, 6) << "stem row " << y;
      EXPECT_EQ(last, 20) << "stem row " << y;
    }
  }
  EXPECT_EQ(lit.pixel(13, 0), kGrey);
  EXPECT_EQ(lit.pixel(13, 1), kBlack);
  EXPECT_EQ(lit.pixel(13, 2), kLime);
  EXPECT_EQ(lit.pixel(6, 20), kGrey);
  EXPECT_EQ(lit.pixel(7, 20), kBlack);
  EXPECT_EQ(lit.pixel(8, 20), kLime);
  EXPECT_EQ(Load("DOWNARROW"), MirroredY(up));
  const QImage left = Load("LEFTARROW");
  EXPECT_EQ(Cell(left, 2, 1), Transposed(lit));
  EXPECT_EQ(Cell(left, 2, 0), Transposed(unlit));
  EXPECT_EQ(Load("RIGHTARROW").copy(28, 0, 28, 27), MirroredX(Cell(left, 2, 1)));
}

// ---------------------------------------------------------------------------
// Keyed pictures

TEST(LibraryArtwork, LampsKeepTheirShapeLitOrUnlitAndTheirColourFamily) {
  const QRgb lit[] = {kLime, kYellow, kRed};
  const QRgb unlit[] = {kGreen, kOlive, kMaroon};
  for (const char* type : {"RND", "RECT", "SQR", "DMD"}) {
    const QImage on = Load(QStringLiteral("LIGHTS_%1_ON").arg(QLatin1String(type)));
    const QImage off = Load(QStringLiteral("LIGHTS_%1_OFF").arg(QLatin1String(type)));
    EXPECT_EQ(Silhouette(on, kBlack), Silhouette(off, kBlack)) << type;
    const QImage shape = Silhouette(Cell(on, 3, 0), kBlack);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(Silhouette(Cell(on, 3, k), kBlack), shape) << type << k;
      const QSet<QRgb> onColours = ColoursOf(Cell(on, 3, k)),
                       offColours = ColoursOf(Cell(off, 3, k));
      EXPECT_TRUE(onColours.contains(lit[k])) << type << k;
      EXPECT_TRUE(offColours.contains(unlit[k])) << type << k;
      EXPECT_FALSE(offColours.contains(lit[k])) << type << k;
    }
    // A lamp fills its cell: its middle row runs from edge to edge.
    const int mid = shape.height() / 2;
    EXPECT_EQ(shape.pixel(0, mid), kWhite) << type;
    EXPECT_EQ(shape.pixel(shape.width() - 1, mid), kWhite) << type;
  }
}

TEST(LibraryArtwork, ThumbsShowTheirBevelFaceAndGroove) {
  struct Thumb {
    const char* name;
    QRect groove;  // empty: none
  };
  const Thumb thumbs[] = {
      {"KVSWITCHTHUMB_VERT", QRect(QPoint(4, 4), QPoint(19, 7))},
      {"KVSWITCHTHUMB_HORI", QRect(QPoint(4, 4), QPoint(7, 19))},
      {"KVTB_HORI", {}},
      {"KVTB_VERT", {}},
      {"KVSLIDERTHUMB_HORI", QRect(QPoint(4, 4), QPoint(25, 8))},
      {"KVSLIDERTHUMB_VERT", QRect(QPoint(4, 4), QPoint(8, 25))},
  };
  for (const Thumb& t : thumbs) {
    const QImage img = Load(QLatin1String(t.name));
    const int w = img.width(), h = img.height();
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        QRgb expected = kSilver;
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1) expected = kBlack;
        else if (x == 1 || y == 1) expected = kWhite;
        else if (x == w - 2 || y == h - 2) expected = kGrey;
        else if (t.groove.contains(x, y)) {
          const QRect g = t.groove;
          if (x == g.left() || y == g.top()) expected = kWhite;
          else expected = x == g.right() || y == g.bottom() ? kGrey : kBlack;
        }
        ASSERT_EQ(img.pixel(x, y), expected) << t.name << " " << x << "," << y;
      }
    }
  }
}

// The symbols' pixels are black (silver when disabled), with grey on their upper or
// left neighbour and never a symbol colour outside their extents.
TEST(LibraryArtwork, MediaGlyphsMatchTheButtonTypes) {
  const QImage en = Load("EN_IMAGES"), di = Load("DI_IMAGES");
  const auto at = [](const QImage& strip, int cell, int x, int y) {
    return strip.pixel(cell * 11 + x, y);
  };
  // Power lamp.
  for (int y = 2; y <= 6; ++y) {
    for (int x = 1; x <= 9; ++x) {
      const bool inside = x >= 2 && x <= 8 && y >= 3 && y <= 5;
      const QRgb edge = (y == 2 || x == 1) ? kGrey : kWhite;
      EXPECT_EQ(at(en, 0, x, y), inside ? kLime : edge) << x << "," << y;
      EXPECT_EQ(at(di, 0, x, y), inside ? kGreen : edge) << x << "," << y;
    }
  }
  struct Probe {
    int cell, x, y;
    bool symbol;
  };
  const Probe probes[] = {
      {1, 3, 1, true}, {1, 3, 7, true}, {1, 7, 4, true},  {1, 8, 4, false}, {1, 4, 1, false},
      {2, 2, 1, true}, {2, 4, 7, true}, {2, 5, 4, false}, {2, 6, 1, true},  {2, 8, 7, true},
      {3, 2, 1, true}, {3, 8, 7, true}, {3, 1, 4, false}, {3, 9, 4, false}, {4, 1, 1, true},
      {4, 3, 7, true}, {4, 4, 4, true}, {4, 8, 1, true},  {4, 8, 7, true},  {4, 4, 1, false},
      {5, 0, 4, true}, {5, 4, 1, true}, {5, 5, 4, true},  {5, 9, 7, true},  {5, 10, 4, false},
      {6, 1, 1, true}, {6, 5, 4, true}, {6, 6, 7, true},  {6, 10, 4, true}, {6, 0, 4, false},
      {7, 2, 1, true}, {7, 6, 4, true}, {7, 7, 1, true},  {7, 9, 7, true},  {7, 10, 4, false},
      {8, 5, 1, true}, {8, 2, 4, true}, {8, 8, 4, true},  {8, 5, 7, true},  {8, 2, 1, false},
      {9, 1, 1, true}, {9, 9, 1, true}, {9, 5, 6, true},  {9, 5, 7, false}, {9, 1, 2, false},
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(at(en, p.cell, p.x, p.y) == kBlack, p.symbol) << p.cell << ":" << p.x << "," << p.y;
    EXPECT_EQ(at(di, p.cell, p.x, p.y) == kSilver, p.symbol) << p.cell << ":" << p.x << "," << p.y;
  }
  for (int cell = 1; cell < 10; ++cell) {
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 11; ++x) {
        const QRgb e = at(en, cell, x, y);
        EXPECT_EQ(at(di, cell, x, y), e == kBlack ? kSilver : e) << cell << ":" << x << "," << y;
        if (e != kBlack) continue;
        if (x > 0 && at(en, cell, x - 1, y) != kBlack) {
          EXPECT_EQ(at(en, cell, x - 1, y), kGrey) << cell << ":" << x;
        }
        if (y > 0 && at(en, cell, x, y - 1) != kBlack) {
          EXPECT_EQ(at(en, cell, x, y - 1), kGrey) << cell << ":" << y;
        }
      }
    }
  }
}

TEST(LibraryArtwork, CounterDigitsAreLimeOnBlackAndEightHoldsEverySegment) {
  const QImage strip = Load("BMCOUNTER");
  EXPECT_EQ(ColoursOf(strip), (QSet<QRgb>{kBlack, kLime}));
  const QImage eight = Cell(strip, 10, 8);
  QSet<QByteArray> digits;
  for (int d = 0; d < 10; ++d) {
    const QImage digit = Cell(strip, 10, d);
    digits.insert(Key(digit));
    for (int y = 0; y < digit.height(); ++y)
      for (int x = 0; x < digit.width(); ++x)
        if (digit.pixel(x, y) == kLime) {
          EXPECT_EQ(eight.pixel(x, y), kLime) << d;
        }
  }
  EXPECT_EQ(digits.size(), 10);
  // The one is its right-hand segments only.
  const QImage one = Cell(strip, 10, 1);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(one.pixel(x, y), kBlack) << x << "," << y;
    }
}

TEST(LibraryArtwork, WheelKnobAndHandleSitOnOlive) {
  const QImage knob = Load("VWBACK");
  for (int y = 0; y < 85; ++y) {
    for (int x = 0; x < 85; ++x) {
      const double dx = x + 0.5 - 42.5, dy = y + 0.5 - 42.5;
      if (dx * dx + dy * dy <= 41.5 * 41.5) {
        EXPECT_NE(knob.pixel(x, y), kOlive) << x << "," << y;
      }
      if (dx * dx + dy * dy >= 43.0 * 43.0) {
        EXPECT_EQ(knob.pixel(x, y), kOlive) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(knob.pixel(42, 42), kSilver);
  EXPECT_EQ(knob.pixel(42, 62), kSilver);  // where the handle passes
  EXPECT_EQ(knob.pixel(13, 13), kWhite);   // the rim, up and to the left
  EXPECT_EQ(knob.pixel(71, 71), kGrey);    // down and to the right
  const QImage handle = Load("VWHANDLE");
  EXPECT_EQ(handle.pixel(4, 4), kRed);
  EXPECT_EQ(handle.pixel(4, 0), kBlack);
  EXPECT_EQ(handle.pixel(0, 4), kBlack);
  EXPECT_EQ(handle.pixel(8, 4), kBlack);
  for (const QPoint corner : {QPoint(0, 0), QPoint(8, 0), QPoint(0, 8), QPoint(8, 8)})
    EXPECT_EQ(handle.pixel(corner), kOlive);
}

// How many pixels of each row (or column) differ from the background.
std::vector<int> Widths(const QImage& image, QRgb background, bool columns) {
  std::vector<int> counts(size_t(columns ? image.width() : image.height()), 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != background) ++counts[size_t(columns ? x : y)];
  return counts;
}

TEST(LibraryArtwork, MarkersAreABluePinAndALeftTriangle) {
  const QImage pin = Load("NOXPIN");
  EXPECT_TRUE(ColoursOf(pin).contains(kBlue));
  const std::vector<int> rows = Widths(pin, kSilver, false);
  EXPECT_LT(rows.front(), rows[6]) << "narrow at the top, wide at the bottom";
  const QImage triangle = Load("NOXLEFT");
  EXPECT_TRUE(ColoursOf(triangle).contains(kBlue));
  const std::vector<int> columns = Widths(triangle, kOlive, true);
  EXPECT_EQ(columns.front(), 1) << "the tip";
  EXPECT_NE(triangle.pixel(0, 4), kOlive);
  for (size_t x = 1; x < columns.size(); ++x) {
    EXPECT_GE(columns[x], columns[x - 1] + (x > 1 ? 2 : 0)) << x;
  }
}

}  // namespace
