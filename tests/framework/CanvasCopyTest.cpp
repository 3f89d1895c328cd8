// Copies onto a canvas: copy modes, nearest-neighbour stretching, mirroring, transparent
// bitmaps, brush copies, monochrome sources and destinations, dots, and colour replacement.
#include "Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using kv::CombineRgn, kv::CreateRectRgn, kv::Rect, kv::RGN_OR;

using kvtest::Art;
using kvtest::Picture;
using kvtest::Rows;

namespace {

// A bitmap whose pixels are given row by row as letters of kvtest::Letter.
void Paint(TBitmap& bitmap, const Rows& rows) {
  static const std::pair<char, TColor> kColours[] = {
      {'.', clWhite}, {'#', clBlack},  {'R', clRed}, {'G', clLime},
      {'B', clBlue},  {'Y', clYellow}, {'A', clAqua}};
  bitmap.SetSize(int(rows[0].size()), int(rows.size()));
  for (int y = 0; y < int(rows.size()); ++y)
    for (int x = 0; x < int(rows[0].size()); ++x)
      for (const auto& [letter, colour] : kColours)
        if (rows[size_t(y)][size_t(x)] == letter) bitmap.Canvas()->SetPixels(x, y, colour);
}

TEST(CanvasDraw, PlainCopyAtAnOffsetClippedAtTheEdges) {
  TBitmap source;
  Paint(source, {"RG", "BY"});
  Picture p(3, 3);
  p.c->Draw(1, 1, &source);
  p.c->Draw(-1, -1, &source);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"Y..", ".RG", ".BY"}));
}

TEST(CanvasDraw, CopyModesCombineSourceAndDestination) {
  TBitmap source;
  Paint(source, {"G"});
  const std::pair<TCopyMode, TColor> cases[] = {
      {TCopyMode::cmSrcCopy, clLime},       {TCopyMode::cmSrcInvert, clYellow},
      {TCopyMode::cmSrcAnd, clBlack},       {TCopyMode::cmSrcPaint, clYellow},
      {TCopyMode::cmNotSrcCopy, clFuchsia}, {TCopyMode::cmBlackness, clBlack},
      {TCopyMode::cmWhiteness, clWhite},
  };
  for (const auto& [mode, expected] : cases) {
    Picture p(1, 1, clRed);
    p.c->SetCopyMode(mode);
    p.c->Draw(0, 0, &source);
    EXPECT_EQ(p.c->Pixels(0, 0), expected) << int(mode);
  }
}

TEST(CanvasDraw, TransparentBitmapLeavesOutItsTransparentColour) {
  TBitmap source;
  Paint(source, {"RGR", "BRY"});  // bottom-left blue is the automatic key
  source.SetTransparent(true);
  Picture p(3, 2, clAqua);
  p.c->SetCopyMode(TCopyMode::cmSrcInvert);  // transparent drawing copies
  p.c->Draw(0, 0, &source);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"RGR", "ARY"}));
  source.SetTransparentColor(clRed);
  p.c->Brush()->SetColor(clWhite);
  p.c->FillRect(Rect(0, 0, 3, 2));
  p.c->Draw(0, 0, &source);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{".G.", "B.Y"}));
}

TEST(CanvasStretch, IntegerFactorGivesEachSourcePixelABlock) {
  TBitmap source;
  Paint(source, {"RG", "BY"});
  Picture p(6, 6);
  p.c->StretchDraw(Rect(0, 0, 6, 6), &source);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"RRRGGG", "RRRGGG", "RRRGGG", "BBBYYY", "BBBYYY", "BBBYYY"}));
}

TEST(CanvasStretch, ShrinkingSamplesThePixelCentres) {
  TBitmap source;
  Paint(source, {"RGBY"});
  Picture p(2, 1);
  p.c->StretchDraw(Rect(0, 0, 2, 1), &source);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"GY"}));
}

TEST(CanvasStretch, NegativeExtentsMirrorAndCoverTheHalfOpenRange) {
  TBitmap source;
  Paint(source, {"RGB."});
  Picture p(6, 2, clYellow);
  p.c->StretchDraw(Rect(5, 0, 1, 1), &source);  // covers [1, 5)
  p.c->StretchDraw(Rect(0, 2, 4, 1), &source);  // vertical mirror of one row: row 1
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"Y.BGRY", "RGB.YY"}));
}

TEST(CanvasCopyRect, CopiesBetweenCanvasesAndWithinOne) {
  TBitmap source;
  Paint(source, {"RGBY"});
  Picture p(4, 2);
  p.c->CopyRect(Rect(0, 0, 4, 1), source.Canvas(), Rect(0, 0, 4, 1));
  p.c->CopyRect(Rect(1, 1, 4, 2), p.c, Rect(0, 0, 3, 1));  // overlapping copy within the bitmap
  p.c->CopyRect(Rect(1, 0, 4, 1), p.c, Rect(0, 0, 3, 1));
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"RRGB", ".RGB"}));
}

TEST(CanvasCopyRect, SourceOutsideItsImageLeavesTheDestination) {
  TBitmap source;
  Paint(source, {"RG"});
  Picture p(4, 1);
  p.c->CopyRect(Rect(0, 0, 4, 1), source.Canvas(), Rect(-1, 0, 3, 1));
  EXPECT_SAME_PIXELS(p.Image(), (Rows{".RG."}));
}

TEST(CanvasStretch, StretchedRowsLeaveOutColumnsOffTheSourceAndTheTransparentColour) {
  TBitmap source;
  Paint(source, {"RGB"});
  Picture p(6, 3, clAqua);
  // Source columns -1..2 at twice the size, plain and mirrored: column -1 has no pixel.
  p.c->CopyRect(Rect(0, 0, 6, 1), source.Canvas(), Rect(-1, 0, 2, 1));
  p.c->CopyRect(Rect(6, 1, 0, 2), source.Canvas(), Rect(-1, 0, 2, 1));
  source.SetTransparent(true);
  source.SetTransparentColor(clLime);
  p.c->StretchDraw(Rect(0, 2, 6, 3), &source);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"AARRGG", "GGRRAA", "RRAABB"}));
}

TEST(CanvasBrushCopy, KeyBecomesTheBrushColourOrIsLeftOut) {
  TBitmap source;
  Paint(source, {"RGR"});
  Picture p(3, 2, clAqua);
  p.c->Brush()->SetColor(clBlue);
  p.c->BrushCopy(Rect(0, 0, 3, 1), &source, Rect(0, 0, 3, 1), clRed);
  p.c->Brush()->SetStyle(TBrushStyle::bsClear);
  p.c->BrushCopy(Rect(0, 1, 6, 2), &source, Rect(0, 0, 3, 1), clRed);  // stretched x2 past the edge
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"BGB", "AAG"}));
}

// Unstretched keyed copies (a glyph, an arrow cell) run a loop of their own: pixel for
// pixel they must give what the rule says, with source rectangles past the bitmap's edges,
// a clip, a solid or clear brush and a transparent bitmap.
TEST(CanvasBrushCopy, UnstretchedKeyedCopiesFollowTheRulePixelByPixel) {
  TBitmap source;
  Paint(source, {"RG.BR#A", "BRRG.AR", "#ARBGRR"});
  const TRegion clip = kv::CreateEllipticRgn(0, -2, 9, 6);
  for (int sx = -2; sx <= 3; ++sx)
    for (int mode = 0; mode < 3; ++mode) {
      Picture p(9, 5, clYellow);
      p.c->SelectClipRgn(&clip);
      const int dx = 1, dy = 1;
      if (mode == 2) {
        source.SetTransparentColor(clRed);
        source.SetTransparent(true);
        p.c->Draw(dx - sx, dy, &source);
        source.SetTransparent(false);
      } else {
        p.c->Brush()->SetColor(clBlue);
        if (mode == 1) p.c->Brush()->SetStyle(TBrushStyle::bsClear);
        p.c->BrushCopy(Rect(dx, dy, dx + 6, dy + 3), &source, Rect(sx, 0, sx + 6, 3), clRed);
      }
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
          const int u = x - dx + sx, v = y - dy;
          const bool inRect = mode == 2 || (x >= dx && x < dx + 6 && y >= dy && y < dy + 3);
          int32_t expected = clYellow.Value;
          if (inRect && clip.Contains(x, y) && u >= 0 && u < 7 && v >= 0 && v < 3) {
            const int32_t s = kv::PixelToColor(source.ScanLine(v)[u]).Value;
            if (s != clRed.Value) expected = s;
            else if (mode == 0) expected = clBlue.Value;
          }
          ASSERT_EQ(p.At(x, y), expected) << x << ", " << y << " from " << sx << " mode " << mode;
        }
    }
}

TEST(CanvasMonochrome, MonochromeSourceIsBlackAndWhiteAndMonochromeDestinationThresholds) {
  TBitmap mask;
  Paint(mask, {"RY"});
  mask.SetMonochrome(true);
  Picture p(2, 1, clRed);
  p.c->Draw(0, 0, &mask);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{"#."}));

  TBitmap colour;
  Paint(colour, {"RGBY"});
  TBitmap target;
  target.SetSize(4, 1);
  target.SetMonochrome(true);
  target.Canvas()->Draw(0, 0, &colour);
  EXPECT_SAME_PIXELS(target.Image(), (Rows{"#.#."}));
}

TEST(CanvasDraw, EmptyOrMissingGraphicsDrawNothing) {
  Picture p(2, 1);
  TBitmap empty;
  p.c->Draw(0, 0, &empty);
  p.c->Draw(0, 0, nullptr);
  p.c->StretchDraw(Rect(0, 0, 2, 1), &empty);
  p.c->CopyRect(Rect(0, 0, 2, 1), nullptr, Rect(0, 0, 2, 1));
  p.c->BrushCopy(Rect(0, 0, 2, 1), nullptr, Rect(0, 0, 2, 1), clRed);
  EXPECT_SAME_PIXELS(p.Image(), (Rows{".."}));
}

// A small deterministic generator, so that a failure draws the same case again.
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

// A clip of one rectangle, or of two overlapping ones (several bands, two spans on some).
TRegion SomeClip(Dice& dice, int width, int height) {
  TRegion clip = CreateRectRgn(dice.Roll(0, 4), dice.Roll(0, 4), width - dice.Roll(0, 4),
                               height - dice.Roll(0, 4));
  if (dice.Roll(0, 1)) CombineRgn(clip, clip, CreateRectRgn(dice.Roll(6, 12), 1, width - 2, 9), RGN_OR);
  return clip;
}

TEST(CanvasDrawDots, EachSourcePixelIsASquareAtItsPitchAndTheGapsStay) {
  constexpr int kWidth = 30, kHeight = 24;
  const int32_t kColours[] = {clRed, clLime, clBlue, clYellow, clBlack, clWhite};
  Dice dice(7);
  for (int round = 0; round < 60; ++round) {
    const int sw = dice.Roll(1, 6), sh = dice.Roll(1, 5);
    const QImage sourceImage = kvtest::PictureOf(sw, sh, [&](int, int) { return kColours[dice.Roll(0, 5)]; });
    TBitmap source;
    source.SetImage(sourceImage);
    // Source rectangles reaching beyond the bitmap, dots wider than the pitch, places off
    // the canvas.
    const TRect from = Rect(dice.Roll(-2, 2), dice.Roll(-2, 2), dice.Roll(1, sw + 2), dice.Roll(1, sh + 2));
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
