#include "KvCounter.h"
#include "KvSysUtils.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <climits>

using kvtest::PixelAt;

namespace {

QImage Render(TKvCounter& c, int32_t background = clWhite.Value) {
  return kvtest::RenderControl(&c, background, 0);
}

// The built-in strip's cell of digit D, 9 x 13.
QImage Cell(int d) {
  TBitmap strip;
  strip.LoadFromResourceName(QStringLiteral("BMCOUNTER"));
  return strip.Image().copy(d * 9, 0, 9, 13);
}

}  // namespace

TEST(Counter, PaddedDigitsFromTheStrip) {
  TKvCounter c(nullptr);
  c.SetAutoSize(true);
  c.SetValue(42);
  EXPECT_EQ(c.Width(), 54);
  EXPECT_EQ(c.Height(), 13);
  const QImage img = Render(c);
  const int digits[6] = {0, 0, 0, 0, 4, 2};
  for (int k = 0; k < 6; ++k) EXPECT_SAME_PIXELS(img.copy(9 * k, 0, 9, 13), Cell(digits[k]));
  // More digits than cells: the leading ones show.
  c.SetValue(1234567);
  const QImage seven = Render(c);
  for (int k = 0; k < 6; ++k) EXPECT_SAME_PIXELS(seven.copy(9 * k, 0, 9, 13), Cell(k + 1));
}

TEST(Counter, AutoSizeWithSpacing) {
  TKvCounter c(nullptr);
  c.SetAutoSize(true);
  c.SetSpacing(2);
  EXPECT_EQ(c.Width(), 64);
  EXPECT_EQ(c.Height(), 13);
  // A row of 0 or less is empty: nothing is drawn and no size is proposed.
  c.SetSpacing(-100);
  EXPECT_EQ(c.RowWidth(), 0);
  EXPECT_EQ(c.Width(), 64);
  const QImage img = Render(c);
  EXPECT_EQ(kvtest::CountPixels(img, clLime.Value), 0);
}

TEST(Counter, HugeSpacingStaysWithinTheBudget) {
  TKvCounter c(nullptr);
  c.SetDigits(10);
  c.SetSpacing(INT_MAX);
  EXPECT_LE(int64_t(c.RowWidth()) * c.RowHeight(), TKvCounter::kRowPixelBudget);
  c.SetValue(INT_MAX);
  Render(c);
}

TEST(Counter, RangesAreEnforced) {
  TKvCounter c(nullptr);
  c.SetValue(-1);
  EXPECT_EQ(c.Value(), 0);
  c.SetDigits(0);
  c.SetDigits(11);
  EXPECT_EQ(c.Digits(), 6);
  int changes = 0;
  QObject::connect(&c, &TKvCounter::OnChange, [&](TObject*) { ++changes; });
  c.SetValue(0);
  EXPECT_EQ(changes, 0);
  c.SetAutoSize(true);
  c.SetValue(INT_MAX);
  c.SetDigits(10);
  const QImage ten = Render(c);
  const int all[10] = {2, 1, 4, 7, 4, 8, 3, 6, 4, 7};
  for (int k = 0; k < 10; ++k) EXPECT_SAME_PIXELS(ten.copy(9 * k, 0, 9, 13), Cell(all[k]));
}

TEST(Counter, EmptyStripComesBack) {
  TKvCounter c(nullptr);
  const QImage strip = c.Bitmap()->Image();
  TBitmap empty;
  c.SetBitmap(&empty);
  EXPECT_SAME_PIXELS(c.Bitmap()->Image(), strip);
}

TEST(Counter, TransparentLetsTheSystemColourThrough) {
  // Black digit backgrounds with the counter's Color black: transparent there.
  TKvCounter c(nullptr);
  c.SetAutoSize(true);
  c.SetColor(clBlack);
  c.SetTransparent(true);
  const QImage img = Render(c, 7292981);
  EXPECT_EQ(PixelAt(img, 0, 0), 7292981);
  EXPECT_GT(kvtest::CountPixels(img, clLime.Value), 0);
  // A system colour is resolved before it is compared.
  TBitmap strip;
  strip.LoadFromResourceName(QStringLiteral("BMCOUNTER"));
  ReplaceColor(&strip, clBlack, TColor(kv::ColorToRGB(clBtnFace)));
  c.SetBitmap(&strip);
  c.SetColor(clBtnFace);
  const QImage face = Render(c, 7292981);
  EXPECT_EQ(PixelAt(face, 0, 0), 7292981);
}

struct DesignTimeCounter : TKvCounter {
  using TComponent::SetDesigning;
  using TKvCounter::TKvCounter;
};

TEST(Counter, DesigningDrawsTheDottedFrameOverTheDigits) {
  // The digits centred in a wider face: the frame runs over the counter's Color.
  DesignTimeCounter c(nullptr);
  c.SetBounds(0, 0, 80, 30);
  const QImage running = Render(c);
  c.SetDesigning(true);
  const QImage designed = Render(c);
  EXPECT_EQ(kvtest::CountPixels(running.copy(0, 0, 80, 1), clBlack.Value), 0);
  // Dotted: about every other pixel of an edge is black; inside, nothing changes.
  for (const QImage& edge : {designed.copy(0, 0, 80, 1), designed.copy(0, 0, 1, 30)}) {
    const int black = kvtest::CountPixels(edge, clBlack.Value);
    EXPECT_GE(black, int(edge.width() + edge.height()) / 2 - 2);
    EXPECT_LT(black, int(edge.width() + edge.height()) - 1);
  }
  EXPECT_SAME_PIXELS(designed.copy(1, 1, c.Width() - 2, c.Height() - 2),
                     running.copy(1, 1, c.Width() - 2, c.Height() - 2));
}

TEST(Counter, ReferencePictures) {
  TKvCounter initial(nullptr);
  EXPECT_MATCHES_REFERENCE(Render(initial), "lib/counter-initial");
  TKvCounter stretched(nullptr);
  stretched.SetStretch(true);
  stretched.SetValue(4711);
  EXPECT_MATCHES_REFERENCE(Render(stretched), "lib/counter-stretch");
}
