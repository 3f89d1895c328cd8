#include "KvSysUtils.h"

#include "Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <vector>

using kv::Bounds, kv::DT_CENTER, kv::DT_SINGLELINE, kv::DT_VCENTER, kv::DrawText, kv::Extended,
    kv::GetSysColor;

using kvtest::Picture;
using kvtest::UseTextFont;

namespace {

// A colour none of the routines under test draws.
constexpr TColor kPaper = 0x123456;
constexpr int32_t Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

// The colour of each pixel of an expected picture.
using Colouring = std::function<int32_t(int x, int y)>;
const Colouring kBlank = [](int, int) { return kPaper.Value; };

// The expected picture at the size of S.
QImage Expected(const Picture& s, const Colouring& colour) {
  return kvtest::PictureOf(s.bitmap.Width(), s.bitmap.Height(), colour);
}

// The pixels that Draw inks with the test font, in black on white.
std::vector<bool> InkOf(int w, int h, const std::function<void(TCanvas*)>& draw) {
  Picture s(w, h, clWhite);
  UseTextFont(s.c);
  s.c->Font()->SetColor(clBlack);
  s.c->Brush()->SetStyle(TBrushStyle::bsClear);
  draw(s.c);
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
Colouring Layers(int w, std::vector<std::pair<std::vector<bool>, int32_t>> layers) {
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
  Picture down(3, 6, kPaper);
  GradientFill(down.c, TRect(0, 0, 3, 4), clBlack, Rgb(10, 20, 0), 0, 1);
  const int32_t rows[] = {0, Rgb(2, 5, 0), Rgb(5, 10, 0), Rgb(8, 15, 0), Rgb(10, 20, 0), kPaper};
  EXPECT_SAME_PIXELS(down.Image(), Expected(down, [&](int, int y) { return rows[y]; }));

  Picture across(7, 2, kPaper);
  GradientFill(across.c, TRect(0, 0, 4, 2), Rgb(0, 0, 100), Rgb(100, 0, 0), 1, 2);
  const int32_t columns[] = {Rgb(0, 0, 100), Rgb(0, 0, 100), Rgb(50, 0, 50), Rgb(50, 0, 50),
                             Rgb(100, 0, 0), Rgb(100, 0, 0), kPaper};
  EXPECT_SAME_PIXELS(across.Image(), Expected(across, [&](int x, int) { return columns[x]; }));
}

TEST(GradientFill, StepsBelowOneEmptyRectanglesAndOtherDirections) {
  for (int step : {0, -3}) {
    Picture expected(3, 6, kPaper), actual(3, 6, kPaper);
    GradientFill(expected.c, TRect(0, 0, 3, 4), clBlack, clWhite, 0, 1);
    GradientFill(actual.c, TRect(0, 0, 3, 4), clBlack, clWhite, 0, step);
    EXPECT_SAME_PIXELS(actual.bitmap.Image(), expected.bitmap.Image()) << "step " << step;
  }
  Picture empty(2, 3, kPaper);  // counts as 1 x 1: no division by zero
  GradientFill(empty.c, TRect(0, 0, 0, 0), clBlack, clWhite, 0, 1);
  EXPECT_SAME_PIXELS(empty.Image(), Expected(empty, [](int x, int y) {
                       return x > 0 || y > 1 ? kPaper.Value : y ? clWhite.Value : clBlack.Value;
                     }));
  Picture other(4, 4, kPaper);
  GradientFill(other.c, TRect(0, 0, 4, 4), clBlack, clWhite, 2, 1);
  GradientFill(other.c, TRect(0, 0, 4, 4), clBlack, clWhite, -1, 1);
  EXPECT_SAME_PIXELS(other.Image(), Expected(other, kBlank));
}

TEST(GradientBands, StraightBandsTruncateAndVerticalOnesIncludeTheRightEdge) {
  Picture down(2, 5, kPaper), across(6, 2, kPaper);
  GradientBands(down.c, TRect(0, 0, 2, 4), clBlack, clRed, 1, 1);
  GradientBands(across.c, TRect(0, 0, 4, 2), clBlack, clRed, 2, 1);
  const int32_t reds[] = {0, Rgb(63, 0, 0), Rgb(127, 0, 0), Rgb(191, 0, 0), clRed, kPaper};
  EXPECT_SAME_PIXELS(down.Image(),
                     Expected(down, [&](int, int y) { return y < 4 ? reds[y] : kPaper.Value; }));
  EXPECT_SAME_PIXELS(across.Image(), Expected(across, [&](int x, int) { return reds[x]; }));
}

TEST(GradientBands, MirroredBandsReturnToTheStartAndWrapModulo256) {
  Picture s(1, 11, kPaper);
  GradientBands(s.c, TRect(0, 0, 1, 7), clBlack, Rgb(200, 0, 0), 5, 2);
  // Middle 3: positions 0, 2, then 4, 2, 0 on the way back; 200 * 4 / 3 = 266 wraps to 10.
  const int reds[] = {0, 0, 133, 133, 10, 10, 133, 133, 0, 0};
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, [&](int, int y) {
                       return y < 10 ? Rgb(reds[y], 0, 0) : kPaper.Value;
                     }));
}

TEST(GradientBands, ZeroTotalsGiveTheStartColour) {
  Picture thin(2, 10, kPaper), flat(10, 2, kPaper), narrow(3, 4, kPaper), point(2, 2, kPaper);
  GradientBands(thin.c, TRect(0, 0, 1, 10), clRed, clBlue, 6, 1);
  GradientBands(flat.c, TRect(0, 0, 10, 1), clRed, clBlue, 5, 1);
  GradientBands(narrow.c, TRect(0, 0, 0, 4), clRed, clBlue, 2, 1);
  GradientBands(point.c, TRect(0, 0, 0, 0), clRed, clBlue, 3, 1);
  GradientBands(point.c, TRect(0, 0, 0, 0), clRed, clBlue, 4, 1);
  EXPECT_SAME_PIXELS(
      thin.Image(), Expected(thin, [](int x, int) { return x == 0 ? clRed.Value : kPaper.Value; }));
  EXPECT_SAME_PIXELS(
      flat.Image(), Expected(flat, [](int, int y) { return y == 0 ? clRed.Value : kPaper.Value; }));
  EXPECT_SAME_PIXELS(narrow.Image(), Expected(narrow, [](int x, int) {
                       return x == 0 ? clRed.Value : kPaper.Value;
                     }));
  EXPECT_EQ(point.At(0, 0), clRed.Value);
}

TEST(GradientBands, StepsBelowOneCountAsOneAndUnknownStylesDrawNothing) {
  for (int style = 1; style <= 6; ++style)
    for (int step : {0, -3}) {
      Picture expected(9, 7, kPaper), actual(9, 7, kPaper);
      GradientBands(expected.c, TRect(0, 0, 9, 7), clBlack, clWhite, style, 1);
      GradientBands(actual.c, TRect(0, 0, 9, 7), clBlack, clWhite, style, step);
      EXPECT_SAME_PIXELS(actual.bitmap.Image(), expected.bitmap.Image())
          << "style " << style << ", step " << step;
    }
  std::array<int, 6> styles{};
  for (int d = 0; d < 6; ++d) styles[size_t(d)] = GradientDirectionStyle(d);
  EXPECT_EQ(styles, (std::array{1, 5, 2, 6, 3, 4}));
  Picture s(5, 5, kPaper);
  for (int style : {0, 7, -1, GradientDirectionStyle(-1), GradientDirectionStyle(6)})
    GradientBands(s.c, TRect(0, 0, 5, 5), clBlack, clWhite, style, 1);
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, kBlank));
}

// Under a clip, the bands paint there what the whole drawing paints, and nothing elsewhere; the
// brush is left as the whole drawing leaves it. The bands reach
// far past the picture on both sides, so most lie outside any clip.
TEST(GradientBands, UnderAClipTheBandsPaintWhatTheWholeDrawingPaints) {
  const TRect bands(-3001, -2003, 3000, 2000);
  const TRect clips[] = {{10, 10, 17, 15}, {0, 0, 3, 40}, {37, 0, 40, 40}, {0, 37, 40, 40},
                         {50, 50, 60, 60}};
  for (int style : {1, 2, 5, 6})
    for (int step : {1, 3, 7, 5000})
      for (const TRect& clip : clips) {
        SCOPED_TRACE(testing::Message() << "style " << style << ", step " << step << ", clip "
                                        << clip.Left << "," << clip.Top);
        Picture whole(40, 40, kPaper), clipped(40, 40, kPaper);
        const TRegion region = kv::CreateRectRgn(clip.Left, clip.Top, clip.Right, clip.Bottom);
        clipped.c->SelectClipRgn(&region);
        for (Picture* p : {&whole, &clipped})
          GradientBands(p->c, bands, Rgb(0, 40, 0), Rgb(250, 90, 255), style, step);
        EXPECT_EQ(clipped.c->Brush()->Color(), whole.c->Brush()->Color());
        EXPECT_EQ(clipped.c->Brush()->Style(), whole.c->Brush()->Style());
        EXPECT_SAME_PIXELS(clipped.Image(), Expected(clipped, [&](int x, int y) {
                             const bool inside = x >= clip.Left && x < clip.Right &&
                                                 y >= clip.Top && y < clip.Bottom;
                             return inside ? whole.At(x, y) : kPaper.Value;
                           }));
      }
}

namespace {

// Rings drawn from the outside of (0, 0, size, size) in: each ring's top and left edges
// in Top, its right and bottom edges in Bottom; the bottom-left corner in Bottom, or in
// Top for the corner variant.
Colouring Rings(int size, int rings, int32_t top, int32_t bottom, bool corner) {
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
  Picture s(12, 12, kPaper);
  TRect r(0, 0, 10, 10);
  DrawFrame3D(s.c, r, clWhite, clGray, 2);
  EXPECT_EQ(r, TRect(2, 2, 8, 8));
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, Rings(10, 2, clWhite, clGray, false)));
  EXPECT_EQ((std::array{s.At(0, 0), s.At(9, 0), s.At(0, 9), s.At(1, 1), s.At(8, 1), s.At(1, 8),
                        s.At(2, 2)}),
            (std::array{clWhite.Value, clGray.Value, clGray.Value, clWhite.Value, clGray.Value,
                        clGray.Value, kPaper.Value}));

  Picture corner(10, 10, kPaper);
  TRect c(0, 0, 10, 10);
  DrawFrame3DCorner(corner.c, c, clWhite, clGray, 3);
  EXPECT_EQ(c, TRect(3, 3, 7, 7));
  EXPECT_SAME_PIXELS(corner.Image(), Expected(corner, Rings(10, 3, clWhite, clGray, true)));
}

TEST(DrawFrame3D, NoWidthDrawsNothingAndRingsStopAtTheMiddle) {
  Picture s(6, 6, kPaper);
  TRect r(0, 0, 6, 6);
  DrawFrame3D(s.c, r, clWhite, clGray, 0);
  DrawFrame3D(s.c, r, clWhite, clGray, -4);
  EXPECT_EQ(r, TRect(0, 0, 6, 6));
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, kBlank));
  DrawFrame3D(s.c, r, clWhite, clGray, 5);
  EXPECT_EQ(r, TRect(5, 5, 1, 1));
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, Rings(6, 3, clWhite, clGray, false)));
  TRect huge(0, 0, 6, 6);
  DrawFrame3D(s.c, huge, clRed, clRed, INT_MAX);
  EXPECT_EQ(huge, TRect(INT_MAX, INT_MAX, 6 - INT_MAX, 6 - INT_MAX));
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, [](int, int) { return clRed.Value; }));
}

TEST(DrawShape, SquareFiguresAreCentredAndUnknownShapesDrawNothing) {
  for (int shape : {0, 1, 3, 5, 6, -1}) {
    Picture actual(42, 22, kPaper), expected(42, 22, kPaper);
    for (Picture* s : {&actual, &expected}) s->c->Brush()->SetColor(clWhite);
    DrawShape(actual.c, shape, 1, 0, 40, 20);
    if (shape == 0) expected.c->Rectangle(1, 0, 41, 20);
    if (shape == 1) expected.c->Rectangle(11, 0, 31, 20);
    if (shape == 3) expected.c->RoundRect(11, 0, 31, 20, 5, 5);
    if (shape == 5) expected.c->Ellipse(11, 0, 31, 20);
    EXPECT_SAME_PIXELS(actual.bitmap.Image(), expected.bitmap.Image()) << "shape " << shape;
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
  Picture enabled(60, 40, kPaper), disabled(60, 40, kPaper);
  UseTextFont(enabled.c);
  UseTextFont(disabled.c);
  enabled.c->Font()->SetColor(clBlue);
  DrawCaption(enabled.c, text, TRect(0, 0, 60, 40), true);
  DrawCaption(disabled.c, text, TRect(0, 0, 60, 40), false);
  EXPECT_SAME_PIXELS(
      enabled.Image(),
      Expected(enabled,
               Layers(60, {{inkIn(TRect(0, 0, 60, 40), DT_SINGLELINE | DT_CENTER | DT_VCENTER),
                            clBlue}})));
  EXPECT_SAME_PIXELS(
      disabled.Image(),
      Expected(disabled, Layers(60, {{inkIn(TRect(1, 1, 61, 41), 0), GetSysColor(20)},
                                     {inkIn(TRect(0, 0, 60, 40), 0), GetSysColor(16)}})));
  EXPECT_EQ(disabled.c->Font()->Color().Value, clBtnShadow.Value);
}

TEST(DrawText3D, EmbossedAndShadowTextLieOverTheirCopiesAndKeepTheFontColour) {
  Picture embossed(50, 30, kPaper), shadowed(50, 30, kPaper);
  for (Picture* s : {&embossed, &shadowed}) {
    UseTextFont(s->c);
    s->c->Font()->SetColor(clBlue);
  }
  const QString kv = QStringLiteral("Kv");
  DrawEmbossedText(embossed.c, 5, 4, kv, clRed, clLime);
  DrawShadowText(shadowed.c, 5, 6, kv, clGray, 3, -2);
  EXPECT_SAME_PIXELS(embossed.Image(),
                     Expected(embossed, Layers(50, {{TextInk(50, 30, 6, 5, kv), clLime},
                                                    {TextInk(50, 30, 4, 3, kv), clRed},
                                                    {TextInk(50, 30, 5, 4, kv), clBlue}})));
  EXPECT_SAME_PIXELS(shadowed.Image(),
                     Expected(shadowed, Layers(50, {{TextInk(50, 30, 8, 4, kv), clGray},
                                                    {TextInk(50, 30, 5, 6, kv), clBlue}})));
  EXPECT_EQ(embossed.c->Font()->Color().Value, clBlue.Value);
  EXPECT_EQ(shadowed.c->Font()->Color().Value, clBlue.Value);
}

TEST(CalcImageTextLayout, AnEmptyCaptionCentresTheImage) {
  Picture s(1, 1, kPaper);
  TPoint image;
  TRect text(1, 2, 3, 4);
  CalcImageTextLayout(s.c, TRect(5, 3, 45, 23), TPoint(1, 2), QString(),
                      TKvImageTextLayout::ImageLeft, -1, -1, TPoint(10, 8), image, text);
  // Margin (40 - 10 + 1) div 2 = 15, across (20 - 8 + 1) div 2 = 6, moved by (6, 5); the
  // empty text follows the image with no spacing.
  EXPECT_EQ(image, TPoint(21, 11));
  EXPECT_EQ(text, TRect(31, 15, 31, 15));
}

TEST(CalcImageTextLayout, ComputedSpacingAndMarginAlongEachAxis) {
  Picture s(1, 1, kPaper);
  UseTextFont(s.c);
  const QString caption = QStringLiteral("On\nOff");
  const TPoint t = TextSize(s.c, caption);
  EXPECT_EQ(t, TPoint(s.c->TextWidth(QStringLiteral("Off")), 2 * s.c->TextHeight(caption)));
  EXPECT_EQ(TextSize(s.c, QString()), TPoint(0, 0));
  TPoint image;
  TRect text;
  CalcImageTextLayout(s.c, TRect(0, 0, 100, 50), TPoint(), caption, TKvImageTextLayout::ImageRight,
                      2, -1, TPoint(12, 12), image, text);
  EXPECT_EQ(image, TPoint(86, 19));
  EXPECT_EQ(text, Bounds(86 - (100 - 14 - t.X) / 2 - t.X, (50 - t.Y + 1) / 2, t.X, t.Y));
  CalcImageTextLayout(s.c, TRect(0, 0, 60, 100), TPoint(), caption, TKvImageTextLayout::ImageTop,
                      -1, -1, TPoint(12, 12), image, text);
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
    Picture s(40, 30, kPaper);
    UseTextFont(s.c);
    const int baseline = angle ? 24 : 3;
    DrawTexturedText(s.c, TRect(5, 5, 35, 25), 4, baseline, angle, &texture, QStringLiteral("HI"));
    const auto ink = InkOf(40, 30, [&](TCanvas* c) {
      SetFontAngle(c, angle);
      c->TextOut(4, baseline, QStringLiteral("HI"));
    });
    // The effect covers (0, 0, 30, 20) whatever Rect's corner.
    EXPECT_SAME_PIXELS(s.Image(), Expected(s, [&](int x, int y) {
                         if (x >= 30 || y >= 20 || !ink[size_t(y) * 40 + size_t(x)])
                           return kPaper.Value;
                         return x < 15 ? clRed.Value : clLime.Value;
                       }));
    EXPECT_EQ(s.c->Font()->Orientation(), 0);
  }
  Picture font(1, 1, kPaper);
  SetFontAngle(font.c, 45);
  EXPECT_EQ(font.c->Font()->Orientation(), 450);
  Picture s(20, 20, kPaper);
  const TBitmap empty;
  DrawTexturedText(s.c, TRect(0, 0, 20, 20), 0, 0, 0, nullptr, QStringLiteral("HI"));
  DrawTexturedText(s.c, TRect(0, 0, 20, 20), 0, 0, 0, &empty, QStringLiteral("HI"));
  DrawTexturedText(s.c, TRect(0, 0, 0, 20), 0, 0, 0, &texture, QStringLiteral("HI"));
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, kBlank));
}

namespace {

Colouring Dots(int left, int top, int right, int bottom, int pitch, int dot) {
  return [=](int x, int y) {
    if (x < left || y < top || x >= right || y >= bottom) return kPaper.Value;
    return (x - left) % pitch < dot && (y - top) % pitch < dot ? clRed.Value : clWhite.Value;
  };
}

}  // namespace

TEST(DrawDotPattern, DotsAtEveryPitchFromTheCornerAndTheTileRepeats) {
  Picture corner(30, 25, kPaper), wide(100, 50, kPaper), none(10, 10, kPaper);
  DrawDotPattern(corner.c, TRect(5, 4, 25, 20), clRed, 1, 2, clWhite);
  DrawDotPattern(wide.c, TRect(0, 0, 100, 50), clRed, 1, 1, clWhite);  // tiles of 40
  DrawDotPattern(none.c, TRect(1, 1, 9, 9), clRed, -3, 2,
                 clWhite);  // no pitch: only the fill
  EXPECT_SAME_PIXELS(corner.Image(), Expected(corner, Dots(5, 4, 25, 20, 3, 2)));
  EXPECT_SAME_PIXELS(wide.Image(), Expected(wide, Dots(0, 0, 100, 50, 2, 1)));
  EXPECT_SAME_PIXELS(none.Image(), Expected(none, Dots(1, 1, 9, 9, 1, 0)));
}

TEST(DrawDotPattern, AHugePitchDrawsOneDotWithoutAHugeTile) {
  Picture s(50, 40, kPaper), whole(50, 40, kPaper);
  DrawDotPattern(s.c, TRect(0, 0, 50, 40), clRed, INT_MAX - 3, 3, clWhite);
  DrawDotPattern(whole.c, TRect(0, 0, 50, 40), clRed, INT_MAX, INT_MAX,
                 clWhite);  // pitch past 2^31
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, Dots(0, 0, 50, 40, INT_MAX, 3)));
  EXPECT_SAME_PIXELS(whole.Image(), Expected(whole, Dots(0, 0, 50, 40, INT_MAX, INT_MAX)));
}

TEST(MakeDotImage, EachSourcePixelBecomesADotOfItsColour) {
  TBitmap source;
  source.SetSize(2, 1);
  source.Canvas()->SetPixels(0, 0, clRed);
  source.Canvas()->SetPixels(1, 0, clLime);
  Picture dest(1, 1, kPaper);
  MakeDotImage(&dest.bitmap, &source, clBlue, 1, 2, clWhite);
  ASSERT_EQ(BitmapRect(&dest.bitmap), TRect(0, 0, 6, 3));
  EXPECT_SAME_PIXELS(
      dest.Image(), Expected(dest, [](int x, int y) {
        return x % 3 == 2 || y == 2 ? clWhite.Value : x < 3 ? clRed.Value : clLime.Value;
      }));

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
  Picture s(12, 9, kPaper);
  TileBitmap(s.c, TRect(1, 1, 8, 6), &tile);
  // Columns start at 1, 4, 7 and rows at 1, 3, 5: the last copies reach to 10 and 7.
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, [](int x, int y) {
                       return x < 1 || y < 1 || x >= 10 || y >= 7
                                  ? kPaper.Value
                                  : Rgb(10 * ((x - 1) % 3), 10 * ((y - 1) % 2), 7);
                     }));
  Picture blank(8, 8, kPaper);
  for (auto [w, h] : {std::pair{5, 0}, std::pair{0, 5}}) {
    tile.SetSize(w, h);
    TileBitmap(blank.c, TRect(0, 0, 8, 8), &tile);
  }
  TileBitmap(blank.c, TRect(0, 0, 8, 8), nullptr);
  EXPECT_SAME_PIXELS(blank.Image(), Expected(blank, kBlank));
}

TEST(ReplaceColor, OnlyExactlyEqualPixelsChange) {
  Picture s(4, 1, kPaper);
  const int32_t before[] = {Rgb(1, 2, 3), Rgb(1, 2, 4), GetSysColor(15), Rgb(1, 2, 3)};
  for (int x = 0; x < 4; ++x) s.c->SetPixels(x, 0, before[x]);
  int changes = 0;
  QObject::connect(&s.bitmap, &TGraphic::OnChange, [&] { ++changes; });
  ReplaceColor(&s.bitmap, Rgb(1, 2, 3), clRed);
  ReplaceColor(&s.bitmap, clBtnFace, clBlue);
  const int32_t after[] = {clRed, Rgb(1, 2, 4), clBlue, clRed};
  EXPECT_SAME_PIXELS(s.Image(), Expected(s, [&](int x, int) { return after[x]; }));
  EXPECT_EQ(changes, 2);
}
