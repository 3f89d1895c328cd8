// Region factories: the same pixels the canvas draws in the same box, the fill rules of
// polygons, combination, the canonical banded form, extreme coordinates, and the logical
// cover of device pixels.
#include "DeviceWindowShape.h"
#include "Pixels.h"

#include <gtest/gtest.h>

#include <climits>

using kv::ALTERNATE, kv::CombineRgn, kv::CreateEllipticRgn, kv::CreatePolygonRgn, kv::CreateRectRgn,
    kv::CreateRoundRectRgn, kv::RGN_AND, kv::RGN_COPY, kv::RGN_DIFF, kv::RGN_OR, kv::RGN_XOR,
    kv::Rect, kv::WINDING;

using kvtest::Picture;

namespace {

// The region and the black pixels of the picture are the same set.
void ExpectRegionIsTheBlack(const TRegion& region, const Picture& p) {
  const int w = p.bitmap.Width(), h = p.bitmap.Height();
  const TRect box = region.BoundingRect();
  EXPECT_TRUE(region.IsEmpty() ||
              (box.Left >= 0 && box.Top >= 0 && box.Right <= w && box.Bottom <= h))
      << "the region reaches outside the picture";
  EXPECT_SAME_PIXELS(
      kvtest::PictureOf(w, h,
                        [&](int x, int y) { return region.Contains(x, y) ? clBlack : clWhite; }),
      p.Image());
}

// The region holds the pixels that Draw paints black on a white w x h picture.
void ExpectRegionIsShape(const TRegion& region, int w, int h,
                         const std::function<void(TCanvas*)>& draw) {
  Picture p(w, h);
  p.c->Brush()->SetColor(clBlack);
  draw(p.c);
  ExpectRegionIsTheBlack(region, p);
}

TEST(Regions, RectangleExcludesRightAndBottomAndSortsItsCorners) {
  const TRegion r = CreateRectRgn(4, 3, 0, 0);
  EXPECT_TRUE(r.Contains(0, 0));
  EXPECT_TRUE(r.Contains(3, 2));
  EXPECT_FALSE(r.Contains(4, 0));
  EXPECT_FALSE(r.Contains(0, 3));
  EXPECT_EQ(r.BoundingRect(), Rect(0, 0, 4, 3));
  EXPECT_TRUE(CreateRectRgn(2, 2, 2, 5).IsEmpty());
}

TEST(Regions, EllipticRegionHoldsThePixelsEllipseDraws) {
  for (const QSize box :
       {QSize(1, 1), QSize(2, 2), QSize(4, 3), QSize(9, 9), QSize(17, 10), QSize(135, 65)}) {
    SCOPED_TRACE(std::to_string(box.width()) + "x" + std::to_string(box.height()));
    ExpectRegionIsShape(CreateEllipticRgn(1, 1, 1 + box.width(), 1 + box.height()), box.width() + 2,
                        box.height() + 2,
                        [&](TCanvas* c) { c->Ellipse(1, 1, 1 + box.width(), 1 + box.height()); });
  }
}

TEST(Regions, RoundRectRegionHoldsThePixelsRoundRectDraws) {
  ExpectRegionIsShape(CreateRoundRectRgn(1, 2, 22, 13, 9, 6), 24, 14,
                      [](TCanvas* c) { c->RoundRect(1, 2, 22, 13, 9, 6); });
}

TEST(Regions, PolygonRegionHoldsThePixelsPolygonFills) {
  const TPoint points[] = {{1, 1}, {17, 4}, {12, 15}, {3, 11}};
  ExpectRegionIsShape(CreatePolygonRgn(points, ALTERNATE), 20, 18, [&](TCanvas* c) {
    c->Pen()->SetStyle(TPenStyle::psClear);
    c->Polygon(points);
  });
  const TPoint square[] = {{2, 1}, {6, 1}, {6, 4}, {2, 4}};
  EXPECT_EQ(CreatePolygonRgn(square, WINDING), CreateRectRgn(2, 1, 6, 4));
}

TEST(Regions, WindingFillsTheCentreOfAStarAlternateDoesNot) {
  const TPoint star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  EXPECT_TRUE(CreatePolygonRgn(star, WINDING).Contains(10, 10));
  EXPECT_FALSE(CreatePolygonRgn(star, ALTERNATE).Contains(10, 10));
  EXPECT_TRUE(CreatePolygonRgn(star, ALTERNATE).Contains(10, 3));
}

TEST(Regions, ShapesComeInQRegionsOwnBandedForm) {
  // Built band by band, the region equals the one Qt makes by uniting its rows.
  const TRegion ellipse = CreateEllipticRgn(0, 0, 31, 20);
  QRegion united;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 31; ++x)
      if (ellipse.Contains(x, y)) united |= QRect(x, y, 1, 1);
  EXPECT_EQ(ellipse, TRegion(united));
  EXPECT_LT(ellipse.ToQRegion().rectCount(), 20);
}

TEST(Regions, CombineOperatorsAndUnknownMode) {
  const TRegion a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6);
  TRegion r;
  ASSERT_TRUE(CombineRgn(r, a, b, RGN_AND));
  EXPECT_EQ(r, CreateRectRgn(2, 2, 4, 4));
  ASSERT_TRUE(CombineRgn(r, a, b, RGN_OR));
  EXPECT_TRUE(r.Contains(5, 5) && r.Contains(0, 0) && !r.Contains(5, 0));
  ASSERT_TRUE(CombineRgn(r, a, b, RGN_XOR));
  EXPECT_TRUE(r.Contains(0, 0) && !r.Contains(3, 3) && r.Contains(5, 5));
  ASSERT_TRUE(CombineRgn(r, a, b, RGN_DIFF));
  EXPECT_TRUE(r.Contains(0, 0) && !r.Contains(3, 3) && !r.Contains(5, 5));
  ASSERT_TRUE(CombineRgn(r, a, b, RGN_COPY));
  EXPECT_EQ(r, a);
  EXPECT_FALSE(CombineRgn(r, b, b, 99));
  EXPECT_EQ(r, a);
  ASSERT_TRUE(CombineRgn(r, r, b, RGN_AND));  // the destination may be an operand
  EXPECT_EQ(r, CreateRectRgn(2, 2, 4, 4));
}

TEST(Regions, ClipByAnEllipticRegionLeavesExactlyItsPixels) {
  Picture p(12, 9);
  const TRegion clip = CreateEllipticRgn(1, 1, 11, 8);
  p.c->SelectClipRgn(&clip);
  p.c->Brush()->SetColor(clBlack);
  p.c->FillRect(Rect(0, 0, 12, 9));
  p.c->SelectClipRgn(nullptr);
  ExpectRegionIsTheBlack(clip, p);
}

TEST(Regions, ExtremeCoordinatesStayBoundedAndCorrectNearTheOrigin) {
  const TRegion rect = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_TRUE(rect.Contains(0, 0));
  EXPECT_TRUE(rect.Contains(1 << 28, -(1 << 28)));
  const TRegion ellipse = CreateEllipticRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_TRUE(ellipse.Contains(0, 0));
  EXPECT_TRUE(CreateRoundRectRgn(INT_MIN, 0, INT_MAX, 10, INT_MAX, INT_MAX).Contains(0, 5));
  const TPoint triangle[] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {INT_MIN, INT_MAX}};
  EXPECT_TRUE(CreatePolygonRgn(triangle, WINDING).Contains(0, 0));
  EXPECT_TRUE(CreatePolygonRgn({}, WINDING).IsEmpty());
}

}  // namespace

// The logical pixels a device-pixel outline touches: each device pixel falls into the
// logical pixel that holds it, also left of and above the origin.
TEST(Regions, LogicalCoverOfDevicePixels) {
  struct Case {
    QRect device;
    int scale;
    QRect logical;
  } const cases[] = {
      {{0, 0, 2, 2}, 2, {0, 0, 1, 1}},   {{1, 1, 1, 1}, 2, {0, 0, 1, 1}},
      {{1, 3, 2, 2}, 2, {0, 1, 2, 2}},   {{-1, -3, 1, 1}, 2, {-1, -2, 1, 1}},
      {{2, 0, 4, 3}, 3, {0, 0, 2, 1}},   {{5, 5, 1, 1}, 1, {5, 5, 1, 1}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(kv::LogicalCover(QRegion(c.device), c.scale), QRegion(c.logical))
        << c.device.x() << "," << c.device.y() << " " << c.device.width() << "x"
        << c.device.height() << " at " << c.scale;
  // Many rectangles, as a window's outline has: the same as one at a time.
  QRegion outline, expected;
  for (int y = 0; y < 200; ++y) {
    outline += QRect(100 - y / 3, y, 2 * (y / 3) + 1, 1);
    expected += QRect((100 - y / 3) / 2, y / 2, (100 + y / 3) / 2 - (100 - y / 3) / 2 + 1, 1);
  }
  EXPECT_EQ(kv::LogicalCover(outline, 2), expected);
}
