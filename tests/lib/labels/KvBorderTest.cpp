#include "KvBorder.h"

#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

using kv::ColorToRGB, kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kBack = 0x406080;
constexpr int32_t kLime = 0x00FF00, kGreen = 0x008000;

QImage Render(TKvBorder& border) { return kvtest::RenderControl(&border, kBack); }

int CountOtherThan(const QImage& image, int32_t color) {
  return image.width() * image.height() - kvtest::CountPixels(image, color);
}

struct Expect {
  int x, y;
  int32_t color;
};

void ExpectColoursAt(const QImage& image, std::initializer_list<Expect> expected) {
  for (const Expect& e : expected)
    EXPECT_EQ(PixelAt(image, e.x, e.y), e.color) << "at " << e.x << "," << e.y;
}

constexpr TKvBorderShape kShapes[] = {TKvBorderShape::bsBox,      TKvBorderShape::bsFrame,
                                      TKvBorderShape::bsTopLine,  TKvBorderShape::bsBottomLine,
                                      TKvBorderShape::bsLeftLine, TKvBorderShape::bsRightLine,
                                      TKvBorderShape::bsSpacer};

}  // namespace

TEST(Border, InitialSettingsAndStreamingDefaults) {
  TKvBorder b(nullptr);
  EXPECT_EQ(b.BoundsRect(), Rect(0, 0, 50, 50));
  EXPECT_EQ(b.Shape(), TKvBorderShape::bsFrame);
  EXPECT_EQ(b.Style(), TKvBorderStyle::bsRaised);
  EXPECT_EQ(b.ShadowColor().Value, 32768);
  EXPECT_EQ(b.HighlightColor().Value, 65280);
  EXPECT_TRUE(b.ControlStyle().testFlag(TControlStyleFlag::csReplicatable));
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvBorder::staticMetaObject),
            (std::vector<QByteArray>{"Shape", "Style", "ShadowColor", "HighlightColor", "Align",
                                     "ParentShowHint", "ShowHint", "Visible"}));
  const auto defaults = kvtest::StreamingDefaults(TKvBorder::staticMetaObject);
  EXPECT_EQ(defaults.at("Shape"), "bsFrame");
  EXPECT_EQ(defaults.at("Style"), "bsRaised");
  EXPECT_EQ(defaults.at("ShadowColor"), "clGreen");
  EXPECT_EQ(defaults.at("HighlightColor"), "clLime");
}

TEST(Border, SettersRefuseUnknownValues) {
  TKvBorder b(nullptr);
  b.SetShape(TKvBorderShape(7));
  b.SetStyle(TKvBorderStyle(-1));
  EXPECT_EQ(b.Shape(), TKvBorderShape::bsFrame);
  EXPECT_EQ(b.Style(), TKvBorderStyle::bsRaised);
}

TEST(Border, RaisedFrameIsARidgeAndLoweredAGroove) {
  TKvBorder b(nullptr);
  const QImage raised = Render(b);
  // Light outside dark at the top and left, dark outside light at the bottom and right.
  ExpectColoursAt(raised, {{10, 0, kLime},
                           {10, 1, kGreen},
                           {0, 10, kLime},
                           {1, 10, kGreen},
                           {10, 48, kLime},
                           {10, 49, kGreen},
                           {48, 10, kLime},
                           {49, 10, kGreen},
                           {0, 0, kLime},
                           {49, 49, kGreen},
                           {48, 48, kLime},
                           {1, 1, kGreen},
                           {49, 0, kBack},
                           {0, 49, kBack},
                           {2, 2, kBack},
                           {25, 25, kBack}});
  // Two rings of 192 pixels that share two; everything else is left as it was.
  EXPECT_EQ(CountOtherThan(raised, kBack), 382);

  b.SetStyle(TKvBorderStyle::bsLowered);
  const QImage lowered = Render(b);
  ExpectColoursAt(lowered, {{10, 0, kGreen}, {10, 1, kLime}, {10, 48, kGreen}, {10, 49, kLime}});
}

TEST(Border, BoxCoversBothEdgesOfTheControl) {
  TKvBorder b(nullptr);
  b.SetShape(TKvBorderShape::bsBox);
  const QImage img = Render(b);
  ExpectColoursAt(img, {{0, 0, kLime},
                        {10, 0, kLime},
                        {48, 0, kLime},
                        {0, 49, kLime},
                        {0, 10, kLime},
                        {49, 0, kGreen},
                        {49, 10, kGreen},
                        {49, 49, kGreen},
                        {10, 49, kGreen},
                        {1, 1, kBack}});
  EXPECT_EQ(CountOtherThan(img, kBack), 4 * 49);
}

TEST(Border, LinesAlongOneEdge) {
  TKvBorder b(nullptr);
  b.SetShape(TKvBorderShape::bsTopLine);
  QImage img = Render(b);
  ExpectColoursAt(img,
                  {{0, 0, kLime}, {49, 0, kLime}, {0, 1, kGreen}, {49, 1, kGreen}, {10, 2, kBack}});
  EXPECT_EQ(CountOtherThan(img, kBack), 100);

  b.SetShape(TKvBorderShape::bsBottomLine);
  img = Render(b);
  ExpectColoursAt(img, {{0, 48, kLime}, {49, 48, kLime}, {0, 49, kGreen}, {10, 47, kBack}});
  EXPECT_EQ(CountOtherThan(img, kBack), 100);

  b.SetShape(TKvBorderShape::bsLeftLine);
  img = Render(b);
  ExpectColoursAt(img, {{0, 0, kLime}, {0, 49, kLime}, {1, 49, kGreen}, {2, 10, kBack}});
  EXPECT_EQ(CountOtherThan(img, kBack), 100);

  b.SetShape(TKvBorderShape::bsRightLine);
  img = Render(b);
  ExpectColoursAt(img, {{48, 0, kLime}, {48, 49, kLime}, {49, 0, kGreen}, {47, 10, kBack}});
  EXPECT_EQ(CountOtherThan(img, kBack), 100);
}

TEST(Border, SpacerDrawsNothingAtRunTime) {
  TKvBorder b(nullptr);
  b.SetShape(TKvBorderShape::bsSpacer);
  b.SetShadowColor(clRed);
  b.SetHighlightColor(clYellow);
  EXPECT_EQ(CountOtherThan(Render(b), kBack), 0);
}

struct DesignTimeBorder : TKvBorder {
  using TComponent::SetDesigning;
  using TKvBorder::TKvBorder;
};

TEST(Border, DesigningShowsASpacerAsAnInvertingDottedFrame) {
  DesignTimeBorder b(nullptr);
  b.SetShape(TKvBorderShape::bsSpacer);
  b.SetDesigning(true);
  const QImage img = Render(b);
  const int32_t inverted = kBack ^ 16767182;
  // The dots run 3 on, 3 off counter-clockwise from the top-right corner: pixel k of the
  // top edge from the right, then pixel k of the left edge from the top after the 49 of
  // the top edge.
  for (int k = 0; k < 49; ++k) {
    EXPECT_EQ(PixelAt(img, 49 - k, 0), k % 6 < 3 ? inverted : kBack) << "at " << 49 - k << ",0";
    EXPECT_EQ(PixelAt(img, 0, k), (49 + k) % 6 < 3 ? inverted : kBack) << "at 0," << k;
  }
  EXPECT_EQ(CountOtherThan(img, kBack), 99);  // 32 whole rhythms of 6 and 3 more round 196
  for (int y = 1; y < 49; ++y)
    for (int x = 1; x < 49; ++x) ASSERT_EQ(PixelAt(img, x, y), kBack) << "at " << x << "," << y;
}

TEST(Border, ChangingStyleSwapsTheColoursOfEveryShape) {
  TKvBorder b(nullptr);
  b.SetShadowColor(clRed);
  b.SetHighlightColor(clBlue);
  const int32_t red = ColorToRGB(clRed), blue = ColorToRGB(clBlue);
  for (TKvBorderShape shape : kShapes) {
    b.SetShape(shape);
    b.SetStyle(TKvBorderStyle::bsRaised);
    const QImage raised = Render(b);
    b.SetStyle(TKvBorderStyle::bsLowered);
    const QImage lowered = Render(b);
    EXPECT_TRUE(std::ranges::includes(std::set{kBack, red, blue}, kvtest::Colours(raised)))
        << "shape " << int(shape);
    EXPECT_SAME_PIXELS(lowered, kvtest::PictureOf(50, 50,
                                                  [&](int x, int y) {
                                                    const int32_t r = PixelAt(raised, x, y);
                                                    return r == red ? blue : r == blue ? red : r;
                                                  }))
        << "shape " << int(shape);
  }
}

TEST(Border, TinyAndEmptyBordersStayInside) {
  TKvBorder b(nullptr);
  for (TKvBorderShape shape : kShapes) {
    b.SetShape(shape);
    for (int size : {1, 2}) {
      b.SetBounds(0, 0, size, size);
      const QImage img = kvtest::RenderControl(&b, kBack, 2);
      EXPECT_EQ(PixelAt(img, 0, 0), kBack);
      EXPECT_EQ(PixelAt(img, 1 + 2 + size, 1 + 2 + size), kBack);
    }
  }
}

TEST(Border, ReferencePictures) {
  TKvBorder initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, kBack, 2),
                           QStringLiteral("lib/border-initial"));

  // The demo's frame around the panel area.
  TKvBorder demo(nullptr);
  demo.SetBounds(0, 0, 449, 325);
  demo.SetShadowColor(10446669);
  demo.SetHighlightColor(14267539);
  const QImage framed = kvtest::RenderControl(&demo, 7292981, 2);
  EXPECT_EQ(PixelAt(framed, 2 + 100, 2), 14267539);
  EXPECT_EQ(PixelAt(framed, 2 + 100, 3), 10446669);
  EXPECT_EQ(PixelAt(framed, 2 + 100, 2 + 324), 10446669);
  EXPECT_EQ(PixelAt(framed, 2 + 100, 2 + 323), 14267539);
  EXPECT_MATCHES_REFERENCE(framed, QStringLiteral("lib/border-demo"));

  // Every shape, raised above and lowered below.
  TForm form(nullptr);
  form.SetColor(kBack);
  int x = 2;
  for (TKvBorderShape shape : kShapes) {
    for (TKvBorderStyle style : {TKvBorderStyle::bsRaised, TKvBorderStyle::bsLowered}) {
      auto* b = new TKvBorder(&form);
      b->SetParent(&form);
      b->SetBounds(x, style == TKvBorderStyle::bsRaised ? 2 : 26, 20, 20);
      b->SetShape(shape);
      b->SetStyle(style);
      b->SetShadowColor(clNavy);
      b->SetHighlightColor(clYellow);
    }
    x += 24;
  }
  form.SetBounds(0, 0, x, 48);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderForm(&form), QStringLiteral("lib/border-shapes"));
}
