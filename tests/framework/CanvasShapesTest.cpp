// Pixel rules of the canvas: lines, shapes, fills, pens, brushes, clipping and flood fills,
// checked on small bitmaps pixel by pixel.
#include "Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <thread>

using kv::CombineRgn, kv::CreateEllipticRgn, kv::CreateRectRgn, kv::Point, kv::RGN_OR, kv::Rect;

using kvtest::Art;
using kvtest::Picture;

namespace {

TEST(CanvasRectangle, OutlineOnTheOuterRowsAndColumnsInteriorInTheBrush) {
  Picture p(6, 5);
  p.c->Brush()->SetColor(clRed);
  p.c->Rectangle(0, 0, 6, 5);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"######", "#RRRR#", "#RRRR#", "#RRRR#", "######"}));
}

TEST(CanvasRectangle, ClearBrushInvertedCornersAndEmptyBoxes) {
  Picture p(5, 4);
  p.c->Brush()->SetStyle(TBrushStyle::bsClear);
  p.c->Rectangle(5, 4, 0, 0);  // corners given the other way round
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"#####", "#...#", "#...#", "#####"}));
  Picture q(3, 3);
  q.c->Rectangle(1, 0, 1, 3);  // no width
  EXPECT_SAME_PIXELS(q.Image(), (kvtest::Rows{"...", "...", "..."}));
  q.c->Rectangle(1, 0, 2, 3);  // one column: each pixel once, so XOR shows it
  q.c->Pen()->SetMode(TPenMode::pmXor);
  q.c->Pen()->SetColor(clWhite);
  q.c->Rectangle(0, 1, 3, 2);
  EXPECT_SAME_PIXELS(q.Image(), (kvtest::Rows{".#.", "#.#", ".#."}));
}

TEST(CanvasFill, FillRectExcludesRightAndBottomAndIgnoresInvertedRects) {
  Picture p(4, 4);
  p.c->Brush()->SetColor(clRed);
  p.c->FillRect(Rect(1, 1, 3, 3));
  p.c->FillRect(Rect(3, 3, 0, 0));
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"....", ".RR.", ".RR.", "...."}));
}

TEST(CanvasFill, FrameRectInBrushColourAndFocusRectInvertsEveryOtherPixel) {
  Picture p(5, 4);
  p.c->Brush()->SetColor(clBlue);
  p.c->FrameRect(Rect(0, 0, 5, 4));
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"BBBBB", "B...B", "B...B", "BBBBB"}));

  Picture f(5, 4);
  f.c->DrawFocusRect(Rect(0, 0, 5, 4));
  EXPECT_SAME_PIXELS(f.Image(), (kvtest::Rows{"#.#.#", ".....", "#...#", ".#.#."}));
  f.c->DrawFocusRect(Rect(0, 0, 5, 4));  // a second call restores the pixels
  EXPECT_SAME_PIXELS(f.Image(), (kvtest::Rows{".....", ".....", ".....", "....."}));
}

TEST(CanvasLine, DrawsTheStartAndLeavesOutTheEnd) {
  Picture p(5, 3);
  p.c->MoveTo(0, 0);
  p.c->LineTo(4, 0);
  EXPECT_EQ(p.c->PenPos(), Point(4, 0));
  p.c->MoveTo(0, 0);
  p.c->LineTo(4, 2);  // (1, 0.5) is a tie: the upper row
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"####.", "..##.", "....."}));
  p.c->LineTo(4, 2);  // zero length: nothing
  EXPECT_EQ(p.c->Pixels(4, 2), clWhite);
}

// Ties of the line rule go to the upper row or the left column, so a line and its
// reverse cover the same pixels apart from the end point each leaves out.
TEST(CanvasLine, EveryLineCoversThePixelsOfItsReverse) {
  for (int dx = -9; dx <= 9; ++dx)
    for (int dy = -9; dy <= 9; ++dy) {
      Picture forward(21, 21), backward(21, 21);
      forward.c->MoveTo(10, 10);
      forward.c->LineTo(10 + dx, 10 + dy);
      forward.c->SetPixels(10 + dx, 10 + dy, clBlack);
      backward.c->MoveTo(10 + dx, 10 + dy);
      backward.c->LineTo(10, 10);
      backward.c->SetPixels(10, 10, clBlack);
      ASSERT_SAME_PIXELS(forward.Image(), backward.Image()) << dx << "," << dy;
    }
}

TEST(CanvasLine, PolylineDrawsEveryVertexButTheLast) {
  Picture p(4, 4);
  const TPoint path[] = {{0, 0}, {3, 0}, {3, 3}};
  p.c->Polyline(path);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"####", "...#", "...#", "...."}));
  EXPECT_EQ(p.c->PenPos(), Point(3, 3));
}

TEST(CanvasLine, DottedPenLeavesItsGapsAlone) {
  Picture p(7, 1, clRed);
  p.c->Pen()->SetStyle(TPenStyle::psDot);
  p.c->MoveTo(0, 0);
  p.c->LineTo(7, 0);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"###RRR#"}));
}

TEST(CanvasLine, ClearPenDrawsNothing) {
  Picture p(3, 1);
  p.c->Pen()->SetStyle(TPenStyle::psClear);
  p.c->MoveTo(0, 0);
  p.c->LineTo(3, 0);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"..."}));
}

TEST(CanvasPenMode, EachModeCombinesPenAndDestination) {
  // Destination red, pen lime (both as TColor values).
  const std::pair<TPenMode, TColor> cases[] = {
      {TPenMode::pmBlack, clBlack},
      {TPenMode::pmWhite, clWhite},
      {TPenMode::pmNop, clRed},
      {TPenMode::pmNot, clAqua},
      {TPenMode::pmCopy, clLime},
      {TPenMode::pmNotCopy, clFuchsia},
      {TPenMode::pmMergePenNot, clAqua},
      {TPenMode::pmMaskPenNot, clLime},
      {TPenMode::pmMergeNotPen, clFuchsia},
      {TPenMode::pmMaskNotPen, clRed},
      {TPenMode::pmMerge, clYellow},
      {TPenMode::pmNotMerge, clBlue},
      {TPenMode::pmMask, clBlack},
      {TPenMode::pmNotMask, clWhite},
      {TPenMode::pmXor, clYellow},
      {TPenMode::pmNotXor, clBlue},
  };
  for (const auto& [mode, expected] : cases) {
    Picture p(1, 1, clRed);
    p.c->Pen()->SetColor(clLime);
    p.c->Pen()->SetMode(mode);
    p.c->MoveTo(0, 0);
    p.c->LineTo(1, 0);
    EXPECT_EQ(p.c->Pixels(0, 0), expected) << int(mode);
  }
}

TEST(CanvasPenMode, XorTwiceRestoresAndOutlinesXorEachPixelOnce) {
  Picture p(4, 3, clLime);
  p.c->Pen()->SetColor(clRed);
  p.c->Pen()->SetMode(TPenMode::pmXor);
  p.c->Brush()->SetStyle(TBrushStyle::bsClear);
  p.c->Rectangle(0, 0, 4, 3);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"YYYY", "YGGY", "YYYY"}));
  p.c->Rectangle(0, 0, 4, 3);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"GGGG", "GGGG", "GGGG"}));
}

TEST(CanvasEllipse, TinyBoxesStillGiveADot) {
  for (const auto& [w, h, art] :
       {std::tuple{1, 1, kvtest::Rows{"#"}}, std::tuple{2, 2, kvtest::Rows{"##", "##"}},
        std::tuple{4, 3, kvtest::Rows{".##.", "#RR#", ".##."}},
        std::tuple{4, 4, kvtest::Rows{".##.", "#RR#", "#RR#", ".##."}}}) {
    Picture p(w, h);
    p.c->Brush()->SetColor(clRed);
    p.c->Ellipse(0, 0, w, h);
    EXPECT_SAME_PIXELS(p.Image(), art) << w << "x" << h;
  }
}

TEST(CanvasEllipse, CircleRimIsAClosedEightConnectedCurve) {
  Picture p(9, 9);
  p.c->Brush()->SetColor(clRed);
  p.c->Ellipse(0, 0, 9, 9);
  EXPECT_SAME_PIXELS(p.Image(),
                     (kvtest::Rows{"...###...", ".##RRR##.", ".#RRRRR#.", "#RRRRRRR#", "#RRRRRRR#",
                                   "#RRRRRRR#", ".#RRRRR#.", ".##RRR##.", "...###..."}));
}

TEST(CanvasEllipse, ClearPenFillsTheRimTooAndClearBrushKeepsTheInside) {
  Picture p(4, 3);
  p.c->Pen()->SetStyle(TPenStyle::psClear);
  p.c->Brush()->SetColor(clRed);
  p.c->Ellipse(0, 0, 4, 3);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{".RR.", "RRRR", ".RR."}));
  Picture q(4, 3);
  q.c->Brush()->SetStyle(TBrushStyle::bsClear);
  q.c->Ellipse(0, 0, 4, 3);
  EXPECT_SAME_PIXELS(q.Image(), (kvtest::Rows{".##.", "#..#", ".##."}));
}

// A window of a large shape, drawn on a small picture, holds the pixels of the same window of the
// whole shape drawn on a picture of its size; drawn again after other shapes (so from the rim
// kept for its corner size, or walked afresh once others pushed it out), it still does.
TEST(CanvasEllipse, LargeShapesInASmallWindowDrawWhatTheWholeShapeDraws) {
  struct Shape {
    int w, h, corner;  // corner 0: an ellipse, else a round rectangle's corner
  };
  const Shape shapes[] = {{2501, 1700, 0}, {120, 65536, 0}, {65536, 61, 0}, {1999, 1999, 0},
                          {900, 700, 300}, {640, 3000, 500}};
  constexpr int kW = 60, kH = 50;
  const auto draw = [](TCanvas* c, const Shape& s, int x, int y) {
    c->Brush()->SetColor(clRed);
    if (s.corner) c->RoundRect(x, y, x + s.w, y + s.h, s.corner, s.corner / 2);
    else c->Ellipse(x, y, x + s.w, y + s.h);
  };
  for (const Shape& s : shapes) {
    SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " corner " << s.corner);
    Picture whole(s.w, s.h);
    draw(whole.c, s, 0, 0);
    // Windows on the top edge, the left side, the bottom-right corner, inside, across the middle.
    const QPoint windows[] = {{s.w / 3, 0}, {0, s.h / 3}, {s.w - kW, s.h - kH},
                              {s.w / 2 - kW / 2, s.h / 4}, {s.w / 2 - kW / 2, s.h / 2 - kH / 2}};
    for (int pass = 0; pass < 2; ++pass)
      for (QPoint at : windows) {
        at = {std::clamp(at.x(), 0, s.w - kW), std::clamp(at.y(), 0, s.h - kH)};
        SCOPED_TRACE(testing::Message() << "window " << at.x() << "," << at.y() << ", pass " << pass);
        Picture window(kW, kH);
        draw(window.c, s, -at.x(), -at.y());
        EXPECT_SAME_PIXELS(window.Image(), whole.Image().copy(at.x(), at.y(), kW, kH));
        // Shapes of other corner sizes in between.
        for (int k = 1; k <= 5; ++k) draw(window.c, {s.w + k, s.h + 100 * k, s.corner}, 0, 0);
      }
  }
}

TEST(CanvasRoundRect, CornersAreQuarterEllipses) {
  Picture p(8, 6);
  p.c->Brush()->SetColor(clRed);
  p.c->RoundRect(0, 0, 8, 6, 4, 4);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{".######.", "#RRRRRR#", "#RRRRRR#", "#RRRRRR#",
                                              "#RRRRRR#", ".######."}));
  Picture q(5, 3);
  q.c->RoundRect(0, 0, 5, 3, 40, 40);  // corners larger than the box: the ellipse
  Picture e(5, 3);
  e.c->Ellipse(0, 0, 5, 3);
  EXPECT_SAME_PIXELS(q.Image(), e.Image());
}

// The lower face of the pie graph: 135 x 75, depth 10. Its diameter lies on row
// (D + H) div 2 = 42.
TEST(CanvasPie, HalfPieHasItsDiameterOnTheCentreRow) {
  Picture p(135, 75);
  p.c->Brush()->SetColor(clBlue);
  p.c->Pie(0, 10, 135, 75, 0, 42, 135, 42);
  for (int x = 0; x < 135; ++x) ASSERT_EQ(p.c->Pixels(x, 42), clBlack) << x;
  EXPECT_EQ(p.c->Pixels(67, 43), clBlue);
  EXPECT_EQ(p.c->Pixels(67, 41), clWhite);  // the upper half is not part of the wedge
  EXPECT_EQ(p.c->Pixels(67, 74), clBlack);  // bottom of the rim
  EXPECT_EQ(p.c->Pixels(67, 75 - 1 - 1), clBlue);
  EXPECT_EQ(p.c->Pixels(67, 10), clWhite);
}

TEST(CanvasPie, SameStartAndEndDrawTheWholeEllipseAndOneRadius) {
  Picture p(9, 9), e(9, 9);
  p.c->Brush()->SetColor(clRed);
  e.c->Brush()->SetColor(clRed);
  p.c->Pie(0, 0, 9, 9, 9, 4, 20, 4);
  e.c->Ellipse(0, 0, 9, 9);
  e.c->MoveTo(4, 4);
  e.c->LineTo(8, 4);
  EXPECT_SAME_PIXELS(p.Image(), e.Image());
}

TEST(CanvasPie, QuarterWedgeIsClosedByTheRadii) {
  Picture p(9, 9);
  p.c->Brush()->SetColor(clRed);
  // From the right end counter-clockwise to the top; the arc stops short of the rim
  // point that lies on the end direction.
  p.c->Pie(0, 0, 9, 9, 9, 4, 4, 0);
  EXPECT_SAME_PIXELS(p.Image(),
                     (kvtest::Rows{".....#...", ".....###.", "....#RR#.", "....#RRR#", "....#####",
                                   ".........", ".........", ".........", "........."}));
}

// The pie graph's drawing steps: the front side is split by its edge line, and the
// flood fills on either side stop at the outlines.
TEST(CanvasPie, PieGraphFloodFillsStayInTheirSegments) {
  const int W = 135, H = 75, D = 10, cy = (H - D) / 2;
  const TPoint B{47, 62};
  Picture p(W, H, clSilver);
  TCanvas* c = p.c;
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clPurple);
  c->Pie(0, D, W, H, 0, (H + D) / 2, W, (H + D) / 2);
  c->Pen()->SetColor(clPurple);
  c->MoveTo(1, cy + D);
  c->LineTo(W - 2, cy + D);
  c->Pen()->SetColor(clBlack);
  c->MoveTo(0, cy);
  c->LineTo(0, cy + D);
  c->MoveTo(W - 1, cy);
  c->LineTo(W - 1, cy + D);
  c->MoveTo(B.X, B.Y);
  c->LineTo(B.X, B.Y + D);
  c->Brush()->SetColor(clBlue);
  c->Pie(0, 0, W, H - D, B.X, B.Y, 0, cy);
  c->Brush()->SetColor(clFuchsia);
  c->Pie(0, 0, W, H - D, 0, cy, B.X, B.Y);
  c->Brush()->SetColor(clPurple);
  c->FloodFill(B.X - 1, B.Y + D / 2, clBlack, TFillStyle::fsBorder);
  c->Brush()->SetColor(clNavy);
  c->FloodFill(B.X + 1, B.Y + D / 2, clBlack, TFillStyle::fsBorder);

  EXPECT_EQ(c->Pixels(46, 67), clPurple);
  EXPECT_EQ(c->Pixels(48, 67), clNavy);
  EXPECT_EQ(c->Pixels(10, 54), clPurple);
  EXPECT_EQ(c->Pixels(120, 56), clNavy);
  EXPECT_EQ(c->Pixels(67, 70), clNavy);
  EXPECT_EQ(c->Pixels(67, 10), clBlue);     // used wedge on the top face
  EXPECT_EQ(c->Pixels(30, 45), clFuchsia);  // free wedge
  EXPECT_EQ(c->Pixels(2, 2), clSilver);     // outside the disc
  EXPECT_EQ(c->Pixels(132, 72), clSilver);
}

TEST(CanvasPolygon, VerticesOnPixelCentresWithTheTopLeftRule) {
  Picture p(6, 6);
  p.c->Pen()->SetStyle(TPenStyle::psClear);
  p.c->Brush()->SetColor(clBlack);
  const TPoint triangle[] = {{0, 0}, {6, 0}, {0, 6}};
  p.c->Polygon(triangle);
  EXPECT_SAME_PIXELS(p.Image(),
                     (kvtest::Rows{"######", "#####.", "####..", "###...", "##....", "#....."}));
}

TEST(CanvasPolygon, ClosedOutlineThroughTheVertexPixels) {
  Picture p(6, 6);
  p.c->Brush()->SetColor(clRed);
  const TPoint square[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  p.c->Polygon(square);
  EXPECT_SAME_PIXELS(p.Image(),
                     (kvtest::Rows{"#####.", "#RRR#.", "#RRR#.", "#RRR#.", "#####.", "......"}));
}

// Polygons of a few points are filled by their own short scan, and kept as spans that are
// painted again wherever the same shape comes back; the same polygon given with every vertex
// repeated (more points, the same shape) goes through the general sweep. Both must paint the
// same pixels, each as often (XOR shows a pixel painted twice), also where the polygon starts
// above the clip, crosses itself, lies partly outside the picture, or comes back at another
// place, with a dotted pen or a hatched brush.
TEST(CanvasPolygon, FewPointsFillExactlyAsTheGeneralSweep) {
  std::mt19937 random(17);
  std::uniform_int_distribution<int> coordinate(-6, 30), count(3, 8), shift(-9, 9);
  const TRegion oval = CreateEllipticRgn(2, -3, 22, 17);
  for (int round = 0; round < 400; ++round) {
    std::vector<TPoint> few(size_t(count(random)));
    for (TPoint& p : few) p = {coordinate(random), coordinate(random)};
    Picture a(24, 20), b(24, 20);
    for (Picture* p : {&a, &b}) {
      // Copying inks are replayed by each pixel's last colour, mixing ones piece by piece.
      if (round % 4 != 3) p->c->Pen()->SetMode(TPenMode::pmXor);
      p->c->Pen()->SetColor(clAqua);
      if (round % 3 == 1) p->c->Pen()->SetStyle(TPenStyle::psDot);
      p->c->Brush()->SetColor(clRed);
      if (round % 5 == 2) p->c->Brush()->SetStyle(TBrushStyle::bsDiagCross);
      if (round % 2) p->c->SelectClipRgn(&oval);
    }
    const TPoint moves[] = {{0, 0}, {shift(random), shift(random)}, {0, 0}};
    for (const TPoint& move : moves) {
      std::vector<TPoint> moved, many;
      for (const TPoint& p : few) moved.push_back({p.X + move.X, p.Y + move.Y});
      for (const TPoint& p : moved) many.insert(many.end(), 3, p);
      a.c->Polygon(moved);
      b.c->Polygon(many);
    }
    ASSERT_TRUE(kvtest::SamePixels(a.Image(), b.Image())) << "round " << round;
  }
}

TEST(CanvasBrush, HatchesPaintOnlyTheirLines) {
  struct Case {
    TBrushStyle style;
    TPoint on, off;
  };
  for (const Case& k :
       {Case{TBrushStyle::bsHorizontal, {0, 3}, {0, 2}},
        Case{TBrushStyle::bsVertical, {4, 5}, {3, 5}},
        Case{TBrushStyle::bsFDiagonal, {3, 3}, {3, 4}},
        Case{TBrushStyle::bsBDiagonal, {7, 0}, {0, 0}}, Case{TBrushStyle::bsCross, {4, 0}, {0, 4}},
        Case{TBrushStyle::bsDiagCross, {6, 1}, {5, 1}}}) {
    Picture p(16, 16, clRed);
    p.c->Brush()->SetColor(clBlack);
    p.c->Brush()->SetStyle(k.style);
    p.c->FillRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(p.c->Pixels(k.on.X, k.on.Y), clBlack) << int(k.style);
    EXPECT_EQ(p.c->Pixels(k.on.X + 8, k.on.Y + 8), clBlack) << int(k.style);
    EXPECT_EQ(p.c->Pixels(k.off.X, k.off.Y), clRed) << int(k.style);
  }
}

TEST(CanvasBrush, PatternBitmapTilesFromTheCanvasOrigin) {
  TBitmap pattern;
  pattern.SetSize(8, 8);
  pattern.Canvas()->Brush()->SetColor(clWhite);
  pattern.Canvas()->FillRect(Rect(0, 0, 8, 8));
  pattern.Canvas()->SetPixels(0, 0, clRed);
  Picture p(12, 12, clLime);
  p.c->Brush()->SetBitmap(&pattern);
  p.c->Brush()->SetStyle(TBrushStyle::bsClear);  // the bitmap overrides the style
  p.c->FillRect(Rect(1, 1, 11, 11));
  EXPECT_EQ(p.c->Pixels(8, 8), clRed);
  EXPECT_EQ(p.c->Pixels(1, 1), clWhite);
  EXPECT_EQ(p.c->Pixels(0, 0), clLime);  // outside the rectangle
  p.c->Brush()->SetBitmap(nullptr);
}

TEST(CanvasWidePen, RoundCapsCentredOnTheLine) {
  Picture p(16, 11);
  p.c->Pen()->SetWidth(3);
  p.c->MoveTo(2, 5);
  p.c->LineTo(12, 5);
  for (int y : {4, 5, 6}) EXPECT_EQ(p.c->Pixels(7, y), clBlack) << y;
  EXPECT_EQ(p.c->Pixels(7, 3), clWhite);
  EXPECT_EQ(p.c->Pixels(7, 7), clWhite);
  EXPECT_EQ(p.c->Pixels(12, 5), clBlack);  // the cap covers the end point
  EXPECT_EQ(p.c->Pixels(1, 5), clBlack);
  EXPECT_EQ(p.c->Pixels(15, 5), clWhite);
  EXPECT_EQ(kvtest::Colours(p.Image()), (std::set<int32_t>{clBlack, clWhite}));
}

TEST(CanvasWidePen, AxisSegmentsCoverWhatTheGeneralStrokeCovers) {
  // A two-point horizontal or vertical line has a path of its own; a polyline through the
  // same points with its start repeated goes through the general stroker.
  std::mt19937 random(5);
  std::uniform_int_distribution<int> coordinate(-8, 32), length(-12, 12), width(2, 19);
  const TRegion oval = CreateEllipticRgn(1, -4, 23, 18);
  for (int round = 0; round < 600; ++round) {
    const TPoint a{coordinate(random), coordinate(random)};
    const TPoint b =
        round % 2 ? TPoint{a.X + length(random), a.Y} : TPoint{a.X, a.Y + length(random)};
    Picture one(24, 20), general(24, 20);
    for (Picture* p : {&one, &general}) {
      p->c->Pen()->SetWidth(width(random));
      p->c->Pen()->SetMode(TPenMode::pmXor);
      p->c->Pen()->SetColor(clAqua);
      if (round % 3 == 0) p->c->SelectClipRgn(&oval);
    }
    general.c->Pen()->SetWidth(one.c->Pen()->Width());
    one.c->MoveTo(a.X, a.Y);
    one.c->LineTo(b.X, b.Y);
    const TPoint path[] = {a, a, b};
    general.c->Polyline(path);
    ASSERT_TRUE(kvtest::SamePixels(one.Image(), general.Image()))
        << "round " << round << ": " << a.X << "," << a.Y << " to " << b.X << "," << b.Y
        << " width " << one.c->Pen()->Width();
  }
}

TEST(CanvasWidePen, ShapeOutlinesAreCentredOnTheOnePixelRim) {
  Picture p(14, 12);
  p.c->Pen()->SetWidth(3);
  p.c->Brush()->SetColor(clRed);
  p.c->Rectangle(2, 2, 12, 10);
  for (int y : {1, 2, 3}) EXPECT_EQ(p.c->Pixels(7, y), clBlack) << y;
  EXPECT_EQ(p.c->Pixels(7, 0), clWhite);
  EXPECT_EQ(p.c->Pixels(7, 4), clRed);
  EXPECT_EQ(p.c->Pixels(12, 6), clBlack);
  EXPECT_EQ(p.c->Pixels(13, 6), clWhite);
  EXPECT_EQ(kvtest::Colours(p.Image()), (std::set<int32_t>{clBlack, clWhite, clRed}));
}

TEST(CanvasWidePen, PieIsFilledInsideItsStroke) {
  Picture p(21, 21);
  p.c->Pen()->SetWidth(3);
  p.c->Brush()->SetColor(clBlue);
  p.c->Pie(2, 2, 19, 19, 19, 10, 10, 0);  // the top-right quarter
  EXPECT_EQ(p.c->Pixels(14, 6), clBlue);
  EXPECT_EQ(p.c->Pixels(10, 6), clBlack);   // on the vertical radius
  EXPECT_EQ(p.c->Pixels(14, 10), clBlack);  // on the horizontal radius
  EXPECT_EQ(p.c->Pixels(6, 14), clWhite);   // the opposite quarter
  EXPECT_EQ(kvtest::Colours(p.Image()), (std::set<int32_t>{clBlack, clWhite, clBlue}));
}

TEST(CanvasDashedPen, RimDashesLeaveGapsAndTheInsideAlone) {
  Picture p(6, 5, clRed);
  p.c->Pen()->SetStyle(TPenStyle::psDot);
  p.c->Brush()->SetStyle(TBrushStyle::bsClear);
  p.c->Rectangle(0, 0, 6, 5);
  int drawn = 0;
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool rim = x == 0 || x == 5 || y == 0 || y == 4;
      if (!rim) {
        EXPECT_EQ(p.c->Pixels(x, y), clRed) << x << "," << y;
      }
      drawn += p.c->Pixels(x, y) == clBlack;
    }
  }
  EXPECT_EQ(drawn, 9);  // every other one of the 18 rim pixels
}

TEST(CanvasFloodFill, BorderFillStopsAtEightConnectedCurves) {
  Picture p(5, 5);
  p.c->MoveTo(0, 4);
  p.c->LineTo(5, -1);  // the anti-diagonal, corners touching only
  p.c->Brush()->SetColor(clRed);
  p.c->FloodFill(0, 0, clBlack, TFillStyle::fsBorder);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"RRRR#", "RRR#.", "RR#..", "R#...", "#...."}));
}

TEST(CanvasFloodFill, SurfaceFillTakesTheAreaOfTheSeedColour) {
  Picture p(5, 3);
  p.c->Brush()->SetColor(clBlue);
  p.c->FillRect(Rect(2, 0, 3, 3));
  p.c->Brush()->SetColor(clRed);
  p.c->FloodFill(4, 1, clWhite, TFillStyle::fsSurface);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"..BRR", "..BRR", "..BRR"}));
  p.c->FloodFill(0, 0, clBlue, TFillStyle::fsSurface);  // the seed is not blue: nothing
  EXPECT_EQ(p.c->Pixels(0, 0), clWhite);
}

TEST(CanvasFloodFill, StaysInsideTheClip) {
  Picture p(6, 2);
  const TRegion clip = CreateRectRgn(0, 0, 3, 2);
  p.c->SelectClipRgn(&clip);
  p.c->Brush()->SetColor(clRed);
  p.c->FloodFill(1, 1, clBlack, TFillStyle::fsBorder);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"RRR...", "RRR..."}));
}

TEST(CanvasClip, RegionClipsEveryPrimitiveAndReadsOutsideGiveMinusOne) {
  Picture p(8, 8);
  const TRegion clip = CreateRectRgn(2, 2, 5, 5);
  p.c->SelectClipRgn(&clip);
  EXPECT_EQ(p.c->ClipRect(), Rect(2, 2, 5, 5));
  p.c->Brush()->SetColor(clRed);
  p.c->FillRect(Rect(0, 0, 8, 8));
  p.c->MoveTo(0, 3);
  p.c->LineTo(8, 3);
  EXPECT_EQ(p.c->Pixels(1, 1), TColor(-1));
  EXPECT_EQ(p.c->Pixels(2, 2), clRed);
  EXPECT_EQ(p.c->Pixels(4, 3), clBlack);
  p.c->SetPixels(0, 0, clBlue);
  p.c->SelectClipRgn(nullptr);
  EXPECT_EQ(p.c->ClipRect(), Rect(0, 0, 8, 8));
  EXPECT_EQ(p.c->Pixels(0, 0), clWhite);
  EXPECT_EQ(p.c->Pixels(1, 3), clWhite);
  EXPECT_EQ(p.c->Pixels(8, 0), TColor(-1));
  EXPECT_EQ(p.c->Pixels(-1, 0), TColor(-1));
}

TEST(CanvasClip, BandedRegionClipsSpansAndLines) {
  Picture p(6, 3);
  TRegion clip;
  CombineRgn(clip, CreateRectRgn(0, 0, 2, 3), CreateRectRgn(4, 1, 6, 2), RGN_OR);
  p.c->SelectClipRgn(&clip);
  p.c->Brush()->SetColor(clRed);
  p.c->FillRect(Rect(0, 0, 6, 3));
  p.c->MoveTo(0, 1);
  p.c->LineTo(6, 1);
  p.c->SelectClipRgn(nullptr);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"RR....", "##..##", "RR...."}));
}

TEST(CanvasClip, OriginAndAttachLimitCombineWithTheSelectedRegion) {
  QImage image(8, 6, QImage::Format_RGB32);
  image.fill(0xFFFFFFFFu);
  TCanvas canvas;
  canvas.Attach(&image, QPoint(3, 2), QRegion(0, 0, 6, 6));
  canvas.Brush()->SetColor(clRed);
  const TRegion clip = CreateRectRgn(1, 0, 10, 10);  // canvas coordinates
  canvas.SelectClipRgn(&clip);
  EXPECT_EQ(canvas.ClipRect(), Rect(1, 0, 3, 4));
  canvas.FillRect(Rect(-3, -2, 5, 4));
  EXPECT_SAME_PIXELS(image, (kvtest::Rows{"........", "........", "....RR..", "....RR..",
                                          "....RR..", "....RR.."}));
  canvas.Detach();
  EXPECT_EQ(canvas.Pixels(0, 0), TColor(-1));
  EXPECT_EQ(canvas.ClipRect(), Rect(0, 0, 0, 0));
  // Without a limit the rectangle alone is the clip, moved by the origin, within the image.
  image.fill(0xFFFFFFFFu);
  canvas.Attach(&image, QPoint(3, 2), std::nullopt);
  canvas.SelectClipRgn(&clip);
  EXPECT_EQ(canvas.ClipRect(), Rect(1, 0, 5, 4));
  canvas.FillRect(Rect(-3, -2, 5, 4));
  EXPECT_SAME_PIXELS(image, (kvtest::Rows{"........", "........", "....RRRR", "....RRRR",
                                          "....RRRR", "....RRRR"}));
}

TEST(CanvasClip, FollowsTheBitmapWhenItIsResized) {
  Picture p(2, 2);
  p.c->Brush()->SetColor(clRed);
  p.c->FillRect(Rect(0, 0, 2, 2));
  p.bitmap.SetSize(4, 3);
  p.c->FillRect(Rect(0, 0, 9, 9));
  EXPECT_EQ(p.c->Pixels(3, 2), clRed);
  EXPECT_EQ(p.c->ClipRect(), Rect(0, 0, 4, 3));
}

TEST(CanvasExtremes, HugeCoordinatesAreClippedNotLoopedOver) {
  Picture p(6, 6);
  p.c->Brush()->SetColor(clRed);
  p.c->Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_SAME_PIXELS(p.Image(),
                     (kvtest::Rows{"RRRRRR", "RRRRRR", "RRRRRR", "RRRRRR", "RRRRRR", "RRRRRR"}));
  p.c->Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  p.c->RoundRect(INT_MIN, -3, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
  p.c->Pie(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, 0, 0, INT_MAX);
  p.c->FillRect(Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  p.c->MoveTo(-2000000000, -2000000000);
  p.c->LineTo(2000000000, 2000000000);  // passes (i, i)
  EXPECT_EQ(p.c->Pixels(3, 3), clBlack);
  EXPECT_EQ(p.c->Pixels(3, 4), clRed);
  p.c->MoveTo(INT_MIN, 2);
  p.c->LineTo(INT_MAX, 2);
  EXPECT_EQ(p.c->Pixels(5, 2), clBlack);
  const TPoint triangle[] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {INT_MIN, INT_MAX}};
  p.c->Polygon(triangle);
  p.c->Pen()->SetWidth(5);
  p.c->MoveTo(INT_MIN, 0);
  p.c->LineTo(INT_MAX, 0);
  EXPECT_EQ(p.c->Pixels(3, 2), clBlack);
  EXPECT_EQ(p.c->Pixels(3, 3), clRed);
  p.c->Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  p.c->Pie(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, 0, 0, INT_MAX);
}

// Degenerate shapes with thin and wide pens (wider than the shape, too) write nothing
// outside the clip; checked pixel by pixel here and for memory under the sanitizers.
TEST(CanvasExtremes, DegenerateShapesStayInsideTheClip) {
  Picture p(24, 24, clRed);
  const TRegion clip = CreateEllipticRgn(4, 4, 20, 18);
  p.c->SelectClipRgn(&clip);
  p.c->Brush()->SetColor(clBlue);
  const TPoint one[] = {{12, 12}}, two[] = {{3, 3}, {30, 30}}, flat[] = {{0, 9}, {9, 9}, {30, 9}};
  for (int width : {1, 2, 7, 40, INT_MAX}) {
    p.c->Pen()->SetWidth(width);
    for (TPenStyle style : {TPenStyle::psSolid, TPenStyle::psDot}) {
      p.c->Pen()->SetStyle(style);
      p.c->Rectangle(10, 10, 10, 10);
      p.c->Rectangle(14, 6, 8, 16);
      p.c->Ellipse(10, 3, 11, 40);
      p.c->Ellipse(-5, 11, 40, 13);
      p.c->RoundRect(6, 6, 14, 14, 100, -100);
      p.c->Pie(8, 8, 12, 12, 10, 10, 10, 10);  // radial points on the centre
      p.c->Pie(2, 2, 22, 22, 12, 12, 30, 12);
      p.c->Pie(11, 11, 12, 30, 0, 0, 5, 5);
      p.c->Polygon(one);
      p.c->Polygon(two);
      p.c->Polygon(flat);
      p.c->MoveTo(12, 12);
      p.c->LineTo(12, 12);
      p.c->Polyline(flat);
    }
  }
  p.c->SelectClipRgn(nullptr);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x)
      if (!clip.Contains(x, y)) {
        ASSERT_EQ(p.c->Pixels(x, y), clRed) << x << "," << y;
      }
}

TEST(CanvasMonochrome, ColoursBecomeBlackOrWhiteByLuminance) {
  TBitmap mono;
  mono.SetSize(4, 1);
  mono.SetMonochrome(true);
  TCanvas* c = mono.Canvas();
  c->SetPixels(0, 0, clYellow);  // light
  c->SetPixels(1, 0, clRed);     // dark
  c->Pen()->SetColor(clSilver);
  c->MoveTo(2, 0);
  c->LineTo(3, 0);
  c->Brush()->SetColor(clNavy);
  c->FillRect(Rect(3, 0, 4, 1));
  EXPECT_SAME_PIXELS(mono.Image(), (kvtest::Rows{".#.#"}));
}

TEST(CanvasNotifications, EveryDrawingOperationReportsAChange) {
  Picture p(4, 4);
  TBitmap source;
  source.SetSize(2, 2);
  int changes = 0;
  QObject::connect(&p.bitmap, &TGraphic::OnChange, [&] { ++changes; });
  const TPoint pts[] = {{0, 0}, {2, 2}, {0, 2}};
  const std::function<void(TCanvas*)> ops[] = {
      [](TCanvas* c) { c->LineTo(2, 2); },
      [&](TCanvas* c) { c->Polyline(pts); },
      [&](TCanvas* c) { c->Polygon(pts); },
      [](TCanvas* c) { c->Rectangle(0, 0, 2, 2); },
      [](TCanvas* c) { c->RoundRect(0, 0, 3, 3, 2, 2); },
      [](TCanvas* c) { c->Ellipse(0, 0, 3, 3); },
      [](TCanvas* c) { c->Pie(0, 0, 3, 3, 3, 1, 1, 0); },
      [](TCanvas* c) { c->FillRect(Rect(0, 0, 1, 1)); },
      [](TCanvas* c) { c->FrameRect(Rect(0, 0, 3, 3)); },
      [](TCanvas* c) { c->DrawFocusRect(Rect(0, 0, 3, 3)); },
      [](TCanvas* c) { c->FloodFill(1, 1, clBlack, TFillStyle::fsBorder); },
      [](TCanvas* c) { c->SetPixels(1, 1, clRed); },
      [](TCanvas* c) { c->TextOut(0, 0, "a"); },
      [&](TCanvas* c) { c->Draw(0, 0, &source); },
      [&](TCanvas* c) { c->StretchDraw(Rect(0, 0, 4, 4), &source); },
      [&](TCanvas* c) { c->CopyRect(Rect(0, 0, 2, 2), source.Canvas(), Rect(0, 0, 2, 2)); },
      [&](TCanvas* c) { c->BrushCopy(Rect(0, 0, 2, 2), &source, Rect(0, 0, 2, 2), clBlack); },
  };
  for (size_t i = 0; i < std::size(ops); ++i) {
    const int before = changes;
    ops[i](p.c);
    EXPECT_GT(changes, before) << "operation " << i;
  }
}

TEST(CanvasSurface, DrawingNeverWritesIntoACopyOfThePixels) {
  // The canvas keeps its write access between calls; a copy taken in between shares the
  // pixels until the next write, which must go to the canvas's own image only.
  Picture p(6, 6);
  p.c->Brush()->SetColor(clRed);
  p.c->FillRect(Rect(0, 0, 6, 6));
  const QImage red = p.bitmap.Image();
  p.c->MoveTo(0, 0);
  p.c->LineTo(6, 0);
  const QImage lined = p.bitmap.Image();
  p.c->SetPixels(3, 3, clBlue);
  EXPECT_EQ(red.pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(lined.pixel(3, 3), 0xFFFF0000u);
  EXPECT_EQ(p.c->Pixels(0, 0), clBlack);
  EXPECT_EQ(p.c->Pixels(3, 3), clBlue);
  // Pixels written directly, then drawing again: both land in the bitmap.
  p.bitmap.ScanLine(5)[5] = 0xFF00FF00u;
  p.c->SetPixels(4, 4, clBlue);
  EXPECT_EQ(p.c->Pixels(5, 5), clLime);
  EXPECT_EQ(p.c->Pixels(4, 4), clBlue);
}

// The canvas keeps what a line needs of its pen and surface between calls; each change
// between two lines must show in the second.
void HorizontalLine(TCanvas* c, int y, int length) {
  c->MoveTo(0, y);
  c->LineTo(length, y);
}

TEST(CanvasKept, EveryPenChangeBetweenTwoLinesIsSeen) {
  Picture p(6, 9);
  HorizontalLine(p.c, 0, 5);
  p.c->Pen()->SetColor(clRed);
  HorizontalLine(p.c, 1, 5);
  p.c->Pen()->SetMode(TPenMode::pmXor);  // red on white gives aqua
  HorizontalLine(p.c, 2, 5);
  TPen blue;
  blue.SetColor(clBlue);
  p.c->SetPen(&blue);  // back to a solid copying pen, all at once
  HorizontalLine(p.c, 3, 5);
  p.c->Pen()->SetStyle(TPenStyle::psDot);
  HorizontalLine(p.c, 4, 5);
  p.c->Pen()->SetStyle(TPenStyle::psClear);
  HorizontalLine(p.c, 5, 5);
  p.c->Pen()->SetStyle(TPenStyle::psSolid);
  p.c->Pen()->SetWidth(3);
  HorizontalLine(p.c, 7, 5);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"#####.", "RRRRR.", "AAAAA.", "BBBBB.", "BBB...",
                                              "......", "BBBBBB", "BBBBBB", "BBBBBB"}));
}

TEST(CanvasKept, SystemColourAndMonochromeChangesUnderTheSamePenAreSeen) {
  Picture face(4, 2);
  face.c->Pen()->SetColor(clBtnFace);
  HorizontalLine(face.c, 0, 3);
  kv::SetSysColor(clBtnFace.Value & 0xFF, clRed);
  HorizontalLine(face.c, 1, 3);
  kv::ResetSysColors();
  EXPECT_EQ(face.At(0, 0), kv::GetSysColor(clBtnFace.Value & 0xFF));
  EXPECT_EQ(face.At(0, 1), clRed);

  Picture p(4, 3, clBlack);
  p.c->Pen()->SetColor(clSilver);
  HorizontalLine(p.c, 0, 3);
  p.bitmap.SetMonochrome(true);  // silver is light: white from now on
  HorizontalLine(p.c, 1, 3);
  p.bitmap.SetMonochrome(false);
  HorizontalLine(p.c, 2, 3);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"...#", "...#", "SSS#"}));
  TBitmap mono;
  mono.SetSize(4, 3);
  mono.SetMonochrome(true);
  p.bitmap.Assign(&mono);  // the format comes with the pixels
  HorizontalLine(p.c, 0, 3);
  EXPECT_EQ(p.At(0, 0), clWhite);
  EXPECT_EQ(kvtest::PixelAt(mono.Image(), 0, 0), clBlack);
}

TEST(CanvasKept, SurfaceSwappedBetweenTwoLinesIsDrawnOn) {
  // The bitmap's pixels replaced by smaller ones, then larger ones, then shared with another
  // bitmap; each line fits inside the surface it was drawn after.
  const auto white = [](int, int) { return clWhite.Value; };
  Picture p(7, 3);
  HorizontalLine(p.c, 2, 6);
  p.bitmap.SetImage(kvtest::PictureOf(4, 2, white));
  HorizontalLine(p.c, 0, 6);  // the rest of it in the old width would run into row 1
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"####", "...."}));
  p.bitmap.SetImage(kvtest::PictureOf(7, 3, white));
  HorizontalLine(p.c, 2, 6);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{".......", ".......", "######."}));
  TBitmap other;
  other.SetSize(7, 3);
  p.bitmap.Assign(&other);
  p.c->Pen()->SetColor(clRed);
  HorizontalLine(p.c, 1, 6);
  EXPECT_SAME_PIXELS(p.Image(), (kvtest::Rows{"#######", "RRRRRR#", "#######"}));
  EXPECT_EQ(kvtest::CountPixels(other.Image(), clBlack), 21);
  // A control's surface that its owner replaces by assignment.
  QImage surface(4, 1, QImage::Format_RGB32);
  surface.fill(0xFFFFFFFFu);
  TCanvas canvas;
  canvas.Attach(&surface);
  HorizontalLine(&canvas, 0, 3);
  surface = QImage(6, 2, QImage::Format_RGB32);
  surface.fill(0xFFFFFFFFu);
  HorizontalLine(&canvas, 1, 5);
  EXPECT_SAME_PIXELS(surface, (kvtest::Rows{"......", "#####."}));
}

TEST(CanvasNotifications, ChangesAreCountedBeforeAnyoneListens) {
  Picture p(4, 4);
  const uint64_t before = p.bitmap.ChangeStamp();
  p.c->SetPixels(1, 1, clRed);
  EXPECT_GT(p.bitmap.ChangeStamp(), before);
  int changes = 0;
  QObject::connect(&p.bitmap, &TGraphic::OnChange, [&] { ++changes; });
  p.c->SetPixels(1, 1, clBlue);
  EXPECT_EQ(changes, 1);
}

TEST(CanvasLock, IsRecursiveAndExcludesOtherThreads) {
  TCanvas canvas;
  canvas.Lock();
  EXPECT_TRUE(canvas.TryLock());
  bool otherGotIt = true;
  std::thread([&] { otherGotIt = canvas.TryLock(); }).join();
  EXPECT_FALSE(otherGotIt);
  canvas.Unlock();
  canvas.Unlock();
  std::thread([&] {
    otherGotIt = canvas.TryLock();
    if (otherGotIt) canvas.Unlock();
  }).join();
  EXPECT_TRUE(otherGotIt);
}

// Numbers that name no style or mode are refused, in code and through the property system, so
// that no table of the canvas is indexed with them.
TEST(CanvasStyles, OutOfRangeBrushAndPenStylesAndModesAreRefused) {
  TBrush brush;
  brush.SetStyle(TBrushStyle::bsCross);
  for (const int v : {INT_MIN, -1, 8, INT_MAX}) {
    brush.SetStyle(TBrushStyle(v));
    EXPECT_EQ(brush.Style(), TBrushStyle::bsCross) << v;
    brush.setProperty("Style", v);
    EXPECT_EQ(brush.Style(), TBrushStyle::bsCross) << v;
  }
  TPen pen;
  pen.SetStyle(TPenStyle::psDot);
  pen.SetMode(TPenMode::pmXor);
  for (const int v : {INT_MIN, -1, 17, INT_MAX}) {
    pen.SetStyle(TPenStyle(v));
    pen.SetMode(TPenMode(v));
    EXPECT_EQ(pen.Style(), TPenStyle::psDot) << v;
    EXPECT_EQ(pen.Mode(), TPenMode::pmXor) << v;
  }
}

}  // namespace
