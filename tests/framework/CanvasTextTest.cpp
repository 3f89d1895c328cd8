// Text on a canvas: the text cell, opaque and clear backgrounds, rotation, the metrics and
// the DrawText flags.
#include "Pixels.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

using kv::CreateRectRgn, kv::DT_BOTTOM, kv::DT_CALCRECT, kv::DT_CENTER, kv::DT_EXPANDTABS,
    kv::DT_LEFT, kv::DT_NOCLIP, kv::DT_NOPREFIX, kv::DT_RIGHT, kv::DT_SINGLELINE, kv::DT_VCENTER,
    kv::DT_WORDBREAK, kv::DrawText, kv::Point, kv::Rect;

using kvtest::Colours;
using kvtest::Picture;

namespace {

struct TextPicture : Picture {
  TextPicture(int w, int h) : Picture(w, h) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-13);
    c->Font()->SetColor(clBlack);
    c->Brush()->SetColor(clYellow);
  }
  int TextW(const QString& s) const { return c->TextWidth(s); }
  int TextH() const { return c->TextHeight("x"); }
  // The box [left, right) x [top, bottom) of pixels that are not white, or an empty box.
  QRect Inked() const {
    QRect box;
    for (int y = 0; y < bitmap.Height(); ++y)
      for (int x = 0; x < bitmap.Width(); ++x)
        if (At(x, y) != clWhite) box |= QRect(x, y, 1, 1);
    return box;
  }
  int Count(TColor colour) const { return kvtest::CountPixels(Image(), colour); }
};

TEST(CanvasText, SolidBrushFillsExactlyTheCell) {
  TextPicture p(60, 30);
  p.c->TextOut(3, 4, "Hg");
  EXPECT_EQ(p.Inked(), QRect(3, 4, p.TextW("Hg"), p.TextH()));
  EXPECT_EQ(Colours(p.Image()), (std::set<int32_t>{clWhite, clYellow, clBlack}));
  EXPECT_GT(p.Count(clBlack), 10);
  EXPECT_EQ(p.c->PenPos(), Point(3 + p.TextW("Hg"), 4));
}

TEST(CanvasText, ClearBrushDrawsOnlyGlyphPixelsInTheFontColour) {
  TextPicture p(60, 30);
  p.c->Brush()->SetStyle(TBrushStyle::bsClear);
  p.c->Font()->SetColor(clRed);
  p.c->Font()->SetStyle(TFontStyle::fsBold | TFontStyle::fsItalic);
  p.c->TextOut(3, 4, "Wave");
  EXPECT_EQ(Colours(p.Image()), (std::set<int32_t>{clWhite, clRed}));
  const QRect inked = p.Inked();
  EXPECT_GE(inked.top(), 4);
  EXPECT_LT(inked.bottom(), 4 + p.TextH());
}

TEST(CanvasText, MetricsAreTheAdvanceAndTheCellHeight) {
  TextPicture p(1, 1);
  const QFontMetrics m(p.c->Font()->ToQFont());
  EXPECT_EQ(p.c->TextHeight("a"), m.ascent() + m.descent());
  EXPECT_EQ(p.c->TextHeight("ÁgÅ|"), p.c->TextHeight("a"));
  EXPECT_EQ(p.c->TextWidth("12:34"), m.horizontalAdvance("12:34"));
  EXPECT_EQ(p.c->TextExtent("ab"), (TSize{p.c->TextWidth("ab"), p.c->TextHeight("ab")}));
  EXPECT_EQ(p.c->TextWidth(""), 0);
}

TEST(CanvasText, UnderlineAndStrikeOutAddLinesAcrossTheText) {
  TextPicture plain(80, 30), underlined(80, 30), struck(80, 30);
  for (TextPicture* p : {&plain, &underlined, &struck})
    p->c->Brush()->SetStyle(TBrushStyle::bsClear);
  underlined.c->Font()->SetStyle(TFontStyle::fsUnderline);
  struck.c->Font()->SetStyle(TFontStyle::fsStrikeOut);
  for (TextPicture* p : {&plain, &underlined, &struck}) p->c->TextOut(2, 2, "mmmm");
  const int w = plain.TextW("mmmm");
  EXPECT_GE(underlined.Count(clBlack) - plain.Count(clBlack), w * 3 / 4);
  EXPECT_GE(struck.Count(clBlack) - plain.Count(clBlack), w / 2);
}

TEST(CanvasText, OrientationTurnsTheCellCounterClockwiseAboutItsTopLeft) {
  TextPicture p(60, 80);
  p.c->Font()->SetOrientation(900);
  p.c->TextOut(20, 70, "Hello");
  const int w = p.TextW("Hello"), h = p.TextH();
  // The cell runs upwards from (20, 70): columns [20, 20 + h), rows (70 - w, 70].
  const QRect inked = p.Inked();
  EXPECT_NEAR(inked.left(), 20, 1);
  EXPECT_NEAR(inked.right(), 20 + h - 1, 1);
  EXPECT_NEAR(inked.bottom(), 70, 1);
  EXPECT_NEAR(inked.top(), 70 - w + 1, 1);
  EXPECT_NE(p.c->Pixels(20 + h / 2, 70 - w / 2), clWhite);
  EXPECT_EQ(p.c->Pixels(20 + w - 2, 70 + h / 2), clWhite);  // where the unturned cell would be
  EXPECT_EQ(Colours(p.Image()), (std::set<int32_t>{clWhite, clYellow, clBlack}));
}

TEST(CanvasText, MonochromeSurfaceGetsOnlyBlackAndWhite) {
  TBitmap mono;
  mono.SetSize(40, 20);
  mono.SetMonochrome(true);
  TCanvas* c = mono.Canvas();
  c->Brush()->SetColor(clYellow);
  c->Font()->SetColor(clRed);
  c->TextOut(1, 1, "Ab");
  EXPECT_EQ(Colours(mono.Image()), (std::set<int32_t>{clBlack, clWhite}));
  EXPECT_EQ(c->Pixels(1, 1), clWhite);    // the cell, light yellow
  EXPECT_EQ(c->Pixels(39, 19), clBlack);  // untouched
}

TEST(CanvasText, ClippedByTheCanvasClip) {
  TextPicture p(60, 30);
  const TRegion clip = CreateRectRgn(0, 0, 5, 30);
  p.c->SelectClipRgn(&clip);
  p.c->TextOut(2, 2, "Hello");
  EXPECT_EQ(p.Inked(), QRect(2, 2, 3, p.TextH()));
}

// ---------------------------------------------------------------------------

TEST(DrawText, CalcRectMeasuresLinesWithoutDrawing) {
  TextPicture p(50, 50);
  TRect r(10, 10, 10, 10);
  const int lh = p.TextH();
  EXPECT_EQ(DrawText(p.c, "ab\ncde\r\nf", r, DT_CALCRECT), 3 * lh);
  EXPECT_EQ(r, Rect(10, 10, 10 + std::max(p.TextW("ab"), p.TextW("cde")), 10 + 3 * lh));
  r = Rect(10, 10, 10, 10);
  EXPECT_EQ(DrawText(p.c, "ab\ncde", r, DT_CALCRECT | DT_SINGLELINE), lh);
  EXPECT_EQ(r.Bottom, 10 + lh);
  r = Rect(5, 5, 40, 40);
  EXPECT_EQ(DrawText(p.c, "", r, DT_CALCRECT), 0);
  EXPECT_EQ(r, Rect(5, 5, 5, 5));
  EXPECT_EQ(Colours(p.Image()), (std::set<int32_t>{clWhite}));
}

TEST(DrawText, WordBreakFillsLinesAndKeepsLongWordsWhole) {
  TextPicture p(1, 1);
  const int lh = p.TextH();
  TRect r(0, 0, p.TextW("aaa bbb"), 0);
  EXPECT_EQ(DrawText(p.c, "aaa bbb ccc", r, DT_CALCRECT | DT_WORDBREAK), 2 * lh);
  EXPECT_EQ(r.Right, p.TextW("aaa bbb"));
  r = Rect(0, 0, 5, 0);
  EXPECT_EQ(DrawText(p.c, "abcdefghij kl", r, DT_CALCRECT | DT_WORDBREAK), 2 * lh);
  EXPECT_EQ(r.Right, p.TextW("abcdefghij"));
}

TEST(DrawText, PrefixesTakeNoWidthUnlessDisabled) {
  TextPicture p(1, 1);
  TRect r;
  DrawText(p.c, "&File", r, DT_CALCRECT);
  EXPECT_EQ(r.Right, p.TextW("File"));
  r = TRect();
  DrawText(p.c, "a&&b", r, DT_CALCRECT);
  EXPECT_EQ(r.Right, p.TextW("a&b"));
  r = TRect();
  DrawText(p.c, "&File", r, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(r.Right, p.TextW("&File"));
}

TEST(DrawText, PrefixUnderlinesItsCharacter) {
  TextPicture plain(40, 20), prefixed(40, 20);
  for (TextPicture* p : {&plain, &prefixed}) p->c->Brush()->SetStyle(TBrushStyle::bsClear);
  TRect r(0, 0, 40, 20);
  DrawText(plain.c, "xy", r, 0);
  DrawText(prefixed.c, "&xy", r, 0);
  EXPECT_GE(prefixed.Count(clBlack) - plain.Count(clBlack), plain.TextW("x") - 1);
}

TEST(DrawText, ExpandTabsToEightAverageCharacterWidths) {
  TextPicture p(1, 1);
  const int tab = 8 * QFontMetrics(p.c->Font()->ToQFont()).averageCharWidth();
  TRect r;
  DrawText(p.c, "a\tb", r, DT_CALCRECT | DT_EXPANDTABS);
  EXPECT_EQ(r.Right, tab + p.TextW("b"));
}

TEST(DrawText, AlignmentPlacesTheOpaqueCell) {
  const int w0 = TextPicture(1, 1).TextW("Hi");
  struct Case {
    unsigned flags;
    int left, top;
  };
  TextPicture probe(1, 1);
  const int lh = probe.TextH();
  for (const Case& k :
       {Case{DT_LEFT, 0, 0}, Case{DT_RIGHT, 60 - w0, 0}, Case{DT_CENTER, (60 - w0) / 2, 0},
        Case{DT_SINGLELINE | DT_VCENTER, 0, (40 - lh) / 2},
        Case{DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 60 - w0, 40 - lh}}) {
    TextPicture p(60, 40);
    TRect r(0, 0, 60, 40);
    EXPECT_EQ(DrawText(p.c, "Hi", r, k.flags), lh);
    EXPECT_EQ(p.Inked(), QRect(k.left, k.top, w0, lh)) << k.flags;
  }
}

TEST(DrawText, ClipsToTheRectangleUnlessToldNotTo) {
  TextPicture clipped(60, 30), free(60, 30);
  TRect r(2, 2, 8, 10);
  DrawText(clipped.c, "Hello", r, 0);
  DrawText(free.c, "Hello", r, DT_NOCLIP);
  EXPECT_EQ(clipped.Inked(), QRect(2, 2, 6, 8));
  EXPECT_EQ(free.Inked(), QRect(2, 2, free.TextW("Hello"), free.TextH()));
}

}  // namespace
