// The canvas at the smooth quality: every call it takes over draws blended edges inside the
// clip, keeps the classic pixels where edges are straight and along fills, and leaves raster
// modes, masks and the classic scope to the classic path.
#include "Graphics.h"
#include "GraphicsSmooth.h"
#include "PixelFill.h"
#include "Pixels.h"
#include "RenderQuality.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <optional>
#include <set>
#include <vector>

using kv::RenderQuality;

namespace {

class Quality {
public:
  explicit Quality(RenderQuality quality) : FWas(kv::GetRenderQuality()) {
    kv::SetRenderQuality(quality);
  }
  ~Quality() { kv::SetRenderQuality(FWas); }
  Quality(const Quality&) = delete;
  Quality& operator=(const Quality&) = delete;

private:
  RenderQuality FWas;
};

struct Call {
  const char* name;
  std::function<void(TCanvas*)> draw;
};

const std::vector<Call>& SmoothCalls() {
  static const std::vector<Call> calls = {
      {"line",
       [](TCanvas* c) {
         c->MoveTo(3, 5);
         c->LineTo(37, 28);
       }},
      {"polyline",
       [](TCanvas* c) {
         const TPoint p[] = {{2, 30}, {20, 3}, {38, 25}};
         c->Polyline(p);
       }},
      {"polygon",
       [](TCanvas* c) {
         const TPoint p[] = {{3, 28}, {18, 2}, {37, 20}, {25, 30}};
         c->Polygon(p);
       }},
      {"ellipse", [](TCanvas* c) { c->Ellipse(4, 6, 36, 30); }},
      {"round rectangle", [](TCanvas* c) { c->RoundRect(3, 3, 37, 29, 14, 10); }},
      {"pie", [](TCanvas* c) { c->Pie(2, 2, 38, 30, 38, 16, 20, 2); }},
      {"text",
       [](TCanvas* c) {
         kvtest::UseTextFont(c);
         c->Font()->SetColor(clRed);
         c->TextOut(2, 6, QStringLiteral("Kelv"));
       }},
  };
  return calls;
}

// A red pen of Width and a blue brush on a white picture, origin Origin.
QImage Drawn(const Call& call, RenderQuality quality, int width = 1,
             const std::function<void(TCanvas*)>& setUp = {}) {
  const Quality q(quality);
  kvtest::Picture picture(40, 32);
  TCanvas* c = picture.bitmap.Canvas();
  c->Pen()->SetColor(clRed);
  c->Pen()->SetWidth(width);
  c->Brush()->SetColor(clBlue);
  if (setUp) setUp(c);
  call.draw(c);
  return picture.Image();
}

// Colours other than the pen's, the brush's and the background's: blended edges.
int BlendedPixels(const QImage& image) {
  const std::set<int32_t> plain = {clRed.Value, clBlue.Value, clWhite.Value};
  int n = 0;
  for (int32_t colour : kvtest::Colours(image))
    if (!plain.contains(colour)) n += kvtest::CountPixels(image, colour);
  return n;
}

}  // namespace

TEST(CanvasSmooth, EveryCallBlendsItsEdgesOnlyWhenSmooth) {
  for (const Call& call : SmoothCalls()) {
    SCOPED_TRACE(call.name);
    EXPECT_EQ(BlendedPixels(Drawn(call, RenderQuality::Classic)), 0);
    EXPECT_GT(BlendedPixels(Drawn(call, RenderQuality::Smooth)), 0);
    EXPECT_GT(BlendedPixels(Drawn(call, RenderQuality::Smooth, 3)), 0);
  }
}

TEST(CanvasSmooth, NothingLeavesTheClip) {
  // Two rectangles, so that the clip is a region, not its bounding box.
  const TRegion left = kv::CreateRectRgn(0, 0, 14, 32), right = kv::CreateRectRgn(26, 8, 40, 20);
  TRegion clip;
  kv::CombineRgn(clip, left, right, kv::RGN_OR);
  for (const Call& call : SmoothCalls())
    for (const int width : {1, 3}) {
      SCOPED_TRACE(std::string(call.name) + ", pen " + std::to_string(width));
      const QImage image =
          Drawn(call, RenderQuality::Smooth, width, [&](TCanvas* c) { c->SelectClipRgn(&clip); });
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
          if (!clip.Contains(x, y)) {
            ASSERT_EQ(kvtest::PixelAt(image, x, y), clWhite.Value) << x << ", " << y;
          }
      EXPECT_GT(BlendedPixels(image), 0);
    }
}

// Segments are drawn with the canvas origin off the surface's corner.
const QPoint kSegmentOrigin(3, 5);

std::string SegmentName(const TPoint& from, const TPoint& to, int scale) {
  return std::to_string(from.X) + "," + std::to_string(from.Y) + " to " + std::to_string(to.X) +
         "," + std::to_string(to.Y) + " at " + std::to_string(scale);
}

QImage WhiteSurface(int scale) {
  QImage surface(40 * scale + 6, 32 * scale + 8, QImage::Format_RGB32);
  surface.fill(Qt::white);
  return surface;
}

// The segment the canvas draws in red with a pen of Width at Scale, inside Clip when given, in
// device pixels.
QImage DrawnSegment(const TPoint& from, const TPoint& to, int scale, int width,
                    const TRegion* clip = nullptr) {
  QImage drawn = WhiteSurface(scale);
  drawn.setDevicePixelRatio(scale);
  TCanvas c;
  c.Attach(&drawn, kSegmentOrigin);
  if (clip) c.SelectClipRgn(clip);
  c.Pen()->SetColor(clRed);
  c.Pen()->SetWidth(width);
  c.MoveTo(from.X, from.Y);
  c.LineTo(to.X, to.Y);
  c.Detach();
  drawn.setDevicePixelRatio(1);
  return drawn;
}

// A painter's red fill of Pen's stroke of Path in canvas coordinates at Scale, inside Clip
// when it is not empty, in device pixels.
QImage PainterStroke(const QPainterPath& path, const QPen& pen, int scale, QRect clip = {}) {
  QImage stroked = WhiteSurface(scale);
  QPainter painter(&stroked);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(kSegmentOrigin);
  painter.scale(scale, scale);
  if (!clip.isEmpty()) painter.setClipRect(clip);
  painter.fillPath(QPainterPathStroker(pen).createStroke(path), Qt::red);
  return stroked;
}

// A segment is the band of its pen as a painter strokes it, in every direction, at every
// device scale, at an origin off the surface's corner, with ends off the surface and inside a
// clip that cuts it. A thin one is one canvas pixel wide from the first pixel's near edge to
// the last pixel's, with flat ends, each pixel taking the share of it the band covers (within
// a few levels); a wide one is round-capped through the pixel centres, pixel for pixel, one
// along an axis however long.
TEST(CanvasSmooth, SegmentsCoverAsTheirBandStroked) {
  const Quality q(RenderQuality::Smooth);
  const std::pair<TPoint, TPoint> segments[] = {
      {{3, 5}, {37, 28}},     {{30, 2}, {6, 29}},   {{4, 4}, {5, 28}},   {{36, 7}, {2, 8}},
      {{5, 25}, {30, 0}},     {{10, 10}, {11, 11}}, {{20, 3}, {19, 4}},  {{7, 30}, {8, 20}},
      {{-20, -15}, {60, 45}}, {{20, 2}, {20, 29}},  {{20, 29}, {20, 2}}, {{2, 15}, {37, 15}},
      {{37, 16}, {2, 16}},    {{9, 12}, {9, 17}},   {{5, -30}, {5, 20}}, {{-9, 7}, {60, 7}},
  };
  const QRect clip(10, 9, 30, 23);
  const TRegion region =
      kv::CreateRectRgn(clip.left(), clip.top(), clip.right() + 1, clip.bottom() + 1);
  for (const int scale : {1, 2, 3})
    for (const int width : {1, 2, 3, 6, 9})
      for (const bool clipped : {false, true})
        for (const auto& [from, to] : segments) {
          // A thin line along an axis is the classic one, whole pixels to the end point's.
          if (width == 1 && (from.X == to.X || from.Y == to.Y)) continue;
          SCOPED_TRACE(SegmentName(from, to, scale) + ", pen " + std::to_string(width) +
                       (clipped ? ", clipped" : ""));
          const double centre = width % 2 ? 0.5 : 0;
          QPointF a(from.X + centre, from.Y + centre), b(to.X + centre, to.Y + centre);
          QPen pen(Qt::red, width);
          pen.setCapStyle(width == 1 ? Qt::FlatCap : Qt::RoundCap);
          pen.setJoinStyle(Qt::RoundJoin);
          if (width == 1) {
            const QPointF back = (b - a) * (0.5 / std::hypot(b.x() - a.x(), b.y() - a.y()));
            a -= back;
            b -= back;
          }
          QPainterPath band(a);
          band.lineTo(b);
          EXPECT_TRUE(
              kvtest::SamePixels(DrawnSegment(from, to, scale, width, clipped ? &region : nullptr),
                                 PainterStroke(band, pen, scale, clipped ? clip : QRect()),
                                 width == 1 ? 6 : 0));
        }
}

// The one coverage blend (the thin line's, the composed pie faces'): every channel is the
// colour's share plus the pixel's rest, each rounded to the nearest level, and the result is
// opaque. Each channel meets every pair of levels beside other levels in the next channels
// (red and blue share a word: a carry out of one would show in the other).
TEST(CanvasSmooth, CoverPixelRoundsEachChannelOnItsOwn) {
  const auto channel = [](uint32_t over, uint32_t under, uint32_t share) {
    return uint32_t(std::lround(double(over) * share / 255) +
                    std::lround(double(under) * (255 - share) / 255));
  };
  int wrong = 0;
  for (uint32_t share = 0; share <= 255; ++share)
    for (uint32_t over = 0; over <= 255; ++over)
      for (uint32_t under = 0; under <= 255; ++under) {
        const uint32_t colour = over | (255 - over) << 8 | under << 16;
        const uint32_t pixel = under | (255 - under) << 8 | over << 16;
        const uint32_t expected = 0xFF000000u | channel(over, under, share) |
                                  channel(255 - over, 255 - under, share) << 8 |
                                  channel(under, over, share) << 16;
        wrong += kv::CoverPixel(pixel, colour, share) != expected;
      }
  EXPECT_EQ(wrong, 0);
}

TEST(CanvasSmooth, RasterModesMasksAndTheClassicScopeDrawClassic) {
  const std::vector<std::pair<const char*, std::function<void(TCanvas*)>>> classicCases = {
      {"xor pen", [](TCanvas* c) { c->Pen()->SetMode(TPenMode::pmXor); }},
      {"not pen", [](TCanvas* c) { c->Pen()->SetMode(TPenMode::pmNot); }},
  };
  for (const Call& call : SmoothCalls()) {
    for (const auto& [name, setUp] : classicCases) {
      SCOPED_TRACE(std::string(call.name) + ", " + name);
      // Text has no pen mode: only shapes and lines.
      if (std::string(call.name) == "text") continue;
      EXPECT_SAME_PIXELS(Drawn(call, RenderQuality::Smooth, 1, setUp),
                         Drawn(call, RenderQuality::Classic, 1, setUp));
    }
    SCOPED_TRACE(call.name);
    const auto onMask = [&](RenderQuality quality) {
      const Quality q(quality);
      kvtest::Picture mask(40, 32);
      mask.bitmap.SetMonochrome(true);
      call.draw(mask.bitmap.Canvas());
      return mask.Image();
    };
    EXPECT_SAME_PIXELS(onMask(RenderQuality::Smooth), onMask(RenderQuality::Classic));
    const QImage scoped = [&] {
      const Quality q(RenderQuality::Smooth);
      const kv::ClassicRendering classic;
      EXPECT_FALSE(kv::RendersSmooth());
      return Drawn(call, RenderQuality::Smooth);
    }();
    EXPECT_SAME_PIXELS(scoped, Drawn(call, RenderQuality::Classic));
  }
}

// A one-pixel line along an axis, and a path of such lines, covers the classic pixels; so do
// rectangles, frames and fills, which stay classic.
TEST(CanvasSmooth, StraightEdgesAndFillsKeepTheirPixels) {
  const std::vector<Call> exact = {
      {"lines",
       [](TCanvas* c) {
         c->MoveTo(2, 3);
         c->LineTo(30, 3);
         c->LineTo(30, 25);
         c->MoveTo(35, 30);
         c->LineTo(4, 30);
       }},
      {"right-angled polyline",
       [](TCanvas* c) {
         const TPoint p[] = {{2, 2}, {20, 2}, {20, 20}, {5, 20}, {5, 10}};
         c->Polyline(p);
       }},
      {"rectangle", [](TCanvas* c) { c->Rectangle(3, 4, 30, 25); }},
      {"small round rectangle", [](TCanvas* c) { c->RoundRect(3, 4, 30, 25, 2, 2); }},
      {"fill and frame",
       [](TCanvas* c) {
         c->FillRect({2, 2, 20, 20});
         c->FrameRect({10, 10, 38, 30});
       }},
      {"axis-aligned polygon",
       [](TCanvas* c) {
         const TPoint p[] = {{3, 3}, {30, 3}, {30, 25}, {3, 25}};
         c->Polygon(p);
       }},
  };
  for (const Call& call : exact) {
    SCOPED_TRACE(call.name);
    EXPECT_SAME_PIXELS(Drawn(call, RenderQuality::Smooth), Drawn(call, RenderQuality::Classic));
  }
}

// Inside a shape, well away from its outline, every brush paints as the classic one: solid,
// each hatch (at the canvas origin, here off the surface's corner) and a pattern picture.
TEST(CanvasSmooth, BrushesInsideShapesAsClassic) {
  kvtest::Picture pattern(5, 3, clYellow);
  pattern.bitmap.Canvas()->SetPixels(1, 1, clNavy);
  std::vector<std::pair<std::string, std::function<void(TBrush*)>>> brushes = {
      {"solid", [](TBrush*) {}},
      {"pattern", [&](TBrush* b) { b->SetBitmap(&pattern.bitmap); }},
  };
  for (int s = int(TBrushStyle::bsHorizontal); s <= int(TBrushStyle::bsDiagCross); ++s)
    brushes.push_back({"hatch " + std::to_string(s), [s](TBrush* b) { b->SetStyle(TBrushStyle(s)); }});
  for (const auto& [name, setUpBrush] : brushes) {
    SCOPED_TRACE(name);
    const auto& setUp = setUpBrush;  // a lambda cannot capture a structured binding everywhere
    const auto drawn = [&](RenderQuality quality) {
      const Quality q(quality);
      QImage surface(48, 40, QImage::Format_RGB32);
      surface.fill(Qt::white);
      TCanvas c;
      c.Attach(&surface, QPoint(3, 5));
      c.Brush()->SetColor(clBlue);
      setUp(c.Brush());
      c.Ellipse(0, 0, 40, 32);
      return surface.copy(3 + 12, 5 + 10, 16, 12);  // well inside the ellipse
    };
    EXPECT_SAME_PIXELS(drawn(RenderQuality::Smooth), drawn(RenderQuality::Classic));
  }
}

// Smooth calls share one painter while they draw on the same pixels. Between two of them, a
// step of each kind below must leave the picture as a painter of its own for every call
// draws it: the shared one draws what lands at once, follows the clip and origin, and moves
// with the pixels.
TEST(CanvasSmooth, SharedPainterDrawsAsAPainterPerCall) {
  struct Step {
    const char* name;
    std::function<void(kvtest::Picture&)> between;
  };
  const TRegion band = kv::CreateRectRgn(0, 8, 40, 20);
  kvtest::Picture other(40, 32);
  const std::vector<Step> steps = {
      {"nothing", [](kvtest::Picture&) {}},
      {"a classic fill",
       [](kvtest::Picture& p) {
         p.c->FillRect({5, 5, 25, 18});
       }},
      {"a raster-mode line",
       [](kvtest::Picture& p) {
         p.c->Pen()->SetMode(TPenMode::pmXor);
         p.c->MoveTo(0, 16);
         p.c->LineTo(40, 16);
         p.c->Pen()->SetMode(TPenMode::pmCopy);
       }},
      {"a pixel read, written elsewhere",
       [](kvtest::Picture& p) { p.c->SetPixels(0, 0, p.c->Pixels(20, 6)); }},
      {"a clip selected", [&](kvtest::Picture& p) { p.c->SelectClipRgn(&band); }},
      {"a copy onto itself",
       [](kvtest::Picture& p) {
         p.c->CopyRect({0, 0, 20, 16}, p.c, {20, 16, 40, 32});
       }},
      {"text",
       [](kvtest::Picture& p) {
         kvtest::UseTextFont(p.c);
         p.c->TextOut(1, 1, QStringLiteral("Kv"));
       }},
      {"another canvas drawn smooth", [&](kvtest::Picture&) { other.c->Ellipse(0, 0, 30, 30); }},
      {"the bitmap resized", [](kvtest::Picture& p) { p.bitmap.SetSize(44, 36); }},
      {"the bitmap's scale changed", [](kvtest::Picture& p) { p.bitmap.SetDeviceScale(2); }},
  };
  const auto drawn = [&](const Call& first, const Step& step, const Call& second, bool perCall) {
    const Quality q(RenderQuality::Smooth);
    std::optional<kv::SmoothPainterPerCall> ownPainters;
    if (perCall) ownPainters.emplace();
    kvtest::Picture picture(40, 32);
    picture.c->Pen()->SetColor(clRed);
    picture.c->Brush()->SetColor(clBlue);
    first.draw(picture.c);
    step.between(picture);
    picture.c->Pen()->SetColor(clGreen);
    second.draw(picture.c);
    return picture.Image().copy();
  };
  const std::vector<Call>& calls = SmoothCalls();
  for (const Step& step : steps)
    for (size_t i = 0; i < calls.size(); ++i) {
      const Call& first = calls[i];
      const Call& second = calls[(i + 2) % calls.size()];
      SCOPED_TRACE(std::string(first.name) + ", " + step.name + ", " + second.name);
      EXPECT_SAME_PIXELS(drawn(first, step, second, false), drawn(first, step, second, true));
    }
}

// A copy of the surface taken between two smooth calls keeps the pixels it was taken with.
TEST(CanvasSmooth, CopyTakenBetweenCallsStaysAsTaken) {
  const Quality q(RenderQuality::Smooth);
  for (const Call& call : SmoothCalls()) {
    SCOPED_TRACE(call.name);
    kvtest::Picture picture(40, 32);
    picture.c->Ellipse(10, 10, 30, 30);
    const QImage taken = picture.Image();
    const QImage expected = taken.copy();
    call.draw(picture.c);
    EXPECT_SAME_PIXELS(taken, expected);
    EXPECT_NE(picture.Image(), expected);
  }
}
