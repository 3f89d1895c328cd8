// The canvas at a device scale: the same drawing on a bitmap of scale 1 and of scale 2 or 3.
// What lies on whole pixels (axis-aligned lines, boxes, fills, dashes, copies) covers exactly
// the blocks of its 1x pixels; curves, slants and text are traced at the finer scale; a dashed
// rim is dashed as a line is.
#include "Pixels.h"
#include "RenderQuality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <limits>
#include <vector>

using kv::Rect;

namespace {

using Drawing = std::function<void(TCanvas*)>;

constexpr int kWidth = 40, kHeight = 30;

// The drawing on a white bitmap of the size at the scale; the image in image pixels.
QImage DrawnAt(int scale, const Drawing& draw) {
  TBitmap b;
  b.SetDeviceScale(scale);
  b.SetSize(kWidth, kHeight);
  b.Canvas()->FillRect(Rect(0, 0, kWidth, kHeight));  // a new canvas brush is solid white
  draw(b.Canvas());
  return b.Image();
}

// Each pixel of the picture as a Scale x Scale block.
QImage Enlarged(const QImage& image, int scale) {
  return kvtest::PictureOf(image.width() * scale, image.height() * scale,
                           [&](int x, int y) { return kvtest::PixelAt(image, x / scale, y / scale); });
}

struct Case {
  const char* Name;
  Drawing Draw;
};

// Drawings on whole canvas pixels, with the pen, brush and pattern settings that scale.
const std::vector<Case> kBlockCases = {
    {"horizontal line", [](TCanvas* c) { c->MoveTo(3, 5); c->LineTo(35, 5); }},
    {"vertical line, backwards", [](TCanvas* c) { c->MoveTo(7, 28); c->LineTo(7, 2); }},
    {"dotted line",
     [](TCanvas* c) {
       c->Pen()->SetStyle(TPenStyle::psDot);
       c->MoveTo(1, 9);
       c->LineTo(39, 9);
     }},
    {"rectangle",
     [](TCanvas* c) {
       c->Brush()->SetColor(clRed);
       c->Rectangle(4, 3, 30, 20);
     }},
    {"round rectangle with corners too small to round",
     [](TCanvas* c) {
       c->Brush()->SetColor(clLime);
       c->RoundRect(2, 2, 20, 12, 2, 8);
     }},
    {"fill and frame",
     [](TCanvas* c) {
       c->Brush()->SetColor(clBlue);
       c->FillRect(Rect(1, 1, 15, 9));
       c->Brush()->SetColor(clRed);
       c->FrameRect(Rect(10, 12, 38, 29));
     }},
    {"hatched fill",
     [](TCanvas* c) {
       c->Brush()->SetColor(clNavy);
       c->Brush()->SetStyle(TBrushStyle::bsDiagCross);
       c->FillRect(Rect(3, 3, 37, 27));
     }},
    {"pixels",
     [](TCanvas* c) {
       for (int i = 0; i < 12; ++i) c->SetPixels(3 * i, i, TColor(0x102030 * (i + 1)));
     }},
    {"clipped fill",
     [](TCanvas* c) {
       const TRegion clip = kv::CreateRectRgn(5, 5, 12, 25);
       c->SelectClipRgn(&clip);
       c->Brush()->SetColor(clPurple);
       c->FillRect(Rect(0, 0, kWidth, kHeight));
     }},
    {"focus rectangle", [](TCanvas* c) { c->DrawFocusRect(Rect(2, 2, 30, 20)); }},
};

// Drawings with slants, curves or text.
const std::vector<Case> kFinerCases = {
    {"slanted line", [](TCanvas* c) { c->MoveTo(2, 3); c->LineTo(37, 26); }},
    {"ellipse",
     [](TCanvas* c) {
       c->Brush()->SetColor(clYellow);
       c->Ellipse(3, 2, 36, 27);
     }},
    {"rounded rectangle",
     [](TCanvas* c) {
       c->Brush()->SetColor(clAqua);
       c->RoundRect(2, 2, 38, 28, 14, 12);
     }},
    {"wide slanted pen",
     [](TCanvas* c) {
       c->Pen()->SetWidth(3);
       c->MoveTo(4, 25);
       c->LineTo(34, 6);
     }},
    {"triangle",
     [](TCanvas* c) {
       c->Brush()->SetColor(clRed);
       const TPoint points[] = {{3, 27}, {20, 2}, {37, 20}};
       c->Polygon(points);
     }},
    {"pie", [](TCanvas* c) { c->Pie(2, 2, 38, 28, 38, 15, 20, 0); }},
    {"text",
     [](TCanvas* c) {
       kvtest::UseTextFont(c);
       c->TextOut(2, 4, QStringLiteral("Kg"));
     }},
};

TEST(CanvasDeviceScale, DrawingsOnWholePixelsCoverTheBlocksOfTheirPixels) {
  for (const Case& k : kBlockCases)
    for (const int scale : {2, 3}) {
      SCOPED_TRACE(std::string(k.Name) + " at scale " + std::to_string(scale));
      EXPECT_SAME_PIXELS(DrawnAt(scale, k.Draw), Enlarged(DrawnAt(1, k.Draw), scale));
    }
}

TEST(CanvasDeviceScale, CurvesSlantsAndTextAreTracedFinerWithinTheirPlace) {
  for (const Case& k : kFinerCases) {
    SCOPED_TRACE(k.Name);
    const QImage once = DrawnAt(1, k.Draw), twice = DrawnAt(2, k.Draw);
    EXPECT_GT(kvtest::MixedBlocks(twice, 2), 0) << "a picture of doubled pixels";
    // Each colour stays where the 1x drawing puts it, give or take one canvas pixel.
    for (const int32_t colour : kvtest::Colours(twice)) {
      const TRect fine = kvtest::InkBounds(twice, colour), coarse = kvtest::InkBounds(once, colour);
      if (colour == 0xFFFFFF) continue;
      EXPECT_NEAR(fine.Left, 2 * coarse.Left, 2) << std::hex << colour;
      EXPECT_NEAR(fine.Top, 2 * coarse.Top, 2) << std::hex << colour;
      EXPECT_NEAR(fine.Right, 2 * coarse.Right, 2) << std::hex << colour;
      EXPECT_NEAR(fine.Bottom, 2 * coarse.Bottom, 2) << std::hex << colour;
    }
  }
}

TEST(CanvasDeviceScale, AOnePixelLineIsScalePixelsWideAndTextTwiceAsTall) {
  const QImage line = DrawnAt(2, [](TCanvas* c) { c->MoveTo(5, 10); c->LineTo(30, 10); });
  EXPECT_EQ(kvtest::InkBounds(line, 0), (TRect{10, 20, 60, 22}));
  const Drawing text = [](TCanvas* c) {
    kvtest::UseTextFont(c);
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->TextOut(2, 2, QStringLiteral("Hx"));
  };
  const int once = kvtest::InkBounds(DrawnAt(1, text), 0).Height();
  const int twice = kvtest::InkBounds(DrawnAt(2, text), 0).Height();
  EXPECT_NEAR(twice, 2 * once, 2);
}

TEST(CanvasDeviceScale, PixelsClipAndMeasuresStayInCanvasPixels) {
  TBitmap b;
  b.SetDeviceScale(2);
  b.SetSize(10, 8);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Image().size(), QSize(20, 16));
  TCanvas* c = b.Canvas();
  EXPECT_EQ(c->DeviceScale(), 2);
  EXPECT_EQ(c->ClipRect(), (TRect{0, 0, 10, 8}));
  c->SetPixels(9, 7, clRed);
  EXPECT_EQ(c->Pixels(9, 7), clRed);
  EXPECT_EQ(c->Pixels(10, 7), TColor(-1));
  const TRegion clip = kv::CreateRectRgn(2, 3, 5, 9);
  c->SelectClipRgn(&clip);
  EXPECT_EQ(c->ClipRect(), (TRect{2, 3, 5, 8}));
  // Text is measured in canvas pixels whatever the scale.
  TBitmap plain;
  plain.SetSize(10, 8);
  kvtest::UseTextFont(c);
  kvtest::UseTextFont(plain.Canvas());
  EXPECT_EQ(c->TextExtent(QStringLiteral("Scale")), plain.Canvas()->TextExtent(QStringLiteral("Scale")));
  // A new scale keeps the size and starts black; loading an image is at scale 1.
  c->SelectClipRgn(nullptr);
  b.SetDeviceScale(3);
  EXPECT_EQ(b.Image().size(), QSize(30, 24));
  EXPECT_EQ(c->DeviceScale(), 3);
  EXPECT_EQ(c->Pixels(9, 7), clBlack);
  b.SetImage(QImage(4, 4, QImage::Format_RGB32));
  EXPECT_EQ(b.DeviceScale(), 1);
  EXPECT_EQ(c->DeviceScale(), 1);
  EXPECT_EQ(b.Width(), 4);
  // A canvas made while the bitmap was empty draws at the scale it gets before its size.
  TBitmap late;
  late.Canvas();
  late.SetDeviceScale(2);
  late.SetSize(4, 4);
  EXPECT_EQ(late.Canvas()->DeviceScale(), 2);
  late.Canvas()->SetPixels(3, 3, clRed);
  EXPECT_EQ(kvtest::PixelAt(late.Image(), 7, 7), 0x0000FF);
}

TEST(CanvasDeviceScale, CopiesMapEachSideByItsOwnScale) {
  const Drawing art = [](TCanvas* c) {
    c->Brush()->SetColor(clRed);
    c->Ellipse(0, 0, 12, 9);
  };
  TBitmap fine, coarse;
  for (auto [bitmap, scale] : {std::pair{&fine, 2}, std::pair{&coarse, 1}}) {
    bitmap->SetDeviceScale(scale);
    bitmap->SetSize(12, 9);
    bitmap->Canvas()->FillRect(Rect(0, 0, 12, 9));
    art(bitmap->Canvas());
  }
  // At the same scale a copy is one to one; a 1x bitmap on a 2x canvas is its pixels as blocks.
  const QImage same = DrawnAt(2, [&](TCanvas* c) { c->Draw(0, 0, &fine); });
  EXPECT_SAME_PIXELS(same.copy(0, 0, 24, 18), fine.Image());
  const QImage blocks = DrawnAt(2, [&](TCanvas* c) { c->Draw(0, 0, &coarse); });
  EXPECT_SAME_PIXELS(blocks.copy(0, 0, 24, 18), Enlarged(coarse.Image(), 2));
  // CopyRect between canvases of different scales keeps canvas coordinates.
  const QImage down = DrawnAt(1, [&](TCanvas* c) {
    c->CopyRect(Rect(5, 5, 17, 14), fine.Canvas(), Rect(0, 0, 12, 9));
  });
  EXPECT_EQ(kvtest::InkBounds(down, 0), (TRect{5, 5, 17, 14}));  // the ellipse's rim
  EXPECT_EQ(kvtest::PixelAt(down, 11, 9), 0x0000FF);
  EXPECT_EQ(kvtest::PixelAt(down, 5, 5), 0xFFFFFF);
}

// A mask region is in bitmap pixels at every scale: a finer mask of the same picture gives
// the 1x region (a shaped window keeps its outline in logical pixels).
TEST(CanvasDeviceScale, AMaskRegionIsInBitmapPixelsAtEveryScale) {
  const Drawing art = [](TCanvas* c) {
    c->Brush()->SetColor(clBlack);
    c->Pen()->SetColor(clBlack);
    c->Ellipse(3, 2, 30, 25);
  };
  TBitmap one;
  one.SetSize(kWidth, kHeight);
  one.Canvas()->FillRect(Rect(0, 0, kWidth, kHeight));
  art(one.Canvas());
  const TRegion expected = kv::MaskRegion(one, clWhite);
  ASSERT_FALSE(expected.IsEmpty());
  for (const int scale : {2, 3}) {
    TBitmap fine;
    fine.SetDeviceScale(scale);
    fine.SetSize(kWidth, kHeight);
    fine.Canvas()->CopyRect(Rect(0, 0, kWidth, kHeight), one.Canvas(), Rect(0, 0, kWidth, kHeight));
    EXPECT_EQ(kv::MaskRegion(fine, clWhite).ToQRegion(), expected.ToQRegion()) << scale;
  }
}

TEST(CanvasDeviceScale, ScaleOfARatioIsTheNextWholeNumberWithinItsCap) {
  const std::pair<double, int> table[] = {
      {1.0, 1}, {0.5, 1}, {1.25, 2}, {1.5, 2}, {1.75, 2}, {2.0, 2}, {2.5, 3}, {3.0, 3},
      {8.0, kv::kMaxDeviceScale}, {std::numeric_limits<double>::quiet_NaN(), 1}};
  for (const auto& [ratio, scale] : table) EXPECT_EQ(kv::DeviceScaleOf(ratio), scale) << ratio;
}

// Paths whose pieces overlap at scale 2 and 3 (corners, crossings, slants that step, curves),
// drawn with the canvas's pen and brush.
const std::vector<Case> kPaths = {
    {"frame of four lines",
     [](TCanvas* c) {
       const TPoint points[] = {{3, 3}, {35, 3}, {35, 25}, {3, 25}, {3, 3}};
       c->Polyline(points);
     }},
    {"zigzag crossing itself",
     [](TCanvas* c) {
       const TPoint points[] = {{2, 2}, {37, 27}, {37, 2}, {2, 27}, {20, 1}};
       c->Polyline(points);
     }},
    {"shallow slants both ways",
     [](TCanvas* c) {
       const TPoint points[] = {{1, 10}, {38, 14}, {2, 17}};
       c->Polyline(points);
     }},
    {"dashed backwards lines",
     [](TCanvas* c) {
       c->Pen()->SetStyle(TPenStyle::psDashDot);
       const TPoint points[] = {{38, 20}, {1, 20}, {1, 2}, {30, 9}};
       c->Polyline(points);
     }},
    {"clipped lines",
     [](TCanvas* c) {
       const TRegion clip = kv::CreateRectRgn(6, 4, 30, 22);
       c->SelectClipRgn(&clip);
       const TPoint points[] = {{0, 0}, {39, 29}, {39, 12}, {0, 12}};
       c->Polyline(points);
     }},
    {"polygon", [](TCanvas* c) {
       const TPoint points[] = {{3, 27}, {20, 2}, {37, 20}, {10, 14}};
       c->Polygon(points);
     }},
    {"pie", [](TCanvas* c) { c->Pie(2, 2, 38, 28, 38, 15, 20, 0); }},
    {"round rectangle", [](TCanvas* c) { c->RoundRect(4, 3, 36, 27, 20, 14); }},
    {"dashed rectangle",
     [](TCanvas* c) {
       c->Pen()->SetStyle(TPenStyle::psDash);
       c->Rectangle(3, 4, 31, 26);
     }},
    {"dotted ellipse",
     [](TCanvas* c) {
       c->Pen()->SetStyle(TPenStyle::psDot);
       c->Ellipse(2, 2, 38, 28);
     }},
};

// A pen that copies its colour goes straight into the rows; one that masks the same colour in,
// or flips white to black, goes through the united pixels. On white all three paint the same
// picture: a pixel of one call flipped twice would show white.
TEST(CanvasDeviceScale, EveryModePaintsTheSamePixelsOnce) {
  struct Mode {
    TPenMode Mode;
    TColor Pen;
    bool Brush;  // a flip of the interior differs from a copy, so flipping pens draw no brush
  };
  const Mode kModes[] = {{TPenMode::pmMask, clBlack, true}, {TPenMode::pmXor, clWhite, false}};
  for (const Case& k : kPaths)
    for (const int scale : {2, 3})
      for (const Mode& m : kModes) {
        SCOPED_TRACE(std::string(k.Name) + " at scale " + std::to_string(scale) + ", mode " +
                     std::to_string(int(m.Mode)));
        const auto with = [&](TPenMode mode, TColor pen) {
          return DrawnAt(scale, [&](TCanvas* c) {
            c->Pen()->SetMode(mode);
            c->Pen()->SetColor(pen);
            c->Brush()->SetColor(clRed);
            if (!m.Brush) c->Brush()->SetStyle(TBrushStyle::bsClear);
            k.Draw(c);
          });
        };
        EXPECT_SAME_PIXELS(with(m.Mode, m.Pen), with(TPenMode::pmCopy, clBlack));
      }
}

// Shapes with a rim of every dashed style.
const TPenStyle kDashes[] = {TPenStyle::psDash, TPenStyle::psDot, TPenStyle::psDashDot,
                             TPenStyle::psDashDotDot};

Drawing WithDashes(TPenStyle style, const Drawing& shape) {
  return [=](TCanvas* c) {
    c->Pen()->SetStyle(style);
    c->Brush()->SetColor(clYellow);
    shape(c);
  };
}

TEST(CanvasDeviceScale, ADashedRectangleIsItsPixelsAsBlocks) {
  for (const TPenStyle style : kDashes)
    for (const int scale : {2, 3}) {
      SCOPED_TRACE("style " + std::to_string(int(style)) + " at scale " + std::to_string(scale));
      const Drawing rectangle = WithDashes(style, [](TCanvas* c) { c->Rectangle(3, 2, 37, 27); });
      EXPECT_SAME_PIXELS(DrawnAt(scale, rectangle), Enlarged(DrawnAt(1, rectangle), scale));
    }
}

TEST(CanvasDeviceScale, ADashedCurvedRimIsDashedInPlaceAndTracedFiner) {
  const Case kShapes[] = {
      {"ellipse", [](TCanvas* c) { c->Ellipse(3, 2, 37, 28); }},
      {"rounded rectangle", [](TCanvas* c) { c->RoundRect(2, 3, 38, 27, 16, 12); }},
  };
  for (const Case& shape : kShapes)
    for (const TPenStyle style : kDashes)
      for (const int scale : {2, 3}) {
        SCOPED_TRACE(std::string(shape.Name) + ", style " + std::to_string(int(style)) +
                     " at scale " + std::to_string(scale));
        const QImage dashed = DrawnAt(scale, WithDashes(style, shape.Draw));
        const QImage solid = DrawnAt(scale, WithDashes(TPenStyle::psSolid, shape.Draw));
        // Gaps between the dashes: less of the rim inked than a solid pen inks.
        const int rim = kvtest::CountPixels(solid, 0), inked = kvtest::CountPixels(dashed, 0);
        EXPECT_GT(inked, rim / 3);
        EXPECT_LT(inked, rim);
        EXPECT_GT(kvtest::MixedBlocks(dashed, scale), 0) << "a picture of enlarged pixels";
        // On the rim, give or take a surface pixel, and the brush within the rim's box.
        const TRect inkBox = kvtest::InkBounds(dashed, 0), rimBox = kvtest::InkBounds(solid, 0);
        EXPECT_NEAR(inkBox.Left, rimBox.Left, 1);
        EXPECT_NEAR(inkBox.Top, rimBox.Top, 1);
        EXPECT_NEAR(inkBox.Right, rimBox.Right, 1);
        EXPECT_NEAR(inkBox.Bottom, rimBox.Bottom, 1);
        const TRect brushBox = kvtest::InkBounds(dashed, 0x00FFFF);
        EXPECT_TRUE(brushBox.Left >= rimBox.Left && brushBox.Top >= rimBox.Top &&
                    brushBox.Right <= rimBox.Right && brushBox.Bottom <= rimBox.Bottom);
      }
}

}  // namespace

namespace {

// The columns of a picture holding ink (any colour but white).
std::vector<bool> InkedColumns(const QImage& image) {
  std::vector<bool> inked(size_t(image.width()), false);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (kvtest::PixelAt(image, x, y) != 0xFFFFFF) inked[size_t(x)] = true;
  return inked;
}

// From the first inked column to the last, and the widest run of columns without ink
// between them.
struct InkSpan {
  int Width = 0, WidestGap = 0;
};

InkSpan InkSpanOf(const QImage& image) {
  const std::vector<bool> inked = InkedColumns(image);
  InkSpan span;
  int first = -1, run = 0;
  for (int x = 0; x < int(inked.size()); ++x) {
    if (!inked[size_t(x)]) {
      ++run;
      continue;
    }
    if (first < 0) first = x;
    else span.WidestGap = std::max(span.WidestGap, run);
    span.Width = x - first + 1;
    run = 0;
  }
  return span;
}

}  // namespace

// Above scale 1 glyphs are set at the finer size from their own advances, and the text keeps
// the width measured in canvas pixels: a glyph narrower at the finer size than its scaled
// advance leaves no gap beside it ("Pow er"), classic and smooth.
TEST(CanvasDeviceScale, TextAtAFinerScaleLeavesNoWiderGapsThanAtOne) {
  const QString words[] = {QStringLiteral("TKvPowerButton"), QStringLiteral("Switches"),
                           QStringLiteral("www.wave"), QStringLiteral("Kelvara")};
  struct BackToClassic {
    ~BackToClassic() { kv::SetRenderQuality(kv::RenderQuality::Classic); }
  } const back;
  for (const kv::RenderQuality quality : {kv::RenderQuality::Classic, kv::RenderQuality::Smooth}) {
    kv::SetRenderQuality(quality);
    for (const QString& word : words)
      for (const int scale : {2, 3}) {
        SCOPED_TRACE(word.toStdString() + " at " + std::to_string(scale) +
                     (quality == kv::RenderQuality::Smooth ? ", smooth" : ""));
        const auto drawn = [&](int s) {
          TBitmap b;
          b.SetDeviceScale(s);
          b.SetSize(120, 20);
          b.Canvas()->FillRect(Rect(0, 0, 120, 20));
          b.Canvas()->Brush()->SetStyle(TBrushStyle::bsClear);
          b.Canvas()->TextOut(2, 2, word);
          return b.Image();
        };
        const InkSpan once = InkSpanOf(drawn(1)), finer = InkSpanOf(drawn(scale));
        EXPECT_LE(finer.WidestGap, scale * (once.WidestGap + 1));
        EXPECT_NEAR(finer.Width, scale * once.Width, 2 * scale);
      }
  }
}
