#include "KvPieGraph.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"
#include "RenderQuality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <optional>

namespace {

constexpr int32_t kPanelColor = 7292981;

// The pie on its own, over the panel colour.
QImage Render(TKvPieGraph& pie) { return kvtest::RenderControl(&pie, kPanelColor); }

QImage RenderValue(int value, int maxValue, int width = 135, int height = 75, int depth = 10) {
  TKvPieGraph pie(nullptr);
  pie.SetBounds(0, 0, width, height);
  pie.SetDepth(depth);
  pie.SetMaxValue(maxValue);
  pie.SetValue(value);
  return Render(pie);
}

// Every pixel of Color lies where Where says.
::testing::AssertionResult AllPixelsOf(const QImage& image, TColor color,
                                       const std::function<bool(int x, int y)>& where) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (kvtest::PixelAt(image, x, y) == color.Value && !where(x, y))
        return ::testing::AssertionFailure() << "stray pixel at (" << x << ", " << y << ")";
  return ::testing::AssertionSuccess();
}

int Count(const QImage& image, TColor color) { return kvtest::CountPixels(image, color.Value); }

// A control that paints a one-pixel black grid every other pixel.
class Grid : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;

protected:
  void Paint() override {
    TCanvas* c = Canvas();
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x)
        c->SetPixels(x, y, (x % 2 == 0 || y % 2 == 0) ? clBlack : clWhite);
  }
};

// The pie on its own over the panel colour, painted at a device scale, in image pixels.
QImage RenderAt(TKvPieGraph& pie, int scale) {
  QImage picture(pie.Width() * scale, pie.Height() * scale, QImage::Format_RGB32);
  picture.setDevicePixelRatio(scale);
  picture.fill(kv::ColorToPixel(TColor(kPanelColor)));
  pie.render(&picture);
  picture.setDevicePixelRatio(1);
  return picture;
}

// The pie drawn step by step on the panel colour at a device scale, its front shaded by
// flood fills on the picture itself: what the control must show wherever the outlines close.
// None where they do not, and the fills reach the top face.
std::optional<QImage> LiteralPie(int value, int maxValue, int w = 135, int h = 75, int d = 10,
                                 int scale = 1) {
  kvtest::Picture p(w, h, TColor(kPanelColor));
  p.bitmap.SetDeviceScale(scale);
  TCanvas* c = p.c;
  c->Brush()->SetColor(TColor(kPanelColor));
  c->FillRect(kv::Rect(0, 0, w, h));
  const int phi = int(std::nearbyint(double(value) * 360 / maxValue));
  const double theta = (270 - phi) * M_PI / 180;
  const int bx = int(std::trunc(std::sin(theta) * w * 0.5)) + w / 2;
  const int by = int(std::trunc(std::cos(theta) * (h - d) * 0.5)) + (h - d) / 2;
  const int cy = (h - d) / 2;
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clPurple);
  c->Pie(0, d, w, h, 0, (h + d) / 2, w, (h + d) / 2);
  c->Pen()->SetColor(clPurple);
  c->MoveTo(1, cy + d);
  c->LineTo(w - 2, cy + d);
  c->Pen()->SetColor(clBlack);
  c->MoveTo(0, cy);
  c->LineTo(0, cy + d);
  c->MoveTo(w - 1, cy);
  c->LineTo(w - 1, cy + d);
  if (by > cy) {
    c->MoveTo(bx, by);
    c->LineTo(bx, by + d);
  }
  c->Brush()->SetColor(clBlue);
  c->Pie(0, 0, w, h - d, bx, by, 0, cy);
  c->Brush()->SetColor(clFuchsia);
  c->Pie(0, 0, w, h - d, 0, cy, bx, by);
  const auto topFace = [&] { return Count(p.Image(), clBlue) + Count(p.Image(), clFuchsia); };
  const int top = topFace();
  if (by > cy) {
    c->Brush()->SetColor(clPurple);
    c->FloodFill(bx - 1, by + d / 2, clBlack, TFillStyle::fsBorder);
    c->Brush()->SetColor(clNavy);
    c->FloodFill(bx + 1, by + d / 2, clBlack, TFillStyle::fsBorder);
  } else {
    c->Brush()->SetColor(clPurple);
    c->FloodFill(w / 2, h - d / 2, clBlack, TFillStyle::fsBorder);
  }
  if (topFace() != top) return std::nullopt;
  QImage picture = p.Image().convertToFormat(QImage::Format_RGB32);
  picture.setDevicePixelRatio(1);
  return picture;
}

}  // namespace

// At scale 1 on a shown form, and in the device pixels of scales 2 and 3, drawn natively. At 1
// the outlines close for every value here; above it a rare edge line on the rim leaves a gap.
TEST(PieGraph, ClosedOutlinesShadeAsFillsOnThePicture) {
  for (const int scale : {1, 2, 3}) {
    SCOPED_TRACE(scale);
    int open = 0;
    const auto expectLiteral = [&](TKvPieGraph& pie, int value) {
      const std::optional<QImage> literal =
          LiteralPie(value, 100, pie.Width(), pie.Height(), pie.Depth(), scale);
      if (!literal) {
        ++open;
        return ::testing::AssertionSuccess();
      }
      return kvtest::SamePixels(scale == 1 ? Render(pie) : RenderAt(pie, scale), *literal);
    };
    // One control through every value, as the live frames draw them.
    TKvPieGraph pie(nullptr);
    pie.SetTransparent(true);
    for (int value = 1; value < 100; ++value) {
      pie.SetValue(value);
      ASSERT_TRUE(expectLiteral(pie, value)) << value;
    }
    // Larger and flatter pies, in steps and jumps that cross the front and the back: the
    // scratch layer is redrawn only where the boundary swept.
    struct Shape {
      int w, h, depth;
    };
    for (const Shape& shape : {Shape{300, 200, 30}, Shape{220, 40, 6}}) {
      TKvPieGraph other(nullptr);
      other.SetTransparent(true);
      other.SetBounds(0, 0, shape.w, shape.h);
      other.SetDepth(shape.depth);
      for (int value : {66, 67, 12, 13, 50, 51, 49, 90, 91, 30, 70, 99, 2}) {
        other.SetValue(value);
        ASSERT_TRUE(expectLiteral(other, value)) << shape.w << " " << value;
      }
    }
    EXPECT_LE(open, scale == 1 ? 0 : 2);
  }
}

TEST(PieGraph, StartsAsDesigned) {
  TKvPieGraph pie(nullptr);
  EXPECT_EQ(pie.Width(), 135);
  EXPECT_EQ(pie.Height(), 75);
  EXPECT_EQ(pie.MaxValue(), 100);
  EXPECT_EQ(pie.Value(), 80);
  EXPECT_EQ(pie.Depth(), 10);
  EXPECT_EQ(pie.Color(), clBtnFace);
  EXPECT_FALSE(pie.ParentColor());
  EXPECT_FALSE(pie.Transparent());
  EXPECT_TRUE(pie.ControlStyle().testFlag(TControlStyleFlag::csOpaque));
}

// ---------------------------------------------------------------------------
// Pictures

TEST(PieGraph, EightyOfHundredSplitsTheFrontAtTheEdgeLine) {
  const QImage shot = RenderValue(80, 100);
  for (int y = 62; y <= 71; ++y) EXPECT_EQ(kvtest::PixelAt(shot, 47, y), clBlack.Value) << y;
  EXPECT_EQ(kvtest::PixelAt(shot, 46, 66), clPurple.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 48, 66), clNavy.Value);
  // Below the boundary point the front is split at the edge line; above it the free side
  // reaches round the line's top.
  EXPECT_TRUE(AllPixelsOf(shot, clPurple, [](int x, int y) { return x < 47 || y < 62; }));
  EXPECT_TRUE(AllPixelsOf(shot, clNavy, [](int x, int y) { return x > 47 || y == 72; }));
  EXPECT_GT(Count(shot, clBlue), Count(shot, clFuchsia));
}

TEST(PieGraph, QuarterAndHalfLeaveTheFrontFree) {
  for (int value : {25, 50}) {
    const QImage shot = RenderValue(value, 100);
    EXPECT_EQ(Count(shot, clNavy), 0) << value;
    EXPECT_GT(Count(shot, clPurple), 0) << value;
    // No edge line: the middle of the front is shaded.
    EXPECT_EQ(kvtest::PixelAt(shot, 67, 69), clPurple.Value) << value;
  }
}

TEST(PieGraph, ThreeQuartersPutTheEdgeLineInTheMiddle) {
  const QImage shot = RenderValue(75, 100);
  EXPECT_EQ(kvtest::PixelAt(shot, 67, 69), clBlack.Value);
  EXPECT_TRUE(AllPixelsOf(shot, clPurple, [](int x, int y) { return x < 67 || y < 50; }));
  EXPECT_TRUE(AllPixelsOf(shot, clNavy, [](int x, int) { return x > 67; }));
}

TEST(PieGraph, AngleRoundsHalvesToEven) {
  // 5 of 720 is 2.5 degrees: 2, as 4 of 720; 6 of 720 is 3.
  EXPECT_SAME_PIXELS(RenderValue(5, 720, 400, 300), RenderValue(4, 720, 400, 300));
  EXPECT_FALSE(kvtest::SamePixels(RenderValue(5, 720, 400, 300), RenderValue(6, 720, 400, 300)));
}

TEST(PieGraph, References) {
  TKvPieGraph pie(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&pie, clWhite.Value), "lib/piegraph-initial");
  pie.SetTransparent(true);
  EXPECT_MATCHES_REFERENCE(Render(pie), "lib/piegraph-demo");
  for (int value : {25, 75, 100}) {
    pie.SetValue(value);
    EXPECT_MATCHES_REFERENCE(Render(pie), QStringLiteral("lib/piegraph-%1").arg(value));
  }
  pie.SetValue(80);
  pie.SetDepth(0);
  EXPECT_MATCHES_REFERENCE(Render(pie), "lib/piegraph-depth0");
}

// ---------------------------------------------------------------------------
// Values and events

TEST(PieGraph, ValueIsClampedAndChangesFireOnce) {
  TForm form(nullptr);
  form.SetColor(TColor(kPanelColor));
  auto* pie = new TKvPieGraph(&form);
  pie->SetParent(&form);
  kvtest::ShowForm(&form, 135, 75);
  int changes = 0;
  int32_t shownAtChange = 0;
  QObject::connect(pie, &TKvPieGraph::OnChange, [&](TObject*) {
    ++changes;
    shownAtChange = kvtest::PixelAt(&form, 100, 69);
  });
  pie->SetValue(0);
  EXPECT_EQ(pie->Value(), 1);
  pie->SetValue(-5);
  EXPECT_EQ(pie->Value(), 1);
  EXPECT_EQ(changes, 1);
  // The repaint is on screen before OnChange: the front right is free at 1 %.
  EXPECT_EQ(shownAtChange, clPurple.Value);
  pie->SetValue(150);
  EXPECT_EQ(pie->Value(), 100);
  EXPECT_EQ(changes, 2);
  pie->SetValue(150);
  EXPECT_EQ(changes, 2);

  pie->SetMaxValue(0);
  pie->SetMaxValue(-1);
  EXPECT_EQ(pie->MaxValue(), 100);
  pie->SetDepth(-1);
  EXPECT_EQ(pie->Depth(), 10);
}

TEST(PieGraph, ExtremeValuesAndDepthsPaint) {
  TKvPieGraph pie(nullptr);
  pie.SetMaxValue(INT_MAX);
  pie.SetValue(INT_MAX);
  pie.SetMaxValue(1);
  EXPECT_EQ(pie.Value(), INT_MAX);
  const QImage full = Render(pie);
  EXPECT_EQ(Count(full, clFuchsia), 0);
  EXPECT_GT(Count(full, clBlue), 0);
  // Deeper than the control: the side edges run through it, the faces lie outside.
  pie.SetDepth(INT_MAX);
  const QImage deep = Render(pie);
  EXPECT_EQ(kvtest::PixelAt(deep, 0, 37), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(deep, 134, 37), clBlack.Value);
}

// ---------------------------------------------------------------------------
// Full, empty and degenerate pies

TEST(PieGraph, FullPiesAreUsedAndEmptyOnesFree) {
  const QImage full = RenderValue(100, 100);
  EXPECT_EQ(Count(full, clFuchsia), 0);
  EXPECT_EQ(Count(full, clPurple), 0);
  EXPECT_GT(Count(full, clNavy), 0);
  const QImage empty = RenderValue(1, 1000);
  EXPECT_EQ(Count(empty, clBlue), 0);
  EXPECT_EQ(Count(empty, clNavy), 0);
  // The boundary falls onto the left end, or onto its ray from the centre.
  for (const QImage& shot : {RenderValue(997, 1000), RenderValue(97, 100, 20, 12, 3)}) {
    EXPECT_EQ(Count(shot, clFuchsia), 0);
    EXPECT_EQ(Count(shot, clPurple), 0);
    EXPECT_GT(Count(shot, clBlue), 0);
  }

  TKvPieGraph pie(nullptr);
  pie.SetMaxValue(50);
  EXPECT_EQ(pie.Value(), 80);
  EXPECT_SAME_PIXELS(Render(pie), RenderValue(100, 100));
}

// ---------------------------------------------------------------------------
// Shading

TEST(PieGraph, ShadingNeverLeavesTheFrontSide) {
  TKvPieGraph pie(nullptr);
  pie.SetTransparent(true);
  pie.SetDepth(65);
  const QImage deep = Render(pie);
  for (const QPoint corner : {QPoint(0, 0), QPoint(134, 0), QPoint(0, 74), QPoint(134, 74)})
    EXPECT_EQ(kvtest::PixelAt(deep, corner.x(), corner.y()), kPanelColor)
        << corner.x() << ", " << corner.y();

  for (int depth : {0, 1}) {
    const QImage flat = RenderValue(80, 100, 135, 75, depth);
    EXPECT_EQ(Count(flat, clPurple) + Count(flat, clNavy), 0) << depth;
  }
}

// Smooth, the side under the used wedge shows only blends of the used ink, its shadow, the
// outline and the panel, on every path the shading takes: an angle map, the fills of a pie too
// large for one, and the wedges drawn on the canvas for a pie too large to compose. The rim
// covers the pixels under it only in part, so they must hold the used shadow, not the base's
// free one (a trace of purple: red above green, beyond the rounding of the blends).
TEST(PieGraph, SmoothRimShowsTheUsedShadowUnderIt) {
  struct Shape {
    int w, h, depth, scale;
  };
  const kv::RenderQuality was = kv::GetRenderQuality();
  kv::SetRenderQuality(kv::RenderQuality::Smooth);
  for (const Shape& shape : {Shape{135, 75, 10, 1}, Shape{135, 75, 10, 2}, Shape{300, 200, 30, 1},
                             Shape{300, 200, 30, 2}, Shape{1100, 1000, 60, 1}}) {
    SCOPED_TRACE(std::to_string(shape.w) + "x" + std::to_string(shape.h) + " at " +
                 std::to_string(shape.scale));
    TKvPieGraph pie(nullptr);
    pie.SetTransparent(true);
    pie.SetBounds(0, 0, shape.w, shape.h);
    pie.SetDepth(shape.depth);
    pie.SetValue(80);  // used over the right of the front
    const QImage shot = RenderAt(pie, shape.scale);
    // From the top face's centre row to half the depth below its rim, short of the bottom rim.
    const double s = shape.scale, rx = shape.w / 2.0, ry = (shape.h - shape.depth) / 2.0;
    std::optional<QPoint> stray;
    for (int x = shape.w * 6 / 10 * shape.scale; x < (shape.w - 1) * shape.scale && !stray; ++x) {
      const double across = ((x + 0.5) / s - rx) / rx;
      const double rim = ry + ry * std::sqrt(std::max(0.0, 1 - across * across));
      for (int y = int(ry * s); y < int((rim + shape.depth / 2.0) * s) && !stray; ++y)
        if (qRed(shot.pixel(x, y)) > qGreen(shot.pixel(x, y)) + 3) stray = QPoint(x, y);
    }
    EXPECT_FALSE(stray) << "free shadow under the used wedge at (" << stray->x() << ", "
                        << stray->y() << "): " << std::hex << shot.pixel(*stray);
  }
  kv::SetRenderQuality(was);
}

// A pie too large for an angle map keeps the fills of its front side for the angle it
// shows: on a shown form, each value's own repaint (of what swept) and repaints of bands
// across the pie still show the pie the picture's own fills give, back at an earlier value
// too.
TEST(PieGraph, LargePieShownInPartsShadesAsFillsOnThePicture) {
  constexpr int kW = 300, kH = 200, kDepth = 30;
  TForm form(nullptr);
  form.SetColor(TColor(kPanelColor));
  auto* pie = new TKvPieGraph(&form);
  pie->SetParent(&form);
  pie->SetTransparent(true);
  pie->SetBounds(0, 0, kW, kH);
  pie->SetDepth(kDepth);
  kvtest::ShowForm(&form, kW, kH);
  for (int value : {66, 67, 66, 12, 50, 51, 90, 30, 99, 66}) {
    pie->SetValue(value);
    kvtest::Pump();
    const QImage expected = LiteralPie(value, 100, kW, kH, kDepth).value();
    ASSERT_SAME_PIXELS(kvtest::Grab(&form), expected) << value;
    for (int top = 0; top < kH; top += 23) pie->repaint(QRect(0, top, kW, 5));
    ASSERT_SAME_PIXELS(kvtest::Grab(&form), expected) << value << " in bands";
  }
}

TEST(PieGraph, ShadowColourEqualToTheOutlineStillShadesTheUsedSide) {
  TKvPieGraph pie(nullptr);
  pie.SetFreeShadowColor(clBlack);
  const QImage shot = Render(pie);
  for (int y = 64; y <= 70; ++y) EXPECT_EQ(kvtest::PixelAt(shot, 48, y), clNavy.Value) << y;
}

TEST(PieGraph, TransparentPieShadesOverAGrid) {
  TKvPieGraph opaque(nullptr);
  const QImage plain = Render(opaque);

  TForm form(nullptr);
  form.SetColor(clWhite);
  auto* grid = new Grid(&form);
  grid->SetParent(&form);
  grid->SetBounds(0, 0, 135, 75);
  auto* pie = new TKvPieGraph(&form);
  pie->SetParent(&form);
  pie->SetTransparent(true);
  kvtest::ShowForm(&form, 135, 75);
  const QImage shot = kvtest::Grab(&form);
  for (int y = 0; y < 75; ++y)
    for (int x = 0; x < 135; ++x) {
      const int32_t c = kvtest::PixelAt(plain, x, y);
      if (c == clNavy.Value || c == clPurple.Value) {
        ASSERT_EQ(kvtest::PixelAt(shot, x, y), c) << x << ", " << y;
      }
    }
}

// ---------------------------------------------------------------------------
// Descriptions

TEST(PieGraph, ValueBeforeMaxValueLoadsAsWritten) {
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object P: TKvPieGraph
    Value = 150
    MaxValue = 200
  end
  object Q: TKvPieGraph
    Value = 150
  end
end)",
                    QStringLiteral("pies.kvf"));
  auto* p = dynamic_cast<TKvPieGraph*>(form.FindComponent(QStringLiteral("P")));
  auto* q = dynamic_cast<TKvPieGraph*>(form.FindComponent(QStringLiteral("Q")));
  EXPECT_EQ(p->Value(), 150);
  EXPECT_EQ(q->Value(), 100);
  const QByteArray text = kv::WriteComponent(&form);
  EXPECT_LT(text.indexOf("MaxValue = 200"), text.indexOf("Value = 150"));
  TForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("copy.kvf"));
  EXPECT_EQ(dynamic_cast<TKvPieGraph*>(copy.FindComponent(QStringLiteral("P")))->Value(), 150);
}
