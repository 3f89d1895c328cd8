// The scan converters against plain per-pixel definitions: polygon fills against the
// crossing rule computed row by row, flood fills against a pixel-by-pixel search, dots and
// colour replacement against a loop over every pixel, on shapes and clips drawn at random.
#include "Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

using kv::CombineRgn, kv::CreateRectRgn, kv::Rect, kv::RGN_OR;

using kvtest::Picture;
using kvtest::Rows;

namespace {

// A small deterministic generator, so that a failure draws the same shape again.
class Dice {
public:
  explicit Dice(uint32_t seed) : FState(seed) {}
  int Roll(int lo, int hi) {  // [lo, hi]
    FState = FState * 1664525u + 1013904223u;
    return lo + int((FState >> 8) % uint32_t(hi - lo + 1));
  }

private:
  uint32_t FState;
};

// The alternate fill of a closed path by the crossing rule: an edge's crossing of row y is
// ceil(x0 + (y - y0) dx / dy), and the pixels between the first and second, third and
// fourth crossing are inside.
bool InsideByCrossings(const std::vector<TPoint>& points, int x, int y) {
  std::vector<int64_t> crossings;
  for (size_t i = 0; i < points.size(); ++i) {
    TPoint a = points[i], b = points[(i + 1) % points.size()];
    if (a.Y == b.Y) continue;
    if (a.Y > b.Y) std::swap(a, b);
    if (y < a.Y || y >= b.Y) continue;
    const int64_t dy = b.Y - a.Y, num = int64_t(a.X) * dy + int64_t(y - a.Y) * (b.X - a.X);
    crossings.push_back(num >= 0 ? (num + dy - 1) / dy : -(-num / dy));
  }
  std::sort(crossings.begin(), crossings.end());
  for (size_t i = 0; i + 1 < crossings.size(); i += 2)
    if (x >= crossings[i] && x < crossings[i + 1]) return true;
  return false;
}

TEST(CanvasPolygonScan, FillsTheCrossingRuleOnEveryRowAboveAndBelowTheClipTop) {
  constexpr int kSize = 64;
  Dice dice(7);
  for (int round = 0; round < 60; ++round) {
    // Up to 24 vertices, some far outside the picture, so that long shallow and steep edges
    // enter the clip part way down.
    std::vector<TPoint> points(size_t(dice.Roll(3, 24)));
    for (TPoint& p : points) {
      const int reach = round % 3 == 0 ? 400 : kSize;
      p = {dice.Roll(-reach / 4, reach), dice.Roll(-reach / 4, reach)};
    }
    const int clipTop = round % 2 ? dice.Roll(1, 40) : 0;
    Picture p(kSize, kSize);
    const TRegion clip = CreateRectRgn(0, clipTop, kSize, kSize);
    p.c->SelectClipRgn(&clip);
    p.c->Pen()->SetStyle(TPenStyle::psClear);
    p.c->Brush()->SetColor(clRed);
    p.c->Polygon(points);
    const QImage expected = kvtest::PictureOf(kSize, kSize, [&](int x, int y) {
      return y >= clipTop && InsideByCrossings(points, x, y) ? clRed : clWhite;
    });
    ASSERT_SAME_PIXELS(p.Image(), expected) << "round " << round << ", clip top " << clipTop;
  }
}

TEST(CanvasPolygonScan, LongPathsDrawAsTheirSegments) {
  // A path of more points than a marker has, drawn at once and segment by segment.
  Dice dice(11);
  std::vector<TPoint> points(20);
  for (TPoint& point : points) point = {dice.Roll(0, 40), dice.Roll(0, 30)};
  Picture whole(41, 31), steps(41, 31);
  whole.c->Polyline(points);
  steps.c->MoveTo(points[0].X, points[0].Y);
  for (size_t i = 1; i < points.size(); ++i) steps.c->LineTo(points[i].X, points[i].Y);
  EXPECT_SAME_PIXELS(whole.Image(), steps.Image());
  EXPECT_EQ(whole.c->PenPos(), points.back());
}

// The 4-connected area of the seed on the picture as it is, inside the clip, pixel by pixel.
std::vector<bool> FloodByPixels(const QImage& image, int sx, int sy, const TRegion& clip,
                                const std::function<bool(int32_t)>& open) {
  const int w = image.width(), h = image.height();
  std::vector<bool> area(size_t(w * h));
  auto fits = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < w && y < h && clip.ToQRegion().contains(QPoint(x, y)) &&
           open(kvtest::PixelAt(image, x, y));
  };
  std::deque<QPoint> queue;
  if (fits(sx, sy)) {
    area[size_t(sy * w + sx)] = true;
    queue.push_back({sx, sy});
  }
  while (!queue.empty()) {
    const QPoint q = queue.front();
    queue.pop_front();
    for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
      const QPoint n = q + d;
      if (fits(n.x(), n.y()) && !area[size_t(n.y() * w + n.x())]) {
        area[size_t(n.y() * w + n.x())] = true;
        queue.push_back(n);
      }
    }
  }
  return area;
}

TEST(CanvasFloodScan, FillsThePixelByPixelAreaInPlainAndBandedClips) {
  constexpr int kWidth = 48, kHeight = 36;
  Dice dice(3);
  for (int round = 0; round < 40; ++round) {
    // Black specks on white and silver: mazes with holes, islands and dead ends.
    const int density = dice.Roll(20, 45);
    std::vector<int32_t> colours(size_t(kWidth * kHeight));
    for (int32_t& c : colours) {
      const int roll = dice.Roll(0, 99);
      c = roll < density ? clBlack : roll < density + 10 ? clSilver : clWhite;
    }
    const QImage before = kvtest::PictureOf(
        kWidth, kHeight, [&](int x, int y) { return colours[size_t(y * kWidth + x)]; });
    // A clip of one rectangle, or of two overlapping ones (several bands, two spans on some).
    TRegion clip = CreateRectRgn(dice.Roll(0, 8), dice.Roll(0, 8), kWidth - dice.Roll(0, 8),
                                 kHeight - dice.Roll(0, 8));
    if (round % 2) {
      const TRegion other = CreateRectRgn(30, 2, 46, 34);
      clip = CreateRectRgn(2, 10, 26, 30);
      CombineRgn(clip, clip, other, RGN_OR);
    }
    const int sx = dice.Roll(0, kWidth - 1), sy = dice.Roll(0, kHeight - 1);
    const bool border = round % 4 < 2;
    const TColor key = border ? clBlack : TColor(colours[size_t(sy * kWidth + sx)]);
    const auto open = [&](int32_t c) { return (c == key) != border; };

    Picture p(kWidth, kHeight);
    p.bitmap.SetImage(before);
    p.c->SelectClipRgn(&clip);
    p.c->Brush()->SetColor(clPurple);
    const TFillStyle style = border ? TFillStyle::fsBorder : TFillStyle::fsSurface;
    const std::vector<bool> area = FloodByPixels(before, sx, sy, clip, open);
    // The area is found without painting, as rows the fill then paints.
    std::vector<bool> found(area.size());
    for (const TRect& run : p.c->FloodArea(sx, sy, key, style)) {
      ASSERT_EQ(run.Height(), 1);
      for (int x = run.Left; x < run.Right; ++x) found[size_t(run.Top * kWidth + x)] = true;
    }
    EXPECT_EQ(found, area) << "round " << round;
    ASSERT_SAME_PIXELS(p.Image(), before);
    p.c->FloodFill(sx, sy, key, style);
    const QImage expected = kvtest::PictureOf(kWidth, kHeight, [&](int x, int y) {
      return area[size_t(y * kWidth + x)] ? int32_t(clPurple) : colours[size_t(y * kWidth + x)];
    });
    ASSERT_SAME_PIXELS(p.Image(), expected) << "round " << round << ", seed " << sx << ", " << sy;
  }
}

// A clip of one rectangle, or of two overlapping ones (several bands, two spans on some).
TRegion SomeClip(Dice& dice, int width, int height) {
  TRegion clip = CreateRectRgn(dice.Roll(0, 4), dice.Roll(0, 4), width - dice.Roll(0, 4),
                               height - dice.Roll(0, 4));
  if (dice.Roll(0, 1))
    CombineRgn(clip, clip, CreateRectRgn(dice.Roll(6, 12), 1, width - 2, 9), RGN_OR);
  return clip;
}

TEST(CanvasDrawDots, EachSourcePixelIsASquareAtItsPitchAndTheGapsStay) {
  constexpr int kWidth = 30, kHeight = 24;
  const int32_t kColours[] = {clRed, clLime, clBlue, clYellow, clBlack, clWhite};
  Dice dice(7);
  for (int round = 0; round < 60; ++round) {
    const int sw = dice.Roll(1, 6), sh = dice.Roll(1, 5);
    const QImage sourceImage =
        kvtest::PictureOf(sw, sh, [&](int, int) { return kColours[dice.Roll(0, 5)]; });
    TBitmap source;
    source.SetImage(sourceImage);
    // Source rectangles reaching beyond the bitmap, dots wider than the pitch, places off
    // the canvas.
    const TRect from =
        Rect(dice.Roll(-2, 2), dice.Roll(-2, 2), dice.Roll(1, sw + 2), dice.Roll(1, sh + 2));
    const int dot = dice.Roll(1, 5), pitch = dice.Roll(1, 6);
    const int x = dice.Roll(-8, 12), y = dice.Roll(-8, 10);
    const TRegion clip = SomeClip(dice, kWidth, kHeight);

    Picture p(kWidth, kHeight, clSilver);
    p.c->SelectClipRgn(&clip);
    p.c->DrawDots(x, y, &source, from, dot, pitch);
    const QImage expected = kvtest::PictureOf(kWidth, kHeight, [&](int px, int py) {
      int32_t colour = clSilver;
      for (int j = std::max(from.Top, 0); j < std::min(from.Bottom, sh); ++j)
        for (int i = std::max(from.Left, 0); i < std::min(from.Right, sw); ++i) {
          const int left = x + (i - from.Left) * pitch, top = y + (j - from.Top) * pitch;
          if (px >= left && px < left + std::min(dot, pitch) && py >= top &&
              py < top + std::min(dot, pitch) && clip.Contains(px, py))
            colour = kvtest::PixelAt(sourceImage, i, j);
        }
      return colour;
    });
    ASSERT_SAME_PIXELS(p.Image(), expected) << "round " << round;
  }
}

TEST(CanvasDrawDots, AMonochromeSurfaceTakesTheNearerOfBlackAndWhite) {
  TBitmap source;
  source.SetImage(kvtest::PictureOf(2, 1, [](int x, int) { return x ? clYellow : clNavy; }));
  Picture p(5, 2);
  p.bitmap.SetMonochrome(true);
  p.c->DrawDots(0, 0, &source, Rect(0, 0, 2, 1), 2, 3);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"##...", "##..."}));
  p.c->DrawDots(0, 0, nullptr, Rect(0, 0, 2, 1), 2, 3);
  p.c->DrawDots(0, 0, &source, Rect(0, 0, 2, 1), 0, 3);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"##...", "##..."}));
}

TEST(CanvasReplaceColors, EveryPixelIsMatchedAsItWasAndTheLaterEntryWins) {
  constexpr int kWidth = 24, kHeight = 18;
  const int32_t kColours[] = {clRed, clLime, clBlue, clYellow, clBlack};
  Dice dice(11);
  for (int round = 0; round < 40; ++round) {
    std::vector<int32_t> colours(size_t(kWidth * kHeight));
    for (int32_t& c : colours) c = kColours[dice.Roll(0, 4)];
    const auto before = [&](int x, int y) { return colours[size_t(y * kWidth + x)]; };
    // Swaps, chains and two entries for one colour.
    std::vector<kv::ColorReplacement> entries;
    for (int n = dice.Roll(0, 4); n > 0; --n)
      entries.push_back({kColours[dice.Roll(0, 4)], kColours[dice.Roll(0, 4)]});
    const TRect r = Rect(dice.Roll(-3, 8), dice.Roll(-3, 8), dice.Roll(10, kWidth + 3),
                         dice.Roll(6, kHeight + 3));
    const TRegion clip = SomeClip(dice, kWidth, kHeight);

    Picture p(kWidth, kHeight);
    p.bitmap.SetImage(kvtest::PictureOf(kWidth, kHeight, before));
    p.c->SelectClipRgn(&clip);
    p.c->ReplaceColors(r, entries);
    const QImage expected = kvtest::PictureOf(kWidth, kHeight, [&](int x, int y) {
      int32_t colour = before(x, y);
      if (x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom || !clip.Contains(x, y))
        return colour;
      for (const kv::ColorReplacement& e : entries)
        if (e.From == before(x, y)) colour = e.To;
      return colour;
    });
    ASSERT_SAME_PIXELS(p.Image(), expected) << "round " << round;
  }
}

TEST(CanvasReplaceColors, SystemColoursAreResolvedAndAMonochromeSurfaceThresholds) {
  Picture p(3, 1, clBtnFace);
  p.c->SetPixels(2, 0, clWhite);
  const kv::ColorReplacement toYellow[] = {{TColor(kv::ColorToRGB(clBtnFace)), clYellow}};
  p.c->ReplaceColors(Rect(1, 0, 3, 1), toYellow);
  EXPECT_EQ(p.At(0, 0), kv::ColorToRGB(clBtnFace));
  EXPECT_EQ(p.At(1, 0), clYellow);
  EXPECT_EQ(p.At(2, 0), clWhite);

  Picture mono(2, 1, clBlack);
  mono.bitmap.SetMonochrome(true);
  mono.c->SetPixels(1, 0, clWhite);
  const kv::ColorReplacement swapped[] = {{clBlack, clYellow}, {clWhite, clNavy}};
  mono.c->ReplaceColors(Rect(0, 0, 2, 1), swapped);
  EXPECT_SAME_PIXELS(mono.Image(), (Rows{".#"}));
}

}  // namespace
