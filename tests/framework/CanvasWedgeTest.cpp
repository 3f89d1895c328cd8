// The canvas fills a pie row by row from the crossings of its outline. The general polygon
// sweep over the same outline, followed by the same outline drawn as a closed polyline, is
// the reference for every pixel: random pies of many sizes and directions, radial points on
// the centre, empty and inverted boxes, clips, canvas origins, pen modes and styles, and
// brush styles.
#include "Pixels.h"
#include "Raster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

using kv::CreateEllipticRgn, kv::CreateRectRgn, kv::CombineRgn, kv::RGN_XOR;

namespace {

// What the canvas drew for a pie before it filled by rows.
void SweptPie(TCanvas* c, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const QPoint o = c->Origin();
  const auto surface = [o](int x, int y) {
    return kv::Point64{int64_t(x) + o.x(), int64_t(y) + o.y()};
  };
  const kv::Point64 a = surface(x1, y1), b = surface(x2, y2);
  const kv::RoundShape e = kv::RoundShape::Ellipse(a.X, a.Y, b.X, b.Y);
  if (e.CornerWidth == 0 || e.CornerWidth != e.Width || e.CornerHeight != e.Height) {
    c->Ellipse(x1, y1, x2, y2);
    return;
  }
  const kv::Point64 centre{e.Left + e.Width / 2, e.Top + e.Height / 2};
  const std::vector<kv::Point64> outline =
      kv::PieOutline(e, centre, surface(x3, y3), surface(x4, y4));
  const kv::ClipRects& clip = c->EffectiveClip();
  const kv::Ink brush = kv::BrushInk(*c, c->Pen()->Mode());
  if (brush.Paints() && !clip.IsEmpty()) {
    const kv::SurfaceRows rows(*c->Surface());
    kv::PolygonSweep sweep(outline, true);
    const auto [top, bottom] = kv::VisibleRows(clip, sweep.Top(), sweep.Bottom());
    int64_t r0 = 0, r1 = 0;
    while (sweep.Next(top, bottom, r0, r1))
      for (int64_t y = r0; y < r1; ++y)
        for (const kv::Span& s : sweep.Spans()) kv::PaintSpan(rows, clip, y, s.Begin, s.End, brush);
  }
  std::vector<TPoint> path;
  for (const kv::Point64& p : outline) path.push_back({int(p.X - o.x()), int(p.Y - o.y())});
  path.push_back(path.front());
  c->Polyline(path);
}

// A canvas on a patterned surface, at an origin, limited to a region.
struct Stage {
  QImage image;
  TCanvas canvas;
  Stage(QPoint origin, std::optional<QRegion> limit, QSize size = {48, 40})
      : image(size, QImage::Format_RGB32) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        image.setPixel(x, y, 0xFF000000u | uint32_t((x * 37 + y * 91) * 2654435761u >> 8));
    canvas.Attach(&image, origin, std::move(limit));
  }
};

TEST(CanvasWedge, RandomPiesMatchTheSweptOutlinePixelForPixel) {
  std::mt19937 random(1234);
  const auto in = [&](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(random);
  };
  const TPenMode modes[] = {TPenMode::pmCopy, TPenMode::pmXor, TPenMode::pmNot, TPenMode::pmMerge};
  const TPenStyle penStyles[] = {TPenStyle::psSolid, TPenStyle::psDot, TPenStyle::psClear,
                                 TPenStyle::psDashDot};
  const TBrushStyle brushStyles[] = {TBrushStyle::bsSolid, TBrushStyle::bsClear,
                                     TBrushStyle::bsDiagCross, TBrushStyle::bsHorizontal};
  const TRegion ring = [] {
    TRegion r = CreateEllipticRgn(4, 2, 44, 38);
    CombineRgn(r, r, CreateRectRgn(14, 12, 30, 26), RGN_XOR);
    return r;
  }();
  for (int n = 0; n < 3000; ++n) {
    const QPoint origin = n % 3 == 0 ? QPoint(in(-6, 6), in(-6, 6)) : QPoint();
    std::optional<QRegion> limit;
    if (n % 5 == 1) limit = QRegion(in(0, 20), in(0, 20), in(0, 40), in(0, 30));
    Stage mine(origin, limit), reference(origin, limit);
    const bool clipped = n % 4 == 2;
    // Boxes of every size up to larger than the surface, either way round, often empty.
    const int x1 = in(-8, 40), y1 = in(-8, 34);
    const int x2 = n % 7 == 0 ? x1 + in(-2, 2) : x1 + in(-30, 50);
    const int y2 = n % 11 == 0 ? y1 + in(-2, 2) : y1 + in(-30, 45);
    const int cx = (std::min(x1, x2) + std::max(x1, x2)) / 2;
    const int cy = (std::min(y1, y2) + std::max(y1, y2)) / 2;
    // Radial points anywhere, on the centre, or on one direction.
    int x3 = in(-20, 70), y3 = in(-20, 60), x4 = in(-20, 70), y4 = in(-20, 60);
    if (n % 9 == 0) std::tie(x3, y3) = std::pair(cx, cy);
    if (n % 13 == 0) std::tie(x4, y4) = std::pair(cx, cy);
    if (n % 17 == 0) std::tie(x4, y4) = std::pair(cx + 2 * (x3 - cx), cy + 2 * (y3 - cy));
    for (Stage* s : {&mine, &reference}) {
      TCanvas* c = &s->canvas;
      if (clipped) c->SelectClipRgn(&ring);
      c->Pen()->SetMode(modes[n % 4]);
      c->Pen()->SetStyle(penStyles[(n / 4) % 4]);
      c->Pen()->SetColor(TColor(0x3366CC));
      c->Brush()->SetStyle(brushStyles[(n / 16) % 4]);
      c->Brush()->SetColor(TColor(0x22AA44));
    }
    mine.canvas.Pie(x1, y1, x2, y2, x3, y3, x4, y4);
    SweptPie(&reference.canvas, x1, y1, x2, y2, x3, y3, x4, y4);
    ASSERT_TRUE(kvtest::SamePixels(mine.image, reference.image))
        << "pie " << n << ": " << x1 << "," << y1 << " " << x2 << "," << y2 << " " << x3 << ","
        << y3 << " " << x4 << "," << y4;
  }
}

// The wedges of the pie graph's top face and of the percent pie, at every boundary a value
// can give them.
TEST(CanvasWedge, TheControlsWedgesMatchTheSweptOutline) {
  for (int degrees = 0; degrees < 360; ++degrees) {
    const double a = (270 - degrees) * std::numbers::pi / 180;
    const int bx = 67 + int(std::sin(a) * 67.5), by = 32 + int(std::cos(a) * 32.5);
    const int px = int(std::lround((1 - std::cos(a)) * 48)),
              py = int(std::lround((1 - std::sin(a)) * 48));
    Stage mine({}, {}, {140, 100}), reference({}, {}, {140, 100});
    mine.canvas.Pie(0, 0, 135, 65, bx, by, 0, 32);
    SweptPie(&reference.canvas, 0, 0, 135, 65, bx, by, 0, 32);
    mine.canvas.Pie(0, 0, 135, 65, 0, 32, bx, by);
    SweptPie(&reference.canvas, 0, 0, 135, 65, 0, 32, bx, by);
    mine.canvas.Brush()->SetStyle(TBrushStyle::bsBDiagonal);
    reference.canvas.Brush()->SetStyle(TBrushStyle::bsBDiagonal);
    mine.canvas.Pie(0, 0, 97, 97, px, py, 48, 0);
    SweptPie(&reference.canvas, 0, 0, 97, 97, px, py, 48, 0);
    ASSERT_TRUE(kvtest::SamePixels(mine.image, reference.image)) << degrees << " degrees";
  }
}

// A random pie, or a polygon of many points, in a box of the size, and a clip box within the
// size that the outline may leave on any side.
struct ClippedShape {
  QRect Box;
  bool Star = false;
  int W = 0, H = 0, X3 = 0, Y3 = 0, X4 = 0, Y4 = 0;
  TPenMode Mode = TPenMode::pmCopy;

  static ClippedShape Random(std::mt19937& random, QSize size, int n) {
    const auto in = [&](int lo, int hi) {
      return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    ClippedShape s;
    s.Box = QRect(in(0, size.width() - 10), in(0, size.height() - 10), in(1, 40), in(1, 40));
    s.W = in(20, size.width() - 5);
    s.H = in(20, size.height() - 5);
    s.X3 = in(-10, size.width() + 10);
    s.Y3 = in(-10, size.height() + 10);
    s.X4 = in(-10, size.width() + 10);
    s.Y4 = in(-10, size.height() + 10);
    s.Mode = n % 2 ? TPenMode::pmXor : TPenMode::pmCopy;
    s.Star = n % 3 == 2;
    return s;
  }

  void Draw(TCanvas* c, bool clipped) const {
    if (clipped) {
      const TRegion clip = CreateRectRgn(Box.left(), Box.top(), Box.right() + 1, Box.bottom() + 1);
      c->SelectClipRgn(&clip);
    }
    c->Pen()->SetMode(Mode);
    c->Pen()->SetColor(TColor(0x3366CC));
    c->Brush()->SetColor(TColor(0x22AA44));
    if (!Star) return c->Pie(0, 0, W, H, X3, Y3, X4, Y4);
    std::vector<TPoint> star;
    for (int i = 0; i < 40; ++i) {
      const double a = i * 2 * std::numbers::pi / 40, r = i % 2 ? 0.3 : 0.5;
      star.push_back({int(W / 2 + std::cos(a) * r * W), int(H / 2 + std::sin(a) * r * H)});
    }
    c->Polygon(star);
  }

  std::string Describe(int n) const {
    return "shape " + std::to_string(n) + " box " + std::to_string(Box.x()) + "," +
           std::to_string(Box.y()) + " " + std::to_string(Box.width()) + "x" +
           std::to_string(Box.height());
  }
};

}  // namespace

// Inside a small clip box a pie, and a polygon of many points, draw exactly the pixels they
// draw unclipped there, and nothing outside it, whichever sides of the box the outline leaves.
TEST(CanvasWedge, ASmallClipBoxSeesThePixelsOfTheWholeShape) {
  std::mt19937 random(99);
  const QSize size(140, 100);
  for (int n = 0; n < 2000; ++n) {
    Stage whole({}, {}, size), boxed({}, {}, size);
    const QImage before = whole.image;
    const ClippedShape shape = ClippedShape::Random(random, size, n);
    shape.Draw(&whole.canvas, false);
    shape.Draw(&boxed.canvas, true);
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x) {
        const QImage& expected = shape.Box.contains(x, y) ? whole.image : before;
        ASSERT_EQ(boxed.image.pixel(x, y), expected.pixel(x, y))
            << shape.Describe(n) << " at " << x << "," << y;
      }
  }
}

// The same at device scales above one, where a canvas pixel's outline grows to a block that
// reaches past its point: the outline cut down to the clip box keeps every block that shows.
TEST(CanvasWedge, ASmallClipBoxSeesTheWholeShapeAtEveryDeviceScale) {
  std::mt19937 random(7);
  const QSize size(70, 50);
  for (int scale = 2; scale <= kv::kMaxDeviceScale; ++scale)
    for (int n = 0; n < 400; ++n) {
      TBitmap whole, boxed;
      for (TBitmap* b : {&whole, &boxed}) {
        b->SetDeviceScale(scale);
        b->SetSize(size.width(), size.height());
        b->Canvas()->Brush()->SetColor(TColor(0x804020));
        b->Canvas()->FillRect(kv::Rect(0, 0, size.width(), size.height()));
      }
      const QImage before = boxed.Image();
      const ClippedShape shape = ClippedShape::Random(random, size, n);
      shape.Draw(whole.Canvas(), false);
      shape.Draw(boxed.Canvas(), true);
      const QRect box(shape.Box.topLeft() * scale, shape.Box.size() * scale);
      for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
          const QImage& expected = box.contains(x, y) ? whole.Image() : before;
          ASSERT_EQ(boxed.Image().pixel(x, y), expected.pixel(x, y))
              << "scale " << scale << " " << shape.Describe(n) << " at " << x << "," << y;
        }
    }
}

// A pie's pixels, fill and outline, lie within the rows of the ellipse of its box, whatever
// its size and boundary: a pie chart may keep those rows as the shape its wedges cover.
TEST(CanvasWedge, PiesStayWithinTheirEllipsesRows) {
  for (int w = 3; w <= 250; w += 23)
    for (int h = 3; h <= 200; h += 19) {
      const kv::RoundShape e = kv::RoundShape::Ellipse(0, 0, w, h);
      for (int degrees = 0; degrees < 360; degrees += 17) {
        const double a = degrees * std::numbers::pi / 180;
        const int x = w / 2 + int(std::lround(std::cos(a) * w)),
                  y = h / 2 - int(std::lround(std::sin(a) * h));
        kvtest::Picture p(w + 2, h + 2, clWhite);
        p.c->Brush()->SetColor(clLime);
        p.c->Pie(0, 0, w, h, x, y, 0, h / 2);
        const QImage image = p.Image();
        for (int row = 0; row < image.height(); ++row) {
          const kv::Span span = e.Row(row);
          for (int column = 0; column < image.width(); ++column)
            if (kvtest::PixelAt(image, column, row) != clWhite.Value &&
                (column < span.Begin || column >= span.End))
              FAIL() << w << " x " << h << " at " << degrees << ": (" << column << ", " << row
                     << ")";
        }
      }
    }
}
