#include "KvFrameCache.h"

#include "KvClasses.h"
#include "Pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using kv::Rect;

namespace {

// A picture whose pixel (x, y) tells both: 0x00XXYY.
QImage Numbered(int width, int height) {
  return kvtest::PictureOf(width, height, [](int x, int y) { return int32_t(x << 8 | y); });
}

// The face a tape shows, by the column numbers written into its green.
std::vector<int> ShownColumns(TKvTape& tape, int width) {
  std::vector<int> columns;
  for (int x = 0; x < width; ++x) columns.push_back(int(tape.Canvas()->Pixels(x, 0) >> 8) & 0xFF);
  return columns;
}

// Writes face column Value(x) into every row of the tape's columns [From, To).
void DrawColumns(TKvTape& tape, int from, int to, const std::function<int(int)>& value) {
  for (int y = 0; y < int(tape.Height()); ++y)
    for (int x = from; x < to; ++x) tape.Canvas()->SetPixels(x, y, TColor((value(x) & 0xFF) << 8));
}

TEST(FrameCacheTape, ScrollingKeepsTheFaceAndMovesBackAtEitherEnd) {
  constexpr int kWidth = 10, kStep = 3;
  for (const int scale : {1, 2, 3})
  for (const bool rightwards : {false, true}) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    TKvTape tape;
    ASSERT_TRUE(tape.Keep(kWidth, 4, kStep, scale));
    EXPECT_EQ(tape.Canvas()->DeviceScale(), scale);
    EXPECT_EQ(tape.Height(), 4);
    EXPECT_TRUE(tape.Fresh());
    EXPECT_GE(tape.Room(), kStep);
    tape.StartAtEnd(rightwards);
    // The face shows column c at x; each step moves the content Step columns across and
    // brings in the columns at the edge it comes from, drawn afresh.
    int offset = 0;
    DrawColumns(tape, 0, kWidth, [&](int x) { return x + 100; });
    for (int step = 0; step < 200; ++step) {
      const int shift = rightwards ? kStep : -kStep;
      tape.Scroll(shift);
      offset += shift;
      const int from = rightwards ? 0 : kWidth - kStep, to = rightwards ? kStep : kWidth;
      DrawColumns(tape, from, to, [&](int x) { return x - offset + 100; });
      std::vector<int> expected;
      for (int x = 0; x < kWidth; ++x) expected.push_back((x - offset + 100) & 0xFF);
      ASSERT_EQ(ShownColumns(tape, kWidth), expected) << "step " << step << ", " << rightwards;
    }
    EXPECT_TRUE(tape.Keep(kWidth, 4, kStep, scale));
    EXPECT_FALSE(tape.Fresh());
    EXPECT_TRUE(tape.Keep(kWidth + 1, 4, kStep, scale));
    EXPECT_TRUE(tape.Fresh());
    EXPECT_TRUE(tape.Keep(kWidth + 1, 4, kStep, scale % 3 + 1));
    EXPECT_TRUE(tape.Fresh());
  }
}

TEST(FrameCacheTape, AStepAsWideAsTheFaceHasNoRoom) {
  TKvTape tape;
  ASSERT_TRUE(tape.Keep(8, 2, 8, 1));
  EXPECT_EQ(tape.Room(), 0);
  ASSERT_TRUE(tape.Keep(8, 2, 7, 1));
  EXPECT_GE(tape.Room(), 7);
}

TEST(FrameCacheTape, TheCanvasAndTheCopiesShowTheWindow) {
  for (const int scale : {1, 2, 3}) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    TKvTape tape;
    ASSERT_TRUE(tape.Keep(6, 3, 2, scale));
    tape.StartAtEnd(false);
    tape.Scroll(-2);
    tape.Canvas()->Brush()->SetColor(clRed);
    tape.Canvas()->FillRect(Rect(0, 0, 100, 100));  // the window's columns only
    TBitmap face;
    face.SetDeviceScale(scale);
    face.SetSize(6, 3);
    tape.CopyTo(&face);
    EXPECT_EQ(kvtest::CountPixels(face.Image(), clRed), 18 * scale * scale);
    DrawColumns(tape, 0, 6, [](int x) { return x; });
    tape.CopyTo(&face);
    EXPECT_EQ(face.Canvas()->Pixels(5, 2), TColor(5 << 8));
    // Columns copied in from a picture at the tape's scale: face columns 2 and 3, rows 1 and 2,
    // from the picture's columns 0 and 1.
    QImage source = Numbered(4 * scale, 3 * scale);
    source.setDevicePixelRatio(scale);
    tape.CopyColumns(source, 0, 2, 4, 1);
    // Face columns 4 and 5 from the picture's columns 1 and 2, a row lower: rows 0 and 1 from
    // its rows 1 and 2; the picture ends there, so row 2 stays.
    tape.CopyColumns(source, 1, 4, 6, 0, INT64_MAX, 1);
    tape.CopyTo(&face);
    const QImage expected = kvtest::PictureOf(6 * scale, 3 * scale, [&](int x, int y) {
      if (x >= 2 * scale && x < 4 * scale && y >= scale) return int32_t((x - 2 * scale) << 8 | y);
      if (x >= 4 * scale && y < 2 * scale) return int32_t((x - 3 * scale) << 8 | (y + scale));
      return int32_t((x / scale) << 8);
    });
    EXPECT_SAME_PIXELS(face.Image(), expected);
  }
}

TEST(FrameCacheRows, ACopyIsClippedToBothPictures) {
  const QImage source = Numbered(4, 3);
  struct Case {
    TPoint At;
    TRect From;
    TRect Written;  // on the 6 x 5 target
  };
  const Case cases[] = {
      {{1, 1}, {0, 0, 4, 3}, {1, 1, 5, 4}},
      {{-2, -1}, {0, 0, 4, 3}, {0, 0, 2, 2}},
      {{4, 3}, {0, 0, 4, 3}, {4, 3, 6, 5}},
      {{0, 0}, {-2, -1, 3, 5}, {2, 1, 5, 4}},  // From reaching past the source
      {{1, 0}, {2, 1, 9, 2}, {1, 0, 3, 1}},
      {{7, 0}, {0, 0, 4, 3}, {}},
  };
  for (const Case& c : cases) {
    TBitmap target;
    target.SetSize(6, 5);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(Rect(0, 0, 6, 5));
    kv::CopyRows(&target, c.At, source, c.From);
    const QImage expected = kvtest::PictureOf(6, 5, [&](int x, int y) {
      const bool written =
          x >= c.Written.Left && x < c.Written.Right && y >= c.Written.Top && y < c.Written.Bottom;
      const int sx = x - c.At.X + c.From.Left, sy = y - c.At.Y + c.From.Top;
      return written ? int32_t(sx << 8 | sy) : int32_t(clWhite);
    });
    EXPECT_SAME_PIXELS(target.Image(), expected) << c.At.X << ", " << c.At.Y;
  }
}

TEST(FrameCacheRows, APictureAtAFinerScaleGetsEachPixelAsABlock) {
  // Target scale over source scale; the copy as the same copy at 1x enlarged.
  const std::pair<int, int> kScales[] = {{2, 1}, {3, 1}, {4, 2}, {3, 2}};
  const struct {
    TPoint At;
    TRect From;
  } kCopies[] = {{{1, 1}, {0, 0, 4, 3}}, {{-2, -1}, {0, 0, 4, 3}}, {{0, 0}, {-2, -1, 3, 5}},
                 {{1, 0}, {2, 1, 9, 2}}, {{4, 3}, {1, 1, 4, 3}}};
  for (const auto& scales : kScales)
    for (const auto& c : kCopies) {
      const int scale = scales.first, sourceScale = scales.second;
      SCOPED_TRACE(std::to_string(scale) + " from " + std::to_string(sourceScale) + ", at " +
                   std::to_string(c.At.X) + ", " + std::to_string(c.At.Y));
      QImage source = kvtest::PictureOf(4 * sourceScale, 3 * sourceScale, [&](int x, int y) {
        return int32_t((x / sourceScale) << 8 | (y / sourceScale));
      });
      source.setDevicePixelRatio(sourceScale);
      TBitmap target, once;
      target.SetDeviceScale(scale);
      for (TBitmap* b : {&target, &once}) {
        b->SetSize(6, 5);
        b->Canvas()->Brush()->SetColor(clWhite);
        b->Canvas()->FillRect(Rect(0, 0, 6, 5));
      }
      // Clipped, as a partial paint is.
      const TRegion clip = kv::CreateRectRgn(0, 1, 5, 5);
      target.Canvas()->SelectClipRgn(&clip);
      once.Canvas()->SelectClipRgn(&clip);
      kv::CopyRows(&target, c.At, source, c.From);
      kv::CopyRows(&once, c.At, Numbered(4, 3), c.From);
      const QImage expected = kvtest::PictureOf(6 * scale, 5 * scale, [&](int x, int y) {
        return kvtest::PixelAt(once.Image(), x / scale, y / scale);
      });
      EXPECT_SAME_PIXELS(target.Image(), expected);
    }
}

TEST(FrameCacheRows, FilledRectanglesAreTheCanvasFillsClippedToThePicture) {
  // Small ones, and rows of eight, of eight and more, and wider than the picture.
  const TRect rects[] = {{1, 1, 3, 2},   {-2, 3, 2, 9}, {5, -1, 9, 2}, {4, 4, 4, 6},  {7, 3, 6, 5},
                         {8, 8, 12, 12}, {2, 0, 10, 1}, {3, 2, 20, 3}, {-4, 5, 30, 6}};
  kvtest::Picture filled(27, 6, clSilver), expected(27, 6, clSilver);
  kv::FillRects(&filled.bitmap, rects, clBtnFace);
  expected.c->Brush()->SetColor(clBtnFace);
  for (const TRect& r : rects)
    if (r.Left < r.Right && r.Top < r.Bottom) expected.c->FillRect(r);
  EXPECT_SAME_PIXELS(filled.Image(), expected.Image());
}

TEST(FrameCacheStaticLayer, StampsRunsOfEveryLengthClippedToThePicture) {
  // Row y of the stamp has a run of y + 1 pixels from column 1, and one pixel at column 23.
  constexpr int kW = 24, kH = 20;
  const auto written = [](int x, int y) { return (x >= 1 && x <= y + 1) || x == kW - 1; };
  const auto drawing = [&](TCanvas* c) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        if (written(x, y)) c->SetPixels(x, y, TColor(x << 8 | y));
  };
  TKvLayerKey key;
  key << 1;
  TKvStaticLayer layer;
  for (const TPoint at : {TPoint{0, 0}, TPoint{-3, 2}, TPoint{10, -4}, TPoint{-30, 0}}) {
    kvtest::Picture target(30, 22, clWhite);
    layer.Stamp(&target.bitmap, key, {kW, kH}, drawing, at);
    const QImage expected = kvtest::PictureOf(30, 22, [&](int x, int y) {
      const int sx = x - at.X, sy = y - at.Y;
      const bool inside = sx >= 0 && sx < kW && sy >= 0 && sy < kH;
      return inside && written(sx, sy) ? int32_t(sx << 8 | sy) : int32_t(clWhite);
    });
    EXPECT_SAME_PIXELS(target.Image(), expected) << at.X << ", " << at.Y;
  }
}

TEST(FrameCacheKeptPicture, MatchesOnlyItsKeyAndSizeAndCopiesWithinAPart) {
  TKvKeptPicture kept;
  kvtest::Picture blue(4, 3, clBlue);
  TKvLayerKey key;
  key << clBlue << QStringLiteral("strip");
  EXPECT_FALSE(kept.Matches(key, {4, 3}));
  kept.Keep(key, blue.Image(), Rect(0, 0, 4, 3));
  EXPECT_TRUE(kept.Matches(key, {4, 3}));
  EXPECT_FALSE(kept.Matches(key, {4, 2}));
  TKvLayerKey other = key;
  other << 1;
  EXPECT_FALSE(kept.Matches(other, {4, 3}));
  // What is kept is a copy: drawing on the source changes nothing kept.
  blue.c->Brush()->SetColor(clRed);
  blue.c->FillRect(Rect(0, 0, 4, 3));
  TBitmap target;
  target.SetSize(4, 3);
  const TRect within = Rect(1, 1, 9, 9);
  kept.CopyTo(&target, &within);
  EXPECT_EQ(kvtest::CountPixels(target.Image(), clBlue), 6);
  kept.CopyTo(&target, {0, 0}, Rect(0, 0, 1, 1));
  EXPECT_EQ(kvtest::CountPixels(target.Image(), clBlue), 7);
}

// Kept under a clip, a picture keeps what shows only: copies give the kept pixels inside that
// part and leave the rest of the target alone, whatever part they ask for.
TEST(FrameCacheKeptPicture, KeepsOnlyThePartThatShows) {
  const QImage source = kvtest::PictureOf(6, 5, [](int x, int y) { return x + 10 * y; });
  TKvKeptPicture kept;
  TKvLayerKey key;
  key << 1;
  const TRect shown = Rect(2, 1, 9, 4);  // reaches past the picture's right side
  kept.Keep(key, source, shown);
  EXPECT_TRUE(kept.Matches(key, {6, 5}));
  const auto expect = [&](const TRect& part, const std::function<void(TBitmap*)>& copy) {
    kvtest::Picture target(6, 5, clWhite);
    copy(&target.bitmap);
    EXPECT_SAME_PIXELS(target.Image(), kvtest::PictureOf(6, 5, [&](int x, int y) {
                         const bool copied = x >= part.Left && x < part.Right && y >= part.Top &&
                                             y < part.Bottom;
                         return copied ? x + 10 * y : clWhite.Value;
                       }));
  };
  expect(Rect(2, 1, 6, 4), [&](TBitmap* t) { kept.CopyTo(t); });
  const TRect within = Rect(0, 0, 4, 2);
  expect(Rect(2, 1, 4, 2), [&](TBitmap* t) { kept.CopyTo(t, &within); });
  const TRect outside = Rect(0, 4, 6, 5);
  expect(TRect{}, [&](TBitmap* t) { kept.CopyTo(t, &outside); });
  // A rectangle copied to where it came from: only its kept pixels.
  expect(Rect(2, 2, 4, 4), [&](TBitmap* t) { kept.CopyTo(t, {1, 2}, Rect(1, 2, 4, 5)); });
  // Nothing shows: nothing is kept, and nothing copied.
  kept.Keep(key, source, Rect(7, 0, 9, 5));
  EXPECT_TRUE(kept.Matches(key, {6, 5}));
  expect(TRect{}, [&](TBitmap* t) { kept.CopyTo(t); });
}

// A stand-in for an image base's clear: counts clears and fills with Fill's colour.
struct Clearing {
  TBitmap Image;
  int Clears = 0, Drawings = 0;
  TKvImageClear For(TColor fill, const TRect& within) {
    Image.SetSize(5, 4);
    return {&Image,
            [this, fill] {
              ++Clears;
              Image.Canvas()->Brush()->SetColor(fill);
              Image.Canvas()->FillRect(Rect(0, 0, 5, 4));
            },
            false,
            kv::ColorToRGB(fill),
            fill,
            within};
  }
};

TEST(FrameCacheClearWithBase, CopiesTheKeptBaseInsideThePaintedPartWhileNothingChanged) {
  Clearing c;
  TKvFaceBase base;
  TKvLayerKey key;
  key << 7;
  const auto drawing = [&] {
    ++c.Drawings;
    c.Image.Canvas()->SetPixels(0, 0, clRed);
  };
  const TRect all = Rect(0, 0, 5, 4);
  kv::ClearWithBase(c.For(clGreen, all), base, key, drawing);
  // Scribbled over, then cleared with the base inside a part only.
  c.Image.Canvas()->Brush()->SetColor(clYellow);
  c.Image.Canvas()->FillRect(all);
  kv::ClearWithBase(c.For(clGreen, Rect(0, 0, 2, 1)), base, key, drawing);
  EXPECT_EQ(c.Clears, 1);
  EXPECT_EQ(c.Drawings, 1);
  EXPECT_EQ(kvtest::PixelAt(c.Image.Image(), 0, 0), int32_t(clRed));
  EXPECT_EQ(kvtest::PixelAt(c.Image.Image(), 1, 0), int32_t(clGreen));
  EXPECT_EQ(kvtest::PixelAt(c.Image.Image(), 2, 0), int32_t(clYellow));
  // What the clear fills with is part of the key, as is the drawing's key.
  kv::ClearWithBase(c.For(clBlue, all), base, key, drawing);
  key << 8;
  kv::ClearWithBase(c.For(clBlue, all), base, key, drawing);
  EXPECT_EQ(c.Clears, 3);
  EXPECT_EQ(c.Drawings, 3);
}

TEST(FrameCacheLayerKey, TellsEveryInputApart) {
  TBitmap picture;
  picture.SetSize(2, 2);
  TKvBevel bevel;
  const auto bytes = [&](const std::function<void(TKvLayerKey&)>& write) {
    TKvLayerKey key;
    write(key);
    return key.Bytes().toByteArray();
  };
  const QByteArray before = bytes([&](TKvLayerKey& k) { k << &picture << &bevel; });
  picture.Canvas()->SetPixels(0, 0, clRed);
  const QByteArray drawnOn = bytes([&](TKvLayerKey& k) { k << &picture << &bevel; });
  bevel.SetOuterWidth(3);
  const QByteArray bevelled = bytes([&](TKvLayerKey& k) { k << &picture << &bevel; });
  EXPECT_NE(before, drawnOn);
  EXPECT_NE(drawnOn, bevelled);
  EXPECT_NE(bytes([](TKvLayerKey& k) { k << Rect(0, 0, 1, 2); }),
            bytes([](TKvLayerKey& k) { k << Rect(0, 0, 2, 1); }));
  EXPECT_NE(bytes([](TKvLayerKey& k) { k << QStringLiteral("ab") << QStringLiteral("c"); }),
            bytes([](TKvLayerKey& k) { k << QStringLiteral("a") << QStringLiteral("bc"); }));
}

// A key written past the room it has in place, and copies made before, at and after that
// point: each holds its own inputs, whatever is written to the others later.
TEST(FrameCacheLayerKey, LongKeysAndCopiesKeepTheirOwnInputs) {
  // Every key starts with the rendering quality.
  const QByteArray quality = TKvLayerKey().Bytes().toByteArray();
  const auto written = [&](int64_t from, int64_t to) {
    QByteArray bytes = quality;
    for (int64_t v = from; v < to; ++v) bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
    return bytes;
  };
  TKvLayerKey key;
  std::vector<std::pair<int64_t, TKvLayerKey>> copies;
  for (int64_t v = 0; v < 200; ++v) {
    if (v % 31 == 0 || v == 32) copies.emplace_back(v, key);
    key << v;
  }
  EXPECT_EQ(key.Bytes(), written(0, 200));
  for (auto& [length, copy] : copies) {
    SCOPED_TRACE(length);
    EXPECT_EQ(copy.Bytes(), written(0, length));
    copy << int64_t(-1);
    EXPECT_EQ(copy.Bytes(), written(0, length) + written(-1, 0).mid(quality.size()));
  }
  TKvLayerKey assigned;
  assigned << int64_t(7);
  assigned = key;
  EXPECT_EQ(assigned.Bytes(), written(0, 200));
  assigned = copies.front().second;
  EXPECT_EQ(assigned.Bytes(), written(-1, 0));
  EXPECT_EQ(key.Bytes(), written(0, 200));
}

}  // namespace

// Pie faces composed from coverage layers against the same pies drawn by the canvas one after
// the other, each filled and outlined: for boundaries in many directions (along the axes, a
// sliver, a whole ring), a hatched brush among the solid ones, at scales 1 and 2. No fill
// differs; few boundary pixels differ by more than an eighth of a level's range (most where the
// canvas's outlines meet at the centre in a mitre; wedges laid in the wrong order give 40 and
// more); and a composition inside a part is the whole one's pixels there and leaves the rest.
// The rays are kept from case to case, as a pie keeps them from frame to frame.
TEST(FrameCachePieSectors, ComposedPiesAreTheDrawnPiesAndAPartIsTheWholesPixels) {
  const kv::RenderQuality was = kv::GetRenderQuality();
  kv::SetRenderQuality(kv::RenderQuality::Smooth);
  struct Case {
    int width, height;
    std::vector<double> degrees;  // the boundaries, clockwise from the top
  };
  const Case cases[] = {
      {60, 40, {0}},          {60, 40, {0, 137}},          {41, 61, {10, 100, 190, 280}},
      {41, 61, {90, 93}},     {50, 50, {45, 135, 225, 315}}, {33, 70, {0, 179, 181, 359}},
  };
  const std::pair<TColor, TBrushStyle> brushes[] = {{clRed, TBrushStyle::bsSolid},
                                                    {clBlue, TBrushStyle::bsDiagCross},
                                                    {clLime, TBrushStyle::bsSolid},
                                                    {clYellow, TBrushStyle::bsHorizontal}};
  const auto useBrush = [&](TCanvas* c, size_t k) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(brushes[k].first);
    c->Brush()->SetStyle(brushes[k].second);
  };
  // One keeper of the rays for every case: a ray kept for another pie must not show.
  kv::PieRays rays;
  for (const int scale : {1, 2})
    for (const Case& pie : cases) {
      SCOPED_TRACE(std::to_string(pie.width) + "x" + std::to_string(pie.height) + " with " +
                   std::to_string(pie.degrees.size()) + " boundaries at scale " +
                   std::to_string(scale));
      const TRect box = Rect(0, 0, pie.width, pie.height);
      const auto blank = [&](TBitmap& b) {
        b.SetDeviceScale(scale);
        b.SetSize(pie.width, pie.height);
        b.Canvas()->Brush()->SetColor(TColor(0x406080));
        b.Canvas()->FillRect(box);
      };
      std::vector<TPoint> rim;
      for (const double degrees : pie.degrees) {
        const double a = degrees * M_PI / 180;
        rim.push_back({int(std::lround(pie.width / 2.0 + std::sin(a) * pie.width)),
                       int(std::lround(pie.height / 2.0 - std::cos(a) * pie.height))});
      }
      const size_t n = rim.size();
      TBitmap drawn, composed, part;
      blank(drawn);
      for (size_t k = 0; k < n; ++k) {
        useBrush(drawn.Canvas(), k);
        const TPoint from = rim[k], to = rim[(k + 1) % n];
        drawn.Canvas()->Pie(0, 0, pie.width, pie.height, to.X, to.Y, from.X, from.Y);
      }
      std::vector<kv::CoverageLayer> layers(n);
      std::vector<kv::PieSector> sectors;
      for (size_t k = 0; k < n; ++k) {
        TKvLayerKey key;
        key << int(k);
        layers[k].Keep(key, pie.width, pie.height, scale, [&](TCanvas* c) {
          useBrush(c, k);
          c->Ellipse(0, 0, pie.width, pie.height);
        });
        sectors.push_back({kv::PieRimTowards(box, rim[k], scale), &layers[k], true});
      }
      const auto compose = [&](TBitmap& b, const TRect& within) {
        blank(b);
        kv::PaintPieSectors(&b, within, kv::PieCentre(box, scale), sectors,
                            kv::ColorToPixel(clBlack), scale, rays);
      };
      const TRect whole = Rect(0, 0, pie.width * scale, pie.height * scale);
      compose(composed, whole);
      const std::optional<QPoint> fill =
          kvtest::ChangedAwayFromEdges(drawn.Image(), composed.Image(), scale);
      EXPECT_FALSE(fill) << "a fill changed at (" << fill->x() << ", " << fill->y() << ")";
      int far = 0;
      for (int y = 0; y < whole.Bottom; ++y)
        for (int x = 0; x < whole.Right; ++x)
          for (int shift = 0; shift < 24; shift += 8)
            far += std::abs(int((drawn.Image().pixel(x, y) >> shift) & 0xFFu) -
                            int((composed.Image().pixel(x, y) >> shift) & 0xFFu)) > 32;
      EXPECT_LE(far, 30);
      const TRect inside = Rect(whole.Right / 3, whole.Bottom / 4, whole.Right - 2, whole.Bottom);
      compose(part, inside);
      const uint32_t untouched = kv::ColorToPixel(TColor(0x406080)) | 0xFF000000u;
      int wrong = 0;
      for (int y = 0; y < whole.Bottom; ++y)
        for (int x = 0; x < whole.Right; ++x) {
          const bool in = x >= inside.Left && x < inside.Right && y >= inside.Top &&
                          y < inside.Bottom;
          wrong += part.Image().pixel(x, y) != (in ? composed.Image().pixel(x, y) : untouched);
        }
      EXPECT_EQ(wrong, 0);
    }
  kv::SetRenderQuality(was);
}

// A boundary swept once round a pie, each frame composed inside the box it swept over the last
// frame, with one keeper of rays for every frame: it holds fewer rays than the sweep passes,
// so rays come and go while a frame uses them. Each frame is the whole face composed with a
// keeper of its own, at scales 1 and 2, along the axes and between them.
TEST(FrameCachePieSectors, FramesFromKeptRaysAreFreshFaces) {
  const kv::RenderQuality was = kv::GetRenderQuality();
  kv::SetRenderQuality(kv::RenderQuality::Smooth);
  constexpr int kSize = 41;
  const TRect box = Rect(0, 0, kSize, kSize);
  const TColor colours[] = {clRed, clLime, clBlue};
  const auto rimAt = [](double degrees) {
    const double a = degrees * M_PI / 180;
    return TPoint{int(std::lround(kSize / 2.0 + std::sin(a) * kSize)),
                  int(std::lround(kSize / 2.0 - std::cos(a) * kSize))};
  };
  for (const int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    std::vector<kv::CoverageLayer> layers(3);
    for (size_t k = 0; k < 3; ++k) {
      TKvLayerKey key;
      key << int(k);
      layers[k].Keep(key, kSize, kSize, scale, [&](TCanvas* c) {
        c->Brush()->SetColor(colours[k]);
        c->Ellipse(0, 0, kSize, kSize);
      });
    }
    const auto sectors = [&](double moving) {
      return std::vector<kv::PieSector>{
          {kv::PieRimTowards(box, rimAt(0), scale), &layers[0], true},
          {kv::PieRimTowards(box, rimAt(moving), scale), &layers[1], true},
          {kv::PieRimTowards(box, rimAt(300), scale), &layers[2], true}};
    };
    const auto blank = [&](TBitmap& b) {
      b.SetDeviceScale(scale);
      b.SetSize(kSize, kSize);
      b.Canvas()->Brush()->SetColor(TColor(0x406080));
      b.Canvas()->FillRect(box);
    };
    const uint32_t ink = kv::ColorToPixel(clBlack);
    TBitmap live, fresh;
    blank(live);
    kv::PieRays kept;
    kv::PaintPieSectors(&live, kv::InImage(&live, box), kv::PieCentre(box, scale), sectors(3),
                        ink, scale, kept);
    for (int degrees = 6; degrees < 300; degrees += 3) {
      SCOPED_TRACE(degrees);
      // The box from the centre to the rim points of both angles, a few pixels wide.
      const TPoint a = rimAt(degrees - 3), b = rimAt(degrees), c{kSize / 2, kSize / 2};
      const TRect swept = Rect(std::min({a.X, b.X, c.X}) - 3, std::min({a.Y, b.Y, c.Y}) - 3,
                               std::max({a.X, b.X, c.X}) + 4, std::max({a.Y, b.Y, c.Y}) + 4);
      // The part cleared as a control's repaint clears it, then composed.
      TBitmap under;
      blank(under);
      live.Canvas()->CopyRect(swept, under.Canvas(), swept);
      kv::PaintPieSectors(&live, kv::InImage(&live, swept), kv::PieCentre(box, scale),
                          sectors(degrees), ink, scale, kept);
      blank(fresh);
      kv::PieRays own;
      kv::PaintPieSectors(&fresh, kv::InImage(&fresh, box), kv::PieCentre(box, scale),
                          sectors(degrees), ink, scale, own);
      ASSERT_SAME_PIXELS(live.Image(), fresh.Image());
    }
  }
  kv::SetRenderQuality(was);
}
