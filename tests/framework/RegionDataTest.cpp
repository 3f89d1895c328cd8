#include "Graphics.h"

#include <gtest/gtest.h>

#include <QtEndian>

#include <optional>

using kv::CombineRgn, kv::CreateRectRgn, kv::ExtCreateRegion, kv::GetRegionData, kv::RGN_OR;

namespace {

struct Rect32 {
  int32_t left, top, right, bottom;
};

// A region data block; the header fields default to what the rectangles call for.
struct Block {
  std::vector<Rect32> rects;
  uint32_t headerSize = 32;
  uint32_t type = 1;
  std::optional<uint32_t> count = std::nullopt;
  std::optional<uint32_t> rectBytes = std::nullopt;

  QByteArray Bytes() const {
    QByteArray data(qsizetype(32 + 16 * rects.size()), '\0');
    const auto put = [&](int at, int32_t v) { qToLittleEndian<int32_t>(v, data.data() + at); };
    put(0, int32_t(headerSize));
    put(4, int32_t(type));
    put(8, int32_t(count.value_or(uint32_t(rects.size()))));
    put(12, int32_t(rectBytes.value_or(uint32_t(16 * rects.size()))));
    for (size_t i = 0; i < rects.size(); ++i) {
      const int at = 32 + 16 * int(i);
      put(at, rects[i].left);
      put(at + 4, rects[i].top);
      put(at + 8, rects[i].right);
      put(at + 12, rects[i].bottom);
    }
    return data;
  }
};

std::optional<TRegion> Create(const QByteArray& data) {
  return ExtCreateRegion(data.constData(), data.size());
}

int32_t Field(const QByteArray& data, int at) {
  return qFromLittleEndian<int32_t>(data.constData() + at);
}

TEST(RegionData, BandedRectanglesAfterTheHeader) {
  // Row band 0..2 spans x 0..4; band 2..5 has two spans.
  const TRegion region(QRegion(0, 0, 4, 2) + QRegion(0, 2, 2, 3) + QRegion(6, 2, 2, 3));
  const QByteArray data = GetRegionData(region);
  ASSERT_EQ(data.size(), 32 + 3 * 16);
  const int32_t expected[] = {32, 1, 3, 48, 0, 0, 8, 5, 0, 0, 4, 2, 0, 2, 2, 5, 6, 2, 8, 5};
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Field(data, 4 * i), expected[i]) << "field " << i;
  EXPECT_EQ(Create(data), region);
}

TEST(RegionData, TouchingBandsWithTheSameSpansAreOneRectangle) {
  const QByteArray data = GetRegionData(TRegion(QRegion(0, 0, 10, 5) + QRegion(0, 5, 10, 5)));
  EXPECT_EQ(Field(data, 8), 1);
  EXPECT_EQ(Field(data, 32 + 12), 10);
}

TEST(RegionData, EmptyRegion) {
  const QByteArray data = GetRegionData(TRegion());
  EXPECT_EQ(data, Block().Bytes());
  const std::optional<TRegion> back = Create(data);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->IsEmpty());
}

TEST(RegionData, AnyValidRectangleListIsItsUnion) {
  // Unsorted, overlapping, abutting, an empty rectangle, and bands left uncoalesced.
  Block block{
      {{5, 0, 9, 4}, {0, 0, 6, 2}, {3, 3, 3, 8}, {0, 2, 6, 4}, {9, 0, 12, 4}, {0, 4, 12, 5}}};
  const QRegion expected = QRegion(0, 0, 12, 5);
  EXPECT_EQ(Create(block.Bytes()), TRegion(expected));

  block.rects = {{0, 0, 4, 1}, {0, 1, 4, 2}};
  EXPECT_EQ(Create(block.Bytes()), TRegion(QRegion(0, 0, 4, 2)));
  EXPECT_EQ(Create(block.Bytes() + QByteArray(7, 'x')),
            TRegion(QRegion(0, 0, 4, 2)));  // trailing bytes
}

TEST(RegionData, MalformedBlocksAreRejected) {
  const std::vector<Rect32> one = {{0, 0, 1, 1}};
  const QByteArray valid = Block{one}.Bytes();
  EXPECT_TRUE(Create(valid));
  EXPECT_FALSE(Create(valid.left(20)));
  EXPECT_FALSE(ExtCreateRegion(nullptr, 48));
  EXPECT_FALSE(Create(Block{one, 40}.Bytes()));
  EXPECT_FALSE(Create(Block{one, 32, 2}.Bytes()));
  EXPECT_FALSE(Create(Block{one, 32, 1, 1, 17}.Bytes()));
  EXPECT_FALSE(Create(Block{one, 32, 1, 2, 32}.Bytes()));           // more declared than given
  EXPECT_FALSE(Create(Block{one, 32, 1, 0x10000000u, 0}.Bytes()));  // 16 N wraps to 0 in 32 bits
  EXPECT_FALSE(Create(Block{{{5, 0, 4, 1}}}.Bytes()));              // inverted
  EXPECT_FALSE(Create(Block{{{0, 5, 1, 4}}}.Bytes()));
  EXPECT_FALSE(Create(Block{{{0, 0, 1 << 29, 1}}}.Bytes()));  // beyond the coordinate range
  EXPECT_FALSE(Create(Block{{{std::numeric_limits<int32_t>::min(), 0, 0, 1}}}.Bytes()));
}

}  // namespace

TEST(RegionData, OverlappingRectanglesUniteIntoTheCanonicalFormAndRoundTrip) {
  // Six overlapping rectangles whose union came out as two bands with the same spans.
  const QByteArray block = QByteArray::fromBase64(
      "IAAAAAEAAAAGAAAAYAAAAAAAAAAAAAAADAAAAAkAAgAAAAAAAAACAAAABgAAADUAQAAVAAAAAAAAAAADAAAEAAAAAAAA"
      "AgIAAAAGAAAANQBAABUAAAAxAAAAAAMAAAUIAAAAAAAAAAAAAAYAAAACAAAAAAADAAAADAAAAAcAAAA=");
  const std::optional<TRegion> region = Create(block);
  ASSERT_TRUE(region);
  const QByteArray again = GetRegionData(*region);
  EXPECT_EQ(Create(again), region);
  EXPECT_EQ(GetRegionData(*Create(again)), again);
  // Rows 0 .. 262143 hold the same spans: one band.
  EXPECT_EQ(region->ToQRegion().begin()->top(), 0);
  EXPECT_EQ(region->ToQRegion().begin()->bottom(), 262143);
}

TEST(RegionData, EqualityIsTheSameSetOfPixels) {
  // The same pixels reached through different unions are one region with one rectangle list.
  const TRegion stacked(QRegion(0, 0, 4, 2) | QRegion(0, 2, 4, 2));
  const TRegion side(QRegion(0, 0, 2, 4) | QRegion(2, 0, 2, 4));
  EXPECT_EQ(stacked, side);
  EXPECT_EQ(stacked.ToQRegion().rectCount(), 1);
  TRegion combined;
  ASSERT_TRUE(CombineRgn(combined, CreateRectRgn(0, 0, 4, 3), CreateRectRgn(0, 1, 4, 4), RGN_OR));
  EXPECT_EQ(GetRegionData(combined), GetRegionData(CreateRectRgn(0, 0, 4, 4)));
  EXPECT_NE(stacked, TRegion(QRegion(0, 0, 4, 3)));
}
