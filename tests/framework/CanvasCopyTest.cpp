// Copies onto a canvas: copy modes, nearest-neighbour stretching, mirroring, transparent
// bitmaps, brush copies and monochrome sources and destinations.
#include "Pixels.h"

#include <gtest/gtest.h>

using kv::Rect;

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

// Whole rows between pictures of one width go as one block; rows off the source, a clip of
// some rows and a clip of some columns keep to the rule row by row.
TEST(CanvasCopyRect, WholeRowsOfOneWidthCopyAsTheRowsDo) {
  struct Case {
    const char* Name;
    TRect Dest, Source;
    QRect Clip;
    Rows Expected;
  };
  const QRect all(0, 0, 3, 4);
  const Case cases[] = {
      {"whole", Rect(0, 0, 3, 4), Rect(0, 0, 3, 4), all, {"RGB", "YAR", "BBG", "GRY"}},
      {"one row down", Rect(0, 1, 3, 5), Rect(0, 0, 3, 4), all, {"...", "RGB", "YAR", "BBG"}},
      {"past the source", Rect(0, 0, 3, 4), Rect(0, 1, 3, 5), all, {"YAR", "BBG", "GRY", "..."}},
      {"some rows",
       Rect(0, 0, 3, 4),
       Rect(0, 0, 3, 4),
       QRect(0, 1, 3, 2),
       {"...", "YAR", "BBG", "..."}},
      {"some columns",
       Rect(0, 0, 3, 4),
       Rect(0, 0, 3, 4),
       QRect(0, 0, 2, 4),
       {"RG.", "YA.", "BB.", "GR."}},
  };
  TBitmap source;
  Paint(source, {"RGB", "YAR", "BBG", "GRY"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Picture p(3, 4);
    const TRegion clip(c.Clip);
    p.c->SelectClipRgn(&clip);
    p.c->CopyRect(c.Dest, source.Canvas(), c.Source);
    EXPECT_SAME_PIXELS(p.Image(), c.Expected);
  }
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

}  // namespace
