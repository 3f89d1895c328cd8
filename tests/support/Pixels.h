// Reading, making and comparing pictures. Colours are TColor values (0x00BBGGRR), as the
// controls' properties give them. Every picture comparison goes through SamePixels, which
// names the first differing pixel.
#pragma once

#include "Graphics.h"

#include <QImage>
#include <QPoint>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kvtest {

// ---- Reading ----------------------------------------------------------------

// The colour of one pixel, -1 outside the image.
int32_t PixelAt(const QImage& image, int x, int y);
// How many pixels have Color.
int CountPixels(const QImage& image, int32_t color);
// The smallest rectangle holding every pixel of Color (empty when there is none).
TRect InkBounds(const QImage& image, int32_t color);
// The colours that occur.
std::set<int32_t> Colours(const QImage& image);
// Aligned Scale x Scale blocks whose pixels (alpha included) are not all one: detail finer
// than a pixel enlarged to Scale.
int MixedBlocks(const QImage& image, int scale);
// Whether (X, Y) lies in Mask and is white there: a mask shows where a drawing puts ink,
// drawn in white on black.
bool IsInk(const QImage& mask, int x, int y);
// The first pixel that differs between the pictures where Reference shows one colour all
// around it (Reach pixels each way): a fill that changed, not an edge.
std::optional<QPoint> ChangedAwayFromEdges(const QImage& reference, const QImage& other,
                                           int reach);

// ---- Making -----------------------------------------------------------------

// A bitmap filled with one colour, and its canvas (whose brush is then white).
struct Picture {
  TBitmap bitmap;
  TCanvas* c;
  Picture(int width, int height, TColor background = clWhite);
  const QImage& Image() const { return bitmap.Image(); }
  int32_t At(int x, int y) const { return PixelAt(Image(), x, y); }
};

// A picture whose pixel (x, y) has the colour Color(x, y).
QImage PictureOf(int width, int height, const std::function<int32_t(int x, int y)>& color);

// The canvas font of the text tests: Arial, 16 pixels, bold.
void UseTextFont(TCanvas* canvas);

// ---- Letter rows ------------------------------------------------------------

// A small picture written as rows of letters, one letter per pixel: '.' white, '#' black,
// R red, G lime, B blue, Y yellow, A aqua, F fuchsia, N navy, P purple, S silver; '?' (read
// only) any other colour.
using Rows = std::vector<std::string>;
char Letter(int32_t color);
Rows Art(const QImage& image);

// ---- Comparing --------------------------------------------------------------

// Every pixel of Actual is Expected's (colour channels within Tolerance, alpha exactly). A
// failure tells the first differing pixel with both colours and how many differ, and shows
// a small picture as letter rows.
::testing::AssertionResult SamePixels(const QImage& actual, const QImage& expected,
                                      int tolerance = 0);
::testing::AssertionResult SamePixels(const QImage& actual, const Rows& expected);
// Red where the pictures differ, a faint copy of Expected elsewhere (same sizes).
QImage DifferencePicture(const QImage& actual, const QImage& expected, int tolerance = 0);

}  // namespace kvtest

#define EXPECT_SAME_PIXELS(actual, expected) EXPECT_TRUE(::kvtest::SamePixels((actual), (expected)))
#define ASSERT_SAME_PIXELS(actual, expected) ASSERT_TRUE(::kvtest::SamePixels((actual), (expected)))
