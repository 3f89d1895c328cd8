#include "SysUtils.h"

#include <gtest/gtest.h>

using kv::DecodeDate, kv::DecodeTime, kv::Div, kv::EncodeDate, kv::EncodeTime, kv::FloatToStrF,
    kv::Format, kv::IsAccel, kv::RandSeed, kv::Random, kv::Round, kv::Trunc;

TEST(Round, HalfToEvenAndSaturation) {
  EXPECT_EQ(Round(0.5L), 0);
  EXPECT_EQ(Round(1.5L), 2);
  EXPECT_EQ(Round(2.5L), 2);
  EXPECT_EQ(Round(-2.5L), -2);
  EXPECT_EQ(Round(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(Round(1e300L), std::numeric_limits<int>::max());
  EXPECT_EQ(Trunc(-1e300L), std::numeric_limits<int>::min());
  EXPECT_EQ(Trunc(-2.9L), -2);
}

TEST(Div, TruncatesTowardZeroAndRefusesZero) {
  EXPECT_EQ(Div(-7, 2), -3);
  EXPECT_EQ(Div(std::numeric_limits<int>::min(), -1), std::numeric_limits<int>::max());
  EXPECT_THROW(Div(1, 0), EInvalidOperation);
}

TEST(Format, IndexWidthPrecisionAndPercent) {
  EXPECT_EQ(Format("%d%%", {42}), "42%");
  EXPECT_EQ(Format("%.3d", {7}), "007");
  EXPECT_EQ(Format("%.*d", {4, 7}), "0007");
  EXPECT_EQ(Format("%-5s|", {QString("ab")}), "ab   |");
  EXPECT_EQ(Format("%5d", {-12}), "  -12");
  EXPECT_EQ(Format("%1:s %0:s", {QString("a"), QString("b")}), "b a");
}

TEST(Format, MismatchRaisesConvertError) {
  EXPECT_THROW(Format("%d", {QString("x")}), EConvertError);
  EXPECT_THROW(Format("%s", {}), EConvertError);
  EXPECT_THROW(Format("%", {}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  // Huge widths are capped rather than allocated.
  EXPECT_LE(Format("%999999999d", {1}).size(), 4096);
}

TEST(FloatToStrF, FixedFallsBackToScientific) {
  EXPECT_EQ(FloatToStrF(3.14159L, TFloatFormat::ffFixed, 8, 2), "3.14");
  EXPECT_EQ(FloatToStrF(-0.001L, TFloatFormat::ffFixed, 8, 2), "0.00");
  EXPECT_EQ(FloatToStrF(123456789.0L, TFloatFormat::ffFixed, 8, 2), "1.2345679E+8");
}

TEST(IsAccel, AmpersandRules) {
  EXPECT_TRUE(IsAccel('m', "&Meters"));
  EXPECT_FALSE(IsAccel('m', "&&Meters"));
  EXPECT_TRUE(IsAccel('x', "A&&B &x"));
  EXPECT_FALSE(IsAccel('a', "Meters"));
}

TEST(Random, StaysInRange) {
  RandSeed(1);
  for (int i = 0; i < 1000; ++i) {
    const int r = Random(11);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 11);
  }
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
}

TEST(DateTime, EncodeDecodeRoundTrip) {
  uint16_t h, m, s, ms;
  DecodeTime(EncodeTime(20, 12, 55, 0), h, m, s, ms);
  EXPECT_EQ(h, 20);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(s, 55);
  uint16_t y, mo, d;
  DecodeDate(EncodeDate(2026, 12, 8), y, mo, d);
  EXPECT_EQ(y, 2026);
  EXPECT_EQ(mo, 12);
  EXPECT_EQ(d, 8);
  DecodeTime(std::numeric_limits<double>::quiet_NaN(), h, m, s, ms);
  EXPECT_EQ(h, 0);
}
