#include "BmpCodec.h"
#include "Graphics.h"
#include "Pixels.h"

#include <gtest/gtest.h>

#include <QtEndian>

#include <limits>
#include <optional>

namespace {

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;

// A BMP file put together field by field; every field can be made wrong.
struct BmpFile {
  uint32_t headerSize = 40;
  int32_t width = 2;
  int32_t height = 2;
  uint16_t planes = 1;
  uint16_t bitsPerPixel = 24;
  uint32_t compression = kv::bmp::BI_RGB;
  std::optional<uint32_t> colorsUsed = std::nullopt;  // the table's size by default
  std::vector<uint32_t> masks;                        // after a 40-byte header, inside a larger one
  std::vector<uint32_t> table;                        // 0xRRGGBB
  QByteArray pixels = QByteArray(16, '\0');
  std::optional<uint32_t> fileSize = std::nullopt;
  std::optional<uint32_t> offBits = std::nullopt;

  QByteArray Bytes() const {
    QByteArray info;
    kv::bmp::AppendUint32(info, headerSize);
    if (headerSize == 12) {
      kv::bmp::AppendUint16(info, uint16_t(width));
      kv::bmp::AppendUint16(info, uint16_t(height));
    } else {
      kv::bmp::AppendUint32(info, uint32_t(width));
      kv::bmp::AppendUint32(info, uint32_t(height));
    }
    kv::bmp::AppendUint16(info, planes);
    kv::bmp::AppendUint16(info, bitsPerPixel);
    if (headerSize != 12) {
      const uint32_t used = colorsUsed.value_or(uint32_t(table.size()));
      for (uint32_t v : {compression, uint32_t(pixels.size()), 0u, 0u, used, 0u})
        kv::bmp::AppendUint32(info, v);
      for (uint32_t m : masks) kv::bmp::AppendUint32(info, m);
      if (headerSize > 40) info.append(QByteArray(qsizetype(headerSize) - info.size(), '\0'));
    }
    for (uint32_t e : table) {
      kv::bmp::AppendUint16(info, uint16_t(e & 0xFFFF));
      if (headerSize == 12) {
        info.append(char(e >> 16));
      } else {
        kv::bmp::AppendUint16(info, uint16_t(e >> 16));
      }
    }
    QByteArray file("BM");
    kv::bmp::AppendUint32(file, fileSize.value_or(uint32_t(14 + info.size() + pixels.size())));
    kv::bmp::AppendUint32(file, 0);
    kv::bmp::AppendUint32(file, offBits.value_or(uint32_t(14 + info.size())));
    return file + info + pixels;
  }
};

kv::bmp::Image Decode(const QByteArray& file) {
  return kv::bmp::Decode(
      std::span(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size())));
}

uint32_t Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

QImage TestImage(int w, int h, std::span<const uint32_t> colours) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.setPixel(x, y, colours[size_t(x * 7 + y * 3) % colours.size()]);
  return image;
}

TEST(BmpCodec, IndexedRoundTripsKeepPixelsDepthAndTable) {
  const std::vector<uint32_t> tables[] = {
      {kBlack, kWhite}, {kRed, kGreen, kBlue, kWhite, 0xFF123456u}, std::vector<uint32_t>(200, 0)};
  std::vector<uint32_t> wide = tables[2];
  for (size_t i = 0; i < wide.size(); ++i) wide[i] = 0xFF000000u | uint32_t(i * 0x010203u);
  const std::pair<int, std::vector<uint32_t>> cases[] = {{1, tables[0]}, {4, tables[1]}, {8, wide}};
  for (const auto& [depth, table] : cases) {
    const QImage image = TestImage(13, 5, table);  // 13 columns: every depth pads its rows
    const std::optional<QByteArray> file = kv::bmp::EncodeIndexed(image, depth, table);
    ASSERT_TRUE(file) << depth;
    EXPECT_EQ(qFromLittleEndian<uint32_t>(file->constData() + 2), uint32_t(file->size()));
    EXPECT_EQ(qFromLittleEndian<uint32_t>(file->constData() + 10), 14u + 40u + 4u * table.size());
    const kv::bmp::Image back = Decode(*file);
    EXPECT_EQ(back.bitsPerPixel, depth);
    EXPECT_EQ(back.colorTable, table);
    EXPECT_SAME_PIXELS(back.pixels, image) << depth;
  }
}

TEST(BmpCodec, TwentyFourBitFileIsBottomUpAndPadded) {
  const uint32_t colours[] = {kRed, 0xFF102030u, kBlue, kWhite};
  const QImage image = TestImage(5, 3, colours);
  const QByteArray file = kv::bmp::Encode24(image);
  ASSERT_EQ(file.size(), 14 + 40 + 16 * 3);  // 5 * 3 bytes padded to 16
  EXPECT_EQ(qFromLittleEndian<int32_t>(file.constData() + 22), 3);
  // The first row stored is the bottom row, blue first.
  const uint32_t bottomLeft = Pixel(image, 0, 2);
  EXPECT_EQ(uint8_t(file[54]), uint8_t(bottomLeft));
  EXPECT_EQ(uint8_t(file[56]), uint8_t(bottomLeft >> 16));
  EXPECT_SAME_PIXELS(Decode(file).pixels, image);
}

TEST(BmpCodec, IndexedEncodingNeedsEveryPixelInTheTable) {
  const uint32_t table[] = {kRed, kGreen};
  QImage image = TestImage(4, 4, table);
  EXPECT_FALSE(
      kv::bmp::EncodeIndexed(image, 1, std::vector<uint32_t>{kRed, kGreen, kBlue}));  // 3 > 2^1
  image.setPixel(3, 3, kBlue);
  EXPECT_FALSE(kv::bmp::EncodeIndexed(image, 4, table));
  EXPECT_THROW(kv::bmp::Encode24(QImage()), EInvalidGraphic);
}

TEST(BmpCodec, SixteenBitDefaultAndBitfieldMasks) {
  BmpFile f;
  f.width = 4;
  f.height = 1;
  f.bitsPerPixel = 16;
  f.pixels = QByteArray("\x00\x7C\xE0\x03\x1F\x00\x10\x42", 8);  // 5-5-5
  EXPECT_EQ(Decode(f.Bytes()).pixels.pixel(0, 0) | 0xFF000000u, kRed);
  EXPECT_EQ(Pixel(Decode(f.Bytes()).pixels, 1, 0), kGreen);
  EXPECT_EQ(Pixel(Decode(f.Bytes()).pixels, 2, 0), kBlue);
  EXPECT_EQ(Pixel(Decode(f.Bytes()).pixels, 3, 0), 0xFF838383u);  // 16 of 31 scales to 131

  f.compression = kv::bmp::BI_BITFIELDS;
  f.masks = {0xF800, 0x07E0, 0x001F};
  f.pixels = QByteArray("\x00\xF8\xE0\x07\x00\x04\x1F\x00", 8);  // 5-6-5
  const QImage image = Decode(f.Bytes()).pixels;
  EXPECT_EQ(Pixel(image, 0, 0), kRed);
  EXPECT_EQ(Pixel(image, 1, 0), kGreen);
  EXPECT_EQ(Pixel(image, 2, 0), 0xFF008100u);  // 32 of 63 scales to 129
  EXPECT_EQ(Pixel(image, 3, 0), kBlue);
}

TEST(BmpCodec, ThirtyTwoBitTopDownAndMasksInsideAV4Header) {
  BmpFile f;
  f.headerSize = 108;
  f.width = 1;
  f.height = -2;  // top-down: the first row stored is the top row
  f.bitsPerPixel = 32;
  f.compression = kv::bmp::BI_BITFIELDS;
  f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red in the low byte
  f.pixels = QByteArray("\x11\x22\x33\x00\xFF\x00\x00\x00", 8);
  const QImage image = Decode(f.Bytes()).pixels;
  EXPECT_EQ(Pixel(image, 0, 0), 0xFF112233u);
  EXPECT_EQ(Pixel(image, 0, 1), kRed);

  f.headerSize = 124;
  f.compression = kv::bmp::BI_RGB;  // B, G, R, unused
  EXPECT_EQ(Pixel(Decode(f.Bytes()).pixels, 0, 0), 0xFF332211u);
}

TEST(BmpCodec, CoreHeaderHasThreeByteTableEntries) {
  BmpFile f;
  f.headerSize = 12;
  f.width = 3;
  f.height = 1;
  f.bitsPerPixel = 1;
  f.table = {0x00FF00, 0x0000FF};
  f.pixels = QByteArray("\xA0\x00\x00\x00", 4);  // 1 0 1
  const kv::bmp::Image image = Decode(f.Bytes());
  EXPECT_EQ(image.colorTable, (std::vector<uint32_t>{kGreen, kBlue}));
  EXPECT_EQ(Pixel(image.pixels, 0, 0), kBlue);
  EXPECT_EQ(Pixel(image.pixels, 1, 0), kGreen);
}

// A run-length file of the image size over the table.
BmpFile RunLengthFile(int w, int h, uint32_t compression, std::vector<uint32_t> table,
                      QByteArray data) {
  BmpFile f;
  f.width = w;
  f.height = h;
  f.bitsPerPixel = compression == kv::bmp::BI_RLE8 ? 8 : 4;
  f.compression = compression;
  f.table = std::move(table);
  f.pixels = std::move(data);
  return f;
}

void ExpectRows(const QImage& image, const std::vector<std::vector<uint32_t>>& rows) {
  ASSERT_EQ(image.height(), int(rows.size()));
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      EXPECT_EQ(Pixel(image, x, y), rows[y][x]) << x << "," << y;
}

TEST(BmpCodec, RunLength8RunsAbsoluteRunsDeltasAndSkippedPixels) {
  const BmpFile f = RunLengthFile(
      4, 3, kv::bmp::BI_RLE8, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
      QByteArray("\x03\x01\x01\x02\x00\x00"           // bottom row: 3 green, 1 blue, end of line
                 "\x00\x03\x03\x02\x01\x00\x00\x00"   // absolute white, blue, green (padded)
                 "\x00\x02\x02\x00\x02\x00\x00\x01",  // delta 2 right, 2 red, end of bitmap
                 22));
  ExpectRows(Decode(f.Bytes()).pixels, {{kBlack, kBlack, kRed, kRed},
                                        {kWhite, kBlue, kGreen, kBlack},
                                        {kGreen, kGreen, kGreen, kBlue}});
}

TEST(BmpCodec, RunLength4AlternatesNibbles) {
  const BmpFile f = RunLengthFile(5, 2, kv::bmp::BI_RLE4, {0xFF0000, 0x00FF00, 0x0000FF},
                                  QByteArray("\x05\x01\x00\x00"
                                             "\x00\x03\x12\x20"
                                             "\x02\x21\x00\x01",
                                             12));
  ExpectRows(Decode(f.Bytes()).pixels,
             {{kGreen, kBlue, kBlue, kBlue, kGreen}, {kRed, kGreen, kRed, kGreen, kRed}});
}

TEST(BmpCodec, RunLengthStaysInsideTheImageAndTheData) {
  // A run past the right edge is cut, an index past the table is black, and a delta past
  // the top row ends the image without an end-of-bitmap code.
  BmpFile f = RunLengthFile(2, 2, kv::bmp::BI_RLE8, {0xFF0000, 0x00FF00},
                            QByteArray("\xFF\x00\x00\x00\x01\x07\x01\x01\x00\x02\x00\xFF", 12));
  ExpectRows(Decode(f.Bytes()).pixels, {{kBlack, kGreen}, {kRed, kRed}});

  f.pixels = QByteArray("\x00\x05\x00\x00", 4);  // an absolute run that the data does not hold
  EXPECT_THROW(Decode(f.Bytes()), EInvalidGraphic);
}

struct Hostile {
  const char* what;
  QByteArray file;
  const char* message;  // part of the error's text
};

std::vector<Hostile> HostileFiles() {
  const auto with = [](auto change) {
    BmpFile f;
    change(f);
    return f.Bytes();
  };
  QByteArray notBm = BmpFile().Bytes();
  notBm[1] = 'A';
  std::vector<Hostile> cases = {
      {"signature", notBm, "BM"},
      {"bfSize 0", with([](BmpFile& f) { f.fileSize = 0; }), "smaller than its headers"},
      {"bfSize inside the headers", with([](BmpFile& f) { f.fileSize = 40; }), "runs past the end"},
      {"truncated", BmpFile().Bytes().chopped(1), "bytes present"},
      {"header size", with([](BmpFile& f) { f.headerSize = 64; }), "info header size 64"},
      {"planes", with([](BmpFile& f) { f.planes = 2; }), "plane count"},
      {"depth", with([](BmpFile& f) { f.bitsPerPixel = 2; }), "not supported"},
      {"compression for depth", with([](BmpFile& f) { f.compression = kv::bmp::BI_RLE8; }),
       "not supported"},
      {"width 0", with([](BmpFile& f) { f.width = 0; }), "width 0"},
      {"negative width", with([](BmpFile& f) { f.width = -3; }), "width -3"},
      {"height 0", with([](BmpFile& f) { f.height = 0; }), "height 0"},
      {"height -2^31", with([](BmpFile& f) { f.height = std::numeric_limits<int32_t>::min(); }),
       "height -2147483648"},
      {"top-down run-length",
       with([](BmpFile& f) { f.bitsPerPixel = 8, f.compression = 1, f.height = -2; }), "top-down"},
      {"table over 2^bpp", with([](BmpFile& f) { f.bitsPerPixel = 4, f.colorsUsed = 17; }),
       "17 entries"},
      {"table past the end", with([](BmpFile& f) { f.bitsPerPixel = 8, f.pixels.clear(); }),
       "colour table"},
      {"masks past the end",
       with([](BmpFile& f) { f.bitsPerPixel = 32, f.compression = 3, f.pixels.clear(); }), "masks"},
      {"bfOffBits past bfSize", with([](BmpFile& f) { f.offBits = 1000; }), "pixel offset"},
      {"bfOffBits inside the table", with([](BmpFile& f) {
         f.bitsPerPixel = 1, f.table = {0, 0}, f.offBits = 54;
       }),
       "pixel offset"},
      {"rows past the end", with([](BmpFile& f) { f.pixels.chop(1); }), "pixel data"},
      // 54 bytes that declare 2^20 x 2^20 pixels must fail before any allocation.
      {"2^20 x 2^20", with([](BmpFile& f) {
         f.width = f.height = 1 << 20;
         f.pixels.clear();
       }),
       "budget"},
      // 88 bytes whose end-of-bitmap code would leave 4 x 5,767,168 pixels blank.
      {"small run-length data for a large image", with([](BmpFile& f) {
         f.bitsPerPixel = 4, f.compression = kv::bmp::BI_RLE4, f.width = 4;
         f.height = 0x580000, f.table = {0, 0xFFFFFF}, f.pixels = QByteArray("\x00\x01", 2);
       }),
       "cannot describe 4 x 5767168 pixels"},
  };
  return cases;
}

TEST(BmpCodec, HostileFilesNameTheFailedCheck) {
  for (const Hostile& h : HostileFiles()) {
    try {
      Decode(h.file);
      ADD_FAILURE() << h.what << " was accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_TRUE(e.Message().contains(QLatin1String(h.message))) << h.what << ": " << e.what();
    }
  }
}

TEST(BmpCodec, HostileFilesLeaveTheBitmapAndStreamAsTheyWere) {
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  bitmap.ScanLine(1)[2] = kRed;
  const QImage before = bitmap.Image();
  int changes = 0;
  QObject::connect(&bitmap, &TGraphic::OnChange, [&] { ++changes; });
  for (const Hostile& h : HostileFiles()) {
    TMemoryStream stream(QByteArray("xy") + h.file);
    stream.SetPosition(2);
    EXPECT_THROW(bitmap.LoadFromStream(stream), EInvalidGraphic) << h.what;
    EXPECT_EQ(stream.Position(), 2) << h.what;
  }
  EXPECT_SAME_PIXELS(bitmap.Image(), before);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pfDevice);
  EXPECT_EQ(changes, 0);
}

}  // namespace

TEST(BmpCodec, ImagesReadTogetherShareOnePixelBudget) {
  BmpFile half;  // half the budget, as rows of one bit per pixel
  half.width = 1 << 12;
  half.height = int32_t(kv::bmp::kPixelBudget >> 13);
  half.bitsPerPixel = 1;
  half.table = {0x000000, 0xFFFFFF};
  half.pixels = QByteArray(qsizetype(kv::bmp::Stride(half.width, 1) * half.height), '\0');
  const QByteArray file = half.Bytes();
  {
    const kv::PixelBudgetScope together;
    Decode(file);
    {
      const kv::PixelBudgetScope inner;  // shares the outer budget
      Decode(file);
    }
    try {
      Decode(file);
      ADD_FAILURE() << "a third half of the budget was accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_TRUE(e.Message().contains(QLatin1String("left of the budget"))) << e.what();
    }
  }
  Decode(file);  // each image alone has the whole budget again
}
