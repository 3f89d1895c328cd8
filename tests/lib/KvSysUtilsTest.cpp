#include "KvSysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <vector>

namespace {

// A colour none of the routines under test draws.
constexpr TColor kPaper = 0x123456;
constexpr int32_t Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

struct Surface {
  TBitmap bitmap;
  Surface(int w, int h, TColor fill = kPaper) {
    bitmap.SetSize(w, h);
    Canvas()->Brush()->SetColor(fill);
    Canvas()->FillRect(TRect(0, 0, w, h));
  }
  TCanvas* Canvas() const { return bitmap.Canvas(); }
  int32_t At(int x, int y) const { return Canvas()->Pixels(x, y).Value; }
};

using Picture = std::function<int32_t(int, int)>;

// Compares every pixel with the expected picture; reports the first difference.
void ExpectPixels(const Surface& s, const Picture& expected) {
  for (int y = 0; y < s.bitmap.Height(); ++y)
    for (int x = 0; x < s.bitmap.Width(); ++x)
      if (s.At(x, y) != expected(x, y)) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << s.At(x, y)
                      << ", not " << expected(x, y);
        return;
      }
}
const Picture kBlank = [](int, int) { return kPaper.Value; };

void UseTextFont(TCanvas* canvas) {
  canvas->Font()->SetName(QStringLiteral("Arial"));
  canvas->Font()->SetHeight(-16);
  canvas->Font()->SetStyle(TFontStyle::fsBold);
}

// The pixels that Draw inks with the test font, in black on white.
std::vector<bool> InkOf(int w, int h, const std::function<void(TCanvas*)>& draw) {
  Surface s(w, h, clWhite);
  UseTextFont(s.Canvas());
  s.Canvas()->Font()->SetColor(clBlack);
  s.Canvas()->Brush()->SetStyle(TBrushStyle::bsClear);
  draw(s.Canvas());
  std::vector<bool> ink;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ink.push_back(s.At(x, y) != clWhite.Value);
  EXPECT_NE(std::find(ink.begin(), ink.end(), true), ink.end()) << "the text inks nothing";
  return ink;
}

std::vector<bool> TextInk(int w, int h, int x, int y, const QString& text) {
  return InkOf(w, h, [&](TCanvas* c) { c->TextOut(x, y, text); });
}

// Layers of ink on paper, later ones over earlier ones.
Picture Layers(int w, std::vector<std::pair<std::vector<bool>, int32_t>> layers) {
  return [w, layers = std::move(layers)](int x, int y) {
    int32_t c = kPaper.Value;
    for (const auto& [ink, color] : layers)
      if (ink[size_t(y) * size_t(w) + size_t(x)]) c = color;
    return c;
  };
}

}  // namespace

TEST(Scaling, TruncatedExtendedArithmeticThatSaturates) {
  EXPECT_EQ((std::array{PercentToValue(60, 80), PercentToValue(50, 137), PercentToValue(50, 100),
                        PercentToValue(99, 100), PercentToValue(5, 20), PercentToValue(10, 10),
                        PercentToValue(-50, 137)}),
            (std::array{47, 68, 50, 98, 0, 0, -68}));
  EXPECT_EQ(PercentToValue(1000, INT_MAX), INT_MAX);
  EXPECT_EQ(PercentToValue(-1000, INT_MAX), INT_MIN);
  EXPECT_EQ((std::array{ValueToPercent(2, 3), ValueToPercent(7, 10), ValueToPercent(5, 0),
                        ValueToPercent(-2, 3), ValueToPercent(999999999, 1999999998),
                        ValueToPercent(INT_MAX, 1), ValueToPercent(INT_MIN, -1)}),
            (std::array{66, 70, 0, -66, 50, INT_MAX, INT_MAX}));
}

TEST(Scaling, ValueToPercentAgreesWithTheExtendedQuotient) {
  const int values[] = {0,        1,         2,       7,  99,        101,    21474836,
                        21474837, 999999999, INT_MAX, -7, -21474837, INT_MIN};
  const int totals[] = {1, 3, 7, 10, 99, 100, 137, 4096, 1999999998, INT_MAX, -1, -3, INT_MIN};
  for (int v : values)
    for (int t : totals)
      EXPECT_EQ(ValueToPercent(v, t), kv::SaturateToInt(Extended(int64_t(v) * 100) / Extended(t)))
          << v << " of " << t;
}

TEST(Utilities, RectanglesBitmapArraysColoursAndThePattern) {
  EXPECT_EQ(RectWidth(TRect(INT_MIN, 0, INT_MAX, 3)), INT_MAX);
  std::unique_ptr<TBitmap> bitmaps[3];
  CreateBitmaps(bitmaps, 10);  // stops at the array's end
  FreeBitmaps(bitmaps, 1);
  EXPECT_TRUE(!bitmaps[1] && bitmaps[2]);
  EXPECT_EQ(ColorToRGBValue(clBtnFace).Value, GetSysColor(15));
  EXPECT_EQ(ColorToRGBValue(clNone).Value, clNone.Value);
  uint8_t r = 0, g = 0, b = 0;
  SplitColor(clBtnShadow, r, g, b);
  EXPECT_EQ(Rgb(r, g, b), GetSysColor(16));

  const auto pattern = CreatePatternBitmap(clRed, clBtnFace);
  ASSERT_EQ(BitmapRect(pattern.get()), TRect(0, 0, 8, 8));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(pattern->Canvas()->Pixels(x, y).Value, (x + y) % 2 ? GetSysColor(15) : clRed.Value)
          << x << "," << y;
}

TEST(GradientFill, BandsRoundHalfToEvenAndTheLastStartsAtTheFarEdge) {
  Surface down(3, 6);
  GradientFill(down.Canvas(), TRect(0, 0, 3, 4), clBlack, Rgb(10, 20, 0), 0, 1);
  const int32_t rows[] = {0, Rgb(2, 5, 0), Rgb(5, 10, 0), Rgb(8, 15, 0), Rgb(10, 20, 0), kPaper};
  ExpectPixels(down, [&](int, int y) { return rows[y]; });

  Surface across(7, 2);
  GradientFill(across.Canvas(), TRect(0, 0, 4, 2), Rgb(0, 0, 100), Rgb(100, 0, 0), 1, 2);
  const int32_t columns[] = {Rgb(0, 0, 100), Rgb(0, 0, 100), Rgb(50, 0, 50), Rgb(50, 0, 50),
                             Rgb(100, 0, 0), Rgb(100, 0, 0), kPaper};
  ExpectPixels(across, [&](int x, int) { return columns[x]; });
}

TEST(GradientFill, StepsBelowOneEmptyRectanglesAndOtherDirections) {
  for (int step : {0, -3}) {
    Surface expected(3, 6), actual(3, 6);
    GradientFill(expected.Canvas(), TRect(0, 0, 3, 4), clBlack, clWhite, 0, 1);
    GradientFill(actual.Canvas(), TRect(0, 0, 3, 4), clBlack, clWhite, 0, step);
    EXPECT_EQ(actual.bitmap.Image(), expected.bitmap.Image()) << "step " << step;
  }
  Surface empty(2, 3);  // counts as 1 x 1: no division by zero
  GradientFill(empty.Canvas(), TRect(0, 0, 0, 0), clBlack, clWhite, 0, 1);
  ExpectPixels(empty, [](int x, int y) {
    return x > 0 || y > 1 ? kPaper.Value : y ? clWhite.Value : clBlack.Value;
  });
  Surface other(4, 4);
  GradientFill(other.Canvas(), TRect(0, 0, 4, 4), clBlack, clWhite, 2, 1);
  GradientFill(other.Canvas(), TRect(0, 0, 4, 4), clBlack, clWhite, -1, 1);
  ExpectPixels(other, kBlank);
}

TEST(GradientBands, StraightBandsTruncateAndVerticalOnesIncludeTheRightEdge) {
  Surface down(2, 5), across(6, 2);
  GradientBands(down.Canvas(), TRect(0, 0, 2, 4), clBlack, clRed, 1, 1);
  GradientBands(across.Canvas(), TRect(0, 0, 4, 2), clBlack, clRed, 2, 1);
  const int32_t reds[] = {0, Rgb(63, 0, 0), Rgb(127, 0, 0), Rgb(191, 0, 0), clRed, kPaper};
  ExpectPixels(down, [&](int, int y) { return y < 4 ? reds[y] : kPaper.Value; });
  ExpectPixels(across, [&](int x, int) { return reds[x]; });
}

TEST(GradientBands, MirroredBandsReturnToTheStartAndWrapModulo256) {
  Surface s(1, 11);
  GradientBands(s.Canvas(), TRect(0, 0, 1, 7), clBlack, Rgb(200, 0, 0), 5, 2);
  // Middle 3: positions 0, 2, then 4, 2, 0 on the way back; 200 * 4 / 3 = 266 wraps to 10.
  const int reds[] = {0, 0, 133, 133, 10, 10, 133, 133, 0, 0};
  ExpectPixels(s, [&](int, int y) { return y < 10 ? Rgb(reds[y], 0, 0) : kPaper.Value; });
}

TEST(GradientBands, ZeroTotalsGiveTheStartColour) {
  Surface thin(2, 10), flat(10, 2), narrow(3, 4), point(2, 2);
  GradientBands(thin.Canvas(), TRect(0, 0, 1, 10), clRed, clBlue, 6, 1);
  GradientBands(flat.Canvas(), TRect(0, 0, 10, 1), clRed, clBlue, 5, 1);
  GradientBands(narrow.Canvas(), TRect(0, 0, 0, 4), clRed, clBlue, 2, 1);
  GradientBands(point.Canvas(), TRect(0, 0, 0, 0), clRed, clBlue, 3, 1);
  GradientBands(point.Canvas(), TRect(0, 0, 0, 0), clRed, clBlue, 4, 1);
  ExpectPixels(thin, [](int x, int) { return x == 0 ? clRed.Value : kPaper.Value; });
  ExpectPixels(flat, [](int, int y) { return y == 0 ? clRed.Value : kPaper.Value; });
  ExpectPixels(narrow, [](int x, int) { return x == 0 ? clRed.Value : kPaper.Value; });
  EXPECT_EQ(point.At(0, 0), clRed.Value);
}

TEST(GradientBands, StepsBelowOneCountAsOneAndUnknownStylesDrawNothing) {
  for (int style = 1; style <= 6; ++style)
    for (int step : {0, -3}) {
      Surface expected(9, 7), actual(9, 7);
      GradientBands(expected.Canvas(), TRect(0, 0, 9, 7), clBlack, clWhite, style, 1);
      GradientBands(actual.Canvas(), TRect(0, 0, 9, 7), clBlack, clWhite, style, step);
      EXPECT_EQ(actual.bitmap.Image(), expected.bitmap.Image())
          << "style " << style << ", step " << step;
    }
  std::array<int, 6> styles{};
  for (int d = 0; d < 6; ++d) styles[size_t(d)] = GradientDirectionStyle(d);
  EXPECT_EQ(styles, (std::array{1, 5, 2, 6, 3, 4}));
  Surface s(5, 5);
  for (int style : {0, 7, -1, GradientDirectionStyle(-1), GradientDirectionStyle(6)})
    GradientBands(s.Canvas(), TRect(0, 0, 5, 5), clBlack, clWhite, style, 1);
  ExpectPixels(s, kBlank);
}

namespace {

// Rings drawn from the outside of (0, 0, size, size) in: each ring's top and left edges
// in Top, its right and bottom edges in Bottom; the bottom-left corner in Bottom, or in
// Top for the corner variant.
Picture Rings(int size, int rings, int32_t top, int32_t bottom, bool corner) {
  return [=](int x, int y) {
    for (int k = 0; k < rings; ++k) {
      const int l = k, r = size - 1 - k;
      if (x < l || x > r || y < l || y > r) break;
      if (x == l && y == r) return corner ? top : bottom;
      if (x == r || y == r) return bottom;
      if (x == l || y == l) return top;
    }
    return kPaper.Value;
  };
}

}  // namespace

TEST(DrawFrame3D, TwoRingsInsetTheRectangleByTwo) {
  Surface s(12, 12);
  TRect r(0, 0, 10, 10);
  DrawFrame3D(s.Canvas(), r, clWhite, clGray, 2);
  EXPECT_EQ(r, TRect(2, 2, 8, 8));
  ExpectPixels(s, Rings(10, 2, clWhite, clGray, false));
  EXPECT_EQ((std::array{s.At(0, 0), s.At(9, 0), s.At(0, 9), s.At(1, 1), s.At(8, 1), s.At(1, 8),
                        s.At(2, 2)}),
            (std::array{clWhite.Value, clGray.Value, clGray.Value, clWhite.Value, clGray.Value,
                        clGray.Value, kPaper.Value}));

  Surface corner(10, 10);
  TRect c(0, 0, 10, 10);
  DrawFrame3DCorner(corner.Canvas(), c, clWhite, clGray, 3);
  EXPECT_EQ(c, TRect(3, 3, 7, 7));
  ExpectPixels(corner, Rings(10, 3, clWhite, clGray, true));
}

TEST(DrawFrame3D, NoWidthDrawsNothingAndRingsStopAtTheMiddle) {
  Surface s(6, 6);
  TRect r(0, 0, 6, 6);
  DrawFrame3D(s.Canvas(), r, clWhite, clGray, 0);
  DrawFrame3D(s.Canvas(), r, clWhite, clGray, -4);
  EXPECT_EQ(r, TRect(0, 0, 6, 6));
  ExpectPixels(s, kBlank);
  DrawFrame3D(s.Canvas(), r, clWhite, clGray, 5);
  EXPECT_EQ(r, TRect(5, 5, 1, 1));
  ExpectPixels(s, Rings(6, 3, clWhite, clGray, false));
  TRect huge(0, 0, 6, 6);
  DrawFrame3D(s.Canvas(), huge, clRed, clRed, INT_MAX);
  EXPECT_EQ(huge, TRect(INT_MAX, INT_MAX, 6 - INT_MAX, 6 - INT_MAX));
  ExpectPixels(s, [](int, int) { return clRed.Value; });
}

TEST(DrawShape, SquareFiguresAreCentredAndUnknownShapesDrawNothing) {
  for (int shape : {0, 1, 3, 5, 6, -1}) {
    Surface actual(42, 22), expected(42, 22);
    for (Surface* s : {&actual, &expected}) s->Canvas()->Brush()->SetColor(clWhite);
    DrawShape(actual.Canvas(), shape, 1, 0, 40, 20);
    if (shape == 0) expected.Canvas()->Rectangle(1, 0, 41, 20);
    if (shape == 1) expected.Canvas()->Rectangle(11, 0, 31, 20);
    if (shape == 3) expected.Canvas()->RoundRect(11, 0, 31, 20, 5, 5);
    if (shape == 5) expected.Canvas()->Ellipse(11, 0, 31, 20);
    EXPECT_EQ(actual.bitmap.Image(), expected.bitmap.Image()) << "shape " << shape;
    if (shape != 1 && shape != 3 && shape != 5) continue;
    for (int y = 0; y < 22; ++y)
      EXPECT_TRUE(actual.At(10, y) == kPaper.Value && actual.At(31, y) == kPaper.Value);
    EXPECT_EQ(actual.At(21, 10), clWhite.Value);
  }
}

TEST(DrawCaption, EnabledIsCentredOnOneLineAndDisabledIsEngraved) {
  const QString text = QStringLiteral("Ab\nc");
  auto inkIn = [&](TRect r, unsigned flags) {
    return InkOf(60, 40, [&](TCanvas* c) { DrawText(c, text, r, flags); });
  };
  Surface enabled(60, 40), disabled(60, 40);
  UseTextFont(enabled.Canvas());
  UseTextFont(disabled.Canvas());
  enabled.Canvas()->Font()->SetColor(clBlue);
  DrawCaption(enabled.Canvas(), text, TRect(0, 0, 60, 40), true);
  DrawCaption(disabled.Canvas(), text, TRect(0, 0, 60, 40), false);
  ExpectPixels(
      enabled,
      Layers(60, {{inkIn(TRect(0, 0, 60, 40), DT_SINGLELINE | DT_CENTER | DT_VCENTER), clBlue}}));
  ExpectPixels(disabled, Layers(60, {{inkIn(TRect(1, 1, 61, 41), 0), GetSysColor(20)},
                                     {inkIn(TRect(0, 0, 60, 40), 0), GetSysColor(16)}}));
  EXPECT_EQ(disabled.Canvas()->Font()->Color().Value, clBtnShadow.Value);
}

TEST(DrawText3D, EmbossedAndShadowTextLieOverTheirCopiesAndKeepTheFontColour) {
  Surface embossed(50, 30), shadowed(50, 30);
  for (Surface* s : {&embossed, &shadowed}) {
    UseTextFont(s->Canvas());
    s->Canvas()->Font()->SetColor(clBlue);
  }
  const QString kv = QStringLiteral("Kv");
  DrawEmbossedText(embossed.Canvas(), 5, 4, kv, clRed, clLime);
  DrawShadowText(shadowed.Canvas(), 5, 6, kv, clGray, 3, -2);
  ExpectPixels(embossed, Layers(50, {{TextInk(50, 30, 6, 5, kv), clLime},
                                     {TextInk(50, 30, 4, 3, kv), clRed},
                                     {TextInk(50, 30, 5, 4, kv), clBlue}}));
  ExpectPixels(shadowed, Layers(50, {{TextInk(50, 30, 8, 4, kv), clGray},
                                     {TextInk(50, 30, 5, 6, kv), clBlue}}));
  EXPECT_EQ(embossed.Canvas()->Font()->Color().Value, clBlue.Value);
  EXPECT_EQ(shadowed.Canvas()->Font()->Color().Value, clBlue.Value);
}

TEST(CalcImageTextLayout, AnEmptyCaptionCentresTheImage) {
  Surface s(1, 1);
  TPoint image;
  TRect text(1, 2, 3, 4);
  CalcImageTextLayout(s.Canvas(), TRect(5, 3, 45, 23), TPoint(1, 2), QString(),
                      TKvImageTextLayout::ImageLeft, -1, -1, TPoint(10, 8), image, text);
  // Margin (40 - 10 + 1) div 2 = 15, across (20 - 8 + 1) div 2 = 6, moved by (6, 5); the
  // empty text follows the image with no spacing.
  EXPECT_EQ(image, TPoint(21, 11));
  EXPECT_EQ(text, TRect(31, 15, 31, 15));
}

TEST(CalcImageTextLayout, ComputedSpacingAndMarginAlongEachAxis) {
  Surface s(1, 1);
  UseTextFont(s.Canvas());
  const QString caption = QStringLiteral("On\nOff");
  const TPoint t = TextSize(s.Canvas(), caption);
  EXPECT_EQ(
      t, TPoint(s.Canvas()->TextWidth(QStringLiteral("Off")), 2 * s.Canvas()->TextHeight(caption)));
  EXPECT_EQ(TextSize(s.Canvas(), QString()), TPoint(0, 0));
  TPoint image;
  TRect text;
  CalcImageTextLayout(s.Canvas(), TRect(0, 0, 100, 50), TPoint(), caption,
                      TKvImageTextLayout::ImageRight, 2, -1, TPoint(12, 12), image, text);
  EXPECT_EQ(image, TPoint(86, 19));
  EXPECT_EQ(text, Bounds(86 - (100 - 14 - t.X) / 2 - t.X, (50 - t.Y + 1) / 2, t.X, t.Y));
  CalcImageTextLayout(s.Canvas(), TRect(0, 0, 60, 100), TPoint(), caption,
                      TKvImageTextLayout::ImageTop, -1, -1, TPoint(12, 12), image, text);
  const int third = (100 - (12 + t.Y)) / 3;
  EXPECT_EQ(image, TPoint(24, third));
  EXPECT_EQ(text, Bounds((60 - t.X + 1) / 2, third + 12 + third, t.X, t.Y));
}

TEST(DrawTexturedText, LettersShowTheTextureAndTheRestKeepsItsPixels) {
  TBitmap texture;  // red on the left half, green on the right once stretched
  texture.SetSize(2, 1);
  texture.Canvas()->SetPixels(0, 0, clRed);
  texture.Canvas()->SetPixels(1, 0, clLime);
  for (int angle : {0, 90}) {
    Surface s(40, 30);
    UseTextFont(s.Canvas());
    const int baseline = angle ? 24 : 3;
    DrawTexturedText(s.Canvas(), TRect(5, 5, 35, 25), 4, baseline, angle, &texture,
                     QStringLiteral("HI"));
    const auto ink = InkOf(40, 30, [&](TCanvas* c) {
      SetFontAngle(c, angle);
      c->TextOut(4, baseline, QStringLiteral("HI"));
    });
    // The effect covers (0, 0, 30, 20) whatever Rect's corner.
    ExpectPixels(s, [&](int x, int y) {
      if (x >= 30 || y >= 20 || !ink[size_t(y) * 40 + size_t(x)]) return kPaper.Value;
      return x < 15 ? clRed.Value : clLime.Value;
    });
    EXPECT_EQ(s.Canvas()->Font()->Orientation(), 0);
  }
  Surface font(1, 1);
  SetFontAngle(font.Canvas(), 45);
  EXPECT_EQ(font.Canvas()->Font()->Orientation(), 450);
  Surface s(20, 20);
  const TBitmap empty;
  DrawTexturedText(s.Canvas(), TRect(0, 0, 20, 20), 0, 0, 0, nullptr, QStringLiteral("HI"));
  DrawTexturedText(s.Canvas(), TRect(0, 0, 20, 20), 0, 0, 0, &empty, QStringLiteral("HI"));
  DrawTexturedText(s.Canvas(), TRect(0, 0, 0, 20), 0, 0, 0, &texture, QStringLiteral("HI"));
  ExpectPixels(s, kBlank);
}

namespace {

Picture Dots(int left, int top, int right, int bottom, int pitch, int dot) {
  return [=](int x, int y) {
    if (x < left || y < top || x >= right || y >= bottom) return kPaper.Value;
    return (x - left) % pitch < dot && (y - top) % pitch < dot ? clRed.Value : clWhite.Value;
  };
}

}  // namespace

TEST(DrawDotPattern, DotsAtEveryPitchFromTheCornerAndTheTileRepeats) {
  Surface corner(30, 25), wide(100, 50), none(10, 10);
  DrawDotPattern(corner.Canvas(), TRect(5, 4, 25, 20), clRed, 1, 2, clWhite);
  DrawDotPattern(wide.Canvas(), TRect(0, 0, 100, 50), clRed, 1, 1, clWhite);  // tiles of 40
  DrawDotPattern(none.Canvas(), TRect(1, 1, 9, 9), clRed, -3, 2,
                 clWhite);  // no pitch: only the fill
  ExpectPixels(corner, Dots(5, 4, 25, 20, 3, 2));
  ExpectPixels(wide, Dots(0, 0, 100, 50, 2, 1));
  ExpectPixels(none, Dots(1, 1, 9, 9, 1, 0));
}

TEST(DrawDotPattern, AHugePitchDrawsOneDotWithoutAHugeTile) {
  Surface s(50, 40), whole(50, 40);
  DrawDotPattern(s.Canvas(), TRect(0, 0, 50, 40), clRed, INT_MAX - 3, 3, clWhite);
  DrawDotPattern(whole.Canvas(), TRect(0, 0, 50, 40), clRed, INT_MAX, INT_MAX,
                 clWhite);  // pitch past 2^31
  ExpectPixels(s, Dots(0, 0, 50, 40, INT_MAX, 3));
  ExpectPixels(whole, Dots(0, 0, 50, 40, INT_MAX, INT_MAX));
}

TEST(MakeDotImage, EachSourcePixelBecomesADotOfItsColour) {
  TBitmap source;
  source.SetSize(2, 1);
  source.Canvas()->SetPixels(0, 0, clRed);
  source.Canvas()->SetPixels(1, 0, clLime);
  Surface dest(1, 1);
  MakeDotImage(&dest.bitmap, &source, clBlue, 1, 2, clWhite);
  ASSERT_EQ(BitmapRect(&dest.bitmap), TRect(0, 0, 6, 3));
  ExpectPixels(dest, [](int x, int y) {
    return x % 3 == 2 || y == 2 ? clWhite.Value : x < 3 ? clRed.Value : clLime.Value;
  });

  for (auto [spacing, dot] : {std::pair{-2, 1}, std::pair{10000, 0}, std::pair{INT_MAX, INT_MAX}}) {
    dest.bitmap.SetSize(3, 3);
    MakeDotImage(&dest.bitmap, &source, clBlue, spacing, dot, clWhite);
    EXPECT_TRUE(dest.bitmap.Empty()) << spacing << ", " << dot;
  }
  dest.bitmap.SetSize(3, 3);
  MakeDotImage(&dest.bitmap, nullptr, clBlue, 1, 1, clWhite);
  EXPECT_TRUE(dest.bitmap.Empty());
}

TEST(TileBitmap, CopiesRepeatUntilTheRectangleIsCoveredAndEmptyTilesReturn) {
  TBitmap tile;
  tile.SetSize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) tile.Canvas()->SetPixels(x, y, Rgb(10 * x, 10 * y, 7));
  Surface s(12, 9);
  TileBitmap(s.Canvas(), TRect(1, 1, 8, 6), &tile);
  // Columns start at 1, 4, 7 and rows at 1, 3, 5: the last copies reach to 10 and 7.
  ExpectPixels(s, [](int x, int y) {
    return x < 1 || y < 1 || x >= 10 || y >= 7 ? kPaper.Value
                                               : Rgb(10 * ((x - 1) % 3), 10 * ((y - 1) % 2), 7);
  });
  Surface blank(8, 8);
  for (auto [w, h] : {std::pair{5, 0}, std::pair{0, 5}}) {
    tile.SetSize(w, h);
    TileBitmap(blank.Canvas(), TRect(0, 0, 8, 8), &tile);
  }
  TileBitmap(blank.Canvas(), TRect(0, 0, 8, 8), nullptr);
  ExpectPixels(blank, kBlank);
}

TEST(ReplaceColor, OnlyExactlyEqualPixelsChange) {
  Surface s(4, 1);
  const int32_t before[] = {Rgb(1, 2, 3), Rgb(1, 2, 4), GetSysColor(15), Rgb(1, 2, 3)};
  for (int x = 0; x < 4; ++x) s.Canvas()->SetPixels(x, 0, before[x]);
  int changes = 0;
  QObject::connect(&s.bitmap, &TGraphic::OnChange, [&] { ++changes; });
  ReplaceColor(&s.bitmap, Rgb(1, 2, 3), clRed);
  ReplaceColor(&s.bitmap, clBtnFace, clBlue);
  const int32_t after[] = {clRed, Rgb(1, 2, 4), clBlue, clRed};
  ExpectPixels(s, [&](int x, int) { return after[x]; });
  EXPECT_EQ(changes, 2);
}
